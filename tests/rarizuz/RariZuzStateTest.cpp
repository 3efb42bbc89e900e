// Saved state of the spectral delay: chunk layout and byte order, round
// trips, records written in host order or by version 102, damaged chunks.
#include "EngineStateChecks.h"
#include "RariZuz.h"
#include "RariZuzStateCheck.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

constexpr std::size_t kProgram = sizeof (RariZuzProgram);   // 57096
constexpr std::size_t kPreset = sizeof (RariZuzPreset);     // 3352
constexpr std::size_t kFirstRecord = 20;                    // after two lengths and the header
constexpr std::size_t kMidiTable = 163 * 20;

Bytes save (RariZuz& e, bool all)
{
    juce::MemoryBlock block;
    if (all)
        e.getStateInformation (block);
    else
        e.getCurrentProgramStateInformation (block);
    const auto* p = static_cast<const uint8_t*> (block.getData());
    return Bytes (p, p + block.getSize());
}

void load (RariZuz& e, const Bytes& chunk, bool all)
{
    // An exactly sized heap copy: any read past the end is caught.
    std::unique_ptr<uint8_t[]> copy (new uint8_t[chunk.size()]);
    std::memcpy (copy.get(), chunk.data(), chunk.size());
    if (all)
        e.setStateInformation (copy.get(), (int) chunk.size());
    else
        e.setCurrentProgramStateInformation (copy.get(), (int) chunk.size());
}

uint32_t hostWord (const Bytes& b, std::size_t at)
{
    uint32_t v;
    std::memcpy (&v, b.data() + at, 4);
    return v;
}

uint32_t bigWord (const Bytes& b, std::size_t at)
{
    return (uint32_t (b[at]) << 24) | (uint32_t (b[at + 1]) << 16) | (uint32_t (b[at + 2]) << 8) | b[at + 3];
}

void swapWordAt (Bytes& b, std::size_t at)
{
    std::swap (b[at], b[at + 3]);
    std::swap (b[at + 1], b[at + 2]);
}

// The big-endian fields of one program record, from the layout of the saved
// state (offsets within the record).
std::vector<std::size_t> bigEndianFields()
{
    std::vector<std::size_t> at;
    for (std::size_t o = 4; o <= 20; o += 4)
        at.push_back (o);                                   // superSlider .. gain
    for (std::size_t o = 28; o <= 60; o += 4)
        at.push_back (o);                                   // nine agitation values
    for (std::size_t o = 1000; o < 1032; o += 4)
        at.push_back (o);                                   // superConfig
    const auto sync = [&at] (std::size_t base) {
        for (std::size_t r = 0; r < 163; ++r)
        {
            at.push_back (base + 12 * r + 4);               // count
            at.push_back (base + 12 * r + 8);               // note
        }
    };
    sync (1032);
    for (std::size_t p = 0; p < 16; ++p)
    {
        const std::size_t base = 3432 + p * kPreset;
        for (std::size_t o : { 0, 4, 8, 12 })
            at.push_back (base + o);                        // state, bands, gain, mix
        for (std::size_t o = 912; o <= 948; o += 4)
            at.push_back (base + o);                        // interSpeed and nine agitation values
        sync (base + 952);
    }
    at.push_back (57088);                                   // editorWidth
    at.push_back (57092);                                   // editorHeight
    return at;
}

// Unbound MIDI records are stored canonically by the effect base once they
// have been loaded ({0, 1, 0, 0}); a fresh engine starts with {0, 1, 1, 60}.
Bytes withCanonicalMidi (Bytes chunk, std::size_t midiStart)
{
    for (std::size_t r = midiStart; r + 20 <= chunk.size(); r += 20)
        if (hostWord (chunk, r) == 0)
        {
            const uint32_t zero = 0;
            std::memcpy (chunk.data() + r + 8, &zero, 4);
            std::memcpy (chunk.data() + r + 12, &zero, 4);
        }
    return chunk;
}

