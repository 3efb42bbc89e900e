// The seed corpus of the state fuzz target, replayed through the target's
// own entry point; and the writer of those seeds (a disabled test, run by
// hand when the saved layout changes:
//   vokt_rarizuz_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteSeeds').
#include "EngineStateChecks.h"
#include "FuzzSeeds.h"
#include "RariZuz.h"
#include "Utilities.h"
#include "rarizuz_state_fuzz.h"

#include <gtest/gtest.h>

using state_checks::chunkOf;

namespace
{
const juce::File corpus (VOKT_RARIZUZ_STATE_CORPUS);
} // namespace

TEST (RariZuzStateCorpus, SeedsReplayCleanly)
{
    expectSeedsReplayCleanly (corpus, 4, rarizuzStateFuzzInput);
}

TEST (RariZuzStateCorpus, SaveAfterLoadIsAFixedPoint)
{
    state_checks::expectSaveAfterLoadIsAFixedPoint<RariZuz> (corpus, false);
}

TEST (RariZuzStateCorpus, DISABLED_WriteSeeds)
{
    SetUtilSampleRate (44100);
    ASSERT_TRUE (corpus.createDirectory());
    const auto write = [] (const char* name, const juce::MemoryBlock& data) {
        EXPECT_TRUE (corpus.getChildFile (name).replaceWithData (data.getData(), data.getSize()));
    };

    RariZuz factory;
    write ("factory-whole", chunkOf (factory, true));
    write ("factory-current", chunkOf (factory, false));

    RariZuz e;
    e.setIndexedParameter (RariZuz::pBands, 0.0f);
    e.setIndexedParameter (RariZuz::pGain, 0.3f);
    e.setIndexedParameter (RariZuz::pActive + 2, 1.0f);
    e.setIndexedParameter (RariZuz::pAngle + 2, 0.3f);
    e.setIndexedParameter (RariZuz::pAgitation2Ampl, 0.4f);
    e.setIndexedParameter (RariZuz::pAmplitudeAgit + 2, 1.0f);
    e.SetSyncMode (RariZuz::pDelay + 2, true);
    e.SetPreset (3, 1);
    e.SetPreset (15, 1);
    e.setSuperState (3, -1);
    e.changeProgramName (0, "Seed");
    e.savedEditorWidth.store (800);
    e.savedEditorHeight.store (600);
    e.getMidiBinding (RariZuz::pGain)->store ({ 1, 2, 7, 60, 0 });
    const juce::MemoryBlock whole = chunkOf (e, true);
    const juce::MemoryBlock current = chunkOf (e, false);
    write ("edited-whole", whole);
    write ("edited-current", current);

    // Version 102, and a current program written in host order.
    state_checks::writeOlderAndHostOrderSeeds<RariZuzProgram> (whole, current, write);
}
