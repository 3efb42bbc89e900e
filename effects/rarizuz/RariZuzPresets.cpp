// RariZuz: factory values of program and preset records, preset actions,
// loading a program, and the bar operations of the editor. The interpolation
// and the super slider are in RariZuzInterpolation.cpp, the saved state in
// RariZuzState.cpp.
#include "RariZuz.h"

#include "MyPluginHostType.h"
#include "PresetStepLock.h"
#include "RariZuzInternal.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace rarizuz;

namespace
{
// The cells of the factory preset table that this engine reads, per preset:
// the gain text, the mix text and the band-count text.
struct PresetCells
{
    const char* gain;
    const char* mix;
    const char* bands;
};

const PresetCells presetString[kRariZuzNumPresets] = {
    { "  0", "100", " 128" },  { "  0", "100", " 8192" }, { "  0", "100", " 8192" }, { "  0", "100", " 8192" },
    { "  0", "100", "1024" },  { "  0", "100", "  128" }, { "  0", "100", "  128" }, { "  0", "100", " 8192" },
    { "  0", "100", " 8192" }, { "  0", "100", " 8192" }, { "  0", "100", " 8192" }, { "  0", "100", " 8192" },
    { "  0", "100", " 8192" }, { "  0", "100", " 8192" }, { "  0", "100", " 8192" }, { "  0", "100", " 8192" },
};
} // namespace

//==============================================================================
// Records

RariZuzPreset::RariZuzPreset() noexcept
{
    for (auto& record : syncControls)
        resetSyncRecord (record);
}

RariZuzProgram::RariZuzProgram() noexcept
{
    reserved = 1;
    superSlider = 0.0f;
    interSpeed = 1.0f / 15.0f;
    loadSpeed = false;
    std::strncpy (name, "Init Selvo", sizeof (name) - 1);

    GainACStrToFloat (presetString[0].gain, &gain);
    PerCentStrToFloat ("100", &mix);
    FFTStrToFloat ("1024.0", &bands, 10);

    for (int c = 0; c < 8; ++c)
        superConfig[c] = c;

    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        const float v = barDefaultPosition (j);
        bars[j].init (v, 0.25f, v, 0.05f);
        bars[j].reset();
        bars[j].active = j == 0;
        bars[j].mute = false;
    }

    for (auto& record : syncControls)
        resetSyncRecord (record);
    for (int i : syncedParameters)
        syncControls[i].able = true;
}

void RariZuz::InitPreset (RariZuzPreset* preset, int k)
{
    if (preset == nullptr || k < 0 || k >= kRariZuzNumPresets)
        return;

    preset->interSpeed = 1.0f / 15.0f;
    preset->state = 0;
    std::fill (std::begin (preset->agitation), std::end (preset->agitation), 0.0f);

    preset->mix = 0.0f;
    preset->gain = 0.0f;
    PerCentStrToFloat (presetString[k].mix, &preset->mix);
    GainACStrToFloat (presetString[k].gain, &preset->gain);
    FFTStrToFloat (presetString[k].bands, &preset->bands, 10);

    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        const float v = barDefaultPosition (j);
        BarFreq& bar = preset->bars[j];
        bar.init (0.25f, v, 0.05f, v);
        bar.reset();
        bar.active = false;
        bar.mute = false;
    }
    preset->bars[0].active = true;

    for (auto& record : preset->syncControls)
        resetSyncRecord (record);
    initSyncControl (preset->syncControls);
    for (int i : syncedParameters)
        enableSyncControl (i, preset->syncControls, true);
}

void RariZuz::initPreset()
{
    const PresetStepScope step (agitationStepLock);
    {
        const std::lock_guard<std::mutex> lock (editLock);
        for (int p = 0; p < kRariZuzNumPrograms; ++p)
            for (int k = 0; k < kRariZuzNumPresets; ++k)
            {
                programs[(size_t) p].presets[k].state = 2;
                InitPreset (&programs[(size_t) p].presets[k], k);
            }
    }
    alfa.store (1.0f);
    interpolationRate.store (1.0f);
    const std::lock_guard<std::mutex> lock (editLock);
    for (int k = 0; k < kRariZuzNumPresets; ++k)
    {
        workingPresets[(size_t) k].state = 2;
        InitPreset (&workingPresets[(size_t) k], k);
    }
}

