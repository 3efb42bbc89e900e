// Ring buffer framing at an effect's working point: frames of 1024 samples
// with an overlap of 768 (hop 256). Analysis side: the host's hop goes in,
// a 1024-frame is read back with the read overlap. Synthesis side: a
// 1024-frame is overlap-added with the write overlap, the hop is read out.
// Reported per frame; the frame rate is compared with real time at 48 kHz.
#include "MyRingBuffers.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
constexpr unsigned int frame = 1024, overlap = 768, hop = frame - overlap;
constexpr unsigned int ringSize = 8 * frame + 3; // wraps at varying places

struct Channels
{
    Channels (unsigned int numChannels, unsigned int n)
        : data (numChannels, std::vector<float> (n, 0.25f)), ptrs (numChannels)
    {
        for (unsigned int c = 0; c < numChannels; ++c)
            ptrs[c] = data[c].data();
    }
    std::vector<std::vector<float>> data;
    std::vector<float*> ptrs;
};

void setCounters (benchmark::State& state, unsigned int numChannels)
{
    state.SetItemsProcessed (state.iterations() * hop);
    // Bytes moved in and out: one hop and one frame per channel.
    state.SetBytesProcessed (state.iterations() * (hop + frame) * numChannels * (int64_t) sizeof (float));
    // Real-time factor at 48 kHz: audio seconds handled per second of CPU.
    state.counters["xRealTime48k"] = benchmark::Counter ((double) state.iterations() * hop / 48000.0,
                                                         benchmark::Counter::kIsRate);
}

void Analysis (benchmark::State& state)
{
    const auto numChannels = (unsigned int) state.range (0);
    MyRingBuffers ring (ringSize, false);
    ring.SetNumChannels (numChannels);
    ring.readOverlap = overlap;
    Channels in (numChannels, frame), out (numChannels, frame);
    ring.Put (in.ptrs.data(), overlap, false);

    for (auto _ : state)
    {
        ring.Put (in.ptrs.data(), hop, false);
        ring.Get (out.ptrs.data(), frame, false);
        benchmark::DoNotOptimize (out.data[0][frame - 1]);
        benchmark::ClobberMemory();
    }
    setCounters (state, numChannels);
}

void Synthesis (benchmark::State& state)
{
    const auto numChannels = (unsigned int) state.range (0);
    MyRingBuffers ring (ringSize, false);
    ring.SetNumChannels (numChannels);
    ring.writeOverlap = overlap;
    Channels in (numChannels, frame), out (numChannels, frame);

    for (auto _ : state)
    {
        ring.Put (in.ptrs.data(), frame, false);
        ring.Get (out.ptrs.data(), hop, false);
        benchmark::DoNotOptimize (out.data[0][hop - 1]);
        benchmark::ClobberMemory();
    }
    setCounters (state, numChannels);
}
} // namespace

BENCHMARK (Analysis)->Arg (2)->Arg (8);
BENCHMARK (Synthesis)->Arg (2)->Arg (8);
BENCHMARK_MAIN();
