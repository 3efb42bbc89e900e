// One writer thread and one reader thread on the same ring: every frame must
// arrive once, in order, with all its channels. Also runs under
// ThreadSanitizer.
#include "MyRingBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace
{
// Small deterministic generator for block sizes, one per thread.
struct Lcg
{
    uint32_t state;
    uint32_t next (uint32_t range)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    }
};

// Puts the running frame counter (channel 0), its negation (channel 1) and
// counter + 0.5 (aux) in blocks of varying size, retrying what did not fit.
void writeCounter (MyRingBuffers& ring, uint32_t total, const std::atomic<bool>& stop)
{
    constexpr uint32_t maxBlock = 700;
    std::vector<float> a (maxBlock), b (maxBlock), x (maxBlock);
    Lcg lcg { 12345 };
    uint32_t next = 0;

    while (next < total && ! stop.load (std::memory_order_relaxed))
    {
        const uint32_t n = std::min (1 + lcg.next (maxBlock), total - next);
        for (uint32_t i = 0; i < n; ++i)
        {
            a[i] = (float) (next + i);
            b[i] = -(float) (next + i);
            x[i] = (float) (next + i) + 0.5f;
        }
        float* src[] = { a.data(), b.data(), x.data() };
        const uint32_t m = ring.Put (src, n, false);
        next += m;
        if (m == 0)
            std::this_thread::yield();
    }
}
} // namespace

TEST (RingBufferThreads, EveryFrameArrivesOnceAndInOrder)
{
    constexpr uint32_t total = 400000; // exact in float
    MyRingBuffers ring (1000, true);
    ring.SetNumChannels (2);

    std::atomic<bool> stop { false };
    std::thread writer ([&] { writeCounter (ring, total, stop); });

    std::vector<float> a (600), b (600), x (600);
    Lcg lcg { 777 };
    uint32_t expected = 0;
    bool ok = true;

    while (ok && expected < total)
    {
        const uint32_t avail = ring.AvailForGet();
        if (avail == 0)
        {
            std::this_thread::yield();
            continue;
        }
        const uint32_t n = std::min (avail, 1 + lcg.next (600));
        float* dst[] = { a.data(), b.data(), x.data() };
        const uint32_t m = ring.Get (dst, n, false);
        ok = (m == n);
        for (uint32_t i = 0; ok && i < m; ++i)
        {
            const float v = (float) (expected + i);
            ok = a[i] == v && b[i] == -v && x[i] == v + 0.5f;
            if (! ok)
                ADD_FAILURE() << "frame " << expected + i << " read as " << a[i] << ", " << b[i] << ", " << x[i];
        }
        expected += m;
    }

    stop = true;
    writer.join();
    EXPECT_TRUE (ok);
    EXPECT_EQ (expected, total);
}

// The reader frames the stream with a read overlap (as an analysis input
// does) while the writer fills it from another thread.
TEST (RingBufferThreads, OverlappingFramesFollowTheWriter)
{
    constexpr uint32_t total = 200000, frame = 64, hop = 16;
    MyRingBuffers ring (500, true);
    ring.SetNumChannels (2);
    ring.readOverlap = frame - hop;

    std::atomic<bool> stop { false };
    std::thread writer ([&] { writeCounter (ring, total, stop); });

    std::vector<float> a (frame), b (frame), x (frame);
    uint32_t start = 0;
    bool ok = true;

    while (ok && start + frame <= total)
    {
        if (ring.AvailForGet() < frame)
        {
            std::this_thread::yield();
            continue;
        }
        float* dst[] = { a.data(), b.data(), x.data() };
        ok = ring.Get (dst, frame, false) == frame;
        for (uint32_t i = 0; ok && i < frame; ++i)
        {
            const float v = (float) (start + i);
            ok = a[i] == v && b[i] == -v && x[i] == v + 0.5f;
            if (! ok)
                ADD_FAILURE() << "frame at " << start << ", sample " << i << " read as " << a[i];
        }
        start += hop;
    }

    stop = true;
    writer.join();
    EXPECT_TRUE (ok);
}
