#include "SpectralDelayFrame.h"

#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{
// Output slot of panning gain j.
constexpr int gainSlot[8] = { 0, 2, 1, 3, 4, 7, 5, 6 };

// The panning gains an output layout uses.
int usedGains (int numOutputs, int* gains) noexcept
{
    static constexpr int mono[] = { 0 };
    static constexpr int stereo[] = { 0, 2 };
    static constexpr int quad[] = { 0, 2, 3, 4 };
    static constexpr int five[] = { 0, 1, 2, 3, 4 };
    static constexpr int eight[] = { 0, 1, 2, 3, 4, 5, 6, 7 };

    const int* list = mono;
    int n = 1;
    if (numOutputs >= 7)      { list = eight;  n = 8; }
    else if (numOutputs >= 5) { list = five;   n = 5; }
    else if (numOutputs == 4) { list = quad;   n = 4; }
    else if (numOutputs >= 2) { list = stereo; n = 2; }
    std::copy (list, list + n, gains);
    return n;
}

// Gains of one source at pan position x by output layout; g[0] is 1 for a
// mono output.
void panGains (int numOutputs, float x, float* g) noexcept
{
    std::fill (g, g + 8, 0.0f);
    g[0] = 1.0f;
    if (numOutputs == 2)
        GetAmplStereo (x, &g[0], &g[2]);
    else if (numOutputs == 4)
        GetAmplQuad (x, &g[0], &g[2], &g[3], &g[4]);
    else if (numOutputs == 5 || numOutputs == 6)
        GetAmpl50 (x, &g[0], &g[1], &g[2], &g[3], &g[4]);
    else if (numOutputs >= 7)
        GetAmplOcto (x, &g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7]);
}

// Vectors of four floats (two bins; every x86-64 processor), of eight (four
// bins; taken where the processor has AVX2) and of sixteen (eight bins;
// where it has AVX-512).
using Float4 = float __attribute__ ((vector_size (16)));
using Int4 = int32_t __attribute__ ((vector_size (16)));
using Float8 = float __attribute__ ((vector_size (32)));
using Int8 = int32_t __attribute__ ((vector_size (32)));
using Float16 = float __attribute__ ((vector_size (64)));
using Int16 = int32_t __attribute__ ((vector_size (64)));

// The vector types of a width in floats.
template <int Width>
struct VectorsOf;
template <>
struct VectorsOf<4> { using V = Float4; using I = Int4; };
template <>
struct VectorsOf<8> { using V = Float8; using I = Int8; };
template <>
struct VectorsOf<16> { using V = Float16; using I = Int16; };

// What the widest vectors need of the processor (AVX-512 F, VL, DQ and BW:
// the set every AVX-512 processor since the first server ones has).
#define VOKT_AVX512 "avx2,avx512f,avx512vl,avx512dq,avx512bw"

// Floats of the outputs that all bars work through before the next ones.
constexpr int64_t blockFloats = 128;

// How far past the end of the current block the past frames are asked for
// (into the second-level cache): far enough that a block's lines arrive
// while the blocks before it are worked through.
constexpr int64_t prefetchAhead = 3 * blockFloats;

// What every bar that reads a bin needs, worked out once a frame: its
// amplitude and feedback, and the gain of each output for each line, each
// value repeated so that a vector of any width loads it.
constexpr int maxLanes = 16;
struct BarGains
{
    alignas (64) float amp[maxLanes];
    alignas (64) float fb[maxLanes];
    alignas (64) float g[2][8][maxLanes];
    bool feedback;
};

// One bar's reading over a stretch of bins where it reads one past frame
// from each line (src[line]) with its edge taper (null: 1), offset so that
// taper[i - i0] belongs to float i.
struct Source
{
    const BarGains* bar;
    const float* src[2];
    const float* taper;
};


#define VOKT_INLINE __attribute__ ((always_inline)) inline

// Loads by reference: the wide vectors never pass by value
// through a function built without AVX.
template <typename V>
VOKT_INLINE void load (V& v, const float* p) noexcept
{
    std::memcpy (&v, p, sizeof (V));
}

// The feedback step on vectors of whole bins: where the power of a bin of
// the newest frame x is below 0.8, the bin gets fb x v added.
template <typename V, typename I>
struct FeedbackStep
{
    static constexpr int lanes = (int) (sizeof (V) / sizeof (float));
    V limit;
    I swapPairs;

    VOKT_INLINE FeedbackStep() noexcept
    {
        for (int k = 0; k < lanes; ++k)
        {
            limit[k] = 0.8f;
            swapPairs[k] = k ^ 1;
        }
    }

    VOKT_INLINE void operator() (V& x, const V& fb, const V& v) const noexcept
    {
        const V sq = x * x;
        const V power = sq + __builtin_shuffle (sq, swapPairs);
        const I room = power < limit;
        const V add = fb * v;
        x = x + (V) ((I) add & room);
    }
};

