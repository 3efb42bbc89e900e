#pragma once
// MyJuceLabel shows a parameter's value text and is itself a control: a
// press opens the owner's gesture, a vertical drag steps the parameter one
// unit per 5 pixels, the release closes the gesture, a double-click edits
// the text (digits, minus and point only), and a Shift-click on a label of a
// tempo-syncable parameter toggles its sync mode (blue text). The label
// never changes a parameter itself: it reports each act as an action code
// in `action` with one change message, and the owner calls the effect.
//
// Action codes: 2 pressed (begin the gesture), 1 dragged up (one unit up),
// -1 dragged down (one unit down), -2 released (end the gesture), 0 sync
// mode toggled (set the parameter's sync to isSyncOn()).
//
// Acts are queued and delivered one by one, in order: for each act the
// owner's changeListenerCallback runs with `action` holding that act (a
// press and its release before the owner ran are both seen).
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include <deque>

// Text colour of every value label, and of sync-capable labels in sync mode.
extern const juce::Colour normalColour;
extern const juce::Colour synchroColour;

class MyJuceLabel : public juce::Label,
                    public juce::ChangeBroadcaster,
                    private juce::AsyncUpdater
{
public:
    MyJuceLabel (const juce::String& name, const juce::String& text);
    ~MyJuceLabel() override;

    // Sets the text only when it differs from the current one.
    void setText (const juce::String& text, bool notify);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return highlightColour; }
    // Sets the sync mode only (the next paint shows it).
    void setSyncMode (bool on);
    bool isSyncOn() const noexcept { return syncOn; }
    // Acts queued and not yet delivered.
    int getNumPendingActions() const noexcept { return (int) pending.size(); }

    void paint (juce::Graphics&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    // The act being delivered (or the last one delivered).
    float action = 0.0f;
    bool syncCapable = false;

protected:
    juce::TextEditor* createEditorComponent() override;

private:
    void report (float act);
    void handleAsyncUpdate() override;

    float pressAct = 0.0f;  // the act of the current press, for the mouse logic
    float lastY = 0.0f;
    const float dragStep = 5.0f;
    juce::Colour highlightColour = juce::Colours::transparentBlack;
    bool syncOn = false;
    juce::LookAndFeel_V2 editorLookAndFeel;
    std::deque<float> pending;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceLabel)
};
