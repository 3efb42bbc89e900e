// Cross-thread behaviour of the spectral delay: frame-size changes and bar
// edits while another thread renders (run under AddressSanitizer and
// ThreadSanitizer).
#include "RariZuz.h"
#include "RariZuzRenderThread.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

using rarizuz_test::RenderThread;

namespace
{
void waitForBlocks (const RenderThread& r, int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (20);
    while (r.blocks() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
}

std::unique_ptr<RariZuz> preparedEngine()
{
    SetUtilSampleRate (44100);
    auto e = std::make_unique<RariZuz>();
    e->prepareToPlay (44100.0, 256);
    return e;
}
} // namespace

TEST (RariZuzThreads, BandsToggledWhileAThreadRendersAndAnotherEditsBars)
{
    auto e = preparedEngine();
    RenderThread render (*e);

    std::atomic<bool> editing { true };
    std::thread editor ([&] {
        std::mt19937 rng (5);
        std::uniform_real_distribution<float> unit (0.0f, 1.0f);
        std::uniform_int_distribution<int> bar (0, 7);
        while (editing.load())
        {
            const int k = bar (rng);
            e->setIndexedParameter (RariZuz::pDelay + k, unit (rng));
            e->setIndexedParameter (RariZuz::pFrequency + k, unit (rng));
            e->setIndexedParameter (RariZuz::pAngle + k, unit (rng));
            e->setIndexedParameter (RariZuz::pActive + k, unit (rng));
            e->createBar (bar (rng), unit (rng), unit (rng), unit (rng), unit (rng));
        }
    });

    // The main thread is the message thread: each change is made at once,
    // under the callback lock, between two blocks.
    const float sizes[] = { 0.0f, 3.0f / 9.0f, 1.0f / 9.0f, 5.0f / 9.0f, 2.0f / 9.0f, 3.0f / 9.0f };
    for (int round = 0; round < 3; ++round)
        for (float v : sizes)
        {
            const int before = render.blocks();
            e->setIndexedParameter (RariZuz::pBands, v);
            EXPECT_EQ (e->getFftSize(), int64_t (1) << (8 + FloatToIndexPopup (v, 10)));
            EXPECT_FALSE (e->isStopped());
            waitForBlocks (render, before + 4);
        }

    editing.store (false);
    editor.join();
    render.stop();
    EXPECT_EQ (render.badSamples(), 0);
    EXPECT_GT (render.blocks(), 0);
}

TEST (RariZuzThreads, BandsSetOffTheMessageThreadIsDeferredToIt)
{
    auto e = preparedEngine();
    RenderThread render (*e);
    waitForBlocks (render, 4);

    // Another thread (host automation, the agitator) asks for a new size: it
    // does not wait, and the change waits for the message thread.
    std::thread other ([&] { e->setIndexedParameter (RariZuz::pBands, 0.0f); });
    other.join();
    EXPECT_EQ (e->getFftSize(), 2048);

    // The effect's timer runs the deferred change on the message thread.
    auto* mm = juce::MessageManager::getInstance();
    const auto deadline = juce::Time::getMillisecondCounter() + 5000;
    while (e->getFftSize() != 256 && juce::Time::getMillisecondCounter() < deadline)
        mm->runDispatchLoopUntil (20);
    EXPECT_EQ (e->getFftSize(), 256);
    EXPECT_NEAR (e->getIndexedParameter (RariZuz::pBands), 0.0f, 1e-6f);

    const int before = render.blocks();
    waitForBlocks (render, before + 4);
    render.stop();
    EXPECT_EQ (render.badSamples(), 0);
}

// A value set by MIDI inside a real-time block while another thread holds
// the records (here: a reader of the preset states, over and over) is heard
// at once; its program write, missed then, is redone by the next tick, so
// the saved state holds it.
TEST (RariZuzThreads, AValueSetInABlockWhileTheRecordsAreBusyIsSaved)
{
    RariZuz e, saved;
    e.prepareToPlay (44100.0, 256);
    e.midiBindings[RariZuz::pGain].store ({ 1, 1, 7, 60, 0 });
    juce::AudioBuffer<float> buffer (2, 256);
    juce::MidiBuffer midi;

    std::atomic<bool> busy { true };
    std::thread reader ([&] {
        int states[16] {};
        while (busy.load())
            e.getPresetStates (states);
    });

    // Each round misses the last write only some of the time: enough rounds
    // that a run without the redo fails all but never.
    for (int round = 0; round < 60; ++round)
    {
        SCOPED_TRACE (round);
        const int cc = 10 + (5 * round) % 110;
        for (int k = 0; k < 4; ++k)
        {
            midi.clear();
            midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, cc + k), 0);
            buffer.clear();
            const juce::ScopedLock lock (e.getCallbackLock());
            e.processBlock (buffer, midi);
        }
        // A controller value v below 127 reads v / 128.
        EXPECT_FLOAT_EQ (e.getIndexedParameter (RariZuz::pGain), (float) (cc + 3) / 128.0f);

        e.timerCallback();
        juce::MemoryBlock state;
        e.getCurrentProgramStateInformation (state);
        saved.setCurrentProgramStateInformation (state.getData(), (int) state.getSize());
        EXPECT_FLOAT_EQ (saved.getIndexedParameter (RariZuz::pGain), e.getIndexedParameter (RariZuz::pGain));
    }
    busy.store (false);
    reader.join();
}
