#pragma once
// Checks of an engine's saved state shared by the two engines' tests: loads
// that are fixed points, synced values that snap once, refused program files,
// and the seeds written in an older version and in host order. `Engine` is
// the engine's class; with `stopThreads` each engine made here stops its
// timer and agitator threads first, as that engine's other tests do.
#include "MyEffect.h"

#include <juce_core/juce_core.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace state_checks
{
inline juce::MemoryBlock chunkOf (MyEffect& e, bool allPrograms)
{
    juce::MemoryBlock block;
    if (allPrograms)
        e.getStateInformation (block);
    else
        e.getCurrentProgramStateInformation (block);
    return block;
}

inline void loadChunk (MyEffect& e, const juce::MemoryBlock& chunk, bool allPrograms)
{
    if (allPrograms)
        e.setStateInformation (chunk.getData(), (int) chunk.getSize());
    else
        e.setCurrentProgramStateInformation (chunk.getData(), (int) chunk.getSize());
}

// Loading is a fixed point: whatever a load made of a seed of `corpus`,
// saving it and loading that again changes nothing, for both kinds of chunk;
// and a fresh engine's own state survives a load unchanged.
template <typename Engine>
void expectSaveAfterLoadIsAFixedPoint (const juce::File& corpus, bool stopThreads)
{
    const auto files = corpus.findChildFiles (juce::File::findFiles, false);
    ASSERT_FALSE (files.isEmpty());
    for (const bool all : { true, false })
    {
        {
            Engine fresh;
            if (stopThreads)
                fresh.stopThreads();
            const juce::MemoryBlock first = chunkOf (fresh, all);
            Engine e;
            if (stopThreads)
                e.stopThreads();
            loadChunk (e, first, all);
            EXPECT_TRUE (chunkOf (e, all) == first) << "fresh effect, all programs: " << all;
        }
        for (const auto& file : files)
        {
            SCOPED_TRACE (file.getFileName() + (all ? " (all programs)" : " (current program)"));
            juce::MemoryBlock data;
            ASSERT_TRUE (file.loadFileAsData (data));
            Engine e;
            if (stopThreads)
                e.stopThreads();
            loadChunk (e, data, all);
            const juce::MemoryBlock first = chunkOf (e, all);
            loadChunk (e, first, all);
            const juce::MemoryBlock second = chunkOf (e, all);
            loadChunk (e, second, all);
            EXPECT_TRUE (chunkOf (e, all) == second);
            EXPECT_TRUE (second == first);
        }
    }
}

// A synced value snaps once, when it is set; the snapped value and its
// record then survive any number of saves and loads unchanged.
template <typename Engine>
void expectSyncedValuesSnapOnceNotOnEveryLoad (std::initializer_list<int> parameters,
                                               std::initializer_list<float> values, bool stopThreads)
{
    for (const int i : parameters)
    {
        for (const float value : values)
        {
            SCOPED_TRACE (testing::Message() << "parameter " << i << " at " << value);
            Engine e;
            if (stopThreads)
                e.stopThreads();
            ASSERT_TRUE (e.SetSyncMode (i, true));
            e.setIndexedParameter (i, value);
            const float snapped = e.getIndexedParameter (i);
            const SyncControl record = *e.getSyncRecord (i);
            juce::MemoryBlock saved;
            e.getStateInformation (saved);
            Engine loaded;
            if (stopThreads)
                loaded.stopThreads();
            for (int cycle = 0; cycle < 3; ++cycle)
            {
                loaded.setStateInformation (saved.getData(), (int) saved.getSize());
                EXPECT_EQ (loaded.getIndexedParameter (i), snapped) << cycle;
                EXPECT_EQ (loaded.getSyncRecord (i)->count, record.count) << cycle;
                EXPECT_EQ (loaded.getSyncRecord (i)->note, record.note) << cycle;
                juce::MemoryBlock again;
                loaded.getStateInformation (again);
                EXPECT_TRUE (again == saved) << cycle;
                saved = again;
            }
        }
    }
}

// A program file whose chunk the engine refuses loads nothing and says so.
template <typename Engine>
void expectLoadSelfReportsARefusedChunk (bool stopThreads)
{
    Engine e;
    if (stopThreads)
        e.stopThreads();
    const juce::File file = juce::File::createTempFile ("program");
    {
        juce::FileOutputStream out (file);
        ASSERT_TRUE (e.saveSelf (&out));
    }
    juce::MemoryBlock good;
    ASSERT_TRUE (file.loadFileAsData (good));
    juce::MemoryBlock before;
    e.getStateInformation (before);

    struct Case { const char* name; int offset; uint8_t value; bool ok; };
    const Case cases[] = {
        { "as saved", 0, 0, true },
        { "magic", 8, 'x', false },          // first byte of the chunk's header
        { "product", 12, 'x', false },
        { "version 101", 19, 101, false },
    };
    for (const auto& c : cases)
    {
        juce::MemoryBlock bytes (good);
        if (c.offset > 0)
            static_cast<uint8_t*> (bytes.getData())[c.offset] = c.value;
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        juce::FileInputStream in (file);
        EXPECT_EQ (e.loadSelf (&in), c.ok) << c.name;
        juce::MemoryBlock after;
        e.getStateInformation (after);
        EXPECT_TRUE (after == before) << c.name;
    }
    file.deleteFile();
}

// For the writers of the seeds: the whole chunk `whole` as version 102 wrote
// it, and the current-program chunk `current` with its program record (of
// type `Program`) in host order.
template <typename Program, typename Write>
void writeOlderAndHostOrderSeeds (const juce::MemoryBlock& whole, const juce::MemoryBlock& current, Write write)
{
    juce::MemoryBlock old (whole);
    static_cast<uint8_t*> (old.getData())[15] = 102;
    write ("edited-whole-v102", old);

    juce::MemoryBlock host (current);
    auto* bytes = static_cast<uint8_t*> (host.getData());
    std::swap (bytes[4], bytes[7]), std::swap (bytes[5], bytes[6]);
    Program record;
    std::memcpy (static_cast<void*> (&record), bytes + 20, sizeof record);
    record.SwapToHost();
    std::memcpy (bytes + 20, &record, sizeof record);
    write ("edited-current-host-order", host);
}
} // namespace state_checks
