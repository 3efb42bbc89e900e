#include "SpectralDelayFrame.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace
{
constexpr int64_t kN = 256;
constexpr int64_t kHalf = kN / 2;
constexpr int64_t kFrames = 10;

// A bar over the display frequencies fa..fb at a constant delay coordinate,
// 0 dB, no smoothness, active and unmuted.
BarFreq flatBar (float fa, float fb, float delay)
{
    BarFreq bar;
    bar.init (fa, delay, fb, delay);
    bar.reset();
    bar.setAmplitude (1.0f);
    bar.active = true;
    bar.mute = false;
    return bar;
}

// Display frequency whose bin is k (exactly on it).
float freqOfBin (int64_t k)
{
    return std::sqrt (static_cast<float> (k) / static_cast<float> (kHalf)) + 1e-6f;
}

struct FrameFixture : ::testing::Test
{
    FrameFixture()
    {
        for (auto& line : lineStore)
            line.init (kFrames, kN);
        for (auto& f : inputs)
            f.assign (kN, 0.0f);
        for (auto& f : outputs)
            f.assign (kN, 0.0f);
    }

    // Runs one frame whose input spectra are filled by fill(channel, i).
    template <typename Fill>
    void run (const std::vector<BarFreq>& bars, Fill fill)
    {
        for (int c = 0; c < 2; ++c)
            for (int64_t i = 0; i < kN; ++i)
                inputs[c][static_cast<size_t> (i)] = fill (c, i);
        const float* in[2] = { inputs[0].data(), inputs[1].data() };
        float* out[8];
        for (int c = 0; c < 8; ++c)
            out[c] = outputs[c].data();
        MyBuffersArray<float>* lines[2] = { &lineStore[0], &lineStore[1] };
        frame.process (settings, in, out, lines, bars.data(), static_cast<int> (bars.size()));
    }

    float out (int c, int64_t i) const { return outputs[c][static_cast<size_t> (i)]; }

    SpectralDelayFrame frame { 131072 };
    SpectralFrameSettings settings { kN, 1, 1, 1.0f, 1.0f };
    MyBuffersArray<float> lineStore[2];
    std::vector<float> inputs[2];
    std::vector<float> outputs[8];
};

float ramp (int c, int64_t i)
{
    return 0.01f * static_cast<float> (i + 1) * (c == 0 ? 1.0f : -2.0f);
}
} // namespace

TEST_F (FrameFixture, WithoutBarsOnlyTheDryPartRemains)
{
    run ({}, ramp);
    for (int64_t i = 0; i < kN; ++i)
        EXPECT_EQ (out (0, i), 0.0f);

    settings.mix = 0.0f;
    settings.numOutputs = 2;
    run ({}, ramp);
    for (int64_t i = 0; i < kN; ++i)
    {
        EXPECT_FLOAT_EQ (out (0, i), 0.707f * ramp (0, i));
        EXPECT_FLOAT_EQ (out (1, i), 0.707f * ramp (0, i)) << "mono input feeds both dry parts";
    }

    settings.numInputs = 2;
    run ({ flatBar (0.0f, 1.0f, 0.0f) }, ramp);
    for (int64_t i = 0; i < kN; ++i)
    {
        EXPECT_FLOAT_EQ (out (0, i), 0.707f * ramp (0, i));
        EXPECT_FLOAT_EQ (out (1, i), 0.707f * ramp (1, i));
    }
}

TEST_F (FrameFixture, DelayZeroBarPassesItsBinsOnly)
{
    const BarFreq bar = flatBar (0.3f, 0.6f, 0.0f);
    int64_t lo = 0, hi = 0;
    SpectralDelayFrame::barBinRange (bar, kHalf, lo, hi);
    EXPECT_EQ (lo, static_cast<int64_t> (0.09f * kHalf));
    EXPECT_EQ (hi, static_cast<int64_t> (0.36f * kHalf));

    run ({ bar }, ramp);
    for (int64_t k = 0; k < kHalf; ++k)
    {
        const bool inside = k >= lo && k < hi;
        EXPECT_EQ (out (0, 2 * k), inside ? ramp (0, 2 * k) : 0.0f) << k;
        EXPECT_EQ (out (0, 2 * k + 1), inside ? ramp (0, 2 * k + 1) : 0.0f) << k;
    }
}

