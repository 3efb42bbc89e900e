// The effect base: names, clock, latency, layout, indexed parameters,
// changed flags, deferred work and the allocation-free audio step.
#include "AllocationCounter.h"
#include "MyPluginHostType.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace
{
std::atomic<double> fakeMs { 0.0 };
double fakeClock() { return fakeMs.load(); }

void pump (int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

struct HostOverride
{
    explicit HostOverride (int kind) { MyPluginHostType::overrideCachedType (kind); }
    ~HostOverride() { MyPluginHostType::overrideCachedType (-1); }
};

void block (TestEffect& e, int samples)
{
    juce::AudioBuffer<float> buffer (2, samples);
    buffer.clear();
    juce::MidiBuffer midi;
    e.processBlock (buffer, midi);
}
} // namespace

TEST (MyEffect, PluginTypeAndHostNameFollowTheWrapperType)
{
    using P = juce::AudioProcessor;
    const struct
    {
        P::WrapperType type;
        const char* text;
        const char* name;
    } cases[] = {
        { P::wrapperType_Undefined, "Unknown", "Vokt Quarn" },
        { P::wrapperType_VST, "VST", "Vokt Quarn" },
        { P::wrapperType_VST3, "VST3", "Vokt Quarn" },
        { P::wrapperType_AudioUnit, "AudioUnit", "Vokt Quarn" },
        { P::wrapperType_AudioUnitv3, "AudioUnit v3", "Vokt Quarn" },
        { P::wrapperType_AAX, "AAX", "Vokt Quarn" },
        { P::wrapperType_Standalone, "StandAlone", "Vokt Selvo" },
        { P::wrapperType_Unity, "Unity", "Vokt Quarn" },
        { P::wrapperType_LV2, "Unknown", "Vokt Quarn" },
    };

    HostOverride host (MyPluginHostType::reaper);
    for (const auto& c : cases)
    {
        P::setTypeOfNextNewPlugin (c.type);
        TestEffect e (8, false);
        P::setTypeOfNextNewPlugin (P::wrapperType_Undefined);

        SCOPED_TRACE (c.text);
        EXPECT_EQ (e.getPluginType(), c.text);
        EXPECT_EQ (e.getName(), c.name);
        const juce::String expectedHost = c.type == P::wrapperType_Standalone
                                              ? juce::String()
                                              : juce::String (MyPluginHostType (MyPluginHostType::reaper).getHostDescription());
        EXPECT_EQ (e.getHostName(), expectedHost);
    }
}

TEST (MyEffect, LibraryAnswersAndDefaults)
{
    TestEffect e (8, false);
    EXPECT_EQ (e.getTailLengthSeconds(), 10.0);
    EXPECT_TRUE (e.acceptsMidi());
    EXPECT_FALSE (e.producesMidi());
    EXPECT_TRUE (e.hasEditor());
    EXPECT_EQ (e.getMyNumParameters(), 8);
    EXPECT_EQ (e.currentParameter.load(), -1);
    EXPECT_EQ (e.undoPosition, -1);
    EXPECT_FLOAT_EQ (e.alfa.load(), 1.0f);
    EXPECT_FLOAT_EQ (e.wrapperGain.load(), 1.0f);
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ (e.superStates[c].load(), c);
    EXPECT_TRUE (e.blockDone.wait (0));

    e.setWrapperGain (0.8f);
    EXPECT_NEAR (e.wrapperGain.load(), 1.0f, 1e-4f);

    juce::AudioProcessor::TrackProperties properties;
    properties.name = "Drums";
    e.updateTrackProperties (properties);
    EXPECT_EQ (e.getTrackName(), "Drums");
}

TEST (MyEffect, BlockDoneIsAFlagWithBoundedWaits)
{
    BlockDoneEvent event;
    EXPECT_TRUE (event.wait (0));
    event.reset();
    EXPECT_FALSE (event.wait (0));
    EXPECT_FALSE (event.wait (5));

    // A block that ends on another thread releases a waiter.
    std::thread audio ([&event] {
        juce::Thread::sleep (20);
        event.signal();
    });
    EXPECT_TRUE (event.wait (5000));
    audio.join();

    // An unbounded wait is bounded all the same.
    event.reset();
    EXPECT_FALSE (event.wait (-1.0));
}

TEST (MyEffect, TickClockFollowsAudioThenSystem)
{
    TestEffect e (8, false);
    e.setMillisecondClock (&fakeClock);

    // A block before prepareToPlay (sample rate 0) leaves the clock alone.
    fakeMs = 500.0;
    block (e, 512);
    EXPECT_EQ (e.ticks.load(), 0.0);
    EXPECT_DOUBLE_EQ (e.TickCount(), 30.0);
    EXPECT_FALSE (e.audioClock.load());

    e.prepareToPlay (48000.0, 800);  // 800 samples = 1 tick

    const struct
    {
        int samples;  // -1: no block before the call
        double ms;
        double tick;
        bool audio;
        int64_t rebase;  // interpolationStartTick and lastAgitationTick afterwards, -1 unchanged
    } steps[] = {
        { -1, 1000.0, 60.0, false, -1 },
        { 800, 2000.0, 1.0, true, 1 },     // audio arrives: switch and rebase
        { -1, 3000.0, 1.0, true, -1 },     // no more blocks: the clock stands still
        { 800, 4000.0, 2.0, true, -1 },
        { 0, 5000.0, 300.0, false, 300 },  // an empty block: back to the system clock
        { -1, 6000.0, 360.0, false, -1 },
        { 800, 7000.0, 3.0, true, 3 },
    };

    int row = 0;
    for (const auto& s : steps)
    {
        SCOPED_TRACE (row++);
        e.interpolationStartTick = -1;
        e.lastAgitationTick = -1;
        fakeMs = s.ms;
        if (s.samples >= 0)
            block (e, s.samples);

        EXPECT_DOUBLE_EQ (e.TickCount(), s.tick);
        EXPECT_EQ (e.audioClock.load(), s.audio);
        EXPECT_EQ (e.interpolationStartTick.load(), s.rebase);
        EXPECT_EQ (e.lastAgitationTick.load(), s.rebase);
    }
    EXPECT_DOUBLE_EQ (e.MillisecondCount(), 3.0 * 1000.0 / 60.0);
    EXPECT_EQ (e.sampleCounter.load(), 512 + 800 * 3);
}

TEST (MyEffect, LatencyFromFrameOverlapAndBlock)
{
    TestEffect e (8, false);
    const struct
    {
        int block, frame;
        float overlap;
        int extra, expected;
    } cases[] = {
        { 256, 1024, 0.75f, 0, 768 },
        { 512, 1024, 0.75f, 0, 1024 },
        { 2048, 1024, 0.75f, 0, 2048 },
        { 1024, 1024, 0.0f, 0, 0 },
        { 256, 1024, 0.75f, 100, 868 },
        { 0, 4096, 0.5f, 0, 4096 },
    };
    for (const auto& c : cases)
    {
        e.blockSize = c.block;
        e.updateLatency (c.frame, c.overlap, c.extra);
        EXPECT_EQ (e.getLatencySamples(), c.expected) << c.block << " " << c.frame;
    }
}

TEST (MyEffect, BlockSizeIsCappedAndIgnoredInOneHost)
{
    {
        TestEffect e (8, false);
        e.setBlockSize (4096);
        EXPECT_EQ (e.blockSize.load(), 1024);
        EXPECT_TRUE (e.latencyChanged.load());
        e.latencyChanged = false;
        e.setBlockSize (1024);
        EXPECT_FALSE (e.latencyChanged.load());
    }
    HostOverride host (MyPluginHostType::reaper);
    TestEffect e (8, false);
    e.setBlockSize (256);
    EXPECT_EQ (e.blockSize.load(), 0);
    EXPECT_FALSE (e.latencyChanged.load());
}

TEST (MyEffect, NonRealtimeHostsRunTheStepOnEveryBlock)
{
    HostOverride host (MyPluginHostType::adobeAudition);
    TestEffect e (8, false);
    e.prepareToPlay (44100.0, 64);
    EXPECT_TRUE (e.isNonRealtime());

    const int before = e.interpolationSteps.load();
    block (e, 1);
    block (e, 1);
    EXPECT_EQ (e.interpolationSteps.load() - before, 2);
    EXPECT_TRUE (e.offline.load());
}

TEST (MyEffect, SurroundOutputSlots)
{
    const struct
    {
        int outputs;
        std::vector<int> slotOfChannel;
    } cases[] = {
        { 1, { 0 } },
        { 2, { 0, 1 } },
        { 4, { 0, 1, 3, 4 } },
        { 5, { 0, 1, 3, 4, 2 } },
        { 6, { 0, 1, 2, 7, 3, 4 } },
        { 7, { 0 } },  // seven outputs: only channel 0 is mapped
        { 8, { 0, 1, 5, 6, 2, 7, 3, 4 } },
    };

    for (const auto& c : cases)
    {
        TestEffect e (8, false);
        for (auto* slot : e.outputSlots)
            EXPECT_EQ (slot, nullptr);

        e.numOutputChannels = c.outputs;
        juce::AudioBuffer<float> buffer (c.outputs, 16);
        e.allocateSurroundOut (buffer);

        std::vector<bool> named (8, false);
        for (size_t ch = 0; ch < c.slotOfChannel.size(); ++ch)
        {
            EXPECT_EQ (e.outputSlots[c.slotOfChannel[ch]], buffer.getWritePointer ((int) ch)) << c.outputs;
            named[(size_t) c.slotOfChannel[ch]] = true;
        }
        for (int s = 0; s < 8; ++s)
        {
            if (! named[(size_t) s])
            {
                EXPECT_EQ (e.outputSlots[s], nullptr) << c.outputs << " slot " << s;
            }
        }
    }

    // A buffer with fewer channels than the layout maps only what exists.
    TestEffect e (8, false);
    e.numOutputChannels = 8;
    juce::AudioBuffer<float> two (2, 16);
    e.allocateSurroundOut (two);
    EXPECT_EQ (e.outputSlots[1], two.getWritePointer (1));
    EXPECT_EQ (e.outputSlots[5], nullptr);
}

TEST (MyEffect, HostAndIndexedValuesAgreeAndAreClipped)
{
    TestEffect e (8, false);
    auto& params = e.getParameters();

    const struct
    {
        float in, stored;
    } cases[] = { { 0.25f, 0.25f }, { -1.0f, 0.0f }, { 2.0f, 1.0f }, { 1.0f, 1.0f }, { 0.0f, 0.0f } };

    for (const auto& c : cases)
    {
        e.setParameterNotifyingHost (1, c.in);
        EXPECT_FLOAT_EQ (e.getIndexedParameter (1), c.stored);
        EXPECT_FLOAT_EQ (params[1]->getValue(), c.stored);

        params[0]->setValue (c.in);
        EXPECT_FLOAT_EQ (e.getIndexedParameter (0), c.stored);
    }

    // Non-finite values and bad indices are refused everywhere.
    e.setParameterNotifyingHost (1, 0.4f);
    const int sets = e.setCount.load();
    for (float bad : { std::nanf (""), INFINITY, -INFINITY })
    {
        e.setParameterNotifyingHost (1, bad);
        params[1]->setValue (bad);
        e.setIndexedParameter (1, bad);
    }
    e.setParameterNotifyingHost (-1, 0.5f);
    e.setParameterNotifyingHost (8, 0.5f);
    EXPECT_FLOAT_EQ (e.getIndexedParameter (1), 0.4f);
    EXPECT_EQ (e.setCount.load(), sets);
    EXPECT_EQ (e.currentParameter.load(), 1);

    // The adapter: identifier, forwarding, text limit 64.
    auto* p = e.getVoktParameter (2);
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (p->getParameterID(), "2");
    EXPECT_EQ (p->getName (3), "Mode");
    EXPECT_TRUE (p->isDiscrete());
    EXPECT_EQ (p->getNumSteps(), 5);
    EXPECT_FALSE (p->isBoolean());
    EXPECT_FALSE (p->isAutomatable());
    p->getText (0.5f, 4);
    EXPECT_EQ (e.lastTextLength.load(), 64);
    EXPECT_EQ (p->agitationGroup.load(), -1);
    EXPECT_EQ (e.getVoktParameter (8), nullptr);
    EXPECT_EQ (e.getVoktParameter (-1), nullptr);
}

TEST (MyEffect, ChangedFlagsArePolledAndCleared)
{
    TestEffect e (8, false);

    // Created with the effect, all set.
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE (e.isParameterChanged (i));
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE (e.isParameterChanged (i));
    EXPECT_FALSE (e.isParameterChanged (-1));
    EXPECT_FALSE (e.isParameterChanged (8));

    e.setParameterNotifyingHost (3, 1.0f);
    EXPECT_TRUE (e.isParameterChanged (3));
    EXPECT_FALSE (e.isParameterChanged (3));
    EXPECT_FALSE (e.isParameterChanged (2));

    e.initAllParameterChanged (true);
    EXPECT_TRUE (e.isParameterChanged (7));
    e.initAllParameterChanged (false);
    EXPECT_FALSE (e.isParameterChanged (0));

    // No interpolation: the exclusion flags stay as they are.
    e.setParameterNotifyingHost (1, 0.3f);
    EXPECT_EQ (e.nonInterpolated[1].load(), 0);
    EXPECT_FALSE (e.nonInterpolatedPending.load());

    // During an interpolation the parameter leaves it.
    e.alfa = 0.5f;
    e.setParameterNotifyingHost (1, 0.2f);
    EXPECT_EQ (e.nonInterpolated[1].load(), 1);
    EXPECT_TRUE (e.nonInterpolatedPending.load());

    // A bulk set only raises the changed flag.
    e.isParameterChanged (2);
    e.bulkSet = true;
    e.setParameterNotifyingHost (2, 0.75f);
    e.bulkSet = false;
    EXPECT_TRUE (e.isParameterChanged (2));
    EXPECT_EQ (e.nonInterpolated[2].load(), 0);

    e.InitNonInterpolatedParameters();
    EXPECT_EQ (e.nonInterpolated[1].load(), 0);
    EXPECT_FALSE (e.nonInterpolatedPending.load());

    // Guards on the entry points.
    e.NonInterpolateParameter (-1, true);
    e.NonInterpolateParameter (8, true);
}

TEST (MyEffect, ResetStateSetsDefaults)
{
    TestEffect e (8, false);
    for (int i = 0; i < 8; ++i)
        e.setParameterNotifyingHost (i, 0.1f);
    e.resetStateInformation();
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ (e.getIndexedParameter (i), e.defaultOf (i));
}

namespace
{
struct NamedEffect : TestEffect
{
    NamedEffect() : TestEffect (8, false) {}
    ~NamedEffect() override { stopThreads(); }
    juce::String getIndexedParameterName (int) override { return name; }
    juce::String name;
};
} // namespace

TEST (MyEffect, ParameterVisibilityByName)
{
    const struct
    {
        const char* name;
        bool visible;
    } cases[] = {
        { "Preset", false },       { " preset ", false },     { "Preset Mix", true },
        { "Super Slider", false }, { "SUPERSLIDER", false },  { "InterSpeed", false },
        { "LoadSpeed", false },    { "Load Speed", false },   { "Speed Agit 3", false },
        { "agitation", false },    { "Gain", true },          { "", true },
    };
    NamedEffect e;
    for (const auto& c : cases)
    {
        e.name = c.name;
        EXPECT_EQ (e.getParameterVisibility (0), c.visible) << c.name;
    }
}

namespace
{
struct DeferringEffect : TestEffect
{
    DeferringEffect() : TestEffect (8, true) {}
    ~DeferringEffect() override { stopThreads(); }
    void handleDeferredWork (int id) override
    {
        EXPECT_TRUE (juce::MessageManager::getInstance()->isThisTheMessageThread());
        handled.fetch_add (1 << id);
    }
    std::atomic<int> handled { 0 };
};

struct ChangeCounter : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};
} // namespace

