#pragma once
// ZoomControl: a strip showing the visible part of a sound file as a window
// [start, end] within 0..1 (dark green inside, dark red outside) and the
// play position as a red line (light coral outside the window). Dragging
// inside the window carries it sideways and zooms it by vertical motion (up
// widens), dragging at its left edge or beyond its right edge resizes it,
// a double-click shows the whole file. Every change sends a change message.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

class ZoomControl : public juce::Component,
                    public juce::ChangeBroadcaster
{
public:
    ZoomControl();

    void getZoom (float* start, float* end) const;
    // 0 move and zoom, 1 left edge, 2 right edge (chosen by the last mouse move).
    int getDragMode() const noexcept { return dragMode; }

    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;

    // The play position 0..1, written by the owner.
    double position = 0.0;
    // Moves the play position and repaints the strips the marker leaves and
    // enters.
    void setPosition (double p);

private:
    int clampedX (const juce::MouseEvent& e) const;

    float start = 0.0f;
    float end = 1.0f;
    juce::Colour insideColour = juce::Colours::darkgreen;
    juce::Colour outsideColour = juce::Colours::darkred;
    int32_t anchorX = 0;
    int32_t anchorY = 0;
    int32_t windowStart = 0;
    int32_t windowWidth = 0;
    int32_t grabOffset = 0;
    int32_t dragMode = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZoomControl)
};
