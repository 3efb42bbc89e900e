// State chunk frame, byte order, refused and damaged chunks, program file.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace
{
constexpr int numParams = 8;

juce::MemoryBlock chunkOf (TestEffect& e)
{
    juce::MemoryBlock block;
    e.getStateInformation (block);
    return block;
}

void giveDistinctState (TestEffect& e)
{
    for (int i = 0; i < numParams; ++i)
        e.setParameterNotifyingHost (i, 0.1f * (float) i);
    e.midiBindings[2].store ({ 1, 3, 7, 60, 0 });
    e.midiBindings[5].store ({ 2, 16, 0, 64, 0 });
}

std::vector<float> valuesOf (TestEffect& e)
{
    std::vector<float> v;
    for (int i = 0; i < numParams; ++i)
        v.push_back (e.getIndexedParameter (i));
    return v;
}

std::vector<MidiBindingRecord> bindingsOf (const TestEffect& e)
{
    std::vector<MidiBindingRecord> table (numParams);
    e.getMidiInformation (table.data());
    return table;
}

bool sameBindings (const std::vector<MidiBindingRecord>& a, const std::vector<MidiBindingRecord>& b)
{
    return a.size() == b.size() && std::memcmp (a.data(), b.data(), a.size() * sizeof (MidiBindingRecord)) == 0;
}

// Bound records equal field by field; unbound ones only need type 0 (a
// loaded unbound record reads {0, 1, 0, 0}).
bool sameActiveBindings (const std::vector<MidiBindingRecord>& a, const std::vector<MidiBindingRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (a[i].type != b[i].type)
            return false;
        if (a[i].type != 0
            && (a[i].channel != b[i].channel || a[i].controller != b[i].controller || a[i].note != b[i].note))
            return false;
    }
    return true;
}

// Applies bytes from an exactly-sized heap copy, so any read past them is caught.
void applyExact (TestEffect& e, const void* bytes, size_t size)
{
    std::unique_ptr<uint8_t[]> copy (new uint8_t[size]);
    if (size > 0)
        std::memcpy (copy.get(), bytes, size);
    e.setStateInformation (copy.get(), (int) size);
}

uint32_t bigEndianWordAt (const juce::MemoryBlock& b, size_t offset)
{
    auto* p = static_cast<const uint8_t*> (b.getData()) + offset;
    return (uint32_t (p[0]) << 24) | (uint32_t (p[1]) << 16) | (uint32_t (p[2]) << 8) | uint32_t (p[3]);
}

uint32_t hostWordAt (const juce::MemoryBlock& b, size_t offset)
{
    uint32_t v;
    std::memcpy (&v, static_cast<const uint8_t*> (b.getData()) + offset, 4);
    return v;
}
} // namespace

TEST (MyEffectChunk, RoundTripKeepsValuesAndBindings)
{
    TestEffect source (numParams, false);
    giveDistinctState (source);
    const auto chunk = chunkOf (source);
    EXPECT_EQ (chunk.getSize(), (size_t) (4 + 12 + 4 + numParams * 4 + 4 + numParams * 20));

    TestEffect target (numParams, false);
    target.setStateInformation (chunk.getData(), (int) chunk.getSize());
    EXPECT_EQ (valuesOf (target), valuesOf (source));
    EXPECT_TRUE (sameActiveBindings (bindingsOf (target), bindingsOf (source)));
    EXPECT_EQ (target.midiBindings[0].load().controller, 0);
}

TEST (MyEffectChunk, HeaderAndRecordsAreBigEndian)
{
    TestEffect e (numParams, false);
    e.setParameterNotifyingHost (1, 0.25f);
    const auto chunk = chunkOf (e);

    EXPECT_EQ (hostWordAt (chunk, 0), 12u);  // block lengths in host order
    EXPECT_EQ (std::memcmp (static_cast<const char*> (chunk.getData()) + 4, "Vokt", 4), 0);
    EXPECT_EQ (std::memcmp (static_cast<const char*> (chunk.getData()) + 8, "Test", 4), 0);
    EXPECT_EQ (bigEndianWordAt (chunk, 12), 103u);
    EXPECT_EQ (hostWordAt (chunk, 16), (uint32_t) numParams * 4);

    float quarter = 0.25f;
    uint32_t bits;
    std::memcpy (&bits, &quarter, 4);
    EXPECT_EQ (bigEndianWordAt (chunk, 20 + 4), bits);  // the program record starts at offset 20
}

