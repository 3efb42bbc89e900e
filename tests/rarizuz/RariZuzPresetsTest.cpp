// Presets of the spectral delay: factory values, timed recall (driven by an
// injected clock and the agitator step called by hand), save, reset,
// randomised presets 15 and 16, the super slider, and pasted presets.
#include "RariZuz.h"
#include "RariZuzStateCheck.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
double clockMs = 1000.0;
double testClock() { return clockMs; }

RariZuzPreset presetOf (const unsigned char* bytes)
{
    RariZuzPreset p;
    std::memcpy (static_cast<void*> (&p), bytes, sizeof p);
    return p;
}

struct Presets : ::testing::Test
{
    void SetUp() override
    {
        SetUtilSampleRate (44100);
        clockMs = 1000.0;
        e.setMillisecondClock (testClock);
    }

    // Moves the clock on and runs one step of the agitator thread.
    void step (double ms)
    {
        clockMs += ms;
        e.threadCallback();
    }

    float value (int i) { return e.getIndexedParameter (i); }
    void set (int i, float v) { e.setIndexedParameter (i, v); }

    static float seconds (const char* text)
    {
        float v = 0.0f;
        InterSpeedStrToFloat (text, &v);
        return v;
    }

    RariZuz e;
};
} // namespace

TEST_F (Presets, FactoryValues)
{
    const RariZuzPreset first = presetOf (e.getPresetPointer (0));
    EXPECT_EQ (first.state, 0);
    EXPECT_TRUE (first.bars[0].active);
    EXPECT_FALSE (first.bars[1].active);
    EXPECT_FLOAT_EQ ((float) first.bars[0].f1, 0.05f);
    EXPECT_FLOAT_EQ ((float) first.bars[0].f2, 0.25f);
    EXPECT_FLOAT_EQ ((float) first.bars[0].d1, 0.1f);
    EXPECT_FLOAT_EQ ((float) first.bars[0].d2, 0.1f);
    EXPECT_FLOAT_EQ (first.gain, 0.8f);
    EXPECT_FLOAT_EQ (first.mix, 1.0f);
    EXPECT_EQ (first.bands, 0.0f);
    EXPECT_FLOAT_EQ (presetOf (e.getPresetPointer (4)).bands, 3.0f / 9.0f);
    EXPECT_FLOAT_EQ (presetOf (e.getPresetPointer (15)).bands, 6.0f / 9.0f);
    EXPECT_EQ (std::memcmp (e.getPresetPointer (7), e.getPresetPointerAP (7), sizeof (RariZuzPreset)), 0);

    e.timerCallback();
    EXPECT_EQ (e.getFftSize(), 2048) << "a new engine keeps the Bands default";
}

