// The seed corpus of the crunch effect's state fuzz target, replayed through
// the target's own entry point; and the writer of those seeds (a disabled
// test, run by hand when the saved layout changes:
//   vokt_zuveruva_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteSeeds').
#include "EngineStateChecks.h"
#include "FuzzSeeds.h"
#include "Zuveruva.h"
#include "zuveruva_state_fuzz.h"

#include <gtest/gtest.h>

namespace
{
using state_checks::chunkOf;

const juce::File corpus (VOKT_ZUVERUVA_STATE_CORPUS);

TEST (ZuveruvaStateCorpus, SeedsReplayCleanly)
{
    expectSeedsReplayCleanly (corpus, 6, zuveruvaStateFuzzInput);
}

TEST (ZuveruvaStateCorpus, SaveAfterLoadIsAFixedPoint)
{
    state_checks::expectSaveAfterLoadIsAFixedPoint<Zuveruva> (corpus, true);
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
    state_checks::writeOlderAndHostOrderSeeds<ZuveruvaProgram> (whole, current, write);
}
} // namespace
