// RariZuz: the saved state. The program records in the state chunk's frame
// (header, program records, MIDI binding table), their byte order, the
// migration of version 102 records, and the repair of records read from bytes.
#include "RariZuz.h"
#include "ByteOrder.h"

#include "PresetStepLock.h"
#include "RariZuzInternal.h"
#include "RariZuzValues.h"
#include "SuperSlider.h"
#include "TempoSync.h"
#include "Utilities.h"

#include <algorithm>
#include <cstring>

using namespace rarizuz;

namespace
{
// Only this many sync records of a program or preset are big-endian in the
// chunk (one per parameter); the others stay in host order.
constexpr int swappedSyncRecords = RariZuz::numParameters;
// Editor sizes taken from a record: larger ones are taken as damage.
constexpr int32_t maxEditorSize = 16384;

// The 13 big-endian floats of a preset and their swap.
void swapPresetFields (RariZuzPreset& p) noexcept
{
    swapField (p.state);
    swapField (p.bands);
    swapField (p.gain);
    swapField (p.mix);
    swapField (p.interSpeed);
    for (float& v : p.agitation)
        swapField (v);
}

void swapProgramFloats (RariZuzProgram& p) noexcept
{
    swapField (p.superSlider);
    swapField (p.interSpeed);
    swapField (p.bands);
    swapField (p.mix);
    swapField (p.gain);
    for (float& v : p.agitation)
        swapField (v);
}

// A value that must be a normalised parameter value: finite and in 0..1.
void normalised (float& v, float fallback) noexcept
{
    v = IsFiniteValue (v) ? Clip (0.0f, 1.0f, v) : fallback;
}

void sanitiseBars (BarFreq* records) noexcept
{
    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        records[j].power = 2.0f;   // the warp exponent is a constant of the engine
        records[j].sanitise();
    }
}

float defaultGain() noexcept
{
    float g = 0.8f;
    GainACStrToFloat ("  0", &g);
    return g;
}

void setSyncRecord (SyncControl& r, bool able) noexcept
{
    r.able = able;
    r.mode = false;
    r.count = 1;
    r.note = 4;
}

// Version 102 records lack the second and third agitation groups' values
// and sync settings (their presets are taken as they are).
void migrateFrom102 (RariZuzProgram& p) noexcept
{
    setSyncRecord (p.syncControls[RariZuz::pAgitation2Ampl], false);
    setSyncRecord (p.syncControls[RariZuz::pAgitation3Ampl], false);
    setSyncRecord (p.syncControls[RariZuz::pAgitation2Speed], true);
    setSyncRecord (p.syncControls[RariZuz::pAgitation3Speed], true);
    p.syncControls[RariZuz::pAgitation1Speed].able = true;
    p.agitation[agitation2Ampl] = 0.0f;
    p.agitation[agitation3Ampl] = 0.0f;
    p.agitation[agitation2Speed] = 0.0f;
    p.agitation[agitation3Speed] = 0.0f;
}
} // namespace

//==============================================================================
// Records

void RariZuzPreset::sanitise() noexcept
{
    if (state != 0 && state != 1 && state != 3)
        state = 0;
    normalised (bands, 1.0f / 3.0f);
    normalised (gain, defaultGain());
    normalised (mix, 1.0f);
    normalised (interSpeed, 1.0f / 15.0f);
    for (float& v : agitation)
        normalised (v, 0.0f);
    sanitiseBars (bars);
    sanitiseSyncRecords (syncControls, kRariZuzSyncRecords);
}

void RariZuzProgram::sanitise() noexcept
{
    normalised (superSlider, 0.0f);
    normalised (interSpeed, 1.0f / 15.0f);
    normalised (bands, 1.0f / 3.0f);
    normalised (mix, 1.0f);
    normalised (gain, defaultGain());
    sanitiseFlagByte (&loadSpeed);
    for (float& v : agitation)
        normalised (v, 0.0f);
    sanitiseBars (bars);

    int64_t cells[8];
    for (int c = 0; c < 8; ++c)
        cells[c] = superConfig[c];
    SanitiseSuperStates (cells);
    for (int c = 0; c < 8; ++c)
        superConfig[c] = (int32_t) cells[c];

    sanitiseSyncRecords (syncControls, kRariZuzSyncRecords);
    for (auto& preset : presets)
        preset.sanitise();

    // A terminated name of whole UTF-8 characters (others bytes become '?').
    name[sizeof (name) - 1] = 0;
    const auto length = (int) std::strlen (name);
    if (! juce::CharPointer_UTF8::isValidString (name, length))
        for (int i = 0; i < length; ++i)
            if ((unsigned char) name[i] >= 0x80)
                name[i] = '?';

    if (editorWidth < 0 || editorWidth > maxEditorSize)
        editorWidth = 0;
    if (editorHeight < 0 || editorHeight > maxEditorSize)
        editorHeight = 0;
}

