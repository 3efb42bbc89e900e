// The crunch effect's presets and programs: save, reset and paste, the timed
// interpolation of a recall (with the agitator's step driven by hand on a
// test clock), the random presets 15 and 16, the super slider, program
// changes, and preset work asked for on a real-time thread.
#include "ZuveruvaTestSupport.h"

#include "Utilities.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zuveruva_test;

namespace
{
struct TestClock
{
    static inline std::atomic<double> ms { 100000.0 };
    static double now() { return ms.load(); }
};

struct ZuveruvaPresets : testing::Test
{
    Zuveruva fx;

    void SetUp() override
    {
        TestClock::ms.store (100000.0);
        fx.setMillisecondClock (&TestClock::now);
    }
    void TearDown() override { fx.setMillisecondClock (nullptr); }

    // Ticks of 1/60 s pass, then the agitator's step runs once.
    void stepAfter (double ticks)
    {
        TestClock::ms.store (TestClock::ms.load() + ticks * 1000.0 / 60.0);
        fx.threadCallback();
    }

    float value (int i) { return fx.getIndexedParameter (i); }
};

TEST_F (ZuveruvaPresets, ARecallGlidesFromTheLiveValuesAndSwitchesBandsAndIdsAtTheMidpoint)
{
    fx.setIndexedParameter (Zuveruva::kGain, 0.2f);
    fx.setIndexedParameter (Zuveruva::kMix, 0.3f);
    fx.setIndexedParameter (Zuveruva::kAmplitude, 0.4f);
    fx.setIndexedParameter (Zuveruva::kBands, 3.0f / 11.0f); // N = 32
    fx.setIndexedParameter (Zuveruva::kFrequencyAgit, 2.0f / 7.0f);
    fx.SetPreset (6, 1);
    EXPECT_EQ (fx.getWorkingPreset (6).state, 1);
    EXPECT_EQ (fx.getWorkingPreset (6).gain, 0.2f);
    const auto stored = fx.getWorkingPreset (6);
    const auto inProgram = fx.getProgram (0).presets[6];
    EXPECT_EQ (std::memcmp (&stored, &inProgram, sizeof stored), 0);
    int states[16];
    fx.getPresetStates (states);
    EXPECT_EQ (states[6], 1);

    fx.setIndexedParameter (Zuveruva::kGain, 0.8f);
    fx.setIndexedParameter (Zuveruva::kMix, 0.9f);
    fx.setIndexedParameter (Zuveruva::kAmplitude, 0.1f);
    fx.setIndexedParameter (Zuveruva::kBands, 8.0f / 11.0f); // N = 1024
    fx.setIndexedParameter (Zuveruva::kFrequencyAgit, 0.0f);
    fx.setIndexedParameter (Zuveruva::kInterSpeed, 0.3f);
    const float rate = fx.interpolationRate.load();
    ASSERT_GT (rate, 0.0f);
    ASSERT_LT (rate * 3.0f, 0.5f);

    fx.setIndexedParameter (Zuveruva::kPreset, 6.0f / 15.0f);
    EXPECT_EQ (fx.getAlfa(), 0.0f);
    EXPECT_EQ (fx.targetPreset.load(), 6);
    EXPECT_EQ (fx.getInterpolationStart().gain, 0.8f);

    stepAfter (2); // two ticks are not enough for a step
    EXPECT_EQ (fx.getAlfa(), 0.0f);
    EXPECT_EQ (value (Zuveruva::kGain), 0.8f);

    stepAfter (1);
    float a = fx.getAlfa();
    EXPECT_FLOAT_EQ (a, 3.0f * rate);
    EXPECT_FLOAT_EQ (value (Zuveruva::kGain), 0.8f * (1.0f - a) + 0.2f * a);
    EXPECT_FLOAT_EQ (value (Zuveruva::kMix), 0.9f * (1.0f - a) + 0.3f * a);
    EXPECT_EQ (value (Zuveruva::kFrequencyAgit), 0.0f); // the start's ID before the midpoint
    EXPECT_EQ (fx.getFrameSize(), 1024);

    // Past the midpoint Bands and the IDs take the target's; the frame-size
    // change waits for the timer (never on the step's thread).
    while (fx.getAlfa() < 0.5f)
        stepAfter (3);
    a = fx.getAlfa();
    if (a < 1.0f)
    {
        EXPECT_FLOAT_EQ (value (Zuveruva::kGain), 0.8f * (1.0f - a) + 0.2f * a);
    }
    EXPECT_EQ (value (Zuveruva::kFrequencyAgit), 2.0f / 7.0f);
    EXPECT_EQ (fx.getFrameSize(), 1024);
    // The next timer tick applies it (within 2 s even on a loaded machine).
    for (int k = 0; k < 40 && fx.getFrameSize() != 32; ++k)
        pumpMessages (50);
    EXPECT_EQ (fx.getFrameSize(), 32);

    while (fx.getAlfa() < 1.0f)
        stepAfter (3);
    EXPECT_EQ (value (Zuveruva::kGain), 0.2f);
    EXPECT_EQ (value (Zuveruva::kMix), 0.3f);
    EXPECT_EQ (value (Zuveruva::kAmplitude), 0.4f);
    // At the end the super slider shows the cell that holds the preset.
    EXPECT_FLOAT_EQ (value (Zuveruva::kSuperSlider), 6.0f / 7.0f);
}

TEST_F (ZuveruvaPresets, InterSpeedZeroCompletesAtTheFirstStepAndValuesSetMeanwhileAreKept)
{
    fx.setIndexedParameter (Zuveruva::kGain, 0.2f);
    fx.setIndexedParameter (Zuveruva::kMix, 0.2f);
    fx.SetPreset (2, 1);
    fx.setIndexedParameter (Zuveruva::kGain, 0.7f);
    fx.setIndexedParameter (Zuveruva::kMix, 0.7f);
    fx.setIndexedParameter (Zuveruva::kInterSpeed, 0.0f);
    EXPECT_EQ (fx.interpolationRate.load(), 1.0f);

    fx.SetPreset (2, 0);
    fx.setIndexedParameter (Zuveruva::kMix, 0.45f); // set from outside during the recall
    stepAfter (3);
    EXPECT_EQ (fx.getAlfa(), 1.0f);
    EXPECT_EQ (value (Zuveruva::kGain), 0.2f);
    EXPECT_EQ (value (Zuveruva::kMix), 0.45f);
}

TEST_F (ZuveruvaPresets, MarkedPreset16WandersUntilStopped)
{
    fx.setIndexedParameter (Zuveruva::kInterSpeed, 0.0f);
    fx.setIndexedParameter (Zuveruva::kGain, 0.35f);
    fx.SetPreset (15, 3);
    EXPECT_EQ (fx.getWorkingPreset (15).state, 3);
    auto start = fx.getInterpolationStart();
    auto target = fx.getInterpolationTarget();
    EXPECT_EQ (target.gain, start.gain);
    EXPECT_EQ (target.mix, start.mix);
    EXPECT_GE (target.frequency, 0.0f);
    EXPECT_LT (target.frequency, 1.0f);

    // Each end starts a new random recall.
    for (int k = 0; k < 3; ++k)
    {
        stepAfter (3);
        EXPECT_EQ (fx.getAlfa(), 0.0f) << k;
        EXPECT_EQ (value (Zuveruva::kFrequency), target.frequency);
        EXPECT_EQ (value (Zuveruva::kAmplitude), target.amplitude);
        target = fx.getInterpolationTarget();
    }

    fx.StopInterpolation();
    EXPECT_EQ (fx.getAlfa(), 1.0f);
    EXPECT_EQ (fx.getWorkingPreset (15).state, 0);
    stepAfter (3);
    EXPECT_EQ (fx.getAlfa(), 1.0f);
}

TEST_F (ZuveruvaPresets, Preset15WalksAtMostATenthPerRecallUnlessStored)
{
    fx.setIndexedParameter (Zuveruva::kInterSpeed, 0.0f);
    for (int k = 0; k < 20; ++k)
    {
        fx.SetPreset (14, 0);
        const auto start = fx.getInterpolationStart();
        const auto target = fx.getInterpolationTarget();
        EXPECT_LE (std::fabs (target.frequency - start.frequency), 0.1f);
        EXPECT_LE (std::fabs (target.amplitude - start.amplitude), 0.1f);
        EXPECT_GE (target.frequency, 0.0f);
        stepAfter (3);
        EXPECT_EQ (fx.getAlfa(), 1.0f); // not marked: no chain
    }

    fx.setIndexedParameter (Zuveruva::kFrequency, 0.77f);
    fx.SetPreset (14, 1);
    fx.setIndexedParameter (Zuveruva::kFrequency, 0.1f);
    fx.SetPreset (14, 0);
    EXPECT_EQ (fx.getInterpolationTarget().frequency, 0.77f);
}

TEST_F (ZuveruvaPresets, ResetAndPaste)
{
    fx.setIndexedParameter (Zuveruva::kGain, 0.2f);
    fx.SetPreset (6, 1);
    fx.SetPreset (6, 2);
    for (const auto& p : { fx.getWorkingPreset (6), fx.getProgram (0).presets[6] })
    {
        EXPECT_EQ (p.state, 2);
        EXPECT_EQ (p.bands, 0.5f);
        EXPECT_EQ (p.loopEnd, 1.0f);
        EXPECT_FLOAT_EQ (p.gain, 0.8f);
    }

    // A preset copied from another instance, its gain made NaN on the way.
    Zuveruva other;
    other.setIndexedParameter (Zuveruva::kMix, 0.25f);
    other.SetPreset (1, 1);
    juce::StringArray words;
    words.addTokens (other.getPresetString (1), " ", {});
    ASSERT_EQ (words.size(), 2 + 992);
    const char* nan[] = { "00", "00", "c0", "7f" };
    for (int k = 0; k < 4; ++k)
        words.set (2 + 8 + k, nan[k]);
    juce::String text = words.joinIntoString (" ");
    ASSERT_TRUE (fx.isPresetStringValid (text));

    fx.setPresetString (3, text);
    for (const auto& p : { fx.getWorkingPreset (3), fx.getProgram (0).presets[3] })
    {
        EXPECT_EQ (p.state, 1);
        EXPECT_EQ (p.mix, 0.25f);
        EXPECT_FLOAT_EQ (p.gain, 0.8f); // repaired
    }
    EXPECT_FLOAT_EQ (value (Zuveruva::kPreset), 3.0f / 15.0f);
    EXPECT_EQ (fx.targetPreset.load(), 3);
    EXPECT_EQ (fx.getAlfa(), 0.0f);

    // Slots and actions out of range do nothing.
    fx.SetPreset (16, 1);
    fx.SetPreset (3, 6);
    fx.SetPreset (-1, 0);
    EXPECT_EQ (fx.getPresetPointer (16), nullptr);
}

TEST_F (ZuveruvaPresets, SuperSliderMixesTheNeighbouringPresets)
{
    const auto store = [this] (int slot, float gain, float bands, float id) {
        fx.setIndexedParameter (Zuveruva::kGain, gain);
        fx.setIndexedParameter (Zuveruva::kBands, bands);
        fx.setIndexedParameter (Zuveruva::kFrequencyAgit, id);
        fx.SetPreset (slot, 1);
    };
    store (0, 0.2f, 0.0f, 0.0f);          // N = 4
    store (15, 0.6f, 3.0f / 11.0f, 3.0f / 7.0f); // N = 32
    fx.setSuperState (0, 0);
    fx.setSuperState (7, 15);
    for (int cell = 1; cell < 7; ++cell)
        fx.setSuperState (cell, -1);

    struct Case
    {
        float x, gain;
        int frame;
        float id;
    };
    const Case cases[] = {
        { 0.5f, 0.4f, 4, 0.0f },            // halfway: the lower preset is as near
        { 0.75f, 0.5f, 32, 3.0f / 7.0f },   // nearer to cell 7
        { 1.0f, 0.6f, 32, 3.0f / 7.0f },    // at 1.0: cell 7
        { 0.0f, 0.2f, 4, 0.0f },            // at 0: cell 0
        { 0.996f, 0.6f, 32, 3.0f / 7.0f },  // a lower weight below 1 % counts as 0
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.x);
        fx.setIndexedParameter (Zuveruva::kSuperSlider, c.x);
        EXPECT_NEAR (value (Zuveruva::kGain), c.gain, 1e-6f);
        EXPECT_EQ (value (Zuveruva::kFrequencyAgit), c.id);
        pumpMessages (120); // Bands from a mix changes at the next tick
        EXPECT_EQ (fx.getFrameSize(), c.frame);
    }
}

