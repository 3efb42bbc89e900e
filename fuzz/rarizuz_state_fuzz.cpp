// libFuzzer target for the spectral delay's saved state: arbitrary bytes go
// to RariZuz::setStateInformation and setCurrentProgramStateInformation,
// then the engine's timer runs once and a few blocks are rendered. After
// each input every live value, bar, super-slider cell, preset and program
// name must be in range and finite, and the output finite; otherwise the
// target aborts with what went wrong. Each input starts from the factory
// state (keeping the frame size and the delay lines' history), so a finding
// reproduces from its input alone.
//
// Build and run (the seed corpus in fuzz/corpus/rarizuz_state is replayed
// by the spectral delay's tests; its files are written by the disabled test
// RariZuzStateCorpus.DISABLED_WriteSeeds), from the checkout:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz-rarizuz -G Ninja
//       -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=address -DVOKT_FUZZ=ON
//       -DVOKT_BUILD_TESTS=OFF -DVOKT_BUILD_BENCH=OFF
//   cmake --build build/fuzz-rarizuz --target vokt_rarizuz_state_fuzzer -j4
//   mkdir -p build/fuzz-rarizuz/corpus
//   build/fuzz-rarizuz/fuzz/vokt_rarizuz_state_fuzzer build/fuzz-rarizuz/corpus
//       fuzz/corpus/rarizuz_state -max_total_time=600
#include "rarizuz_state_fuzz.h"

#include "RariZuz.h"
#include "RariZuzStateCheck.h"
#include "Utilities.h"
#include "fuzz_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace
{
constexpr int blockSize = 512;
constexpr int blocks = 8;

struct Harness
{
    Harness()
    {
        SetUtilSampleRate (44100);
        engine = std::make_unique<RariZuz>();
        engine->prepareToPlay (44100.0, blockSize);

        // The factory state once per frame size: restoring the one of the
        // current size resets everything but the delay lines' history,
        // without reallocating them (most of an input's cost otherwise).
        for (int h = 0; h < numSizes; ++h)
        {
            RariZuz factory;
            factory.setIndexedParameter (RariZuz::pBands, (float) h / (float) (numSizes - 1));
            juce::MemoryBlock chunk;
            factory.getStateInformation (chunk);
            const auto* bytes = static_cast<const uint8_t*> (chunk.getData());
            factoryStates[h].assign (bytes, bytes + chunk.getSize());
        }
    }

    const std::vector<uint8_t>& factoryStateOfCurrentSize() const
    {
        int h = 0;
        while (h < numSizes - 1 && (int64_t (256) << h) < engine->getFftSize())
            ++h;
        return factoryStates[h];
    }

    juce::ScopedJuceInitialiser_GUI juceRuntime;   // the calling thread is the message thread
    std::unique_ptr<RariZuz> engine;
    static constexpr int numSizes = 10;
    std::vector<uint8_t> factoryStates[numSizes];
    juce::AudioBuffer<float> buffer { 2, blockSize };
    juce::MidiBuffer midi;
};

Harness& harness()
{
    static Harness h;
    return h;
}
} // namespace

std::string rarizuzStateFuzzInput (const uint8_t* data, std::size_t size)
{
    if (size > (std::size_t) std::numeric_limits<int>::max())
        return {};

    Harness& h = harness();
    RariZuz& e = *h.engine;
    const auto& factory = h.factoryStateOfCurrentSize();
    e.setStateInformation (factory.data(), (int) factory.size());

    fuzz_support::loadBothChunks (e, data, size);

    const std::string problem = rarizuz_check::engineProblem (e);
    if (! problem.empty())
        return "after loading: " + problem;

    return fuzz_support::renderSine (e, h.buffer, h.midi, blocks);
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, std::size_t size)
{
    return fuzz_support::reportProblem ("rarizuz state", rarizuzStateFuzzInput (data, size));
}
