// Tempo-synced parameters of the crunch engine set off the message thread:
// the snap runs at once with the engine's char texts, allocates nothing and
// gives what the juce::String texts give on the message thread, in the live
// sync records and in the current program's copy of them.
#include "AllocationCounter.h"
#include "Utilities.h"
#include "ZuveruvaTestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

using namespace zuveruva_test;

namespace
{
// The engine without its char texts: the message thread snaps through the
// juce::String texts, the reference for the char forms.
class StringTextZuveruva : public Zuveruva
{
public:
    ~StringTextZuveruva() override { stopThreads(); }
    bool writeSyncPlainText (int, float, char*, std::size_t) override { return false; }
    bool readSyncValueFromText (int, const char*, float&) override { return false; }
};

constexpr int syncedParameters[] = { Zuveruva::kInterSpeed, Zuveruva::kAgitation1Speed, Zuveruva::kAgitation2Speed,
                                     Zuveruva::kAgitation3Speed, Zuveruva::kAgitation4Speed };

constexpr float values[] = { 0.0f, 0.0005f, 0.02f, 0.1f, 0.237f, 0.3333f, 0.5f, 0.61f, 0.75f, 0.9f, 0.999f, 1.0f };

struct Timing
{
    float wholeNoteMs;
    int numerator;
    float denominator;
};

// 120 bpm in 4/4, 97 bpm in 7/8.
constexpr Timing timings[] = { { 2000.0f, 4, 4.0f }, { 240000.0f / 97.0f, 7, 8.0f } };

void setTiming (Zuveruva& e, const Timing& t)
{
    e.wholeNoteMs.store (t.wholeNoteMs);
    e.timeSigNumerator.store (t.numerator);
    e.timeSigDenominator.store (t.denominator);
}

// The current program's copy of parameter i's sync record equals the live one.
void expectProgramSyncRecord (Zuveruva& e, int i)
{
    const ZuveruvaProgram program = e.getProgram (e.getCurrentProgram());
    EXPECT_EQ (program.syncTable[i].mode, e.GetSyncMode (i)) << i;
    EXPECT_EQ (program.syncTable[i].count, e.GetSyncNombre (i)) << i;
    EXPECT_EQ (program.syncTable[i].note, e.GetSyncNote (i)) << i;
}

struct ZuveruvaSync : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }
};
} // namespace

TEST_F (ZuveruvaSync, CharTextsGiveWhatTheStringTextsGive)
{
    Zuveruva e;
    for (int i : syncedParameters)
    {
        for (float v : values)
        {
            char buf[valueTextSize] = {};
            ASSERT_TRUE (e.writeSyncPlainText (i, v, buf, sizeof (buf))) << i;
            EXPECT_EQ (std::string (buf), e.getSyncParameterText (i, v, true).toStdString()) << i << " " << v;
        }
        // Snapped texts as the snap writes them, padded ones, and texts
        // without a number (0, as the juce::String form reads them).
        for (const char* text : { "   0.0000", "   0.1250", "   1.0000", "   2.7500", "  10.0000", "  59.9999",
                                  "  75.0000", "\t 3.5 \n", "--", "x", "" })
        {
            float value = -1.0f;
            ASSERT_TRUE (e.readSyncValueFromText (i, text, value)) << i;
            EXPECT_EQ (value, e.getIndexedParameterValueFromText (i, text)) << i << " [" << text << "]";
        }
    }

    // Buffers too small for the text, and parameters that are never synced.
    char small[3] = { 'a', 'b', 0 };
    EXPECT_FALSE (e.writeSyncPlainText (Zuveruva::kInterSpeed, 0.5f, small, sizeof (small)));
    EXPECT_EQ (std::string (small), "ab");
    char buf[valueTextSize] = {};
    float value = 0.25f;
    for (int i : { (int) Zuveruva::kGain, (int) Zuveruva::kFrequency, (int) Zuveruva::kAgitation1Ampl,
                   (int) Zuveruva::kSync, -1, (int) Zuveruva::numParameters })
    {
        EXPECT_FALSE (e.writeSyncPlainText (i, 0.5f, buf, sizeof (buf))) << i;
        EXPECT_FALSE (e.readSyncValueFromText (i, "1.0", value)) << i;
    }
    EXPECT_FALSE (e.readSyncValueFromText (Zuveruva::kInterSpeed, nullptr, value));
    EXPECT_EQ (value, 0.25f);
}

