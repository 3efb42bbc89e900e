#include "MyRingBuffers.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr uint32_t minimumSize = 64;
constexpr uint32_t keptFree = 4; // frames that always stay free between writer and reader

uint32_t wrap (uint64_t pos, uint32_t size) noexcept { return static_cast<uint32_t> (pos % size); }

// Each helper touches at most two contiguous segments of the ring: from pos
// to the end, then from index 0. n never exceeds the ring size.
void copyIntoRing (float* ring, uint32_t size, uint32_t pos, const float* src, uint32_t n) noexcept
{
    const uint32_t first = std::min (n, size - pos);
    std::memcpy (ring + pos, src, first * sizeof (float));
    std::memcpy (ring, src + first, (n - first) * sizeof (float));
}

void addSegment (float* __restrict dst, const float* __restrict src, uint32_t n) noexcept
{
    for (uint32_t i = 0; i < n; ++i)
        dst[i] += src[i];
}

void addIntoRing (float* ring, uint32_t size, uint32_t pos, const float* src, uint32_t n) noexcept
{
    const uint32_t first = std::min (n, size - pos);
    addSegment (ring + pos, src, first);
    addSegment (ring, src + first, n - first);
}

void fillRing (float* ring, uint32_t size, uint32_t pos, float x, uint32_t n) noexcept
{
    const uint32_t first = std::min (n, size - pos);
    std::fill (ring + pos, ring + pos + first, x);
    std::fill (ring, ring + (n - first), x);
}

void copyFromRing (float* dst, const float* ring, uint32_t size, uint32_t pos, uint32_t n) noexcept
{
    const uint32_t first = std::min (n, size - pos);
    std::memcpy (dst, ring + pos, first * sizeof (float));
    std::memcpy (dst + first, ring, (n - first) * sizeof (float));
}
} // namespace

MyRingBuffers::MyRingBuffers (unsigned int requestedSize, bool withAux)
{
    size = requestedSize <= minimumSize ? minimumSize : requestedSize;
    numChannels = 1;
    buffers[0] = new float[size]();
    if (withAux)
        aux = new float[size]();
}

MyRingBuffers::~MyRingBuffers()
{
    for (auto*& b : buffers)
    {
        delete[] b;
        b = nullptr;
    }
    delete[] aux;
}

void MyRingBuffers::clearAll() noexcept
{
    for (uint32_t c = 0; c < numChannels; ++c)
        std::fill (buffers[c], buffers[c] + size, 0.0f);
    if (aux != nullptr)
        std::fill (aux, aux + size, 0.0f);
}

void MyRingBuffers::SetNumChannels (unsigned int n)
{
    if (n == numChannels)
        return;

    const uint32_t count = n <= maxChannels - 1 ? n : maxChannels;

    for (uint32_t c = 0; c < maxChannels; ++c)
    {
        if (c < count)
        {
            if (buffers[c] == nullptr)
                buffers[c] = new float[size]();
        }
        else
        {
            delete[] buffers[c];
            buffers[c] = nullptr;
        }
    }

    numChannels = count;
    readPos.store (0, std::memory_order_relaxed);
    writePos.store (0, std::memory_order_relaxed);
    clearAll();
}

void MyRingBuffers::SetSize (unsigned int requestedSize)
{
    const uint32_t newSize = requestedSize <= minimumSize ? minimumSize : requestedSize;
    if (newSize == size)
        return;

    for (uint32_t c = 0; c < numChannels; ++c)
    {
        delete[] buffers[c];
        buffers[c] = nullptr;
        buffers[c] = new float[newSize]();
    }
    if (aux != nullptr)
    {
        delete[] aux;
        aux = nullptr;
        aux = new float[newSize]();
    }
    size = newSize;
    readPos.store (0, std::memory_order_relaxed);
    writePos.store (0, std::memory_order_relaxed);
}

void MyRingBuffers::Reset (unsigned int read, unsigned int write)
{
    readPos.store (read % size, std::memory_order_relaxed);
    writePos.store (write % size, std::memory_order_relaxed);
    clearAll();
}

