#include "AllocationCounter.h"
#include "RariZuz.h"
#include "Utilities.h"
#include "fftRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kHop = 512; // N = 2048

using Signal = std::vector<float>;

void prepare (RariZuz& e, int ins, int outs, int block)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (ins == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo());
    layout.outputBuses.add (outs == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo());
    ASSERT_TRUE (e.setBusesLayout (layout));
    e.prepareToPlay (kRate, block);
}

// Feeds `in` (one signal per input channel, all the same length) through the
// engine in blocks of `block` samples; returns one signal per output channel.
std::vector<Signal> render (RariZuz& e, const std::vector<Signal>& in, int outs, int block)
{
    const int ins = (int) in.size();
    const int length = (int) in[0].size();
    juce::AudioBuffer<float> buffer (std::max (ins, outs), block);
    juce::MidiBuffer midi;
    std::vector<Signal> out ((size_t) outs, Signal ((size_t) length, 0.0f));
    for (int start = 0; start < length; start += block)
    {
        const int n = std::min (block, length - start);
        buffer.setSize (buffer.getNumChannels(), n, false, false, true);
        buffer.clear();
        for (int c = 0; c < ins; ++c)
            buffer.copyFrom (c, 0, in[(size_t) c].data() + start, n);
        e.processBlock (buffer, midi);
        for (int c = 0; c < outs; ++c)
            std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + n, out[(size_t) c].begin() + start);
    }
    return out;
}

Signal noise (int length, unsigned seed, float amplitude)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> d (-amplitude, amplitude);
    Signal s ((size_t) length);
    for (auto& x : s)
        x = d (rng);
    return s;
}

// A bar over display frequencies f1..f2 at the constant delay coordinate d.
void placeBar (RariZuz& e, int k, float f1, float f2, float d)
{
    e.createBar (k, 1.0f - d, 1.0f - f1, 1.0f - d, 1.0f - f2);
}

int peakIndex (const Signal& s, int from, int to)
{
    from = std::max (from, 0);
    to = std::min (to, (int) s.size());
    int best = from;
    for (int i = from; i < to; ++i)
        if (std::fabs (s[(size_t) i]) > std::fabs (s[(size_t) best]))
            best = i;
    return best;
}

float peakValue (const Signal& s, int from, int to)
{
    return std::fabs (s[(size_t) peakIndex (s, from, to)]);
}

// Power spectrum of `length` (a power of two) samples from `start`.
std::vector<double> powerSpectrum (const Signal& s, int start, int log2Length)
{
    const int n = 1 << log2Length;
    std::vector<float> frame ((size_t) n, 0.0f);
    for (int i = 0; i < n; ++i)
        if (start + i >= 0 && start + i < (int) s.size())
            frame[(size_t) i] = s[(size_t) (start + i)];
    EXPECT_EQ (fftInit (log2Length), 0);
    EXPECT_TRUE (rffts (frame.data(), log2Length, 1));
    std::vector<double> power ((size_t) n / 2);
    power[0] = (double) frame[0] * frame[0];
    for (int k = 1; k < n / 2; ++k)
        power[(size_t) k] = (double) frame[(size_t) (2 * k)] * frame[(size_t) (2 * k)]
                            + (double) frame[(size_t) (2 * k + 1)] * frame[(size_t) (2 * k + 1)];
    return power;
}

struct Audio : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }
};
using RariZuzAudio = Audio;
} // namespace