void RariZuz::snapshotLive (RariZuzPreset& preset)
{
    preset.bands = bandsValue.load();
    preset.gain = gain.load();
    preset.mix = mix.load();
    preset.agitation[agitation1Ampl] = agitationAmplitudes[0].load();
    preset.agitation[agitation1Speed] = agitationSpeeds[0].load();
    preset.agitation[agitationOnOff] = agitationSwitch.load();
    preset.agitation[agitation2Ampl] = agitationAmplitudes[1].load();
    preset.agitation[agitation3Ampl] = agitationAmplitudes[2].load();
    preset.agitation[agitationGain] = gainAgit.load();
    preset.agitation[agitationMix] = mixAgit.load();
    preset.agitation[agitation2Speed] = agitationSpeeds[1].load();
    preset.agitation[agitation3Speed] = agitationSpeeds[2].load();
    for (int j = 0; j < kRariZuzNumBars; ++j)
        preset.bars[j] = liveBars[j];
    copySyncControlTo (preset.syncControls);
}

//==============================================================================
// Preset actions

bool RariZuz::mayRunPresetWork() const noexcept
{
    return holdsPresetStepLock (agitationStepLock) || ! isInAudioCallback() || offline.load();
}

void RariZuz::getPresetStates (int* states)
{
    if (states == nullptr)
        return;
    const std::lock_guard<std::mutex> lock (editLock);
    for (int k = 0; k < kRariZuzNumPresets; ++k)
        states[k] = workingPresets[(size_t) k].state;
}

void RariZuz::SetPreset (long k, long action)
{
    if (k < 0 || k >= kRariZuzNumPresets || action < 0 || action > 5)
        return;

    // Inside a real-time block (automation or MIDI of the Preset parameter)
    // the action waits for the next timer tick, even when the block runs on
    // the message thread.
    if (! mayRunPresetWork())
    {
        pendingPresetAction.store ((int32_t) (k + kRariZuzNumPresets * action));
        deferWork (workPresetAction);
        return;
    }

    const PresetStepScope step (agitationStepLock);
    presetAction ((int) k, (int) action);
}

void RariZuz::presetAction (int slot, int action)
{
    switch (action)
    {
        case 0:
        case 3:
        {
            // Recall: the interpolation runs from a snapshot of the live
            // values to the preset (or, for presets 15 and 16 not stored, to
            // a random variation of the snapshot).
            bool randomize = false;
            {
                const std::lock_guard<std::mutex> lock (editLock);
                snapshotLive (*startPreset);
                targetPreset.store (slot);
                const RariZuzPreset& target = workingPresets[(size_t) slot];
                if (slot < 14 || target.state == 1)
                    *endPreset = target;
                else
                {
                    *endPreset = *startPreset;
                    randomize = true;
                }
            }
            if (randomize)
                RandomizePreset (slot);

            // The recalled sync records; the interpolation time and its sync
            // record stay unless Load Speed is on.
            const SyncControl keptInterSpeed = loadSyncRecord (syncControls[pInterSpeed]);
            SyncControl records[numParameters];
            float endInterSpeed = 0.0f;
            {
                const std::lock_guard<std::mutex> lock (editLock);
                std::copy (endPreset->syncControls, endPreset->syncControls + numParameters, records);
                endInterSpeed = endPreset->interSpeed;
            }
            copySyncControlFrom (records);
            if (loadSpeed.load())
                setIndexedParameter (pInterSpeed, endInterSpeed);
            else
                storeSyncRecord (syncControls[pInterSpeed], keptInterSpeed);

            if (action == 3)
            {
                const std::lock_guard<std::mutex> lock (editLock);
                workingPresets[(size_t) slot].state = 3;
            }
            startInterpolation();
            break;
        }

        case 1:
        {
            // Save: the live values into both copies of the slot, marked stored.
            const std::lock_guard<std::mutex> lock (editLock);
            RariZuzPreset& preset = workingPresets[(size_t) slot];
            snapshotLive (preset);
            preset.interSpeed = interSpeed.load();
            preset.state = 1;
            programs[(size_t) currentProgramIndex()].presets[slot] = preset;
            break;
        }

        case 2:
        {
            const std::lock_guard<std::mutex> lock (editLock);
            RariZuzPreset& preset = workingPresets[(size_t) slot];
            preset.state = 0;
            InitPreset (&preset, slot);
            programs[(size_t) currentProgramIndex()].presets[slot] = preset;
            break;
        }

        case 5:
        {
            // The slot's bytes were replaced (a paste): both copies are made
            // safe and marked stored, then the slot is selected.
            {
                const std::lock_guard<std::mutex> lock (editLock);
                for (RariZuzPreset* preset : { &workingPresets[(size_t) slot],
                                               &programs[(size_t) currentProgramIndex()].presets[slot] })
                {
                    preset->sanitise();
                    preset->state = 1;
                }
            }
            setIndexedParameter (pPreset, (float) slot / 15.0f);
            break;
        }

        default:
            break;
    }
}

