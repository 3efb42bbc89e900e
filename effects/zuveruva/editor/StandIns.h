#pragma once
// Minimal stand-ins for kit pieces the crunch panel embeds that are not in
// the tree yet: the MIDI-learn and OSC settings panels (both stay hidden in
// the panel). Each offers only the calls the panel makes, with the same
// names, so the panel switches to the real classes by changing the aliases
// in ZuveruvaParts.h.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyEditor;

namespace standin
{
class MidiBindPanel : public juce::Component
{
public:
    explicit MidiBindPanel (MyEditor*) {}
    void updateParametersFromFilter() {}
};

class OscConfigPanel : public juce::Component
{
public:
    explicit OscConfigPanel (MyEditor*) {}
};
} // namespace standin
