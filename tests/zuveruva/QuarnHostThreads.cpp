// Vokt Quarn driven as a plug-in host drives it: the processor built,
// restored, rendered, recalled and destroyed on a thread of the host's own
// while the JUCE message loop runs on this (the test's main) thread, with a
// listener on every parameter standing for the host's controls. The host
// must see the running values, told without gestures, and never get back a
// value it set itself. Built in the ThreadSanitizer configuration too.
#include "QuarnProcessor.h"
#include "ZuveruvaTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <thread>

using namespace zuveruva_test;

namespace
{
// What a host's controls show: the last value told per parameter.
class HostControls : public juce::AudioProcessorParameter::Listener
{
public:
    void parameterValueChanged (int index, float value) override
    {
        const std::lock_guard<std::mutex> lock (mutex);
        shown[index] = value;
        ++told[index];
    }

    void parameterGestureChanged (int, bool) override { gestures.fetch_add (1); }

    float valueOf (int index)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        const auto it = shown.find (index);
        return it == shown.end() ? -1.0f : it->second;
    }

    int timesTold (int index)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        return told[index];
    }

    std::atomic<int> gestures { 0 };

private:
    std::mutex mutex;
    std::map<int, float> shown;
    std::map<int, int> told;
};

// Runs fn on a host thread while this thread runs the message loop.
void onHostThread (const std::function<void()>& fn)
{
    std::atomic<bool> done { false };
    std::thread host ([&] {
        fn();
        done.store (true);
    });
    while (! done.load())
        pumpMessages (5);
    host.join();
}

void renderBlocks (QuarnProcessor& fx, int blocks)
{
    juce::AudioBuffer<float> buffer (4, 512);
    juce::MidiBuffer midi;
    for (int k = 0; k < blocks; ++k)
    {
        buffer.clear();
        fx.processBlock (buffer, midi);
    }
}

// The controls show what the parameters hold (host view), for all 37.
void expectControlsShowTheRunningValues (QuarnProcessor& fx, HostControls& controls)
{
    for (int i = 0; i < Zuveruva::numParameters; ++i)
        EXPECT_FLOAT_EQ (controls.valueOf (i), fx.getParameters()[i]->getValue()) << fx.getIndexedParameterName (i);
}
} // namespace

TEST (QuarnHost, TheHostSeesTheRunningValuesTellWithoutGestures)
{
    juce::MemoryBlock state;
    onHostThread ([&] {
        QuarnProcessor source;
        source.setIndexedParameter (Zuveruva::kGain, 0.3f);
        source.setIndexedParameter (Zuveruva::kMix, 0.4f);
        source.setIndexedParameter (Zuveruva::kAuxOn, Zuveruva::auxOnValueForSource (Zuveruva::auxSourceSideChain));
        source.getStateInformation (state);
    });

    HostControls controls;
    onHostThread ([&] {
        auto fx = std::make_unique<QuarnProcessor>();
        fx->startTimersOnceBuilt(); // as the plug-in's entry does
        for (auto* p : fx->getParameters())
            p->addListener (&controls);
        fx->prepareToPlay (sampleRate, 512);

        // Construction: every value is told once its first ticks ran.
        juce::Thread::sleep (200);
        expectControlsShowTheRunningValues (*fx, controls);

        // A state restored on this thread.
        fx->setStateInformation (state.getData(), (int) state.getSize());
        renderBlocks (*fx, 4);
        juce::Thread::sleep (200);
        EXPECT_FLOAT_EQ (controls.valueOf (Zuveruva::kGain), 0.3f);
        EXPECT_FLOAT_EQ (controls.valueOf (Zuveruva::kMix), 0.4f);
        EXPECT_FLOAT_EQ (controls.valueOf (Zuveruva::kAuxOn), 1.0f); // "Side-Chain" as hosts see it
        expectControlsShowTheRunningValues (*fx, controls);

        // A value the host sets is not sent back to it.
        const int toldMix = controls.timesTold (Zuveruva::kMix);
        fx->getParameters()[Zuveruva::kMix]->setValue (0.9f);
        renderBlocks (*fx, 4);
        juce::Thread::sleep (150);
        EXPECT_EQ (controls.timesTold (Zuveruva::kMix), toldMix);

        // A preset recall from the host runs its interpolation; the controls
        // follow it to the end.
        fx->getParameters()[Zuveruva::kInterSpeed]->setValue (0.0f);
        fx->setCurrentProgram (2);
        for (int k = 0; k < 10; ++k)
        {
            renderBlocks (*fx, 4);
            juce::Thread::sleep (30);
        }
        juce::Thread::sleep (200);
        expectControlsShowTheRunningValues (*fx, controls);

        for (auto* p : fx->getParameters())
            p->removeListener (&controls);
        fx.reset(); // destroyed on the host thread while the message loop runs
    });
    EXPECT_EQ (controls.gestures.load(), 0);
}

namespace
{
// A wrapper's processor listener: counts the values it is told.
struct WrapperListener : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { told.fetch_add (1); }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    std::atomic<int> told { 0 };
};
} // namespace

TEST (QuarnHost, TheHostIsToldValuesOnlyBetweenPrepareAndRelease)
{
    // JUCE's wrappers add and remove their processor listeners on the
    // host's thread and JUCE reads them unlocked while it notifies: the
    // ticks tell nothing before the host prepares the processor or after it
    // releases it, and what changed meanwhile is told on the next prepare.
    QuarnProcessor fx;
    WrapperListener wrapper;
    fx.addListener (&wrapper);

    pumpMessages (200);
    EXPECT_EQ (wrapper.told.load(), 0);

    fx.prepareToPlay (sampleRate, 512);
    pumpMessages (200);
    EXPECT_GE (wrapper.told.load(), Zuveruva::numParameters);

    fx.releaseResources();
    const int toldWhilePrepared = wrapper.told.load();
    fx.setIndexedParameter (Zuveruva::kGain, 0.25f);
    pumpMessages (200);
    EXPECT_EQ (wrapper.told.load(), toldWhilePrepared);

    fx.prepareToPlay (sampleRate, 512);
    pumpMessages (200);
    EXPECT_GT (wrapper.told.load(), toldWhilePrepared);
    fx.removeListener (&wrapper);
}

TEST (QuarnHost, AVst3HostIsNotToldTheValuesItReadsItself)
{
    // A VST3 host reads every value when it loads the plug-in and again after
    // a state restore. JUCE's VST3 wrapper turns each value told into an
    // edit the host plays back into the plug-in later, over what the host set
    // or restored meanwhile: only what the effect changes by itself (here a
    // program change) is told.
    juce::MemoryBlock state;
    {
        QuarnProcessor source;
        source.setIndexedParameter (Zuveruva::kBands, 0.8f);
        source.setIndexedParameter (Zuveruva::kGain, 0.3f);
        source.getStateInformation (state);
    }

    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_VST3);
    QuarnProcessor fx;
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    WrapperListener wrapper;
    fx.addListener (&wrapper);

    fx.prepareToPlay (sampleRate, 512);
    pumpMessages (200);
    EXPECT_EQ (wrapper.told.load(), 0);

    fx.setStateInformation (state.getData(), (int) state.getSize());
    pumpMessages (200);
    EXPECT_EQ (fx.getFrameSize(), 2048);
    EXPECT_EQ (wrapper.told.load(), 0);

    fx.setCurrentProgram (2);
    pumpMessages (200);
    EXPECT_GT (wrapper.told.load(), 0);
    fx.removeListener (&wrapper);
}
