#include "ZoomControl.h"

#include <cmath>

ZoomControl::ZoomControl()
{
    setWantsKeyboardFocus (false);
}

void ZoomControl::getZoom (float* s, float* e) const
{
    if (s != nullptr)
        *s = start;
    if (e != nullptr)
        *e = end;
}

int ZoomControl::clampedX (const juce::MouseEvent& e) const
{
    return juce::jlimit (0, getWidth(), e.getPosition().x);
}

void ZoomControl::resized() {}

void ZoomControl::mouseUp (const juce::MouseEvent&) {}

void ZoomControl::mouseMove (const juce::MouseEvent& e)
{
    const int x = clampedX (e);
    const float w = (float) getWidth();
    if (x < (int) (start * w) + 5)
    {
        dragMode = 1;
        setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    }
    else if (x > (int) (end * w) + 5)
    {
        dragMode = 2;
        setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    }
    else
    {
        dragMode = 0;
        setMouseCursor (juce::MouseCursor::UpDownLeftRightResizeCursor);
    }
}

void ZoomControl::mouseDown (const juce::MouseEvent& e)
{
    const float w = (float) getWidth();
    anchorX = clampedX (e);
    anchorY = e.getPosition().y;
    windowStart = (int) (start * w);
    windowWidth = (int) (end * w - (float) windowStart);
    grabOffset = windowStart - anchorX + windowWidth / 2;
}

void ZoomControl::mouseDrag (const juce::MouseEvent& e)
{
    const int w = getWidth();
    if (w <= 0)
        return;

    const int x = clampedX (e);
    const int y = e.getPosition().y;
    switch (dragMode)
    {
        case 2:
        {
            const int nw = x - anchorX + windowWidth;
            if (nw >= 5)
            {
                windowWidth = nw;
                anchorX = x;
            }
            break;
        }
        case 1:
        {
            const int d = anchorX - x;
            if (windowWidth + d >= 5)
            {
                windowStart -= d;
                windowWidth += d;
                anchorX = x;
            }
            break;
        }
        default:
        {
            const int dy = anchorY - y;
            if (windowWidth > 2 || dy > 0)
                windowWidth += dy;
            // Narrowed past one pixel it stays one pixel wide where it is
            // (positioned by a negative width it would jump sideways).
            windowWidth = std::max (1, windowWidth);
            windowStart = x + grabOffset - windowWidth / 2;
            break;
        }
    }

    windowWidth = juce::jlimit (1, w, windowWidth);
    if (windowStart + windowWidth > w)
        windowStart = w - windowWidth;
    else if (windowStart < 0)
        windowStart = 0;

    start = (float) windowStart / (float) w;
    end = (float) (windowStart + windowWidth) / (float) w;
    anchorY = y;
    sendChangeMessage();
    repaint();
}

void ZoomControl::mouseDoubleClick (const juce::MouseEvent&)
{
    start = 0.0f;
    end = 1.0f;
    sendChangeMessage();
    repaint();
}

void ZoomControl::setPosition (double p)
{
    if (p == position)
        return;
    // The marker covers [w p, w p + 2): a pixel either side of it is enough.
    auto strip = [this] (double v) {
        const double x = (double) getWidth() * (std::isfinite (v) ? v : 0.0);
        return juce::Rectangle<int> ((int) std::floor (x) - 1, 0, 5, getHeight());
    };
    repaint (strip (position));
    position = p;
    repaint (strip (p));
}

void ZoomControl::paint (juce::Graphics& g)
{
    const int w = getWidth();
    const int h = getHeight();
    const int a = (int) (start * (float) w);
    const int b = (int) (end * (float) w);

    if (start != 0.0f)
    {
        g.setColour (outsideColour);
        g.fillRect (0, 0, a, h);
    }
    g.setColour (insideColour);
    g.fillRect (a, 0, b - a, h);
    if (end != 1.0f)
    {
        g.setColour (outsideColour);
        g.fillRect (b, 0, w - b, h);
    }

    const double p = std::isfinite (position) ? position : 0.0;
    const bool inside = (double) start <= p && p <= (double) end;
    g.setColour (inside ? juce::Colours::red : juce::Colours::lightcoral);
    g.fillRect ((float) ((double) w * p), 0.0f, 2.0f, (float) h);
}
