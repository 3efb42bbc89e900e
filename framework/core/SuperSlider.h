#pragma once
// The super slider's eight cells: which two occupied cells bracket a slider
// position and with what weight, the text of a position, and the repair of
// cell maps read from bytes.
// Thread contract: pure functions on caller data, callable on any thread.
#include <cstddef>
#include <cstdint>

constexpr int kNumSuperCells = 8;
constexpr int kNumPresetSlots = 16;

// The occupied cells around position x (clamped to 0..1; NaN counts as 0):
// upper is the first occupied cell at or above min(7, floor(1 + 7x)), lower
// the first occupied cell at or below floor(7x). lowerWeight is the share of
// the lower cell, (p[upper] - x) / (p[upper] - p[lower]) limited to 0..1; it
// is 0 at x = 1 and when both cells sit at the same position. A search that
// finds no occupied cell on its side takes the other side's cell. False when
// no cell is occupied at all.
struct SuperBracket
{
    int lower = 0;
    int upper = 0;
    double lowerWeight = 0.0;
};
bool FindSuperBracket (float x, const float positions[kNumSuperCells],
                       const int64_t states[kNumSuperCells], SuperBracket& out) noexcept;

// The text of position x: the blended 1-based preset number
// (state(lower) + 1) d + (1 - d)(state(upper) + 1) with "%5.2f". Writes at
// most size bytes; the empty text when no cell is occupied.
void SuperPositionText (float x, const float positions[kNumSuperCells],
                        const int64_t states[kNumSuperCells], char* buf, size_t size) noexcept;

// Whether cell may hold preset: cells 0..7, presets -1 (empty) to 15, and
// cells 0 and 7 never empty.
bool IsSuperCellValid (long cell, long preset) noexcept;

// Repairs a cell map read from bytes: an entry outside -1..15 becomes empty,
// and an empty first or last cell takes its default preset (0 and 7).
void SanitiseSuperStates (int64_t states[kNumSuperCells]) noexcept;
