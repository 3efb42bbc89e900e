// The two-dimensional pad: presses and drags map to X and Y, the Shift axis
// lock, Alt-click defaults inside a gesture, the elastic Cmd-drag, the wheel
// gesture, a pad narrower than its ball, listeners that delete the pad.
#include "GuiTestSupport.h"
#include "MyJuceSlider2D.h"

using namespace guitest;

namespace
{
struct PadRecorder : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider* s) override
    {
        auto* pad = static_cast<MyJuceSlider2D*> (s);
        calls.push_back ("value " + juce::String (pad->valueX, 2).toStdString() + " " + juce::String (pad->valueY, 2).toStdString());
        if (deleteOnValue)
            deleteOnValue->reset();
    }
    void sliderDragStarted (juce::Slider*) override { calls.push_back ("start"); }
    void sliderDragEnded (juce::Slider*) override { calls.push_back ("end"); }
    std::vector<std::string> take() { return std::exchange (calls, {}); }

    std::vector<std::string> calls;
    std::unique_ptr<MyJuceSlider2D>* deleteOnValue = nullptr;
};

using Log = std::vector<std::string>;

// A pad whose point moves over 100 x 100 pixels (ball 16: margins of 8).
std::unique_ptr<MyJuceSlider2D> makePad (PadRecorder& r, int w = 116, int h = 116)
{
    auto p = std::make_unique<MyJuceSlider2D> ("pad");
    p->setBounds (0, 0, w, h);
    p->addListener (&r);
    return p;
}

juce::ModifierKeys shiftDrag() { return leftWith (juce::ModifierKeys::shiftModifier); }
} // namespace

TEST (MyJuceSlider2D, PressesMapToTheFrameAndClampAtItsEdges)
{
    struct Case
    {
        float x, y;
        double vx, vy;
    };
    const Case cases[] = {
        { 8.0f, 8.0f, 0.0, 1.0 },        // top-left of the frame
        { 0.0f, 0.0f, 0.0, 1.0 },        // the corner itself, inside the margin
        { 108.0f, 108.0f, 1.0, 0.0 },    // bottom-right of the frame
        { 116.0f, 116.0f, 1.0, 0.0 },
        { 58.0f, 33.0f, 0.5, 0.75 },
        { -40.0f, 300.0f, 0.0, 0.0 },    // far outside
    };
    for (const auto& c : cases)
    {
        PadRecorder r;
        auto pad = makePad (r);
        pad->valueX = pad->valueY = 0.3;
        press (*pad, c.x, c.y);
        release (*pad, c.x, c.y);
        EXPECT_DOUBLE_EQ (pad->valueX, c.vx) << c.x << ", " << c.y;
        EXPECT_DOUBLE_EQ (pad->valueY, c.vy) << c.x << ", " << c.y;
        EXPECT_EQ (r.calls.front(), "start");
        EXPECT_EQ (r.calls.back(), "end");
        EXPECT_FALSE (pad->isGestureOpen());
    }
}

TEST (MyJuceSlider2D, ADiagonalDragNotifiesOncePerAxis)
{
    PadRecorder r;
    auto pad = makePad (r);
    press (*pad, 58.0f, 58.0f);
    r.take();
    drag (*pad, 68.0f, 48.0f);
    EXPECT_EQ (r.take(), (Log { "value 0.60 0.50", "value 0.60 0.60" }));
    release (*pad, 68.0f, 48.0f);
    EXPECT_EQ (r.take(), (Log { "end" }));
}

