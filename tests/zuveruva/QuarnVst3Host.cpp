// The built VST3 bundle of "Vokt Quarn" loaded by JUCE's VST3 host, as a
// host application loads it (nothing of ours on the host side but this
// test): its parameters, a rendered test signal against the crunch engine
// run directly, host automation, the host's saved state brought into a
// fresh instance, and the plug-in's editor in a window of the host.
#include "ScreenProbe.h"
#include "ZuveruvaTestSupport.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using namespace zuveruva_test;

namespace
{
constexpr int block = 512;

const char* const names[] = {
    "Preset", "SuperSlider", "InterSpeed", "LoadSpeed", "Bands", "Amplitude", "Frequency", "Mix",
    "Gain", "Balance", "", "Aux On", "Aux Gain", "Aux Depth", "Sample    ", "Play", "Beginning",
    "Loop", "Loop Begin", "Loop End", "Agitation 1 Ampl", "Agitation 1 Speed", "Agitation",
    "Frequency Agit", "Amplitude Agit", "Mix Agit", "Gain Agit", "Aux Gain Agit", "Aux Depth Agit",
    "Balance Agit", "Agitation 2 Ampl", "Agitation 3 Ampl", "Agitation 4 Ampl", "Agitation 2 Speed",
    "Agitation 3 Speed", "Agitation 4 Speed", "Sync"
};

std::unique_ptr<juce::AudioPluginInstance> loadPlugin (double rate = sampleRate, int hostBlock = block)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, juce::File (VOKT_QUARN_VST3).getFullPathName());
    if (types.size() != 1)
        return {};
    juce::String error;
    auto instance = format.createInstanceFromDescription (*types[0], rate, hostBlock, error);
    if (instance == nullptr)
        return {};

    // Main stereo in and out; the side chain off.
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.inputBuses.add (juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    if (instance->getBusCount (true) != 2 || ! instance->setBusesLayout (layout))
        return {};
    instance->prepareToPlay (rate, hostBlock);
    return instance;
}

// Waits, letting this side's message loop run, until the plug-in reports the
// latency of the frame size it was given (its deferred frame-size change ran).
bool waitForLatency (juce::AudioPluginInstance& plugin, int latency)
{
    // The frame size reaches the latency on the plug-in's next timer tick;
    // a loaded machine may hold that back for a few seconds.
    for (int k = 0; k < 1000; ++k)
    {
        if (plugin.getLatencySamples() == latency)
            return true;
        pumpMessages (10);
    }
    return false;
}

std::vector<Signal> renderPlugin (juce::AudioPluginInstance& plugin, const std::vector<Signal>& in,
                                  const std::function<void (int)>& beforeBlock = {})
{
    const int length = (int) in[0].size();
    const int channels = juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
    std::vector<Signal> out (2, Signal ((size_t) length, 0.0f));
    juce::AudioBuffer<float> buffer (channels, block);
    juce::MidiBuffer midi;
    for (int offset = 0; offset + block <= length; offset += block)
    {
        if (beforeBlock)
            beforeBlock (offset);
        buffer.clear();
        for (int c = 0; c < 2; ++c)
            buffer.copyFrom (c, 0, in[(size_t) c].data() + offset, block);
        plugin.processBlock (buffer, midi);
        for (int c = 0; c < 2; ++c)
            std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + block, out[(size_t) c].data() + offset);
    }
    return out;
}

double rms (const Signal& s, size_t from)
{
    double sum = 0.0;
    for (size_t t = from; t < s.size(); ++t)
        sum += (double) s[t] * s[t];
    return std::sqrt (sum / (double) (s.size() - from));
}

void expectSame (const std::vector<Signal>& a, const std::vector<Signal>& b)
{
    for (int c = 0; c < 2; ++c)
        for (size_t t = 0; t < a[(size_t) c].size(); ++t)
            ASSERT_NEAR (a[(size_t) c][t], b[(size_t) c][t], 1e-6f) << "channel " << c << " t " << t;
}

struct Setting
{
    int index;
    float value;
};
const Setting settings[] = {
    { Zuveruva::kBands, 0.8f },      // N = 2048, applied by the plug-in's timer
    { Zuveruva::kAmplitude, 0.6f },
    { Zuveruva::kFrequency, 0.3f },
    { Zuveruva::kGain, 0.7f },
    { Zuveruva::kMix, 0.75f },
    { Zuveruva::kBalance, 0.4f },
};

