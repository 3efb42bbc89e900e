#pragma once
// Cleaning of audio that comes from outside the effect (sound files, the
// side chain): such samples may be NaN, infinite or absurdly large (a float
// file holds any bit pattern), and one of them is enough to make a spectral
// frame, and then everything after it, non-finite.
// Thread contract: pure functions on caller data, callable on any thread
// (the audio thread included: no allocation, no lock).
#include <cfloat>
#include <cmath>

// Largest magnitude let in: +60 dB over full scale, far beyond any real
// signal, small enough that the effects' sums of squares stay finite.
constexpr float kSampleHeadroom = 1000.0f;

// A non-finite sample becomes 0; a finite one is bounded to the headroom.
inline float CleanSample (float x) noexcept
{
    const float a = std::fabs (x);
    if (a <= kSampleHeadroom)
        return x;
    return a <= FLT_MAX ? std::copysign (kSampleHeadroom, x) : 0.0f;
}

inline void CleanSamples (float* samples, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        samples[i] = CleanSample (samples[i]);
}
