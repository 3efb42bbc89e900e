// FFT kernels written once over a small vector interface and compiled once
// per instruction set. Included only by fftKernels*.cpp, each of which first
// defines FFT_KERNEL_NAMESPACE (a name of its own, so that templates
// instantiated with different instruction sets never merge at link time)
// and the vector types it instantiates the kernels with.
// Thread contract: pure functions on the caller's arrays and the published tables, callable on any thread.
//
// A vector type T holds T::W complex values, interleaved (re, im, re, im ...)
// exactly as they lie in memory, and provides:
//   load, store (unaligned), set1, set4 (memory order, two-complex types),
//   add, sub, mul, negIm (conjugate), mulMinusI, mulPlusI, swapRI,
//   cmul (a, wr, wi) = a * w and cmulConj (a, wr, wi) = a * conj (w), where
//     wr holds (Re w, Re w) and wi holds (-Im w, Im w) per complex value,
//   reverse (complex order reversed), loadDup (W floats -> each twice),
//   loadDupReversed (W floats in reverse order -> each twice),
//   and, for two-complex types, lowPairs (s, d) = (s.c0, d.c0) and
//   highPairs (s, d) = (s.c1, d.c1).
//
// The complex transform of n = N/2 values is a decimation-in-time FFT:
//   scbitrevR2   bit-reversed reordering merged with the first radix-2 pass
//   radix2Pass   one radix-2 pass at spacing 2          (when (M-2) % 3 == 1)
//   bfR4         two radix-2 passes fused, spacing 2, 4 (when (M-2) % 3 == 2)
//   bfstages     radix-8 passes at spacing h, 8h, 64h ...
//   fftrecurs    depth-first on eight sub-blocks above 2^11 values
// followed (forward) or preceded (inverse) by the real split frstage.
// Inverse kernels are the same templates with Inv = true: conjugate twiddles.

#ifndef FFT_KERNEL_NAMESPACE
#error "define FFT_KERNEL_NAMESPACE before including fftKernelsImpl.h"
#endif

