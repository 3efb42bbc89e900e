// MIDI learn bindings, the classification of incoming messages, the
// panel texts and the control highlight table.
#include "MyPluginHostType.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
void send (MyEffect& e, const juce::MidiMessage& m)
{
    e.applyMidiMessage (m.getRawData(), m.getRawDataSize());
}

// Parameters: 1 continuous, 2 discrete 5 steps (modeSteps), 3 discrete switch.
struct Case
{
    const char* name;
    int param;
    MidiBindingRecord binding;
    int modeSteps;
    std::vector<juce::MidiMessage> messages;
    float before;    // value set first
    float expected;  // value afterwards (before when ignored)
};
} // namespace

TEST (MyEffectMidi, MessagesSetBoundParameters)
{
    using M = juce::MidiMessage;
    const std::vector<Case> cases = {
        { "CC 127 is exactly 1", 1, { 1, 1, 7, 60, 0 }, 5, { M::controllerEvent (1, 7, 127) }, 0.2f, 1.0f },
        { "CC 64 is one half", 1, { 1, 1, 7, 60, 0 }, 5, { M::controllerEvent (1, 7, 64) }, 0.2f, 0.5f },
        { "CC 0", 1, { 1, 1, 7, 60, 0 }, 5, { M::controllerEvent (1, 7, 0) }, 0.2f, 0.0f },
        { "other controller ignored", 1, { 1, 1, 7, 60, 0 }, 5, { M::controllerEvent (1, 8, 100) }, 0.2f, 0.2f },
        { "other channel ignored", 1, { 1, 2, 7, 60, 0 }, 5, { M::controllerEvent (1, 7, 100) }, 0.2f, 0.2f },
        { "pitch wheel top", 1, { 3, 1, 0, 60, 0 }, 5, { M::pitchWheel (1, 16383) }, 0.2f, 1.0f },
        { "pitch wheel bottom", 1, { 3, 1, 0, 60, 0 }, 5, { M::pitchWheel (1, 0) }, 0.2f, 0.0f },
        { "note on continuous", 1, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 127, (juce::uint8) 100) }, 0.2f, 1.0f },
        { "note off ignored", 1, { 2, 1, 0, 60, 0 }, 5, { M::noteOff (1, 100) }, 0.2f, 0.2f },
        { "velocity 0 is a note off", 1, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 100, (juce::uint8) 0) }, 0.2f, 0.2f },
        { "switch toggles on its note", 3, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 60, (juce::uint8) 90) }, 0.0f, 1.0f },
        { "switch toggles twice", 3, { 2, 1, 0, 60, 0 }, 5,
          { M::noteOn (1, 60, (juce::uint8) 90), M::noteOn (1, 60, (juce::uint8) 90) }, 0.0f, 0.0f },
        { "switch ignores other notes", 3, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 61, (juce::uint8) 90) }, 0.0f, 0.0f },
        { "step note 60", 2, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 60, (juce::uint8) 1) }, 0.6f, 0.0f },
        { "step note 61", 2, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 61, (juce::uint8) 1) }, 0.6f, 0.25f },
        { "step note 64", 2, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 64, (juce::uint8) 1) }, 0.6f, 1.0f },
        { "step note 65 ignored", 2, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 65, (juce::uint8) 1) }, 0.6f, 0.6f },
        { "step note 59 ignored", 2, { 2, 1, 0, 60, 0 }, 5, { M::noteOn (1, 59, (juce::uint8) 1) }, 0.6f, 0.6f },
        { "program on 5 steps", 2, { 4, 1, 0, 60, 0 }, 5, { M::programChange (1, 2) }, 0.0f, 0.5f },
        { "program beyond the steps", 2, { 4, 1, 0, 60, 0 }, 5, { M::programChange (1, 9) }, 0.0f, 1.0f },
        { "program on a one-step parameter", 2, { 4, 1, 0, 60, 0 }, 1, { M::programChange (1, 127) }, 0.0f, 1.0f },
        { "program on a continuous parameter", 1, { 4, 1, 0, 60, 0 }, 5, { M::programChange (1, 127) }, 0.0f, 1.0f },
        { "channel 16", 1, { 1, 16, 1, 60, 0 }, 5, { M::controllerEvent (16, 1, 127) }, 0.0f, 1.0f },
        { "aftertouch ignored", 1, { 1, 1, 0, 60, 0 }, 5, { M::channelPressureChange (1, 100) }, 0.3f, 0.3f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TestEffect e (8, false);
        e.modeSteps = c.modeSteps;
        e.setIndexedParameter (c.param, c.before);
        e.midiBindings[(size_t) c.param].store (c.binding);
        for (const auto& m : c.messages)
            send (e, m);
        EXPECT_FLOAT_EQ (e.getIndexedParameter (c.param), c.expected);
    }
}

