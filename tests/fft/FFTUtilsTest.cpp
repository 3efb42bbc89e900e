// Short-time analysis and synthesis: round trip, frequency estimation,
// silent frames, size changes, and long resynthesis against a
// double-precision phase reference, for every kernel set the CPU has.
#include "AllocationCounter.h"
#include "FFTUtils.h"
#include "fftRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

class FFTUtilsTest : public ::testing::TestWithParam<FftKernelSet>
{
protected:
    void SetUp() override
    {
        if (! fftSelectKernelSet (GetParam()))
            GTEST_SKIP() << fftKernelSetName (GetParam()) << " kernels not available on this CPU";
    }

    void TearDown() override
    {
        fftSelectKernelSet (fftKernelSetAvailable (FftKernelSet::avx2) ? FftKernelSet::avx2 : FftKernelSet::sse2);
    }

    // A stationary cosine of `cycles` periods per frame length N, hop `hop`.
    static std::vector<float> cosineFrame (int64_t N, double cycles, int64_t start, double amplitude = 1.0, double phase = 0.3)
    {
        std::vector<float> frame (static_cast<size_t> (N));
        for (int64_t n = 0; n < N; ++n)
            frame[static_cast<size_t> (n)] = static_cast<float> (amplitude * std::cos (kTwoPi * cycles * static_cast<double> (start + n) / static_cast<double> (N) + phase));
        return frame;
    }
};

TEST_P (FFTUtilsTest, StartsAt1024With44100AndRefusesSizesBeyondItsCapacity)
{
    FFTUtils fft (8196);
    EXPECT_EQ (fft.getFftSize(), 1024);
    EXPECT_EQ (fft.getFftLog2Size(), 10);
    EXPECT_EQ (fft.getOverlap(), 4);
    EXPECT_FLOAT_EQ (fft.sampleRate.load(), 44100.0f);
    EXPECT_TRUE (fft.firstFrame.load());

    for (int64_t refused : { int64_t (-1), int64_t (0), int64_t (1), int64_t (14), kFftMaxLog2Size + 1, int64_t (64) })
    {
        EXPECT_FALSE (fft.setSize (refused)) << refused;
        EXPECT_EQ (fft.getFftSize(), 1024) << refused;
    }
    EXPECT_TRUE (fft.setSize (13));
    EXPECT_EQ (fft.getFftSize(), 8192);

    // Too small for the initial size: frame operations leave data alone.
    FFTUtils tiny (100);
    EXPECT_EQ (tiny.getFftSize(), 0);
    std::vector<float> data (100, 1.0f);
    tiny.analyse (data.data());
    tiny.synthesis (data.data());
    EXPECT_EQ (data, std::vector<float> (100, 1.0f));
    EXPECT_TRUE (tiny.setSize (6));
    EXPECT_EQ (tiny.getFftSize(), 64);
}

TEST_P (FFTUtilsTest, WindowsAreSymmetricHannOrItsSquareRoot)
{
    struct Case
    {
        bool sqrtWindow, halfWindow;
    };
    for (const Case c : { Case { false, false }, Case { true, false }, Case { false, true } })
    {
        FFTUtils fft (1024);
        fft.sqrtWindow = c.sqrtWindow;
        fft.halfWindow = c.halfWindow;
        ASSERT_TRUE (fft.setSize (8));
        const int64_t L = c.halfWindow ? 128 : 256;
        EXPECT_EQ (fft.getWindowLength(), L);
        const float* w = fft.getWindow();
        for (int64_t i = 0; i < 256; ++i)
        {
            const double hann = i < L ? 0.5 - 0.5 * std::cos (kTwoPi * static_cast<double> (i) / static_cast<double> (L - 1)) : 0.0;
            EXPECT_NEAR (w[i], c.sqrtWindow ? std::sqrt (hann) : hann, 1.0e-7) << i;
        }
        EXPECT_EQ (w[0], 0.0f);
        EXPECT_NEAR (w[L - 1], 0.0f, 1.0e-7);
    }
}

