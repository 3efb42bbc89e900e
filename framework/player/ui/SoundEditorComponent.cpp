#include "SoundEditorComponent.h"

#include "KitArtwork.h"
#include "MyArialFont.h"
#include "PopupMenus.h"

#include <cmath>
#include <cstdio>

namespace
{
constexpr double normalisedEnd = 0.9999999;

juce::MouseCursor draggingHand() { return juce::MouseCursor (GetDraggingHandImage(), 8, 8); }

bool finite (double a, double b) { return std::isfinite (a) && std::isfinite (b); }
} // namespace

SoundEditorComponent::SoundEditorComponent (juce::AudioThumbnail* t)
{
    setSize (20000, 150);
    loopEndX = getWidth();
    if (t != nullptr)
        setThumbnail (t);
    else
        updateScale();
}

SoundEditorComponent::~SoundEditorComponent()
{
    if (thumbnail != nullptr)
        thumbnail->removeChangeListener (this);
}

void SoundEditorComponent::updateScale()
{
    const double span = displayEnd - displayStart;
    pixelsPerSecond = (span > 0.0 && std::isfinite (span)) ? (double) getWidth() / span : 0.0;
}

int SoundEditorComponent::timeToX (double t) const
{
    // A pixel's own time maps back to that pixel: the product may land a hair
    // below the whole number, which plain truncation would drop a pixel for.
    double x = (t - displayStart) * pixelsPerSecond;
    if (! std::isfinite (x))
        return 0;
    x += x >= 0.0 ? 1.0e-6 : -1.0e-6;
    return (int) juce::jlimit (-1.0e9, 1.0e9, x);
}

double SoundEditorComponent::xToTime (double x) const
{
    return pixelsPerSecond > 0.0 ? displayStart + x / pixelsPerSecond : displayStart;
}

void SoundEditorComponent::edgesFromLoop (bool clamp)
{
    loopStartX = timeToX (loopStart);
    loopEndX = timeToX (loopEnd);
    if (clamp)
    {
        const double last = (double) std::max (0, getWidth() - 1);
        loopStartX = juce::jlimit (0.0, last, loopStartX);
        loopEndX = juce::jlimit (0.0, last, loopEndX);
    }
}

void SoundEditorComponent::setThumbnail (juce::AudioThumbnail* t)
{
    if (thumbnail != nullptr && thumbnail != t)
        thumbnail->removeChangeListener (this);
    thumbnail = t;
    waveLayerValid = false;
    if (t != nullptr)
    {
        t->addChangeListener (this);
        const double length = t->getTotalLength();
        fileLength = (std::isfinite (length) && length > 0.0) ? length : 0.0;
        displayStart = 0.0;
        displayEnd = fileLength;
        loopStart = 0.0;
        loopEnd = fileLength;
        updateScale();
        edgesFromLoop (false);
    }
    repaint();
}

void SoundEditorComponent::setDisplayNorm (double start, double end)
{
    if (! finite (start, end))
        return;
    displayStart = start * fileLength;
    displayEnd = end * fileLength;
    updateScale();
    edgesFromLoop (true);
    repaint();
}

void SoundEditorComponent::setLoop (double start, double end, bool notify)
{
    if (dragMode != 0 || ! finite (start, end))
        return;
    loopStart = start;
    loopEnd = end;
    updateScale();
    edgesFromLoop (false);
    if (notify)
        sendChangeMessage();
    repaint();
}

void SoundEditorComponent::setLoopNorm (double start, double end, bool notify)
{
    setLoop (start * fileLength, end * fileLength, notify);
}

void SoundEditorComponent::getLoop (double* start, double* end) const
{
    double s = loopStart, e = loopEnd;
    if (normalised)
    {
        // The plug-in's reader takes these as positions within the file.
        s = fileLength > 0.0 ? loopStart / fileLength : 0.0;
        e = fileLength > 0.0 ? loopEnd / fileLength : 1.0;
        s = juce::jlimit (0.0, normalisedEnd, s);
        e = e >= 1.0 ? normalisedEnd : std::max (0.0, e);
    }
    if (start != nullptr)
        *start = s;
    if (end != nullptr)
        *end = e;
}

juce::String SoundEditorComponent::formatTime (double t)
{
    if (! std::isfinite (t) || std::abs (t) > 1.0e9)
        t = 0.0;
    const int m = (int) (t / 60.0);
    const int s = (int) (t - 60.0 * m);
    const int c = (int) ((t - 60.0 * m - s) * 100.0);
    char text[48];
    if (m != 0)
        std::snprintf (text, sizeof (text), "%3d:%02d:%02d", m, s, c);
    else
        std::snprintf (text, sizeof (text), "%02d:%02d", s, c);
    return text;
}

void SoundEditorComponent::setCursorTime (double t)
{
    if (t == cursorTime || ! std::isfinite (t))
        return;
    const int before = timeToX (cursorTime);
    cursorTime = t;
    const int after = timeToX (t);
    if (showTimeAtCursor)
        repaint();
    else if (after != before)
    {
        // A column either side: the line's pixel under a scaled display.
        repaint (before - 1, 0, 3, getHeight());
        repaint (after - 1, 0, 3, getHeight());
    }
}