TEST_F (Audio, BlockSizesGiveTheSameSignalAtTheReportedLatency)
{
    const int length = 14000;
    const int total = length + 4096 + 2048 + 512;
    std::vector<Signal> input { noise (length, 1, 0.5f), noise (length, 2, 0.5f) };
    for (auto& s : input)
        s.resize ((size_t) total, 0.0f);

    struct Case
    {
        int block;
        int latency;
    };
    const Case cases[] = { { 512, 1536 }, { 1, 2047 }, { 64, 1984 }, { 300, 2044 }, { 4096, 4096 } };

    std::vector<Signal> reference;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.block);
        auto e = std::make_unique<RariZuz>();
        prepare (*e, 2, 2, c.block);
        ASSERT_EQ (e->getLatencySamples(), c.latency);
        ASSERT_EQ (RariZuz::latencyFor (2048, c.block), c.latency);

        // Dry only: the output is the input, delayed by the latency and scaled
        // by 0.707 x 1.5 (the gain of Hann analysis and synthesis at a hop of N/4).
        e->setIndexedParameter (RariZuz::pMix, 0.0f);
        auto dry = render (*e, input, 2, c.block);
        for (int t = 0; t < c.latency; ++t)
            ASSERT_EQ (dry[0][(size_t) t], 0.0f) << t;
        double worst = 0.0;
        for (int t = 2048; t < length; ++t)
            worst = std::max (worst, (double) std::fabs (dry[1][(size_t) (t + c.latency)] - 1.0605f * input[1][(size_t) t]));
        EXPECT_LT (worst, 0.01);

        // With a bar and half the mix every block size gives the same samples.
        e->setIndexedParameter (RariZuz::pMix, 0.5f);
        placeBar (*e, 0, 0.2f, 0.7f, 0.0f);
        e->setIndexedParameter (RariZuz::pPan, 0.2f);
        e->prepareToPlay (kRate, c.block);
        auto wet = render (*e, input, 2, c.block);
        std::vector<Signal> aligned (2, Signal ((size_t) length));
        for (int ch = 0; ch < 2; ++ch)
            for (int t = 0; t < length; ++t)
                aligned[(size_t) ch][(size_t) t] = wet[(size_t) ch][(size_t) (t + c.latency)];
        if (reference.empty())
        {
            reference = aligned;
            continue;
        }
        for (int ch = 0; ch < 2; ++ch)
            for (int t = 0; t < length; ++t)
                ASSERT_NEAR (aligned[(size_t) ch][(size_t) t], reference[(size_t) ch][(size_t) t], 1e-6f) << ch << " " << t;
    }
}

TEST_F (Audio, ImpulseComesBackAtItsDelayInsideItsBand)
{
    for (const float d : { 0.5f, 1.0f })
    {
        SCOPED_TRACE (d);
        RariZuz e;
        prepare (e, 1, 1, 512);
        const int latency = e.getLatencySamples();
        placeBar (e, 0, 0.3f, 0.6f, d);

        const int framesBack = std::min ((int) (d * (float) e.getDelayFrames()), e.getDelayFrames() - 1);
        const int t0 = 5000;
        const int expected = t0 + latency + framesBack * kHop;
        Signal in ((size_t) (expected + 8192), 0.0f);
        in[(size_t) t0] = 1.0f;
        const auto out = render (e, { in }, 1, 512)[0];

        const int peak = peakIndex (out, 0, (int) out.size());
        EXPECT_NEAR (peak, expected, kHop);
        // Nothing comes back early: a delay of 1 does not read the newest frame.
        EXPECT_LT (peakValue (out, 0, expected - 4096), 1e-6f * peakValue (out, peak, peak + 1));

        // Bins lo..hi - 1 of N = 2048 carry the band; in a 8192-point
        // spectrum they are 4 lo .. 4 hi. Outside, beyond 16 bins of N, the
        // echo is at least 60 dB down on its band.
        const auto power = powerSpectrum (out, peak - 4096, 13);
        const int lo = (int) (0.09f * 1024), hi = (int) (0.36f * 1024);
        double inBand = 0.0;
        for (int k = 4 * lo; k < 4 * hi; ++k)
            inBand += power[(size_t) k];
        inBand /= 4.0 * (hi - lo);
        double outside = 0.0;
        for (int k = 0; k < (int) power.size(); ++k)
            if (k < 4 * (lo - 16) || k > 4 * (hi + 16))
                outside = std::max (outside, power[(size_t) k]);
        EXPECT_LT (10.0 * std::log10 (outside / inBand), -60.0);
    }
}

