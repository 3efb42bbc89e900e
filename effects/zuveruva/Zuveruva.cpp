// Zuveruva: construction, the parameter table, parameter setters, the
// frame-size change, preparation and housekeeping.
#include "Zuveruva.h"

#include "FFTUtils.h"
#include "MyAudioReader.h"
#include "MyRingBuffers.h"
#include "Utilities.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int textBufferSize = 64;

std::unique_ptr<float[]> makeArray (int n)
{
    std::unique_ptr<float[]> a (new float[(size_t) n]);
    std::fill (a.get(), a.get() + n, 0.0f);
    return a;
}

std::unique_ptr<std::atomic<float>[]> makeAtomicArray (int n)
{
    std::unique_ptr<std::atomic<float>[]> a (new std::atomic<float>[(size_t) n]);
    for (int i = 0; i < n; ++i)
        a[(size_t) i].store (0.0f, std::memory_order_relaxed);
    return a;
}

const char* const parameterNames[Zuveruva::numParameters] = {
    "Preset", "SuperSlider", "InterSpeed", "LoadSpeed", "Bands", "Amplitude", "Frequency", "Mix",
    "Gain", "Balance", "", "Aux On", "Aux Gain", "Aux Depth", "Sample    ", "Play", "Beginning",
    "Loop", "Loop Begin", "Loop End", "Agitation 1 Ampl", "Agitation 1 Speed", "Agitation",
    "Frequency Agit", "Amplitude Agit", "Mix Agit", "Gain Agit", "Aux Gain Agit", "Aux Depth Agit",
    "Balance Agit", "Agitation 2 Ampl", "Agitation 3 Ampl", "Agitation 4 Ampl", "Agitation 2 Speed",
    "Agitation 3 Speed", "Agitation 4 Speed", "Sync"
};

const float parameterDefaults[Zuveruva::numParameters] = {
    0.0f, 0.0f, 0.06666667f, 0.0f, 0.5f, 0.02f, 0.02f, 1.0f, 0.8f, 1.0f, 0.0f, 0.0f, 0.8f, 1.0f,
    0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
    0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f
};

// The parameter each agitation-ID parameter (23..29) agitates.
const int agitationTargets[7] = {
    Zuveruva::kFrequency, Zuveruva::kAmplitude, Zuveruva::kMix, Zuveruva::kGain,
    Zuveruva::kAuxGain, Zuveruva::kAuxDepth, Zuveruva::kBalance
};

int agitationGroupOfAmplitude (int i) noexcept
{
    switch (i)
    {
        case Zuveruva::kAgitation1Ampl: return 0;
        case Zuveruva::kAgitation2Ampl: return 1;
        case Zuveruva::kAgitation3Ampl: return 2;
        case Zuveruva::kAgitation4Ampl: return 3;
        default: return -1;
    }
}

int agitationGroupOfSpeed (int i) noexcept
{
    switch (i)
    {
        case Zuveruva::kAgitation1Speed: return 0;
        case Zuveruva::kAgitation2Speed: return 1;
        case Zuveruva::kAgitation3Speed: return 2;
        case Zuveruva::kAgitation4Speed: return 3;
        default: return -1;
    }
}

bool isSyncable (int i) noexcept
{
    return i == Zuveruva::kInterSpeed || agitationGroupOfSpeed (i) >= 0;
}

// The value of synced parameter i read from a char text; 0 when the text
// holds no number. Shared by the juce::String and the char forms. The
// juce::String form trims the text first: "%f" skips the same leading
// whitespace and stops before trailing whitespace, so an untrimmed char text
// reads the same.
float syncedValueFromText (int i, const char* raw) noexcept
{
    float out = 0.0f;
    if (i == Zuveruva::kInterSpeed)
        InterSpeedStrToFloat (raw, &out);
    else if (agitationGroupOfSpeed (i) >= 0)
        AgitationSpeedStrToFloat (raw, &out);
    return out;
}

// The plain text of synced parameter i's value v into buf (textBufferSize
// bytes): the time of InterSpeed or of an agitation speed, even while synced.
void writeSyncedPlainText (int i, float v, char* buf) noexcept
{
    if (i == Zuveruva::kInterSpeed)
        FloatToInterSpeedStr (v, buf);
    else
        FloatToAgitationSpeedStr (v, buf);
}