TEST_F (FrameFixture, MutedOrInactiveBarsAreSilent)
{
    BarFreq muted = flatBar (0.0f, 1.0f, 0.0f);
    muted.mute = true;
    BarFreq inactive = flatBar (0.0f, 1.0f, 0.0f);
    inactive.active = false;
    run ({ muted, inactive }, ramp);
    for (int64_t i = 0; i < kN; ++i)
        EXPECT_EQ (out (0, i), 0.0f);
}

TEST_F (FrameFixture, SingleBinBars)
{
    // Same frequency at both ends: along the delay axis, one bin, silent.
    run ({ flatBar (0.5f, 0.5f, 0.0f) }, ramp);
    for (int64_t i = 0; i < kN; ++i)
        EXPECT_EQ (out (0, i), 0.0f);

    // Two ends in the same bin: the bin below is covered.
    const int64_t k = 40;
    const BarFreq narrow = flatBar (freqOfBin (k), freqOfBin (k) + 1e-4f, 0.0f);
    int64_t lo = 0, hi = 0;
    SpectralDelayFrame::barBinRange (narrow, kHalf, lo, hi);
    EXPECT_EQ (lo, k - 1);
    EXPECT_EQ (hi, k);
    run ({ narrow }, ramp);
    for (int64_t j = 0; j < kHalf; ++j)
        EXPECT_EQ (out (0, 2 * j), j == k - 1 ? ramp (0, 2 * j) : 0.0f) << j;

    // At the bottom: bin 0 only.
    const BarFreq bottom = flatBar (0.0f, 1e-4f, 0.0f);
    SpectralDelayFrame::barBinRange (bottom, kHalf, lo, hi);
    EXPECT_EQ (lo, 0);
    EXPECT_EQ (hi, 1);
}

TEST_F (FrameFixture, DelayIndexReadsThePastFrame)
{
    struct Case
    {
        float delay;
        int64_t framesBack;
    };
    // A delay of 1 (the documented maximum) and beyond reads the oldest frame;
    // negative delays read the newest.
    const Case cases[] = { { 0.0f, 0 }, { 0.3f, 3 }, { 0.55f, 5 }, { 0.999f, 9 },
                           { 1.0f, 9 }, { 1.7f, 9 }, { 2.0f, 9 }, { -0.5f, 0 }, { -1.0f, 0 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.delay);
        for (auto& line : lineStore)
            line.release();
        for (auto& line : lineStore)
            line.init (kFrames, kN);
        // Frames 1..25 go in; the bar then reads frame 25 - framesBack.
        const int last = 25;
        for (int f = 1; f < last; ++f)
            run ({}, [f] (int, int64_t) { return static_cast<float> (f); });
        run ({ flatBar (0.0f, 1.0f, c.delay) }, [] (int, int64_t) { return static_cast<float> (last); });
        EXPECT_EQ (out (0, 10), static_cast<float> (last - c.framesBack));
        EXPECT_EQ (SpectralDelayFrame::delayFramesBack (c.delay, kFrames), c.framesBack);
    }
    EXPECT_EQ (SpectralDelayFrame::delayFramesBack (std::nanf (""), kFrames), 0);
}

TEST_F (FrameFixture, SlantedBarReadsEachBinAtItsOwnDelay)
{
    // Frame f holds the value f in every bin.
    for (int f = 1; f <= 20; ++f)
        run ({}, [f] (int, int64_t) { return static_cast<float> (f); });
    BarFreq slanted = flatBar (0.2f, 0.9f, 0.0f);
    slanted.init (0.2f, 0.0f, 0.9f, 0.95f);
    run ({ slanted }, [] (int, int64_t) { return 21.0f; });

    int64_t lo = 0, hi = 0;
    SpectralDelayFrame::barBinRange (slanted, kHalf, lo, hi);
    for (int64_t k = lo; k < hi; ++k)
    {
        const float d = slanted.getDelay (static_cast<float> (k) / static_cast<float> (kHalf));
        const int64_t back = SpectralDelayFrame::delayFramesBack (d, kFrames);
        EXPECT_EQ (out (0, 2 * k), static_cast<float> (21 - back)) << k;
    }
    EXPECT_EQ (out (0, 2 * lo), 21.0f);
    EXPECT_EQ (out (0, 2 * (hi - 1)), 21.0f - 9.0f);
}