TEST_F (Audio, FeedbackGivesDecayingRepeats)
{
    RariZuz e;
    prepare (e, 1, 2, 512);
    const int latency = e.getLatencySamples();
    placeBar (e, 0, 0.2f, 0.8f, 0.05f);
    e.setIndexedParameter (RariZuz::pFeedback, 0.5f);
    const int framesBack = (int) (0.05f * (float) e.getDelayFrames());
    const int repeat = framesBack * kHop;

    const int t0 = 3000;
    Signal in ((size_t) (t0 + latency + 4 * repeat + 4096), 0.0f);
    in[(size_t) t0] = 0.1f; // quiet bins: their power stays below 0.8
    const auto out = render (e, { in }, 2, 512);

    float previous = 0.0f;
    for (int m = 1; m <= 3; ++m)
    {
        const int at = t0 + latency + m * repeat;
        const int peak = peakIndex (out[0], at - 2048, at + 2048);
        EXPECT_NEAR (peak, at, kHop) << m;
        const float value = std::fabs (out[0][(size_t) peak]);
        if (m > 1)
        {
            EXPECT_NEAR (value / previous, 0.5f, 0.02f) << m;
        }
        previous = value;
    }
    // Between the repeats: silence.
    EXPECT_LT (peakValue (out[0], t0 + latency + 2048, t0 + latency + repeat - 2048), 1e-6f);
}

TEST_F (Audio, ResetWithTheSameFrameSizeKeepsTheDelayLines)
{
    RariZuz e;
    prepare (e, 2, 2, 512);
    render (e, { noise (20000, 3, 0.5f), noise (20000, 4, 0.5f) }, 2, 512);

    const auto& line = e.getDelayLine (0);
    const uint64_t newest = (line.getWriteIndex() + line.getCount() - 1) % line.getCount();
    const std::vector<float> before (line.getBuffer (newest), line.getBuffer (newest) + line.getLength());
    ASSERT_GT (*std::max_element (before.begin(), before.end()), 0.0f);

    e.prepareToPlay (48000.0, 256); // another rate and block size, the same N
    EXPECT_TRUE (std::equal (before.begin(), before.end(), e.getDelayLine (0).getBuffer (newest)));

    e.setIndexedParameter (RariZuz::pBands, 0.0f);
    e.setIndexedParameter (RariZuz::pBands, 3.0f / 9.0f);
    const float* fresh = e.getDelayLine (0).getBuffer (newest);
    EXPECT_TRUE (std::all_of (fresh, fresh + 2048, [] (float x) { return x == 0.0f; }));
}

TEST_F (Audio, BlocksBeforePrepareAreSilentThenTheBarsPlay)
{
    // The constructor leaves the rings to the first prepareToPlay: blocks
    // before it come out silent, whatever their length.
    RariZuz e;
    placeBar (e, 0, 0.0f, 1.0f, 0.0f);
    for (int block : { 512, 8192 })
    {
        const auto early = render (e, { noise (20000, 8, 0.5f), noise (20000, 9, 0.5f) }, 2, block);
        EXPECT_EQ (peakValue (early[0], 0, 20000), 0.0f) << block;
        EXPECT_EQ (peakValue (early[1], 0, 20000), 0.0f) << block;
    }

    prepare (e, 2, 2, 512);
    const auto out = render (e, { noise (20000, 8, 0.5f), noise (20000, 9, 0.5f) }, 2, 512);
    EXPECT_GT (peakValue (out[0], 0, 20000), 0.01f);
    EXPECT_GT (peakValue (out[1], 0, 20000), 0.01f);
}

TEST_F (Audio, NoBarOrMuteGivesTheDryPartOnly)
{
    RariZuz e;
    prepare (e, 1, 2, 256);
    e.setIndexedParameter (RariZuz::pMute, 1.0f);
    const auto in = noise (12000, 5, 0.3f);
    const auto out = render (e, { in }, 2, 256);
    // Mix 1 and every bar muted: silence.
    EXPECT_EQ (peakValue (out[0], 0, 12000), 0.0f);
    EXPECT_EQ (peakValue (out[1], 0, 12000), 0.0f);
}