TEST_F (Presets, RecallInterpolatesAndLandsOnTime)
{
    set (RariZuz::pInterSpeed, seconds ("2.0"));
    ASSERT_EQ (e.getIndexedParameterText (RariZuz::pInterSpeed), "2.0 s");

    // Preset 3: the values to land on.
    set (RariZuz::pGain, 0.2f);
    set (RariZuz::pMix, 0.3f);
    set (RariZuz::pAmplitude, 0.3f);
    set (RariZuz::pPan, 0.2f);
    set (RariZuz::pDelay, 0.5f);
    set (RariZuz::pGainAgit, 1.0f);
    set (RariZuz::pActive + 1, 1.0f);
    e.SetPreset (2, 1);
    const float gainAgitOn = value (RariZuz::pGainAgit);
    ASSERT_GT (gainAgitOn, 0.5f);

    // The live values to start from.
    set (RariZuz::pGain, 0.6f);
    set (RariZuz::pMix, 0.9f);
    set (RariZuz::pAmplitude, 0.7f);
    set (RariZuz::pPan, 0.8f);
    set (RariZuz::pDelay, 0.3f);
    set (RariZuz::pGainAgit, 0.0f);
    set (RariZuz::pActive + 1, 0.0f);

    e.SetPreset (2, 0);
    EXPECT_EQ (e.getAlfa(), 0.0f);

    // Flags and Gain Agit switch instead of blending.
    step (400.0);
    EXPECT_EQ (value (RariZuz::pActive + 1), 0.0f);
    EXPECT_EQ (value (RariZuz::pGainAgit), 0.0f);

    step (600.0);
    EXPECT_FLOAT_EQ (e.getAlfa(), 0.5f);
    EXPECT_NEAR (value (RariZuz::pGain), 0.4f, 1e-5f);
    EXPECT_NEAR (value (RariZuz::pMix), 0.6f, 1e-5f);
    EXPECT_NEAR (value (RariZuz::pAmplitude), 0.5f, 1e-5f);
    EXPECT_NEAR (value (RariZuz::pPan), 0.5f, 1e-5f);
    EXPECT_NEAR (value (RariZuz::pDelay), 0.4f, 1e-3f);

    step (800.0);
    EXPECT_EQ (value (RariZuz::pActive + 1), 1.0f);
    EXPECT_EQ (value (RariZuz::pGainAgit), gainAgitOn);

    // The recall ends within one tick (1/60 s) of its 2 s.
    const double start = 1000.0;
    step (start + 2000.0 - 2000.0 / 60.0 - clockMs);
    EXPECT_LT (e.getAlfa(), 1.0f);
    step (start + 2000.0 + 1000.0 / 60.0 + 1.0 - clockMs);
    EXPECT_EQ (e.getAlfa(), 1.0f);
    EXPECT_FLOAT_EQ (value (RariZuz::pGain), 0.2f);
    EXPECT_FLOAT_EQ (value (RariZuz::pMix), 0.3f);
    EXPECT_FLOAT_EQ (value (RariZuz::pAmplitude), 0.3f);
    EXPECT_FLOAT_EQ (value (RariZuz::pPan), 0.2f);
    EXPECT_NEAR (value (RariZuz::pDelay), 0.5f, 1e-5f);
    EXPECT_EQ (rarizuz_check::engineProblem (e), "");
}

// Recalls and the super slider never change the frame size: the delay lines
// survive a recall between presets saved at other sizes, and a tone fed
// before the recalls still returns at its delay.
TEST_F (Presets, RecallsKeepTheFrameSizeAndTheDelayLines)
{
    constexpr int block = 512;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::mono());
    layout.outputBuses.add (juce::AudioChannelSet::mono());
    ASSERT_TRUE (e.setBusesLayout (layout));
    e.prepareToPlay (44100.0, block);
    set (RariZuz::pInterSpeed, 0.0f);
    set (RariZuz::pMix, 1.0f);
    // Bar 1 over the whole band at delay 0.1: 86 frames of 512 samples.
    e.createBar (0, 0.9f, 0.0f, 0.9f, 1.0f);

    // The same bar saved as preset 3 at 128 bands and preset 4 at 8192.
    set (RariZuz::pBands, 0.0f);
    e.SetPreset (2, 1);
    set (RariZuz::pBands, 6.0f / 9.0f);
    e.SetPreset (3, 1);
    set (RariZuz::pBands, 3.0f / 9.0f);
    ASSERT_EQ (e.getFftSize(), 2048);

    juce::AudioBuffer<float> buffer (1, block);
    juce::MidiBuffer midi;
    std::vector<float> out;
    const int burst = 4096;
    auto play = [&] (int blocks) {
        for (int b = 0; b < blocks; ++b)
        {
            for (int i = 0; i < block; ++i)
            {
                const int t = (int) out.size() + i;
                buffer.setSample (0, i, t < burst ? 0.5f * (float) std::sin (0.1 * t) : 0.0f);
            }
            e.processBlock (buffer, midi);
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + block);
        }
    };

    play (20);
    for (int slot : { 2, 3 })
    {
        e.SetPreset (slot, 0);
        // While blocks arrive the effect's clock follows the audio.
        for (int b = 0; b < 20 && e.getAlfa() < 1.0f; ++b)
        {
            play (1);
            step (1000.0 / 60.0);
        }
        EXPECT_EQ (e.getAlfa(), 1.0f);
        e.timerCallback();
        EXPECT_EQ (e.getFftSize(), 2048);
        EXPECT_NEAR (value (RariZuz::pBands), 3.0f / 9.0f, 1e-6f);
        play (10);
    }
    play (110 - (int) out.size() / block);

    // Latency 1536, then 86 hops: the burst comes back from 45568 on.
    const int back = 1536 + 86 * 512;
    auto energy = [&] (int from, int to) {
        double sum = 0.0;
        for (int i = from; i < to; ++i)
            sum += (double) out[(size_t) i] * out[(size_t) i];
        return sum;
    };
    const double fed = burst * 0.125;
    EXPECT_LT (energy (burst + 2048, back - 2048), 1e-6 * fed);
    EXPECT_GT (energy (back - 2048, back + burst + 2048), 0.25 * fed);

    // The super slider blends presets of other sizes: the size stays too.
    for (const float x : { 0.3f, 0.5f, 1.0f })
    {
        set (RariZuz::pSuperSlider, x);
        e.timerCallback();
        EXPECT_EQ (e.getFftSize(), 2048);
    }
}

