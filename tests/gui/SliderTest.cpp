// The slider: gestures and values from presses, drags, Alt-clicks, elastic
// Cmd-drags and the wheel; its own listener list; its track drawing.
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
// Records the listener calls of a slider, in order.
struct SliderRecorder : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider* s) override { calls.push_back ("value " + juce::String (s->getValue(), 3).toStdString()); }
    void sliderDragStarted (juce::Slider*) override { calls.push_back ("start"); }
    void sliderDragEnded (juce::Slider*) override { calls.push_back ("end"); }
    std::vector<std::string> calls;
};

std::unique_ptr<MyJuceSlider> makeSlider (juce::Slider::SliderStyle style, int w, int h)
{
    auto s = std::make_unique<MyJuceSlider> ("new slider");
    s->setRange (0.0, 1.0, 0.0);
    s->setSliderStyle (style);
    s->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    s->setSize (w, h);
    // One paint records the track geometry the mouse mapping uses.
    s->createComponentSnapshot (s->getLocalBounds());
    return s;
}

using Log = std::vector<std::string>;
} // namespace

TEST (MyJuceSlider, DragInTheEditorGivesBeginSetEndInOrder)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    editor.slider.createComponentSnapshot (editor.slider.getLocalBounds());
    effect.takeLog();

    press (editor.slider, 100.0f, 10.0f);
    drag (editor.slider, 150.0f, 12.0f);
    drag (editor.slider, 150.0f, 15.0f);  // same x: no value change
    release (editor.slider, 150.0f, 15.0f);

    EXPECT_EQ (effect.takeLog(), (Log { "begin 0", "set 0 0.500", "set 0 0.750", "end 0" }));
    EXPECT_FALSE (editor.slider.isGestureOpen());
}

TEST (MyJuceSlider, PressesMapToTheTrackEnds)
{
    struct Case
    {
        juce::Slider::SliderStyle style;
        float x, y;
        double expected;
    };
    const Case cases[] = {
        { juce::Slider::LinearHorizontal, 200.0f, 10.0f, 1.0 },  // right end
        { juce::Slider::LinearHorizontal, 250.0f, 10.0f, 1.0 },  // beyond it
        { juce::Slider::LinearHorizontal, -10.0f, 10.0f, 0.0 },  // left of the origin
        { juce::Slider::LinearHorizontal, 50.0f, 10.0f, 0.25 },
        { juce::Slider::LinearVertical, 10.0f, 0.0f, 1.0 },      // top
        { juce::Slider::LinearVertical, 10.0f, 250.0f, 0.0 },    // below the bottom
        { juce::Slider::LinearVertical, 10.0f, 150.0f, 0.25 },
    };
    for (const auto& c : cases)
    {
        const bool horizontal = c.style == juce::Slider::LinearHorizontal;
        auto s = makeSlider (c.style, horizontal ? 200 : 20, horizontal ? 20 : 200);
        s->setValue (0.5, false, false);
        press (*s, c.x, c.y);
        release (*s, c.x, c.y);
        EXPECT_DOUBLE_EQ (s->getValue(), c.expected) << c.x << ", " << c.y;
    }
}

TEST (MyJuceSlider, AltClickRestoresTheDefaultInsideTheGesture)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.setParameterNotifyingHost (SpyEditor::gain, 0.3f);
    editor.updateParametersFromFilter();
    ASSERT_DOUBLE_EQ (editor.slider.getValue(), (double) 0.3f);
    ASSERT_EQ (editor.slider.defaultValue, 1.0f);
    effect.takeLog();

    press (editor.slider, 20.0f, 10.0f, leftWith (juce::ModifierKeys::altModifier));
    drag (editor.slider, 40.0f, 10.0f, leftWith (juce::ModifierKeys::altModifier));  // ignored while Alt is held
    release (editor.slider, 40.0f, 10.0f);
    pumpMessages();

    EXPECT_EQ (effect.takeLog(), (Log { "begin 0", "set 0 1.000", "end 0" }));
    // The gesture recorded the old and the new value: undo and redo agree.
    EXPECT_TRUE (effect.undo());
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::gain), 0.3f);
    EXPECT_TRUE (effect.redo());
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::gain), 1.0f);

    effect.takeLog();

    // Already at the default: a gesture and no value change.
    press (editor.slider, 20.0f, 10.0f, leftWith (juce::ModifierKeys::altModifier));
    release (editor.slider, 20.0f, 10.0f);
    pumpMessages();
    EXPECT_EQ (effect.takeLog(), (Log { "begin 0", "end 0" }));
}

TEST (MyJuceSlider, ListenersAreToldLastAddedFirstAndOnlyOnChange)
{
    auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
    std::vector<int> order;
    struct Tagged : juce::Slider::Listener
    {
        Tagged (std::vector<int>& o, int t) : order (o), tag (t) {}
        void sliderValueChanged (juce::Slider*) override { order.push_back (tag); }
        std::vector<int>& order;
        int tag;
    } a (order, 1), b (order, 2);
    s->addListener (&a);
    s->addListener (&b);
    s->addListener (&a);      // already there
    s->addListener (nullptr); // ignored

    s->setValue (0.4, true, true);
    EXPECT_EQ (order, (std::vector<int> { 2, 1 }));

    order.clear();
    s->setValue (0.4, true, true);  // the current value: nothing
    s->setValue (0.6, false, true); // silent
    EXPECT_TRUE (order.empty());

    s->setValue (0.7, true, false);  // from the message loop
    EXPECT_TRUE (order.empty());
    pumpMessages();
    EXPECT_EQ (order, (std::vector<int> { 2, 1 }));
}

