#include "RariZuz.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace
{
// The rate the value helpers start with, read before any test can change it.
const float initialUtilSampleRate = static_cast<float> (fSampleRate);

struct EngineFixture : ::testing::Test
{
    void SetUp() override { SetUtilSampleRate (44100); }
    std::unique_ptr<RariZuz> engine = std::make_unique<RariZuz>();
};

using Parameters = EngineFixture;
using Engine = EngineFixture;
} // namespace

TEST (RariZuzValuesStart, SampleRateStartsAt44100)
{
    EXPECT_EQ (initialUtilSampleRate, 44100.0f);
}

TEST_F (Parameters, Table)
{
    struct Case
    {
        int index;
        const char* name;
        float defaultValue;
        int steps;
        bool discrete;
        float value;          // a value and its text
        const char* text;
        const char* parse;    // a text and the value it gives
        float parsed;
    };
    const float freq500 = std::sqrt (500.0f / 22050.0f);
    const Case cases[] = {
        { 0, "Preset    ", 0.0f, 16, true, 1.0f, "16", "5", 4.0f / 15.0f },
        { 1, "Super Slider", 0.0f, 1024, false, 0.0f, nullptr, "3", 0.0f },
        { 2, "InterSpeed", 1.0f / 15.0f, 1024, false, 1.0f, "60.0 s", "60", 1.0f },
        { 3, "Load Speed", 0.0f, 2, true, 0.5f, "on", "1", 0.0f },
        { 4, "Bands     ", 3.0f / 9.0f, 10, true, 0.0f, "128", "1024", 0.0f },
        { 4, "Bands     ", 3.0f / 9.0f, 10, true, 1.0f, "65536", "1024", 0.0f },
        { 5, "Gain      ", 0.8f, 1024, false, 0.0f, "-96 dB", "0", 0.8f },
        { 6, "Mix       ", 1.0f, 1024, false, 1.0f, "100 %", "50", 0.5f },
        { 7, "Amplitude 1", 0.85f, 1024, false, 0.0f, "-40 dB", "-6", 0.85f },
        { 14, "Amplitude 8", 0.85f, 1024, false, 0.5f, " -20 dB", "-40", 0.0f },
        { 15, "Feedback 1", 0.0f, 1024, false, 0.25f, " 25 %", "75", 0.75f },
        { 23, "Smoothness", 0.0f, 1024, false, 0.5f, " ", "50", 0.0f },
        { 24, "Delay 1", 0.316228f, 1024, false, 1.0f, "10.00 s", "2.5", 0.5f },
        { 31, "Delay 8", 0.316228f, 1024, false, 0.0005f, " 0.00 s", "-1", 0.0f },
        { 32, "Frequency 1", freq500, 1024, false, 1.0f, "22050", "500", freq500 },
        { 40, "Length 1", 0.15f, 1024, false, 0.15f, " 15 %", "40", 0.4f },
        { 48, "Angle 1", 0.5f, 1024, false, 0.5f, "  0 d", "90", 1.0f },
        { 56, "Pan 1", 0.5f, 1024, false, 0.0f, "-100", "50", 0.75f },
        { 64, "Width 1", 0.5f, 1024, false, 0.5f, " 50 %", "10", 0.1f },
        { 72, "Active 1", 1.0f, 2, true, 0.6f, "on", "1", 0.0f },
        { 73, "Active 2", 0.0f, 2, true, 0.5f, "off", "1", 0.0f },
        { 80, "Mute 1", 0.0f, 2, true, 1.0f, "on", "1", 0.0f },
        { 88, "Global Reset", 0.0f, 2, true, 1.0f, "reset", "1", 0.0f },
        { 89, "Global Mute", 0.0f, 2, true, 0.0f, "mute", "1", 0.0f },
        { 90, "Agitation 1 Ampl", 0.0f, 1024, false, 1.0f, "100.0 %", "100", 1.0f },
        { 91, "Agitation 1 Speed", 0.0f, 1024, false, 1.0f, "60.00 s", "60", 1.0f },
        { 92, "Agitation", 0.0f, 2, true, 0.0f, "off", "1", 0.0f },
        { 92, "Agitation", 0.0f, 2, true, 0.1f, "on", "1", 0.0f },
        { 93, "Gain Agit", 0.0f, 8, true, 0.6f, "on", "1", 0.0f },
        { 94, "Mix Agit", 0.0f, 8, true, 0.4f, "off", "1", 0.0f },
        { 95, "Amplitude 1 Agit", 0.0f, 8, true, 1.0f, "on", "1", 0.0f },
        { 110, "Feedback 8 Agit", 0.0f, 8, true, 1.0f, "on", "1", 0.0f },
        { 111, "Delay 1 Agit", 0.0f, 8, true, 1.0f, "on", "1", 0.0f },
        { 158, "Width 8 Agit", 0.0f, 8, true, 0.0f, "off", "1", 0.0f },
        { 159, "Agitation 2 Ampl", 0.0f, 1024, false, 0.0f, "0.0 %", "0", 0.0f },
        { 162, "Agitation 3 Speed", 0.0f, 1024, false, 0.0f, "0.00 s", "0", 0.0f },
        // Outside the table: ids of the selected-bar aliases included.
        { -1, "", 0.0f, 1024, false, 0.5f, " ", "1", 0.0f },
        { 163, "", 0.0f, 1024, false, 0.5f, " ", "1", 0.0f },
        { 203, "", 0.0f, 1024, false, 0.5f, " ", "1", 0.0f },
    };

    RariZuz& e = *engine;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.index);
        EXPECT_EQ (e.getIndexedParameterName (c.index), juce::String (c.name));
        EXPECT_NEAR (e.getIndexedDefaultValue (c.index), c.defaultValue, 1e-5f);
        EXPECT_EQ (e.getIndexedParameterNumSteps (c.index), c.steps);
        EXPECT_EQ (e.getIndexedParameterDiscrete (c.index), c.discrete);
        if (c.text != nullptr)
        {
            EXPECT_EQ (e.getIndexedParameterTextFromValue (c.index, c.value, 64), juce::String (c.text));
        }
        EXPECT_NEAR (e.getIndexedParameterValueFromText (c.index, c.parse), c.parsed, 1e-5f);
    }
    EXPECT_EQ (e.getMyNumParameters(), RariZuz::numParameters);
}

