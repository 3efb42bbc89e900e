#pragma once
// The label styles of the small settings panels (MIDI learn, OSC): black
// text in the shared font at 12, left-aligned; values and edit fields on a
// faint dark background.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

// A fixed caption: not editable, transparent editor background.
void StylePanelCaption (juce::Label& label);
// A shown value: a caption on a 0x1c000000 background, no outline.
void StylePanelValue (juce::Label& label);
// An edit field: a value editable by a single or a double click, committed
// when the focus is lost, black editor text on a transparent background.
void StylePanelEditField (juce::Label& label);