TEST_F (ZuveruvaPresets, ProgramsKeepTheirCellsValuesAndNames)
{
    fx.setIndexedParameter (Zuveruva::kGain, 0.3f);
    fx.setSuperState (3, 9);
    fx.changeProgramName (0, "First");
    fx.changeProgramName (1, juce::String::fromUTF8 ("Deuxième programme très long"));
    EXPECT_LE (fx.getProgramName (1).getNumBytesAsUTF8(), 23u);
    EXPECT_TRUE (fx.getProgramName (1).startsWith (juce::String::fromUTF8 ("Deuxième")));

    fx.setCurrentProgram (1);
    EXPECT_EQ (fx.getCurrentProgram(), 1);
    EXPECT_FLOAT_EQ (value (Zuveruva::kGain), 0.8f);
    EXPECT_EQ (fx.getSuperState (3), 3);
    fx.setIndexedParameter (Zuveruva::kGain, 0.6f);

    fx.setCurrentProgram (0);
    EXPECT_EQ (value (Zuveruva::kGain), 0.3f);
    EXPECT_EQ (fx.getSuperState (3), 9);
    EXPECT_EQ (fx.getProgramName (0), "First");
    EXPECT_EQ (fx.getProgram (1).gain, 0.6f);

    fx.setCurrentProgram (5);
    fx.setCurrentProgram (-1);
    EXPECT_EQ (fx.getCurrentProgram(), 0);
}

