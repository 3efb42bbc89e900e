#pragma once
// Internal interface between the FFT drivers (fftRoutines.cpp, FFTUtils.cpp)
// and the kernels compiled once per instruction set (fftKernels*.cpp).
// Not for use outside framework/fft.
// Thread contract: kernel sets are constant tables of pure functions, callable on any thread; the active set is an atomic pointer chosen once.
#include "fftRoutines.h"

#include <cstdint>

namespace vokt_fft
{
// This header is also compiled with wider instruction sets (the AVX2 kernel
// file), so it declares nothing with vague linkage: plain aggregates and
// functions with internal linkage only, so no code compiled for AVX2 can be
// picked by the linker for a caller on a baseline CPU.

// Tables one real transform of size M >= 5 reads (value-initialise it).
struct FftTables
{
    const float* cosTable;    // N/4 + 1 entries: cos (2 pi i / N)
    const int16_t* bitReverse; // 2^(m/2 - 1) entries, m = M - 1
    // Radix-8 pass twiddles, indexed by log2 of the pass length (see
    // makePassTwiddles in fftRoutines.cpp for the layout).
    const float* passTwiddles[kFftMaxLog2Size];
};

// Per-bin work of FFTUtils::analyse after the forward transform.
struct AnalysisBins
{
    const float* spectrum; // packed spectrum, 2 * bins floats
    float* realPart;
    float* imagPart;
    float* amplitudes;
    float* phases;
    float* frequences;
    int64_t bins;
    bool computeAmplitudes;
    bool computeFrequences;
    double omega;         // expected phase advance of bin 1 over one hop
    double deviationGain; // overlap / 2: converts a deviation in units of pi to bins
    float binHz;          // sampleRate / N
};

// Per-bin work of FFTUtils::synthesis before the inverse transform.
struct SynthesisBins
{
    const float* amplitudes;
    const float* frequences;
    const float* phases;
    double* accumulator; // running phase per bin, kept within [-pi, pi]
    float* realPart;
    float* imagPart;
    float* out; // packed spectrum, 2 * bins floats
    int64_t bins;
    bool firstFrame; // seed the accumulator from phases instead of advancing it
    double phaseStep; // radians per hop per Hz
    bool mixDry;      // realPart = realPart * dryScale + synth * wetScale
    float wetScale;
    float dryScale;
};

struct KernelSet
{
    FftKernelSet id;
    void (*forward) (float* data, int M, const FftTables& tables); // one row, M >= 5
    void (*inverse) (float* data, int M, const FftTables& tables);
    void (*analyseBins) (const AnalysisBins& args);
    void (*synthesiseBins) (const SynthesisBins& args);
};

const KernelSet& genericKernels();
#if defined(__x86_64__) || defined(_M_X64)
const KernelSet& sse2Kernels();
const KernelSet& avx2Kernels();
#endif

// The set in use (see fftSelectKernelSet).
const KernelSet& activeKernels();

// Scalar helpers shared by the kernel sets for the per-bin work.
// Wraps a phase into [-pi, pi]; anything non-finite or beyond reach of the
// rounding trick becomes 0 so one bad frequency cannot poison a bin forever.
static inline double wrapPhase (double phase)
{
    constexpr double twoPi = 6.283185307179586476925;
    constexpr double invTwoPi = 0.159154943091895335768883763372514362;
    constexpr double roundingMagic = 6755399441055744.0; // 1.5 * 2^52
    const double turns = (phase * invTwoPi + roundingMagic) - roundingMagic;
    const double wrapped = phase - turns * twoPi;
    return (wrapped >= -2.0 * twoPi && wrapped <= 2.0 * twoPi) ? wrapped : 0.0;
}

// Frequency in Hz of bin k from its phase advance d over one hop: the
// deviation from the expected advance k * omega, in units of pi, wrapped
// into [-1, 1] by subtracting the nearest even integer (ties away from 0).
static inline float binFrequency (double d, int64_t k, const AnalysisBins& a)
{
    const double kd = static_cast<double> (k);
    const double u = (d - kd * a.omega) * 0.318309886183790671537767526745028724;
    // u lies within about k/2 + 2 for any finite phase; a non-finite u
    // stays non-finite through the subtraction below.
    double q = 0.0;
    if (u > -2147483648.0 && u < 2147483647.0)
    {
        auto t = static_cast<int32_t> (u); // truncation toward zero
        const int32_t sign = t < 0 ? -1 : 0;
        t += ((t & 1) ^ sign) - sign; // odd: one further away from zero
        q = static_cast<double> (t);
    }
    return static_cast<float> ((u - q) * a.deviationGain + kd) * a.binHz;
}
} // namespace vokt_fft