TEST_F (FrameFixture, FeedbackFillsQuietBinsOfTheNewestFrame)
{
    const float delay = 0.3f; // three frames back
    for (int f = 0; f < 5; ++f)
        run ({}, [] (int, int64_t) { return 0.1f; }); // power 0.02: room for feedback

    // The newest frame: quiet in the lower half, loud (power >= 0.8) above.
    auto newest = [] (int, int64_t i) { return i < kN / 2 ? 0.2f : 0.7f; };
    BarFreq bar = flatBar (0.0f, 1.0f, delay);
    bar.feedback = 0.5f;
    run ({ bar }, newest);
    const float* stored = lineStore[0].getNewest();
    for (int64_t i = 0; i < kN - 2; ++i)
    {
        const float expected = i < kN / 2 ? 0.2f + 0.5f * 0.1f : 0.7f;
        EXPECT_FLOAT_EQ (stored[i], expected) << i;
    }

    // 0.01 or less adds nothing.
    bar.feedback = 0.01f;
    run ({ bar }, newest);
    stored = lineStore[0].getNewest();
    EXPECT_EQ (stored[4], 0.2f);
}

TEST_F (FrameFixture, Panning)
{
    settings.numOutputs = 2;
    BarFreq bar = flatBar (0.0f, 1.0f, 0.0f);
    bar.width = 0.0f;
    run ({ bar }, ramp);
    EXPECT_FLOAT_EQ (out (0, 20), 0.5f * ramp (0, 20));
    EXPECT_FLOAT_EQ (out (1, 20), 0.5f * ramp (0, 20));

    bar.pan = 1.0f; // hard right
    run ({ bar }, ramp);
    EXPECT_FLOAT_EQ (out (0, 20), 0.0f);
    EXPECT_FLOAT_EQ (out (1, 20), ramp (0, 20));

    // Stereo input: input 0 at pan - width, input 1 at pan + width, both / 1.414.
    settings.numInputs = 2;
    bar.pan = 0.5f;
    bar.width = 1.0f;
    run ({ bar }, ramp);
    EXPECT_NEAR (out (0, 20), ramp (0, 20) / 1.414f, 1e-6f);
    EXPECT_NEAR (out (1, 20), ramp (1, 20) / 1.414f, 1e-6f);

    // Stereo input to a mono output: line 1 is written but not read.
    settings.numOutputs = 1;
    run ({ bar }, ramp);
    EXPECT_NEAR (out (0, 20), ramp (0, 20) / 1.414f, 1e-6f);
}

TEST_F (FrameFixture, AmplitudeAndGainScaleTheWetPart)
{
    BarFreq bar = flatBar (0.0f, 1.0f, 0.0f);
    bar.setAmplitude (0.5f); // -20 dB
    settings.linearGain = 2.0f;
    settings.mix = 0.25f;
    run ({ bar }, ramp);
    const double expected = 0.1 * 2.0 * ramp (0, 30) * 0.25 + ramp (0, 30) * 0.75 * 0.707;
    EXPECT_NEAR (out (0, 30), expected, 1e-6);
}

