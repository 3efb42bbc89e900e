// The MIDI-learn panel and the binding table: cell texts and menu edits as
// functions of one record, the panel's refresh and buttons, the Reset All
// question, and the table window opened by View and closed again.
#include "GuiTestSupport.h"
#include "MidiBindComponent.h"
#include "SpyEditor.h"

#include "Dialogs.h"

using namespace guitest;

namespace
{
using Texts = std::vector<juce::String>;

// Dialogs whose OK/Cancel question answers `answer`; every question is kept.
class AnsweringDialogs : public Dialogs
{
public:
    bool answer = false;
    juce::StringArray questions;

    void showAlert (const juce::String&, const juce::String&) override {}
    bool askOkCancel (const juce::String& title, const juce::String& message, const juce::String& ok,
                      const juce::String& cancel) override
    {
        questions.add (title + " | " + message + " | " + ok + " | " + cancel);
        return answer;
    }
    bool chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&, juce::File&) override { return false; }
    bool chooseFileToSave (const juce::String&, const juce::File&, const juce::String&, juce::File&) override { return false; }
};

// "id text" per item, with "*" for a ticked one.
Texts describe (juce::PopupMenu& menu)
{
    Texts t;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& i = it.getItem();
        t.push_back (juce::String (i.itemID) + " " + i.text + (i.isTicked ? "*" : ""));
    }
    return t;
}

bool sameRecord (const MidiBindingRecord& a, const MidiBindingRecord& b)
{
    return a.type == b.type && a.channel == b.channel && a.controller == b.controller && a.note == b.note;
}

std::string show (const MidiBindingRecord& r)
{
    return "{" + std::to_string (r.type) + ", " + std::to_string (r.channel) + ", " + std::to_string (r.controller)
         + ", " + std::to_string (r.note) + "}";
}

class MidiPanelTest : public KitTest
{
protected:
    MidiPanelTest()
    {
        editor.addAndMakeVisible (panel);
        panel.setTopLeftPosition (60, 240);
    }

    void pressAndRelease (juce::Button& b)
    {
        press (b, 5.0f, 5.0f);
        release (b, 5.0f, 5.0f);
    }

    SpyEffect effect;
    SpyEditor editor { effect };
    MidiBindComponent panel { &editor };
};
} // namespace

TEST (MidiBindingTable, CellTexts)
{
    struct Row
    {
        MidiBindingRecord r;
        Texts columns;  // columns 2, 3 and 4
    };
    const Row rows[] = {
        { { 0, 5, 7, 60, 0 }, { "-", "-", "-" } },  // no controller: nothing but the name
        { { 1, 3, 7, 60, 0 }, { "3", "Control Change", "7" } },
        { { 2, 16, 0, 64, 0 }, { "16", "Keyboard", "64" } },
        { { 3, 1, 0, 60, 0 }, { "1", "Pitch Wheel", "-" } },
        { { 4, 2, 0, 60, 0 }, { "2", "Program Change", "-" } },
        { { 9, 2, 0, 60, 0 }, { "2", "-", "-" } },  // a type the table does not know
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (show (row.r));
        EXPECT_EQ (MidiBindingCellText (row.r, midiColumnParameter, "Gain"), "Gain");
        const Texts got { MidiBindingCellText (row.r, midiColumnChannel, {}), MidiBindingCellText (row.r, midiColumnType, {}),
                          MidiBindingCellText (row.r, midiColumnValue, {}) };
        EXPECT_EQ (got, row.columns);
    }
}