TEST_F (Presets, UserMovesDuringARecall)
{
    set (RariZuz::pInterSpeed, seconds ("2.0"));
    set (RariZuz::pGain, 0.2f);
    set (RariZuz::pMix, 0.2f);
    e.SetPreset (2, 1);
    set (RariZuz::pGain, 0.6f);
    set (RariZuz::pMix, 0.6f);

    // A parameter moved by the user keeps the user's value.
    e.SetPreset (2, 0);
    step (500.0);
    set (RariZuz::pGain, 0.9f);
    for (int i = 0; i < 40; ++i)
        step (50.0);
    EXPECT_EQ (e.getAlfa(), 1.0f);
    EXPECT_FLOAT_EQ (value (RariZuz::pGain), 0.9f);
    EXPECT_FLOAT_EQ (value (RariZuz::pMix), 0.2f);

    // The super slider moved during a recall stops it, keeping the slider's result.
    set (RariZuz::pMix, 0.6f);
    e.SetPreset (2, 0);
    step (500.0);
    set (RariZuz::pSuperSlider, 0.5f);
    const float morphed = value (RariZuz::pMix);
    step (50.0);
    EXPECT_EQ (e.getAlfa(), 1.0f);
    EXPECT_EQ (value (RariZuz::pMix), morphed);
}

TEST_F (Presets, LoadSpeed)
{
    set (RariZuz::pInterSpeed, seconds ("2.0"));
    e.SetPreset (2, 1);
    set (RariZuz::pInterSpeed, 0.0f);

    e.SetPreset (2, 0);   // Load Speed off: the time stays 0
    EXPECT_EQ (value (RariZuz::pInterSpeed), 0.0f);
    step (20.0);
    EXPECT_EQ (e.getAlfa(), 1.0f);

    set (RariZuz::pLoadSpeed, 1.0f);
    e.SetPreset (2, 0);   // on: the preset's time
    EXPECT_FLOAT_EQ (value (RariZuz::pInterSpeed), seconds ("2.0"));
    step (1000.0);
    EXPECT_FLOAT_EQ (e.getAlfa(), 0.5f);
}

TEST_F (Presets, SaveResetAndRefusedActions)
{
    set (RariZuz::pGain, 0.1f);
    e.SetPreset (5, 1);
    int states[16] = {};
    e.getPresetStates (states);
    EXPECT_EQ (states[5], 1);
    EXPECT_FLOAT_EQ (presetOf (e.getPresetPointerAP (5)).gain, 0.1f);

    e.SetPreset (5, 2);
    RariZuz factory;
    EXPECT_EQ (std::memcmp (e.getPresetPointer (5), factory.getPresetPointer (5), sizeof (RariZuzPreset)), 0);
    EXPECT_EQ (std::memcmp (e.getPresetPointerAP (5), factory.getPresetPointer (5), sizeof (RariZuzPreset)), 0);

    std::vector<uint8_t> before;
    for (int k = 0; k < 16; ++k)
        before.insert (before.end(), e.getPresetPointer (k), e.getPresetPointer (k) + sizeof (RariZuzPreset));
    for (auto [k, action] : { std::pair<long, long> { -1, 0 }, { 16, 0 }, { 3, 6 }, { 3, -1 }, { 100, 1 } })
        e.SetPreset (k, action);
    std::vector<uint8_t> after;
    for (int k = 0; k < 16; ++k)
        after.insert (after.end(), e.getPresetPointer (k), e.getPresetPointer (k) + sizeof (RariZuzPreset));
    EXPECT_TRUE (before == after);
    EXPECT_EQ (e.getAlfa(), 1.0f);
}

