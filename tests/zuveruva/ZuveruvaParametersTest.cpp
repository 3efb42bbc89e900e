// The crunch engine's parameter table, setters and frame-size change.
#include "ZuveruvaTestSupport.h"

#include "Utilities.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zuveruva_test;

namespace
{
struct TableRow
{
    int index;
    const char* name;
    int steps;
    bool discrete;
    bool meta;
    float defaultValue;
};

TEST (ZuveruvaParameters, TableOfNamesStepsFlagsAndDefaults)
{
    Zuveruva fx;
    const TableRow rows[] = {
        { 0, "Preset", 16, true, true, 0.0f },
        { 1, "SuperSlider", 1024, false, true, 0.0f },
        { 2, "InterSpeed", 1024, false, false, 0.06666667f },
        { 3, "LoadSpeed", 2, true, false, 0.0f },
        { 4, "Bands", 1024, false, false, 0.5f },
        { 8, "Gain", 1024, false, false, 0.8f },
        { 10, "", 1024, false, false, 0.0f },
        { 11, "Aux On", 2, true, true, 0.0f },
        { 14, "Sample    ", 2, true, false, 0.0f },
        { 19, "Loop End", 1024, false, false, 1.0f },
        { 21, "Agitation 1 Speed", 1024, false, false, 0.0f },
        { 22, "Agitation", 2, true, false, 0.0f },
        { 23, "Frequency Agit", 8, true, false, 0.0f },
        { 29, "Balance Agit", 8, true, false, 0.0f },
        { 35, "Agitation 4 Speed", 1024, false, false, 0.0f },
        { 36, "Sync", 2, true, false, 0.0f },
        { 37, "", 1024, false, false, 0.0f },
        { -1, "", 1024, false, false, 0.0f },
    };
    EXPECT_EQ (fx.getMyNumParameters(), 37);
    for (const auto& r : rows)
    {
        SCOPED_TRACE (r.index);
        EXPECT_EQ (fx.getIndexedParameterName (r.index), juce::String (r.name));
        EXPECT_EQ (fx.getIndexedParameterNumSteps (r.index), r.steps);
        EXPECT_EQ (fx.getIndexedParameterDiscrete (r.index), r.discrete);
        EXPECT_EQ (fx.isMetaIndexedParameter (r.index), r.meta);
        EXPECT_FLOAT_EQ (fx.getIndexedDefaultValue (r.index), r.defaultValue);
        EXPECT_FALSE (fx.isIndexedParameterAutomatable (r.index));
    }
    EXPECT_EQ (fx.getIndexedParameterStat (5), 1);
    EXPECT_EQ (fx.getIndexedParameterStat (6), 1);
    EXPECT_EQ (fx.getIndexedParameterStat (7), 0);
    EXPECT_TRUE (fx.isAgitatorParam (20));
    EXPECT_TRUE (fx.isAgitatorParam (21));
    EXPECT_FALSE (fx.isAgitatorParam (30));
    EXPECT_TRUE (fx.isSuperSlider (1));
    EXPECT_TRUE (fx.isPreset (0));

    // The host sees the same table through the parameter objects.
    auto* p14 = fx.getParameters()[14];
    EXPECT_EQ (p14->getName (4), juce::String ("Sample    "));
    EXPECT_EQ (p14->getNumSteps(), 2);
}

struct TextRow
{
    int index;
    float value;
    const char* text;
};

TEST (ZuveruvaParameters, TextsFromValues)
{
    Zuveruva fx;
    const TextRow rows[] = {
        { 0, 0.0f, " 1" }, { 0, 1.0f, "16" },
        { 2, 1.0f, "60.0 s" },
        { 3, 0.49f, "off" }, { 3, 0.5f, "on" },
        { 4, 0.0f, "2" }, { 4, 1.0f, "4096" }, { 4, 5.0f / 11.0f, "64" },
        { 5, 0.5f, "0.50" }, { 6, 0.02f, "0.02" },
        { 7, 1.0f, "100 %" }, { 9, 0.5f, " 50 %" },
        { 8, 0.8f, "   0 dB" }, { 8, 0.0f, "-96 dB" }, { 12, 1.0f, "  24 dB" },
        { 10, 0.5f, "" }, { 11, 0.0f, "No Aux" }, { 11, 1.0f / 3.0f, "File" }, { 11, 2.0f / 3.0f, "Side-Chain" },
        { 14, 0.0f, "sample" },
        { 15, 0.6f, "play" }, { 15, 0.5f, "pause" },
        { 16, 0.0f, "restart" },
        { 17, 0.5f, "off" }, { 17, 0.51f, "on" },
        { 20, 1.0f, "100.0 %" }, { 33, 1.0f, "60.00 s" },
        { 22, 0.0f, "off" }, { 22, 0.2f, "on" },
        { 23, 0.0f, "1 off" }, { 23, 1.0f, "1 on" }, { 26, 4.0f / 7.0f, "4 on" },
        { 36, 0.6f, "Sync on" }, { 36, 0.4f, "Sync off" },
        { 37, 0.5f, "" },
    };
    for (const auto& r : rows)
        EXPECT_EQ (fx.getIndexedParameterTextFromValue (r.index, r.value, 64), juce::String (r.text))
            << "index " << r.index << " value " << r.value;

    // Current texts.
    EXPECT_EQ (fx.getIndexedParameterText (10), " ");
    EXPECT_EQ (fx.getIndexedParameterText (11), " ");
    EXPECT_EQ (fx.getIndexedParameterText (40), " ");
    EXPECT_EQ (fx.getIndexedParameterText (16), "pause");
    EXPECT_EQ (fx.getIndexedParameterText (22), "off");
    EXPECT_EQ (fx.getIndexedParameterText (4), "64");
    EXPECT_EQ (fx.getParameters()[8]->getCurrentValueAsText(), "   0 dB");
}

TEST (ZuveruvaParameters, TextsBackToValues)
{
    Zuveruva fx;
    const TextRow rows[] = {
        { 0, 1.0f, "16" }, { 0, 0.0f, "1" }, { 0, 0.0f, "-5" },
        { 1, 0.25f, "0.25" },
        { 5, 0.25f, "0.25" }, { 6, 1.0f, "3" },
        { 7, 0.5f, "50 %" }, { 9, 0.1f, "10" }, { 13, 1.0f, "100 %" },
        { 8, 0.8f, "0 dB" }, { 12, 0.0f, "-120 dB" },
        // Kinds without typed text, and unknown texts, give 0.
        { 3, 0.0f, "on" }, { 4, 0.0f, "128" }, { 36, 0.0f, "Sync on" }, { 7, 0.0f, "abc" }, { 37, 0.0f, "1" },
    };
    for (const auto& r : rows)
        EXPECT_NEAR (fx.getIndexedParameterValueFromText (r.index, r.text), r.value, 1e-5f)
            << "index " << r.index << " text " << r.text;

    // Both ways through the host-facing objects.
    for (int i : { 2, 5, 6, 7, 8, 9, 12, 13, 20, 21, 30, 35 })
        for (float v : { 0.0f, 0.3f, 0.75f, 1.0f })
        {
            auto* p = fx.getParameters()[i];
            const float back = p->getValueForText (p->getText (v, 8));
            EXPECT_NEAR (back, v, 0.03f) << "index " << i << " value " << v;
        }
}

TEST (ZuveruvaParameters, HostsSeeAuxOnAsItsThreeSources)
{
    TestDialogs dialogs;
    ScopedDialogs scoped (dialogs);
    Zuveruva fx;
    auto* auxOn = fx.getParameters()[Zuveruva::kAuxOn];
    EXPECT_EQ (auxOn->getNumSteps(), 3);
    EXPECT_TRUE (auxOn->isDiscrete());
    EXPECT_EQ (auxOn->getDefaultValue(), 0.0f);

    const struct
    {
        float host;
        const char* text;
        bool active, sideChain;
    } sources[] = {
        { 0.0f, "No Aux", false, false },
        { 0.5f, "File", true, false },
        { 1.0f, "Side-Chain", true, true },
    };
    for (const auto& s : sources)
    {
        SCOPED_TRACE (s.text);
        EXPECT_EQ (auxOn->getText (s.host, 64), s.text);
        EXPECT_EQ (auxOn->getValueForText (s.text), s.host);
        auxOn->setValue (s.host);
        EXPECT_EQ (auxOn->getValue(), s.host);
        EXPECT_EQ (Zuveruva::auxSourceForValue (fx.getIndexedParameter (Zuveruva::kAuxOn)), (int) std::lround (s.host * 2.0f));
        EXPECT_EQ (fx.isAuxActive(), s.active);
        EXPECT_EQ (fx.isAuxSideChain(), s.sideChain);
    }
    pumpMessages (100);
    EXPECT_EQ (dialogs.choosers, 0);
}

TEST (ZuveruvaParameters, StoredValuesAndReadBack)
{
    Zuveruva fx;
    fx.setIndexedParameter (3, 0.7f);
    EXPECT_EQ (fx.getIndexedParameter (3), 1.0f);
    EXPECT_EQ (fx.getProgram (0).loadSpeed, 1);
    fx.setIndexedParameter (14, 0.6f);
    EXPECT_EQ (fx.getIndexedParameter (14), 1.0f);
    fx.setIndexedParameter (10, 0.9f);
    EXPECT_EQ (fx.getIndexedParameter (10), 0.0f);
    fx.setIndexedParameter (7, 0.25f);
    EXPECT_EQ (fx.getIndexedParameter (7), 0.25f);
    EXPECT_EQ (fx.getProgram (0).mix, 0.25f);
    fx.setIndexedParameter (31, 0.4f);
    EXPECT_EQ (fx.getIndexedParameter (31), 0.4f);
    EXPECT_EQ (fx.agitationAmplitudes[2].load(), 0.4f);
    EXPECT_EQ (fx.getProgram (0).agitationAmpl234[1], 0.4f);

    // An agitation speed of exactly 0 makes the glide instant.
    fx.setIndexedParameter (33, 0.5f);
    EXPECT_LT (fx.agitationRates[1].load(), 1.0f);
    fx.setIndexedParameter (33, 0.0f);
    EXPECT_EQ (fx.agitationRates[1].load(), 1.0f);
    fx.setIndexedParameter (2, 0.0f);
    EXPECT_EQ (fx.interpolationRate.load(), 1.0f);

    // Agitation switch: on above 0.5, off otherwise.
    fx.setIndexedParameter (22, 1.0f);
    EXPECT_TRUE (fx.agitationOn.load());
    EXPECT_EQ (fx.getIndexedParameter (22), 1.0f);
    fx.setIndexedParameter (22, 0.4f);
    EXPECT_FALSE (fx.agitationOn.load());
    EXPECT_EQ (fx.getIndexedParameter (22), 0.0f);

    // Values are clipped; NaN, infinities and indices outside 0..36 touch nothing.
    fx.setIndexedParameter (5, 7.0f);
    EXPECT_EQ (fx.getIndexedParameter (5), 1.0f);
    fx.setIndexedParameter (5, std::nanf (""));
    fx.setIndexedParameter (5, INFINITY);
    EXPECT_EQ (fx.getIndexedParameter (5), 1.0f);
    fx.setIndexedParameter (37, 1.0f);
    fx.setIndexedParameter (-1, 1.0f);
    fx.setIndexedParameter (1000, 1.0f);
    EXPECT_EQ (fx.getIndexedParameter (37), 0.0f);
}

TEST (ZuveruvaParameters, BandsChangesTheFrameSizeOnlyForANewIndex)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    EXPECT_EQ (fx.getFrameSize(), 128);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (4), 5.0f / 11.0f);
    EXPECT_EQ (fx.getLatencySamples(), 127);

    // 0.45 and 0.46 are index 5, like the default: nothing changes.
    fx.setIndexedParameter (4, 0.45f);
    fx.setIndexedParameter (4, 0.46f);
    EXPECT_EQ (fx.getFrameSize(), 128);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (4), 5.0f / 11.0f);

    struct Case { float value; int64_t frame; const char* bandsText; };
    const Case cases[] = {
        { 0.0f, 4, "2" }, { 0.01f, 4, "2" }, { 1.0f, 8192, "4096" }, { 0.5f, 256, "128" },
        { 5.0f, 8192, "4096" }, { -3.0f, 4, "2" },  // clipped before use
    };
    for (const auto& c : cases)
    {
        fx.setIndexedParameter (4, c.value);
        EXPECT_EQ (fx.getFrameSize(), c.frame) << c.value;
        EXPECT_EQ (fx.getIndexedParameterText (4), juce::String (c.bandsText)) << c.value;
        EXPECT_EQ (fx.getLatencySamples(), (int) c.frame - 1) << c.value;
        EXPECT_FALSE (fx.isStopped());
    }
    // The stored value is the first value of the index.
    EXPECT_EQ (fx.getIndexedParameter (4), 0.0f);
    EXPECT_EQ (fx.getProgram (0).bands, 0.0f);
}

