// The preset bar (layout, clicks and their codes delivered one by one,
// clipboard copy and paste) and the super slider's cells.
#include "GuiTestSupport.h"
#include "PresetText.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
using Log = std::vector<std::string>;

juce::Point<float> centreOf (juce::Rectangle<float> r) { return r.getCentre(); }

void clickSlot (MyJucePresets& bar, int slot, juce::ModifierKeys mods = left)
{
    const auto p = centreOf (bar.getSlotRect (slot));
    press (bar, p.x, p.y, mods);
    release (bar, p.x, p.y, mods);
}

// A preset text of the spy effect for slot with every float set to value.
juce::String presetTextOf (SpyEffect& effect, int slot, float value)
{
    std::vector<float> bytes ((size_t) effect.n, value);
    return MakePresetText (effect.getPresetProductWord(), slot,
                           reinterpret_cast<const unsigned char*> (bytes.data()), effect.getPresetSize());
}
} // namespace

TEST (MyJucePresets, LayoutOfA100By180Bar)
{
    MyJucePresets bar ("presets");
    bar.setBounds (0, 0, 100, 180);
    EXPECT_EQ (bar.getSlotRect (0), juce::Rectangle<float> (1, 1, 46, 18));
    EXPECT_EQ (bar.getSlotRect (7), juce::Rectangle<float> (1, 141, 46, 18));
    EXPECT_EQ (bar.getSlotRect (8), juce::Rectangle<float> (53, 1, 46, 18));
    EXPECT_EQ (bar.getStatusRect(), juce::Rectangle<float> (0, 161, 100, 20));
}

TEST (MyJucePresets, ClicksReportActionsStatusAndStates)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    auto& bar = editor.presets;
    effect.takeLog();

    struct Case
    {
        int slot;
        int mods;
        int action;
        const char* status;
        int state;
        const char* log;
    };
    const Case cases[] = {
        { 4, juce::ModifierKeys::commandModifier | juce::ModifierKeys::altModifier, 1, "Save 5", 1, "preset 4 1" },
        { 2, juce::ModifierKeys::altModifier | juce::ModifierKeys::shiftModifier, 2, "Reset 3", 0, "preset 2 2" },
        { 9, juce::ModifierKeys::shiftModifier, 3, "Load 10", 3, "preset 9 3" },
    };
    for (const auto& c : cases)
    {
        clickSlot (bar, c.slot, leftWith (c.mods));
        EXPECT_EQ (bar.getStatusText(), c.status);
        EXPECT_EQ (bar.getState (c.slot), c.state);
        pumpUntil ([&] { return bar.getNumPendingClicks() == 0; });
        EXPECT_EQ (bar.lastSlot, c.slot);
        EXPECT_EQ (bar.lastAction, c.action);
        EXPECT_EQ (effect.takeLog(), (Log { c.log }));
    }

    // A plain click loads: the preset parameter inside a gesture.
    clickSlot (bar, 6);
    EXPECT_EQ (bar.getStatusText(), "Load 7");
    pumpUntil ([&] { return bar.getNumPendingClicks() == 0; });
    EXPECT_EQ (effect.takeLog(), (Log { "begin 4", "set 4 0.400", "end 4" }));

    // The status line stops the interpolation and keeps the last slot.
    const auto s = bar.getStatusRect().getCentre();
    press (bar, s.x, s.y);
    release (bar, s.x, s.y);
    pumpUntil ([&] { return bar.getNumPendingClicks() == 0; });
    EXPECT_EQ (bar.lastAction, 4);
    EXPECT_EQ (bar.lastSlot, 6);
    EXPECT_EQ (effect.takeLog(), (Log { "stop" }));
}

TEST (MyJucePresets, ASaveFollowedQuicklyByALoadAreBothDelivered)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.takeLog();

    clickSlot (editor.presets, 3, leftWith (juce::ModifierKeys::commandModifier));
    clickSlot (editor.presets, 3);
    EXPECT_EQ (editor.presets.getNumPendingClicks(), 2);
    pumpUntil ([&] { return editor.presetClicks.size() >= 2; });
    EXPECT_EQ (editor.presetClicks, (std::vector<std::pair<int, int>> { { 3, 1 }, { 3, 0 } }));
    EXPECT_EQ (effect.takeLog(), (Log { "preset 3 1", "begin 4", "set 4 0.200", "end 4" }));
}

