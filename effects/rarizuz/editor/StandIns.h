#pragma once
// Minimal stand-ins for the panel's hidden MIDI-learn and OSC panels, used
// until those components exist: each paints a grey box.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyEditor.h"


class PanelStandIn : public juce::Component
{
public:
    explicit PanelStandIn (MyEditor* e) : editor (e) { setSize (274, 50); }
    void updateParametersFromFilter() {}
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xffa5a5a5)); }

    MyEditor* const editor;
};

using MidiBindStandIn = PanelStandIn;
using OscConfigStandIn = PanelStandIn;
