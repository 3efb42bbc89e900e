// The kit's pop-up menus never hold the caller: a click shows the menu and
// returns; the choice is applied when the menu answers, later, and dropped
// when the widget is gone by then.
#include "Dialogs.h"
#include "GuiTestSupport.h"
#include "MyJuceButtons.h"
#include "MyJucePopup.h"

using namespace guitest;

namespace
{
// A pop-up and an agitation button, each with what a click on it shows and
// what the test reads back as its state.
struct Widget
{
    const char* name;
    std::function<std::unique_ptr<juce::Component>()> make;
    juce::ModifierKeys mods;
    std::function<int (juce::Component&)> state;
};

std::vector<Widget> widgets()
{
    return {
        { "MyJucePopup",
          []
          {
              auto p = std::make_unique<MyJucePopup> ("popup", "");
              for (auto* t : { "A", "B", "C" })
                  p->addItemText (t);
              p->setValue (0.0f, true);
              return std::unique_ptr<juce::Component> (std::move (p));
          },
          left, [] (juce::Component& c) { return static_cast<MyJucePopup&> (c).getSelected() + 1; } },
        { "MySelectAgitButton",
          []
          {
              auto b = std::make_unique<MySelectAgitButton> ("agitation");
              b->setParams ("Agit", "Agit", true, true);
              b->setNumItems (3);
              return std::unique_ptr<juce::Component> (std::move (b));
          },
          right, [] (juce::Component& c) { return static_cast<MySelectAgitButton&> (c).getAgitation(); } },
    };
}
} // namespace

TEST_F (KitTest, MenuChoicesAreAppliedOnlyWhenTheMenuAnswers)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    menus.holdAnswers = true;

    for (const auto& w : widgets())
    {
        SCOPED_TRACE (w.name);
        auto c = w.make();
        c->setSize (60, 20);
        ASSERT_EQ (w.state (*c), 1);

        const int shown = menus.shown;
        press (*c, 5.0f, 5.0f, w.mods);  // returns with the menu still open
        release (*c, 5.0f, 5.0f, w.mods);
        EXPECT_EQ (menus.shown, shown + 1);
        EXPECT_EQ (menus.pending.size(), 1u);
        EXPECT_EQ (w.state (*c), 1);

        menus.answer = 3;
        ASSERT_TRUE (menus.reply());
        EXPECT_EQ (w.state (*c), 3);

        // An answer that arrives after the widget is gone is dropped.
        press (*c, 5.0f, 5.0f, w.mods);
        ASSERT_EQ (menus.pending.size(), 1u);
        c.reset();
        menus.answer = 2;
        EXPECT_TRUE (menus.reply());
        pumpMessages();
    }
}

TEST_F (KitTest, JuceMenuShowsWithoutAModalLoop)
{
    if (! Dialogs::displayAvailable())
        GTEST_SKIP() << "no display";

    auto& modal = *juce::ModalComponentManager::getInstance();
    const int before = modal.getNumModalComponents();
    for (const auto& w : widgets())
    {
        SCOPED_TRACE (w.name);
        auto c = w.make();
        c->setSize (60, 20);

        // The click returns while the menu is up: the menu is modal to the
        // other windows but nothing waits for it.
        press (*c, 5.0f, 5.0f, w.mods);
        release (*c, 5.0f, 5.0f, w.mods);
        EXPECT_EQ (modal.getNumModalComponents(), before + 1);

        EXPECT_TRUE (juce::PopupMenu::dismissAllActiveMenus());
        EXPECT_TRUE (pumpUntil ([&] { return modal.getNumModalComponents() == before; }));
        EXPECT_EQ (w.state (*c), 1);  // dismissed: nothing changes

        // The widget deleted under its open menu closes the menu.
        press (*c, 5.0f, 5.0f, w.mods);
        EXPECT_EQ (modal.getNumModalComponents(), before + 1);
        c.reset();
        EXPECT_TRUE (pumpUntil ([&] { return modal.getNumModalComponents() == before; }));
    }
}