void SoundEditorComponent::resized()
{
    updateScale();
    edgesFromLoop (true);
}

void SoundEditorComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == thumbnail)
    {
        waveLayerValid = false;
        repaint();
    }
}

void SoundEditorComponent::validateLoop()
{
    const double ds = displayStart, de = displayEnd;
    if (loopStart < ds)
    {
        loopEnd = ds + (loopEnd - loopStart);
        loopStart = ds;
    }
    if (loopEnd > de)
    {
        loopStart = de - (loopEnd - loopStart);
        loopEnd = de;
        if (loopStart < 0.0)
            loopStart = 0.0;
    }
    else if (loopStart < 0.0)
    {
        loopStart = 0.0;
    }
    if (loopEnd > fileLength)
        loopEnd = fileLength;

    edgesFromLoop (false);
    if (loopEndX - loopStartX > 2.0)
        return;

    const double w = (double) getWidth();
    if (loopStartX == 0.0 && loopEndX <= 1.0)
    {
        loopEndX = 2.0;
        loopEnd = xToTime (loopEndX);
    }
    else if (loopEndX == w && loopStartX > w - 2.0)
    {
        loopStartX = w - 2.0;
        loopStart = xToTime (loopStartX);
    }
    else
    {
        const double v = std::trunc ((loopStartX + loopEndX) / 2.0);
        loopStartX = v - 1.0;
        loopEndX = v + 1.0;
        loopStart = xToTime (loopStartX);
        loopEnd = xToTime (loopEndX);
    }
}

void SoundEditorComponent::drawTimeLabel (juce::Graphics& g, double t, juce::Point<int> at, bool atCursor)
{
    const auto font = getArialFont (12.0f, true);
    const auto text = formatTime (t);
    const int w = getWidth(), h = getHeight();
    const int fh = (int) font.getHeight();
    const int tw = font.getStringWidth (text);
    g.setFont (font);

    int rx, ry, textX, textY;
    if (atCursor)
    {
        rx = at.x < w - 42 ? at.x : at.x - 42;
        ry = h - fh + 1;
        textX = rx + 2;
        textY = h - 2;
    }
    else
    {
        const bool nearEnd = at.x >= w - 42;
        rx = nearEnd ? at.x - 44 : at.x - 2;
        ry = at.y - fh + 1;
        textX = nearEnd ? at.x - 42 : at.x;
        textY = at.y;
    }
    g.setColour (juce::Colours::darkgrey);
    g.fillRoundedRectangle ((float) rx, (float) ry, (float) (tw + 4), (float) (fh + 2), 4.0f);
    g.setColour (juce::Colours::white);
    g.drawSingleLineText (text, textX, textY, juce::Justification::left);
}

void SoundEditorComponent::paint (juce::Graphics& g)
{
    const int w = getWidth(), h = getHeight();
    const float last = (float) std::max (0, w - 1);
    g.fillAll (juce::Colours::black);
    const float bandStart = juce::jlimit (0.0f, last, (float) loopStartX);
    const float bandEnd = juce::jlimit (0.0f, last, (float) loopEndX);
    g.setColour (juce::Colours::darkgrey.darker (0.5f));
    g.fillRect (juce::Rectangle<float> (bandStart, 0.0f, std::max (0.0f, bandEnd - bandStart), (float) h));

    if (thumbnail == nullptr)
        return;

    const int channels = thumbnail->getNumChannels();
    if (channels > 0 && displayEnd > displayStart && w > 0 && h > 0)
    {
        // The waveform is drawn into a layer of its own, redrawn only when the
        // file's data, the display window or the size changed: cursor moves
        // and loop edits then cost a blit.
        if (! waveLayerValid || waveLayer.getWidth() != w || waveLayer.getHeight() != h
            || waveLayerStart != displayStart || waveLayerEnd != displayEnd)
        {
            waveLayer = juce::Image (juce::Image::ARGB, w, h, true);
            juce::Graphics lg (waveLayer);
            lg.setColour (juce::Colours::white.withAlpha (1.0f / std::sqrt ((float) channels)));
            for (int c = 0; c < channels; ++c)
                thumbnail->drawChannel (lg, getLocalBounds(), displayStart, displayEnd, c, 1.0f);
            waveLayerStart = displayStart;
            waveLayerEnd = displayEnd;
            waveLayerValid = true;
        }
        g.drawImageAt (waveLayer, 0, 0);
    }

    g.setColour (juce::Colours::darkgrey.darker (0.8f).withAlpha (0.5f));
    g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, (float) juce::jlimit (0.0, (double) w, loopStartX), (float) h));
    const float dimFrom = (float) juce::jlimit (0.0, (double) w, loopEndX);
    g.fillRect (juce::Rectangle<float> (dimFrom, 0.0f, (float) w - dimFrom, (float) h));

    const int cursorX = timeToX (cursorTime);
    g.setColour (juce::Colours::red);
    g.drawVerticalLine (cursorX, 0.0f, (float) h);

    if (showTimeAtCursor)
        drawTimeLabel (g, cursorTime, { cursorX, h }, true);
    if (showTimeAtMouse && mouseInside)
        drawTimeLabel (g, xToTime (mousePos.x), mousePos, false);
}

