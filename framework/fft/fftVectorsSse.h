// Two complex values in one 128-bit register, for fftKernelsImpl.h.
// Included by the SSE2 and the AVX2 kernel files inside their own
// FFT_KERNEL_NAMESPACE (the AVX2 file gets the VEX encodings).
// Thread contract: value types and pure inline functions, callable on any thread.
#include <immintrin.h>

#ifndef FFT_KERNEL_NAMESPACE
#error "define FFT_KERNEL_NAMESPACE before including fftVectorsSse.h"
#endif

namespace FFT_KERNEL_NAMESPACE
{
struct Sse
{
    using V = __m128;
    static constexpr int W = 2;

    static V load (const float* p) { return _mm_loadu_ps (p); }
    static void store (float* p, V v) { _mm_storeu_ps (p, v); }
    static V set1 (float x) { return _mm_set1_ps (x); }
    static V set4 (float a, float b, float c, float d) { return _mm_setr_ps (a, b, c, d); }
    static V add (V a, V b) { return _mm_add_ps (a, b); }
    static V sub (V a, V b) { return _mm_sub_ps (a, b); }
    static V mul (V a, V b) { return _mm_mul_ps (a, b); }

    static V swapRI (V a) { return _mm_shuffle_ps (a, a, _MM_SHUFFLE (2, 3, 0, 1)); }
    static V negIm (V a) { return _mm_xor_ps (a, _mm_setr_ps (0.0f, -0.0f, 0.0f, -0.0f)); }
    static V negRe (V a) { return _mm_xor_ps (a, _mm_setr_ps (-0.0f, 0.0f, -0.0f, 0.0f)); }
    static V mulMinusI (V a) { return negIm (swapRI (a)); } // (im, -re)
    static V mulPlusI (V a) { return negRe (swapRI (a)); }  // (-im, re)

#if defined(__FMA__)
    static V cmul (V a, V wr, V wi) { return _mm_fmadd_ps (swapRI (a), wi, _mm_mul_ps (a, wr)); }
    static V cmulConj (V a, V wr, V wi) { return _mm_fnmadd_ps (swapRI (a), wi, _mm_mul_ps (a, wr)); }
#else
    static V cmul (V a, V wr, V wi) { return _mm_add_ps (_mm_mul_ps (a, wr), _mm_mul_ps (swapRI (a), wi)); }
    static V cmulConj (V a, V wr, V wi) { return _mm_sub_ps (_mm_mul_ps (a, wr), _mm_mul_ps (swapRI (a), wi)); }
#endif

    static V reverse (V a) { return _mm_shuffle_ps (a, a, _MM_SHUFFLE (1, 0, 3, 2)); }
    static V loadPair (const float* p) { return _mm_loadl_pi (_mm_setzero_ps(), reinterpret_cast<const __m64*> (p)); }
    static V loadDup (const float* p)
    {
        const V x = loadPair (p);
        return _mm_unpacklo_ps (x, x);
    }
    static V loadDupReversed (const float* p)
    {
        const V x = loadPair (p);
        return _mm_shuffle_ps (x, x, _MM_SHUFFLE (0, 0, 1, 1));
    }
    static V lowPairs (V s, V d) { return _mm_movelh_ps (s, d); }
    static V highPairs (V s, V d) { return _mm_movehl_ps (d, s); }
};
} // namespace FFT_KERNEL_NAMESPACE
