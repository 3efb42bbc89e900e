// The preset frame: interpolation position, super-slider cells and text,
// and the preset text of the clipboard.
#include "FrameTestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace
{
struct PresetFrame : ::testing::Test
{
    FrameTestEffect effect;

    void SetUp() override { SetFakeTicks (60000.0); }

    // Runs interpolation steps at the given whole ticks; returns the tick at
    // which alfa first reached 1, or -1.
    double runUntilDone (double startTick, double step, int maxSteps, std::vector<float>& values, int param)
    {
        double t = startTick;
        for (int k = 0; k < maxSteps; ++k)
        {
            t += step;
            SetFakeTicks (t);
            effect.interpolTask();
            values.push_back (effect.getIndexedParameter (param));
            if (effect.getAlfa() >= 1.0f)
                return t;
        }
        return -1.0;
    }
};
} // namespace

TEST_F (PresetFrame, InterpolationIsMonotoneAndEndsOnTime)
{
    // One second (60 ticks) from the current values to preset 12, with
    // steps of 1, 2 and 7 ticks: the values move one way only, reach the
    // preset exactly, and alfa reaches 1 within one tick of 60.
    for (double step : { 1.0, 2.0, 7.0 })
    {
        effect.setIndexedParameter (1, 0.1f);
        effect.interpolationRate.store (1.0f / 60.0f);
        SetFakeTicks (60000.0);
        effect.SetPreset (12, 0);
        EXPECT_EQ (effect.getAlfa(), 0.0f);

        std::vector<float> values;
        const double end = runUntilDone (60000.0, step, 1000, values, 1);
        ASSERT_GT (end, 0.0) << step;
        EXPECT_NEAR (end - 60000.0, 60.0, step) << step;   // the first step at or after tick 60
        EXPECT_GE (end - 60000.0, 59.0) << step;
        for (size_t k = 1; k < values.size(); ++k)
            EXPECT_GE (values[k], values[k - 1]) << step;
        EXPECT_FLOAT_EQ (values.back(), 12.0f / 15.0f) << step;
    }
}

TEST_F (PresetFrame, InterpolationWaitsForTheClockAndEndsAtOnceWithoutARate)
{
    effect.interpolationRate.store (1.0f / 60.0f);
    effect.SetPreset (3, 0);
    effect.interpolTask();   // same tick: nothing moves
    EXPECT_EQ (effect.getAlfa(), 0.0f);

    // A clock that goes back restarts the count instead of moving backwards.
    SetFakeTicks (59990.0);
    effect.interpolTask();
    EXPECT_EQ (effect.getAlfa(), 0.0f);
    SetFakeTicks (60020.0);
    effect.interpolTask();
    EXPECT_NEAR (effect.getAlfa(), 0.5f, 1e-6f);

    for (float rate : { 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 5.0f })
    {
        SetFakeTicks (70000.0);
        effect.interpolationRate.store (rate);
        effect.SetPreset (3, 0);
        SetFakeTicks (70001.0);
        effect.interpolTask();
        EXPECT_EQ (effect.getAlfa(), 1.0f) << rate;
        EXPECT_FLOAT_EQ (effect.getIndexedParameter (0), 3.0f / 15.0f) << rate;
    }
}

TEST_F (PresetFrame, ValueSetDuringInterpolationStaysOut)
{
    effect.interpolationRate.store (1.0f / 60.0f);
    effect.SetPreset (15, 0);
    SetFakeTicks (60010.0);
    effect.interpolTask();
    effect.setIndexedParameter (1, 0.25f);   // the user moves "Mix"
    SetFakeTicks (60100.0);
    effect.interpolTask();
    EXPECT_EQ (effect.getAlfa(), 1.0f);
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (1), 0.25f);
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (0), 1.0f);
}