float readNumber (const juce::String& text, bool& ok)
{
    float v = 0.0f;
    ok = mySscanf (text.toRawUTF8(), "%f", &v) == 1 && IsFiniteValue (v);
    return ok ? v : 0.0f;
}

// Latency of the framing: frames of N samples with hop N/4 and an output
// ring primed with N - 1 samples deliver every block whole, whatever the
// block sizes, so the delay is N - 1 samples exactly.
int latencyForFrameSize (int64_t n) noexcept
{
    return (int) n - 1;
}
} // namespace

//==============================================================================
Zuveruva::Zuveruva()
    : MyEffect (BusesProperties()
                    .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                    .withOutput ("Output", juce::AudioChannelSet::stereo(), true)
                    .withInput ("SideChain", juce::AudioChannelSet::stereo(), true))
{
    inputRing = std::make_unique<MyRingBuffers> ((unsigned) ringSize, false);
    outputRing = std::make_unique<MyRingBuffers> ((unsigned) ringSize, false);
    auxRing = std::make_unique<MyRingBuffers> ((unsigned) ringSize, false);
    sideChainChannels.store (0);
    stopCount.store (0);

    StopProcess(); // held while it is built

    for (auto* a : { &inputL, &inputR, &auxL, &auxR, &displayWork, &smoothAmpL, &smoothFreqL, &smoothAmpR,
                     &smoothFreqR, &deviationWork, &dry, &deviationCopy, &spectrumCopy, &zeros })
        *a = makeArray (workArraySize);
    displaySpectrum = makeAtomicArray (workArraySize);
    deviation = makeAtomicArray (workArraySize);
    inputRing->SetNumChannels (2);
    outputRing->SetNumChannels (2);
    auxRing->SetNumChannels (2);

    for (auto* t : { &analysisL, &analysisR, &auxAnalysisL, &auxAnalysisR, &synthesisL, &synthesisR })
    {
        *t = std::make_unique<FFTUtils> ((int64_t) workArraySize);
        (*t)->setSize (7);
        (*t)->sampleRate.store (44100.0f);
    }
    frameSize.store (128);
    // Overlaps and the primed output ring, so the effect is consistent even
    // before prepareToPlay.
    ResetProcess();

    syncControls.reset (new SyncControl[numParameters]);
    std::memset (static_cast<void*> (syncControls.get()), 0, sizeof (SyncControl) * numParameters);
    numPrograms.store (numProgramsTotal);
    programs.reset (new ZuveruvaProgram[numProgramsTotal]);
    programScratch.reset (new ZuveruvaProgram[numProgramsTotal]);

    // Identifiers "p0" to "p36": LV2 manifests turn identifiers into names
    // that must begin with a letter (digits would all collapse to "_").
    for (int i = 0; i < numParameters; ++i)
        addParameter (new VoktParameter (*this, i, "p" + juce::String (i)));

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
    interpolationStart = workingPresets[0];
    interpolationTarget = workingPresets[0];

    for (int c = 0; c < 8; ++c)
        superCellPositions[c].store ((float) c / 7.0f);
    superSliderFlag.store (true);

    formatManager = std::make_unique<juce::AudioFormatManager>();
    if (formatManager->getNumKnownFormats() == 0)
        formatManager->registerBasicFormats();

    InitMIDI();
    {
        // Unbound records in the form a loaded state gives them, so that a
        // state saved, restored and saved again is the same bytes.
        std::vector<MidiBindingRecord> table ((size_t) numParameters);
        getMidiInformation (table.data());
        setMidiInformation (reinterpret_cast<const unsigned char*> (table.data()), table.size() * sizeof (MidiBindingRecord));
    }

    setCurrentProgram (0);
    // The slider is put at 0 without mixing the presets of its cells: a new
    // effect sounds as its first program (N = 128), not as preset 1.
    superSliderFlag.store (false);
    setIndexedParameter (kSuperSlider, 0.0f);

    sync.store (0.0f);
    syncRequest.store (0);
    auxPosition.store (0.0f);
    forceSample.store (false);

    startLeap();
    StartProcess();
    startTimers();
}

