// Purity of the resampler: a sine played through a sample-rate conversion or
// a variable speed, its spectrum taken in double precision, the tone's own
// lobe removed. What is left below the passband edge (noise of the kernel
// arithmetic, aliases and images) must stay far below the tone.
#include "MyAudioReader.h"
#include "PlayerTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

namespace
{
constexpr double fileRate = 44100.0;
constexpr int analysisLength = 16384;
constexpr double pi = 3.14159265358979323846;

void fftInPlace (std::vector<std::complex<double>>& x)
{
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i)
    {
        size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap (x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1)
    {
        const double a = -2.0 * pi / (double) len;
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; ++k)
            {
                const std::complex<double> w (std::cos (a * (double) k), std::sin (a * (double) k));
                const auto u = x[i + k];
                const auto v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
    }
}

double besselI0 (double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 200 && term > 1e-20 * sum; ++k)
    {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

struct Purity
{
    double worstBinDb;   // largest bin outside the tone's lobe, relative to the tone's peak bin
    double residualDb;   // all power outside the lobe, relative to the tone's power
};

// Spectrum of y under a Kaiser window (beta 20: side lobes far below anything
// measured here). The references are those of a sine of the given amplitude,
// so a tone that the resampler rightly removes still has its aliases measured.
Purity measurePurity (const std::vector<float>& y, double amplitude, double toneHz, double outputRate, double passbandHz)
{
    const int n = analysisLength;
    const double beta = 20.0;
    std::vector<std::complex<double>> x ((size_t) n);
    double windowSum = 0.0, windowSquares = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double r = 2.0 * i / (n - 1) - 1.0;
        const double w = besselI0 (beta * std::sqrt (std::max (0.0, 1.0 - r * r))) / besselI0 (beta);
        windowSum += w;
        windowSquares += w * w;
        x[(size_t) i] = (double) y[(size_t) i] * w;
    }
    fftInPlace (x);

    // A sine of this amplitude peaks at (a/2 sum w)^2 and puts (a/2)^2 n sum w^2
    // into its positive-frequency lobe.
    const double tonePeak = std::pow (0.5 * amplitude * windowSum, 2.0);
    const double tonePower = 0.25 * amplitude * amplitude * n * windowSquares;

    const double binHz = outputRate / n;
    const auto toneBin = (int) std::lround (toneHz / binHz);
    const int lobe = 16;
    const auto lastBin = std::min (n / 2, (int) (passbandHz / binHz));
    double worst = 1e-300, rest = 1e-300;
    for (int k = 0; k <= lastBin; ++k)
    {
        if (std::abs (k - toneBin) <= lobe)
            continue;
        const double p = std::norm (x[(size_t) k]);
        worst = std::max (worst, p);
        rest += p;
    }
    return { 10.0 * std::log10 (worst / tonePeak), 10.0 * std::log10 (rest / tonePower) };
}

class ResamplerQualityTest : public TempFolderTest
{
};

// Every case plays a sine at `toneHz` from a 44.1 kHz file. The passband is
// what the file holds below 20 kHz, at the played rate, and below the
// output's own 20 kHz.
TEST_F (ResamplerQualityTest, ResidualAndAliasesStayFarBelowTheTone)
{
    struct Case
    {
        const char* what;
        float srRatio;   // file rate / device rate
        float speed;     // 0: normal mode
        double toneHz;
    };
    const Case cases[] = {
        { "44.1 to 48 kHz", (float) (44100.0 / 48000.0), 0.0f, 1000.0 },
        { "44.1 to 48 kHz", (float) (44100.0 / 48000.0), 0.0f, 10000.0 },
        { "44.1 to 48 kHz", (float) (44100.0 / 48000.0), 0.0f, 20000.0 },
        { "speed 0.5", 1.0f, 0.5f, 1000.0 },
        { "speed 0.5", 1.0f, 0.5f, 10000.0 },
        { "speed 0.5", 1.0f, 0.5f, 20000.0 },
        { "speed 1.5", 1.0f, 1.5f, 1000.0 },
        { "speed 1.5", 1.0f, 1.5f, 10000.0 },
        { "speed 1.5", 1.0f, 1.5f, 20000.0 },
    };

    for (const auto& c : cases)
    {
        const double hz = c.toneHz;
        const auto file = wavFile ("tone.wav", fileRate, 1, (juce::int64) (1.0 * fileRate), 32,
                                   [hz] (int, juce::int64 k) { return (float) (0.5 * std::sin (2.0 * pi * hz * (double) k / fileRate)); });
        auto reader = std::make_unique<MyAudioReader> (file, false, 1);
        reader->nonRealTime = true;
        reader->runNonRealTime();
        if (c.speed != 0.0f)
        {
            reader->setPlayMode (2);
            reader->setVariableSpeed (c.speed);
        }
        else
            reader->setSrMode (c.srRatio);
        reader->requestInitBuffer (false, 0);
        reader->startPlay (false);

        const int skip = 4 * MyAudioReader::blockFrames;
        std::vector<float> out;
        juce::AudioBuffer<float> buffer (2, MyAudioReader::blockFrames);
        while ((int) out.size() < skip + analysisLength)
        {
            buffer.clear();
            reader->processBlock (buffer);
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + buffer.getNumSamples());
        }
        out.erase (out.begin(), out.begin() + skip);

        // Input frames per output frame, as the reader computes it.
        const double rate = c.speed != 0.0f ? (double) c.speed : (double) c.srRatio;
        const double outputRate = c.speed != 0.0f ? fileRate : fileRate / (double) c.srRatio;
        const double playedHz = hz * rate * outputRate / fileRate;
        const double passband = std::min (20000.0 * rate * outputRate / fileRate, 20000.0);
        const Purity p = measurePurity (out, 0.5, playedHz, outputRate, passband);
        std::printf ("%-15s %6.0f Hz: worst bin %7.1f dB, residual %7.1f dB\n", c.what, hz, p.worstBinDb, p.residualDb);
        SCOPED_TRACE (std::string (c.what) + ", " + std::to_string ((int) hz) + " Hz");
        EXPECT_LT (p.worstBinDb, -130.0);
        EXPECT_LT (p.residualDb, -130.0);

        // Slowed down, the output's band above the played file holds the
        // tone's images (a 20 kHz tone at half speed: one at 12.05 kHz).
        if (passband < 20000.0)
        {
            const Purity images = measurePurity (out, 0.5, playedHz, outputRate, 20000.0);
            std::printf ("%-15s %6.0f Hz: up to 20 kHz, worst bin %7.1f dB, residual %7.1f dB\n", c.what, hz,
                         images.worstBinDb, images.residualDb);
            EXPECT_LT (images.worstBinDb, -130.0);
            EXPECT_LT (images.residualDb, -130.0);
        }
    }
}
} // namespace
