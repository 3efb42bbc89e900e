// Cost of the per-bin work of one crunch frame (cross, smoothing, deviation
// and mix) at several frame sizes.
#include "CrunchBins.h"

#include <benchmark/benchmark.h>

#include <vector>

static void BM_CrunchBinsFrame (benchmark::State& state)
{
    const int n = (int) state.range (0);
    const int bins = n / 2;
    std::vector<float> amp (bins, 0.5f), freq (bins, 440.0f), auxAmp (bins, 0.25f), auxFreq (bins, 220.0f);
    std::vector<float> sa (bins), sf (bins), dev (bins), out (n, 0.1f), dry (n, 0.2f);
    for (auto _ : state)
    {
        CrunchBins::cross (amp.data(), freq.data(), auxAmp.data(), auxFreq.data(), bins, 0.7f, 0.6f, 1.0f);
        CrunchBins::smooth (amp.data(), freq.data(), sa.data(), sf.data(), bins, 0.9f, 0.8f);
        CrunchBins::deviation (sf.data(), dev.data(), bins, 43.0f);
        CrunchBins::mix (out.data(), dry.data(), n, 0.7f, 1.0f);
        benchmark::DoNotOptimize (out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed (state.iterations() * n);
}
BENCHMARK (BM_CrunchBinsFrame)->Arg (4)->Arg (128)->Arg (1024)->Arg (8192);

