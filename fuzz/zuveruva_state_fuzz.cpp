// libFuzzer target for the crunch effect's saved state: arbitrary bytes go
// to Zuveruva::setStateInformation and setCurrentProgramStateInformation
// (the plug-in's host state), then the effect's timer runs, a preset chosen
// by the input's last byte is recalled and interpolated on a test clock, the
// super slider mixes two loaded presets, and a few blocks are rendered.
// After each input every live value, super-slider cell, preset state,
// program record and name must be in range, and the output finite;
// otherwise the target aborts with what went wrong. Each input starts from
// the factory state and the effect's own threads are stopped, so a finding
// reproduces from its input alone.
//
// Build and run (the seed corpus in fuzz/corpus/zuveruva_state is replayed
// by the crunch effect's tests; its files are written by the disabled test
// ZuveruvaStateCorpus.DISABLED_WriteSeeds), from the checkout:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz-zuveruva -G Ninja
//       -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=address -DVOKT_FUZZ=ON
//       -DVOKT_BUILD_TESTS=OFF -DVOKT_BUILD_BENCH=OFF
//   cmake --build build/fuzz-zuveruva --target vokt_zuveruva_state_fuzzer -j4
//   mkdir -p build/fuzz-zuveruva/corpus
//   build/fuzz-zuveruva/fuzz/vokt_zuveruva_state_fuzzer build/fuzz-zuveruva/corpus
//       fuzz/corpus/zuveruva_state -max_total_time=600
#include "zuveruva_state_fuzz.h"

#include "Utilities.h"
#include "Zuveruva.h"
#include "fuzz_support.h"

#include <atomic>
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
constexpr int blocks = 6;

std::atomic<double> clockMs { 1.0e6 };
double testClock() { return clockMs.load(); }

bool normalised (float v) { return v >= 0.0f && v <= 1.0f; }

template <typename Record>
bool recordInRange (const Record& r)
{
    const float values[] = { r.bands, r.gain, r.mix, r.balance, r.auxGain, r.auxDepth, r.auxOn, r.frequency,
                             r.amplitude, r.interSpeed, r.loop, r.loopBegin, r.loopEnd, r.sync, r.agitationAmpl1,
                             r.agitationSpeed1, r.agitationSwitch };
    for (float v : values)
        if (! normalised (v))
            return false;
    for (float v : r.agitationIds)
        if (! normalised (v))
            return false;
    for (int g = 0; g < 3; ++g)
        if (! normalised (r.agitationAmpl234[g]) || ! normalised (r.agitationSpeed234[g]))
            return false;
    return true;
}

std::string effectProblem (Zuveruva& e)
{
    for (int i = 0; i < Zuveruva::numParameters; ++i)
    {
        if (! normalised (e.getIndexedParameter (i)))
            return "parameter " + std::to_string (i) + " outside 0..1";
        (void) e.getIndexedParameterText (i);
    }
    for (int cell = 0; cell < 8; ++cell)
        if (e.getSuperState (cell) < -1 || e.getSuperState (cell) > 15)
            return "super-slider cell out of range";
    if (e.getSuperState (0) == -1 || e.getSuperState (7) == -1)
        return "super-slider end cell empty";
    const int64_t n = e.getFrameSize();
    if (n < 4 || n > 8192 || (n & (n - 1)) != 0)
        return "frame size not a power of two in 4..8192";
    if (e.getLatencySamples() != (int) n - 1)
        return "latency does not match the frame size";
    const float rate = e.interpolationRate.load();
    if (! (std::isfinite (rate) && rate > 0.0f))
        return "interpolation rate not positive";
    if (! normalised (e.getAlfa()))
        return "interpolation position outside 0..1";

    int states[16];
    e.getPresetStates (states);
    for (int k = 0; k < 16; ++k)
    {
        if (states[k] < 0 || states[k] > 3)
            return "preset state out of range";
        if (! recordInRange (e.getWorkingPreset (k)))
            return "working preset value outside 0..1";
    }
    for (int k = 0; k < Zuveruva::numProgramsTotal; ++k)
    {
        const ZuveruvaProgram p = e.getProgram (k);
        if (! recordInRange (p) || ! normalised (p.superSlider) || p.loadSpeed > 1)
            return "program value outside its range";
        if (p.name[sizeof (p.name) - 1] != 0 || p.auxPath[sizeof (p.auxPath) - 1] != 0)
            return "program text not terminated";
        for (int c : p.superCells)
            if (c < -1 || c > 15)
                return "program cell out of range";
        for (const auto& preset : p.presets)
            if (! recordInRange (preset) || preset.state < 0 || preset.state > 3)
                return "program preset out of range";
        if (e.getProgramName (k).getNumBytesAsUTF8() > 23)
            return "program name too long";
    }
    return {};
}

struct Harness
{
    Harness()
    {
        SetUtilSampleRate (44100);
        effect = std::make_unique<Zuveruva>();
        // No timer tick and no agitator thread: every step is run here.
        effect->stopThreads();
        effect->setMillisecondClock (&testClock);
        effect->setRateAndBufferSizeDetails (44100.0, blockSize);
        effect->prepareToPlay (44100.0, blockSize);

        Zuveruva factory;
        factory.stopThreads();
        juce::MemoryBlock chunk;
        factory.getStateInformation (chunk);
        const auto* bytes = static_cast<const uint8_t*> (chunk.getData());
        factoryState.assign (bytes, bytes + chunk.getSize());
    }

    juce::ScopedJuceInitialiser_GUI juceRuntime; // the calling thread is the message thread
    std::unique_ptr<Zuveruva> effect;
    std::vector<uint8_t> factoryState;
    juce::AudioBuffer<float> buffer { 2, blockSize };
    juce::MidiBuffer midi;
};

Harness& harness()
{
    static Harness h;
    return h;
}
} // namespace

std::string zuveruvaStateFuzzInput (const uint8_t* data, std::size_t size)
{
    if (size > (std::size_t) std::numeric_limits<int>::max())
        return {};

    Harness& h = harness();
    Zuveruva& e = *h.effect;
    // The clock of the recall is the test clock, whatever the last input rendered.
    e.TickCount();
    e.audioClock.store (false);
    e.setStateInformation (h.factoryState.data(), (int) h.factoryState.size());

    fuzz_support::loadBothChunks (e, data, size);

    std::string problem = effectProblem (e);
    if (! problem.empty())
        return "after loading: " + problem;

    // What was loaded is used: a recall interpolated to its end, and a mix
    // of the presets around a slider position.
    const int choice = size > 0 ? data[size - 1] : 0;
    e.SetPreset (choice & 15, (choice & 16) != 0 ? 3 : 0);
    for (int step = 0; step < 4; ++step)
    {
        clockMs.store (clockMs.load() + 1000.0);
        e.threadCallback();
    }
    e.setIndexedParameter (Zuveruva::kSuperSlider, (float) (choice % 97) / 96.0f);
    e.StopInterpolation();
    e.timerCallback();
    problem = effectProblem (e);
    if (! problem.empty())
        return "after a recall: " + problem;

    return fuzz_support::renderSine (e, h.buffer, h.midi, blocks);
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, std::size_t size)
{
    return fuzz_support::reportProblem ("zuveruva state", zuveruvaStateFuzzInput (data, size));
}
