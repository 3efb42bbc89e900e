// The crunch effect's saved state: the chunk layout, round trips, chunks
// written in host order and by version 102, refused and damaged chunks
// (truncations in exactly-sized buffers and a fixed-seed mutation sweep),
// and a restored program made live.
#include "EngineStateChecks.h"
#include "ZuveruvaTestSupport.h"

#include "Utilities.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zuveruva_test;

namespace
{
constexpr size_t programSize = sizeof (ZuveruvaProgram);
constexpr size_t midiSize = 37 * 20;
constexpr size_t currentChunkSize = 4 + 12 + 4 + programSize + 4 + midiSize;
constexpr size_t wholeChunkSize = 4 + 12 + 4 + 5 * programSize + 4 + midiSize;

// Values set through the effect's own operations, so that every part of a
// program record differs from its initial value.
void makeDistinctive (Zuveruva& fx, float shift = 0.0f)
{
    fx.setIndexedParameter (Zuveruva::kSuperSlider, 0.3f);
    const std::pair<int, float> values[] = {
        { Zuveruva::kGain, 0.31f }, { Zuveruva::kMix, 0.42f }, { Zuveruva::kBalance, 0.53f },
        { Zuveruva::kAuxGain, 0.64f }, { Zuveruva::kAuxDepth, 0.27f }, { Zuveruva::kFrequency, 0.18f },
        { Zuveruva::kAmplitude, 0.29f }, { Zuveruva::kLoop, 1.0f }, { Zuveruva::kLoopBegin, 0.1f },
        { Zuveruva::kLoopEnd, 0.9f }, { Zuveruva::kAgitation1Ampl, 0.2f }, { Zuveruva::kAgitation2Ampl, 0.3f },
        { Zuveruva::kAgitation3Speed, 0.4f }, { Zuveruva::kAgitation4Ampl, 0.15f },
        { Zuveruva::kFrequencyAgit, 6.0f / 7.0f }, { Zuveruva::kMixAgit, 1.0f / 7.0f },
        { Zuveruva::kInterSpeed, 0.3f }, { Zuveruva::kLoadSpeed, 1.0f }, { Zuveruva::kBands, 0.8f },
        { Zuveruva::kAuxOn, 2.0f / 3.0f },
    };
    for (const auto& [i, v] : values)
        fx.setIndexedParameter (i, juce::jlimit (0.0f, 1.0f, v + shift));
    fx.SetPreset (4, 1);
    fx.setIndexedParameter (Zuveruva::kGain, 0.55f + shift);
    fx.SetPreset (9, 1);
    fx.setSuperState (3, 9);
    fx.setSuperState (5, -1);
    fx.changeProgramName (fx.getCurrentProgram(), "Distinctive");
    fx.getMidiBinding (6)->store ({ 1, 3, 74, 60, 0 });
    fx.savedEditorWidth.store (640);
    fx.savedEditorHeight.store (480);
}

using state_checks::chunkOf;

void load (Zuveruva& fx, const void* data, size_t size, bool allPrograms)
{
    if (allPrograms)
        fx.setStateInformation (data, (int) size);
    else
        fx.setCurrentProgramStateInformation (data, (int) size);
}

void load (Zuveruva& fx, const juce::MemoryBlock& m, bool allPrograms)
{
    load (fx, m.getData(), m.getSize(), allPrograms);
}

// The bytes of the program records of a chunk (after header and length words).
bool sameProgramBytes (const juce::MemoryBlock& a, const juce::MemoryBlock& b, int count)
{
    const size_t n = 20 + (size_t) count * programSize;
    return a.getSize() >= n && b.getSize() >= n && std::memcmp (a.getData(), b.getData(), n) == 0;
}

uint32_t wordLE (const juce::MemoryBlock& m, size_t offset)
{
    uint32_t v;
    std::memcpy (&v, static_cast<const char*> (m.getData()) + offset, 4);
    return v;
}

uint32_t wordBE (const juce::MemoryBlock& m, size_t offset)
{
    const auto* p = static_cast<const uint8_t*> (m.getData()) + offset;
    return ((uint32_t) p[0] << 24) | ((uint32_t) p[1] << 16) | ((uint32_t) p[2] << 8) | (uint32_t) p[3];
}

float floatBE (const juce::MemoryBlock& m, size_t offset)
{
    const uint32_t bits = wordBE (m, offset);
    float f;
    std::memcpy (&f, &bits, 4);
    return f;
}

// A chunk written from the documented layout, word by word.
class ChunkBuilder
{
public:
    explicit ChunkBuilder (bool bigEndian) : big (bigEndian) {}