void RariZuz::RandomizePreset (int k)
{
    if (k != 14 && k != 15)
        return;

    const std::lock_guard<std::mutex> lock (editLock);
    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        if (! liveBars[j].active)
            continue;
        const BarFreq& s = startPreset->bars[j];
        BarFreq& b = endPreset->bars[j];
        if (k == 14)
        {
            b.setAmplitude (Clip (0.0f, 1.0f, s.amplitude + 0.1f * RandC()));
            b.feedback = Clip (0.0f, 1.0f, s.feedback + 0.1f * RandC());
            b.setDelay (Clip (0.01f, 0.99f, s.getDelay() + 0.1f * RandC()));
            b.setFreq (Clip (0.0f, 1.0f, s.getFreq() + 0.1f * RandC()));
            b.setLength (Clip (0.0f, 1.0f, s.getLength() + 0.1f * RandC()));
            b.setAngle (Clip (0.0f, 1.0f, s.getAngle() + 0.1f * RandC()));
            b.pan = Clip (0.0f, 1.0f, s.pan + 0.1f * RandC());
            b.width = Clip (0.0f, 1.0f, s.width + 0.1f * RandC());
        }
        else
        {
            b.setAmplitude (Rand());
            b.feedback = Rand();
            b.setDelay (Rand());
            b.setFreq (Rand());
            b.setLength (Rand());
            b.setAngle (Rand());
            b.pan = Rand();
            b.width = Rand();
        }
        b.active = s.active;
        b.mute = s.mute;
    }
}

void RariZuz::handlePresetWork (int workId)
{
    switch (workId)
    {
        case workPresetAction:
        {
            const int32_t pending = pendingPresetAction.exchange (-1);
            if (pending >= 0)
                SetPreset (pending % kRariZuzNumPresets, pending / kRariZuzNumPresets);
            break;
        }
        case workSuperSlider:
            MakeSuperSlider();
            break;
        case workProgram:
        {
            const int32_t p = pendingProgram.exchange (-1);
            if (p >= 0)
                setCurrentProgram (p);
            break;
        }
        case workEditorSize:
        {
            const auto w = (int) savedEditorWidth.load();
            const auto h = (int) savedEditorHeight.load();
            if (auto* editor = getActiveEditor())
                if (w > 0 && h > 0)
                    editor->setSize (w, h);
            break;
        }
        default:
            break;
    }
}

//==============================================================================
// Programs

int RariZuz::getNumPrograms() { return numPrograms.load(); }
int RariZuz::getCurrentProgram() { return 0; }