TEST (MidiBindingTable, MenusOfACell)
{
    juce::PopupMenu menu;
    int shown = -1;

    // Type: "No Controler" first, the current type ticked.
    ASSERT_TRUE (MakeMidiBindingMenu ({ 3, 4, 0, 60, 0 }, midiColumnType, menu, shown));
    EXPECT_EQ (describe (menu), (Texts { "5 No Controler", "1 Control Change", "2 Keyboard", "3 Pitch Wheel*", "4 Program Change" }));

    // Channel: 16 items opening on the channel, none ticked without a binding.
    menu = {};
    ASSERT_TRUE (MakeMidiBindingMenu ({ 1, 4, 7, 60, 0 }, midiColumnChannel, menu, shown));
    const auto channels = describe (menu);
    ASSERT_EQ (channels.size(), 16u);
    EXPECT_EQ (channels[3], "4 4*");
    EXPECT_EQ (shown, 4);
    menu = {};
    ASSERT_TRUE (MakeMidiBindingMenu ({ 0, 4, 7, 60, 0 }, midiColumnChannel, menu, shown));
    EXPECT_EQ (describe (menu)[3], "4 4");
    EXPECT_EQ (shown, 0);

    // Value: items 1..128 for the numbers 0..127, the controller or note ticked.
    menu = {};
    ASSERT_TRUE (MakeMidiBindingMenu ({ 2, 1, 0, 61, 0 }, midiColumnValue, menu, shown));
    const auto notes = describe (menu);
    ASSERT_EQ (notes.size(), 128u);
    EXPECT_EQ (notes.front(), "1 0");
    EXPECT_EQ (notes[61], "62 61*");
    EXPECT_EQ (shown, 62);

    // No menu: the name, and the value of a pitch wheel or program change.
    for (auto [r, column] : { std::pair<MidiBindingRecord, int> { { 1, 1, 7, 60, 0 }, midiColumnParameter },
                              { { 3, 1, 0, 60, 0 }, midiColumnValue },
                              { { 4, 1, 0, 60, 0 }, midiColumnValue },
                              { { 0, 1, 0, 60, 0 }, midiColumnValue } })
    {
        menu = {};
        EXPECT_FALSE (MakeMidiBindingMenu (r, column, menu, shown)) << show (r) << " column " << column;
        EXPECT_EQ (menu.getNumItems(), 0);
    }
}

TEST (MidiBindingTable, MenuChoicesEditOneField)
{
    struct Row
    {
        MidiBindingRecord before;
        int column, choice;
        MidiBindingRecord after;
        bool applied;
    };
    const Row rows[] = {
        { { 1, 3, 7, 60, 0 }, midiColumnChannel, 12, { 1, 12, 7, 60, 0 }, true },
        { { 1, 3, 7, 60, 0 }, midiColumnType, 5, { 0, 3, 7, 60, 0 }, true },  // "No Controler"
        { { 0, 3, 7, 60, 0 }, midiColumnType, 2, { 2, 3, 7, 60, 0 }, true },
        { { 1, 3, 7, 60, 0 }, midiColumnValue, 65, { 1, 3, 64, 60, 0 }, true },  // the item "64"
        { { 2, 3, 0, 60, 0 }, midiColumnValue, 1, { 2, 3, 0, 0, 0 }, true },     // note 0
        { { 3, 3, 0, 60, 0 }, midiColumnValue, 65, { 3, 3, 0, 60, 0 }, false },  // pitch wheel: no value
        { { 1, 3, 7, 60, 0 }, midiColumnChannel, 0, { 1, 3, 7, 60, 0 }, false }, // dismissed
        { { 1, 3, 7, 60, 0 }, midiColumnChannel, 17, { 1, 3, 7, 60, 0 }, false },
        { { 1, 3, 7, 60, 0 }, midiColumnType, 6, { 1, 3, 7, 60, 0 }, false },
        { { 1, 3, 7, 60, 0 }, midiColumnValue, 129, { 1, 3, 7, 60, 0 }, false },
        { { 1, 3, 7, 60, 0 }, midiColumnParameter, 1, { 1, 3, 7, 60, 0 }, false },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (show (row.before) + " column " + std::to_string (row.column) + " choice " + std::to_string (row.choice));
        MidiBinding b;
        b.store (row.before);
        EXPECT_EQ (ApplyMidiBindingChoice (b, row.column, row.choice), row.applied);
        EXPECT_TRUE (sameRecord (b.load(), row.after)) << show (b.load());
    }
}