TEST (ZuveruvaParameters, BandsFromAnotherThreadWaitsForTheMessageThread)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    std::thread automation ([&fx] { fx.setIndexedParameter (4, 1.0f); });
    automation.join();
    EXPECT_EQ (fx.getFrameSize(), 128);
    EXPECT_TRUE (fx.isDeferredWorkPending (Zuveruva::workFrameSize));
    pumpMessages (200);
    EXPECT_EQ (fx.getFrameSize(), 8192);
    EXPECT_EQ (fx.getLatencySamples(), 8191);
}

TEST (ZuveruvaParameters, BandsWhileFrozenTakesAFreshSample)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 256));
    fx.setIndexedParameter (5, 1.0f);
    fx.setIndexedParameter (4, 1.0f);
    EXPECT_EQ (fx.getIndexedParameter (14), 1.0f);
    EXPECT_TRUE (fx.isForceSamplePending());

    Render r;
    r.in = { Signal (256, 0.0f), Signal (256, 0.0f) };
    r.block = 256;
    r.run (fx);
    EXPECT_EQ (fx.getIndexedParameter (14), 0.0f);
    EXPECT_FALSE (fx.isForceSamplePending());
}

TEST (ZuveruvaParameters, BothSmoothingsAtZeroRestartThePhases)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    Render r;
    r.in = { noise (2048, 1), noise (2048, 2) };
    r.run (fx);
    ASSERT_FALSE (fx.getSynthesisFirstFrame (0));
    ASSERT_FALSE (fx.getSynthesisFirstFrame (1));

    fx.setIndexedParameter (5, 0.0f);
    fx.setIndexedParameter (6, 0.0001f);
    EXPECT_FALSE (fx.getSynthesisFirstFrame (0));
    fx.setIndexedParameter (6, 0.0f);
    EXPECT_TRUE (fx.getSynthesisFirstFrame (0));
    EXPECT_TRUE (fx.getSynthesisFirstFrame (1));
}