TEST_F (FrameFixture, SurroundSlotMaps)
{
    float channels[8][1];
    float* ch[8];
    for (int c = 0; c < 8; ++c)
        ch[c] = channels[c];
    struct Case
    {
        int outputs;
        int slotOfChannel[8];
    };
    const Case cases[] = {
        { 1, { 0, -1, -1, -1, -1, -1, -1, -1 } },
        { 2, { 0, 1, -1, -1, -1, -1, -1, -1 } },
        { 4, { 0, 1, 3, 4, -1, -1, -1, -1 } },
        { 5, { 0, 1, 3, 4, 2, -1, -1, -1 } },
        { 6, { 0, 1, 2, 7, 3, 4, -1, -1 } },
        { 7, { 0, -1, -1, -1, -1, -1, -1, -1 } },
        { 8, { 0, 1, 5, 6, 2, 7, 3, 4 } },
    };
    for (const auto& c : cases)
    {
        float* slots[8];
        SpectralDelayFrame::mapSurroundSlots (c.outputs, ch, slots);
        int named = 0;
        for (int k = 0; k < 8; ++k)
            if (c.slotOfChannel[k] >= 0)
            {
                EXPECT_EQ (slots[c.slotOfChannel[k]], ch[k]) << c.outputs << " outputs, channel " << k;
                ++named;
            }
        int nonNull = 0;
        for (auto* s : slots)
            nonNull += s != nullptr ? 1 : 0;
        EXPECT_EQ (nonNull, named);
    }
}

TEST_F (FrameFixture, RandomBarsNeverMakeNonFiniteOutput)
{
    std::mt19937 rng (7);
    std::uniform_real_distribution<float> any (-1.5f, 2.5f), unit (0.0f, 1.0f);
    for (int layout = 0; layout < 8; ++layout)
    {
        settings.numInputs = 1 + layout % 2;
        settings.numOutputs = 1 + layout;
        for (int round = 0; round < 20; ++round)
        {
            std::vector<BarFreq> bars (8);
            for (auto& b : bars)
            {
                b.init (any (rng), any (rng), any (rng), any (rng));
                b.setAmplitude (unit (rng));
                b.feedback = unit (rng);
                b.pan = unit (rng);
                b.width = unit (rng);
                b.smoothness = unit (rng) < 0.3f ? 0.0f : unit (rng);
                b.active = unit (rng) < 0.8f;
                b.mute = unit (rng) < 0.2f;
            }
            settings.mix = unit (rng);
            run (bars, [&] (int, int64_t) { return any (rng); });
            for (int c = 0; c < settings.numOutputs; ++c)
                for (int64_t i = 0; i < kN; ++i)
                    ASSERT_TRUE (std::isfinite (out (c, i))) << layout << " " << round;
        }
    }
}

namespace
{
// A bar at a time, a line at a time, a bin at a time: the plain reading the
// engine's blocked and vectorised one must equal to the bit (same operations
// on every float, in the same order).
void referenceFrame (const SpectralFrameSettings& settings, const float* const* in, float* const* out,
                     MyBuffersArray<float>* const* lines, const std::vector<BarFreq>& bars)
{
    const int64_t n = settings.fftSize;
    const int64_t half = n / 2;
    const bool stereoIn = settings.numInputs == 2;
    const int numOutputs = settings.numOutputs;
    lines[0]->push (in[0]);
    if (stereoIn)
        lines[1]->push (in[1]);
    for (int c = 0; c < numOutputs; ++c)
        std::fill (out[c], out[c] + n, 0.0f);
    float* slots[8];
    SpectralDelayFrame::mapSurroundSlots (numOutputs, out, slots);

    // Panning gain j goes to slot gainSlot[j]; the gains each layout uses.
    const int gainSlot[8] = { 0, 2, 1, 3, 4, 7, 5, 6 };
    std::vector<int> used { 0 };
    if (numOutputs >= 7)
        used = { 0, 1, 2, 3, 4, 5, 6, 7 };
    else if (numOutputs >= 5)
        used = { 0, 1, 2, 3, 4 };
    else if (numOutputs == 4)
        used = { 0, 2, 3, 4 };
    else if (numOutputs >= 2)
        used = { 0, 2 };
    auto pan = [numOutputs] (float x, float* g) {
        std::fill (g, g + 8, 0.0f);
        g[0] = 1.0f;
        if (numOutputs == 2)
            GetAmplStereo (x, &g[0], &g[2]);
        else if (numOutputs == 4)
            GetAmplQuad (x, &g[0], &g[2], &g[3], &g[4]);
        else if (numOutputs == 5 || numOutputs == 6)
            GetAmpl50 (x, &g[0], &g[1], &g[2], &g[3], &g[4]);
        else if (numOutputs >= 7)
            GetAmplOcto (x, &g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7]);
    };

