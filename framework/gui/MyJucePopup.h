#pragma once
// MyJucePopup: a label that opens a pop-up menu of its items when pressed
// and reports the chosen item with a change message. Its value is the item
// index, or the index mapped to 0..1. Items may carry an image (addItem) or
// not (addItemText); a pop-up is filled with one of the two calls only.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyJucePopup : public juce::Label,
                    public juce::ChangeBroadcaster
{
public:
    MyJucePopup (const juce::String& name, const juce::String& text);
    ~MyJucePopup() override;

    // Appends an item without image; an empty text is a separator.
    void addItemText (const juce::String& text);
    // Appends an item and its image (may be null; the pop-up owns it).
    void addItem (const juce::String& text, juce::Image* image);
    // Every item enabled.
    void clearActive();
    // Enables or disables one item; an index outside the items is ignored.
    void setActive (int index, bool on);
    juce::String getCurrentText() const;
    int getNumItems() const noexcept { return items.size(); }
    int getSelected() const noexcept { return selected; }
    // The selected index, or with asIndex false the index over (items - 1);
    // 0 when there are fewer than two items.
    float getValue (bool asIndex) const;
    // Selects an item by index (asIndex) or by a value 0..1, shows its text;
    // no change message.
    void setValue (float v, bool asIndex);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return highlightColour; }

    void mouseDown (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    bool keyPressed (const juce::KeyPress&) override;

    juce::Colour menuBackground = juce::Colours::black;
    juce::Colour menuText;

private:
    const juce::Image* imageOf (int index) const;
    void applyChoice (int chosen);  // the menu's answer (0: dismissed)

    juce::StringArray items;
    juce::Array<bool> enabled;
    juce::OwnedArray<juce::Image> images;
    int selected = 0;
    juce::Colour highlightColour = juce::Colours::transparentBlack;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJucePopup)
};
