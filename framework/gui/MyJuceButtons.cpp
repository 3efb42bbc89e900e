#include "MyJuceButtons.h"

#include "Highlight.h"
#include "MyArialFont.h"
#include "PopupMenus.h"
#include "Utilities.h"

#include <algorithm>

namespace
{
float buttonFontHeight (int h)
{
    return std::min (0.8f * (float) h, 15.0f);
}

void applyParams (juce::Button& b, juce::String& onTextField, bool& toggleField,
                  const juce::String& text, const juce::String& onText, bool toggleMode, bool triggerOnMouseDown)
{
    toggleField = toggleMode;
    b.setClickingTogglesState (toggleMode);
    b.setTriggeredOnMouseDown (triggerOnMouseDown);
    b.setToggleState (false, juce::dontSendNotification);
    onTextField = onText;
    b.setButtonText (text);
}

struct TextLayout
{
    int left, right, y, height;
};

// Indents of the kit's button text; margin is added to the corner indent.
TextLayout layoutText (const juce::Button& b, const juce::Font& font, int margin)
{
    const int w = b.getWidth(), h = b.getHeight();
    const int yIndent = std::min (4, juce::roundToInt ((float) h * 0.3f));
    const int cornerSize = std::min (w, h) / 2;
    const int fontHeight = juce::roundToInt (font.getHeight() * 0.6f);
    const int left = std::min (fontHeight, cornerSize / (b.isConnectedOnLeft() ? 4 : 2) + margin);
    const int right = std::min (fontHeight, cornerSize / (b.isConnectedOnRight() ? 4 : 2) + margin);
    return { left, right, yIndent, h - 2 * yIndent };
}

juce::Colour fillFor (const juce::Button& b, bool toggleMode, bool isButtonDown, juce::Colour on, juce::Colour off)
{
    if (toggleMode)
        return b.getToggleState() ? on : off;
    return isButtonDown ? on : off;
}
} // namespace

juce::Colour AgitationColour (int agitation)
{
    switch (agitation)
    {
        case 1: return juce::Colours::red;
        case 2: return juce::Colours::yellow;
        case 3: return juce::Colours::green;
        case 4: return juce::Colours::cornflowerblue;
        default: return juce::Colours::grey;
    }
}

juce::String MakeChangeAgitationMessage (int paramIndex, float value)
{
    char number[valueTextSize];
    mySprintf (number, "%f", value);
    return "ChangeAgitation " + juce::String (paramIndex) + " " + juce::String (number);
}

bool ReleaseClickListeners::sendClick (juce::Button& button)
{
    juce::Component::BailOutChecker checker (&button);
    for (int i = listeners.size(); --i >= 0;)
    {
        if (i >= listeners.size())
            continue;
        listeners.getUnchecked (i)->buttonClicked (&button);
        if (checker.shouldBailOut())
            return false;
    }
    if (button.onClick != nullptr)
    {
        button.onClick();
        if (checker.shouldBailOut())
            return false;
    }
    return true;
}

bool ReleaseClickListeners::release (juce::Button& button, bool toggleMode, bool& pressedDown)
{
    if (toggleMode || ! pressedDown)
        return true;
    pressedDown = false;
    button.setState (juce::Button::buttonNormal);
    return sendClick (button);
}

//==============================================================================
MyJuceSimpleTextButton::MyJuceSimpleTextButton (const juce::String& name) : juce::Button (name)
{
    setWantsKeyboardFocus (false);
}

void MyJuceSimpleTextButton::setParams (const juce::String& text, const juce::String& on, bool toggle, bool trigger)
{
    applyParams (*this, onText, toggleMode, text, on, toggle, trigger);
}

void MyJuceSimpleTextButton::SetControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
    repaint();
}

juce::Font MyJuceSimpleTextButton::getFont()
{
    const int h = textHeight > 0 ? textHeight - 1 : getHeight();
    return getArialFont (buttonFontHeight (h));
}

void MyJuceSimpleTextButton::addListener (juce::Button::Listener* l)
{
    juce::Button::addListener (l);
    releaseListeners.add (l);
}

void MyJuceSimpleTextButton::removeListener (juce::Button::Listener* l)
{
    juce::Button::removeListener (l);
    releaseListeners.remove (l);
}

void MyJuceSimpleTextButton::mouseDown (const juce::MouseEvent& e)
{
    juce::Component::SafePointer<MyJuceSimpleTextButton> self (this);
    juce::Button::mouseDown (e);
    if (self != nullptr)
        pressedDown = isDown();
}

void MyJuceSimpleTextButton::mouseUp (const juce::MouseEvent& e)
{
    if (! releaseListeners.release (*this, toggleMode, pressedDown))
        return;
    juce::Button::mouseUp (e);
}

bool MyJuceSimpleTextButton::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceSimpleTextButton::paintButton (juce::Graphics& g, bool, bool isButtonDown)
{
    const bool enabled = isEnabled();
    const auto fill = enabled ? fillFor (*this, toggleMode, isButtonDown, fillOn, fillOff) : juce::Colours::grey;
    g.setColour (fill);
    g.fillRoundedRectangle (getLocalBounds().toFloat(), cornerRadius);

    const auto font = getFont();
    g.setFont (font);
    auto textColour = getToggleState() ? textColourOn : textColourOff;
    if (! enabled)
        textColour = juce::Colours::lightgrey.darker (0.25f);
    g.setColour (textColour);

    auto layout = layoutText (*this, font, textMargin);
    if (textHeight > 0)
    {
        layout.y = std::min (4, (int) ((float) textHeight * 0.2f));
        layout.height = textHeight;
    }

    const auto text = getToggleState() ? onText : getButtonText();
    g.drawFittedText (text, layout.left, layout.y, getWidth() - layout.left - layout.right, layout.height,
                      juce::Justification::centred, 2);

    DrawHighlightOutline (g, getLocalBounds(), highlightColour);
}

