#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

std::atomic<float> fSampleRate { 44100.0f };

//==============================================================================
// Random numbers and ranges

float Rand()
{
    // rand() is 0..2^31-1 on glibc. Converting it to float directly rounds
    // the top values up to exactly 1; keeping its upper 24 bits gives a float
    // that is exact and always below 1.
    return static_cast<float> (std::rand() >> 7) * 0x1p-24f;
}

float RandC()
{
    return Rand() - 0.5f;
}

float Clip (float lo, float hi, float x)
{
    if (x < lo)
        return lo;
    return x > hi ? hi : x; // NaN passes through
}

bool ClipFinite (float lo, float hi, float x, float* out)
{
    if (! IsFiniteValue (x))
        return false;
    *out = Clip (lo, hi, x);
    return true;
}

double ConvertRange (double x, double lo, double hi)
{
    return x * (hi - lo) + lo;
}

double ConvertToFloat (double v, double lo, double hi)
{
    return (v - lo) / (hi - lo);
}

//==============================================================================
// Locale-independent number text

namespace
{
// The "C" locale object, created once for the process; null if it could not
// be created, in which case the number text is repaired by hand.
locale_t classicLocale() noexcept
{
    static const locale_t loc = newlocale (LC_ALL_MASK, "C", static_cast<locale_t> (nullptr));
    return loc;
}

// Switches the calling thread (only) to the "C" locale for its lifetime.
struct ScopedClassicLocale
{
    ScopedClassicLocale() noexcept
        : classic (classicLocale()),
          previous (classic != nullptr ? uselocale (classic) : nullptr)
    {
    }

    ~ScopedClassicLocale()
    {
        if (classic != nullptr)
            uselocale (previous);
    }

    ScopedClassicLocale (const ScopedClassicLocale&) = delete;
    ScopedClassicLocale& operator= (const ScopedClassicLocale&) = delete;

    const locale_t classic;
    const locale_t previous;
};
} // namespace

void mySprintf (char* buf, std::size_t bufSize, const char* format, float x)
{
    if (buf == nullptr || bufSize == 0)
        return;

    {
        const ScopedClassicLocale cLocale;
        std::snprintf (buf, bufSize, format, static_cast<double> (x));
        if (cLocale.classic != nullptr)
            return;
    }

    // Fallback without a "C" locale object: the first comma is the decimal one.
    if (char* comma = std::strchr (buf, ','))
        *comma = '.';
}

void mySprintf (char* buf, const char* format, float x)
{
    mySprintf (buf, valueTextSize, format, x);
}

int mySscanf (const char* text, const char* format, float* out)
{
    if (text == nullptr)
        return 0;
    const ScopedClassicLocale cLocale;
    return std::sscanf (text, format, out);
}

void SetUtilSampleRate (long rate)
{
    fSampleRate.store (static_cast<float> (rate), std::memory_order_relaxed);
}

//==============================================================================
// Panning laws

namespace
{
constexpr float silentGain = 1e-13f;

// Pan positions outside -1..1 act as the nearest end; NaN as the centre.
float panPosition (float x) noexcept
{
    if (x != x)
        return 0.0f;
    return Clip (-1.0f, 1.0f, x);
}
} // namespace

void GetAmplStereo (float x, float* left, float* right)
{
    x = panPosition (x);
    *right = (x + 1.0f) / 2.0f;
    *left = 1.0f - *right;
}

void GetAmplQuad (float x, float* g1, float* g2, float* g3, float* g4)
{
    const float a = 4.0f * panPosition (x);

    if (a < -3.0f)
    {
        *g3 = (a + 5.0f) / 2.0f;
        *g4 = 1.0f - *g3;
        *g1 = *g2 = silentGain;
    }
    else if (a < -1.0f)
    {
        *g1 = (a + 3.0f) / 2.0f;
        *g3 = 1.0f - *g1;
        *g2 = *g4 = silentGain;
    }
    else if (a < 1.0f)
    {
        *g2 = (a + 1.0f) / 2.0f;
        *g1 = 1.0f - *g2;
        *g3 = *g4 = silentGain;
    }
    else if (a < 3.0f)
    {
        *g4 = (a - 1.0f) / 2.0f;
        *g2 = 1.0f - *g4;
        *g1 = *g3 = silentGain;
    }
    else
    {
        *g3 = (a - 3.0f) / 2.0f;
        *g4 = 1.0f - *g3;
        *g1 = *g2 = silentGain;
    }
}