struct State : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }

    // An engine whose every kind of saved value differs from the factory's.
    static void makeDistinct (RariZuz& e)
    {
        e.setIndexedParameter (RariZuz::pSuperSlider, 0.25f);
        e.setIndexedParameter (RariZuz::pGain, 0.3f);
        e.setIndexedParameter (RariZuz::pMix, 0.7f);
        e.setIndexedParameter (RariZuz::pInterSpeed, 0.2f);
        e.setIndexedParameter (RariZuz::pLoadSpeed, 1.0f);
        e.setIndexedParameter (RariZuz::pBands, 0.0f);
        e.setIndexedParameter (RariZuz::pActive + 2, 1.0f);
        e.setIndexedParameter (RariZuz::pAmplitude + 2, 0.4f);
        e.setIndexedParameter (RariZuz::pFeedback + 2, 0.25f);
        e.setIndexedParameter (RariZuz::pPan + 2, 0.1f);
        e.setIndexedParameter (RariZuz::pAngle + 2, 0.3f);
        e.setIndexedParameter (RariZuz::pSmoothness, 0.2f);
        e.setIndexedParameter (RariZuz::pAgitation1Ampl, 0.3f);
        e.setIndexedParameter (RariZuz::pAgitation2Ampl, 0.4f);
        e.setIndexedParameter (RariZuz::pAgitation3Speed, 0.2f);
        e.setIndexedParameter (RariZuz::pAmplitudeAgit + 2, 1.0f);
        e.SetSyncMode (RariZuz::pDelay + 2, true);
        e.SetPreset (3, 1);
        e.setIndexedParameter (RariZuz::pGain, 0.35f);
        e.SetPreset (14, 1);
        e.changeProgramName (0, "Round trip");
        e.changeProgramName (2, "Other");
        e.setSuperState (3, -1);
        e.setSuperState (4, 12);
        e.savedEditorWidth.store (800);
        e.savedEditorHeight.store (600);
        e.getMidiBinding (RariZuz::pGain)->store ({ 1, 2, 7, 60, 0 });
    }

    std::unique_ptr<RariZuz> engine = std::make_unique<RariZuz>();
};
} // namespace

TEST_F (State, ChunkLayout)
{
    const Bytes whole = save (*engine, true);
    const Bytes current = save (*engine, false);
    ASSERT_EQ (whole.size(), 288764u);
    ASSERT_EQ (current.size(), 60380u);

    for (const Bytes* chunk : { &whole, &current })
    {
        const std::size_t records = chunk == &whole ? 5 * kProgram : kProgram;
        EXPECT_EQ (hostWord (*chunk, 0), 12u);
        EXPECT_EQ (std::string (chunk->begin() + 4, chunk->begin() + 12), "VoktVSel");
        EXPECT_EQ (bigWord (*chunk, 12), 103u);
        EXPECT_EQ (hostWord (*chunk, 16), records);
        EXPECT_EQ (hostWord (*chunk, kFirstRecord + records), kMidiTable);
    }

    // Fields of program 0 in their byte order.
    const std::size_t p = kFirstRecord;
    float gain;
    const uint32_t gainBits = bigWord (whole, p + 20);
    std::memcpy (&gain, &gainBits, 4);
    EXPECT_EQ (hostWord (whole, p), 1u) << "reserved word, host order";
    EXPECT_FLOAT_EQ (gain, engine->getIndexedParameter (RariZuz::pGain));
    double f1;
    std::memcpy (&f1, whole.data() + p + 64, 8);
    EXPECT_DOUBLE_EQ (f1, engine->getBar (0).f1) << "bars stay in host order";
    EXPECT_EQ (bigWord (whole, p + 1000 + 4), 1u) << "super-slider cell 1, big-endian";
    EXPECT_EQ (bigWord (whole, p + 1032 + 2 * 12 + 8), 4u) << "note of sync record 2, big-endian";
    EXPECT_EQ (std::string ((const char*) whole.data() + p + 57064), "Init Selvo");
}

TEST_F (State, RoundTripsAreByteExact)
{
    makeDistinct (*engine);
    for (bool all : { true, false })
    {
        SCOPED_TRACE (all ? "whole state" : "current program");
        const Bytes first = save (*engine, all);
        const std::size_t midiStart = first.size() - kMidiTable;

        RariZuz fresh;
        load (fresh, first, all);
        const Bytes second = save (fresh, all);
        ASSERT_EQ (second.size(), first.size());
        EXPECT_TRUE (withCanonicalMidi (first, midiStart) == second);

        RariZuz again;
        load (again, second, all);
        EXPECT_TRUE (save (again, all) == second) << "a loaded chunk saves back unchanged";
    }
}

