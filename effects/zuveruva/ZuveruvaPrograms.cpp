// Zuveruva's programs and presets: the records the parameters are stored
// into, applying a program, and the preset slots. Preset recall with
// interpolation, the super slider and the saved state are not here yet.
#include "Zuveruva.h"

#include "MyAudioReader.h"
#include "Utilities.h"

#include <cstring>

int Zuveruva::getNumPrograms()
{
    return numPrograms.load();
}

int Zuveruva::getCurrentProgram()
{
    return currentProgram.load();
}

const juce::String Zuveruva::getProgramName (int k)
{
    if (k < 0 || k >= numProgramsTotal)
        return {};
    const auto& name = programs[(size_t) k].name;
    return juce::String::fromUTF8 (name, (int) strnlen (name, sizeof (name)));
}

void Zuveruva::changeProgramName (int k, const juce::String& name)
{
    if (k < 0 || k >= numProgramsTotal)
        return;
    auto& dest = programs[(size_t) k].name;
    std::memset (dest, 0, sizeof (dest));
    name.copyToUTF8 (dest, sizeof (dest));
}

void Zuveruva::setCurrentProgram (int k)
{
    if (k < 0 || k >= numProgramsTotal)
        return;

    StopInterpolation();

    if (k != currentProgram.load())
    {
        auto& old = currentProgramRecord();
        for (int c = 0; c < 8; ++c)
            old.superCells[c] = (int32_t) superStates[c].load();
    }
    currentProgram.store (k);
    const ZuveruvaProgram program = programs[(size_t) k];

    std::memcpy (static_cast<void*> (workingPresets), program.presets, sizeof (workingPresets));
    loadSuperStates (program.superCells);
    copySyncControlFrom (program.syncTable);
    for (int i : { (int) kAgitation1Speed, (int) kAgitation2Speed, (int) kAgitation3Speed, (int) kAgitation4Speed,
                   (int) kInterSpeed })
        enableSyncControl (i, nullptr, true);

    float v[28] = { program.bands, program.gain, program.mix, program.balance, program.auxGain,
                    program.auxDepth, program.frequency, program.amplitude, program.loop, program.sync,
                    program.loopBegin, program.loopEnd, program.agitationAmpl1, program.agitationAmpl234[0],
                    program.agitationAmpl234[1], program.agitationAmpl234[2], program.agitationSpeed1,
                    program.agitationSpeed234[0], program.agitationSpeed234[1], program.agitationSpeed234[2],
                    program.agitationSwitch, program.agitationIds[0], program.agitationIds[1],
                    program.agitationIds[2], program.agitationIds[3], program.agitationIds[4],
                    program.agitationIds[5], program.agitationIds[6] };
    setAllParameter (v);

    setIndexedParameter (kInterSpeed, program.interSpeed);
    setParameterNotifyingHost (kLoadSpeed, program.loadSpeed != 0 ? 1.0f : 0.0f);
    setIndexedParameter (kAgitation, program.agitationSwitch);
    SetAgitation();
    for (int i : { (int) kInterSpeed, (int) kAgitation1Speed, (int) kAgitation2Speed, (int) kAgitation3Speed,
                   (int) kAgitation4Speed })
        SetSyncMode (i, GetSyncMode (i));

    if (auxFile != juce::File() && auxFile.existsAsFile())
    {
        const bool looping = auxReader != nullptr ? auxReader->looping.load() : loop.load() > 0.5f;
        replaceAuxReader (auxFile, looping, readerIsPlaying(), true);
    }
    setIndexedParameter (kAuxOn, program.auxOn);
}

void Zuveruva::setAllParameter (float* v)
{
    static const int order[28] = { kBands, kGain, kMix, kBalance, kAuxGain, kAuxDepth, kFrequency,
                                   kAmplitude, kLoop, kSync, kLoopBegin, kLoopEnd, kAgitation1Ampl,
                                   kAgitation2Ampl, kAgitation3Ampl, kAgitation4Ampl, kAgitation1Speed,
                                   kAgitation2Speed, kAgitation3Speed, kAgitation4Speed, kAgitation,
                                   kFrequencyAgit, kAmplitudeAgit, kMixAgit, kGainAgit, kAuxGainAgit,
                                   kAuxDepthAgit, kBalanceAgit };
    bulkSet.store (true);
    const int group = currentAgitationGroup.load();
    for (int p = 0; p < 28; ++p)
        setIndexedParameter (order[p], v[p]);
    currentAgitationGroup.store (group);
    setAgitationControlsChanged (true);
    updateEditor();
    bulkSet.store (false);
    initAllParameterChanged (true);
    updateEditor();
}

