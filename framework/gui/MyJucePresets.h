#pragma once
// The preset bar and the super slider's cells.
//
// MyJucePresets: 16 numbered slots in two columns of eight, a status line
// and a vertical progress bar of the running interpolation. A click on a
// slot loads it, Cmd-click saves into it, Alt-click resets it, Shift-click
// asks for preset action 3; a click on the status line stops the
// interpolation; a right-click offers to copy the slot's preset text to the
// clipboard and to paste a valid preset text into it. Each click is
// reported in `lastSlot` and `lastAction` with one change message.
//
// Actions: 0 load (plain click), 1 save (Cmd), 2 reset (Alt), 3 load and
// mark (Shift), 4 stop the interpolation (status line; lastSlot unchanged).
// Cmd wins over Alt, Alt over Shift.
//
// Clicks are queued and delivered one by one, in order: for each click the
// owner's changeListenerCallback runs with lastSlot and lastAction holding
// that click (a Save followed quickly by a Load are both seen).
//
// MyJuceSuperPreset: the 8 cells of the super slider; each shows the preset
// number of its cell or "off", a vertical drag steps it; a change message
// follows every drag event.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <deque>

class MyEffect;

class MyJucePresets : public juce::Component,
                      public juce::SettableTooltipClient,
                      public juce::ChangeBroadcaster,
                      private juce::AsyncUpdater
{
public:
    static constexpr int numSlots = 16;

    explicit MyJucePresets (const juce::String& name);
    ~MyJucePresets() override;

    // Sets the bounds; the layout follows in resized().
    void setBounds (int x, int y, int width, int height);
    // Copies 16 slot states (1 stored; 0, 2, 3 not); repaints when one changed.
    void setStates (const int* states);
    // The interpolation position 0..1; repaints when it changed.
    void SetValue (float progress);
    // With show and a preset value in 0..1: the status line reads "Load n".
    void setText (float presetValue, bool show);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return highlightColour; }

    juce::String getStatusText() const { return juce::String (statusText); }
    int getState (int slot) const noexcept { return slot >= 0 && slot < numSlots ? states[slot] : -1; }
    bool isHot (int slot) const noexcept { return slot >= 0 && slot < numSlots && hot[slot]; }
    juce::Rectangle<float> getSlotRect (int slot) const { return slotRects[slot]; }
    juce::Rectangle<float> getStatusRect() const { return statusRect; }
    int getNumPendingClicks() const noexcept { return (int) pending.size(); }

    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    int lastSlot = 0;
    int lastAction = 0;
    MyEffect* effect = nullptr;

    juce::Colour slotColour = juce::Colours::grey;
    juce::Colour storedColour = juce::Colours::darkgrey;
    juce::Colour hotColour = juce::Colours::lightgrey;

private:
    struct Click
    {
        int slot;
        int action;
    };

    int slotAt (juce::Point<float> p) const;
    void setStatus (const juce::String& text);
    void setHotSlot (int slot);
    void showClipboardMenu (juce::Point<float> p);
    void report (int slot, int action);
    void handleAsyncUpdate() override;

    juce::Rectangle<float> slotRects[numSlots];
    juce::Rectangle<float> statusRect;
    int states[numSlots] {};
    bool hot[numSlots] {};
    float progress = 0.0f;
    float barX = 0.0f, barLength = 0.0f, barBottom = 0.0f;
    char statusText[20] = "     ";
    int hotSlot = -1;
    int pendingAction = 0;
    bool menuShown = false;
    float rowHeight = 0.0f, columnWidth = 0.0f;
    juce::Colour highlightColour = juce::Colours::transparentBlack;
    std::deque<Click> pending;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJucePresets)
};

class MyJuceSuperPreset : public juce::Component,
                          public juce::SettableTooltipClient,
                          public juce::ChangeBroadcaster
{
public:
    static constexpr int numCells = 8;

    explicit MyJuceSuperPreset (const juce::String& name);

    void setBounds (int x, int y, int width, int height);
    // Stores a cell's preset number (-1 off) and repaints; a cell outside 0..7 is ignored.
    void SetState (long cell, long value);
    // A cell's preset number; -1 (off) for a cell outside 0..7.
    long GetState (long cell) const;
    int getSelectedCell() const noexcept { return selectedCell; }
    juce::Rectangle<float> getCellRect (int cell) const { return cellRects[cell]; }

    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    juce::Colour cellColour = juce::Colours::grey;
    juce::Colour selectedColour = juce::Colours::darkgrey;

private:
    juce::Rectangle<float> cellRects[numCells];
    int16_t cells[numCells] { 0, 1, 2, 3, 4, 5, 6, 7 };
    int16_t selectedCell = -1;
    int lastX = 0, lastY = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceSuperPreset)
};
