// Streaming reader: transport, loop, end of file, short files and seeks near
// the end, file description, and the audio thread's allocation-free path.
// Most tests run the reader offline (nonRealTime), where processBlock refills
// the ring itself, so every frame is deterministic.
#include "MyAudioReader.h"
#include "PlayerTestFiles.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
// A power of two, so that frame / rate x rate is exact in loop and seek times.
constexpr double testRate = 32768.0;
constexpr int piece = MyAudioReader::blockFrames;

float fadeInGain (int i, int n) { return (float) i * (1.0f / (float) n); }
float fadeOutGain (int i, int n) { return 1.0f - (float) i * (1.0f / (float) n); }
float framePosition (juce::int64 frame) { return (float) ((double) frame / testRate); }

std::unique_ptr<MyAudioReader> openOffline (const juce::File& file, bool multichannel = false)
{
    auto reader = std::make_unique<MyAudioReader> (file, multichannel, 1);
    reader->nonRealTime = true;
    // Takes the refill side over from the reader's thread and fills the ring.
    reader->runNonRealTime();
    return reader;
}

struct Played
{
    std::vector<float> left, right;
    std::vector<float> positions; // one per processBlock call
};

void playBlocks (MyAudioReader& reader, int blockSize, int blocks, Played& out, int channels = 2)
{
    juce::AudioBuffer<float> buffer (channels, blockSize);
    for (int b = 0; b < blocks; ++b)
    {
        buffer.clear();
        out.positions.push_back (reader.processBlock (buffer));
        for (int i = 0; i < blockSize; ++i)
        {
            out.left.push_back (buffer.getSample (0, i));
            out.right.push_back (buffer.getSample (1, i));
        }
    }
}

// Plays until the reader has stopped; false when it does not within maxBlocks.
bool playUntilStopped (MyAudioReader& reader, int blockSize, Played& out, int maxBlocks = 400)
{
    for (int b = 0; b < maxBlocks; ++b)
    {
        playBlocks (reader, blockSize, 1, out);
        if (reader.transportState.load() == MyAudioReader::Stopped)
            return true;
    }
    return false;
}

// What the refill puts into the ring for a play without loop over the whole
// file from frame p (the frames, and their file positions).
struct Stream
{
    std::vector<float> values;
    std::vector<juce::int64> frames;
    bool firstBlockStarves = false; // nothing to read before play starts
};

Stream plainStreamToEnd (juce::int64 length, juce::int64 p)
{
    Stream s;
    if (length < 2)
        return s;
    const int fade = (int) std::min<juce::int64> (piece, length / 2);
    const auto add = [&s] (juce::int64 k, float gain) {
        s.values.push_back (rampSample (0, k) * gain);
        s.frames.push_back (k);
    };
    if (p <= length - fade)
    {
        for (juce::int64 k = p; k < length - fade; ++k)
            add (k, 1.0f);
        for (int i = 0; i < fade; ++i)
            add (length - fade + i, fadeOutGain (i, fade));
    }
    else
    {
        s.firstBlockStarves = true;
        const int n = (int) (length - p);
        for (int i = 0; i < n; ++i)
            add (p + i, fadeOutGain (i, n));
    }
    return s;
}

// The loop [start, end) played from start: the first pass has no fade-in.
Stream plainLoopStream (juce::int64 start, juce::int64 end, juce::int64 frames)
{
    Stream s;
    const int fade = (int) std::min<juce::int64> (piece, (end - start) / 2);
    for (bool first = true; (juce::int64) s.values.size() < frames; first = false)
    {
        for (juce::int64 k = start; k < end; ++k)
        {
            float gain = 1.0f;
            if (! first && k < start + fade)
                gain = fadeInGain ((int) (k - start), fade);
            if (k >= end - fade)
                gain = fadeOutGain ((int) (k - (end - fade)), fade);
            s.values.push_back (rampSample (0, k) * gain);
            s.frames.push_back (k);
        }
    }
    return s;
}

