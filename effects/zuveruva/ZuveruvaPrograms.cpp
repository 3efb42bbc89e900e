// Zuveruva's programs and presets: the records the parameters are stored
// into, applying a program, the preset actions, the timed interpolation to a
// preset and the super slider. The saved state is in ZuveruvaState.cpp.
#include "Zuveruva.h"

#include "MyAudioReader.h"
#include "MyPluginHostType.h"
#include "PresetStepLock.h"
#include "SuperSlider.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace
{
// The parameter vector: 28 values in the order setAllParameter applies them.
constexpr int vectorSize = 28;
constexpr int vectorParameters[vectorSize] = {
    Zuveruva::kBands, Zuveruva::kGain, Zuveruva::kMix, Zuveruva::kBalance, Zuveruva::kAuxGain,
    Zuveruva::kAuxDepth, Zuveruva::kFrequency, Zuveruva::kAmplitude, Zuveruva::kLoop, Zuveruva::kSync,
    Zuveruva::kLoopBegin, Zuveruva::kLoopEnd, Zuveruva::kAgitation1Ampl, Zuveruva::kAgitation2Ampl,
    Zuveruva::kAgitation3Ampl, Zuveruva::kAgitation4Ampl, Zuveruva::kAgitation1Speed,
    Zuveruva::kAgitation2Speed, Zuveruva::kAgitation3Speed, Zuveruva::kAgitation4Speed,
    Zuveruva::kAgitation, Zuveruva::kFrequencyAgit, Zuveruva::kAmplitudeAgit, Zuveruva::kMixAgit,
    Zuveruva::kGainAgit, Zuveruva::kAuxGainAgit, Zuveruva::kAuxDepthAgit, Zuveruva::kBalanceAgit
};

// Positions that switch at the midpoint instead of gliding: Bands and the IDs.
bool switchesWhole (int position) noexcept
{
    return position == 0 || position >= 21;
}

// Parameters whose tempo sync a program applies.
constexpr int syncedParameters[] = { Zuveruva::kAgitation1Speed, Zuveruva::kAgitation2Speed,
                                     Zuveruva::kAgitation3Speed, Zuveruva::kAgitation4Speed,
                                     Zuveruva::kInterSpeed };

template <typename Record>
void vectorOf (const Record& r, float* v) noexcept
{
    const float values[vectorSize] = {
        r.bands, r.gain, r.mix, r.balance, r.auxGain, r.auxDepth, r.frequency, r.amplitude, r.loop, r.sync,
        r.loopBegin, r.loopEnd, r.agitationAmpl1, r.agitationAmpl234[0], r.agitationAmpl234[1],
        r.agitationAmpl234[2], r.agitationSpeed1, r.agitationSpeed234[0], r.agitationSpeed234[1],
        r.agitationSpeed234[2], r.agitationSwitch, r.agitationIds[0], r.agitationIds[1], r.agitationIds[2],
        r.agitationIds[3], r.agitationIds[4], r.agitationIds[5], r.agitationIds[6]
    };
    std::copy (values, values + vectorSize, v);
}

// The field of a program that stores parameter i, or null (parameters 0,
// 10, 14, 15, 16 and 22 are not stored; 3 is a byte, handled apart).
float* programField (ZuveruvaProgram& p, int i) noexcept
{
    switch (i)
    {
        case Zuveruva::kSuperSlider: return &p.superSlider;
        case Zuveruva::kInterSpeed: return &p.interSpeed;
        case Zuveruva::kBands: return &p.bands;
        case Zuveruva::kAmplitude: return &p.amplitude;
        case Zuveruva::kFrequency: return &p.frequency;
        case Zuveruva::kMix: return &p.mix;
        case Zuveruva::kGain: return &p.gain;
        case Zuveruva::kBalance: return &p.balance;
        case Zuveruva::kAuxOn: return &p.auxOn;
        case Zuveruva::kAuxGain: return &p.auxGain;
        case Zuveruva::kAuxDepth: return &p.auxDepth;
        case Zuveruva::kLoop: return &p.loop;
        case Zuveruva::kLoopBegin: return &p.loopBegin;
        case Zuveruva::kLoopEnd: return &p.loopEnd;
        case Zuveruva::kAgitation1Ampl: return &p.agitationAmpl1;
        case Zuveruva::kAgitation1Speed: return &p.agitationSpeed1;
        case Zuveruva::kAgitation2Ampl:
        case Zuveruva::kAgitation3Ampl:
        case Zuveruva::kAgitation4Ampl: return &p.agitationAmpl234[i - Zuveruva::kAgitation2Ampl];
        case Zuveruva::kAgitation2Speed:
        case Zuveruva::kAgitation3Speed:
        case Zuveruva::kAgitation4Speed: return &p.agitationSpeed234[i - Zuveruva::kAgitation2Speed];
        case Zuveruva::kSync: return &p.sync;
        default: break;
    }
    if (i >= Zuveruva::kFrequencyAgit && i <= Zuveruva::kBalanceAgit)
        return &p.agitationIds[i - Zuveruva::kFrequencyAgit];
    return nullptr;
}

// The base's live sync records are shared with other threads field by field.
SyncControl loadSyncRecord (const SyncControl& src) noexcept
{
    SyncControl r {};
    r.able = __atomic_load_n (&src.able, __ATOMIC_RELAXED);
    r.mode = __atomic_load_n (&src.mode, __ATOMIC_RELAXED);
    r.count = __atomic_load_n (&src.count, __ATOMIC_RELAXED);
    r.note = __atomic_load_n (&src.note, __ATOMIC_RELAXED);
    return r;
}

void storeSyncRecord (SyncControl& dst, const SyncControl& src) noexcept
{
    __atomic_store_n (&dst.able, src.able, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.mode, src.mode, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.count, src.count, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.note, src.note, __ATOMIC_RELAXED);
}

bool isMessageThread() noexcept
{
    return juce::MessageManager::existsAndIsCurrentThread();
}
} // namespace

