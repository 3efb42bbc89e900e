#pragma once
// Checks of tempo-synced parameters set off the message thread, shared by the
// two engines' thread tests: the snap runs at once with the engine's char
// texts, allocates nothing and gives what the juce::String texts give on the
// message thread. Each engine names its synced parameters and adds its own
// per-parameter check (`alsoCheck (engine, i)`).
#include "AllocationCounter.h"
#include "MyEffect.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sync_snap
{
// The engine without its char texts: the message thread snaps through the
// juce::String texts, the reference for the char forms.
template <typename Engine>
class StringTextEngine : public Engine
{
public:
    ~StringTextEngine() override { this->stopThreads(); }
    bool writeSyncPlainText (int, float, char*, std::size_t) override { return false; }
    bool readSyncValueFromText (int, const char*, float&) override { return false; }
};

inline constexpr float values[] = { 0.0f, 0.0005f, 0.02f, 0.1f, 0.237f, 0.3333f, 0.5f, 0.61f, 0.75f, 0.9f, 0.999f, 1.0f };

struct Timing
{
    float wholeNoteMs;
    int numerator;
    float denominator;
};

// 120 bpm in 4/4, 97 bpm in 7/8.
inline constexpr Timing timings[] = { { 2000.0f, 4, 4.0f }, { 240000.0f / 97.0f, 7, 8.0f } };

inline void setTiming (MyEffect& e, const Timing& t)
{
    e.wholeNoteMs.store (t.wholeNoteMs);
    e.timeSigNumerator.store (t.numerator);
    e.timeSigDenominator.store (t.denominator);
}

// The char texts of every synced parameter against the juce::String ones:
// values written, then `texts` read back; then a buffer too small for the
// text (parameter `synced[0]`) and parameters that are never synced.
inline void expectCharTextsGiveWhatTheStringTextsGive (MyEffect& e, const std::vector<int>& synced,
                                                       std::initializer_list<const char*> texts,
                                                       std::initializer_list<int> neverSynced)
{
    for (int i : synced)
    {
        for (float v : values)
        {
            char buf[valueTextSize] = {};
            ASSERT_TRUE (e.writeSyncPlainText (i, v, buf, sizeof (buf))) << i;
            EXPECT_EQ (std::string (buf), e.getSyncParameterText (i, v, true).toStdString()) << i << " " << v;
        }
        for (const char* text : texts)
        {
            float value = -1.0f;
            ASSERT_TRUE (e.readSyncValueFromText (i, text, value)) << i;
            EXPECT_EQ (value, e.getIndexedParameterValueFromText (i, text)) << i << " [" << text << "]";
        }
    }

    char small[3] = { 'a', 'b', 0 };
    EXPECT_FALSE (e.writeSyncPlainText (synced.front(), 0.5f, small, sizeof (small)));
    EXPECT_EQ (std::string (small), "ab");
    char buf[valueTextSize] = {};
    float value = 0.25f;
    for (int i : neverSynced)
    {
        EXPECT_FALSE (e.writeSyncPlainText (i, 0.5f, buf, sizeof (buf))) << i;
        EXPECT_FALSE (e.readSyncValueFromText (i, "1.0", value)) << i;
    }
    EXPECT_EQ (value, 0.25f);
}

// Every value of the table set on another thread, in both timings, against
// the same value set on the message thread of a reference engine.
template <typename Engine, typename AlsoCheck>
void expectSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating (const std::vector<int>& synced, AlsoCheck alsoCheck)
{
    auto reference = std::make_unique<StringTextEngine<Engine>>();
    auto engine = std::make_unique<Engine>();
    int snappedAway = 0;

    for (const Timing& timing : timings)
    {
        setTiming (*reference, timing);
        setTiming (*engine, timing);
        for (int i : synced)
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
                alsoCheck (*engine, i);
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

// The audio thread's own path: controllers 20, 21, ... bound to the synced
// parameters move them inside processBlock, against the same values set on
// the message thread. `prepare (engine)` readies the engine for 256-sample
// blocks in stereo.
template <typename Engine, typename Prepare, typename AlsoCheck>
void expectSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating (const std::vector<int>& synced, Prepare prepare,
                                                                   AlsoCheck alsoCheck)
{
    auto reference = std::make_unique<StringTextEngine<Engine>>();
    auto engine = std::make_unique<Engine>();
    ASSERT_TRUE (prepare (*engine));
    int controller = 20;
    for (int i : synced)
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
            for (int k = 0; k < (int) synced.size(); ++k)
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

    // The same values in the same order (a value kept in a geometry, as a
    // bar's delay is, depends on the earlier ones too).
    for (int i : synced)
    {
        for (int cc : ccValues)
            reference->setIndexedParameter (i, (float) cc / 128.0f);
        EXPECT_NE (reference->getIndexedParameter (i), (float) ccValues[std::size (ccValues) - 1] / 128.0f) << i;
        EXPECT_EQ (engine->getIndexedParameter (i), reference->getIndexedParameter (i)) << i;
        EXPECT_EQ (engine->GetSyncNombre (i), reference->GetSyncNombre (i)) << i;
        EXPECT_EQ (engine->GetSyncNote (i), reference->GetSyncNote (i)) << i;
        alsoCheck (*engine, i);
    }
}
} // namespace sync_snap
