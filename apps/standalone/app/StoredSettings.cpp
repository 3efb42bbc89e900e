#include "StoredSettings.h"

namespace selvo
{
JUCE_IMPLEMENT_SINGLETON (StoredSettings)

StoredSettings::~StoredSettings()
{
    props.reset();   // writes pending changes
    clearSingletonInstance();
}

juce::PropertiesFile::Options StoredSettings::currentOptions (const juce::String& applicationName)
{
    juce::PropertiesFile::Options o;
    o.applicationName = applicationName;
    o.folderName = "Vokt";
    o.filenameSuffix = "settings";
    o.osxLibrarySubFolder = "Application Support";
    return o;
}

juce::PropertiesFile::Options StoredSettings::olderOptions (const juce::String& applicationName)
{
    juce::PropertiesFile::Options o;
    o.applicationName = applicationName;
    o.filenameSuffix = "settings";
    o.osxLibrarySubFolder = "Preferences";
    return o;
}

juce::File StoredSettings::currentFile (const juce::String& applicationName)
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Vokt").getChildFile (applicationName + ".settings");
}

juce::File StoredSettings::olderFile (const juce::String& applicationName)
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile (applicationName + ".settings");
}

void StoredSettings::init (juce::String applicationName)
{
    props.reset();
    props = std::make_unique<juce::PropertiesFile> (currentFile (applicationName), currentOptions (applicationName));

    if (! props->getFile().existsAsFile())
    {
        const auto oldFile = olderFile (applicationName);
        if (oldFile.existsAsFile())
        {
            juce::PropertiesFile older (oldFile, olderOptions (applicationName));
            props->addAllPropertiesFrom (older);
        }
    }
}
} // namespace selvo