//==============================================================================
// Threads

bool Zuveruva::isRealtimeCall() const noexcept
{
    if (offline.load())
        return false;
    return blockDepth > 0 || renderThread.load() == juce::Thread::getCurrentThreadId();
}

bool Zuveruva::mayRunPresetWork() const noexcept
{
    return ! isRealtimeCall();
}

void Zuveruva::deferToTimer (int workId) noexcept
{
    if (workId < 0 || workId > 31)
        return;
    // Off the message thread the base's hand-over already waits for the timer.
    if (isMessageThread())
        timerWork.fetch_or (1u << workId);
    else
        runOnMessageThreadOrDefer (workId);
}

void Zuveruva::requestFrameSize (float v)
{
    requestedBands.store (v);
    const bool pending = isDeferredWorkPending (workFrameSize) || (timerWork.load() & (1u << workFrameSize)) != 0;
    if (! pending && FloatToIndexPopup (v, 12) == FloatToIndexPopup (bands.load(), 12))
        return;

    // Resizing takes the callback lock: never inside a block, nor under the
    // step lock (an offline block holds the callback lock and waits for it).
    if (isMessageThread() && blockDepth == 0 && presetStepLockHeld() == nullptr)
        changeFrameSize (v);
    else
        deferToTimer (workFrameSize);
}

//==============================================================================
// Program records

void Zuveruva::storeInProgram (int i, float v)
{
    std::unique_lock<std::mutex> lock (recordLock, std::defer_lock);
    if (isRealtimeCall())
    {
        if (! lock.try_lock())
        {
            missedProgramWrites.fetch_or ((uint64_t) 1 << i);
            return;
        }
    }
    else
    {
        lock.lock();
    }

    ZuveruvaProgram& program = currentProgramRecord();
    if (i == kLoadSpeed)
        program.loadSpeed = v >= 0.5f ? 1 : 0;
    else if (float* field = programField (program, i))
        *field = v;
}

void Zuveruva::storeSyncInProgram (int i)
{
    SyncControl* record = getSyncRecord (i);
    if (record == nullptr)
        return;
    const SyncControl live = loadSyncRecord (*record);

    std::unique_lock<std::mutex> lock (recordLock, std::defer_lock);
    if (isRealtimeCall())
    {
        if (! lock.try_lock())
        {
            missedProgramWrites.fetch_or ((uint64_t) 1 << i);
            return;
        }
    }
    else
    {
        lock.lock();
    }

    SyncControl& dst = currentProgramRecord().syncTable[i];
    dst.mode = live.mode;
    dst.count = live.count;
    dst.note = live.note;
}

