// Tempo-synced parameters of the spectral delay set off the message thread:
// the snap runs at once with the engine's char texts, allocates nothing and
// gives what the juce::String texts give on the message thread.
#include "RariZuz.h"
#include "SyncSnapChecks.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// One parameter of each synced kind (bar delays first and last).
const std::vector<int> syncedKinds = { RariZuz::pInterSpeed, RariZuz::pAgitation1Speed, RariZuz::pAgitation2Speed,
                                       RariZuz::pAgitation3Speed, RariZuz::pDelay, RariZuz::pDelay + 7 };

void nothingMore (RariZuz&, int) {}

struct RariZuzSync : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }
};
} // namespace

TEST_F (RariZuzSync, CharTextsGiveWhatTheStringTextsGive)
{
    RariZuz e;
    // Snapped texts as the snap writes them, and texts without a number (the
    // current value stays).
    sync_snap::expectCharTextsGiveWhatTheStringTextsGive (
        e, syncedKinds,
        { "   0.0000", "   0.1250", "   1.0000", "   2.7500", "  10.0000", "  59.9999", "  75.0000", "--", "x" },
        { (int) RariZuz::pGain, (int) RariZuz::pFrequency, (int) RariZuz::pAgitation1Ampl, -1, RariZuz::numParameters });
}

TEST_F (RariZuzSync, SyncedValueSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating)
{
    sync_snap::expectSetOffTheMessageThreadIsSnappedAtOnceWithoutAllocating<RariZuz> (syncedKinds, nothingMore);
}

TEST_F (RariZuzSync, SyncedValueSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating)
{
    sync_snap::expectSetByMidiInsideARealTimeBlockIsSnappedWithoutAllocating<RariZuz> (
        syncedKinds,
        [] (RariZuz& e) {
            e.prepareToPlay (44100.0, 256);
            return true;
        },
        nothingMore);
}