namespace FFT_KERNEL_NAMESPACE
{
using vokt_fft::FftTables;

constexpr float kSqrtHalf = 0.70710678118654752440f;

// Multiplication by the quarter turn W4 = -i (forward) or +i (inverse).
template <class T, bool Inv>
static inline typename T::V rotate (typename T::V a)
{
    if constexpr (Inv)
        return T::mulPlusI (a);
    else
        return T::mulMinusI (a);
}

template <class T, bool Inv>
static inline typename T::V twiddle (typename T::V a, typename T::V wr, typename T::V wi)
{
    if constexpr (Inv)
        return T::cmulConj (a, wr, wi);
    else
        return T::cmul (a, wr, wi);
}

//==============================================================================
// Bit-reversed reordering of n = 2^m complex values merged with the first
// radix-2 pass, every value scaled. The input values with indices
// (t, c, l) = t * n/2 + 2c + l go to position l * n/2 + 2 rev(c) + t, and the
// first pass combines the two values that differ in t; so the four values of
// group c become the four outputs of group rev(c), and groups c and rev(c)
// are exchanged. rev() of the m-2 middle bits is built from two lookups in
// the table of (m/2 - 1)-bit reversals, plus the centre bit when m is odd.
template <class T2>
static void scbitrevR2 (float* data, int m, const int16_t* br, float scale)
{
    using V = typename T2::V;
    const int64_t half = int64_t (1) << (m - 1);
    const int64_t groups = int64_t (1) << (m - 2);
    const int k1 = m / 2 - 1;
    const int odd = m & 1;
    const int64_t lowMask = (int64_t (1) << k1) - 1;
    const V s = T2::set1 (scale);

    for (int64_t c = 0; c < groups; ++c)
    {
        const int64_t lo = c & lowMask;
        const int64_t centre = (c >> k1) & odd;
        const int64_t hi = c >> (k1 + odd);
        const int64_t rc = (static_cast<int64_t> (br[lo]) << (k1 + odd)) | (centre << k1) | br[hi];
        if (rc < c)
            continue;

        float* pa = data + 4 * c;
        float* pb = pa + 2 * half;
        const V a = T2::load (pa);
        const V b = T2::load (pb);
        const V sum = T2::mul (T2::add (a, b), s);
        const V dif = T2::mul (T2::sub (a, b), s);

        if (rc == c)
        {
            T2::store (pa, T2::lowPairs (sum, dif));
            T2::store (pb, T2::highPairs (sum, dif));
        }
        else
        {
            float* qa = data + 4 * rc;
            float* qb = qa + 2 * half;
            const V a2 = T2::load (qa);
            const V b2 = T2::load (qb);
            const V sum2 = T2::mul (T2::add (a2, b2), s);
            const V dif2 = T2::mul (T2::sub (a2, b2), s);
            T2::store (qa, T2::lowPairs (sum, dif));
            T2::store (qb, T2::highPairs (sum, dif));
            T2::store (pa, T2::lowPairs (sum2, dif2));
            T2::store (pb, T2::highPairs (sum2, dif2));
        }
    }
}

//==============================================================================
// Radix-2 pass at spacing 2 over groups of four values: twiddles 1 and W4.
template <class T2, bool Inv>
static void radix2Pass (float* data, int64_t n)
{
    using V = typename T2::V;
    const V wr = T2::set4 (1.0f, 1.0f, 0.0f, 0.0f);
    const V wi = T2::set4 (0.0f, 0.0f, 1.0f, -1.0f); // (1, -i)

    for (int64_t g = 0; g < n; g += 4)
    {
        float* p = data + 2 * g;
        const V a = T2::load (p);
        const V t = twiddle<T2, Inv> (T2::load (p + 4), wr, wi);
        T2::store (p, T2::add (a, t));
        T2::store (p + 4, T2::sub (a, t));
    }
}

// Radix-4 pass: the radix-2 passes at spacing 2 and 4 fused over groups of
// eight values, with the constant twiddles 1, W4 and the eighth roots W8^j.
template <class T2, bool Inv>
static void bfR4 (float* data, int64_t n)
{
    using V = typename T2::V;
    const float h = kSqrtHalf;
    const V w4r = T2::set4 (1.0f, 1.0f, 0.0f, 0.0f); // (1, W4)
    const V w4i = T2::set4 (0.0f, 0.0f, 1.0f, -1.0f);
    const V w8ar = T2::set4 (1.0f, 1.0f, h, h); // (1, W8)
    const V w8ai = T2::set4 (0.0f, 0.0f, h, -h);
    const V w8br = T2::set4 (0.0f, 0.0f, -h, -h); // (W8^2, W8^3)
    const V w8bi = T2::set4 (1.0f, -1.0f, h, -h);

    for (int64_t g = 0; g < n; g += 8)
    {
        float* p = data + 2 * g;
        const V v0 = T2::load (p);
        const V v1 = T2::load (p + 4);
        const V v2 = T2::load (p + 8);
        const V v3 = T2::load (p + 12);

        const V t1 = twiddle<T2, Inv> (v1, w4r, w4i);
        const V t3 = twiddle<T2, Inv> (v3, w4r, w4i);
        const V a0 = T2::add (v0, t1);
        const V a1 = T2::sub (v0, t1);
        const V a2 = T2::add (v2, t3);
        const V a3 = T2::sub (v2, t3);

        const V u2 = twiddle<T2, Inv> (a2, w8ar, w8ai);
        const V u3 = twiddle<T2, Inv> (a3, w8br, w8bi);
        T2::store (p, T2::add (a0, u2));
        T2::store (p + 4, T2::add (a1, u3));
        T2::store (p + 8, T2::sub (a0, u2));
        T2::store (p + 12, T2::sub (a1, u3));
    }
}

//==============================================================================
// One radix-8 pass at spacing h over n values: for each block of 8h values
// and each j < h, the eight values at j + q h (q = 0..7) are the j-th terms
// of eight transforms of length h whose inputs were decimated with offset
// rev3 (q). The value at slot q is multiplied by W_{8h}^(j rev3(q)), then an
// 8-point DFT writes output p to slot p.
//
// Twiddle layout for one pass length L = 8h: j runs in groups of G = 4
// (G = 2 when h = 2); a group holds, for r = 1..7, G (Re, Re) pairs then
// G (-Im, Im) pairs of W_L^(j r): 28 floats per j.
template <class T, bool Inv>
static void radix8Pass (float* data, int64_t n, int64_t h, const float* tw)
{
    using V = typename T::V;
    const int64_t G = h >= 4 ? 4 : 2;
    const int64_t groupFloats = 28 * G;
    const int64_t rFloats = 4 * G;
    const int64_t step = 2 * h; // floats between slots
    const V c = T::set1 (kSqrtHalf);

    for (int64_t b = 0; b < n; b += 8 * h)
    {
        for (int64_t j = 0; j < h; j += T::W)
        {
            float* p = data + 2 * (b + j);
            const float* w = tw + (j / G) * groupFloats + (j % G) * 2;

            // Slots in DFT input order: v_r sits at slot rev3 (r).
            const V v0 = T::load (p);
            const V v1 = twiddle<T, Inv> (T::load (p + 4 * step), T::load (w), T::load (w + 2 * G));
            const V v2 = twiddle<T, Inv> (T::load (p + 2 * step), T::load (w + rFloats), T::load (w + rFloats + 2 * G));
            const V v3 = twiddle<T, Inv> (T::load (p + 6 * step), T::load (w + 2 * rFloats), T::load (w + 2 * rFloats + 2 * G));
            const V v4 = twiddle<T, Inv> (T::load (p + step), T::load (w + 3 * rFloats), T::load (w + 3 * rFloats + 2 * G));
            const V v5 = twiddle<T, Inv> (T::load (p + 5 * step), T::load (w + 4 * rFloats), T::load (w + 4 * rFloats + 2 * G));
            const V v6 = twiddle<T, Inv> (T::load (p + 3 * step), T::load (w + 5 * rFloats), T::load (w + 5 * rFloats + 2 * G));
            const V v7 = twiddle<T, Inv> (T::load (p + 7 * step), T::load (w + 6 * rFloats), T::load (w + 6 * rFloats + 2 * G));

            // 8-point DFT: two 4-point DFTs of the even and odd inputs.
            const V a0 = T::add (v0, v4);
            const V a1 = T::sub (v0, v4);
            const V a2 = T::add (v2, v6);
            const V a3 = rotate<T, Inv> (T::sub (v2, v6));
            const V a4 = T::add (v1, v5);
            const V a5 = T::sub (v1, v5);
            const V a6 = T::add (v3, v7);
            const V a7 = rotate<T, Inv> (T::sub (v3, v7));

            const V e0 = T::add (a0, a2);
            const V e2 = T::sub (a0, a2);
            const V e1 = T::add (a1, a3);
            const V e3 = T::sub (a1, a3);
            const V o0 = T::add (a4, a6);
            const V o2 = rotate<T, Inv> (T::sub (a4, a6));
            const V o1 = T::add (a5, a7);
            const V o3 = T::sub (a5, a7);

            // W8 o1 = (o1 + W4 o1) / sqrt 2, W8^3 o3 = (W4 o3 - o3) / sqrt 2
            const V t1 = T::mul (T::add (o1, rotate<T, Inv> (o1)), c);
            const V t3 = T::mul (T::sub (rotate<T, Inv> (o3), o3), c);

            T::store (p, T::add (e0, o0));
            T::store (p + step, T::add (e1, t1));
            T::store (p + 2 * step, T::add (e2, o2));
            T::store (p + 3 * step, T::add (e3, t3));
            T::store (p + 4 * step, T::sub (e0, o0));
            T::store (p + 5 * step, T::sub (e1, t1));
            T::store (p + 6 * step, T::sub (e2, o2));
            T::store (p + 7 * step, T::sub (e3, t3));
        }
    }
}

template <class T, class T2, bool Inv>
static inline void radix8PassAnyWidth (float* data, int64_t n, int64_t h, const float* tw)
{
    if (h >= T::W)
        radix8Pass<T, Inv> (data, n, h, tw);
    else
        radix8Pass<T2, Inv> (data, n, h, tw);
}

// `passes` radix-8 passes over 2^m values, spacing h, 8h, 64h ...
template <class T, class T2, bool Inv>
static void bfstages (float* data, int m, int64_t h, int passes, const FftTables& t)
{
    const int64_t n = int64_t (1) << m;
    for (int i = 0; i < passes; ++i, h *= 8)
    {
        int log2Length = 3;
        while ((int64_t (1) << log2Length) < 8 * h)
            ++log2Length;
        radix8PassAnyWidth<T, T2, Inv> (data, n, h, t.passTwiddles[log2Length]);
    }
}

// Above 2^11 values the passes run depth-first: all passes inside each of
// the eight sub-blocks (which then stay in cache), then the last pass over
// the whole block.
template <class T, class T2, bool Inv>
static void fftrecurs (float* data, int m, int64_t h, int passes, const FftTables& t)
{
    if (m <= 11)
    {
        bfstages<T, T2, Inv> (data, m, h, passes, t);
        return;
    }
    const int64_t subValues = int64_t (1) << (m - 3);
    for (int s = 0; s < 8; ++s)
        fftrecurs<T, T2, Inv> (data + 2 * s * subValues, m - 3, h, passes - 1, t);
    radix8PassAnyWidth<T, T2, Inv> (data, int64_t (1) << m, subValues, t.passTwiddles[m]);
}

//==============================================================================
// Real split. Forward: from Z' (half-size spectrum of z_n = x_2n + i x_2n+1,
// carrying the factor 1/2 of scbitrevR2), with E = Z'_k + conj Z'_{n-k},
// D = Z'_k - conj Z'_{n-k}, Y = W^k D (W = e^{-2 pi i / N}):
//   X_k = E - i Y,  X_{n-k} = conj (E + i Y).
// Inverse, from the packed X: with Y = conj (W^k) D,
//   2 Z_k = E + i Y,  2 Z_{n-k} = conj (E - i Y).
// The twiddles come from the cosine table; sin (2 pi k / N) = cos[N/4 - k].
template <bool Inv>
static inline void splitPairScalar (float* data, int64_t n, int64_t k, float c, float s)
{
    float* a = data + 2 * k;
    float* b = data + 2 * (n - k);
    const float er = a[0] + b[0];
    const float ei = a[1] - b[1];
    const float dr = a[0] - b[0];
    const float di = a[1] + b[1];
    float yr, yi;
    if constexpr (Inv)
    {
        yr = c * dr - s * di;
        yi = c * di + s * dr;
        a[0] = er - yi;
        a[1] = ei + yr;
        b[0] = er + yi;
        b[1] = yr - ei;
    }
    else
    {
        yr = c * dr + s * di;
        yi = c * di - s * dr;
        a[0] = er + yi;
        a[1] = ei - yr;
        b[0] = er - yi;
        b[1] = -(ei + yr);
    }
}

template <class T, bool Inv>
static inline void splitPairs (float* data, int64_t n, int64_t k, const float* cosTable, int64_t quarter)
{
    using V = typename T::V;
    float* front = data + 2 * k;
    float* back = data + 2 * (n - k - T::W + 1);
    const V a = T::load (front);
    const V bc = T::negIm (T::reverse (T::load (back)));
    const V e = T::add (a, bc);
    const V d = T::sub (a, bc);
    const V wr = T::loadDup (cosTable + k);
    const V wi = T::negIm (T::loadDupReversed (cosTable + quarter - k - T::W + 1));
    if constexpr (Inv)
    {
        const V y = T::cmulConj (d, wr, wi);
        T::store (front, T::add (e, T::mulPlusI (y)));
        T::store (back, T::reverse (T::negIm (T::add (e, T::mulMinusI (y)))));
    }
    else
    {
        const V y = T::cmul (d, wr, wi);
        T::store (front, T::add (e, T::mulMinusI (y)));
        T::store (back, T::reverse (T::negIm (T::add (e, T::mulPlusI (y)))));
    }
}

template <class T, class T2, bool Inv>
static void frstage (float* data, int M, const float* cosTable)
{
    const int64_t n = int64_t (1) << (M - 1);
    const int64_t quarter = n / 2;

    const float d0 = data[0];
    const float d1 = data[1];
    float* mid = data + 2 * quarter;
    if constexpr (Inv)
    {
        data[0] = d0 + d1;
        data[1] = d0 - d1;
    }
    else
    {
        data[0] = 2.0f * (d0 + d1);
        data[1] = 2.0f * (d0 - d1);
    }
    mid[0] = 2.0f * mid[0];
    mid[1] = -2.0f * mid[1];

    int64_t k = 1;
    for (; k + T::W <= quarter; k += T::W)
        splitPairs<T, Inv> (data, n, k, cosTable, quarter);
    for (; k + T2::W <= quarter; k += T2::W)
        splitPairs<T2, Inv> (data, n, k, cosTable, quarter);
    for (; k < quarter; ++k)
        splitPairScalar<Inv> (data, n, k, cosTable[k], cosTable[quarter - k]);
}

//==============================================================================
// Row drivers for M >= 5.
template <class T, class T2, bool Inv>
static void complexPasses (float* data, int M, const FftTables& t)
{
    const int m = M - 1;
    const int64_t n = int64_t (1) << m;
    int64_t h = 2;
    switch ((M - 2) % 3)
    {
        case 1:
            radix2Pass<T2, Inv> (data, n);
            h = 4;
            break;
        case 2:
            bfR4<T2, Inv> (data, n);
            h = 8;
            break;
        default:
            break;
    }
    const int passes = (M - 2) / 3;
    if (m > 11)
        fftrecurs<T, T2, Inv> (data, m, h, passes, t);
    else
        bfstages<T, T2, Inv> (data, m, h, passes, t);
}

template <class T, class T2>
static void forwardRow (float* data, int M, const FftTables& t)
{
    scbitrevR2<T2> (data, M - 1, t.bitReverse, 0.5f);
    complexPasses<T, T2, false> (data, M, t);
    frstage<T, T2, false> (data, M, t.cosTable);
}

template <class T, class T2>
static void inverseRow (float* data, int M, const FftTables& t)
{
    frstage<T, T2, true> (data, M, t.cosTable);
    scbitrevR2<T2> (data, M - 1, t.bitReverse, 1.0f / static_cast<float> (int64_t (1) << M));
    complexPasses<T, T2, true> (data, M, t);
}
} // namespace FFT_KERNEL_NAMESPACE
