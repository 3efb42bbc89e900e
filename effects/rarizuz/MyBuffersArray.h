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
//
// Storage: a ring of a megabyte or more (ten seconds of spectra are several)
// is mapped from the system with every page made present and zeroed in the
// same call, which costs a fraction of faulting them in one by one as a
// zero fill does; the audio thread never meets a page fault either way. It
// starts on a 2 MiB boundary and asks for large pages: the bars read frames
// from all over ten seconds of spectra, which with small pages misses the
// processor's address translation cache on nearly every frame. Smaller
// rings, or a mapping that fails, use the heap.
#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

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
        allocate (static_cast<std::size_t> (newCount * newLength));
        count = newCount;
        length = newLength;
    }

    // Empties the ring (no frames).
    void release()
    {
        count = 0;
        length = 0;
        writeIndex.store (0, std::memory_order_relaxed);
        if (mappedBytes > 0)
            munmap (storage, mappedBytes);
        else
            delete[] storage;
        storage = nullptr;
        mappedBytes = 0;
    }

    ~MyBuffersArray() { release(); }

    uint64_t getCount() const noexcept { return count; }
    uint64_t getLength() const noexcept { return length; }
    uint64_t getWriteIndex() const noexcept { return writeIndex.load (std::memory_order_acquire); }

    T* getBuffer (uint64_t i) noexcept { return storage + i * length; }
    const T* getBuffer (uint64_t i) const noexcept { return storage + i * length; }

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

    // Advances to the next frame without writing it and returns it: the
    // caller fills it before the frame is read (count > 0). Not for a ring
    // that another thread reads.
    T* advance() noexcept
    {
        const uint64_t w = writeIndex.load (std::memory_order_relaxed);
        writeIndex.store ((w + 1) % count, std::memory_order_release);
        return getBuffer (w);
    }

    // push, with every value stored as a relaxed atomic (no tearing, no data
    // race with loadRelaxed on another thread).
    void pushRelaxed (const T* frame) noexcept
    {
        const uint64_t w = writeIndex.load (std::memory_order_relaxed);
        T* dst = getBuffer (w);
        // The length in a local: the compiler reloads members after every
        // atomic store.
        const uint64_t n = length;
        for (uint64_t i = 0; i < n; ++i)
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
        __atomic_load (storage + slot * length + i, &v, __ATOMIC_RELAXED);
        return v;
    }

private:
    uint64_t count = 0;
    uint64_t length = 0;
    std::atomic<uint64_t> writeIndex { 0 };
    T* storage = nullptr;
    std::size_t mappedBytes = 0; // > 0: storage is a mapping of that size

    static_assert (std::is_trivially_copyable_v<T>, "frames are copied and zeroed as bytes");

    // `values` zeroed values (none when 0); throws std::bad_alloc as the heap does.
    void allocate (std::size_t values)
    {
        if (values == 0)
            return;
        const std::size_t bytes = values * sizeof (T);
        if (bytes >= (std::size_t (1) << 20))
        {
            if (void* p = mapZeroed (bytes))
            {
                storage = static_cast<T*> (p);
                mappedBytes = bytes;
                return;
            }
        }
        storage = new T[values]();
    }

    // `bytes` of present, zeroed pages starting on a 2 MiB boundary, or
    // nullptr. The bars read a few frames at a time from all over the ring,
    // so with small pages nearly every frame read misses the address
    // translation cache; the system is asked for large pages (it may give
    // small ones, which changes nothing else).
    static void* mapZeroed (std::size_t bytes) noexcept
    {
        constexpr std::size_t large = std::size_t (2) << 20;
        const std::size_t span = bytes + large;
        void* raw = mmap (nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            return nullptr;
        auto* const first = static_cast<char*> (raw);
        const std::size_t head = (large - reinterpret_cast<std::uintptr_t> (first) % large) % large;
        char* const start = first + head;
        // The pages before the boundary and after the last page used go back.
        const std::size_t page = 4096;
        const std::size_t used = (bytes + page - 1) / page * page;
        if (head > 0)
            munmap (first, head);
        if (head + used < span)
            munmap (start + used, span - head - used);
#ifdef MADV_HUGEPAGE
        madvise (start, used, MADV_HUGEPAGE);
#endif
        // Every page present now, not on the audio thread's first touch.
#ifndef MADV_POPULATE_WRITE
        constexpr int MADV_POPULATE_WRITE = 23;
#endif
        if (madvise (start, used, MADV_POPULATE_WRITE) != 0)
            for (std::size_t at = 0; at < used; at += page)
                *static_cast<volatile char*> (start + at) = 0;
        return start;
    }
};