Zuveruva::~Zuveruva()
{
    stopThreads();
    stopLeap();
    // The reader's thread stops in its destructor; the block goes first.
    auxBlock.reset();
    auxReader.reset();
}

//==============================================================================
// Library operations

juce::AudioProcessorEditor* Zuveruva::createEditor()
{
    return nullptr;
}

bool Zuveruva::hasEditor() const
{
    return false;
}

void Zuveruva::boundEditorSize (int64_t w, int64_t h, int& width, int& height) noexcept
{
    if ((uint64_t) w - 1u >= (uint64_t) maxEditorSize || h > maxEditorSize)
    {
        width = defaultEditorWidth;
        height = defaultEditorHeight;
        return;
    }
    width = (int) std::max<int64_t> (w, defaultEditorWidth);
    height = (int) std::max<int64_t> (h, defaultEditorHeight);
}

bool Zuveruva::isBusesLayoutSupported (const BusesLayout& layout) const
{
    const auto in = layout.getMainInputChannelSet();
    const auto out = layout.getMainOutputChannelSet();
    if (in.isDisabled() || out.isDisabled())
        return false;
    if (out != juce::AudioChannelSet::mono() && out != juce::AudioChannelSet::stereo())
        return false;
    return in == out;
}

void Zuveruva::prepareToPlay (double sampleRate, int)
{
    auto* inBus = getBus (true, 0);
    auto* outBus = getBus (false, 0);
    const int ins = inBus != nullptr ? inBus->getNumberOfChannels() : 0;
    const int outs = outBus != nullptr ? outBus->getNumberOfChannels() : 0;

    const double r = (sampleRate < 22000.0 || ! std::isfinite (sampleRate)) ? 44100.0 : sampleRate;
    SetUtilSampleRate ((long) r);

    {
        const juce::ScopedLock sl (getCallbackLock());
        numInputChannels.store (ins);
        numOutputChannels.store (outs);
        for (auto* t : { analysisL.get(), analysisR.get(), auxAnalysisL.get(), auxAnalysisR.get(),
                         synthesisL.get(), synthesisR.get() })
            t->sampleRate.store ((float) r);
        const unsigned inChannels = (unsigned) juce::jlimit (1, 2, ins);
        const unsigned outChannels = (unsigned) juce::jlimit (1, 2, outs);
        if (inputRing->getNumChannels() != inChannels)
            inputRing->SetNumChannels (inChannels);
        if (outputRing->getNumChannels() != outChannels)
            outputRing->SetNumChannels (outChannels);
        const int host = getBlockSize();
        if (host > 1)
            blockSize.store (juce::jmin (host, sliceFrames));
        resetBuffersLocked();
    }
    reportLatency();
    midiCollector.reset (r);
}

void Zuveruva::releaseResources()
{
    hostPlaying.store (false);
}

//==============================================================================
// Processing control

float Zuveruva::CalculCoef (short, float value)
{
    return value;
}

void Zuveruva::StopProcess()
{
    stopCount.fetch_add (1);
    stopped.store (true);
}

void Zuveruva::StartProcess()
{
    uint32_t before = stopCount.load();
    while (true)
    {
        const uint32_t after = before <= 1 ? 0 : before - 1;
        if (stopCount.compare_exchange_weak (before, after))
            break;
    }
    if (before <= 1)
        stopped.store (false);
    startProcess();
}

void Zuveruva::ResetProcess()
{
    {
        const juce::ScopedLock sl (getCallbackLock());
        const int host = getBlockSize();
        if (host > 1)
            blockSize.store (juce::jmin (host, sliceFrames));
        resetBuffersLocked();
    }
    reportLatency();
}

