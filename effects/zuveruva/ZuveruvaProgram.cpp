#include "ZuveruvaProgram.h"
#include "ByteOrder.h"

#include "SuperSlider.h"
#include "TempoSync.h"
#include "Utilities.h"

#include <cstring>

namespace
{
// Only this many sync records of a program or preset are big-endian in the
// chunk (one per parameter); the reserved ones stay as they are.
constexpr int swappedSyncRecords = 37;
// Editor sizes taken from a record: larger ones are taken as damage.
constexpr int32_t maxEditorSize = 16384;
// Parameters whose tempo sync the records carry.
constexpr int agitation1Speed = 21;
constexpr int agitation2Ampl = 30;
constexpr int agitation2Speed = 33;

float zeroDecibels() noexcept
{
    float v = 0.8f;
    Gain24StrToFloat ("0", &v);
    return v;
}

// A normalised parameter value: finite and in 0..1, else the fallback.
void normalised (float& v, float fallback) noexcept
{
    v = IsFiniteValue (v) ? Clip (0.0f, 1.0f, v) : fallback;
}

template <std::size_t n>
void normalisedAll (float (&values)[n], float fallback) noexcept
{
    for (auto& v : values)
        normalised (v, fallback);
}

// A terminated text of whole UTF-8 characters: the last byte is zero, and
// when the text is not valid UTF-8 its non-ASCII bytes become '?'.
template <std::size_t n>
void terminatedText (char (&text)[n]) noexcept
{
    text[n - 1] = 0;
    const auto length = (int) strnlen (text, n);
    if (! juce::CharPointer_UTF8::isValidString (text, length))
        for (int i = 0; i < length; ++i)
            if ((unsigned char) text[i] >= 0x80)
                text[i] = '?';
}

void resetSyncRecord (SyncControl& r, bool able) noexcept
{
    r.able = able;
    r.mode = false;
    r.count = 1;
    r.note = 4;
}
} // namespace

//==============================================================================
// Preset

void ZuveruvaPreset::swapFields() noexcept
{
    swapField (state);
    swapField (bands);
    swapField (gain);
    swapField (mix);
    swapField (balance);
    swapField (auxGain);
    swapField (auxDepth);
    swapField (auxOn);
    swapField (frequency);
    swapField (amplitude);
    swapField (interSpeed);
    swapField (loop);
    swapField (loopBegin);
    swapField (loopEnd);
    swapField (sync);
    ::swapFields (agitationAmpl234);
    ::swapFields (agitationSpeed234);
    swapField (agitationAmpl1);
    swapField (agitationSpeed1);
    swapField (agitationSwitch);
    ::swapFields (agitationIds);
}

void ZuveruvaPreset::sanitise() noexcept
{
    if (state < 0 || state > 3)
        state = 0;
    const float zeroDb = zeroDecibels();
    normalised (bands, 0.5f);
    normalised (gain, zeroDb);
    normalised (mix, 1.0f);
    normalised (balance, 1.0f);
    normalised (auxGain, zeroDb);
    normalised (auxDepth, 1.0f);
    normalised (auxOn, 0.0f);
    normalised (frequency, 0.02f);
    normalised (amplitude, 0.02f);
    normalised (interSpeed, 0.06666667f);
    normalised (loop, 0.0f);
    normalised (loopBegin, 0.0f);
    normalised (loopEnd, 1.0f);
    normalised (sync, 0.0f);
    normalisedAll (agitationAmpl234, 0.0f);
    normalisedAll (agitationSpeed234, 0.0f);
    normalised (agitationAmpl1, 0.0f);
    normalised (agitationSpeed1, 0.0f);
    normalised (agitationSwitch, 0.0f);
    normalisedAll (agitationIds, 0.0f);
    sanitiseSyncRecords (syncTable, 64);
}

//==============================================================================
// Program

ZuveruvaProgram::ZuveruvaProgram() noexcept
{
    std::memset (static_cast<void*> (this), 0, sizeof (*this));

    const float zeroDb = zeroDecibels();
    float full = 1.0f;
    PerCentStrToFloat ("100", &full);

    marker = 1;
    superSlider = 0.0f;
    interSpeed = 0.06666667f;
    bands = IndexPopupToFloat (5, 12);
    gain = zeroDb;
    mix = full;
    balance = 1.0f;
    auxGain = zeroDb;
    auxDepth = 1.0f;
    auxOn = 0.0f;
    loadSpeed = 0;
    frequency = 0.02f;
    amplitude = 0.02f;

    for (int c = 0; c < 8; ++c)
        superCells[c] = c;

    for (int i = 0; i <= 36; ++i)
        resetSyncRecord (syncTable[i], i == 2 || i == 21 || i == 33 || i == 34 || i == 35);

    std::strncpy (name, "Init Quarn", sizeof (name) - 1);
}

