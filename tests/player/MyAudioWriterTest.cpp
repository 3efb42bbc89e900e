// Recorder: record modes, sample formats, split into mono files, read-back
// accuracy, append across sessions, dropped frames, refused takes and the
// allocation-free audio path.
#include "MyAudioWriter.h"
#include "PlayerTestFiles.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr double recordRate = 48000.0;

// A take's frame k of channel c: a different sine per channel, never at full
// scale, so integer formats need no clipping.
float takeSample (int take, int channel, juce::int64 k)
{
    return 0.7f * (float) std::sin (0.001 * (double) (k + 1) * (channel + 1) + take);
}

// Pushes `frames` frames in device-sized blocks, as the audio thread would.
void recordTake (MyAudioWriter& writer, int take, int channels, int frames, int blockSize = 512)
{
    juce::AudioBuffer<float> block (channels, blockSize);
    for (int pos = 0; pos < frames; pos += blockSize)
    {
        const int n = std::min (blockSize, frames - pos);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                block.setSample (c, i, takeSample (take, c, pos + i));
        writer.pushBlock (block.getArrayOfReadPointers(), channels, n);
        juce::Thread::sleep (1);
    }
}

// One LSB of the format, 0 for float.
float tolerance (int bitsIndex)
{
    return bitsIndex == 0 ? 1.0f / 32768.0f : bitsIndex == 1 ? 1.0f / 8388608.0f : 0.0f;
}

// Checks that `file` holds the takes, one after the other.
void expectTakes (const juce::File& file, int channels, std::initializer_list<std::pair<int, int>> takes, int bitsIndex)
{
    juce::AudioBuffer<float> data;
    double rate = 0.0;
    ASSERT_TRUE (readSoundFile (file, data, &rate)) << file.getFullPathName();
    EXPECT_EQ (rate, recordRate);
    ASSERT_EQ (data.getNumChannels(), channels);
    int total = 0;
    for (const auto& t : takes)
        total += t.second;
    ASSERT_EQ (data.getNumSamples(), total);
    int at = 0;
    for (const auto& [take, frames] : takes)
    {
        for (int c = 0; c < channels; ++c)
            for (int k = 0; k < frames; ++k)
                ASSERT_NEAR (data.getSample (c, at + k), takeSample (take, c, k), tolerance (bitsIndex))
                    << "take " << take << ", channel " << c << ", frame " << k;
        at += frames;
    }
}

class WriterTest : public TempFolderTest
{
};
} // namespace

TEST_F (WriterTest, RecordsEveryModeFormatAndSplit)
{
    const juce::String modes[] = { "overwrite", "append", "rename" };
    for (int mode = 0; mode < 3; ++mode)
        for (int bits = 0; bits < 3; ++bits)
            for (const bool split : { false, true })
            {
                SCOPED_TRACE (modes[mode] + ", bits " + juce::String (bits) + (split ? ", split" : ""));
                const auto dir = folder.getChildFile (modes[mode] + juce::String (bits) + (split ? "s" : ""));
                ASSERT_TRUE (dir.createDirectory());
                const auto file = dir.getChildFile ("take.wav");
                juce::File recorded = file;

                if (mode != 1)
                {
                    // An earlier recording that overwrite replaces and rename keeps.
                    juce::WavAudioFormat wav;
                    ASSERT_TRUE (writeSoundFile (file, wav, recordRate, 2, 100, 16, [] (int, juce::int64) { return 0.25f; }));
                }
                {
                    MyAudioWriter writer (file, recordRate, 2, split);
                    writer.setRecordMode (mode);
                    writer.setRecordBits (bits);
                    ASSERT_TRUE (writer.startRecord());
                    recordTake (writer, 0, 2, 7000);
                    writer.stopRecord();
                    if (mode == 1)
                    {
                        ASSERT_TRUE (writer.startRecord());
                        recordTake (writer, 1, 2, 3000);
                        writer.stopRecord();
                    }
                    EXPECT_EQ (writer.droppedFrames.load(), 0);
                    recorded = writer.outputFile;
                }

                if (mode == 2)
                {
                    EXPECT_EQ (recorded, dir.getChildFile ("take(2).wav"));
                    juce::AudioBuffer<float> old;
                    ASSERT_TRUE (readSoundFile (file, old));
                    EXPECT_EQ (old.getNumSamples(), 100);
                }
                else
                {
                    EXPECT_EQ (recorded, file);
                }

                if (mode == 1)
                    expectTakes (recorded, 2, { { 0, 7000 }, { 1, 3000 } }, bits);
                else
                    expectTakes (recorded, 2, { { 0, 7000 } }, bits);

                // Append keeps its file open for the next take and never splits.
                const auto left = recorded.getSiblingFile (recorded.getFileNameWithoutExtension() + ".L.wav");
                const auto right = recorded.getSiblingFile (recorded.getFileNameWithoutExtension() + ".R.wav");
                EXPECT_EQ (left.existsAsFile(), split && mode != 1);
                EXPECT_EQ (right.existsAsFile(), split && mode != 1);
                if (split && mode != 1)
                {
                    // The mono files hold exactly the recorded values.
                    juce::AudioBuffer<float> all, l, r;
                    ASSERT_TRUE (readSoundFile (recorded, all));
                    ASSERT_TRUE (readSoundFile (left, l));
                    ASSERT_TRUE (readSoundFile (right, r));
                    ASSERT_EQ (l.getNumChannels(), 1);
                    ASSERT_EQ (l.getNumSamples(), 7000);
                    ASSERT_EQ (r.getNumSamples(), 7000);
                    for (int k = 0; k < 7000; ++k)
                    {
                        ASSERT_EQ (l.getSample (0, k), all.getSample (0, k)) << k;
                        ASSERT_EQ (r.getSample (0, k), all.getSample (1, k)) << k;
                    }
                }
            }
}