// The whole vectors of readRun, with its choices made once: returns where
// the single bins left over begin. The output pointers are held locally, so
// the stores through them do not make every vector reload them.
template <typename V, typename I, int NumOut, bool Feedback, bool Tapered>
VOKT_INLINE int64_t readVectors (const BarGains& bar, int line, const float* src, const float* taper, float* newest,
                                 int64_t i, int64_t end, int64_t i0, float* const* outPointers, int m) noexcept
{
    constexpr int lanes = (int) (sizeof (V) / sizeof (float));
    constexpr int maxOut = NumOut > 0 ? NumOut : 8;
    float* outs[maxOut];
    for (int j = 0; j < m; ++j)
        outs[j] = outPointers[j];

    const FeedbackStep<V, I> feedback;
    V amp, fb, g[maxOut];
    load (amp, bar.amp);
    load (fb, bar.fb);
    for (int j = 0; j < m; ++j)
        load (g[j], bar.g[line][j]);

    for (; i + lanes <= end; i += lanes)
    {
        V v;
        load (v, src + i);
        if constexpr (Tapered)
        {
            V c;
            load (c, taper + (i - i0));
            v *= c;
        }
        if constexpr (Feedback)
        {
            V x;
            load (x, newest + i);
            feedback (x, fb, v);
            std::memcpy (newest + i, &x, sizeof (V));
        }
        const V a = amp * v;
        for (int j = 0; j < m; ++j)
        {
            V o;
            load (o, outs[j] + i);
            o = o + g[j] * a;
            std::memcpy (outs[j] + i, &o, sizeof (V));
        }
    }
    return i;
}

// readVectors for both lines of a source in one pass: per float, line 0's
// operations come before line 1's, as in two passes, while each vector of
// the outputs is loaded and stored once for both.
template <typename V, typename I, int NumOut, bool Feedback, bool Tapered>
VOKT_INLINE int64_t readVectorsBoth (const BarGains& bar, const float* const* src, const float* taper,
                                     float* const* newestFrames, int64_t i, int64_t end, int64_t i0,
                                     float* const* outPointers, int m) noexcept
{
    constexpr int lanes = (int) (sizeof (V) / sizeof (float));
    constexpr int maxOut = NumOut > 0 ? NumOut : 8;
    float* outs[maxOut];
    for (int j = 0; j < m; ++j)
        outs[j] = outPointers[j];
    const float* src0 = src[0];
    const float* src1 = src[1];
    float* newest0 = newestFrames[0];
    float* newest1 = newestFrames[1];

    const FeedbackStep<V, I> step;
    V amp, fb, g0[maxOut], g1[maxOut];
    load (amp, bar.amp);
    load (fb, bar.fb);
    for (int j = 0; j < m; ++j)
    {
        load (g0[j], bar.g[0][j]);
        load (g1[j], bar.g[1][j]);
    }

    auto feedback = [&] (float* newest, const V& v) __attribute__ ((always_inline)) {
        V x;
        load (x, newest);
        step (x, fb, v);
        std::memcpy (newest, &x, sizeof (V));
    };

    for (; i + lanes <= end; i += lanes)
    {
        V v0, v1;
        load (v0, src0 + i);
        if constexpr (Tapered)
        {
            V c;
            load (c, taper + (i - i0));
            v0 *= c;
            if constexpr (Feedback)
                feedback (newest0 + i, v0);
            load (v1, src1 + i);
            v1 *= c;
        }
        else
        {
            if constexpr (Feedback)
                feedback (newest0 + i, v0);
            load (v1, src1 + i);
        }
        if constexpr (Feedback)
            feedback (newest1 + i, v1);
        const V a0 = amp * v0;
        const V a1 = amp * v1;
        for (int j = 0; j < m; ++j)
        {
            V o;
            load (o, outs[j] + i);
            o = o + g0[j] * a0;
            o = o + g1[j] * a1;
            std::memcpy (outs[j] + i, &o, sizeof (V));
        }
    }
    return i;
}