TEST (QuarnVst3Host, ParametersRenderingAutomationAndStateThroughTheHost)
{
    auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr) << "could not load " << VOKT_QUARN_VST3;
    EXPECT_EQ (plugin->getName(), "Vokt Quarn");
    EXPECT_EQ (plugin->getNumPrograms(), 5);
    EXPECT_EQ (plugin->getProgramName (0), "Init Quarn");

    // The 37 parameters come first, with their names and texts; the wrapper
    // adds its program parameter and the hidden MIDI controller ones after
    // them. All are automatable (hosts list no other kind).
    const auto& params = plugin->getParameters();
    ASSERT_GE (params.size(), 37);
    for (int i = 0; i < 37; ++i)
    {
        EXPECT_EQ (params[i]->getName (64), names[i]) << i;
        EXPECT_TRUE (params[i]->isAutomatable()) << i;
    }
    Zuveruva engine;
    for (int i : { (int) Zuveruva::kBands, (int) Zuveruva::kGain, (int) Zuveruva::kMix, (int) Zuveruva::kAmplitude,
                   (int) Zuveruva::kSync, (int) Zuveruva::kAgitation1Speed })
        for (float v : { 0.0f, 0.3f, 1.0f })
            EXPECT_EQ (params[i]->getText (v, 64), engine.getIndexedParameterTextFromValue (i, v, 64)) << i << " " << v;
    EXPECT_EQ (params[Zuveruva::kBands]->getCurrentValueAsText(), "64");

    // Parameters set through the host reach the effect; Bands waits for the
    // plug-in's own message thread.
    for (const auto& s : settings)
        params[s.index]->setValue (s.value);
    ASSERT_TRUE (waitForLatency (*plugin, 2047));

    ASSERT_TRUE (prepare (engine, 2, 0, block));
    for (const auto& s : settings)
        engine.setIndexedParameter (s.index, s.value);
    ASSERT_EQ (engine.getFrameSize(), 2048);

    // Three seconds of a test signal; halfway the host automates Mix.
    const int length = 3 * (int) sampleRate / block * block;
    std::vector<Signal> in { sine (length, 440.0, 0.3f), noise (length, 21, 0.2f) };
    for (size_t t = 0; t < in[0].size(); ++t)
        in[0][t] += in[1][t] * 0.5f;
    const int automationAt = (length / 2) / block * block;

    const auto fromHost = renderPlugin (*plugin, in, [&] (int offset) {
        if (offset == automationAt)
            params[Zuveruva::kMix]->setValue (0.3f);
    });
    Render direct;
    direct.in = in;
    direct.block = block;
    direct.beforeBlock = [&] (int offset) {
        if (offset == automationAt)
            engine.setIndexedParameter (Zuveruva::kMix, 0.3f);
    };
    const auto reference = direct.run (engine);

    for (int c = 0; c < 2; ++c)
    {
        for (float x : fromHost[(size_t) c])
            ASSERT_TRUE (std::isfinite (x));
        EXPECT_GT (rms (fromHost[(size_t) c], 4096), 0.01) << "channel " << c << " is silent";
    }
    expectSame (fromHost, reference);

    // The host's state, into a fresh instance: the same state comes back,
    // and the same signal gives the same output as the first run.
    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    auto restored = loadPlugin();
    ASSERT_NE (restored, nullptr);
    restored->setStateInformation (state.getData(), (int) state.getSize());
    ASSERT_TRUE (waitForLatency (*restored, 2047));
    juce::MemoryBlock again;
    restored->getStateInformation (again);
    EXPECT_EQ (again, state);

    restored->getParameters()[Zuveruva::kMix]->setValue (0.75f);
    auto restoredParams = restored->getParameters();
    for (const auto& s : settings)
        EXPECT_FLOAT_EQ (restoredParams[s.index]->getValue(), s.value) << s.index;
    const auto fromRestored = renderPlugin (*restored, in, [&] (int offset) {
        if (offset == automationAt)
            restoredParams[Zuveruva::kMix]->setValue (0.3f);
    });
    expectSame (fromRestored, fromHost);

    plugin->releaseResources();
    restored->releaseResources();
}

