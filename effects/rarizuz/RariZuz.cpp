// RariZuz: construction, destruction, the audio path, the frame-size change
// and the latency.
#include "RariZuz.h"

#include "MyPluginHostType.h"
#include "RariZuzInternal.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace rarizuz
{
namespace
{
thread_local bool audioCallback = false;

struct ScopedAudioCallback
{
    ScopedAudioCallback() noexcept : previous (audioCallback) { audioCallback = true; }
    ~ScopedAudioCallback() { audioCallback = previous; }
    const bool previous;
};
} // namespace

bool isInAudioCallback() noexcept
{
    return audioCallback;
}

void storeSyncRecord (SyncControl& dst, const SyncControl& src) noexcept
{
    __atomic_store_n (&dst.able, src.able, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.mode, src.mode, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.count, src.count, __ATOMIC_RELAXED);
    __atomic_store_n (&dst.note, src.note, __ATOMIC_RELAXED);
}

SyncControl loadSyncRecord (const SyncControl& src) noexcept
{
    SyncControl r {};
    r.able = __atomic_load_n (&src.able, __ATOMIC_RELAXED);
    r.mode = __atomic_load_n (&src.mode, __ATOMIC_RELAXED);
    r.count = __atomic_load_n (&src.count, __ATOMIC_RELAXED);
    r.note = __atomic_load_n (&src.note, __ATOMIC_RELAXED);
    return r;
}

void resetSyncRecord (SyncControl& record) noexcept
{
    std::memset (&record, 0, sizeof (record));
    record.able = false;
    record.mode = false;
    record.count = 1;
    record.note = 4;
}

float barDefaultPosition (int k) noexcept
{
    static constexpr float positions[8] = { 0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.35f, 0.4f, 0.45f };
    return positions[k & 7];
}
} // namespace rarizuz

using namespace rarizuz;

//==============================================================================
RariZuz::RariZuz()
    : MyEffect (BusesProperties()
                    .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                    .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    // A multichannel output would be asked for here in the hosts that support
    // it; the layout check refuses more than two outputs, so it stays stereo.

    stopCount.store (0);
    StopProcess();

    sizeFrames (fftSize.load());
    inputRing.SetNumChannels (2);
    outputRing.SetNumChannels (2);
    for (auto& t : transforms)
        t = std::make_unique<FFTUtils> (frameCapacity);

    syncControls.reset (new SyncControl[numParameters]);
    for (int i = 0; i < numParameters; ++i)
        resetSyncRecord (syncControls[(size_t) i]);
    numPrograms.store (kRariZuzNumPrograms);
    programs.reset (new RariZuzProgram[kRariZuzNumPrograms]);
    missedWrites.reset (new std::atomic<float>[(size_t) numParameters]);
    for (int i = 0; i < numParameters; ++i)
        missedWrites[(size_t) i].store (std::numeric_limits<float>::quiet_NaN());
    programScratch.reset (new RariZuzProgram[kRariZuzNumPrograms]);
    workingPresets.reset (new RariZuzPreset[kRariZuzNumPresets]);
    startPreset = std::make_unique<RariZuzPreset>();
    endPreset = std::make_unique<RariZuzPreset>();

    for (int i = 0; i < numParameters; ++i)
        addParameter (new VoktParameter (*this, i));
    allocateParameterTables();

    for (int p = 0; p < kRariZuzNumPrograms; ++p)
        for (int k = 0; k < kRariZuzNumPresets; ++k)
            InitPreset (&programs[(size_t) p].presets[k], k);

    alfa.store (1.0f);
    interpolationRate.store (1.0f);
    for (int k = 0; k < kRariZuzNumPresets; ++k)
        InitPreset (&workingPresets[(size_t) k], k);

    for (int c = 0; c < 8; ++c)
        superCellPositions[c].store (static_cast<float> (c) / 7.0f);
    superSliderFlag.store (true);
    bandsValue.store (-1.0f);

    initDSP();
    InitMIDI();
    selectedBar.store (-1);

    setCurrentProgram (0);
    setIndexedParameter (pSuperSlider, 0.0f);

    loadSpeed.store (false);
    interSpeed.store (1.0f / 15.0f);
    presetValue.store (0.0f);
    setIndexedParameter (pActive, 1.0f);
    frameCounter.store (0);
    startLeap();
    constructing.store (false);
    StartProcess();
    startTimers();
}