void Zuveruva::resetBuffersLocked()
{
    const int64_t n = frameSize.load();
    const auto v = (uint32_t) (int) (0.75 * (double) n);

    inputRing->Reset (0, 0);
    auxRing->Reset (0, 0);
    // The output ring starts with the latency in silence, so every block
    // finds its samples whole (see latencyForFrameSize).
    outputRing->Reset (0, (unsigned) latencyForFrameSize (n));
    inputRing->readOverlap = v;
    auxRing->readOverlap = v;
    outputRing->writeOverlap = v;

    for (auto* a : { inputL.get(), auxL.get(), displayWork.get(), smoothAmpL.get(), smoothFreqL.get(),
                     inputR.get(), auxR.get(), smoothAmpR.get(), smoothFreqR.get() })
        std::fill (a, a + workArraySize, 0.0f);
    for (int k = 0; k < workArraySize; ++k)
        displaySpectrum[(size_t) k].store (0.0f, std::memory_order_relaxed);
    auxSourceSeen = -1;
}

void Zuveruva::reportLatency()
{
    setLatencySamples (latencyForFrameSize (frameSize.load()));
}

void Zuveruva::updateLatency (int n, float, int extra)
{
    setLatencySamples (latencyForFrameSize (n) + extra);
}

void Zuveruva::changeFrameSize (float v)
{
    v = juce::jlimit (0.0f, 1.0f, v);
    const int index = FloatToIndexPopup (v, 12);
    if (index == FloatToIndexPopup (bands.load(), 12))
        return;

    StopProcess();
    {
        // No block runs while the lock is held: the transforms and rings
        // change between two blocks.
        const juce::ScopedLock sl (getCallbackLock());
        bands.store (v);
        frameSize.store ((int64_t) 1 << (index + 2));
        for (auto* t : { analysisL.get(), analysisR.get(), auxAnalysisL.get(), auxAnalysisR.get(),
                         synthesisL.get(), synthesisR.get() })
            t->setSize (index + 2);
        resetBuffersLocked();
    }
    reportLatency();
    StartProcess();
    storeInProgram (kBands, v);

    if (amplitude.load() == 1.0f || frequency.load() == 1.0f)
    {
        forceSample.store (true);
        sample.store (1.0f);
    }
}

bool Zuveruva::getSynthesisFirstFrame (int channel) const noexcept
{
    return (channel == 0 ? synthesisL : synthesisR)->firstFrame.load();
}

//==============================================================================
// Housekeeping

void Zuveruva::timerCallback()
{
    // The whole tick, so that stopThreads on another thread waits for it.
    const TickScope tick (*this);
    if (! tick.isActive())
        return;

    // Work deferred to this tick, and program writes a real-time thread missed.
    const uint32_t work = timerWork.exchange (0);
    for (int id = 0; id < 32; ++id)
        if ((work & (1u << id)) != 0)
            handleDeferredWork (id);
    flushMissedProgramWrites();

    const int request = syncRequest.exchange (0);
    if (request == 1)
        setIndexedParameter (kPlay, 1.0f);
    else if (request == 2)
        setIndexedParameter (kPlay, 0.0f);

    MyEffect::timerCallback();
}

void Zuveruva::handleDeferredWork (int workId)
{
    switch (workId)
    {
        case workFrameSize: changeFrameSize (requestedBands.load()); break;
        case workBeginning: restartFromBeginning(); break;
        case workPlay: applyPlay(); break;
        case workLoop:
            if (auxReader != nullptr)
                auxReader->setLoop (loop.load() > 0.5f);
            break;
        case workLoopRange:
            if (auxReader != nullptr)
                auxReader->setLoopNorm (loopBegin.load(), loopEnd.load());
            break;
        case workPauseIfPlaying:
            if (readerIsPlaying())
                setIndexedParameter (kPlay, 0.0f);
            break;
        case workSyncOff:
            if (sync.load() < 0.5f && FloatToIndexPopup (auxOn.load(), 4) == 1 && auxReader != nullptr
                && ! readerIsPlaying())
                setIndexedParameter (kAuxOn, 0.0f);
            break;
        case workPresetAction:
        {
            const int32_t pending = pendingPresetAction.exchange (-1);
            if (pending >= 0)
                SetPreset (pending % 16, pending / 16);
            break;
        }
        case workSuperSlider: MakeSuperSlider(); break;
        case workProgram:
        {
            const int32_t k = pendingProgram.exchange (-1);
            if (k >= 0)
                setCurrentProgram (k);
            break;
        }
        case workEditorSize:
        {
            int w = 0, h = 0;
            boundEditorSize (savedEditorWidth.load(), savedEditorHeight.load(), w, h);
            if (auto* editor = getActiveEditor())
                editor->setSize (w, h);
            break;
        }
        case workProgramAux: applyProgramAux(); break;
        default: break;
    }
}

