#include "BarGestures.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace
{
float clip01 (float v)
{
    return std::isnan (v) ? 0.0f : std::min (1.0f, std::max (0.0f, v));
}

bool within (float px, float py, float hx, float hy, float radius)
{
    return std::abs (px - hx) <= radius && std::abs (py - hy) <= radius;
}

// Pick radii in pixels (mouse, touch).
constexpr float centreRadius[2] = { 6.0f, 21.0f };
constexpr float endRadius[2] = { 4.0f, 14.0f };
// A release this far outside the display deletes the bar.
constexpr float deleteDistance = 100.0f;
// A wheel gesture ends this long after its last move.
constexpr uint32_t wheelEndMs = 500;
} // namespace

BarGestures::BarGestures (Sender send)
    : sender (std::move (send)),
      bars { MyBar (0), MyBar (1), MyBar (2), MyBar (3), MyBar (4), MyBar (5), MyBar (6), MyBar (7) }
{
}

juce::String BarGestures::formatValue (float v, int width)
{
    char text[64];
    auto r = std::to_chars (text, text + sizeof (text) - 1, (double) v, std::chars_format::fixed, 3);
    if (r.ec != std::errc())
        return juce::String ("0.000").paddedLeft (' ', width);
    *r.ptr = 0;
    return juce::String (text).paddedLeft (' ', width);
}

void BarGestures::send (const juce::String& m) const
{
    if (sender)
        sender (m);
}

void BarGestures::sendPoints (const char* verb, int i, float a, float b, float c, float d, int w) const
{
    send (juce::String (verb) + " " + juce::String (i) + " " + formatValue (a, w) + " " + formatValue (b, w) + " "
          + formatValue (c, w) + " " + formatValue (d, w));
}

void BarGestures::setSize (int w, int h)
{
    width = std::max (0, w);
    height = std::max (0, h);
    for (auto& b : bars)
    {
        b.w = width;
        b.h = height;
    }
}

MyBar* BarGestures::getBar (int i) noexcept
{
    return i >= 0 && i < numBars ? &bars[(size_t) i] : nullptr;
}

const MyBar* BarGestures::getBar (int i) const noexcept
{
    return i >= 0 && i < numBars ? &bars[(size_t) i] : nullptr;
}

int32_t BarGestures::heldBar (int p) const noexcept
{
    return p >= 0 && p < numPointers ? touches[(size_t) p].bar : -1;
}

int32_t BarGestures::heldPart (int p) const noexcept
{
    return p >= 0 && p < numPointers ? touches[(size_t) p].part : (int32_t) none;
}

bool BarGestures::isAnyPointerDown() const noexcept
{
    return std::any_of (touches.begin(), touches.end(), [] (const Touch& t) { return t.down; });
}

int BarGestures::holderOf (int b, int32_t part, int p) const noexcept
{
    for (int q = 0; q < numPointers; ++q)
        if (q != p && touches[(size_t) q].bar == b && touches[(size_t) q].part == part)
            return q;
    return -1;
}

bool BarGestures::heldByOther (int b, int p) const noexcept
{
    for (int q = 0; q < numPointers; ++q)
        if (q != p && touches[(size_t) q].bar == b)
            return true;
    return false;
}

void BarGestures::beginDrag (int b)
{
    if (dragStarted[(size_t) b])
        return;
    dragStarted[(size_t) b] = true;
    send ("BeginDrag " + juce::String (b));
}

void BarGestures::keepUpperFirst (int b)
{
    if (! bars[(size_t) b].keepUpperFirst())
        return;
    for (auto& t : touches)
        if (t.bar == b && (t.part == end1 || t.part == end2))
            t.part = t.part == end1 ? end2 : end1;
}

