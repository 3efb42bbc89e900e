#pragma once
// A ring of `count` equal frames of `length` values: the spectral delay line.
// The next frame goes into writeIndex; the newest stored frame is at
// (writeIndex - 1) modulo count.
//
// Thread contract: init/release only while no block runs (construction, or
// under the processor's callback lock); the audio thread writes frames and
// writeIndex. A ring that a display reads from another thread is written
// with pushRelaxed and read with loadRelaxed only (relaxed atomic accesses
// to every value: a frame may show half old, half new, never a torn value).
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

template <typename T>
class MyBuffersArray
{
public:
    MyBuffersArray() = default;
    MyBuffersArray (const MyBuffersArray&) = delete;
    MyBuffersArray& operator= (const MyBuffersArray&) = delete;

    // Sizes the ring to `newCount` zero-filled frames of `newLength` values.
    // When both equal the current ones nothing happens: the contents stay.
    void init (uint64_t newCount, uint64_t newLength)
    {
        if (newCount == count && newLength == length)
            return;
        release();
        storage.assign (static_cast<std::size_t> (newCount * newLength), T {});
        count = newCount;
        length = newLength;
    }

    // Empties the ring (no frames).
    void release()
    {
        count = 0;
        length = 0;
        writeIndex.store (0, std::memory_order_relaxed);
        std::vector<T>().swap (storage);
    }

    uint64_t getCount() const noexcept { return count; }
    uint64_t getLength() const noexcept { return length; }
    uint64_t getWriteIndex() const noexcept { return writeIndex.load (std::memory_order_acquire); }

    T* getBuffer (uint64_t i) noexcept { return storage.data() + i * length; }
    const T* getBuffer (uint64_t i) const noexcept { return storage.data() + i * length; }

    // The frame `back` frames before the newest (0 is the newest). Any value
    // is taken modulo count, so the read never leaves the ring. count > 0.
    T* getFrameBack (int64_t back) noexcept
    {
        const int64_t n = static_cast<int64_t> (count);
        int64_t slot = (static_cast<int64_t> (writeIndex.load (std::memory_order_relaxed)) - 1 - back) % n;
        if (slot < 0)
            slot += n;
        return getBuffer (static_cast<uint64_t> (slot));
    }

    T* getNewest() noexcept { return getFrameBack (0); }

    // Copies `length` values into the next frame and advances (count > 0).
    void push (const T* frame) noexcept
    {
        const uint64_t w = writeIndex.load (std::memory_order_relaxed);
        std::memcpy (getBuffer (w), frame, static_cast<std::size_t> (length) * sizeof (T));
        writeIndex.store ((w + 1) % count, std::memory_order_release);
    }

    // push, with every value stored as a relaxed atomic (no tearing, no data
    // race with loadRelaxed on another thread).
    void pushRelaxed (const T* frame) noexcept
    {
        const uint64_t w = writeIndex.load (std::memory_order_relaxed);
        T* dst = getBuffer (w);
        for (uint64_t i = 0; i < length; ++i)
        {
            T v = frame[i];
            __atomic_store (dst + i, &v, __ATOMIC_RELAXED);
        }
        writeIndex.store ((w + 1) % count, std::memory_order_release);
    }

    // Value i of frame slot, as a relaxed atomic load (slot < count, i < length).
    T loadRelaxed (uint64_t slot, uint64_t i) const noexcept
    {
        T v;
        __atomic_load (storage.data() + slot * length + i, &v, __ATOMIC_RELAXED);
        return v;
    }

private:
    uint64_t count = 0;
    uint64_t length = 0;
    std::atomic<uint64_t> writeIndex { 0 };
    std::vector<T> storage;
};
