#include "MyJuceSlider2D.h"

#include "KitArtwork.h"
#include "WidgetClock.h"

#include <algorithm>
#include <cmath>

//==============================================================================
MySlider2DLookAndFeel::MySlider2DLookAndFeel()
    : thumbImage (GetBallImage()),
      thumbSize (thumbImage.getWidth())
{
    setFrame (0, 0);
}

int MySlider2DLookAndFeel::getSliderThumbRadius (juce::Slider&) { return thumbSize / 2; }

void MySlider2DLookAndFeel::setFrame (int width, int height)
{
    x0 = y0 = thumbSize / 2;
    xRange = std::max (1, width - thumbSize);
    yRange = std::max (1, height - thumbSize);
}

void MySlider2DLookAndFeel::drawLinearSlider (juce::Graphics& g, int, int, int, int, float, float, float,
                                              juce::Slider::SliderStyle, juce::Slider& slider)
{
    auto* pad = dynamic_cast<MyJuceSlider2D*> (&slider);
    if (pad == nullptr)
        return;

    const int half = thumbSize / 2;
    const int x = (int) ((float) x0 + (float) pad->valueX * (float) xRange - (float) half);
    const int y = (int) ((double) y0 + (double) yRange * (1.0 - pad->valueY) - (double) half);
    g.setImageResamplingQuality (juce::Graphics::lowResamplingQuality);
    g.drawImage (thumbImage, x, y, thumbSize, thumbSize, 0, 0, thumbImage.getWidth(), thumbImage.getHeight());
}

//==============================================================================
MyJuceSlider2D::MyJuceSlider2D (const juce::String& name)
    : juce::Slider (name),
      lookAndFeel (std::make_unique<MySlider2DLookAndFeel>())
{
    setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    setSliderStyle (juce::Slider::LinearBar);
    setRange (0.0, 1.0, 0.0);
    setWantsKeyboardFocus (false);
    setLookAndFeel (lookAndFeel.get());
#if VOKT_OPENGL
    openGLContext.setRenderer (&renderer);
    openGLContext.attachTo (*this);
#endif
}

MyJuceSlider2D::~MyJuceSlider2D()
{
#if VOKT_OPENGL
    openGLContext.detach();
#endif
    setLookAndFeel (nullptr);
    lookAndFeel.reset();
}

void MyJuceSlider2D::addListener (juce::Slider::Listener* listener)
{
    if (listener != nullptr)
        listeners.addIfNotAlreadyThere (listener);
}

void MyJuceSlider2D::setBounds (int x, int y, int width, int height)
{
    juce::Component::setBounds (x, y, width, height);
    lookAndFeel->setFrame (width, height);
    repaint();
}

void MyJuceSlider2D::resized()
{
    juce::Slider::resized();
    lookAndFeel->setFrame (getWidth(), getHeight());
}

void MyJuceSlider2D::setXValue (float v)
{
    if ((double) v != valueX)
    {
        valueX = (double) v;
        repaint();
    }
}

void MyJuceSlider2D::setYValue (float v)
{
    if ((double) v != valueY)
    {
        valueY = (double) v;
        repaint();
    }
}

void MyJuceSlider2D::handleAsyncUpdate()
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

bool MyJuceSlider2D::notifyNow()
{
    juce::Component::SafePointer<MyJuceSlider2D> self (this);
    handleAsyncUpdate();
    return self != nullptr;
}

void MyJuceSlider2D::sendDragStart()
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

void MyJuceSlider2D::sendDragEnd()
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

void MyJuceSlider2D::repaintParent()
{
    if (auto* parent = getParentComponent())
        parent->repaint();
}

void MyJuceSlider2D::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
    juce::Slider::paint (g);
    DrawElas (g, -getX(), -getY());
}

void MyJuceSlider2D::mouseDown (const juce::MouseEvent& e)
{
    juce::Component::SafePointer<MyJuceSlider2D> self (this);

    if (e.mods.isCommandDown())
    {
        // A fresh clock: the first step covers 50 ms like the ones after it.
        elastic = true;
        elasticTime = WidgetMilliseconds();
        elasticFactor = 0.0f;
        startTimer (50);
    }
    else if (e.mods.isAltDown())
    {
        // The defaults reach the listeners inside the gesture, before its end.
        sendDragStart();
        if (self == nullptr)
            return;
        bool changed = false;
        if (valueX != (double) defaultX)
        {
            valueX = (double) defaultX;
            changed = true;
        }
        if (valueY != (double) defaultY)
        {
            valueY = (double) defaultY;
            changed = true;
        }
        if (changed)
        {
            repaint();
            if (! notifyNow())
                return;
        }
        sendDragEnd();
        return;
    }

    lastMouse = e.position;
    axisLock = 0;
    sendDragStart();
    if (self == nullptr)
        return;
    mouseDrag (e);
}

