#pragma once
// The kit pieces the crunch panel is built from, under the names it uses.
#include "StandIns.h"

using PadSlider = standin::Slider2D;          // the two-dimensional slider
using AuxPlayerPanel = standin::Player;       // the sound-file player panel
using MidiLearnPanel = standin::MidiBindPanel;
using OscSettingsPanel = standin::OscConfigPanel;

// The player without what the crunch panel does not use: CPU bar, gain,
// bypass. (The stand-in has none of them.)
inline void hideMixerControls (AuxPlayerPanel&) {}