RariZuz::~RariZuz()
{
    stopThreads();
    stopLeap();
    StopProcess();
    runUnderCallbackLock ([this] {
        delayLines[0].release();
        delayLines[1].release();
        displayLine.release();
    });
}

void RariZuz::initDSP()
{
    superSlider.store (0.0f);
    globalMute.store (0.0f);
    globalReset.store (0.0f);
    interSpeed.store (1.0f / 15.0f);
    loadSpeed.store (false);
    gainAgit.store (0.0f);
    mixAgit.store (0.0f);
    float g = 0.8f, m = 1.0f, linear = 1.0f;
    GainACStrToFloat ("  0", &g);
    PerCentStrToFloat ("100", &m);
    FloatToACGain (g, &linear);
    gain.store (g);
    mix.store (m);
    linearGain.store (linear);

    {
        const std::lock_guard<std::mutex> lock (editLock);
        for (int k = 0; k < kRariZuzNumBars; ++k)
        {
            const float f = barDefaultPosition (k);
            BarFreq& bar = liveBars[k];
            bar.init (f, 0.25f, f, 0.05f);
            bar.reset();
            bar.active = k == 0;
            bar.mute = false;
            bars.publish (k, bar);
        }
    }

    initSyncControl (nullptr);
    for (int i : syncedParameters)
        enableSyncControl (i, nullptr, true);
}

//==============================================================================
// Audio

void RariZuz::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    setRateAndBufferSizeDetails (sampleRate, samplesPerBlock);

    if (getHostType() == MyPluginHostType::reaper)
    {
        blockSize.store (std::min (samplesPerBlock, 1024));
        updateLatency ((int) fftSize.load(), 0.75f, 0);
    }

    offline.store (isNonRealtime());

    const double rate = (sampleRate >= 22000.0 && sampleRate <= 1.0e7) ? sampleRate : 44100.0;
    SetUtilSampleRate (static_cast<long> (rate));
    for (auto& t : transforms)
        t->sampleRate.store (static_cast<float> (rate));

    const int ins = getBusCount (true) > 0 ? getChannelCountOfBus (true, 0) : 0;
    const int outs = getBusCount (false) > 0 ? getChannelCountOfBus (false, 0) : 0;

    runUnderCallbackLock ([&] {
        numInputChannels.store (ins);
        numOutputChannels.store (outs);
        if ((int) inputRing.getNumChannels() != ins)
            inputRing.SetNumChannels ((unsigned int) std::clamp (ins, 0, 2));
        if ((int) outputRing.getNumChannels() != outs)
            outputRing.SetNumChannels ((unsigned int) std::clamp (outs, 0, 8));
        prepared.store (true);
        ResetProcess();
    });

    midiCollector.reset (rate);
}

void RariZuz::releaseResources() {}

bool RariZuz::isBusesLayoutSupported (const BusesLayout& layout) const
{
    const auto in = layout.getMainInputChannelSet();
    const auto out = layout.getMainOutputChannelSet();
    if (in.isDisabled() || out.isDisabled())
        return false;
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    if (in != mono && in != stereo)
        return false;
    return (in == mono && out == mono) || out == stereo;
}