void MyJuceSlider2D::mouseDrag (const juce::MouseEvent& e)
{
    if (e.mods.isAltDown())
        return;

    float mx = e.position.x;
    float my = e.position.y;
    if (! e.mods.isShiftDown())
    {
        axisLock = 0;
    }
    else if (axisLock == 2)
    {
        mx = lastMouse.x;
    }
    else if (axisLock == 1)
    {
        my = lastMouse.y;
    }
    else
    {
        const float ax = std::abs (lastMouse.x - mx);
        const float ay = std::abs (lastMouse.y - my);
        if (ax > ay + 2.0f)
        {
            axisLock = 1;
            my = lastMouse.y;
        }
        else if (ay > ax + 2.0f)
        {
            axisLock = 2;
            mx = lastMouse.x;
        }
    }

    if (! isEnabled())
        return;

    const auto& lf = *lookAndFeel;
    pixelX = (float) lf.x0 + (float) valueX * (float) lf.xRange;
    pixelY = (float) lf.y0 + (float) (1.0 - valueY) * (float) lf.yRange;

    if (elastic)
    {
        const uint32_t now = WidgetMilliseconds();
        const uint32_t dt = now - elasticTime;
        if (dt > 0)
        {
            const float dx = mx - pixelX, dy = my - pixelY;
            const double d = std::sqrt ((double) (dx * dx + dy * dy));
            const float k = 16.0f / std::max (150.0f * (float) d, 16.0f);
            elasticTime = now;
            elasticFactor = (float) std::min (1.0, 1.0 - std::pow ((double) (1.0f - k), (double) dt));
        }
    }

    juce::Component::SafePointer<MyJuceSlider2D> self (this);

    if (mx != pixelX)
    {
        const float width = (float) getWidth();
        float x = mx;
        if (x < 0.0f)
            x = 0.0f;
        else if (x >= width)
            x = width;
        if (elastic)
        {
            x = pixelX + (x - pixelX) * elasticFactor;
            if (x < 0.0f)
                x = 0.0f;
            else if (x >= width)
                x = width - 1.0f;
        }
        pixelX = x;
        const double v = juce::jlimit (0.0, 1.0, (double) ((pixelX - (float) lf.x0) / (float) lf.xRange));
        if (v != valueX)
        {
            valueX = v;
            repaint();
            if (! notifyNow())
                return;
        }
    }

    if (my != pixelY)
    {
        const float height = (float) getHeight();
        float y = my;
        if (y < 0.0f)
            y = 0.0f;
        else if (y >= height)
            y = height;
        if (elastic)
        {
            y = pixelY + (y - pixelY) * elasticFactor;
            if (y < 0.0f)
                y = 0.0f;
            else if (y >= height)
                y = height - 1.0f;
        }
        pixelY = y;
        const double v = juce::jlimit (0.0, 1.0, 1.0 - (double) ((pixelY - (float) lf.y0) / (float) lf.yRange));
        if (v != valueY)
        {
            valueY = v;
            repaint();
            if (! notifyNow())
                return;
        }
    }

    lastMouse = { mx, my };
    if (elastic)
        repaintParent();
}

void MyJuceSlider2D::mouseUp (const juce::MouseEvent&)
{
    juce::Component::SafePointer<MyJuceSlider2D> self (this);
    sendDragEnd();
    if (self == nullptr)
        return;

    // A wheel gesture still open was closed with the press's gesture.
    wheelActive = false;
    if (elastic)
    {
        repaintParent();
        stopTimer();
        elastic = false;
    }
}

void MyJuceSlider2D::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    juce::Component::SafePointer<MyJuceSlider2D> self (this);
    if (! wheelActive)
    {
        sendDragStart();
        if (self == nullptr)
            return;
    }

    const double f = juce::ModifierKeys::currentModifiers.isCommandDown() ? 0.05 : 0.5;

    if (wheel.deltaX != 0.0f)
    {
        const double v = juce::jlimit (0.0, 1.0, valueX + (double) wheel.deltaX * f);
        if (v != valueX)
        {
            valueX = v;
            repaint();
            if (! notifyNow())
                return;
        }
    }

    if (wheel.deltaY != 0.0f)
    {
        double step = (double) wheel.deltaY * f;
        if (wheel.isReversed)
            step = -step;
        const double v = juce::jlimit (0.0, 1.0, valueY + step);
        if (v != valueY)
        {
            valueY = v;
            repaint();
            if (! notifyNow())
                return;
        }
    }

    wheelActive = true;
    lastWheelTime = WidgetMilliseconds();
    startTimer (50);
}

bool MyJuceSlider2D::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceSlider2D::timerCallback()
{
    if (wheelActive && WidgetMilliseconds() - lastWheelTime >= 501)
    {
        // With a button held the release closes the gesture instead.
        if (! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
        {
            juce::Component::SafePointer<MyJuceSlider2D> self (this);
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
    else if (! wheelActive)
    {
        stopTimer();
    }
}

void MyJuceSlider2D::DrawElas (juce::Graphics& g, int dx, int dy)
{
    if (! elastic)
        return;

    const auto& lf = *lookAndFeel;
    const float px = (float) (getX() + dx);
    const float py = (float) (getY() + dy);
    const juce::Point<float> start ((float) lf.x0 + (float) lf.xRange * (float) valueX + px,
                                    (float) lf.y0 + (float) lf.yRange * (float) (1.0 - valueY) + py);
    const juce::Point<float> end (px + lastMouse.x, py + lastMouse.y);

    g.setColour (juce::Colours::black);
    g.drawLine (start.x + 1.0f, start.y + 1.0f, end.x + 1.0f, end.y + 1.0f, 1.0f);
    g.setColour (juce::Colours::white);
    g.drawLine (start.x, start.y, end.x, end.y, 1.0f);
}
