#include "MyPluginHostType.h"

#include <atomic>

namespace
{
enum class Where
{
    path,
    name
};

enum class Test
{
    contains,
    containsCaseSensitive,
    startsWith,
    startsWithCaseSensitive
};

struct HostRule
{
    const char* text;
    Where where;
    Test test;
    int kind;
};

// Tried in order; the first rule that holds gives the kind. The path rules
// that precede name rules tell versions apart that share a file name.
constexpr HostRule hostRules[] = {
    { "Final Cut Pro.app", Where::path, Test::contains, 15 },
    { "Final Cut Pro Trial.app", Where::path, Test::contains, 15 },
    { "Live 6.", Where::path, Test::contains, 1 },
    { "Live 7.", Where::path, Test::contains, 2 },
    { "Live 8.", Where::path, Test::contains, 3 },
    { "Live", Where::name, Test::contains, 4 },
    { "Adobe Premiere", Where::name, Test::contains, 6 },
    { "Audition", Where::name, Test::contains, 5 },
    { "Logic", Where::name, Test::containsCaseSensitive, 7 },
    { "Pro Tools", Where::name, Test::contains, 13 },
    { "Nuendo 3", Where::name, Test::contains, 34 },
    { "Nuendo 4", Where::name, Test::contains, 35 },
    { "Nuendo 5", Where::name, Test::contains, 36 },
    { "Nuendo", Where::name, Test::contains, 37 },
    { "Cubase 4", Where::name, Test::contains, 25 },
    { "Cubase 5", Where::name, Test::contains, 26 },
    { "Cubase 6", Where::name, Test::contains, 28 },
    { "Cubase 7", Where::name, Test::contains, 29 },
    { "Cubase 8.app", Where::path, Test::contains, 30 },
    { "Cubase 8.5.app", Where::path, Test::contains, 31 },
    { "Cubase 9.app", Where::path, Test::contains, 32 },
    { "Cubase", Where::name, Test::contains, 33 },
    { "Wavelab 7", Where::path, Test::contains, 40 },
    { "Wavelab 8", Where::path, Test::contains, 41 },
    { "Wavelab", Where::name, Test::contains, 42 },
    { "WaveBurner", Where::name, Test::contains, 49 },
    { "Digital Performer", Where::path, Test::contains, 14 },
    { "reaper", Where::name, Test::contains, 22 },
    { "Studio One", Where::path, Test::contains, 44 },
    { "Waveform", Where::name, Test::startsWith, 47 },
    { "Tracktion 3", Where::path, Test::contains, 45 },
    { "Tracktion", Where::name, Test::contains, 46 },
    { "Renoise", Where::name, Test::contains, 23 },
    { "Resolve", Where::name, Test::contains, 12 },
    { "Bitwig", Where::name, Test::startsWithCaseSensitive, 9 },
    { "Max", Where::name, Test::contains, 51 },
    { "Usine", Where::name, Test::contains, 50 },
    { "Rack", Where::name, Test::contains, 21 },
    { "RX7", Where::name, Test::contains, 17 },
};

bool holds (const HostRule& rule, const juce::String& path, const juce::String& name)
{
    const juce::String& subject = rule.where == Where::path ? path : name;
    const juce::StringRef text (rule.text);

    switch (rule.test)
    {
        case Test::contains:                return subject.containsIgnoreCase (text);
        case Test::containsCaseSensitive:   return subject.contains (text);
        case Test::startsWith:              return subject.startsWithIgnoreCase (text);
        case Test::startsWithCaseSensitive: return subject.startsWith (text);
    }
    return false;
}

constexpr const char* hostDescriptions[] = {
    "Unknown",
    "Ableton Live 6",
    "Ableton Live 7",
    "Ableton Live 8",
    "Ableton Live",
    "Adobe Audition",
    "Adobe Premiere",
    "Apple Logic",
    "Unknown",
    "Bitwig Studio",
    "Cakewalk Sonar 8",
    "Cakewalk Sonar",
    "DaVinci Resolve",
    "ProTools",
    "DigitalPerformer",
    "Final Cut",
    "FruityLoops",
    "iZotope RX7",
    "Magix Samplitude",
    "Pyramix",
    "Muse Receptor",
    "Rack",
    "Reaper",
    "Renoise",
    "SADiE",
    "Steinberg Cubase 4",
    "Steinberg Cubase 5",
    "Steinberg Cubase 5 Bridged",
    "Steinberg Cubase 6",
    "Steinberg Cubase 7",
    "Steinberg Cubase 8",
    "Steinberg Cubase 8.5",
    "Steinberg Cubase 9",
    "Steinberg Cubase",
    "Steinberg Nuendo 3",
    "Steinberg Nuendo 4",
    "Steinberg Nuendo 5",
    "Steinberg Nuendo",
    "Steinberg Wavelab 5",
    "Steinberg Wavelab 6",
    "Steinberg Wavelab 7",
    "Steinberg Wavelab 8",
    "Steinberg Wavelab",
    "Steinberg TestHost",
    "Studio One",
    "Tracktion 3",
    "Tracktion",
    "Unknown",
    "VBVSTScanner",
    "WaveBurner",
    "Usine",
    "Max",
};
static_assert (sizeof (hostDescriptions) / sizeof (hostDescriptions[0]) == 52, "kinds 0..51");

// Test override of the cached kind; negative means "use the detection".
std::atomic<int> overriddenKind { -1 };

int detectedKind()
{
    // Function-local static: the first caller runs the detection, concurrent
    // callers wait for it, later reads take no lock.
    static const int kind = MyPluginHostType::getHostType();
    return kind;
}
} // namespace

int MyPluginHostType::getHostType()
{
    return detect (juce::File::getSpecialLocation (juce::File::hostApplicationPath).getFullPathName());
}

int MyPluginHostType::detect (const juce::String& fullPath)
{
    const juce::String name = fullPath.fromLastOccurrenceOf ("/", false, false);

    for (const auto& rule : hostRules)
        if (holds (rule, fullPath, name))
            return rule.kind;

    return unknownHost;
}

int MyPluginHostType::getCachedType()
{
    const int kind = overriddenKind.load (std::memory_order_acquire);
    return kind >= 0 ? kind : detectedKind();
}

void MyPluginHostType::overrideCachedType (int kind)
{
    overriddenKind.store (kind < 0 ? -1 : kind, std::memory_order_release);
}

const char* MyPluginHostType::getHostDescription() const noexcept
{
    if (type >= 1 && type <= 51)
        return hostDescriptions[type];
    return "Unknown";
}
