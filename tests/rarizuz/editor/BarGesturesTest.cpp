// Bar editing by hand without a window: pointer events, wheel, keys and the
// panel's setters on a 200 x 100 display, checked through the bar geometry
// and the action messages.
#include "BarGestures.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
constexpr int W = 200, H = 100;

class BarGesturesTest : public ::testing::Test
{
protected:
    BarGesturesTest()
        : gestures ([this] (const juce::String& m) { sent.push_back (m); })
    {
        gestures.setSize (W, H);
    }

    // Bar i active, unmuted, ends at (ax, ay) and (bx, by) as fractions.
    MyBar& place (int i, float ax, float ay, float bx, float by)
    {
        auto& b = *gestures.getBar (i);
        b.setEnds (ax, ay, bx, by);
        b.active = true;
        b.muted = false;
        return b;
    }

    static BarPointer at (float x, float y, int index = 0, bool touch = false)
    {
        BarPointer p;
        p.index = index;
        p.touch = touch;
        p.x = x;
        p.y = y;
        return p;
    }

    static BarPointer with (BarPointer p, bool command, bool alt, bool shift)
    {
        p.command = command;
        p.alt = alt;
        p.shift = shift;
        return p;
    }

    std::vector<juce::String> take()
    {
        auto m = sent;
        sent.clear();
        return m;
    }

    std::vector<juce::String> sent;
    BarGestures gestures;
};

using Strings = std::vector<juce::String>;

void expectEnds (const MyBar& b, float x1, float y1, float x2, float y2, const char* what)
{
    SCOPED_TRACE (what);
    EXPECT_NEAR (b.x1, x1, 1e-5f);
    EXPECT_NEAR (b.y1, y1, 1e-5f);
    EXPECT_NEAR (b.x2, x2, 1e-5f);
    EXPECT_NEAR (b.y2, y2, 1e-5f);
    EXPECT_NEAR (b.cx, 0.5f * (x1 + x2), 1e-5f);
    EXPECT_NEAR (b.cy, 0.5f * (y1 + y2), 1e-5f);
}
} // namespace

TEST_F (BarGesturesTest, BarsStartAsTheDisplayExpects)
{
    for (int i = 0; i < BarGestures::numBars; ++i)
    {
        const auto& b = *gestures.getBar (i);
        expectEnds (b, 0.9f, 0.75f, 0.9f, 0.95f, "construction");
        EXPECT_FALSE (b.active);
        EXPECT_TRUE (b.muted);
        EXPECT_FALSE (b.selected);
        EXPECT_EQ (b.label, juce::String (i + 1));
        EXPECT_EQ (b.w, W);
    }
    EXPECT_EQ (gestures.getBar (8), nullptr);
    EXPECT_EQ (gestures.getBar (-1), nullptr);
    EXPECT_EQ (gestures.getSelectedIndex(), -1);
}

