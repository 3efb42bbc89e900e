#include "BarFreq.h"

#include "RariZuzValues.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace
{
constexpr float pi = 3.14159265358979f;
constexpr float sqrt2 = 1.41421356f;

float amplitudeToLinear (float amplitude) noexcept
{
    float linear = 0.0f;
    FloatToAmplitude (amplitude, &linear);
    return linear;
}

// A flag byte that may hold any value (a record read from bytes) as 0 or 1.
void normaliseFlag (bool& flag) noexcept
{
    unsigned char byte = 0;
    std::memcpy (&byte, &flag, 1);
    const bool value = byte != 0;
    std::memcpy (&flag, &value, 1);
}

void finiteIn01 (float& x, float fallback) noexcept
{
    x = IsFiniteValue (x) ? Clip (0.0f, 1.0f, x) : fallback;
}
} // namespace

BarFreq::BarFreq() noexcept
    : f1 (0.1f), d1 (0.05f), f2 (0.1f), d2 (0.25f),
      power (2.0f), amplitude (0.9f), ampLinear (amplitudeToLinear (0.9f)),
      feedback (0.0f), pan (0.5f), width (0.5f), smoothness (0.0f),
      active (false), mute (true), reserved1 {}, agitation {}, reserved2 {}
{
    checkValues();
}

void BarFreq::init (float a, float b, float c, float e) noexcept
{
    f1 = a;
    d1 = b;
    f2 = c;
    d2 = e;
    checkValues();
}

void BarFreq::reset() noexcept
{
    setAmplitude (0.9f);
    active = false;
    mute = true;
    feedback = 0.0f;
    pan = 0.5f;
    width = 0.5f;
    smoothness = 0.0f;
    std::fill (std::begin (agitation), std::end (agitation), 0.0f);
}

void BarFreq::checkValues() noexcept
{
    if (f1 > f2)
    {
        const float oldF = static_cast<float> (f1);
        const float oldD = static_cast<float> (d1);
        f1 = f2;
        d1 = d2;
        f2 = oldF;
        d2 = oldD;
    }
    d1 = Clip (-1.0f, 2.0f, static_cast<float> (d1));
    d2 = Clip (-1.0f, 2.0f, static_cast<float> (d2));
    f1 = Clip (-1.0f, 2.0f, static_cast<float> (f1));
    f2 = Clip (-1.0f, 2.0f, static_cast<float> (f2));
}

float BarFreq::getF1() const noexcept
{
    return std::pow (Clip (0.0f, 1.0f, static_cast<float> (f1)), power);
}

float BarFreq::getF2() const noexcept
{
    return std::pow (Clip (0.0f, 1.0f, static_cast<float> (f2)), power);
}

float BarFreq::getDelay (float x) const noexcept
{
    if (f1 == f2)
        return static_cast<float> (std::min (d1, d2));
    // The inverse of the frequency warp; a square root for the usual exponent 2.
    const float u = power == 2.0f ? std::sqrt (x) : std::pow (x, 1.0f / power);
    if (f1 > u)
        return static_cast<float> (d1);
    if (u > f2)
        return static_cast<float> (d2);
    return static_cast<float> (d1 + (d2 - d1) * (u - f1) / (f2 - f1));
}

float BarFreq::getCorrectAmp (float t) const noexcept
{
    const float c1 = Clip (0.0f, 1.0f, static_cast<float> (f1));
    const float c2 = Clip (0.0f, 1.0f, static_cast<float> (f2));
    if (c1 == c2)
        return 0.0f;

    // Without smoothness there is no edge zone: the sine formulas would
    // divide by zero wherever rounding puts q a hair outside 0..1.
    const float s = smoothness;
    if (! (s > 0.0f))
        return 1.0f;

    // checkValues keeps f1 <= f2; a record with crossed ends is read in order.
    const double lowEnd = std::min (f1, f2);
    const double highEnd = std::max (f1, f2);
    const float span = static_cast<float> (highEnd - lowEnd);
    if (! (span > 0.0f))
        return 0.0f;
    float q = std::fabs (c2 - c1) / span * t;
    if (lowEnd < 0.0)
        q -= static_cast<float> (lowEnd) / span;
    q = Clip (0.0f, 1.0f, q);
    if (0.5f * s > q)
        return std::sin (pi * q / s);
    if (q > 1.0f - 0.5f * s)
        return std::sin (pi * (1.0f - q) / s);
    return 1.0f;
}