TEST (MyJucePresets, DraggingMovesOrCancelsTheArmedSlot)
{
    MyJucePresets bar ("presets");
    bar.setBounds (0, 0, 100, 180);
    int changes = 0;
    struct Counter : juce::ChangeListener
    {
        explicit Counter (int& c) : count (c) {}
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
        int& count;
    } counter (changes);
    bar.addChangeListener (&counter);

    const auto p3 = centreOf (bar.getSlotRect (2));
    const auto p4 = centreOf (bar.getSlotRect (3));
    press (bar, p3.x, p3.y);
    EXPECT_TRUE (bar.isHot (2));
    drag (bar, p4.x, p4.y);
    EXPECT_FALSE (bar.isHot (2));
    EXPECT_TRUE (bar.isHot (3));
    release (bar, p4.x, p4.y);
    pumpUntil ([&] { return changes == 1; });
    EXPECT_EQ (bar.lastSlot, 3);

    press (bar, p3.x, p3.y);
    drag (bar, 300.0f, 20.0f);  // left the bar: cancelled
    release (bar, 300.0f, 20.0f);
    pumpMessages();
    EXPECT_EQ (changes, 1);
    EXPECT_FALSE (bar.isHot (2));
    bar.removeChangeListener (&counter);
}

TEST (MyJucePresets, StatusTextFromThePresetValue)
{
    MyJucePresets bar ("presets");
    bar.setText (0.2f, true);
    EXPECT_EQ (bar.getStatusText(), "Load 4");
    bar.setText (1.5f, true);
    bar.setText (-0.1f, true);
    bar.setText (0.8f, false);
    EXPECT_EQ (bar.getStatusText(), "Load 4");
    bar.setText (1.0f, true);
    EXPECT_EQ (bar.getStatusText(), "Load 16");
}

TEST (MyJucePresets, CopyAndPasteThroughTheClipboard)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    SpyEffect effect;
    SpyEditor editor (effect);
    auto& bar = editor.presets;
    effect.takeLog();
    const auto slot3 = centreOf (bar.getSlotRect (2));

    // Copy: the slot's preset text goes to the clipboard.
    juce::SystemClipboard::copyTextToClipboard ("nothing to paste");
    menus.answer = 1;
    press (bar, slot3.x, slot3.y, right);
    EXPECT_EQ (menus.texts(), (std::vector<juce::String> { "Copy preset 3" }));
    EXPECT_EQ (menus.itemToShow, 1);
    EXPECT_EQ (menus.itemHeight, 15);
    EXPECT_EQ (juce::SystemClipboard::getTextFromClipboard(), effect.getPresetString (2));

    // Paste: a valid text of another slot is offered and written into this one.
    const auto text = presetTextOf (effect, 11, 0.625f);
    juce::SystemClipboard::copyTextToClipboard (text);
    menus.answer = 2;
    const auto slot5 = centreOf (bar.getSlotRect (4));
    press (bar, slot5.x, slot5.y, right);
    EXPECT_EQ (menus.texts(), (std::vector<juce::String> { "Copy preset 5", "--", "Paste preset 12" }));
    EXPECT_EQ (effect.getPresetString (4), presetTextOf (effect, 4, 0.625f));
    EXPECT_EQ (effect.takeLog(), (Log { "preset 4 5" }));
    pumpMessages();
    EXPECT_EQ (editor.presetClicks.size(), 0u);  // the menu path sends no click

    // Malformed texts are not offered.
    const juce::String malformed[] = {
        text.replaceFirstOccurrenceOf ("Selvo", "selvo").replaceFirstOccurrenceOf ("Quarn", "quarn"),
        text.dropLastCharacters (1),
        text.replaceSection (text.length() - 2, 2, "zz"),
        "Selvo 3",
    };
    for (const auto& m : malformed)
    {
        juce::SystemClipboard::copyTextToClipboard (m);
        press (bar, slot5.x, slot5.y, right);
        EXPECT_EQ (menus.items.size(), 1u) << m;
    }

    // A clipboard that turns malformed while the menu is open is refused.
    juce::SystemClipboard::copyTextToClipboard (presetTextOf (effect, 0, 0.125f));
    menus.whileShown = [] { juce::SystemClipboard::copyTextToClipboard ("Selvo 1 zz zz"); };
    press (bar, slot5.x, slot5.y, right);
    EXPECT_EQ (menus.items.size(), 3u);
    EXPECT_EQ (effect.getPresetString (4), presetTextOf (effect, 4, 0.625f));
    EXPECT_TRUE (effect.takeLog().empty());
}

