#include "MidiBindComponent.h"

#include "Dialogs.h"
#include "MyArialFont.h"
#include "MyEditor.h"
#include "PanelLabels.h"
#include "PopupMenus.h"

namespace
{
const char* const typeNames[] = { "Control Change", "Keyboard", "Pitch Wheel", "Program Change" };
constexpr int noTypeItem = 5;

juce::String typeText (int type)
{
    return type >= 1 && type <= 4 ? juce::String (typeNames[type - 1]) : juce::String ("-");
}
} // namespace

juce::String MidiBindingCellText (const MidiBindingRecord& r, int column, const juce::String& parameterName)
{
    switch (column)
    {
        case midiColumnParameter:
            return parameterName;
        case midiColumnChannel:
            return r.type == 0 ? juce::String ("-") : juce::String (r.channel);
        case midiColumnType:
            return typeText (r.type);
        case midiColumnValue:
            if (r.type == 1)
                return juce::String (r.controller);
            if (r.type == 2)
                return juce::String (r.note);
            return "-";
        default:
            return "-";
    }
}

bool MakeMidiBindingMenu (const MidiBindingRecord& r, int column, juce::PopupMenu& menu, int& itemToShow)
{
    itemToShow = 0;
    switch (column)
    {
        case midiColumnChannel:
            for (int c = 1; c <= 16; ++c)
                menu.addItem (c, juce::String (c), true, r.type != 0 && r.channel == c);
            itemToShow = r.type != 0 ? r.channel : 0;
            return true;

        case midiColumnType:
            menu.addItem (noTypeItem, "No Controler", true, r.type == 0);
            for (int t = 1; t <= 4; ++t)
                menu.addItem (t, typeNames[t - 1], true, r.type == t);
            return true;

        case midiColumnValue:
        {
            if (r.type != 1 && r.type != 2)
                return false;
            const int value = r.type == 1 ? r.controller : r.note;
            for (int v = 0; v < 128; ++v)
                menu.addItem (v + 1, juce::String (v), true, v == value);
            itemToShow = value + 1;
            return true;
        }

        default:
            return false;
    }
}

bool ApplyMidiBindingChoice (MidiBinding& binding, int column, int choice)
{
    switch (column)
    {
        case midiColumnChannel:
            if (choice < 1 || choice > 16)
                return false;
            binding.channel.store (choice);
            return true;

        case midiColumnType:
            if (choice < 1 || choice > noTypeItem)
                return false;
            binding.type.store (choice == noTypeItem ? 0 : choice);
            return true;

        case midiColumnValue:
        {
            if (choice < 1 || choice > 128)
                return false;
            // The type as it stands now: MIDI learn may have changed it while
            // the menu was open.
            const int type = binding.type.load();
            if (type == 1)
                binding.controller.store (choice - 1);
            else if (type == 2)
                binding.note.store (choice - 1);
            else
                return false;
            return true;
        }

        default:
            return false;
    }
}

//==============================================================================
MidiViewComponent::MidiViewComponent (MyEffect* e) : effect (e)
{
    numRows = effect->getMyNumParameters();

    table = std::make_unique<juce::TableListBox> ("midi table", this);
    addAndMakeVisible (*table);
    table->setColour (juce::ListBox::outlineColourId, juce::Colours::grey);
    table->setOutlineThickness (1);

    header = &table->getHeader();
    const int flags = juce::TableHeaderComponent::defaultFlags;
    header->addColumn (TRANS ("Parameter"), midiColumnParameter, 150, 30, -1, flags);
    header->addColumn (TRANS ("Channel"), midiColumnChannel, 60, 30, -1, flags);
    header->addColumn (TRANS ("Controler"), midiColumnType, 100, 30, -1, flags);
    header->addColumn (TRANS ("Parameter"), midiColumnValue, 70, 30, -1, flags);
}

MidiViewComponent::~MidiViewComponent()
{
    table->setModel (nullptr);
}

void MidiViewComponent::resized()
{
    table->setBounds (getLocalBounds().reduced (8));
}

int MidiViewComponent::getNumRows() { return numRows; }

void MidiViewComponent::paintRowBackground (juce::Graphics& g, int, int, int, bool rowIsSelected)
{
    if (rowIsSelected)
        g.fillAll (juce::Colours::lightgrey);
}

void MidiViewComponent::paintCell (juce::Graphics& g, int row, int column, int width, int height, bool)
{
    const auto* binding = effect->getMidiBinding (row);
    if (binding == nullptr)
        return;

    const auto text = MidiBindingCellText (binding->load(), column,
                                           column == midiColumnParameter ? effect->getIndexedParameterName (row) : juce::String());
    g.setColour (juce::Colours::black);
    g.setFont (getArialFont (14.0f));
    g.drawText (text, 2, 0, width - 4, height, juce::Justification::centredLeft, true);
}

void MidiViewComponent::cellClicked (int row, int column, const juce::MouseEvent&)
{
    auto* binding = effect->getMidiBinding (row);
    if (binding == nullptr)
        return;

    juce::PopupMenu menu;
    int itemToShow = 0;
    if (! MakeMidiBindingMenu (binding->load(), column, menu, itemToShow))
        return;

    ShowKitMenu (*this, menu, itemToShow, 0, [this, row, column] (int choice)
    {
        // The record is looked up again: it is applied as it stands when the
        // menu closes.
        if (auto* b = effect->getMidiBinding (row))
            if (ApplyMidiBindingChoice (*b, column, choice))
                table->repaint();
    });
}

