#include "Highlight.h"

juce::Colour HighlightColour (juce::Colour current, bool on, short type)
{
    if (! on)
        return juce::Colours::transparentBlack;

    switch (type)
    {
        case 0: return juce::Colours::red;
        case 1: return juce::Colours::cornflowerblue;
        case 2: return juce::Colours::lightgreen;
        case 3: return juce::Colours::yellow;
        default: return current;
    }
}

void DrawHighlightOutline (juce::Graphics& g, juce::Rectangle<int> bounds, juce::Colour c)
{
    if (! IsHighlightVisible (c))
        return;
    g.setColour (c);
    g.drawRect (bounds, 1);
}