TEST_P (FFTUtilsTest, FirstFrameRoundTripGivesSignalTimesWindowSquaredOverRoot2)
{
    // One object through growing and shrinking sizes: its arrays follow N.
    FFTUtils fft (8192);
    for (int64_t M : { 10, 2, 13, 5, 3, 4 })
    {
        SCOPED_TRACE ("M = " + std::to_string (M));
        const int64_t N = int64_t (1) << M;
        ASSERT_TRUE (fft.setSize (M));

        std::mt19937 rng (static_cast<unsigned> (M));
        std::uniform_real_distribution<float> dist (-1.0f, 1.0f);
        std::vector<float> x (static_cast<size_t> (N));
        for (int64_t n = 0; n < N; ++n) // noise plus DC and Nyquist content
            x[static_cast<size_t> (n)] = 0.5f * dist (rng) + 0.3f + ((n & 1) ? -0.2f : 0.2f);

        auto data = x;
        fft.analyse (data.data());
        // The analysed phases agree with a double-precision arc tangent.
        const float* re = fft.getRealPart();
        const float* im = fft.getImagPart();
        const float* amplitudes = fft.getAmplitudes (nullptr);
        const float* phases = fft.getPhases (nullptr);
        for (int64_t k = 0; k < N / 2; ++k)
        {
            EXPECT_NEAR (amplitudes[k], std::hypot (static_cast<double> (re[k]), static_cast<double> (im[k])), 1.0e-6 * (1.0 + amplitudes[k]));
            if (amplitudes[k] > 1.0e-3f)
            {
                EXPECT_NEAR (phases[k], std::atan2 (static_cast<double> (im[k]), static_cast<double> (re[k])), 2.0e-6) << k;
            }
        }

        fft.synthesis (data.data());
        EXPECT_FALSE (fft.firstFrame.load());
        const float* w = fft.getWindow();
        for (int64_t n = 0; n < N; ++n)
        {
            const double expected = static_cast<double> (x[static_cast<size_t> (n)]) * w[n] * w[n] / std::sqrt (2.0);
            EXPECT_NEAR (data[static_cast<size_t> (n)], expected, 2.0e-6) << n;
        }
    }
}

TEST_P (FFTUtilsTest, WetAndDryGainsMixTheSynthesisWithTheAnalysedSpectrum)
{
    struct Case
    {
        float wet, dry, gain; // gain of x w^2 / sqrt 2 after a first-frame round trip
    };
    for (const Case c : { Case { 1.0f, 0.0f, 1.0f }, Case { 0.5f, 0.25f, 0.75f }, Case { 0.0f, 1.0f, 1.0f }, Case { 0.0f, 0.0f, 0.0f } })
    {
        SCOPED_TRACE ("wet " + std::to_string (c.wet) + ", dry " + std::to_string (c.dry));
        FFTUtils fft (256);
        ASSERT_TRUE (fft.setSize (7)); // 64 bins: whole chunks and no tail in every kernel set
        fft.wetGain = c.wet;
        fft.dryGain = c.dry;
        std::vector<float> x (128);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = std::cos (0.3f * static_cast<float> (i)) + 0.1f;
        auto data = x;
        fft.analyse (data.data());
        fft.synthesis (data.data());
        const float* w = fft.getWindow();
        for (size_t n = 0; n < x.size(); ++n)
            EXPECT_NEAR (data[n], c.gain * x[n] * w[n] * w[n] / std::sqrt (2.0), 2.0e-6) << n;
    }
}

TEST_P (FFTUtilsTest, PlainLevelIsWindowAndTransformBothWays)
{
    FFTUtils fft (1024);
    ASSERT_TRUE (fft.setSize (9));
    std::vector<float> x (512);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin (0.37f * static_cast<float> (i)) + 0.25f;

    auto data = x;
    fft.directFFT (data.data());
    auto expected = x;
    for (size_t i = 0; i < x.size(); ++i)
        expected[i] *= fft.getWindow()[i];
    ASSERT_TRUE (rffts (expected.data(), 9, 1));
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_NEAR (data[i], expected[i], 1.0e-5) << i;

    fft.inverseFFT (data.data());
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_NEAR (data[i], x[i] * fft.getWindow()[i] * fft.getWindow()[i], 1.0e-6) << i;
}

TEST_P (FFTUtilsTest, StationarySinusoidGivesItsFrequencyInTheBinsOfItsMainLobe)
{
    struct Case
    {
        int64_t M;
        double cycles;
        float sampleRate;
    };
    for (const Case c : { Case { 10, 100.0, 44100.0f }, Case { 10, 100.25, 44100.0f }, Case { 10, 400.75, 48000.0f }, Case { 12, 7.5, 96000.0f } })
    {
        SCOPED_TRACE ("M = " + std::to_string (c.M) + ", cycles " + std::to_string (c.cycles));
        const int64_t N = int64_t (1) << c.M;
        const int64_t hop = N / 4;
        FFTUtils fft (N);
        ASSERT_TRUE (fft.setSize (c.M));
        fft.sampleRate = c.sampleRate;
        const double binHz = static_cast<double> (c.sampleRate) / static_cast<double> (N);
        const double expected = c.cycles * binHz;
        const auto centre = static_cast<int64_t> (c.cycles);

        for (int64_t frame = 0; frame < 6; ++frame)
        {
            auto data = cosineFrame (N, c.cycles, frame * hop);
            fft.analyse (data.data());
            if (frame == 0)
                continue; // no previous phase yet
            const float* frequences = fft.getFrequences (nullptr);
            for (int64_t k = centre - 1; k <= centre + 1; ++k)
                EXPECT_NEAR (frequences[k], expected, 1.0e-3 * binHz) << "frame " << frame << ", bin " << k;
        }
    }
}

