#include "Utilities.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include <juce_core/juce_core.h>

namespace
{
using ToText = void (*) (float, char*);
using FromText = void (*) (const char*, float*);
using Step = void (*) (char*, bool);

std::string text (ToText f, float x)
{
    char buf[valueTextSize] = {};
    f (x, buf);
    return buf;
}

std::string stepped (Step f, const char* start, bool big)
{
    char buf[valueTextSize] = {};
    std::snprintf (buf, sizeof (buf), "%s", start);
    f (buf, big);
    return buf;
}

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();
constexpr float tiny = 1e-13f;
} // namespace

//==============================================================================
TEST (Utilities, ValueToText)
{
    struct Case
    {
        ToText f;
        float x;
        const char* expected;
    };
    const Case cases[] = {
        { FloatToInterSpeedStr, 1.0f, "60.0 s" },
        { FloatToInterSpeedStr, 0.0f, "0.0 s" },
        { FloatToInterSpeedStr, 0.5f, "16.1 s" },
        { FloatToAgitationSpeedStr, 1.0f, "60.00 s" },
        { FloatToAgitationSpeedStr, 0.0f, "0.00 s" },
        { FloatToAgitationAmplStr, 1.0f, "100.0 %" },
        { FloatToAgitationAmplStr, 0.0f, "0.0 %" },
        { FloatToPerCentStr, 0.5f, " 50 %" },
        { FloatToPerCentStr, 1.0f, "100 %" },
        { FloatToGain24Str, 0.0f, "-96 dB" },
        { FloatToGain24Str, 0.001f, " -96 dB" }, // only the floor drops the padding
        { FloatToGain24Str, 1e-9f, " -96 dB" },
        { FloatToGain24Str, 0.5f, " -36 dB" },
        { FloatToGain24Str, 0.8f, "   0 dB" },
        { FloatToGain24Str, 0.797f, "   0 dB" }, // not "-0"
        { FloatToGain24Str, 1.0f, "  24 dB" },
        { FloatToValueStr, 0.5f, "0.50" },
        { FloatToValueStr, 1.0f, "1.00" },
        { FloatToValueStr, notANumber, "0.00" },
        { FloatToValueStr, 3.0f, "1.00" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (text (c.f, c.x), c.expected) << "x = " << c.x;
}

TEST (Utilities, TextToValue)
{
    struct Case
    {
        FromText f;
        const char* text;
        float expected;
    };
    const Case cases[] = {
        { Gain24StrToFloat, "-90 dB", 0.05f },
        { Gain24StrToFloat, "-9 dB", 0.725f },
        { Gain24StrToFloat, "-96 dB", 0.0f },
        { Gain24StrToFloat, "-200 dB", 0.0f },
        { Gain24StrToFloat, "-inf", 0.0f },
        { Gain24StrToFloat, "0 dB", 0.8f },
        { Gain24StrToFloat, "24 dB", 1.0f },
        { Gain24StrToFloat, "40", 1.0f },
        { InterSpeedStrToFloat, "60.0 s", 1.0f },
        { InterSpeedStrToFloat, "0 s", 0.0f },
        { InterSpeedStrToFloat, "-20 s", 0.0f }, // below the range, not NaN
        { InterSpeedStrToFloat, "100 s", 1.0f },
        { AgitationSpeedStrToFloat, "60.00 s", 1.0f },
        { AgitationSpeedStrToFloat, "-1 s", 0.0f },
        { AgitationAmplStrToFloat, "100.0 %", 1.0f },
        { AgitationAmplStrToFloat, "-5 %", 0.0f },
        { PerCentStrToFloat, "50 %", 0.5f },
        { PerCentStrToFloat, "100", 1.0f },
        { ValueStrToFloat, "0.25", 0.25f },
        { ValueStrToFloat, "2", 1.0f },
    };
    for (const auto& c : cases)
    {
        float out = -1.0f;
        c.f (c.text, &out);
        EXPECT_NEAR (out, c.expected, 1e-6f) << '"' << c.text << '"';
    }
}

TEST (Utilities, TextThatIsNotANumberChangesNothing)
{
    const FromText parsers[] = { InterSpeedStrToFloat, AgitationSpeedStrToFloat, AgitationAmplStrToFloat,
                                 PerCentStrToFloat, Gain24StrToFloat, ValueStrToFloat };
    for (auto f : parsers)
        for (const char* t : { "", "abc", "nan", " dB" })
        {
            float out = 0.3f;
            f (t, &out);
            EXPECT_EQ (out, 0.3f) << '"' << t << '"';
        }

    EXPECT_EQ (stepped (IncGain24, "loud", true), "loud");
    EXPECT_EQ (stepped (DecPerCent, "", false), "");
}

// A text read back and written again is the same text, over the whole range.
TEST (Utilities, TextsAreStableThroughARoundTrip)
{
    const std::pair<ToText, FromText> kinds[] = {
        { FloatToInterSpeedStr, InterSpeedStrToFloat }, { FloatToAgitationSpeedStr, AgitationSpeedStrToFloat },
        { FloatToAgitationAmplStr, AgitationAmplStrToFloat }, { FloatToPerCentStr, PerCentStrToFloat },
        { FloatToGain24Str, Gain24StrToFloat }, { FloatToValueStr, ValueStrToFloat },
    };
    for (const auto& [toText, fromText] : kinds)
        for (int i = 0; i <= 1000; ++i)
        {
            const std::string first = text (toText, (float) i / 1000.0f);
            float v = -1.0f;
            fromText (first.c_str(), &v);
            ASSERT_GE (v, 0.0f);
            ASSERT_LE (v, 1.0f);
            // A gain just above the floor reads " -96 dB", which reads back
            // as the floor itself.
            if (toText == FloatToGain24Str && first == " -96 dB")
                ASSERT_EQ (v, 0.0f);
            else
                ASSERT_EQ (text (toText, v), first) << "x = " << (float) i / 1000.0f;
        }
}

TEST (Utilities, Steps)
{
    struct Case
    {
        Step f;
        const char* start;
        bool big;
        const char* expected;
    };
    const Case cases[] = {
        { IncPerCent, "98 %", true, "100 %" },
        { IncPerCent, "50 %", false, " 51 %" },
        { DecPerCent, "3 %", true, "  0 %" },
        { IncGain24, "-96 dB", false, " -95 dB" },
        { DecGain24, " -95 dB", false, "-96 dB" },
        { DecGain24, "-90 dB", true, "-96 dB" },
        { DecGain24, "-94.6 dB", false, " -96 dB" }, // above the floor
        { DecGain24, "   0 dB", true, "  -6 dB" },
        { IncGain24, "   0 dB", true, "   6 dB" },
        { IncGain24, "  20 dB", true, "  24 dB" },
        { IncGain24, "  24 dB", false, "  24 dB" },
        { IncInterSpeed, "59.5 s", true, "60.0 s" },
        { IncInterSpeed, "1.0 s", false, "1.1 s" },
        { DecInterSpeed, "0.5 s", true, "0.0 s" },
        { IncAgitationSpeed, "0.10 s", false, "0.20 s" },
        { DecAgitationSpeed, "60.00 s", true, "59.00 s" },
        { IncAgitationAmpl, "99.5 %", true, "100.0 %" },
        { DecAgitationAmpl, "0.0 %", false, "0.0 %" },
        { IncValue, "0.98", true, "1.00" },
        { DecValue, "0.50", false, "0.49" },
        { DecValue, "0.02", true, "0.00" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (stepped (c.f, c.start, c.big), c.expected) << '"' << c.start << "\" big " << c.big;

    float v = -1.0f;
    Gain24StrToFloat (stepped (IncGain24, "-96 dB", false).c_str(), &v);
    EXPECT_FLOAT_EQ (v, 1.0f / 120.0f); // reads back as -95 dB
}

TEST (Utilities, WorkingQuantities)
{
    float v = 0.0f;
    FloatToGain24 (0.8f, &v);
    EXPECT_NEAR (v, 1.0f, 1e-6f);
    FloatToGain24 (0.0f, &v);
    EXPECT_NEAR (v, std::pow (10.0f, -4.8f), 1e-9f);
    FloatToInterSpeed (1.0f, &v);
    EXPECT_NEAR (v, 1.0f / 3600.0f, 1e-8f);
    FloatToInterSpeed (0.0f, &v);
    EXPECT_EQ (v, 1.0f); // instant, not infinite
    FloatToAgitationSpeed (1.0f, &v);
    EXPECT_NEAR (v, 1.0f / 3600.0f, 1e-8f);
    FloatToAgitationSpeed (0.0f, &v);
    EXPECT_EQ (v, 1.0f);
    FloatToAgitationAmpl (1.0f, &v);
    EXPECT_NEAR (v, 1.0f, 1e-6f);
    FloatToAgitationAmpl (0.0f, &v);
    EXPECT_EQ (v, 0.0f);
}

//==============================================================================
TEST (Utilities, ClipAndFiniteValues)
{
    EXPECT_EQ (Clip (0.0f, 1.0f, -0.5f), 0.0f);
    EXPECT_EQ (Clip (0.0f, 1.0f, 2.0f), 1.0f);
    EXPECT_EQ (Clip (0.0f, 1.0f, 0.3f), 0.3f);
    EXPECT_TRUE (std::isnan (Clip (0.0f, 1.0f, notANumber)));

    for (float bad : { notANumber, infinity, -infinity })
    {
        float out = 0.25f;
        EXPECT_FALSE (IsFiniteValue (bad));
        EXPECT_FALSE (ClipFinite (0.0f, 1.0f, bad, &out));
        EXPECT_EQ (out, 0.25f);
    }
    float out = 0.0f;
    EXPECT_TRUE (ClipFinite (0.0f, 1.0f, 2.0f, &out));
    EXPECT_EQ (out, 1.0f);
    EXPECT_TRUE (IsFiniteValue (std::numeric_limits<float>::max()));

    EXPECT_DOUBLE_EQ (ConvertRange (0.25, 10.0, 20.0), 12.5);
    EXPECT_DOUBLE_EQ (ConvertToFloat (12.5, 10.0, 20.0), 0.25);
}

TEST (Utilities, RandomNumbersStayInTheirRanges)
{
    std::srand (1);
    for (int i = 0; i < 100000; ++i)
    {
        const float r = Rand(), c = RandC();
        ASSERT_GE (r, 0.0f);
        ASSERT_LT (r, 1.0f);
        ASSERT_GE (c, -0.5f);
        ASSERT_LT (c, 0.5f);
    }
}

TEST (Utilities, PopupIndex)
{
    struct Case
    {
        float x;
        int n;
        int expected;
    };
    const Case cases[] = {
        { 0.5f, 10, 5 }, { 0.49f, 10, 4 }, { 0.0f, 12, 0 }, { 1.0f, 12, 11 }, { 2.0f / 3.0f, 4, 2 },
        { 1.5f, 4, 3 }, { -1.0f, 4, 0 }, { notANumber, 4, 0 }, { 0.7f, 1, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (FloatToIndexPopup (c.x, c.n), c.expected) << c.x << " of " << c.n;

    for (int n : { 2, 4, 10, 12 })
        for (int i = 0; i < n; ++i)
            EXPECT_EQ (FloatToIndexPopup (IndexPopupToFloat (i, n), n), i) << i << " of " << n;
    EXPECT_FLOAT_EQ (IndexPopupToFloat (5, 12), 5.0f / 11.0f);
    EXPECT_EQ (IndexPopupToFloat (0, 1), 0.0f);
}

TEST (Utilities, AgitationID)
{
    for (bool on : { false, true })
        for (int g = 0; g < 4; ++g)
        {
            const float v = AgitationIDValueFromStateAndID (on, g);
            EXPECT_EQ (StateFromAgitationIDValue (v), on);
            EXPECT_EQ (AgitationIDFromAgitationIDValue (v), g);
        }
    EXPECT_NEAR (AgitationIDValueFromStateAndID (true, 1), 0.857143f, 1e-6f);
    EXPECT_EQ (AgitationIDValueFromStateAndID (true, 0), 1.0f);
    EXPECT_EQ (AgitationIDFromAgitationIDValue (notANumber), 0);
    EXPECT_EQ (AgitationIDFromAgitationIDValue (5.0f), 0);

    char buf[valueTextSize];
    FloatToAgitationIDStr (6.0f / 7.0f, buf, 10);
    EXPECT_STREQ (buf, "2 on");
    FloatToAgitationIDStr (6.0f / 7.0f, buf, 3);
    EXPECT_STREQ (buf, "2on");
    FloatToAgitationIDStr (1.0f / 7.0f, buf, 10);
    EXPECT_STREQ (buf, "2 off");
}

//==============================================================================
// Panning laws

namespace
{
std::array<float, 4> quad (float x)
{
    std::array<float, 4> g {};
    GetAmplQuad (x, &g[0], &g[1], &g[2], &g[3]);
    return g;
}

std::array<float, 5> fiveOut (float x)
{
    std::array<float, 5> g {};
    GetAmpl50 (x, &g[0], &g[1], &g[2], &g[3], &g[4]);
    return g;
}

std::array<float, 8> octo (float x)
{
    std::array<float, 8> g {};
    GetAmplOcto (x, &g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7]);
    return g;
}

template <size_t N>
void expectGains (const std::array<float, N>& got, const std::array<float, N>& expected, float x)
{
    for (size_t i = 0; i < N; ++i)
        EXPECT_NEAR (got[i], expected[i], 1e-6f) << "x = " << x << ", output g" << i + 1;
}

// Two adjacent outputs share the whole gain; every other one is at 1e-13.
template <size_t N>
void expectOnePair (const std::array<float, N>& g, float x)
{
    float sum = 0.0f;
    int silent = 0;
    for (float v : g)
    {
        ASSERT_TRUE (std::isfinite (v)) << "x = " << x;
        ASSERT_GE (v, 0.0f) << "x = " << x;
        if (v == tiny)
            ++silent;
        else
            sum += v;
    }
    EXPECT_GE (silent, (int) N - 2) << "x = " << x;
    EXPECT_NEAR (sum, 1.0f, 1e-5f) << "x = " << x;
}
} // namespace

TEST (Utilities, StereoPan)
{
    struct Case
    {
        float x, left, right;
    };
    const Case cases[] = { { -1.0f, 1.0f, 0.0f }, { 0.0f, 0.5f, 0.5f }, { 0.5f, 0.25f, 0.75f },
                           { 1.0f, 0.0f, 1.0f }, { 3.0f, 0.0f, 1.0f }, { notANumber, 0.5f, 0.5f } };
    for (const auto& c : cases)
    {
        float l = -1.0f, r = -1.0f;
        GetAmplStereo (c.x, &l, &r);
        EXPECT_FLOAT_EQ (l, c.left) << c.x;
        EXPECT_FLOAT_EQ (r, c.right) << c.x;
    }
}

TEST (Utilities, QuadPanAtSegmentBoundaries)
{
    const float t = tiny;
    const std::pair<float, std::array<float, 4>> cases[] = {
        { -1.0f, { t, t, 0.5f, 0.5f } },   { -0.75f, { 0.0f, t, 1.0f, t } }, { -0.5f, { 0.5f, t, 0.5f, t } },
        { -0.25f, { 1.0f, 0.0f, t, t } },  { 0.0f, { 0.5f, 0.5f, t, t } },   { 0.25f, { t, 1.0f, t, 0.0f } },
        { 0.5f, { t, 0.5f, t, 0.5f } },    { 0.75f, { t, t, 0.0f, 1.0f } },  { 1.0f, { t, t, 0.5f, 0.5f } },
        { 1.5f, { t, t, 0.5f, 0.5f } },    { -2.0f, { t, t, 0.5f, 0.5f } },
    };
    for (const auto& [x, expected] : cases)
        expectGains (quad (x), expected, x);
}

TEST (Utilities, FiveOutputPanAtSegmentBoundaries)
{
    const float t = tiny;
    const std::pair<float, std::array<float, 5>> cases[] = {
        { -1.0f, { t, t, t, 0.5f, 0.5f } },  { -0.75f, { 0.0f, t, t, 1.0f, t } }, { -0.25f, { 1.0f, 0.0f, t, t, t } },
        { -0.125f, { 0.5f, 0.5f, t, t, t } }, { 0.0f, { t, 1.0f, 0.0f, t, t } },  { 0.25f, { t, t, 1.0f, t, 0.0f } },
        { 0.75f, { t, t, t, 0.0f, 1.0f } },   { 1.0f, { t, t, t, 0.5f, 0.5f } },  { 7.0f, { t, t, t, 0.5f, 0.5f } },
    };
    for (const auto& [x, expected] : cases)
        expectGains (fiveOut (x), expected, x);
}

TEST (Utilities, OctoPanFollowsItsRing)
{
    const float t = tiny;
    expectGains (octo (0.0f), { 0.5f, t, 0.5f, t, t, t, t, t }, 0.0f);

    // Each output alone at its position: g4, g2, g7, g1, g3, g8, g6, g5 at -7/8 .. 7/8.
    const int ringOrder[] = { 4, 2, 7, 1, 3, 8, 6, 5 };
    for (int k = 0; k < 8; ++k)
    {
        const float x = (float) (2 * k - 7) / 8.0f;
        const auto g = octo (x);
        EXPECT_FLOAT_EQ (g[(size_t) ringOrder[k] - 1], 1.0f) << "x = " << x;
    }
    expectGains (octo (1.0f), { t, t, t, 0.5f, 0.5f, t, t, t }, 1.0f);
    expectGains (octo (4.0f), { t, t, t, 0.5f, 0.5f, t, t, t }, 4.0f);
}

TEST (Utilities, EveryPanLawSplitsOneSourceOverTwoOutputs)
{
    for (int i = -1100; i <= 1100; ++i)
    {
        const float x = (float) i / 1000.0f;
        expectOnePair (quad (x), x);
        expectOnePair (fiveOut (x), x);
        expectOnePair (octo (x), x);
    }
    expectOnePair (quad (notANumber), notANumber);
    expectOnePair (octo (-infinity), -infinity);
}

TEST (Utilities, CorrectAmplSurround)
{
    AmplSurround a {}, b {};
    for (int i = 0; i < 8; ++i)
    {
        a.g[i] = 1.414f;
        b.g[i] = (float) i;
    }
    CorrectAmplSurround (&a, &b);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_FLOAT_EQ (a.g[i], 1.0f);
        EXPECT_FLOAT_EQ (b.g[i], (float) i / 1.414f);
    }
}

//==============================================================================
// Number text and the process locale

TEST (Utilities, NumberTextFitsItsBuffer)
{
    // Exactly-sized heap buffers, so that an overrun shows under AddressSanitizer.
    auto buf = std::make_unique<char[]> (valueTextSize);
    mySprintf (buf.get(), "%f", 3.0e38f);
    EXPECT_EQ (std::strlen (buf.get()), valueTextSize - 1);

    auto small = std::make_unique<char[]> (8);
    mySprintf (small.get(), 8, "%9.4f", 12.5f);
    EXPECT_STREQ (small.get(), "  12.50");

    char ok[valueTextSize];
    mySprintf (ok, "%9.4f", 0.5f);
    EXPECT_STREQ (ok, "   0.5000");
    float v = 0.0f;
    EXPECT_EQ (mySscanf ("0.75 s", "%f", &v), 1);
    EXPECT_EQ (v, 0.75f);
    EXPECT_EQ (mySscanf ("x", "%f", &v), 0);
}

namespace
{
// Builds a French locale (decimal comma) in a temporary folder with
// localedef and points LOCPATH at it for the process.
class CommaLocale : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("vokt-locale", "");
        if (! folder.createDirectory())
            return;
        const auto target = folder.getChildFile ("fr_FR.UTF-8").getFullPathName();
        const std::string command = "localedef -i fr_FR -f UTF-8 '" + target.toStdString() + "' > /dev/null 2>&1";
        std::system (command.c_str()); // may warn (exit status 1) and still build the locale
        if (folder.getChildFile ("fr_FR.UTF-8").isDirectory())
            ::setenv ("LOCPATH", folder.getFullPathName().toRawUTF8(), 1);
    }

    static void TearDownTestSuite()
    {
        ::unsetenv ("LOCPATH");
        folder.deleteRecursively();
    }

    void SetUp() override
    {
        saved = std::setlocale (LC_ALL, nullptr);
        if (std::setlocale (LC_ALL, "fr_FR.UTF-8") == nullptr)
            GTEST_SKIP() << "a decimal-comma locale could not be built with localedef (needs the locales "
                            "sources in /usr/share/i18n)";
        char probe[16];
        std::snprintf (probe, sizeof (probe), "%4.2f", 0.5);
        ASSERT_STREQ (probe, "0,50") << "the French locale does not use a decimal comma";
    }

    void TearDown() override { std::setlocale (LC_ALL, saved.c_str()); }

    static inline juce::File folder;
    std::string saved;
};
} // namespace

TEST_F (CommaLocale, NumberTextUsesAPoint)
{
    char buf[valueTextSize];
    mySprintf (buf, "%4.2f", 0.5f);
    EXPECT_STREQ (buf, "0.50");
    mySprintf (buf, "Gain %f", -1.25f);
    EXPECT_STREQ (buf, "Gain -1.250000");

    float v = 0.0f;
    EXPECT_EQ (mySscanf ("0.75", "%f", &v), 1);
    EXPECT_EQ (v, 0.75f);

    EXPECT_EQ (text (FloatToValueStr, 0.5f), "0.50");
    EXPECT_EQ (text (FloatToInterSpeedStr, 1.0f), "60.0 s");
    ValueStrToFloat ("0.25", &v);
    EXPECT_EQ (v, 0.25f);
    EXPECT_EQ (stepped (IncValue, "0.50", false), "0.51");

    // Another thread sees the same global locale and gets the same text.
    std::string fromThread;
    std::thread t ([&] { fromThread = text (FloatToAgitationSpeedStr, 1.0f); });
    t.join();
    EXPECT_EQ (fromThread, "60.00 s");

    // The calling thread's locale is left as it was.
    char probe[16];
    std::snprintf (probe, sizeof (probe), "%4.2f", 0.5);
    EXPECT_STREQ (probe, "0,50");
}