// readVectorsBoth for two sources a and b in one pass (neither reading the
// newest frames, both with or both without feedback and taper): per float,
// a's operations come before b's, line 0 before line 1, as in separate
// passes, while the newest frames and the outputs are loaded and stored
// once for both.
template <typename V, typename I, int NumOut, bool Feedback, bool Tapered>
VOKT_INLINE int64_t readVectorsPair (const Source& sa, const Source& sb, float* const* newestFrames, int64_t i,
                                     int64_t end, int64_t i0, float* const* outPointers, int m) noexcept
{
    constexpr int lanes = (int) (sizeof (V) / sizeof (float));
    constexpr int maxOut = NumOut > 0 ? NumOut : 8;
    float* outs[maxOut];
    for (int j = 0; j < m; ++j)
        outs[j] = outPointers[j];
    const BarGains& ba = *sa.bar;
    const BarGains& bb = *sb.bar;
    const float* a0 = sa.src[0];
    const float* a1 = sa.src[1];
    const float* b0 = sb.src[0];
    const float* b1 = sb.src[1];
    const float* ta = sa.taper;
    const float* tb = sb.taper;
    float* newest0 = newestFrames[0];
    float* newest1 = newestFrames[1];

    const FeedbackStep<V, I> feedback;
    V ampA, ampB, fbA, fbB, gA0[maxOut], gA1[maxOut], gB0[maxOut], gB1[maxOut];
    load (ampA, ba.amp);
    load (ampB, bb.amp);
    load (fbA, ba.fb);
    load (fbB, bb.fb);
    for (int j = 0; j < m; ++j)
    {
        load (gA0[j], ba.g[0][j]);
        load (gA1[j], ba.g[1][j]);
        load (gB0[j], bb.g[0][j]);
        load (gB1[j], bb.g[1][j]);
    }

    for (; i + lanes <= end; i += lanes)
    {
        V va0, va1, vb0, vb1;
        load (va0, a0 + i);
        load (va1, a1 + i);
        load (vb0, b0 + i);
        load (vb1, b1 + i);
        if constexpr (Tapered)
        {
            V ca, cb;
            load (ca, ta + (i - i0));
            load (cb, tb + (i - i0));
            va0 *= ca;
            va1 *= ca;
            vb0 *= cb;
            vb1 *= cb;
        }
        if constexpr (Feedback)
        {
            V x0, x1;
            load (x0, newest0 + i);
            load (x1, newest1 + i);
            feedback (x0, fbA, va0);
            feedback (x1, fbA, va1);
            feedback (x0, fbB, vb0);
            feedback (x1, fbB, vb1);
            std::memcpy (newest0 + i, &x0, sizeof (V));
            std::memcpy (newest1 + i, &x1, sizeof (V));
        }
        const V pa0 = ampA * va0;
        const V pa1 = ampA * va1;
        const V pb0 = ampB * vb0;
        const V pb1 = ampB * vb1;
        for (int j = 0; j < m; ++j)
        {
            V o;
            load (o, outs[j] + i);
            o = o + gA0[j] * pa0;
            o = o + gA1[j] * pa1;
            o = o + gB0[j] * pb0;
            o = o + gB1[j] * pb1;
            std::memcpy (outs[j] + i, &o, sizeof (V));
        }
    }
    return i;
}

// The single bins of readRun: floats i..end - 1 of one line, two at a time.
VOKT_INLINE void readBins (const BarGains& bar, int line, const float* src, const float* taper, float* newest,
                           int64_t i, int64_t end, int64_t i0, float* const* outs, int m) noexcept
{
    for (; i < end; i += 2)
    {
        float vr = src[i];
        float vi = src[i + 1];
        if (taper != nullptr)
        {
            const float c = taper[i - i0];
            vr *= c;
            vi *= c;
        }
        if (bar.feedback)
        {
            const float nr = newest[i];
            const float ni = newest[i + 1];
            if (nr * nr + ni * ni < 0.8f)
            {
                newest[i] = nr + bar.fb[0] * vr;
                newest[i + 1] = ni + bar.fb[0] * vi;
            }
        }
        const float ar = bar.amp[0] * vr;
        const float ai = bar.amp[0] * vi;
        for (int j = 0; j < m; ++j)
        {
            outs[j][i] = outs[j][i] + bar.g[line][j][0] * ar;
            outs[j][i + 1] = outs[j][i + 1] + bar.g[line][j][0] * ai;
        }
    }
}

// One bar reading one line over floats i..end - 1 (whole bins):
// v = taper x src; where the power of a bin of the newest frame is below 0.8
// that bin gets fb x v; each output gets gain x (amp x v). src may be the
// newest frame itself: each bin is read before it is written.
template <typename V, typename I, int NumOut>
VOKT_INLINE void readRun (const Source& source, int line, float* newest, int64_t i, int64_t end, int64_t i0,
                          float* const* outs, int n) noexcept
{
    const int m = NumOut > 0 ? NumOut : n;
    const BarGains& bar = *source.bar;
    const float* src = source.src[line];
    const float* taper = source.taper;

    if (bar.feedback)
        i = taper != nullptr ? readVectors<V, I, NumOut, true, true> (bar, line, src, taper, newest, i, end, i0, outs, m)
                             : readVectors<V, I, NumOut, true, false> (bar, line, src, taper, newest, i, end, i0, outs, m);
    else
        i = taper != nullptr ? readVectors<V, I, NumOut, false, true> (bar, line, src, taper, newest, i, end, i0, outs, m)
                             : readVectors<V, I, NumOut, false, false> (bar, line, src, taper, newest, i, end, i0, outs, m);
    readBins (bar, line, src, taper, newest, i, end, i0, outs, m);
}

