// Tempo sync on the effect: reading the host's tempo, snapping values,
// musical texts, stepping, and the audio thread's part in it.
#include "FrameTestEffect.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <thread>

namespace
{
struct TempoSyncEffect : ::testing::Test
{
    FrameTestEffect effect;
    FakePlayHead playHead;
    juce::AudioBuffer<float> buffer { 2, 256 };
    juce::MidiBuffer midi;

    void SetUp() override
    {
        effect.prepareToPlay (48000.0, 256);
        effect.setPlayHead (&playHead);
        effect.SetSyncMode (FrameTestEffect::syncTime, true);
    }

    void TearDown() override { effect.setPlayHead (nullptr); }

    // One block on the audio side, then the agitator's part.
    void block()
    {
        buffer.clear();
        effect.processBlock (buffer, midi);
        effect.applyPendingSyncTiming();
    }

    juce::String text (int i) { return effect.getIndexedParameterText (i); }
    float seconds() { return effect.getIndexedParameter (FrameTestEffect::syncTime) * 10.0f; }
};
} // namespace

TEST_F (TempoSyncEffect, HostTempoAndMetre)
{
    struct Case { bool reports; double bpm; int num, den; float whole; int32_t n; float d; };
    const double unset = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        { true, 120.0, 4, 4, 2000.0f, 4, 4.0f },
        { true, 0.0, 3, 4, 4000.0f, 3, 4.0f },      // 0 bpm: a whole note of 4000 ms
        { true, -60.0, 4, 4, 4000.0f, 4, 4.0f },    // not positive: unset
        { true, unset, 0, 0, 4000.0f, 4, 4.0f },    // nothing reported
        { true, 90.0, 7, 8, 2666.6667f, 7, 8.0f },
        { false, 120.0, 4, 4, 4000.0f, 4, 4.0f },   // no position: 60 bpm in 4/4
    };
    for (const auto& c : cases)
    {
        playHead.reports.store (c.reports);
        playHead.bpm.store (c.bpm);
        playHead.numerator.store (c.num);
        playHead.denominator.store (c.den);
        block();
        EXPECT_FLOAT_EQ (effect.wholeNoteMs.load(), c.whole) << c.bpm;
        EXPECT_EQ (effect.timeSigNumerator.load(), c.n) << c.bpm;
        EXPECT_EQ (effect.timeSigDenominator.load(), c.d) << c.bpm;
    }
    EXPECT_FALSE (effect.applyPendingSyncTiming());   // nothing new since the last block
}

TEST_F (TempoSyncEffect, SnapsUserValuesToTheGridAt120Bpm)
{
    block();   // 120 bpm, 4/4: whole note and bar 2000 ms
    struct Case { float seconds; const char* text; float snapped; int count, note; };
    const Case cases[] = {
        { 0.7f, "T/2", 2.0f / 3.0f, 1, 7 },
        { 5.0f, "2 bars", 4.0f, 2, 0 },
        { 2.0f, "1 bar", 2.0f, 1, 0 },
        { 0.5f, "1/4", 0.5f, 1, 8 },
        { 0.01f, "0", 0.0f, 0, 21 },
        { 10.0f, "5 bars", 10.0f, 5, 0 },
    };
    for (const auto& c : cases)
    {
        effect.setIndexedParameter (FrameTestEffect::syncTime, c.seconds / 10.0f);
        EXPECT_EQ (text (FrameTestEffect::syncTime), c.text) << c.seconds;
        EXPECT_NEAR (seconds(), c.snapped, 1e-3f) << c.seconds;
        EXPECT_EQ (effect.GetSyncNombre (FrameTestEffect::syncTime), c.count) << c.seconds;
        EXPECT_EQ (effect.GetSyncNote (FrameTestEffect::syncTime), c.note) << c.seconds;
    }
    // The plain text was asked for without switching the sync flag off.
    EXPECT_EQ (effect.modeSeenByPlainText.load(), 1);
    EXPECT_TRUE (effect.GetSyncMode (FrameTestEffect::syncTime));
}

TEST_F (TempoSyncEffect, TempoChangeRewritesSyncedValuesOffTheAudioThread)
{
    block();
    effect.setIndexedParameter (FrameTestEffect::syncTime, 0.05f);   // 1/4 at 120 bpm: 500 ms
    ASSERT_NEAR (seconds(), 0.5f, 1e-4f);

    playHead.bpm.store (60.0);
    buffer.clear();
    effect.processBlock (buffer, midi);
    EXPECT_NEAR (seconds(), 0.5f, 1e-4f);          // the audio thread only records the tempo
    EXPECT_TRUE (effect.syncTimingPending.load());

    EXPECT_TRUE (effect.applyPendingSyncTiming());
    EXPECT_NEAR (seconds(), 1.0f, 1e-4f);          // still a quarter note, now at 60 bpm
    EXPECT_EQ (text (FrameTestEffect::syncTime), "1/4");
    EXPECT_FALSE (effect.syncUpdating.load());
}