TEST_F (WriterTest, SplitSuffixesFollowTheChannelCount)
{
    struct Case
    {
        int channels;
        std::vector<const char*> suffixes;
    };
    const Case cases[] = {
        { 3, { "1", "2", "3" } },
        { 4, { "L", "R", "Ls", "Rs" } },
        { 5, { "L", "R", "Ls", "Rs", "C" } },
        { 6, { "L", "R", "C", "LFE", "Ls", "Rs" } },
        { 7, { "1", "2", "3", "4", "5", "6", "7" } },
        { 40, {} },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::to_string (c.channels) + " channels");
        const auto dir = folder.getChildFile ("split" + juce::String (c.channels));
        ASSERT_TRUE (dir.createDirectory());
        MyAudioWriter writer (dir.getChildFile ("take.wav"), recordRate, c.channels, true);
        writer.setRecordBits (2);
        ASSERT_TRUE (writer.startRecord());
        recordTake (writer, 0, c.channels, 700); // shorter than one split chunk
        writer.stopRecord();

        std::vector<juce::String> expected;
        for (const char* s : c.suffixes)
            expected.push_back (s);
        if (expected.empty())
            for (int i = 1; i <= c.channels; ++i)
                expected.push_back (juce::String (i));

        for (int ch = 0; ch < c.channels; ++ch)
        {
            const auto mono = dir.getChildFile ("take." + expected[(size_t) ch] + ".wav");
            juce::AudioBuffer<float> data;
            ASSERT_TRUE (readSoundFile (mono, data)) << mono.getFileName();
            ASSERT_EQ (data.getNumSamples(), 700);
            EXPECT_EQ (data.getSample (0, 99), takeSample (0, ch, 99));
        }
    }
}

TEST_F (WriterTest, AppendTakeIsReadableBeforeTheWriterCloses)
{
    const auto file = folder.getChildFile ("take.wav");
    MyAudioWriter writer (file, recordRate, 2, false);
    writer.setRecordMode (1);
    writer.setRecordBits (1);
    ASSERT_TRUE (writer.startRecord());
    recordTake (writer, 0, 2, 5000);
    writer.stopRecord();
    ASSERT_NE (writer.writer, nullptr); // kept open for the next take
    expectTakes (file, 2, { { 0, 5000 } }, 1);
}

TEST_F (WriterTest, AppendContinuesAFileFromAnEarlierSession)
{
    const auto file = folder.getChildFile ("take.wav");
    {
        MyAudioWriter first (file, recordRate, 2, false);
        first.setRecordBits (1);
        ASSERT_TRUE (first.startRecord());
        recordTake (first, 0, 2, 4000);
        first.stopRecord();
    }
    {
        MyAudioWriter second (file, recordRate, 2, false);
        second.setRecordMode (1);
        second.setRecordBits (0); // the file keeps its own format
        ASSERT_TRUE (second.startRecord());
        recordTake (second, 1, 2, 2500);
        second.stopRecord();
    }
    expectTakes (file, 2, { { 0, 4000 }, { 1, 2500 } }, 1);
    EXPECT_EQ (folder.findChildFiles (juce::File::findFiles, false).size(), 1);
}