TEST_F (BarGesturesTest, SettersMoveScaleAndRotateAboutTheCentre)
{
    const float d = 0.1f * std::cos (juce::MathConstants<float>::pi / 4.0f);
    struct Case
    {
        const char* what;
        float ends[4];
        int op;  // 0 centre, 1 length, 2 angle
        float a, b;
        float expected[4];
    };
    const Case cases[] = {
        { "centre", { 0.9f, 0.75f, 0.9f, 0.95f }, 0, 0.5f, 0.5f, { 0.5f, 0.4f, 0.5f, 0.6f } },
        { "length doubles", { 0.4f, 0.4f, 0.6f, 0.6f }, 1, 0.4f, 0, { 0.3f, 0.3f, 0.7f, 0.7f } },
        { "length above 1 is 1", { 0.4f, 0.4f, 0.6f, 0.6f }, 1, 2.0f, 0, { 0.0f, 0.0f, 1.0f, 1.0f } },
        { "same length keeps the ends", { 0.4f, 0.4f, 0.6f, 0.6f }, 1, 0.2f, 0, { 0.4f, 0.4f, 0.6f, 0.6f } },
        { "length below 0.01 is 0.01", { 0.4f, 0.4f, 0.6f, 0.6f }, 1, 0.0f, 0, { 0.495f, 0.495f, 0.505f, 0.505f } },
        { "angle 1/2, end 1 upper", { 0.4f, 0.5f, 0.6f, 0.5f + 1e-6f }, 2, 0.5f, 0, { 0.5f, 0.4f, 0.5f, 0.6f } },
        { "angle 1/4, end 1 upper", { 0.5f, 0.4f, 0.5f, 0.6f }, 2, 0.25f, 0, { 0.5f - d, 0.5f - d, 0.5f + d, 0.5f + d } },
        { "angle 1/4, end 1 lower", { 0.5f, 0.6f, 0.5f, 0.4f }, 2, 0.25f, 0, { 0.5f + d, 0.5f + d, 0.5f - d, 0.5f - d } },
        { "angle 3/4, end 1 lower", { 0.5f, 0.6f, 0.5f, 0.4f }, 2, 0.75f, 0, { 0.5f - d, 0.5f + d, 0.5f + d, 0.5f - d } },
        { "angle 0 is 0.001", { 0.5f, 0.4f, 0.5f, 0.6f }, 2, 0.0f, 0,
          { 0.5f - 0.1f * std::cos (0.001f * juce::MathConstants<float>::pi), 0.5f - 0.1f * std::sin (0.001f * juce::MathConstants<float>::pi),
            0.5f + 0.1f * std::cos (0.001f * juce::MathConstants<float>::pi), 0.5f + 0.1f * std::sin (0.001f * juce::MathConstants<float>::pi) } },
    };
    for (const auto& c : cases)
    {
        auto& b = place (0, c.ends[0], c.ends[1], c.ends[2], c.ends[3]);
        if (c.op == 0)
            gestures.setCenter (0, c.a, c.b);
        else if (c.op == 1)
            gestures.setLength (0, c.a);
        else
            gestures.setAngle (0, c.a);
        expectEnds (b, c.expected[0], c.expected[1], c.expected[2], c.expected[3], c.what);
    }

    // Indexes outside the bars and values that are not numbers change nothing.
    auto& b = place (1, 0.4f, 0.4f, 0.6f, 0.6f);
    gestures.setCenter (8, 0.1f, 0.1f);
    gestures.setLength (-1, 0.5f);
    gestures.setCenter (1, std::nanf (""), 0.5f);
    gestures.setLength (1, std::nanf (""));
    gestures.setAngle (1, std::nanf (""));
    expectEnds (b, 0.4f, 0.4f, 0.6f, 0.6f, "refused");

    gestures.setSelected (2, true);
    EXPECT_TRUE (gestures.getBar (2)->selected);
    EXPECT_EQ (gestures.getSelectedIndex(), 2);
    gestures.setSelected (2, false);
    EXPECT_FALSE (gestures.getBar (2)->selected);
    EXPECT_EQ (gestures.getSelectedIndex(), 2);
    EXPECT_TRUE (take().empty()) << "the panel's setters send nothing";
}