TEST (MyJuceSlider2D, ShiftLocksTheAxisOfTheFirstClearMove)
{
    struct Step
    {
        float x, y;
        bool shift;
        int lock;
        double vx, vy;
    };
    struct Case
    {
        const char* what;
        std::vector<Step> steps;
    };
    // Every drag starts with a press at (58, 58): X 0.5, Y 0.5.
    const Case cases[] = {
        { "horizontal first: Y frozen while Shift stays down",
          { { 62.0f, 59.0f, true, 1, 0.54, 0.5 }, { 70.0f, 20.0f, true, 1, 0.62, 0.5 }, { 48.0f, 90.0f, true, 1, 0.40, 0.5 } } },
        { "vertical first: X frozen",
          { { 59.0f, 48.0f, true, 2, 0.5, 0.6 }, { 90.0f, 38.0f, true, 2, 0.5, 0.7 } } },
        { "no clear move yet: both axes move, the lock waits",
          { { 60.0f, 60.0f, true, 0, 0.52, 0.48 }, { 63.0f, 60.0f, true, 1, 0.55, 0.48 } } },
        { "releasing Shift frees both axes",
          { { 68.0f, 58.0f, true, 1, 0.6, 0.5 }, { 68.0f, 38.0f, false, 0, 0.6, 0.7 }, { 48.0f, 38.0f, true, 1, 0.4, 0.7 } } },
    };
    for (const auto& c : cases)
    {
        PadRecorder r;
        auto pad = makePad (r);
        press (*pad, 58.0f, 58.0f);
        for (const auto& s : c.steps)
        {
            drag (*pad, s.x, s.y, s.shift ? shiftDrag() : left);
            EXPECT_EQ (pad->getAxisLock(), s.lock) << c.what << " at " << s.x << ", " << s.y;
            EXPECT_NEAR (pad->valueX, s.vx, 1e-6) << c.what << " at " << s.x << ", " << s.y;
            EXPECT_NEAR (pad->valueY, s.vy, 1e-6) << c.what << " at " << s.x << ", " << s.y;
        }
        release (*pad, 0.0f, 0.0f);
    }
}

TEST (MyJuceSlider2D, AltClickRestoresTheDefaultsInsideItsOwnGesture)
{
    PadRecorder r;
    auto pad = makePad (r);
    pad->defaultX = 0.25f;
    pad->defaultY = 0.75f;

    press (*pad, 100.0f, 100.0f, leftWith (juce::ModifierKeys::altModifier));
    EXPECT_EQ (r.take(), (Log { "start", "value 0.25 0.75", "end" }));
    release (*pad, 100.0f, 100.0f, leftWith (juce::ModifierKeys::altModifier));
    pumpMessages (20);
    EXPECT_EQ (r.take(), Log {});

    // Already at the defaults: the gesture only.
    press (*pad, 10.0f, 10.0f, leftWith (juce::ModifierKeys::altModifier));
    EXPECT_EQ (r.take(), (Log { "start", "end" }));
}

TEST (MyJuceSlider2D, ElasticDragStartsFromAFreshClock)
{
    SteppedClock clock;
    PadRecorder r;
    auto pad = makePad (r);
    pad->valueX = pad->valueY = 0.0;
    // A long idle time since any earlier elastic step must not make the first step jump.
    SteppedClock::advance (60000);

    const auto cmd = leftWith (juce::ModifierKeys::commandModifier);
    press (*pad, 108.0f, 8.0f, cmd);
    EXPECT_TRUE (pad->isElastic());
    EXPECT_DOUBLE_EQ (pad->valueX, 0.0);  // no time has passed: no move

    double lastX = 0.0;
    for (int i = 0; i < 4; ++i)
    {
        SteppedClock::advance (50);
        pad->timerCallback();
        EXPECT_GT (pad->valueX, lastX);
        EXPECT_LT (pad->valueX, 1.0);
        EXPECT_NEAR (pad->valueY, pad->valueX, 0.02);  // glides along the diagonal
        lastX = pad->valueX;
    }
    release (*pad, 108.0f, 8.0f, cmd);
    EXPECT_FALSE (pad->isElastic());
    EXPECT_FALSE (pad->isGestureOpen());
}