    const int64_t count = static_cast<int64_t> (lines[0]->getCount());
    for (const BarFreq& bar : bars)
    {
        if (! bar.active || bar.mute)
            continue;
        if (Clip (0.0f, 1.0f, static_cast<float> (bar.f1)) == Clip (0.0f, 1.0f, static_cast<float> (bar.f2)))
            continue;
        int64_t lo = 0, hi = 0;
        SpectralDelayFrame::barBinRange (bar, half, lo, hi);
        const float amp = bar.ampLinear * settings.linearGain;

        AmplSurround g[2] {};
        const double position = (static_cast<double> (bar.pan) - 0.5) * 2.0;
        const double spread = (numOutputs == 2 ? 1.0 : 0.25) * static_cast<double> (bar.width);
        pan (Clip (-1.0f, 1.0f, static_cast<float> (position - spread)), g[0].g);
        if (stereoIn)
        {
            pan (Clip (-1.0f, 1.0f, static_cast<float> (position + spread)), g[1].g);
            CorrectAmplSurround (&g[0], &g[1]);
        }

        for (int line = 0; line < (stereoIn && numOutputs >= 2 ? 2 : 1); ++line)
            for (int64_t k = lo; k < hi; ++k)
            {
                const bool flat = bar.f1 == bar.f2 || bar.d1 == bar.d2;
                const float x = flat ? 0.0f : static_cast<float> (k) / static_cast<float> (half);
                const float* src = lines[line]->getFrameBack (SpectralDelayFrame::delayFramesBack (bar.getDelay (x), count));
                float* newest = lines[line]->getNewest();
                const bool tapered = bar.smoothness > 0.0f;
                const float c = tapered ? bar.getCorrectAmp (static_cast<float> (k - lo) / static_cast<float> (hi - lo)) : 1.0f;
                const float v[2] = { tapered ? c * src[2 * k] : src[2 * k], tapered ? c * src[2 * k + 1] : src[2 * k + 1] };
                if (bar.feedback > 0.01f && newest[2 * k] * newest[2 * k] + newest[2 * k + 1] * newest[2 * k + 1] < 0.8f)
                    for (int e = 0; e < 2; ++e)
                        newest[2 * k + e] = newest[2 * k + e] + bar.feedback * v[e];
                for (int j : used)
                    if (float* slot = slots[gainSlot[j]])
                        for (int e = 0; e < 2; ++e)
                            slot[2 * k + e] = slot[2 * k + e] + g[line].g[j] * (amp * v[e]);
            }
    }

    // The dry part: slots 0 and 1 get m x wet + (1 - m) x 0.707 x dry in
    // double precision, the other slots the layout uses m x wet.
    const double wet = settings.mix;
    const double dryGain = (1.0 - wet) * 0.707;
    const float* dry[2] = { in[0], stereoIn ? in[1] : in[0] };
    for (int s = 0; s < 8; ++s)
    {
        if (slots[s] == nullptr || (s == 1 && numOutputs < 2))
            continue;
        for (int64_t i = 0; i < n; ++i)
            slots[s][i] = s < 2 ? static_cast<float> (static_cast<double> (slots[s][i]) * wet + static_cast<double> (dry[s][i]) * dryGain)
                                : slots[s][i] * settings.mix;
    }
    if (numOutputs == 6)
        std::fill (slots[7], slots[7] + n, 0.0f);
}
} // namespace

