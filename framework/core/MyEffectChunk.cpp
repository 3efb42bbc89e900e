// State chunk frame, byte order and the program file.
#include "MyEffect.h"
#include "ByteOrder.h"

#include "myMemoryBlock.h"

#include <cstring>
#include <limits>

namespace
{
// Swaps one 32-bit word in place, wherever it lies (no alignment needed).
void swapWordAt (void* p) noexcept
{
    uint32_t v;
    std::memcpy (&v, p, sizeof v);
    v = swap32 (v);
    std::memcpy (p, &v, sizeof v);
}

uint32_t wordAt (const void* p) noexcept
{
    uint32_t v;
    std::memcpy (&v, p, sizeof v);
    return v;
}
} // namespace

int MyEffect::SwapLongToBig (unsigned int v) noexcept
{
    return (int) swap32 ((uint32_t) v);
}

int MyEffect::SwapLongToHost (long v) noexcept
{
    return (int) swap32 ((uint32_t) (unsigned long) v);
}

// Through the bits: a swapped float may read as a NaN, whose pattern must survive.
float MyEffect::SwapFloatToBig (float v) noexcept
{
    uint32_t bits;
    std::memcpy (&bits, &v, sizeof bits);
    bits = swap32 (bits);
    float out;
    std::memcpy (&out, &bits, sizeof out);
    return out;
}

float MyEffect::SwapFloatToHost (float v) noexcept
{
    return SwapFloatToBig (v);
}

void MyEffect::SwapHeaderToBig (stateHeader* h) noexcept
{
    if (h == nullptr)
        return;
    h->magic = swap32 (h->magic);
    h->product = swap32 (h->product);
    h->version = swap32 (h->version);
}

void MyEffect::SwapHeaderToHost (stateHeader* h) noexcept
{
    if (h == nullptr || h->magic == stateMagic)
        return;
    SwapHeaderToBig (h);
}

void MyEffect::SwapSuperConfigToBig (int* cells) noexcept
{
    if (cells == nullptr)
        return;
    for (int k = 0; k < 8; ++k)
        swapWordAt (cells + k);
}

void MyEffect::SwapSuperConfigToHost (int* cells) noexcept
{
    if (cells == nullptr)
        return;
    bool hostOrder = true;
    for (int k = 0; k < 8; ++k)
        hostOrder = hostOrder && wordAt (cells + k) < 17u;
    if (! hostOrder)
        SwapSuperConfigToBig (cells);
}

void MyEffect::SwapSyncControlToBig (SyncControl* records, int n) noexcept
{
    if (records == nullptr)
        return;
    for (int k = 0; k < n; ++k)
    {
        auto* bytes = reinterpret_cast<unsigned char*> (records + k);
        swapWordAt (bytes + offsetof (SyncControl, count));
        swapWordAt (bytes + offsetof (SyncControl, note));
    }
}

void MyEffect::SwapSyncControlToHost (SyncControl* records, int n) noexcept
{
    if (records == nullptr || n <= 0)
        return;
    const auto firstCount = (int32_t) wordAt (reinterpret_cast<unsigned char*> (records) + offsetof (SyncControl, count));
    if (firstCount >= 1 && firstCount <= 19)
        return;
    SwapSyncControlToBig (records, n);
}

//==============================================================================
void MyEffect::writeStateChunk (juce::MemoryBlock& dest, uint32_t productCode,
                                const void* programBytes, std::size_t programSize) const
{
    myMemoryBlock writer;
    writer.target = &dest;

    stateHeader header { stateMagic, productCode, stateVersion };
    SwapHeaderToBig (&header);
    writer.appendBlock (&header, (long) sizeof header);
    writer.appendBlock (programBytes, (long) programSize);

    const int n = const_cast<MyEffect*> (this)->getMyNumParameters();
    std::vector<MidiBindingRecord> table ((size_t) juce::jmax (0, n));
    getMidiInformation (table.data());
    writer.appendBlock (table.data(), (long) (table.size() * sizeof (MidiBindingRecord)));
}

bool MyEffect::readStateChunk (const void* data, int sizeInBytes, uint32_t productCode, StateChunkView& view)
{
    if (data == nullptr || sizeInBytes <= 0)
        return false;

    myMemoryBlock reader;
    reader.setDataBlock (data, (std::size_t) sizeInBytes);

    const uint8_t* headerBytes = reader.getNextBlock();
    if (headerBytes == nullptr || reader.length < sizeof (stateHeader))
        return false;

    stateHeader header;
    std::memcpy (&header, headerBytes, sizeof header);
    SwapHeaderToHost (&header);
    if (header.magic != stateMagic || header.product != productCode || header.version <= 101)
        return false;

    const uint8_t* programs = reader.getNextBlock();
    if (programs == nullptr)
        return false;

    StateChunkView result;
    result.version = header.version;
    result.programs = programs;
    result.programsSize = reader.length;

    // The MIDI binding table is optional; a block that crosses the end is left out.
    if (const uint8_t* midi = reader.getNextBlock())
    {
        result.midi = midi;
        result.midiSize = reader.length;
    }

    view = result;
    return true;
}

//==============================================================================
bool MyEffect::saveSelf (juce::FileOutputStream* out)
{
    if (out == nullptr || out->failedToOpen())
        return false;

    // A FileOutputStream opens an existing file at its end: start it afresh.
    if (! out->setPosition (0) || out->truncate().failed())
        return false;

    const int32_t id = (int32_t) getProgramID();
    const int32_t placeholder = 0;
    out->write (&id, sizeof id);
    out->write (&placeholder, sizeof placeholder);

    juce::MemoryBlock chunk;
    getCurrentProgramStateInformation (chunk);
    out->write (chunk.getData(), chunk.getSize());

    if (out->setPosition (4))
    {
        const auto length = (int32_t) chunk.getSize();
        out->write (&length, sizeof length);
    }
    out->flush();
    return out->getStatus().wasOk();
}

bool MyEffect::loadSelf (juce::FileInputStream* in)
{
    if (in == nullptr || in->failedToOpen())
        return false;

    uint32_t words[2];
    if (in->read (words, (int) sizeof words) != (int) sizeof words)
        return false;

    uint32_t length = words[1];
    if (length > maxProgramFileLength)
    {
        // An older big-endian writer counted the length in 4-byte words
        // (counted in 64 bits: a word count of 2^30 or more must not wrap
        // round to a small byte count).
        words[0] = swap32 (words[0]);
        const uint64_t bytes = (uint64_t) swap32 (length) * 4u;
        if (bytes > maxProgramFileLength)
            return false;
        length = (uint32_t) bytes;
    }

    const juce::int64 left = in->getTotalLength() - in->getPosition();
    if (length == 0 || (juce::int64) length > left
        || length > (uint32_t) std::numeric_limits<int>::max())
        return false;

    juce::MemoryBlock data ((size_t) length);
    if (in->read (data.getData(), (int) length) != (int) length)
        return false;

    return loadCurrentProgramChunk (data.getData(), (int) length);
}

bool MyEffect::loadCurrentProgramChunk (const void* data, int sizeInBytes)
{
    setCurrentProgramStateInformation (data, sizeInBytes);
    return true;
}

int MyEffect::getNumChunk() { return 1; }
bool MyEffect::areMonoAndStereoChunkDifferents() { return false; }
bool MyEffect::isChunkTypeValid (unsigned int, unsigned int) { return true; }
bool MyEffect::compareStateInformation (void*, int) { return true; }