void RariZuz::setCurrentProgram (int p)
{
    if (p < 0 || p >= kRariZuzNumPrograms)
        return;
    if (! mayRunPresetWork())
    {
        pendingProgram.store (p);
        deferWork (workProgram);
        return;
    }

    const int host = getHostType();
    const bool hostUpdates = host >= 1 && host <= 4;
    if (hostUpdates)
        syncUpdating.store (true);

    float bandsOf, gainOf, mixOf, interSpeedOf;
    bool loadSpeedOf;
    float agit[numAgitationValues];
    BarFreq programBars[kRariZuzNumBars];
    {
        // The records, cells, sync records and bars change while no
        // interpolation step runs; the parameters are applied afterwards,
        // outside the step lock (a Bands change takes the callback lock).
        const PresetStepScope step (agitationStepLock);
        StopInterpolation();

        SyncControl records[kRariZuzSyncRecords];
        int cells[8];
        {
            const std::lock_guard<std::mutex> lock (editLock);
            if (p != currentProgram.load())
                for (int c = 0; c < 8; ++c)
                    programs[(size_t) currentProgramIndex()].superConfig[c] = (int32_t) superStates[c].load();
            currentProgram.store (p);
            const RariZuzProgram& program = programs[(size_t) p];
            for (int k = 0; k < kRariZuzNumPresets; ++k)
                workingPresets[(size_t) k] = program.presets[k];
            std::copy (std::begin (program.superConfig), std::end (program.superConfig), cells);
            std::copy (std::begin (program.syncControls), std::end (program.syncControls), records);
            for (int j = 0; j < kRariZuzNumBars; ++j)
            {
                programBars[j] = program.bars[j];
                programBars[j].sanitise();
                liveBars[j] = programBars[j];
                bars.publish (j, programBars[j]);
            }
            bandsOf = program.bands;
            gainOf = program.gain;
            mixOf = program.mix;
            interSpeedOf = program.interSpeed;
            loadSpeedOf = program.loadSpeed;
            std::copy (std::begin (program.agitation), std::end (program.agitation), agit);
        }

        loadSuperStates (cells);
        copySyncControlFrom (records);
        for (int i : syncedParameters)
            enableSyncControl (i, nullptr, true);
        SetSyncMode (pAgitation1Speed, GetSyncMode (pAgitation1Speed));
        SetSyncMode (pInterSpeed, GetSyncMode (pInterSpeed));
    }

    for (int j = 0; j < kRariZuzNumBars; ++j)
        for (int f = 0; f < 8; ++f)
            setIndexedParameter (pAmplitudeAgit + 8 * f + j, programBars[j].agitation[f]);

    for (int k = 0; k < kRariZuzNumBars; ++k)
        if (bars.read (k).active)
        {
            selectedBar.store (k);
            break;
        }

    setIndexedParameter (pBands, bandsOf);
    setIndexedParameter (pGain, gainOf);
    setIndexedParameter (pMix, mixOf);
    setIndexedParameter (pInterSpeed, interSpeedOf);
    setParameterNotifyingHost (pLoadSpeed, loadSpeedOf ? 1.0f : 0.0f);
    setIndexedParameter (pAgitation1Ampl, agit[agitation1Ampl]);
    setIndexedParameter (pAgitation2Ampl, agit[agitation2Ampl]);
    setIndexedParameter (pAgitation3Ampl, agit[agitation3Ampl]);
    setIndexedParameter (pAgitation1Speed, agit[agitation1Speed]);
    setIndexedParameter (pAgitation2Speed, agit[agitation2Speed]);
    setIndexedParameter (pAgitation3Speed, agit[agitation3Speed]);
    setIndexedParameter (pAgitation, agit[agitationOnOff]);
    setIndexedParameter (pGainAgit, agit[agitationGain]);
    setIndexedParameter (pMixAgit, agit[agitationMix]);

    globalMute.store (0.0f);
    globalReset.store (0.0f);

    for (int i : { 2, 91, 161, 162, 24, 25, 26, 27, 28, 29, 30, 31 })
        SetSyncMode (i, GetSyncMode (i));

    SetAgitation();
    syncUpdating.store (false);
}

const juce::String RariZuz::getProgramName (int p)
{
    if (p < 0 || p >= kRariZuzNumPrograms)
        return {};
    const std::lock_guard<std::mutex> lock (editLock);
    const char* name = programs[(size_t) p].name;
    return juce::String::fromUTF8 (name, (int) strnlen (name, sizeof (programs[0].name)));
}

void RariZuz::changeProgramName (int p, const juce::String& newName)
{
    if (p < 0 || p >= kRariZuzNumPrograms)
        return;
    const char* utf8 = newName.toRawUTF8();
    std::size_t n = std::min (std::strlen (utf8), sizeof (programs[0].name) - 1);
    // Never cut a character in two: back off to the start of the last one.
    if (n < std::strlen (utf8))
        while (n > 0 && (static_cast<unsigned char> (utf8[n]) & 0xc0) == 0x80)
            --n;
    const std::lock_guard<std::mutex> lock (editLock);
    char* name = programs[(size_t) p].name;
    std::memset (name, 0, sizeof (programs[0].name));
    std::memcpy (name, utf8, n);
}

unsigned char* RariZuz::getPresetPointer (int k)
{
    if (k < 0 || k >= kRariZuzNumPresets)
        return nullptr;
    return reinterpret_cast<unsigned char*> (&workingPresets[(size_t) k]);
}

unsigned char* RariZuz::getPresetPointerAP (int k)
{
    if (k < 0 || k >= kRariZuzNumPresets)
        return nullptr;
    return reinterpret_cast<unsigned char*> (&programs[(size_t) currentProgramIndex()].presets[k]);
}

int RariZuz::getPresetSize() { return (int) sizeof (RariZuzPreset); }
int RariZuz::getProgramSize() { return (int) (sizeof (RariZuzProgram) + sizeof (stateHeader)); }
int RariZuz::getProgramID() { return (int) makeFourCC ('V', 'o', 'P', 'e'); }
bool RariZuz::compareStateInformation (void*, int) { return false; }

int RariZuz::getAAXPluginIDForMainBusConfig (const juce::AudioChannelSet&, const juce::AudioChannelSet&, bool) const
{
    return 0;
}