TEST (MyEffect, WorkAskedOffTheMessageThreadRunsOnTheTimer)
{
    DeferringEffect e;

    e.runOnMessageThreadOrDefer (1);
    EXPECT_EQ (e.handled.load(), 2);  // on the message thread: at once

    std::thread other ([&e] { e.runOnMessageThreadOrDefer (3); e.runOnMessageThreadOrDefer (40); });
    other.join();
    EXPECT_TRUE (e.isDeferredWorkPending (3));
    EXPECT_EQ (e.handled.load(), 2);

    for (int k = 0; k < 20 && e.isDeferredWorkPending (3); ++k)
        pump (20);
    EXPECT_FALSE (e.isDeferredWorkPending (3));
    EXPECT_EQ (e.handled.load(), 2 + 8);
}

TEST (MyEffect, EditorUpdateBecomesOneChangeMessage)
{
    TestEffect e (8, true);
    ChangeCounter counter;
    e.addChangeListener (&counter);

    std::thread other ([&e] { e.updateEditor(); e.updateEditor(); });
    other.join();
    for (int k = 0; k < 20 && counter.count == 0; ++k)
        pump (20);
    pump (60);
    EXPECT_EQ (counter.count, 1);
    EXPECT_FALSE (e.editorUpdatePending.load());
    e.removeChangeListener (&counter);
}