TEST_F (Parameters, HostAdapterForwardsToTheTable)
{
    auto* p = engine->getVoktParameter (24);
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (p->getName (3), "Delay 1");
    EXPECT_EQ (p->getText (1.0f, 2), "10.00 s");
    EXPECT_EQ (p->getNumSteps(), 1024);
    EXPECT_EQ (engine->getParameters().size(), RariZuz::numParameters);
}

TEST_F (Parameters, CurrentTexts)
{
    RariZuz& e = *engine;
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pBands), "1024");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pGain), "   0 dB");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pMix), "100 %");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pSmoothness), "");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pActive), "on");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pActive + 1), "off");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pDelay), " 1.00 s"); // centre delay 0.1 of 10 s
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pAgitation), "off");
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pGlobalReset), "reset");
    EXPECT_EQ (e.getIndexedParameterText (203), "");
}

TEST_F (Parameters, NonFiniteValuesAndBadIndexesAreRefused)
{
    RariZuz& e = *engine;
    const float before = e.getIndexedParameter (RariZuz::pAmplitude);
    e.setIndexedParameter (RariZuz::pAmplitude, std::numeric_limits<float>::quiet_NaN());
    e.setIndexedParameter (RariZuz::pAmplitude, std::numeric_limits<float>::infinity());
    EXPECT_EQ (e.getIndexedParameter (RariZuz::pAmplitude), before);
    EXPECT_TRUE (e.getBar (0).isFinite());

    for (int id : { -5, 163, 201, 203, 216, 1000 })
    {
        e.setIndexedParameter (id, 0.5f);
        EXPECT_EQ (e.getIndexedParameter (id), 0.0f);
    }
    // Values are clipped to 0..1.
    e.setIndexedParameter (RariZuz::pMix, 7.0f);
    EXPECT_EQ (e.getIndexedParameter (RariZuz::pMix), 1.0f);
}