float BarFreq::getFreq() const noexcept
{
    return Clip (0.0f, 1.0f, static_cast<float> (0.5 * (f1 + f2)));
}

void BarFreq::setFreq (float v) noexcept
{
    const float shift = static_cast<float> (-0.5 * (f1 + f2)) + v;
    f1 += shift;
    f2 += shift;
    checkValues();
}

float BarFreq::getDelay() const noexcept
{
    float v = 0.0f;
    DelayToFloat (static_cast<float> (0.5 * (d1 + d2)), &v);
    return Clip (0.0f, 1.0f, v);
}

void BarFreq::setDelay (float v) noexcept
{
    float x = 0.0f;
    FloatToDelay (v, &x);
    const float shift = static_cast<float> (-0.5 * (d1 + d2)) + x;
    d1 += shift;
    d2 += shift;
    checkValues();
}

void BarFreq::setAmplitude (float v) noexcept
{
    amplitude = v;
    ampLinear = amplitudeToLinear (v);
}

float BarFreq::getLength() const noexcept
{
    const double df = f2 - f1;
    const double dd = d2 - d1;
    return Clip (0.001f, 1.0f, static_cast<float> (std::sqrt (df * df + dd * dd) / std::sqrt (2.0)));
}

void BarFreq::setLength (float v) noexcept
{
    const float length = Clip (0.001f, 1.0f, v);
    const double cf = Clip (0.0f, 1.0f, static_cast<float> (0.5 * (f1 + f2)));
    const double cd = 0.5 * (d1 + d2);
    const double r = length / getLength();
    f1 = (f1 - cf) * r + cf;
    d1 = (d1 - cd) * r + cd;
    f2 = (f2 - cf) * r + cf;
    d2 = (d2 - cd) * r + cd;
    checkValues();
}

float BarFreq::getAngle() const noexcept
{
    const float half = getLength() / sqrt2;
    const float t = static_cast<float> (d2 - 0.5 * (d1 + d2));
    const float r = Clip (-1.0f, 1.0f, t / half);
    return Clip (0.0f, 1.0f, std::acos (r) / pi);
}

void BarFreq::setAngle (float v) noexcept
{
    const float half = getLength() / sqrt2;
    const float cf = Clip (0.0f, 1.0f, static_cast<float> (0.5 * (f1 + f2)));
    const float cd = static_cast<float> (0.5 * (d1 + d2));
    const float theta = Clip (0.001f, 0.999f, v) * pi;
    const float s = half * std::sin (theta);
    const float c = half * std::cos (theta);
    f2 = cf + s;
    d2 = cd + c;
    f1 = cf - s;
    d1 = cd - c;
    checkValues();
}

bool BarFreq::isFinite() const noexcept
{
    for (double x : { f1, d1, f2, d2 })
        if (! std::isfinite (x))
            return false;
    for (float x : { power, amplitude, ampLinear, feedback, pan, width, smoothness })
        if (! IsFiniteValue (x))
            return false;
    for (float x : agitation)
        if (! IsFiniteValue (x))
            return false;
    return true;
}

void BarFreq::sanitise() noexcept
{
    if (! (std::isfinite (f1) && std::isfinite (d1) && std::isfinite (f2) && std::isfinite (d2)))
    {
        const BarFreq fresh;
        f1 = fresh.f1;
        d1 = fresh.d1;
        f2 = fresh.f2;
        d2 = fresh.d2;
    }
    checkValues();

    if (! (IsFiniteValue (power) && power > 0.0f))
        power = 2.0f;
    finiteIn01 (amplitude, 0.9f);
    ampLinear = amplitudeToLinear (amplitude);
    finiteIn01 (feedback, 0.0f);
    finiteIn01 (pan, 0.5f);
    finiteIn01 (width, 0.5f);
    finiteIn01 (smoothness, 0.0f);
    for (float& flag : agitation)
        finiteIn01 (flag, 0.0f);
    normaliseFlag (active);
    normaliseFlag (mute);
}
