// Effects created and destroyed while their timer, agitator thread, an
// audio thread, agitation and preset interpolation all run. Built in the
// ThreadSanitizer configuration too.
#include "MyPluginHostType.h"
#include "TestEffect.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
void pump (int ms)
{
    if (ms > 0)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

class AudioThread
{
public:
    explicit AudioThread (MyEffect& e) : effect (e), thread ([this] { run(); }) {}

    ~AudioThread()
    {
        stop.store (true);
        thread.join();
    }

    std::atomic<int> blocks { 0 };

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        midi.ensureSize (64);
        midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, 90), 0);
        while (! stop.load())
        {
            buffer.clear();
            {
                const juce::ScopedLock sl (effect.getCallbackLock());
                effect.processBlock (buffer, midi);
            }
            blocks.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
    }

    MyEffect& effect;
    std::atomic<bool> stop { false };
    std::thread thread;
};
} // namespace

TEST (EffectLifetime, CreateAndDestroyWhileEverythingRuns)
{
    for (int round = 0; round < 100; ++round)
    {
        SCOPED_TRACE (round);
        // Every third round renders offline: the step also runs on the audio thread.
        MyPluginHostType::overrideCachedType (round % 3 == 1 ? MyPluginHostType::adobeAudition : -1);

        auto effect = std::make_unique<TestEffect> (8, true);
        effect->prepareToPlay (44100.0, 256);
        effect->midiBindings[2].store ({ 1, 1, 7, 60, 0 });

        for (int g = 0; g < 4; ++g)
        {
            effect->agitationAmplitudes[g] = 0.6f;
            effect->agitationRates[g] = 0.2f;
        }
        effect->agitationOn = true;
        effect->setIndexedParameter (5, effect->setAgitationForParam (1, 5, AgitationIDValueFromStateAndID (true, 0)));
        effect->setIndexedParameter (6, effect->setAgitationForParam (7, 6, AgitationIDValueFromStateAndID (true, 2)));
        effect->interpolationRate = 30.0f;
        effect->SetPreset (round % 16, 0);

        {
            AudioThread audio (*effect);

            // Some rounds end before the first timer tick, others after several.
            pump ((round % 4) * 25);
            effect->beginParameterChangeGesture (3);
            effect->setParameterNotifyingHost (3, (float) (round % 2));
            effect->endParameterChangeGesture (3);
            effect->SetPreset ((round + 5) % 16, 0);
            effect->updateEditor();
            pump ((round % 3) * 20);
        }

        effect.reset();
    }
    MyPluginHostType::overrideCachedType (-1);
}

TEST (EffectLifetime, StopThreadsEndsTheAgitatorWithoutKillingIt)
{
    TestEffect effect (8, true);
    for (int k = 0; k < 20 && ! effect.agitator.isThreadRunning(); ++k)
        pump (20);
    ASSERT_TRUE (effect.agitator.isThreadRunning());

    const int before = effect.interpolationSteps.load();
    for (int k = 0; k < 50 && effect.interpolationSteps.load() == before; ++k)
        pump (10);
    EXPECT_GT (effect.interpolationSteps.load(), before);  // the agitator's loop runs the step

    effect.stopThreads();
    EXPECT_FALSE (effect.agitator.isThreadRunning());
    const int after = effect.interpolationSteps.load();
    pump (100);
    EXPECT_EQ (effect.interpolationSteps.load(), after);
}