TEST (MyJuceSlider, AListenerMayDeleteTheSlider)
{
    auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
    auto* raw = s.release();
    struct Deleter : juce::Slider::Listener
    {
        void sliderValueChanged (juce::Slider* slider) override { ++calls; delete slider; }
        int calls = 0;
    } deleter;
    SliderRecorder later;
    raw->addListener (&later);
    raw->addListener (&deleter);  // told first

    press (*raw, 100.0f, 10.0f);  // the value changes: the slider is deleted mid-press
    EXPECT_EQ (deleter.calls, 1);
    EXPECT_EQ (later.calls, (Log { "start" }));
}

TEST (MyJuceSlider, DisabledSliderIgnoresDragsButKeepsItsGesture)
{
    auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
    SliderRecorder r;
    s->addListener (&r);
    s->setEnabled (false);
    press (*s, 150.0f, 10.0f);
    drag (*s, 180.0f, 10.0f);
    release (*s, 180.0f, 10.0f);
    EXPECT_EQ (r.calls, (Log { "start", "end" }));
    EXPECT_EQ (s->getValue(), 0.0);
}

TEST (MyJuceSlider, ElasticDragGlidesTowardsAStillMouse)
{
    SteppedClock clock;
    auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
    SliderRecorder r;
    s->addListener (&r);

    const auto cmd = leftWith (juce::ModifierKeys::commandModifier);
    press (*s, 150.0f, 10.0f, cmd);
    EXPECT_TRUE (s->isElastic());
    EXPECT_EQ (s->getValue(), 0.0);  // no time has passed: no step yet

    double previous = 0.0;
    for (int tick = 0; tick < 8; ++tick)
    {
        SteppedClock::advance (50);
        s->timerCallback();  // the 50 ms tick drags towards the last mouse position
        const double v = s->getValue();
        EXPECT_GT (v, previous);  // a step every tick, never past the mouse
        EXPECT_LT (v, 0.75);
        previous = v;
    }

    // Within S/150 pixels of the value's point (on the top edge) the next
    // step lands on the mouse.
    const float p = s->getPositionOfValue (s->getValue());
    SteppedClock::advance (50);
    drag (*s, p + 0.1f, 0.0f, cmd);
    EXPECT_NEAR (s->getValue(), (p + 0.1f) / 200.0f, 1e-6);

    release (*s, p, 10.0f);
    EXPECT_FALSE (s->isElastic());
    EXPECT_EQ (r.calls.front(), "start");
    EXPECT_EQ (r.calls.back(), "end");
}

TEST (MyJuceSlider, WheelNotchesFormOneGestureClosedHalfASecondLater)
{
    SteppedClock clock;
    auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
    SliderRecorder r;
    s->addListener (&r);

    juce::MouseWheelDetails wheel {};
    wheel.deltaY = 0.2f;
    for (int notch = 0; notch < 3; ++notch)
    {
        s->mouseWheelMove (mouseAt (*s, 10.0f, 10.0f, {}), wheel);
        SteppedClock::advance (100);
        s->timerCallback();
    }
    EXPECT_NEAR (s->getValue(), 0.3, 1e-6);
    EXPECT_TRUE (s->isGestureOpen());

    SteppedClock::advance (300);  // 400 ms after the last notch
    s->timerCallback();
    EXPECT_TRUE (s->isGestureOpen());
    SteppedClock::advance (101);  // 501 ms
    s->timerCallback();
    EXPECT_FALSE (s->isGestureOpen());
    EXPECT_FALSE (s->isTimerRunning());  // nothing left to tick for

    EXPECT_EQ (r.calls, (Log { "start", "value 0.100", "value 0.200", "value 0.300", "end" }));

    // Reversed wheel, zero delta ignored.
    r.calls.clear();
    wheel.isReversed = true;
    s->mouseWheelMove (mouseAt (*s, 10.0f, 10.0f, {}), wheel);
    wheel.deltaY = 0.0f;
    s->mouseWheelMove (mouseAt (*s, 10.0f, 10.0f, {}), wheel);
    EXPECT_EQ (r.calls, (Log { "start", "value 0.200" }));
}

TEST (MyJuceSlider, HighlightTickSitsAtTheValueWithinTheTrack)
{
    struct Case
    {
        double value;
        int tickFrom, tickTo;  // pixels covered by the tick
    };
    const Case cases[] = { { 0.0, 0, 4 }, { 1.0, 196, 200 }, { 0.5, 98, 102 } };
    for (const auto& c : cases)
    {
        auto s = makeSlider (juce::Slider::LinearHorizontal, 200, 20);
        s->setValue (c.value, false, false);
        s->SetControlHighliteInfo (true, 0);
        const auto image = s->createComponentSnapshot (s->getLocalBounds());
        auto isRed = [&] (int x) { auto p = image.getPixelAt (x, 10); return p.getRed() > 200 && p.getGreen() < 60; };
        EXPECT_TRUE (isRed (c.tickFrom + 1)) << c.value;
        EXPECT_TRUE (isRed (c.tickTo - 2)) << c.value;
        EXPECT_FALSE (isRed (c.tickFrom - 3)) << c.value;
        EXPECT_FALSE (isRed (c.tickTo + 2)) << c.value;

        s->SetControlHighliteInfo (false, 0);
        const auto plain = s->createComponentSnapshot (s->getLocalBounds());
        auto p = plain.getPixelAt (c.tickFrom + 1, 10);
        EXPECT_FALSE (p.getRed() > 200 && p.getGreen() < 60);
    }
}