TEST (ZuveruvaPresetThreads, PresetAndProgramWorkFromTheRenderThreadWaitsForTheMessageThread)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 64));
    fx.setIndexedParameter (Zuveruva::kGain, 0.25f);
    fx.SetPreset (5, 1);

    // Host automation arrives on the render thread, before its block.
    const auto onRenderThread = [&fx] (std::function<void()> automation) {
        std::thread host ([&fx, automation] {
            juce::AudioBuffer<float> buffer (2, 64);
            buffer.clear();
            juce::MidiBuffer midi;
            fx.processBlock (buffer, midi);
            automation();
        });
        host.join();
    };

    onRenderThread ([&fx] { fx.setIndexedParameter (Zuveruva::kPreset, 5.0f / 15.0f); });
    EXPECT_EQ (fx.getAlfa(), 1.0f);
    EXPECT_TRUE (fx.isDeferredWorkPending (Zuveruva::workPresetAction));
    pumpMessages (120);
    EXPECT_EQ (fx.targetPreset.load(), 5);

    onRenderThread ([&fx] { fx.setCurrentProgram (2); });
    EXPECT_EQ (fx.getCurrentProgram(), 0);
    pumpMessages (120);
    EXPECT_EQ (fx.getCurrentProgram(), 2);

    onRenderThread ([&fx] { fx.setIndexedParameter (Zuveruva::kSuperSlider, 0.5f); });
    EXPECT_TRUE (fx.isDeferredWorkPending (Zuveruva::workSuperSlider));
    pumpMessages (120);
    EXPECT_FALSE (fx.isDeferredWorkPending (Zuveruva::workSuperSlider));

    onRenderThread ([&fx] { fx.setIndexedParameter (Zuveruva::kBands, 1.0f); });
    EXPECT_NE (fx.getFrameSize(), 8192);
    pumpMessages (150);
    EXPECT_EQ (fx.getFrameSize(), 8192);
}
} // namespace