    void word (std::vector<uint8_t>& out, size_t offset, uint32_t v) const
    {
        for (int k = 0; k < 4; ++k)
            out[offset + (size_t) k] = (uint8_t) (big ? v >> (24 - 8 * k) : v >> (8 * k));
    }
    void real (std::vector<uint8_t>& out, size_t offset, float f) const
    {
        uint32_t bits;
        std::memcpy (&bits, &f, 4);
        word (out, offset, bits);
    }
    static void lengthWord (std::vector<uint8_t>& out, uint32_t n)
    {
        for (int k = 0; k < 4; ++k)
            out.push_back ((uint8_t) (n >> (8 * k)));
    }

    std::vector<uint8_t> chunk (const std::vector<std::vector<uint8_t>>& records, uint32_t version) const
    {
        std::vector<uint8_t> out;
        lengthWord (out, 12);
        std::vector<uint8_t> header (12);
        word (header, 0, makeFourCC ('V', 'o', 'k', 't'));
        word (header, 4, makeFourCC ('D', 'i', 'z', 'o'));
        word (header, 8, version);
        out.insert (out.end(), header.begin(), header.end());
        lengthWord (out, (uint32_t) (records.size() * programSize));
        for (const auto& r : records)
            out.insert (out.end(), r.begin(), r.end());
        lengthWord (out, (uint32_t) midiSize);
        std::vector<uint8_t> midi (midiSize, 0);
        out.insert (out.end(), midi.begin(), midi.end());
        return out;
    }

