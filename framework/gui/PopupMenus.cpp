#include "PopupMenus.h"

#if ! JUCE_MODAL_LOOPS_PERMITTED
 #error "The pop-up menus need JUCE_MODAL_LOOPS_PERMITTED=1"
#endif

namespace
{
class JuceMenus : public PopupMenus
{
public:
    int show (juce::PopupMenu& menu, const juce::PopupMenu::Options& options) override
    {
        return menu.showMenu (options);
    }
};

PopupMenus* installedMenus = nullptr;
}

PopupMenus& PopupMenus::get()
{
    static JuceMenus juceMenus;
    return installedMenus != nullptr ? *installedMenus : juceMenus;
}

PopupMenus* PopupMenus::install (PopupMenus* m)
{
    auto* previous = installedMenus;
    installedMenus = m;
    return previous;
}

MenuLook::MenuLook (juce::Colour background, juce::Colour text)
{
    setColour (juce::PopupMenu::backgroundColourId, background);
    setColour (juce::PopupMenu::textColourId, text);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, juce::Colours::darkred);
}

int ShowKitMenu (juce::PopupMenu& menu, int itemToShow, int itemHeight,
                 juce::Colour background, juce::Colour text)
{
    MenuLook look (background, text);
    menu.setLookAndFeel (&look);
    const auto options = juce::PopupMenu::Options()
                             .withItemThatMustBeVisible (itemToShow)
                             .withMinimumWidth (0)
                             .withMaximumNumColumns (4)
                             .withStandardItemHeight (itemHeight);
    const int result = PopupMenus::get().show (menu, options);
    menu.setLookAndFeel (nullptr);
    return result;
}
