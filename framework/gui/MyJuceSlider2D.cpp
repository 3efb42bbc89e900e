#include "MyJuceSlider2D.h"

#include "KitArtwork.h"

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
    : MyJuceSliderBase (name),
      lookAndFeel (std::make_unique<MySlider2DLookAndFeel>())
{
    setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    setSliderStyle (juce::Slider::LinearBar);
    setRange (0.0, 1.0, 0.0);
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

bool MyJuceSlider2D::changeValue (double& value, double v)
{
    if (v == value)
        return true;
    value = v;
    repaint();
    return notifyNow();
}

void MyJuceSlider2D::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
    juce::Slider::paint (g);
    DrawElas (g, -getX(), -getY());
}

void MyJuceSlider2D::mouseDown (const juce::MouseEvent& e)
{
    if (e.mods.isCommandDown())
    {
        // A fresh clock: the first step covers 50 ms like the ones after it.
        startElastic();
    }
    else if (e.mods.isAltDown())
    {
        // The defaults reach the listeners inside the gesture, before its end.
        if (! sendDragStart())
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
    if (sendDragStart())
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

    // The glide's scale is the pad's fixed 16 pixels.
    if (elastic)
        stepElasticFactor (mx - pixelX, my - pixelY, 16.0f);

    if (mx != pixelX)
    {
        pixelX = elasticCoordinate (mx, pixelX, (float) getWidth());
        if (! changeValue (valueX, juce::jlimit (0.0, 1.0, (double) ((pixelX - (float) lf.x0) / (float) lf.xRange))))
            return;
    }

    if (my != pixelY)
    {
        pixelY = elasticCoordinate (my, pixelY, (float) getHeight());
        if (! changeValue (valueY, juce::jlimit (0.0, 1.0, 1.0 - (double) ((pixelY - (float) lf.y0) / (float) lf.yRange))))
            return;
    }

    lastMouse = { mx, my };
    if (elastic)
        repaintParent();
}

void MyJuceSlider2D::mouseUp (const juce::MouseEvent&)
{
    if (! sendDragEnd())
        return;

    // A wheel gesture still open was closed with the press's gesture.
    wheelActive = false;
    stopElastic();
}

void MyJuceSlider2D::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (! openWheelGesture())
        return;

    const double f = juce::ModifierKeys::currentModifiers.isCommandDown() ? 0.05 : 0.5;

    if (wheel.deltaX != 0.0f)
        if (! changeValue (valueX, juce::jlimit (0.0, 1.0, valueX + (double) wheel.deltaX * f)))
            return;

    if (wheel.deltaY != 0.0f)
    {
        double step = (double) wheel.deltaY * f;
        if (wheel.isReversed)
            step = -step;
        if (! changeValue (valueY, juce::jlimit (0.0, 1.0, valueY + step)))
            return;
    }

    keepWheelGestureOpen();
}

void MyJuceSlider2D::timerCallback()
{
    if (wheelActive && ! closeWheelGestureAfterPause())
        return;

    if (elastic)
        dragAtLastMouse();
    else if (! wheelActive)
        stopTimer();
}

void MyJuceSlider2D::DrawElas (juce::Graphics& g, int dx, int dy)
{
    if (! elastic)
        return;

    const auto& lf = *lookAndFeel;
    const float px = (float) (getX() + dx);
    const float py = (float) (getY() + dy);
    drawElasticLine (g,
                     { (float) lf.x0 + (float) lf.xRange * (float) valueX + px,
                       (float) lf.y0 + (float) lf.yRange * (float) (1.0 - valueY) + py },
                     { px + lastMouse.x, py + lastMouse.y });
}