//==============================================================================
// The parameter table

juce::String Zuveruva::getIndexedParameterName (int i)
{
    if (i < 0 || i >= numParameters)
        return {};
    return parameterNames[i];
}

float Zuveruva::getIndexedDefaultValue (int i)
{
    if (i < 0 || i >= numParameters)
        return 0.0f;
    return parameterDefaults[i];
}

int Zuveruva::getIndexedParameterNumSteps (int i)
{
    switch (i)
    {
        case kPreset: return 16;
        case kLoadSpeed:
        case kAuxOn:
        case kSample:
        case kPlay:
        case kBeginning:
        case kLoop:
        case kAgitation:
        case kSync: return 2;
        default: break;
    }
    if (i >= kFrequencyAgit && i <= kBalanceAgit)
        return 8;
    return 1024;
}

bool Zuveruva::getIndexedParameterDiscrete (int i)
{
    if (i < 0 || i >= numParameters)
        return false;
    return getIndexedParameterNumSteps (i) != 1024;
}

bool Zuveruva::isMetaIndexedParameter (int i)
{
    return i == kPreset || i == kSuperSlider || i == kAuxOn;
}

bool Zuveruva::isIndexedParameterAutomatable (int)
{
    return false;
}

float Zuveruva::auxOnValueForSource (int source) noexcept
{
    return (float) juce::jlimit (0, (int) numAuxSources - 1, source) / 3.0f;
}

int Zuveruva::auxSourceForValue (float value) noexcept
{
    if (! IsFiniteValue (value))
        return auxSourceNone;
    const int index = FloatToIndexPopup (juce::jlimit (0.0f, 1.0f, value), 4);
    return index < numAuxSources ? index : auxSourceNone;
}

float Zuveruva::hostValueFromIndexed (int i, float v)
{
    if (i != kAuxOn)
        return v;
    return (float) auxSourceForValue (v) / (float) (numAuxSources - 1);
}

float Zuveruva::indexedValueFromHost (int i, float hostValue)
{
    if (i != kAuxOn || ! IsFiniteValue (hostValue))
        return hostValue;
    const int source = (int) std::lround (juce::jlimit (0.0f, 1.0f, hostValue) * (float) (numAuxSources - 1));
    return auxOnValueForSource (source);
}

int Zuveruva::getHostParameterNumSteps (int i)
{
    return i == kAuxOn ? (int) numAuxSources : getIndexedParameterNumSteps (i);
}

int Zuveruva::getIndexedParameterStat (int i)
{
    return (i == kAmplitude || i == kFrequency) ? 1 : 0;
}

bool Zuveruva::isAgitatorParam (int i)
{
    return i == kAgitation1Ampl || i == kAgitation1Speed;
}

bool Zuveruva::isSuperSlider (int i)
{
    return i == kSuperSlider;
}

bool Zuveruva::isPreset (int i)
{
    return i == kPreset;
}