TEST_F (Engine, StateAfterConstruction)
{
    RariZuz& e = *engine;
    EXPECT_EQ (e.getFftSize(), 2048);
    EXPECT_EQ (e.getDelayFrames(), 861);
    EXPECT_NEAR (e.getIndexedParameter (RariZuz::pBands), 3.0f / 9.0f, 1e-6f);
    EXPECT_FALSE (e.isStopped());
    EXPECT_EQ (e.getSelectedBar(), 0);
    EXPECT_NEAR (e.getIndexedParameter (RariZuz::pGain), 0.8f, 1e-6f);
    EXPECT_EQ (e.getIndexedParameter (RariZuz::pMix), 1.0f);
    EXPECT_EQ (e.getDelayLine (0).getCount(), 861u);
    EXPECT_EQ (e.getDelayLine (0).getLength(), 2048u);

    const BarFreq bar = e.getBar (0);
    EXPECT_TRUE (bar.active);
    EXPECT_FALSE (bar.mute);
    EXPECT_NEAR (bar.f1, 0.05, 1e-5);
    EXPECT_NEAR (bar.f2, 0.25, 1e-5);
    EXPECT_NEAR (bar.d1, 0.1, 1e-5);
    EXPECT_NEAR (bar.d2, 0.1, 1e-5);
    for (int k = 1; k < 8; ++k)
        EXPECT_FALSE (e.getBar (k).active) << k;
    EXPECT_EQ (e.getNumPrograms(), 5);
    EXPECT_EQ (e.getCurrentProgram(), 0);
    EXPECT_EQ (e.getProgramName (0), "Init Selvo");
    EXPECT_FALSE (e.hasEditor());
    EXPECT_EQ (e.createEditor(), nullptr);
}

TEST_F (Engine, ActivationCreatesABarOnce)
{
    RariZuz& e = *engine;
    e.setIndexedParameter (RariZuz::pActive + 2, 1.0f);
    BarFreq bar = e.getBar (2);
    EXPECT_TRUE (bar.active);
    EXPECT_NEAR (bar.f1, 0.05, 1e-5);
    EXPECT_NEAR (bar.f2, 0.25, 1e-5);
    EXPECT_NEAR (bar.d1, 0.2, 1e-5);
    EXPECT_NEAR (bar.d2, 0.2, 1e-5);
    EXPECT_EQ (e.getSelectedBar(), 2);

    e.setIndexedParameter (RariZuz::pAmplitude + 2, 0.3f);
    e.setIndexedParameter (RariZuz::pActive + 2, 1.0f);
    EXPECT_FLOAT_EQ (e.getBar (2).amplitude, 0.3f) << "a second activation recreates nothing";

    // Deactivating the selected bar selects the lowest remaining active bar.
    e.setIndexedParameter (RariZuz::pActive + 2, 0.0f);
    EXPECT_FALSE (e.getBar (2).active);
    EXPECT_EQ (e.getSelectedBar(), 0);
}

TEST_F (Engine, MuteSelectionGlobalMuteAndReset)
{
    RariZuz& e = *engine;
    e.setIndexedParameter (RariZuz::pActive + 3, 1.0f);
    e.selectBar (0);

    e.setIndexedParameter (RariZuz::pMute + 3, 1.0f);
    EXPECT_TRUE (e.getBar (3).mute);
    EXPECT_EQ (e.getSelectedBar(), 0) << "muting keeps the selection";
    e.setIndexedParameter (RariZuz::pMute + 3, 0.0f);
    EXPECT_EQ (e.getSelectedBar(), 3) << "unmuting selects";

    e.setIndexedParameter (RariZuz::pGlobalMute, 1.0f);
    EXPECT_TRUE (e.getBar (0).mute);
    EXPECT_TRUE (e.getBar (3).mute);
    EXPECT_FALSE (e.getBar (5).active);
    EXPECT_EQ (e.getIndexedParameter (RariZuz::pMute + 5), 0.0f) << "inactive bars keep their flag";

    e.setIndexedParameter (RariZuz::pAmplitude, 0.2f);
    e.setIndexedParameter (RariZuz::pGlobalReset, 1.0f);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ (e.getBar (k).active, k == 0) << k;
    const BarFreq bar = e.getBar (0);
    EXPECT_NEAR (bar.f1, 0.05, 1e-5);
    EXPECT_NEAR (bar.f2, 0.25, 1e-5);
    EXPECT_NEAR (bar.d1, 0.1, 1e-5);
    EXPECT_FLOAT_EQ (bar.amplitude, 0.9f);
    EXPECT_FALSE (bar.mute);
    EXPECT_EQ (e.getSelectedBar(), 0);
}

TEST_F (Engine, SelectedBarAliases)
{
    RariZuz& e = *engine;
    e.setIndexedParameter (RariZuz::pActive + 3, 1.0f);
    e.selectBar (3);
    EXPECT_EQ (e.convertIndexValue (203), 27);
    EXPECT_EQ (e.convertIndexValue (201), 10);
    EXPECT_EQ (e.convertIndexValue (216), 154);
    EXPECT_EQ (e.convertIndexValue (200), 200);
    EXPECT_EQ (e.convertIndexValue (217), 217);

    e.setIndexedParameter (RariZuz::pActive + 3, 0.0f);
    e.selectBar (3);
    EXPECT_EQ (e.convertIndexValue (203), 203) << "the selected bar is not active";

    // An alias that resolves to no bar sets and reads nothing.
    const float delayBefore = e.getIndexedParameter (RariZuz::pDelay + 3);
    e.setIndexedParameter (e.convertIndexValue (203), 0.9f);
    EXPECT_EQ (e.getIndexedParameter (RariZuz::pDelay + 3), delayBefore);
    EXPECT_EQ (e.getIndexedParameter (e.convertIndexValue (203)), 0.0f);
}