TEST_F (PresetFrame, SuperSliderCellsMorphPresets)
{
    // Cell 0 holds preset 0 (all 0), cell 3 preset 6 (all 0.4), cell 7
    // preset 15 (all 1); the others are empty.
    for (int c = 0; c < 8; ++c)
        effect.setSuperState (c, -1);
    effect.setSuperState (0, 0);
    effect.setSuperState (3, 6);
    effect.setSuperState (7, 15);

    struct Case { float x; float value; const char* text; };
    const Case cases[] = {
        { 0.0f, 0.0f, " 1.00" },
        { 1.5f / 7.0f, 0.2f, " 4.00" },            // halfway between cells 0 and 3
        { 3.0f / 7.0f, 0.4f, " 7.00" },            // on cell 3
        { 5.0f / 7.0f, 0.7f, "11.50" },            // halfway between cells 3 and 7
        { 1.0f, 1.0f, "16.00" },
    };
    for (const auto& c : cases)
    {
        effect.morph (c.x);
        EXPECT_NEAR (effect.getIndexedParameter (2), c.value, 1e-5f) << c.x;
        char buf[MyEffect::superTextSize];
        effect.getSuperText (c.x, buf);
        EXPECT_STREQ (buf, c.text) << c.x;
    }
}

TEST_F (PresetFrame, SuperTextOfTheFactoryCellsAndOddPositions)
{
    char buf[MyEffect::superTextSize];
    effect.getSuperText (1.0f, buf);
    EXPECT_STREQ (buf, " 8.00");

    for (int c = 1; c < 7; ++c)
        effect.setSuperState (c, -1);
    effect.setSuperState (7, 15);
    effect.getSuperText (0.5f, buf);
    EXPECT_STREQ (buf, " 8.50");

    // Out of range, not a number, and two cells at one position.
    for (float x : { -3.0f, 7.0f, std::numeric_limits<float>::quiet_NaN() })
    {
        effect.getSuperText (x, buf);
        const float v = std::strtof (buf, nullptr);
        EXPECT_TRUE (v >= 1.0f && v <= 16.0f) << buf;
    }
    effect.superCellPositions[7].store (0.0f);
    effect.getSuperText (0.5f, buf);
    EXPECT_STREQ (buf, "16.00");
}

TEST_F (PresetFrame, SuperCellsAreRangeChecked)
{
    effect.setSuperState (3, 9);
    effect.setSuperState (8, 2);      // no cell 8: nothing written anywhere
    effect.setSuperState (-1, 2);
    effect.setSuperState (3, 16);     // no preset 16
    effect.setSuperState (3, -2);
    effect.setSuperState (0, -1);     // cells 0 and 7 are never emptied
    effect.setSuperState (7, -1);
    EXPECT_EQ (effect.getSuperState (3), 9);
    EXPECT_EQ (effect.getSuperState (0), 0);
    EXPECT_EQ (effect.getSuperState (7), 7);
    EXPECT_EQ (effect.getSuperState (8), -1);
    effect.setSuperState (3, -1);
    EXPECT_EQ (effect.getSuperState (3), -1);

    const int loaded[8] = { -1, 3, 99, -7, 15, -1, 2, 1 << 20 };
    effect.loadSuperStates (loaded);
    const long expected[8] = { 0, 3, -1, -1, 15, -1, 2, 7 };
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ (effect.getSuperState (c), expected[c]) << c;
}

TEST_F (PresetFrame, PresetTextRoundTrips)
{
    float* source = effect.presetValues (3);
    for (int i = 0; i < FrameTestEffect::numParams; ++i)
        source[i] = 0.01f * (float) (i * 7 + 1);

    juce::String text = effect.getPresetString (3);
    EXPECT_TRUE (text.startsWith ("Quarn 4 ")) << text;
    EXPECT_EQ (effect.getPresetStringTitle (text), "preset 4");
    ASSERT_TRUE (effect.isPresetStringValid (text));

    effect.setPresetString (9, text);
    EXPECT_EQ (effect.lastPresetAction.load(), 5);
    EXPECT_EQ (effect.lastPresetSlot.load(), 9);
    EXPECT_EQ (std::memcmp (effect.getPresetPointer (9), source, (size_t) effect.getPresetSize()), 0);
    EXPECT_EQ (std::memcmp (effect.getPresetPointerAP (9), source, (size_t) effect.getPresetSize()), 0);
    EXPECT_EQ (effect.getPresetString (9).fromFirstOccurrenceOf (" 10 ", false, false),
               text.fromFirstOccurrenceOf (" 4 ", false, false));
}