TEST_F (BarGesturesTest, PickingTakesTheRadiiAndTheLowerBar)
{
    // Bar 1 vertical: end 1 at (100, 43.75), centre (100, 50), end 2
    // (100, 56.25) in pixels (exact in binary, so the radii are exact).
    struct Case
    {
        const char* what;
        float x, y;
        bool touch;
        int bar, part;
    };
    const Case cases[] = {
        { "centre, mouse, 6 px", 106, 50, false, 1, BarGestures::centre },
        { "centre, mouse, 7 px", 107, 50, false, -1, BarGestures::none },
        { "end 1, mouse, 4 px", 96, 39.75f, false, 1, BarGestures::end1 },
        { "end 1, mouse, 5 px", 105, 43.75f, false, -1, BarGestures::none },
        { "end 2 over the centre (within both)", 100, 56, false, 1, BarGestures::end2 },
        { "centre, touch, 21 px", 121, 50, true, 1, BarGestures::centre },
        { "centre, touch, 22 px", 122, 50, true, -1, BarGestures::none },
        { "end 1, touch, 14 px, over the centre", 114, 40, true, 1, BarGestures::end1 },
        { "x and y are tested apart (a square)", 105, 55, false, 1, BarGestures::centre },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        place (0, 0.5f, 0.4375f, 0.5f, 0.5625f).active = false;  // invisible: never picked
        place (1, 0.5f, 0.4375f, 0.5f, 0.5625f);
        place (2, 0.5f, 0.4375f, 0.5f, 0.5625f);
        gestures.pointerDown (at (c.x, c.y, 0, c.touch));
        EXPECT_EQ (gestures.heldBar (0), c.bar);
        EXPECT_EQ (gestures.heldPart (0), c.part);
        EXPECT_EQ (gestures.getSelectedIndex(), c.bar);
        const Strings expected = c.bar >= 0 ? Strings { "Select 1", "BeginDrag 1" } : Strings();
        EXPECT_EQ (take(), expected);
        gestures.pointerUp (at (c.x, c.y, 0, c.touch));
        EXPECT_EQ (take(), (c.bar >= 0 ? Strings { "EndDrag 1" } : Strings()));
    }
    EXPECT_FALSE (gestures.getBar (0)->selected);
    EXPECT_TRUE (gestures.getBar (1)->selected);
    EXPECT_FALSE (gestures.getBar (2)->selected);
}

TEST_F (BarGesturesTest, APressAwayFromEveryHandleSendsNothingAndDeleteThenDoesNothing)
{
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    gestures.pointerDown (at (100, 50));
    gestures.pointerUp (at (100, 50));
    take();
    gestures.pointerDown (at (20, 20));
    EXPECT_TRUE (take().empty());
    EXPECT_EQ (gestures.getSelectedIndex(), -1);
    EXPECT_TRUE (gestures.getBar (0)->selected) << "the drawing keeps its selection";
    EXPECT_FALSE (gestures.deleteKey());
    EXPECT_TRUE (gestures.getBar (0)->active);
    EXPECT_TRUE (take().empty());
}

TEST_F (BarGesturesTest, CommandPressCreatesTheFirstInactiveBar)
{
    for (int i = 0; i < 8; ++i)
        place (i, 0.1f, 0.1f, 0.1f, 0.2f);
    gestures.getBar (3)->active = false;
    gestures.getBar (3)->muted = true;

    EXPECT_TRUE (gestures.pointerDown (with (at (100, 50), true, false, false)));
    EXPECT_EQ (take(), (Strings { "Create 3 0.500 0.400 0.500 0.600" }));
    const auto& b = *gestures.getBar (3);
    EXPECT_TRUE (b.active);
    EXPECT_TRUE (b.selected);
    EXPECT_FALSE (gestures.getBar (0)->selected);
    expectEnds (b, 0.5f, 0.6f, 0.5f, 0.4f, "created");
    EXPECT_EQ (gestures.heldBar (0), 3);
    EXPECT_EQ (gestures.heldPart (0), BarGestures::centre);
    EXPECT_EQ (gestures.getSelectedIndex(), 3);

    // It follows the pointer (no drag was begun, so none is ended).
    gestures.pointerDrag (at (120, 50));
    EXPECT_EQ (take(), (Strings { "Drag 3  0.600  0.400  0.600  0.600" }));
    gestures.pointerUp (at (120, 50));
    EXPECT_TRUE (take().empty());

    // With all eight active a command-press creates nothing.
    EXPECT_FALSE (gestures.pointerDown (with (at (30, 30), true, false, false)));
    gestures.pointerUp (at (30, 30));
    EXPECT_TRUE (take().empty());
    EXPECT_EQ (gestures.heldBar (0), -1);
}