void Zuveruva::flushMissedProgramWrites()
{
    const uint64_t missed = missedProgramWrites.exchange (0);
    for (int i = 0; i < numParameters; ++i)
        if ((missed & ((uint64_t) 1 << i)) != 0)
        {
            storeInProgram (i, getIndexedParameter (i));
            storeSyncInProgram (i);
        }
}

ZuveruvaProgram Zuveruva::getProgram (int k)
{
    const std::lock_guard<std::mutex> lock (recordLock);
    return programs[(size_t) juce::jlimit (0, numProgramsTotal - 1, k)];
}

ZuveruvaPreset Zuveruva::getWorkingPreset (int k)
{
    const std::lock_guard<std::mutex> lock (recordLock);
    return workingPresets[juce::jlimit (0, 15, k)];
}

ZuveruvaPreset Zuveruva::getInterpolationStart()
{
    const std::lock_guard<std::mutex> lock (recordLock);
    return interpolationStart;
}

ZuveruvaPreset Zuveruva::getInterpolationTarget()
{
    const std::lock_guard<std::mutex> lock (recordLock);
    return interpolationTarget;
}

//==============================================================================
// Programs

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
    const std::lock_guard<std::mutex> lock (recordLock);
    const auto& name = programs[(size_t) k].name;
    return juce::String::fromUTF8 (name, (int) strnlen (name, sizeof (name)));
}

void Zuveruva::changeProgramName (int k, const juce::String& name)
{
    if (k < 0 || k >= numProgramsTotal)
        return;
    const char* utf8 = name.toRawUTF8();
    const std::size_t length = std::strlen (utf8);
    std::size_t n = std::min (length, sizeof (ZuveruvaProgram::name) - 1);
    // Never cut a character in two: back off to the start of the last one.
    if (n < length)
        while (n > 0 && (static_cast<unsigned char> (utf8[n]) & 0xc0) == 0x80)
            --n;

    const std::lock_guard<std::mutex> lock (recordLock);
    auto& dest = programs[(size_t) k].name;
    std::memset (dest, 0, sizeof (dest));
    std::memcpy (dest, utf8, n);
}

void Zuveruva::setCurrentProgram (int k)
{
    if (k < 0 || k >= numProgramsTotal)
        return;
    // Host automation of the program reaches here on the render thread.
    if (! mayRunPresetWork())
    {
        pendingProgram.store (k);
        deferToTimer (workProgram);
        return;
    }

    // The tempo is the one the last block recorded (the play head is read on
    // the audio thread only).
    const int host = getHostType();
    const bool hostSync = host >= 1 && host <= 4;
    if (hostSync)
        syncUpdating.store (true);

    float v[vectorSize];
    float interSpeedOf = 0.0f, agitationSwitchOf = 0.0f, auxOnOf = 0.0f;
    bool loadSpeedOf = false;
    {
        // Records, cells and sync records change while no interpolation step
        // runs; the parameters are applied afterwards, outside the step lock
        // (a Bands change takes the callback lock).
        const PresetStepScope step (agitationStepLock);
        StopInterpolation();

        int cells[8];
        SyncControl table[64];
        {
            const std::lock_guard<std::mutex> lock (recordLock);
            if (k != currentProgram.load())
            {
                auto& old = currentProgramRecord();
                for (int c = 0; c < 8; ++c)
                    old.superCells[c] = (int32_t) superStates[c].load();
            }
            currentProgram.store (k);
            const ZuveruvaProgram& program = programs[(size_t) k];
            std::copy (std::begin (program.presets), std::end (program.presets), workingPresets);
            std::copy (std::begin (program.superCells), std::end (program.superCells), cells);
            std::copy (std::begin (program.syncTable), std::end (program.syncTable), table);
            vectorOf (program, v);
            interSpeedOf = program.interSpeed;
            loadSpeedOf = program.loadSpeed != 0;
            agitationSwitchOf = program.agitationSwitch;
            auxOnOf = program.auxOn;
        }

        loadSuperStates (cells);
        copySyncControlFrom (table);
        for (int i : syncedParameters)
            enableSyncControl (i, nullptr, true);
    }

    setAllParameter (v);
    setIndexedParameter (kInterSpeed, interSpeedOf);
    setParameterNotifyingHost (kLoadSpeed, loadSpeedOf ? 1.0f : 0.0f);
    setIndexedParameter (kAgitation, agitationSwitchOf);
    SetAgitation();
    for (int i : { (int) kInterSpeed, (int) kAgitation1Speed, (int) kAgitation2Speed, (int) kAgitation3Speed,
                   (int) kAgitation4Speed })
        SetSyncMode (i, GetSyncMode (i));

    // The auxiliary reader is made on the message thread (file I/O, a thread).
    if (isMessageThread())
        applyProgramAux();
    else
        runOnMessageThreadOrDefer (workProgramAux);
    // "Load File" in a record is the editor's command, never a source: the
    // source in force stays, and the record takes it.
    if (FloatToIndexPopup (auxOnOf, 4) >= numAuxSources)
        auxOnOf = auxOn.load();
    setIndexedParameter (kAuxOn, auxOnOf);

    if (hostSync)
        syncUpdating.store (false);
}

