// The effect base driven the way plug-in hosts drive it: built, given
// values and destroyed on a thread of the host's own while the JUCE message
// thread (this test's main thread) runs the timer, and blocks arriving while
// other threads read the effect clock. Built in the ThreadSanitizer
// configuration too.
#include "TestEffect.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace
{
// Runs fn on a thread of its own while this (the message) thread runs the
// message loop; returns once fn has returned.
void runOnHostThread (const std::function<void()>& fn)
{
    std::atomic<bool> done { false };
    std::thread host ([&] {
        fn();
        done.store (true);
    });
    while (! done.load())
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    host.join();
}

// Stages of a slow piece of deferred work, shared with the thread that
// destroys the effect.
std::atomic<int> workStage { 0 };  // 1 running, 2 ended

class SlowTickEffect : public TestEffect
{
public:
    static constexpr int slowWork = 7;

    SlowTickEffect() : TestEffect (8, true) {}
    ~SlowTickEffect() override { stopThreads(); }

    void handleDeferredWork (int workId) override
    {
        if (workId != slowWork)
            return;
        workStage.store (1);
        juce::Thread::sleep (150);
        scratch.assign (256, 1);  // touches the effect after the wait
        workStage.store (2);
    }

    std::vector<int> scratch;
};
} // namespace

TEST (HostThread, DestroyingTheEffectWaitsForTheTickInProgress)
{
    for (int round = 0; round < 3; ++round)
    {
        SCOPED_TRACE (round);
        workStage.store (0);
        bool tickEndedFirst = false;
        bool tickStarted = false;

        runOnHostThread ([&] {
            auto effect = std::make_unique<SlowTickEffect>();
            effect->startTimersOnceBuilt();
            effect->deferWork (SlowTickEffect::slowWork);
            for (int k = 0; k < 400 && workStage.load() == 0; ++k)
                juce::Thread::sleep (2);
            tickStarted = workStage.load() != 0;
            effect.reset();
            tickEndedFirst = workStage.load() == 2;
        });

        EXPECT_TRUE (tickStarted);
        EXPECT_TRUE (tickEndedFirst);
    }
}

TEST (HostThread, TheTimerWaitsUntilTheEffectIsBuilt)
{
    // Built on a host thread, the effect is ticked only once its builder
    // says it is whole: a tick meanwhile would make virtual calls into
    // constructors still running.
    workStage.store (0);
    bool ranBeforeBuilt = true;
    bool ranOnceBuilt = false;
    runOnHostThread ([&] {
        auto effect = std::make_unique<SlowTickEffect>();
        effect->deferWork (SlowTickEffect::slowWork);
        juce::Thread::sleep (300);
        ranBeforeBuilt = workStage.load() != 0;

        effect->startTimersOnceBuilt();
        for (int k = 0; k < 400 && workStage.load() != 2; ++k)
            juce::Thread::sleep (2);
        ranOnceBuilt = workStage.load() == 2;
        effect.reset();
    });
    EXPECT_FALSE (ranBeforeBuilt);
    EXPECT_TRUE (ranOnceBuilt);
}

TEST (HostThread, AgitationSetOnAHostThreadIsStored)
{
    TestEffect effect (8, true);
    const float id = AgitationIDValueFromStateAndID (true, 2);

    runOnHostThread ([&] {
        effect.setIndexedParameter (5, effect.setAgitationForParam (1, 5, id));
    });

    EXPECT_EQ (effect.getAgitationGroupSize (2), 1);
    MyEffect::agitationStruct node {};
    int group = -1;
    EXPECT_TRUE (effect.getAgitationNode (1, group, node));
    EXPECT_EQ (group, 2);
    EXPECT_EQ (effect.getVoktParameter (1)->agitationGroup.load(), 2);
}

TEST (HostThread, TheClockStaysOnAudioWhileBlocksKeepComing)
{
    TestEffect effect (8, false);
    effect.prepareToPlay (48000.0, 64);

    std::atomic<bool> stop { false };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 1);
        juce::MidiBuffer midi;
        while (! stop.load())
        {
            buffer.clear();
            effect.processBlock (buffer, midi);
        }
    });

    // Wait for the switch to the audio clock, then read it as the agitator
    // and the timer do: every block has samples, so it never falls back.
    while (! effect.audioClock.load())
        effect.TickCount();
    int fallbacks = 0;
    for (int k = 0; k < 3000000 && fallbacks == 0; ++k)
    {
        effect.TickCount();
        if (! effect.audioClock.load())
            ++fallbacks;
    }
    stop.store (true);
    audio.join();
    EXPECT_EQ (fallbacks, 0);
}
