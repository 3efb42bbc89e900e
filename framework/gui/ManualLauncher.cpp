#include "ManualLauncher.h"

#include <cstdlib>
#include <cstring>

juce::File ManualLauncher::defaultFolder()
{
    return juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
        .getChildFile ("Documentation")
        .getChildFile ("Vokt Tools");
}

juce::String ManualLauncher::languageFromEnvironment()
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" })
    {
        const char* value = std::getenv (name);
        if (value == nullptr || *value == 0)
            continue;
        // "ll_CC.codeset@modifier": the language is what comes before '_', '.' or '@'.
        // Only ASCII letters are kept, so odd bytes never reach a juce::String.
        char lang[16] = {};
        size_t n = 0;
        for (const char* p = value; *p != 0 && *p != '_' && *p != '.' && *p != '@' && n + 1 < sizeof (lang); ++p)
        {
            const char c = *p;
            if (! ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
                return {};
            lang[n++] = c;
        }
        if (std::strcmp (lang, "C") == 0 || std::strcmp (lang, "POSIX") == 0)
            return {};
        return juce::String (lang);
    }
    return {};
}

bool ManualLauncher::isFrench (const juce::String& l)
{
    return l.equalsIgnoreCase ("fr") || l.equalsIgnoreCase ("fra") || l.equalsIgnoreCase ("fre");
}

juce::File ManualLauncher::chooseFile() const
{
    const auto dir = folder();
    const auto french = dir.getChildFile (frenchFileName);
    if (isFrench (language()) && french.existsAsFile())
        return french;
    const auto english = dir.getChildFile (englishFileName);
    if (english.existsAsFile())
        return english;
    return {};
}

bool ManualLauncher::open() const
{
    const auto file = chooseFile();
    if (file == juce::File())
        return false;
    return launch (file);
}
