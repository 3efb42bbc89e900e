#include "BarFreq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

TEST (BarFreq, DefaultsAndReset)
{
    BarFreq bar;
    EXPECT_EQ (bar.f1, static_cast<double> (0.1f));
    EXPECT_EQ (bar.d1, static_cast<double> (0.05f));
    EXPECT_EQ (bar.f2, static_cast<double> (0.1f));
    EXPECT_EQ (bar.d2, static_cast<double> (0.25f));
    EXPECT_EQ (bar.power, 2.0f);
    EXPECT_FLOAT_EQ (bar.amplitude, 0.9f);
    EXPECT_NEAR (bar.ampLinear, std::pow (10.0f, -0.2f), 1e-6f);
    EXPECT_FALSE (bar.active);
    EXPECT_TRUE (bar.mute);
    EXPECT_EQ (bar.pan, 0.5f);
    EXPECT_EQ (bar.width, 0.5f);

    bar.setAmplitude (0.2f);
    bar.feedback = 0.7f;
    bar.smoothness = 0.3f;
    bar.active = true;
    bar.mute = false;
    bar.agitation[3] = 1.0f;
    bar.reset();
    EXPECT_FLOAT_EQ (bar.amplitude, 0.9f);
    EXPECT_NEAR (bar.ampLinear, std::pow (10.0f, -0.2f), 1e-6f);
    EXPECT_EQ (bar.feedback, 0.0f);
    EXPECT_EQ (bar.smoothness, 0.0f);
    EXPECT_FALSE (bar.active);
    EXPECT_TRUE (bar.mute);
    EXPECT_EQ (bar.agitation[3], 0.0f);
    EXPECT_EQ (bar.f1, static_cast<double> (0.1f)); // geometry kept
}

TEST (BarFreq, InitOrdersAndLimitsEnds)
{
    BarFreq bar;
    bar.init (0.25f, 0.1f, 0.05f, 0.1f);
    EXPECT_EQ (bar.f1, static_cast<double> (0.05f));
    EXPECT_EQ (bar.d1, static_cast<double> (0.1f));
    EXPECT_EQ (bar.f2, static_cast<double> (0.25f));
    EXPECT_EQ (bar.d2, static_cast<double> (0.1f));
    EXPECT_FLOAT_EQ (bar.getAngle(), 0.5f);
    EXPECT_FLOAT_EQ (bar.getFreq(), 0.15f);

    bar.init (-5.0f, 7.0f, 3.0f, -2.0f);
    EXPECT_EQ (bar.f1, -1.0);
    EXPECT_EQ (bar.d1, 2.0);
    EXPECT_EQ (bar.f2, 2.0);
    EXPECT_EQ (bar.d2, -1.0);
}

TEST (BarFreq, BandEdgesAndDelayAlongTheBar)
{
    BarFreq bar;
    bar.init (0.2f, 0.1f, 0.6f, 0.5f);
    EXPECT_FLOAT_EQ (bar.getF1(), 0.04f);
    EXPECT_FLOAT_EQ (bar.getF2(), 0.36f);
    // Delay is linear in the frequency coordinate sqrt(x).
    EXPECT_NEAR (bar.getDelay (0.16f), 0.3f, 1e-6f);  // u = 0.4, halfway
    EXPECT_NEAR (bar.getDelay (0.01f), 0.1f, 1e-6f);  // below the band: d1
    EXPECT_NEAR (bar.getDelay (0.81f), 0.5f, 1e-6f);  // above: d2

    // A bar along the delay axis: one delay everywhere, silent.
    BarFreq vertical;
    vertical.init (0.3f, 0.6f, 0.3f, 0.2f);
    for (float x : { 0.0f, 0.09f, 0.5f, 1.0f })
        EXPECT_FLOAT_EQ (vertical.getDelay (x), 0.2f);
    EXPECT_EQ (vertical.getCorrectAmp (0.5f), 0.0f);

    // Wholly above frequency 1: silent as well.
    BarFreq high;
    high.init (1.2f, 0.1f, 1.5f, 0.1f);
    EXPECT_EQ (high.getCorrectAmp (0.3f), 0.0f);
}