// Both lines of a source over floats i..end - 1, as readRun on line 0 and
// then on line 1 (the same operations on every float, in the same order).
template <typename V, typename I, int NumOut>
VOKT_INLINE void readRunBoth (const Source& source, float* const* newest, int64_t i, int64_t end, int64_t i0,
                              float* const* outs, int n) noexcept
{
    const int m = NumOut > 0 ? NumOut : n;
    const BarGains& bar = *source.bar;
    const float* taper = source.taper;

    int64_t bins = i;
    if (bar.feedback)
        bins = taper != nullptr ? readVectorsBoth<V, I, NumOut, true, true> (bar, source.src, taper, newest, i, end, i0, outs, m)
                                : readVectorsBoth<V, I, NumOut, true, false> (bar, source.src, taper, newest, i, end, i0, outs, m);
    else
        bins = taper != nullptr ? readVectorsBoth<V, I, NumOut, false, true> (bar, source.src, taper, newest, i, end, i0, outs, m)
                                : readVectorsBoth<V, I, NumOut, false, false> (bar, source.src, taper, newest, i, end, i0, outs, m);
    for (int line = 0; line < 2; ++line)
        readBins (bar, line, source.src[line], taper, newest[line], bins, end, i0, outs, m);
}

// dst = dst x m + dry x (1 - m) x 0.707, in double precision.
inline __attribute__ ((always_inline)) void mixDryLoop (float* dst, const float* dry, int64_t n, float m) noexcept
{
    const double wet = m;
    const double dryGain = (1.0 - wet) * 0.707;
    for (int64_t i = 0; i < n; ++i)
        dst[i] = static_cast<float> (static_cast<double> (dst[i]) * wet + static_cast<double> (dry[i]) * dryGain);
}

// The dry spectra of the outputs (1 or 2) and the wet share, for a sweep
// that zeroes the outputs and mixes the dry part in as it goes.
struct DryMix
{
    const float* dry[2];
    float m;
    // The input spectra that become the newest frames of the lines, copied
    // in block by block before the bars read the block.
    int numFresh;
    const float* fresh[2];
    float* freshTo[2];
};

// Two sources that readVectorsPair takes together.
VOKT_INLINE bool pairable (const Source& a, const Source& b, float* const* newest) noexcept
{
    for (int line = 0; line < 2; ++line)
        if (a.src[line] == newest[line] || b.src[line] == newest[line])
            return false;
    return a.bar->feedback == b.bar->feedback && (a.taper == nullptr) == (b.taper == nullptr);
}

// Sources a and b over floats i..end - 1, both lines: as readRunBoth on a
// and then on b.
template <typename V, typename I, int NumOut>
VOKT_INLINE void readRunPair (const Source& a, const Source& b, float* const* newest, int64_t i, int64_t end,
                              int64_t i0, float* const* outs, int n) noexcept
{
    const int m = NumOut > 0 ? NumOut : n;
    int64_t bins = i;
    if (a.bar->feedback)
        bins = a.taper != nullptr ? readVectorsPair<V, I, NumOut, true, true> (a, b, newest, i, end, i0, outs, m)
                                  : readVectorsPair<V, I, NumOut, true, false> (a, b, newest, i, end, i0, outs, m);
    else
        bins = a.taper != nullptr ? readVectorsPair<V, I, NumOut, false, true> (a, b, newest, i, end, i0, outs, m)
                                  : readVectorsPair<V, I, NumOut, false, false> (a, b, newest, i, end, i0, outs, m);
    for (const Source* s : { &a, &b })
        for (int line = 0; line < 2; ++line)
            readBins (*s->bar, line, s->src[line], s->taper, newest[line], bins, end, i0, outs, m);
}

// Floats i0..i1 - 1 (whole bins) of every output, for the bars that read
// them, a block at a time: within a block every bar reads in turn, both
// lines in one pass (line 0's operations on a float before line 1's), so every float gets the operations of a bar-at-a-time
// pass over the whole range in the same order (the same result to the bit),
// while the block of the outputs and newest frames stays in the first-level
// cache and the bars' work on its many vectors overlaps.
// With `mix`, each block of the outputs is zeroed first and gets its dry
// part last, as whole passes of zeroing and dry mixing would give it.
template <int Width, int NumOut, int NumLines>
VOKT_INLINE void mixRange (const Source* sources, int numSources, float* const* newest, int64_t i0, int64_t i1,
                           float* const* outs, int numOuts, const DryMix* mix) noexcept
{
    for (int64_t start = i0; start < i1; start += blockFloats)
    {
        const int64_t end = std::min (start + blockFloats, i1);
        if (mix != nullptr)
        {
            // The input goes into the newest frames a block ahead, at the
            // end of the block before (here only for the first block): the
            // past frames are at the same offsets in their pages, and their
            // loads right after the stores would be taken for reloads of them.
            if (start == i0)
                for (int f = 0; f < mix->numFresh; ++f)
                    std::memcpy (mix->freshTo[f] + start, mix->fresh[f] + start, static_cast<std::size_t> (end - start) * sizeof (float));
            for (int f = 0; f < mix->numFresh; ++f)
                for (int64_t ahead = 0; ahead < blockFloats; ahead += 16)
                    __builtin_prefetch (mix->freshTo[f] + end + prefetchAhead + ahead, 1, 2);
            for (int j = 0; j < numOuts; ++j)
                std::fill (outs[j] + start, outs[j] + end, 0.0f);
        }
        using V = typename VectorsOf<Width>::V;
        using I = typename VectorsOf<Width>::I;
        for (int s = 0; s < numSources;)
        {
            // The next block of this source, read soon after.
            for (int line = 0; line < NumLines; ++line)
                for (int64_t ahead = 0; ahead < blockFloats; ahead += 16)
                    __builtin_prefetch (sources[s].src[line] + end + prefetchAhead + ahead, 0, 2);
            if constexpr (NumLines == 2)
            {
                if (s + 1 < numSources && pairable (sources[s], sources[s + 1], newest))
                {
                    for (int line = 0; line < NumLines; ++line)
                        for (int64_t ahead = 0; ahead < blockFloats; ahead += 16)
                            __builtin_prefetch (sources[s + 1].src[line] + end + prefetchAhead + ahead, 0, 2);
                    readRunPair<V, I, NumOut> (sources[s], sources[s + 1], newest, start, end, i0, outs, numOuts);
                    s += 2;
                    continue;
                }
                readRunBoth<V, I, NumOut> (sources[s], newest, start, end, i0, outs, numOuts);
            }
            else
                readRun<V, I, NumOut> (sources[s], 0, newest[0], start, end, i0, outs, numOuts);
            ++s;
        }
        if (mix != nullptr)
            for (int j = 0; j < numOuts; ++j)
                mixDryLoop (outs[j] + start, mix->dry[j] + start, end - start, mix->m);
        if (mix != nullptr && end < i1)
        {
            const int64_t next = std::min (end + blockFloats, i1);
            for (int f = 0; f < mix->numFresh; ++f)
                std::memcpy (mix->freshTo[f] + end, mix->fresh[f] + end, static_cast<std::size_t> (next - end) * sizeof (float));
        }
    }
}

