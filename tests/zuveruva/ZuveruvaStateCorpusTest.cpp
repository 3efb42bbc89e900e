// The seed corpus of the crunch effect's state fuzz target, replayed through
// the target's own entry point; and the writer of those seeds (a disabled
// test, run by hand when the saved layout changes:
//   vokt_zuveruva_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteSeeds').
#include "Zuveruva.h"
#include "zuveruva_state_fuzz.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
const juce::File corpus (VOKT_ZUVERUVA_STATE_CORPUS);

juce::MemoryBlock chunkOf (Zuveruva& e, bool all)
{
    juce::MemoryBlock block;
    if (all)
        e.getStateInformation (block);
    else
        e.getCurrentProgramStateInformation (block);
    return block;
}

TEST (ZuveruvaStateCorpus, SeedsReplayCleanly)
{
    const auto files = corpus.findChildFiles (juce::File::findFiles, false);
    ASSERT_GE (files.size(), 6) << corpus.getFullPathName();
    for (const auto& file : files)
    {
        juce::MemoryBlock data;
        ASSERT_TRUE (file.loadFileAsData (data));
        EXPECT_EQ (zuveruvaStateFuzzInput (static_cast<const uint8_t*> (data.getData()), data.getSize()), "")
            << file.getFileName();
    }
}

// Loading is a fixed point: whatever a load made of the seed, saving it
// and loading that again changes nothing, for both kinds of chunk; and a
// fresh effect's own state survives a load unchanged.
TEST (ZuveruvaStateCorpus, SaveAfterLoadIsAFixedPoint)
{
    const auto files = corpus.findChildFiles (juce::File::findFiles, false);
    ASSERT_FALSE (files.isEmpty());
    for (const bool all : { true, false })
    {
        {
            Zuveruva fresh;
    fresh.stopThreads();
            const juce::MemoryBlock first = chunkOf (fresh, all);
            Zuveruva e;
    e.stopThreads();
            if (all)
                e.setStateInformation (first.getData(), (int) first.getSize());
            else
                e.setCurrentProgramStateInformation (first.getData(), (int) first.getSize());
            EXPECT_TRUE (chunkOf (e, all) == first) << "fresh effect, all programs: " << all;
        }
        for (const auto& file : files)
        {
            SCOPED_TRACE (file.getFileName() + (all ? " (all programs)" : " (current program)"));
            juce::MemoryBlock data;
            ASSERT_TRUE (file.loadFileAsData (data));
            Zuveruva e;
    e.stopThreads();
            const auto load = [&e, all] (const juce::MemoryBlock& chunk) {
                if (all)
                    e.setStateInformation (chunk.getData(), (int) chunk.getSize());
                else
                    e.setCurrentProgramStateInformation (chunk.getData(), (int) chunk.getSize());
            };
            load (data);
            const juce::MemoryBlock first = chunkOf (e, all);
            load (first);
            const juce::MemoryBlock second = chunkOf (e, all);
            load (second);
            EXPECT_TRUE (chunkOf (e, all) == second);
            EXPECT_TRUE (second == first);
        }
    }
}

TEST (ZuveruvaStateCorpus, DISABLED_WriteSeeds)
{
    ASSERT_TRUE (corpus.createDirectory());
    const auto write = [] (const char* name, const juce::MemoryBlock& data) {
        EXPECT_TRUE (corpus.getChildFile (name).replaceWithData (data.getData(), data.getSize()));
    };

    Zuveruva factory;
    write ("factory-whole", chunkOf (factory, true));
    write ("factory-current", chunkOf (factory, false));

    Zuveruva e;
    e.setIndexedParameter (Zuveruva::kBands, 0.0f);
    e.setIndexedParameter (Zuveruva::kGain, 0.3f);
    e.setIndexedParameter (Zuveruva::kAmplitude, 1.0f);
    e.setIndexedParameter (Zuveruva::kAgitation2Ampl, 0.4f);
    e.setIndexedParameter (Zuveruva::kMixAgit, 5.0f / 7.0f);
    e.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
    e.SetSyncMode (Zuveruva::kAgitation1Speed, true);
    e.SetPreset (3, 1);
    e.setIndexedParameter (Zuveruva::kFrequency, 0.9f);
    e.SetPreset (15, 1);
    e.setSuperState (3, -1);
    e.setSuperState (7, 15);
    e.changeProgramName (0, "Seed");
    e.savedEditorWidth.store (800);
    e.savedEditorHeight.store (600);
    e.getMidiBinding (Zuveruva::kGain)->store ({ 1, 2, 7, 60, 0 });
    const juce::MemoryBlock whole = chunkOf (e, true);
    const juce::MemoryBlock current = chunkOf (e, false);
    write ("edited-whole", whole);
    write ("edited-current", current);

    // Version 102, and a current program written in host order (its editor
    // width marks it as such).
    juce::MemoryBlock old (whole);
    static_cast<uint8_t*> (old.getData())[15] = 102;
    write ("edited-whole-v102", old);

    juce::MemoryBlock host (current);
    auto* bytes = static_cast<uint8_t*> (host.getData());
    std::swap (bytes[4], bytes[7]), std::swap (bytes[5], bytes[6]);
    ZuveruvaProgram record;
    std::memcpy (static_cast<void*> (&record), bytes + 20, sizeof record);
    record.SwapToHost();
    std::memcpy (bytes + 20, &record, sizeof record);
    write ("edited-current-host-order", host);
}
} // namespace