//==============================================================================
MidiView::MidiView (MyEffect* e, juce::Component*)
    : juce::DocumentWindow (TRANS ("MIDI Binding"), juce::Colours::lightgrey, juce::DocumentWindow::closeButton, true),
      effect (e)
{
    setUsingNativeTitleBar (true);
    content = new MidiViewComponent (effect);
    setContentOwned (content, false);
    centreWithSize (418, 600);
    setResizable (true, true);
    setAlwaysOnTop (true);
    setVisible (true);
    toFront (false);
    enterModalState (false);
}

MidiView::~MidiView()
{
    if (isCurrentlyModal (false))
        exitModalState (0);
}

void MidiView::closeButtonPressed()
{
    exitModalState (0);
    setVisible (false);
    if (onClose)
        onClose();
}

//==============================================================================
MidiBindComponent::MidiBindComponent (MyEditor* e) : editor (e)
{
    auto makeLabel = [this] (const juce::String& text, bool value)
    {
        auto label = std::make_unique<juce::Label> ("new label", text);
        if (value)
            StylePanelValue (*label);
        else
            StylePanelCaption (*label);
        addAndMakeVisible (*label);
        return label;
    };

    auto makeButton = [this] (const juce::String& text, bool atPress)
    {
        auto button = std::make_unique<MyJuceSimpleTextButton> ("new button");
        if (atPress)
        {
            button->setParams (text, text, false, true);
            button->textColourOn = juce::Colours::white;
            button->textColourOff = juce::Colours::black;
        }
        else
        {
            button->setButtonText (text);
        }
        button->addListener (this);
        addAndMakeVisible (*button);
        return button;
    };

    parameterCaption = makeLabel (TRANS ("Parameter :"), false);
    messageCaption = makeLabel (TRANS ("Message :"), false);
    parameterValue = makeLabel ({}, true);
    messageValue = makeLabel (TRANS ("Gain"), true);
    closeButton = makeButton (TRANS ("Close"), false);
    unbindButton = makeButton (TRANS ("UnBind"), true);
    resetAllButton = makeButton (TRANS ("Reset All"), true);
    viewButton = makeButton (TRANS ("View"), true);

    setSize (274, 50);
}

MidiBindComponent::~MidiBindComponent()
{
    bindingView.reset();
    for (auto* b : { closeButton.get(), unbindButton.get(), resetAllButton.get(), viewButton.get() })
        b->removeListener (this);
}

MyEffect& MidiBindComponent::effect() const { return *editor->getEffect(); }

void MidiBindComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffa5a5a5));
}

void MidiBindComponent::resized()
{
    parameterCaption->setBounds (0, 9, 72, 16);
    messageCaption->setBounds (0, 27, 72, 13);
    parameterValue->setBounds (62, 9, 94, 16);
    messageValue->setBounds (62, 27, 94, 16);
    closeButton->setBounds (208, 9, 61, 16);
    unbindButton->setBounds (158, 9, 48, 16);
    resetAllButton->setBounds (208, 27, 61, 16);
    viewButton->setBounds (158, 27, 48, 16);
}

void MidiBindComponent::changeListenerCallback (juce::ChangeBroadcaster*) {}
void MidiBindComponent::labelTextChanged (juce::Label*) {}

void MidiBindComponent::updateParametersFromFilter()
{
    auto& fx = effect();
    if (! fx.isMidiBind())
        return;
    parameterValue->setText (fx.getCurrentParameterName(), juce::dontSendNotification);
    messageValue->setText (fx.getCurrentControlMessage(), juce::dontSendNotification);
}

void MidiBindComponent::buttonClicked (juce::Button* button)
{
    if (button == closeButton.get())
    {
        setVisible (false);
        effect().setMidiBind (false);
        return;
    }

    // The other three act at the press; their release click does nothing.
    if (! button->isDown())
        return;

    if (button == unbindButton.get())
    {
        effect().unBindCurrentParameter();
    }
    else if (button == resetAllButton.get())
    {
        juce::Component::SafePointer<MidiBindComponent> self (this);
        Dialogs::get().askOkCancelAsync (TRANS ("Reset All MIDI Bindings"),
                                         TRANS ("Press 'OK' to reset all MIDI Bindings"),
                                         TRANS ("OK"), TRANS ("Cancel"),
                                         [self] (bool ok)
                                         {
                                             if (ok && self != nullptr)
                                                 self->effect().ResetAllMidiBinding();
                                         });
    }
    else if (button == viewButton.get())
    {
        setVisible (false);
        effect().setMidiBind (false);
        openBindingView();
    }
}

void MidiBindComponent::openBindingView()
{
    bindingView.reset();
    bindingView = std::make_unique<MidiView> (&effect(), this);

    juce::Component::SafePointer<MidiBindComponent> self (this);
    auto* opened = bindingView.get();
    bindingView->onClose = [self, opened]
    {
        // Deleted once the close button's call has returned.
        juce::MessageManager::callAsync ([self, opened]
                                         {
                                             if (self != nullptr && self->bindingView.get() == opened)
                                                 self->bindingView.reset();
                                         });
    };
}