template <int Width>
VOKT_INLINE void mixSegmentOf (const Source* sources, int numSources, float* const* newest, int numLines,
                               int64_t i0, int64_t i1, float* const* outs, int numOuts, const DryMix* mix) noexcept
{
    if (numLines == 2)
    {
        if (numOuts == 2)
            mixRange<Width, 2, 2> (sources, numSources, newest, i0, i1, outs, numOuts, mix);
        else
            mixRange<Width, 0, 2> (sources, numSources, newest, i0, i1, outs, numOuts, mix);
    }
    else
    {
        if (numOuts == 1)
            mixRange<Width, 1, 1> (sources, numSources, newest, i0, i1, outs, numOuts, mix);
        else if (numOuts == 2)
            mixRange<Width, 2, 1> (sources, numSources, newest, i0, i1, outs, numOuts, mix);
        else
            mixRange<Width, 0, 1> (sources, numSources, newest, i0, i1, outs, numOuts, mix);
    }
}

void mixSegment (const Source* sources, int numSources, float* const* newest, int numLines,
                 int64_t i0, int64_t i1, float* const* outs, int numOuts, const DryMix* mix) noexcept
{
    mixSegmentOf<4> (sources, numSources, newest, numLines, i0, i1, outs, numOuts, mix);
}

__attribute__ ((target ("avx2"))) void mixSegmentWide (const Source* sources, int numSources, float* const* newest,
                                                       int numLines, int64_t i0, int64_t i1, float* const* outs,
                                                       int numOuts, const DryMix* mix) noexcept
{
    mixSegmentOf<8> (sources, numSources, newest, numLines, i0, i1, outs, numOuts, mix);
}

__attribute__ ((target (VOKT_AVX512))) void mixSegmentWidest (const Source* sources, int numSources,
                                                              float* const* newest, int numLines, int64_t i0,
                                                              int64_t i1, float* const* outs, int numOuts,
                                                              const DryMix* mix) noexcept
{
    mixSegmentOf<16> (sources, numSources, newest, numLines, i0, i1, outs, numOuts, mix);
}

#undef VOKT_INLINE

void mixDryNarrow (float* dst, const float* dry, int64_t n, float m) noexcept
{
    mixDryLoop (dst, dry, n, m);
}

// The same operations four doubles at a time (no fused multiply-add, so the
// result is the same to the bit).
__attribute__ ((target ("avx2"))) void mixDryWide (float* dst, const float* dry, int64_t n, float m) noexcept
{
    mixDryLoop (dst, dry, n, m);
}

void scale (float* dst, int64_t n, float m) noexcept
{
    if (dst == nullptr)
        return;
    for (int64_t i = 0; i < n; ++i)
        dst[i] *= m;
}
} // namespace

SpectralDelayFrame::SpectralDelayFrame (int64_t maxFftSize)
    : maxHalf (std::max<int64_t> (maxFftSize / 2, 1)),
      vectorWidth (widestVectorFloats())
{
    // Left uninitialised: only the entries a plan writes are ever read, so
    // the pages of sizes never used stay untouched.
    for (auto& p : plans)
    {
        p.runStart.reset (new int32_t[(size_t) maxHalf]);
        p.runBack.reset (new int32_t[(size_t) maxHalf]);
        p.taper.reset (new float[(size_t) (2 * maxHalf)]);
    }
}