TEST_F (MidiPanelTest, TableClicksEditTheLiveRecord)
{
    MidiViewComponent table (&effect);
    table.setSize (418, 600);
    EXPECT_EQ (table.getNumRows(), effect.getMyNumParameters());

    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    effect.getMidiBinding (1)->store ({ 1, 3, 7, 60, 0 });

    menus.answer = 65;  // "64"
    table.cellClicked (1, midiColumnValue, mouseAt (table, 10, 10));
    EXPECT_EQ (menus.shown, 1);
    EXPECT_EQ (menus.itemToShow, 8);
    EXPECT_EQ (effect.getMidiBinding (1)->controller.load(), 64);

    // While the menu is open MIDI learn binds the row to a keyboard note: the
    // channel chosen is stored into that binding, which stays whole.
    menus.whileShown = [this] { effect.getMidiBinding (1)->store ({ 2, 9, 0, 72, 0 }); };
    menus.answer = 5;
    table.cellClicked (1, midiColumnChannel, mouseAt (table, 10, 10));
    EXPECT_TRUE (sameRecord (effect.getMidiBinding (1)->load(), { 2, 5, 0, 72, 0 })) << show (effect.getMidiBinding (1)->load());
    menus.whileShown = nullptr;

    // A pitch-wheel row has no menu in its fourth column; rows past the table
    // and the name column do nothing.
    effect.getMidiBinding (2)->store ({ 3, 1, 0, 60, 0 });
    const int before = menus.shown;
    table.cellClicked (2, midiColumnValue, mouseAt (table, 10, 10));
    table.cellClicked (1, midiColumnParameter, mouseAt (table, 10, 10));
    table.cellClicked (effect.getMyNumParameters(), midiColumnChannel, mouseAt (table, 10, 10));
    EXPECT_EQ (menus.shown, before);
    EXPECT_TRUE (sameRecord (effect.getMidiBinding (2)->load(), { 3, 1, 0, 60, 0 }));
}

TEST_F (MidiPanelTest, LearnModeRefreshShowsTheParameterAndItsMessage)
{
    EXPECT_EQ (panel.getWidth(), 274);
    EXPECT_EQ (panel.getHeight(), 50);
    EXPECT_EQ (panel.messageValue->getText(), "Gain");

    // Outside learn mode the refresh changes nothing.
    effect.setParameterNotifyingHost (1, 0.25f);
    panel.updateParametersFromFilter();
    EXPECT_EQ (panel.parameterValue->getText(), "");
    EXPECT_EQ (panel.messageValue->getText(), "Gain");

    effect.setMidiBind (true);
    effect.setParameterNotifyingHost (1, 0.25f);
    const uint8_t volumeOnChannel3[] = { 0xb2, 7, 100 };
    effect.applyMidiMessage (volumeOnChannel3, 3);
    panel.updateParametersFromFilter();
    EXPECT_EQ (panel.parameterValue->getText(), "Mix");
    EXPECT_EQ (panel.messageValue->getText(), "3 : Main Volume");
}

TEST_F (MidiPanelTest, UnBindActsAtThePressAndOnlyInLearnMode)
{
    effect.getMidiBinding (1)->store ({ 1, 3, 7, 60, 0 });

    effect.setParameterNotifyingHost (1, 0.25f);
    pressAndRelease (*panel.unbindButton);
    EXPECT_EQ (effect.getMidiBinding (1)->type.load(), 1);

    effect.setMidiBind (true);
    effect.setParameterNotifyingHost (1, 0.25f);
    press (*panel.unbindButton, 5.0f, 5.0f);
    EXPECT_EQ (effect.getMidiBinding (1)->type.load(), 0);

    // The release click does nothing: a binding learnt in between stays.
    effect.getMidiBinding (1)->type.store (1);
    release (*panel.unbindButton, 5.0f, 5.0f);
    EXPECT_EQ (effect.getMidiBinding (1)->type.load(), 1);
}

TEST_F (MidiPanelTest, ResetAllAsksFirst)
{
    AnsweringDialogs dialogs;
    ScopedDialogs scope (dialogs);
    for (int i = 0; i < effect.getMyNumParameters(); ++i)
        effect.getMidiBinding (i)->store ({ 1, 1, i, 60, 0 });

    dialogs.answer = false;
    pressAndRelease (*panel.resetAllButton);
    ASSERT_EQ (dialogs.questions.size(), 1);  // the release asks nothing
    EXPECT_EQ (dialogs.questions[0], "Reset All MIDI Bindings | Press 'OK' to reset all MIDI Bindings | OK | Cancel");
    for (int i = 0; i < effect.getMyNumParameters(); ++i)
        EXPECT_EQ (effect.getMidiBinding (i)->type.load(), 1) << i;

    dialogs.answer = true;
    pressAndRelease (*panel.resetAllButton);
    for (int i = 0; i < effect.getMyNumParameters(); ++i)
        EXPECT_EQ (effect.getMidiBinding (i)->type.load(), 0) << i;
}

