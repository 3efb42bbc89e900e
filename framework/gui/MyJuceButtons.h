#pragma once
// The kit's buttons, sharing one text layout and the shared font at height
// min(0.8 x button height, 15), not bold:
// - MyJuceSimpleTextButton: a flat rounded text button, toggle or push. As a
//   push button it clicks at the press (isDown() true) and again at the
//   release (isDown() false), so momentary controls can act on both.
// - MySelectAgitButton: the same for a parameter's agitation switch; its
//   fill shows which of up to four agitations the parameter joins, chosen
//   from a context menu and reported as "ChangeAgitation <index> <value>".
// - MyJuceTextButton: an image button that draws its text over its images.
// None takes keyboard focus.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

// Fill of agitation 1..4: red, yellow, green, cornflower blue (others: grey).
juce::Colour AgitationColour (int agitation);

// The action message of an agitation choice: "ChangeAgitation %d %f" with
// the decimal point whatever the process locale.
juce::String MakeChangeAgitationMessage (int paramIndex, float value);

// Listeners of a push button: the library delivers the press click, this
// list the release click, to the same listeners.
class ReleaseClickListeners
{
public:
    void add (juce::Button::Listener* l) { listeners.addIfNotAlreadyThere (l); }
    void remove (juce::Button::Listener* l) { listeners.removeFirstMatchingValue (l); }
    // Sends buttonClicked (and onClick) for a release; false when the button
    // was deleted meanwhile.
    bool sendClick (juce::Button& button);
    // The release of a push button that was pressed down (toggle buttons
    // and buttons not pressed do nothing here): pressedDown is cleared, the
    // button drawn normal and the release click sent. False when the button
    // was deleted meanwhile (the caller must return at once).
    bool release (juce::Button& button, bool toggleMode, bool& pressedDown);

private:
    juce::Array<juce::Button::Listener*> listeners;
};

class MyJuceSimpleTextButton : public juce::Button
{
public:
    explicit MyJuceSimpleTextButton (const juce::String& name);

    void setParams (const juce::String& text, const juce::String& onText, bool toggleMode, bool triggerOnMouseDown);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return highlightColour; }
    virtual juce::Font getFont();

    // Listeners get the press and the release clicks (see the file comment).
    void addListener (juce::Button::Listener* l);
    void removeListener (juce::Button::Listener* l);

    void paintButton (juce::Graphics&, bool isMouseOverButton, bool isButtonDown) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    juce::String onText;
    bool toggleMode = false;
    juce::Colour textColourOn = juce::Colours::black;
    juce::Colour textColourOff = juce::Colours::black;
    float cornerRadius = 2.0f;
    int textHeight = 0;
    juce::Colour fillOff = juce::Colours::grey;
    juce::Colour fillSpare = juce::Colours::lightgrey;
    juce::Colour fillOn = juce::Colours::darkgrey;
    int textMargin = 2;

private:
    juce::Colour highlightColour = juce::Colours::transparentBlack;
    ReleaseClickListeners releaseListeners;
    bool pressedDown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceSimpleTextButton)
};

class MySelectAgitButton : public juce::Button,
                           public juce::ActionBroadcaster
{
public:
    explicit MySelectAgitButton (const juce::String& name);

    void setParams (const juce::String& text, const juce::String& onText, bool toggleMode, bool triggerOnMouseDown);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return highlightColour; }
    // Agitations offered in the menu: 1..4; other counts are ignored.
    void setNumItems (int n);
    int getNumItems() const noexcept { return numItems; }
    // Toggle state and agitation from a parameter value (no notification).
    void setValue (float v);
    // The parameter value of the toggle state and agitation.
    float getAgitationID() const;
    int getAgitation() const noexcept { return agitation; }
    virtual juce::Font getFont();

    void addListener (juce::Button::Listener* l);
    void removeListener (juce::Button::Listener* l);

    void paintButton (juce::Graphics&, bool isMouseOverButton, bool isButtonDown) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    juce::String onText;
    bool toggleMode = false;
    juce::Colour textColourOn = juce::Colours::black;
    juce::Colour textColourOff = juce::Colours::black;
    float cornerRadius = 2.0f;
    juce::Colour fillOff = juce::Colours::grey;
    juce::Colour fillSpare = juce::Colours::lightgrey;
    juce::Colour fillOn = juce::Colours::darkgrey;
    int textMargin = 2;
    int paramIndex = -1;

private:
    void showAgitationMenu();

    int numItems = 4;
    int agitation = 1;
    juce::Colour highlightColour = juce::Colours::transparentBlack;
    ReleaseClickListeners releaseListeners;
    bool pressedDown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MySelectAgitButton)
};

class MyJuceTextButton : public juce::ImageButton
{
public:
    explicit MyJuceTextButton (const juce::String& name);

    void setParams (const juce::String& text, const juce::String& onText, bool toggleMode, bool triggerOnMouseDown);
    virtual juce::Font getFont();

    void paintButton (juce::Graphics&, bool isMouseOverButton, bool isButtonDown) override;
    bool keyPressed (const juce::KeyPress&) override;

    juce::String onText;
    bool toggleMode = false;
    juce::Colour textColourOn = juce::Colours::black;
    juce::Colour textColourOff = juce::Colours::black;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceTextButton)
};
