#pragma once
// The bytes of a WAV file of the extensible kind, written byte by byte: a
// 40-byte format chunk with `channels` 16-bit channels and no channel mask,
// and one frame of silence. Its reader numbers the channels past the named
// speakers.
#include <juce_core/juce_core.h>

#include <cstdint>

inline juce::MemoryBlock extensibleWavBytes (int channels)
{
    juce::MemoryOutputStream out;
    const int blockAlign = channels * 2;
    out.write ("RIFF", 4);
    out.writeInt (4 + 8 + 40 + 8 + blockAlign);
    out.write ("WAVEfmt ", 8);
    out.writeInt (40);
    out.writeShort ((short) (uint16_t) 0xfffe);
    out.writeShort ((short) channels);
    out.writeInt (44100);
    out.writeInt (44100 * blockAlign);
    out.writeShort ((short) blockAlign);
    out.writeShort (16);
    out.writeShort (22);
    out.writeShort (16);
    out.writeInt (0);
    const uint8_t pcm[16] = { 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71 };
    out.write (pcm, sizeof pcm);
    out.write ("data", 4);
    out.writeInt (blockAlign);
    out.writeRepeatedByte (0, (size_t) blockAlign);
    return out.getMemoryBlock();
}
