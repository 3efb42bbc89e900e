#pragma once
// Value helpers of the spectral delay's own parameter kinds: bar amplitude
// (dB), angle (degrees), pan, width, delay (seconds), frequency (Hz), output
// gain (dB), and the band-count text of "Bands". Each family has
// FloatToXStr / XStrToFloat / IncX / DecX; some add a converter from the
// normalised value to the quantity the engine computes with.
//
// Thread contract: pure functions, callable on any thread; texts go into
// buffers the caller provides (at least valueTextSize bytes). The frequency
// family reads the process-wide sample rate of the value helpers.
//
// A text that holds no number leaves *v unchanged (as the framework's
// families do). Steps: the flag selects the first of the two steps listed
// for each family below.

// Bar amplitude, -40..0 dB. Steps 3 dB (flag) / 1 dB.
void FloatToAmplitudeStr (float v, char* text);
void AmplitudeStrToFloat (const char* text, float* v);
void IncAmplitude (char* text, bool flag);
void DecAmplitude (char* text, bool flag);
// Linear gain of a bar amplitude: 10^(2v - 2), 0.01 (-40 dB) to 1 (0 dB).
void FloatToAmplitude (float v, float* out);

// Bar angle, -90..90 degrees. Steps 1 (flag) / 10.
void FloatToAngleStr (float v, char* text);
void AngleStrToFloat (const char* text, float* v);
void IncAngle (char* text, bool flag);
void DecAngle (char* text, bool flag);

// Bar pan, -100..100. Steps 1 (flag) / 10.
void FloatToPanStr (float v, char* text);
void PanStrToFloat (const char* text, float* v);
void IncPan (char* text, bool flag);
void DecPan (char* text, bool flag);

// Bar width: a percentage.
void FloatToWidthStr (float v, char* text);
void WidthStrToFloat (const char* text, float* v);
void IncWidth (char* text, bool flag);
void DecWidth (char* text, bool flag);

// Bar delay, 0..10 s (10 v^2). Steps 1 s (flag) / 0.1 s.
void FloatToDelayStr (float v, char* text);
void DelayStrToFloat (const char* text, float* v);
void IncDelay (char* text, bool flag);
void DecDelay (char* text, bool flag);
// Delay coordinate of a bar from the Delay parameter: v^2, or 0 below 0.001.
void FloatToDelay (float v, float* out);
// Delay parameter from a delay coordinate: sqrt(d), 0 for d < 0.
void DelayToFloat (float d, float* out);

// Bar frequency, 0 Hz to half the sample rate (v^2 rate/2). Steps 1 Hz (flag) / 10 Hz.
void FloatToFreqStr (float v, char* text);
void FreqStrToFloat (const char* text, float* v);
void IncFreq (char* text, bool flag);
void DecFreq (char* text, bool flag);

// Output gain, -96..+24 dB. Steps down 6 dB (flag) / 1 dB, up 6 dB (flag) / 1 dB.
void FloatToGainACStr (float v, char* text);
void GainACStrToFloat (const char* text, float* v);
void IncGainAC (char* text, bool flag);
void DecGainAC (char* text, bool flag);
// Linear output gain: 10^(6v - 4.8) (v = 0.8 gives 1).
void FloatToACGain (float v, float* out);

// Value of a band-count text (half the frame length) for a parameter of n
// positions: index 0 for counts up to 128, 1 up to 256, ... 7 up to 16384,
// 8 up to 32768, 9 above; v = index / (n - 1) limited to 1, or 0 when n is 1.
void FFTStrToFloat (const char* text, float* v, short n);