    // A program record with every float set to a value of the program layout.
    std::vector<uint8_t> program (float gain, const char* name, int32_t editorWidth) const
    {
        std::vector<uint8_t> r (programSize, 0);
        word (r, 0, 1);
        real (r, 8, 0.2f);     // InterSpeed
        real (r, 12, 1.0f);    // Bands: 8192
        real (r, 16, gain);    // Gain
        real (r, 20, 0.5f);    // Mix
        real (r, 24, 1.0f);    // Balance
        real (r, 28, 0.8f);    // Aux Gain
        real (r, 32, 1.0f);    // Aux Depth
        real (r, 44, 0.25f);   // Frequency
        real (r, 48, 0.75f);   // Amplitude
        real (r, 60, 1.0f);    // Loop End
        for (int c = 0; c < 8; ++c)
            word (r, 232 + 4 * (size_t) c, (uint32_t) (7 - c));
        for (int i = 0; i < 37; ++i)
        {
            word (r, 264 + 12 * (size_t) i + 4, 1);  // count
            word (r, 264 + 12 * (size_t) i + 8, 4);  // note
        }
        for (int k = 0; k < 16; ++k)
        {
            const size_t p = 1032 + 992 * (size_t) k;
            word (r, p, 2);
            real (r, p + 4, 0.5f);
            for (int i = 0; i < 37; ++i)
            {
                word (r, p + 224 + 12 * (size_t) i + 4, 1);
                word (r, p + 224 + 12 * (size_t) i + 8, 4);
            }
        }
        std::strncpy (reinterpret_cast<char*> (r.data() + 16904), name, 23);
        word (r, 17184, (uint32_t) editorWidth);
        word (r, 17188, 300);
        return r;
    }

private:
    const bool big;
};

TEST (ZuveruvaState, ChunkLayout)
{
    Zuveruva fx;
    makeDistinctive (fx);

    const auto whole = chunkOf (fx, true);
    const auto current = chunkOf (fx, false);
    ASSERT_EQ (whole.getSize(), wholeChunkSize);
    ASSERT_EQ (current.getSize(), currentChunkSize);
    EXPECT_EQ (whole.getSize(), 86724u);
    EXPECT_EQ (current.getSize(), 17956u);

    const uint8_t head[] = { 0x0c, 0, 0, 0, 'V', 'o', 'k', 't', 'D', 'i', 'z', 'o', 0, 0, 0, 0x67 };
    EXPECT_EQ (std::memcmp (whole.getData(), head, sizeof head), 0);
    EXPECT_EQ (std::memcmp (current.getData(), head, sizeof head), 0);
    EXPECT_EQ (wordLE (whole, 16), 85960u);
    EXPECT_EQ (wordLE (whole, 85980), 740u);
    EXPECT_EQ (wordLE (current, 16), 17192u);
    EXPECT_EQ (wordLE (current, 17212), 740u);

    // The record: marker in host order, the rest big-endian.
    const size_t r = 20;
    EXPECT_EQ (wordLE (current, r), 1u);
    EXPECT_EQ (floatBE (current, r + 16), 0.55f);   // Gain
    EXPECT_EQ (floatBE (current, r + 20), 0.42f);   // Mix
    EXPECT_EQ (floatBE (current, r + 12), 0.8f);    // Bands
    EXPECT_EQ (current[r + 40], 1);                 // LoadSpeed byte
    EXPECT_EQ (wordBE (current, r + 232 + 12), 9u); // cell 3
    EXPECT_EQ (wordBE (current, r + 232 + 20), 0xffffffffu); // cell 5 empty
    EXPECT_EQ (wordBE (current, r + 264 + 12 * 21 + 4), 1u); // sync record 21: count
    EXPECT_EQ (wordBE (current, r + 1032 + 992 * 4), 1u);    // preset 5 stored
    EXPECT_EQ (floatBE (current, r + 1032 + 992 * 4 + 8), 0.31f); // its gain
    EXPECT_STREQ (static_cast<const char*> (current.getData()) + r + 16904, "Distinctive");
    EXPECT_EQ (wordBE (current, r + 17184), 640u);
    EXPECT_EQ (wordBE (current, r + 17188), 480u);
    // The MIDI table in host order.
    EXPECT_EQ (wordLE (current, 17216 + 6 * 20), 1u);
    EXPECT_EQ (wordLE (current, 17216 + 6 * 20 + 8), 74u);
}

TEST (ZuveruvaState, ChunksRoundTripByteForByte)
{
    for (bool allPrograms : { true, false })
    {
        SCOPED_TRACE (allPrograms ? "whole state" : "current program");
        Zuveruva a;
        makeDistinctive (a);
        a.setCurrentProgram (2);
        makeDistinctive (a, 0.05f);
        const auto saved = chunkOf (a, allPrograms);

        Zuveruva b;
        load (b, saved, allPrograms);
        const auto again = chunkOf (b, allPrograms);
        ASSERT_EQ (again.getSize(), saved.getSize());
        EXPECT_EQ (again, saved);
        EXPECT_EQ (b.getMidiBinding (6)->load().controller, 74);
    }
}

TEST (ZuveruvaState, ARestoredProgramIsLiveAndSoundsAsSaved)
{
    Zuveruva a, b;
    ASSERT_TRUE (prepare (a, 2, 0, 512));
    ASSERT_TRUE (prepare (b, 2, 0, 512));
    makeDistinctive (a);
    a.setIndexedParameter (Zuveruva::kAuxOn, 0.0f);
    ASSERT_EQ (a.getFrameSize(), 2048);

    load (b, chunkOf (a, false), false);
    EXPECT_EQ (b.getFrameSize(), 2048);
    EXPECT_EQ (b.getLatencySamples(), a.getLatencySamples());
    for (int i = 1; i < Zuveruva::numParameters; ++i)
        if (i != Zuveruva::kPreset)
        {
            EXPECT_EQ (b.getIndexedParameter (i), a.getIndexedParameter (i)) << i;
        }
    for (int cell = 0; cell < 8; ++cell)
        EXPECT_EQ (b.getSuperState (cell), a.getSuperState (cell)) << cell;
    int statesA[16], statesB[16];
    a.getPresetStates (statesA);
    b.getPresetStates (statesB);
    EXPECT_TRUE (std::equal (statesA, statesA + 16, statesB));
    EXPECT_EQ (b.savedEditorWidth.load(), 640);

    Render r;
    r.in = { noise (30000, 3), noise (30000, 4) };
    const auto outA = r.run (a);
    const auto outB = r.run (b);
    EXPECT_EQ (outA, outB);
}

TEST (ZuveruvaState, RefusedChunksChangeNothing)
{
    Zuveruva source;
    makeDistinctive (source);
    const auto good = chunkOf (source, false);

    const auto damaged = [&] (size_t offset, std::initializer_list<uint8_t> bytes) {
        juce::MemoryBlock m (good);
        size_t k = 0;
        for (uint8_t b : bytes)
            m[offset + k++] = (char) b;
        return m;
    };
    const std::pair<const char*, juce::MemoryBlock> cases[] = {
        { "magic", damaged (4, { 'V', 'o', 'k', 's' }) },
        { "product of the application", damaged (8, { 'V', 'S', 'e', 'l' }) },
        { "version 101", damaged (12, { 0, 0, 0, 101 }) },
        { "header block of 11 bytes", damaged (0, { 11 }) },
        { "short program block", damaged (16, { 0x27, 0x43, 0, 0 }) },
        { "program block past the end", damaged (16, { 0xff, 0xff, 0, 0 }) },
    };

    for (const auto& [what, chunk] : cases)
    {
        SCOPED_TRACE (what);
        Zuveruva fx;
        const auto before = chunkOf (fx, true);
        load (fx, chunk, false);
        load (fx, chunk, true);
        EXPECT_EQ (chunkOf (fx, true), before);
        EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kGain), 0.8f);
        EXPECT_EQ (fx.getFrameSize(), 128);
    }
}