TEST_F (PresetFrame, MalformedPresetTextsAreRefusedAndChangeNothing)
{
    const juce::String good = effect.getPresetString (3);
    const juce::String hex = good.fromFirstOccurrenceOf ("Quarn 4 ", false, false);
    const juce::String cases[] = {
        "",
        "Quarn",
        "Quarn 4",
        "quarn 4 " + hex,                                  // product word in lower case (not valid)
        "Quarn 4 " + hex.dropLastCharacters (1),            // one character short
        "Quarn 4 " + hex + " 00",                          // one byte too many
        "Quarn 4 " + hex.replaceSection (3, 1, "g"),        // not hexadecimal
        "Quarn 4 " + hex.replaceSection (2, 1, "-"),        // not a blank between pairs
        juce::String::repeatedString ("Q", 21) + " 4 " + hex,   // first space too far
        "Quarn " + juce::String::repeatedString ("4", 30) + " " + hex,
    };

    const std::vector<unsigned char> before (effect.getPresetPointer (11), effect.getPresetPointer (11) + effect.getPresetSize());
    for (auto text : cases)
    {
        EXPECT_FALSE (effect.isPresetStringValid (text)) << text;
        if (text.startsWith ("quarn"))
            continue;   // valid bytes: the paste itself does not look at the product word
        effect.setPresetString (11, text);
        EXPECT_EQ (effect.presetCalls.load(), 0) << text;
        EXPECT_EQ (std::memcmp (effect.getPresetPointer (11), before.data(), before.size()), 0) << text;
    }
    juce::String slotOut = good;
    effect.setPresetString (16, slotOut);
    effect.setPresetString (-1, slotOut);
    EXPECT_EQ (effect.presetCalls.load(), 0);
    EXPECT_EQ (effect.getPresetString (16), "");
}

// Another program's clipboard bytes reach us as a juce::String unchecked,
// invalid UTF-8 included (a lead byte at the very end reads past the
// buffer if the text is walked character by character).
TEST_F (PresetFrame, ClipboardTextWithAByteAbove0x7fAnywhereIsRefused)
{
    const juce::String good = effect.getPresetString (3);
    const std::string bytes = good.toStdString();
    const std::vector<unsigned char> before (effect.getPresetPointer (11), effect.getPresetPointer (11) + effect.getPresetSize());
    for (const unsigned char high : { 0xff, 0xf0, 0xc3, 0x80 })
    {
        for (size_t i = 0; i < bytes.size(); ++i)
        {
            std::string raw = bytes;
            raw[i] = (char) high;
            juce::String text = juce::String::fromUTF8 (raw.data(), (int) raw.size());
            ASSERT_NE (std::strchr (text.toRawUTF8(), (char) high), nullptr);   // the byte got through as it is
            EXPECT_FALSE (effect.isPresetStringValid (text)) << i;
            EXPECT_EQ (effect.getPresetStringTitle (text), "preset ") << i;
            effect.setPresetString (11, text);
        }
    }
    EXPECT_EQ (effect.presetCalls.load(), 0);
    EXPECT_EQ (std::memcmp (effect.getPresetPointer (11), before.data(), before.size()), 0);
}

TEST (PresetFrameNoData, EffectWithoutPresetDataHasNoTextAndTakesNoPaste)
{
    struct NoPresets : FrameTestEffect
    {
        ~NoPresets() override { stopThreads(); }
        int getPresetSize() override { return 0; }
    } effect;

    EXPECT_EQ (effect.getPresetString (1), "");
    juce::String text = "Quarn 2 00 11";
    EXPECT_FALSE (effect.isPresetStringValid (text));
    effect.setPresetString (1, text);
    EXPECT_EQ (effect.presetCalls.load(), 0);
}