//==============================================================================
MySelectAgitButton::MySelectAgitButton (const juce::String& name) : juce::Button (name)
{
    setWantsKeyboardFocus (false);
}

void MySelectAgitButton::setParams (const juce::String& text, const juce::String& on, bool toggle, bool trigger)
{
    applyParams (*this, onText, toggleMode, text, on, toggle, trigger);
}

void MySelectAgitButton::SetControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
    repaint();
}

void MySelectAgitButton::setNumItems (int n)
{
    if (n >= 1 && n <= 4)
        numItems = n;
}

void MySelectAgitButton::setValue (float v)
{
    setToggleState (StateFromAgitationIDValue (v), juce::dontSendNotification);
    agitation = AgitationIDFromAgitationIDValue (v) + 1;
    repaint();
}

float MySelectAgitButton::getAgitationID() const
{
    return AgitationIDValueFromStateAndID (getToggleState(), agitation - 1);
}

juce::Font MySelectAgitButton::getFont()
{
    return getArialFont (buttonFontHeight (getHeight()));
}

void MySelectAgitButton::addListener (juce::Button::Listener* l)
{
    juce::Button::addListener (l);
    releaseListeners.add (l);
}

void MySelectAgitButton::removeListener (juce::Button::Listener* l)
{
    juce::Button::removeListener (l);
    releaseListeners.remove (l);
}

void MySelectAgitButton::mouseDown (const juce::MouseEvent& e)
{
    if (e.mods.isPopupMenu() || e.mods.isCtrlDown())
    {
        pressedDown = false;
        showAgitationMenu();
        return;
    }

    juce::Component::SafePointer<MySelectAgitButton> self (this);
    juce::Button::mouseDown (e);
    if (self != nullptr)
        pressedDown = isDown();
}

void MySelectAgitButton::mouseUp (const juce::MouseEvent& e)
{
    if (! releaseListeners.release (*this, toggleMode, pressedDown))
        return;
    juce::Button::mouseUp (e);
}

void MySelectAgitButton::showAgitationMenu()
{
    juce::PopupMenu menu;
    for (int id = 1; id <= numItems; ++id)
    {
        const auto text = "Agitation " + juce::String (id);
        if (id == agitation)
        {
            menu.addItem (id, text, true, true);
        }
        else
        {
            juce::Image swatch (juce::Image::RGB, 20, 20, true);
            swatch.clear (swatch.getBounds(), AgitationColour (id));
            menu.addItem (id, text, true, false, swatch);
        }
    }

    ShowKitMenu (*this, menu, 1, 16, [this] (int chosen)
    {
        if (chosen < 1 || chosen > numItems)
            return;
        agitation = chosen;
        if (paramIndex >= 0)
            sendActionMessage (MakeChangeAgitationMessage (paramIndex, getAgitationID()));
    });
}

bool MySelectAgitButton::keyPressed (const juce::KeyPress&) { return false; }

void MySelectAgitButton::paintButton (juce::Graphics& g, bool, bool isButtonDown)
{
    if (agitation >= 1 && agitation <= 4)
    {
        fillOn = AgitationColour (agitation);
        fillOff = fillOn.darker (0.8f);
    }

    const auto fill = isEnabled() ? fillFor (*this, toggleMode, isButtonDown, fillOn, fillOff) : fillOff.brighter (0.8f);
    g.setColour (fill);
    g.fillRoundedRectangle (getLocalBounds().toFloat(), cornerRadius);

    const auto font = getFont();
    g.setFont (font);
    g.setColour (getToggleState() ? textColourOn : textColourOff);

    const auto layout = layoutText (*this, font, textMargin);
    const auto text = getToggleState() ? onText : getButtonText();
    g.drawFittedText (text, layout.left, layout.y,
                      std::max (0, getWidth() - layout.left - layout.right), std::max (0, layout.height),
                      juce::Justification::centred, 2);

    DrawHighlightOutline (g, getLocalBounds(), highlightColour);
}

//==============================================================================
MyJuceTextButton::MyJuceTextButton (const juce::String& name) : juce::ImageButton (name)
{
    setWantsKeyboardFocus (false);
}

void MyJuceTextButton::setParams (const juce::String& text, const juce::String& on, bool toggle, bool trigger)
{
    applyParams (*this, onText, toggleMode, text, on, toggle, trigger);
}

juce::Font MyJuceTextButton::getFont()
{
    return getArialFont (buttonFontHeight (getHeight()));
}

bool MyJuceTextButton::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceTextButton::paintButton (juce::Graphics& g, bool, bool)
{
    juce::ImageButton::paintButton (g, false, getToggleState());

    const auto font = getFont();
    g.setFont (font);
    g.setColour (getToggleState() ? textColourOn : textColourOff);

    const auto layout = layoutText (*this, font, 2);
    const auto text = getToggleState() ? onText : getButtonText();
    g.drawFittedText (text, layout.left, layout.y, getWidth() - layout.left - layout.right, layout.height,
                      juce::Justification::centred, 2);
}