float Zuveruva::getIndexedParameter (int i)
{
    switch (i)
    {
        case kPreset: return preset.load();
        case kSuperSlider: return superSlider.load();
        case kInterSpeed: return interSpeed.load();
        case kLoadSpeed: return loadSpeed.load() ? 1.0f : 0.0f;
        case kBands:
            // A change waiting for the message thread reads as its value, so
            // a host that reads the parameter back sees what it set.
            if (isDeferredWorkPending (workFrameSize) || (timerWork.load() & (1u << workFrameSize)) != 0)
                return requestedBands.load();
            return bands.load();
        case kAmplitude: return amplitude.load();
        case kFrequency: return frequency.load();
        case kMix: return mix.load();
        case kGain: return gain.load();
        case kBalance: return balance.load();
        case kAuxOn: return auxOn.load();
        case kAuxGain: return auxGain.load();
        case kAuxDepth: return auxDepth.load();
        case kSample: return sample.load() > 0.5f ? 1.0f : 0.0f;
        case kPlay: return play.load();
        case kBeginning: return beginning.load() > 0.5f ? 1.0f : 0.0f;
        case kLoop: return loop.load();
        case kLoopBegin: return loopBegin.load();
        case kLoopEnd: return loopEnd.load();
        case kAgitation: return agitationSwitch.load();
        case kSync: return sync.load();
        default: break;
    }
    if (const int g = agitationGroupOfAmplitude (i); g >= 0)
        return agitationAmplitudes[g].load();
    if (const int g = agitationGroupOfSpeed (i); g >= 0)
        return agitationSpeeds[g].load();
    if (i >= kFrequencyAgit && i <= kBalanceAgit)
        return agitationIds[i - kFrequencyAgit].load();
    return 0.0f;
}

juce::String Zuveruva::getIndexedParameterTextFromValue (int i, float v, int maxLength)
{
    char buf[textBufferSize] = {};
    if (! IsFiniteValue (v))
        v = 0.0f;

    switch (i)
    {
        case kPreset: mySprintf (buf, sizeof (buf), "%2.0f", v * 15.0f + 1.0f); return buf;
        case kSuperSlider:
        {
            char super[MyEffect::superTextSize > textBufferSize ? MyEffect::superTextSize : textBufferSize] = {};
            getSuperText (v, super);
            return super;
        }
        case kInterSpeed:
            if (GetSyncMode (i))
            {
                char s[textBufferSize] = {};
                SyncToDelaiStr (i, s);
                return s;
            }
            FloatToInterSpeedStr (v, buf);
            return buf;
        case kLoadSpeed: return v < 0.5f ? "off" : "on";
        case kLoop: return v > 0.5f ? "on" : "off";
        case kBands:
        {
            const int index = juce::jlimit (0, 11, FloatToIndexPopup (juce::jlimit (0.0f, 1.0f, v), 12));
            return juce::String (1 << (index + 1));
        }
        case kAmplitude:
        case kFrequency: FloatToValueStr (v, buf); return buf;
        case kMix:
        case kBalance:
        case kAuxDepth:
        case kLoopBegin:
        case kLoopEnd: FloatToPerCentStr (v, buf); return buf;
        case kGain:
        case kAuxGain: FloatToGain24Str (v, buf); return buf;
        case kUnnamed: return {};
        case kAuxOn:
        {
            static const char* const sources[] = { "No Aux", "File", "Side-Chain" };
            return sources[auxSourceForValue (v)];
        }
        case kSample: return "sample";
        case kPlay: return v > 0.5f ? "play" : "pause";
        case kBeginning: return "restart";
        case kAgitation: return v == 0.0f ? "off" : "on";
        case kSync: return v > 0.5f ? "Sync on" : "Sync off";
        default: break;
    }
    if (agitationGroupOfAmplitude (i) >= 0)
    {
        FloatToAgitationAmplStr (v, buf);
        return buf;
    }
    if (agitationGroupOfSpeed (i) >= 0)
    {
        FloatToAgitationSpeedStr (v, buf);
        return buf;
    }
    if (i >= kFrequencyAgit && i <= kBalanceAgit)
    {
        FloatToAgitationIDStr (v, buf, maxLength);
        return buf;
    }
    return {};
}

juce::String Zuveruva::getIndexedParameterText (int i)
{
    switch (i)
    {
        case kUnnamed:
        case kAuxOn: return " ";
        case kBeginning: return play.load() > 0.5f ? "restart" : "pause";
        case kAgitation: return agitationOn.load() ? "on" : "off";
        default: break;
    }
    if (i < 0 || i >= numParameters)
        return " ";
    if (agitationGroupOfSpeed (i) >= 0 && GetSyncMode (i))
    {
        char s[textBufferSize] = {};
        SyncToDelaiStr (i, s);
        return s;
    }
    return getIndexedParameterTextFromValue (i, getIndexedParameter (i), textBufferSize);
}