void RariZuz::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    const juce::ScopedNoDenormals noDenormals;
    const ScopedAudioCallback inCallback;

    MyEffect::processBlock (buffer, midi);

    const int n = buffer.getNumSamples();
    const int channels = buffer.getNumChannels();

    if (stopped.load())
    {
        if (! buffer.hasBeenCleared())
            buffer.clear();
        return;
    }

    blockDone.reset();

    activeInputs = (int) inputRing.getNumChannels();
    activeOutputs = (int) outputRing.getNumChannels();

    if (n > 0 && channels > 0)
    {
        float* in[2] = { nullptr, nullptr };
        for (int c = 0; c < std::min ({ activeInputs, channels, 2 }); ++c)
            in[c] = buffer.getWritePointer (c);
        // A one-channel block into a two-channel input: the one channel feeds
        // both, as a mono input feeds the whole processing, so no ring
        // channel keeps frames of earlier blocks.
        if (activeInputs == 2 && in[1] == nullptr)
            in[1] = in[0];

        const int chunk = chunkLimit.load (std::memory_order_relaxed);
        for (int done = 0; done < n;)
        {
            const int m = std::min (n - done, chunk);
            float* inputs[2] = { in[0] != nullptr ? in[0] + done : nullptr,
                                 in[1] != nullptr ? in[1] + done : nullptr };
            float* outputs[8] = {};
            for (int c = 0; c < std::min (activeOutputs, channels); ++c)
                outputs[c] = buffer.getWritePointer (c) + done;
            processChunk (inputs, outputs, activeOutputs, m);
            done += m;
        }

        for (int c = activeOutputs; c < channels; ++c)
            buffer.clear (c, 0, n);
    }

    blockDone.signal();
}

void RariZuz::processChunk (float* const* inputs, float* const* outputs, int numOutputs, int n) noexcept
{
    const int64_t frameSize = fftSize.load();
    const unsigned int frame = (unsigned int) frameSize;

    float* in[2] = { inputs[0], inputs[1] };
    inputRing.Put (in, (unsigned int) n, false);

    while (inputRing.AvailForGet() >= frame)
    {
        inputRing.Get (inputFrames, frame, false);
        transforms[0]->directFFT (inputFrames[0]);
        if (activeInputs == 2)
            transforms[1]->directFFT (inputFrames[1]);

        Traitement (inputFrames, outputFrames);

        transforms[2]->inverseFFT (outputFrames[0]);
        for (int c = 1; c < std::min (numOutputs, 8); ++c)
            transforms[(size_t) (2 + c)]->inverseFFT (outputFrames[c]);
        outputRing.Put (outputFrames, frame, false);
    }

    if (outputRing.AvailForGet() < (unsigned int) n)
    {
        for (int c = 0; c < numOutputs; ++c)
            if (outputs[c] != nullptr)
                std::fill (outputs[c], outputs[c] + n, 0.0f);
    }
    else
    {
        float* out[8];
        std::copy (outputs, outputs + 8, out);
        outputRing.Get (out, (unsigned int) n, false);
    }
}

void RariZuz::Traitement (float** in, float** out)
{
    frameCounter.fetch_add (1, std::memory_order_relaxed);

    // The bars are edited on other threads: each frame works on whole copies.
    for (int k = 0; k < kRariZuzNumBars; ++k)
        frameBars[k] = bars.read (k);

    SpectralFrameSettings settings;
    settings.fftSize = fftSize.load();
    settings.numInputs = activeInputs == 2 ? 2 : 1;
    settings.numOutputs = std::clamp (activeOutputs, 1, 8);
    settings.mix = bypassed.load() ? 0.0f : mix.load();
    settings.linearGain = linearGain.load();

    // The sonogram's copy of this frame goes into a frame of its line last
    // written seconds ago: asked for now, it arrives while the bars read.
    const bool display = displayLine.getCount() == delayLines[0].getCount() && displayLine.getCount() > 0
                         && static_cast<int64_t> (displayLine.getLength()) == settings.fftSize
                         && displayLine.getLength() == delayLines[0].getLength();
    if (display)
    {
        const float* next = displayLine.getBuffer (displayLine.getWriteIndex());
        for (int64_t i = 0; i < settings.fftSize; i += 16)
            __builtin_prefetch (next + i, 1, 2);
    }

    MyBuffersArray<float>* lines[2] = { &delayLines[0], &delayLines[1] };
    spectralFrame.process (settings, in, out, lines, frameBars, kRariZuzNumBars);

    // The finished frame of line 0 (feedback added) for the sonogram.
    if (display)
        displayLine.pushRelaxed (delayLines[0].getNewest());
}

