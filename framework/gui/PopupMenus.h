#pragma once
// Pop-up menus of the widget kit behind one small interface, like the
// dialogs: the default shows JUCE's asynchronous menu, so no modal loop ever
// runs (in a plug-in, a host's UI thread must not be held); tests install
// their own, which looks at the menu and answers.
// All menus of the kit share one look (MenuLook): black background, text
// 0xffffd79d, dark red highlight.
// Threads: message thread only (showing menus and install()).
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

class PopupMenus
{
public:
    virtual ~PopupMenus() = default;

    // Shows the menu and returns at once; `done` gets the chosen item's
    // identifier (0 when dismissed) once the menu closes, on the message thread.
    virtual void showAsync (juce::PopupMenu& menu, const juce::PopupMenu::Options& options,
                            std::function<void (int chosen)> done) = 0;

    // The menus in force: the installed ones, or JUCE's asynchronous menu.
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

// The look every menu of the kit is shown with; kept alive while its menu shows.
// Text colour of value labels and of every menu of the kit.
constexpr juce::uint32 kMenuTextColour = 0xffffd79d;

class MenuLook : public juce::LookAndFeel_V2
{
public:
    explicit MenuLook (juce::Colour background = juce::Colours::black,
                       juce::Colour text = juce::Colour (kMenuTextColour));
};

// Shows menu with the kit's look through the menus in force: itemToShow made
// visible, no minimum width, at most 4 columns, the given item height. Returns
// at once; `apply` gets the chosen identifier (0 when dismissed) when the menu
// closes, only if `owner` still exists then (a menu left open while its
// component is deleted is closed and its answer dropped).
void ShowKitMenu (juce::Component& owner, juce::PopupMenu& menu, int itemToShow, int itemHeight,
                  std::function<void (int chosen)> apply,
                  juce::Colour background = juce::Colours::black,
                  juce::Colour text = juce::Colour (kMenuTextColour));