TEST (MyEffectChunk, AcceptanceByMagicProductAndVersion)
{
    TestEffect source (numParams, false);
    giveDistinctState (source);
    const auto good = chunkOf (source);

    const struct
    {
        const char* name;
        size_t offset;
        uint32_t bigEndianWord;
        bool accepted;
    } cases[] = {
        { "version 103", 12, 103, true },
        { "version 102", 12, 102, true },
        { "version 101", 12, 101, false },
        { "version 0", 12, 0, false },
        { "other product", 8, makeFourCC ('D', 'i', 'z', 'o'), false },
        { "other magic", 4, makeFourCC ('V', 'o', 'k', 's'), false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::MemoryBlock chunk (good);
        auto* p = static_cast<uint8_t*> (chunk.getData()) + c.offset;
        const uint8_t bytes[] = { uint8_t (c.bigEndianWord >> 24), uint8_t (c.bigEndianWord >> 16),
                                  uint8_t (c.bigEndianWord >> 8), uint8_t (c.bigEndianWord) };
        std::memcpy (p, bytes, 4);

        TestEffect target (numParams, false);
        const auto before = valuesOf (target);
        target.setStateInformation (chunk.getData(), (int) chunk.getSize());
        EXPECT_EQ (valuesOf (target) == valuesOf (source), c.accepted);
        if (! c.accepted)
        {
            EXPECT_EQ (valuesOf (target), before);
        }
    }

    // A header already in host order is recognised by its magic.
    juce::MemoryBlock chunk (good);
    stateHeader hostHeader { MyEffect::stateMagic, TestEffect::productCode, 103 };
    std::memcpy (static_cast<uint8_t*> (chunk.getData()) + 4, &hostHeader, sizeof hostHeader);
    TestEffect target (numParams, false);
    target.setStateInformation (chunk.getData(), (int) chunk.getSize());
    EXPECT_EQ (valuesOf (target), valuesOf (source));
}

TEST (MyEffectChunk, EveryTruncatedPrefixIsRefusedOrLoadsOnlyWholeBlocks)
{
    TestEffect source (numParams, false);
    giveDistinctState (source);
    const auto chunk = chunkOf (source);
    const size_t programsEnd = 4 + 12 + 4 + numParams * 4;

    for (size_t length = 0; length < chunk.getSize(); ++length)
    {
        SCOPED_TRACE (length);
        TestEffect target (numParams, false);
        const auto values = valuesOf (target);
        const auto bindings = bindingsOf (target);

        applyExact (target, chunk.getData(), length);

        if (length < programsEnd)
        {
            EXPECT_EQ (valuesOf (target), values);  // refused: nothing changed
        }
        else
        {
            EXPECT_EQ (valuesOf (target), valuesOf (source));
        }
        EXPECT_TRUE (sameBindings (bindingsOf (target), bindings));  // the MIDI block never fits
    }
}

TEST (MyEffectChunk, MutatedChunksAreRefusedOrLoadSaneValues)
{
    TestEffect source (numParams, false);
    giveDistinctState (source);
    const auto chunk = chunkOf (source);
    const auto* original = static_cast<const uint8_t*> (chunk.getData());

    std::mt19937 random (20240601u);
    std::vector<uint8_t> bytes (chunk.getSize());

    for (int round = 0; round < 3000; ++round)
    {
        std::memcpy (bytes.data(), original, bytes.size());
        const int flips = 1 + (int) (random() % 4);
        for (int k = 0; k < flips; ++k)
            bytes[random() % bytes.size()] = (uint8_t) random();
        // Length words are where damage hurts most: hit them often.
        if (round % 3 == 0)
        {
            const size_t words[] = { 0, 16, 20 + numParams * 4 };
            const uint32_t v = random() % 2 ? (uint32_t) random() : (uint32_t) (random() % 400);
            std::memcpy (bytes.data() + words[random() % 3], &v, 4);
        }
        const size_t size = round % 5 == 0 ? random() % bytes.size() : bytes.size();

        TestEffect target (numParams, false);
        applyExact (target, bytes.data(), size);

        for (int i = 0; i < numParams; ++i)
        {
            const float v = target.getIndexedParameter (i);
            ASSERT_TRUE (v >= 0.0f && v <= 1.0f) << "round " << round;
        }
        for (const auto& r : bindingsOf (target))
        {
            ASSERT_TRUE (r.type >= 0 && r.type <= 4) << "round " << round;
            ASSERT_TRUE (r.channel >= 0 && r.channel <= 16) << "round " << round;
        }
    }
}

TEST (MyEffectChunk, ByteSwaps)
{
    EXPECT_EQ ((uint32_t) MyEffect::SwapLongToBig (0x01020304u), 0x04030201u);
    EXPECT_EQ ((uint32_t) MyEffect::SwapLongToHost ((long) 0x1122334401020304LL), 0x04030201u);

    // Every bit pattern survives a float swap there and back, NaNs included.
    for (uint32_t pattern : { 0x7fc00001u, 0x7f800001u, 0xffffffffu, 0x0000807fu, 0x0000c07fu, 0x3e800000u })
    {
        float f;
        std::memcpy (&f, &pattern, 4);
        const float back = MyEffect::SwapFloatToHost (MyEffect::SwapFloatToBig (f));
        uint32_t bits;
        std::memcpy (&bits, &back, 4);
        EXPECT_EQ (bits, pattern);

        const float swapped = MyEffect::SwapFloatToBig (f);
        std::memcpy (&bits, &swapped, 4);
        EXPECT_EQ (bits, (uint32_t) MyEffect::SwapLongToBig (pattern));
    }

    stateHeader h { MyEffect::stateMagic, makeFourCC ('V', 'S', 'e', 'l'), 103 };
    const stateHeader original = h;
    MyEffect::SwapHeaderToHost (&h);  // already host order
    EXPECT_EQ (std::memcmp (&h, &original, sizeof h), 0);
    MyEffect::SwapHeaderToBig (&h);
    EXPECT_EQ (std::memcmp (&h, "Vokt", 4), 0);
    MyEffect::SwapHeaderToHost (&h);
    EXPECT_EQ (std::memcmp (&h, &original, sizeof h), 0);
}

TEST (MyEffectChunk, SuperCellsAndSyncRecordsRecogniseTheirByteOrder)
{
    int cells[8] = { 0, 1, 2, 3, 4, 5, 6, 7 };
    MyEffect::SwapSuperConfigToHost (cells);  // host order: untouched
    EXPECT_EQ (cells[7], 7);
    MyEffect::SwapSuperConfigToBig (cells);
    EXPECT_EQ ((uint32_t) cells[1], 0x01000000u);
    MyEffect::SwapSuperConfigToHost (cells);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ (cells[k], k);

    // A set with an empty cell is always swapped; -1 reads the same.
    int withEmpty[8] = { 0, -1, -1, -1, -1, -1, -1, 15 };
    MyEffect::SwapSuperConfigToHost (withEmpty);
    EXPECT_EQ (withEmpty[1], -1);
    EXPECT_EQ ((uint32_t) withEmpty[7], 0x0f000000u);

    SyncControl records[2] = { { true, false, { 9, 9 }, 1, 4 }, { false, true, { 0, 0 }, 3, 21 } };
    MyEffect::SwapSyncControlToHost (records, 2);  // first count 1: host order
    EXPECT_EQ (records[1].note, 21);
    MyEffect::SwapSyncControlToBig (records, 2);
    EXPECT_EQ ((uint32_t) records[0].count, 0x01000000u);
    EXPECT_EQ (records[0].pad[0], 9);  // padding copied as it is
    MyEffect::SwapSyncControlToHost (records, 2);
    EXPECT_EQ (records[0].count, 1);
    EXPECT_EQ (records[1].count, 3);
    EXPECT_EQ (records[1].note, 21);
    EXPECT_TRUE (records[1].mode);

    SyncControl zeroCount[1] = { { true, true, { 0, 0 }, 0, 5 } };
    MyEffect::SwapSyncControlToHost (zeroCount, 1);  // count 0 reads as big-endian
    EXPECT_EQ ((uint32_t) zeroCount[0].note, 0x05000000u);
    MyEffect::SwapSyncControlToHost (nullptr, 3);
    MyEffect::SwapSyncControlToHost (zeroCount, 0);
}

TEST (MyEffectChunk, ProgramFileRoundTripTruncatesAndChecksLength)
{
    juce::TemporaryFile temp (".prog");
    const auto file = temp.getFile();
    file.replaceWithText (juce::String::repeatedString ("x", 5000));

    TestEffect source (numParams, false);
    giveDistinctState (source);
    {
        juce::FileOutputStream out (file);
        ASSERT_TRUE (source.saveSelf (&out));
    }
    const auto chunk = chunkOf (source);
    EXPECT_EQ (file.getSize(), (juce::int64) (8 + chunk.getSize()));

    juce::MemoryBlock written;
    ASSERT_TRUE (file.loadFileAsData (written));
    EXPECT_EQ (hostWordAt (written, 0), (uint32_t) source.getProgramID());
    EXPECT_EQ (hostWordAt (written, 4), (uint32_t) chunk.getSize());

    {
        TestEffect target (numParams, false);
        juce::FileInputStream in (file);
        ASSERT_TRUE (target.loadSelf (&in));
        EXPECT_EQ (valuesOf (target), valuesOf (source));
    }

    // Lengths that are 0 or longer than the file are refused.
    for (uint32_t badLength : { 0u, (uint32_t) chunk.getSize() + 1, 100000u })
    {
        juce::MemoryBlock damaged (written);
        std::memcpy (static_cast<uint8_t*> (damaged.getData()) + 4, &badLength, 4);
        file.replaceWithData (damaged.getData(), damaged.getSize());

        TestEffect target (numParams, false);
        const auto before = valuesOf (target);
        juce::FileInputStream in (file);
        EXPECT_FALSE (target.loadSelf (&in)) << badLength;
        EXPECT_EQ (valuesOf (target), before);
    }

    // An older big-endian writer counted the length in 4-byte words.
    ASSERT_EQ (chunk.getSize() % 4, 0u);
    juce::MemoryBlock old (written);
    const uint32_t words = (uint32_t) chunk.getSize() / 4;
    const uint8_t beWords[] = { uint8_t (words >> 24), uint8_t (words >> 16), uint8_t (words >> 8), uint8_t (words) };
    std::memcpy (static_cast<uint8_t*> (old.getData()) + 4, beWords, 4);
    file.replaceWithData (old.getData(), old.getSize());
    {
        TestEffect target (numParams, false);
        juce::FileInputStream in (file);
        ASSERT_TRUE (target.loadSelf (&in));
        EXPECT_EQ (valuesOf (target), valuesOf (source));
    }

    // Word counts whose byte count wraps round 32 bits to the real length are refused.
    for (uint32_t wrap : { 0x40000000u, 0x80000000u, 0xc0000000u })
    {
        const uint32_t wrapped = words + wrap;
        ASSERT_EQ (wrapped * 4u, (uint32_t) chunk.getSize());
        const uint8_t be[] = { uint8_t (wrapped >> 24), uint8_t (wrapped >> 16), uint8_t (wrapped >> 8), uint8_t (wrapped) };
        juce::MemoryBlock damaged (written);
        std::memcpy (static_cast<uint8_t*> (damaged.getData()) + 4, be, 4);
        file.replaceWithData (damaged.getData(), damaged.getSize());

        TestEffect target (numParams, false);
        const auto before = valuesOf (target);
        juce::FileInputStream in (file);
        EXPECT_FALSE (target.loadSelf (&in)) << wrap;
        EXPECT_EQ (valuesOf (target), before);
    }

    // A file shorter than its two words.
    file.replaceWithData ("abcde", 5);
    TestEffect target (numParams, false);
    juce::FileInputStream in (file);
    EXPECT_FALSE (target.loadSelf (&in));
}
