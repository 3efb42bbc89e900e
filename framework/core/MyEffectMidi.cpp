// MIDI learn bindings and the control highlight table.
#include "MyEffect.h"

#include "MyPluginHostType.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr MidiBindingRecord initialBinding { 0, 1, 1, 60, 0 };

// One incoming message as the bindings see it.
struct ClassifiedMidi
{
    int32_t type;        // 1 control change, 2 note on, 3 pitch wheel, 4 program change
    int32_t channel;     // 1..16
    int32_t controller;
    int32_t note;
    int number;          // the 7-bit note or program number (types 2 and 4)
    float x;             // the normalised value 0..1
};

bool classify (const uint8_t* data, int numBytes, ClassifiedMidi& m) noexcept
{
    if (data == nullptr || numBytes < 2)
        return false;

    const int status = data[0];
    if (status < 0x80 || status >= 0xf0)
        return false;

    m.channel = (status & 0x0f) + 1;
    m.controller = 0;
    m.note = 60;
    const int d1 = data[1] & 0x7f;

    switch (status & 0xf0)
    {
        case 0xb0:
        {
            if (numBytes < 3)
                return false;
            const int value = data[2] & 0x7f;
            m.type = 1;
            m.controller = d1;
            m.x = value == 127 ? 1.0f : (float) value / 128.0f;
            m.number = (int) (m.x * 127.0f);
            return true;
        }
        case 0xe0:
        {
            if (numBytes < 3)
                return false;
            const int value = d1 | ((data[2] & 0x7f) << 7);
            m.type = 3;
            m.x = (float) value / 16383.0f;
            m.number = (int) (m.x * 127.0f);
            return true;
        }
        case 0x90:
        {
            if (numBytes < 3 || (data[2] & 0x7f) == 0)
                return false;  // velocity 0 is a note off
            m.type = 2;
            m.note = d1;
            m.number = d1;
            m.x = (float) d1 / 127.0f;
            return true;
        }
        case 0xc0:
            m.type = 4;
            m.number = d1;
            m.x = (float) d1 / 127.0f;
            return true;
        default:
            return false;
    }
}
} // namespace