void GetAmpl50 (float x, float* g1, float* g2, float* g3, float* g4, float* g5)
{
    const float a = 4.0f * panPosition (x);
    *g1 = *g2 = *g3 = *g4 = *g5 = silentGain;

    if (a < -3.0f)
    {
        *g4 = (a + 5.0f) / 2.0f;
        *g5 = 1.0f - *g4;
    }
    else if (a < -1.0f)
    {
        *g1 = (a + 3.0f) / 2.0f;
        *g4 = 1.0f - *g1;
    }
    else if (a < 0.0f)
    {
        *g2 = a + 1.0f;
        *g1 = 1.0f - *g2;
    }
    else if (a < 1.0f)
    {
        *g3 = a;
        *g2 = 1.0f - *g3;
    }
    else if (a < 3.0f)
    {
        *g5 = (a - 1.0f) / 2.0f;
        *g3 = 1.0f - *g5;
    }
    else
    {
        *g4 = (a - 3.0f) / 2.0f;
        *g5 = 1.0f - *g4;
    }
}

void GetAmplOcto (float x, float* g1, float* g2, float* g3, float* g4, float* g5, float* g6, float* g7, float* g8)
{
    *g1 = *g2 = *g3 = *g4 = *g5 = *g6 = *g7 = *g8 = silentGain;

    // Consecutive outputs around the ring, from x = -1 to 1.
    float* const ring[] = { g5, g4, g2, g7, g1, g3, g8, g6, g5, g4 };

    const double a = 8.0 * static_cast<double> (panPosition (x));

    // Segment k (0..8) spans a in [-9 + 2k, -7 + 2k); the rising output is
    // ring[k + 1], the falling one ring[k]. Segment 0 is below -7, segment 8
    // is 7 and above.
    int k = a < -7.0 ? 0 : std::min (8, static_cast<int> (std::floor ((a + 9.0) / 2.0)));
    const double rising = (a + 9.0 - 2.0 * k) / 2.0;
    *ring[k + 1] = static_cast<float> (rising);
    *ring[k] = static_cast<float> (1.0 - rising);
}

void CorrectAmplSurround (AmplSurround* a, AmplSurround* b)
{
    for (auto* s : { a, b })
        if (s != nullptr)
            for (float& g : s->g)
                g /= 1.414f;
}

//==============================================================================
// Value-to-text families

