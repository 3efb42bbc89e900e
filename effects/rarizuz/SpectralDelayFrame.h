#pragma once
// The per-frame work of the spectral delay on plain arrays: stores the input
// spectra in the delay lines, lets every active unmuted bar read its band
// back at the delay its geometry gives each bin (edge taper, feedback into
// the newest frame, amplitude, gain and panning into the output spectra),
// then mixes in the dry spectra.
//
// Spectra are N floats packed as the real FFT leaves them: N/2 pairs
// (re, im), pair 0 carrying the DC and Nyquist values; every pair is
// treated alike.
//
// Thread contract: one object per engine, used by the audio thread only
// (construction and setMaxSize off it); `process` allocates nothing, takes
// no lock and reads only the bar copies it is given.
#include "BarFreq.h"
#include "MyBuffersArray.h"

#include <cstdint>
#include <memory>

struct SpectralFrameSettings
{
    int64_t fftSize = 2048;   // N, a power of two
    int numInputs = 1;        // 1 or 2
    int numOutputs = 1;       // 1 to 8
    float mix = 1.0f;         // wet share m (0 for a bypassed block)
    float linearGain = 1.0f;  // output gain of the wet part
};

class SpectralDelayFrame
{
public:
    // Scratch for frames of up to maxFftSize samples.
    explicit SpectralDelayFrame (int64_t maxFftSize);

    // One frame. `in` holds numInputs spectra (a second input is read only
    // when numInputs is 2), `out` numOutputs frames of N floats. lines[0]
    // takes input 0, lines[1] input 1 (stereo input only); both must hold
    // frames of N floats. `bars` are barCount (at most 8) whole copies.
    void process (const SpectralFrameSettings& settings,
                  const float* const* in,
                  float* const* out,
                  MyBuffersArray<float>* const* lines,
                  const BarFreq* bars, int barCount) noexcept;

    // The bars are read with vectors of sixteen floats where the processor
    // has AVX-512 (F, VL, DQ and BW), of eight where it has AVX2, else of
    // four (the widest is the default); all give the same result to the
    // bit. A test seam: setVectorFloats (4, 8 or 16) picks a width, limited
    // to the widest available.
    static int widestVectorFloats() noexcept;
    void setVectorFloats (int floats) noexcept;
    int vectorFloats() const noexcept { return vectorWidth; }

    // Output slot of each panning gain by output layout, as the effect base
    // maps them: channel c of `channels` goes to slots[map[c]]; slots that
    // the layout does not name are null.
    static void mapSurroundSlots (int numOutputs, float* const* channels, float** slots) noexcept;

    // Bin range of a bar for a half spectrum of `half` bins: lo..hi - 1.
    static void barBinRange (const BarFreq& bar, int64_t half, int64_t& lo, int64_t& hi) noexcept;

    // Frames back from the newest that bin fraction x of a bar reads, in a
    // line of `count` frames: trunc(delay x count), limited to 0..count - 1
    // (a delay of 1 or more reads the oldest frame, a negative one the newest).
    static int64_t delayFramesBack (float delay, int64_t count) noexcept;

private:
    // What a bar reads, worked out once and kept while its geometry, the
    // frame size and the line length stay the same: its bins lo..hi - 1,
    // the runs of bins that read the same past frame, and the edge taper
    // (one value per float of the spectrum, unused when it is 1 everywhere;
    // bins unitFrom..unitTo - 1 read without it).
    struct BarPlan
    {
        bool valid = false;
        double f1 = 0, d1 = 0, f2 = 0, d2 = 0;
        float power = 0, smoothness = 0;
        int64_t fftSize = 0, lineCount = 0;

        bool silent = false;
        int64_t lo = 0, hi = 0;
        bool unitTaper = true;
        int64_t unitFrom = 0, unitTo = 0;     // bins where the taper is exactly 1
        int numRuns = 0;
        std::unique_ptr<int32_t[]> runStart;  // first bin of each run
        std::unique_ptr<int32_t[]> runBack;   // frames back of each run
        std::unique_ptr<float[]> taper;       // 2 (hi - lo) values
    };

    void plan (const BarFreq& bar, int64_t fftSize, int64_t lineCount, BarPlan& p) noexcept;
    // Every active unmuted bar reads its band into the output slots, all
    // bars in one sweep over the bins. With `dry` (mono and stereo outputs:
    // the dry spectra of slots 0 and 1) the sweep covers every bin and
    // writes the finished outputs, zeroing and dry mix included, and copies
    // fresh[0 .. numFresh - 1] into the newest frames of the lines (advanced
    // but not yet written); without, it adds to zeroed outputs. False, with
    // nothing written, when no bar reads.
    bool readBars (const SpectralFrameSettings& settings, MyBuffersArray<float>* const* lines,
                   float* const* slots, const BarFreq* bars, int barCount, bool readSecondLine,
                   const float* const* dry, const float* const* fresh, int numFresh) noexcept;

    int64_t maxHalf;
    int vectorWidth; // floats per vector: 4, 8 or 16
    BarPlan plans[8];
};