void Zuveruva::InitPreset (ZuveruvaPreset* p, int)
{
    if (p == nullptr)
        return;
    const int32_t state = p->state;
    std::memset (static_cast<void*> (p), 0, sizeof (*p));
    p->state = state;

    float zeroDb = 0.8f;
    Gain24StrToFloat ("0", &zeroDb);
    float full = 1.0f;
    PerCentStrToFloat ("100", &full);

    p->bands = 0.5f;
    p->gain = zeroDb;
    p->mix = full;
    p->balance = 1.0f;
    p->auxGain = zeroDb;
    p->auxDepth = 1.0f;
    p->frequency = 0.02f;
    p->amplitude = 0.02f;
    p->interSpeed = 0.06666667f;
    p->loopEnd = 1.0f;

    initSyncControl (p->syncTable);
    for (int i : { (int) kAgitation1Speed, (int) kAgitation2Speed, (int) kAgitation3Speed, (int) kAgitation4Speed,
                   (int) kInterSpeed })
        enableSyncControl (i, p->syncTable, true);
}

void Zuveruva::initPreset()
{
    for (int k = 0; k < numProgramsTotal; ++k)
        for (int slot = 0; slot < 16; ++slot)
        {
            programs[(size_t) k].presets[slot].state = 2;
            InitPreset (&programs[(size_t) k].presets[slot], slot);
        }
    alfa.store (1.0f);
    interpolationRate.store (1.0f);
    for (int slot = 0; slot < 16; ++slot)
    {
        workingPresets[slot].state = 2;
        InitPreset (&workingPresets[slot], slot);
    }
}

void Zuveruva::getPresetStates (int* states)
{
    if (states == nullptr)
        return;
    for (int k = 0; k < 16; ++k)
        states[k] = workingPresets[k].state;
}

void Zuveruva::SetPreset (long slot, long action)
{
    if (slot < 0 || slot > 15 || action < 0 || action > 5)
        return;
    auto& p = workingPresets[slot];
    if (action == 2)
    {
        p.state = 2;
        InitPreset (&p, (int) slot);
        currentProgramRecord().presets[slot] = p;
    }
}

unsigned char* Zuveruva::getPresetPointer (int slot)
{
    return reinterpret_cast<unsigned char*> (&workingPresets[juce::jlimit (0, 15, slot)]);
}

unsigned char* Zuveruva::getPresetPointerAP (int slot)
{
    return reinterpret_cast<unsigned char*> (&currentProgramRecord().presets[juce::jlimit (0, 15, slot)]);
}

int Zuveruva::getPresetSize()
{
    return (int) sizeof (ZuveruvaPreset);
}

int Zuveruva::getProgramSize()
{
    return (int) (sizeof (stateHeader) + sizeof (ZuveruvaProgram));
}

int Zuveruva::getProgramID()
{
    return (int) programID;
}

bool Zuveruva::compareStateInformation (void*, int)
{
    return false;
}

void Zuveruva::StopInterpolation()
{
    alfa.store (1.0f);
    for (int slot : { 14, 15 })
        if (workingPresets[slot].state == 3)
            workingPresets[slot].state = 0;
}

void Zuveruva::RandomizePreset (int slot)
{
    if (slot == 15)
    {
        interpolationTarget.frequency = Rand();
        interpolationTarget.amplitude = Rand();
    }
    else if (slot == 14)
    {
        interpolationTarget.frequency = Clip (0.0f, 1.0f, interpolationStart.frequency + RandC() * 0.1f);
        interpolationTarget.amplitude = Clip (0.0f, 1.0f, interpolationStart.amplitude + RandC() * 0.1f);
    }
}

void Zuveruva::interpolTask()
{
    if (alfa.load() < 1.0f)
        DoInterpolation();
    // The latency does not depend on the host's block size.
    latencyChanged.store (false);
}

void Zuveruva::DoInterpolation() {}

void Zuveruva::MakeSuperSlider() {}

void Zuveruva::getStateInformation (juce::MemoryBlock&) {}
void Zuveruva::getCurrentProgramStateInformation (juce::MemoryBlock&) {}
void Zuveruva::setStateInformation (const void*, int) {}
void Zuveruva::setCurrentProgramStateInformation (const void*, int) {}
