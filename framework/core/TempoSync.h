#pragma once
// Tempo sync of time parameters: the table of note lengths and the pure
// arithmetic that snaps a time to a musical length and back. The per-parameter
// record, SyncControl, is declared with the effect base (MyEffect.h).
// Thread contract: constant tables and pure functions, callable on any thread.
#include <cstddef>
#include <cstdint>

constexpr int kNumSyncNotes = 22;    // rows of the note tables
constexpr int kMaxSyncNote = 21;     // the shortest note, "T/64"
constexpr int kMaxSyncBars = 100;    // the most bars a snapped time holds
constexpr int kMaxSyncCount = 101;   // counts above this are repaired on load

// Note names and lengths in whole notes, longest first. Row 0 ("bar") has
// length 0: bars are measured by the metre. A leading point marks a dotted
// note (1.5/n), a leading T a triplet (2/(3n)).
extern const char* const _TabNameSync[kNumSyncNotes];
extern const float _TabValSync[kNumSyncNotes];

// Tempo and metre as the effect knows them; 60 bpm in 4/4 by default.
struct SyncTiming
{
    float wholeNoteMs = 4000.0f;     // L
    int32_t numerator = 4;
    float denominator = 4.0f;

    // B = numerator x L / denominator.
    float barMs() const noexcept { return (float) numerator * wholeNoteMs / denominator; }
    // L x length of note k (k in 1..21).
    float noteMs (int k) const noexcept { return wholeNoteMs * _TabValSync[k]; }
};

// Tempo and metre from a host report. bpm that is not a positive finite number
// counts as unset (a whole note of 4000 ms); a numerator or denominator that
// is not positive counts as 4.
SyncTiming SyncTimingFromHost (double bpm, int numerator, int denominator) noexcept;

// Snaps a time in ms to the longest musical length not above it: a note
// (count 1) when ms is below a bar, else a whole number of bars 1..100; below
// the shortest note gives count 0 on note 21. Writes count and note, returns
// the snapped length in ms.
float SnapMsToSync (float ms, const SyncTiming& t, int32_t& count, int32_t& note) noexcept;

// Length in ms of a record's count and note (note 0: count bars).
float SyncLengthMs (int32_t count, int32_t note, const SyncTiming& t) noexcept;

// The largest whole number of bars strictly shorter than maxMs, at least 1
// and at most 100.
int SyncMaxBars (float maxMs, const SyncTiming& t) noexcept;

// The longest note shorter than a bar (1..21), or 0 when none is.
int SyncNoteBelowBar (const SyncTiming& t) noexcept;

// Whether count notes of index note last a bar or more (note 0: always).
bool SyncReachesBar (int32_t count, int32_t note, const SyncTiming& t) noexcept;

// The musical text of a record: "%d bar"/"%d bars" for note 0, the note's
// name for a non-zero count, "0" for count 0. Writes at most size bytes.
void SyncNoteText (int32_t count, int32_t note, char* buf, size_t size) noexcept;