TEST_F (Presets, RandomisedPresets15And16)
{
    set (RariZuz::pInterSpeed, 0.0f);
    set (RariZuz::pAmplitude, 0.5f);
    set (RariZuz::pFeedback, 0.5f);
    set (RariZuz::pDelay, 0.5f);
    set (RariZuz::pFrequency, 0.5f);
    set (RariZuz::pLength, 0.2f);
    set (RariZuz::pAngle, 0.4f);

    // Preset 15 never stored: a variation within +-0.05 of the current bar.
    const int family[] = { RariZuz::pAmplitude, RariZuz::pFeedback, RariZuz::pDelay, RariZuz::pFrequency,
                           RariZuz::pLength, RariZuz::pAngle, RariZuz::pPan, RariZuz::pWidth };
    for (int round = 0; round < 10; ++round)
    {
        float was[8];
        for (int f = 0; f < 8; ++f)
            was[f] = value (family[f]);
        e.SetPreset (14, 0);
        step (20.0);
        ASSERT_EQ (e.getAlfa(), 1.0f);
        for (int f = 0; f < 8; ++f)
            EXPECT_NEAR (value (family[f]), was[f], 0.051f) << e.getIndexedParameterName (family[f]);
        EXPECT_GE (value (RariZuz::pDelay), 0.0099f);
        EXPECT_LE (value (RariZuz::pDelay), 0.9901f);
    }

    // Stored, it is recalled as stored.
    e.SetPreset (14, 1);
    const float stored = value (RariZuz::pAmplitude);
    set (RariZuz::pAmplitude, 0.9f);
    e.SetPreset (14, 0);
    step (20.0);
    EXPECT_EQ (value (RariZuz::pAmplitude), stored);

    // Preset 16 with a mark: a new random target after each interpolation.
    int states[16] = {};
    e.SetPreset (15, 3);
    e.getPresetStates (states);
    EXPECT_EQ (states[15], 3);
    float previous = -1.0f;
    int changes = 0;
    for (int round = 0; round < 5; ++round)
    {
        step (20.0);
        EXPECT_EQ (e.getAlfa(), 0.0f) << "a new interpolation started at the end of the last";
        changes += value (RariZuz::pPan) != previous ? 1 : 0;
        previous = value (RariZuz::pPan);
    }
    EXPECT_GE (changes, 4);
    e.StopInterpolation();
    e.getPresetStates (states);
    EXPECT_EQ (states[15], 0);
    EXPECT_EQ (e.getAlfa(), 1.0f);
    step (20.0);
    EXPECT_EQ (e.getAlfa(), 1.0f);
}

TEST_F (Presets, SuperSliderMorphsAcrossItsCells)
{
    set (RariZuz::pGain, 0.2f);
    set (RariZuz::pAmplitude, 0.2f);
    e.SetPreset (0, 1);
    set (RariZuz::pGain, 0.6f);
    set (RariZuz::pAmplitude, 0.6f);
    set (RariZuz::pMixAgit, 1.0f);
    e.SetPreset (15, 1);
    const float mixAgitOn = value (RariZuz::pMixAgit);

    e.setSuperState (0, 0);
    for (int c = 1; c < 7; ++c)
        e.setSuperState (c, -1);
    e.setSuperState (7, 15);

    struct Case
    {
        float x;
        float gain;
        bool upper;   // Mix Agit taken from the upper cell (preset 16)
    };
    for (const Case c : { Case { 0.0f, 0.2f, false }, Case { 0.25f, 0.3f, false }, Case { 0.5f, 0.4f, false },
                          Case { 0.75f, 0.5f, true }, Case { 0.995f, 0.6f, true }, Case { 1.0f, 0.6f, true } })
    {
        set (RariZuz::pSuperSlider, c.x);
        EXPECT_NEAR (value (RariZuz::pGain), c.gain, 1e-6f) << c.x;
        EXPECT_NEAR (value (RariZuz::pAmplitude), c.gain, 1e-6f) << c.x;
        EXPECT_EQ (value (RariZuz::pMixAgit), c.upper ? mixAgitOn : 0.0f) << c.x;
    }
    EXPECT_EQ (e.getIndexedParameterTextFromValue (RariZuz::pSuperSlider, 0.5f, 32), " 8.50");
}