// The audio thread's view: the first 1024-frame piece fades in (or is silent
// when starved), then the stream, then silence.
std::vector<float> expectedOutput (const Stream& s, size_t total)
{
    std::vector<float> out (total, 0.0f);
    size_t at = 0;
    if (s.firstBlockStarves)
        at = piece;
    for (size_t k = 0; k < s.values.size() && at + k < total; ++k)
    {
        float v = s.values[k];
        if (! s.firstBlockStarves && k < (size_t) piece)
            v *= fadeInGain ((int) k, piece);
        out[at + k] = v;
    }
    return out;
}

::testing::AssertionResult sameFrames (const std::vector<float>& actual, const std::vector<float>& expected)
{
    for (size_t i = 0; i < std::min (actual.size(), expected.size()); ++i)
        if (actual[i] != expected[i])
            return ::testing::AssertionFailure() << "frame " << i << ": " << actual[i] << " instead of " << expected[i];
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << actual.size() << " frames instead of " << expected.size();
    return ::testing::AssertionSuccess();
}

class ReaderTest : public TempFolderTest
{
};
} // namespace

TEST_F (ReaderTest, PlaysToTheEndWithFadeOutThenStopsAndRewinds)
{
    const juce::int64 length = 10000;
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, length));
    ASSERT_TRUE (reader->isValid());
    EXPECT_EQ (reader->getLoopEnd(), length);

    reader->startPlay (false);
    Played played;
    ASSERT_TRUE (playUntilStopped (*reader, piece, played));

    const auto stream = plainStreamToEnd (length, 0);
    EXPECT_TRUE (sameFrames (played.left, expectedOutput (stream, played.left.size())));
    for (size_t i = 0; i < played.left.size(); ++i)
        ASSERT_EQ (played.right[i], -played.left[i]) << i;

    // Blocks 0..9 play the file; block 10 starts with the end marker and
    // reports the loop end; block 11 applies the stop.
    ASSERT_EQ (played.positions.size(), 12u);
    for (int b = 0; b < 10; ++b)
        EXPECT_EQ (played.positions[(size_t) b], framePosition (b * piece));
    EXPECT_EQ (played.positions[10], framePosition (length));
    EXPECT_EQ (reader->currentTime.load(), framePosition (length));

    // The stop rewound to the loop start: play starts again from frame 0.
    Played again;
    playBlocks (*reader, piece, 1, again); // stopped: silent, serves the rebuild
    reader->startPlay (false);
    playBlocks (*reader, piece, 2, again);
    EXPECT_EQ (again.positions[1], 0.0f);
    EXPECT_EQ (again.left[piece + 1], rampSample (0, 1) * fadeInGain (1, piece));
    EXPECT_EQ (again.left[2 * piece + 5], rampSample (0, piece + 5));
}

TEST_F (ReaderTest, LoopWrapsWithFadeOutAndFadeIn)
{
    const juce::int64 start = 3000, end = 7000;
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 20000));
    reader->setLoop (true);
    reader->setLoop ((double) start / testRate, (double) end / testRate);
    EXPECT_EQ (reader->getLoopStart(), start);
    EXPECT_EQ (reader->getLoopEnd(), end);

    reader->startPlay (false);
    Played played;
    playBlocks (*reader, piece, 16, played); // about four passes of the loop

    const auto stream = plainLoopStream (start, end, (juce::int64) played.left.size());
    EXPECT_TRUE (sameFrames (played.left, expectedOutput (stream, played.left.size())));
    for (size_t b = 0; b < played.positions.size(); ++b)
        EXPECT_EQ (played.positions[b], framePosition (stream.frames[b * piece])) << b;
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
}

TEST_F (ReaderTest, SeekToZeroStartsAtTheLoopStart)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 20000));
    reader->setLoop (4096.0 / testRate, 12288.0 / testRate);
    reader->setTimePosition (0.0f);
    reader->startPlay (false);
    Played played;
    playBlocks (*reader, piece, 2, played);
    EXPECT_EQ (played.positions[0], framePosition (4096));
    EXPECT_EQ (played.left[piece], rampSample (0, 4096 + piece));
}

