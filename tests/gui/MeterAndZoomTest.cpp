// The level meter's painted geometry and the zoom strip's window editing.
#include "GuiTestSupport.h"
#include "KitArtwork.h"
#include "MyJuceVuMeter.h"
#include "ZoomControl.h"

using namespace guitest;

namespace
{
bool isBlack (juce::Colour c) { return c.getRed() < 8 && c.getGreen() < 8 && c.getBlue() < 8; }

// A meter with a plain white picture, painted into an image.
juce::Image paintMeter (int w, int h, float level, float peak)
{
    juce::Image white (juce::Image::RGB, 4, 4, true);
    white.clear (white.getBounds(), juce::Colours::white);
    MyJuceVuMeter m ("m");
    m.setImage (white);
    m.setBounds (0, 0, w, h);
    m.setValues (level, peak);
    juce::Image out (juce::Image::RGB, w, h, true);
    juce::Graphics g (out);
    m.paintEntireComponent (g, false);
    return out;
}

struct ChangeCounter : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};

// A zoom strip of w x h pixels whose window is dragged to 0.5..1.
void zoomToTheRightHalf (ZoomControl& z, int w, int h)
{
    z.setSize (w, h);
    z.mouseMove (mouseAt (z, 0, 2, {}));
    press (z, 0, 2);
    drag (z, (float) w / 2.0f, 2);
}

std::pair<float, float> zoomOf (const ZoomControl& z)
{
    float s = -1.0f, e = -1.0f;
    z.getZoom (&s, &e);
    return { s, e };
}
} // namespace

TEST (MyJuceVuMeter, BlacksOutTheUnlitPartButTheLastColumnOrRow)
{
    // Vertical 8 x 100 at 0.25: the top 75 rows black except the last column.
    auto v = paintMeter (8, 100, 0.25f, -1.0f);
    EXPECT_TRUE (isBlack (v.getPixelAt (0, 0)));
    EXPECT_TRUE (isBlack (v.getPixelAt (6, 74)));
    EXPECT_FALSE (isBlack (v.getPixelAt (7, 10)));
    EXPECT_FALSE (isBlack (v.getPixelAt (3, 75)));
    EXPECT_FALSE (isBlack (v.getPixelAt (3, 99)));

    // Horizontal 100 x 8 at 0.6: the right 40 columns black except the last row.
    auto h = paintMeter (100, 8, 0.6f, -1.0f);
    EXPECT_FALSE (isBlack (h.getPixelAt (59, 3)));
    EXPECT_TRUE (isBlack (h.getPixelAt (60, 3)));
    EXPECT_TRUE (isBlack (h.getPixelAt (99, 6)));
    EXPECT_FALSE (isBlack (h.getPixelAt (80, 7)));

    // A peak line in red; a NaN level paints as 0.
    auto p = paintMeter (8, 100, 0.0f, 0.5f);
    const auto line = p.getPixelAt (3, 50);
    EXPECT_GT (line.getRed(), 100);
    EXPECT_LT (line.getGreen(), 60);
    auto n = paintMeter (8, 100, std::nanf (""), -1.0f);
    EXPECT_TRUE (isBlack (n.getPixelAt (3, 98)));

    MyJuceVuMeter m ("m");
    m.setBounds (0, 0, 8, 100);
    EXPECT_TRUE (m.isVertical());
    static_cast<juce::Component&> (m).setSize (100, 8);
    EXPECT_FALSE (m.isVertical());
}