namespace
{
struct TextKind
{
    const char* format;
    float lo, hi;             // plain range
    float smallStep, bigStep; // of the plain value
    float (*toPlain) (float x);
    float (*toNormalised) (float plain);
};

constexpr float interSpeedScale = 9.391058f;
constexpr float agitationSpeedScale = 0.1490947f;
constexpr float agitationAmplScale = 1.8657361f;

const TextKind interSpeedKind {
    "%3.1f s", 0.0f, 60.0f, 0.1f, 1.0f,
    [] (float x) { return interSpeedScale * (std::exp (2.0f * x) - 1.0f); },
    [] (float s) { return std::log ((s + interSpeedScale) / interSpeedScale) / 2.0f; }
};

const TextKind agitationSpeedKind {
    "%4.2f s", 0.0f, 60.0f, 0.1f, 1.0f,
    [] (float x) { return agitationSpeedScale * (std::exp (6.0f * x) - 1.0f); },
    [] (float s) { return std::log ((s + agitationSpeedScale) / agitationSpeedScale) / 6.0f; }
};

const TextKind agitationAmplKind {
    "%3.1f %%", 0.0f, 100.0f, 0.1f, 1.0f,
    [] (float x) { return agitationAmplScale * (std::exp (4.0f * x) - 1.0f); },
    [] (float p) { return std::log ((p + agitationAmplScale) / agitationAmplScale) / 4.0f; }
};

const TextKind perCentKind {
    "%3.0f %%", 0.0f, 100.0f, 1.0f, 5.0f,
    [] (float x) { return 100.0f * x; },
    [] (float p) { return p / 100.0f; }
};

// The upward big step is 6 dB, like the downward one.
const TextKind gain24Kind {
    "%4.0f dB", -96.0f, 24.0f, 1.0f, 6.0f,
    [] (float x) { return 120.0f * x - 96.0f; },
    [] (float d) { return (d + 96.0f) / 120.0f; }
};

const TextKind valueKind {
    "%4.2f", 0.0f, 1.0f, 0.01f, 0.05f,
    [] (float x) { return x; },
    [] (float v) { return v; }
};

// Normalised input of a text function: finite values limited to 0..1, NaN as 0.
float normalisedInput (float x) noexcept
{
    return x != x ? 0.0f : Clip (0.0f, 1.0f, x);
}

// The number at the start of a text, if it is one (infinities count: they
// clip to the ends of the range).
bool readNumber (const char* text, float* value)
{
    float v = 0.0f;
    if (mySscanf (text, "%f", &v) != 1 || v != v)
        return false;
    *value = v;
    return true;
}

void writePlain (const TextKind& kind, float plain, char* buf)
{
    mySprintf (buf, kind.format, plain);
}

// The floor of the range (x = 0, or a step that reaches -96) is written
// without the padding of "%4.0f"; any other value with it, so a gain just
// above the floor reads " -96 dB".
void writeGain (float d, bool floor, char* buf)
{
    if (floor)
        std::snprintf (buf, valueTextSize, "-96 dB");
    else
        writePlain (gain24Kind, (d < 0.0f && d >= -0.5f) ? 0.0f : d, buf); // no "-0 dB"
}

void kindToText (const TextKind& kind, float x, char* buf)
{
    writePlain (kind, kind.toPlain (normalisedInput (x)), buf);
}

void kindFromText (const TextKind& kind, const char* text, float* out)
{
    float plain = 0.0f;
    if (! readNumber (text, &plain))
        return; // not a number: *out keeps its value
    *out = Clip (0.0f, 1.0f, kind.toNormalised (Clip (kind.lo, kind.hi, plain)));
}

// Reads the text, steps it by +-1 step, clips to the range. False when the
// text holds no number.
bool stepPlain (const TextKind& kind, const char* text, bool big, float direction, float* result)
{
    float plain = 0.0f;
    if (! readNumber (text, &plain))
        return false;
    *result = Clip (kind.lo, kind.hi, plain + direction * (big ? kind.bigStep : kind.smallStep));
    return true;
}

void stepText (const TextKind& kind, char* text, bool big, float direction)
{
    float plain = 0.0f;
    if (stepPlain (kind, text, big, direction, &plain))
        writePlain (kind, plain, text);
}

void stepGainText (char* text, bool big, float direction)
{
    float d = 0.0f;
    if (stepPlain (gain24Kind, text, big, direction, &d))
        writeGain (d, d <= gain24Kind.lo, text);
}
} // namespace

void FloatToInterSpeedStr (float x, char* buf) { kindToText (interSpeedKind, x, buf); }
void InterSpeedStrToFloat (const char* text, float* out) { kindFromText (interSpeedKind, text, out); }
void DecInterSpeed (char* text, bool big) { stepText (interSpeedKind, text, big, -1.0f); }
void IncInterSpeed (char* text, bool big) { stepText (interSpeedKind, text, big, 1.0f); }

void FloatToInterSpeed (float x, float* out)
{
    // Progress per 1/60 s tick; a time of 0 is an instant jump.
    const float s = interSpeedKind.toPlain (normalisedInput (x));
    *out = s > 0.0f ? 1.0f / (60.0f * s) : 1.0f;
}

