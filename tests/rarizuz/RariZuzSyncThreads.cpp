// Tempo-synced parameters of the spectral delay set off the message thread:
// the snap runs at once with the engine's char texts, allocates nothing and
// gives what the juce::String texts give on the message thread.
#include "AllocationCounter.h"
#include "RariZuz.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

namespace
{
// The engine without its char texts: the message thread snaps through the
// juce::String texts, the reference for the char forms.
class StringTextRariZuz : public RariZuz
{
public:
    ~StringTextRariZuz() override { stopThreads(); }
    bool writeSyncPlainText (int, float, char*, std::size_t) override { return false; }
    bool readSyncValueFromText (int, const char*, float&) override { return false; }
};

// One parameter of each synced kind (bar delays first and last).
constexpr int syncedKinds[] = { RariZuz::pInterSpeed, RariZuz::pAgitation1Speed, RariZuz::pAgitation2Speed,
                                RariZuz::pAgitation3Speed, RariZuz::pDelay, RariZuz::pDelay + 7 };

constexpr float values[] = { 0.0f, 0.0005f, 0.02f, 0.1f, 0.237f, 0.3333f, 0.5f, 0.61f, 0.75f, 0.9f, 0.999f, 1.0f };

struct Timing
{
    float wholeNoteMs;
    int numerator;
    float denominator;
};

// 120 bpm in 4/4, 97 bpm in 7/8.
constexpr Timing timings[] = { { 2000.0f, 4, 4.0f }, { 240000.0f / 97.0f, 7, 8.0f } };

void setTiming (RariZuz& e, const Timing& t)
{
    e.wholeNoteMs.store (t.wholeNoteMs);
    e.timeSigNumerator.store (t.numerator);
    e.timeSigDenominator.store (t.denominator);
}

struct RariZuzSync : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }
};
} // namespace

TEST_F (RariZuzSync, CharTextsGiveWhatTheStringTextsGive)
{
    RariZuz e;
    for (int i : syncedKinds)
    {
        for (float v : values)
        {
            char buf[valueTextSize] = {};
            ASSERT_TRUE (e.writeSyncPlainText (i, v, buf, sizeof (buf))) << i;
            EXPECT_EQ (std::string (buf), e.getSyncParameterText (i, v, true).toStdString()) << i << " " << v;
        }
        // Snapped texts as the snap writes them, and texts without a number
        // (the current value stays).
        for (const char* text : { "   0.0000", "   0.1250", "   1.0000", "   2.7500", "  10.0000", "  59.9999",
                                  "  75.0000", "--", "x" })
        {
            float value = -1.0f;
            ASSERT_TRUE (e.readSyncValueFromText (i, text, value)) << i;
            EXPECT_EQ (value, e.getIndexedParameterValueFromText (i, text)) << i << " " << text;
        }
    }

    // Buffers too small for the text, and parameters that are never synced.
    char small[3] = { 'a', 'b', 0 };
    EXPECT_FALSE (e.writeSyncPlainText (RariZuz::pDelay, 0.5f, small, sizeof (small)));
    EXPECT_EQ (std::string (small), "ab");
    char buf[valueTextSize] = {};
    float value = 0.25f;
    for (int i : { (int) RariZuz::pGain, (int) RariZuz::pFrequency, (int) RariZuz::pAgitation1Ampl, -1, RariZuz::numParameters })
    {
        EXPECT_FALSE (e.writeSyncPlainText (i, 0.5f, buf, sizeof (buf))) << i;
        EXPECT_FALSE (e.readSyncValueFromText (i, "1.0", value)) << i;
    }
    EXPECT_EQ (value, 0.25f);
}

TEST_F (RariZuzSync, SyncedValueSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating)
{
    auto reference = std::make_unique<StringTextRariZuz>();
    auto engine = std::make_unique<RariZuz>();
    int snappedAway = 0;

    for (const Timing& timing : timings)
    {
        setTiming (*reference, timing);
        setTiming (*engine, timing);
        for (int i : syncedKinds)
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
                if (expected != engine->getIndexedParameter (i) || expected != v)
                    ++snappedAway;
            }
            engine->SetSyncMode (i, false);
            reference->SetSyncMode (i, false);
        }
    }
    // The table does exercise the snap: most values move to a musical length.
    EXPECT_GT (snappedAway, 20);
}

TEST_F (RariZuzSync, SyncedValueSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating)
{
    // The audio thread's own path: controllers bound to the synced kinds move
    // them inside processBlock, against the same values set on the message thread.
    auto reference = std::make_unique<StringTextRariZuz>();
    auto engine = std::make_unique<RariZuz>();
    engine->prepareToPlay (44100.0, 256);
    int controller = 20;
    for (int i : syncedKinds)
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
            for (int k = 0; k < (int) std::size (syncedKinds); ++k)
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

    // The same values in the same order (a bar's delay is kept in its
    // geometry, so its last value depends on the earlier ones too).
    for (int i : syncedKinds)
    {
        for (int cc : ccValues)
            reference->setIndexedParameter (i, (float) cc / 128.0f);
        EXPECT_NE (reference->getIndexedParameter (i), (float) ccValues[std::size (ccValues) - 1] / 128.0f) << i;
        EXPECT_EQ (engine->getIndexedParameter (i), reference->getIndexedParameter (i)) << i;
        EXPECT_EQ (engine->GetSyncNombre (i), reference->GetSyncNombre (i)) << i;
        EXPECT_EQ (engine->GetSyncNote (i), reference->GetSyncNote (i)) << i;
    }
}