TEST_F (BarGesturesTest, DraggingEndOnePastEndTwoSwapsTheEndsUnderThePointer)
{
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    gestures.pointerDown (at (100, 40));  // end 1
    take();
    gestures.pointerDrag (at (100, 70));  // below end 2 (y 60)
    const auto& b = *gestures.getBar (0);
    expectEnds (b, 0.5f, 0.6f, 0.5f, 0.7f, "swapped");
    EXPECT_TRUE (b.swapped);
    EXPECT_EQ (gestures.heldPart (0), BarGestures::end2) << "the pointer keeps the end under it";
    EXPECT_EQ (take(), (Strings { "Drag 0  0.500  0.600  0.500  0.700" })) << "upper end first";

    gestures.pointerDrag (at (60, 80));
    expectEnds (b, 0.5f, 0.6f, 0.3f, 0.8f, "the same physical end moves on");
    EXPECT_EQ (take(), (Strings { "Drag 0  0.500  0.600  0.300  0.800" }));

    // A drag outside the display moves the end to the edge.
    gestures.pointerDrag (at (-50, 150));
    expectEnds (b, 0.5f, 0.6f, 0.0f, 1.0f, "clipped");
}

TEST_F (BarGesturesTest, ShiftLocksTheAxisAfterMoreThanTwoPixels)
{
    struct Case
    {
        const char* what;
        float dx, dy;
        int lock;
        float cx, cy;  // centre after the move, in pixels
    };
    const Case cases[] = {
        { "10 right, 3 down: horizontal", 10, 3, 1, 110, 50 },
        { "3 right, 10 down: vertical", 3, 10, 2, 100, 60 },
        { "2 right, 1 down: not yet", 2, 1, 0, 102, 51 },
        { "5 right, 3 down: exactly 2 more is not enough", 5, 3, 0, 105, 53 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto& b = place (0, 0.5f, 0.4f, 0.5f, 0.6f);
        gestures.pointerDown (at (100, 50));
        gestures.pointerDrag (with (at (100 + c.dx, 50 + c.dy), false, false, true));
        EXPECT_EQ (gestures.getAxisLock(), c.lock);
        EXPECT_NEAR (b.cx * W, c.cx, 1e-3f);
        EXPECT_NEAR (b.cy * H, c.cy, 1e-3f);
        gestures.pointerUp (at (100, 50));
    }

    // Once locked, the kept coordinate stays whatever the pointer does;
    // releasing shift frees it.
    auto& b = place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    gestures.pointerDown (at (100, 50));
    gestures.pointerDrag (with (at (110, 53), false, false, true));
    gestures.pointerDrag (with (at (120, 80), false, false, true));
    EXPECT_NEAR (b.cx * W, 120.0f, 1e-3f);
    EXPECT_NEAR (b.cy * H, 50.0f, 1e-3f);
    gestures.pointerDrag (at (120, 80));
    EXPECT_EQ (gestures.getAxisLock(), 0);
    EXPECT_NEAR (b.cy * H, 80.0f, 1e-3f);
    gestures.pointerUp (at (120, 80));
}

TEST_F (BarGesturesTest, ReleaseFarOutsideEndsTheDragThenDeletes)
{
    struct Case
    {
        float x, y;
        bool deletes;
    };
    const Case cases[] = { { -150, 50, true }, { -100, 50, false }, { 100, 201, true }, { 301, 50, true }, { 250, 150, false } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.x) + ", " + juce::String (c.y));
        place (2, 0.5f, 0.4f, 0.5f, 0.6f);
        gestures.pointerDown (at (100, 50));
        gestures.pointerDrag (at (c.x, c.y));
        take();
        gestures.pointerUp (at (c.x, c.y));
        EXPECT_EQ (take(), (c.deletes ? Strings { "EndDrag 2", "Delete 2" } : Strings { "EndDrag 2" }));
        EXPECT_EQ (gestures.getBar (2)->active, ! c.deletes);
    }
}

