#pragma once
// Clipboard text of one preset: the product word, the preset number 1..16
// and the preset's bytes as lower-case hexadecimal pairs, all separated by
// single spaces ("Selvo 3 0a ff 00 ..."). Reading is strict: a text is
// accepted only when both separating spaces exist within their limits and
// the bytes are hexadecimal pairs and nothing else.
// Thread contract: pure functions on caller data, callable on any thread.
#include <juce_core/juce_core.h>

// Whether every byte of text is below 0x80. Reads the bytes only: a text
// from another program (the clipboard) may hold invalid UTF-8, which every
// character-wise juce::String operation would read past its end. Preset
// texts are ASCII by design; every reader below refuses anything else.
bool IsAsciiText (const juce::String& text) noexcept;

// Limits on where the two separating spaces may lie (character positions).
constexpr int kPresetTextFirstSpaceMax = 20;
constexpr int kPresetTextSecondSpaceMax = 30;

// The text of one preset; slot is 0-based and written 1-based. The empty
// text when there are no bytes (null pointer or size <= 0).
juce::String MakePresetText (const juce::String& productWord, int slot,
                             const unsigned char* bytes, int size);

// Positions of the first two spaces. False unless the text is ASCII, both exist, the first at a
// position <= 20 and the second at a position <= 30.
bool FindPresetTextSpaces (const juce::String& text, int& firstSpace, int& secondSpace);

// Decodes the byte part of a preset text: pairs of hexadecimal digits (either
// case) separated by single spaces, with no other character (no byte at or
// above 0x80) and nothing before or after. False (out untouched) for anything else.
bool DecodePresetHex (const juce::String& hex, juce::MemoryBlock& out);

// Whether text may be pasted into an effect whose product word is
// productWord and whose own preset text is reference: the first word equals
// the product word (case matters), both texts have their spaces within the
// limits, the byte parts have the same length, and the pasted byte part
// decodes strictly.
bool IsPresetTextValid (const juce::String& text, const juce::String& productWord,
                        const juce::String& reference);

// "preset " followed by the text's second field (between the first and the
// second space); "preset " alone when the text has no such field.
juce::String PresetTextTitle (const juce::String& text);