TEST_P (FFTUtilsTest, SilentFrameKeepsThePhasesAndAssumesNoAdvance)
{
    FFTUtils fft (1024);
    fft.sampleRate = 48000.0f;
    const int64_t N = fft.getFftSize();
    std::vector<float> phases (static_cast<size_t> (N / 2));
    for (size_t k = 0; k < phases.size(); ++k)
        phases[k] = 0.001f * static_cast<float> (k) - 1.0f;
    fft.setPhases (phases.data());

    std::vector<float> silence (static_cast<size_t> (N), 0.0f);
    fft.analyse (silence.data());

    const float* got = fft.getPhases (nullptr);
    for (size_t k = 0; k < phases.size(); ++k)
        ASSERT_EQ (got[k], phases[k]) << k;

    // With no advance the deviation from the expected k * pi/2 wraps to the
    // nearest multiple of 4 bins (ties to the larger one).
    const double binHz = 48000.0 / static_cast<double> (N);
    const double expectedBins[] = { 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12 };
    const float* frequences = fft.getFrequences (nullptr);
    for (size_t k = 0; k < std::size (expectedBins); ++k)
        EXPECT_NEAR (frequences[k], expectedBins[k] * binHz, 1.0e-3) << k;
}

TEST_P (FFTUtilsTest, SynthesisAfterSetSizeStartsFromZeroPhases)
{
    FFTUtils fft (2048);
    std::vector<float> data (1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = std::cos (0.1f * static_cast<float> (i));
    fft.analyse (data.data()); // phases now non-zero

    ASSERT_TRUE (fft.setSize (10));
    EXPECT_TRUE (fft.firstFrame.load());
    std::vector<float> ones (512, 1.0f);
    fft.setAmplitudes (ones.data());
    fft.synthesis (data.data());
    for (int64_t k = 0; k < 512; ++k)
    {
        ASSERT_NEAR (fft.getRealPart()[k], std::sqrt (2.0), 1.0e-6) << k;
        ASSERT_NEAR (fft.getImagPart()[k], 0.0, 1.0e-6) << k;
    }
}

TEST_P (FFTUtilsTest, GettersAndSettersCopyExactlyHalfAFrame)
{
    FFTUtils fft (1024);
    ASSERT_TRUE (fft.setSize (8)); // 128 bins
    std::vector<float> source (128);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<float> (i) + 0.5f;

    fft.setAmplitudes (source.data());
    fft.setFrequences (source.data());
    fft.setPhases (source.data());
    using Getter = float* (FFTUtils::*) (float*);
    for (Getter get : { &FFTUtils::getAmplitudes, &FFTUtils::getFrequences, &FFTUtils::getPhases })
    {
        float* internal = (fft.*get) (nullptr);
        std::vector<float> destination (130, -7.0f);
        EXPECT_EQ ((fft.*get) (destination.data()), internal);
        for (size_t i = 0; i < 128; ++i)
            EXPECT_EQ (destination[i], source[i]);
        EXPECT_EQ (destination[128], -7.0f);
        EXPECT_EQ (destination[129], -7.0f);
    }
}

// Resynthesis of stationary sinusoids over many hops: the synthesised
// spectrum of the bins around each sinusoid must keep the phase a
// double-precision accumulation of the analysed frequencies gives. A
// single-precision accumulator that is reduced only now and then loses whole
// radians in the high bins within a few hundred hops at these sizes.
TEST_P (FFTUtilsTest, LongStationaryResynthesisKeepsThePhaseOfADoubleReference)
{
    for (int64_t M : { 12, 13 })
    {
        SCOPED_TRACE ("M = " + std::to_string (M));
        const int64_t N = int64_t (1) << M;
        const int64_t hop = N / 4;
        const int hops = 200;
        FFTUtils fft (8196);
        ASSERT_TRUE (fft.setSize (M));

        // Sinusoids low, in the middle and high in the spectrum.
        const double cycles[] = { 5.3, static_cast<double> (N) * 0.21 + 0.5, static_cast<double> (N) * 0.46 + 0.37 };
        std::vector<int64_t> bins;
        for (double c : cycles)
            for (int64_t k = static_cast<int64_t> (c) - 1; k <= static_cast<int64_t> (c) + 2; ++k)
                bins.push_back (k);
        std::vector<float> signal (static_cast<size_t> (N + hops * hop));
        for (size_t n = 0; n < signal.size(); ++n)
        {
            double sum = 0.0;
            for (size_t s = 0; s < std::size (cycles); ++s)
                sum += 0.3 * std::cos (kTwoPi * cycles[s] * static_cast<double> (n) / static_cast<double> (N) + 0.1 + static_cast<double> (s));
            signal[n] = static_cast<float> (sum);
        }

        const float binHz = fft.sampleRate.load() / static_cast<float> (N);
        const double phaseStep = static_cast<double> (static_cast<float> (kTwoPi / 4.0)) / static_cast<double> (binHz);
        std::vector<double> reference (bins.size());
        double worst = 0.0;

        for (int t = 0; t < hops; ++t)
        {
            std::vector<float> data (signal.begin() + t * hop, signal.begin() + t * hop + N);
            fft.analyse (data.data());
            const float* frequences = fft.getFrequences (nullptr);
            const float* phases = fft.getPhases (nullptr);
            const float* amplitudes = fft.getAmplitudes (nullptr);
            for (size_t b = 0; b < bins.size(); ++b)
            {
                const auto k = static_cast<size_t> (bins[b]);
                reference[b] = t == 0 ? static_cast<double> (phases[k])
                                      : std::fmod (reference[b] + static_cast<double> (frequences[k]) * phaseStep, kTwoPi);
            }

            fft.synthesis (data.data());
            for (size_t b = 0; b < bins.size(); ++b)
            {
                const auto k = static_cast<size_t> (bins[b]);
                const double a = static_cast<double> (amplitudes[k]) * std::sqrt (2.0);
                worst = std::max (worst, std::abs (fft.getRealPart()[k] - a * std::cos (reference[b])) / a);
                worst = std::max (worst, std::abs (fft.getImagPart()[k] - a * std::sin (reference[b])) / a);
            }
            for (float v : data)
                ASSERT_TRUE (std::isfinite (v));
        }
        EXPECT_LT (worst, 1.0e-5);
    }
}

TEST_P (FFTUtilsTest, ABadFrequencyDoesNotPoisonItsBin)
{
    FFTUtils fft (1024);
    const int64_t bins = fft.getFftSize() / 2;
    std::vector<float> amplitudes (static_cast<size_t> (bins), 1.0f);
    std::vector<float> frequences (static_cast<size_t> (bins), 440.0f);
    std::vector<float> data (static_cast<size_t> (fft.getFftSize()));
    fft.setAmplitudes (amplitudes.data());
    fft.setFrequences (frequences.data());
    fft.synthesis (data.data());

    fft.getFrequences (nullptr)[3] = std::numeric_limits<float>::quiet_NaN();
    fft.getFrequences (nullptr)[4] = std::numeric_limits<float>::infinity();
    fft.getFrequences (nullptr)[5] = 3.0e38f;
    fft.synthesis (data.data());
    fft.setFrequences (frequences.data());
    fft.synthesis (data.data());
    for (float v : data)
        ASSERT_TRUE (std::isfinite (v));
    for (int64_t k = 3; k <= 5; ++k)
        EXPECT_NEAR (std::hypot (fft.getRealPart()[k], fft.getImagPart()[k]), std::sqrt (2.0), 1.0e-5) << k;
}

TEST_P (FFTUtilsTest, FrameOperationsAllocateNothing)
{
    FFTUtils fft (8192);
    ASSERT_TRUE (fft.setSize (13));
    std::vector<float> data (8192, 0.25f);
    AllocationCounter count;
    fft.analyse (data.data());
    fft.synthesis (data.data());
    fft.directFFT (data.data());
    fft.inverseFFT (data.data());
    EXPECT_EQ (count.allocations(), 0u);
}

TEST_P (FFTUtilsTest, LastObjectFreesTheTablesAndANewOneStartsAfresh)
{
    ASSERT_EQ (FFTUtils::getNumObjects(), 0);
    {
        FFTUtils a (4096);
        auto b = std::make_unique<FFTUtils> (4096);
        ASSERT_TRUE (b->setSize (12));
        EXPECT_EQ (FFTUtils::getNumObjects(), 2);
        b.reset();
        EXPECT_TRUE (fftIsReady (12)); // a is still alive
    }
    EXPECT_EQ (FFTUtils::getNumObjects(), 0);
    EXPECT_FALSE (fftIsReady (10));
    EXPECT_FALSE (fftIsReady (12));

    FFTUtils fresh (1024);
    EXPECT_TRUE (fftIsReady (10));
    std::vector<float> data (1024, 0.5f);
    fresh.analyse (data.data());
    EXPECT_NEAR (fresh.getRealPart()[0], 0.5 * 1023.0 * 0.5, 1.0e-2); // DC of the windowed constant
}

INSTANTIATE_TEST_SUITE_P (KernelSets,
                          FFTUtilsTest,
                          ::testing::Values (FftKernelSet::generic, FftKernelSet::sse2, FftKernelSet::avx2),
                          [] (const auto& info) { return std::string (fftKernelSetName (info.param)); });
} // namespace
