// Kernels for processors with AVX2 and FMA: four complex values per
// register, SLEEF's AVX2 functions for the per-bin arc tangent, sine and
// cosine. This file is compiled with -mavx2 -mfma and is only entered after
// the runtime CPU check in fftRoutines.cpp. It must not use anything with
// vague linkage from outside its own namespace (no standard library
// templates or inline functions), so no AVX2 code can leak into callers on
// a baseline processor.
#include "fftKernels.h"

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__AVX2__) && defined(__FMA__)

#include <sleef.h>

#define FFT_KERNEL_NAMESPACE vokt_fft_avx2
#include "fftVectorsSse.h"

namespace FFT_KERNEL_NAMESPACE
{
struct Avx
{
    using V = __m256;
    static constexpr int W = 4;

    static V load (const float* p) { return _mm256_loadu_ps (p); }
    static void store (float* p, V v) { _mm256_storeu_ps (p, v); }
    static V set1 (float x) { return _mm256_set1_ps (x); }
    static V add (V a, V b) { return _mm256_add_ps (a, b); }
    static V sub (V a, V b) { return _mm256_sub_ps (a, b); }
    static V mul (V a, V b) { return _mm256_mul_ps (a, b); }

    static V swapRI (V a) { return _mm256_permute_ps (a, _MM_SHUFFLE (2, 3, 0, 1)); }
    static V negIm (V a) { return _mm256_xor_ps (a, _mm256_setr_ps (0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f)); }
    static V negRe (V a) { return _mm256_xor_ps (a, _mm256_setr_ps (-0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f)); }
    static V mulMinusI (V a) { return negIm (swapRI (a)); }
    static V mulPlusI (V a) { return negRe (swapRI (a)); }
    static V cmul (V a, V wr, V wi) { return _mm256_fmadd_ps (swapRI (a), wi, _mm256_mul_ps (a, wr)); }
    static V cmulConj (V a, V wr, V wi) { return _mm256_fnmadd_ps (swapRI (a), wi, _mm256_mul_ps (a, wr)); }

    static V reverse (V a)
    {
        const V swapped = _mm256_permute2f128_ps (a, a, 0x01);
        return _mm256_permute_ps (swapped, _MM_SHUFFLE (1, 0, 3, 2));
    }
    static V loadDup (const float* p)
    {
        return _mm256_permutevar8x32_ps (_mm256_castps128_ps256 (_mm_loadu_ps (p)), _mm256_setr_epi32 (0, 0, 1, 1, 2, 2, 3, 3));
    }
    static V loadDupReversed (const float* p)
    {
        return _mm256_permutevar8x32_ps (_mm256_castps128_ps256 (_mm_loadu_ps (p)), _mm256_setr_epi32 (3, 3, 2, 2, 1, 1, 0, 0));
    }
};
} // namespace FFT_KERNEL_NAMESPACE

#include "fftKernelsImpl.h"