TEST (ZuveruvaState, HostOrderChunksAreRecognisedAndRead)
{
    // A little-endian writer: header, record and sync records in host order;
    // the editor width (800) marks the record as host order.
    const ChunkBuilder le (false);
    const auto bytes = le.chunk ({ le.program (0.3f, "Host order", 800) }, 103);

    Zuveruva fx;
    load (fx, bytes.data(), bytes.size(), false);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kGain), 0.3f);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kMix), 0.5f);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kAmplitude), 0.75f);
    EXPECT_EQ (fx.getFrameSize(), 8192);
    EXPECT_EQ (fx.getProgramName (0), "Host order");
    EXPECT_EQ (fx.getSuperState (0), 7);
    EXPECT_EQ (fx.getSuperState (7), 0);
    EXPECT_EQ (fx.GetSyncNombre (Zuveruva::kAgitation1Speed), 1);
    EXPECT_EQ (fx.savedEditorWidth.load(), 800);

    // The same record big-endian, with editor width 0: always swapped.
    const ChunkBuilder be (true);
    const auto big = be.chunk ({ be.program (0.4f, "Big", 0) }, 103);
    load (fx, big.data(), big.size(), false);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kGain), 0.4f);
    EXPECT_EQ (fx.getProgramName (0), "Big");
    EXPECT_EQ (fx.getSuperState (0), 7);
}

