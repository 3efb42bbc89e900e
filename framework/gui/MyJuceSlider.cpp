#include "MyJuceSlider.h"

#include "Highlight.h"

#include <algorithm>

//==============================================================================
MySliderLookAndFeel::MySliderLookAndFeel()
    : restColourDisabled (restColour.brighter (0.8f)),
      valueColourDisabled (valueColour.brighter (0.8f))
{
}

int MySliderLookAndFeel::getSliderThumbRadius (juce::Slider&) { return 0; }

void MySliderLookAndFeel::setControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
}

void MySliderLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                            float sliderPos, float, float,
                                            juce::Slider::SliderStyle, juce::Slider& slider)
{
    const bool enabled = slider.isEnabled();
    const auto rest = enabled ? restColour : restColourDisabled;
    const auto value = enabled ? valueColour : valueColourDisabled;
    const int p = (int) sliderPos;

    if (slider.isHorizontal())
    {
        trackStart = x;
        trackLength = width;
        const float m = (float) height * 0.5f;
        g.setColour (value);
        g.drawLine (0.0f, m, (float) p, m, 2.0f);
        g.setColour (rest);
        g.drawLine ((float) p, m, (float) width, m, 2.0f);

        if (IsHighlightVisible (highlightColour))
        {
            int t = p;
            if (p + 2 > width)
                t = width - 2;
            t = std::max (t, 2);
            g.setColour (highlightColour);
            g.drawLine ((float) (t - 2), m, (float) (t + 2), m, 2.0f);
        }
    }
    else
    {
        trackStart = y;
        trackLength = height;
        const float m = (float) width * 0.5f;
        g.setColour (value);
        g.drawLine (m, (float) height, m, (float) p, 2.0f);
        g.setColour (rest);
        g.drawLine (m, (float) p, m, 0.0f, 2.0f);

        if (IsHighlightVisible (highlightColour))
        {
            int t = p;
            if (p + 2 > height)
                t = height - 2;
            t = std::max (t, 2);
            g.setColour (highlightColour);
            g.drawLine (m, (float) (t - 2), m, (float) (t + 2), 2.0f);
        }
    }
}

//==============================================================================
MyJuceSlider::MyJuceSlider (const juce::String& name) : MyJuceSliderBase (name)
{
    setLookAndFeel (&lookAndFeel);
}

MyJuceSlider::~MyJuceSlider()
{
    setLookAndFeel (nullptr);
}

void MyJuceSlider::setValue (double value, bool notify, bool synchronous)
{
    if (value == getValue())
        return;

    juce::Slider::setValue (value, juce::dontSendNotification);
    if (notify)
    {
        if (synchronous)
            handleAsyncUpdate();
        else
            triggerAsyncUpdate();
    }
}

void MyJuceSlider::setSliderStyle (juce::Slider::SliderStyle style)
{
    juce::Slider::setSliderStyle (style);
}

void MyJuceSlider::SetControlHighliteInfo (bool on, short type)
{
    lookAndFeel.setControlHighliteInfo (on, type);
    repaint();
}

bool MyJuceSlider::setValueAndNotifyNow (double v)
{
    juce::Slider::setValue (v, juce::dontSendNotification);
    return notifyNow();
}

void MyJuceSlider::mouseDown (const juce::MouseEvent& e)
{
    if (! sendDragStart())
        return;

    if (e.mods.isAltDown())
    {
        // The default value reaches the listeners now, inside the gesture
        // just opened, so the gesture's end records it (undo, host).
        if (getValue() != (double) defaultValue)
            setValueAndNotifyNow ((double) defaultValue);
        return;
    }

    if (e.mods.isCommandDown())
        startElastic();

    lastMouse = e.position;
    positionX = positionY = getPositionOfValue (getValue());
    mouseDrag (e);
}

void MyJuceSlider::mouseDrag (const juce::MouseEvent& e)
{
    if (e.mods.isAltDown() || ! isEnabled())
        return;

    positionX = positionY = getPositionOfValue (getValue());
    const bool horizontal = isHorizontal();

    if (elastic)
        stepElasticFactor (horizontal ? e.position.x - positionX : e.position.x,
                           horizontal ? e.position.y : e.position.y - positionY,
                           (float) (horizontal ? getHeight() : getWidth()));

    double value = getValue();
    bool moved = false;

    if (horizontal)
    {
        if (e.position.x != positionX)
        {
            const float x = elasticCoordinate (e.position.x, positionX, (float) getWidth());
            if (lookAndFeel.trackLength > 0)
            {
                value = juce::jlimit (0.0, 1.0, (double) ((x - (float) lookAndFeel.trackStart) / (float) lookAndFeel.trackLength));
                moved = true;
            }
        }
    }
    else
    {
        // Values grow upwards: the limits mirror the horizontal ones (an
        // elastic step stops a pixel short of the top).
        float y = e.position.y;
        const float height = (float) getHeight();
        if (y != positionY)
        {
            if (y <= 0.0f)
                y = 0.0f;
            else if (y > height)
                y = height;

            if (elastic)
            {
                y = positionY + (y - positionY) * elasticFactor;
                if (y <= 0.0f)
                    y = 1.0f;
                else if (y > height)
                    y = height;
                positionY = y;
            }

            if (lookAndFeel.trackLength > 0)
            {
                value = juce::jlimit (0.0, 1.0, 1.0 - (double) ((y - (float) lookAndFeel.trackStart) / (float) lookAndFeel.trackLength));
                moved = true;
            }
        }
    }

    if (moved && value != getValue())
        if (! setValueAndNotifyNow (value))
            return;

    lastMouse = e.position;
    if (elastic)
        repaintParent();
}

void MyJuceSlider::mouseUp (const juce::MouseEvent&)
{
    if (sendDragEnd())
        stopElastic();
}

void MyJuceSlider::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (wheel.deltaY == 0.0f || ! openWheelGesture())
        return;

    float step = wheel.deltaY * (juce::ModifierKeys::currentModifiers.isCommandDown() ? 0.05f : 0.5f);
    if (wheel.isReversed)
        step = -step;

    const double value = juce::jlimit (0.0, 1.0, getValue() + (double) step);
    if (value != getValue())
        if (! setValueAndNotifyNow (value))
            return;

    keepWheelGestureOpen();
}

void MyJuceSlider::timerCallback()
{
    if (wheelActive && ! elastic && ! closeWheelGestureAfterPause())
        return;

    if (elastic)
        dragAtLastMouse();
    else if (! wheelActive)
        stopTimer();
}

void MyJuceSlider::DrawElas (juce::Graphics& g)
{
    if (! elastic)
        return;

    const float x0 = (float) getX();
    const float y0 = (float) getY();
    const float p = getPositionOfValue (getValue());
    const juce::Point<float> start = isHorizontal() ? juce::Point<float> (x0 + p, y0 + (float) getHeight() * 0.5f)
                                                    : juce::Point<float> (x0 + (float) getWidth() * 0.5f, y0 + p);
    drawElasticLine (g, start, { x0 + lastMouse.x, y0 + lastMouse.y });
}
