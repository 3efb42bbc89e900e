// The crunch effect's records across threads: a host renders and automates
// on its render thread (the plug-in layer in front) while the message thread
// saves and restores state, recalls and saves presets and changes programs,
// and the agitator thread interpolates. Runs under AddressSanitizer and
// ThreadSanitizer.
#include "ZuveruvaTestSupport.h"

#include "QuarnProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zuveruva_test;

namespace
{
TEST (ZuveruvaStateThreads, StateAndPresetWorkWhileTheHostRendersAndAutomates)
{
    QuarnProcessor fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 1024));
    fx.setIndexedParameter (Zuveruva::kInterSpeed, 0.05f);
    fx.SetPreset (1, 1);

    std::atomic<bool> running { true };
    std::atomic<bool> finite { true };
    std::atomic<int> blocks { 0 };
    std::thread host ([&] {
        juce::AudioBuffer<float> buffer (2, 2500);
        juce::MidiBuffer midi;
        juce::Random random (11);
        while (running.load())
        {
            // Automation first, as the VST3 and LV2 wrappers apply it.
            switch (random.nextInt (6))
            {
                case 0: fx.setIndexedParameter (Zuveruva::kGain, random.nextFloat()); break;
                case 1: fx.setIndexedParameter (Zuveruva::kMix, random.nextFloat()); break;
                case 2: fx.setIndexedParameter (Zuveruva::kPreset, (float) random.nextInt (16) / 15.0f); break;
                case 3: fx.setIndexedParameter (Zuveruva::kSuperSlider, random.nextFloat()); break;
                case 4: fx.setIndexedParameter (Zuveruva::kBands, 0.2f + 0.4f * random.nextFloat()); break;
                default: fx.setIndexedParameter (Zuveruva::kAgitation2Speed, random.nextFloat()); break;
            }
            const int n = 32 + random.nextInt (2400);
            buffer.setSize (2, n, false, false, true);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < n; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            fx.processBlock (buffer, midi);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < n; ++i)
                    if (! std::isfinite (buffer.getSample (c, i)))
                        finite.store (false);
            blocks.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::microseconds (300));
        }
    });

    juce::MemoryBlock saved;
    fx.getCurrentProgramStateInformation (saved);
    for (int round = 0; round < 40; ++round)
    {
        // The whole state (the host's key holds the current program only).
        juce::MemoryBlock chunk;
        fx.Zuveruva::getStateInformation (chunk);
        EXPECT_EQ (chunk.getSize(), 86724u);
        switch (round % 5)
        {
            case 0: fx.setCurrentProgramStateInformation (saved.getData(), (int) saved.getSize()); break;
            case 1: fx.SetPreset (round % 16, 1); break;
            case 2: fx.SetPreset (round % 16, 3); break;
            case 3: fx.setCurrentProgram (round % 5); break;
            default: fx.Zuveruva::setStateInformation (chunk.getData(), (int) chunk.getSize()); break;
        }
        pumpMessages (15); // timer: deferred work and missed record writes; agitator steps
    }

    running.store (false);
    host.join();
    fx.StopInterpolation();
    pumpMessages (120);

    EXPECT_GT (blocks.load(), 20);
    EXPECT_TRUE (finite.load());
    // Every value the render thread set reached the current program's record.
    const auto program = fx.getProgram (fx.getCurrentProgram());
    EXPECT_EQ (program.gain, fx.getIndexedParameter (Zuveruva::kGain));
    EXPECT_EQ (program.mix, fx.getIndexedParameter (Zuveruva::kMix));
    EXPECT_EQ (program.agitationSpeed234[0], fx.getIndexedParameter (Zuveruva::kAgitation2Speed));
}
} // namespace