void RariZuz::resetStateInformation()
{
    setIndexedParameter (pActive, 1.0f);
    for (int i = pActive + 1; i < pActive + 8; ++i)
        setIndexedParameter (i, 0.0f);
    initPreset();
    SetPreset (0, 0);
}

bool RariZuz::SetSyncMode (int i, bool on)
{
    if (MyEffect::SetSyncMode (i, on) && i >= 0 && i < numParameters)
    {
        const SyncControl record = loadSyncRecord (syncControls[(size_t) i]);
        editProgram ([&] (RariZuzProgram& program) {
            program.syncControls[i].mode = record.mode;
            program.syncControls[i].count = record.count;
            program.syncControls[i].note = record.note;
        });
    }
    return true;
}

float RariZuz::SearchSyncValue (int i, float v)
{
    const float r = MyEffect::SearchSyncValue (i, v);
    if (i >= 0 && i < numParameters)
    {
        // The program's copy goes through editProgram, which only tries the
        // edit lock inside a real-time block: the audio thread never waits
        // here. A copy skipped then is rewritten by the parameter's next sync
        // edit (or sync mode change).
        const SyncControl record = loadSyncRecord (syncControls[(size_t) i]);
        editProgram ([&] (RariZuzProgram& program) {
            program.syncControls[i].mode = record.mode;
            program.syncControls[i].count = record.count;
            program.syncControls[i].note = record.note;
        });
    }
    return r;
}

//==============================================================================
// Bars

BarFreq RariZuz::getBar (int k) const noexcept
{
    if (k < 0 || k >= kRariZuzNumBars)
        return {};
    return bars.read (k);
}

void RariZuz::createBar (int j, float x1, float y1, float x2, float y2)
{
    if (j < 0 || j >= kRariZuzNumBars)
        return;
    for (float c : { x1, y1, x2, y2 })
        if (! IsFiniteValue (c))
            return;

    const float f1 = 1.0f - y1, d1 = 1.0f - x1, f2 = 1.0f - y2, d2 = 1.0f - x2;
    editBar (j, [&] (BarFreq& b) {
        b.init (f1, d1, f2, d2);
        b.reset();
        b.active = true;
        b.mute = false;
    });
    setIndexedParameter (pDelay + j, getBar (j).getDelay());
    setIndexedParameter (pFrequency + j, getBar (j).getFreq());
    setIndexedParameter (pLength + j, getBar (j).getLength());
    setIndexedParameter (pAngle + j, getBar (j).getAngle());
    setIndexedParameter (pPan + j, getBar (j).pan);
    setIndexedParameter (pWidth + j, getBar (j).width);
    selectedBar.store (j);
}

void RariZuz::setBarValues (int j, float x1, float y1, float x2, float y2)
{
    const int64_t s = selectedBar.load();
    bool finite = true;
    for (float c : { x1, y1, x2, y2 })
        finite = finite && IsFiniteValue (c);

    if (finite && j >= 0 && j < kRariZuzNumBars && s >= 0 && s < kRariZuzNumBars && bars.read ((int) s).active)
    {
        const float f1 = 1.0f - y1, d1 = 1.0f - x1, f2 = 1.0f - y2, d2 = 1.0f - x2;
        editBar (j, [&] (BarFreq& b) { b.init (f1, d1, f2, d2); });
        setParameterNotifyingHost (pDelay + j, getBar (j).getDelay());
        setParameterNotifyingHost (pFrequency + j, getBar (j).getFreq());
        setParameterNotifyingHost (pAngle + j, getBar (j).getAngle());
        setParameterNotifyingHost (pLength + j, getBar (j).getLength());
        setParameterNotifyingHost (pPan + j, getBar (j).pan);
        setParameterNotifyingHost (pWidth + j, getBar (j).width);
        selectedBar.store (j);
    }
    updateEditor();
}

void RariZuz::selectBar (int j)
{
    if (j < 0 || j >= kRariZuzNumBars)
        return;
    selectedBar.store (j);
    initAllParameterChanged (true);
    updateEditor();
}

void RariZuz::beginDragBar (int j)
{
    if (j < 0 || j >= kRariZuzNumBars)
        return;
    for (int first : { pDelay, pFrequency, pAngle, pLength })
        beginParameterChangeGesture (first + j);
}

void RariZuz::endDragBar (int j)
{
    if (j < 0 || j >= kRariZuzNumBars)
        return;
    for (int first : { pDelay, pFrequency, pAngle, pLength })
        endParameterChangeGesture (first + j);
}
