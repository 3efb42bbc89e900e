// The value label (action codes, delivered one by one; sync toggle; text
// entry) and the pop-up (menu, value mapping).
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
using Log = std::vector<std::string>;

struct ActionRecorder : juce::ChangeListener
{
    explicit ActionRecorder (MyJuceLabel& l) : label (l) { label.addChangeListener (this); }
    ~ActionRecorder() override { label.removeChangeListener (this); }
    void changeListenerCallback (juce::ChangeBroadcaster*) override { actions.push_back ((int) label.action); }
    MyJuceLabel& label;
    std::vector<int> actions;
};
} // namespace

TEST (MyJuceLabel, DragStepsGoThroughTheEditorOnePerEvent)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.takeLog();

    press (editor.label, 10.0f, 10.0f);
    drag (editor.label, 10.0f, -2.0f);   // 12 pixels up in one event: one step
    drag (editor.label, 10.0f, -6.0f);   // 4 more pixels: none
    drag (editor.label, 10.0f, 20.0f);   // 22 pixels down from the new reference: one step
    release (editor.label, 10.0f, 20.0f);

    // All four acts were sent before the editor ran: each still arrives, in order.
    EXPECT_EQ (editor.label.getNumPendingActions(), 4);
    pumpUntil ([&] { return editor.labelActions.size() >= 4; });
    EXPECT_EQ (editor.labelActions, (std::vector<int> { 2, 1, -1, -2 }));
    EXPECT_EQ (editor.steps, (Log { "incr 1", "decr 1" }));
    EXPECT_EQ (effect.takeLog(), (Log { "begin 1", "set 1 0.510", "set 1 0.500", "end 1" }));
}

TEST (MyJuceLabel, ShiftClickTogglesSyncOnlyOnSyncCapableLabels)
{
    MyJuceLabel label ("new label", "0.50");
    label.setSize (60, 18);
    label.setEditable (false, true, false);
    ActionRecorder r (label);
    const auto shift = leftWith (juce::ModifierKeys::shiftModifier);

    // Not sync-capable: a plain press and release.
    press (label, 5.0f, 5.0f, shift);
    release (label, 5.0f, 5.0f, shift);
    pumpUntil ([&] { return r.actions.size() >= 2; });
    EXPECT_EQ (r.actions, (std::vector<int> { 2, -2 }));
    EXPECT_FALSE (label.isSyncOn());

    label.syncCapable = true;
    r.actions.clear();
    press (label, 5.0f, 5.0f, shift);
    drag (label, 5.0f, -20.0f, shift);  // no steps after a toggle
    release (label, 5.0f, -20.0f, shift);
    pumpUntil ([&] { return ! r.actions.empty(); });
    pumpMessages();
    EXPECT_EQ (r.actions, (std::vector<int> { 0 }));
    EXPECT_TRUE (label.isSyncOn());
    EXPECT_FALSE (label.isEditableOnDoubleClick());  // no editing while synced

    press (label, 5.0f, 5.0f, shift);
    release (label, 5.0f, 5.0f, shift);
    pumpUntil ([&] { return r.actions.size() >= 2; });
    EXPECT_FALSE (label.isSyncOn());
    EXPECT_TRUE (label.isEditableOnDoubleClick());

    // The sync colour shows at the next paint.
    label.setSyncMode (true);
    label.createComponentSnapshot (label.getLocalBounds());
    EXPECT_EQ (label.findColour (juce::Label::textColourId), synchroColour);
    label.setSyncMode (false);
    label.createComponentSnapshot (label.getLocalBounds());
    EXPECT_EQ (label.findColour (juce::Label::textColourId), normalColour);
}

TEST (MyJuceLabel, SetTextNotifiesOnlyOnChange)
{
    MyJuceLabel label ("new label", "0.50");
    struct Counter : juce::Label::Listener
    {
        void labelTextChanged (juce::Label*) override { ++count; }
        int count = 0;
    } counter;
    label.juce::Label::addListener (&counter);
    label.setText ("0.50", true);
    EXPECT_EQ (counter.count, 0);
    label.setText ("0.60", true);
    EXPECT_EQ (counter.count, 1);
    label.setText ("0.70", false);
    EXPECT_EQ (counter.count, 1);
    EXPECT_EQ (label.getText(), "0.70");
}

namespace
{
// Types into the label's editor and presses Return (which the text editor
// reports from the message loop).
void typeInto (MyJuceLabel& label, const juce::String& typed)
{
    label.showEditor();
    auto* ed = label.getCurrentTextEditor();
    ASSERT_NE (ed, nullptr);
    ed->selectAll();
    ed->insertTextAtCaret (typed);
    ed->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pumpUntil ([&] { return label.getCurrentTextEditor() == nullptr; });
}

// An editor shown in a window, so that its text editors can take the focus.
void showOnDesktop (juce::Component& c)
{
    ignoreXErrorsLikeAnApplication();
    c.addToDesktop (0);
    c.setVisible (true);
}
} // namespace

