#include "MyRingBuffers.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace
{
std::vector<float> ramp (unsigned int n, float start)
{
    std::vector<float> v (n);
    std::iota (v.begin(), v.end(), start);
    return v;
}

// Reference of the ring's framing rules on an unbounded stream: the same
// room, overlap-add and step-back arithmetic, without any wrapping.
struct StreamModel
{
    uint32_t size;
    uint32_t readOverlap;
    uint32_t writeOverlap;
    std::vector<float> values;
    std::vector<float> auxValues;
    uint64_t read = 0;
    uint64_t write = 0;

    unsigned int room() const
    {
        const uint64_t filled = write - read;
        return filled + 4 >= size ? 0u : static_cast<unsigned int> (size - filled - 4);
    }

    unsigned int put (const float* src, const float* aux, unsigned int n)
    {
        const unsigned int m = std::min (n, room());
        if (m == 0 || m < writeOverlap)
            return 0;
        if (values.size() < write + m)
        {
            values.resize (write + m, 0.0f);
            auxValues.resize (write + m, 0.0f);
        }
        for (unsigned int i = 0; i < writeOverlap; ++i)
            values[write + i] += src[i];
        for (unsigned int i = writeOverlap; i < m; ++i)
        {
            values[write + i] = src[i];
            auxValues[write + i] = aux[i];
        }
        write += m - writeOverlap;
        return m;
    }

    // Only for 0 < filled: the ring's contents are then defined.
    unsigned int get (float* dst, float* aux, unsigned int n)
    {
        const uint64_t filled = write - read;
        const unsigned int m = (filled > 0 && filled < n) ? static_cast<unsigned int> (filled) : n;
        for (unsigned int i = 0; i < m; ++i)
        {
            dst[i] = values[read + i];
            aux[i] = auxValues[read + i];
        }
        read += m - std::min (readOverlap, m);
        return m;
    }
};

struct RingConfig
{
    unsigned int size;
    uint32_t readOverlap;
    uint32_t writeOverlap;
    unsigned int maxPut;
    unsigned int maxGet;
};

class RingAgainstModel : public ::testing::TestWithParam<RingConfig>
{
};
} // namespace

TEST (RingBuffers, SizeAndRoom)
{
    MyRingBuffers small (10, false);
    EXPECT_EQ (small.getSize(), 64u);
    EXPECT_EQ (small.getNumChannels(), 1u);
    EXPECT_FALSE (small.hasAux());

    MyRingBuffers ring (100, false);
    EXPECT_EQ (ring.AvailForPut(), 96u);
    EXPECT_EQ (ring.AvailForGet(), 0u);

    auto data = ramp (200, 1.0f);
    float* src[] = { data.data() };
    EXPECT_EQ (ring.Put (src, 200, false), 96u);
    EXPECT_EQ (ring.AvailForPut(), 0u);
    EXPECT_EQ (ring.AvailForGet(), 96u);
    EXPECT_EQ (ring.Put (src, 1, false), 0u);
}

TEST (RingBuffers, ChannelCount)
{
    MyRingBuffers ring (128, false);
    auto data = ramp (10, 1.0f);
    float* src[] = { data.data() };
    ring.Put (src, 10, false);

    ring.SetNumChannels (1); // unchanged count keeps positions and contents
    EXPECT_EQ (ring.AvailForGet(), 10u);

    ring.SetNumChannels (100);
    EXPECT_EQ (ring.getNumChannels(), 65u);
    EXPECT_EQ (ring.AvailForGet(), 0u);
    EXPECT_NE (ring.buffers[64], nullptr);

    ring.SetNumChannels (2);
    EXPECT_EQ (ring.getNumChannels(), 2u);
    EXPECT_NE (ring.buffers[1], nullptr);
    EXPECT_EQ (ring.buffers[2], nullptr);
    for (unsigned int c = 0; c < 2; ++c)
        for (unsigned int i = 0; i < ring.getSize(); ++i)
            ASSERT_EQ (ring.buffers[c][i], 0.0f);
}

TEST (RingBuffers, SetSizeReallocatesEmptyOrKeepsAnUnchangedRing)
{
    MyRingBuffers ring (128, true);
    ring.SetNumChannels (2);
    auto data = ramp (100, 1.0f);
    float* src[] = { data.data(), data.data(), data.data() };
    ring.Put (src, 100, false);

    ring.SetSize (128); // unchanged: positions and contents stay
    EXPECT_EQ (ring.AvailForGet(), 100u);

    ring.SetSize (300);
    EXPECT_EQ (ring.getSize(), 300u);
    EXPECT_EQ (ring.AvailForGet(), 0u);
    EXPECT_EQ (ring.getNumChannels(), 2u);
    EXPECT_EQ (ring.Put (src, 100, false), 100u);
    EXPECT_EQ (ring.Put (src, 100, false), 100u);
    EXPECT_EQ (ring.Put (src, 100, false), 96u) << "four frames stay free";
    for (float* b : { ring.buffers[0], ring.buffers[1], ring.aux })
        ASSERT_EQ (b[299], 0.0f) << "every track has the new size";

    ring.SetSize (3);
    EXPECT_EQ (ring.getSize(), 64u);
}