TEST_F (WriterTest, AppendToAFileWithOtherChannelsIsRefusedAndKeepsIt)
{
    const auto file = wavFile ("take.wav", recordRate, 1, 1000, 16);
    const auto before = file.getSize();
    MyAudioWriter writer (file, recordRate, 2, false);
    writer.setRecordMode (1);
    EXPECT_FALSE (writer.startRecord());
    EXPECT_FALSE (writer.recording.load());
    recordTake (writer, 0, 2, 1000);
    EXPECT_EQ (writer.samplesWritten.load(), 0);
    EXPECT_EQ (file.getSize(), before);
}

TEST_F (WriterTest, NoFrameIsWrittenWithoutAWriter)
{
    const auto file = folder.getChildFile ("missing").getChildFile ("take.wav");
    MyAudioWriter writer (file, recordRate, 2, true);
    EXPECT_FALSE (writer.startRecord());
    recordTake (writer, 0, 2, 2000);
    writer.stopRecord();
    EXPECT_EQ (writer.samplesWritten.load(), 0);
    EXPECT_FALSE (file.exists());
}

TEST_F (WriterTest, FramesThatFindNoRoomAreCounted)
{
    const auto file = folder.getChildFile ("take.wav");
    MyAudioWriter writer (file, recordRate, 2, false);
    ASSERT_TRUE (writer.startRecord());
    // Ten seconds pushed at once: far more than the ring holds before the
    // recorder thread's next pass.
    juce::AudioBuffer<float> block (2, 48000);
    block.clear();
    for (int i = 0; i < 10; ++i)
        writer.pushBlock (block);
    writer.stopRecord();
    EXPECT_GT (writer.droppedFrames.load(), 0);
    EXPECT_EQ (writer.samplesWritten.load() + writer.droppedFrames.load(), 480000);
    juce::AudioBuffer<float> data;
    ASSERT_TRUE (readSoundFile (file, data));
    EXPECT_EQ (data.getNumSamples(), writer.samplesWritten.load());
}

TEST_F (WriterTest, MissingChannelsAreRecordedAsSilenceAndCountChangesWaitForTheTake)
{
    const auto file = folder.getChildFile ("take.wav");
    MyAudioWriter writer (file, recordRate, 3, false);
    writer.setRecordBits (2);
    ASSERT_TRUE (writer.startRecord());
    writer.setNumChannels (2); // applies when the take ends
    EXPECT_EQ (writer.numChannels, 3);
    recordTake (writer, 0, 2, 1500);
    writer.stopRecord();
    EXPECT_EQ (writer.numChannels, 2);

    juce::AudioBuffer<float> data;
    ASSERT_TRUE (readSoundFile (file, data));
    ASSERT_EQ (data.getNumChannels(), 3);
    EXPECT_EQ (data.getSample (0, 10), takeSample (0, 0, 10));
    EXPECT_EQ (data.getSample (2, 10), 0.0f);

    writer.setNumChannels (0);
    writer.setNumChannels (65);
    EXPECT_EQ (writer.numChannels, 2);
}

TEST_F (WriterTest, PushBlockAllocatesNothing)
{
    MyAudioWriter writer (folder.getChildFile ("take.wav"), recordRate, 2, false);
    ASSERT_TRUE (writer.startRecord());
    juce::AudioBuffer<float> block (2, 2048);
    block.clear();
    {
        AllocationCounter counter;
        for (int i = 0; i < 20; ++i)
            writer.pushBlock (block);
        EXPECT_EQ (counter.allocations(), 0u);
    }
    writer.stopRecord();
}

TEST_F (WriterTest, ReadsIntegerFilesScaledAndFillsMissingChannels)
{
    const auto file = wavFile ("mono16.wav", recordRate, 1, 64, 16, [] (int, juce::int64 k) { return (float) k / 32768.0f; });
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));
    ASSERT_NE (reader, nullptr);
    juce::AudioBuffer<float> buffer (2, 40);
    buffer.clear();
    MyAudioWriter::readFromAudioReaderMulti (buffer, reader.get(), 8, 32, 10);
    EXPECT_EQ (buffer.getSample (0, 7), 0.0f);
    for (int i = 0; i < 32; ++i)
    {
        ASSERT_EQ (buffer.getSample (0, 8 + i), (float) (10 + i) / 32768.0f) << i;
        ASSERT_EQ (buffer.getSample (1, 8 + i), buffer.getSample (0, 8 + i)) << i;
    }
}
