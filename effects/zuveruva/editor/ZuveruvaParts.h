#pragma once
// The kit pieces the crunch panel is built from, under the names it uses.
#include "ComponentPlayer.h"
#include "MyJuceSlider2D.h"
#include "MidiBindComponent.h"
#include "OSCConfigComponent.h"

using PadSlider = MyJuceSlider2D;             // the two-dimensional slider
using AuxPlayerPanel = ComponentPlayer;       // the sound-file player panel
using MidiLearnPanel = MidiBindComponent;
using OscSettingsPanel = OSCConfigComponent;

// The player without what the crunch panel does not use: CPU bar, gain and bypass.
inline void hideMixerControls (AuxPlayerPanel& player)
{
    for (juce::Component* c : { (juce::Component*) player.cpuBar.get(), (juce::Component*) player.gainSlider.get(),
                                (juce::Component*) player.gainLabel.get(), (juce::Component*) player.bypassButton.get() })
        c->setVisible (false);
}
