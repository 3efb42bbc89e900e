// Variable speed and sample-rate conversion of the streaming reader: unit
// rate reproduces the input, resampled tones keep the right frequency, tones
// above the new Nyquist are attenuated, reversal passes through zero, speed 0
// and extreme speed x ratio products stay bounded.
#include "MyAudioReader.h"
#include "PlayerTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr double testRate = 32768.0;
constexpr int piece = MyAudioReader::blockFrames;

std::unique_ptr<MyAudioReader> openOffline (const juce::File& file, bool multichannel = false)
{
    auto reader = std::make_unique<MyAudioReader> (file, multichannel, 1);
    reader->nonRealTime = true;
    reader->runNonRealTime();
    return reader;
}

// Plays blocks of one piece; returns channel 0 and the positions.
void playBlocks (MyAudioReader& reader, int blocks, std::vector<float>& out, std::vector<float>& positions,
                 int channels = 2)
{
    juce::AudioBuffer<float> buffer (channels, piece);
    for (int b = 0; b < blocks; ++b)
    {
        buffer.clear();
        positions.push_back (reader.processBlock (buffer));
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < piece; ++i)
                if (! std::isfinite (buffer.getSample (c, i)))
                    ADD_FAILURE() << "non-finite sample at block " << b;
        out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + piece);
    }
}

SampleFunction sine (double hz, float amplitude = 0.5f)
{
    return [hz, amplitude] (int, juce::int64 k) {
        return amplitude * (float) std::sin (2.0 * juce::MathConstants<double>::pi * hz * (double) k / testRate);
    };
}

// Cycles per output frame from the rising zero crossings of x[from, to).
double measuredFrequency (const std::vector<float>& x, size_t from, size_t to)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
    {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f)
        {
            const double at = (double) (i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0.0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    }
    return crossings > 0 ? crossings / (last - first) : 0.0;
}

double rms (const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += (double) x[i] * x[i];
    return std::sqrt (sum / (double) (to - from));
}

class ResamplingTest : public TempFolderTest
{
};
} // namespace

TEST_F (ResamplingTest, UnitRateReproducesTheInputExactly)
{
    const juce::int64 length = 30000;
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, length));
    reader->setPlayMode (2);
    reader->setVariableSpeed (1.0f);
    reader->requestInitBuffer (false, 0);
    reader->startPlay (false);

    std::vector<float> out, positions;
    playBlocks (*reader, 40, out, positions);
    ASSERT_EQ (reader->transportState.load(), MyAudioReader::Stopped);

    // After the fade-in block every frame is the file's own frame, up to the
    // 1024-frame fade-out at the end.
    for (juce::int64 k = piece; k < length - piece; ++k)
        ASSERT_EQ (out[(size_t) k], rampSample (0, k)) << k;
    for (int i = 0; i < piece; ++i)
        ASSERT_EQ (out[(size_t) (length - piece + i)], rampSample (0, length - piece + i) * (1.0f - (float) i * (1.0f / piece)));
    for (int b = 0; b < 29; ++b)
        EXPECT_EQ (positions[(size_t) b], (float) (b * piece / testRate));
}

TEST_F (ResamplingTest, ResampledSineHasTheRightFrequencyAndLevel)
{
    const double hz = 1000.0;
    const auto file = wavFile ("sine.wav", testRate, 2, (juce::int64) (4 * testRate), 32, sine (hz));
    for (const float ratio : { 0.5f, 2.0f })
    {
        SCOPED_TRACE ("ratio " + std::to_string (ratio));
        auto reader = openOffline (file);
        reader->setSrMode (ratio); // normal mode, converted
        reader->requestInitBuffer (false, 0);
        reader->startPlay (false);
        std::vector<float> out, positions;
        playBlocks (*reader, 40, out, positions);

        const double expected = hz / testRate * ratio;
        EXPECT_NEAR (measuredFrequency (out, 2 * piece, out.size()), expected, expected * 0.002);
        EXPECT_NEAR (rms (out, 2 * piece, out.size()), 0.5 / std::sqrt (2.0), 0.005);
        EXPECT_NEAR (positions[20] - positions[10], 10 * piece * ratio / testRate, 1e-4);
    }
}

TEST_F (ResamplingTest, ToneAboveTheNewNyquistIsAttenuated)
{
    // 12 kHz at 32768 Hz: kept at ratio 0.5, above the Nyquist at ratio 2.
    const auto file = wavFile ("high.wav", testRate, 2, (juce::int64) (4 * testRate), 32, sine (12000.0));
    struct Case
    {
        float ratio;
        double minRms, maxRms;
    };
    for (const auto& c : { Case { 0.5f, 0.35, 0.36 }, Case { 2.0f, 0.0, 0.35e-3 } })
    {
        SCOPED_TRACE ("ratio " + std::to_string (c.ratio));
        auto reader = openOffline (file);
        reader->setSrMode (c.ratio);
        reader->requestInitBuffer (false, 0);
        reader->startPlay (false);
        std::vector<float> out, positions;
        playBlocks (*reader, 30, out, positions);
        const double level = rms (out, 2 * piece, out.size());
        EXPECT_GE (level, c.minRms);
        EXPECT_LE (level, c.maxRms);
    }
}

