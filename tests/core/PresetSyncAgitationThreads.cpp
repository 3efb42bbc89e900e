// Cross-thread use of the agitation lists and of tempo sync (run under
// ThreadSanitizer too): the message thread edits while another thread steps.
#include "FrameTestEffect.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

TEST (AgitationThreads, EditsWhileAStepWalksTheLists)
{
    FrameTestEffect effect;
    effect.agitationOn.store (true);
    for (int g = 0; g < 4; ++g)
    {
        effect.agitationAmplitudes[g].store (1.0f);
        effect.agitationRates[g].store (0.2f);
    }

    std::atomic<bool> done { false };
    std::atomic<int> steps { 0 };
    std::thread stepper ([&] {
        double t = 200000.0;
        while (! done.load())
        {
            t += 3.0;
            SetFakeTicks (t);
            effect.DoAgitation();
            steps.fetch_add (1);
        }
    });

    std::mt19937 random (7);
    std::uniform_int_distribution<int> code (0, 7);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    for (int k = 0; k < 3000 || steps.load() < 200; ++k)
    {
        effect.setIndexedParameter (FrameTestEffect::mixAgitation, (float) code (random) / 7.0f);
        effect.setIndexedParameter (FrameTestEffect::param10Agitation, (float) code (random) / 7.0f);
        effect.setIndexedParameter (k % 2 == 0 ? 1 : 10, unit (random));
        if (k % 50 == 0)
            effect.SetAgitation();
    }
    done.store (true);
    stepper.join();

    // One node at most per parameter, in the group its ID names.
    for (int param : { 1, 10 })
    {
        int nodes = 0;
        for (int g = 0; g < 4; ++g)
        {
            const std::lock_guard<std::mutex> guard (effect.agitationListLock);
            for (const auto& n : effect.agitationLists[g])
                if (n.param == param)
                {
                    ++nodes;
                    EXPECT_EQ (AgitationIDFromAgitationIDValue (n.idValue), g);
                }
        }
        EXPECT_LE (nodes, 1);
    }
    EXPECT_EQ (effect.agitatedOutOfRange.load(), 0);
}

TEST (AgitationThreads, AThreadThatMustNotWaitSkipsABusyListAndNeverAllocates)
{
    FrameTestEffect effect;   // its constructor (message thread) reserved room in the lists
    std::size_t allocations = 99;

    {
        const std::lock_guard<std::mutex> busy (effect.agitationListLock);
        std::thread audio ([&] {
            AllocationCounter count;
            effect.setIndexedParameter (FrameTestEffect::mixAgitation, 1.0f);
            allocations = count.allocations();
        });
        audio.join();
    }
    EXPECT_EQ (allocations, 0u);
    EXPECT_EQ (effect.getAgitationGroupSize (0), 0);   // skipped: the lists were busy

    std::thread audio ([&] {
        AllocationCounter count;
        effect.setIndexedParameter (FrameTestEffect::param10Agitation, 1.0f);
        allocations = count.allocations();
    });
    audio.join();
    EXPECT_EQ (allocations, 0u);
    EXPECT_EQ (effect.getAgitationGroupSize (0), 1);   // free lists: the edit went through
}

TEST (TempoSyncThreads, AudioRecordsTempoWhileTheMessageThreadApplies)
{
    FrameTestEffect effect;
    FakePlayHead playHead;
    effect.prepareToPlay (48000.0, 128);
    effect.setPlayHead (&playHead);
    for (int i : { FrameTestEffect::syncTime, FrameTestEffect::syncFrequency, FrameTestEffect::signedTime })
        effect.SetSyncMode (i, true);

    std::atomic<bool> done { false };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 128);
        juce::MidiBuffer midi;
        for (int k = 0; ! done.load() || k < 500; ++k)
        {
            playHead.bpm.store (60.0 + (k % 120));
            playHead.numerator.store (2 + k % 6);
            buffer.clear();
            effect.processBlock (buffer, midi);
        }
    });

    for (int k = 0; k < 2000; ++k)
    {
        effect.applyPendingSyncTiming();
        if (k % 3 == 0)
            effect.IncSync (FrameTestEffect::syncTime);
        if (k % 7 == 0)
            effect.DecSync (FrameTestEffect::signedTime);
        if (k % 11 == 0)
            effect.setIndexedParameter (FrameTestEffect::syncFrequency, (float) (k % 100) / 100.0f);
        const float v = effect.getIndexedParameter (FrameTestEffect::syncTime);
        EXPECT_TRUE (v >= 0.0f && v <= 1.0f);
        char buf[32];
        effect.SyncToDelaiStr (FrameTestEffect::syncTime, buf);
    }
    done.store (true);
    audio.join();
    effect.setPlayHead (nullptr);

    const int note = effect.GetSyncNote (FrameTestEffect::syncTime);
    EXPECT_TRUE (note >= 0 && note <= 21);
}

TEST (TempoSyncThreads, HostAutomationOnTheAudioThreadIsSnappedByTheTimer)
{
    const int i = FrameTestEffect::syncTime;
    FrameTestEffect effect, reference;
    for (FrameTestEffect* e : { &effect, &reference })
    {
        e->wholeNoteMs.store (2000.0f);
        e->SetSyncMode (i, true);
    }

    constexpr int steps = 3000;
    const auto valueAt = [] (int k) { return (float) ((k * 37) % 1000) / 1000.0f; };
    std::atomic<bool> done { false };
    std::size_t allocations = 0;
    std::thread audio ([&] {
        AllocationCounter count;
        for (int k = 0; k < steps; ++k)
            effect.setIndexedParameter (i, valueAt (k));
        allocations = count.allocations();
        done.store (true);
    });

    // The timer's part meanwhile, and the editor reading texts.
    while (! done.load())
    {
        effect.applyPendingSyncValues();
        char buf[32];
        effect.SyncToDelaiStr (i, buf);
        const float v = effect.getIndexedParameter (i);
        EXPECT_TRUE (v >= 0.0f && v <= 1.0f);
    }
    audio.join();
    EXPECT_EQ (allocations, 0u);

    effect.applyPendingSyncValues();
    reference.setIndexedParameter (i, valueAt (steps - 1));
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (i), reference.getIndexedParameter (i));
    EXPECT_EQ (effect.GetSyncNombre (i), reference.GetSyncNombre (i));
    EXPECT_EQ (effect.GetSyncNote (i), reference.GetSyncNote (i));
}
