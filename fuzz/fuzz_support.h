#pragma once
// Steps the fuzz targets share: an input given to an effect as both kinds of
// state chunk, blocks rendered and checked, and the entry point's report.
#include "MyEffect.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzz_support
{
// Gives `data` to `e` as a whole-state chunk and as a current-program chunk,
// from an exactly sized copy (a read past the input's end is caught), then
// runs the effect's timer once.
inline void loadBothChunks (MyEffect& e, const uint8_t* data, std::size_t size)
{
    std::unique_ptr<uint8_t[]> copy (new uint8_t[size]);
    if (size > 0)
        std::memcpy (copy.get(), data, size);
    e.setStateInformation (copy.get(), (int) size);
    e.setCurrentProgramStateInformation (copy.get(), (int) size);
    e.timerCallback();
}

// Renders `blocks` blocks of a stereo sine through `e` in `buffer`; what went
// wrong (a sample that is not finite), or the empty text.
inline std::string renderSine (MyEffect& e, juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi, int blocks)
{
    const int blockSize = buffer.getNumSamples();
    for (int b = 0; b < blocks; ++b)
    {
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < blockSize; ++s)
                buffer.setSample (c, s, 0.25f * std::sin (0.05f * (float) (s + b * blockSize + 7 * c)));
        e.processBlock (buffer, midi);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < blockSize; ++s)
                if (! std::isfinite (buffer.getSample (c, s)))
                    return "a rendered sample is not finite";
    }
    return {};
}

// The libFuzzer entry point's end: a problem is printed under the target's
// name and aborts, so the fuzzer keeps the input.
inline int reportProblem (const char* target, const std::string& problem)
{
    if (! problem.empty())
    {
        std::fprintf (stderr, "%s: %s\n", target, problem.c_str());
        std::abort();
    }
    return 0;
}
} // namespace fuzz_support
