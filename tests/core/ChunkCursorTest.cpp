#include "myMemoryBlock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace
{
std::vector<uint8_t> bytes (size_t n, uint8_t first)
{
    std::vector<uint8_t> v (n);
    for (size_t i = 0; i < n; ++i)
        v[i] = (uint8_t) (first + i);
    return v;
}

uint32_t lengthWordAt (const void* p)
{
    uint32_t v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

// A chunk of three blocks (header, an empty block, a record), as a state
// operation writes it.
struct ThreeBlocks
{
    std::vector<uint8_t> header = bytes (12, 1), record = bytes (37, 100);
    juce::MemoryBlock chunk;
    std::vector<size_t> blockEnds; // offset just past each block

    ThreeBlocks()
    {
        myMemoryBlock writer;
        writer.target = &chunk;
        writer.appendBlock (header.data(), (long) header.size());
        blockEnds.push_back (chunk.getSize());
        writer.appendBlock (nullptr, 0);
        blockEnds.push_back (chunk.getSize());
        writer.appendBlock (record.data(), (long) record.size());
        blockEnds.push_back (chunk.getSize());
    }
};
} // namespace

TEST (ChunkCursor, AppendWritesLengthThenBytes)
{
    juce::MemoryBlock chunk;
    myMemoryBlock writer;
    writer.target = &chunk;
    const auto header = bytes (12, 1);
    writer.appendBlock (header.data(), 12);
    ASSERT_EQ (chunk.getSize(), 16u);
    EXPECT_EQ (lengthWordAt (chunk.getData()), 12u); // host byte order
    EXPECT_EQ (std::memcmp (static_cast<const uint8_t*> (chunk.getData()) + 4, header.data(), 12), 0);
    EXPECT_EQ (writer.length, 12u);

    writer.appendBlock (nullptr, 0);
    EXPECT_EQ (chunk.getSize(), 20u);

    writer.appendBlock (header.data(), -1); // not a length
    writer.appendBlock (nullptr, 5);        // no bytes to copy
    EXPECT_EQ (chunk.getSize(), 20u);
}

TEST (ChunkCursor, ReadsBackEveryBlockThenStops)
{
    ThreeBlocks w;
    myMemoryBlock reader;
    reader.setDataBlock (w.chunk.getData(), w.chunk.getSize());

    const uint8_t* p = reader.getNextBlock();
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (reader.length, 12u);
    EXPECT_EQ (std::memcmp (p, w.header.data(), 12), 0);

    p = reader.getNextBlock();
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (reader.length, 0u);

    p = reader.getNextBlock();
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (reader.length, 37u);
    EXPECT_EQ (std::memcmp (p, w.record.data(), 37), 0);

    // Nothing after the last block: refused, and the cursor stays on it.
    EXPECT_EQ (reader.getNextBlock(), nullptr);
    EXPECT_EQ (reader.data, p);
    EXPECT_EQ (reader.length, 37u);
    EXPECT_EQ (reader.getNextBlock(), nullptr);
}

TEST (ChunkCursor, ReadsAtAnUnalignedAddress)
{
    ThreeBlocks w;
    std::vector<uint8_t> shifted (w.chunk.getSize() + 1);
    std::memcpy (shifted.data() + 1, w.chunk.getData(), w.chunk.getSize());

    myMemoryBlock reader;
    reader.setDataBlock (shifted.data() + 1, w.chunk.getSize());
    ASSERT_NE (reader.getNextBlock(), nullptr);
    ASSERT_NE (reader.getNextBlock(), nullptr);
    const uint8_t* p = reader.getNextBlock();
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (std::memcmp (p, w.record.data(), 37), 0);
}

// Every truncation of a valid chunk, each in its own exactly-sized heap
// buffer: the complete blocks are returned, then null, and nothing is read
// past the end (AddressSanitizer would report it).
TEST (ChunkCursor, EveryTruncationStopsAtTheLastCompleteBlock)
{
    ThreeBlocks w;
    const size_t total = w.chunk.getSize();

    for (size_t cut = 0; cut <= total; ++cut)
    {
        auto copy = std::make_unique<uint8_t[]> (cut == 0 ? 1 : cut);
        if (cut > 0)
            std::memcpy (copy.get(), w.chunk.getData(), cut);

        myMemoryBlock reader;
        reader.setDataBlock (copy.get(), cut);

        size_t expectedBlocks = 0;
        while (expectedBlocks < w.blockEnds.size() && w.blockEnds[expectedBlocks] <= cut)
            ++expectedBlocks;

        size_t blocks = 0;
        while (const uint8_t* p = reader.getNextBlock())
        {
            ASSERT_LE ((size_t) (p - copy.get()) + reader.length, cut) << "cut " << cut;
            volatile uint8_t sink = 0;
            for (uint32_t i = 0; i < reader.length; ++i)
                sink = sink + p[i];
            ++blocks;
            ASSERT_LE (blocks, 3u);
        }
        EXPECT_EQ (blocks, expectedBlocks) << "cut " << cut;
    }
}

TEST (ChunkCursor, RefusesLengthsBeyondTheChunk)
{
    // One 8-byte block whose length word is replaced by each value below.
    const uint32_t lengths[] = { 9u, 0x7fffffffu, 0x80000000u, 0xfffffff8u, 0xfffffffcu, 0xffffffffu };
    for (uint32_t bad : lengths)
    {
        auto chunk = std::make_unique<uint8_t[]> (12);
        std::memcpy (chunk.get(), &bad, 4);
        std::memset (chunk.get() + 4, 0xab, 8);

        myMemoryBlock reader;
        reader.setDataBlock (chunk.get(), 12);
        EXPECT_EQ (reader.getNextBlock(), nullptr) << bad;
    }

    // A huge length on a block already taken cannot jump past the end either.
    auto chunk = std::make_unique<uint8_t[]> (16);
    const uint32_t four = 4;
    std::memcpy (chunk.get(), &four, 4);
    std::memcpy (chunk.get() + 8, &four, 4);
    myMemoryBlock reader;
    reader.setDataBlock (chunk.get(), 16);
    ASSERT_NE (reader.getNextBlock(), nullptr);
    reader.length = 0xffffffffu;
    EXPECT_EQ (reader.getNextBlock(), nullptr);
}

TEST (ChunkCursor, StartsFromAGivenBlock)
{
    ThreeBlocks w;
    const auto* base = static_cast<const uint8_t*> (w.chunk.getData());
    myMemoryBlock reader;

    // Positioned on the header block: the next one is the empty block.
    reader.setDataBlock (base, w.chunk.getSize(), base + 4, 12);
    ASSERT_NE (reader.getNextBlock(), nullptr);
    EXPECT_EQ (reader.length, 0u);

    reader.setDataBlock (base, w.chunk.getSize(), base + 4, -3);
    EXPECT_EQ (reader.getNextBlock(), nullptr);
    reader.setDataBlock (base, w.chunk.getSize(), base + 4, (long) w.chunk.getSize());
    EXPECT_EQ (reader.getNextBlock(), nullptr);
    reader.setDataBlock (base, w.chunk.getSize(), w.record.data(), 0); // outside the chunk
    EXPECT_EQ (reader.getNextBlock(), nullptr);

    myMemoryBlock empty;
    EXPECT_EQ (empty.getNextBlock(), nullptr);
    empty.setDataBlock (nullptr, 0);
    EXPECT_EQ (empty.getNextBlock(), nullptr);
}