void RariZuz::sizeFrames (int64_t n)
{
    // The bars read the delay lines' frames, which start on page boundaries,
    // while they add into the output frames: an output frame at the same
    // offset in its page as the line frames makes the processor take loads
    // of the lines for reloads of the outputs just stored (whose addresses
    // agree in their low bits), and a frame took some 15% longer. So the
    // frames start on cache lines half a page from the boundaries, and
    // each is 320 bytes further on in the page than the one before (with
    // room for the transforms' four extra floats).
    constexpr std::size_t page = 4096 / sizeof (float), frameGap = 80, halfPage = page / 2;
    const auto stride = static_cast<std::size_t> (n) + frameGap;
    frameStorage.assign (numTransforms * stride + page + halfPage, 0.0f);
    frameStorage.shrink_to_fit();
    frameStorageN = static_cast<std::size_t> (n);
    const auto start = reinterpret_cast<std::uintptr_t> (frameStorage.data());
    const std::size_t skip = ((page * sizeof (float) - start % (page * sizeof (float))) % (page * sizeof (float))) / sizeof (float);
    float* const first = frameStorage.data() + skip + halfPage;
    for (int c = 0; c < 2; ++c)
        inputFrames[c] = first + (std::size_t) c * stride;
    for (int c = 0; c < 8; ++c)
        outputFrames[c] = first + (std::size_t) (2 + c) * stride;
}

void RariZuz::ResetProcess()
{
    const int64_t n = fftSize.load();
    if (frameStorageN != (std::size_t) n)
        sizeFrames (n);
    std::fill (frameStorage.begin(), frameStorage.end(), 0.0f);

    const int32_t frames = static_cast<int32_t> (1764000.0 / static_cast<double> (static_cast<float> (n)));
    delayFrames.store (frames);

    // Blocks of a single sample are a real size too: their latency is reported.
    const int libraryBlockSize = getBlockSize();
    if (libraryBlockSize >= 1)
        blockSize.store (libraryBlockSize);
    if (blockSize.load() >= 1)
        updateLatency ((int) n, 0.75f, 0);

    delayLines[0].init ((uint64_t) frames, (uint64_t) n);
    delayLines[1].init ((uint64_t) frames, (uint64_t) n);
    displayLine.init ((uint64_t) frames, (uint64_t) n);

    // The rings wait for the first prepareToPlay, which gives the block size
    // they are made for (the constructor stays quick; nothing plays before).
    if (! prepared.load())
        return;

    // The rings hold what blocks of the prepared size need: the input a
    // frame and a block, the output the latency (up to a frame or a block),
    // a block and a frame being added. Longer blocks are cut to that size.
    const int chunk = blockSize.load() >= 1 ? std::min ((int) blockSize.load(), maxChunk) : maxChunk;
    const auto ringFrames = (unsigned int) (2 * chunk + 2 * n + 64);
    inputRing.SetSize (ringFrames);
    outputRing.SetSize (ringFrames);
    chunkLimit.store (chunk, std::memory_order_relaxed);

    // The output ring starts with as many zeros as the latency, so every
    // block finds its samples ready and the delay stays constant.
    const int latency = latencyFor (n, blockSize.load());
    inputRing.Reset (0, 0);
    outputRing.Reset (0, (unsigned int) latency);
    const auto overlap = static_cast<uint32_t> (0.75 * (double) n);
    inputRing.readOverlap = overlap;
    outputRing.writeOverlap = overlap;
}