int SpectralDelayFrame::widestVectorFloats() noexcept
{
    if (__builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512vl")
        && __builtin_cpu_supports ("avx512dq") && __builtin_cpu_supports ("avx512bw"))
        return 16;
    return __builtin_cpu_supports ("avx2") ? 8 : 4;
}

void SpectralDelayFrame::setVectorFloats (int floats) noexcept
{
    vectorWidth = std::min (floats >= 16 ? 16 : (floats >= 8 ? 8 : 4), widestVectorFloats());
}

void SpectralDelayFrame::mapSurroundSlots (int numOutputs, float* const* channels, float** slots) noexcept
{
    std::fill (slots, slots + 8, nullptr);
    static constexpr int out8[] = { 0, 1, 5, 6, 2, 7, 3, 4 };
    static constexpr int out6[] = { 0, 1, 2, 7, 3, 4 };
    static constexpr int out5[] = { 0, 1, 3, 4, 2 };
    static constexpr int out4[] = { 0, 1, 3, 4 };

    const int* map = nullptr;
    int n = 0;
    switch (numOutputs)
    {
        case 8: map = out8; n = 8; break;
        case 6: map = out6; n = 6; break;
        case 5: map = out5; n = 5; break;
        case 4: map = out4; n = 4; break;
        default: break;
    }
    if (map != nullptr)
    {
        for (int c = 0; c < n; ++c)
            slots[map[c]] = channels[c];
        return;
    }
    if (numOutputs >= 1)
        slots[0] = channels[0];
    if (numOutputs == 2)
        slots[1] = channels[1];
}

void SpectralDelayFrame::barBinRange (const BarFreq& bar, int64_t half, int64_t& lo, int64_t& hi) noexcept
{
    const float h = static_cast<float> (half);
    lo = static_cast<int64_t> (bar.getF1() * h);
    hi = static_cast<int64_t> (bar.getF2() * h);
    lo = std::clamp<int64_t> (lo, 0, half - 1);
    hi = std::clamp<int64_t> (hi, 0, half - 1);
    if (lo > hi)
        std::swap (lo, hi);
    if (lo == hi)
    {
        if (lo > 0)
            --lo;
        else
            hi = 1;
    }
}

int64_t SpectralDelayFrame::delayFramesBack (float delay, int64_t count) noexcept
{
    const float frames = delay * static_cast<float> (count);
    if (! (frames > 0.0f))
        return 0; // negative, zero or not a number: the newest frame
    if (frames >= static_cast<float> (count))
        return count - 1;
    return std::min<int64_t> (static_cast<int64_t> (frames), count - 1);
}

void SpectralDelayFrame::process (const SpectralFrameSettings& settings,
                                  const float* const* in,
                                  float* const* out,
                                  MyBuffersArray<float>* const* lines,
                                  const BarFreq* bars, int barCount) noexcept
{
    const int64_t n = settings.fftSize;
    const bool stereoIn = settings.numInputs == 2;
    const int numOutputs = std::clamp (settings.numOutputs, 1, 8);

    // The history first: the current spectrum becomes the newest frame.
    const bool linesReady = lines[0]->getCount() > 0 && static_cast<int64_t> (lines[0]->getLength()) == n
                            && (! stereoIn || (lines[1]->getCount() > 0 && static_cast<int64_t> (lines[1]->getLength()) == n));
    const bool canRead = linesReady && n / 2 <= maxHalf;
    const bool oneSweep = canRead && numOutputs <= 2;
    const int numLines = stereoIn ? 2 : 1;
    if (oneSweep)
    {
        // Mono and stereo outputs: the sweep below copies the spectra in.
        for (int line = 0; line < numLines; ++line)
            lines[line]->advance();
    }
    else if (linesReady)
    {
        for (int line = 0; line < numLines; ++line)
            lines[line]->push (in[line]);
    }
    const float* dry1 = stereoIn ? in[1] : in[0];

    float* slots[8];
    mapSurroundSlots (numOutputs, out, slots);
    const float m = settings.mix;

    // Mono and stereo outputs: the newest frames, zeroing, the bars and the
    // dry mix are one sweep over the bins (when any bar reads).
    if (oneSweep)
    {
        const float* dry[2] = { in[0], dry1 };
        if (readBars (settings, lines, slots, bars, barCount, stereoIn && numOutputs >= 2, dry, in, numLines))
            return;
        for (int line = 0; line < numLines; ++line)
            std::memcpy (lines[line]->getNewest(), in[line], static_cast<std::size_t> (n) * sizeof (float));
    }

    for (int c = 0; c < numOutputs; ++c)
        std::memset (out[c], 0, static_cast<std::size_t> (n) * sizeof (float));

    if (canRead && numOutputs > 2)
        readBars (settings, lines, slots, bars, barCount, stereoIn, nullptr, nullptr, 0);

    if (slots[0] != nullptr)
        (vectorWidth >= 8 ? mixDryWide : mixDryNarrow) (slots[0], in[0], n, m);
    if (numOutputs >= 2 && slots[1] != nullptr)
        (vectorWidth >= 8 ? mixDryWide : mixDryNarrow) (slots[1], dry1, n, m);
    switch (numOutputs)
    {
        case 4:
            scale (slots[3], n, m);
            scale (slots[4], n, m);
            break;
        case 5:
        case 6:
            scale (slots[2], n, m);
            scale (slots[3], n, m);
            scale (slots[4], n, m);
            if (numOutputs == 6 && slots[7] != nullptr)
                std::memset (slots[7], 0, static_cast<std::size_t> (n) * sizeof (float));
            break;
        case 7:
        case 8:
            for (int s = 2; s < 8; ++s)
                scale (slots[s], n, m);
            break;
        default:
            break;
    }
}

