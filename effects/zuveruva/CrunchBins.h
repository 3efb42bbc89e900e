#pragma once
// Per-bin spectral operations of the crunch engine, on plain arrays: the
// smoothing coefficients of a block, the cross with an auxiliary spectrum,
// the one-pole smoothing of amplitudes and frequencies, the frequency
// deviation shown by the editor and the dry/wet mix of a frame.
//
// Threads: pure functions on caller-owned arrays (no state, no allocation);
// the engine calls them on the audio thread.
namespace CrunchBins
{
// Smoothing exponent p of a frame size N (4..8192): 0.1 at N = 4, 0.8 at
// N = 8192, so one control value freezes long frames more strongly.
float smoothingExponent (long frameSize) noexcept;

// One-pole coefficient of a control value v (0..1): (0.5 - 0.5 cos(pi v))^p.
// 0 follows the input at once, 1 freezes. Values outside 0..1 are clipped.
float smoothingCoefficient (float control, float exponent) noexcept;

// The cross of an input spectrum (amp, freq; edited in place) with an
// auxiliary spectrum, over `bins` bins:
//   amp  := (1 - B) amp + ((1 - D) amp + D auxAmp g) B
//   freq := ((1 - D) freq + D auxFreq) (1 - B) + B freq
// D = depth, B = balance, g = the auxiliary linear gain. At B = 1 the
// amplitudes move towards the auxiliary source, at B = 0 the frequencies.
void cross (float* amp, float* freq, const float* auxAmp, const float* auxFreq,
            int bins, float depth, float balance, float auxGain) noexcept;

// One-pole smoothing over time: state := x (1 - c) + state c, for the
// amplitudes (coefficient cA) and the frequencies (cF).
void smooth (const float* amp, const float* freq, float* smoothAmp, float* smoothFreq,
             int bins, float cA, float cF) noexcept;

// Distance in bins of each smoothed frequency from its bin's own frequency:
// dev[k] := smoothFreq[k] / binWidth - k.
void deviation (const float* smoothFreq, float* dev, int bins, float binWidth) noexcept;

// Frame mix: out[i] := dry[i] (1 - wet) 0.25 + out[i] wet gain. The dry frame
// is scaled by 0.25 because four overlapping frames are summed.
void mix (float* out, const float* dry, int n, float wet, float outputGain) noexcept;

// display[k] := (display[k] + amp[k]) 0.5 (the stereo display spectrum).
void average (float* display, const float* amp, int bins) noexcept;
}