TEST_F (TempoSyncEffect, TempoRampAllocatesNothingOnTheAudioThread)
{
    block();
    effect.SetSyncMode (FrameTestEffect::syncFrequency, true);
    effect.SetSyncMode (FrameTestEffect::signedTime, true);
    for (int k = 0; k < 200; ++k)
    {
        playHead.bpm.store (80.0 + k * 0.37);
        playHead.numerator.store (3 + k % 5);
        AllocationCounter count;
        effect.processBlock (buffer, midi);
        EXPECT_EQ (count.allocations(), 0u) << k;
        if (k % 10 == 0)
            effect.applyPendingSyncTiming();
    }
}

TEST_F (TempoSyncEffect, StepsThroughNotesAndBars)
{
    block();
    const int i = FrameTestEffect::syncTime;
    effect.SetSyncNote (i, 21);
    effect.SetSyncNombre (i, 1);
    effect.DecSync (i);
    EXPECT_EQ (text (i), "0");
    EXPECT_EQ (effect.GetSyncNombre (i), 0);
    EXPECT_EQ (seconds(), 0.0f);
    effect.IncSync (i);
    EXPECT_EQ (text (i), "1/64");

    // Up through the notes to a bar, then bars up to the most the
    // parameter holds (10 s = 5 bars at 120 bpm; strictly shorter: 4).
    for (int k = 0; k < 40; ++k)
        effect.IncSync (i);
    EXPECT_EQ (text (i), "4 bars");
    EXPECT_EQ (effect.GetNombreMax (i), 4);
    EXPECT_NEAR (seconds(), 8.0f, 1e-4f);

    for (int k = 0; k < 3; ++k)
        effect.DecSync (i);
    EXPECT_EQ (text (i), "1 bar");
    effect.DecSync (i);
    EXPECT_EQ (text (i), "./2");   // the longest note shorter than a bar

    playHead.bpm.store (60.0);
    playHead.numerator.store (3);
    block();
    effect.SetSyncNoteFromBar (i);
    EXPECT_EQ (text (i), "T/1");   // ./2 is a whole bar in 3/4
}

TEST_F (TempoSyncEffect, NegativeAndFrequencyParameters)
{
    block();
    const int s = FrameTestEffect::signedTime;
    effect.SetSyncMode (s, true);
    effect.setIndexedParameter (s, 0.5f - 0.7f / 20.0f);   // -0.7 s
    EXPECT_EQ (text (s), "- T/2");
    EXPECT_NEAR ((effect.getIndexedParameter (s) - 0.5f) * 20.0f, -2.0f / 3.0f, 1e-3f);

    // A frequency snaps by its period: 3.5 Hz is 286 ms, snapped to 1/8
    // (250 ms, 4 Hz) at 120 bpm.
    const int f = FrameTestEffect::syncFrequency;
    effect.SetSyncMode (f, true);
    effect.setIndexedParameter (f, 0.035f);
    EXPECT_EQ (text (f), "1/8");
    EXPECT_NEAR (effect.getIndexedParameter (f) * 100.0f, 4.0f, 1e-3f);   // 250 ms

    // Periods shorter than any note, and 0 Hz: finite values in range.
    for (float v : { 1.0f, 0.0f, 0.000001f })
    {
        effect.setIndexedParameter (f, v);
        const float stored = effect.getIndexedParameter (f);
        EXPECT_TRUE (stored >= 0.0f && stored <= 1.0f) << v;
    }
    effect.UpdateSyncParameters();
    EXPECT_TRUE (std::isfinite (effect.getIndexedParameter (f)));
}