void FloatToAgitationSpeedStr (float x, char* buf) { kindToText (agitationSpeedKind, x, buf); }
void AgitationSpeedStrToFloat (const char* text, float* out) { kindFromText (agitationSpeedKind, text, out); }
void DecAgitationSpeed (char* text, bool big) { stepText (agitationSpeedKind, text, big, -1.0f); }
void IncAgitationSpeed (char* text, bool big) { stepText (agitationSpeedKind, text, big, 1.0f); }

void FloatToAgitationSpeed (float x, float* out)
{
    const float s = agitationSpeedKind.toPlain (normalisedInput (x));
    *out = s > 0.0f ? 1.0f / (60.0f * s) : 1.0f;
}

void FloatToAgitationAmplStr (float x, char* buf) { kindToText (agitationAmplKind, x, buf); }
void AgitationAmplStrToFloat (const char* text, float* out) { kindFromText (agitationAmplKind, text, out); }
void DecAgitationAmpl (char* text, bool big) { stepText (agitationAmplKind, text, big, -1.0f); }
void IncAgitationAmpl (char* text, bool big) { stepText (agitationAmplKind, text, big, 1.0f); }

void FloatToAgitationAmpl (float x, float* out)
{
    *out = agitationAmplKind.toPlain (normalisedInput (x)) / 100.0f;
}

void FloatToPerCentStr (float x, char* buf) { kindToText (perCentKind, x, buf); }
void PerCentStrToFloat (const char* text, float* out) { kindFromText (perCentKind, text, out); }
void DecPerCent (char* text, bool big) { stepText (perCentKind, text, big, -1.0f); }
void IncPerCent (char* text, bool big) { stepText (perCentKind, text, big, 1.0f); }

void FloatToGain24Str (float x, char* buf)
{
    const float v = normalisedInput (x);
    writeGain (gain24Kind.toPlain (v), v == 0.0f, buf);
}
void Gain24StrToFloat (const char* text, float* out) { kindFromText (gain24Kind, text, out); }
void DecGain24 (char* text, bool big) { stepGainText (text, big, -1.0f); }
void IncGain24 (char* text, bool big) { stepGainText (text, big, 1.0f); }

void FloatToGain24 (float x, float* out)
{
    *out = std::pow (10.0f, 6.0f * normalisedInput (x) - 4.8f);
}

void FloatToValueStr (float x, char* buf) { kindToText (valueKind, x, buf); }
void ValueStrToFloat (const char* text, float* out) { kindFromText (valueKind, text, out); }
void DecValue (char* text, bool big) { stepText (valueKind, text, big, -1.0f); }
void IncValue (char* text, bool big) { stepText (valueKind, text, big, 1.0f); }

//==============================================================================
// Index and agitation helpers

int FloatToIndexPopup (float x, int n)
{
    if (n <= 1 || x != x)
        return 0;
    const float item = std::floor (static_cast<float> (n - 1) * Clip (0.0f, 1.0f, x) + 0.5f);
    return std::min (n - 1, static_cast<int> (item));
}

float IndexPopupToFloat (int i, int n)
{
    if (n <= 1)
        return 0.0f;
    return static_cast<float> (std::clamp (i, 0, n - 1)) / static_cast<float> (n - 1);
}

float AgitationIDValueFromStateAndID (bool on, int g)
{
    g = std::clamp (g, 0, 3);
    return static_cast<float> (on ? 7 - g : g) / 7.0f;
}

bool StateFromAgitationIDValue (float x)
{
    return x > 0.5f;
}

int AgitationIDFromAgitationIDValue (float x)
{
    if (x != x)
        return 0;
    const double k = std::floor (7.0 * static_cast<double> (Clip (0.0f, 1.0f, x)) + 0.5);
    const int code = static_cast<int> (k);
    return code <= 3 ? code : 7 - code;
}

void FloatToAgitationIDStr (float x, char* buf, int maxLength)
{
    const int group = AgitationIDFromAgitationIDValue (x) + 1;
    const char* state = StateFromAgitationIDValue (x) ? "on" : "off";
    std::snprintf (buf, valueTextSize, maxLength > 3 ? "%d %s" : "%1d%s", group, state);
}
