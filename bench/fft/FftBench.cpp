// Speed of the real FFT against FFTW's single-precision real transforms,
// measured on the same thread in the same run, and of a whole
// analyse + synthesis frame of FFTUtils against the bare FFT pair.
//
// At the end a summary prints, per size, our time / FFTW time for each
// kernel set, and per frame size the seconds of 44.1 kHz audio (hop N/4)
// processed per second and the frame / FFT-pair ratio. With
// --benchmark_repetitions=R the summary uses the fastest repetition.
#include "FFTUtils.h"
#include "fftRoutines.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <sleef.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr int64_t kMinLog2 = 4;
constexpr int64_t kMaxLog2 = 17;
constexpr double kAudioRate = 44100.0;

struct FftwBuffer
{
    explicit FftwBuffer (size_t n) : data (static_cast<float*> (fftwf_malloc (n * sizeof (float)))), size (n) {}
    ~FftwBuffer() { fftwf_free (data); }
    FftwBuffer (const FftwBuffer&) = delete;
    FftwBuffer& operator= (const FftwBuffer&) = delete;
    float* data;
    size_t size;
};

void fillNoise (float* x, size_t n, unsigned seed)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> dist (-1.0f, 1.0f);
    for (size_t i = 0; i < n; ++i)
        x[i] = dist (rng);
}

std::string pairName (FftKernelSet set, int64_t N) { return std::string ("rffts+riffts/") + fftKernelSetName (set) + "/" + std::to_string (N); }
std::string fftwName (int64_t N) { return "fftw_r2c+c2r/" + std::to_string (N); }
std::string frameName (FftKernelSet set, int64_t N) { return std::string ("analyse+synthesis/") + fftKernelSetName (set) + "/" + std::to_string (N); }