TEST_F (BarGesturesTest, WheelMovesTheSelectedBarInOneGesture)
{
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    auto& b = place (4, 0.4f, 0.4f, 0.6f, 0.6f);
    gestures.setSelected (4, true);

    gestures.wheel (0.0f, 0.2f, false, false, 1000);   // up by 0.1
    gestures.wheel (0.1f, 0.0f, false, true, 1100);    // right by 0.005 (fine step)
    gestures.wheel (0.0f, 0.2f, true, false, 1200);    // reversed: down by 0.1
    EXPECT_NEAR (b.cx, 0.505f, 1e-5f);
    EXPECT_NEAR (b.cy, 0.5f, 1e-5f);
    EXPECT_EQ (take(), (Strings { "BeginDrag 4", "Drag 4 0.500 0.500 0.500 0.300", "Drag 4 0.505 0.500 0.505 0.300",
                                  "Drag 4 0.505 0.600 0.505 0.400" }))
        << "the centre's x for both points";

    gestures.tick (1700);
    EXPECT_TRUE (take().empty()) << "500 ms is not yet more than 500";
    gestures.tick (1701);
    EXPECT_EQ (take(), (Strings { "EndDrag 4" }));
    EXPECT_FALSE (gestures.isWheelActive());
    gestures.tick (5000);
    EXPECT_TRUE (take().empty());

    // The centre stays inside the display; no bar selected moves bar 0.
    gestures.setSelected (4, false);
    gestures.wheel (0.0f, -10.0f, false, false, 6000);
    EXPECT_NEAR (gestures.getBar (0)->cy, 1.0f, 1e-6f);
    EXPECT_EQ (take().front(), "BeginDrag 0");
}

TEST_F (BarGesturesTest, WheelDuringAPressOnTheSameBarLeavesTheEndToTheRelease)
{
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    gestures.pointerDown (at (100, 50));
    gestures.wheel (0.0f, 0.1f, false, false, 1000);
    gestures.tick (2000);
    EXPECT_EQ (take(), (Strings { "Select 0", "BeginDrag 0", "Drag 0 0.500 0.550 0.500 0.350" }));
    EXPECT_FALSE (gestures.isWheelActive());
    gestures.pointerUp (at (100, 50));
    EXPECT_EQ (take(), (Strings { "EndDrag 0" }));
}

TEST_F (BarGesturesTest, DeleteKeyThenCommandZBringsTheBarBack)
{
    place (5, 0.3f, 0.2f, 0.35f, 0.4f);
    gestures.pointerDown (at (65, 30));
    gestures.pointerUp (at (65, 30));
    take();

    EXPECT_FALSE (gestures.undoKey()) << "nothing deleted yet";
    EXPECT_TRUE (gestures.deleteKey());
    EXPECT_FALSE (gestures.getBar (5)->active);
    EXPECT_EQ (take(), (Strings { "Delete 5" }));
    EXPECT_FALSE (gestures.deleteKey()) << "an invisible bar is not deleted again";

    EXPECT_TRUE (gestures.undoKey());
    EXPECT_TRUE (gestures.getBar (5)->active);
    EXPECT_EQ (take(), (Strings { "Create 5 0.350 0.400 0.300 0.200" }));
    EXPECT_FALSE (gestures.undoKey()) << "the bar is back already";
    EXPECT_TRUE (take().empty());
}

TEST_F (BarGesturesTest, AltPressOnACentreMakesTheBarVertical)
{
    auto& b = place (0, 0.4f, 0.6f, 0.6f, 0.4f);  // end 1 lower, centre (100, 50)
    gestures.pointerDown (with (at (100, 50), false, true, false));
    expectEnds (b, 0.5f, 0.4f, 0.5f, 0.6f, "vertical, end 1 upper");
    EXPECT_EQ (take(), (Strings { "BeginDrag 0", "Drag 0 0.500 0.600 0.500 0.400" })) << "no Select";
    EXPECT_EQ (gestures.heldPart (0), BarGestures::centre);
}

