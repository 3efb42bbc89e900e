#include "MyJuceLabel.h"

#include "Highlight.h"
#include "PopupMenus.h"

const juce::Colour normalColour (kMenuTextColour);
const juce::Colour synchroColour (0xff9dd1ffu);

MyJuceLabel::MyJuceLabel (const juce::String& name, const juce::String& text)
    : juce::Label (name, text)
{
    setColour (juce::Label::backgroundColourId, juce::Colours::black);
    setColour (juce::Label::textColourId, normalColour);
    setColour (juce::TextEditor::textColourId, juce::Colours::white);
    setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00999999u));
    setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffc8c8c8u));
    const auto border = getBorderSize();
    setBorderSize (juce::BorderSize<int> (border.getTop(), 1, border.getBottom(), 1));
    setWantsKeyboardFocus (false);
    editorLookAndFeel.setColour (juce::CaretComponent::caretColourId, juce::Colours::grey);
}

MyJuceLabel::~MyJuceLabel()
{
    // The text editor (owned by the library label) must let go of the
    // editor look-and-feel before it goes.
    if (auto* ed = getCurrentTextEditor())
        ed->setLookAndFeel (nullptr);
}

void MyJuceLabel::setText (const juce::String& text, bool notify)
{
    if (text != getText())
        juce::Label::setText (text, notify ? juce::sendNotification : juce::dontSendNotification);
}

void MyJuceLabel::SetControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
    repaint();
}

void MyJuceLabel::setSyncMode (bool on) { syncOn = on; }

void MyJuceLabel::report (float act)
{
    pending.push_back (act);
    triggerAsyncUpdate();
}

void MyJuceLabel::handleAsyncUpdate()
{
    juce::Component::BailOutChecker checker (this);
    while (! pending.empty())
    {
        action = pending.front();
        pending.pop_front();
        sendSynchronousChangeMessage();
        if (checker.shouldBailOut())
            return;
    }
}

void MyJuceLabel::mouseDown (const juce::MouseEvent& e)
{
    lastY = e.position.y;
    if (e.mods.isShiftDown() && syncCapable)
    {
        const bool wasOn = syncOn;
        syncOn = ! syncOn;
        // Double-click editing is off while in sync mode.
        setEditable (false, wasOn, false);
        pressAct = 0.0f;
    }
    else
    {
        pressAct = 2.0f;
    }
    report (pressAct);
}

void MyJuceLabel::mouseDrag (const juce::MouseEvent& e)
{
    if (pressAct == 0.0f)
        return;

    const float y = e.position.y;
    if (y < lastY - dragStep)
        pressAct = 1.0f;
    else if (y > lastY + dragStep)
        pressAct = -1.0f;
    else
        return;

    lastY = y;
    report (pressAct);
}

void MyJuceLabel::mouseUp (const juce::MouseEvent&)
{
    if (pressAct == 0.0f)
        return;
    pressAct = -2.0f;
    report (pressAct);
}

bool MyJuceLabel::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceLabel::paint (juce::Graphics& g)
{
    if (syncCapable && syncOn)
    {
        if (findColour (juce::Label::textColourId) != synchroColour)
            setColour (juce::Label::textColourId, synchroColour);
    }
    else if (! syncOn)
    {
        if (findColour (juce::Label::textColourId) != normalColour)
            setColour (juce::Label::textColourId, normalColour);
    }

    juce::Label::paint (g);
    DrawHighlightOutline (g, getLocalBounds(), highlightColour);
}

juce::TextEditor* MyJuceLabel::createEditorComponent()
{
    auto* ed = juce::Label::createEditorComponent();
    ed->setInputRestrictions (0, "-0123456789.");
    ed->setScrollToShowCursor (false);
    ed->setIndents (2, 0);
    ed->setLookAndFeel (&editorLookAndFeel);
    return ed;
}
