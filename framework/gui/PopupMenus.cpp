#include "PopupMenus.h"

namespace
{
class JuceMenus : public PopupMenus
{
public:
    void showAsync (juce::PopupMenu& menu, const juce::PopupMenu::Options& options,
                    std::function<void (int)> done) override
    {
        menu.showMenuAsync (options, std::move (done));
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

void ShowKitMenu (juce::Component& owner, juce::PopupMenu& menu, int itemToShow, int itemHeight,
                  std::function<void (int)> apply, juce::Colour background, juce::Colour text)
{
    // The menu's window holds its look by a weak reference: the look lives
    // until the answer arrives.
    auto look = std::make_shared<MenuLook> (background, text);
    menu.setLookAndFeel (look.get());
    const auto options = juce::PopupMenu::Options()
                             .withItemThatMustBeVisible (itemToShow)
                             .withMinimumWidth (0)
                             .withMaximumNumColumns (4)
                             .withStandardItemHeight (itemHeight)
                             .withDeletionCheck (owner);
    juce::Component::SafePointer<juce::Component> guard (&owner);
    PopupMenus::get().showAsync (menu, options,
                                 [guard, look, apply = std::move (apply)] (int chosen)
                                 {
                                     if (guard != nullptr && apply)
                                         apply (chosen);
                                 });
    menu.setLookAndFeel (nullptr);
}