TEST_F (ReaderTest, PauseFadesOutFreezesAndResumesWhereItStopped)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 100000));
    const int n = 512;
    reader->startPlay (false);
    Played played;
    playBlocks (*reader, n, 5, played);

    reader->pausePlay (false);
    playBlocks (*reader, n, 1, played);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Paused);
    for (int i = 0; i < n; ++i)
        ASSERT_EQ (played.left[(size_t) (5 * n + i)], rampSample (0, 5 * n + i) * fadeOutGain (i, n)) << i;

    playBlocks (*reader, n, 3, played);
    for (int i = 6 * n; i < 9 * n; ++i)
        ASSERT_EQ (played.left[(size_t) i], 0.0f);
    for (int b = 6; b < 9; ++b)
        EXPECT_EQ (played.positions[(size_t) b], framePosition (5 * n));

    reader->startPlay (false);
    playBlocks (*reader, n, 2, played);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
    EXPECT_EQ (played.positions[9], framePosition (6 * n));
    for (int i = 0; i < n; ++i)
        ASSERT_EQ (played.left[(size_t) (9 * n + i)], rampSample (0, 6 * n + i) * fadeInGain (i, n)) << i;
    EXPECT_EQ (played.left[(size_t) (10 * n)], rampSample (0, 7 * n));
}

TEST_F (ReaderTest, StopWhilePausedStaysPausedAndPlayResumes)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 100000));
    reader->startPlay (false);
    Played played;
    playBlocks (*reader, piece, 3, played);
    reader->pausePlay (false);
    playBlocks (*reader, piece, 1, played);

    reader->stopPlay (true);
    playBlocks (*reader, piece, 2, played);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Paused);
    EXPECT_EQ (reader->transportRequest.load(), MyAudioReader::Stopped);

    reader->startPlay (false);
    playBlocks (*reader, piece, 1, played);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
    EXPECT_EQ (played.positions.back(), framePosition (4 * piece));
}

TEST_F (ReaderTest, StopWhilePlayingFadesOutAndRewinds)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 100000));
    reader->startPlay (false);
    Played played;
    playBlocks (*reader, piece, 4, played);
    reader->stopPlay (false);
    playBlocks (*reader, piece, 1, played);
    EXPECT_EQ (reader->transportState.load(), MyAudioReader::Stopped);
    EXPECT_EQ (played.left[(size_t) (4 * piece + 1)], rampSample (0, 4 * piece + 1) * fadeOutGain (1, piece));

    playBlocks (*reader, piece, 1, played);
    reader->startPlay (false);
    playBlocks (*reader, piece, 1, played);
    EXPECT_EQ (played.positions.back(), 0.0f);
}

// Short files, files around one and two fades long, and seeks into the last
// frames, played with 2048-frame blocks (two 1024-frame pieces each): every
// case plays exactly the frames it should, ends, and never reads or puts a
// negative count.
TEST_F (ReaderTest, ShortFilesAndSeeksNearTheEndPlayCorrectlyWithLargeBlocks)
{
    const juce::int64 lengths[] = { 0, 1, 2, 3, 100, 1000, 1024, 1025, 1500, 2047, 2048, 2049, 5000 };
    for (const auto length : lengths)
    {
        const auto file = wavFile ("short" + juce::String (length) + ".wav", testRate, 2, length);
        std::vector<juce::int64> seeks { 0 };
        for (juce::int64 back : { 1, 100, 1023, 1024, 1500 })
            if (length - back > 0)
                seeks.push_back (length - back);

        for (const auto seek : seeks)
        {
            SCOPED_TRACE ("length " + std::to_string (length) + ", seek " + std::to_string (seek));
            auto reader = openOffline (file);
            if (seek != 0)
                reader->setTimePosition ((float) ((double) seek / testRate));
            reader->startPlay (false);

            Played played;
            ASSERT_TRUE (playUntilStopped (*reader, 2048, played));
            const auto stream = plainStreamToEnd (length, seek);
            EXPECT_TRUE (sameFrames (played.left, expectedOutput (stream, played.left.size())));
            EXPECT_EQ (reader->currentTime.load(), framePosition (length));
        }
    }
}

