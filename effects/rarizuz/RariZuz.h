#pragma once
// RariZuz: the spectral delay effect of the application. Every short-time
// spectrum of the input goes into a delay line about ten seconds deep; up to
// eight bars read their band of bins back from it, each bin at the delay the
// bar's geometry gives it, with amplitude, feedback, edge smoothing and
// panning to one or two outputs. 163 indexed parameters, 5 programs of 16
// presets.
//
// Thread contract: processBlock runs on the audio thread under the
// processor's callback lock (every audio path of the project calls it so);
// parameters, bars and presets are set from the message thread, the agitator
// thread and (offline rendering, MIDI) the audio thread. Scalar values are
// atomics; the live bars and the program records are edited under `editLock`
// (threads that must not wait only try it; a parameter's write they miss is
// redone from its value by the next timer tick) and handed to the audio thread as
// whole copies through `bars`; the frame-size change runs on the message
// thread under the callback lock (deferred there from other threads). Preset
// work (recall, save, reset, paste, program and state loads, the super
// slider) is serialised with the agitator thread's interpolation step by the
// base's step lock, never taken inside a real-time block: there such work is
// deferred to the message thread.
#include "BarFreq.h"
#include "BarStore.h"
#include "FFTUtils.h"
#include "MyBuffersArray.h"
#include "MyEffect.h"
#include "MyRingBuffers.h"
#include "RariZuzProgram.h"
#include "SpectralDelayFrame.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class RariZuz : public MyEffect
{
public:
    static constexpr int numParameters = 163;
    static constexpr int64_t maxFftSize = 131072;
    static constexpr int64_t frameCapacity = maxFftSize + 4;
    static constexpr int numTransforms = 10;
    // Blocks longer than this (or than the prepared block size) are
    // processed in pieces of at most this many samples.
    static constexpr int maxChunk = 65536;
    // Product code of the state chunk.
    static constexpr uint32_t productCode = makeFourCC ('V', 'S', 'e', 'l');

    // Parameter indexes.
    enum : int
    {
        pPreset = 0, pSuperSlider = 1, pInterSpeed = 2, pLoadSpeed = 3, pBands = 4, pGain = 5, pMix = 6,
        pAmplitude = 7, pFeedback = 15, pSmoothness = 23, pDelay = 24, pFrequency = 32, pLength = 40,
        pAngle = 48, pPan = 56, pWidth = 64, pActive = 72, pMute = 80, pGlobalReset = 88, pGlobalMute = 89,
        pAgitation1Ampl = 90, pAgitation1Speed = 91, pAgitation = 92, pGainAgit = 93, pMixAgit = 94,
        pAmplitudeAgit = 95, pFeedbackAgit = 103, pDelayAgit = 111, pFrequencyAgit = 119,
        pLengthAgit = 127, pAngleAgit = 135, pPanAgit = 143, pWidthAgit = 151,
        pAgitation2Ampl = 159, pAgitation3Ampl = 160, pAgitation2Speed = 161, pAgitation3Speed = 162
    };

    RariZuz();
    ~RariZuz() override;

    //==========================================================================
    // Library operations
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using MyEffect::processBlock;
    bool isBusesLayoutSupported (const BusesLayout& layout) const override;
    // The editor comes from the editor library, which installs its factory
    // here (setEditorFactory), so the engine itself holds no GUI code. Without
    // a factory there is no editor: createEditor gives null, hasEditor false.
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    using EditorFactory = juce::AudioProcessorEditor* (*) (RariZuz& effect);
    // Process-wide; null removes it. Any thread (an atomic pointer).
    static void setEditorFactory (EditorFactory factory) noexcept;
    static EditorFactory getEditorFactory() noexcept;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void getCurrentProgramStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    void setCurrentProgramStateInformation (const void* data, int sizeInBytes) override;
    bool loadCurrentProgramChunk (const void* data, int sizeInBytes) override;
    int getAAXPluginIDForMainBusConfig (const juce::AudioChannelSet& mainInputLayout,
                                        const juce::AudioChannelSet& mainOutputLayout,
                                        bool idForAudioSuite) const override;

    //==========================================================================
    // Indexed parameters
    bool getIndexedParameterDiscrete (int i) override;
    int getIndexedParameterNumSteps (int i) override;
    juce::String getIndexedParameterTextFromValue (int i, float v, int maxLength) override;
    float getIndexedParameterValueFromText (int i, juce::String text) override;
    juce::String getIndexedParameterText (int i) override;
    void setIndexedParameter (int i, float v) override;
    float getIndexedParameter (int i) override;
    juce::String getIndexedParameterName (int i) override;
    int getIndexedParameterStat (int i) override;
    float getIndexedDefaultValue (int i) override;
    bool isMetaIndexedParameter (int i) override;

    //==========================================================================
    // Presets, programs, sync
    void getPresetStates (int* states) override;
    void initPreset() override;
    void SetPreset (long k, long action) override;
    bool isPreset (int i) override;
    unsigned char* getPresetPointer (int k) override;
    unsigned char* getPresetPointerAP (int k) override;
    int getPresetSize() override;
    int getProgramSize() override;
    int getProgramID() override;
    bool compareStateInformation (void* data, int size) override;
    bool isAgitatorParam (int i) override;
    void resetStateInformation() override;
    bool isSuperSlider (int i) override;
    void StopInterpolation() override;
    int convertIndexValue (int id) override;
    bool SetSyncMode (int i, bool on) override;
    float SearchSyncValue (int i, float v) override;
    juce::String getSyncParameterText (int i, float v, bool plainText) override;
    // The char forms of the synced parameters' plain text and of reading a
    // value back from a text (the same functions as the juce::String forms),
    // so a synced value is snapped at once on any thread without allocating.
    bool writeSyncPlainText (int i, float v, char* buf, std::size_t size) override;
    bool readSyncValueFromText (int i, const char* text, float& value) override;
    void interpolTask() override;
    void updateLatency (int frameSize, float overlap, int extra) override;
    void handleDeferredWork (int workId) override;
    // The base's tick, then a frame-size change asked for inside a block.
    void timerCallback() override;
    // Whether an editor is open, for the interpolation (which never touches
    // the editor itself). The timer keeps it in step with the active editor.
    void setEditorOpen (bool open) noexcept { editorOpen.store (open); }

    //==========================================================================
    // Engine operations (appended in this order)
    virtual void Traitement (float** in, float** out);
    virtual void StopProcess();
    virtual void StartProcess();
    virtual void ResetProcess();
    virtual void RandomizePreset (int k);
    virtual void InterpolBar (RariZuzPreset* a, RariZuzPreset* b, float t);

    // Factory values of preset k.
    void InitPreset (RariZuzPreset* preset, int k);

    //==========================================================================
    // Bar operations of the sonogram editor (x = 1 - delay, y = 1 - frequency).
    void setBarValues (int j, float x1, float y1, float x2, float y2);
    void createBar (int j, float x1, float y1, float x2, float y2);
    void selectBar (int j);
    void beginDragBar (int j);
    void endDragBar (int j);

    // Frames processed since the last call (the sonogram's poll); resets the count.
    int getUpdateDisplay() noexcept;

    //==========================================================================
    // Read access (any thread)
    BarFreq getBar (int k) const noexcept;   // a whole copy; a default bar for k outside 0..7
    int64_t getFftSize() const noexcept { return fftSize.load(); }
    int32_t getDelayFrames() const noexcept { return delayFrames.load(); }
    int64_t getSelectedBar() const noexcept { return selectedBar.load(); }
    bool isStopped() const noexcept { return stopped.load(); }
    // The delay line of input channel c (0 or 1), for the sonogram.
    const MyBuffersArray<float>& getDelayLine (int c) const noexcept { return delayLines[c & 1]; }
    // The sonogram's copy of delay line 0: the same frames, each stored by
    // the audio thread once its processing (feedback included) is done,
    // value by value as relaxed atomics. The message thread reads it with
    // loadRelaxed (no data race) and getWriteIndex; it is resized only with
    // the delay lines, on the message thread under the callback lock, so a
    // display on that thread never reads freed memory.
    const MyBuffersArray<float>& getDisplayLine() const noexcept { return displayLine; }
    // Latency in samples of the current framing for a block size (the value
    // updateLatency reports): the frame length minus the block size when
    // the blocks divide the hop, else the frame length minus their largest
    // common divisor with the hop; the frame length when blocks exceed the
    // hop; the block size when blocks exceed the frame.
    static int latencyFor (int64_t fftSize, int blockSize) noexcept;

private:
    // Deferred work kinds (runOnMessageThreadOrDefer).
    enum : int
    {
        workFrameSize = 0,
        workResetLatency = 1,
        // Preset work asked for inside a real-time block (handlePresetWork).
        workPresetAction = 2,
        workSuperSlider = 3,
        workProgram = 4,
        workEditorSize = 5
    };

    // Bar edits: fn (BarFreq&) runs on the live bar k and then on the current
    // program's bar k, under editLock; the live result is published.
    template <typename Fn>
    bool editBar (int k, Fn&& fn);
    template <typename Fn>
    bool editProgram (Fn&& fn);
    bool lockEdits (std::unique_lock<std::mutex>& lock);
    // The parameter setIndexedParameter is setting on this thread (-1: none),
    // so that an edit missed inside a block is noted against it.
    struct SettingScope;
    static inline thread_local int settingIndex = -1;
    static inline thread_local float settingValue = 0.0f;
    // Sets again, on the message thread, the values whose record writes a
    // real-time block missed.
    void redoMissedWrites();

    void initDSP();
    void applyFrameSize (float v);
    void sizeFrames (int64_t n);
    void setActive (int k, float v);
    void setMute (int k, float v);
    void deactivateBar (int k);
    void selectLowestActiveBar();
    // Applies the twelve blended values of a preset recall or super-slider move.
    void setAllParameter (const float* set);
    void snapshotLive (RariZuzPreset& preset);
    void MakeSuperSlider();
    void DoInterpolation();
    // SetPreset's body; the caller serialises it with the interpolation step.
    void presetAction (int slot, int action);
    // Whether preset work may run (and wait for locks) on the calling thread:
    // anywhere but inside a real-time block.
    bool mayRunPresetWork() const noexcept;
    void handlePresetWork (int workId);
    // Reads the program block of a state chunk into records (all five, or
    // the current one) and makes the current program live.
    // False, with nothing changed, when the chunk is refused.
    bool loadProgramRecords (const void* data, int sizeInBytes, bool allPrograms);
    void setAgitationFlag (int i, float v);
    // getIndexedParameterValueFromText on a char text (no allocation).
    float valueFromText (int i, const char* text);
    // The plain text getSyncParameterText (i, v, true) gives for a synced
    // parameter i into buf (valueTextSize bytes); false for other parameters.
    bool writePlainSyncText (int i, float v, char* buf);
    int currentProgramIndex() const noexcept;

    void processChunk (float* const* inputs, float* const* outputs, int numOutputs, int n) noexcept;

    //==========================================================================
    std::atomic<int32_t> stopCount { 0 };
    std::unique_ptr<RariZuzProgram[]> programs;
    std::unique_ptr<RariZuzProgram[]> programScratch;
    std::atomic<int64_t> fftSize { 2048 };
    std::atomic<float> bandsValue { -1.0f };
    std::atomic<float> pendingBands { -1.0f };
    std::atomic<float> superSlider { 0.0f }, mix { 1.0f }, gain { 0.8f }, interSpeed { 1.0f / 15.0f };
    std::atomic<bool> loadSpeed { false };
    std::atomic<bool> stopped { false };
    std::atomic<float> presetValue { 0.0f };
    std::atomic<float> gainAgit { 0.0f }, mixAgit { 0.0f };
    std::atomic<float> globalMute { 0.0f }, globalReset { 0.0f };

    // Rings and frames are sized for the current frame size and block size
    // (ResetProcess, never while a block runs). The input and output rings
    // are made at the first prepareToPlay, not in the constructor: before it
    // they hold 64 frames, too few for a frame, and a block comes out silent.
    std::atomic<bool> prepared { false };
    MyRingBuffers inputRing { 64, false };
    MyRingBuffers outputRing { 64, false };
    std::atomic<int> chunkLimit { maxChunk };  // longest piece a block is cut into
    std::vector<float> frameStorage;   // ten frames of N + frameGap floats (sizeFrames)
    std::size_t frameStorageN = 0;     // the N they were made for
    float* inputFrames[2] {};
    float* outputFrames[8] {};
    MyBuffersArray<float> delayLines[2];
    MyBuffersArray<float> displayLine;
    std::atomic<int32_t> delayFrames { 0 };

    // Live bars: the master copies (under editLock) and their published copies.
    BarFreq liveBars[kRariZuzNumBars];
    BarStore bars;
    const int64_t barCount = kRariZuzNumBars;
    std::atomic<int64_t> selectedBar { -1 };
    std::atomic<float> linearGain { 1.0f };
    std::unique_ptr<FFTUtils> transforms[numTransforms];
    std::atomic<int64_t> fftOrder { 11 };
    std::atomic<int32_t> frameCounter { 0 };

    std::unique_ptr<RariZuzPreset[]> workingPresets;
    std::unique_ptr<RariZuzPreset> startPreset, endPreset;

    // Guards liveBars, programs, workingPresets, startPreset and endPreset.
    std::mutex editLock;

    // Audio thread only.
    SpectralDelayFrame spectralFrame { maxFftSize };
    BarFreq frameBars[kRariZuzNumBars];
    int activeInputs = 2;    // input channels of the block in progress
    int activeOutputs = 2;   // output channels of the block in progress

    std::atomic<bool> constructing { true };

    std::atomic<bool> editorOpen { false };
    std::atomic<int32_t> pendingPresetAction { -1 };  // slot + 16 x action, -1 none
    std::atomic<int32_t> pendingProgram { -1 };
    // Per parameter, a value set inside a real-time block whose program or
    // bar write found editLock busy (NaN: none); redone by the next tick.
    std::unique_ptr<std::atomic<float>[]> missedWrites;
    std::atomic<bool> anyMissedWrite { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RariZuz)
};
