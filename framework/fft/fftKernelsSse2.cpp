// Kernels for the x86-64 baseline (SSE2): two complex values per register,
// SLEEF's SSE2 functions for the per-bin arc tangent, sine and cosine.
#include "fftKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <sleef.h>

#define FFT_KERNEL_NAMESPACE vokt_fft_sse2
#include "fftVectorsSse.h"
#include "fftKernelsImpl.h"

namespace FFT_KERNEL_NAMESPACE
{
using namespace vokt_fft;

static void forward (float* data, int M, const FftTables& t) { forwardRow<Sse, Sse> (data, M, t); }
static void inverse (float* data, int M, const FftTables& t) { inverseRow<Sse, Sse> (data, M, t); }

constexpr int kBinsPerChunk = 4;

// Bin `bin` is the first of the four at offset `at` of the arrays.
static void analyseChunk (const AnalysisBins& a, int64_t at, int64_t bin)
{
    const __m128 lo = _mm_loadu_ps (a.spectrum + 2 * at);
    const __m128 hi = _mm_loadu_ps (a.spectrum + 2 * at + 4);
    const __m128 re = _mm_shuffle_ps (lo, hi, _MM_SHUFFLE (2, 0, 2, 0));
    const __m128 im = _mm_shuffle_ps (lo, hi, _MM_SHUFFLE (3, 1, 3, 1));
    _mm_storeu_ps (a.realPart + at, re);
    _mm_storeu_ps (a.imagPart + at, im);

    if (a.computeAmplitudes)
        _mm_storeu_ps (a.amplitudes + at, _mm_sqrt_ps (_mm_add_ps (_mm_mul_ps (re, re), _mm_mul_ps (im, im))));
    if (! a.computeFrequences)
        return;

    const __m128 p = Sleef_atan2f4_u35sse2 (im, re);
    const __m128 old = _mm_loadu_ps (a.phases + at);
    const __m128 silent = _mm_cmplt_ps (_mm_loadu_ps (a.amplitudes + at), _mm_set1_ps (1.0e-9f));
    _mm_storeu_ps (a.phases + at, _mm_or_ps (_mm_and_ps (silent, old), _mm_andnot_ps (silent, p)));
    // A silent bin advances by p - p = 0.
    const __m128 base = _mm_or_ps (_mm_and_ps (silent, p), _mm_andnot_ps (silent, old));

    const __m128d omega = _mm_set1_pd (a.omega);
    const __m128d invPi = _mm_set1_pd (0.318309886183790671537767526745028724);
    const __m128d gain = _mm_set1_pd (a.deviationGain);
    const __m128i one = _mm_set1_epi32 (1);
    __m128 f[2];
    for (int half = 0; half < 2; ++half)
    {
        const __m128 ph = half == 0 ? p : _mm_movehl_ps (p, p);
        const __m128 bs = half == 0 ? base : _mm_movehl_ps (base, base);
        const __m128d d = _mm_sub_pd (_mm_cvtps_pd (ph), _mm_cvtps_pd (bs));
        const double k0 = static_cast<double> (bin + 2 * half);
        const __m128d kd = _mm_setr_pd (k0, k0 + 1.0);
        const __m128d u = _mm_mul_pd (_mm_sub_pd (d, _mm_mul_pd (kd, omega)), invPi);
        __m128i t = _mm_cvttpd_epi32 (u);
        const __m128i sign = _mm_srai_epi32 (t, 31);
        t = _mm_add_epi32 (t, _mm_sub_epi32 (_mm_xor_si128 (_mm_and_si128 (t, one), sign), sign));
        const __m128d dev = _mm_sub_pd (u, _mm_cvtepi32_pd (t));
        f[half] = _mm_cvtpd_ps (_mm_add_pd (_mm_mul_pd (dev, gain), kd));
    }
    _mm_storeu_ps (a.frequences + at, _mm_mul_ps (_mm_movelh_ps (f[0], f[1]), _mm_set1_ps (a.binHz)));
}

static __m128d wrapPhases (__m128d x)
{
    const __m128d twoPi = _mm_set1_pd (6.283185307179586476925);
    const __m128d magic = _mm_set1_pd (6755399441055744.0);
    const __m128d turns = _mm_sub_pd (_mm_add_pd (_mm_mul_pd (x, _mm_set1_pd (0.159154943091895335768883763372514362)), magic), magic);
    const __m128d w = _mm_sub_pd (x, _mm_mul_pd (turns, twoPi));
    const __m128d limit = _mm_set1_pd (2.0 * 6.283185307179586476925);
    const __m128d valid = _mm_and_pd (_mm_cmpge_pd (w, _mm_sub_pd (_mm_setzero_pd(), limit)), _mm_cmple_pd (w, limit));
    return _mm_and_pd (valid, w);
}

static void synthesiseChunk (const SynthesisBins& s, int64_t at)
{
    __m128d acc[2];
    if (s.firstFrame)
    {
        const __m128 ph = _mm_loadu_ps (s.phases + at);
        acc[0] = _mm_cvtps_pd (ph);
        acc[1] = _mm_cvtps_pd (_mm_movehl_ps (ph, ph));
    }
    else
    {
        const __m128 fr = _mm_loadu_ps (s.frequences + at);
        const __m128d step = _mm_set1_pd (s.phaseStep);
        acc[0] = _mm_add_pd (_mm_loadu_pd (s.accumulator + at), _mm_mul_pd (_mm_cvtps_pd (fr), step));
        acc[1] = _mm_add_pd (_mm_loadu_pd (s.accumulator + at + 2), _mm_mul_pd (_mm_cvtps_pd (_mm_movehl_ps (fr, fr)), step));
    }
    acc[0] = wrapPhases (acc[0]);
    acc[1] = wrapPhases (acc[1]);
    _mm_storeu_pd (s.accumulator + at, acc[0]);
    _mm_storeu_pd (s.accumulator + at + 2, acc[1]);

    const __m128 phase = _mm_movelh_ps (_mm_cvtpd_ps (acc[0]), _mm_cvtpd_ps (acc[1]));
    const Sleef___m128_2 sc = Sleef_sincosf4_u35sse2 (phase);
    const __m128 amp = _mm_loadu_ps (s.amplitudes + at);
    const __m128 wet = _mm_set1_ps (s.wetScale);
    __m128 re = _mm_mul_ps (_mm_mul_ps (amp, sc.y), wet);
    __m128 im = _mm_mul_ps (_mm_mul_ps (amp, sc.x), wet);
    if (s.mixDry)
    {
        const __m128 dry = _mm_set1_ps (s.dryScale);
        re = _mm_add_ps (_mm_mul_ps (_mm_loadu_ps (s.realPart + at), dry), re);
        im = _mm_add_ps (_mm_mul_ps (_mm_loadu_ps (s.imagPart + at), dry), im);
    }
    _mm_storeu_ps (s.realPart + at, re);
    _mm_storeu_ps (s.imagPart + at, im);
    const __m128 halfGain = _mm_set1_ps (0.5f);
    re = _mm_mul_ps (re, halfGain);
    im = _mm_mul_ps (im, halfGain);
    _mm_storeu_ps (s.out + 2 * at, _mm_unpacklo_ps (re, im));
    _mm_storeu_ps (s.out + 2 * at + 4, _mm_unpackhi_ps (re, im));
}

#include "fftSpectralTails.h"
} // namespace FFT_KERNEL_NAMESPACE

namespace vokt_fft
{
const KernelSet& sse2Kernels()
{
    static const KernelSet set { FftKernelSet::sse2,
                                 vokt_fft_sse2::forward,
                                 vokt_fft_sse2::inverse,
                                 vokt_fft_sse2::analyseBins,
                                 vokt_fft_sse2::synthesiseBins };
    return set;
}
} // namespace vokt_fft

#endif
