#pragma once
// Value helpers shared by the framework, the engines and the panels: random
// numbers, clipping and range mapping, locale-independent number text,
// panning laws and the value-to-text families. None allocates; every text
// goes into a buffer the caller provides (at least 32 bytes).
// Threads: all functions are reentrant; fSampleRate is atomic (written by the
// message thread, read by any).
#include <atomic>
#include <cstddef>
#include <cstdint>

// Size of the text buffers the helpers write into (callers provide at least this).
constexpr std::size_t valueTextSize = 32;

struct AmplSurround
{
    float g[8];
};

// rand() based (serialised by the C library): for the agitator and editor
// threads, not the audio thread. Rand() is in [0, 1), RandC() in [-0.5, 0.5).
float Rand();
float RandC();
// lo when x < lo, else min(hi, x); NaN passes through.
float Clip (float lo, float hi, float x);
// Clip to lo..hi for finite x; false (and *out untouched) when x is NaN or infinite.
bool ClipFinite (float lo, float hi, float x, float* out);
inline bool IsFiniteValue (float x) { return x - x == 0.0f; }
double ConvertRange (double x, double lo, double hi);
double ConvertToFloat (double v, double lo, double hi);

// printf/scanf of one float, independent of the process locale (always a
// decimal point). The three-argument form writes at most valueTextSize bytes.
void mySprintf (char* buf, std::size_t bufSize, const char* format, float x);
void mySprintf (char* buf, const char* format, float x);
int mySscanf (const char* text, const char* format, float* out);

extern std::atomic<float> fSampleRate;
void SetUtilSampleRate (long rate);

// Panning laws: x in -1..1 (beyond acts as the nearest end, NaN as 0).
void GetAmplStereo (float x, float* left, float* right);
void GetAmplQuad (float x, float* g1, float* g2, float* g3, float* g4);
void GetAmpl50 (float x, float* g1, float* g2, float* g3, float* g4, float* g5);
void GetAmplOcto (float x, float* g1, float* g2, float* g3, float* g4, float* g5, float* g6, float* g7, float* g8);
void CorrectAmplSurround (AmplSurround* a, AmplSurround* b);

// Value-to-text families: FloatToKStr, KStrToFloat, DecK, IncK, FloatToK.
// KStrToFloat leaves *out unchanged, and DecK/IncK leave the text unchanged,
// when the text does not start with a number. FloatToInterSpeed and
// FloatToAgitationSpeed give 1 (an instant step) for x = 0.
void FloatToInterSpeedStr (float x, char* buf);
void InterSpeedStrToFloat (const char* text, float* out);
void DecInterSpeed (char* text, bool big);
void IncInterSpeed (char* text, bool big);
void FloatToInterSpeed (float x, float* out);

void FloatToAgitationSpeedStr (float x, char* buf);
void AgitationSpeedStrToFloat (const char* text, float* out);
void DecAgitationSpeed (char* text, bool big);
void IncAgitationSpeed (char* text, bool big);
void FloatToAgitationSpeed (float x, float* out);

void FloatToAgitationAmplStr (float x, char* buf);
void AgitationAmplStrToFloat (const char* text, float* out);
void DecAgitationAmpl (char* text, bool big);
void IncAgitationAmpl (char* text, bool big);
void FloatToAgitationAmpl (float x, float* out);

void FloatToPerCentStr (float x, char* buf);
void PerCentStrToFloat (const char* text, float* out);
void DecPerCent (char* text, bool big);
void IncPerCent (char* text, bool big);

void FloatToGain24Str (float x, char* buf);
void Gain24StrToFloat (const char* text, float* out);
void DecGain24 (char* text, bool big);
void IncGain24 (char* text, bool big);
void FloatToGain24 (float x, float* out);

void FloatToValueStr (float x, char* buf);
void ValueStrToFloat (const char* text, float* out);
void DecValue (char* text, bool big);
void IncValue (char* text, bool big);

// Item of an n-item list, 0..n-1 (NaN gives 0).
int FloatToIndexPopup (float x, int n);
float IndexPopupToFloat (int i, int n);

float AgitationIDValueFromStateAndID (bool on, int g);
bool StateFromAgitationIDValue (float x);
int AgitationIDFromAgitationIDValue (float x);
void FloatToAgitationIDStr (float x, char* buf, int maxLength);
