#pragma once
// Zuveruva: the crunch effect. Each channel is cut into frames overlapping by
// 4, analysed into per-bin amplitudes and frequencies, optionally crossed bin
// by bin with an auxiliary source (a sound file played by the effect, or the
// host's side-chain input), smoothed over time by two one-pole filters per
// bin, resynthesised and mixed with the dry input. 37 indexed parameters.
//
// Threads:
// - audio thread: processBlock, under the processor's callback lock (the
//   callers hold it; processBlock also takes it, re-entrantly). It never
//   allocates, waits or does file I/O.
// - parameter setters run on any thread; engine fields are atomics. What
//   resizes, blocks or opens UI (frame-size change, "Load File" chooser,
//   "Beginning" restart) runs on the message thread, deferred to the timer
//   when a setter is reached elsewhere.
// - the auxiliary reader and its block are replaced only on the message
//   thread, under the callback lock, and the old ones are deleted after the
//   lock is released; only the message thread and processBlock use them
//   (setters reached elsewhere defer their reader work).
// - GetSpectrum / GetDeviation: message thread, copying atomics.
// - program records, working presets and the interpolation records are
//   guarded by `recordLock` (held only for copies, never while a parameter
//   is set); a real-time thread only tries it, and a program write it misses
//   is redone from the live value by the next timer tick.
// - preset work (SetPreset, setCurrentProgram, state loads, the super
//   slider) is serialised with the interpolation step by the base's step
//   lock; reached on a real-time thread (host automation, MIDI) it is
//   deferred to the message thread. A Bands change made by preset work or
//   inside a block is always deferred to the next timer tick.
#include "MyEffect.h"
#include "ZuveruvaProgram.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class FFTUtils;
class MyAudioReader;
class MyRingBuffers;

class Zuveruva : public MyEffect
{
public:
    enum Parameter
    {
        kPreset = 0,
        kSuperSlider = 1,
        kInterSpeed = 2,
        kLoadSpeed = 3,
        kBands = 4,
        kAmplitude = 5,
        kFrequency = 6,
        kMix = 7,
        kGain = 8,
        kBalance = 9,
        kUnnamed = 10,
        kAuxOn = 11,
        kAuxGain = 12,
        kAuxDepth = 13,
        kSample = 14,
        kPlay = 15,
        kBeginning = 16,
        kLoop = 17,
        kLoopBegin = 18,
        kLoopEnd = 19,
        kAgitation1Ampl = 20,
        kAgitation1Speed = 21,
        kAgitation = 22,
        kFrequencyAgit = 23,
        kAmplitudeAgit = 24,
        kMixAgit = 25,
        kGainAgit = 26,
        kAuxGainAgit = 27,
        kAuxDepthAgit = 28,
        kBalanceAgit = 29,
        kAgitation2Ampl = 30,
        kAgitation3Ampl = 31,
        kAgitation4Ampl = 32,
        kAgitation2Speed = 33,
        kAgitation3Speed = 34,
        kAgitation4Speed = 35,
        kSync = 36,
        numParameters = 37
    };

    static constexpr int numProgramsTotal = 5;
    static constexpr int minFrameSize = 4;
    static constexpr int maxFrameSize = 8192;
    static constexpr int workArraySize = 8196;
    static constexpr int ringSize = 16392;
    static constexpr int sliceFrames = 1024;   // longest piece processed at once
    static constexpr int auxBlockFrames = 4096;
    static constexpr uint32_t productCode = makeFourCC ('D', 'i', 'z', 'o');
    static constexpr uint32_t programID = makeFourCC ('V', 'q', 'P', 'r');

    // Work the setters hand to the message thread.
    enum DeferredWork
    {
        workFrameSize = 0,
        workBeginning = 2,
        workPlay = 3,         // start or pause the reader as "Play" says
        workLoop = 4,         // the reader's loop flag from "Loop"
        workLoopRange = 5,    // the reader's loop range from "Loop Begin" / "Loop End"
        workPauseIfPlaying = 6,
        workSyncOff = 7,      // "Sync" ended: the source goes off when the player idles
        workPresetAction = 8, // a SetPreset asked for on a real-time thread
        workSuperSlider = 9,  // a super-slider move asked for on a real-time thread
        workProgram = 10,     // a setCurrentProgram asked for on a real-time thread
        workEditorSize = 11,  // the restored editor size, to an open editor
        workProgramAux = 12   // the auxiliary reader of a program applied off the message thread
    };