void SoundEditorComponent::mouseEnter (const juce::MouseEvent&)
{
    mouseInside = true;
    repaint();
}

void SoundEditorComponent::mouseExit (const juce::MouseEvent&)
{
    mouseInside = false;
    repaint();
}

void SoundEditorComponent::mouseMove (const juce::MouseEvent& e)
{
    mousePos = e.getPosition();
    if (thumbnail == nullptr)
        return;

    const double x = (double) e.getPosition().x;
    if (dragMode == 5)
    {
        setMouseCursor (draggingHand());
    }
    else if (std::abs (x - loopStartX) <= 5.0)
    {
        dragMode = 3;
        setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    }
    else if (std::abs (x - loopEndX) <= 5.0)
    {
        dragMode = 4;
        setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    }
    else
    {
        dragMode = 0;
        setMouseCursor (juce::MouseCursor::PointingHandCursor);
    }
    if (showTimeAtMouse)
        repaint();
}

void SoundEditorComponent::mouseDown (const juce::MouseEvent& e)
{
    clickX = juce::jlimit (0, std::max (0, getWidth() - 1), e.getPosition().x);
    lastY = e.getPosition().y;
    mousePos = e.getPosition();

    if (e.mods.isCtrlDown() || e.mods.isRightButtonDown())
    {
        juce::PopupMenu menu;
        menu.addItem (1, "Time at cursor", true, showTimeAtCursor);
        menu.addItem (2, "Time at mouse", true, showTimeAtMouse);
        ShowKitMenu (*this, menu, 1, 15, [this] (int chosen)
        {
            if (chosen == 1)
                showTimeAtCursor = ! showTimeAtCursor;
            else if (chosen == 2)
                showTimeAtMouse = ! showTimeAtMouse;
            repaint();
        });
        return;
    }

    if (thumbnail == nullptr)
        return;

    const double x = (double) clickX;
    if (e.mods.isShiftDown())
    {
        loopStartX = x;
        loopEndX = x + 2.0;
        loopStart = xToTime (loopStartX);
        loopEnd = xToTime (loopEndX);
        dragMode = 7;
    }
    else if (dragMode == 3)
    {
        loopStartX = std::min (x, loopEndX - 2.0);
        loopStart = xToTime (loopStartX);
    }
    else if (dragMode == 4)
    {
        loopEndX = std::max (x, loopStartX + 2.0);
        loopEnd = xToTime (loopEndX);
    }
    else
    {
        if (x < loopStartX)
        {
            loopStart = 0.0;
            loopStartX = timeToX (loopStart);
        }
        else if (x > loopEndX)
        {
            loopEnd = fileLength;
            loopEndX = timeToX (loopEnd);
        }
        dragMode = 1;
    }

    grabOffset = (int32_t) std::trunc ((loopStartX + loopEndX) / 2.0 - x);
    validateLoop();
    sendChangeMessage();
    repaint();
}

void SoundEditorComponent::mouseDrag (const juce::MouseEvent& e)
{
    if (thumbnail == nullptr)
        return;

    const int x = juce::jlimit (0, std::max (0, getWidth() - 1), e.getPosition().x);
    if (dragMode == 1 && x == clickX)
        return;
    mousePos = e.getPosition();
    clickX = x;

    if (dragMode == 1)
    {
        dragMode = 5;
        setMouseCursor (draggingHand());
    }

    if (dragMode == 3)
    {
        loopStartX = std::min ((double) clickX, loopEndX - 2.0);
        loopStart = xToTime (loopStartX);
    }
    else if (dragMode == 4 || dragMode == 7)
    {
        loopEndX = std::max ((double) clickX, loopStartX + 2.0);
        loopEnd = xToTime (loopEndX);
    }
    else if (dragMode == 5)
    {
        int length = (int) std::trunc (loopEndX - loopStartX);
        if (! e.mods.isShiftDown())
        {
            const int dy = lastY - e.getPosition().y;
            if (length > 2 || dy > 0)
                length += dy;
        }
        loopStartX = (double) (clickX + grabOffset - length / 2);
        loopEndX = loopStartX + (double) length;
        loopStart = xToTime (loopStartX);
        loopEnd = xToTime (loopEndX);
        validateLoop();
    }

    lastY = e.getPosition().y;
    sendChangeMessage();
    repaint();
}

void SoundEditorComponent::mouseUp (const juce::MouseEvent& e)
{
    if (thumbnail == nullptr)
        return;

    if (dragMode == 1)
    {
        clickX = juce::jlimit (0, std::max (0, getWidth() - 1), e.getPosition().x);
        cursorTime = xToTime (clickX);
        sendActionMessage ("Position " + juce::String (cursorTime));
    }
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
    dragMode = 0;
}

void SoundEditorComponent::mouseDoubleClick (const juce::MouseEvent&)
{
    if (thumbnail == nullptr)
        return;

    loopStart = 0.0;
    loopEnd = fileLength;
    edgesFromLoop (false);
    repaint();
    sendChangeMessage();
}
