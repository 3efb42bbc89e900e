#pragma once
// Identifies the application that loaded the effect from the path and file
// name of its executable. The process-wide kind is computed once, on first
// use (thread-safe), and read lock-free afterwards from any thread.
#include <juce_core/juce_core.h>

class MyPluginHostType
{
public:
    // Host kinds used by the framework.
    enum : int
    {
        unknownHost = 0,
        adobeAudition = 5,
        finalCut = 15,
        izotopeRX7 = 17,
        reaper = 22,
        waveform = 47,
        max = 51
    };

    MyPluginHostType() noexcept : type (getCachedType()) {}
    explicit MyPluginHostType (int kind) noexcept : type (kind) {}

    // Runs the detection on this process's executable.
    static int getHostType();
    // The detection for a given executable path (its last component is the file name).
    static int detect (const juce::String& fullPath);

    // The kind detected once for this process (or the test override).
    static int getCachedType();
    // Test seam: replaces the cached kind (a negative value restores detection).
    static void overrideCachedType (int kind);

    // Text of `type`, "Unknown" outside 1..51.
    const char* getHostDescription() const noexcept;

    int type;
};
