#include "myMemoryBlock.h"

#include <cstring>
#include <limits>

void myMemoryBlock::setDataBlock (const void* chunkData, std::size_t chunkSize)
{
    setDataBlock (chunkData, chunkSize, chunkData, 0);
}

void myMemoryBlock::setDataBlock (const void* chunkData, std::size_t chunkSize, const void* blockData, long n)
{
    chunkBegin = static_cast<const uint8_t*> (chunkData);
    chunkEnd = chunkBegin == nullptr ? nullptr : chunkBegin + chunkSize;

    if (n < 0 || static_cast<unsigned long> (n) > std::numeric_limits<uint32_t>::max())
    {
        // Not a block length: the next getNextBlock refuses.
        data = nullptr;
        length = 0;
        return;
    }

    data = static_cast<const uint8_t*> (blockData);
    length = static_cast<uint32_t> (n);
}

const uint8_t* myMemoryBlock::getNextBlock() noexcept
{
    if (chunkBegin == nullptr || data == nullptr)
        return nullptr;

    // Work with counts of bytes left, never with pointers past the end.
    const auto begin = reinterpret_cast<std::uintptr_t> (chunkBegin);
    const auto end = reinterpret_cast<std::uintptr_t> (chunkEnd);
    const auto current = reinterpret_cast<std::uintptr_t> (data);

    if (current < begin || current > end)
        return nullptr;

    std::size_t remaining = end - current;

    // Step over the current block.
    if (length > remaining)
        return nullptr;
    remaining -= length;

    // The next block's length word.
    constexpr std::size_t wordSize = sizeof (uint32_t);
    if (remaining < wordSize)
        return nullptr;

    const uint8_t* word = data + length;
    uint32_t nextLength = 0;
    std::memcpy (&nextLength, word, wordSize);
    remaining -= wordSize;

    // The next block's bytes.
    if (nextLength > remaining)
        return nullptr;

    data = word + wordSize;
    length = nextLength;
    return data;
}

void myMemoryBlock::appendBlock (const void* src, long n)
{
    jassert (target != nullptr);
    if (target == nullptr || n < 0 || static_cast<unsigned long> (n) > std::numeric_limits<uint32_t>::max()
        || (src == nullptr && n > 0))
        return;

    length = static_cast<uint32_t> (n);
    target->append (&length, sizeof (length)); // host byte order
    if (n > 0)
        target->append (src, static_cast<std::size_t> (n));
}
