#include "PresetText.h"

#include <cstring>

namespace
{
int HexDigitValue (char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

bool IsAsciiText (const juce::String& text) noexcept
{
    // The string's own buffer, always NUL-terminated: bytes, never characters.
    for (const char* p = text.toRawUTF8(); *p != 0; ++p)
        if ((unsigned char) *p >= 0x80)
            return false;
    return true;
}

juce::String MakePresetText (const juce::String& productWord, int slot,
                             const unsigned char* bytes, int size)
{
    if (bytes == nullptr || size <= 0)
        return {};

    static const char digits[] = "0123456789abcdef";
    juce::String text;
    text.preallocateBytes ((size_t) productWord.getNumBytesAsUTF8() + 4 + (size_t) size * 3 + 1);
    text << productWord << ' ' << juce::String (slot + 1) << ' ';

    for (int i = 0; i < size; ++i)
    {
        if (i > 0)
            text << ' ';
        const char pair[3] = { digits[bytes[i] >> 4], digits[bytes[i] & 15], 0 };
        text << pair;
    }
    return text;
}

bool FindPresetTextSpaces (const juce::String& text, int& firstSpace, int& secondSpace)
{
    if (! IsAsciiText (text))
        return false;
    const int first = text.indexOfChar (' ');
    if (first < 0 || first > kPresetTextFirstSpaceMax)
        return false;
    const int second = text.indexOfChar (first + 1, ' ');
    if (second < 0 || second > kPresetTextSecondSpaceMax)
        return false;
    firstSpace = first;
    secondSpace = second;
    return true;
}

bool DecodePresetHex (const juce::String& hex, juce::MemoryBlock& out)
{
    if (! IsAsciiText (hex))
        return false;
    const char* p = hex.toRawUTF8();
    const size_t length = std::strlen (p);

    // Pairs of digits, one space between pairs: n pairs take 3n - 1 bytes.
    if (length < 2 || (length + 1) % 3 != 0)
        return false;

    const size_t count = (length + 1) / 3;
    juce::MemoryBlock bytes (count, false);
    auto* dst = static_cast<unsigned char*> (bytes.getData());

    for (size_t i = 0; i < count; ++i)
    {
        const char* pair = p + 3 * i;
        const int hi = HexDigitValue (pair[0]);
        const int lo = HexDigitValue (pair[1]);
        if (hi < 0 || lo < 0)
            return false;
        if (i + 1 < count && pair[2] != ' ')
            return false;
        dst[i] = (unsigned char) (hi * 16 + lo);
    }

    out = std::move (bytes);
    return true;
}

bool IsPresetTextValid (const juce::String& text, const juce::String& productWord,
                        const juce::String& reference)
{
    int first = 0, second = 0;
    if (! FindPresetTextSpaces (text, first, second))
        return false;
    if (text.substring (0, first) != productWord)
        return false;

    int refFirst = 0, refSecond = 0;
    if (! FindPresetTextSpaces (reference, refFirst, refSecond))
        return false;

    const juce::String hex = text.substring (second + 1);
    if (hex.length() != reference.substring (refSecond + 1).length())
        return false;

    juce::MemoryBlock decoded;
    return DecodePresetHex (hex, decoded);
}

juce::String PresetTextTitle (const juce::String& text)
{
    int first = 0, second = 0;
    if (! FindPresetTextSpaces (text, first, second))
        return "preset ";
    return "preset " + text.substring (first + 1, second);
}
