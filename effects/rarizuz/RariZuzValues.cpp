#include "RariZuzValues.h"

#include "Utilities.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// A normalised input: NaN as 0, otherwise limited to 0..1.
float normalised (float v) noexcept
{
    return v != v ? 0.0f : Clip (0.0f, 1.0f, v);
}

// The number at the start of a text; false when there is none.
bool readNumber (const char* text, float* value)
{
    float v = 0.0f;
    if (text == nullptr || mySscanf (text, "%f", &v) != 1 || v != v)
        return false;
    *value = v;
    return true;
}

bool startsWith (const char* text, const char* prefix) noexcept
{
    return text != nullptr && std::strncmp (text, prefix, std::strlen (prefix)) == 0;
}

// Stores a parsed value only when it is a finite number.
void storeFinite (float value, float* v) noexcept
{
    if (v != nullptr && IsFiniteValue (value))
        *v = value;
}

// A whole-number text of a value that rounds to zero from below would read
// "-0": write 0 instead.
float noNegativeZero (float x) noexcept
{
    return (x < 0.0f && x > -0.5f) ? 0.0f : x;
}

void writeText (char* text, const char* literal)
{
    std::snprintf (text, valueTextSize, "%s", literal);
}

// Reads the number of a text, steps it and limits it. False when the text
// holds no number. `bottomPrefix` (may be null) names a text that counts as
// the bottom of the range whatever follows it.
bool stepNumber (const char* text, const char* bottomPrefix, const char* bottomPrefix2,
                 float lo, float hi, float step, float* result)
{
    float x = 0.0f;
    if ((bottomPrefix != nullptr && startsWith (text, bottomPrefix))
        || (bottomPrefix2 != nullptr && startsWith (text, bottomPrefix2)))
        x = lo;
    else if (! readNumber (text, &x))
        return false;
    *result = Clip (lo, hi, x + step);
    return true;
}

void stepPlain (char* text, float lo, float hi, float step, const char* format)
{
    float x = 0.0f;
    if (stepNumber (text, nullptr, nullptr, lo, hi, step, &x))
        mySprintf (text, format, noNegativeZero (x));
}

//==============================================================================
void writeAmplitudeDb (float db, char* text)
{
    if (db <= -40.0f)
        writeText (text, "-40 dB");
    else
        mySprintf (text, "%4.0f dB", noNegativeZero (db));
}

void stepAmplitude (char* text, float step)
{
    float db = 0.0f;
    if (stepNumber (text, "-40", nullptr, -40.0f, 0.0f, step, &db))
        writeAmplitudeDb (db, text);
}

// The first two bytes of the UTF-8 text "-\u221e" (minus infinity).
constexpr char minusInfinityPrefix[] = { '-', '\xe2', 0 };

void writeGainDb (float db, char* text)
{
    if (db <= -96.0f)
        writeText (text, "-96 dB");
    else
        mySprintf (text, "%4.0f dB", noNegativeZero (db));
}

void stepGain (char* text, float step)
{
    float db = 0.0f;
    if (stepNumber (text, "-96", minusInfinityPrefix, -96.0f, 24.0f, step, &db))
        writeGainDb (db, text);
}

float halfSampleRate() noexcept
{
    return static_cast<float> (fSampleRate) / 2.0f;
}
} // namespace

//==============================================================================
// Amplitude

void FloatToAmplitudeStr (float v, char* text)
{
    v = normalised (v);
    if (v == 0.0f)
        writeText (text, "-40 dB");
    else
        mySprintf (text, "%4.0f dB", noNegativeZero (-40.0f + 40.0f * v));
}

void AmplitudeStrToFloat (const char* text, float* v)
{
    if (startsWith (text, "-40"))
    {
        storeFinite (0.0f, v);
        return;
    }
    float db = 0.0f;
    if (readNumber (text, &db))
        storeFinite (Clip (0.0f, 1.0f, (Clip (-40.0f, 0.0f, db) + 40.0f) / 40.0f), v);
}

void IncAmplitude (char* text, bool flag) { stepAmplitude (text, flag ? 3.0f : 1.0f); }
void DecAmplitude (char* text, bool flag) { stepAmplitude (text, flag ? -3.0f : -1.0f); }

void FloatToAmplitude (float v, float* out)
{
    *out = std::pow (10.0f, 2.0f * normalised (v) - 2.0f);
}

//==============================================================================
// Angle

void FloatToAngleStr (float v, char* text)
{
    mySprintf (text, "%3.0f d", noNegativeZero (-90.0f + 180.0f * normalised (v)));
}

void AngleStrToFloat (const char* text, float* v)
{
    float degrees = 0.0f;
    if (readNumber (text, &degrees))
        storeFinite ((degrees + 90.0f) / 180.0f, v);
}

