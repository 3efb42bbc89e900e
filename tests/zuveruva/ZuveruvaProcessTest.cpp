// The crunch engine's audio path: latency and the dry path, bypass, freeze
// and "Sample", smoothing times, robustness and the real-time rules.
#include "ZuveruvaTestSupport.h"

#include "AllocationCounter.h"
#include "CrunchBins.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include "TestFolders.h"

using namespace zuveruva_test;

namespace
{
float bandsFor (int frame)
{
    int m = 0;
    while ((1 << m) < frame)
        ++m;
    return (float) (m - 2) / 11.0f;
}

// The output is the input delayed by exactly the reported latency once the
// first frames have been summed (before that, zeros, then a fade-in).
void expectDelayedCopy (const Signal& in, const Signal& out, int latency, int frame)
{
    for (int t = 0; t < latency; ++t)
        ASSERT_EQ (out[(size_t) t], 0.0f) << "t = " << t;
    for (size_t t = (size_t) (latency + frame); t < out.size(); ++t)
        ASSERT_NEAR (out[t], in[t - (size_t) latency], 2e-6f) << "t = " << t;
}

TEST (ZuveruvaProcess, MixZeroIsTheInputDelayedByTheReportedLatency)
{
    for (int frame : { 4, 128, 1024, 8192 })
        for (int block : { 1, 64, 1000, 1024, 4096 })
        {
            SCOPED_TRACE (testing::Message() << "N " << frame << " block " << block);
            Zuveruva fx;
            ASSERT_TRUE (prepare (fx, 2, 0, block));
            fx.setIndexedParameter (Zuveruva::kBands, bandsFor (frame));
            fx.setIndexedParameter (Zuveruva::kMix, 0.0f);
            fx.setIndexedParameter (Zuveruva::kGain, 1.0f); // the gain does not touch the dry path
            ASSERT_EQ (fx.getFrameSize(), frame);
            const int latency = fx.getLatencySamples();
            EXPECT_EQ (latency, frame - 1);

            const int length = latency + frame + 3 * 1024 + 17;
            Render r;
            r.in = { noise (length, frame + block), noise (length, frame * 3 + block) };
            r.block = block;
            const auto out = r.run (fx);
            expectDelayedCopy (r.in[0], out[0], latency, frame);
            expectDelayedCopy (r.in[1], out[1], latency, frame);
        }
}

TEST (ZuveruvaProcess, MonoAndVaryingBlocksKeepTheDelay)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 1, 0, 512));
    fx.setIndexedParameter (Zuveruva::kMix, 0.0f);
    fx.setIndexedParameter (Zuveruva::kBands, bandsFor (1024));
    const int latency = fx.getLatencySamples();
    const int length = 12000;
    const Signal in = noise (length, 5);
    Signal out ((size_t) length);
    juce::AudioBuffer<float> buffer (1, 1500);
    juce::MidiBuffer midi;
    juce::Random sizes (3);
    for (int offset = 0; offset < length;)
    {
        const int n = juce::jmin (length - offset, 1 + sizes.nextInt (1499));
        buffer.setSize (1, n, false, false, true);
        buffer.copyFrom (0, 0, in.data() + offset, n);
        fx.processBlock (buffer, midi);
        std::copy (buffer.getReadPointer (0), buffer.getReadPointer (0) + n, out.data() + offset);
        offset += n;
    }
    expectDelayedCopy (in, out, latency, 1024);
}

TEST (ZuveruvaProcess, BypassedBlocksAreTheDryPathCutIntoSlices)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 8192));
    fx.setIndexedParameter (Zuveruva::kBands, bandsFor (512));
    const int latency = fx.getLatencySamples();

    Render r;
    r.in = { noise (8192 * 3, 11), noise (8192 * 3, 12) };
    r.block = 8192;
    r.bypass = true; // mix stays at 100 %: the bypass forces the wet part to 0
    const auto out = r.run (fx);
    expectDelayedCopy (r.in[0], out[0], latency, 512);
    expectDelayedCopy (r.in[1], out[1], latency, 512);
}

struct ZuveruvaFreeze : testing::Test
{
    Zuveruva fx;
    static constexpr int phase = 16384;
    static constexpr double toneA = 440.0, toneB = 1000.0;

    void SetUp() override
    {
        ASSERT_TRUE (prepare (fx, 2, 0, 512));
        fx.setIndexedParameter (Zuveruva::kBands, bandsFor (1024));
        fx.setIndexedParameter (Zuveruva::kAmplitude, 1.0f);
        fx.setIndexedParameter (Zuveruva::kFrequency, 1.0f);
    }
};

