// Presets, programs and the interpolation frame of MyEffect: the running
// interpolation's position, the super slider's cells and text, and the
// preset text of the clipboard.
#include "MyEffect.h"

#include "PresetText.h"
#include "SuperSlider.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr int kPresetSlots = 16;

bool IsPresetSlot (int slot) noexcept
{
    return slot >= 0 && slot < kPresetSlots;
}
} // namespace

bool MyEffect::getUpdatePresetStatus() { return presetStatusChanged.load(); }
bool MyEffect::isPreset (int) { return false; }
int MyEffect::getPresetSize() { return 0; }
bool MyEffect::isSuperSlider (int) { return false; }
float MyEffect::getAlfa() { return alfa.load(); }

//==============================================================================
// Interpolation frame

void MyEffect::startInterpolation()
{
    interpolationStartTick.store ((int64_t) TickCount());
    InitNonInterpolatedParameters();
    alfa.store (0.0f);
}

bool MyEffect::advanceInterpolation()
{
    if (alfa.load() >= 1.0f)
        return false;

    // TickCount first: a change of clock source rebases the start tick.
    const int64_t now = (int64_t) TickCount();
    const int64_t start = interpolationStartTick.load();
    if (now == start)
        return false;

    interpolationStartTick.store (now);
    if (now < start)
        return false;   // the clock went back: restart the count from here

    const float rate = interpolationRate.load();
    double position = 1.0;
    if (std::isfinite (rate) && rate > 0.0f)
        position = (double) alfa.load() + (double) (now - start) * (double) rate;

    alfa.store (position >= 1.0 ? 1.0f : (float) position);
    return true;
}

//==============================================================================
// Super slider

void MyEffect::setSuperState (long cell, long preset)
{
    if (IsSuperCellValid (cell, preset))
        superStates[cell].store (preset);
}

long MyEffect::getSuperState (long cell)
{
    return (cell >= 0 && cell < kNumSuperCells) ? (long) superStates[cell].load() : -1;
}

void MyEffect::loadSuperStates (const int* cells)
{
    if (cells == nullptr)
        return;

    int64_t states[kNumSuperCells];
    for (int c = 0; c < kNumSuperCells; ++c)
        states[c] = cells[c];
    SanitiseSuperStates (states);
    for (int c = 0; c < kNumSuperCells; ++c)
        superStates[c].store (states[c]);
}

void MyEffect::getSuperText (float x, char* buf)
{
    if (buf == nullptr)
        return;

    float positions[kNumSuperCells];
    int64_t states[kNumSuperCells];
    for (int c = 0; c < kNumSuperCells; ++c)
    {
        positions[c] = superCellPositions[c].load();
        states[c] = superStates[c].load();
    }
    SuperPositionText (x, positions, states, buf, superTextSize);
}

void MyEffect::StopInterpolation() {}
void MyEffect::interpolTask() {}

//==============================================================================
// Preset text

juce::String MyEffect::getPresetProductWord() const
{
    // "Vokt Selvo" in the application, "Vokt Quarn" in the plug-in.
    return getName().fromLastOccurrenceOf (" ", false, false);
}

juce::String MyEffect::getPresetString (int slot)
{
    if (! IsPresetSlot (slot))
        return {};
    return MakePresetText (getPresetProductWord(), slot, getPresetPointer (slot), getPresetSize());
}

bool MyEffect::isPresetStringValid (juce::String& text)
{
    return IsPresetTextValid (text, getPresetProductWord(), getPresetString (1));
}

juce::String MyEffect::getPresetStringTitle (juce::String& text)
{
    return PresetTextTitle (text);
}

void MyEffect::setPresetString (int slot, juce::String& text)
{
    if (! IsPresetSlot (slot))
        return;

    int first = 0, second = 0;
    if (! FindPresetTextSpaces (text, first, second))
        return;

    juce::MemoryBlock bytes;
    if (! DecodePresetHex (text.substring (second + 1), bytes))
        return;

    const int size = getPresetSize();
    unsigned char* working = getPresetPointer (slot);
    unsigned char* inProgram = getPresetPointerAP (slot);
    if (working == nullptr || inProgram == nullptr || size <= 0)
        return;

    // Only a whole preset is taken: a block of another length would leave
    // a record partly zero or cut short.
    if (bytes.getSize() != (size_t) size)
        return;

    {
        // The interpolation step reads the presets: keep it out while they change.
        const std::lock_guard<std::mutex> guard (agitationStepLock);
        std::memcpy (working, bytes.getData(), (size_t) size);
        if (inProgram != working)
            std::memcpy (inProgram, bytes.getData(), (size_t) size);
    }

    SetPreset (slot, 5);
}