TEST_F (TempoSyncEffect, RecordsAndTheirRepair)
{
    const int i = FrameTestEffect::syncTime;
    EXPECT_FALSE (effect.SetSyncMode (2, true));   // not able
    EXPECT_EQ (effect.GetSyncNote (2), 4);
    EXPECT_EQ (effect.GetSyncNombre (2), 1);
    EXPECT_FALSE (effect.GetSyncMode (2));
    EXPECT_EQ (effect.getSyncRecord (FrameTestEffect::numParams), nullptr);
    EXPECT_EQ (effect.getSyncRecord (-1), nullptr);

    std::vector<SyncControl> records ((size_t) FrameTestEffect::numParams);
    effect.copySyncControlTo (records.data());
    EXPECT_TRUE (records[(size_t) i].able);
    EXPECT_TRUE (records[(size_t) i].mode);

    // Bytes from a saved state: out-of-range note and count, odd flag bytes.
    std::vector<unsigned char> bytes (records.size() * sizeof (SyncControl));
    std::memcpy (bytes.data(), records.data(), bytes.size());
    unsigned char* r = bytes.data() + (size_t) i * sizeof (SyncControl);
    r[0] = 2;
    r[1] = 0x80;
    const int32_t note = 30, count = 200, negative = -3;
    std::memcpy (r + 8, &note, 4);
    std::memcpy (r + 4, &count, 4);
    std::memcpy (bytes.data() + (size_t) (i + 1) * sizeof (SyncControl) + 8, &negative, 4);
    effect.copySyncControlFrom (reinterpret_cast<const SyncControl*> (bytes.data()));
    EXPECT_EQ (effect.GetSyncNote (i), 5);
    EXPECT_EQ (effect.GetSyncNombre (i), 0);
    EXPECT_TRUE (effect.GetSyncMode (i));
    EXPECT_EQ (effect.getSyncRecord (i + 1)->note, 5);

    // While the engine sets syncUpdating (a program load), values are taken as they come.
    effect.SetSyncNote (i, 8);
    effect.SetSyncNombre (i, 1);
    effect.syncUpdating.store (true);
    effect.setIndexedParameter (i, 0.0123f);
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (i), 0.0123f);
    effect.syncUpdating.store (false);

    effect.initSyncControl (nullptr);
    EXPECT_FALSE (effect.GetSyncAble (i));
}

//==============================================================================
// Snapping on a host's audio thread: never an allocation there.

namespace
{
// FrameTestEffect with the allocation-free text forms, giving the same
// numbers as its juce::String texts.
class CharTextEffect : public FrameTestEffect
{
public:
    ~CharTextEffect() override { stopThreads(); }
    bool writeSyncPlainText (int i, float v, char* buf, std::size_t size) override
    {
        if (i == syncFrequency && v <= 0.0f)
            std::snprintf (buf, size, "--");
        else
            mySprintf (buf, size, "%.4f", i == syncTime ? v * 10.0f : (i == signedTime ? (v - 0.5f) * 20.0f : v * 100.0f));
        return true;
    }

    bool readSyncValueFromText (int i, const char* text, float& value) override
    {
        if (text[0] == '-' && text[1] == '-')
        {
            value = i == syncFrequency ? 0.0f : 1.0f;
            return true;
        }
        float number = 0.0f;
        if (mySscanf (text, "%f", &number) != 1)
            return false;
        value = i == syncTime ? number / 10.0f : (i == signedTime ? number / 20.0f + 0.5f : number / 100.0f);
        return true;
    }
};

// 120 bpm in 4/4, and sync on for the three synced parameters.
void SyncAt120Bpm (FrameTestEffect& e)
{
    e.wholeNoteMs.store (2000.0f);
    e.timeSigNumerator.store (4);
    e.timeSigDenominator.store (4.0f);
    for (int i : { FrameTestEffect::syncTime, FrameTestEffect::syncFrequency, FrameTestEffect::signedTime })
        e.SetSyncMode (i, true);
}

// Runs fn on a thread of its own (neither the message thread nor the
// agitator: what a host's audio thread is to the effect) and returns the
// allocations it made.
template <typename Fn>
std::size_t OnHostAudioThread (Fn&& fn)
{
    std::size_t allocations = 0;
    std::thread audio ([&] {
        AllocationCounter count;
        fn();
        allocations = count.allocations();
    });
    audio.join();
    return allocations;
}

struct SyncCase
{
    const char* name;
    int param;
    float value;
};

const SyncCase syncCases[] = {
    { "0.7 s to T/2", FrameTestEffect::syncTime, 0.07f },
    { "5 s to 2 bars", FrameTestEffect::syncTime, 0.5f },
    { "below the shortest note", FrameTestEffect::syncTime, 0.001f },
    { "-0.7 s", FrameTestEffect::signedTime, 0.5f - 0.7f / 20.0f },
    { "3.5 Hz to 1/8", FrameTestEffect::syncFrequency, 0.035f },
    { "0 Hz (--)", FrameTestEffect::syncFrequency, 0.0f },
    { "100 Hz", FrameTestEffect::syncFrequency, 1.0f },
};

void ExpectSameSnap (FrameTestEffect& e, const FrameTestEffect& reference, int i)
{
    auto& ref = const_cast<FrameTestEffect&> (reference);
    EXPECT_FLOAT_EQ (e.getIndexedParameter (i), ref.getIndexedParameter (i));
    EXPECT_EQ (e.GetSyncNombre (i), ref.GetSyncNombre (i));
    EXPECT_EQ (e.GetSyncNote (i), ref.GetSyncNote (i));
}
} // namespace

