#pragma once
// The two views on an effect's MIDI binding records:
// - MidiBindComponent, a small hidden panel (274 x 50) for learn mode: the
//   parameter touched last and the message bound to it, with Close, UnBind,
//   Reset All and View. The editor holding it shows it with setVisible(true)
//   and calls updateParametersFromFilter() on each refresh while it shows.
// - MidiView, the window "MIDI Binding" that View opens: its table
//   (MidiViewComponent) lists every parameter with its binding, and a click
//   on a cell edits the channel, the message type or the controller or note
//   through a pop-up menu. The window is modal to the editor (it takes the
//   input) but never runs a loop of its own: View returns at once and the
//   close button ends it.
// The table's texts and its menu edits are plain functions of one record,
// so they can be checked without a window.
// Threads: message thread only. A binding edit is one 32-bit atomic store
// of the field chosen, so the threads that read or learn the records (the
// audio thread for host MIDI) always see a whole old or a whole new record.
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyEffect.h"
#include "MyJuceButtons.h"

#include <functional>
#include <memory>

class MyEditor;

// The table's columns.
enum MidiViewColumn
{
    midiColumnParameter = 1,
    midiColumnChannel = 2,
    midiColumnType = 3,
    midiColumnValue = 4
};

// The text of a table cell: the parameter's name, the channel, the message
// type, or the controller (control change) or note (keyboard); "-" where the
// record has nothing to show.
juce::String MidiBindingCellText (const MidiBindingRecord& r, int column, const juce::String& parameterName);

// Fills `menu` with the choices of a cell and sets itemToShow to the item
// the menu opens on (0: none). False, with the menu left empty, for a cell
// that has no menu (the name, or the value of a pitch-wheel or program
// change binding).
bool MakeMidiBindingMenu (const MidiBindingRecord& r, int column, juce::PopupMenu& menu, int& itemToShow);

// Applies a menu choice to a live binding: the channel, the type (5: none)
// or the controller or note (by the type the binding has now) takes the
// choice, with one store of that field. False when nothing was stored
// (dismissed menu, a choice outside the menu, a cell without a menu).
bool ApplyMidiBindingChoice (MidiBinding& binding, int column, int choice);

//==============================================================================
class MidiViewComponent : public juce::Component,
                          public juce::TableListBoxModel
{
public:
    // effect: not owned; must outlive this component.
    explicit MidiViewComponent (MyEffect* effect);
    ~MidiViewComponent() override;

    void resized() override;
    int getNumRows() override;
    void paintRowBackground (juce::Graphics&, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell (juce::Graphics&, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    void cellClicked (int rowNumber, int columnId, const juce::MouseEvent&) override;

    juce::TableListBox& getTable() noexcept { return *table; }

private:
    MyEffect* effect;
    std::unique_ptr<juce::TableListBox> table;
    int numRows = 0;
    juce::TableHeaderComponent* header = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiViewComponent)
};

//==============================================================================
class MidiView : public juce::DocumentWindow
{
public:
    // Opens the window on the desktop, modal to everything else, and returns.
    // parent is not used.
    MidiView (MyEffect* effect, juce::Component* parent);
    ~MidiView() override;

    // Leaves the modal state, hides the window and calls onClose (which may
    // delete the window later, never from inside this call).
    void closeButtonPressed() override;

    MidiViewComponent* getTableComponent() const noexcept { return content; }

    std::function<void()> onClose;

private:
    MyEffect* effect;
    MidiViewComponent* content = nullptr;  // owned by the window

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiView)
};

//==============================================================================
class MidiBindComponent : public juce::Component,
                          public juce::ChangeListener,
                          public juce::Label::Listener,
                          public juce::Button::Listener
{
public:
    // editor: the editor holding the panel; its effect is the one shown.
    explicit MidiBindComponent (MyEditor* editor);
    ~MidiBindComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void buttonClicked (juce::Button*) override;
    void labelTextChanged (juce::Label*) override;

    // In learn mode: the current parameter's name and its binding's text.
    // Outside learn mode nothing changes.
    void updateParametersFromFilter();

    // The binding window opened by View, while it is open (else null).
    MidiView* getBindingView() const noexcept { return bindingView.get(); }

    MyEditor* editor;
    std::unique_ptr<juce::Label> parameterCaption;
    std::unique_ptr<juce::Label> messageCaption;
    std::unique_ptr<juce::Label> parameterValue;
    std::unique_ptr<juce::Label> messageValue;
    std::unique_ptr<MyJuceSimpleTextButton> closeButton;
    std::unique_ptr<MyJuceSimpleTextButton> unbindButton;
    std::unique_ptr<MyJuceSimpleTextButton> resetAllButton;
    std::unique_ptr<MyJuceSimpleTextButton> viewButton;

private:
    MyEffect& effect() const;
    void openBindingView();

    std::unique_ptr<MidiView> bindingView;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiBindComponent)
};
