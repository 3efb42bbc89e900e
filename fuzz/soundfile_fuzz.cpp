// libFuzzer target for sound files: arbitrary bytes written as a .wav, .aif,
// .flac or .ogg file go through the sound-file check, the streaming reader
// (normal play or variable speed in either direction, with or without a
// loop, a seek half-way) and, when the input asks, the crunch effect's
// auxiliary source crossed at full gain. Everything played must be finite,
// the reader's output bounded, and every parameter of the effect finite
// and in 0..1 afterwards; otherwise the target aborts with what went wrong.
//
// Input: byte 0 = format (bits 0-1: wav, aif, flac, ogg), speed (bits 2-4),
// loop (bit 5), multichannel (bit 6, honoured at speeds up to 1 in
// magnitude), auxiliary source (bit 7); byte 1 = seek position in 256ths
// of the file; the rest is the file.
//
// Build and run (seed corpus in fuzz/corpus/soundfile, replayed by the crunch
// effect's tests; its files are written by the disabled test
// SoundFileCorpus.DISABLED_WriteSeeds), from the checkout:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja
//       -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=address -DVOKT_FUZZ=ON
//       -DVOKT_BUILD_TESTS=OFF -DVOKT_BUILD_BENCH=OFF
//   cmake --build build/fuzz --target vokt_soundfile_fuzzer -j4
//   mkdir -p build/fuzz/corpus-soundfile
//   build/fuzz/fuzz/vokt_soundfile_fuzzer build/fuzz/corpus-soundfile
//       fuzz/corpus/soundfile -max_len=65536 -max_total_time=900
#include "soundfile_fuzz.h"

#include "AudioFileCheck.h"
#include "MyAudioReader.h"
#include "SampleGuard.h"
#include "Utilities.h"
#include "Zuveruva.h"
#include "fuzz_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{
constexpr int blockSize = 512;
constexpr const char* extensions[] = { ".wav", ".aif", ".flac", ".ogg" };
constexpr float speeds[] = { 1.0f, 1.0f, -1.0f, 0.37f, 2.5f, -7.9f, 16.0f, 0.0f };

// The reader's kernel may ring above its input's bound, never by this much.
constexpr float readerBound = 64.0f * kSampleHeadroom;

struct Harness
{
    Harness()
    {
        SetUtilSampleRate (44100);
        setSoundFileAlert ([] (const juce::String&, const juce::String&) {});
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("vokt_soundfile_fuzz_" + juce::String::toHexString (juce::Random().nextInt64()));
        folder.createDirectory();

        effect = std::make_unique<Zuveruva>();
        effect->stopThreads();
        effect->setRateAndBufferSizeDetails (44100.0, blockSize);
        effect->prepareToPlay (44100.0, blockSize);
        effect->setNonRealtime (true);
        effect->setIndexedParameter (Zuveruva::kBands, 5.0f / 11.0f);
        effect->setIndexedParameter (Zuveruva::kBalance, 1.0f);
        effect->setIndexedParameter (Zuveruva::kAuxDepth, 1.0f);
        effect->setIndexedParameter (Zuveruva::kAuxGain, 1.0f);
        effect->setIndexedParameter (Zuveruva::kGain, 1.0f);
        effect->setIndexedParameter (Zuveruva::kMix, 1.0f);
    }
    ~Harness() { folder.deleteRecursively(); }

    juce::ScopedJuceInitialiser_GUI juceRuntime; // the calling thread is the message thread
    juce::File folder;
    std::unique_ptr<Zuveruva> effect;
    juce::AudioBuffer<float> buffer { 2, blockSize };
    juce::AudioBuffer<float> wide { MyAudioReader::maxChannels, blockSize };
    juce::MidiBuffer midi;
};

Harness& harness()
{
    static Harness h;
    return h;
}

std::string playReader (MyAudioReader& reader, juce::AudioBuffer<float>& buffer, int blocks)
{
    for (int b = 0; b < blocks; ++b)
    {
        buffer.clear();
        const float position = reader.processBlock (buffer);
        if (! std::isfinite (position))
            return "reader position not finite";
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int s = 0; s < buffer.getNumSamples(); ++s)
                if (! (std::fabs (buffer.getSample (c, s)) <= readerBound))
                    return "reader output not finite or out of bounds";
    }
    return {};
}

