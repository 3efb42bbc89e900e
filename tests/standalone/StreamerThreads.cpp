// The streamer with a thread playing the device: readers, recorders and the
// effect's configuration replaced while blocks run, MIDI from a third thread.
// Also run under ThreadSanitizer.
#include "StreamerTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace
{
// Plays the device from its own thread until stopped, checking every output.
class AudioThread
{
public:
    AudioThread (AudioFilterStreamer& s, int ins, int outs, int frames)
        : streamer (s), block (ins, outs, frames)
    {
        for (int k = 0; k < ins; ++k)
            block.fillInput (k, 0.1f * (float) (k + 1));
        thread = std::thread ([this] { run(); });
    }

    ~AudioThread() { stop(); }

    void stop()
    {
        running.store (false);
        if (thread.joinable())
            thread.join();
    }

    std::atomic<int> blocks { 0 };
    std::atomic<int> badSamples { 0 };

private:
    void run()
    {
        while (running.load())
        {
            block.run (streamer);
            for (auto& channel : block.out)
                for (float x : channel)
                    if (! std::isfinite (x) || std::abs (x) > 4.0f)
                        badSamples.fetch_add (1);
            blocks.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::microseconds (200));
        }
    }

    AudioFilterStreamer& streamer;
    DeviceBlock block;
    std::atomic<bool> running { true };
    std::thread thread;
};
} // namespace

TEST_F (StreamerTest, ReaderReplacedAHundredTimesWhileBlocksRun)
{
    auto& s = makeStreamer();
    FakeDevice device (2, 2, 44100.0, 512);
    device.openAndStart (&s);
    const juce::File files[] = { wavFile ("a.wav", 44100.0, 2, 30000), wavFile ("b.wav", 48000.0, 1, 20000),
                                 wavFile ("c.wav", 22050.0, 2, 5000) };

    AudioThread audio (s, 2, 2, 512);
    std::atomic<bool> midiRunning { true };
    std::thread midi ([&] {
        while (midiRunning.load())
        {
            auto m = juce::MidiMessage::controllerEvent (1, 7, 64);
            m.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
            s.handleIncomingMidiMessage (nullptr, m);
            std::this_thread::sleep_for (std::chrono::microseconds (300));
        }
    });

    for (int i = 0; i < 100; ++i)
    {
        s.initAudioReader (files[i % 3]);
        s.readerReady.store (true);
        if (i % 2 == 0)
            s.startPlay();
        if (i % 7 == 3)
            s.setLoop (true);
        if (i % 5 == 1)
            s.beginPlay();
        s.getMagnitude (i % 2);
        s.setGain (0.7f + 0.01f * (float) (i % 10));
        s.bypass.store (i % 4 == 0);
    }
    const int blocksBefore = audio.blocks.load();
    // A fresh reader has seen no block yet, so the start does not wait: the
    // next blocks apply it.
    s.startPlay();
    for (int i = 0; i < 500 && ! s.isPlaying(); ++i)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    EXPECT_TRUE (s.isPlaying());

    midiRunning.store (false);
    midi.join();
    audio.stop();
    EXPECT_GT (blocksBefore, 0);
    EXPECT_EQ (audio.badSamples.load(), 0);
}

TEST_F (StreamerTest, EffectReconfiguredAndRecorderSwappedWhileBlocksRun)
{
    auto& s = makeStreamer();
    FakeDevice device (2, 8, 44100.0, 256);
    device.openAndStart (&s);
    s.initAudioReader (wavFile ("a.wav", 44100.0, 2, 44100));
    s.readerReady.store (true);

    AudioThread audio (s, 2, 8, 1500);
    s.startPlay();
    for (int i = 0; i < 60; ++i)
    {
        s.setInputExternal (i % 3 == 0);
        s.reconfigureEffect (2, 1 + i % 8);
        if (i % 10 == 0)
        {
            s.setRecorder (std::make_unique<MyAudioWriter> (folder.getChildFile ("take" + juce::String (i) + ".wav"),
                                                           44100.0, 2, false));
            s.record (true);
        }
        s.muted.store (i % 5 == 4);
        s.setNumOutChannels (1 + i % 8);
        s.getRecordTime();
        s.getMagnitude (i % 8);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }
    s.record (false);
    s.setRecorder (nullptr);
    audio.stop();
    EXPECT_GT (audio.blocks.load(), 0);
    EXPECT_EQ (audio.badSamples.load(), 0);
}