TEST_F (Engine, BarOperationsIgnoreBadInput)
{
    RariZuz& e = *engine;
    const BarFreq before = e.getBar (0);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    e.createBar (8, 0.5f, 0.5f, 0.5f, 0.6f);
    e.createBar (-1, 0.5f, 0.5f, 0.5f, 0.6f);
    e.createBar (0, nan, 0.5f, 0.5f, 0.6f);
    e.setBarValues (9, 0.5f, 0.5f, 0.5f, 0.6f);
    e.setBarValues (0, 0.5f, nan, 0.5f, 0.6f);
    e.selectBar (-1);
    e.selectBar (8);
    e.beginDragBar (12);
    e.endDragBar (12);
    const BarFreq after = e.getBar (0);
    EXPECT_EQ (std::memcmp (&before, &after, sizeof (BarFreq)), 0);
    EXPECT_EQ (e.getSelectedBar(), 0);
}

TEST_F (Engine, BarDragFollowsTheDisplayCoordinates)
{
    RariZuz& e = *engine;
    // Display x = 1 - delay, y = 1 - frequency.
    e.setBarValues (0, 0.8f, 0.7f, 0.6f, 0.4f);
    const BarFreq bar = e.getBar (0);
    EXPECT_NEAR (bar.f1, 0.3, 1e-4);
    EXPECT_NEAR (bar.d1, 0.2, 1e-4);
    EXPECT_NEAR (bar.f2, 0.6, 1e-4);
    EXPECT_NEAR (bar.d2, 0.4, 1e-4);
    EXPECT_NEAR (e.getIndexedParameter (RariZuz::pFrequency), 0.45f, 1e-4f);

    // Without a selected active bar a drag changes nothing.
    e.setIndexedParameter (RariZuz::pActive, 0.0f);
    const BarFreq inactive = e.getBar (0);
    e.setBarValues (0, 0.1f, 0.1f, 0.2f, 0.2f);
    const BarFreq after = e.getBar (0);
    EXPECT_EQ (std::memcmp (&inactive, &after, sizeof (BarFreq)), 0);
}

TEST_F (Engine, SameBandsIndexChangesNothing)
{
    RariZuz& e = *engine;
    const float* line = e.getDelayLine (0).getBuffer (0);
    e.setIndexedParameter (RariZuz::pBands, 0.34f);
    EXPECT_EQ (e.getFftSize(), 2048);
    EXPECT_NEAR (e.getIndexedParameter (RariZuz::pBands), 3.0f / 9.0f, 1e-6f) << "the value is not stored";
    EXPECT_EQ (e.getDelayLine (0).getBuffer (0), line);

    e.setIndexedParameter (RariZuz::pBands, 0.0f);
    EXPECT_EQ (e.getFftSize(), 256);
    EXPECT_EQ (e.getDelayFrames(), 6890);
    EXPECT_EQ (e.getIndexedParameterText (RariZuz::pBands), "128");
    e.setIndexedParameter (RariZuz::pBands, 1.0f);
    EXPECT_EQ (e.getFftSize(), 131072);
    EXPECT_EQ (e.getDelayFrames(), 13);
    EXPECT_FALSE (e.isStopped());
}

TEST_F (Engine, PresetsAndProgramNames)
{
    RariZuz& e = *engine;
    int states[16] = {};
    e.SetPreset (4, 5);
    e.getPresetStates (states);
    EXPECT_EQ (states[4], 1);
    e.SetPreset (16, 0);
    e.SetPreset (3, 6);
    EXPECT_EQ (e.getPresetPointer (16), nullptr);
    EXPECT_EQ (e.getPresetSize(), 3352);
    EXPECT_EQ (e.getProgramSize(), 57108);

    e.changeProgramName (1, "abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ (e.getProgramName (1), "abcdefghijklmnopqrstuvw");
    e.changeProgramName (1, juce::String::fromUTF8 ("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"));
    EXPECT_EQ (e.getProgramName (1).length(), 11) << "no character is cut in two";
    EXPECT_EQ (e.getProgramName (7), "");
}