TEST (RingBuffers, ResetKeepsPositionsInsideTheRing)
{
    MyRingBuffers ring (100, true);
    ring.Reset (130, 250);
    EXPECT_EQ (ring.readPos.load(), 30u);
    EXPECT_EQ (ring.writePos.load(), 50u);
    EXPECT_EQ (ring.AvailForGet(), 20u);
}

TEST (RingBuffers, WriteWrapsWithinOneCall)
{
    MyRingBuffers ring (100, false);
    ring.Reset (90, 90);
    auto data = ramp (30, 1.0f);
    float* src[] = { data.data() };
    ASSERT_EQ (ring.Put (src, 30, false), 30u);
    EXPECT_EQ (ring.writePos.load(), 20u);
    EXPECT_EQ (ring.buffers[0][99], 10.0f);
    EXPECT_EQ (ring.buffers[0][0], 11.0f);

    std::vector<float> out (30);
    float* dst[] = { out.data() };
    ASSERT_EQ (ring.Get (dst, 30, false), 30u);
    EXPECT_EQ (out, data);
}

TEST (RingBuffers, ReadOverlapRepeatsTheTail)
{
    MyRingBuffers ring (4096, false);
    ring.readOverlap = 768;
    auto data = ramp (2048, 0.0f);
    float* src[] = { data.data() };
    ASSERT_EQ (ring.Put (src, 2048, false), 2048u);

    std::vector<float> frame (1024);
    float* dst[] = { frame.data() };
    ASSERT_EQ (ring.Get (dst, 1024, false), 1024u);
    EXPECT_EQ (ring.readPos.load(), 256u);
    ASSERT_EQ (ring.Get (dst, 1024, false), 1024u);
    EXPECT_EQ (frame.front(), 256.0f);
    EXPECT_EQ (frame.back(), 1279.0f);
}

TEST (RingBuffers, WriteOverlapAddsAndStepsBack)
{
    MyRingBuffers ring (4096, false);
    ring.writeOverlap = 768;
    std::vector<float> ones (1024, 1.0f);
    float* src[] = { ones.data() };

    ASSERT_EQ (ring.Put (src, 1024, false), 1024u);
    EXPECT_EQ (ring.writePos.load(), 256u);
    ASSERT_EQ (ring.Put (src, 1024, false), 1024u);
    EXPECT_EQ (ring.writePos.load(), 512u);
    EXPECT_EQ (ring.buffers[0][255], 1.0f);
    EXPECT_EQ (ring.buffers[0][256], 2.0f);  // first frame's tail plus the second frame
    EXPECT_EQ (ring.buffers[0][1023], 2.0f);
    EXPECT_EQ (ring.buffers[0][1024], 1.0f); // second frame alone
}

TEST (RingBuffers, WriteShorterThanItsOverlapWritesNothing)
{
    MyRingBuffers ring (100, false);
    ring.writeOverlap = 48;
    ring.Reset (0, 60); // 60 filled: room 36 < 48
    std::vector<float> ones (64, 1.0f);
    float* src[] = { ones.data() };

    EXPECT_EQ (ring.Put (src, 64, false), 0u);
    EXPECT_EQ (ring.Put (1.0f, 64), 0u);
    EXPECT_EQ (ring.Put (src, 40, false), 0u); // n itself below the overlap
    EXPECT_EQ (ring.writePos.load(), 60u);
    for (unsigned int i = 0; i < ring.getSize(); ++i)
        ASSERT_EQ (ring.buffers[0][i], 0.0f);
}

TEST (RingBuffers, RequestsLargerThanTheRingAreBounded)
{
    MyRingBuffers ring (100, true);
    std::vector<float> big (10000, 1.0f), bigAux (10000, 7.0f);
    float* src[] = { big.data(), bigAux.data() };

    EXPECT_EQ (ring.Put (src, 10000, true), 96u);
    EXPECT_EQ (ring.Put (src, 10000, true), 96u); // overwriting, still within the ring

    std::vector<float> out (10000, -1.0f), outAux (10000, -1.0f);
    float* dst[] = { out.data(), outAux.data() };
    EXPECT_LE (ring.Get (dst, 10000, false), 100u);
    EXPECT_EQ (ring.Get (dst, 10000, true), 100u);
    EXPECT_EQ (out[100], -1.0f);
    EXPECT_LE (ring.AvailForPut() + ring.AvailForGet(), 96u);
}

