#include "PanelLabels.h"

#include "MyArialFont.h"

void StylePanelCaption (juce::Label& label)
{
    label.setFont (getArialFont (12.0f));
    label.setJustificationType (juce::Justification::centredLeft);
    label.setEditable (false, false, false);
    label.setColour (juce::Label::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
}

void StylePanelValue (juce::Label& label)
{
    StylePanelCaption (label);
    label.setColour (juce::Label::backgroundColourId, juce::Colour (0x1c000000));
    label.setColour (juce::Label::outlineColourId, juce::Colour (0x00000000));
}

void StylePanelEditField (juce::Label& label)
{
    StylePanelValue (label);
    label.setEditable (true, true, false);
}
