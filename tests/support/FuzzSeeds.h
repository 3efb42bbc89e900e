#pragma once
// The seed corpus of a fuzz target replayed through the target's entry point
// (`std::string entry (const uint8_t*, std::size_t)`, the empty text when all
// is well), for the tests that keep the seeds working.
#include <juce_core/juce_core.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// Every file of `corpus` (at least `minFiles` of them) given to a fuzz
// target's entry point, which must find nothing wrong.
template <typename Entry>
void expectSeedsReplayCleanly (const juce::File& corpus, int minFiles, Entry entry)
{
    const auto files = corpus.findChildFiles (juce::File::findFiles, false);
    ASSERT_GE (files.size(), minFiles) << corpus.getFullPathName();
    for (const auto& file : files)
    {
        juce::MemoryBlock data;
        ASSERT_TRUE (file.loadFileAsData (data));
        EXPECT_EQ (entry (static_cast<const uint8_t*> (data.getData()), data.getSize()), std::string())
            << file.getFileName();
    }
}