// Every parameter through the host's parameter interface, as a host's
// generic view uses it: settable, with steps it can show; "Aux On" offers
// exactly its three sources and none of them opens a dialog (a display-less
// host would crash on a window).
TEST (QuarnVst3Host, EveryParameterIsSettableAndAuxOnOffersItsSources)
{
    auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    const auto& params = plugin->getParameters();
    ASSERT_GE (params.size(), 37);

    juce::AudioBuffer<float> buffer (juce::jmax (plugin->getTotalNumInputChannels(), plugin->getTotalNumOutputChannels()), block);
    juce::MidiBuffer midi;
    auto renderAndTick = [&] {
        for (int k = 0; k < 2; ++k)
        {
            buffer.clear();
            plugin->processBlock (buffer, midi);
        }
        pumpMessages (120);
    };

    // Each value reaches the effect and is what the host reads back after
    // the effect's own ticks told it the running values. The recall
    // parameters, whose moves change the others, keep their values; so does
    // Bands: a new frame size, applied on whichever tick of the plug-in's
    // comes first, takes a one-shot "Sample" snapshot with Amplitude at the
    // top, and the next block sets Sample back to 0. Sync stays off (it
    // would make "Play" follow the stopped host); the unnamed parameter
    // holds nothing and reads 0.
    std::vector<float> set (37, 0.0f);
    for (int i = 0; i < 37; ++i)
    {
        EXPECT_GE (params[i]->getNumSteps(), 2) << names[i];
        if (i == Zuveruva::kPreset || i == Zuveruva::kSuperSlider || i == Zuveruva::kBands)
            set[(size_t) i] = params[i]->getValue();
        else if (i == Zuveruva::kSync)
            set[(size_t) i] = 0.0f;
        else
            set[(size_t) i] = i == Zuveruva::kAuxOn ? 0.5f : 1.0f;
        params[i]->setValue (set[(size_t) i]);
    }
    renderAndTick();
    for (int i = 0; i < 37; ++i)
        EXPECT_NEAR (params[i]->getValue(), i == Zuveruva::kUnnamed ? 0.0f : set[(size_t) i], 1.0e-6f) << names[i];

    auto* auxOn = params[Zuveruva::kAuxOn];
    EXPECT_EQ (auxOn->getNumSteps(), 3);
    const char* const sources[] = { "No Aux", "File", "Side-Chain" };
    for (int k = 0; k < 3; ++k)
    {
        const float v = (float) k / 2.0f;
        EXPECT_EQ (auxOn->getText (v, 64), sources[k]);
        auxOn->setValue (v);
        renderAndTick();
        EXPECT_FLOAT_EQ (auxOn->getValue(), v) << sources[k];
        EXPECT_EQ (auxOn->getCurrentValueAsText(), sources[k]);
    }
    // No window of the plug-in's appeared.
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), 0);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
    plugin->releaseResources();
}