TEST_F (ReaderTest, ShortLoopsKeepPlayingTheirRange)
{
    for (const juce::int64 range : { 2, 3, 50, 1000, 1500, 2048 })
    {
        SCOPED_TRACE ("range " + std::to_string (range));
        const juce::int64 start = 1000;
        auto reader = openOffline (wavFile ("loop.wav", testRate, 2, 10000));
        reader->setLoop (true);
        reader->setLoop ((double) start / testRate, (double) (start + range) / testRate);
        reader->startPlay (false);
        Played played;
        playBlocks (*reader, 2048, 6, played);
        const auto stream = plainLoopStream (start, start + range, (juce::int64) played.left.size());
        EXPECT_TRUE (sameFrames (played.left, expectedOutput (stream, played.left.size())));
        EXPECT_EQ (reader->transportState.load(), MyAudioReader::Playing);
    }
}

TEST_F (ReaderTest, EmptyOrReversedRangeStopsAtOnce)
{
    auto reader = openOffline (wavFile ("ramp.wav", testRate, 2, 10000));
    reader->setLoop (true);
    reader->setLoop (0.2, 0.1); // start after end
    reader->startPlay (false);
    Played played;
    ASSERT_TRUE (playUntilStopped (*reader, piece, played, 10));
    for (float x : played.left)
        ASSERT_EQ (x, 0.0f);
}

TEST_F (ReaderTest, UnreadableFilePlaysSilenceAndNeverHangs)
{
    const auto file = folder.getChildFile ("text.wav");
    ASSERT_TRUE (file.replaceWithText ("not a sound file"));
    auto reader = openOffline (file);
    EXPECT_FALSE (reader->isValid());
    reader->startPlay (false);
    Played played;
    ASSERT_TRUE (playUntilStopped (*reader, piece, played, 10));
    for (float x : played.left)
        ASSERT_EQ (x, 0.0f);
    EXPECT_TRUE (reader->getFileInfos().isEmpty());
}

TEST_F (ReaderTest, ChannelsBeyondTheFileAreSilentUnlessMultichannel)
{
    const auto file = wavFile ("quad.wav", testRate, 4, 20000);
    for (const bool multichannel : { false, true })
    {
        SCOPED_TRACE (multichannel ? "multichannel" : "stereo");
        auto reader = openOffline (file, multichannel);
        EXPECT_EQ (reader->numChannels, multichannel ? 4 : 2);
        reader->startPlay (false);
        juce::AudioBuffer<float> buffer (4, piece);
        for (int b = 0; b < 2; ++b)
        {
            for (int c = 0; c < 4; ++c)
                juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 0.5f, piece);
            reader->processBlock (buffer);
        }
        EXPECT_EQ (buffer.getSample (0, 10), rampSample (0, piece + 10));
        EXPECT_EQ (buffer.getSample (1, 10), rampSample (1, piece + 10));
        EXPECT_EQ (buffer.getSample (2, 10), multichannel ? rampSample (2, piece + 10) : 0.0f);
        EXPECT_EQ (buffer.getSample (3, 10), multichannel ? rampSample (3, piece + 10) : 0.0f);
    }
}

TEST_F (ReaderTest, FileInfosDescribeTheFile)
{
    struct Case
    {
        double seconds;
        int channels, bits;
        const char* expected;
    };
    const Case cases[] = {
        { 90.0, 1, 16, "type : WAV file\nsample rate : 8000 Hz\n1 channel\n16 bits (integer) \n720000 samples\n1 mn 30 s (90 s)\n" },
        { 59.0, 2, 32, "type : WAV file\nsample rate : 8000 Hz\n2 channels\n32 bits (float) \n472000 samples\n59 seconds\n" },
    };
    for (const auto& c : cases)
    {
        const auto file = wavFile ("info.wav", 8000.0, c.channels, (juce::int64) (c.seconds * 8000.0), c.bits,
                                   [] (int, juce::int64) { return 0.0f; });
        MyAudioReader reader (file, false, 1);
        EXPECT_EQ (reader.getFileInfos(), juce::String (c.expected));
        EXPECT_DOUBLE_EQ (reader.lengthInSeconds, c.seconds);
        EXPECT_EQ (reader.fileSampleRate, 8000.0);
    }
}