TEST (ZoomControl, DragsMoveZoomAndResizeTheWindow)
{
    struct Step
    {
        enum Kind { move, press, drag } kind;
        int x, y;
    };
    struct Case
    {
        const char* what;
        std::vector<Step> steps;
        float start, end;
    };
    // A 200-pixel strip; every case starts from the window [0.25, 0.5] (50..100 px).
    const Case cases[] = {
        { "carried past the right end stops there, width kept",
          { { Step::move, 75, 2 }, { Step::press, 75, 2 }, { Step::drag, 300, 2 } }, 0.75f, 1.0f },
        { "carried past the left end stops at 0",
          { { Step::move, 75, 2 }, { Step::press, 75, 2 }, { Step::drag, -50, 2 } }, 0.0f, 0.25f },
        { "up widens about the centre",
          { { Step::move, 75, 10 }, { Step::press, 75, 10 }, { Step::drag, 75, 0 } }, 0.225f, 0.525f },
        { "down narrows to one pixel at most",
          { { Step::move, 75, 2 }, { Step::press, 75, 2 }, { Step::drag, 75, 500 } }, 0.375f, 0.38f },
        { "left edge widens",
          { { Step::move, 52, 2 }, { Step::press, 52, 2 }, { Step::drag, 20, 2 } }, 0.09f, 0.5f },
        { "left edge stops 5 px before the right",
          { { Step::move, 52, 2 }, { Step::press, 52, 2 }, { Step::drag, 150, 2 } }, 0.25f, 0.5f },
        { "beyond the right edge resizes it",
          { { Step::move, 110, 2 }, { Step::press, 110, 2 }, { Step::drag, 150, 2 } }, 0.25f, 0.7f },
    };
    for (const auto& c : cases)
    {
        ZoomControl z;
        z.setSize (200, 5);
        // The window [0.25, 0.5]: the left edge to 50 px, then 100 px down
        // narrows the rest (50..200) about its centre while carrying it to 75.
        z.mouseMove (mouseAt (z, 0, 2, {}));
        press (z, 0, 2);
        drag (z, 50, 2);
        z.mouseMove (mouseAt (z, 210, 2, {}));
        ASSERT_EQ (z.getDragMode(), 0) << "a window reaching the end has no right-edge zone";
        press (z, 125, 2);
        drag (z, 75, 102);
        ASSERT_EQ (zoomOf (z), std::make_pair (0.25f, 0.5f)) << c.what;

        ChangeCounter changes;
        z.addChangeListener (&changes);
        for (const auto& s : c.steps)
        {
            if (s.kind == Step::move)
                z.mouseMove (mouseAt (z, (float) s.x, (float) s.y, {}));
            else if (s.kind == Step::press)
                press (z, (float) s.x, (float) s.y);
            else
                drag (z, (float) s.x, (float) s.y);
        }
        const auto [start, end] = zoomOf (z);
        EXPECT_NEAR (start, c.start, 1e-6) << c.what;
        EXPECT_NEAR (end, c.end, 1e-6) << c.what;
        z.dispatchPendingMessages();
        EXPECT_EQ (changes.count, 1) << c.what;

        z.mouseDoubleClick (mouseAt (z, 10, 2));
        z.dispatchPendingMessages();
        EXPECT_EQ (zoomOf (z), std::make_pair (0.0f, 1.0f)) << c.what;
        EXPECT_EQ (changes.count, 2) << c.what;
        z.removeChangeListener (&changes);
    }
}

TEST (ZoomControl, PlayLineIsLightCoralOutsideTheWindow)
{
    ZoomControl z;
    zoomToTheRightHalf (z, 100, 4);
    for (const auto& [position, colour] : { std::make_pair (0.2, juce::Colours::lightcoral), std::make_pair (0.7, juce::Colours::red) })
    {
        z.position = position;
        juce::Image out (juce::Image::RGB, 100, 4, true);
        juce::Graphics g (out);
        z.paintEntireComponent (g, false);
        EXPECT_EQ (out.getPixelAt ((int) (position * 100.0), 2), colour) << position;
        EXPECT_EQ (out.getPixelAt (10, 2), juce::Colours::darkred);
        EXPECT_EQ (out.getPixelAt (90, 2), juce::Colours::darkgreen);
    }
}

// A move of the play position repaints a strip around the marker where it
// was and one where it goes, within a pixel and across the window's edge too,
// and leaves no pixel stale.
TEST (ZoomControl, PositionMovesRepaintOnlyTheMarkersStrips)
{
    ZoomControl z;
    zoomToTheRightHalf (z, 300, 6);
    for (double p : { 0.1, 0.1004, 0.5, 0.93, 0.2, 0.0 })
    {
        int asked = -1;
        EXPECT_EQ (pixelsLeftStale (z, [&] { z.setPosition (p); }, asked), 0) << p;
        EXPECT_LE (asked, 2 * 5 * 6) << p;
        EXPECT_DOUBLE_EQ (z.position, p);
    }
}

TEST_F (KitTest, SnapshotMetersAndZoom)
{
    juce::Component board;
    board.setSize (200, 110);
    MyJuceVuMeter a ("a"), b ("b"), c ("c"), d ("d");
    float level = 0.2f;
    int x = 10;
    for (auto* m : { &a, &b, &c })
    {
        m->setImage (GetMeterStripImage());
        m->setBounds (x, 10, 8, 80);
        m->setValues (level, level + 0.1f);
        board.addAndMakeVisible (m);
        level += 0.35f;
        x += 14;
    }
    d.setImage (GetMeterStripImage());
    d.setBounds (60, 10, 130, 10);
    d.setValues (0.6f, -1.0f);
    board.addAndMakeVisible (d);
    ZoomControl z;
    z.setBounds (10, 95, 180, 6);
    board.addAndMakeVisible (z);
    z.mouseMove (mouseAt (z, 0, 2, {}));
    press (z, 0, 2);
    drag (z, 40, 2);
    z.position = 0.5;
    const auto f = writeSnapshot (board, "meters_zoom");
    EXPECT_TRUE (f.existsAsFile());
}
