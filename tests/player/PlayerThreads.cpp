// Cross-thread behaviour of the player (also run under ThreadSanitizer): the
// message thread sends transport, seek, loop, speed and mode requests while a
// test thread plays the audio thread's part and the reader's own thread
// refills; the recorder takes blocks from the audio thread while takes start
// and stop.
#include "MyAudioReader.h"
#include "MyAudioWriter.h"
#include "PlayerTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace
{
constexpr double testRate = 32768.0;

class PlayerThreads : public TempFolderTest
{
};

template <typename Body>
void forAbout (std::chrono::milliseconds duration, Body body)
{
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end)
        body();
}
} // namespace

TEST_F (PlayerThreads, TransportRequestsWhileBlocksArrive)
{
    const auto file = wavFile ("sine.wav", testRate, 2, (juce::int64) (3 * testRate), 32, [] (int, juce::int64 k) {
        return 0.5f * (float) std::sin (0.05 * (double) k);
    });
    MyAudioReader reader (file, false, 1);

    std::atomic<bool> done { false };
    std::atomic<int> badSamples { 0 };
    std::atomic<int> blocks { 0 };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 1024);
        int size = 256;
        while (! done.load())
        {
            // Block sizes vary as a device's may, the longest above 1024.
            size = size >= 2048 ? 256 : size * 2;
            buffer.setSize (2, size, false, false, true);
            const float position = reader.processBlock (buffer);
            if (! std::isfinite (position))
                ++badSamples;
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < size; ++i)
                    if (! std::isfinite (buffer.getSample (c, i)) || std::abs (buffer.getSample (c, i)) > 2.0f)
                        ++badSamples;
            ++blocks;
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
    });

    juce::Random random (42);
    forAbout (std::chrono::milliseconds (1500), [&] {
        switch (random.nextInt (12))
        {
            case 0: reader.startPlay (true); break;
            case 1: reader.pausePlay (true); break;
            case 2: reader.stopPlay (true); break;
            case 3: reader.setTimePosition (random.nextFloat() * 3.0f); break;
            case 4: reader.setLoop (random.nextBool()); break;
            case 5: reader.setLoop (random.nextFloat() * 1.5, 1.0 + random.nextFloat() * 2.0); break;
            case 6: reader.setVariableSpeed (random.nextFloat() * 4.0f - 2.0f); break;
            case 7: reader.setPlayMode (random.nextBool() ? 0 : 2); break;
            case 8: reader.setSrMode (random.nextBool() ? 1.0f : 0.5f + random.nextFloat() * 2.0f); break;
            case 9: reader.requestInitBuffer (true, 0); break;
            case 10: reader.setLoopNorm (random.nextFloat() * 0.5f, 0.5f + random.nextFloat() * 0.5f); break;
            default: reader.startPlay (true); break;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (random.nextInt (5)));
    });

    // While blocks arrive, a stop is acknowledged within the wait.
    reader.stopPlay (true);
    EXPECT_NE (reader.transportState.load(), MyAudioReader::Playing);
    reader.startPlay (true);

    done = true;
    audio.join();
    EXPECT_EQ (badSamples.load(), 0);
    EXPECT_GT (blocks.load(), 100);
}

TEST_F (PlayerThreads, OfflineModeCanBeSwitchedWhileTheThreadRuns)
{
    MyAudioReader reader (wavFile ("ramp.wav", testRate, 2, 200000), false, 1);
    reader.setLoop (true);
    std::atomic<bool> done { false };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 512);
        while (! done.load())
        {
            reader.processBlock (buffer);
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });
    reader.startPlay (true);
    juce::Random random (7);
    forAbout (std::chrono::milliseconds (800), [&] {
        reader.nonRealTime = random.nextBool();
        if (random.nextInt (4) == 0)
            reader.setTimePosition (random.nextFloat() * 5.0f);
        std::this_thread::sleep_for (std::chrono::milliseconds (random.nextInt (20)));
    });
    reader.nonRealTime = false;
    reader.startPlay (true);
    EXPECT_EQ (reader.transportState.load(), MyAudioReader::Playing);
    done = true;
    audio.join();
}

TEST_F (PlayerThreads, RecorderTakesBlocksWhileTakesStartAndStop)
{
    MyAudioWriter writer (folder.getChildFile ("take.wav"), 48000.0, 2, false);
    writer.setRecordMode (2);
    std::atomic<bool> done { false };
    std::thread audio ([&] {
        juce::AudioBuffer<float> block (2, 480);
        for (int i = 0; i < 480; ++i)
        {
            block.setSample (0, i, 0.25f);
            block.setSample (1, i, -0.25f);
        }
        while (! done.load())
        {
            writer.pushBlock (block);
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
    });

    juce::Random random (3);
    for (int take = 0; take < 6; ++take)
    {
        ASSERT_TRUE (writer.startRecord());
        std::this_thread::sleep_for (std::chrono::milliseconds (50 + random.nextInt (150)));
        if (take == 3)
            writer.setNumChannels (3); // applies when the take ends
        writer.stopRecord();
        if (take == 3)
        {
            EXPECT_EQ (writer.numChannels, 3);
        }
    }
    done = true;
    audio.join();

    // Every take is a complete file of whole blocks.
    const auto files = folder.findChildFiles (juce::File::findFiles, false, "*.wav");
    EXPECT_EQ (files.size(), 6);
    for (const auto& f : files)
    {
        juce::AudioBuffer<float> data;
        ASSERT_TRUE (readSoundFile (f, data)) << f.getFileName();
        EXPECT_GT (data.getNumSamples(), 0);
        if (data.getNumSamples() > 0)
        {
            EXPECT_EQ (data.getSample (0, data.getNumSamples() - 1), 0.25f);
        }
    }
}