TEST (TempoSyncAudioThread, CharTextsSnapAtOnceOnAnyThreadWithoutAllocating)
{
    for (const auto& c : syncCases)
    {
        SCOPED_TRACE (c.name);
        FrameTestEffect reference;   // the juce::String texts on the message thread
        CharTextEffect onMessage, onAudio;
        for (FrameTestEffect* e : { (FrameTestEffect*) &reference, (FrameTestEffect*) &onMessage, (FrameTestEffect*) &onAudio })
            SyncAt120Bpm (*e);
        reference.setIndexedParameter (c.param, c.value);

        {
            AllocationCounter count;
            onMessage.setIndexedParameter (c.param, c.value);
            EXPECT_EQ (count.allocations(), 0u);
        }
        ExpectSameSnap (onMessage, reference, c.param);

        EXPECT_EQ (OnHostAudioThread ([&] { onAudio.setIndexedParameter (c.param, c.value); }), 0u);
        ExpectSameSnap (onAudio, reference, c.param);
        EXPECT_FALSE (onAudio.applyPendingSyncValues());   // nothing left for the timer
    }
}

TEST (TempoSyncAudioThread, StringTextsKeepTheValueThereAndTheTimerSnapsIt)
{
    for (const auto& c : syncCases)
    {
        SCOPED_TRACE (c.name);
        FrameTestEffect reference, effect;
        SyncAt120Bpm (reference);
        SyncAt120Bpm (effect);
        reference.setIndexedParameter (c.param, c.value);
        const int note = effect.GetSyncNote (c.param);

        EXPECT_EQ (OnHostAudioThread ([&] { effect.setIndexedParameter (c.param, c.value); }), 0u);
        EXPECT_FLOAT_EQ (effect.getIndexedParameter (c.param), c.value);   // as it came, for now
        EXPECT_EQ (effect.GetSyncNote (c.param), note);

        EXPECT_TRUE (effect.applyPendingSyncValues());
        ExpectSameSnap (effect, reference, c.param);
        EXPECT_FALSE (effect.applyPendingSyncValues());
    }
}

TEST (TempoSyncAudioThread, MidiInTheAudioStepAllocatesNothingAndIsSnappedLater)
{
    const int i = FrameTestEffect::syncTime;
    const auto cc = juce::MidiMessage::controllerEvent (1, 7, 64);
    FrameTestEffect reference, effect;
    for (FrameTestEffect* e : { &reference, &effect })
    {
        SyncAt120Bpm (*e);
        e->prepareToPlay (48000.0, 256);
        e->midiBindings[(size_t) i].store ({ 1, 1, 7, 60, 0 });
    }
    reference.applyMidiMessage (cc.getRawData(), cc.getRawDataSize());
    ASSERT_EQ (reference.GetSyncNombre (i), 2);   // about 5 s: 2 bars

    FakePlayHead playHead;   // 120 bpm in 4/4, as set
    effect.setPlayHead (&playHead);
    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    juce::MidiBuffer midi;
    midi.addEvent (cc, 0);
    EXPECT_EQ (OnHostAudioThread ([&] { effect.processBlock (buffer, midi); }), 0u);
    effect.setPlayHead (nullptr);
    EXPECT_FALSE (effect.syncTimingPending.load());

    EXPECT_TRUE (effect.applyPendingSyncValues());
    ExpectSameSnap (effect, reference, i);
}

TEST (TempoSyncAudioThread, NewerValuesWinAndOfflineRenderingSnapsAtOnce)
{
    const int i = FrameTestEffect::syncTime;
    FrameTestEffect reference, effect;
    SyncAt120Bpm (reference);
    SyncAt120Bpm (effect);
    reference.setIndexedParameter (i, 0.05f);   // 1/4

    // A value set on the message thread after one still waiting replaces it.
    OnHostAudioThread ([&] { effect.setIndexedParameter (i, 0.5f); });
    effect.setIndexedParameter (i, 0.05f);
    effect.applyPendingSyncValues();
    ExpectSameSnap (effect, reference, i);

    // Rendering offline, the render thread snaps at once.
    effect.setNonRealtime (true);
    reference.setIndexedParameter (i, 0.07f);
    OnHostAudioThread ([&] { effect.setIndexedParameter (i, 0.07f); });
    ExpectSameSnap (effect, reference, i);
    EXPECT_FALSE (effect.applyPendingSyncValues());
}

TEST_F (TempoSyncEffect, OfflineATempoChangeReachesSyncedValuesInItsOwnBlock)
{
    effect.setNonRealtime (true);
    effect.setIndexedParameter (FrameTestEffect::syncTime, 0.05f);
    playHead.bpm.store (120.0);
    buffer.clear();
    effect.processBlock (buffer, midi);
    const float at120 = seconds();

    // No agitator step between the blocks: the render step applies it.
    playHead.bpm.store (60.0);
    buffer.clear();
    effect.processBlock (buffer, midi);
    EXPECT_FALSE (effect.syncTimingPending.load());
    EXPECT_NEAR (seconds(), 2.0f * at120, 1.0e-3f);
}
