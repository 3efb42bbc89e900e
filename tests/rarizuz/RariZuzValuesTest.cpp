#include "RariZuzValues.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace
{
using ToText = void (*) (float, char*);
using FromText = void (*) (const char*, float*);
using Step = void (*) (char*, bool);

std::string text (ToText f, float v)
{
    char buf[64] = {};
    f (v, buf);
    return buf;
}

float value (FromText f, const char* t, float start = -123.0f)
{
    float v = start;
    f (t, &v);
    return v;
}

std::string stepped (Step f, const char* start, bool flag)
{
    char buf[64] = {};
    std::strcpy (buf, start);
    f (buf, flag);
    return buf;
}

class RariZuzValues : public ::testing::Test
{
protected:
    void SetUp() override { SetUtilSampleRate (44100); }
};
} // namespace

TEST_F (RariZuzValues, ValueToText)
{
    struct Case
    {
        ToText f;
        float v;
        const char* expected;
    };
    const Case cases[] = {
        { FloatToAmplitudeStr, 0.0f, "-40 dB" },
        { FloatToAmplitudeStr, 0.5f, " -20 dB" },
        { FloatToAmplitudeStr, 1.0f, "   0 dB" },
        { FloatToGainACStr, 0.0f, "-96 dB" },
        { FloatToGainACStr, 0.8f, "   0 dB" },
        { FloatToGainACStr, 1.0f, "  24 dB" },
        { FloatToDelayStr, 0.0005f, " 0.00 s" },
        { FloatToDelayStr, 1.0f, "10.00 s" },
        { FloatToDelayStr, 0.5f, " 2.50 s" },
        { FloatToFreqStr, 1.0f, "22050" },
        { FloatToFreqStr, 0.0f, "    0" },
        { FloatToAngleStr, 0.5f, "  0 d" },
        { FloatToAngleStr, 0.0f, "-90 d" },
        { FloatToPanStr, 0.0f, "-100" },
        { FloatToPanStr, 0.75f, " 50" },
        { FloatToWidthStr, 0.5f, " 50 %" },
        // Values that round to zero from below are not written "-0".
        { FloatToAmplitudeStr, 0.995f, "   0 dB" },
        { FloatToGainACStr, 0.799f, "   0 dB" },
        { FloatToAngleStr, 0.499f, "  0 d" },
        { FloatToPanStr, 0.499f, "  0" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (text (c.f, c.v), c.expected) << "value " << c.v;
}

TEST_F (RariZuzValues, TextToValue)
{
    struct Case
    {
        FromText f;
        const char* t;
        float expected;
    };
    const Case cases[] = {
        { AmplitudeStrToFloat, "-6", 0.85f },
        { AmplitudeStrToFloat, "-40 dB", 0.0f },
        { AmplitudeStrToFloat, "-400", 0.0f },
        { AmplitudeStrToFloat, "12", 1.0f },
        { GainACStrToFloat, "  0", 0.8f },
        { GainACStrToFloat, "-96 and anything", 0.0f },
        { GainACStrToFloat, "30", 1.0f },
        { DelayStrToFloat, "2.5", 0.5f },
        { DelayStrToFloat, "1.0", 0.316228f },
        { DelayStrToFloat, "-3", 0.0f },
        { FreqStrToFloat, "-5", 0.0f },
        { FreqStrToFloat, "22050", 1.0f },
        { AngleStrToFloat, "0", 0.5f },
        { AngleStrToFloat, "45", 0.75f },
        { PanStrToFloat, "50", 0.75f },
        { WidthStrToFloat, "100", 1.0f },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (value (c.f, c.t), c.expected, 1e-5f) << "text " << c.t;

    // The frequency default of the engine: 500 Hz at 44.1 kHz.
    EXPECT_NEAR (value (FreqStrToFloat, "500"), std::sqrt (500.0f / 22050.0f), 1e-6f);
}

TEST_F (RariZuzValues, TextWithoutNumberLeavesValue)
{
    for (FromText f : { AmplitudeStrToFloat, GainACStrToFloat, DelayStrToFloat, FreqStrToFloat,
                        AngleStrToFloat, PanStrToFloat })
    {
        EXPECT_EQ (value (f, "abc", 0.25f), 0.25f);
        EXPECT_EQ (value (f, "", 0.25f), 0.25f);
        EXPECT_EQ (value (f, "nan", 0.25f), 0.25f);
    }
    // Infinite numbers never give an infinite value.
    EXPECT_EQ (value (AngleStrToFloat, "inf", 0.25f), 0.25f);
    EXPECT_EQ (value (GainACStrToFloat, "inf", 0.25f), 1.0f);
}

TEST_F (RariZuzValues, Steps)
{
    struct Case
    {
        Step f;
        const char* start;
        bool flag;
        const char* expected;
    };
    const Case cases[] = {
        { IncGainAC, "  -3 dB", false, "  -2 dB" },
        { DecGainAC, " -93 dB", true, "-96 dB" },
        { IncGainAC, "-96 dB", false, " -95 dB" },
        { IncGainAC, "-\xe2\x88\x9e dB", false, " -95 dB" },
        { IncGainAC, "  22 dB", true, "  24 dB" },
        { IncAmplitude, "-40 dB", true, " -37 dB" },
        { DecAmplitude, " -39 dB", true, "-40 dB" },
        { IncAmplitude, "  -1 dB", false, "   0 dB" },
        { IncAngle, "85", true, " 86" },
        { IncAngle, "85", false, " 90" },
        { DecAngle, "-85", false, "-90" },
        { IncPan, "95", false, "100" },
        { DecPan, "0", true, " -1" },
        { IncDelay, " 9.50 s", true, "10.00" },
        { DecDelay, " 0.05 s", false, " 0.00" },
        { IncFreq, "22050", true, "22050" },
        { DecFreq, "5", false, "    0" },
        { IncWidth, " 98 %", true, "100 %" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (stepped (c.f, c.start, c.flag), c.expected) << "from " << c.start;

    // A text without a number is left as it is.
    EXPECT_EQ (stepped (IncDelay, "abc", true), "abc");
}

TEST_F (RariZuzValues, Converters)
{
    float x = 0.0f;
    FloatToAmplitude (0.9f, &x);
    EXPECT_NEAR (x, std::pow (10.0f, -0.2f), 1e-6f);
    FloatToAmplitude (0.0f, &x);
    EXPECT_NEAR (x, 0.01f, 1e-7f);
    FloatToACGain (0.8f, &x);
    EXPECT_NEAR (x, 1.0f, 1e-5f);
    FloatToDelay (0.0005f, &x);
    EXPECT_EQ (x, 0.0f);
    FloatToDelay (0.5f, &x);
    EXPECT_EQ (x, 0.25f);
    DelayToFloat (-0.5f, &x);
    EXPECT_EQ (x, 0.0f);
    DelayToFloat (0.25f, &x);
    EXPECT_EQ (x, 0.5f);
}

TEST_F (RariZuzValues, BandCounts)
{
    struct Case
    {
        const char* t;
        short n;
        float expected;
    };
    const Case cases[] = {
        { "1024.0", 10, 3.0f / 9.0f },
        { " 128", 10, 0.0f },
        { "  128", 10, 0.0f },
        { "129", 10, 1.0f / 9.0f },
        { " 8192", 10, 6.0f / 9.0f },
        { "16384", 10, 7.0f / 9.0f },
        { "32768", 10, 8.0f / 9.0f },
        { "65536", 10, 1.0f },
        { "1024", 1, 0.0f },
        { "65536", 4, 1.0f },
    };
    for (const auto& c : cases)
    {
        float v = -1.0f;
        FFTStrToFloat (c.t, &v, c.n);
        EXPECT_FLOAT_EQ (v, c.expected) << c.t;
    }
}
