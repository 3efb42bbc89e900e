#pragma once
// Sound files generated for the player tests, in a temporary folder that
// each fixture creates and removes.
#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using SampleFunction = std::function<float (int channel, juce::int64 frame)>;

// Frame k of channel c holds (k + 1) / 2^20, negated on odd channels: exact in
// float, unique per frame, so a played frame tells where it came from.
inline float rampSample (int channel, juce::int64 frame)
{
    const float v = (float) (frame + 1) / 1048576.0f;
    return (channel & 1) != 0 ? -v : v;
}

inline bool writeSoundFile (const juce::File& file, juce::AudioFormat& format, double sampleRate, int channels,
                            juce::int64 frames, int bits, const SampleFunction& sample)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        format.createWriterFor (stream.get(), sampleRate, (unsigned int) channels, bits, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release();

    juce::AudioBuffer<float> chunk (channels, 4096);
    for (juce::int64 pos = 0; pos < frames;)
    {
        const int n = (int) std::min<juce::int64> (4096, frames - pos);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                chunk.setSample (c, i, sample (c, pos + i));
        if (! writer->writeFromAudioSampleBuffer (chunk, 0, n))
            return false;
        pos += n;
    }
    return true;
}

// Reads a whole file into a buffer (channels x frames).
inline bool readSoundFile (const juce::File& file, juce::AudioBuffer<float>& out, double* sampleRate = nullptr)
{
    juce::AudioFormatManager manager;
    manager.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (manager.createReaderFor (file));
    if (reader == nullptr)
        return false;
    out.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
    if (sampleRate != nullptr)
        *sampleRate = reader->sampleRate;
    return reader->read (&out, 0, (int) reader->lengthInSamples, 0, true, true);
}

class TempFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("vokt_player_" + juce::String::toHexString (juce::Random().nextInt64()));
        ASSERT_TRUE (folder.createDirectory());
    }
    void TearDown() override { folder.deleteRecursively(); }

    juce::File wavFile (const juce::String& name, double sampleRate, int channels, juce::int64 frames, int bits = 32,
                        const SampleFunction& sample = rampSample)
    {
        const auto file = folder.getChildFile (name);
        juce::WavAudioFormat wav;
        EXPECT_TRUE (writeSoundFile (file, wav, sampleRate, channels, frames, bits, sample));
        return file;
    }

    juce::File folder;
};