TEST_F (Presets, EndOfRecallShowsThePresetsCellWhenAnEditorIsOpen)
{
    set (RariZuz::pInterSpeed, 0.0f);
    e.SetPreset (3, 0);
    step (20.0);
    EXPECT_EQ (value (RariZuz::pSuperSlider), 0.0f) << "no editor: the slider stays";

    e.setEditorOpen (true);
    const float gain = presetOf (e.getPresetPointer (3)).gain;
    e.SetPreset (3, 0);
    step (20.0);
    EXPECT_FLOAT_EQ (value (RariZuz::pSuperSlider), 3.0f / 7.0f);
    EXPECT_FLOAT_EQ (value (RariZuz::pGain), gain) << "the slider moved without morphing";
}

TEST_F (Presets, PastedPresetsAreRepaired)
{
    std::vector<uint8_t> bytes (e.getPresetPointer (4), e.getPresetPointer (4) + sizeof (RariZuzPreset));
    const auto put = [&bytes] (std::size_t at, const void* v, std::size_t n) { std::memcpy (bytes.data() + at, v, n); };
    const float nan = std::nanf (""), five = 5.0f;
    const double inf = HUGE_VAL;
    const int32_t seven = 7, note = 99;
    const uint8_t flag = 7;
    put (offsetof (RariZuzPreset, state), &seven, 4);
    put (offsetof (RariZuzPreset, gain), &nan, 4);
    put (offsetof (RariZuzPreset, bars) + offsetof (BarFreq, f1), &inf, 8);
    put (offsetof (RariZuzPreset, bars) + sizeof (BarFreq) + offsetof (BarFreq, active), &flag, 1);
    put (offsetof (RariZuzPreset, bars) + 2 * sizeof (BarFreq) + offsetof (BarFreq, amplitude), &five, 4);
    put (offsetof (RariZuzPreset, syncControls) + 24 * sizeof (SyncControl) + offsetof (SyncControl, note), &note, 4);

    juce::String text = e.getPresetString (4).upToFirstOccurrenceOf (" ", false, false) + " 5 ";
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text << (i > 0 ? " " : "") << juce::String::toHexString ((int) bytes[i]).paddedLeft ('0', 2);
    ASSERT_TRUE (e.isPresetStringValid (text));
    e.setPresetString (4, text);

    for (const unsigned char* copy : { e.getPresetPointer (4), e.getPresetPointerAP (4) })
    {
        const RariZuzPreset p = presetOf (copy);
        EXPECT_EQ (p.state, 1);
        EXPECT_FLOAT_EQ (p.gain, 0.8f);
        EXPECT_EQ (p.bars[2].amplitude, 1.0f);
        EXPECT_EQ (rarizuz_check::presetProblem (copy), "");
    }
    step (5000.0);
    EXPECT_EQ (e.getAlfa(), 1.0f);
    EXPECT_EQ (rarizuz_check::engineProblem (e), "");
}

// MIDI bound to Preset, SuperSlider or a program change, inside a block that
// a host runs on the message thread: the work waits for the next timer tick
// (it once recursed there until the stack overflowed).
TEST (RariZuzPresets, PresetWorkInsideABlockOnTheMessageThreadWaitsForTheTimer)
{
    RariZuz e;
    e.prepareToPlay (44100.0, 256);
    e.superSliderFlag.store (true);
    e.midiBindings[RariZuz::pPreset].store ({ 1, 1, 20, 60, 0 });
    e.midiBindings[RariZuz::pSuperSlider].store ({ 1, 1, 21, 60, 0 });

    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 20, 127), 0);
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 21, 64), 0);
    midi.addEvent (juce::MidiMessage::programChange (1, 2), 0);
    {
        const juce::ScopedLock lock (e.getCallbackLock());
        e.processBlock (buffer, midi);
    }
    EXPECT_NE (e.targetPreset.load(), 15);

    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);
    EXPECT_EQ (e.targetPreset.load(), 15);
    EXPECT_NEAR (e.getIndexedParameter (RariZuz::pSuperSlider), 64.0f / 127.0f, 0.01f);
}