std::string renderEffect (Harness& h, Zuveruva& e, int blocks)
{
    for (int b = 0; b < blocks; ++b)
    {
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < blockSize; ++s)
                h.buffer.setSample (c, s, 0.25f * std::sin (0.05f * (float) (s + b * blockSize + 7 * c)));
        {
            const juce::ScopedLock sl (e.getCallbackLock());
            e.processBlock (h.buffer, h.midi);
        }
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < blockSize; ++s)
                if (! std::isfinite (h.buffer.getSample (c, s)))
                    return "effect output not finite";
    }
    for (int i = 0; i < Zuveruva::numParameters; ++i)
    {
        const float v = e.getIndexedParameter (i);
        if (! (v >= 0.0f && v <= 1.0f))
            return "parameter " + std::to_string (i) + " outside 0..1";
    }
    return {};
}
} // namespace

std::string soundFileFuzzSeed (int format, int speed, bool loop, bool multichannel, bool asAux, int seek,
                               const void* file, std::size_t size)
{
    std::string input;
    input += (char) ((format & 3) | ((speed & 7) << 2) | (loop ? 32 : 0) | (multichannel ? 64 : 0) | (asAux ? 128 : 0));
    input += (char) (seek & 255);
    input.append (static_cast<const char*> (file), size);
    return input;
}

std::string soundFileFuzzInput (const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return {};
    Harness& h = harness();
    const int options = data[0];
    const float seek = (float) data[1] / 256.0f;
    const bool loop = (options & 32) != 0;
    const bool asAux = (options & 128) != 0;
    const float speed = speeds[(options >> 2) & 7];
    // The reader's kernel costs taps (growing with the speed) times channels
    // for every frame of every refill (about 8000 frames per ring rebuild,
    // two per input): 64 channels at speed 16 took over half a minute an
    // input in the fuzz build. Faster than normal speed the input plays
    // the first two channels; the multichannel paths run at the slower
    // speeds, through the same kernel.
    const bool multichannel = (options & 64) != 0 && std::fabs (speed) <= 1.0f;

    const juce::File file = h.folder.getChildFile (juce::String ("input") + extensions[options & 3]);
    if (! file.replaceWithData (data + 2, size - 2))
        return {};

    const int check = validateAudioFile (file);
    if (check < -1)
        return "file check gave " + std::to_string (check);

    {
        MyAudioReader reader (file, multichannel, 1);
        reader.nonRealTime.store (true);
        reader.runNonRealTime();
        (void) reader.getFileInfos();
        if (speed != 1.0f)
        {
            reader.setPlayMode (2);
            reader.setVariableSpeed (speed);
        }
        reader.setSrMode (speed == 0.0f ? 0.5f : 1.0f);
        if (loop)
        {
            reader.setLoopNorm (0.25f, 0.75f);
            reader.setLoop (true);
        }
        reader.startPlay (false);
        auto& buffer = multichannel ? h.wide : h.buffer;
        std::string problem = playReader (reader, buffer, 3);
        if (problem.empty())
        {
            reader.setTimePosition (seek * (float) reader.lengthInSeconds);
            problem = playReader (reader, buffer, 3);
        }
        if (! problem.empty())
            return problem;
    }

    if (asAux && check == 0)
    {
        Zuveruva& e = *h.effect;
        e.loadAuxFile (file.getFullPathName());
        e.setIndexedParameter (Zuveruva::kPlay, 1.0f);
        std::string problem = renderEffect (h, e, 4);
        e.setIndexedParameter (Zuveruva::kPlay, 0.0f);
        e.timerCallback();
        if (! problem.empty())
            return "as auxiliary source: " + problem;
    }
    return {};
}

// Only in the fuzz target: the tests that replay the corpus link several
// targets' entry points into one program.
#ifdef VOKT_FUZZER_MAIN
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, std::size_t size)
{
    return fuzz_support::reportProblem ("sound file", soundFileFuzzInput (data, size));
}
#endif