namespace
{
// The program's own big-endian fields (a swap is its own inverse); the cell
// map and the sync records are swapped by the callers, each direction with
// its own forms.
void swapProgramFields (ZuveruvaProgram& p) noexcept
{
    swapField (p.superSlider);
    swapField (p.interSpeed);
    swapField (p.bands);
    swapField (p.gain);
    swapField (p.mix);
    swapField (p.balance);
    swapField (p.auxGain);
    swapField (p.auxDepth);
    swapField (p.auxOn);
    swapField (p.frequency);
    swapField (p.amplitude);
    swapField (p.loop);
    swapField (p.loopBegin);
    swapField (p.loopEnd);
    swapField (p.sync);
    swapFields (p.agitationAmpl234);
    swapFields (p.agitationSpeed234);
    swapField (p.agitationAmpl1);
    swapField (p.agitationSpeed1);
    swapField (p.agitationSwitch);
    swapFields (p.agitationIds);
    swapField (p.editorWidth);
    swapField (p.editorHeight);
}
} // namespace

void ZuveruvaProgram::SwapToBig() noexcept
{
    swapProgramFields (*this);
    MyEffect::SwapSuperConfigToBig (superCells);
    MyEffect::SwapSyncControlToBig (syncTable, swappedSyncRecords);
    for (auto& preset : presets)
    {
        preset.swapFields();
        MyEffect::SwapSyncControlToBig (preset.syncTable, swappedSyncRecords);
    }
}

void ZuveruvaProgram::SwapToHost() noexcept
{
    // A plausible editor width in host order: the record was written in host order.
    const auto width = (uint32_t) editorWidth;
    if (width >= 1 && width <= 9999)
        return;

    // The cell map and the sync records through the forms that recognise
    // data already in host order.
    swapProgramFields (*this);
    MyEffect::SwapSuperConfigToHost (superCells);
    MyEffect::SwapSyncControlToHost (syncTable, swappedSyncRecords);
    for (auto& preset : presets)
    {
        preset.swapFields();
        MyEffect::SwapSyncControlToHost (preset.syncTable, swappedSyncRecords);
    }
}

void ZuveruvaProgram::sanitise() noexcept
{
    const float zeroDb = zeroDecibels();
    normalised (superSlider, 0.0f);
    normalised (interSpeed, 0.06666667f);
    normalised (bands, 5.0f / 11.0f);
    normalised (gain, zeroDb);
    normalised (mix, 1.0f);
    normalised (balance, 1.0f);
    normalised (auxGain, zeroDb);
    normalised (auxDepth, 1.0f);
    normalised (auxOn, 0.0f);
    sanitiseFlagByte (&loadSpeed);
    normalised (frequency, 0.02f);
    normalised (amplitude, 0.02f);
    normalised (loop, 0.0f);
    normalised (loopBegin, 0.0f);
    normalised (loopEnd, 0.0f);
    normalised (sync, 0.0f);
    normalisedAll (agitationAmpl234, 0.0f);
    normalisedAll (agitationSpeed234, 0.0f);
    normalised (agitationAmpl1, 0.0f);
    normalised (agitationSpeed1, 0.0f);
    normalised (agitationSwitch, 0.0f);
    normalisedAll (agitationIds, 0.0f);

    int64_t cells[kNumSuperCells];
    for (int c = 0; c < kNumSuperCells; ++c)
        cells[c] = superCells[c];
    SanitiseSuperStates (cells);
    for (int c = 0; c < kNumSuperCells; ++c)
        superCells[c] = (int32_t) cells[c];

    sanitiseSyncRecords (syncTable, 64);
    for (auto& preset : presets)
        preset.sanitise();

    terminatedText (name);
    terminatedText (auxPath);

    if (editorWidth < 0 || editorWidth > maxEditorSize)
        editorWidth = 0;
    if (editorHeight < 0 || editorHeight > maxEditorSize)
        editorHeight = 0;
}

void ZuveruvaProgram::migrateFrom102() noexcept
{
    const auto migrate = [] (float* ampl234, float* speed234, SyncControl* table, bool resetModes) {
        for (int g = 0; g < 3; ++g)
        {
            ampl234[g] = 0.0f;
            speed234[g] = 0.0f;
            resetSyncRecord (table[agitation2Ampl + g], false);
            SyncControl& speed = table[agitation2Speed + g];
            speed.able = true;
            speed.count = 1;
            speed.note = 4;
            if (resetModes)
                speed.mode = false;
        }
        table[agitation1Speed].able = true;
    };

    migrate (agitationAmpl234, agitationSpeed234, syncTable, false);
    for (auto& preset : presets)
        migrate (preset.agitationAmpl234, preset.agitationSpeed234, preset.syncTable, true);
}