// Through the host's wrapper at the ends of the block sizes and at three
// rates: a second of noise, then silence, gives finite output without
// subnormals while the spectrum decays.
TEST (QuarnVst3Host, HostBlockSizesAndRatesGiveFiniteOutput)
{
    for (double rate : { 44100.0, 48000.0, 96000.0 })
        for (int hostBlock : { 32, 8192 })
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz, block " << hostBlock);
            auto plugin = loadPlugin (rate, hostBlock);
            ASSERT_NE (plugin, nullptr);
            plugin->getParameters()[Zuveruva::kAmplitude]->setValue (0.95f);
            juce::AudioBuffer<float> buffer (2, hostBlock);
            juce::MidiBuffer midi;
            juce::Random random (hostBlock);
            const int blocks = (int) (2.0 * rate) / hostBlock + 1;
            for (int b = 0; b < blocks; ++b)
            {
                const float level = b < blocks / 2 ? 0.5f : 0.0f;
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < hostBlock; ++i)
                        buffer.setSample (c, i, level * (2.0f * random.nextFloat() - 1.0f));
                plugin->processBlock (buffer, midi);
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < hostBlock; ++i)
                        ASSERT_TRUE (isNormalOrZero (buffer.getSample (c, i))) << "block " << b << " channel " << c << " i " << i;
            }
            plugin->releaseResources();
        }
}
// The plug-in's editor opened by the host in a window on the display: it
// shows, follows the host's parameter changes, sends the
// user's moves back to the host, takes the host's sizes and closes cleanly.
TEST (QuarnVst3Host, EditorOpensFollowsTheHostAndResizes)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        GTEST_SKIP() << "no display";
    auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    ASSERT_TRUE (plugin->hasEditor());
    renderPlugin (*plugin, { noise (block * 40, 3), noise (block * 40, 4) });

    std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getWidth(), 520);
    EXPECT_EQ (editor->getHeight(), 380);
    editor->setTopLeftPosition (40, 40);
    editor->addToDesktop (0);
    editor->setVisible (true);
    // Settling time before the host changes anything: a host change in the
    // editor's first moments has been seen never to reach its labels.
    pumpMessages (800);

    const auto at = editor->getScreenPosition();
    auto screen = [&] (juce::Rectangle<int> r) { return screenprobe::grab (at.x + r.getX(), at.y + r.getY(), r.getWidth(), r.getHeight()); };
    // The panel's own colours: its background in the bottom band, the near-white frame round the pad.
    const std::vector<uint32_t> background { 0xff564e47u }, frame { 0xffedededu };
    pumpUntil ([&] { return screen ({ 185, 372, 1, 1 }) == background && screen ({ 4, 110, 1, 1 }) == frame; });
    EXPECT_EQ (screen ({ 185, 372, 1, 1 }), background);
    EXPECT_EQ (screen ({ 4, 110, 1, 1 }), frame);

    // A host change of the gain shows in the gain value label.
    const juce::Rectangle<int> gainLabel (356, 264, 30, 14);
    const auto before = screen (gainLabel);
    plugin->getParameters()[Zuveruva::kGain]->setValueNotifyingHost (0.3f);
    EXPECT_TRUE (pumpUntil ([&] { return screen (gainLabel) != before; })) << "the gain label did not follow the host";

    // A drag on the pad reaches the plug-in inside gestures the host hears.
    struct Gestures : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override { begun.insert (i); }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override { ended.insert (i); }
        std::set<int> begun, ended;
    } host;
    plugin->addListener (&host);
    std::atomic<bool> dragged { false };
    std::thread user ([&] {
        screenprobe::drag (at.x + 100, at.y + 250, at.x + 250, at.y + 150);
        dragged = true;
    });
    EXPECT_TRUE (pumpUntil ([&] { return dragged.load(); })) << "the drag did not finish";
    user.join();
    pumpUntil ([&] { return host.ended.size() >= 2; });
    EXPECT_EQ (host.begun, (std::set<int> { Zuveruva::kAmplitude, Zuveruva::kFrequency }));
    EXPECT_EQ (host.ended, (std::set<int> { Zuveruva::kAmplitude, Zuveruva::kFrequency }));
    plugin->removeListener (&host);

    // The host resizes the window: the editor follows.
    editor->setSize (780, 570);
    pumpUntil ([&] { return screen ({ 185, 570 - 8, 1, 1 }) == background; });
    EXPECT_EQ (screen ({ 185, 570 - 8, 1, 1 }), background) << "not drawn at the new size";

    // The state the host saves holds the moved point and the editor size: a
    // fresh instance opens its editor at that size, with those values.
    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    auto restored = loadPlugin();
    ASSERT_NE (restored, nullptr);
    restored->setStateInformation (state.getData(), (int) state.getSize());
    const float amplitude = (250.0f - 8.0f - 8.0f) / (346.0f - 16.0f), frequency = 1.0f - (150.0f - 114.0f - 8.0f) / (164.0f - 16.0f);
    auto restoredValue = [&] (int i) { return restored->getParameters()[i]->getValue(); };
    pumpUntil ([&] { return std::abs (restoredValue (Zuveruva::kAmplitude) - amplitude) <= 0.02f
                            && std::abs (restoredValue (Zuveruva::kFrequency) - frequency) <= 0.02f; });
    EXPECT_NEAR (restoredValue (Zuveruva::kAmplitude), amplitude, 0.02f);
    EXPECT_NEAR (restoredValue (Zuveruva::kFrequency), frequency, 0.02f);
    {
        std::unique_ptr<juce::AudioProcessorEditor> second (restored->createEditorIfNeeded());
        ASSERT_NE (second, nullptr);
        EXPECT_EQ (second->getWidth(), 780);
        EXPECT_EQ (second->getHeight(), 570);
        restored->editorBeingDeleted (second.get());
    }
    restored->releaseResources();

    // Closed as a host closes it; the plug-in keeps running. JUCE's window
    // of the host answers some X events with a call posted to the message
    // queue that points at the window itself: what the queue holds runs
    // before the window goes.
    editor->removeFromDesktop();
    plugin->editorBeingDeleted (editor.get());
    auto drained = std::make_shared<std::atomic<bool>> (false);
    juce::MessageManager::callAsync ([drained] { *drained = true; });
    EXPECT_TRUE (pumpUntil ([&] { return drained->load(); }));
    editor.reset();
    pumpMessages (100);
    const auto out = renderPlugin (*plugin, { noise (block * 4, 5), noise (block * 4, 6) });
    EXPECT_GT (rms (out[0], 0), 0.0);
    plugin->releaseResources();
}
} // namespace
