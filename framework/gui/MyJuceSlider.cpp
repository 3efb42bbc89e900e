#include "MyJuceSlider.h"

#include "Highlight.h"
#include "WidgetClock.h"

#include <algorithm>
#include <cmath>

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
MyJuceSlider::MyJuceSlider (const juce::String& name) : juce::Slider (name)
{
    setWantsKeyboardFocus (false);
    setLookAndFeel (&lookAndFeel);
}

MyJuceSlider::~MyJuceSlider()
{
    setLookAndFeel (nullptr);
}

void MyJuceSlider::addListener (juce::Slider::Listener* listener)
{
    if (listener != nullptr)
        listeners.addIfNotAlreadyThere (listener);
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

void MyJuceSlider::handleAsyncUpdate()
{
    cancelPendingUpdate();
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners.getUnchecked (i)->sliderValueChanged (this);
        if (checker.shouldBailOut())
            return;
    }
}

void MyJuceSlider::sendDragStart()
{
    if (dragStarted)
        return;

    startedDragging();
    dragStarted = true;
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners.getUnchecked (i)->sliderDragStarted (this);
        if (checker.shouldBailOut())
            return;
    }
}

void MyJuceSlider::sendDragEnd()
{
    if (! dragStarted)
        return;

    stoppedDragging();
    dragStarted = false;
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners.getUnchecked (i)->sliderDragEnded (this);
        if (checker.shouldBailOut())
            return;
    }
}

bool MyJuceSlider::setValueAndNotifyNow (double v)
{
    juce::Slider::setValue (v, juce::dontSendNotification);
    juce::Component::SafePointer<MyJuceSlider> self (this);
    handleAsyncUpdate();
    return self != nullptr;
}

void MyJuceSlider::repaintParent()
{
    if (auto* parent = getParentComponent())
        parent->repaint();
}

void MyJuceSlider::mouseDown (const juce::MouseEvent& e)
{
    juce::Component::SafePointer<MyJuceSlider> self (this);
    sendDragStart();
    if (self == nullptr)
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
    {
        elastic = true;
        elasticTime = WidgetMilliseconds();
        elasticFactor = 0.0f;
        startTimer (50);
    }

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
    {
        const uint32_t now = WidgetMilliseconds();
        const uint32_t dt = now - elasticTime;
        if (dt > 0)
        {
            const float dx = horizontal ? e.position.x - positionX : e.position.x;
            const float dy = horizontal ? e.position.y : e.position.y - positionY;
            const double d = std::sqrt ((double) (dx * dx + dy * dy));
            const float s = (float) (horizontal ? getHeight() : getWidth());
            const float limit = std::max (150.0f * (float) d, s);
            const float k = limit > 0.0f ? s / limit : 1.0f;
            elasticTime = now;
            elasticFactor = (float) std::min (1.0, 1.0 - std::pow ((double) (1.0f - k), (double) dt));
        }
    }

    double value = getValue();
    bool moved = false;

    if (horizontal)
    {
        float x = e.position.x;
        const float width = (float) getWidth();
        if (x != positionX)
        {
            if (x < 0.0f)
                x = 0.0f;
            else if (x >= width)
                x = width;

            if (elastic)
            {
                x = positionX + (x - positionX) * elasticFactor;
                if (x < 0.0f)
                    x = 0.0f;
                else if (x >= width)
                    x = width - 1.0f;
                positionX = x;
            }

            if (lookAndFeel.trackLength > 0)
            {
                value = juce::jlimit (0.0, 1.0, (double) ((x - (float) lookAndFeel.trackStart) / (float) lookAndFeel.trackLength));
                moved = true;
            }
        }
    }
    else
    {
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
    juce::Component::SafePointer<MyJuceSlider> self (this);
    sendDragEnd();
    if (self == nullptr)
        return;

    if (elastic)
    {
        repaintParent();
        stopTimer();
        elastic = false;
    }
}

void MyJuceSlider::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (wheel.deltaY == 0.0f)
        return;

    juce::Component::SafePointer<MyJuceSlider> self (this);
    if (! wheelActive)
    {
        sendDragStart();
        if (self == nullptr)
            return;
    }

    float step = wheel.deltaY * (juce::ModifierKeys::currentModifiers.isCommandDown() ? 0.05f : 0.5f);
    if (wheel.isReversed)
        step = -step;

    const double value = juce::jlimit (0.0, 1.0, getValue() + (double) step);
    if (value != getValue())
        if (! setValueAndNotifyNow (value))
            return;

    wheelActive = true;
    lastWheelTime = WidgetMilliseconds();
    startTimer (50);
}

bool MyJuceSlider::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceSlider::timerCallback()
{
    if (wheelActive && ! elastic && WidgetMilliseconds() - lastWheelTime >= 501)
    {
        // With a button held the release closes the gesture instead.
        if (! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
        {
            juce::Component::SafePointer<MyJuceSlider> self (this);
            sendDragEnd();
            if (self == nullptr)
                return;
        }
        wheelActive = false;
    }

    if (elastic)
    {
        const auto now = juce::Time::getCurrentTime();
        const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), lastMouse,
                                  juce::ModifierKeys::currentModifiers,
                                  juce::MouseInputSource::defaultPressure,
                                  juce::MouseInputSource::defaultOrientation,
                                  juce::MouseInputSource::defaultRotation,
                                  juce::MouseInputSource::defaultTiltX,
                                  juce::MouseInputSource::defaultTiltY,
                                  this, this, now, lastMouse, now, 1, true);
        mouseDrag (e);
    }
}

void MyJuceSlider::DrawElas (juce::Graphics& g)
{
    if (! elastic)
        return;

    const float x0 = (float) getX();
    const float y0 = (float) getY();
    const float p = getPositionOfValue (getValue());
    juce::Point<float> start = isHorizontal() ? juce::Point<float> (x0 + p, y0 + (float) getHeight() * 0.5f)
                                              : juce::Point<float> (x0 + (float) getWidth() * 0.5f, y0 + p);
    const juce::Point<float> end (x0 + lastMouse.x, y0 + lastMouse.y);

    g.setColour (juce::Colours::black);
    g.drawLine (start.x + 1.0f, start.y + 1.0f, end.x + 1.0f, end.y + 1.0f, 1.0f);
    g.setColour (juce::Colours::white);
    g.drawLine (start.x, start.y, end.x, end.y, 1.0f);
}