    Zuveruva();
    ~Zuveruva() override;

    //==========================================================================
    // Library operations
    void prepareToPlay (double sampleRate, int maximumBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using MyEffect::processBlock;
    juce::AudioProcessorEditor* createEditor() override;
    // False while createEditor makes none (wrappers call createEditor when it is true).
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int k) override;
    const juce::String getProgramName (int k) override;
    void changeProgramName (int k, const juce::String& name) override;
    void getStateInformation (juce::MemoryBlock& dest) override;
    void getCurrentProgramStateInformation (juce::MemoryBlock& dest) override;
    void setStateInformation (const void* data, int size) override;
    void setCurrentProgramStateInformation (const void* data, int size) override;
    bool loadCurrentProgramChunk (const void* data, int size) override;
    bool isBusesLayoutSupported (const BusesLayout& layout) const override;

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
    bool isIndexedParameterAutomatable (int i) override;
    // Hosts see "Aux On" as its three sources.
    float hostValueFromIndexed (int i, float v) override;
    float indexedValueFromHost (int i, float hostValue) override;
    int getHostParameterNumSteps (int i) override;

    //==========================================================================
    // Presets, programs, interpolation
    void getPresetStates (int* states) override;
    void initPreset() override;
    void SetPreset (long slot, long action) override;
    bool isPreset (int i) override;
    unsigned char* getPresetPointer (int slot) override;
    unsigned char* getPresetPointerAP (int slot) override;
    int getPresetSize() override;
    void timerCallback() override;
    int getProgramSize() override;
    int getProgramID() override;
    bool compareStateInformation (void* data, int size) override;
    bool isAgitatorParam (int i) override;
    bool isSuperSlider (int i) override;
    void StopInterpolation() override;
    bool SetSyncMode (int i, bool on) override;
    float SearchSyncValue (int i, float value) override;
    juce::String getSyncParameterText (int i, float v, bool plainText) override;
    // The char forms of the synced parameters' plain text and of reading a
    // value back from a text (the same functions as the juce::String forms),
    // so a synced value is snapped at once on any thread without allocating.
    bool writeSyncPlainText (int i, float v, char* buf, std::size_t size) override;
    bool readSyncValueFromText (int i, const char* text, float& value) override;
    void interpolTask() override;
    // The latency is N - 1 whatever the block size (see ResetProcess).
    void updateLatency (int frameSize, float overlap, int extra) override;
    void handleDeferredWork (int workId) override;

    // Appended operations.
    virtual float CalculCoef (short index, float value);
    virtual void StopProcess();
    virtual void StartProcess();
    virtual void ResetProcess();
    virtual void RandomizePreset (int slot);

    void setAllParameter (float* v);
    void MakeSuperSlider();
    void DoInterpolation();
    void InitPreset (ZuveruvaPreset* preset, int slot);

    //==========================================================================
    // Auxiliary source (message thread)

    // The sources "Aux On" offers hosts and the editor's choices. Hosts see
    // three steps (0 "No Aux", 0.5 "File", 1 "Side-Chain"); the engine keeps
    // its own values (auxOnValueForSource). "Load File" is not among them.
    enum AuxSource
    {
        auxSourceNone = 0,
        auxSourceFile = 1,
        auxSourceSideChain = 2,
        numAuxSources = 3
    };
    // The engine value of a source (for setIndexedParameter / setParameterNotifyingHost).
    static float auxOnValueForSource (int source) noexcept;
    // The source an "Aux On" value selects (any value that is not a source reads as none).
    static int auxSourceForValue (float value) noexcept;

    // The "Load File" command of the editor's own menu: opens the file chooser
    // without a modal loop; a file chosen becomes the loaded file and "Aux On"
    // shows "File"; a cancel or a refused file changes nothing. Message thread
    // only. "Aux On" set to the "Load File" value through a parameter (host,
    // automation, OSC, MIDI, a state) is refused and the previous choice kept.
    void runLoadFileCommand();

