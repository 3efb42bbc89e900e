#pragma once
// Entry point of the sound-file fuzz target, shared with the test that
// replays its seed corpus (message thread).
#include <cstddef>
#include <cstdint>
#include <string>

// The first two bytes choose how the file is used (format, speed, loop,
// seek, channels, whether the crunch effect takes it as its auxiliary
// source); the rest is the file. Returns what went wrong, or the empty text.
std::string soundFileFuzzInput (const uint8_t* data, std::size_t size);

// The two option bytes of an input whose file is `file` (tests and seeds).
std::string soundFileFuzzSeed (int format, int speed, bool loop, bool multichannel, bool asAux, int seek,
                               const void* file, std::size_t size);
