#pragma once
// A temporary folder of one test: unique to the process and the call, so
// tests that ctest runs in parallel (and concurrent builds) never share
// files. Removed with everything in it when the object goes.
#include <juce_core/juce_core.h>
#include <unistd.h>

struct ScopedTestFolder
{
    explicit ScopedTestFolder (const juce::String& name)
        : dir (juce::File::getSpecialLocation (juce::File::tempDirectory)
                   .getChildFile (name + "-" + juce::String ((int) getpid()) + "-"
                                  + juce::Uuid().toString().substring (0, 8)))
    {
        dir.createDirectory();
    }
    ~ScopedTestFolder() { dir.deleteRecursively(); }
    ScopedTestFolder (const ScopedTestFolder&) = delete;
    ScopedTestFolder& operator= (const ScopedTestFolder&) = delete;

    juce::File operator/ (const char* file) const { return dir.getChildFile (file); }

    const juce::File dir;
};
