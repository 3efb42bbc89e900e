// Real FFT routines: process-wide tables, size dispatch, the closed forms
// for N <= 16 and the choice of kernel set.
#include "fftRoutines.h"
#include "fftKernels.h"

#include <atomic>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <new>

using namespace vokt_fft;

namespace
{
constexpr int kBitReverseSlots = static_cast<int> (kFftMaxLog2Size) / 2 + 1;

// Slot M: cosine table of N/4 + 1 floats. A filled slot M also marks the
// size as ready, so it is published last.
std::atomic<float*> UtblArray[kFftMaxLog2Size + 1];
// Slot K: reversals of K - 1 bits, for complex transforms of 2K or 2K + 1 bits.
std::atomic<int16_t*> BRLowArray[kBitReverseSlots];
// Slot e: twiddles of the radix-8 passes of length 2^e (4 <= e < max).
std::atomic<float*> PassTwiddleArray[kFftMaxLog2Size];

std::mutex tableMutex; // serialises fftInit and fftFree
std::atomic<int64_t> allocationsBeforeFailure { -1 };

constexpr std::align_val_t kTableAlignment { 64 };
constexpr double kTwoPi = 6.283185307179586476925;

template <typename T>
T* allocateTable (int64_t count)
{
    int64_t remaining = allocationsBeforeFailure.load();
    while (remaining >= 0)
    {
        if (allocationsBeforeFailure.compare_exchange_weak (remaining, remaining - 1))
        {
            if (remaining == 0)
                return nullptr;
            break;
        }
    }
    return static_cast<T*> (::operator new (static_cast<std::size_t> (count) * sizeof (T), kTableAlignment, std::nothrow));
}

void freeTable (void* table)
{
    if (table != nullptr)
        ::operator delete (table, kTableAlignment);
}

// Cosine table for a real transform of 2^M points: entry i = cos (2 pi i / N)
// for 0 <= i <= N/4, computed in double precision, with exact ends.
void fftCosInit (int64_t M, float* table)
{
    const int64_t N = int64_t (1) << M;
    if (N < 4)
    {
        table[0] = 0.0f;
        return;
    }
    const int64_t quarter = N / 4;
    table[0] = 1.0f;
    for (int64_t i = 1; i < quarter; ++i)
        table[i] = static_cast<float> (std::cos (kTwoPi * static_cast<double> (i) / static_cast<double> (N)));
    table[quarter] = 0.0f;
}

// Bit-reverse table for a log2 size S: K = S/2, 2^(K-1) entries, entry i
// is i with its K - 1 low bits reversed.
void fftBRInit (int64_t S, int16_t* table)
{
    const int64_t K = S / 2;
    if (K <= 1)
    {
        table[0] = 0;
        return;
    }
    const int bits = static_cast<int> (K - 1);
    for (int64_t i = 0; i < (int64_t (1) << bits); ++i)
    {
        int64_t reversed = 0;
        for (int b = 0; b < bits; ++b)
            if ((i >> b) & 1)
                reversed |= int64_t (1) << (bits - 1 - b);
        table[i] = static_cast<int16_t> (reversed);
    }
}

// Twiddles of one radix-8 pass of length L = 2^e (spacing h = L/8): for j in
// groups of G = 4 (G = 2 when h = 2), for r = 1..7, G pairs (cos t, cos t)
// then G pairs (sin t, -sin t) with t = 2 pi j r / L: the (Re, Re) and
// (-Im, Im) of W_L^(j r), W_L = e^{-2 pi i / L}. 28 floats per j.
int64_t passTwiddleFloats (int e) { return 28 * ((int64_t (1) << e) / 8); }

void makePassTwiddles (int e, float* table)
{
    const int64_t L = int64_t (1) << e;
    const int64_t h = L / 8;
    const int64_t G = h >= 4 ? 4 : 2;
    for (int64_t j = 0; j < h; ++j)
    {
        const int64_t g = j / G;
        const int64_t i = j % G;
        for (int64_t r = 1; r <= 7; ++r)
        {
            const double t = kTwoPi * static_cast<double> (j * r) / static_cast<double> (L);
            float* base = table + g * 28 * G + (r - 1) * 4 * G;
            const auto c = static_cast<float> (std::cos (t));
            const auto s = static_cast<float> (std::sin (t));
            base[2 * i] = c;
            base[2 * i + 1] = c;
            base[2 * G + 2 * i] = s;
            base[2 * G + 2 * i + 1] = -s;
        }
    }
}

// Log2 lengths of the radix-8 passes of a real transform of size M >= 5:
// the last pass spans the whole half-size transform (2^(M-1)), the others
// are 8, 64 ... times shorter, down to 16 values.
template <typename Fn>
void forEachPassLength (int64_t M, Fn&& fn)
{
    for (int e = static_cast<int> (M - 1); e >= 4; e -= 3)
        fn (e);
}

bool gatherTables (int64_t M, FftTables& t)
{
    t.cosTable = UtblArray[M].load (std::memory_order_acquire);
    if (t.cosTable == nullptr)
        return false;
    t.bitReverse = BRLowArray[(M - 1) / 2].load (std::memory_order_acquire);
    bool complete = t.bitReverse != nullptr;
    forEachPassLength (M, [&] (int e) {
        t.passTwiddles[e] = PassTwiddleArray[e].load (std::memory_order_acquire);
        complete = complete && t.passTwiddles[e] != nullptr;
    });
    return complete;
}

//==============================================================================
// Closed forms for N <= 16: a complex DFT of the n = N/2 values
// z_k = x_2k + i x_2k+1 written out, then the same real split as the large
// sizes with constant twiddles.
struct Cpx
{
    float re, im;
};

inline Cpx operator+ (Cpx a, Cpx b) { return { a.re + b.re, a.im + b.im }; }
inline Cpx operator- (Cpx a, Cpx b) { return { a.re - b.re, a.im - b.im }; }
inline Cpx operator* (Cpx a, float s) { return { a.re * s, a.im * s }; }
// Multiplication by the quarter turn: -i forward, +i inverse.
template <bool Inv>
inline Cpx quarterTurn (Cpx a)
{
    if constexpr (Inv)
        return Cpx { -a.im, a.re };
    else
        return Cpx { a.im, -a.re };
}

constexpr float kSqrtHalf = 0.70710677f;

inline void dft2 (Cpx* z)
{
    const Cpx a = z[0];
    z[0] = a + z[1];
    z[1] = a - z[1];
}

template <bool Inv>
inline void dft4 (Cpx* z)
{
    const Cpx a0 = z[0] + z[2];
    const Cpx a1 = z[0] - z[2];
    const Cpx a2 = z[1] + z[3];
    const Cpx a3 = quarterTurn<Inv> (z[1] - z[3]);
    z[0] = a0 + a2;
    z[1] = a1 + a3;
    z[2] = a0 - a2;
    z[3] = a1 - a3;
}

template <bool Inv>
inline void dft8 (Cpx* z)
{
    const Cpx a0 = z[0] + z[4];
    const Cpx a1 = z[0] - z[4];
    const Cpx a2 = z[2] + z[6];
    const Cpx a3 = quarterTurn<Inv> (z[2] - z[6]);
    const Cpx a4 = z[1] + z[5];
    const Cpx a5 = z[1] - z[5];
    const Cpx a6 = z[3] + z[7];
    const Cpx a7 = quarterTurn<Inv> (z[3] - z[7]);
    const Cpx e0 = a0 + a2;
    const Cpx e1 = a1 + a3;
    const Cpx e2 = a0 - a2;
    const Cpx e3 = a1 - a3;
    const Cpx o0 = a4 + a6;
    const Cpx o1 = a5 + a7;
    const Cpx o2 = quarterTurn<Inv> (a4 - a6);
    const Cpx o3 = a5 - a7;
    const Cpx t1 = (o1 + quarterTurn<Inv> (o1)) * kSqrtHalf;
    const Cpx t3 = (quarterTurn<Inv> (o3) - o3) * kSqrtHalf;
    z[0] = e0 + o0;
    z[1] = e1 + t1;
    z[2] = e2 + o2;
    z[3] = e3 + t3;
    z[4] = e0 - o0;
    z[5] = e1 - t1;
    z[6] = e2 - o2;
    z[7] = e3 - t3;
}

// cos (2 pi k / N) for k = 0..N/4, N = 8 and 16.
constexpr float kCos8[] = { 1.0f, kSqrtHalf, 0.0f };
constexpr float kCos16[] = { 1.0f, 0.9238795f, kSqrtHalf, 0.38268343f, 0.0f };

template <int n, bool Inv>
inline void smallComplexDft (Cpx* z)
{
    if constexpr (n == 2)
        dft2 (z);
    else if constexpr (n == 4)
        dft4<Inv> (z);
    else
        dft8<Inv> (z);
}

// Forward real transform of N = 2n = 4, 8 or 16 points.
template <int n>
void smallForward (float* data)
{
    constexpr int quarter = n / 2;
    const float* cosTable = n == 4 ? kCos8 : kCos16;
    Cpx z[n];
    for (int k = 0; k < n; ++k)
        z[k] = Cpx { data[2 * k], data[2 * k + 1] } * 0.5f;
    smallComplexDft<n, false> (z);

    data[0] = 2.0f * (z[0].re + z[0].im);
    data[1] = 2.0f * (z[0].re - z[0].im);
    data[2 * quarter] = 2.0f * z[quarter].re;
    data[2 * quarter + 1] = -2.0f * z[quarter].im;
    for (int k = 1; k < quarter; ++k)
    {
        const Cpx a = z[k];
        const Cpx b = z[n - k];
        const float c = cosTable[k];
        const float s = cosTable[quarter - k];
        const float er = a.re + b.re, ei = a.im - b.im;
        const float dr = a.re - b.re, di = a.im + b.im;
        const float yr = c * dr + s * di, yi = c * di - s * dr;
        data[2 * k] = er + yi;
        data[2 * k + 1] = ei - yr;
        data[2 * (n - k)] = er - yi;
        data[2 * (n - k) + 1] = -(ei + yr);
    }
}

// Inverse real transform of N = 2n = 4, 8 or 16 points, scaled by 1/N.
template <int n>
void smallInverse (float* data)
{
    constexpr int quarter = n / 2;
    const float* cosTable = n == 4 ? kCos8 : kCos16;
    Cpx z[n];
    z[0] = Cpx { data[0] + data[1], data[0] - data[1] };
    z[quarter] = Cpx { 2.0f * data[2 * quarter], -2.0f * data[2 * quarter + 1] };
    for (int k = 1; k < quarter; ++k)
    {
        const Cpx a { data[2 * k], data[2 * k + 1] };
        const Cpx b { data[2 * (n - k)], data[2 * (n - k) + 1] };
        const float c = cosTable[k];
        const float s = cosTable[quarter - k];
        const float er = a.re + b.re, ei = a.im - b.im;
        const float dr = a.re - b.re, di = a.im + b.im;
        const float yr = c * dr - s * di, yi = c * di + s * dr;
        z[k] = Cpx { er - yi, ei + yr };
        z[n - k] = Cpx { er + yi, yr - ei };
    }
    smallComplexDft<n, true> (z);
    constexpr float scale = 1.0f / static_cast<float> (2 * n);
    for (int k = 0; k < n; ++k)
    {
        data[2 * k] = z[k].re * scale;
        data[2 * k + 1] = z[k].im * scale;
    }
}

// Per-row drivers.
void rffts1 (float* data, int64_t M, const FftTables& tables, const KernelSet& kernels)
{
    if (M == 0)
        return;
    if (M == 1)
    {
        const float x0 = data[0];
        data[0] = x0 + data[1];
        data[1] = x0 - data[1];
    }
    else if (M == 2)
        smallForward<2> (data);
    else if (M == 3)
        smallForward<4> (data);
    else if (M == 4)
        smallForward<8> (data);
    else
        kernels.forward (data, static_cast<int> (M), tables);
}

void riffts1 (float* data, int64_t M, const FftTables& tables, const KernelSet& kernels)
{
    if (M == 0)
        return;
    if (M == 1)
    {
        const float x0 = data[0];
        data[0] = (x0 + data[1]) * 0.5f;
        data[1] = (x0 - data[1]) * 0.5f;
    }
    else if (M == 2)
        smallInverse<2> (data);
    else if (M == 3)
        smallInverse<4> (data);
    else if (M == 4)
        smallInverse<8> (data);
    else
        kernels.inverse (data, static_cast<int> (M), tables);
}

template <typename RowFn>
bool transformRows (float* data, int64_t M, int64_t rows, RowFn rowFn)
{
    if (M < 0 || M > kFftMaxLog2Size)
        return false;
    if (rows < 1)
        return true;
    FftTables tables {};
    if (M >= 5 && ! gatherTables (M, tables))
        return false;
    const KernelSet& kernels = activeKernels();
    const int64_t N = int64_t (1) << M;
    for (int64_t r = 0; r < rows; ++r)
        rowFn (data + r * N, M, tables, kernels);
    return true;
}

//==============================================================================
std::atomic<const KernelSet*> activeSet { nullptr };

const KernelSet* kernelsFor (FftKernelSet set)
{
    switch (set)
    {
        case FftKernelSet::generic:
            return &genericKernels();
#if defined(__x86_64__) || defined(_M_X64)
        case FftKernelSet::sse2:
            return &sse2Kernels();
        case FftKernelSet::avx2:
            __builtin_cpu_init();
            if (__builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma"))
                return &avx2Kernels();
            return nullptr;
#endif
        default:
            return nullptr;
    }
}

const KernelSet& bestKernels()
{
    for (auto set : { FftKernelSet::avx2, FftKernelSet::sse2 })
        if (const KernelSet* k = kernelsFor (set))
            return *k;
    return genericKernels();
}
} // namespace

namespace vokt_fft
{
const KernelSet& activeKernels()
{
    const KernelSet* k = activeSet.load (std::memory_order_acquire);
    if (k == nullptr)
    {
        k = &bestKernels();
        const KernelSet* expected = nullptr;
        if (! activeSet.compare_exchange_strong (expected, k, std::memory_order_acq_rel))
            k = expected;
    }
    return *k;
}
} // namespace vokt_fft

//==============================================================================
int fftInit (int64_t M)
{
    if (M < 0 || M > kFftMaxLog2Size)
        return 1;

    const std::lock_guard<std::mutex> lock (tableMutex);
    if (UtblArray[M].load (std::memory_order_acquire) != nullptr)
        return 0;

    // Allocate every missing table first; publish only when all succeeded.
    const int64_t N = int64_t (1) << M;
    bool failed = false;
    float* cosTable = allocateTable<float> (N < 4 ? 1 : N / 4 + 1);
    failed = failed || cosTable == nullptr;

    int16_t* bitReverse = nullptr;
    const int64_t brSlot = (M - 1) / 2;
    if (M >= 5 && BRLowArray[brSlot].load (std::memory_order_relaxed) == nullptr)
    {
        bitReverse = allocateTable<int16_t> (int64_t (1) << (brSlot - 1));
        failed = failed || bitReverse == nullptr;
    }

    float* twiddles[kFftMaxLog2Size] = {};
    if (M >= 5)
        forEachPassLength (M, [&] (int e) {
            if (! failed && PassTwiddleArray[e].load (std::memory_order_relaxed) == nullptr)
            {
                twiddles[e] = allocateTable<float> (passTwiddleFloats (e));
                failed = failed || twiddles[e] == nullptr;
            }
        });

    if (failed)
    {
        freeTable (cosTable);
        freeTable (bitReverse);
        for (float* t : twiddles)
            freeTable (t);
        return 2;
    }

    if (bitReverse != nullptr)
    {
        fftBRInit (M - 1, bitReverse);
        BRLowArray[brSlot].store (bitReverse, std::memory_order_release);
    }
    for (int e = 0; e < static_cast<int> (kFftMaxLog2Size); ++e)
    {
        if (twiddles[e] != nullptr)
        {
            makePassTwiddles (e, twiddles[e]);
            PassTwiddleArray[e].store (twiddles[e], std::memory_order_release);
        }
    }
    fftCosInit (M, cosTable);
    UtblArray[M].store (cosTable, std::memory_order_release);
    return 0;
}

void fftFree()
{
    const std::lock_guard<std::mutex> lock (tableMutex);
    for (auto& slot : UtblArray)
        freeTable (slot.exchange (nullptr, std::memory_order_acq_rel));
    for (auto& slot : BRLowArray)
        freeTable (slot.exchange (nullptr, std::memory_order_acq_rel));
    for (auto& slot : PassTwiddleArray)
        freeTable (slot.exchange (nullptr, std::memory_order_acq_rel));
}

bool fftIsReady (int64_t M)
{
    return M >= 0 && M <= kFftMaxLog2Size && UtblArray[M].load (std::memory_order_acquire) != nullptr;
}

bool rffts (float* data, int64_t M, int64_t rows) { return transformRows (data, M, rows, rffts1); }

bool riffts (float* data, int64_t M, int64_t rows) { return transformRows (data, M, rows, riffts1); }

bool fftKernelSetAvailable (FftKernelSet set) { return kernelsFor (set) != nullptr; }

bool fftSelectKernelSet (FftKernelSet set)
{
    const KernelSet* k = kernelsFor (set);
    if (k == nullptr)
        return false;
    activeSet.store (k, std::memory_order_release);
    return true;
}

FftKernelSet fftActiveKernelSet() { return activeKernels().id; }

const char* fftKernelSetName (FftKernelSet set)
{
    switch (set)
    {
        case FftKernelSet::generic:
            return "generic";
        case FftKernelSet::sse2:
            return "sse2";
        case FftKernelSet::avx2:
            return "avx2";
    }
    return "unknown";
}

void fftFailTableAllocationsAfter (int64_t count) { allocationsBeforeFailure.store (count < 0 ? -1 : count); }
