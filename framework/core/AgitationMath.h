#pragma once
// Arithmetic of one agitation glide: the next target around a base value,
// the progress after some ticks and the value along the glide. Every result
// is a finite value in 0..1 whatever the inputs, so that agitation never
// writes a value out of range or not a number.
// Thread contract: pure inline functions, callable on any thread.
#include <cmath>

// base + r x spread clipped to 0..1 (r uniform in -0.5..0.5). A base that is
// not finite counts as 0.5 (the middle of the range); a spread that is not
// finite counts as 0.
inline float AgitationTarget (float base, float spread, float r) noexcept
{
    if (! std::isfinite (base))
        base = 0.5f;
    if (! std::isfinite (spread))
        spread = 0.0f;
    if (! std::isfinite (r))
        r = 0.0f;
    const float t = base + r * spread;
    if (! (t > 0.0f))
        return 0.0f;
    return t < 1.0f ? t : 1.0f;
}

// Progress after elapsed ticks at rate per tick, at most 1.
inline float AgitationProgress (float progress, double elapsedTicks, float rate) noexcept
{
    const double p = (double) progress + elapsedTicks * (double) rate;
    if (! (p < 1.0))
        return 1.0f;   // also NaN: end the glide
    return p > 0.0 ? (float) p : 0.0f;
}

// (1 - progress) x from + progress x to, in double precision, kept in 0..1.
inline float AgitationGlideValue (float from, float to, float progress) noexcept
{
    const double p = (double) progress;
    const double v = (1.0 - p) * (double) from + p * (double) to;
    if (! (v > 0.0))
        return 0.0f;
    return v < 1.0 ? (float) v : 1.0f;
}
