#pragma once
// One player of the spectral delay: a straight segment in the plane of
// delay d (fraction of the delay line) and frequency f (display coordinate:
// bin k of N/2 sits at f = sqrt(k / (N/2)) with the warp exponent 2), with
// its amplitude, feedback, panning, edge smoothing, flags and agitation
// flags. Converts between the two end points and the four values the user
// controls (centre delay, centre frequency, length, angle).
//
// The in-memory layout is the 112-byte bar record of programs and presets
// (host byte order).
// Thread contract: a plain value, no synchronisation of its own; the engine
// serialises edits of its live bars and hands the audio thread whole copies.
#include <cstddef>
#include <cstdint>
#include <type_traits>

class BarFreq
{
public:
    BarFreq() noexcept;

    // End points (frequency, delay) = (a, b) and (c, e), then checkValues().
    void init (float a, float b, float c, float e) noexcept;
    // Amplitude, flags, feedback, pan, width, smoothness and agitation flags
    // back to their defaults; the end points stay.
    void reset() noexcept;
    // Orders the ends so that f1 <= f2 and limits every coordinate to -1..2.
    void checkValues() noexcept;

    // Lower and upper band edge as fractions of the half spectrum.
    float getF1() const noexcept;
    float getF2() const noexcept;
    // Delay coordinate of the bin at fraction x (0..1) of the half spectrum.
    float getDelay (float x) const noexcept;
    // Edge taper at position t (0..1) across the covered bins.
    float getCorrectAmp (float t) const noexcept;

    float getFreq() const noexcept;
    void setFreq (float v) noexcept;
    // Centre delay as a Delay parameter value (square root of the coordinate).
    float getDelay() const noexcept;
    void setDelay (float v) noexcept;
    void setAmplitude (float v) noexcept;
    float getLength() const noexcept;
    void setLength (float v) noexcept;
    float getAngle() const noexcept;
    void setAngle (float v) noexcept;

    // True when every number of the record is finite.
    bool isFinite() const noexcept;
    // Makes a record that came from outside safe to use: non-finite or
    // out-of-range values to their defaults or limits, flags to 0 or 1, the
    // geometry checked, ampLinear recomputed from amplitude.
    void sanitise() noexcept;

    double f1, d1;            // first end (frequency, delay)
    double f2, d2;            // second end; f1 <= f2, all in -1..2
    float power;              // frequency warp exponent, 2
    float amplitude;          // 0..1 as the parameter shows it
    float ampLinear;          // 10^(2 amplitude - 2)
    float feedback;           // 0..1
    float pan;                // 0..1
    float width;              // 0..1
    float smoothness;         // width of the tapered edge zones, 0..1
    bool active;
    bool mute;
    uint8_t reserved1[10];    // not interpreted
    float agitation[8];       // agitation flags: Amplitude, Feedback, Delay, Frequency, Length, Angle, Pan, Width
    uint8_t reserved2[8];     // not interpreted
};

static_assert (sizeof (bool) == 1, "BarFreq stores its flags as single bytes");
static_assert (sizeof (BarFreq) == 112, "BarFreq is the 112-byte bar record");
static_assert (std::is_standard_layout<BarFreq>::value, "stored record");
static_assert (std::is_trivially_copyable<BarFreq>::value, "copied as bytes");
static_assert (offsetof (BarFreq, d1) == 8, "bar record layout");
static_assert (offsetof (BarFreq, f2) == 16, "bar record layout");
static_assert (offsetof (BarFreq, d2) == 24, "bar record layout");
static_assert (offsetof (BarFreq, power) == 32, "bar record layout");
static_assert (offsetof (BarFreq, amplitude) == 36, "bar record layout");
static_assert (offsetof (BarFreq, ampLinear) == 40, "bar record layout");
static_assert (offsetof (BarFreq, feedback) == 44, "bar record layout");
static_assert (offsetof (BarFreq, pan) == 48, "bar record layout");
static_assert (offsetof (BarFreq, width) == 52, "bar record layout");
static_assert (offsetof (BarFreq, smoothness) == 56, "bar record layout");
static_assert (offsetof (BarFreq, active) == 60, "bar record layout");
static_assert (offsetof (BarFreq, mute) == 61, "bar record layout");
static_assert (offsetof (BarFreq, agitation) == 72, "bar record layout");
static_assert (offsetof (BarFreq, reserved2) == 104, "bar record layout");
