#include "MyBar.h"

#include <algorithm>
#include <cmath>

namespace
{
float clip (float lo, float hi, float v)
{
    return std::min (hi, std::max (lo, v));
}

constexpr float pi = 3.14159265358979323846f;
} // namespace

MyBar::MyBar (int index)
    : label (juce::String (index + 1))
{
}

void MyBar::updateCenter()
{
    cx = 0.5f * (x1 + x2);
    cy = 0.5f * (y1 + y2);
}

void MyBar::setEnds (float ax, float ay, float bx, float by)
{
    x1 = ax;
    y1 = ay;
    x2 = bx;
    y2 = by;
    updateCenter();
}

void MyBar::setCenter (float x, float y)
{
    if (! std::isfinite (x) || ! std::isfinite (y))
        return;
    const float dx = x - cx, dy = y - cy;
    setEnds (x1 + dx, y1 + dy, x2 + dx, y2 + dy);
}

void MyBar::setLength (float v)
{
    if (std::isnan (v))
        return;
    const float target = clip (0.01f, 1.0f, v);
    const float current = clip (0.01f, 1.0f, std::hypot (x1 - x2, y1 - y2) / std::sqrt (2.0f));
    if (target == current)
        return;
    const float r = target / current;
    setEnds (cx + (x1 - cx) * r, cy + (y1 - cy) * r, cx + (x2 - cx) * r, cy + (y2 - cy) * r);
}

void MyBar::setAngle (float a)
{
    if (std::isnan (a))
        return;
    const float t = clip (0.001f, 0.999f, a) * pi;
    const float r = 0.5f * std::hypot (x1 - x2, y1 - y2);
    const float c = r * std::cos (t), s = r * std::sin (t);
    const float mx = cx, my = cy;
    if (y2 > y1)
        setEnds (mx - c, my - s, mx + c, my + s);
    else
        setEnds (mx + c, my + s, mx - c, my - s);
}

bool MyBar::keepUpperFirst()
{
    if (y1 <= y2)
        return false;
    std::swap (x1, x2);
    std::swap (y1, y2);
    swapped = true;
    return true;
}

void MyBar::paint (juce::Graphics& g) const
{
    if (! active)
        return;

    const float fw = (float) w, fh = (float) h;
    const juce::Point<float> a (x1 * fw, y1 * fh), b (x2 * fw, y2 * fh), c (cx * fw, cy * fh);

    juce::Colour colour = juce::Colours::white;
    float thickness = 1.5f;
    if (muted)
    {
        colour = juce::Colours::darkgrey;
        thickness = 1.0f;
    }
    else if (selected)
        colour = juce::Colours::blue;

    g.setColour (colour);
    g.drawLine ({ b, a }, thickness);

    g.setColour (juce::Colours::white);
    g.drawEllipse (a.x - 2.0f, a.y - 2.0f, 4.0f, 4.0f, 1.0f);
    g.drawEllipse (b.x - 2.0f, b.y - 2.0f, 4.0f, 4.0f, 1.0f);
    g.drawEllipse (c.x - 3.0f, c.y - 3.0f, 6.0f, 6.0f, 1.0f);

    g.setColour (muted ? juce::Colours::darkgrey : juce::Colours::white);
    g.setFont (font);
    g.drawSingleLineText (label, (int) (fw * cx - 14.0f), (int) (fh * cy + 4.0f), juce::Justification::left);
}