TEST (MyJuceLabel, TypedTextIsFilteredAndReachesSetParameter)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    showOnDesktop (editor);
    effect.takeLog();

    typeInto (editor.label, "x0.2a5");  // letters are refused while typing
    EXPECT_EQ (editor.label.getText(), "0.25");
    EXPECT_EQ (editor.label.getCurrentTextEditor(), nullptr);
    EXPECT_EQ (effect.takeLog(), (Log { "set 1 0.250" }));

    typeInto (editor.label, "-1");
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::mix), 0.0f);
}

TEST (MyJuceLabel, TypedTextIsReadWithAPointInACommaLocale)
{
    CommaLocaleScope locale;
    if (! locale.active())
        GTEST_SKIP() << "no decimal-comma locale could be built with localedef";

    SpyEffect effect;
    SpyEditor editor (effect);
    showOnDesktop (editor);
    typeInto (editor.label, "0.75");
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::mix), 0.75f);
    typeInto (editor.label, "0,25");  // the comma cannot be typed: "025", clipped
    EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::mix), 1.0f);
}

//==============================================================================
TEST (MyJucePopup, ValueMapsIndexAndRatio)
{
    MyJucePopup popup ("new label", "");
    EXPECT_EQ (popup.getValue (false), 0.0f);  // no items: no ratio, no fault
    popup.addItemText ("only");
    EXPECT_EQ (popup.getValue (false), 0.0f);  // one item likewise
    for (int i = 2; i <= 12; ++i)
        popup.addItemText ("Item " + juce::String (i));

    popup.setValue (0.5f, false);  // 11 x 0.5 + 0.5 = 6.0
    EXPECT_EQ (popup.getSelected(), 6);
    EXPECT_FLOAT_EQ (popup.getValue (false), 6.0f / 11.0f);
    EXPECT_EQ (popup.getValue (true), 6.0f);
    EXPECT_EQ (popup.getText(), "Item 7");

    popup.setValue (3.0f, true);
    EXPECT_EQ (popup.getCurrentText(), "Item 4");
    popup.setValue (20.0f, true);  // beyond the items: selected, empty text
    EXPECT_EQ (popup.getSelected(), 20);
    EXPECT_EQ (popup.getText(), "");
}

TEST (MyJucePopup, MenuShowsItemsAndReportsAChoice)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);

    MyJucePopup popup ("new label", "");
    popup.addItemText ("Sine");
    popup.addItemText ("");
    popup.addItemText ("Square");
    popup.addItemText ("Noise");
    popup.setActive (3, false);
    popup.setActive (7, false);  // ignored
    popup.setActive (-1, false); // ignored
    popup.setValue (2.0f, true);
    int changes = 0;
    struct Counter : juce::ChangeListener
    {
        explicit Counter (int& c) : count (c) {}
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
        int& count;
    } counter (changes);
    popup.addChangeListener (&counter);

    menus.answer = 1;
    press (popup, 5.0f, 5.0f);
    ASSERT_EQ (menus.items.size(), 4u);
    EXPECT_EQ (menus.texts(), (std::vector<juce::String> { "Sine", "--", "Square", "Noise" }));
    EXPECT_EQ (menus.items[0].id, 1);
    EXPECT_EQ (menus.items[2].id, 3);
    EXPECT_TRUE (menus.items[2].ticked);
    EXPECT_FALSE (menus.items[3].enabled);
    EXPECT_EQ (menus.itemToShow, 3);
    EXPECT_EQ (menus.columns, 4);
    EXPECT_EQ (menus.itemHeight, 16);
    EXPECT_EQ (popup.getSelected(), 0);
    EXPECT_EQ (popup.getText(), "Sine");
    pumpUntil ([&] { return changes == 1; });
    EXPECT_EQ (changes, 1);

    press (popup, 5.0f, 5.0f);  // the same item again still reports
    pumpUntil ([&] { return changes == 2; });
    EXPECT_EQ (changes, 2);

    menus.answer = 0;  // dismissed
    press (popup, 5.0f, 5.0f);
    pumpMessages();
    EXPECT_EQ (changes, 2);

    popup.setEnabled (false);  // a disabled pop-up reports the click and opens nothing
    const int shown = menus.shown;
    press (popup, 5.0f, 5.0f);
    pumpUntil ([&] { return changes == 3; });
    EXPECT_EQ (menus.shown, shown);
    EXPECT_EQ (changes, 3);
    popup.removeChangeListener (&counter);
}

TEST (MyJucePopup, ItemImagesGoWithTheirItems)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    MyJucePopup popup ("new label", "");
    popup.addItem ("Red", new juce::Image (juce::Image::RGB, 8, 8, true));
    popup.addItem ("None", nullptr);
    popup.addItem ("Blue", new juce::Image (juce::Image::RGB, 8, 8, true));
    press (popup, 5.0f, 5.0f);
    ASSERT_EQ (menus.items.size(), 3u);
    EXPECT_TRUE (menus.items[0].hasImage);
    EXPECT_FALSE (menus.items[1].hasImage);
    EXPECT_TRUE (menus.items[2].hasImage);
}