namespace FFT_KERNEL_NAMESPACE
{
using namespace vokt_fft;

static void forward (float* data, int M, const FftTables& t) { forwardRow<Avx, Sse> (data, M, t); }
static void inverse (float* data, int M, const FftTables& t) { inverseRow<Avx, Sse> (data, M, t); }

constexpr int kBinsPerChunk = 8;

// Eight consecutive complex values -> real parts and imaginary parts in order.
static inline void deinterleave (const float* p, __m256& re, __m256& im)
{
    const __m256 lo = _mm256_loadu_ps (p);
    const __m256 hi = _mm256_loadu_ps (p + 8);
    // The in-lane shuffles leave the values in the order 0 1 4 5 2 3 6 7.
    const __m256 r = _mm256_shuffle_ps (lo, hi, _MM_SHUFFLE (2, 0, 2, 0));
    const __m256 i = _mm256_shuffle_ps (lo, hi, _MM_SHUFFLE (3, 1, 3, 1));
    re = _mm256_castpd_ps (_mm256_permute4x64_pd (_mm256_castps_pd (r), _MM_SHUFFLE (3, 1, 2, 0)));
    im = _mm256_castpd_ps (_mm256_permute4x64_pd (_mm256_castps_pd (i), _MM_SHUFFLE (3, 1, 2, 0)));
}

static inline void interleave (float* p, __m256 re, __m256 im)
{
    const __m256 lo = _mm256_unpacklo_ps (re, im); // 0 1 | 4 5
    const __m256 hi = _mm256_unpackhi_ps (re, im); // 2 3 | 6 7
    _mm256_storeu_ps (p, _mm256_permute2f128_ps (lo, hi, 0x20));
    _mm256_storeu_ps (p + 8, _mm256_permute2f128_ps (lo, hi, 0x31));
}

static void analyseChunk (const AnalysisBins& a, int64_t at, int64_t bin)
{
    __m256 re, im;
    deinterleave (a.spectrum + 2 * at, re, im);
    _mm256_storeu_ps (a.realPart + at, re);
    _mm256_storeu_ps (a.imagPart + at, im);

    if (a.computeAmplitudes)
        _mm256_storeu_ps (a.amplitudes + at, _mm256_sqrt_ps (_mm256_fmadd_ps (re, re, _mm256_mul_ps (im, im))));
    if (! a.computeFrequences)
        return;

    const __m256 p = Sleef_atan2f8_u35avx2 (im, re);
    const __m256 old = _mm256_loadu_ps (a.phases + at);
    const __m256 silent = _mm256_cmp_ps (_mm256_loadu_ps (a.amplitudes + at), _mm256_set1_ps (1.0e-9f), _CMP_LT_OQ);
    _mm256_storeu_ps (a.phases + at, _mm256_blendv_ps (p, old, silent));
    // A silent bin advances by p - p = 0.
    const __m256 base = _mm256_blendv_ps (old, p, silent);

    const __m256d omega = _mm256_set1_pd (a.omega);
    const __m256d invPi = _mm256_set1_pd (0.318309886183790671537767526745028724);
    const __m256d gain = _mm256_set1_pd (a.deviationGain);
    const __m128i one = _mm_set1_epi32 (1);
    __m128 f[2];
    for (int half = 0; half < 2; ++half)
    {
        const __m128 ph = half == 0 ? _mm256_castps256_ps128 (p) : _mm256_extractf128_ps (p, 1);
        const __m128 bs = half == 0 ? _mm256_castps256_ps128 (base) : _mm256_extractf128_ps (base, 1);
        const __m256d d = _mm256_sub_pd (_mm256_cvtps_pd (ph), _mm256_cvtps_pd (bs));
        const __m256d kd = _mm256_add_pd (_mm256_set1_pd (static_cast<double> (bin + 4 * half)), _mm256_setr_pd (0.0, 1.0, 2.0, 3.0));
        const __m256d u = _mm256_mul_pd (_mm256_fnmadd_pd (kd, omega, d), invPi);
        __m128i t = _mm256_cvttpd_epi32 (u);
        const __m128i sign = _mm_srai_epi32 (t, 31);
        t = _mm_add_epi32 (t, _mm_sub_epi32 (_mm_xor_si128 (_mm_and_si128 (t, one), sign), sign));
        const __m256d dev = _mm256_sub_pd (u, _mm256_cvtepi32_pd (t));
        f[half] = _mm256_cvtpd_ps (_mm256_fmadd_pd (dev, gain, kd));
    }
    const __m256 freq = _mm256_insertf128_ps (_mm256_castps128_ps256 (f[0]), f[1], 1);
    _mm256_storeu_ps (a.frequences + at, _mm256_mul_ps (freq, _mm256_set1_ps (a.binHz)));
}

static inline __m256d wrapPhases (__m256d x)
{
    const __m256d twoPi = _mm256_set1_pd (6.283185307179586476925);
    const __m256d turns = _mm256_round_pd (_mm256_mul_pd (x, _mm256_set1_pd (0.159154943091895335768883763372514362)),
                                           _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d w = _mm256_fnmadd_pd (turns, twoPi, x);
    const __m256d limit = _mm256_set1_pd (2.0 * 6.283185307179586476925);
    const __m256d valid = _mm256_and_pd (_mm256_cmp_pd (w, _mm256_sub_pd (_mm256_setzero_pd(), limit), _CMP_GE_OQ),
                                         _mm256_cmp_pd (w, limit, _CMP_LE_OQ));
    return _mm256_and_pd (valid, w);
}

static void synthesiseChunk (const SynthesisBins& s, int64_t at)
{
    __m256d acc[2];
    if (s.firstFrame)
    {
        const __m256 ph = _mm256_loadu_ps (s.phases + at);
        acc[0] = _mm256_cvtps_pd (_mm256_castps256_ps128 (ph));
        acc[1] = _mm256_cvtps_pd (_mm256_extractf128_ps (ph, 1));
    }
    else
    {
        const __m256 fr = _mm256_loadu_ps (s.frequences + at);
        const __m256d step = _mm256_set1_pd (s.phaseStep);
        acc[0] = _mm256_fmadd_pd (_mm256_cvtps_pd (_mm256_castps256_ps128 (fr)), step, _mm256_loadu_pd (s.accumulator + at));
        acc[1] = _mm256_fmadd_pd (_mm256_cvtps_pd (_mm256_extractf128_ps (fr, 1)), step, _mm256_loadu_pd (s.accumulator + at + 4));
    }
    acc[0] = wrapPhases (acc[0]);
    acc[1] = wrapPhases (acc[1]);
    _mm256_storeu_pd (s.accumulator + at, acc[0]);
    _mm256_storeu_pd (s.accumulator + at + 4, acc[1]);

    const __m256 phase = _mm256_insertf128_ps (_mm256_castps128_ps256 (_mm256_cvtpd_ps (acc[0])), _mm256_cvtpd_ps (acc[1]), 1);
    const Sleef___m256_2 sc = Sleef_sincosf8_u35avx2 (phase);
    const __m256 amp = _mm256_loadu_ps (s.amplitudes + at);
    const __m256 wet = _mm256_set1_ps (s.wetScale);
    __m256 re = _mm256_mul_ps (_mm256_mul_ps (amp, sc.y), wet);
    __m256 im = _mm256_mul_ps (_mm256_mul_ps (amp, sc.x), wet);
    if (s.mixDry)
    {
        const __m256 dry = _mm256_set1_ps (s.dryScale);
        re = _mm256_fmadd_ps (_mm256_loadu_ps (s.realPart + at), dry, re);
        im = _mm256_fmadd_ps (_mm256_loadu_ps (s.imagPart + at), dry, im);
    }
    _mm256_storeu_ps (s.realPart + at, re);
    _mm256_storeu_ps (s.imagPart + at, im);
    const __m256 halfGain = _mm256_set1_ps (0.5f);
    interleave (s.out + 2 * at, _mm256_mul_ps (re, halfGain), _mm256_mul_ps (im, halfGain));
}

#include "fftSpectralTails.h"
} // namespace FFT_KERNEL_NAMESPACE

namespace vokt_fft
{
const KernelSet& avx2Kernels()
{
    static const KernelSet set { FftKernelSet::avx2,
                                 vokt_fft_avx2::forward,
                                 vokt_fft_avx2::inverse,
                                 vokt_fft_avx2::analyseBins,
                                 vokt_fft_avx2::synthesiseBins };
    return set;
}
} // namespace vokt_fft

#elif defined(__x86_64__) || defined(_M_X64)
#error "fftKernelsAvx2.cpp must be compiled with -mavx2 -mfma"
#endif
