// The sonogram reads the engine's display line on the message thread while
// the audio thread renders into it, and the frame size changes under it
// (run under AddressSanitizer and ThreadSanitizer).
#include "MyRariZuzDisplay.h"
#include "RariZuz.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

TEST (MyRariZuzDisplayThreads, SonogramFollowsTheAudioThreadAndFrameSizeChanges)
{
    RariZuz engine;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (engine.setBusesLayout (layout));
    engine.prepareToPlay (44100.0, 256);
    engine.setIndexedParameter (RariZuz::pBands, 0.0f);  // N = 256: many frames per tick

    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        juce::Random random (7);
        while (running.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < 256; ++s)
                    buffer.setSample (c, s, random.nextFloat() - 0.5f);
            {
                const juce::ScopedLock lock (engine.getCallbackLock());
                engine.processBlock (buffer, midi);
            }
            blocks.fetch_add (1);
        }
    });

    MyRariZuzDisplay display;
    display.setBounds (0, 0, 300, 200);
    const float sizes[] = { 0.0f, 1.0f / 9.0f, 0.0f, 3.0f / 9.0f };
    int frames = 0;
    for (int round = 0; round < 4; ++round)
    {
        // The size changes here, on the message thread, as the panel's would.
        engine.setIndexedParameter (RariZuz::pBands, sizes[round]);
        const int target = blocks.load() + 40;
        while (blocks.load() < target)
        {
            const int n = engine.getUpdateDisplay();
            frames += n;
            display.buildBackground (&engine.getDisplayLine(), n);
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
        EXPECT_EQ (display.getSonogram().getWidth(), (int) engine.getDisplayLine().getCount());
        EXPECT_EQ (display.getSonogram().getHeight(), (int) engine.getDisplayLine().getLength() / 2);
    }
    running.store (false);
    audio.join();
    EXPECT_GT (frames, 0);
}