void MyEffect::InitMIDI()
{
    allocateParameterTables();
    const int n = tableSize.load (std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
        midiBindings[(size_t) i].store (initialBinding);
}

bool MyEffect::isMidiBind() { return midiLearn.load(); }

void MyEffect::setMidiBind (bool on)
{
    midiLearn.store (on);
    currentParameter.store (-1);
}

void MyEffect::unBindCurrentParameter()
{
    const int i = currentParameter.load();
    if (! midiLearn.load() || i < 0 || i >= tableSize.load (std::memory_order_acquire))
        return;
    midiBindings[(size_t) i].type.store (0);
    updateEditor();
}

void MyEffect::ResetAllMidiBinding()
{
    const int n = tableSize.load (std::memory_order_acquire);
    if (n == 0)
        return;
    for (int i = 0; i < n; ++i)
        midiBindings[(size_t) i].type.store (0);
    updateEditor();
}

namespace
{
// A record as loading leaves it: unbound ones in one form, channels 1..16.
// Saving writes records in this form too, so that a saved table loads back
// to the very bytes it was saved from.
MidiBindingRecord LoadedForm (MidiBindingRecord r) noexcept
{
    if (r.type < 1 || r.type > 4)
        return { 0, 1, 0, 0, r.spare };
    if (r.channel < 1 || r.channel > 16)
        r.channel = 1;
    return r;
}
} // namespace

void MyEffect::setMidiInformation (const unsigned char* data, std::size_t length)
{
    if (data == nullptr)
        return;

    const std::size_t whole = length / sizeof (MidiBindingRecord);
    const int n = (int) juce::jmin ((std::size_t) tableSize.load (std::memory_order_acquire), whole);

    for (int i = 0; i < n; ++i)
    {
        MidiBindingRecord r;
        std::memcpy (&r, data + (std::size_t) i * sizeof (MidiBindingRecord), sizeof r);

        auto& binding = midiBindings[(size_t) i];
        r.spare = binding.spare.load();  // not part of the saved binding
        binding.store (LoadedForm (r));
    }
}

void MyEffect::getMidiInformation (MidiBindingRecord* dest) const noexcept
{
    if (dest == nullptr)
        return;
    const int total = getParameters().size();
    const int n = juce::jmin (total, tableSize.load (std::memory_order_acquire));
    for (int i = 0; i < total; ++i)
        dest[i] = LoadedForm (i < n ? midiBindings[(size_t) i].load() : initialBinding);
}

juce::String MyEffect::getCurrentParameterName()
{
    const int i = currentParameter.load();
    if (! isValidParameterIndex (i))
        return {};
    return getIndexedParameterName (i);
}

juce::String MyEffect::getCurrentControlMessage()
{
    const int i = currentParameter.load();
    if (i < 0 || i >= tableSize.load (std::memory_order_acquire))
        return {};

    const auto r = midiBindings[(size_t) i].load();
    juce::String text (r.channel);

    switch (r.type)
    {
        case 1:
            switch (r.controller)
            {
                case 0:  return text + " : Bank Select";
                case 1:  return text + " : Modulation";
                case 2:  return text + " : Breath Controller";
                case 4:  return text + " : Foot Controller";
                case 5:  return text + " : Portamento Time";
                case 7:  return text + " : Main Volume";
                case 10: return text + " : Pan";
                case 11: return text + " : Expression";
                case 12: return text + " : Effect 1";
                case 13: return text + " : Effect 2";
                default: return text + " : CC " + juce::String (r.controller);
            }
        case 2:  return text + " : Keyboard " + juce::String (r.note);
        case 3:  return text + " : Pitch Wheel";
        case 4:  return text + " : Program Change";
        default: return {};
    }
}

MidiBinding* MyEffect::getMidiBinding (int i)
{
    if (i < 0 || i >= tableSize.load (std::memory_order_acquire))
        return nullptr;
    return &midiBindings[(size_t) i];
}

void MyEffect::SetControlHighliteInfo (long index, short on, short colourIndex)
{
    if (index < 0 || index >= tableSize.load (std::memory_order_acquire))
        return;

    highlightInfo[(size_t) index].on.store (on);
    highlightInfo[(size_t) index].colour.store (colourIndex);

    if (auto* hooks = dynamic_cast<MyEffectEditorHooks*> (getActiveEditor()))
        hooks->SetControlHighliteInfo (index, on, colourIndex);
}

void MyEffect::RefreshHighlight (MyEditor*) {}

void MyEffect::getHighlightInfo (int index, short* on, short* colourIndex)
{
    short o = 0, c = 0;
    if (index >= 0 && index < tableSize.load (std::memory_order_acquire))
    {
        o = highlightInfo[(size_t) index].on.load();
        c = highlightInfo[(size_t) index].colour.load();
    }
    if (on != nullptr)
        *on = o;
    if (colourIndex != nullptr)
        *colourIndex = c;
}

void MyEffect::setHighlightOSC (bool on)
{
    oscHighlight.store (on);
    updateEditor();
}

void MyEffect::processMidiMessages()
{
    if (getHostType() == MyPluginHostType::finalCut)
        return;

    collectorBuffer.clear();
    midiCollector.removeNextBlockOfMessages (collectorBuffer, 44100);
    for (const auto metadata : collectorBuffer)
        applyMidiMessage (metadata.data, metadata.numBytes);
}

float MyEffect::convertKeyBoardValue (int, int noteNumber, int)
{
    return (float) noteNumber / 127.0f;
}

void MyEffect::applyMidiMessage (const uint8_t* data, int numBytes)
{
    if (getHostType() == MyPluginHostType::finalCut)
        return;

    const int n = tableSize.load (std::memory_order_acquire);
    ClassifiedMidi m;
    if (n == 0 || ! classify (data, numBytes, m))
        return;

    currentControlMessage.store ({ m.type, m.channel, m.controller, m.note, 0 });

    if (midiLearn.load())
    {
        const int learnt = currentParameter.load();
        if (learnt >= 0 && learnt < n)
        {
            auto& binding = midiBindings[(size_t) learnt];
            binding.type.store (m.type);
            binding.channel.store (m.channel);
            binding.controller.store (m.controller);
            binding.note.store (m.note);
        }
        updateEditor();
    }

    for (int j = 0; j < n; ++j)
    {
        const auto r = midiBindings[(size_t) j].load();
        if (r.type != m.type || r.channel != m.channel || r.controller != m.controller)
            continue;

        float value = m.x;
        if (m.type == 2)
        {
            if (getIndexedParameterDiscrete (j))
            {
                const int steps = getIndexedParameterNumSteps (j);
                if (steps < 3)
                {
                    // A switch: its own note toggles it.
                    if (m.number != r.note)
                        continue;
                    value = 1.0f - getIndexedParameter (j);
                }
                else
                {
                    // The bound note and the notes above it select the steps in turn.
                    value = (float) (m.number - r.note) / (float) (steps - 1);
                    if (value < 0.0f || value > 1.0f)
                        continue;
                }
            }
            else
            {
                value = convertKeyBoardValue (j, m.number, r.note);
            }
        }
        else if (m.type == 4 && getIndexedParameterDiscrete (j))
        {
            const int steps = getIndexedParameterNumSteps (j);
            if (steps >= 2)
                value = juce::jmin (1.0f, (float) m.number / (float) (steps - 1));
        }

        if (! std::isfinite (value))
            continue;

        noteCurrentParameter (j);
        setIndexedParameter (j, value);
    }
}