TEST (MyEffectMidi, OneMessageDrivesEveryMatchingBinding)
{
    TestEffect e (8, false);
    e.midiBindings[0].store ({ 1, 1, 11, 60, 0 });
    e.midiBindings[1].store ({ 1, 1, 11, 60, 0 });
    send (e, juce::MidiMessage::controllerEvent (1, 11, 32));
    EXPECT_FLOAT_EQ (e.getIndexedParameter (0), 0.25f);
    EXPECT_FLOAT_EQ (e.getIndexedParameter (1), 0.25f);
    EXPECT_EQ (e.currentParameter.load(), 1);
    EXPECT_EQ (e.currentControlMessage.controller.load(), 11);
}

TEST (MyEffectMidi, LearnModeBindsTheLastTouchedParameter)
{
    TestEffect e (8, false);

    // Nothing touched: only the current message changes.
    e.setMidiBind (true);
    e.editorUpdatePending = false;
    send (e, juce::MidiMessage::controllerEvent (2, 20, 100));
    EXPECT_EQ (e.currentControlMessage.load().controller, 20);
    EXPECT_EQ (e.currentControlMessage.load().channel, 2);
    EXPECT_TRUE (e.editorUpdatePending.load());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (e.midiBindings[(size_t) i].type.load(), 0);

    // Touch parameter 1, then the message binds it and acts at once.
    e.setParameterNotifyingHost (1, 0.1f);
    send (e, juce::MidiMessage::controllerEvent (2, 20, 64));
    const auto r = e.midiBindings[1].load();
    EXPECT_EQ (r.type, 1);
    EXPECT_EQ (r.channel, 2);
    EXPECT_EQ (r.controller, 20);
    EXPECT_EQ (r.note, 60);
    EXPECT_FLOAT_EQ (e.getIndexedParameter (1), 0.5f);
    EXPECT_EQ (e.getCurrentControlMessage(), "2 : CC 20");
    EXPECT_EQ (e.getCurrentParameterName(), "Mix");

    e.unBindCurrentParameter();
    EXPECT_EQ (e.midiBindings[1].type.load(), 0);

    // Leaving learn mode forgets the touched parameter.
    e.setMidiBind (false);
    EXPECT_EQ (e.currentParameter.load(), -1);
    EXPECT_EQ (e.getCurrentParameterName(), "");
    EXPECT_EQ (e.getCurrentControlMessage(), "");
}

TEST (MyEffectMidi, ControlMessageTexts)
{
    const struct
    {
        MidiBindingRecord r;
        const char* text;
    } cases[] = {
        { { 1, 3, 7, 60, 0 }, "3 : Main Volume" },
        { { 1, 1, 0, 60, 0 }, "1 : Bank Select" },
        { { 1, 1, 1, 60, 0 }, "1 : Modulation" },
        { { 1, 1, 2, 60, 0 }, "1 : Breath Controller" },
        { { 1, 1, 4, 60, 0 }, "1 : Foot Controller" },
        { { 1, 1, 5, 60, 0 }, "1 : Portamento Time" },
        { { 1, 1, 10, 60, 0 }, "1 : Pan" },
        { { 1, 1, 11, 60, 0 }, "1 : Expression" },
        { { 1, 1, 12, 60, 0 }, "1 : Effect 1" },
        { { 1, 1, 13, 60, 0 }, "1 : Effect 2" },
        { { 1, 9, 20, 60, 0 }, "9 : CC 20" },
        { { 2, 5, 0, 61, 0 }, "5 : Keyboard 61" },
        { { 3, 16, 0, 60, 0 }, "16 : Pitch Wheel" },
        { { 4, 2, 0, 60, 0 }, "2 : Program Change" },
        { { 0, 2, 0, 60, 0 }, "" },
    };
    TestEffect e (8, false);
    for (const auto& c : cases)
    {
        e.midiBindings[3].store (c.r);
        e.setParameterNotifyingHost (3, 0.0f);
        // An unrelated message since then does not change the binding's text.
        e.currentControlMessage.controller = 99;
        EXPECT_EQ (e.getCurrentControlMessage(), c.text);
    }
}

TEST (MyEffectMidi, SetParameterNotesItsBinding)
{
    TestEffect e (8, false);
    e.currentControlMessage.store ({ 4, 9, 0, 60, 0 });
    e.setParameterNotifyingHost (2, 0.5f);  // no binding: message unchanged
    EXPECT_EQ (e.currentParameter.load(), 2);
    EXPECT_EQ (e.currentControlMessage.type.load(), 4);

    e.midiBindings[2].store ({ 1, 6, 33, 60, 0 });
    e.setParameterNotifyingHost (2, 0.5f);
    const auto m = e.currentControlMessage.load();
    EXPECT_EQ (m.type, 1);
    EXPECT_EQ (m.channel, 6);
    EXPECT_EQ (m.controller, 33);
}