//==============================================================================
void BarGestures::pick (int p, float x, float y, bool touch, bool alt)
{
    const float rc = centreRadius[touch ? 1 : 0], re = endRadius[touch ? 1 : 0];
    const float fw = (float) width, fh = (float) height;
    Touch& slot = touches[(size_t) p];

    for (int b = 0; b < numBars; ++b)
    {
        MyBar& bar = bars[(size_t) b];
        if (! bar.active)
            continue;

        int32_t part = none;
        bool altCentre = false;
        if (within (x, y, bar.cx * fw, bar.cy * fh, rc))
        {
            part = centre;
            altCentre = alt;
        }
        // The alt-press makes the bar vertical through its centre before
        // its ends are tested.
        if (altCentre && (holderOf (b, end1, p) >= 0 || holderOf (b, end2, p) >= 0))
            altCentre = false;  // another pointer holds an end: leave the bar as it is
        if (altCentre)
        {
            bar.setEnds (bar.cx, bar.y1, bar.cx, bar.y2);
            keepUpperFirst (b);
        }
        if (within (x, y, bar.x1 * fw, bar.y1 * fh, re))
            part = end1;
        if (within (x, y, bar.x2 * fw, bar.y2 * fh, re))
            part = end2;
        if (part == none)
            continue;

        // A pointer too many on a bar whose other two handles are held.
        const bool full = part == centre ? (holderOf (b, end1, p) >= 0 && holderOf (b, end2, p) >= 0)
                                         : (holderOf (b, centre, p) >= 0 && holderOf (b, part == end1 ? end2 : end1, p) >= 0);
        if (full)
        {
            slot.bar = -1;
            slot.part = none;
            slot.x = slot.y = -1.0f;
            ignoredTouch = p;
            return;
        }

        slot.bar = b;
        slot.part = part;
        for (auto& other : bars)
            other.selected = false;
        bar.selected = true;

        if (altCentre)
        {
            beginDrag (b);
            sendPoints ("Drag", b, bar.cx, bar.y2, bar.cx, bar.y1, 5);
        }
        if (! altCentre || part != centre)
            send ("Select " + juce::String (b));
        beginDrag (b);
        return;
    }
}

bool BarGestures::pointerDown (const BarPointer& e)
{
    if (e.index < 0 || e.index >= numPointers || width <= 0 || height <= 0)
        return false;

    const int p = e.index;
    Touch& slot = touches[(size_t) p];
    slot = Touch {};
    slot.down = true;
    slot.x = e.x / (float) width;
    slot.y = e.y / (float) height;
    if (ignoredTouch == p)
        ignoredTouch = -1;
    axisLock = 0;  // each press decides the lock afresh

    if (e.command)
    {
        int b = 0;
        while (b < numBars && bars[(size_t) b].active)
            ++b;
        if (b == numBars)
            return false;

        const float x = clip01 (slot.x), y = clip01 (slot.y);
        MyBar& bar = bars[(size_t) b];
        bar.setEnds (x, y + 0.1f, x, y - 0.1f);
        bar.w = width;
        bar.h = height;
        bar.active = true;
        bar.muted = false;
        for (auto& other : bars)
            other.selected = false;
        bar.selected = true;
        slot.bar = b;
        slot.part = centre;
        sendPoints ("Create", b, x, y - 0.1f, x, y + 0.1f, 5);
        selectedIndex = b;
        pressX = e.x;
        pressY = e.y;
        return true;
    }

    pick (p, e.x, e.y, e.touch, e.alt);
    selectedIndex = slot.bar;
    pressX = e.x;
    pressY = e.y;
    return slot.bar >= 0;
}

bool BarGestures::pointerDrag (const BarPointer& e)
{
    if (e.index < 0 || e.index >= numPointers || e.index == ignoredTouch || width <= 0 || height <= 0)
        return false;

    const int p = e.index;
    Touch& slot = touches[(size_t) p];
    float x = e.x, y = e.y;

    if (e.shift)
    {
        if (axisLock == 0)
        {
            const float dx = std::abs (x - pressX), dy = std::abs (y - pressY);
            if (dx - dy > 2.0f)
                axisLock = 1;
            else if (dy - dx > 2.0f)
                axisLock = 2;
        }
        if (axisLock == 1)
            y = pressY;
        else if (axisLock == 2)
            x = pressX;
    }
    else
        axisLock = 0;

    slot.x = x / (float) width;
    slot.y = y / (float) height;
    const float px = clip01 (slot.x), py = clip01 (slot.y);

    if (slot.bar < 0)
        pick (p, x, y, e.touch, false);
    else
    {
        const int b = slot.bar;
        MyBar& bar = bars[(size_t) b];
        if (slot.part == centre)
        {
            const int q1 = holderOf (b, end1, p), q2 = holderOf (b, end2, p);
            const int q = q1 >= 0 ? q1 : q2;
            if (q >= 0)
            {
                // Rotation and stretch about this pointer: the held end stays
                // under its pointer, the other one mirrors it.
                const float ox = clip01 (touches[(size_t) q].x), oy = clip01 (touches[(size_t) q].y);
                const float mx = 2.0f * px - ox, my = 2.0f * py - oy;
                if (q == q1)
                    bar.setEnds (ox, oy, mx, my);
                else
                    bar.setEnds (mx, my, ox, oy);
            }
            else
                bar.setCenter (px, py);
            keepUpperFirst (b);
        }
        else if (slot.part == end1 || slot.part == end2)
        {
            const int q = holderOf (b, centre, p);
            float ox = slot.part == end1 ? bar.x2 : bar.x1;
            float oy = slot.part == end1 ? bar.y2 : bar.y1;
            if (q >= 0)
            {
                ox = 2.0f * clip01 (touches[(size_t) q].x) - px;
                oy = 2.0f * clip01 (touches[(size_t) q].y) - py;
            }
            if (slot.part == end1)
                bar.setEnds (px, py, ox, oy);
            else
                bar.setEnds (ox, oy, px, py);
            keepUpperFirst (b);
        }
    }

    const bool holds = slot.bar >= 0;
    if (holds)
    {
        const MyBar& bar = bars[(size_t) slot.bar];
        sendPoints ("Drag", slot.bar, bar.x1, bar.y1, bar.x2, bar.y2, 6);
    }
    selectedIndex = slot.bar;
    pressX = x;
    pressY = y;
    return holds;
}

