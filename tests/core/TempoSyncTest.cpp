// Musical lengths: the note table, snapping a time to the grid, bar counts
// and the musical text.
#include "TempoSync.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
SyncTiming At (double bpm, int num, int den) { return SyncTimingFromHost (bpm, num, den); }
}

TEST (TempoSync, NoteTableFallsAndMatchesItsNames)
{
    EXPECT_STREQ (_TabNameSync[0], "bar");
    EXPECT_EQ (_TabValSync[0], 0.0f);
    for (int k = 1; k < kNumSyncNotes; ++k)
    {
        const char* name = _TabNameSync[k];
        const int n = std::atoi (std::strchr (name, '/') + 1);
        const float expected = name[0] == '.' ? 1.5f / (float) n
                             : name[0] == 'T' ? 2.0f / (3.0f * (float) n)
                                              : 1.0f / (float) n;
        EXPECT_FLOAT_EQ (_TabValSync[k], expected) << name;
        if (k > 1)
        {
            EXPECT_LT (_TabValSync[k], _TabValSync[k - 1]) << name;
        }
    }
    EXPECT_STREQ (_TabNameSync[21], "T/64");
}

TEST (TempoSync, HostTimingTreatsUnsetAndBadValuesAsDefaults)
{
    struct Case { double bpm; int num, den; float whole; int32_t n; float d; };
    const Case cases[] = {
        { 120.0, 4, 4, 2000.0f, 4, 4.0f },
        { 0.0, 0, 0, 4000.0f, 4, 4.0f },       // nothing reported
        { -90.0, 3, 8, 4000.0f, 3, 8.0f },     // negative tempo counts as unset
        { std::numeric_limits<double>::quiet_NaN(), -2, -1, 4000.0f, 4, 4.0f },
        { std::numeric_limits<double>::infinity(), 7, 8, 4000.0f, 7, 8.0f },
        { 1e-300, 4, 4, 4000.0f, 4, 4.0f },    // whole note would be infinite
    };
    for (const auto& c : cases)
    {
        const auto t = At (c.bpm, c.num, c.den);
        EXPECT_FLOAT_EQ (t.wholeNoteMs, c.whole) << c.bpm;
        EXPECT_EQ (t.numerator, c.n);
        EXPECT_EQ (t.denominator, c.d);
        EXPECT_GT (t.barMs(), 0.0f);
    }
}

TEST (TempoSync, SnapsToTheLongestLengthNotAbove)
{
    struct Case { double bpm; int num, den; float ms; int32_t count, note; float snapped; };
    const Case cases[] = {
        { 120, 4, 4, 700.0f, 1, 7, 2000.0f / 3.0f },   // T/2; ./4 (750 ms) is above
        { 120, 4, 4, 750.0f, 1, 6, 750.0f },           // exactly ./4
        { 120, 4, 4, 5000.0f, 2, 0, 4000.0f },         // 2 bars
        { 120, 4, 4, 250000.0f, 100, 0, 200000.0f },   // 100 bars at most
        { 120, 4, 4, 1e9f, 100, 0, 200000.0f },
        { 120, 4, 4, 2000.0f, 1, 0, 2000.0f },         // one bar
        { 120, 4, 4, 1999.0f, 1, 3, 1500.0f },         // ./2 below the bar
        { 120, 4, 4, 21.0f, 1, 21, 2000.0f / 96.0f },  // T/64
        { 120, 4, 4, 10.0f, 0, 21, 0.0f },             // shorter than any note
        { 60, 3, 4, 2999.0f, 1, 4, 8000.0f / 3.0f },   // 3/4: ./2 is a whole bar
        { 60, 6, 8, 3500.0f, 1, 0, 3000.0f },
    };
    for (const auto& c : cases)
    {
        int32_t count = -5, note = -5;
        const float snapped = SnapMsToSync (c.ms, At (c.bpm, c.num, c.den), count, note);
        EXPECT_EQ (count, c.count) << c.ms;
        EXPECT_EQ (note, c.note) << c.ms;
        EXPECT_NEAR (snapped, c.snapped, 0.01f) << c.ms;
    }
}

TEST (TempoSync, SnappedLengthRoundTripsThroughTheRecord)
{
    const auto t = At (97.0, 7, 8);
    for (float ms = 1.0f; ms < 400000.0f; ms *= 1.37f)
    {
        int32_t count = 0, note = 0;
        const float snapped = SnapMsToSync (ms, t, count, note);
        EXPECT_LE (snapped, ms);
        EXPECT_FLOAT_EQ (SyncLengthMs (count, note, t), snapped) << ms;
    }
}

TEST (TempoSync, BarsAndNotesAroundTheBar)
{
    // Largest number of whole bars strictly shorter than the maximum.
    const auto t = At (120, 4, 4);   // bar 2000 ms
    EXPECT_EQ (SyncMaxBars (10000.0f, t), 4);
    EXPECT_EQ (SyncMaxBars (10001.0f, t), 5);
    EXPECT_EQ (SyncMaxBars (1000.0f, t), 1);
    EXPECT_EQ (SyncMaxBars (1e9f, t), 100);

    EXPECT_EQ (SyncNoteBelowBar (At (60, 3, 4)), 4);    // T/1: ./2 equals the bar
    EXPECT_EQ (SyncNoteBelowBar (At (60, 4, 4)), 3);    // ./2
    EXPECT_EQ (SyncNoteBelowBar (At (60, 1, 128)), 0);   // no note is shorter

    EXPECT_TRUE (SyncReachesBar (1, 0, t));
    EXPECT_TRUE (SyncReachesBar (1, 2, t));    // 1/1 is a bar in 4/4
    EXPECT_FALSE (SyncReachesBar (1, 3, t));
    EXPECT_TRUE (SyncReachesBar (2, 5, t));
    EXPECT_FALSE (SyncReachesBar (1, 99, t));
}

TEST (TempoSync, MusicalText)
{
    struct Case { int32_t count, note; const char* text; };
    const Case cases[] = {
        { 1, 0, "1 bar" }, { 0, 0, "0 bar" }, { 2, 0, "2 bars" }, { 100, 0, "100 bars" },
        { 1, 7, "T/2" }, { 3, 11, "1/8" },   // a count above 1 on a note is not shown
        { 0, 21, "0" }, { 1, 22, "" }, { 1, -1, "" },
    };
    for (const auto& c : cases)
    {
        char buf[32];
        SyncNoteText (c.count, c.note, buf, sizeof (buf));
        EXPECT_STREQ (buf, c.text);
    }
    char small[4];
    SyncNoteText (100, 0, small, sizeof (small));
    EXPECT_STREQ (small, "100");
}