void Zuveruva::applyProgramAux()
{
    juce::String path;
    {
        const std::lock_guard<std::mutex> lock (recordLock);
        path = juce::String::fromUTF8 (auxFilePath, (int) strnlen (auxFilePath, sizeof (auxFilePath)));
    }
    // Only a full path names a file (a saved path may be anything).
    const juce::File file = juce::File::isAbsolutePath (path) ? juce::File (path) : juce::File();
    if (file == juce::File())
        return;
    auxFile = file;
    if (! file.existsAsFile())
        return;

    const bool looping = auxReader != nullptr ? auxReader->looping.load() : loop.load() > 0.5f;
    replaceAuxReader (file, looping, readerIsPlaying(), true);
}

void Zuveruva::setAllParameter (float* v)
{
    if (v == nullptr)
        return;
    bulkSet.store (true);
    const int group = currentAgitationGroup.load();
    for (int p = 0; p < vectorSize; ++p)
        setIndexedParameter (vectorParameters[p], v[p]);
    currentAgitationGroup.store (group);
    setAgitationControlsChanged (true);
    updateEditor();
    bulkSet.store (false);
    initAllParameterChanged (true);
    updateEditor();
}

//==============================================================================
// Presets

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
    for (int i : syncedParameters)
        enableSyncControl (i, p->syncTable, true);
}

void Zuveruva::initPreset()
{
    const PresetStepScope step (agitationStepLock);
    {
        const std::lock_guard<std::mutex> lock (recordLock);
        for (int k = 0; k < numProgramsTotal; ++k)
            for (int slot = 0; slot < 16; ++slot)
            {
                programs[(size_t) k].presets[slot].state = 2;
                InitPreset (&programs[(size_t) k].presets[slot], slot);
            }
        for (int slot = 0; slot < 16; ++slot)
        {
            workingPresets[slot].state = 2;
            InitPreset (&workingPresets[slot], slot);
        }
    }
    alfa.store (1.0f);
    interpolationRate.store (1.0f);
}

void Zuveruva::getPresetStates (int* states)
{
    if (states == nullptr)
        return;
    const std::lock_guard<std::mutex> lock (recordLock);
    for (int k = 0; k < 16; ++k)
        states[k] = workingPresets[k].state;
}

void Zuveruva::snapshotLive (ZuveruvaPreset& p)
{
    p.bands = bands.load();
    p.gain = gain.load();
    p.mix = mix.load();
    p.balance = balance.load();
    p.auxGain = auxGain.load();
    p.auxDepth = auxDepth.load();
    p.frequency = frequency.load();
    p.amplitude = amplitude.load();
    p.interSpeed = interSpeed.load();
    p.loop = loop.load();
    p.loopBegin = loopBegin.load();
    p.loopEnd = loopEnd.load();
    p.sync = sync.load();
    p.agitationAmpl1 = agitationAmplitudes[0].load();
    p.agitationSpeed1 = agitationSpeeds[0].load();
    for (int g = 0; g < 3; ++g)
    {
        p.agitationAmpl234[g] = agitationAmplitudes[g + 1].load();
        p.agitationSpeed234[g] = agitationSpeeds[g + 1].load();
    }
    p.agitationSwitch = agitationSwitch.load();
    for (int k = 0; k < 7; ++k)
        p.agitationIds[k] = agitationIds[k].load();
    copySyncControlTo (p.syncTable);
}