unsigned int MyRingBuffers::roomFor (uint32_t read, uint32_t write) const noexcept
{
    const uint32_t filled = wrap (uint64_t (size) + write - read, size);
    // The room is 0, not a wrapped-around huge number, when fewer than four
    // frames are free (possible after an overwriting Put).
    return filled + keptFree >= size ? 0 : size - filled - keptFree;
}

unsigned int MyRingBuffers::AvailForPut() const noexcept
{
    return roomFor (readPos.load (std::memory_order_acquire), writePos.load (std::memory_order_acquire));
}

unsigned int MyRingBuffers::AvailForGet() const noexcept
{
    const uint32_t read = readPos.load (std::memory_order_acquire);
    const uint32_t write = writePos.load (std::memory_order_acquire);
    return wrap (uint64_t (size) + write - read, size);
}

unsigned int MyRingBuffers::Put (float** src, unsigned int n, bool overwrite)
{
    const uint32_t write = writePos.load (std::memory_order_relaxed);
    const uint32_t read = readPos.load (std::memory_order_acquire);

    const uint32_t limit = overwrite ? size - keptFree : roomFor (read, write);
    const uint32_t m = std::min (n, limit);
    const uint32_t overlap = writeOverlap;

    // A write shorter than its overlap could not step back; it writes nothing.
    if (m == 0 || m < overlap)
        return 0;

    const uint32_t rest = m - overlap;
    const uint32_t restPos = wrap (uint64_t (write) + overlap, size);

    for (uint32_t c = 0; c < numChannels; ++c)
    {
        if (src[c] == nullptr)
            continue;
        addIntoRing (buffers[c], size, write, src[c], overlap);
        copyIntoRing (buffers[c], size, restPos, src[c] + overlap, rest);
    }

    // The auxiliary track holds per-frame values (a source position), which
    // cannot be summed: the overlapped frames keep what the previous write
    // left there, and the new frames get the values of the same source
    // frames as the channels. Without an overlap this is a plain copy.
    if (aux != nullptr && src[numChannels] != nullptr)
        copyIntoRing (aux, size, restPos, src[numChannels] + overlap, rest);

    writePos.store (wrap (uint64_t (write) + rest, size), std::memory_order_release);
    return m;
}

unsigned int MyRingBuffers::Put (float x, unsigned int n)
{
    const uint32_t write = writePos.load (std::memory_order_relaxed);
    const uint32_t read = readPos.load (std::memory_order_acquire);

    const uint32_t m = std::min (n, roomFor (read, write));
    const uint32_t overlap = writeOverlap;

    if (m == 0 || m < overlap)
        return 0;

    const uint32_t rest = m - overlap;
    const uint32_t restPos = wrap (uint64_t (write) + overlap, size);

    for (uint32_t c = 0; c < numChannels; ++c)
        fillRing (buffers[c], size, write, x, m);

    // -1 marks frames that come from no source position.
    if (aux != nullptr)
        fillRing (aux, size, restPos, -1.0f, rest);

    writePos.store (wrap (uint64_t (write) + rest, size), std::memory_order_release);
    return m;
}

unsigned int MyRingBuffers::Get (float** dst, unsigned int n, bool newest)
{
    n = std::min<unsigned int> (n, size);
    if (n == 0)
        return 0;

    const uint32_t write = writePos.load (std::memory_order_acquire);
    uint32_t read = readPos.load (std::memory_order_relaxed);

    if (newest)
        read = wrap (uint64_t (size) + write - n, size);

    const uint32_t filled = wrap (uint64_t (size) + write - read, size);
    const uint32_t m = (filled > 0 && filled < n) ? filled : n;

    for (uint32_t c = 0; c < numChannels; ++c)
        if (dst[c] != nullptr)
            copyFromRing (dst[c], buffers[c], size, read, m);

    if (aux != nullptr && dst[numChannels] != nullptr)
        copyFromRing (dst[numChannels], aux, size, read, m);

    // Step back by the read overlap, but never behind the start of this
    // read: the reader must not hand back frames the writer may be reusing.
    const uint32_t back = std::min (readOverlap, m);
    readPos.store (wrap (uint64_t (read) + m + size - back, size), std::memory_order_release);
    return m;
}
