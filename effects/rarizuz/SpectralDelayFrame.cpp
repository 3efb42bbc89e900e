#include "SpectralDelayFrame.h"

#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Four floats (two bins) at a time.
using Float4 = float __attribute__ ((vector_size (16)));
using Int4 = int32_t __attribute__ ((vector_size (16)));

inline Float4 load4 (const float* p) noexcept
{
    Float4 v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

inline void store4 (float* p, Float4 v) noexcept
{
    std::memcpy (p, &v, sizeof (v));
}

inline Float4 splat (float x) noexcept
{
    return Float4 { x, x, x, x };
}

// One run of floats i0..i1 - 1 (whole bins) that read the same past frame
// `src`: v = taper x src; where the power of a bin of the newest frame is
// below 0.8 that bin gets fb x v; each output gets gain x (amp x v).
// src may be the newest frame itself: each bin is read before it is written.
template <int NumOut, bool Taper, bool Feedback>
void readRun (const float* src, float* newest, const float* taper, int64_t i0, int64_t i1,
              float fb, float amp, float* const* outs, const float* gains, int numOuts) noexcept
{
    const int n = NumOut > 0 ? NumOut : numOuts;
    const Float4 fbv = splat (fb), ampv = splat (amp), limit = splat (0.8f);
    Float4 g[8];
    for (int j = 0; j < n; ++j)
        g[j] = splat (gains[j]);

    int64_t i = i0;
    for (; i + 4 <= i1; i += 4)
    {
        Float4 v = load4 (src + i);
        if (Taper)
            v *= load4 (taper + (i - i0));
        if (Feedback)
        {
            const Float4 x = load4 (newest + i);
            const Float4 sq = x * x;
            const Float4 power = sq + Float4 { sq[1], sq[0], sq[3], sq[2] };
            const Int4 room = power < limit;
            const Float4 add = fbv * v;
            store4 (newest + i, x + (Float4) ((Int4) add & room));
        }
        const Float4 a = ampv * v;
        for (int j = 0; j < n; ++j)
            store4 (outs[j] + i, load4 (outs[j] + i) + g[j] * a);
    }

    for (; i < i1; i += 2)
    {
        const float c = Taper ? taper[i - i0] : 1.0f;
        const float vr = Taper ? c * src[i] : src[i];
        const float vi = Taper ? c * src[i + 1] : src[i + 1];
        if (Feedback)
        {
            const float nr = newest[i];
            const float ni = newest[i + 1];
            if (nr * nr + ni * ni < 0.8f)
            {
                newest[i] = nr + fb * vr;
                newest[i + 1] = ni + fb * vi;
            }
        }
        const float ar = amp * vr;
        const float ai = amp * vi;
        for (int j = 0; j < n; ++j)
        {
            outs[j][i] += gains[j] * ar;
            outs[j][i + 1] += gains[j] * ai;
        }
    }
}

template <int NumOut>
void readRunFor (const float* src, float* newest, const float* taper, int64_t i0, int64_t i1,
                 float fb, float amp, float* const* outs, const float* gains, int numOuts) noexcept
{
    const bool feedback = fb > 0.01f;
    if (taper != nullptr)
    {
        if (feedback)
            readRun<NumOut, true, true> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
        else
            readRun<NumOut, true, false> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
    }
    else
    {
        if (feedback)
            readRun<NumOut, false, true> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
        else
            readRun<NumOut, false, false> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
    }
}

void readRunAny (const float* src, float* newest, const float* taper, int64_t i0, int64_t i1,
                 float fb, float amp, float* const* outs, const float* gains, int numOuts) noexcept
{
    if (numOuts == 1)
        readRunFor<1> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
    else if (numOuts == 2)
        readRunFor<2> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
    else if (numOuts > 0)
        readRunFor<0> (src, newest, taper, i0, i1, fb, amp, outs, gains, numOuts);
}

// dst = dst x m + dry x (1 - m) x 0.707, in double precision.
void mixDry (float* dst, const float* dry, int64_t n, float m) noexcept
{
    const double wet = m;
    const double dryGain = (1.0 - wet) * 0.707;
    for (int64_t i = 0; i < n; ++i)
        dst[i] = static_cast<float> (static_cast<double> (dst[i]) * wet + static_cast<double> (dry[i]) * dryGain);
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
    : maxHalf (std::max<int64_t> (maxFftSize / 2, 1))
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
    if (linesReady)
    {
        lines[0]->push (in[0]);
        if (stereoIn)
            lines[1]->push (in[1]);
    }
    const float* dry1 = stereoIn ? in[1] : in[0];

    for (int c = 0; c < numOutputs; ++c)
        std::memset (out[c], 0, static_cast<std::size_t> (n) * sizeof (float));

    float* slots[8];
    mapSurroundSlots (numOutputs, out, slots);

    if (linesReady && n / 2 <= maxHalf)
        for (int b = 0; b < std::min (barCount, 8); ++b)
            if (bars[b].active && ! bars[b].mute)
                processBar (bars[b], plans[b], settings, lines, slots, stereoIn && numOutputs >= 2);

    const float m = settings.mix;
    if (slots[0] != nullptr)
        mixDry (slots[0], in[0], n, m);
    if (numOutputs >= 2 && slots[1] != nullptr)
        mixDry (slots[1], dry1, n, m);
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
    if (! p.unitTaper)
        for (int64_t k = p.lo; k < p.hi; ++k)
        {
            const float c = bar.getCorrectAmp (static_cast<float> (k - p.lo) / static_cast<float> (width));
            p.taper[(size_t) (2 * (k - p.lo))] = c;
            p.taper[(size_t) (2 * (k - p.lo) + 1)] = c;
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

void SpectralDelayFrame::processBar (const BarFreq& bar, BarPlan& p, const SpectralFrameSettings& settings,
                                     MyBuffersArray<float>* const* lines, float* const* slots,
                                     bool readSecondLine) noexcept
{
    plan (bar, settings.fftSize, static_cast<int64_t> (lines[0]->getCount()), p);
    if (p.silent)
        return;

    const int numOutputs = std::clamp (settings.numOutputs, 1, 8);
    const float amp = bar.ampLinear * settings.linearGain;
    const float fb = bar.feedback;

    // Panning: line 0 at P - width, line 1 at P + width (a quarter of the
    // width for the surround layouts); both corrected for the second source.
    AmplSurround g0 {}, g1 {};
    const double position = (static_cast<double> (bar.pan) - 0.5) * 2.0;
    const double spread = numOutputs == 2 ? static_cast<double> (bar.width) : 0.25 * static_cast<double> (bar.width);
    panGains (numOutputs, Clip (-1.0f, 1.0f, static_cast<float> (position - spread)), g0.g);
    if (settings.numInputs == 2)
    {
        panGains (numOutputs, Clip (-1.0f, 1.0f, static_cast<float> (position + spread)), g1.g);
        CorrectAmplSurround (&g0, &g1);
    }

    int gains[8];
    const int numGains = usedGains (numOutputs, gains);

    const int numLines = readSecondLine ? 2 : 1;
    for (int line = 0; line < numLines; ++line)
    {
        const AmplSurround& g = line == 0 ? g0 : g1;
        float* outs[8];
        float gainValues[8];
        int numOuts = 0;
        for (int j = 0; j < numGains; ++j)
        {
            float* slot = slots[gainSlot[gains[j]]];
            if (slot == nullptr)
                continue;
            outs[numOuts] = slot;
            gainValues[numOuts] = g.g[gains[j]];
            ++numOuts;
        }

        MyBuffersArray<float>& delayLine = *lines[line];
        float* newest = delayLine.getNewest();
        for (int r = 0; r < p.numRuns; ++r)
        {
            const int64_t start = p.runStart[r];
            const int64_t end = r + 1 < p.numRuns ? p.runStart[r + 1] : p.hi;
            const float* src = delayLine.getFrameBack (p.runBack[r]);
            const float* taper = p.unitTaper ? nullptr : p.taper.get() + 2 * (start - p.lo);
            readRunAny (src, newest, taper, 2 * start, 2 * end, fb, amp, outs, gainValues, numOuts);
        }
    }
}