TEST_F (ResamplingTest, ReversalRampsThroughZeroAndPlaysBackwards)
{
    auto reader = openOffline (wavFile ("sine.wav", testRate, 2, (juce::int64) (6 * testRate), 32, sine (440.0)));
    reader->setPlayMode (2);
    reader->setTimePosition (2.0f);
    reader->startPlay (false);
    std::vector<float> out, positions;
    playBlocks (*reader, 10, out, positions);

    reader->setVariableSpeed (-1.0f);
    playBlocks (*reader, 60, out, positions);

    // The block-to-block steps go from +1024 frames to -1024 frames without
    // ever growing: the rate ramps down through zero, then backwards.
    const double stepFrames = piece / testRate;
    std::vector<double> steps;
    for (size_t b = 2; b < positions.size(); ++b)
        steps.push_back ((double) positions[b] - positions[b - 1]);
    EXPECT_NEAR (steps.front(), stepFrames, 1e-6);
    EXPECT_NEAR (steps.back(), -stepFrames, 1e-6);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_LE (steps[i], steps[i - 1] + 1e-6) << i;

    // No jump in the audio: a 440 Hz sine moves less than 0.05 per frame.
    for (size_t i = 2 * piece; i < out.size(); ++i)
        ASSERT_LT (std::abs (out[i] - out[i - 1]), 0.05f) << i;
}

TEST_F (ResamplingTest, BackwardsWithoutLoopFadesOutAtTheStartAndStops)
{
    const juce::int64 length = 12000;
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, length));
    reader->setPlayMode (2);
    reader->setVariableSpeed (-1.0f);
    reader->setTimePosition ((float) (length / testRate));
    reader->startPlay (false);
    std::vector<float> out, positions;
    playBlocks (*reader, 20, out, positions);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Stopped);

    // Output frame j plays file frame length - j; the last 1024 frames before
    // the loop start fade out.
    for (juce::int64 j = piece; j < length - 2 * piece; ++j)
        ASSERT_EQ (out[(size_t) j], rampSample (0, length - j)) << j;
    const juce::int64 fadeStart = length - piece;
    for (int i = 0; i < piece; ++i)
        ASSERT_EQ (out[(size_t) (fadeStart + i)], rampSample (0, piece - i) * (1.0f - (float) i * (1.0f / piece))) << i;
}

TEST_F (ResamplingTest, BackwardsWithLoopWrapsToTheLoopEnd)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 40000));
    reader->setPlayMode (2);
    reader->setVariableSpeed (-1.0f);
    reader->setLoop (true);
    reader->setLoop (8192.0 / testRate, 16384.0 / testRate);
    reader->setTimePosition ((float) (16384.0 / testRate));
    reader->startPlay (false);
    std::vector<float> out, positions;
    playBlocks (*reader, 30, out, positions);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
    int wraps = 0;
    for (size_t b = 1; b < positions.size(); ++b)
    {
        EXPECT_GE (positions[b], (float) (8192.0 / testRate));
        EXPECT_LE (positions[b], (float) (16384.0 / testRate));
        if (positions[b] > positions[b - 1])
            ++wraps;
    }
    EXPECT_GE (wraps, 2);
}

TEST_F (ResamplingTest, SpeedZeroHoldsThePosition)
{
    auto reader = openOffline (wavFile ("sine.wav", testRate, 2, (juce::int64) (2 * testRate), 32, sine (440.0)));
    reader->setPlayMode (2);
    reader->startPlay (false);
    std::vector<float> out, positions;
    playBlocks (*reader, 4, out, positions);
    reader->setVariableSpeed (0.0f);
    playBlocks (*reader, 40, out, positions);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
    for (size_t b = positions.size() - 10; b < positions.size(); ++b)
        EXPECT_EQ (positions[b], positions.back());
}

// The speed x ratio product is clamped and the read window always fits its
// buffer, for every kernel width (2, 12 and 40 channels give m = 127, 63, 15).
TEST_F (ResamplingTest, ExtremeRatesStayInBoundsAndEnd)
{
    struct Case
    {
        int channels;
        float speed;
    };
    for (const auto& c : { Case { 2, 2.0f }, Case { 2, -2.0f }, Case { 2, 0.37f }, Case { 12, -2.0f }, Case { 40, 2.0f } })
    {
        SCOPED_TRACE (std::to_string (c.channels) + " channels, speed " + std::to_string (c.speed));
        const juce::int64 length = 40000;
        auto reader = openOffline (wavFile ("wide.wav", testRate, c.channels, length, 32, sine (440.0)), true);
        reader->setPlayMode (2);
        reader->setSrMode (24.0f);
        reader->setVariableSpeed (c.speed);
        reader->setTimePosition (c.speed < 0.0f ? (float) (length / testRate) : 0.0f);
        reader->startPlay (false);
        std::vector<float> out, positions;
        playBlocks (*reader, 10, out, positions, c.channels);
        EXPECT_EQ (reader->transportState.load(), MyAudioReader::Stopped);
        for (float x : out)
            ASSERT_LE (std::abs (x), 1.0f);
    }
}

TEST_F (ResamplingTest, NormalModeWithConversionResetsTheSpeed)
{
    MyAudioReader reader (wavFile ("ramp.wav", testRate, 2, 50000), false, 1);
    reader.setSrMode (2.0f);
    reader.setPlayMode (2);
    reader.setVariableSpeed (0.75f);
    reader.requestInitBuffer (true, 0);
    EXPECT_DOUBLE_EQ (reader.currentRate.load(), 1.5);
    reader.setPlayMode (0);
    EXPECT_EQ (reader.variableSpeed.load(), 1.0);
    reader.setPlayMode (1); // not a mode: ignored
    EXPECT_EQ (reader.playMode.load(), 0);
}

TEST_F (ResamplingTest, VariableReaderRefusesOverlongBlocks)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 10000));
    EXPECT_FALSE (reader->variableReader (0));
    EXPECT_FALSE (reader->variableReader (MyAudioReader::blockFrames + 1));
    EXPECT_TRUE (reader->variableReader (MyAudioReader::blockFrames));
}