TEST_F (State, LoadedStateIsLive)
{
    makeDistinct (*engine);
    const Bytes chunk = save (*engine, true);

    RariZuz fresh;
    load (fresh, chunk, true);
    for (int i = 0; i < RariZuz::numParameters; ++i)
        EXPECT_EQ (fresh.getIndexedParameter (i), engine->getIndexedParameter (i))
            << i << " " << engine->getIndexedParameterName (i);
    for (int k = 0; k < 8; ++k)
    {
        const BarFreq a = engine->getBar (k), b = fresh.getBar (k);
        EXPECT_EQ (std::memcmp (&a, &b, sizeof a), 0) << "bar " << k;
    }
    int savedStates[16], loadedStates[16];
    engine->getPresetStates (savedStates);
    fresh.getPresetStates (loadedStates);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ (loadedStates[k], savedStates[k]) << "preset " << k + 1;
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ (fresh.getSuperState (c), engine->getSuperState (c));
    EXPECT_EQ (fresh.getFftSize(), 256);
    EXPECT_EQ (fresh.getProgramName (0), "Round trip");
    EXPECT_EQ (fresh.getProgramName (2), "Other");
    EXPECT_TRUE (fresh.GetSyncMode (RariZuz::pDelay + 2));
    EXPECT_EQ (fresh.savedEditorWidth.load(), 800);
    EXPECT_EQ (fresh.savedEditorHeight.load(), 600);
    EXPECT_EQ (fresh.getMidiBinding (RariZuz::pGain)->controller.load(), 7);
    EXPECT_EQ (fresh.getSelectedBar(), 0);
    EXPECT_EQ (rarizuz_check::engineProblem (fresh), "");
}

TEST_F (State, HostOrderAndOlderChunksLoad)
{
    makeDistinct (*engine);
    const Bytes big = save (*engine, true);
    const std::size_t midiStart = big.size() - kMidiTable;
    const Bytes expected = withCanonicalMidi (big, midiStart);

    // The same state with the header and program 0 in host order. A record
    // is recognised as host order by a plausible editor width (800 here);
    // the other programs, never shown in an editor (width 0), stay
    // big-endian, since a width of 0 always reads as big-endian.
    Bytes host = big;
    for (std::size_t at : { 4, 8, 12 })
        swapWordAt (host, at);
    for (std::size_t at : bigEndianFields())
        swapWordAt (host, kFirstRecord + at);
    ASSERT_EQ (hostWord (host, kFirstRecord + 57088), 800u);
    ASSERT_EQ (hostWord (host, kFirstRecord + kProgram + 57088), 0u);

    RariZuz fromHost;
    load (fromHost, host, true);
    EXPECT_TRUE (save (fromHost, true) == expected);

    // Version 102: the second and third agitation groups did not exist.
    Bytes old = big;
    old[15] = 102;
    RariZuz fromOld;
    load (fromOld, old, true);
    EXPECT_EQ (fromOld.getIndexedParameter (RariZuz::pAgitation2Ampl), 0.0f);
    EXPECT_EQ (fromOld.getIndexedParameter (RariZuz::pAgitation3Speed), 0.0f);
    EXPECT_FLOAT_EQ (fromOld.getIndexedParameter (RariZuz::pAgitation1Ampl), 0.3f);
    EXPECT_FLOAT_EQ (fromOld.getIndexedParameter (RariZuz::pGain), 0.35f);
    EXPECT_TRUE (fromOld.GetSyncAble (RariZuz::pAgitation2Speed));
    EXPECT_TRUE (fromOld.GetSyncAble (RariZuz::pAgitation1Speed));
    EXPECT_FALSE (fromOld.GetSyncAble (RariZuz::pAgitation2Ampl));
    EXPECT_EQ (fromOld.GetSyncNote (RariZuz::pAgitation3Speed), 4);
    EXPECT_EQ (fromOld.getProgramName (0), "Round trip");

    // Refused whole: another version, magic or product.
    const Bytes before = save (*engine, true);
    struct Damage
    {
        std::size_t at;
        uint8_t value;
    };
    for (const Damage d : { Damage { 15, 101 }, Damage { 4, 'W' }, Damage { 11, 'x' } })
    {
        Bytes refused = before;
        refused[d.at] = d.value;
        RariZuz untouched;
        const Bytes fresh = save (untouched, true);
        load (untouched, refused, true);
        EXPECT_TRUE (save (untouched, true) == fresh) << "byte " << d.at;
    }
}

