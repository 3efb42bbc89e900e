#include "SuperSlider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool FindSuperBracket (float x, const float positions[kNumSuperCells],
                       const int64_t states[kNumSuperCells], SuperBracket& out) noexcept
{
    if (! (x > 0.0f))
        x = 0.0f;          // also NaN
    if (x > 1.0f)
        x = 1.0f;

    int upper = -1;
    for (int c = std::min (7, (int) std::floor (1.0f + 7.0f * x)); c < kNumSuperCells; ++c)
        if (states[c] != -1) { upper = c; break; }

    int lower = -1;
    for (int c = std::min (7, (int) std::floor (7.0f * x)); c >= 0; --c)
        if (states[c] != -1) { lower = c; break; }

    if (upper < 0 && lower < 0)
        return false;
    if (upper < 0)
        upper = lower;
    if (lower < 0)
        lower = upper;

    double d = 0.0;
    if (x != 1.0f)
    {
        const double span = (double) positions[upper] - (double) positions[lower];
        if (span != 0.0 && std::isfinite (span))
        {
            d = ((double) positions[upper] - (double) x) / span;
            if (! (d >= 0.0))
                d = 0.0;   // also NaN
            if (d > 1.0)
                d = 1.0;
        }
    }

    out.lower = lower;
    out.upper = upper;
    out.lowerWeight = d;
    return true;
}

void SuperPositionText (float x, const float positions[kNumSuperCells],
                        const int64_t states[kNumSuperCells], char* buf, size_t size) noexcept
{
    if (buf == nullptr || size == 0)
        return;

    SuperBracket b;
    if (! FindSuperBracket (x, positions, states, b))
    {
        buf[0] = 0;
        return;
    }

    const double d = b.lowerWeight;
    const float value = (float) ((double) (states[b.lower] + 1) * d
                                 + (1.0 - d) * (double) (states[b.upper] + 1));
    std::snprintf (buf, size, "%5.2f", (double) value);
}

bool IsSuperCellValid (long cell, long preset) noexcept
{
    if (cell < 0 || cell >= kNumSuperCells)
        return false;
    if (preset < -1 || preset >= kNumPresetSlots)
        return false;
    if (preset == -1 && (cell == 0 || cell == kNumSuperCells - 1))
        return false;
    return true;
}

void SanitiseSuperStates (int64_t states[kNumSuperCells]) noexcept
{
    for (int c = 0; c < kNumSuperCells; ++c)
        if (states[c] < -1 || states[c] >= kNumPresetSlots)
            states[c] = -1;

    if (states[0] == -1)
        states[0] = 0;
    if (states[kNumSuperCells - 1] == -1)
        states[kNumSuperCells - 1] = kNumSuperCells - 1;
}