juce::String Zuveruva::getSyncParameterText (int i, float v, bool plainText)
{
    if (plainText && isSyncable (i))
    {
        char buf[textBufferSize] = {};
        writeSyncedPlainText (i, v, buf);
        return buf;
    }
    return getIndexedParameterTextFromValue (i, v, textBufferSize);
}

bool Zuveruva::writeSyncPlainText (int i, float v, char* buf, std::size_t size)
{
    if (buf == nullptr || size == 0 || ! isSyncable (i))
        return false;
    char plain[textBufferSize] = {};
    writeSyncedPlainText (i, v, plain);
    return copySyncPlainText (plain, sizeof (plain), buf, size);
}

bool Zuveruva::readSyncValueFromText (int i, const char* text, float& value)
{
    if (text == nullptr || ! isSyncable (i))
        return false;
    value = syncedValueFromText (i, text);
    return true;
}

float Zuveruva::getIndexedParameterValueFromText (int i, juce::String text)
{
    const juce::String t = text.trim();
    const char* raw = t.toRawUTF8();
    float out = 0.0f;
    bool ok = false;

    switch (i)
    {
        case kPreset:
        {
            const float n = readNumber (t, ok);
            return ok ? juce::jlimit (0.0f, 1.0f, (n - 1.0f) / 15.0f) : 0.0f;
        }
        case kSuperSlider:
        {
            const float n = readNumber (t, ok);
            return ok ? juce::jlimit (0.0f, 1.0f, n) : 0.0f;
        }
        case kInterSpeed: return syncedValueFromText (i, raw);
        case kAuxOn:
            for (int source = 0; source < numAuxSources; ++source)
                if (t.equalsIgnoreCase (getIndexedParameterTextFromValue (i, auxOnValueForSource (source), textBufferSize)))
                    return auxOnValueForSource (source);
            return auxOnValueForSource (auxSourceNone);
        case kAmplitude:
        case kFrequency: ValueStrToFloat (raw, &out); return out;
        case kMix:
        case kBalance:
        case kAuxDepth: PerCentStrToFloat (raw, &out); return out;
        case kGain:
        case kAuxGain: Gain24StrToFloat (raw, &out); return out;
        default: break;
    }
    if (agitationGroupOfAmplitude (i) >= 0)
    {
        AgitationAmplStrToFloat (raw, &out);
        return out;
    }
    if (agitationGroupOfSpeed (i) >= 0)
        return syncedValueFromText (i, raw);
    return 0.0f;
}

//==============================================================================
// Setting a parameter

ZuveruvaProgram& Zuveruva::currentProgramRecord() noexcept
{
    return programs[(size_t) juce::jlimit (0, numProgramsTotal - 1, (int) currentProgram.load())];
}

