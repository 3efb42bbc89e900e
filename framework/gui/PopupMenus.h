#pragma once
// Pop-up menus of the widget kit behind one small interface, like the
// dialogs: the default shows JUCE's modal menu (JUCE_MODAL_LOOPS_PERMITTED=1);
// tests install their own, which looks at the menu and answers at once.
// All menus of the kit share one look (MenuLook): black background, text
// 0xffffd79d, dark red highlight.
// Threads: message thread only (showing menus and install()).
#include <juce_gui_basics/juce_gui_basics.h>

class PopupMenus
{
public:
    virtual ~PopupMenus() = default;

    // Shows the menu and returns the chosen item's identifier, 0 when dismissed.
    virtual int show (juce::PopupMenu& menu, const juce::PopupMenu::Options& options) = 0;

    // The menus in force: the installed ones, or JUCE's modal menu.
    static PopupMenus& get();
    // Installs m (not owned; null restores JUCE's menu). Returns the previous one.
    static PopupMenus* install (PopupMenus* m);
};

// Installs some menus for the life of a scope (tests).
class ScopedPopupMenus
{
public:
    explicit ScopedPopupMenus (PopupMenus& m) : previous (PopupMenus::install (&m)) {}
    ~ScopedPopupMenus() { PopupMenus::install (previous); }
    ScopedPopupMenus (const ScopedPopupMenus&) = delete;
    ScopedPopupMenus& operator= (const ScopedPopupMenus&) = delete;

private:
    PopupMenus* previous;
};

// The look every menu of the kit is shown with; lives while its menu shows.
// Text colour of value labels and of every menu of the kit.
constexpr juce::uint32 kMenuTextColour = 0xffffd79d;

class MenuLook : public juce::LookAndFeel_V2
{
public:
    explicit MenuLook (juce::Colour background = juce::Colours::black,
                       juce::Colour text = juce::Colour (kMenuTextColour));
};

// Shows menu with the kit's look through the menus in force: itemToShow made
// visible, no minimum width, at most 4 columns, the given item height.
int ShowKitMenu (juce::PopupMenu& menu, int itemToShow, int itemHeight,
                 juce::Colour background = juce::Colours::black,
                 juce::Colour text = juce::Colour (kMenuTextColour));
