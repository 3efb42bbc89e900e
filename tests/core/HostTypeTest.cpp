#include "MyPluginHostType.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST (HostType, DetectionTable)
{
    struct Case
    {
        const char* path;
        int kind;
    };
    const Case cases[] = {
        { "/Applications/Final Cut Pro.app/Contents/MacOS/Final Cut Pro", 15 },
        { "/Applications/Final Cut Pro Trial.app/Contents/MacOS/Final Cut Pro Trial", 15 },
        { "/Applications/Ableton Live 8.app/Contents/MacOS/Live", 3 }, // path rules come first
        { "/Applications/Ableton Live 6.0.1.app/Contents/MacOS/Live", 1 },
        { "/Applications/Ableton Live 10 Suite.app/Contents/MacOS/Live", 4 },
        { "/opt/daw/live", 4 },
        { "/Applications/Adobe Premiere Pro.app/Contents/MacOS/Adobe Premiere Pro", 6 },
        { "/Applications/Adobe Audition CC.app/Contents/MacOS/Adobe Audition CC", 5 },
        { "/Applications/Logic Pro X.app/Contents/MacOS/Logic Pro X", 7 },
        { "/Applications/logic pro x.app/Contents/MacOS/logic pro x", 0 }, // case-sensitive rule
        { "/Applications/Pro Tools.app/Contents/MacOS/Pro Tools", 13 },
        { "/x/Nuendo 3", 34 },
        { "/x/Nuendo 4", 35 },
        { "/x/Nuendo 5", 36 },
        { "/x/Nuendo 10", 37 },
        { "/x/Cubase 4", 25 },
        { "/x/Cubase 5", 26 },
        { "/x/Cubase 6", 28 },
        { "/x/Cubase 7", 29 },
        { "/Applications/Cubase 8.app/Contents/MacOS/Cubase 8", 30 },
        { "/Applications/Cubase 8.5.app/Contents/MacOS/Cubase 8.5", 31 },
        { "/Applications/Cubase 9.app/Contents/MacOS/Cubase 9", 32 },
        { "/Applications/Cubase 10.app/Contents/MacOS/Cubase 10", 33 },
        { "/Applications/WaveLab 7.app/Contents/MacOS/WaveLab", 40 },
        { "/Applications/Wavelab 8.app/Contents/MacOS/WaveLab", 41 },
        { "/x/WaveLab Pro 9", 42 },
        { "/x/WaveBurner", 49 },
        { "/Applications/Digital Performer.app/Contents/MacOS/DP", 14 },
        { "/opt/REAPER/reaper", 22 },
        { "/Applications/Studio One 5.app/Contents/MacOS/Studio One", 44 },
        { "/x/waveform 11", 47 },
        { "/Applications/Tracktion 3.app/Contents/MacOS/Tracktion", 45 },
        { "/x/Tracktion", 46 },
        { "/x/Renoise", 23 },
        { "/x/DaVinci Resolve", 12 },
        { "/x/Bitwig Studio", 9 },
        { "/x/bitwig studio", 0 }, // starts-with rule is case-sensitive
        { "/x/My Bitwig", 0 },
        { "/x/Max", 51 },
        { "/x/cycling maxmsp", 51 },
        { "/x/Usine", 50 },
        { "/x/VCV Rack", 21 },
        { "/x/iZotope RX7 Audio Editor", 17 },
        { "/usr/bin/ardour", 0 },
        { "", 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (MyPluginHostType::detect (c.path), c.kind) << c.path;
}

TEST (HostType, Descriptions)
{
    struct Case
    {
        int kind;
        const char* text;
    };
    const Case cases[] = {
        { 0, "Unknown" },   { 1, "Ableton Live 6" }, { 7, "Apple Logic" }, { 8, "Unknown" },
        { 13, "ProTools" }, { 17, "iZotope RX7" },   { 22, "Reaper" },     { 27, "Steinberg Cubase 5 Bridged" },
        { 31, "Steinberg Cubase 8.5" }, { 43, "Steinberg TestHost" }, { 47, "Unknown" }, { 48, "VBVSTScanner" },
        { 51, "Max" },      { 52, "Unknown" },       { -1, "Unknown" },
    };
    for (const auto& c : cases)
        EXPECT_STREQ (MyPluginHostType (c.kind).getHostDescription(), c.text) << c.kind;
}

TEST (HostType, CachedKindAndOverride)
{
    // The test executable is no known host.
    EXPECT_EQ (MyPluginHostType::getHostType(), 0);

    MyPluginHostType::overrideCachedType (MyPluginHostType::reaper);
    EXPECT_EQ (MyPluginHostType::getCachedType(), 22);
    EXPECT_EQ (MyPluginHostType().type, 22);
    EXPECT_STREQ (MyPluginHostType().getHostDescription(), "Reaper");

    MyPluginHostType::overrideCachedType (-1);
    EXPECT_EQ (MyPluginHostType::getCachedType(), 0);
}

TEST (HostType, ConcurrentFirstUseAgrees)
{
    std::vector<std::thread> threads;
    std::atomic<int> disagreements { 0 };
    for (int i = 0; i < 8; ++i)
        threads.emplace_back ([&] {
            for (int k = 0; k < 1000; ++k)
                if (MyPluginHostType::getCachedType() != 0)
                    ++disagreements;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ (disagreements.load(), 0);
}
