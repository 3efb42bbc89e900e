#include "MyJuceSliderBase.h"

#include "WidgetClock.h"

#include <algorithm>
#include <cmath>

MyJuceSliderBase::MyJuceSliderBase (const juce::String& name) : juce::Slider (name)
{
    setWantsKeyboardFocus (false);
}

void MyJuceSliderBase::addListener (juce::Slider::Listener* listener)
{
    if (listener != nullptr)
        listeners.addIfNotAlreadyThere (listener);
}

bool MyJuceSliderBase::tellListeners (void (juce::Slider::Listener::*call) (juce::Slider*))
{
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        (listeners.getUnchecked (i)->*call) (this);
        if (checker.shouldBailOut())
            return false;
    }
    return true;
}

void MyJuceSliderBase::handleAsyncUpdate()
{
    cancelPendingUpdate();
    tellListeners (&juce::Slider::Listener::sliderValueChanged);
}

bool MyJuceSliderBase::notifyNow()
{
    juce::Component::SafePointer<MyJuceSliderBase> self (this);
    handleAsyncUpdate();
    return self != nullptr;
}

bool MyJuceSliderBase::sendDragStart()
{
    if (dragStarted)
        return true;

    startedDragging();
    dragStarted = true;
    return tellListeners (&juce::Slider::Listener::sliderDragStarted);
}

bool MyJuceSliderBase::sendDragEnd()
{
    if (! dragStarted)
        return true;

    stoppedDragging();
    dragStarted = false;
    return tellListeners (&juce::Slider::Listener::sliderDragEnded);
}

bool MyJuceSliderBase::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceSliderBase::repaintParent()
{
    if (auto* parent = getParentComponent())
        parent->repaint();
}

void MyJuceSliderBase::startElastic()
{
    elastic = true;
    elasticTime = WidgetMilliseconds();
    elasticFactor = 0.0f;
    startTimer (50);
}

void MyJuceSliderBase::stopElastic()
{
    if (elastic)
    {
        repaintParent();
        stopTimer();
        elastic = false;
    }
}

void MyJuceSliderBase::stepElasticFactor (float dx, float dy, float scale)
{
    const uint32_t now = WidgetMilliseconds();
    const uint32_t dt = now - elasticTime;
    if (dt > 0)
    {
        const double d = std::sqrt ((double) (dx * dx + dy * dy));
        const float limit = std::max (150.0f * (float) d, scale);
        const float k = limit > 0.0f ? scale / limit : 1.0f;
        elasticTime = now;
        elasticFactor = (float) std::min (1.0, 1.0 - std::pow ((double) (1.0f - k), (double) dt));
    }
}

float MyJuceSliderBase::elasticCoordinate (float mouse, float current, float size) const
{
    float c = mouse;
    if (c < 0.0f)
        c = 0.0f;
    else if (c >= size)
        c = size;
    if (elastic)
    {
        c = current + (c - current) * elasticFactor;
        if (c < 0.0f)
            c = 0.0f;
        else if (c >= size)
            c = size - 1.0f;
    }
    return c;
}

void MyJuceSliderBase::dragAtLastMouse()
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

void MyJuceSliderBase::drawElasticLine (juce::Graphics& g, juce::Point<float> start, juce::Point<float> end)
{
    g.setColour (juce::Colours::black);
    g.drawLine (start.x + 1.0f, start.y + 1.0f, end.x + 1.0f, end.y + 1.0f, 1.0f);
    g.setColour (juce::Colours::white);
    g.drawLine (start.x, start.y, end.x, end.y, 1.0f);
}

bool MyJuceSliderBase::openWheelGesture()
{
    return wheelActive || sendDragStart();
}

void MyJuceSliderBase::keepWheelGestureOpen()
{
    wheelActive = true;
    lastWheelTime = WidgetMilliseconds();
    startTimer (50);
}

bool MyJuceSliderBase::closeWheelGestureAfterPause()
{
    if (WidgetMilliseconds() - lastWheelTime >= 501)
    {
        if (! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown() && ! sendDragEnd())
            return false;
        wheelActive = false;
    }
    return true;
}