// Negative samples on the right channel: JUCE's FLAC decoder shifts them
// left, which the sanitizer build must let through (see JuceLibrary.cmake).
TEST_F (ReaderTest, ReadsFlacFiles)
{
    const auto file = folder.getChildFile ("ramp.flac");
    juce::FlacAudioFormat flac;
    ASSERT_TRUE (writeSoundFile (file, flac, testRate, 2, 5000, 24,
                                 [] (int c, juce::int64 k) { return rampSample (c, k) * 64.0f; }));
    auto reader = openOffline (file);
    ASSERT_TRUE (reader->isValid());
    EXPECT_EQ (reader->lengthInSamples, 5000);
    reader->startPlay (false);
    Played played;
    ASSERT_TRUE (playUntilStopped (*reader, piece, played));
    EXPECT_NEAR (played.left[(size_t) (piece + 7)], rampSample (0, piece + 7) * 64.0f, 1.0 / (1 << 23));
    EXPECT_NEAR (played.right[(size_t) (piece + 7)], rampSample (1, piece + 7) * 64.0f, 1.0 / (1 << 23));
}

// A float file may hold any bit pattern: what it lets through is finite and
// bounded, and ordinary samples come through untouched.
TEST_F (ReaderTest, NonFiniteAndHugeSamplesOfAFloatFileAreCleaned)
{
    const float inf = std::numeric_limits<float>::infinity();
    const auto sample = [inf] (int c, juce::int64 k) {
        switch (k % 6)
        {
            case 1: return std::numeric_limits<float>::quiet_NaN();
            case 2: return c == 0 ? inf : -inf;
            case 3: return c == 0 ? 1.0e18f : -1.0e18f;
            default: return rampSample (c, k);
        }
    };
    const auto file = wavFile ("hostile.wav", testRate, 2, 6000, 32, sample);
    juce::AudioBuffer<float> raw;
    ASSERT_TRUE (readSoundFile (file, raw));
    ASSERT_TRUE (std::isnan (raw.getSample (0, 1)));   // the file really holds them

    auto reader = openOffline (file);
    reader->startPlay (false);
    Played played;
    ASSERT_TRUE (playUntilStopped (*reader, piece, played));
    for (size_t i = 0; i < played.left.size(); ++i)
    {
        ASSERT_LE (std::fabs (played.left[i]), 1000.0f) << i;
        ASSERT_LE (std::fabs (played.right[i]), 1000.0f) << i;
    }
    // Past the fade-in, frame k is file frame k.
    for (juce::int64 k = piece; k < piece + 12; ++k)
    {
        const float expectedLeft = k % 6 == 1 || k % 6 == 2 ? 0.0f : k % 6 == 3 ? 1000.0f : rampSample (0, k);
        EXPECT_EQ (played.left[(size_t) k], expectedLeft) << k;
    }
}

// Transport waits are bounded and skipped while no block reaches the reader,
// so a session without an audio device never hangs.
TEST_F (ReaderTest, TransportWaitsReturnWithoutAudio)
{
    MyAudioReader reader (wavFile ("ramp.wav", testRate, 2, 50000), false, 1);
    const auto start = juce::Time::getMillisecondCounterHiRes();
    reader.startPlay (true);
    reader.pausePlay (true);
    reader.stopPlay (true);
    reader.setTimePosition (0.5f);
    reader.requestInitBuffer (true, 0);
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 2000.0);
    EXPECT_EQ (reader.transportState.load(), MyAudioReader::Stopped);
}

TEST_F (ReaderTest, ProcessBlockAllocatesNothing)
{
    MyAudioReader reader (wavFile ("ramp.wav", testRate, 2, 200000), false, 1);
    reader.setPlayMode (2);
    reader.setVariableSpeed (1.5f);
    juce::AudioBuffer<float> buffer (2, 3000);
    reader.processBlock (buffer);

    AllocationCounter counter;
    for (int step = 0; step < 40; ++step)
    {
        if (step == 2)
            reader.startPlay (false);
        if (step == 20)
            reader.pausePlay (false);
        if (step == 25)
            reader.startPlay (false);
        if (step == 35)
            reader.stopPlay (false);
        reader.processBlock (buffer);
        juce::Thread::sleep (2);
    }
    EXPECT_EQ (counter.allocations(), 0u);
}