TEST (MyJucePresets, NoMenuWithoutAnEffectAndNoHoverAfterAMenu)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    MyJucePresets bar ("presets");
    bar.setBounds (0, 0, 100, 180);
    const auto p = centreOf (bar.getSlotRect (1));
    press (bar, p.x, p.y, right);
    EXPECT_EQ (menus.shown, 0);

    SpyEffect effect;
    bar.effect = &effect;
    press (bar, p.x, p.y, right);
    release (bar, p.x, p.y, right);
    EXPECT_EQ (menus.shown, 1);
    bar.mouseMove (mouseAt (bar, p.x, p.y, {}));
    EXPECT_FALSE (bar.isHot (1));  // hovering shows nothing until the next press
    press (bar, p.x, p.y);
    EXPECT_TRUE (bar.isHot (1));
}

//==============================================================================
TEST (MyJuceSuperPreset, CellsStepWithinTheirLimits)
{
    MyJuceSuperPreset cells ("super");
    cells.setBounds (0, 0, 260, 18);
    EXPECT_EQ (cells.getCellRect (0), juce::Rectangle<float> (0, 0, 18, 18));
    EXPECT_EQ (cells.getCellRect (7), juce::Rectangle<float> (242, 0, 18, 18));
    EXPECT_EQ (cells.getCellRect (3), juce::Rectangle<float> (103, 0, 18, 18));

    struct Case
    {
        int cell;
        long start;
        float dy;
        long expected;
    };
    const Case cases[] = {
        { 2, 15, -10.0f, 15 },  // top stays
        { 2, 14, -10.0f, 15 },
        { 3, 0, 10.0f, -1 },    // off
        { 3, -1, 10.0f, -1 },
        { 0, 0, 10.0f, 0 },     // the end cells are never off
        { 7, 0, 10.0f, 0 },
        { 5, 4, 3.0f, 4 },      // within the dead band
    };
    for (const auto& c : cases)
    {
        cells.SetState (c.cell, c.start);
        const auto centre = cells.getCellRect (c.cell).getCentre();
        press (cells, centre.x, centre.y);
        EXPECT_EQ (cells.getSelectedCell(), c.cell);
        drag (cells, centre.x, centre.y + c.dy);
        release (cells, centre.x, centre.y + c.dy);
        EXPECT_EQ (cells.GetState (c.cell), c.expected) << c.cell << " from " << c.start;
        EXPECT_EQ (cells.getSelectedCell(), -1);
    }

    // Cells outside 0..7 are refused.
    cells.SetState (8, 3);
    cells.SetState (-1, 3);
    EXPECT_EQ (cells.GetState (8), -1);
    EXPECT_EQ (cells.GetState (-1), -1);
}

TEST (MyJuceSuperPreset, DragsReachTheEffect)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.takeLog();
    const auto centre = editor.superPreset.getCellRect (1).getCentre();
    press (editor.superPreset, centre.x, centre.y);
    drag (editor.superPreset, centre.x, centre.y - 6.0f);
    release (editor.superPreset, centre.x, centre.y - 6.0f);
    pumpUntil ([&] { return effect.getSuperState (1) == 2; });
    EXPECT_EQ (effect.getSuperState (1), 2);
}