void Zuveruva::setIndexedParameter (int i, float value)
{
    // Bad indices and non-finite values touch nothing; the rest is clipped to 0..1.
    if (i < 0 || i >= numParameters || ! acceptParameterValue (i, value))
        return;

    NonInterpolateParameter (i, true);

    switch (i)
    {
        case kPreset:
            preset.store (value);
            presetStatusChanged.store (true);
            SetPreset ((int) (value * 15.0f), 0);
            break;

        case kSuperSlider:
            superSlider.store (value);
            storeInProgram (i, value);
            if (superSliderFlag.load())
                MakeSuperSlider();
            superSliderFlag.store (true);
            break;

        case kInterSpeed:
        {
            const float v = SearchSyncValue (i, value);
            interSpeed.store (v);
            storeInProgram (i, v);
            float rate = 1.0f;
            if (v != 0.0f)
                FloatToInterSpeed (v, &rate);
            interpolationRate.store (rate);
            break;
        }

        case kLoadSpeed:
            loadSpeed.store (value >= 0.5f);
            storeInProgram (i, value);
            break;

        case kBands:
            // Resizes the transforms and rings: on the message thread, under
            // the callback lock (deferred when set from another thread).
            requestFrameSize (value);
            break;

        case kAmplitude:
        case kFrequency:
            (i == kAmplitude ? amplitude : frequency).store (value);
            storeInProgram (i, value);
            resetAgitation (i);
            if (frequency.load() == 0.0f && amplitude.load() == 0.0f)
            {
                synthesisL->firstFrame.store (true);
                synthesisR->firstFrame.store (true);
            }
            break;

        case kMix: mix.store (value); storeInProgram (i, value); resetAgitation (i); break;
        case kBalance: balance.store (value); storeInProgram (i, value); resetAgitation (i); break;
        case kAuxDepth: auxDepth.store (value); storeInProgram (i, value); resetAgitation (i); break;

        case kGain:
        {
            gain.store (value);
            storeInProgram (i, value);
            resetAgitation (i);
            float g = 1.0f;
            FloatToGain24 (value, &g);
            outputGain.store (g);
            break;
        }

        case kAuxGain:
        {
            auxGain.store (value);
            storeInProgram (i, value);
            resetAgitation (i);
            float g = 1.0f;
            FloatToGain24 (value, &g);
            auxLinearGain.store (g);
            break;
        }

        case kUnnamed: break;
        case kAuxOn: setAuxOn (value); break;
        case kSample: sample.store (value); break;

        case kPlay:
            // A press is latched until handled: a release that comes before
            // the deferred work runs does not undo it.
            play.store (value);
            if (value > 0.5f)
                playPressed.store (true);
            runOnMessageThreadOrDefer (workPlay);
            break;

        case kBeginning:
            beginning.store (value);
            if (value > 0.5f)
            {
                beginningPressed.store (true);
                runOnMessageThreadOrDefer (workBeginning);
            }
            break;

        case kLoop:
            loop.store (value);
            storeInProgram (i, value);
            runOnMessageThreadOrDefer (workLoop);
            break;

        case kLoopBegin:
            loopBegin.store (value);
            storeInProgram (i, value);
            runOnMessageThreadOrDefer (workLoopRange);
            break;

        case kLoopEnd:
            loopEnd.store (value);
            storeInProgram (i, value);
            runOnMessageThreadOrDefer (workLoopRange);
            break;

        case kAgitation:
            // Off first; a value above 0.5 switches agitation on again from
            // the current values.
            agitationSwitch.store (0.0f);
            agitationOn.store (false);
            if (value > 0.5f)
            {
                agitationSwitch.store (value);
                agitationOn.store (true);
                SetAgitation();
            }
            break;

        case kSync:
        {
            // Only the end of synchronisation acts: a recall or a super-slider
            // move that keeps Sync off leaves the source alone.
            const float previous = sync.exchange (value);
            storeInProgram (i, value);
            if (previous >= 0.5f && value < 0.5f)
                runOnMessageThreadOrDefer (workSyncOff);
            break;
        }

        default:
            if (const int g = agitationGroupOfAmplitude (i); g >= 0)
            {
                agitationAmplitudes[g].store (value);
                storeInProgram (i, value);
            }
            else if (const int g2 = agitationGroupOfSpeed (i); g2 >= 0)
            {
                const float v = SearchSyncValue (i, value);
                agitationSpeeds[g2].store (v);
                storeInProgram (i, v);
                float rate = 1.0f;
                if (v != 0.0f)
                    FloatToAgitationSpeed (v, &rate);
                agitationRates[g2].store (rate);
            }
            else if (i >= kFrequencyAgit && i <= kBalanceAgit)
            {
                const float v = setAgitationForParam (agitationTargets[i - kFrequencyAgit], i, value);
                agitationIds[i - kFrequencyAgit].store (v);
                storeInProgram (i, v);
            }
            break;
    }

    updateEditor();
}

//==============================================================================
// Tempo sync

bool Zuveruva::SetSyncMode (int i, bool on)
{
    MyEffect::SetSyncMode (i, on);
    storeSyncInProgram (i);
    return true;
}

float Zuveruva::SearchSyncValue (int i, float value)
{
    const float v = MyEffect::SearchSyncValue (i, value);
    // Inside a real-time block the program's copy only tries the record lock;
    // a copy skipped then is rewritten by the timer (missedProgramWrites).
    storeSyncInProgram (i);
    return v;
}
