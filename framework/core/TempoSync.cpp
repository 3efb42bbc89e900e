#include "TempoSync.h"

#include <cmath>
#include <cstdio>

const char* const _TabNameSync[kNumSyncNotes] = {
    "bar", "./1", "1/1", "./2", "T/1", "1/2", "./4", "T/2", "1/4", "./8", "T/4",
    "1/8", "./16", "T/8", "1/16", "./32", "T/16", "1/32", "./64", "T/32", "1/64", "T/64"
};

const float _TabValSync[kNumSyncNotes] = {
    0.0f,
    1.5f, 1.0f, 0.75f, 2.0f / 3.0f,
    0.5f, 0.375f, 1.0f / 3.0f,
    0.25f, 0.1875f, 1.0f / 6.0f,
    0.125f, 0.09375f, 1.0f / 12.0f,
    0.0625f, 0.046875f, 1.0f / 24.0f,
    0.03125f, 0.0234375f, 1.0f / 48.0f,
    0.015625f, 1.0f / 96.0f
};

SyncTiming SyncTimingFromHost (double bpm, int numerator, int denominator) noexcept
{
    SyncTiming t;
    if (std::isfinite (bpm) && bpm > 0.0)
    {
        const float whole = 240000.0f / (float) bpm;
        if (std::isfinite (whole) && whole > 0.0f)
            t.wholeNoteMs = whole;
    }
    t.numerator = numerator > 0 ? numerator : 4;
    t.denominator = denominator > 0 ? (float) denominator : 4.0f;
    return t;
}

float SnapMsToSync (float ms, const SyncTiming& t, int32_t& count, int32_t& note) noexcept
{
    const float bar = t.barMs();
    count = 1;

    if (ms < bar)
    {
        for (int k = 1; k <= kMaxSyncNote; ++k)
        {
            const float length = t.noteMs (k);
            if (ms >= length)
            {
                note = k;
                return length;
            }
        }
        count = 0;
        note = kMaxSyncNote;
        return 0.0f;
    }

    int bars = 1;
    for (int n = kMaxSyncBars; n >= 1; --n)
    {
        if (ms >= (float) n * bar)
        {
            bars = n;
            break;
        }
    }
    count = bars;
    note = 0;
    return (float) bars * bar;
}

float SyncLengthMs (int32_t count, int32_t note, const SyncTiming& t) noexcept
{
    if (note < 0 || note > kMaxSyncNote)
        return 0.0f;
    if (note != 0)
        return t.wholeNoteMs * (float) count * _TabValSync[note];
    return (float) count * (t.wholeNoteMs * (float) t.numerator) / t.denominator;
}

int SyncMaxBars (float maxMs, const SyncTiming& t) noexcept
{
    const float bar = t.barMs();
    int n = kMaxSyncBars + 1;
    for (int k = 1; k <= kMaxSyncBars + 1; ++k)
    {
        if (maxMs <= (float) k * bar)
        {
            n = k;
            break;
        }
    }
    return n > 1 ? n - 1 : 1;
}

int SyncNoteBelowBar (const SyncTiming& t) noexcept
{
    const float bar = t.barMs();
    for (int k = 1; k <= kMaxSyncNote; ++k)
        if (bar > t.noteMs (k))
            return k;
    return 0;
}

bool SyncReachesBar (int32_t count, int32_t note, const SyncTiming& t) noexcept
{
    if (note == 0)
        return true;
    if (note < 0 || note > kMaxSyncNote)
        return false;
    return (float) count * t.wholeNoteMs * _TabValSync[note] >= t.barMs();
}

void SyncNoteText (int32_t count, int32_t note, char* buf, size_t size) noexcept
{
    if (buf == nullptr || size == 0)
        return;
    if (note == 0)
        std::snprintf (buf, size, count < 2 ? "%d bar" : "%d bars", (int) count);
    else if (count == 0)
        std::snprintf (buf, size, "0");
    else if (note > 0 && note <= kMaxSyncNote)
        std::snprintf (buf, size, "%s", _TabNameSync[note]);
    else
        buf[0] = 0;
}