    void loadAuxFile (juce::String path);
    void setModTimePosition (float seconds);
    bool getModPlaying();
    bool getModLooping();

    // The editor size to open at from a stored one (a host's chunk may hold
    // anything): a width outside 1..4000 or a height above 4000 gives the
    // default 520 x 380; a smaller width or height is raised to it.
    static constexpr int defaultEditorWidth = 520;
    static constexpr int defaultEditorHeight = 380;
    static constexpr int64_t maxEditorSize = 4000;
    static void boundEditorSize (int64_t storedWidth, int64_t storedHeight, int& width, int& height) noexcept;

    // Display (message thread): N/2 smoothed amplitudes, and the deviation in
    // bins of each smoothed frequency from its bin (left channel).
    float* GetSpectrum (long* n);
    float* GetDeviation();

    //==========================================================================
    // Observers
    int64_t getFrameSize() const noexcept { return frameSize.load(); }
    bool isStopped() const noexcept { return stopped.load(); }
    bool hasAuxReader() const noexcept;  // message thread
    MyAudioReader* getAuxReader() const noexcept { return auxReader.get(); } // message thread
    juce::File getAuxFile() const { return auxFile; }                       // message thread
    bool isAuxActive() const noexcept { return auxActive.load(); }
    bool isAuxSideChain() const noexcept { return auxSideChain.load(); }
    int getSideChainChannels() const noexcept { return sideChainChannels.load(); }
    float getAuxPosition() const noexcept { return auxPosition.load(); }
    int getSyncRequest() const noexcept { return syncRequest.load(); }
    bool isForceSamplePending() const noexcept { return forceSample.load(); }
    bool getSynthesisFirstFrame (int channel) const noexcept;
    // A copy of program k (k clamped to 0..4; under the record lock).
    ZuveruvaProgram getProgram (int k);
    // A copy of working preset k (under the record lock).
    ZuveruvaPreset getWorkingPreset (int k);
    // The preset an interpolation started from and the one it runs to.
    ZuveruvaPreset getInterpolationStart();
    ZuveruvaPreset getInterpolationTarget();

protected:
    // One piece of at most sliceFrames samples: the base audio step, then the
    // spectral processing. processBlock cuts longer blocks into such pieces
    // over the same channel memory (the one place that slices).
    virtual void renderSlice (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi);

private:
    // The engine's state, normalised parameter values unless noted.
    std::atomic<int32_t> sideChainChannels { 0 };
    std::atomic<uint32_t> stopCount { 0 };
    std::unique_ptr<ZuveruvaProgram[]> programs;
    std::unique_ptr<ZuveruvaProgram[]> programScratch;
    std::atomic<int64_t> frameSize { 128 };
    std::atomic<float> bands { 5.0f / 11.0f };
    std::atomic<float> superSlider { 0.0f };
    std::atomic<float> mix { 1.0f };
    std::atomic<float> gain { 0.8f };
    std::atomic<float> interSpeed { 0.06666667f };
    std::atomic<bool> loadSpeed { false };
    std::atomic<bool> stopped { false };
    std::atomic<float> frequency { 0.02f };
    std::atomic<float> amplitude { 0.02f };
    std::atomic<float> preset { 0.0f };
    std::atomic<float> sample { 0.0f };
    std::atomic<float> auxGain { 0.8f };
    std::atomic<float> auxDepth { 1.0f };
    std::atomic<float> auxOn { 0.0f };
    std::atomic<float> balance { 1.0f };
    std::atomic<float> play { 0.0f };
    std::atomic<float> beginning { 0.0f };
    // Presses of "Play" and "Beginning" not yet handled by the message thread.
    std::atomic<bool> playPressed { false };
    std::atomic<bool> beginningPressed { false };
    std::atomic<float> loop { 0.0f };
    std::atomic<float> loopBegin { 0.0f };
    std::atomic<float> loopEnd { 0.0f };
    std::atomic<float> agitationIds[7] {};
    std::atomic<bool> auxActive { false };
    std::atomic<bool> auxSideChain { false };
    std::atomic<float> sync { 0.0f };
    std::atomic<int32_t> syncRequest { 0 };
    std::atomic<float> outputGain { 1.0f };
    std::atomic<float> auxLinearGain { 1.0f };