TEST (MyEffectMidi, LoadedBindingsAreSanitisedAndOnlyWholeRecordsCopied)
{
    TestEffect e (8, false);
    EXPECT_EQ (e.midiBindings[0].load().controller, 1);  // InitMIDI: {0, 1, 1, 60, 0}
    EXPECT_EQ (e.midiBindings[0].load().note, 60);

    std::vector<MidiBindingRecord> table = {
        { 7, 5, 5, 5, 5 },   // unknown type
        { 1, 0, 20, 60, 5 }, // channel 0
        { 2, 17, 0, 61, 5 }, // channel 17
        { 4, 16, 0, 60, 5 },
    };
    e.midiBindings[1].spare = 42;
    e.setMidiInformation (reinterpret_cast<const unsigned char*> (table.data()), table.size() * 20 - 1);

    const auto r0 = e.midiBindings[0].load();
    EXPECT_EQ (r0.type, 0);
    EXPECT_EQ (r0.channel, 1);
    EXPECT_EQ (r0.controller, 0);
    EXPECT_EQ (r0.note, 0);
    EXPECT_EQ (e.midiBindings[1].load().channel, 1);
    EXPECT_EQ (e.midiBindings[1].load().controller, 20);
    EXPECT_EQ (e.midiBindings[1].load().spare, 42);  // the spare word is kept
    EXPECT_EQ (e.midiBindings[2].load().channel, 1);
    EXPECT_EQ (e.midiBindings[3].load().type, 0);  // the fourth record did not fit whole

    // A longer table than the effect's parameters: the rest is ignored.
    std::vector<MidiBindingRecord> big (20, MidiBindingRecord { 3, 2, 0, 60, 0 });
    e.setMidiInformation (reinterpret_cast<const unsigned char*> (big.data()), big.size() * 20);
    EXPECT_EQ (e.midiBindings[7].load().type, 3);
    e.setMidiInformation (nullptr, 100);

    e.ResetAllMidiBinding();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (e.midiBindings[(size_t) i].type.load(), 0);
    EXPECT_EQ (e.getMidiBinding (8), nullptr);
    EXPECT_EQ (e.getMidiBinding (-1), nullptr);
    EXPECT_EQ (e.getMidiBinding (7), &e.midiBindings[7]);
}

TEST (MyEffectMidi, CollectedMessagesAreAppliedByTheTimerAndIgnoredInOneHost)
{
    {
        TestEffect e (8, true);
        e.midiBindings[1].store ({ 1, 1, 7, 60, 0 });
        auto m = juce::MidiMessage::controllerEvent (1, 7, 127);
        m.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        e.midiCollector.addMessageToQueue (m);
        for (int k = 0; k < 20 && e.getIndexedParameter (1) != 1.0f; ++k)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
        EXPECT_FLOAT_EQ (e.getIndexedParameter (1), 1.0f);
    }

    MyPluginHostType::overrideCachedType (MyPluginHostType::finalCut);
    TestEffect e (8, false);
    e.midiBindings[1].store ({ 1, 1, 7, 60, 0 });
    send (e, juce::MidiMessage::controllerEvent (1, 7, 0));
    juce::AudioBuffer<float> buffer (2, 16);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, 0), 0);
    e.processBlock (buffer, midi);
    MyPluginHostType::overrideCachedType (-1);
    EXPECT_FLOAT_EQ (e.getIndexedParameter (1), 0.5f);
}

TEST (MyEffectMidi, HighlightTableWithGuards)
{
    TestEffect e (8, false);
    short on = 5, colour = 5;
    e.getHighlightInfo (2, &on, &colour);
    EXPECT_EQ (on, 0);
    EXPECT_EQ (colour, 0);

    e.SetControlHighliteInfo (2, 1, 3);
    e.getHighlightInfo (2, &on, &colour);
    EXPECT_EQ (on, 1);
    EXPECT_EQ (colour, 3);

    e.SetControlHighliteInfo (-1, 1, 1);
    e.SetControlHighliteInfo (8, 1, 1);
    e.getHighlightInfo (8, &on, &colour);
    EXPECT_EQ (on, 0);
    e.getHighlightInfo (2, nullptr, nullptr);

    e.editorUpdatePending = false;
    e.setHighlightOSC (true);
    EXPECT_TRUE (e.oscHighlight.load());
    EXPECT_TRUE (e.editorUpdatePending.load());
}