TEST_F (Audio, ProcessBlockDoesNotAllocate)
{
    RariZuz e;
    prepare (e, 2, 2, 512);
    for (int k = 0; k < 8; ++k)
        placeBar (e, k, 0.0f, 1.0f, 0.1f * (float) k);
    e.setIndexedParameter (RariZuz::pSmoothness, 0.5f);
    e.setIndexedParameter (RariZuz::pFeedback + 2, 0.7f);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    const auto in = noise (512, 6, 0.5f);
    for (int b = 0; b < 8; ++b)
    {
        buffer.copyFrom (0, 0, in.data(), 512);
        e.processBlock (buffer, midi);
    }

    AllocationCounter counter;
    for (int b = 0; b < 40; ++b)
    {
        buffer.copyFrom (0, 0, in.data(), 512);
        buffer.copyFrom (1, 0, in.data(), 512);
        if (b % 5 == 0)
            e.processBlockBypassed (buffer, midi);
        else
            e.processBlock (buffer, midi);
    }
    EXPECT_EQ (counter.allocations(), 0u);
    EXPECT_GT (e.getUpdateDisplay(), 0);
    EXPECT_EQ (e.getUpdateDisplay(), 0);
}

TEST_F (Audio, RandomAutomationKeepsTheOutputClean)
{
    RariZuz e;
    prepare (e, 2, 2, 512);
    std::mt19937 rng (11);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f), wide (-0.5f, 1.5f);
    std::uniform_int_distribution<int> index (0, RariZuz::numParameters - 1), bar (0, 7);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    int bad = 0;
    for (int b = 0; b < 600; ++b)
    {
        for (int k = 0; k < 6; ++k)
        {
            const int i = index (rng);
            if (i == RariZuz::pBands && unit (rng) > 0.1f)
                continue; // frame-size changes are slow: only some of them
            e.setIndexedParameter (i, unit (rng));
        }
        if (b % 7 == 0)
            e.createBar (bar (rng), wide (rng), wide (rng), wide (rng), wide (rng));
        if (b % 11 == 0)
            e.setBarValues (bar (rng), wide (rng), wide (rng), wide (rng), wide (rng));
        if (b % 13 == 0)
            e.setIndexedParameter (RariZuz::pActive + bar (rng), 1.0f);

        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 512; ++s)
                buffer.setSample (c, s, (unit (rng) - 0.5f) * (b % 50 < 25 ? 1.0f : 1e-3f));
        e.processBlock (buffer, midi);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < 512; ++s)
            {
                const float x = buffer.getSample (c, s);
                if (! std::isfinite (x) || std::fpclassify (x) == FP_SUBNORMAL)
                    ++bad;
            }
    }
    EXPECT_EQ (bad, 0);
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE (e.getBar (k).isFinite()) << k;
}

TEST_F (RariZuzAudio, OneChannelBlockIntoAStereoInputFeedsBothInputChannels)
{
    // Two engines with a stereo input take the same stereo blocks; then one
    // gets one-channel blocks of x and the other two-channel blocks of x, x.
    // The one channel must reach both input channels: the outputs match.
    constexpr int block = 256;
    RariZuz mono, dual;
    for (RariZuz* e : { &mono, &dual })
    {
        prepare (*e, 2, 2, block);
        placeBar (*e, 0, 0.0f, 1.0f, 0.02f);
        placeBar (*e, 1, 0.0f, 0.5f, 0.05f);
        // Narrow bars: both input channels reach both outputs.
        e->setIndexedParameter (RariZuz::pWidth, 0.0f);
        e->setIndexedParameter (RariZuz::pWidth + 1, 0.2f);
        e->setIndexedParameter (RariZuz::pPan + 1, 0.6f);
    }

    const int preRoll = 8 * block, length = 48 * block;
    const auto left = noise (preRoll, 21, 0.4f), right = noise (preRoll, 22, 0.4f);
    const auto x = noise (length, 23, 0.4f);
    render (mono, { left, right }, 2, block);
    render (dual, { left, right }, 2, block);

    const auto expected = render (dual, { x, x }, 2, block);

    juce::AudioBuffer<float> buffer (1, block);
    juce::MidiBuffer midi;
    Signal out ((size_t) length, 0.0f);
    for (int start = 0; start < length; start += block)
    {
        buffer.copyFrom (0, 0, x.data() + start, block);
        mono.processBlock (buffer, midi);
        std::copy (buffer.getReadPointer (0), buffer.getReadPointer (0) + block, out.begin() + start);
    }

    EXPECT_GT (peakValue (expected[0], 0, length), 0.01f);
    int differing = 0;
    for (int s = 0; s < length; ++s)
        if (out[(size_t) s] != expected[0][(size_t) s])
            ++differing;
    EXPECT_EQ (differing, 0);
}