// Random bars (flat, slanted, overlapping, reading the newest frame, with and
// without taper and feedback, odd bin counts) over every layout and wet
// share: the outputs and both lines' newest frames equal the plain reading
// to the bit, with vectors of every width the processor has.
TEST (SpectralDelayFrameKernel, MatchesThePlainReadingToTheBit)
{
    constexpr int64_t n = 512;
    constexpr int64_t frames = 12;
    std::mt19937 rng (11);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f), value (-0.8f, 0.8f);

    struct Layout
    {
        int inputs, outputs;
    };
    const Layout layouts[] = { { 1, 1 }, { 2, 1 }, { 1, 2 }, { 2, 2 }, { 2, 4 }, { 1, 5 }, { 2, 6 }, { 2, 8 } };
    std::vector<int> widths;
    for (int w = 4; w <= SpectralDelayFrame::widestVectorFloats(); w *= 2)
        widths.push_back (w);

    for (const int width : widths)
        for (const auto& layout : layouts)
            for (int round = 0; round < 9; ++round)
            {
                const float mix = round < 3 ? 1.0f : (round < 6 ? 0.35f : 0.0f);
                SCOPED_TRACE (testing::Message() << width << " floats a vector, " << layout.inputs << " in, "
                                                 << layout.outputs << " out, round " << round);
                const SpectralFrameSettings settings { n, layout.inputs, layout.outputs, mix, 0.9f };

                std::vector<BarFreq> bars (8);
                for (size_t b = 0; b < bars.size(); ++b)
                {
                    BarFreq& bar = bars[b];
                    const float f1 = unit (rng), f2 = unit (rng);
                    const float d1 = unit (rng), d2 = b % 3 == 0 ? d1 : unit (rng);
                    bar.init (f1, b == 1 ? 0.0f : d1, b % 4 == 2 ? -0.2f : f2, b == 1 ? 0.0f : d2);
                    bar.reset();
                    bar.setAmplitude (0.5f + 0.5f * unit (rng));
                    // Neighbours alike and unlike in feedback and taper.
                    bar.feedback = unit (rng) < 0.6f ? unit (rng) : 0.0f;
                    bar.pan = unit (rng);
                    bar.width = unit (rng);
                    bar.smoothness = unit (rng) < 0.35f ? 0.0f : unit (rng);
                    bar.active = round > 0 || b != 5;
                    bar.mute = b == 7 && round % 2 == 0;
                }

                MyBuffersArray<float> mine[2], plain[2];
                for (int line = 0; line < 2; ++line)
                {
                    mine[line].init (frames, n);
                    plain[line].init (frames, n);
                }
                std::vector<float> frame ((size_t) n);
                for (int f = 0; f < frames + 3; ++f)
                    for (int line = 0; line < 2; ++line)
                    {
                        for (auto& x : frame)
                            x = value (rng);
                        mine[line].push (frame.data());
                        plain[line].push (frame.data());
                    }

                std::vector<float> inputs[2], outMine[8], outPlain[8];
                for (auto& x : inputs)
                {
                    x.resize ((size_t) n);
                    for (auto& v : x)
                        v = value (rng);
                }
                float* pm[8];
                float* pp[8];
                for (int c = 0; c < 8; ++c)
                {
                    outMine[c].assign ((size_t) n, 0.0f);
                    outPlain[c].assign ((size_t) n, 0.0f);
                    pm[c] = outMine[c].data();
                    pp[c] = outPlain[c].data();
                }
                const float* in[2] = { inputs[0].data(), inputs[1].data() };
                MyBuffersArray<float>* linesMine[2] = { &mine[0], &mine[1] };
                MyBuffersArray<float>* linesPlain[2] = { &plain[0], &plain[1] };

                SpectralDelayFrame engine (n);
                engine.setVectorFloats (width);
                ASSERT_EQ (engine.vectorFloats(), width);
                engine.process (settings, in, pm, linesMine, bars.data(), (int) bars.size());
                referenceFrame (settings, in, pp, linesPlain, bars);

                for (int c = 0; c < layout.outputs; ++c)
                    for (int64_t i = 0; i < n; ++i)
                        ASSERT_EQ (outMine[c][(size_t) i], outPlain[c][(size_t) i]) << "output " << c << ", float " << i;
                for (int line = 0; line < 2; ++line)
                    for (int64_t i = 0; i < n; ++i)
                        ASSERT_EQ (mine[line].getNewest()[i], plain[line].getNewest()[i]) << "line " << line << ", float " << i;
            }
}
