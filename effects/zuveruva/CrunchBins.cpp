#include "CrunchBins.h"

#include <cmath>

namespace CrunchBins
{
float smoothingExponent (long frameSize) noexcept
{
    const float n = (float) (frameSize < 1 ? 1 : frameSize);
    return std::log (n) * 0.09180787f - 0.027272739f;
}

float smoothingCoefficient (float control, float exponent) noexcept
{
    if (! (control > 0.0f)) // also NaN
        return 0.0f;
    if (control >= 1.0f)
        return 1.0f;
    const float base = (float) (0.5 - 0.5 * std::cos (3.141592653589793 * (double) control));
    const float c = std::pow (base, exponent);
    return c > 1.0f ? 1.0f : c;
}

void cross (float* __restrict amp, float* __restrict freq,
            const float* __restrict auxAmp, const float* __restrict auxFreq,
            int bins, float depth, float balance, float auxGain) noexcept
{
    const float keep = 1.0f - depth;
    const float other = 1.0f - balance;
    for (int k = 0; k < bins; ++k)
    {
        const float a = amp[k];
        const float f = freq[k];
        amp[k] = other * a + (keep * a + depth * auxAmp[k] * auxGain) * balance;
        freq[k] = (keep * f + depth * auxFreq[k]) * other + balance * f;
    }
}

void smooth (const float* __restrict amp, const float* __restrict freq,
             float* __restrict smoothAmp, float* __restrict smoothFreq,
             int bins, float cA, float cF) noexcept
{
    const float inA = 1.0f - cA;
    const float inF = 1.0f - cF;
    for (int k = 0; k < bins; ++k)
        smoothAmp[k] = amp[k] * inA + smoothAmp[k] * cA;
    for (int k = 0; k < bins; ++k)
        smoothFreq[k] = freq[k] * inF + smoothFreq[k] * cF;
}

void deviation (const float* __restrict smoothFreq, float* __restrict dev, int bins, float binWidth) noexcept
{
    if (! (binWidth > 0.0f))
        binWidth = 1.0f;
    for (int k = 0; k < bins; ++k)
        dev[k] = smoothFreq[k] / binWidth - (float) k;
}

void mix (float* __restrict out, const float* __restrict dry, int n, float wet, float outputGain) noexcept
{
    const float d = (1.0f - wet) * 0.25f;
    if (wet == 0.0f)
    {
        // Dry only: the resynthesised frame is not read at all.
        for (int i = 0; i < n; ++i)
            out[i] = dry[i] * d;
        return;
    }
    const float w = wet * outputGain;
    for (int i = 0; i < n; ++i)
        out[i] = dry[i] * d + out[i] * w;
}

void average (float* __restrict display, const float* __restrict amp, int bins) noexcept
{
    for (int k = 0; k < bins; ++k)
        display[k] = (display[k] + amp[k]) * 0.5f;
}
}