int RariZuz::latencyFor (int64_t frameSize, int block) noexcept
{
    const int n = (int) frameSize;
    const int hop = n / 4;
    const int b = std::min (block, maxChunk);
    if (b <= 1)
        return n - 1;
    if (b > n)
        return b;
    if (hop >= b)
        return hop % b == 0 ? n - b : n - std::gcd (b, hop);
    return n;
}

void RariZuz::updateLatency (int frameSize, float overlap, int extra)
{
    juce::ignoreUnused (overlap);
    setLatencySamples (0);
    setLatencySamples (latencyFor (frameSize, blockSize.load()) + extra);
}

void RariZuz::StopProcess()
{
    stopCount.fetch_add (1);
    stopped.store (true);
}

void RariZuz::StartProcess()
{
    const int32_t before = stopCount.fetch_sub (1);
    if (before <= 1)
    {
        stopCount.store (0);
        stopped.store (false);
    }
    MyEffect::startProcess();
}

int RariZuz::getUpdateDisplay() noexcept
{
    return frameCounter.exchange (0);
}

//==============================================================================
// Frame-size change and other work for the message thread

void RariZuz::handleDeferredWork (int workId)
{
    if (workId == workFrameSize)
    {
        const float v = pendingBands.exchange (-1.0f);
        if (v >= 0.0f)
            applyFrameSize (v);
    }
    else if (workId == workResetLatency)
    {
        StopProcess();
        runUnderCallbackLock ([this] { ResetProcess(); });
        StartProcess();
    }
    else
        handlePresetWork (workId);
}

void RariZuz::timerCallback()
{
    // The whole tick, so that stopThreads on another thread waits for it.
    const TickScope tick (*this);
    if (! tick.isActive())
        return;

    MyEffect::timerCallback();
    redoMissedWrites();
    editorOpen.store (getActiveEditor() != nullptr);
    if (pendingBands.load() >= 0.0f && ! isInAudioCallback())
        handleDeferredWork (workFrameSize);
}

void RariZuz::redoMissedWrites()
{
    if (isInAudioCallback() || ! anyMissedWrite.exchange (false, std::memory_order_acquire))
        return;
    for (int i = 0; i < numParameters; ++i)
    {
        const float v = missedWrites[(size_t) i].exchange (std::numeric_limits<float>::quiet_NaN());
        if (! std::isnan (v))
            setIndexedParameter (i, v);
    }
}

void RariZuz::applyFrameSize (float v)
{
    const int h = std::clamp (FloatToIndexPopup (v, 10), 0, 9);
    if (h == FloatToIndexPopup (bandsValue.load(), 10))
        return;

    StopProcess();
    runUnderCallbackLock ([&] {
        const int64_t oldOrder = fftOrder.load();
        const int64_t order = 8 + h;
        bool ok = true;
        for (auto& t : transforms)
            ok = t->setSize (order) && ok;
        if (! ok)
        {
            // The tables of the new size could not be made: keep the old size.
            for (auto& t : transforms)
                t->setSize (oldOrder);
            return;
        }

        bandsValue.store (v);
        editProgram ([v] (RariZuzProgram& p) { p.bands = v; });
        fftOrder.store (order);
        fftSize.store (int64_t (1) << order);
        ResetProcess();
    });
    StartProcess();
}

//==============================================================================
// Editor

namespace
{
std::atomic<RariZuz::EditorFactory> editorFactory { nullptr };
} // namespace

void RariZuz::setEditorFactory (EditorFactory factory) noexcept
{
    editorFactory.store (factory);
}

RariZuz::EditorFactory RariZuz::getEditorFactory() noexcept
{
    return editorFactory.load();
}

juce::AudioProcessorEditor* RariZuz::createEditor()
{
    const auto factory = editorFactory.load();
    return factory != nullptr ? factory (*this) : nullptr;
}

bool RariZuz::hasEditor() const
{
    return editorFactory.load() != nullptr;
}
