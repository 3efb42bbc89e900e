#pragma once
// Opens the user manual (a PDF) with the system's default application: the
// French file when the user's language is French and that file exists, else
// the English file when it exists, else nothing (no message).
//
// The language comes from LC_ALL, LC_MESSAGES and LANG, the first one set
// ("fr_FR.UTF-8" gives "fr"); juce::SystemStats::getUserLanguage is never
// called (on Linux it changes the process locale).
//
// Threads: message thread only (both editors' documentation buttons).
#include <juce_core/juce_core.h>

#include <functional>

class ManualLauncher
{
public:
    // The manual's folder: <common application data>/Documentation/Vokt Tools.
    static juce::File defaultFolder();
    // The user's language from the environment: "fr", "en", ... ("" when unset, "C" or "POSIX").
    static juce::String languageFromEnvironment();

    static constexpr const char* frenchFileName = "Vokt Tools Pellam_Fr.pdf";
    static constexpr const char* englishFileName = "Vokt Tools Pellam_Eng.pdf";

    // The file open() would open; a non-existent File when there is none.
    juce::File chooseFile() const;

    // Opens the chosen file; false when there is none or the launch failed.
    bool open() const;

    // Seams (tests): where the manual lives, the language, and the launcher.
    std::function<juce::File()> folder = [] { return defaultFolder(); };
    std::function<juce::String()> language = [] { return languageFromEnvironment(); };
    std::function<bool (const juce::File&)> launch = [] (const juce::File& f) { return f.startAsProcess(); };

    // True for "fr", "fra" and "fre", ignoring case.
    static bool isFrench (const juce::String& language);
};
