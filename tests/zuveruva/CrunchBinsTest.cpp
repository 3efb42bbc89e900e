// Per-bin operations of the crunch engine on synthetic spectra.
#include "CrunchBins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
TEST (CrunchBins, SmoothingExponentRunsFromPointOneToPointEight)
{
    for (int m = 2; m <= 13; ++m)
    {
        const long n = 1L << m;
        const float expected = 0.1f + 0.7f * (float) (m - 2) / 11.0f;
        EXPECT_NEAR (CrunchBins::smoothingExponent (n), expected, 1e-6f) << "N = " << n;
    }
    EXPECT_NEAR (CrunchBins::smoothingExponent (4), 0.1f, 1e-6f);
    EXPECT_NEAR (CrunchBins::smoothingExponent (8192), 0.8f, 1e-6f);
}

TEST (CrunchBins, SmoothingCoefficientEndsAndShape)
{
    const float p = CrunchBins::smoothingExponent (1024);
    EXPECT_EQ (CrunchBins::smoothingCoefficient (0.0f, p), 0.0f);
    EXPECT_EQ (CrunchBins::smoothingCoefficient (1.0f, p), 1.0f);
    EXPECT_NEAR (CrunchBins::smoothingCoefficient (0.5f, p), std::pow (0.5f, p), 1e-6f);
    // Out of range and NaN controls are clipped, never NaN.
    EXPECT_EQ (CrunchBins::smoothingCoefficient (-0.5f, p), 0.0f);
    EXPECT_EQ (CrunchBins::smoothingCoefficient (3.0f, p), 1.0f);
    EXPECT_EQ (CrunchBins::smoothingCoefficient (std::nanf (""), p), 0.0f);

    // Rising with the control. Per frame, a long frame gets the smaller
    // coefficient (higher exponent), which its longer hop more than makes up.
    float last = 0.0f;
    for (int i = 1; i <= 100; ++i)
    {
        const float c = CrunchBins::smoothingCoefficient ((float) i / 100.0f, p);
        EXPECT_GE (c, last);
        last = c;
    }
    EXPECT_GT (CrunchBins::smoothingCoefficient (0.3f, CrunchBins::smoothingExponent (4)),
               CrunchBins::smoothingCoefficient (0.3f, CrunchBins::smoothingExponent (8192)));
}

struct CrossCase
{
    float depth, balance, gain;
    float amp, freq, auxAmp, auxFreq;
    float expectedAmp, expectedFreq;
};

TEST (CrunchBins, CrossTable)
{
    const CrossCase cases[] = {
        // balance 1: amplitudes from the auxiliary source, frequencies kept
        { 1.0f, 1.0f, 1.0f, 2.0f, 100.0f, 5.0f, 300.0f, 5.0f, 100.0f },
        { 1.0f, 1.0f, 0.5f, 2.0f, 100.0f, 5.0f, 300.0f, 2.5f, 100.0f },
        // balance 0: frequencies from the auxiliary source, amplitudes kept
        { 1.0f, 0.0f, 1.0f, 2.0f, 100.0f, 5.0f, 300.0f, 2.0f, 300.0f },
        // depth 0: nothing moves
        { 0.0f, 0.5f, 1.0f, 2.0f, 100.0f, 5.0f, 300.0f, 2.0f, 100.0f },
        // halfway everywhere
        { 0.5f, 0.5f, 1.0f, 2.0f, 100.0f, 6.0f, 300.0f,
          0.5f * 2.0f + (0.5f * 2.0f + 0.5f * 6.0f) * 0.5f,
          (0.5f * 100.0f + 0.5f * 300.0f) * 0.5f + 0.5f * 100.0f },
    };
    for (const auto& c : cases)
    {
        std::vector<float> amp (8, c.amp), freq (8, c.freq), auxAmp (8, c.auxAmp), auxFreq (8, c.auxFreq);
        CrunchBins::cross (amp.data(), freq.data(), auxAmp.data(), auxFreq.data(), 7, c.depth, c.balance, c.gain);
        for (int k = 0; k < 7; ++k)
        {
            EXPECT_NEAR (amp[(size_t) k], c.expectedAmp, 1e-5f) << "D " << c.depth << " B " << c.balance;
            EXPECT_NEAR (freq[(size_t) k], c.expectedFreq, 1e-3f) << "D " << c.depth << " B " << c.balance;
        }
        // Only `bins` entries are touched.
        EXPECT_EQ (amp[7], c.amp);
        EXPECT_EQ (freq[7], c.freq);
    }
}