void RariZuzProgram::SwapToBig() noexcept
{
    swapProgramFloats (*this);
    MyEffect::SwapSuperConfigToBig (superConfig);
    MyEffect::SwapSyncControlToBig (syncControls, swappedSyncRecords);
    for (auto& preset : presets)
    {
        swapPresetFields (preset);
        MyEffect::SwapSyncControlToBig (preset.syncControls, swappedSyncRecords);
    }
    swapField (editorWidth);
    swapField (editorHeight);
}

void RariZuzProgram::SwapToHost() noexcept
{
    // A plausible editor width in host order: the record was written in host order.
    const auto width = (uint32_t) editorWidth;
    if (width >= 1 && width <= 9999)
        return;

    swapProgramFloats (*this);
    MyEffect::SwapSuperConfigToHost (superConfig);
    MyEffect::SwapSyncControlToHost (syncControls, swappedSyncRecords);
    for (auto& preset : presets)
    {
        swapPresetFields (preset);
        MyEffect::SwapSyncControlToHost (preset.syncControls, swappedSyncRecords);
    }
    swapField (editorWidth);
    swapField (editorHeight);
}

//==============================================================================
// Chunks

void RariZuz::getStateInformation (juce::MemoryBlock& destData)
{
    const PresetStepScope step (agitationStepLock);
    {
        const std::lock_guard<std::mutex> lock (editLock);
        RariZuzProgram& current = programs[(size_t) currentProgramIndex()];
        for (int c = 0; c < 8; ++c)
            current.superConfig[c] = (int32_t) superStates[c].load();
        current.editorWidth = (int32_t) savedEditorWidth.load();
        current.editorHeight = (int32_t) savedEditorHeight.load();
        std::copy (programs.get(), programs.get() + kRariZuzNumPrograms, programScratch.get());
    }
    for (int p = 0; p < kRariZuzNumPrograms; ++p)
        programScratch[(size_t) p].SwapToBig();
    writeStateChunk (destData, productCode, programScratch.get(), kRariZuzNumPrograms * sizeof (RariZuzProgram));
}

void RariZuz::getCurrentProgramStateInformation (juce::MemoryBlock& destData)
{
    const PresetStepScope step (agitationStepLock);
    {
        const std::lock_guard<std::mutex> lock (editLock);
        RariZuzProgram& current = programs[(size_t) currentProgramIndex()];
        for (int c = 0; c < 8; ++c)
            current.superConfig[c] = (int32_t) superStates[c].load();
        current.editorWidth = (int32_t) savedEditorWidth.load();
        current.editorHeight = (int32_t) savedEditorHeight.load();
        programScratch[0] = current;
    }
    programScratch[0].SwapToBig();
    writeStateChunk (destData, productCode, programScratch.get(), sizeof (RariZuzProgram));
}

void RariZuz::setStateInformation (const void* data, int sizeInBytes)
{
    loadProgramRecords (data, sizeInBytes, true);
}

void RariZuz::setCurrentProgramStateInformation (const void* data, int sizeInBytes)
{
    loadProgramRecords (data, sizeInBytes, false);
}

bool RariZuz::loadCurrentProgramChunk (const void* data, int sizeInBytes)
{
    return loadProgramRecords (data, sizeInBytes, false);
}

bool RariZuz::loadProgramRecords (const void* data, int sizeInBytes, bool allPrograms)
{
    // The frame: every block inside the chunk, our magic and product, version 102 or later.
    StateChunkView view;
    if (! readStateChunk (data, sizeInBytes, productCode, view))
        return false;

    // Short records are refused whole: nothing changes.
    const int count = allPrograms ? kRariZuzNumPrograms : 1;
    if (view.programsSize < (std::size_t) count * sizeof (RariZuzProgram))
        return false;

    const int current = currentProgramIndex();
    float superSliderOf = 0.0f;
    {
        const PresetStepScope step (agitationStepLock);
        for (int i = 0; i < count; ++i)
        {
            RariZuzProgram& record = programScratch[(size_t) i];
            std::memcpy (static_cast<void*> (&record), view.programs + (std::size_t) i * sizeof (RariZuzProgram),
                         sizeof (RariZuzProgram));
            record.SwapToHost();
            if (view.version == 102)
                migrateFrom102 (record);
            record.sanitise();
        }

        const std::lock_guard<std::mutex> lock (editLock);
        if (allPrograms)
            std::copy (programScratch.get(), programScratch.get() + kRariZuzNumPrograms, programs.get());
        else
            programs[(size_t) current] = programScratch[0];
        savedEditorWidth.store (programs[(size_t) current].editorWidth);
        savedEditorHeight.store (programs[(size_t) current].editorHeight);
        superSliderOf = programs[(size_t) current].superSlider;
    }

    if (savedEditorWidth.load() != 0 && savedEditorHeight.load() != 0)
        runOnMessageThreadOrDefer (workEditorSize);

    if (view.midi != nullptr)
        setMidiInformation (view.midi, view.midiSize);

    // The loaded program becomes live, and the super slider shows its
    // saved position without morphing.
    setCurrentProgram (current);
    superSliderFlag.store (false);
    setIndexedParameter (pSuperSlider, superSliderOf);
    return true;
}