TEST_F (ZuveruvaFreeze, FreezeKeepsTheSpectrumAndSampleRefreshesIt)
{
    // Phase 1: tone A while "Sample" is held. Phase 2: tone B, frozen.
    // Phase 3: tone B while "Sample" is held again.
    Signal in = sine (phase, toneA);
    const Signal b = sine (2 * phase, toneB, 0.5f, phase);
    in.insert (in.end(), b.begin(), b.end());

    Render r;
    r.in = { in, in };
    r.beforeBlock = [this] (int offset) {
        fx.setIndexedParameter (Zuveruva::kSample, (offset < phase || offset >= 2 * phase) ? 1.0f : 0.0f);
    };
    const auto out = r.run (fx);
    const int settle = fx.getLatencySamples() + 1024;

    const double a2 = toneLevel (out[0], phase + settle, 2 * phase, toneA);
    const double b2 = toneLevel (out[0], phase + settle, 2 * phase, toneB);
    EXPECT_GT (a2, 0.2);
    EXPECT_LT (b2, 0.01 * a2);

    // The running synthesis phases of the new bins start from wherever they
    // were, so the level is lower than the input's; the old tone is gone.
    const double a3 = toneLevel (out[0], 2 * phase + settle, 3 * phase, toneA);
    const double b3 = toneLevel (out[0], 2 * phase + settle, 3 * phase, toneB);
    EXPECT_GT (b3, 0.05);
    EXPECT_LT (a3, 0.01 * b3);
    // The right channel is the same.
    EXPECT_NEAR (toneLevel (out[1], 2 * phase + settle, 3 * phase, toneB), b3, 1e-6);
}

TEST_F (ZuveruvaFreeze, AFrozenEffectStartsSilentUntilSampled)
{
    Render r;
    r.in = { sine (phase, toneA), sine (phase, toneA) };
    const auto out = r.run (fx);
    for (float x : out[0])
        ASSERT_EQ (x, 0.0f);
}

// One frame per block (block = hop): the smoothed value of a bin after each
// frame, read through the display arrays.
struct StepCase
{
    bool amplitudeSide; // true: "Amplitude" smooths a level step; false: "Frequency" a quarter-bin step
    float control;
};

TEST (ZuveruvaProcess, SmoothingFollowsAStepWithTheConfiguredCoefficient)
{
    const StepCase cases[] = { { true, 0.6f }, { true, 0.3f }, { false, 0.6f }, { false, 0.85f } };
    const int frame = 1024, hop = frame / 4, bin = 40;
    const double binHz = sampleRate / frame;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << (c.amplitudeSide ? "amplitude " : "frequency ") << c.control);
        Zuveruva fx;
        ASSERT_TRUE (prepare (fx, 1, 0, hop));
        fx.setIndexedParameter (Zuveruva::kBands, bandsFor (frame));
        fx.setIndexedParameter (Zuveruva::kAmplitude, c.amplitudeSide ? c.control : 0.0f);
        fx.setIndexedParameter (Zuveruva::kFrequency, c.amplitudeSide ? 0.0f : c.control);
        const float coefficient = CrunchBins::smoothingCoefficient (c.control, CrunchBins::smoothingExponent (frame));

        // Before the step: silence (amplitude side) or a tone on the bin
        // (frequency side); after it: a tone on the bin, or a quarter bin above.
        const int before = 32 * hop, after = 80 * hop;
        Signal in = c.amplitudeSide ? Signal ((size_t) before, 0.0f) : sine (before, bin * binHz);
        const Signal step = sine (after, (bin + (c.amplitudeSide ? 0.0 : 0.25)) * binHz, 0.5f, before);
        in.insert (in.end(), step.begin(), step.end());

        std::vector<double> track;
        Render r;
        r.in = { in };
        r.block = hop;
        r.beforeBlock = [&] (int offset) {
            // "Sample" holds the state on the input until shortly before the
            // step, so the smoothing starts from the settled value.
            fx.setIndexedParameter (Zuveruva::kSample, offset < before - 8 * hop ? 1.0f : 0.0f);
            if (offset == 0)
                return;
            if (c.amplitudeSide)
            {
                long n = 0;
                track.push_back (fx.GetSpectrum (&n)[bin]);
                EXPECT_EQ (n, frame / 2);
            }
            else
            {
                track.push_back (fx.GetDeviation()[bin]);
            }
        };
        r.run (fx);

        // Once the frames lie wholly after the step, each frame moves the
        // state by the coefficient: successive increments shrink by it.
        const size_t first = (size_t) (before / hop) + 4;
        const double span = std::fabs (track.back() - track[first]);
        int checked = 0;
        for (size_t m = first; m + 2 < track.size() && checked < 8; ++m)
        {
            const double d0 = track[m + 1] - track[m], d1 = track[m + 2] - track[m + 1];
            if (std::fabs (d0) < 1e-3 * span)
                break;
            EXPECT_NEAR (d1 / d0, coefficient, 0.01) << "frame " << m;
            ++checked;
        }
        EXPECT_GE (checked, 3);

        // Converged on the stationary tone when the render was long enough.
        if (std::pow (coefficient, (double) (track.size() - first)) < 1e-4)
        {
            if (c.amplitudeSide)
                EXPECT_GT (track.back(), 10.0);
            else
                EXPECT_NEAR (track.back(), 0.25, 0.01);
            EXPECT_NEAR (track[track.size() - 2], track.back(), 1e-3 * span);
        }
    }
}