TEST_F (ZuveruvaSync, SyncedValueSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating)
{
    auto reference = std::make_unique<StringTextZuveruva>();
    auto engine = std::make_unique<Zuveruva>();
    int snappedAway = 0;

    for (const Timing& timing : timings)
    {
        setTiming (*reference, timing);
        setTiming (*engine, timing);
        for (int i : syncedParameters)
        {
            ASSERT_TRUE (reference->SetSyncMode (i, true));
            ASSERT_TRUE (engine->SetSyncMode (i, true));
            for (float v : values)
            {
                reference->setIndexedParameter (i, v);
                const float expected = reference->getIndexedParameter (i);

                std::size_t allocations = 1;
                std::thread other ([&] {
                    AllocationCounter counter;
                    engine->setIndexedParameter (i, v);
                    allocations = counter.allocations();
                });
                other.join();

                EXPECT_EQ (allocations, 0u) << i << " " << v;
                EXPECT_EQ (engine->getIndexedParameter (i), expected) << i << " " << v;
                EXPECT_EQ (engine->GetSyncNombre (i), reference->GetSyncNombre (i)) << i << " " << v;
                EXPECT_EQ (engine->GetSyncNote (i), reference->GetSyncNote (i)) << i << " " << v;
                // Snapped there and then: nothing is left for the timer.
                EXPECT_FALSE (engine->syncValuesPending.load()) << i << " " << v;
                expectProgramSyncRecord (*engine, i);
                if (expected != v)
                    ++snappedAway;
            }
            engine->SetSyncMode (i, false);
            reference->SetSyncMode (i, false);
        }
    }
    // The table does exercise the snap: most values move to a musical length.
    EXPECT_GT (snappedAway, 20);
}

TEST_F (ZuveruvaSync, SyncedValueSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating)
{
    // The audio thread's own path: controllers bound to the synced parameters
    // move them inside processBlock (the program's copy only tries the record
    // lock there), against the same values set on the message thread.
    auto reference = std::make_unique<StringTextZuveruva>();
    auto engine = std::make_unique<Zuveruva>();
    ASSERT_TRUE (prepare (*engine, 2, 0, 256));
    int controller = 20;
    for (int i : syncedParameters)
    {
        ASSERT_TRUE (reference->SetSyncMode (i, true));
        ASSERT_TRUE (engine->SetSyncMode (i, true));
        engine->getMidiBinding (i)->store ({ 1, 1, controller++, 60, 0 });
    }

    constexpr int ccValues[] = { 13, 57, 102 };
    juce::AudioBuffer<float> buffer (2, 256);
    juce::MidiBuffer midi;
    midi.ensureSize (64);
    std::size_t allocations = 0;
    std::thread audio ([&] {
        for (int cc : ccValues)
        {
            midi.clear();
            for (int k = 0; k < (int) std::size (syncedParameters); ++k)
                midi.addEvent (juce::MidiMessage::controllerEvent (1, 20 + k, cc), 0);
            buffer.clear();
            AllocationCounter counter;
            engine->processBlock (buffer, midi);
            allocations += counter.allocations();
        }
    });
    audio.join();
    EXPECT_EQ (allocations, 0u);
    EXPECT_FALSE (engine->syncValuesPending.load());

    for (int i : syncedParameters)
    {
        for (int cc : ccValues)
            reference->setIndexedParameter (i, (float) cc / 128.0f);
        EXPECT_NE (reference->getIndexedParameter (i), (float) ccValues[std::size (ccValues) - 1] / 128.0f) << i;
        EXPECT_EQ (engine->getIndexedParameter (i), reference->getIndexedParameter (i)) << i;
        EXPECT_EQ (engine->GetSyncNombre (i), reference->GetSyncNombre (i)) << i;
        EXPECT_EQ (engine->GetSyncNote (i), reference->GetSyncNote (i)) << i;
        expectProgramSyncRecord (*engine, i);
    }
}