TEST_F (State, ShortRecordsAndMissingMidiTable)
{
    makeDistinct (*engine);
    const Bytes whole = save (*engine, true);
    const Bytes current = save (*engine, false);

    // A whole-state chunk whose record block holds four programs, a
    // current-program chunk given as a whole state, a record one byte short.
    Bytes four;
    const uint32_t twelve = 12, fourRecords = (uint32_t) (4 * kProgram);
    four.insert (four.end(), whole.begin(), whole.begin() + 16);
    four.resize (20);
    std::memcpy (four.data() + 16, &fourRecords, 4);
    four.insert (four.end(), whole.begin() + 20, whole.begin() + 20 + 4 * kProgram);
    Bytes shortRecord (current.begin(), current.begin() + 20 + kProgram - 1);
    const uint32_t shortLength = (uint32_t) kProgram - 1;
    std::memcpy (shortRecord.data() + 16, &shortLength, 4);
    ASSERT_EQ (hostWord (four, 0), twelve);

    RariZuz target;
    const Bytes before = save (target, true);
    load (target, four, true);
    load (target, current, true);
    load (target, shortRecord, false);
    EXPECT_TRUE (save (target, true) == before) << "short records change nothing";

    // Records without the MIDI table: the records load, the bindings stay.
    target.getMidiBinding (RariZuz::pMix)->store ({ 1, 3, 9, 60, 0 });
    load (target, Bytes (whole.begin(), whole.begin() + (long) (whole.size() - kMidiTable - 4)), true);
    EXPECT_EQ (target.getProgramName (0), "Round trip");
    EXPECT_EQ (target.getMidiBinding (RariZuz::pMix)->controller.load(), 9);
    EXPECT_EQ (target.getMidiBinding (RariZuz::pGain)->type.load(), 0);
}

// Every truncation of a current-program chunk, each in an exactly sized heap
// buffer, through both readers.
TEST_F (State, EveryTruncationIsSafe)
{
    makeDistinct (*engine);
    const Bytes chunk = save (*engine, false);

    RariZuz target;
    const Bytes before = save (target, true);
    const std::size_t recordsEnd = kFirstRecord + kProgram;
    for (std::size_t length = 0; length < recordsEnd; ++length)
    {
        std::unique_ptr<uint8_t[]> cut (new uint8_t[length]);
        std::memcpy (cut.get(), chunk.data(), length);
        target.setCurrentProgramStateInformation (cut.get(), (int) length);
        target.setStateInformation (cut.get(), (int) length);
    }
    EXPECT_TRUE (save (target, true) == before) << "incomplete records change nothing";

    for (std::size_t length = recordsEnd; length < chunk.size(); ++length)
    {
        load (target, Bytes (chunk.begin(), chunk.begin() + (long) length), false);
        ASSERT_EQ (rarizuz_check::engineProblem (target), "") << length;
    }
    EXPECT_EQ (target.getProgramName (0), "Round trip");
}

// Fixed-seed byte mutations of valid chunks: whatever loads, the engine
// stays sound and renders finite samples.
TEST_F (State, MutatedChunksLeaveASoundEngine)
{
    makeDistinct (*engine);
    const Bytes chunks[2] = { save (*engine, false), save (*engine, true) };

    RariZuz target;
    target.prepareToPlay (44100.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    std::mt19937 rng (20240611);

    for (int round = 0; round < 200; ++round)
    {
        const bool all = round % 8 == 7;
        Bytes mutated = chunks[all ? 1 : 0];
        const int edits = 1 + (int) (rng() % 24);
        for (int e = 0; e < edits; ++e)
        {
            // Aligned words favour whole fields: NaN, infinity, huge counts.
            const std::size_t at = (rng() % (mutated.size() - 4)) & ~std::size_t (3);
            switch (rng() % 4)
            {
                case 0: mutated[at + rng() % 4] = (uint8_t) rng(); break;
                case 1: std::memset (mutated.data() + at, 0xff, 4); break;
                case 2: { const uint8_t inf[4] = { 0x7f, 0x80, 0, 0 }; std::memcpy (mutated.data() + at, inf, 4); break; }
                default: { const uint32_t w = rng(); std::memcpy (mutated.data() + at, &w, 4); break; }
            }
        }
        load (target, mutated, all);
        ASSERT_EQ (rarizuz_check::engineProblem (target), "") << "round " << round;

        for (int block = 0; block < 4; ++block)
        {
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < 512; ++s)
                    buffer.setSample (c, s, 0.25f * std::sin (0.01f * (float) (s + 512 * block)));
            target.processBlock (buffer, midi);
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < 512; ++s)
                    ASSERT_TRUE (std::isfinite (buffer.getSample (c, s))) << "round " << round;
        }
    }
}

// A synced value snaps once, when it is set; the snapped value and its
// record then survive any number of saves and loads unchanged.
TEST (RariZuzStateFixedPoint, SyncedValuesSnapOnceNotOnEveryLoad)
{
    state_checks::expectSyncedValuesSnapOnceNotOnEveryLoad<RariZuz> (
        { (int) RariZuz::pAgitation1Speed, (int) RariZuz::pInterSpeed }, { 0.058f, 0.041f, 0.77f }, false);
}

// A program file whose chunk the effect refuses loads nothing and says so.
TEST (RariZuzStateFixedPoint, LoadSelfReportsARefusedChunk)
{
    state_checks::expectLoadSelfReportsARefusedChunk<RariZuz> (false);
}
