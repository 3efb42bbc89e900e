// The crunch engine, stereo with the auxiliary source on (side chain), in
// blocks of 512 at 44.1 kHz, for N = 4, 128, 1024 and 8192.
//   realtime_x     seconds of audio processed per second of CPU
//   ratio_to_fft   engine time per frame / the bare analysis and synthesis
//                  of that frame (4 analyses, 2 syntheses), measured in the
//                  same run
#include "FFTUtils.h"
#include "Zuveruva.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <chrono>
#include <memory>
#include <vector>

namespace
{
constexpr double rate = 44100.0;
constexpr int block = 512;

int log2Of (int n)
{
    int m = 0;
    while ((1 << m) < n)
        ++m;
    return m;
}

// Seconds per frame of 4 analyses and 2 syntheses of size n.
double bareFrameSeconds (int n)
{
    std::vector<std::unique_ptr<FFTUtils>> t;
    for (int k = 0; k < 6; ++k)
    {
        t.push_back (std::make_unique<FFTUtils> (8196));
        t.back()->setSize (log2Of (n));
        t.back()->sampleRate.store ((float) rate);
    }
    juce::Random random (1);
    std::vector<float> frame ((size_t) n), work ((size_t) n);
    for (auto& x : frame)
        x = random.nextFloat() - 0.5f;

    auto once = [&] {
        for (int k = 0; k < 4; ++k)
        {
            std::copy (frame.begin(), frame.end(), work.begin());
            t[(size_t) k]->analyse (work.data());
        }
        for (int k = 4; k < 6; ++k)
        {
            t[(size_t) k]->setAmplitudes (t[0]->getAmplitudes (nullptr));
            t[(size_t) k]->setFrequences (t[0]->getFrequences (nullptr));
            t[(size_t) k]->synthesis (work.data());
        }
        benchmark::DoNotOptimize (work.data());
    };

    long iterations = 0;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0.0;
    do
    {
        for (int i = 0; i < 64; ++i)
            once();
        iterations += 64;
        elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    } while (elapsed < 0.3);
    return elapsed / (double) iterations;
}

void BM_ZuveruvaStereoWithAux (benchmark::State& state)
{
    const int n = (int) state.range (0);
    const double bare = bareFrameSeconds (n);

    Zuveruva fx;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    fx.setBusesLayout (layout);
    fx.setRateAndBufferSizeDetails (rate, block);
    fx.prepareToPlay (rate, block);
    fx.setIndexedParameter (Zuveruva::kBands, (float) (log2Of (n) - 2) / 11.0f);
    fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
    fx.setIndexedParameter (Zuveruva::kMix, 0.7f);
    fx.setIndexedParameter (Zuveruva::kBalance, 0.6f);
    fx.setIndexedParameter (Zuveruva::kAuxDepth, 0.8f);

    juce::AudioBuffer<float> buffer (4, block);
    juce::MidiBuffer midi;
    juce::Random random (2);
    std::vector<std::vector<float>> source (4, std::vector<float> ((size_t) block));
    for (auto& channel : source)
        for (auto& x : channel)
            x = random.nextFloat() - 0.5f;

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        for (int c = 0; c < 4; ++c)
            buffer.copyFrom (c, 0, source[(size_t) c].data(), block);
        fx.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    const double seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    const double blocks = (double) state.iterations();
    const double framesPerBlock = (double) block / (double) (n / 4);
    const double framePerSecond = seconds / (blocks * framesPerBlock);

    state.counters["realtime_x"] = blocks * block / rate / seconds;
    state.counters["fft_realtime_x"] = ((double) (n / 4) / rate) / bare;
    state.counters["frame_us"] = framePerSecond * 1e6;
    state.counters["bare_frame_us"] = bare * 1e6;
    state.counters["ratio_to_fft"] = framePerSecond / bare;
}
BENCHMARK (BM_ZuveruvaStereoWithAux)->Arg (4)->Arg (128)->Arg (1024)->Arg (8192)->Unit (benchmark::kMicrosecond);
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