TEST (ZuveruvaProcess, RandomAutomationNeverYieldsNanInfOrSubnormals)
{
    TestDialogs dialogs; // "Load File" is cancelled
    ScopedDialogs scoped (dialogs);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 2, 1024));
    juce::Random random (1234);
    juce::AudioBuffer<float> buffer (4, 1500);
    juce::MidiBuffer midi;

    for (int blockIndex = 0; blockIndex < 120; ++blockIndex)
    {
        for (int k = 0; k < 3; ++k)
        {
            const int index = random.nextInt (37);
            const int kind = random.nextInt (10);
            float v = random.nextFloat() * 2.0f - 0.5f;
            if (kind == 0)
                v = std::nanf ("");
            else if (kind == 1)
                v = (random.nextBool() ? 1.0f : -1.0f) * INFINITY;
            else if (kind < 5)
                v = random.nextBool() ? 0.0f : 1.0f;
            if (index == Zuveruva::kBands && blockIndex % 10 != 0)
                continue; // keep the renders short: few size changes
            fx.setIndexedParameter (index, v);
        }

        const int n = 1 + random.nextInt (1499);
        buffer.setSize (4, n, false, false, true);
        const int signal = random.nextInt (4);
        for (int c = 0; c < 4; ++c)
        {
            float* d = buffer.getWritePointer (c);
            for (int i = 0; i < n; ++i)
            {
                switch (signal)
                {
                    case 0: d[i] = 0.0f; break;
                    case 1: d[i] = 1.0e-39f * (random.nextBool() ? 1.0f : -1.0f); break; // subnormal input
                    case 2: d[i] = 2.0f * random.nextFloat() - 1.0f; break;
                    default: d[i] = (float) std::sin (0.05 * i) * 8.0f; break;
                }
            }
        }
        fx.processBlock (buffer, midi);
        for (int c = 0; c < 2; ++c)
        {
            const float* d = buffer.getReadPointer (c);
            for (int i = 0; i < n; ++i)
                ASSERT_TRUE (isNormalOrZero (d[i])) << "block " << blockIndex << " ch " << c << " i " << i << " x " << d[i];
        }
    }
}

TEST (ZuveruvaProcess, ProcessBlockDoesNotAllocate)
{
    const ScopedTestFolder folder { "zuveruva-alloc" };
    const juce::File& dir = folder.dir;
    const auto wav = writeWav (dir.getChildFile ("aux.wav"), 2, 44100, 700.0);

    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 2, 4096));
    fx.loadAuxFile (wav.getFullPathName());
    ASSERT_TRUE (fx.hasAuxReader());
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);

    juce::AudioBuffer<float> buffer (4, 4096);
    juce::MidiBuffer midi;
    auto render = [&] (int n, bool bypass) {
        buffer.setSize (4, n, false, false, true);
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < n; ++i)
                buffer.setSample (c, i, 0.25f * (float) std::sin (0.01 * (i + c)));
        AllocationCounter count;
        if (bypass)
            fx.processBlockBypassed (buffer, midi);
        else
            fx.processBlock (buffer, midi);
        return count.allocations();
    };

    for (int n : { 64, 1000 })
        render (n, false); // warm-up
    for (float source : { 1.0f / 3.0f, 2.0f / 3.0f, 0.0f })
    {
        fx.setIndexedParameter (Zuveruva::kAuxOn, source);
        for (int n : { 1, 64, 1000, 1024, 4096 })
        {
            EXPECT_EQ (render (n, false), 0u) << "source " << source << " n " << n;
            EXPECT_EQ (render (n, true), 0u) << "bypassed, source " << source << " n " << n;
        }
    }
    dir.deleteRecursively();
}
} // namespace