TEST (ZuveruvaState, Version102ChunksGetTheLaterAgitationDefaults)
{
    const ChunkBuilder be (true);
    std::vector<std::vector<uint8_t>> records;
    for (int k = 0; k < 5; ++k)
    {
        auto r = be.program (0.1f * (float) (k + 1), "Old", 0);
        for (int g = 0; g < 3; ++g)
        {
            be.real (r, 68 + 4 * (size_t) g, 0.5f);  // agitation 2..4 amplitudes
            be.real (r, 80 + 4 * (size_t) g, 0.6f);  // agitation 2..4 speeds
            const size_t speed = 264 + 12 * (size_t) (33 + g);
            r[speed] = 0;       // not able
            r[speed + 1] = 1;   // sync on
            be.word (r, speed + 4, 7);
            be.word (r, speed + 8, 9);
            const size_t ampl = 264 + 12 * (size_t) (30 + g);
            r[ampl] = 1;
            be.word (r, ampl + 4, 3);
            const size_t presetSpeed = 1032 + 224 + 12 * (size_t) (33 + g);
            r[presetSpeed + 1] = 1;
            be.real (r, 1032 + 60 + 4 * (size_t) g, 0.7f); // preset 1's agitation amplitudes
        }
        records.push_back (r);
    }

    Zuveruva fx;
    const auto v101 = be.chunk (records, 101);
    load (fx, v101.data(), v101.size(), true);
    EXPECT_EQ (fx.getProgramName (0), "Init Quarn"); // refused

    const auto v102 = be.chunk (records, 102);
    load (fx, v102.data(), v102.size(), true);
    for (int k = 0; k < 5; ++k)
    {
        SCOPED_TRACE (k);
        const auto p = fx.getProgram (k);
        EXPECT_STREQ (p.name, "Old");
        EXPECT_FLOAT_EQ (p.gain, 0.1f * (float) (k + 1));
        // The current program is applied: its synced speeds take the tempo's values.
        const bool applied = k == 0;
        for (int g = 0; g < 3; ++g)
        {
            EXPECT_EQ (p.agitationAmpl234[g], 0.0f);
            if (! applied)
            {
                EXPECT_EQ (p.agitationSpeed234[g], 0.0f);
            }
            EXPECT_FALSE (p.syncTable[30 + g].able);
            EXPECT_EQ (p.syncTable[30 + g].count, 1);
            EXPECT_EQ (p.syncTable[30 + g].note, 4);
            EXPECT_TRUE (p.syncTable[33 + g].able);
            EXPECT_TRUE (p.syncTable[33 + g].mode); // the program's mode byte is left
            if (! applied)
            {
                EXPECT_EQ (p.syncTable[33 + g].count, 1);
                EXPECT_EQ (p.syncTable[33 + g].note, 4);
            }
            EXPECT_EQ (p.presets[0].agitationAmpl234[g], 0.0f);
            EXPECT_FALSE (p.presets[0].syncTable[33 + g].mode); // the presets' is cleared
        }
        EXPECT_TRUE (p.syncTable[21].able);
    }
    EXPECT_EQ (fx.agitationAmplitudes[1].load(), 0.0f);
}

// Every length of a valid chunk, each in a buffer of exactly that size:
// nothing is read past the end, a chunk cut inside its records changes
// nothing, and one cut only inside the MIDI table still loads the program.
TEST (ZuveruvaState, TruncatedChunksNeverReadPastTheirEnd)
{
    Zuveruva source;
    makeDistinctive (source);
    const auto good = chunkOf (source, false);
    const size_t recordsEnd = 20 + programSize;

    Zuveruva fx;
    const auto fresh = chunkOf (fx, false);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= good.getSize(); ++n)
        if (n <= 64 || n + 800 >= good.getSize() || n % 37 == 0)
            lengths.push_back (n);

    for (size_t n : lengths)
    {
        std::unique_ptr<uint8_t[]> exact (new uint8_t[n]);
        std::memcpy (exact.get(), good.getData(), n);
        fx.setCurrentProgramStateInformation (exact.get(), (int) n);
        const auto now = chunkOf (fx, false);
        if (n < recordsEnd)
            ASSERT_EQ (now, fresh) << n;
        else
            ASSERT_TRUE (sameProgramBytes (now, good, 1)) << n;
    }
    EXPECT_EQ (fx.getMidiBinding (6)->load().controller, 74); // the whole table arrived last
}