void SpectralDelayFrame::plan (const BarFreq& bar, int64_t fftSize, int64_t lineCount, BarPlan& p) noexcept
{
    if (p.valid && p.f1 == bar.f1 && p.d1 == bar.d1 && p.f2 == bar.f2 && p.d2 == bar.d2 && p.power == bar.power
        && p.smoothness == bar.smoothness && p.fftSize == fftSize && p.lineCount == lineCount)
        return;

    p.valid = true;
    p.f1 = bar.f1;
    p.d1 = bar.d1;
    p.f2 = bar.f2;
    p.d2 = bar.d2;
    p.power = bar.power;
    p.smoothness = bar.smoothness;
    p.fftSize = fftSize;
    p.lineCount = lineCount;

    const int64_t half = fftSize / 2;
    barBinRange (bar, half, p.lo, p.hi);

    // A band whose clipped ends coincide (a bar along the delay axis, or one
    // wholly outside 0..1 in frequency) has a taper of 0 everywhere.
    const float c1 = Clip (0.0f, 1.0f, static_cast<float> (bar.f1));
    const float c2 = Clip (0.0f, 1.0f, static_cast<float> (bar.f2));
    p.silent = c1 == c2;
    if (p.silent)
        return;

    const int64_t width = p.hi - p.lo;
    p.unitTaper = ! (bar.smoothness > 0.0f);
    p.unitFrom = p.lo;
    p.unitTo = p.hi;
    if (! p.unitTaper)
    {
        for (int64_t k = p.lo; k < p.hi; ++k)
        {
            const float c = bar.getCorrectAmp (static_cast<float> (k - p.lo) / static_cast<float> (width));
            p.taper[(size_t) (2 * (k - p.lo))] = c;
            p.taper[(size_t) (2 * (k - p.lo) + 1)] = c;
        }

        // The stretch between the edge zones where the taper is exactly 1
        // is read without it (none when a value other than 1 lies inside).
        auto unit = [&p] (int64_t k) { return p.taper[(size_t) (2 * (k - p.lo))] == 1.0f; };
        p.unitFrom = p.lo;
        while (p.unitFrom < p.hi && ! unit (p.unitFrom))
            ++p.unitFrom;
        p.unitTo = p.hi;
        while (p.unitTo > p.unitFrom && ! unit (p.unitTo - 1))
            --p.unitTo;
        for (int64_t k = p.unitFrom; k < p.unitTo; ++k)
            if (! unit (k))
            {
                p.unitTo = p.unitFrom;
                break;
            }
    }

    p.numRuns = 0;
    if (bar.f1 == bar.f2 || bar.d1 == bar.d2)
    {
        p.runStart[0] = (int32_t) p.lo;
        p.runBack[0] = (int32_t) delayFramesBack (bar.getDelay (0.0f), lineCount);
        p.numRuns = 1;
        return;
    }
    for (int64_t k = p.lo; k < p.hi; ++k)
    {
        const auto back = (int32_t) delayFramesBack (bar.getDelay (static_cast<float> (k) / static_cast<float> (half)), lineCount);
        if (p.numRuns == 0 || p.runBack[p.numRuns - 1] != back)
        {
            p.runStart[p.numRuns] = (int32_t) k;
            p.runBack[p.numRuns] = back;
            ++p.numRuns;
        }
    }
}