TEST (ZuveruvaParameters, StopsNest)
{
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 64));
    fx.StopProcess();
    fx.StopProcess();
    fx.StartProcess();
    EXPECT_TRUE (fx.isStopped());
    fx.StartProcess();
    EXPECT_FALSE (fx.isStopped());
    fx.StartProcess(); // an unmatched start does not underflow
    fx.StopProcess();
    EXPECT_TRUE (fx.isStopped());

    // Stopped blocks are silent and leave blockDone as it was.
    fx.blockDone.reset();
    Render r;
    r.in = { Signal (64, 1.0f), Signal (64, 1.0f) };
    r.block = 64;
    const auto out = r.run (fx);
    for (float x : out[0])
        EXPECT_EQ (x, 0.0f);
    EXPECT_FALSE (fx.blockDone.wait (0));
    fx.StartProcess();
}

TEST (ZuveruvaParameters, BusLayouts)
{
    Zuveruva fx;
    using Set = juce::AudioChannelSet;
    struct Case { Set in, out, sc; bool ok; };
    const Case cases[] = {
        { Set::mono(), Set::mono(), Set::disabled(), true },
        { Set::stereo(), Set::stereo(), Set::stereo(), true },
        { Set::stereo(), Set::stereo(), Set::mono(), true },
        { Set::mono(), Set::mono(), Set::quadraphonic(), true },
        { Set::mono(), Set::stereo(), Set::disabled(), false },
        { Set::stereo(), Set::mono(), Set::disabled(), false },
        { Set::quadraphonic(), Set::quadraphonic(), Set::disabled(), false },
        { Set::disabled(), Set::stereo(), Set::disabled(), false },
    };
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.inputBuses.add (c.sc);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (fx.isBusesLayoutSupported (layout), c.ok)
            << c.in.getDescription() << " / " << c.out.getDescription();
    }
}

TEST (ZuveruvaParameters, LowSampleRatesAreTakenAs44100)
{
    Zuveruva fx;
    fx.setRateAndBufferSizeDetails (11025.0, 512);
    fx.prepareToPlay (11025.0, 512);
    EXPECT_EQ (fSampleRate.load(), 44100.0f);
    fx.prepareToPlay (48000.0, 512);
    EXPECT_EQ (fSampleRate.load(), 48000.0f);
}
} // namespace