bool BarGestures::pointerUp (const BarPointer& e)
{
    if (e.index < 0 || e.index >= numPointers)
        return false;

    const int p = e.index;
    Touch& slot = touches[(size_t) p];
    bool repaint = false;
    const int b = slot.bar;
    if (b >= 0 && ! heldByOther (b, p))
    {
        if (dragStarted[(size_t) b])
        {
            dragStarted[(size_t) b] = false;
            send ("EndDrag " + juce::String (b));
        }
        const float d = deleteDistance;
        if (e.x < -d || e.y < -d || e.x > (float) width + d || e.y > (float) height + d)
        {
            bars[(size_t) b].active = false;
            send ("Delete " + juce::String (b));
            repaint = true;
        }
    }

    slot = Touch {};
    if (ignoredTouch == p)
        ignoredTouch = -1;
    return repaint;
}

//==============================================================================
void BarGestures::wheel (float deltaX, float deltaY, bool reversed, bool command, uint32_t nowMs)
{
    if (! wheelActive)
    {
        wheelBar = 0;
        for (int b = 0; b < numBars; ++b)
            if (bars[(size_t) b].selected)
            {
                wheelBar = b;
                break;
            }
        beginDrag (wheelBar);
    }

    const float step = command ? 0.05f : 0.5f;
    MyBar& bar = bars[(size_t) wheelBar];
    float x = bar.cx, y = bar.cy;
    if (deltaX != 0.0f && std::isfinite (deltaX))
        x = clip01 (x + deltaX * step);
    if (deltaY != 0.0f && std::isfinite (deltaY))
        y = clip01 (y - (reversed ? -deltaY : deltaY) * step);
    bar.setCenter (x, y);
    sendPoints ("Drag", wheelBar, bar.cx, bar.y2, bar.cx, bar.y1, 5);

    wheelActive = true;
    lastWheelTime = nowMs;
}

void BarGestures::tick (uint32_t nowMs)
{
    if (! wheelActive || nowMs - lastWheelTime <= wheelEndMs)
        return;
    // A press on the same bar is still under way: its release ends the drag.
    const bool pressHolds = isAnyPointerDown() && wheelBar == selectedIndex;
    if (! pressHolds && dragStarted[(size_t) wheelBar])
    {
        dragStarted[(size_t) wheelBar] = false;
        send ("EndDrag " + juce::String (wheelBar));
    }
    wheelActive = false;
}

//==============================================================================
bool BarGestures::deleteKey()
{
    if (selectedIndex < 0 || selectedIndex >= numBars || ! bars[(size_t) selectedIndex].active)
        return false;
    lastDeleted = (int32_t) selectedIndex;
    bars[(size_t) lastDeleted].active = false;
    send ("Delete " + juce::String (lastDeleted));
    return true;
}

bool BarGestures::undoKey()
{
    if (lastDeleted < 0 || bars[(size_t) lastDeleted].active)
        return false;
    MyBar& bar = bars[(size_t) lastDeleted];
    bar.active = true;
    sendPoints ("Create", lastDeleted, bar.x2, bar.y2, bar.x1, bar.y1, 5);
    return true;
}

//==============================================================================
void BarGestures::setCenter (int i, float x, float y)
{
    if (auto* b = getBar (i))
        b->setCenter (x, y);
}

void BarGestures::setLength (int i, float v)
{
    if (auto* b = getBar (i))
        b->setLength (v);
}

void BarGestures::setAngle (int i, float a)
{
    if (auto* b = getBar (i))
        b->setAngle (a);
}

void BarGestures::setSelected (int i, bool on)
{
    if (auto* b = getBar (i))
    {
        b->selected = on;
        if (on)
            selectedIndex = i;
    }
}