TEST (MyEffect, TimerStartsTheAgitatorOnlyAfterStartTimers)
{
    TestEffect e (8, false);
    pump (120);
    EXPECT_FALSE (e.agitator.isThreadRunning());

    e.startTimers();
    for (int k = 0; k < 20 && ! e.agitator.isThreadRunning(); ++k)
        pump (20);
    EXPECT_TRUE (e.agitator.isThreadRunning());

    // A stopped agitator is started again by the next tick.
    e.agitator.stopWithoutKilling();
    EXPECT_FALSE (e.agitator.isThreadRunning());
    for (int k = 0; k < 20 && ! e.agitator.isThreadRunning(); ++k)
        pump (20);
    EXPECT_TRUE (e.agitator.isThreadRunning());

    // After stopThreads nothing starts again.
    e.stopThreads();
    EXPECT_FALSE (e.agitator.isThreadRunning());
    pump (120);
    EXPECT_FALSE (e.agitator.isThreadRunning());
    EXPECT_FALSE (e.isTimerRunning());
}

namespace
{
struct CountingAgitation : TestEffect
{
    CountingAgitation() : TestEffect (8, false) {}
    ~CountingAgitation() override { stopThreads(); }
    void DoAgitation() override { ++agitations; }
    int agitations = 0;
};
} // namespace

