#include "MyJucePopup.h"

#include "Highlight.h"
#include "PopupMenus.h"

#include <cmath>

MyJucePopup::MyJucePopup (const juce::String& name, const juce::String& text)
    : juce::Label (name, text),
      menuText (kMenuTextColour)
{
    setWantsKeyboardFocus (false);
}

MyJucePopup::~MyJucePopup() = default;

void MyJucePopup::addItemText (const juce::String& text)
{
    items.add (text);
    clearActive();
}

void MyJucePopup::addItem (const juce::String& text, juce::Image* image)
{
    items.add (text);
    images.add (image);
    clearActive();
}

void MyJucePopup::clearActive()
{
    enabled.clearQuick();
    for (int i = 0; i < items.size(); ++i)
        enabled.add (true);
}

void MyJucePopup::setActive (int index, bool on)
{
    if (index >= 0 && index < enabled.size())
        enabled.set (index, on);
}

juce::String MyJucePopup::getCurrentText() const
{
    return items[selected];
}

float MyJucePopup::getValue (bool asIndex) const
{
    if (asIndex)
        return (float) selected;
    // One item or none has no ratio: read it as the start of the range.
    if (items.size() < 2)
        return 0.0f;
    return (float) selected / (float) (items.size() - 1);
}

void MyJucePopup::setValue (float v, bool asIndex)
{
    if (! std::isfinite (v))
        v = 0.0f;
    if (asIndex)
        selected = (int) v;
    else
        selected = (int) ((double) ((float) (items.size() - 1) * v) + 0.5);
    juce::Label::setText (items[selected], juce::dontSendNotification);
}

void MyJucePopup::SetControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
    repaint();
}

bool MyJucePopup::keyPressed (const juce::KeyPress&) { return false; }

const juce::Image* MyJucePopup::imageOf (int index) const
{
    if (index >= 0 && index < images.size())
        return images.getUnchecked (index);
    return nullptr;
}

void MyJucePopup::mouseDown (const juce::MouseEvent&)
{
    if (! isEnabled())
    {
        sendChangeMessage();  // the owner may react to the click
        return;
    }

    juce::PopupMenu menu;
    for (int i = 0; i < items.size(); ++i)
    {
        if (items[i].isEmpty())
        {
            menu.addSeparator();
            continue;
        }
        const bool active = i < enabled.size() && enabled[i];
        if (const auto* image = imageOf (i))
            menu.addItem (i + 1, items[i], active, i == selected, *image);
        else
            menu.addItem (i + 1, items[i], active, i == selected);
    }

    ShowKitMenu (*this, menu, selected + 1, 16, [this] (int chosen) { applyChoice (chosen); },
                 menuBackground, menuText);
}

void MyJucePopup::applyChoice (int chosen)
{
    // The items may have changed while the menu was open.
    if (chosen <= 0 || chosen > items.size())
        return;

    selected = chosen - 1;
    juce::Label::setText (items[selected], juce::dontSendNotification);
    sendChangeMessage();
}

void MyJucePopup::paint (juce::Graphics& g)
{
    if (const auto* image = imageOf (selected))
    {
        g.fillAll (juce::Colours::black);
        g.setFont (getFont());
        g.setColour (menuText);
        juce::DrawableImage icon;
        icon.setImage (*image);
        const auto area = getLocalBounds().withTop (-1);
        getLookAndFeel().drawPopupMenuItem (g, area, false, true, false, false, false,
                                            items[selected], {}, &icon, &menuText);
    }
    else
    {
        juce::Label::paint (g);
    }
    DrawHighlightOutline (g, getLocalBounds(), highlightColour);
}
