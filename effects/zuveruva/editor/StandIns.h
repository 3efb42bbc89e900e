#pragma once
// Minimal stand-ins for kit pieces the crunch panel embeds that are not in
// the tree yet: the two-dimensional slider (the pad's base), the auxiliary
// file player and the MIDI-learn and OSC settings panels. Each offers only
// the calls the panel makes, with the same names, so the panel switches to
// the real classes by changing the aliases in ZuveruvaParts.h.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyEditor;

namespace standin
{
// A pad whose point sets X (left to right) and Y (bottom to top), 0..1.
// A press opens a gesture and moves the point, a drag follows the mouse,
// the release closes the gesture; Alt-click restores the defaults.
class Slider2D : public juce::Slider,
                 public juce::Timer
{
public:
    explicit Slider2D (const juce::String& name);
    ~Slider2D() override;

    void addListener (juce::Slider::Listener* l);
    void setBounds (int x, int y, int width, int height);
    void setXValue (float v);
    void setYValue (float v);
    void DrawElas (juce::Graphics&, int, int) {}
    void sendDragStart();
    void sendDragEnd();

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override { return false; }
    void timerCallback() override {}

    double valueX = 0.0, valueY = 0.0;
    float defaultX = 0.5f, defaultY = 0.5f;

protected:
    void notifyValue();

private:
    juce::Array<juce::Slider::Listener*> listeners;
};

// The auxiliary file's strip: the file name, the play position and the loop.
class Player : public juce::Component,
               public juce::ActionBroadcaster
{
public:
    explicit Player (bool hasModePopup);

    void openFile (juce::File file);
    void setCurrentTime (float seconds);
    void updateStartButton (bool playing);
    void updateLoopButton (bool looping);
    void updateLoop (float start, float end);
    void displayVuMeter (bool) {}
    void setText (const juce::String& hint) { dropHint = hint; }
    void clearShortcuts() {}
    void paint (juce::Graphics&) override;
    juce::File getCurrentFile() const { return currentFile; }

    juce::File currentFile;
    bool syncShown = false;
    float currentTime = 0.0f;
    bool playing = false, looping = false;
    float loopStart = 0.0f, loopEnd = 0.0f;
    juce::String dropHint { "Drop an audio file in this area" };
};

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
