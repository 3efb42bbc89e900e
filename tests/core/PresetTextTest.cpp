// Clipboard text of a preset: writing, strict reading and the menu title.
#include "PresetText.h"

#include <gtest/gtest.h>

#include <cstring>

TEST (PresetText, WritesProductNumberAndLowerCaseHexPairs)
{
    const unsigned char bytes[] = { 0x00, 0x0a, 0xff, 0x7f };
    EXPECT_EQ (MakePresetText ("Selvo", 2, bytes, 4), "Selvo 3 00 0a ff 7f");
    EXPECT_EQ (MakePresetText ("Quarn", 15, bytes, 1), "Quarn 16 00");
    EXPECT_EQ (MakePresetText ("Selvo", 0, nullptr, 4), "");
    EXPECT_EQ (MakePresetText ("Selvo", 0, bytes, 0), "");
}

TEST (PresetText, DecodeRoundTripsEveryByte)
{
    unsigned char bytes[256];
    for (int i = 0; i < 256; ++i)
        bytes[i] = (unsigned char) i;
    const auto text = MakePresetText ("Selvo", 0, bytes, 256);
    int first = 0, second = 0;
    ASSERT_TRUE (FindPresetTextSpaces (text, first, second));
    juce::MemoryBlock decoded;
    ASSERT_TRUE (DecodePresetHex (text.substring (second + 1), decoded));
    ASSERT_EQ (decoded.getSize(), 256u);
    EXPECT_EQ (std::memcmp (decoded.getData(), bytes, 256), 0);
}

TEST (PresetText, StrictHexRefusesAnythingButSpacedPairs)
{
    struct Case { const char* hex; bool ok; };
    const Case cases[] = {
        { "00 ff", true }, { "AB cd", true }, { "7f", true },
        { "", false }, { "0", false }, { "00 f", false }, { "00  ff", false },
        { "00ff", false }, { "00 fg", false }, { "zz 00", false }, { "00 ff ", false },
        { " 00 ff", false }, { "00-ff", false }, { "0x ff", false }, { "00\tff", false },
    };
    for (const auto& c : cases)
    {
        juce::MemoryBlock out ("keep", 4);
        EXPECT_EQ (DecodePresetHex (c.hex, out), c.ok) << c.hex;
        if (! c.ok)
        {
            EXPECT_EQ (out.toString(), "keep") << c.hex;
        }
    }
    juce::MemoryBlock out;
    ASSERT_TRUE (DecodePresetHex ("AB cd", out));
    EXPECT_EQ ((unsigned char) out[0], 0xab);
    EXPECT_EQ ((unsigned char) out[1], 0xcd);
}

TEST (PresetText, SpacesMustExistWithinTheirLimits)
{
    struct Case { juce::String text; bool ok; };
    const Case cases[] = {
        { "Selvo 3 00", true },
        { "Selvo  00", true },            // an empty second field still has its two spaces
        { "Selvo", false },               // no space at all
        { "Selvo 3", false },             // no second space
        { juce::String::repeatedString ("x", 20) + " 3 00", true },
        { juce::String::repeatedString ("x", 21) + " 3 00", false },
        { "Selvo " + juce::String::repeatedString ("1", 24) + " 00", true },    // second at 30
        { "Selvo " + juce::String::repeatedString ("1", 25) + " 00", false },
    };
    for (const auto& c : cases)
    {
        int first = -7, second = -7;
        EXPECT_EQ (FindPresetTextSpaces (c.text, first, second), c.ok) << c.text;
        if (! c.ok)
        {
            EXPECT_EQ (first, -7);
        }
    }
}

TEST (PresetText, ValidityAgainstTheEffectsOwnText)
{
    const juce::String reference = "Selvo 2 00 11 22";
    struct Case { const char* text; bool ok; };
    const Case cases[] = {
        { "Selvo 9 aa bb cc", true },
        { "Selvo 16 AA BB CC", true },
        { "selvo 9 aa bb cc", false },    // product word is case-sensitive
        { "Quarn 9 aa bb cc", false },
        { "Selvo 9 aa bb c", false },     // one character short
        { "Selvo 9 aa bb ccd", false },
        { "Selvo 9 aa bb zz", false },    // not hexadecimal
        { "Selvo 9 aabbcc  ", false },    // same length, not pairs
        { "Selvo", false },
        { "Selvo 9", false },
        { "", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (IsPresetTextValid (c.text, "Selvo", reference), c.ok) << c.text;

    // An effect without preset data has the empty text: nothing is valid.
    EXPECT_FALSE (IsPresetTextValid ("Selvo 9 aa bb cc", "Selvo", ""));
}

TEST (PresetText, Title)
{
    EXPECT_EQ (PresetTextTitle ("Selvo 12 00 11"), "preset 12");
    EXPECT_EQ (PresetTextTitle ("Selvo 3 00"), "preset 3");
    EXPECT_EQ (PresetTextTitle ("Selvo"), "preset ");
}
