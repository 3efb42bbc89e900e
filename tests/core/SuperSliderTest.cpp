// Super slider cells: bracketing a position, its text, cell validation.
#include "SuperSlider.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{
struct Cells
{
    float p[8];
    int64_t s[8];

    Cells()
    {
        for (int c = 0; c < 8; ++c)
        {
            p[c] = (float) c / 7.0f;
            s[c] = c;
        }
    }

    std::string text (float x) const
    {
        char buf[32];
        SuperPositionText (x, p, s, buf, sizeof (buf));
        return buf;
    }
};
} // namespace

TEST (SuperSlider, TextOfPositions)
{
    Cells cells;
    EXPECT_EQ (cells.text (0.0f), " 1.00");
    EXPECT_EQ (cells.text (1.0f), " 8.00");   // cell 7's preset plus one
    EXPECT_EQ (cells.text (1.5f / 7.0f), " 2.50");

    cells.s[0] = 0;
    cells.s[7] = 15;
    for (int c = 1; c < 7; ++c)
        cells.s[c] = -1;
    EXPECT_EQ (cells.text (0.5f), " 8.50");   // halfway between presets 1 and 16
    EXPECT_EQ (cells.text (1.0f), "16.00");
}

TEST (SuperSlider, TextStaysInRangeForAnyPosition)
{
    Cells cells;
    cells.s[3] = -1;
    cells.s[5] = 12;
    const float odd[] = { -1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() };
    for (float x : odd)
    {
        const double v = std::stod (cells.text (x));
        EXPECT_GE (v, 1.0);
        EXPECT_LE (v, 16.0);
    }
    for (int i = 0; i <= 1000; ++i)
    {
        const float x = (float) i / 1000.0f;
        SuperBracket b;
        ASSERT_TRUE (FindSuperBracket (x, cells.p, cells.s, b));
        EXPECT_GE (b.lowerWeight, 0.0);
        EXPECT_LE (b.lowerWeight, 1.0);
        EXPECT_NE (cells.s[b.lower], -1);
        EXPECT_NE (cells.s[b.upper], -1);
        EXPECT_LE (b.lower, b.upper);
    }
}

TEST (SuperSlider, SamePositionAndEmptyEndsAreSafe)
{
    Cells cells;
    for (float& p : cells.p)
        p = 0.5f;   // every cell at one position: no division by zero
    SuperBracket b;
    ASSERT_TRUE (FindSuperBracket (0.3f, cells.p, cells.s, b));
    EXPECT_EQ (b.lowerWeight, 0.0);

    Cells empty;
    for (auto& s : empty.s)
        s = -1;
    EXPECT_FALSE (FindSuperBracket (0.3f, empty.p, empty.s, b));
    EXPECT_EQ (empty.text (0.3f), "");

    Cells oneSided;   // only cell 2 is occupied: both searches end there
    for (auto& s : oneSided.s)
        s = -1;
    oneSided.s[2] = 9;
    EXPECT_EQ (oneSided.text (0.9f), "10.00");
    EXPECT_EQ (oneSided.text (0.0f), "10.00");
}

TEST (SuperSlider, CellValidationAndRepair)
{
    struct Case { long cell, preset; bool ok; };
    const Case cases[] = {
        { 0, 0, true }, { 7, 15, true }, { 3, -1, true }, { 3, 15, true },
        { 0, -1, false }, { 7, -1, false }, { 8, 1, false }, { -1, 1, false },
        { 3, 16, false }, { 3, -2, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (IsSuperCellValid (c.cell, c.preset), c.ok) << c.cell << " " << c.preset;

    int64_t states[8] = { -1, 16, -2, 5, 1LL << 40, -1, 15, -1 };
    SanitiseSuperStates (states);
    const int64_t expected[8] = { 0, -1, -1, 5, -1, -1, 15, 7 };
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ (states[c], expected[c]) << c;
}
