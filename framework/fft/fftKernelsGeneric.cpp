// Portable kernels: plain C++ for any processor, libm for the per-bin
// functions. The x86-64 build uses them only when a test or benchmark
// selects them (see fftSelectKernelSet).
#include "fftKernels.h"

#include <cmath>

#define FFT_KERNEL_NAMESPACE vokt_fft_generic

namespace FFT_KERNEL_NAMESPACE
{
struct GenericVec
{
    float v[4];
};

struct Generic
{
    using V = GenericVec;
    static constexpr int W = 2;

    static V load (const float* p) { return { { p[0], p[1], p[2], p[3] } }; }
    static void store (float* p, V a)
    {
        for (int i = 0; i < 4; ++i)
            p[i] = a.v[i];
    }
    static V set1 (float x) { return { { x, x, x, x } }; }
    static V set4 (float a, float b, float c, float d) { return { { a, b, c, d } }; }
    static V add (V a, V b) { return { { a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3] } }; }
    static V sub (V a, V b) { return { { a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3] } }; }
    static V mul (V a, V b) { return { { a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3] } }; }
    static V swapRI (V a) { return { { a.v[1], a.v[0], a.v[3], a.v[2] } }; }
    static V negIm (V a) { return { { a.v[0], -a.v[1], a.v[2], -a.v[3] } }; }
    static V mulMinusI (V a) { return { { a.v[1], -a.v[0], a.v[3], -a.v[2] } }; }
    static V mulPlusI (V a) { return { { -a.v[1], a.v[0], -a.v[3], a.v[2] } }; }
    static V cmul (V a, V wr, V wi) { return add (mul (a, wr), mul (swapRI (a), wi)); }
    static V cmulConj (V a, V wr, V wi) { return sub (mul (a, wr), mul (swapRI (a), wi)); }
    static V reverse (V a) { return { { a.v[2], a.v[3], a.v[0], a.v[1] } }; }
    static V loadDup (const float* p) { return { { p[0], p[0], p[1], p[1] } }; }
    static V loadDupReversed (const float* p) { return { { p[1], p[1], p[0], p[0] } }; }
    static V lowPairs (V s, V d) { return { { s.v[0], s.v[1], d.v[0], d.v[1] } }; }
    static V highPairs (V s, V d) { return { { s.v[2], s.v[3], d.v[2], d.v[3] } }; }
};
} // namespace FFT_KERNEL_NAMESPACE

#include "fftKernelsImpl.h"

namespace FFT_KERNEL_NAMESPACE
{
using namespace vokt_fft;

static void forward (float* data, int M, const FftTables& t) { forwardRow<Generic, Generic> (data, M, t); }
static void inverse (float* data, int M, const FftTables& t) { inverseRow<Generic, Generic> (data, M, t); }

static void analyseBins (const AnalysisBins& a)
{
    for (int64_t k = 0; k < a.bins; ++k)
    {
        a.realPart[k] = a.spectrum[2 * k];
        a.imagPart[k] = a.spectrum[2 * k + 1];
    }
    if (a.computeAmplitudes)
        for (int64_t k = 0; k < a.bins; ++k)
            a.amplitudes[k] = std::sqrt (a.realPart[k] * a.realPart[k] + a.imagPart[k] * a.imagPart[k]);
    if (! a.computeFrequences)
        return;
    for (int64_t k = 0; k < a.bins; ++k)
    {
        const float p = std::atan2 (a.imagPart[k], a.realPart[k]);
        double d = 0.0;
        if (! (a.amplitudes[k] < 1.0e-9f))
        {
            d = static_cast<double> (p) - static_cast<double> (a.phases[k]);
            a.phases[k] = p;
        }
        a.frequences[k] = binFrequency (d, k, a);
    }
}

static void synthesiseBins (const SynthesisBins& s)
{
    for (int64_t k = 0; k < s.bins; ++k)
    {
        const double advanced = s.firstFrame ? static_cast<double> (s.phases[k])
                                             : s.accumulator[k] + static_cast<double> (s.frequences[k]) * s.phaseStep;
        const double phase = wrapPhase (advanced);
        s.accumulator[k] = phase;
        const float ph = static_cast<float> (phase);
        const float re = s.amplitudes[k] * std::cos (ph);
        const float im = s.amplitudes[k] * std::sin (ph);
        if (s.mixDry)
        {
            s.realPart[k] = s.realPart[k] * s.dryScale + re * s.wetScale;
            s.imagPart[k] = s.imagPart[k] * s.dryScale + im * s.wetScale;
        }
        else
        {
            s.realPart[k] = re * s.wetScale;
            s.imagPart[k] = im * s.wetScale;
        }
        s.out[2 * k] = 0.5f * s.realPart[k];
        s.out[2 * k + 1] = 0.5f * s.imagPart[k];
    }
}
} // namespace FFT_KERNEL_NAMESPACE

namespace vokt_fft
{
const KernelSet& genericKernels()
{
    static const KernelSet set { FftKernelSet::generic,
                                 vokt_fft_generic::forward,
                                 vokt_fft_generic::inverse,
                                 vokt_fft_generic::analyseBins,
                                 vokt_fft_generic::synthesiseBins };
    return set;
}
} // namespace vokt_fft
