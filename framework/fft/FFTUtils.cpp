#include "FFTUtils.h"

#include "fftKernels.h"
#include "fftRoutines.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace
{
std::mutex lifecycleMutex; // object count and the table release it triggers
int numObject = 0;

constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kSqrt2 = 1.41421356237309504880;

// Sizes an array to exactly n entries: new entries are zero, the first ones
// keep their values, and a smaller size gives the memory back.
template <typename T>
void fitArray (std::vector<T>& v, std::size_t n)
{
    if (v.size() == n)
        return;
    v.resize (n);
    if (v.capacity() > n)
        v.shrink_to_fit();
}

// Expected phase advance of bin 1 over one hop, rounded to single precision.
float hopAdvance (int64_t overlap) { return static_cast<float> (kTwoPi / static_cast<double> (overlap)); }
} // namespace

FFTUtils::FFTUtils (int64_t capacityToUse)
    : capacity (std::max<int64_t> (capacityToUse, 0))
{
    const std::lock_guard<std::mutex> lock (lifecycleMutex);
    ++numObject;
    setSize (10);
}

FFTUtils::~FFTUtils()
{
    const std::lock_guard<std::mutex> lock (lifecycleMutex);
    if (--numObject == 0)
        fftFree();
}

int FFTUtils::getNumObjects() noexcept
{
    const std::lock_guard<std::mutex> lock (lifecycleMutex);
    return numObject;
}

bool FFTUtils::setSize (int64_t M)
{
    if (M < 2 || M > kFftMaxLog2Size)
        return false;
    const int64_t N = int64_t (1) << M;
    if (N > capacity || fftInit (M) != 0)
        return false;

    // The arrays hold the current size only (a frame-size change is never
    // made on the audio thread).
    const auto n = static_cast<std::size_t> (N);
    for (auto* v : { &realPart, &imagPart, &frequences, &phases, &amplitudes, &window })
        fitArray (*v, n);
    fitArray (phaseAccumulator, n);

    fftLog2Size = M;
    fftSize = N;
    windowLength = halfWindow ? N / 2 : N;

    std::fill (window.begin(), window.begin() + N, 0.0f);
    const double lengthLessOne = static_cast<double> (static_cast<float> (windowLength - 1));
    for (int64_t i = 0; i < windowLength; ++i)
    {
        const double c = std::cos (kTwoPi * static_cast<double> (i) / lengthLessOne);
        const double w = sqrtWindow ? std::sqrt ((1.0 - c) * 0.5) : 0.5 - 0.5 * c;
        window[static_cast<std::size_t> (i)] = static_cast<float> (w);
    }

    std::fill (phases.begin(), phases.begin() + N, 0.0f);
    std::fill (phaseAccumulator.begin(), phaseAccumulator.begin() + N, 0.0);
    firstFrame = true;
    return true;
}

void FFTUtils::applyWindow (float* data) const noexcept
{
    const float* w = window.data();
    for (int64_t i = 0; i < fftSize; ++i)
        data[i] *= w[i];
}

float FFTUtils::binHz() const noexcept { return sampleRate.load (std::memory_order_relaxed) / static_cast<float> (fftSize); }

void FFTUtils::analyse (float* data)
{
    const juce::ScopedNoDenormals noDenormals;
    if (fftSize == 0)
        return;

    applyWindow (data);
    if (! rffts (data, fftLog2Size, 1))
        std::fill (data, data + fftSize, 0.0f);

    vokt_fft::AnalysisBins args;
    args.spectrum = data;
    args.realPart = realPart.data();
    args.imagPart = imagPart.data();
    args.amplitudes = amplitudes.data();
    args.phases = phases.data();
    args.frequences = frequences.data();
    args.bins = fftSize / 2;
    args.computeAmplitudes = computeAmplitudes;
    args.computeFrequences = computeFrequences;
    args.omega = static_cast<double> (hopAdvance (overlap));
    args.deviationGain = static_cast<double> (overlap) * 0.5;
    args.binHz = binHz();
    vokt_fft::activeKernels().analyseBins (args);
}

void FFTUtils::synthesis (float* data)
{
    const juce::ScopedNoDenormals noDenormals;
    if (fftSize == 0)
        return;

    vokt_fft::SynthesisBins args;
    args.amplitudes = amplitudes.data();
    args.frequences = frequences.data();
    args.phases = phases.data();
    args.accumulator = phaseAccumulator.data();
    args.realPart = realPart.data();
    args.imagPart = imagPart.data();
    args.out = data;
    args.bins = fftSize / 2;
    args.firstFrame = firstFrame.load (std::memory_order_relaxed);
    args.phaseStep = static_cast<double> (hopAdvance (overlap)) / static_cast<double> (binHz());
    args.mixDry = wetGain != 1.0f;
    args.wetScale = args.mixDry ? static_cast<float> (static_cast<double> (wetGain) * kSqrt2) : 1.4142135f;
    args.dryScale = static_cast<float> (static_cast<double> (dryGain) * kSqrt2);
    vokt_fft::activeKernels().synthesiseBins (args);
    firstFrame.store (false, std::memory_order_relaxed);

    if (! riffts (data, fftLog2Size, 1))
        std::fill (data, data + fftSize, 0.0f);
    applyWindow (data);
}

void FFTUtils::directFFT (float* data)
{
    const juce::ScopedNoDenormals noDenormals;
    if (fftSize == 0)
        return;
    applyWindow (data);
    if (! rffts (data, fftLog2Size, 1))
        std::fill (data, data + fftSize, 0.0f);
}

void FFTUtils::inverseFFT (float* data)
{
    const juce::ScopedNoDenormals noDenormals;
    if (fftSize == 0)
        return;
    if (! riffts (data, fftLog2Size, 1))
        std::fill (data, data + fftSize, 0.0f);
    applyWindow (data);
}

float* FFTUtils::getAmplitudes (float* destination)
{
    if (destination != nullptr)
        std::copy_n (amplitudes.data(), fftSize / 2, destination);
    return amplitudes.data();
}

float* FFTUtils::getFrequences (float* destination)
{
    if (destination != nullptr)
        std::copy_n (frequences.data(), fftSize / 2, destination);
    return frequences.data();
}

float* FFTUtils::getPhases (float* destination)
{
    if (destination != nullptr)
        std::copy_n (phases.data(), fftSize / 2, destination);
    return phases.data();
}

void FFTUtils::setAmplitudes (const float* source) { std::copy_n (source, fftSize / 2, amplitudes.data()); }

void FFTUtils::setFrequences (const float* source) { std::copy_n (source, fftSize / 2, frequences.data()); }

void FFTUtils::setPhases (const float* source) { std::copy_n (source, fftSize / 2, phases.data()); }
