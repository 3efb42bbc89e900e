#pragma once
// Published copies of the eight live bars, readable from any thread without
// a lock: each bar is kept as whole 64-bit words behind a sequence counter.
// A reader retries while a writer is publishing; after a few tries it keeps
// what it read, whose every word is a valid value of some published bar
// (geometry in -1..2, flags 0 or 1), so even a torn copy is safe to process.
//
// Thread contract: publish() by one writer at a time (the engine calls it
// under its edit lock); read() from any thread, lock-free and wait-free.
#include "BarFreq.h"

#include <atomic>
#include <cstdint>
#include <cstring>

class BarStore
{
public:
    static constexpr int numBars = 8;

    BarStore() noexcept
    {
        const BarFreq fresh;
        for (int k = 0; k < numBars; ++k)
            publish (k, fresh);
    }

    void publish (int k, const BarFreq& bar) noexcept
    {
        Slot& slot = slots[k];
        uint64_t words[numWords];
        std::memcpy (words, &bar, sizeof (BarFreq));
        const uint32_t s = slot.sequence.load (std::memory_order_relaxed);
        slot.sequence.store (s + 1, std::memory_order_relaxed);
        // Release stores keep the odd count ahead of every word: a reader
        // that sees a new word then sees a changed count.
        for (int w = 0; w < numWords; ++w)
            slot.words[w].store (words[w], std::memory_order_release);
        slot.sequence.store (s + 2, std::memory_order_release);
    }

    BarFreq read (int k) const noexcept
    {
        const Slot& slot = slots[k];
        uint64_t words[numWords];
        for (int attempt = 0; attempt < maxAttempts; ++attempt)
        {
            const uint32_t before = slot.sequence.load (std::memory_order_acquire);
            for (int w = 0; w < numWords; ++w)
                words[w] = slot.words[w].load (std::memory_order_acquire);
            const uint32_t after = slot.sequence.load (std::memory_order_relaxed);
            if (before == after && (before & 1u) == 0)
                break;
        }
        BarFreq bar;
        std::memcpy (&bar, words, sizeof (BarFreq));
        return bar;
    }

private:
    static constexpr int numWords = static_cast<int> (sizeof (BarFreq) / sizeof (uint64_t));
    static constexpr int maxAttempts = 16;
    static_assert (sizeof (BarFreq) % sizeof (uint64_t) == 0, "a bar is whole words");

    struct Slot
    {
        std::atomic<uint32_t> sequence { 0 };
        std::atomic<uint64_t> words[numWords] {};
    };

    Slot slots[numBars];
};