TEST_F (MidiPanelTest, CloseHidesThePanelAndEndsLearnMode)
{
    effect.setMidiBind (true);
    pressAndRelease (*panel.closeButton);
    EXPECT_FALSE (panel.isVisible());
    EXPECT_FALSE (effect.isMidiBind());
}

TEST_F (MidiPanelTest, ViewOpensTheTableWindowUntilItIsClosed)
{
    ignoreXErrorsLikeAnApplication();
    effect.setMidiBind (true);
    effect.getMidiBinding (0)->store ({ 1, 3, 7, 60, 0 });
    effect.getMidiBinding (1)->store ({ 2, 16, 0, 64, 0 });
    effect.getMidiBinding (2)->store ({ 3, 1, 0, 60, 0 });
    effect.getMidiBinding (3)->store ({ 4, 2, 0, 60, 0 });

    press (*panel.viewButton, 5.0f, 5.0f);
    EXPECT_FALSE (panel.isVisible());
    EXPECT_FALSE (effect.isMidiBind());

    juce::Component::SafePointer<MidiView> view (panel.getBindingView());
    ASSERT_NE (view, nullptr);
    EXPECT_TRUE (view->isOnDesktop());
    EXPECT_TRUE (view->isCurrentlyModal (false));
    EXPECT_TRUE (view->isAlwaysOnTop());
    EXPECT_EQ (view->getName(), "MIDI Binding");
    auto* table = view->getTableComponent();
    ASSERT_NE (table, nullptr);
    EXPECT_EQ (table->getBounds().getWidth(), 418);
    EXPECT_EQ (table->getNumRows(), effect.getMyNumParameters());
    EXPECT_EQ (table->getTable().getHeader().getColumnName (midiColumnValue), "Parameter");

    // While it is open the editor takes no input.
    EXPECT_TRUE (panel.viewButton->isCurrentlyBlockedByAnotherModalComponent());
    release (*panel.viewButton, 5.0f, 5.0f);  // the release click does nothing
    EXPECT_EQ (panel.getBindingView(), view.getComponent());

    pumpMessages (50);
    writeSnapshot (*table, "midi-binding-table");

    view->closeButtonPressed();
    EXPECT_TRUE (pumpUntil ([&] { return view == nullptr; }, 2000));
    EXPECT_EQ (panel.getBindingView(), nullptr);
    EXPECT_FALSE (panel.viewButton->isCurrentlyBlockedByAnotherModalComponent());
}

TEST_F (MidiPanelTest, Snapshot)
{
    effect.setMidiBind (true);
    effect.setParameterNotifyingHost (1, 0.25f);
    const uint8_t volumeOnChannel3[] = { 0xb2, 7, 100 };
    effect.applyMidiMessage (volumeOnChannel3, 3);
    panel.updateParametersFromFilter();
    writeSnapshot (panel, "midi-learn-panel");
}

TEST_F (MidiPanelTest, ResetAllWithoutADisplayAsksNothingAndChangesNothing)
{
    // The system's own dialogs: with no display the question answers Cancel
    // at once, and no window is opened.
    const juce::String display (std::getenv ("DISPLAY"));
    ::unsetenv ("DISPLAY");
    effect.getMidiBinding (0)->store ({ 1, 1, 7, 60, 0 });
    pressAndRelease (*panel.resetAllButton);
    if (display.isNotEmpty())
        ::setenv ("DISPLAY", display.toRawUTF8(), 1);
    EXPECT_EQ (effect.getMidiBinding (0)->type.load(), 1);
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
}

TEST (MidiBindPanel, DeletedWithItsTableWindowOpenOrClosing)
{
    ignoreXErrorsLikeAnApplication();
    juce::SharedResourcePointer<SharedDefaultLookAndFeel> lookAndFeel;
    SpyEffect effect;
    SpyEditor editor (effect);

    for (const bool closing : { false, true })
    {
        SCOPED_TRACE (closing ? "closing" : "open");
        auto panel = std::make_unique<MidiBindComponent> (&editor);
        editor.addAndMakeVisible (*panel);
        press (*panel->viewButton, 5.0f, 5.0f);
        juce::Component::SafePointer<MidiView> view (panel->getBindingView());
        ASSERT_NE (view, nullptr);
        if (closing)
            view->closeButtonPressed();  // its deletion is still pending
        panel.reset();
        EXPECT_EQ (view, nullptr);
        pumpMessages (50);
        EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    }
}
