// The sonogram's update, run on the message thread every 50 ms: the columns
// of the frames that arrived since the last tick, for N = 256, 2048 and
// 131072 (one tick of audio at 44.1 kHz brings about 34, 4.3 and 0.07
// frames), and the whole picture at once (the first tick after the display
// opens, or a tick more than a line late). TickPainted adds what the window
// then does with the tick: painting the display (its picture stretched over
// 860 x 400 pixels, no bars) into an image of its size.
//   frames        new columns per call
//   pixels        pixels written per call (frames x N/2)
//   tick_percent  time per call in percent of the 50 ms tick it runs in
#include "MyRariZuzDisplay.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <vector>

namespace
{
constexpr double tickSeconds = 0.05;

// A full delay line of `n`-point frames (10 s at 44.1 kHz) of noise at
// levels that spread over the colour map.
void fillLine (MyBuffersArray<float>& line, int64_t n)
{
    const auto count = (uint64_t) (1764000.0 / (double) (float) n);
    line.init (count, (uint64_t) n);
    juce::Random random (3);
    std::vector<float> frame ((size_t) n);
    for (uint64_t f = 0; f < count; ++f)
    {
        for (auto& x : frame)
            x = (random.nextFloat() - 0.5f) * (float) n * random.nextFloat() * 0.01f;
        line.pushRelaxed (frame.data());
    }
}

void run (benchmark::State& state, int64_t n, int frames, bool painted = false)
{
    MyBuffersArray<float> line;
    fillLine (line, n);
    MyRariZuzDisplay display;
    display.setBounds (0, 0, 860, 400);
    display.buildBackground (&line, (int) line.getCount());  // the picture's size is set once

    if (frames <= 0)
        frames = (int) line.getCount();
    juce::Image window (juce::Image::ARGB, display.getWidth(), display.getHeight(), true);
    for (auto _ : state)
    {
        display.buildBackground (&line, frames);
        if (painted)
        {
            juce::Graphics g (window);
            display.paintEntireComponent (g, false);
        }
        benchmark::ClobberMemory();
    }
    state.counters["frames"] = frames;
    state.counters["pixels"] = (double) frames * (double) (n / 2);
    state.counters["tick_percent"] = benchmark::Counter ((double) state.iterations() * tickSeconds / 100.0,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Frames of one tick: 2205 samples at a hop of N/4, at least one.
int framesPerTick (int64_t n)
{
    return std::max (1, (int) (2205 / (n / 4)) + ((2205 % (n / 4)) != 0 ? 1 : 0));
}

void BM_SonogramTick (benchmark::State& state)
{
    run (state, state.range (0), framesPerTick (state.range (0)));
}

void BM_SonogramTickPainted (benchmark::State& state)
{
    run (state, state.range (0), framesPerTick (state.range (0)), true);
}

void BM_SonogramWholePicture (benchmark::State& state)
{
    run (state, state.range (0), 0);
}
} // namespace

BENCHMARK (BM_SonogramTick)->Arg (256)->Arg (2048)->Arg (131072)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SonogramTickPainted)->Arg (256)->Arg (2048)->Arg (131072)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SonogramWholePicture)->Arg (256)->Arg (2048)->Arg (131072)->Unit (benchmark::kMillisecond);

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