TEST (CrunchBins, SmoothingConvergesFreezesAndFollowsAtOnce)
{
    const int bins = 16;
    std::vector<float> amp (bins), freq (bins), sa (bins, 0.0f), sf (bins, 0.0f);
    for (int k = 0; k < bins; ++k)
    {
        amp[(size_t) k] = 1.0f + (float) k;
        freq[(size_t) k] = 43.0f * (float) k;
    }

    // Coefficient 0: the state is the input at once.
    CrunchBins::smooth (amp.data(), freq.data(), sa.data(), sf.data(), bins, 0.0f, 0.0f);
    EXPECT_EQ (sa, amp);
    EXPECT_EQ (sf, freq);

    // Coefficient 1: frozen whatever the input.
    std::vector<float> other (bins, 123.0f);
    CrunchBins::smooth (other.data(), other.data(), sa.data(), sf.data(), bins, 1.0f, 1.0f);
    EXPECT_EQ (sa, amp);
    EXPECT_EQ (sf, freq);

    // A stationary input converges geometrically: residual c^m after m frames.
    std::fill (sa.begin(), sa.end(), 0.0f);
    std::fill (sf.begin(), sf.end(), 0.0f);
    const float cA = 0.9f, cF = 0.5f;
    for (int m = 1; m <= 40; ++m)
    {
        CrunchBins::smooth (amp.data(), freq.data(), sa.data(), sf.data(), bins, cA, cF);
        for (int k = 1; k < bins; ++k)
        {
            EXPECT_NEAR (sa[(size_t) k], amp[(size_t) k] * (1.0f - std::pow (cA, (float) m)), 1e-4f * amp[(size_t) k]);
            EXPECT_NEAR (sf[(size_t) k], freq[(size_t) k] * (1.0f - std::pow (cF, (float) m)), 1e-4f * freq[(size_t) k]);
        }
    }
}

TEST (CrunchBins, DeviationIsInBins)
{
    const int bins = 32;
    const float binWidth = 44100.0f / 64.0f;
    std::vector<float> f (bins), dev (bins, 99.0f);
    for (int k = 0; k < bins; ++k)
        f[(size_t) k] = ((float) k + 0.25f) * binWidth;
    CrunchBins::deviation (f.data(), dev.data(), bins, binWidth);
    for (int k = 0; k < bins; ++k)
        EXPECT_NEAR (dev[(size_t) k], 0.25f, 1e-4f);
    // A zero bin width never divides by zero.
    CrunchBins::deviation (f.data(), dev.data(), bins, 0.0f);
    for (float d : dev)
        EXPECT_TRUE (std::isfinite (d));
}

TEST (CrunchBins, MixTable)
{
    struct Case { float wet, gain, dry, wetIn, expected; };
    const Case cases[] = {
        { 0.0f, 1.0f, 4.0f, 7.0f, 1.0f },      // dry only, a quarter per frame
        { 0.0f, 1.0f, 4.0f, INFINITY, 1.0f },  // a dead wet frame cannot leak into the dry path
        { 1.0f, 2.0f, 4.0f, 7.0f, 14.0f },     // wet only, with the output gain
        { 0.5f, 1.0f, 4.0f, 6.0f, 0.5f + 3.0f },
    };
    for (const auto& c : cases)
    {
        std::vector<float> out (5, c.wetIn), dry (5, c.dry);
        CrunchBins::mix (out.data(), dry.data(), 4, c.wet, c.gain);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ (out[(size_t) i], c.expected) << "wet " << c.wet;
        EXPECT_EQ (out[4], c.wetIn);
    }
}

TEST (CrunchBins, AverageOfTwoChannels)
{
    std::vector<float> display { 1.0f, 2.0f, 3.0f }, right { 3.0f, 4.0f, 5.0f };
    CrunchBins::average (display.data(), right.data(), 3);
    EXPECT_EQ (display, (std::vector<float> { 2.0f, 3.0f, 4.0f }));
}
}
