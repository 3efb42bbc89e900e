// Preset work of the spectral delay on the message thread (recall, save,
// reset, paste, super slider, state loads) while another thread runs the
// agitator's interpolation step and a third renders (run under
// AddressSanitizer and ThreadSanitizer).
#include "RariZuz.h"
#include "RariZuzRenderThread.h"
#include "RariZuzStateCheck.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

namespace
{
std::atomic<double> sharedClockMs { 1000.0 };
double sharedClock() { return sharedClockMs.load(); }
} // namespace

TEST (RariZuzPresetThreads, PresetWorkWhileTheStepAndTheAudioRun)
{
    SetUtilSampleRate (44100);
    juce::MemoryBlock chunk;
    {
        RariZuz source;
        source.setIndexedParameter (RariZuz::pGain, 0.3f);
        source.setIndexedParameter (RariZuz::pActive + 3, 1.0f);
        source.SetPreset (6, 1);
        source.getStateInformation (chunk);
    }

    RariZuz e;
    e.setMillisecondClock (sharedClock);
    e.prepareToPlay (44100.0, 256);
    float quick = 0.0f;
    InterSpeedStrToFloat ("0.2", &quick);
    e.setIndexedParameter (RariZuz::pInterSpeed, quick);
    e.setIndexedParameter (RariZuz::pActive + 1, 1.0f);

    std::atomic<bool> running { true };
    std::atomic<int> steps { 0 };
    rarizuz_test::RenderThread renderer (e);

    std::thread stepper ([&] {
        while (running.load())
        {
            sharedClockMs.store (sharedClockMs.load() + 5.0);
            e.threadCallback();
            steps.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::microseconds (500));
        }
    });

    std::mt19937 rng (7);
    for (int i = 0; i < 300; ++i)
    {
        const int slot = (int) (rng() % 16);
        switch (rng() % 8)
        {
            case 0:
            case 1: e.SetPreset (slot, rng() % 4 == 0 ? 3 : 0); break;
            case 2: e.SetPreset (slot, 1); break;
            case 3: e.SetPreset (slot, 2); break;
            case 4:
            {
                juce::String text = e.getPresetString ((slot + 3) % 16);
                e.setPresetString (slot, text);
                break;
            }
            case 5: e.setIndexedParameter (RariZuz::pSuperSlider, (float) (rng() % 1000) / 999.0f); break;
            case 6: e.StopInterpolation(); break;
            default:
                if (i % 4 == 0)
                    e.setStateInformation (chunk.getData(), (int) chunk.getSize());
                else
                    e.setIndexedParameter (RariZuz::pGain, (float) (rng() % 100) / 99.0f);
                break;
        }
        if (rng() % 4 == 0)
            e.timerCallback();
        std::this_thread::sleep_for (std::chrono::microseconds (rng() % 1500));
    }

    running.store (false);
    renderer.stop();
    stepper.join();

    EXPECT_GT (renderer.blocks(), 0);
    EXPECT_GT (steps.load(), 0);
    EXPECT_EQ (renderer.badSamples(), 0);
    e.StopInterpolation();
    EXPECT_EQ (rarizuz_check::engineProblem (e), "");
}