void Zuveruva::SetPreset (long slot, long action)
{
    if (slot < 0 || slot > 15 || action < 0 || action > 5)
        return;

    // Inside a real-time block (automation of the Preset parameter) the
    // action waits for the message thread.
    if (! mayRunPresetWork())
    {
        pendingPresetAction.store ((int32_t) (slot + 16 * action));
        deferToTimer (workPresetAction);
        return;
    }

    const PresetStepScope step (agitationStepLock);
    presetAction ((int) slot, (int) action);
}

void Zuveruva::presetAction (int slot, int action)
{
    switch (action)
    {
        case 0:
        case 3:
        {
            // Recall: from a snapshot of the live values to the preset (or,
            // for presets 15 and 16 not stored, to a random variation).
            ZuveruvaPreset start;
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                start = interpolationStart;
            }
            snapshotLive (start);

            bool randomize = false;
            ZuveruvaPreset target;
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                interpolationStart = start;
                targetPreset.store (slot);
                const ZuveruvaPreset& p = workingPresets[slot];
                randomize = (slot == 14 || slot == 15) && p.state != 1;
                interpolationTarget = randomize ? start : p;
                target = interpolationTarget;
            }
            if (randomize)
                RandomizePreset (slot);

            // The recalled sync records; InterSpeed keeps its own unless
            // LoadSpeed is on.
            const SyncControl keptInterSpeed = loadSyncRecord (syncControls[(size_t) kInterSpeed]);
            copySyncControlFrom (target.syncTable);
            if (loadSpeed.load())
                setIndexedParameter (kInterSpeed, target.interSpeed);
            else
                storeSyncRecord (syncControls[(size_t) kInterSpeed], keptInterSpeed);

            if (action == 3)
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                workingPresets[slot].state = 3;
            }
            startInterpolation();
            break;
        }

        case 1:
        {
            // Save: the live values into both copies of the slot, marked stored.
            ZuveruvaPreset p;
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                p = workingPresets[slot];
            }
            snapshotLive (p);
            p.auxOn = auxOn.load();
            p.state = 1;
            const std::lock_guard<std::mutex> lock (recordLock);
            workingPresets[slot] = p;
            currentProgramRecord().presets[slot] = p;
            break;
        }

        case 2:
        {
            const std::lock_guard<std::mutex> lock (recordLock);
            ZuveruvaPreset& p = workingPresets[slot];
            p.state = 2;
            InitPreset (&p, slot);
            currentProgramRecord().presets[slot] = p;
            break;
        }

        case 5:
        {
            // The slot's bytes were replaced by a paste: both copies are made
            // safe and marked stored, then the slot is selected.
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                for (ZuveruvaPreset* p : { &workingPresets[slot], &currentProgramRecord().presets[slot] })
                {
                    p->sanitise();
                    p->state = 1;
                }
            }
            setIndexedParameter (kPreset, (float) slot / 15.0f);
            break;
        }

        default:
            break;
    }
}

