#pragma once
// Cursor over a state chunk made of blocks, each a 32-bit host-order length
// followed by that many bytes. Writing appends blocks to `target`; reading
// walks block to block and refuses any block that crosses the chunk's end.
// Threads: one state operation on one thread at a time.
#include <juce_core/juce_core.h>
#include <cstddef>
#include <cstdint>

class myMemoryBlock
{
public:
    myMemoryBlock() = default;

    // Reading: `chunkData`/`chunkSize` is the whole chunk; `data` the start of
    // the current block inside it and `n` its length (0 before the first block).
    void setDataBlock (const void* chunkData, std::size_t chunkSize);
    void setDataBlock (const void* chunkData, std::size_t chunkSize, const void* blockData, long n);

    // Start of the next block's bytes, or nullptr when its length word or
    // its bytes would cross the chunk's end (the cursor then stays where it
    // was). `length` is then its size.
    const uint8_t* getNextBlock() noexcept;

    // Writing: appends the 4-byte length (host byte order) then n bytes from
    // src to `target`; nothing when target is null or n is not a 32-bit length.
    void appendBlock (const void* src, long n);

    juce::MemoryBlock* target = nullptr;
    const uint8_t* data = nullptr;
    uint32_t length = 0;

private:
    const uint8_t* chunkBegin = nullptr;
    const uint8_t* chunkEnd = nullptr;
};
