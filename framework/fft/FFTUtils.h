#pragma once
// Windowed short-time analysis and resynthesis of one frame of N = 2^M
// samples: the plain level (directFFT / inverseFFT: window and transform,
// spectrum left packed as rffts makes it) and the phase-vocoder level
// (analyse / synthesis: per-bin amplitude, phase and frequency in Hz, and
// resynthesis from amplitudes and frequencies with a running phase per bin).
// Frames overlap by 4 (hop N/4); the owner does the overlap-add.
//
// Threads: constructor, destructor and setSize on the message thread while the owner's processing is stopped (setSize sizes the arrays for the new N, so it may allocate); frame and get/set operations on the owner's audio thread only (no allocation, no lock); sampleRate and firstFrame are atomics.
#include <atomic>
#include <cstdint>
#include <vector>

class FFTUtils
{
public:
    // capacity: the largest N the owner will set. The arrays hold the
    // current N only: setSize grows them (or gives memory back).
    // Starts at N = 1024 when the capacity allows it (else at size 0, where
    // every frame operation does nothing until a setSize succeeds).
    explicit FFTUtils (int64_t capacity);
    ~FFTUtils();

    FFTUtils (const FFTUtils&) = delete;
    FFTUtils& operator= (const FFTUtils&) = delete;

    // Size change to N = 2^M: makes the FFT tables, the window, zeroes the
    // phases and the accumulator and sets firstFrame. Refused (false, nothing
    // changes) when M < 2, when N exceeds the capacity or when the FFT tables
    // cannot be made.
    bool setSize (int64_t M);

    // Windows data (N samples), transforms it in place (data keeps the packed
    // spectrum) and fills the real and imaginary parts, amplitudes, phases
    // and frequences of the N/2 bins. Bin 0 pairs DC (real) with Nyquist
    // (imaginary).
    void analyse (float* data);

    // Builds a frame from amplitudes and frequences (phases on a first frame)
    // and leaves the windowed time signal in data (N floats, overwritten).
    void synthesis (float* data);

    void directFFT (float* data);  // window, then forward transform
    void inverseFFT (float* data); // inverse transform, then window

    // Copy N/2 floats into destination when it is not null; return the
    // internal array, through which the owner may read and write.
    float* getAmplitudes (float* destination);
    float* getFrequences (float* destination);
    float* getPhases (float* destination);
    // Copy N/2 floats from source.
    void setAmplitudes (const float* source);
    void setFrequences (const float* source);
    void setPhases (const float* source);

    int64_t getFftSize() const noexcept { return fftSize; }
    int64_t getFftLog2Size() const noexcept { return fftLog2Size; }
    int64_t getWindowLength() const noexcept { return windowLength; }
    int64_t getCapacity() const noexcept { return capacity; }
    int64_t getOverlap() const noexcept { return overlap; }
    const float* getWindow() const noexcept { return window.data(); }
    // Spectrum of the last analysis, or after a synthesis the synthesised one.
    const float* getRealPart() const noexcept { return realPart.data(); }
    const float* getImagPart() const noexcept { return imagPart.data(); }

    // Number of live objects; the FFT tables are freed when it falls to 0.
    static int getNumObjects() noexcept;

    // Settings. The window flags take effect at the next setSize; change
    // any of them only while the owner's processing is stopped.
    bool computeFrequences = true; // analyse computes phases and frequences
    bool computeAmplitudes = true; // analyse computes amplitudes
    bool sqrtWindow = false;       // square root of the Hann window
    bool halfWindow = false;       // window over the first N/2 samples only
    float wetGain = 1.0f;
    float dryGain = 0.0f;

    std::atomic<float> sampleRate { 44100.0f };
    // The next synthesis seeds its running phases from the phases array.
    std::atomic<bool> firstFrame { true };

private:
    const int64_t capacity;
    const int64_t overlap = 4;
    int64_t windowLength = 0;
    int64_t fftSize = 0;
    int64_t fftLog2Size = 0;

    std::vector<float> realPart, imagPart, frequences, phases, amplitudes, window;
    // Running synthesis phase per bin, in double precision and wrapped into
    // [-pi, pi] on every call, so high bins keep their precision however
    // long a note lasts.
    std::vector<double> phaseAccumulator;

    void applyWindow (float* data) const noexcept;
    float binHz() const noexcept;
};
