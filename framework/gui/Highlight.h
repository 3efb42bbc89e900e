#pragma once
// Control highlight: the colour by which a parameter's widget shows that
// MIDI, OSC or the host addresses it. Off is transparent black; type 0 red,
// 1 cornflower blue, 2 light green, 3 yellow; any other type leaves the
// colour as it was.
// Threads: pure function, any thread.
#include <juce_graphics/juce_graphics.h>

juce::Colour HighlightColour (juce::Colour current, bool on, short type);

// Whether a highlight colour is drawn at all.
inline bool IsHighlightVisible (juce::Colour c)
{
    return c != juce::Colours::transparentBlack;
}

// The 1-pixel highlight outline along a widget's edges.
void DrawHighlightOutline (juce::Graphics& g, juce::Rectangle<int> bounds, juce::Colour c);
