// The buttons: push clicks at press and release, toggles, the agitation
// button's menu and its action message.
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
struct ClickRecorder : juce::Button::Listener
{
    void buttonClicked (juce::Button* b) override
    {
        clicks.push_back (std::string (b->isDown() ? "down" : "up") + (b->getToggleState() ? " on" : " off"));
    }
    std::vector<std::string> clicks;
};

struct ActionRecorder : juce::ActionListener
{
    void actionListenerCallback (const juce::String& m) override { messages.push_back (m); }
    std::vector<juce::String> messages;
};

using Log = std::vector<std::string>;
} // namespace

TEST (MyJuceSimpleTextButton, PushButtonClicksAtPressAndRelease)
{
    MyJuceSimpleTextButton button ("push");
    button.setSize (60, 20);
    button.setVisible (true);  // the library presses only visible buttons
    button.setParams ("Go", "", false, true);
    ClickRecorder r;
    button.addListener (&r);

    press (button, 10.0f, 10.0f);
    drag (button, 200.0f, 200.0f);     // out of the bounds
    release (button, 200.0f, 200.0f);  // still a release click
    EXPECT_EQ (r.clicks, (Log { "down off", "up off" }));

    // Disabled: no click at all.
    r.clicks.clear();
    button.setEnabled (false);
    press (button, 10.0f, 10.0f);
    release (button, 10.0f, 10.0f);
    EXPECT_TRUE (r.clicks.empty());
}

TEST (MyJuceSimpleTextButton, ToggleButtonClicksOnceAtThePress)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.takeLog();

    press (editor.button, 10.0f, 10.0f);
    release (editor.button, 10.0f, 10.0f);
    EXPECT_TRUE (editor.button.getToggleState());
    EXPECT_EQ (editor.clicks, (std::vector<juce::String> { "switch down" }));
    EXPECT_EQ (effect.takeLog(), (Log { "begin 3", "set 3 1.000", "end 3" }));

    press (editor.button, 10.0f, 10.0f);
    release (editor.button, 10.0f, 10.0f);
    EXPECT_FALSE (editor.button.getToggleState());
}

TEST (MySelectAgitButton, ActionStringsAndMenu)
{
    CommaLocaleScope locale;  // the message must carry a point whatever the locale

    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    MySelectAgitButton button ("agitation");
    button.setSize (60, 20);
    button.setParams ("Agit", "Agit", true, true);
    button.paramIndex = 93;
    ActionRecorder actions;
    button.addActionListener (&actions);
    ClickRecorder clicks;
    button.addListener (&clicks);

    button.setNumItems (0);
    button.setNumItems (5);
    EXPECT_EQ (button.getNumItems(), 4);
    button.setNumItems (3);

    struct Case
    {
        bool on;
        int choice;
        const char* message;
    };
    const Case cases[] = {
        { false, 2, "ChangeAgitation 93 0.142857" },
        { true, 2, "ChangeAgitation 93 0.857143" },
        { true, 1, "ChangeAgitation 93 1.000000" },
        { false, 3, "ChangeAgitation 93 0.285714" },
    };
    for (const auto& c : cases)
    {
        button.setToggleState (c.on, juce::dontSendNotification);
        menus.answer = c.choice;
        press (button, 5.0f, 5.0f, right);
        release (button, 5.0f, 5.0f, right);
        pumpUntil ([&] { return ! actions.messages.empty(); });
        ASSERT_EQ (actions.messages.size(), 1u);
        EXPECT_EQ (actions.messages.front(), c.message);
        EXPECT_EQ (button.getAgitation(), c.choice);
        EXPECT_EQ (button.getToggleState(), c.on);  // the menu does not toggle
        actions.messages.clear();
    }
    EXPECT_TRUE (clicks.clicks.empty());  // nor click

    // The menu: "Agitation 1" to "Agitation 3", the current one ticked without swatch.
    ASSERT_EQ (menus.items.size(), 3u);
    EXPECT_EQ (menus.texts(), (std::vector<juce::String> { "Agitation 1", "Agitation 2", "Agitation 3" }));
    EXPECT_TRUE (menus.items[0].ticked);  // agitation 1 was current when it showed
    EXPECT_FALSE (menus.items[0].hasImage);
    EXPECT_FALSE (menus.items[1].ticked);
    EXPECT_TRUE (menus.items[1].hasImage);
    EXPECT_TRUE (menus.items[2].hasImage);
    EXPECT_EQ (menus.itemToShow, 1);
    EXPECT_EQ (menus.columns, 4);
    EXPECT_EQ (menus.itemHeight, 16);

    // Without a parameter index nothing is sent, but the choice is kept.
    button.paramIndex = -1;
    menus.answer = 1;
    press (button, 5.0f, 5.0f, right);
    pumpMessages();
    EXPECT_TRUE (actions.messages.empty());
    EXPECT_EQ (button.getAgitation(), 1);

    // Dismissed: nothing changes.
    menus.answer = 0;
    press (button, 5.0f, 5.0f, right);
    EXPECT_EQ (button.getAgitation(), 1);
    button.removeActionListener (&actions);
}

TEST (MySelectAgitButton, ValueRoundTripsThroughStateAndAgitation)
{
    MySelectAgitButton button ("agitation");
    for (bool on : { false, true })
    {
        for (int g = 0; g < 4; ++g)
        {
            const float v = (float) (on ? 7 - g : g) / 7.0f;
            button.setValue (v);
            EXPECT_EQ (button.getToggleState(), on);
            EXPECT_EQ (button.getAgitation(), g + 1);
            EXPECT_FLOAT_EQ (button.getAgitationID(), v);
        }
    }
}

TEST (MySelectAgitButton, ClickInTheEditorSetsTheAgitationParameter)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.takeLog();
    press (editor.agitButton, 5.0f, 5.0f);
    release (editor.agitButton, 5.0f, 5.0f);
    EXPECT_TRUE (editor.agitButton.getToggleState());
    EXPECT_EQ (effect.takeLog(), (Log { "set 5 1.000" }));
}