TEST (MyEffect, ThreadCallbackAgitatesOnlyWhenOnAmplifiedAndNotInterpolating)
{
    const struct
    {
        bool on;
        float amplitude;
        float alfa;
        bool runs;
    } cases[] = {
        { true, 0.5f, 1.0f, true },
        { false, 0.5f, 1.0f, false },
        { true, 0.0f, 1.0f, false },
        { true, 0.5f, 0.5f, false },
    };
    for (const auto& c : cases)
    {
        CountingAgitation e;
        e.agitationOn = c.on;
        e.agitationAmplitudes[2] = c.amplitude;
        e.alfa = c.alfa;
        e.interpolationRate = 0.0f;  // a running interpolation stays where it is
        const int before = e.interpolationSteps.load();
        e.threadCallback();
        EXPECT_EQ (e.interpolationSteps.load() - before, 1);
        EXPECT_EQ (e.agitations, c.runs ? 1 : 0);
    }
}

TEST (MyEffect, AudioStepAllocatesNothingAfterPrepare)
{
    for (int kind : { -1, (int) MyPluginHostType::adobeAudition })
    {
        HostOverride host (kind);
        TestEffect e (8, false);
        e.prepareToPlay (44100.0, 512);
        e.midiBindings[1].store ({ 1, 1, 7, 60, 0 });
        e.SetPreset (3, 0);  // an interpolation runs (offline: on this thread)

        juce::AudioBuffer<float> buffer (2, 512);
        buffer.clear();
        juce::MidiBuffer midi;
        midi.ensureSize (256);
        midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, 100), 10);
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 90), 20);
        midi.addEvent (juce::MidiMessage::pitchWheel (1, 9000), 30);
        e.processBlock (buffer, midi);  // first block outside the count

        AllocationCounter count;
        for (int k = 0; k < 8; ++k)
        {
            e.processBlock (buffer, midi);
            e.processBlockBypassed (buffer, midi);
        }
        EXPECT_EQ (count.allocations(), 0u) << "host kind " << kind;
        EXPECT_NEAR (e.getIndexedParameter (1), 100.0f / 128.0f, 1e-6f);
        EXPECT_FALSE (e.bypassed.load());
    }
}