TEST (BarFreq, EdgeTaper)
{
    BarFreq bar;
    bar.init (0.2f, 0.1f, 0.6f, 0.1f);
    for (float t : { 0.0f, 0.3f, 0.999f, 1.0f })
        EXPECT_EQ (bar.getCorrectAmp (t), 1.0f) << t;

    bar.smoothness = 0.5f;
    EXPECT_NEAR (bar.getCorrectAmp (0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR (bar.getCorrectAmp (0.125f), std::sin (3.14159265f / 4.0f), 1e-5f);
    EXPECT_EQ (bar.getCorrectAmp (0.5f), 1.0f);
    EXPECT_NEAR (bar.getCorrectAmp (0.875f), std::sin (3.14159265f / 4.0f), 1e-5f);

    // Partly below frequency 0: the position starts at -f1 / (f2 - f1).
    BarFreq low;
    low.init (-0.2f, 0.1f, 0.6f, 0.1f);
    low.smoothness = 1.0f;
    EXPECT_EQ (low.getF1(), 0.0f);
    EXPECT_NEAR (low.getCorrectAmp (0.0f), std::sin (3.14159265f * 0.25f), 1e-5f);
}

TEST (BarFreq, TaperWithoutSmoothnessIsOneEvenForCrossedEnds)
{
    // A record whose ends were never ordered (written field by field).
    BarFreq crossed;
    crossed.f1 = 0.8;
    crossed.f2 = 0.2;
    for (float t : { 0.0f, 0.5f, 0.999f, 1.0f, 1.001f })
        EXPECT_EQ (crossed.getCorrectAmp (t), 1.0f) << t;

    crossed.smoothness = 0.4f;
    for (float t : { 0.0f, 0.1f, 0.5f, 0.95f, 1.0f, 1.5f, -0.5f })
    {
        const float c = crossed.getCorrectAmp (t);
        EXPECT_TRUE (std::isfinite (c)) << t;
        EXPECT_GE (c, 0.0f);
        EXPECT_LE (c, 1.0f);
    }
}

TEST (BarFreq, ControlValuesRoundTrip)
{
    BarFreq bar;
    bar.init (0.25f, 0.1f, 0.05f, 0.1f);

    for (float v : { 0.0f, 0.2f, 0.5f, 0.9f })
    {
        bar.setFreq (v);
        EXPECT_NEAR (bar.getFreq(), v, 1e-6f);
    }
    for (float v : { 0.05f, 0.316228f, 0.7f, 1.0f })
    {
        bar.setDelay (v);
        EXPECT_NEAR (bar.getDelay(), v, 1e-5f);
    }
    for (float v : { 0.01f, 0.2f, 0.6f })
    {
        bar.setLength (v);
        EXPECT_NEAR (bar.getLength(), v, 1e-5f);
    }
    for (float v : { 0.1f, 0.3f, 0.5f, 0.8f })
    {
        bar.setAngle (v);
        EXPECT_NEAR (bar.getAngle(), v, 1e-4f);
    }
    bar.setLength (2.0f);
    EXPECT_NEAR (bar.getLength(), 1.0f, 1e-5f);
    bar.setLength (0.3f);
    bar.setAngle (0.0f);
    EXPECT_NEAR (bar.getAngle(), 0.001f, 1e-3f);
    EXPECT_GT (bar.getAngle(), 0.0f);
}

TEST (BarFreq, CentreDelayBelowZeroReadsZero)
{
    BarFreq bar;
    bar.init (0.1f, -0.5f, 0.3f, -0.2f);
    EXPECT_EQ (bar.getDelay(), 0.0f);
}

TEST (BarFreq, SanitiseRepairsAnyRecord)
{
    BarFreq bar;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    bar.f1 = nan;
    bar.d2 = -inf;
    bar.power = 0.0f;
    bar.amplitude = inf;
    bar.ampLinear = 123.0f;
    bar.feedback = nan;
    bar.pan = 7.0f;
    bar.width = -3.0f;
    bar.smoothness = nan;
    bar.agitation[5] = inf;
    const unsigned char two = 2;
    std::memcpy (&bar.active, &two, 1);
    EXPECT_FALSE (bar.isFinite());

    bar.sanitise();
    EXPECT_TRUE (bar.isFinite());
    const BarFreq fresh;
    EXPECT_EQ (bar.f1, fresh.f1);
    EXPECT_EQ (bar.d2, fresh.d2);
    EXPECT_EQ (bar.power, 2.0f);
    EXPECT_FLOAT_EQ (bar.amplitude, 0.9f);
    EXPECT_FLOAT_EQ (bar.ampLinear, fresh.ampLinear);
    EXPECT_EQ (bar.feedback, 0.0f);
    EXPECT_EQ (bar.pan, 1.0f);
    EXPECT_EQ (bar.width, 0.0f);
    EXPECT_EQ (bar.smoothness, 0.0f);
    EXPECT_EQ (bar.agitation[5], 0.0f);
    unsigned char byte = 0;
    std::memcpy (&byte, &bar.active, 1);
    EXPECT_EQ (byte, 1);
}
