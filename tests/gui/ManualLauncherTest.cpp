#include "ManualLauncher.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
struct EnvGuard
{
    explicit EnvGuard (std::initializer_list<const char*> names)
    {
        for (auto* n : names)
        {
            const char* v = std::getenv (n);
            saved.push_back ({ n, v != nullptr, v != nullptr ? v : "" });
            unsetenv (n);
        }
    }
    ~EnvGuard()
    {
        for (auto& s : saved)
            s.had ? setenv (s.name, s.value.c_str(), 1) : unsetenv (s.name);
    }
    struct Saved { const char* name; bool had; std::string value; };
    std::vector<Saved> saved;
};
}

TEST (ManualLauncher, LanguageFromEnvironmentFollowsThePosixOrder)
{
    EnvGuard guard { "LC_ALL", "LC_MESSAGES", "LANG" };
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "");
    setenv ("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "fr");
    setenv ("LC_MESSAGES", "en_GB", 1);
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "en");
    setenv ("LC_ALL", "C", 1);
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "");
    setenv ("LC_ALL", "de\xff", 1);  // odd bytes give no language
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "");
    setenv ("LC_ALL", "", 1);  // empty counts as unset
    EXPECT_EQ (ManualLauncher::languageFromEnvironment(), "en");
}

TEST (ManualLauncher, ChoosesTheFileByLanguageAndPresence)
{
    juce::TemporaryFile tmp;
    const auto dir = tmp.getFile();
    ASSERT_TRUE (dir.createDirectory());
    const auto fr = dir.getChildFile (ManualLauncher::frenchFileName);
    const auto en = dir.getChildFile (ManualLauncher::englishFileName);

    juce::String lang;
    juce::File launched;
    ManualLauncher m;
    m.folder = [&] { return dir; };
    m.language = [&] { return lang; };
    m.launch = [&] (const juce::File& f) { launched = f; return true; };

    struct Row { const char* language; bool french; bool english; int expected; };  // 0 none, 1 fr, 2 en
    const Row rows[] = {
        { "fr", false, false, 0 }, { "fr", true, true, 1 }, { "FRA", false, true, 2 },
        { "fre", true, false, 1 }, { "en", true, true, 2 }, { "", true, false, 0 },
    };
    for (const auto& r : rows)
    {
        fr.deleteFile();
        en.deleteFile();
        if (r.french)
        {
            ASSERT_TRUE (fr.replaceWithText ("%PDF"));
        }
        if (r.english)
        {
            ASSERT_TRUE (en.replaceWithText ("%PDF"));
        }
        lang = r.language;
        launched = juce::File();
        const bool opened = m.open();
        SCOPED_TRACE (r.language);
        EXPECT_EQ (opened, r.expected != 0);
        EXPECT_EQ (launched, r.expected == 1 ? fr : r.expected == 2 ? en : juce::File());
    }
    dir.deleteRecursively();
}

TEST (ManualLauncher, DefaultFolderIsUnderCommonApplicationData)
{
    EXPECT_EQ (ManualLauncher::defaultFolder(),
               juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
                   .getChildFile ("Documentation/Vokt Tools"));
}