TEST (MyEffect, MidiLearnInTheAudioStepAllocatesNothing)
{
    TestEffect e (8, false);
    e.prepareToPlay (44100.0, 256);
    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    juce::MidiBuffer midi;
    midi.ensureSize (64);
    midi.addEvent (juce::MidiMessage::controllerEvent (3, 21, 64), 5);
    e.processBlock (buffer, midi);  // first block outside the count

    e.setMidiBind (true);
    e.currentParameter.store (1);
    {
        AllocationCounter count;
        e.processBlock (buffer, midi);
        EXPECT_EQ (count.allocations(), 0u);
    }
    const auto learnt = e.midiBindings[1].load();
    EXPECT_EQ (learnt.type, 1);
    EXPECT_EQ (learnt.channel, 3);
    EXPECT_EQ (learnt.controller, 21);
    EXPECT_NEAR (e.getIndexedParameter (1), 0.5f, 1e-6f);
}

TEST (MyEffect, TempoChangeRecordedByTheAudioThreadIsAppliedOffIt)
{
    TestEffect e (8, true);
    e.syncTimingPending.store (true);
    for (int k = 0; k < 20 && e.syncTimingPending.load(); ++k)
        pump (20);
    EXPECT_FALSE (e.syncTimingPending.load());

    // The offline step on the audio thread leaves it to the agitator or the timer.
    e.stopThreads();
    e.syncTimingPending.store (true);
    e.threadCallback();
    EXPECT_TRUE (e.syncTimingPending.load());
}

namespace
{
// Overrides a virtual the agitator thread calls, but leaves stopping the
// threads to its base class: the fault the base destructor reports.
struct ForgetfulEffect : TestEffect
{
    ForgetfulEffect() : TestEffect (8, true) {}
    void DoAgitation() override {}
};

void destroyRunningEffect (bool stopInMostDerived)
{
    auto* e = new ForgetfulEffect();
    for (int k = 0; k < 20 && ! e->agitator.isThreadRunning(); ++k)
        pump (20);
    if (stopInMostDerived)
        e->stopThreads();
    delete e;
    std::fprintf (stderr, "destroyed cleanly\n");
    std::exit (0);
}
} // namespace

TEST (MyEffectDeathTest, DestroyingAnEffectWhoseMostDerivedClassDidNotStopItsThreadsAborts)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer reports this fault itself, as the data race on the vptr it is";
#endif
    GTEST_FLAG_SET (death_test_style, "threadsafe");
    EXPECT_DEATH (destroyRunningEffect (false), "call stopThreads\\(\\) first in the most derived destructor");
    EXPECT_EXIT (destroyRunningEffect (true), testing::ExitedWithCode (0), "destroyed cleanly");
}