    std::unique_ptr<MyRingBuffers> inputRing, outputRing, auxRing;

    // Work arrays of workArraySize floats (audio thread), and the display
    // arrays shared with the message thread.
    std::unique_ptr<float[]> inputL, inputR, auxL, auxR, displayWork, smoothAmpL, smoothFreqL,
        smoothAmpR, smoothFreqR, deviationWork, dry, deviationCopy, spectrumCopy, zeros;
    std::unique_ptr<std::atomic<float>[]> displaySpectrum, deviation;

    std::unique_ptr<FFTUtils> analysisL, analysisR, auxAnalysisL, auxAnalysisR, synthesisL, synthesisR;

    std::unique_ptr<juce::AudioFormatManager> formatManager;
    std::unique_ptr<MyAudioReader> auxReader;
    std::unique_ptr<juce::AudioBuffer<float>> auxBlock;
    juce::File auxFile;
    std::atomic<float> auxPosition { 0.0f };
    std::atomic<bool> forceSample { false };

    ZuveruvaPreset workingPresets[16];
    ZuveruvaPreset interpolationStart, interpolationTarget;

    // Hand-over to the message thread and bookkeeping.
    std::atomic<float> requestedBands { 5.0f / 11.0f };
    std::atomic<bool> choosingFile { false };
    std::atomic<uint32_t> readerGeneration { 0 };
    std::atomic<uint32_t> lastBlockMillis { 0 };
    std::atomic<bool> anyBlockProcessed { false };
    int auxSourceSeen = -1; // audio thread: the source fed into auxRing last
    juce::MidiBuffer noMidi; // audio thread: the MIDI of every slice after the first

    // Records and preset work.
    std::mutex recordLock;
    char auxFilePath[256] {}; // the auxiliary file's full path as saved (recordLock)
    std::atomic<int32_t> pendingPresetAction { -1 }; // slot + 16 x action, -1 none
    std::atomic<int32_t> pendingProgram { -1 };
    std::atomic<uint64_t> missedProgramWrites { 0 };  // bit i: parameter i's program field
    std::atomic<uint32_t> timerWork { 0 };            // work kinds the next tick runs
    std::atomic<juce::Thread::ThreadID> renderThread { nullptr };
    static inline thread_local int blockDepth = 0; // blocks running on this thread

    ZuveruvaProgram& currentProgramRecord() noexcept;
    void changeFrameSize (float v);
    void resetBuffersLocked();
    void reportLatency();
    void setAuxOn (float value);
    void takeChosenAuxFile (const juce::File& chosen);
    void restartFromBeginning();
    bool blocksAreArriving() const noexcept;
    void replaceAuxReader (const juce::File& file, bool looping, bool wasPlaying, bool applyLoopRange);
    bool readerIsPlaying();
    void applyPlay();

    // Preset work, records and threads (ZuveruvaPrograms.cpp, ZuveruvaState.cpp).
    bool isRealtimeCall() const noexcept;
    bool mayRunPresetWork() const noexcept;
    void deferToTimer (int workId) noexcept;
    void requestFrameSize (float v);
    void storeInProgram (int i, float v);
    void storeSyncInProgram (int i);
    void flushMissedProgramWrites();
    void presetAction (int slot, int action);
    void snapshotLive (ZuveruvaPreset& p);
    void applyProgramAux();
    void setAuxFilePath (const juce::File& file);
    // False, with nothing changed, when the chunk is refused.
    bool loadProgramRecords (const void* data, int size, bool allPrograms);
    void writeProgramRecords (juce::MemoryBlock& dest, bool allPrograms);

    void processSlice (juce::AudioBuffer<float>& buffer, int offset, int n, bool stereo,
                       int scFirst, int scCount, float wet, float cA, float cF);
    void processFrame (int n, bool stereo, bool withAux, float wet, float cA, float cF, float binWidth);

    JUCE_DECLARE_WEAK_REFERENCEABLE (Zuveruva)
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Zuveruva)
};
