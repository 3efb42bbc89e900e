#pragma once
// The application's settings: one juce::PropertiesFile, "<name>.settings" in
// the folder "Vokt" of the user's configuration folder (~/.config on Linux,
// so HOME moves it). On the first start after a move of the settings the keys
// of the older file ("<name>.settings" directly in the configuration folder)
// are copied over; the older file is left alone.
// A missing, unreadable or corrupt file gives an empty set: every key then
// takes its default.
// Threads: message thread only (the holder's lock guards creation and deletion).
#include <juce_data_structures/juce_data_structures.h>

#include <memory>

namespace selvo
{
class StoredSettings
{
public:
    StoredSettings() = default;
    ~StoredSettings();

    // Opens the settings file of applicationName, migrating the older one.
    void init (juce::String applicationName);
    // Null before init.
    juce::PropertySet* getProps() const noexcept { return props.get(); }
    // The file behind the settings (empty before init).
    juce::File getFile() const { return props != nullptr ? props->getFile() : juce::File(); }

    // The options of the current and of the older location.
    static juce::PropertiesFile::Options currentOptions (const juce::String& applicationName);
    static juce::PropertiesFile::Options olderOptions (const juce::String& applicationName);
    // ~/.config/Vokt/<name>.settings and ~/.config/<name>.settings (XDG).
    static juce::File currentFile (const juce::String& applicationName);
    static juce::File olderFile (const juce::String& applicationName);

    JUCE_DECLARE_SINGLETON (StoredSettings, false)

private:
    std::unique_ptr<juce::PropertiesFile> props;

    JUCE_DECLARE_NON_COPYABLE (StoredSettings)
};
} // namespace selvo
