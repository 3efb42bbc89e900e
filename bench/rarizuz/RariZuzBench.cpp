// The spectral delay, stereo, in blocks of 512 at 44.1 kHz, with 8 active
// full-band bars at different delays, all with feedback and edge smoothing,
// for N = 256, 2048 and 131072.
//   realtime_x     seconds of audio processed per second of CPU
//   fft_realtime_x the same for the bare transforms of those frames alone
//                  (2 forward and 2 inverse windowed transforms per frame)
//   engine_frame_us, bare_frame_us
//                  engine and bare transform time per frame, in CPU time,
//                  taken in alternating groups of blocks in the same run
//   ratio_to_fft   engine time per frame / bare transform time per frame
// Before the benchmarks, the resident memory one engine adds and the time
// one takes to construct are printed.
#include "FFTUtils.h"
#include "RariZuz.h"
#include "Utilities.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double rate = 44100.0;
constexpr int block = 512;

int log2Of (int64_t n)
{
    int m = 0;
    while ((int64_t (1) << m) < n)
        ++m;
    return m;
}

double threadSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec + 1e-9 * (double) t.tv_nsec;
}

// The bare transforms of one frame: 2 windowed forward and 2 windowed
// inverse transforms.
class BareFrame
{
public:
    explicit BareFrame (int64_t n) : frame ((size_t) n)
    {
        for (int k = 0; k < 4; ++k)
        {
            t.push_back (std::make_unique<FFTUtils> (RariZuz::frameCapacity));
            t.back()->setSize (log2Of (n));
        }
        juce::Random random (1);
        for (auto& x : frame)
            x = random.nextFloat() - 0.5f;
    }

    void once()
    {
        for (int k = 0; k < 2; ++k)
        {
            work[k] = frame;
            t[(size_t) k]->directFFT (work[k].data());
        }
        for (int k = 0; k < 2; ++k)
            t[(size_t) (2 + k)]->inverseFFT (work[k].data());
        benchmark::DoNotOptimize (work[0].data());
        benchmark::DoNotOptimize (work[1].data());
    }

private:
    std::vector<std::unique_ptr<FFTUtils>> t;
    std::vector<float> frame, work[2];
};

std::unique_ptr<RariZuz> makeEngine (int64_t n)
{
    auto fx = std::make_unique<RariZuz>();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    fx->setBusesLayout (layout);
    fx->prepareToPlay (rate, block);
    fx->setIndexedParameter (RariZuz::pBands, (float) (log2Of (n) - 8) / 9.0f);
    for (int k = 0; k < 8; ++k)
    {
        // Frequency 0 to 1 (display y 1 to 0) at delays 0.05 .. 0.75.
        const float d = 0.05f + 0.1f * (float) k;
        fx->createBar (k, 1.0f - d, 1.0f, 1.0f - d, 0.0f);
        fx->setIndexedParameter (RariZuz::pFeedback + k, 0.5f);
        fx->setIndexedParameter (RariZuz::pPan + k, (float) k / 7.0f);
    }
    fx->setIndexedParameter (RariZuz::pSmoothness, 0.2f);
    fx->setIndexedParameter (RariZuz::pMix, 0.7f);
    return fx;
}

void BM_RariZuzStereo8Bars (benchmark::State& state)
{
    const int64_t n = state.range (0);
    BareFrame bare (n);
    auto fx = makeEngine (n);
    if (fx->getFftSize() != n)
    {
        state.SkipWithError ("frame size not set");
        return;
    }

    juce::AudioBuffer<float> buffer (2, block);
    juce::MidiBuffer midi;
    juce::Random random (2);
    std::vector<std::vector<float>> source (2, std::vector<float> ((size_t) block));
    for (auto& channel : source)
        for (auto& x : channel)
            x = (random.nextFloat() - 0.5f) * 0.2f;

    // The ratio compares times taken side by side: every group of blocks
    // is followed by the bare transforms of as many frames, both timed in
    // this thread's CPU time, so a change of load during the run moves both.
    // The bare part is left out of the benchmark's own timing.
    constexpr int group = 64;
    const double framesPerBlock = (double) block / (double) (n / 4);
    const int bareFrames = std::max (1, (int) std::lround (group * framesPerBlock));
    double engineSeconds = 0.0, bareSeconds = 0.0;
    long engineBlocks = 0, bareDone = 0;
    int inGroup = 0;
    double groupStart = 0.0;

    for (auto _ : state)
    {
        if (inGroup == 0)
            groupStart = threadSeconds();
        for (int c = 0; c < 2; ++c)
            buffer.copyFrom (c, 0, source[(size_t) c].data(), block);
        fx->processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));

        if (++inGroup == group)
        {
            engineSeconds += threadSeconds() - groupStart;
            engineBlocks += group;
            inGroup = 0;

            state.PauseTiming();
            const double start = threadSeconds();
            for (int f = 0; f < bareFrames; ++f)
                bare.once();
            bareSeconds += threadSeconds() - start;
            bareDone += bareFrames;
            state.ResumeTiming();
        }
    }

    if (engineBlocks == 0 || bareDone == 0)
        return;
    const double bareFrame = bareSeconds / (double) bareDone;
    const double engineFrame = engineSeconds / ((double) engineBlocks * framesPerBlock);
    state.counters["realtime_x"] = benchmark::Counter ((double) block / rate, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["fft_realtime_x"] = ((double) (n / 4) / rate) / bareFrame;
    state.counters["bare_frame_us"] = bareFrame * 1e6;
    state.counters["engine_frame_us"] = engineFrame * 1e6;
    state.counters["ratio_to_fft"] = engineFrame / bareFrame;
}
BENCHMARK (BM_RariZuzStereo8Bars)->Arg (256)->Arg (2048)->Arg (131072)->Unit (benchmark::kMicrosecond);

long residentKiB()
{
    std::ifstream status ("/proc/self/status");
    std::string line;
    while (std::getline (status, line))
        if (line.rfind ("VmRSS:", 0) == 0)
            return std::stol (line.substr (6));
    return -1;
}

void printInstanceCost()
{
    // A first engine makes the process-wide tables; the second one's growth
    // is what an instance costs.
    auto first = makeEngine (2048);

    // Construction alone (the constructor sets N = 2048), fastest and
    // median of 7, in wall time and in this thread's CPU time (which a
    // loaded machine does not stretch).
    std::vector<double> wall, cpu;
    for (int k = 0; k < 7; ++k)
    {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadSeconds();
        auto fx = std::make_unique<RariZuz>();
        cpu.push_back (1e3 * (threadSeconds() - cpuStart));
        wall.push_back (std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize (fx.get());
    }
    std::sort (wall.begin(), wall.end());
    std::sort (cpu.begin(), cpu.end());
    std::printf ("construction of one engine: wall %.1f ms fastest, %.1f ms median; CPU %.1f ms fastest, %.1f ms median (of %d)\n",
                 wall.front(), wall[wall.size() / 2], cpu.front(), cpu[cpu.size() / 2], (int) wall.size());

    const long before = residentKiB();
    auto second = makeEngine (2048);
    juce::AudioBuffer<float> buffer (2, block);
    juce::MidiBuffer midi;
    for (int b = 0; b < 200; ++b)
    {
        buffer.clear();
        second->processBlock (buffer, midi);
    }
    const long after = residentKiB();
    std::printf ("resident memory of one engine (N = 2048, stereo, prepared and running): %.1f MiB\n",
                 (double) (after - before) / 1024.0);
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    printInstanceCost();
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