// rffts then riffts on the same row: the round trip leaves the data as it
// was, so every iteration transforms the same signal.
void benchPair (benchmark::State& state, FftKernelSet set, int64_t M)
{
    fftSelectKernelSet (set);
    fftInit (M);
    const auto N = static_cast<size_t> (int64_t (1) << M);
    FftwBuffer buffer (N);
    fillNoise (buffer.data, N, 1);
    for (auto _ : state)
    {
        rffts (buffer.data, M, 1);
        riffts (buffer.data, M, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed (state.iterations());
}

// FFTW's fastest arrangement for a real round trip: out of place, planned
// with FFTW_MEASURE (the input of r2c is preserved, c2r may destroy its own).
void benchFftw (benchmark::State& state, int64_t M)
{
    const auto N = static_cast<size_t> (int64_t (1) << M);
    FftwBuffer in (N), spectrum (N + 2), out (N);
    fftwf_plan forward = fftwf_plan_dft_r2c_1d (static_cast<int> (N), in.data, reinterpret_cast<fftwf_complex*> (spectrum.data), FFTW_MEASURE);
    fftwf_plan backward = fftwf_plan_dft_c2r_1d (static_cast<int> (N), reinterpret_cast<fftwf_complex*> (spectrum.data), out.data, FFTW_MEASURE);
    fillNoise (in.data, N, 1);
    for (auto _ : state)
    {
        fftwf_execute (forward);
        fftwf_execute (backward);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed (state.iterations());
    fftwf_destroy_plan (forward);
    fftwf_destroy_plan (backward);
}

// One frame of the phase-vocoder level as an engine runs it: copy the
// frame in, analyse, resynthesise.
void benchFrame (benchmark::State& state, FftKernelSet set, int64_t M)
{
    fftSelectKernelSet (set);
    const auto N = static_cast<size_t> (int64_t (1) << M);
    FFTUtils fft (static_cast<int64_t> (N));
    fft.setSize (M);
    fft.sampleRate = static_cast<float> (kAudioRate);
    std::vector<float> input (N);
    for (size_t i = 0; i < N; ++i)
        input[i] = static_cast<float> (0.5 * std::sin (0.05 * static_cast<double> (i)) + 0.25 * std::sin (0.71 * static_cast<double> (i)));
    FftwBuffer frame (N);
    for (auto _ : state)
    {
        std::copy (input.begin(), input.end(), frame.data);
        fft.analyse (frame.data);
        fft.synthesis (frame.data);
        benchmark::ClobberMemory();
    }
    const double hopSeconds = static_cast<double> (N / 4) / kAudioRate;
    state.counters["audio_s_per_s"] = benchmark::Counter (static_cast<double> (state.iterations()) * hopSeconds, benchmark::Counter::kIsRate);
}

// Per-bin functions alone, 512 bins: libm against SLEEF's SSE2 versions
// (the AVX2 versions show in the frame figures of the avx2 kernel set).
constexpr size_t kBins = 512;

void benchAtan2Libm (benchmark::State& state)
{
    std::vector<float> y (kBins), x (kBins), out (kBins);
    fillNoise (y.data(), kBins, 2);
    fillNoise (x.data(), kBins, 3);
    for (auto _ : state)
    {
        for (size_t i = 0; i < kBins; ++i)
            out[i] = std::atan2 (y[i], x[i]);
        benchmark::DoNotOptimize (out.data());
        benchmark::ClobberMemory();
    }
}

void benchAtan2Sleef (benchmark::State& state)
{
    std::vector<float> y (kBins), x (kBins), out (kBins);
    fillNoise (y.data(), kBins, 2);
    fillNoise (x.data(), kBins, 3);
    for (auto _ : state)
    {
        for (size_t i = 0; i < kBins; i += 4)
            _mm_storeu_ps (out.data() + i, Sleef_atan2f4_u35sse2 (_mm_loadu_ps (y.data() + i), _mm_loadu_ps (x.data() + i)));
        benchmark::DoNotOptimize (out.data());
        benchmark::ClobberMemory();
    }
}

void benchSinCosLibm (benchmark::State& state)
{
    std::vector<float> phase (kBins), s (kBins), c (kBins);
    fillNoise (phase.data(), kBins, 4);
    for (auto& p : phase)
        p *= 3.14159f;
    for (auto _ : state)
    {
        for (size_t i = 0; i < kBins; ++i)
        {
            s[i] = std::sin (phase[i]);
            c[i] = std::cos (phase[i]);
        }
        benchmark::DoNotOptimize (s.data());
        benchmark::DoNotOptimize (c.data());
        benchmark::ClobberMemory();
    }
}

void benchSinCosSleef (benchmark::State& state)
{
    std::vector<float> phase (kBins), s (kBins), c (kBins);
    fillNoise (phase.data(), kBins, 4);
    for (auto& p : phase)
        p *= 3.14159f;
    for (auto _ : state)
    {
        for (size_t i = 0; i < kBins; i += 4)
        {
            const Sleef___m128_2 sc = Sleef_sincosf4_u35sse2 (_mm_loadu_ps (phase.data() + i));
            _mm_storeu_ps (s.data() + i, sc.x);
            _mm_storeu_ps (c.data() + i, sc.y);
        }
        benchmark::DoNotOptimize (s.data());
        benchmark::DoNotOptimize (c.data());
        benchmark::ClobberMemory();
    }
}

// Console output as usual, plus the fastest time per iteration of every
// benchmark (in ns) for the summary.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns (const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns (reports);
        for (const auto& run : reports)
        {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double ns = run.GetAdjustedRealTime() * nsPerUnit (run.time_unit);
            auto [it, inserted] = fastest.try_emplace (run.run_name.function_name, ns);
            if (! inserted)
                it->second = std::min (it->second, ns);
        }
    }

    double time (const std::string& name) const
    {
        const auto it = fastest.find (name);
        return it == fastest.end() ? 0.0 : it->second;
    }

private:
    static double nsPerUnit (benchmark::TimeUnit unit)
    {
        switch (unit)
        {
            case benchmark::kSecond:
                return 1.0e9;
            case benchmark::kMillisecond:
                return 1.0e6;
            case benchmark::kMicrosecond:
                return 1.0e3;
            default:
                return 1.0;
        }
    }

    std::map<std::string, double> fastest;
};

std::vector<FftKernelSet> availableSets()
{
    std::vector<FftKernelSet> sets;
    for (auto set : { FftKernelSet::avx2, FftKernelSet::sse2, FftKernelSet::generic })
        if (fftKernelSetAvailable (set))
            sets.push_back (set);
    return sets;
}

void printSummary (const SummaryReporter& r, const std::vector<FftKernelSet>& sets, FftKernelSet best)
{
    std::printf ("\nReal FFT round trip (rffts + riffts) / FFTW (r2c + c2r, FFTW_MEASURE), fastest run each\n");
    std::printf ("%8s %12s", "N", "fftw ns");
    for (auto set : sets)
        std::printf (" %12s %8s", (std::string (fftKernelSetName (set)) + " ns").c_str(), "ratio");
    std::printf ("\n");
    for (int64_t M = kMinLog2; M <= kMaxLog2; ++M)
    {
        const int64_t N = int64_t (1) << M;
        const double fftw = r.time (fftwName (N));
        std::printf ("%8lld %12.1f", static_cast<long long> (N), fftw);
        for (auto set : sets)
        {
            const double ours = r.time (pairName (set, N));
            std::printf (" %12.1f %8.2f", ours, fftw > 0.0 ? ours / fftw : 0.0);
        }
        std::printf ("\n");
    }

    std::printf ("\nFFTUtils frame (copy in, analyse, synthesis), hop N/4 at 44.1 kHz\n");
    std::printf ("%8s %8s %12s %16s %16s\n", "N", "set", "frame ns", "audio s per s", "frame/FFT pair");
    for (int64_t M : { 7, 10, 13 })
    {
        const int64_t N = int64_t (1) << M;
        for (auto set : sets)
        {
            const double frame = r.time (frameName (set, N));
            const double pair = r.time (pairName (set, N));
            const double audio = frame > 0.0 ? (static_cast<double> (N / 4) / kAudioRate) / (frame * 1.0e-9) : 0.0;
            std::printf ("%8lld %8s %12.1f %16.0f %16.2f\n", static_cast<long long> (N), fftKernelSetName (set), frame, audio, pair > 0.0 ? frame / pair : 0.0);
        }
    }

    std::printf ("\nPer-bin functions, 512 values: libm / SLEEF (SSE2)\n");
    std::printf ("  atan2f  %8.1f ns / %8.1f ns\n", r.time ("atan2f/libm"), r.time ("atan2f/sleef_sse2"));
    std::printf ("  sincosf %8.1f ns / %8.1f ns\n", r.time ("sinf+cosf/libm"), r.time ("sincosf/sleef_sse2"));
    std::printf ("\nKernel set used by default on this CPU: %s\n", fftKernelSetName (best));
}
} // namespace

int main (int argc, char** argv)
{
    const FftKernelSet best = fftActiveKernelSet();
    const auto sets = availableSets();

    for (int64_t M = kMinLog2; M <= kMaxLog2; ++M)
    {
        const int64_t N = int64_t (1) << M;
        benchmark::RegisterBenchmark (fftwName (N).c_str(), benchFftw, M);
        for (auto set : sets)
            benchmark::RegisterBenchmark (pairName (set, N).c_str(), benchPair, set, M);
    }
    for (int64_t M : { 7, 10, 13 })
        for (auto set : sets)
            benchmark::RegisterBenchmark (frameName (set, int64_t (1) << M).c_str(), benchFrame, set, M);
    benchmark::RegisterBenchmark ("atan2f/libm", benchAtan2Libm);
    benchmark::RegisterBenchmark ("atan2f/sleef_sse2", benchAtan2Sleef);
    benchmark::RegisterBenchmark ("sinf+cosf/libm", benchSinCosLibm);
    benchmark::RegisterBenchmark ("sincosf/sleef_sse2", benchSinCosSleef);

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    benchmark::Shutdown();
    fftSelectKernelSet (best);
    printSummary (reporter, sets, best);
    return 0;
}