bool SpectralDelayFrame::readBars (const SpectralFrameSettings& settings, MyBuffersArray<float>* const* lines,
                                   float* const* slots, const BarFreq* bars, int barCount, bool readSecondLine,
                                   const float* const* dry, const float* const* fresh, int numFresh) noexcept
{
    const int numOutputs = std::clamp (settings.numOutputs, 1, 8);
    const int64_t lineCount = static_cast<int64_t> (lines[0]->getCount());

    // The outputs the layout uses, in the order of their panning gains.
    int gains[8];
    const int numGains = usedGains (numOutputs, gains);
    float* outs[8];
    int outGain[8];
    int numOuts = 0;
    for (int j = 0; j < numGains; ++j)
        if (float* slot = slots[gainSlot[gains[j]]])
        {
            outs[numOuts] = slot;
            outGain[numOuts] = gains[j];
            ++numOuts;
        }
    if (numOuts == 0)
        return false;

    // The bars that read anything, in order, with what they need each frame.
    BarGains work[8];
    const BarPlan* barPlans[8];
    int numBars = 0;
    for (int b = 0; b < std::min (barCount, 8); ++b)
    {
        const BarFreq& bar = bars[b];
        if (! bar.active || bar.mute)
            continue;
        BarPlan& p = plans[b];
        plan (bar, settings.fftSize, lineCount, p);
        if (p.silent)
            continue;

        BarGains& w = work[numBars];
        std::fill (w.amp, w.amp + maxLanes, bar.ampLinear * settings.linearGain);
        std::fill (w.fb, w.fb + maxLanes, bar.feedback);
        w.feedback = bar.feedback > 0.01f;

        // Panning: line 0 at P - width, line 1 at P + width (a quarter of
        // the width for the surround layouts); both corrected for the
        // second source.
        AmplSurround g0 {}, g1 {};
        const double position = (static_cast<double> (bar.pan) - 0.5) * 2.0;
        const double spread = numOutputs == 2 ? static_cast<double> (bar.width) : 0.25 * static_cast<double> (bar.width);
        panGains (numOutputs, Clip (-1.0f, 1.0f, static_cast<float> (position - spread)), g0.g);
        if (settings.numInputs == 2)
        {
            panGains (numOutputs, Clip (-1.0f, 1.0f, static_cast<float> (position + spread)), g1.g);
            CorrectAmplSurround (&g0, &g1);
        }
        for (int j = 0; j < numOuts; ++j)
        {
            std::fill (w.g[0][j], w.g[0][j] + maxLanes, g0.g[outGain[j]]);
            std::fill (w.g[1][j], w.g[1][j] + maxLanes, g1.g[outGain[j]]);
        }
        barPlans[numBars] = &p;
        ++numBars;
    }
    if (numBars == 0)
        return false;

    const int numLines = readSecondLine ? 2 : 1;
    float* newest[2] = { lines[0]->getNewest(), readSecondLine ? lines[1]->getNewest() : nullptr };

    // Sweep the bins in stretches where every bar reads one past frame (or
    // nothing): each bar's range and runs cut the axis, and a stretch ends
    // where the next cut of any bar lies.
    // With the dry spectra the sweep covers every bin, else the bins the
    // bars read.
    int run[8];
    const float* src[8][2] = {};
    int64_t k = dry != nullptr ? 0 : std::numeric_limits<int64_t>::max();
    int64_t kEnd = dry != nullptr ? settings.fftSize / 2 : 0;
    for (int b = 0; b < numBars; ++b)
    {
        run[b] = -1;
        k = std::min (k, barPlans[b]->lo);
        kEnd = std::max (kEnd, barPlans[b]->hi);
    }

    DryMix mix {};
    if (dry != nullptr)
    {
        // Output j is slot 0 or slot 1, each with its own dry spectrum.
        for (int j = 0; j < numOuts; ++j)
            mix.dry[j] = outs[j] == slots[0] ? dry[0] : dry[1];
        mix.m = settings.mix;
        mix.numFresh = numFresh;
        for (int f = 0; f < numFresh; ++f)
        {
            mix.fresh[f] = fresh[f];
            mix.freshTo[f] = lines[f]->getNewest();
        }
    }

    Source sources[8];
    while (k < kEnd)
    {
        int64_t next = kEnd;
        int numSources = 0;
        for (int b = 0; b < numBars; ++b)
        {
            const BarPlan& p = *barPlans[b];
            if (k < p.lo)
            {
                next = std::min (next, p.lo);
                continue;
            }
            if (k >= p.hi)
                continue;

            int r = std::max (run[b], 0);
            while (r + 1 < p.numRuns && p.runStart[r + 1] <= k)
                ++r;
            if (r != run[b])
            {
                run[b] = r;
                for (int line = 0; line < numLines; ++line)
                    src[b][line] = lines[line]->getFrameBack (p.runBack[r]);
            }
            next = std::min (next, r + 1 < p.numRuns ? (int64_t) p.runStart[r + 1] : p.hi);
            const bool tapered = k < p.unitFrom || k >= p.unitTo;
            if (k < p.unitFrom)
                next = std::min (next, p.unitFrom);
            else if (k < p.unitTo)
                next = std::min (next, p.unitTo);

            Source& s = sources[numSources++];
            s.bar = &work[b];
            s.src[0] = src[b][0];
            s.src[1] = src[b][1];
            s.taper = tapered ? p.taper.get() + 2 * (k - p.lo) : nullptr;
        }
        if (numSources > 0 || dry != nullptr)
        {
            const DryMix* finish = dry != nullptr ? &mix : nullptr;
            if (vectorWidth == 16)
                mixSegmentWidest (sources, numSources, newest, numLines, 2 * k, 2 * next, outs, numOuts, finish);
            else if (vectorWidth == 8)
                mixSegmentWide (sources, numSources, newest, numLines, 2 * k, 2 * next, outs, numOuts, finish);
            else
                mixSegment (sources, numSources, newest, numLines, 2 * k, 2 * next, outs, numOuts, finish);
        }
        k = next;
    }
    return true;
}