void IncAngle (char* text, bool flag) { stepPlain (text, -90.0f, 90.0f, flag ? 1.0f : 10.0f, "%3.0f"); }
void DecAngle (char* text, bool flag) { stepPlain (text, -90.0f, 90.0f, flag ? -1.0f : -10.0f, "%3.0f"); }

//==============================================================================
// Pan

void FloatToPanStr (float v, char* text)
{
    mySprintf (text, "%3.0f", noNegativeZero (-100.0f + 200.0f * normalised (v)));
}

void PanStrToFloat (const char* text, float* v)
{
    float pan = 0.0f;
    if (readNumber (text, &pan))
        storeFinite ((pan + 100.0f) / 200.0f, v);
}

void IncPan (char* text, bool flag) { stepPlain (text, -100.0f, 100.0f, flag ? 1.0f : 10.0f, "%3.0f"); }
void DecPan (char* text, bool flag) { stepPlain (text, -100.0f, 100.0f, flag ? -1.0f : -10.0f, "%3.0f"); }

//==============================================================================
// Width

void FloatToWidthStr (float v, char* text) { FloatToPerCentStr (v, text); }
void WidthStrToFloat (const char* text, float* v) { PerCentStrToFloat (text, v); }
void IncWidth (char* text, bool flag) { IncPerCent (text, flag); }
void DecWidth (char* text, bool flag) { DecPerCent (text, flag); }

//==============================================================================
// Delay

void FloatToDelay (float v, float* out)
{
    *out = v < 0.001f ? 0.0f : v * v;
}

void DelayToFloat (float d, float* out)
{
    *out = d >= 0.0f ? std::sqrt (d) : 0.0f;
}

void FloatToDelayStr (float v, char* text)
{
    float d = 0.0f;
    FloatToDelay (normalised (v), &d);
    mySprintf (text, "%5.2f s", 10.0f * d);
}

void DelayStrToFloat (const char* text, float* v)
{
    float seconds = 0.0f;
    if (readNumber (text, &seconds))
    {
        const float q = seconds / 10.0f;
        storeFinite (q < 0.0f ? 0.0f : std::sqrt (q), v);
    }
}

void IncDelay (char* text, bool flag) { stepPlain (text, 0.0f, 10.0f, flag ? 1.0f : 0.1f, "%5.2f"); }
void DecDelay (char* text, bool flag) { stepPlain (text, 0.0f, 10.0f, flag ? -1.0f : -0.1f, "%5.2f"); }

//==============================================================================
// Frequency

void FloatToFreqStr (float v, char* text)
{
    const float c = normalised (v);
    mySprintf (text, "%5.0f", c * c * halfSampleRate());
}

void FreqStrToFloat (const char* text, float* v)
{
    float hz = 0.0f;
    if (readNumber (text, &hz))
    {
        const float q = hz / halfSampleRate();
        storeFinite (q < 0.0f ? 0.0f : std::sqrt (q), v);
    }
}

void IncFreq (char* text, bool flag) { stepPlain (text, 0.0f, halfSampleRate(), flag ? 1.0f : 10.0f, "%5.0f"); }
void DecFreq (char* text, bool flag) { stepPlain (text, 0.0f, halfSampleRate(), flag ? -1.0f : -10.0f, "%5.0f"); }

//==============================================================================
// Output gain

void FloatToGainACStr (float v, char* text)
{
    v = normalised (v);
    if (v == 0.0f)
        writeText (text, "-96 dB");
    else
        mySprintf (text, "%4.0f dB", noNegativeZero (-96.0f + 120.0f * v));
}

void GainACStrToFloat (const char* text, float* v)
{
    if (startsWith (text, "-96"))
    {
        storeFinite (0.0f, v);
        return;
    }
    float db = 0.0f;
    if (readNumber (text, &db))
        storeFinite (Clip (0.0f, 1.0f, (Clip (-96.0f, 24.0f, db) + 96.0f) / 120.0f), v);
}

// The upward step with the flag is 6 dB, like the downward one: a finer step
// would be lost in the whole-decibel text.
void IncGainAC (char* text, bool flag) { stepGain (text, flag ? 6.0f : 1.0f); }
void DecGainAC (char* text, bool flag) { stepGain (text, flag ? -6.0f : -1.0f); }

void FloatToACGain (float v, float* out)
{
    *out = std::pow (10.0f, 6.0f * normalised (v) - 4.8f);
}

//==============================================================================
// Band count

void FFTStrToFloat (const char* text, float* v, short n)
{
    const long count = text != nullptr ? std::atol (text) : 0;
    int index = 9;
    long limit = 128;
    for (int h = 0; h < 9; ++h, limit *= 2)
    {
        if (count <= limit)
        {
            index = h;
            break;
        }
    }
    *v = n <= 1 ? 0.0f : Clip (0.0f, 1.0f, static_cast<float> (index) / static_cast<float> (n - 1));
}