TEST (RingBuffers, OverwritePutIgnoresUnreadFrames)
{
    MyRingBuffers ring (100, false);
    std::vector<float> ones (96, 1.0f);
    float* src[] = { ones.data() };
    ASSERT_EQ (ring.Put (src, 96, false), 96u);
    EXPECT_EQ (ring.Put (src, 10, false), 0u);
    EXPECT_EQ (ring.Put (src, 2, true), 2u);
    EXPECT_EQ (ring.AvailForGet(), 98u);
    EXPECT_EQ (ring.AvailForPut(), 0u); // fewer than four free frames: no room, not a huge one
    EXPECT_EQ (ring.Put (src, 10, false), 0u);
}

TEST (RingBuffers, NewestReadsTheLastFramesWritten)
{
    MyRingBuffers ring (8000, false);
    auto data = ramp (5000, 0.0f);
    float* src[] = { data.data() };
    ASSERT_EQ (ring.Put (src, 5000, false), 5000u);

    std::vector<float> out (1024);
    float* dst[] = { out.data() };
    ASSERT_EQ (ring.Get (dst, 1024, true), 1024u);
    EXPECT_EQ (out.front(), 3976.0f);
    EXPECT_EQ (out.back(), 4999.0f);
    EXPECT_EQ (ring.AvailForGet(), 0u);
}

TEST (RingBuffers, PartialReadAndNullChannels)
{
    MyRingBuffers ring (100, false);
    ring.SetNumChannels (2);
    auto a = ramp (10, 1.0f);
    float* src[] = { a.data(), nullptr }; // channel 1 keeps its contents
    ASSERT_EQ (ring.Put (src, 10, false), 10u);

    std::vector<float> out0 (20, -1.0f), out1 (20, -1.0f);
    float* dst[] = { out0.data(), out1.data() };
    EXPECT_EQ (ring.Get (dst, 20, false), 10u); // only what is there
    EXPECT_EQ (out0[9], 10.0f);
    EXPECT_EQ (out0[10], -1.0f);
    EXPECT_EQ (out1[0], 0.0f);
    EXPECT_EQ (ring.AvailForGet(), 0u);
}

TEST (RingBuffers, ConstantPutMarksAuxFrames)
{
    MyRingBuffers ring (100, true);
    ring.SetNumChannels (2);
    ASSERT_EQ (ring.Put (0.25f, 10), 10u);

    std::vector<float> out0 (10), out1 (10), aux (10);
    float* dst[] = { out0.data(), out1.data(), aux.data() };
    ASSERT_EQ (ring.Get (dst, 10, false), 10u);
    EXPECT_EQ (out0, std::vector<float> (10, 0.25f));
    EXPECT_EQ (out1, std::vector<float> (10, 0.25f));
    EXPECT_EQ (aux, std::vector<float> (10, -1.0f));
}

TEST (RingBuffers, AuxFollowsItsFramesUnderAWriteOverlap)
{
    MyRingBuffers ring (200, true);
    ring.writeOverlap = 4;
    auto first = ramp (8, 1.0f), firstAux = ramp (8, 100.0f);
    auto second = ramp (8, 1.0f), secondAux = ramp (8, 200.0f);
    float* src1[] = { first.data(), firstAux.data() };
    float* src2[] = { second.data(), secondAux.data() };
    ASSERT_EQ (ring.Put (src1, 8, false), 8u);
    ASSERT_EQ (ring.Put (src2, 8, false), 8u);

    EXPECT_EQ (ring.aux[4], 104.0f);  // overlapped frame: the first write's value stays
    EXPECT_EQ (ring.aux[7], 107.0f);
    EXPECT_EQ (ring.aux[8], 204.0f);  // new frames: the values of their own source frames
    EXPECT_EQ (ring.aux[11], 207.0f);
    EXPECT_EQ (ring.buffers[0][4], 5.0f + 1.0f);
}

TEST (RingBuffers, PutAndGetDoNotAllocate)
{
    MyRingBuffers ring (4096, true);
    ring.SetNumChannels (8);
    ring.writeOverlap = 768;
    std::vector<std::vector<float>> data (9, std::vector<float> (1024, 0.5f));
    float* ptrs[9];
    for (int c = 0; c < 9; ++c)
        ptrs[c] = data[(size_t) c].data();

    AllocationCounter count;
    ring.Put (ptrs, 1024, false);
    ring.Put (0.0f, 1024);
    ring.Get (ptrs, 256, false);
    ring.Get (ptrs, 1024, true);
    EXPECT_EQ (count.allocations(), 0u);
}