void Zuveruva::RandomizePreset (int slot)
{
    const std::lock_guard<std::mutex> lock (recordLock);
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

unsigned char* Zuveruva::getPresetPointer (int slot)
{
    if (slot < 0 || slot > 15)
        return nullptr;
    return reinterpret_cast<unsigned char*> (&workingPresets[slot]);
}

unsigned char* Zuveruva::getPresetPointerAP (int slot)
{
    if (slot < 0 || slot > 15)
        return nullptr;
    return reinterpret_cast<unsigned char*> (&currentProgramRecord().presets[slot]);
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

//==============================================================================
// Interpolation

void Zuveruva::StopInterpolation()
{
    // Serialised with the step, so a step in progress cannot move alfa back.
    std::optional<PresetStepScope> step;
    if (mayRunPresetWork())
        step.emplace (agitationStepLock);

    alfa.store (1.0f);

    std::unique_lock<std::mutex> lock (recordLock, std::defer_lock);
    if (mayRunPresetWork())
        lock.lock();
    else if (! lock.try_lock())
        return;
    for (int slot : { 14, 15 })
        if (workingPresets[slot].state == 3)
            workingPresets[slot].state = 0;
}

void Zuveruva::interpolTask()
{
    // The base's step holds the step lock around this call.
    const PresetStepHeld held (agitationStepLock);

    if (alfa.load() < 1.0f)
        DoInterpolation();
    // The latency does not depend on the host's block size.
    latencyChanged.store (false);
}

void Zuveruva::DoInterpolation()
{
    const PresetStepScope step (agitationStepLock);

    const auto excluded = [this] (int i) {
        return nonInterpolated != nullptr && nonInterpolated[(size_t) i].load() != 0;
    };

    const auto now = (int64_t) TickCount();
    const int64_t last = interpolationStartTick.load();
    if (last + 2 < now)
    {
        float a = alfa.load();
        if (a < 1.0f)
        {
            const float rate = interpolationRate.load();
            a = (IsFiniteValue (rate) && rate > 0.0f) ? a + (float) (now - last) * rate : 1.0f;
            if (a >= 1.0f)
            {
                a = 1.0f;
                alfa.store (1.0f);
                // The super slider shows the cell(s) holding the recalled preset.
                superSliderFlag.store (false);
                for (int c = 0; c < 8; ++c)
                    if (superStates[c].load() == (int64_t) targetPreset.load())
                        setIndexedParameter (kSuperSlider, (float) c / 7.0f);
            }
            else
            {
                alfa.store (a);
            }

            ZuveruvaPreset start, target;
            {
                const std::lock_guard<std::mutex> lock (recordLock);
                start = interpolationStart;
                target = interpolationTarget;
            }
            float from[vectorSize], to[vectorSize], v[vectorSize];
            vectorOf (start, from);
            vectorOf (target, to);
            for (int p = 0; p < vectorSize; ++p)
                v[p] = switchesWhole (p) ? (a < 0.5f ? from[p] : to[p]) : from[p] * (1.0f - a) + to[p] * a;

            // Values set from outside during the recall keep their value.
            if (nonInterpolatedPending.load())
                for (int p = 0; p < vectorSize; ++p)
                    if (excluded (vectorParameters[p]))
                        v[p] = getIndexedParameter (vectorParameters[p]);

            setAllParameter (v);

            if (excluded (kSuperSlider))
                StopInterpolation();
        }
        interpolationStartTick.store (now);
    }

    // Presets 15 and 16 recalled with a mark start again at each end.
    if (alfa.load() == 1.0f)
    {
        const auto marked = [this] (int slot) {
            const std::lock_guard<std::mutex> lock (recordLock);
            return workingPresets[slot].state == 3;
        };
        if (targetPreset.load() == 15 && marked (15))
            SetPreset (15, 3);
        if (alfa.load() == 1.0f && targetPreset.load() == 14 && marked (14))
            SetPreset (14, 3);
    }
}

//==============================================================================
// Super slider

void Zuveruva::MakeSuperSlider()
{
    // Inside a real-time block the mix waits for the message thread.
    if (! mayRunPresetWork())
    {
        deferToTimer (workSuperSlider);
        return;
    }
    const PresetStepScope step (agitationStepLock);

    const float x = superSlider.load();
    float positions[kNumSuperCells];
    int64_t states[kNumSuperCells];
    for (int c = 0; c < kNumSuperCells; ++c)
    {
        positions[c] = superCellPositions[c].load();
        states[c] = superStates[c].load();
    }

    SuperBracket bracket;
    if (! FindSuperBracket (x, positions, states, bracket))
        return;
    double h = x == 1.0f ? 0.0 : bracket.lowerWeight;
    if (! (h >= 0.01))
        h = 0.0;

    ZuveruvaPreset upper, lower;
    {
        const std::lock_guard<std::mutex> lock (recordLock);
        upper = workingPresets[juce::jlimit<int64_t> (0, 15, states[bracket.upper])];
        lower = workingPresets[juce::jlimit<int64_t> (0, 15, states[bracket.lower])];
    }

    const ZuveruvaPreset& nearer = h >= 0.5 ? lower : upper;
    for (int i : { (int) kAgitation1Speed, (int) kAgitation2Speed, (int) kAgitation3Speed, (int) kAgitation4Speed })
        storeSyncRecord (syncControls[(size_t) i], nearer.syncTable[i]);

    float up[vectorSize], low[vectorSize], nearest[vectorSize], v[vectorSize];
    vectorOf (upper, up);
    vectorOf (lower, low);
    vectorOf (nearer, nearest);
    for (int p = 0; p < vectorSize; ++p)
        v[p] = switchesWhole (p) ? nearest[p] : (float) ((double) low[p] * h + (double) up[p] * (1.0 - h));

    setAllParameter (v);
}