TEST (MyJuceSlider2D, WheelGestureClosesHalfASecondAfterTheLastNotch)
{
    SteppedClock clock;
    struct Case
    {
        float dx, dy;
        bool reversed;
        Log during;
        double vx, vy;
    };
    const Case cases[] = {
        { 0.0f, 0.0f, false, { "start" }, 0.5, 0.5 },  // no delta: the gesture still opens
        { 0.2f, 0.0f, false, { "start", "value 0.60 0.50" }, 0.6, 0.5 },
        { 0.0f, 0.2f, true, { "start", "value 0.50 0.40" }, 0.5, 0.4 },
        { 2.0f, -2.0f, false, { "start", "value 1.00 0.50", "value 1.00 0.00" }, 1.0, 0.0 },
    };
    for (const auto& c : cases)
    {
        PadRecorder r;
        auto pad = makePad (r);
        pad->valueX = pad->valueY = 0.5;
        juce::MouseWheelDetails w {};
        w.deltaX = c.dx;
        w.deltaY = c.dy;
        w.isReversed = c.reversed;
        pad->mouseWheelMove (mouseAt (*pad, 50.0f, 50.0f, {}), w);
        EXPECT_EQ (r.take(), c.during);
        EXPECT_NEAR (pad->valueX, c.vx, 1e-6);
        EXPECT_NEAR (pad->valueY, c.vy, 1e-6);

        SteppedClock::advance (400);
        pad->timerCallback();
        EXPECT_TRUE (pad->isGestureOpen());
        SteppedClock::advance (101);
        pad->timerCallback();
        EXPECT_EQ (r.take(), (Log { "end" }));
        EXPECT_FALSE (pad->isGestureOpen());
    }
}

TEST (MyJuceSlider2D, APadNarrowerThanItsBallKeepsARangeOfOnePixel)
{
    PadRecorder r;
    auto pad = makePad (r, 10, 6);
    EXPECT_EQ (pad->getPadLookAndFeel().xRange, 1);
    EXPECT_EQ (pad->getPadLookAndFeel().yRange, 1);
    for (float x : { -5.0f, 0.0f, 8.5f, 9.0f, 20.0f })
    {
        press (*pad, x, 3.0f);
        release (*pad, x, 3.0f);
        EXPECT_TRUE (pad->valueX >= 0.0 && pad->valueX <= 1.0) << x;
        EXPECT_TRUE (pad->valueY >= 0.0 && pad->valueY <= 1.0) << x;
    }
    // Resizing through the plain Component calls keeps the frame right.
    static_cast<juce::Component&> (*pad).setSize (216, 66);
    EXPECT_EQ (pad->getPadLookAndFeel().xRange, 200);
    EXPECT_EQ (pad->getPadLookAndFeel().yRange, 50);
}

TEST (MyJuceSlider2D, AListenerDeletingThePadStopsTheNotifications)
{
    PadRecorder r;
    auto pad = makePad (r);
    r.deleteOnValue = &pad;
    press (*pad, 30.0f, 30.0f);  // both axes change: the second notification must not come
    EXPECT_EQ (pad, nullptr);
    EXPECT_EQ (r.calls, (Log { "start", "value 0.22 0.00" }));
}

TEST (MyJuceSlider2D, DisabledPadKeepsItsValuesButOpensAndClosesTheGesture)
{
    PadRecorder r;
    auto pad = makePad (r);
    pad->valueX = pad->valueY = 0.5;
    pad->setEnabled (false);
    press (*pad, 8.0f, 8.0f);
    drag (*pad, 100.0f, 100.0f);
    release (*pad, 100.0f, 100.0f);
    EXPECT_EQ (r.take(), (Log { "start", "end" }));
    EXPECT_DOUBLE_EQ (pad->valueX, 0.5);
}

TEST_F (KitTest, SnapshotSlider2D)
{
    SteppedClock clock;
    juce::Component board;
    board.setSize (260, 130);
    PadRecorder r;
    MyJuceSlider2D a ("a"), b ("b");
    a.setBounds (5, 5, 120, 120);
    b.setBounds (135, 5, 120, 120);
    board.addAndMakeVisible (a);
    board.addAndMakeVisible (b);
    a.setXValue (0.3f);
    a.setYValue (0.7f);
    // b mid-way through an elastic drag towards its bottom-right corner.
    b.setXValue (0.2f);
    b.setYValue (0.8f);
    press (b, 110.0f, 110.0f, leftWith (juce::ModifierKeys::commandModifier));
    SteppedClock::advance (50);
    b.timerCallback();
    const auto f = writeSnapshot (board, "slider2d");
    release (b, 110.0f, 110.0f);
    EXPECT_TRUE (f.existsAsFile());
}