TEST_F (BarGesturesTest, TwoPointersRotateAndStretchAndAThirdIsIgnored)
{
    auto& b = place (0, 0.5f, 0.2f, 0.5f, 0.8f);
    // Touch 0 on end 1 (100, 20), touch 1 on the centre (100, 50).
    gestures.pointerDown (at (100, 20, 0, true));
    gestures.pointerDown (at (100, 50, 1, true));
    EXPECT_EQ (gestures.heldPart (0), BarGestures::end1);
    EXPECT_EQ (gestures.heldPart (1), BarGestures::centre);
    EXPECT_EQ (take(), (Strings { "Select 0", "BeginDrag 0", "Select 0" })) << "one BeginDrag per bar";

    // End 1 goes to (80, 30); end 2 mirrors it through the centre pointer.
    gestures.pointerDrag (at (80, 30, 0, true));
    expectEnds (b, 0.4f, 0.3f, 0.6f, 0.7f, "mirrored about the centre pointer");

    // The centre pointer moves: the held end stays under touch 0.
    gestures.pointerDrag (at (110, 50, 1, true));
    expectEnds (b, 0.4f, 0.3f, 0.7f, 0.7f, "mirrored about the moved centre");
    take();

    // A third touch on end 2 is one too many: ignored, even its drags.
    gestures.pointerDown (at (140, 70, 2, true));
    EXPECT_EQ (gestures.heldBar (2), -1);
    gestures.pointerDrag (at (10, 10, 2, true));
    EXPECT_TRUE (take().empty());
    expectEnds (b, 0.4f, 0.3f, 0.7f, 0.7f, "unchanged by the third touch");
    gestures.pointerUp (at (10, 10, 2, true));

    // Releasing one holder ends nothing; the last one ends the drag.
    gestures.pointerUp (at (80, 30, 0, true));
    EXPECT_TRUE (take().empty());
    gestures.pointerUp (at (110, 50, 1, true));
    EXPECT_EQ (take(), (Strings { "EndDrag 0" }));
}

TEST_F (BarGesturesTest, TwoPointersKeepTheirEndsWhenTheBarTurnsOver)
{
    auto& b = place (0, 0.5f, 0.2f, 0.5f, 0.8f);
    gestures.pointerDown (at (100, 20, 0, true));  // end 1
    gestures.pointerDown (at (100, 50, 1, true));  // centre
    // End 1 is dragged below the centre: its mirror, end 2, comes above.
    gestures.pointerDrag (at (100, 70, 0, true));
    expectEnds (b, 0.5f, 0.3f, 0.5f, 0.7f, "turned over");
    EXPECT_EQ (gestures.heldPart (0), BarGestures::end2);
    gestures.pointerDrag (at (120, 70, 0, true));
    expectEnds (b, 0.4f, 0.3f, 0.6f, 0.7f, "touch 0 still holds the lower end");
}

TEST_F (BarGesturesTest, PointersOutsideTheTableAndAnEmptyDisplayAreIgnored)
{
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    for (int index : { -1, BarGestures::numPointers, 1000 })
    {
        EXPECT_FALSE (gestures.pointerDown (at (100, 50, index, true)));
        EXPECT_FALSE (gestures.pointerDrag (at (100, 60, index, true)));
        EXPECT_FALSE (gestures.pointerUp (at (100, 60, index, true)));
        EXPECT_EQ (gestures.heldBar (index), -1);
    }
    gestures.setSize (0, 0);
    EXPECT_FALSE (gestures.pointerDown (at (0, 0)));
    EXPECT_FALSE (gestures.pointerDrag (at (0, 0)));
    EXPECT_TRUE (take().empty());
}

TEST_F (BarGesturesTest, NumbersAreWrittenWithAPointInAnyLocale)
{
    guitest::CommaLocaleScope comma;
    if (! comma.active())
        GTEST_SKIP() << "no comma locale here";
    EXPECT_EQ (BarGestures::formatValue (0.25f, 5), "0.250");
    EXPECT_EQ (BarGestures::formatValue (0.25f, 6), " 0.250");
    EXPECT_EQ (BarGestures::formatValue (-0.05f, 5), "-0.050");
    place (0, 0.5f, 0.4f, 0.5f, 0.6f);
    gestures.pointerDown (at (100, 50));
    gestures.pointerDrag (at (50, 25));
    EXPECT_EQ (take().back(), "Drag 0  0.250  0.150  0.250  0.350");
}