// Analysis through a read overlap, identity processing, synthesis through a
// write overlap: every output sample is the sum of the frames covering it.
TEST (RingBuffers, FramingAndOverlapAddRebuildTheSignal)
{
    constexpr unsigned int frame = 1024, hop = 256, block = 300, total = 20000;
    MyRingBuffers input (3001, false), output (2999, false);
    input.readOverlap = frame - hop;
    output.writeOverlap = frame - hop;

    std::mt19937 rng (7);
    std::uniform_real_distribution<float> dist (-1.0f, 1.0f);
    std::vector<float> signal (total);
    for (auto& s : signal)
        s = dist (rng);

    std::vector<float> frameBuf (frame), blockBuf (block), rebuilt;
    float* frameP[] = { frameBuf.data() };
    float* blockP[] = { blockBuf.data() };

    for (unsigned int start = 0; start + block <= total; start += block)
    {
        float* in[] = { signal.data() + start };
        ASSERT_EQ (input.Put (in, block, false), block);
        while (input.AvailForGet() >= frame)
        {
            ASSERT_EQ (input.Get (frameP, frame, false), frame);
            ASSERT_EQ (output.Put (frameP, frame, false), frame);
        }
        if (output.AvailForGet() >= block)
        {
            ASSERT_EQ (output.Get (blockP, block, false), block);
            rebuilt.insert (rebuilt.end(), blockBuf.begin(), blockBuf.end());
        }
    }

    ASSERT_GT (rebuilt.size(), (size_t) total / 2);
    for (size_t p = 0; p < rebuilt.size(); ++p)
    {
        const float copies = (float) std::min<size_t> (4, p / hop + 1);
        ASSERT_NEAR (rebuilt[p], copies * signal[p], 1e-5f) << "sample " << p;
    }
}

TEST_P (RingAgainstModel, RandomPutsAndGetsMatchTheStreamModel)
{
    const RingConfig cfg = GetParam();
    MyRingBuffers ring (cfg.size, true);
    ring.SetNumChannels (3);
    ring.readOverlap = cfg.readOverlap;
    ring.writeOverlap = cfg.writeOverlap;
    StreamModel model { ring.getSize(), cfg.readOverlap, cfg.writeOverlap, {}, {} };

    std::mt19937 rng (cfg.size * 31u + cfg.writeOverlap);
    std::uniform_real_distribution<float> dist (-1.0f, 1.0f);
    std::vector<std::vector<float>> chans (4, std::vector<float> (cfg.maxPut));
    std::vector<std::vector<float>> outs (4, std::vector<float> (cfg.maxGet));
    std::vector<float> expected (cfg.maxGet), expectedAux (cfg.maxGet);

    for (int step = 0; step < 20000; ++step)
    {
        if (rng() % 2 == 0)
        {
            const unsigned int n = 1 + rng() % cfg.maxPut;
            for (unsigned int i = 0; i < n; ++i)
            {
                const float v = dist (rng);
                chans[0][i] = v;
                chans[1][i] = 2.0f * v;
                chans[2][i] = -v;
                chans[3][i] = (float) (step * 1000 + (int) i);
            }
            float* src[] = { chans[0].data(), chans[1].data(), chans[2].data(), chans[3].data() };
            const unsigned int m = ring.Put (src, n, false);
            ASSERT_EQ (m, model.put (chans[0].data(), chans[3].data(), n)) << "step " << step;
        }
        else if (ring.AvailForGet() > 0)
        {
            const unsigned int n = 1 + rng() % cfg.maxGet;
            float* dst[] = { outs[0].data(), outs[1].data(), outs[2].data(), outs[3].data() };
            const unsigned int m = ring.Get (dst, n, false);
            ASSERT_EQ (m, model.get (expected.data(), expectedAux.data(), n)) << "step " << step;
            for (unsigned int i = 0; i < m; ++i)
            {
                ASSERT_EQ (outs[0][i], expected[i]) << "step " << step << " frame " << i;
                ASSERT_EQ (outs[1][i], 2.0f * expected[i]);
                ASSERT_EQ (outs[2][i], -expected[i]);
                ASSERT_EQ (outs[3][i], expectedAux[i]);
            }
        }
        ASSERT_EQ (ring.AvailForGet(), model.write - model.read);
    }
}

INSTANTIATE_TEST_SUITE_P (Configs,
                          RingAgainstModel,
                          ::testing::Values (RingConfig { 64, 0, 0, 70, 70 },
                                             RingConfig { 100, 0, 0, 40, 40 },
                                             RingConfig { 257, 0, 0, 300, 100 },
                                             RingConfig { 1000, 30, 0, 200, 120 },
                                             RingConfig { 1000, 0, 48, 200, 120 },
                                             RingConfig { 999, 20, 40, 150, 90 }));
