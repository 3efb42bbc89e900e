// Tempo-synced parameters of the crunch engine set off the message thread:
// the snap runs at once with the engine's char texts, allocates nothing and
// gives what the juce::String texts give on the message thread, in the live
// sync records and in the current program's copy of them.
#include "SyncSnapChecks.h"
#include "Utilities.h"
#include "ZuveruvaTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zuveruva_test;

namespace
{
const std::vector<int> syncedParameters = { Zuveruva::kInterSpeed, Zuveruva::kAgitation1Speed, Zuveruva::kAgitation2Speed,
                                            Zuveruva::kAgitation3Speed, Zuveruva::kAgitation4Speed };

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
    // Snapped texts as the snap writes them, padded ones, and texts without a
    // number (0, as the juce::String form reads them).
    ASSERT_NO_FATAL_FAILURE (sync_snap::expectCharTextsGiveWhatTheStringTextsGive (
        e, syncedParameters,
        { "   0.0000", "   0.1250", "   1.0000", "   2.7500", "  10.0000", "  59.9999", "  75.0000", "\t 3.5 \n", "--",
          "x", "" },
        { (int) Zuveruva::kGain, (int) Zuveruva::kFrequency, (int) Zuveruva::kAgitation1Ampl, (int) Zuveruva::kSync, -1,
          (int) Zuveruva::numParameters }));
    float value = 0.25f;
    EXPECT_FALSE (e.readSyncValueFromText (Zuveruva::kInterSpeed, nullptr, value));
    EXPECT_EQ (value, 0.25f);
}

TEST_F (ZuveruvaSync, SyncedValueSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating)
{
    sync_snap::expectSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating<Zuveruva> (syncedParameters,
                                                                                       expectProgramSyncRecord);
}

TEST_F (ZuveruvaSync, SyncedValueSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating)
{
    // The program's copy only tries the record lock inside processBlock.
    sync_snap::expectSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating<Zuveruva> (
        syncedParameters, [] (Zuveruva& e) { return prepare (e, 2, 0, 256); }, expectProgramSyncRecord);
}
