// Resampled refill step of the streaming reader: variableReader(1024) at
// kernel half-width m = 127 (up to 8 channels), at unit rate (A = 1) and at
// rate 2 (kernel widened to A = 2.05), for 2 and 8 channels. The "realtime"
// counter is seconds of output produced per second of CPU: the real-time
// factor at the file's sample rate.
#include "MyAudioReader.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace
{
constexpr double benchRate = 48000.0;

juce::File benchFile (int channels)
{
    static std::map<int, juce::File> files;
    auto& file = files[channels];
    if (file == juce::File())
    {
        file = juce::File::getSpecialLocation (juce::File::tempDirectory)
                   .getChildFile ("vokt_player_bench_" + juce::String (channels) + ".wav");
        file.deleteFile();
        juce::WavAudioFormat wav;
        auto stream = file.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), benchRate, (unsigned int) channels, 32, {}, 0));
        stream.release();
        juce::AudioBuffer<float> data (channels, (int) benchRate);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < data.getNumSamples(); ++i)
                data.setSample (c, i, 0.5f * (float) std::sin (0.01 * (c + 1) * i));
        writer->writeFromAudioSampleBuffer (data, 0, data.getNumSamples());
    }
    return file;
}

void variableReader (benchmark::State& state)
{
    const int channels = (int) state.range (0);
    const double rate = (double) state.range (1) / 100.0;
    MyAudioReader reader (benchFile (channels), true, 1);
    // Take the refill side over from the reader's thread.
    reader.nonRealTime = true;
    reader.runNonRealTime();
    if (reader.halfWidth != 127)
        state.SkipWithError ("unexpected kernel width");

    for (auto _ : state)
    {
        reader.fracPosition = 4000.5;
        reader.currentRate.store (rate);
        reader.targetRate = rate;
        reader.blockRate = rate;
        benchmark::DoNotOptimize (reader.variableReader (MyAudioReader::blockFrames));
        benchmark::DoNotOptimize (reader.resampledBlocks[0][100]);
    }
    state.counters["realtime"] = benchmark::Counter ((double) state.iterations() * MyAudioReader::blockFrames / benchRate,
                                                     benchmark::Counter::kIsRate);
    state.SetLabel ("A=" + std::to_string (rate > 1.0 ? rate * (1.0 + 3.2 / 128.0) : 1.0).substr (0, 4));
}
} // namespace

BENCHMARK (variableReader)->ArgNames ({ "channels", "rate%" })->Args ({ 2, 100 })->Args ({ 2, 200 })->Args ({ 8, 100 })->Args ({ 8, 200 })->Unit (benchmark::kMicrosecond);

BENCHMARK_MAIN();