bool isPowerOfTwo (int64_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// Damaged chunks from a fixed seed: byte and word changes (lengths, NaN,
// infinities, out-of-range cells and sync records), cuts and extensions.
// Each is read from an exactly-sized buffer; afterwards the effect still
// holds a consistent state.
TEST (ZuveruvaState, MutatedChunksLeaveAConsistentEffect)
{
    Zuveruva source;
    makeDistinctive (source);
    const juce::MemoryBlock valid[] = { chunkOf (source, false), chunkOf (source, true) };
    const uint32_t interesting[] = { 0u, 1u, 12u, 17192u, 85960u, 740u, 0xffffffffu, 0x7fc00000u, 0x7f800000u,
                                     0xff800000u, 0x00000001u, 0x80000000u, 16u, 17u, 0x3f800000u, 0x0c000000u };

    Zuveruva fx;
    juce::Random random (20240611);
    for (int iteration = 0; iteration < 1500; ++iteration)
    {
        const bool whole = random.nextBool();
        std::vector<uint8_t> bytes (static_cast<const uint8_t*> (valid[whole].getData()),
                                    static_cast<const uint8_t*> (valid[whole].getData()) + valid[whole].getSize());
        const int edits = 1 + random.nextInt (8);
        for (int e = 0; e < edits && ! bytes.empty(); ++e)
        {
            const auto at = (size_t) random.nextInt ((int) bytes.size());
            switch (random.nextInt (5))
            {
                case 0: bytes[at] = (uint8_t) random.nextInt (256); break;
                case 1:
                {
                    const uint32_t w = interesting[random.nextInt ((int) std::size (interesting))];
                    const size_t aligned = std::min (at & ~(size_t) 3, bytes.size() - std::min<size_t> (bytes.size(), 4));
                    for (int k = 0; k < 4 && aligned + (size_t) k < bytes.size(); ++k)
                        bytes[aligned + (size_t) k] = (uint8_t) (w >> (8 * (random.nextBool() ? k : 3 - k)));
                    break;
                }
                case 2: bytes.resize (at); break;
                case 3: bytes.insert (bytes.end(), (size_t) random.nextInt (64), (uint8_t) random.nextInt (256)); break;
                default:
                {
                    // A length word of the frame.
                    const size_t frame[] = { 0, 16, whole ? 85980u : 17212u };
                    const size_t w = frame[random.nextInt (3)];
                    if (w + 4 <= bytes.size())
                        for (int k = 0; k < 4; ++k)
                            bytes[w + (size_t) k] = (uint8_t) random.nextInt (256);
                    break;
                }
            }
        }

        std::unique_ptr<uint8_t[]> exact (new uint8_t[bytes.size()]);
        std::copy (bytes.begin(), bytes.end(), exact.get());
        if (random.nextBool())
            fx.setStateInformation (exact.get(), (int) bytes.size());
        else
            fx.setCurrentProgramStateInformation (exact.get(), (int) bytes.size());

        SCOPED_TRACE (iteration);
        for (int i = 0; i < Zuveruva::numParameters; ++i)
        {
            const float v = fx.getIndexedParameter (i);
            ASSERT_TRUE (v >= 0.0f && v <= 1.0f) << "parameter " << i << " = " << v;
        }
        for (int cell = 0; cell < 8; ++cell)
        {
            const long s = fx.getSuperState (cell);
            ASSERT_TRUE (s >= -1 && s <= 15) << cell;
        }
        ASSERT_NE (fx.getSuperState (0), -1);
        ASSERT_NE (fx.getSuperState (7), -1);
        ASSERT_TRUE (isPowerOfTwo (fx.getFrameSize()) && fx.getFrameSize() >= 4 && fx.getFrameSize() <= 8192);
        int states[16];
        fx.getPresetStates (states);
        for (int s : states)
            ASSERT_TRUE (s >= 0 && s <= 3);
        for (int k = 0; k < 5; ++k)
            ASSERT_LE (fx.getProgramName (k).getNumBytesAsUTF8(), 23u);
        ASSERT_FALSE (std::isnan (fx.interpolationRate.load()));

        // What it saves now reads back to the same records.
        if (iteration % 50 == 0)
        {
            const auto saved = chunkOf (fx, true);
            Zuveruva check;
            load (check, saved, true);
            ASSERT_TRUE (sameProgramBytes (chunkOf (check, true), saved, 5));
        }
    }
}
} // namespace

// A synced value snaps once, when it is set; the snapped value and its
// record then survive any number of saves and loads unchanged (snapping the
// stored value again on each load walked it down a note per cycle to 0).
TEST (ZuveruvaStateFixedPoint, SyncedValuesSnapOnceNotOnEveryLoad)
{
    state_checks::expectSyncedValuesSnapOnceNotOnEveryLoad<Zuveruva> (
        { (int) Zuveruva::kAgitation1Speed, (int) Zuveruva::kInterSpeed }, { 0.058f, 0.041f, 0.3f, 0.77f, 0.999f }, true);
}

// A program file whose chunk the effect refuses loads nothing and says so.
TEST (ZuveruvaStateFixedPoint, LoadSelfReportsARefusedChunk)
{
    state_checks::expectLoadSelfReportsARefusedChunk<Zuveruva> (true);
}
