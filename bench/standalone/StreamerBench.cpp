// The whole device callback of the streamer: a stereo sound file read by the
// reader's thread, through the spectral delay (N = 2048, 8 active full-band
// bars with feedback), to a stereo device, at 64, 256, 512 and 1024 frames
// per block and 44.1 kHz. Blocks are paced at twice real time so that the
// reader's thread keeps its ring filled as it would for a device.
//   p50, p99, max   callback time as a fraction of the block period
//   silent_blocks   timed blocks whose output was all zero (the reader fell
//                   behind or the effect stopped): should be 0
#include "AudioFilterStreamer.h"
#include "RariZuz.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace
{
constexpr double rate = 44100.0;
constexpr double audioSecondsTimed = 8.0;
constexpr double audioSecondsWarmUp = 1.0;
constexpr double pace = 2.0; // blocks arrive this many times faster than real time

juce::File makeFile()
{
    static const juce::File file = [] {
        auto f = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vokt_streamer_bench.wav");
        f.deleteFile();
        juce::WavAudioFormat wav;
        auto stream = f.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate, 2, 16, {}, 0));
        if (writer == nullptr)
            return juce::File();
        stream.release();
        juce::Random random (5);
        juce::AudioBuffer<float> chunk (2, 4410);
        for (int block = 0; block < 100; ++block)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < chunk.getNumSamples(); ++i)
                    chunk.setSample (c, i, (random.nextFloat() - 0.5f) * 0.5f);
            writer->writeFromAudioSampleBuffer (chunk, 0, chunk.getNumSamples());
        }
        return f;
    }();
    return file;
}

std::unique_ptr<RariZuz> makeEngine()
{
    auto fx = std::make_unique<RariZuz>();
    for (int k = 0; k < 8; ++k)
    {
        const float d = 0.05f + 0.1f * (float) k;
        fx->createBar (k, 1.0f - d, 1.0f, 1.0f - d, 0.0f);
        fx->setIndexedParameter (RariZuz::pActive + k, 1.0f);
        fx->setIndexedParameter (RariZuz::pFeedback + k, 0.5f);
        fx->setIndexedParameter (RariZuz::pPan + k, (float) k / 7.0f);
    }
    fx->setIndexedParameter (RariZuz::pSmoothness, 0.2f);
    fx->setIndexedParameter (RariZuz::pMix, 0.7f);
    return fx;
}

void BM_StreamerCallback (benchmark::State& state)
{
    const int frames = (int) state.range (0);
    const auto file = makeFile();
    auto fx = makeEngine();
    if (fx->getFftSize() != 2048 || ! file.existsAsFile())
    {
        state.SkipWithError ("set-up failed");
        return;
    }

    AudioFilterStreamer streamer (fx.get(), nullptr);
    fx->prepareToPlay (rate, std::min (frames, AudioFilterStreamer::maxPieceFrames));
    streamer.reconfigureEffect (2, 2);
    streamer.initAudioReader (file);
    streamer.setLoop (true);
    streamer.readerReady.store (true);

    std::vector<std::vector<float>> out (2, std::vector<float> ((size_t) frames));
    float* outputs[2] = { out[0].data(), out[1].data() };
    const float* const* noInputs = nullptr;
    const juce::AudioIODeviceCallbackContext context {};

    using clock = std::chrono::steady_clock;
    const double period = frames / rate;
    const auto step = std::chrono::duration_cast<clock::duration> (std::chrono::duration<double> (period / pace));
    auto next = clock::now();
    auto oneBlock = [&] {
        const auto start = clock::now();
        streamer.audioDeviceIOCallbackWithContext (noInputs, 0, outputs, 2, frames, context);
        const double seconds = std::chrono::duration<double> (clock::now() - start).count();
        next += step;
        std::this_thread::sleep_until (next);
        return seconds;
    };

    streamer.startPlay();
    for (int i = 0; i < (int) (audioSecondsWarmUp * rate / frames); ++i)
        oneBlock();

    std::vector<double> fractions;
    fractions.reserve ((size_t) state.max_iterations);
    int silent = 0;
    for (auto _ : state)
    {
        const double seconds = oneBlock();
        state.SetIterationTime (seconds);
        fractions.push_back (seconds / period);
        const auto range = juce::FloatVectorOperations::findMinAndMax (out[0].data(), frames);
        silent += range.getStart() == 0.0f && range.getEnd() == 0.0f;
    }

    std::sort (fractions.begin(), fractions.end());
    const auto at = [&] (double q) {
        const auto i = (size_t) std::clamp (std::ceil (q * (double) fractions.size()) - 1.0, 0.0, (double) fractions.size() - 1.0);
        return fractions[i];
    };
    state.counters["p50"] = at (0.50);
    state.counters["p99"] = at (0.99);
    state.counters["max"] = fractions.back();
    state.counters["silent_blocks"] = silent;
    state.counters["frames"] = frames;
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    for (const int frames : { 64, 256, 512, 1024 })
        benchmark::RegisterBenchmark ("BM_StreamerCallback", BM_StreamerCallback)
            ->Arg (frames)
            ->UseManualTime()
            ->Unit (benchmark::kMicrosecond)
            ->Iterations ((benchmark::IterationCount) (audioSecondsTimed * rate / frames));
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    makeFile().deleteFile();
    return 0;
}
