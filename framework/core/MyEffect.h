#pragma once
// MyEffect: the processor base of both effects. Indexed parameters normalised
// to 0..1, the effect clock, the 50 ms housekeeping timer, the "Agitator
// Thread", presets and interpolation, agitation, tempo sync, undo and redo,
// the state chunk frame, MIDI learn and highlight, and the OSC endpoint.
//
// Thread contract: shared plain fields are std::atomic (relaxed unless noted);
// the per-parameter tables are allocated once on the message thread before
// any other thread can reach the effect (allocateParameterTables) and never
// resized; undo history and highlight calls are message-thread only; work that
// would resize, wait or open UI and is asked for off the message thread is
// deferred to the timer (runOnMessageThreadOrDefer; a synced value set on a
// real-time thread is snapped there too, applyPendingSyncValues); the
// interpolation and agitation step is serialised by `agitationStepLock`
// (agitator thread, and the audio thread in offline rendering only).
//
// Lifetime: an engine calls startTimers() as the last step of its
// constructor and stopThreads() as the first step of its destructor. Built
// off the message thread, the effect's timer waits for startTimersOnceBuilt()
// from whoever built it (the plug-in's entry does), so that no tick can reach
// an object whose constructors are still running.
#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include "CodecOSCReceiver.h"
#include "MyThreadAgitator.h"
#include "PluginManager.h"
#include "VoktParameter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <typeinfo>
#include <mutex>
#include <vector>

class MyEditor;

//==============================================================================
// Persisted records: their in-memory layout is their byte layout.

// Tempo-sync record of one parameter (stored in program and preset records;
// `count` and `note` big-endian there).
struct SyncControl
{
    bool able;        // the parameter can be synced
    bool mode;        // sync is on
    uint8_t pad[2];   // copied as they are
    int32_t count;    // bars (note 0) or multiplier of the note
    int32_t note;     // index 0..21 into the note tables; 0 = bars
};
static_assert (sizeof (SyncControl) == 12, "SyncControl is 12 bytes");
static_assert (offsetof (SyncControl, mode) == 1, "SyncControl layout");
static_assert (offsetof (SyncControl, count) == 4, "SyncControl layout");
static_assert (offsetof (SyncControl, note) == 8, "SyncControl layout");

// Repairs of records read from bytes. A one-byte flag that may hold any byte
// is made 0 or 1 without reading it as a bool; sync records get flags 0 or 1
// and their note and count inside the tables.
void sanitiseFlagByte (void* field) noexcept;
void sanitiseSyncRecords (SyncControl* records, int n) noexcept;

// Head of every state chunk: three big-endian words.
struct stateHeader
{
    uint32_t magic;    // "Vokt"
    uint32_t product;  // the effect's product code
    uint32_t version;  // 103 when written
};
static_assert (sizeof (stateHeader) == 12, "stateHeader is 12 bytes");
static_assert (offsetof (stateHeader, product) == 4, "stateHeader layout");
static_assert (offsetof (stateHeader, version) == 8, "stateHeader layout");

// One MIDI binding as stored in the state chunk (host byte order).
struct MidiBindingRecord
{
    int32_t type;        // 0 none, 1 control change, 2 note, 3 pitch wheel, 4 program change
    int32_t channel;     // 1..16
    int32_t controller;  // controller number for type 1, 0 otherwise
    int32_t note;        // bound note for type 2, 60 otherwise
    int32_t spare;
};
static_assert (sizeof (MidiBindingRecord) == 20, "MidiBindingRecord is 20 bytes");
static_assert (offsetof (MidiBindingRecord, note) == 12, "MidiBindingRecord layout");
static_assert (offsetof (MidiBindingRecord, spare) == 16, "MidiBindingRecord layout");

// Four-character code from its bytes, first byte most significant:
// makeFourCC ('V', 'o', 'k', 't') is 0x566F6B74.
constexpr uint32_t makeFourCC (char a, char b, char c, char d) noexcept
{
    return (uint32_t (uint8_t (a)) << 24) | (uint32_t (uint8_t (b)) << 16)
         | (uint32_t (uint8_t (c)) << 8) | uint32_t (uint8_t (d));
}

// A live MIDI binding: the record's fields as atomics, so the audio thread
// (host MIDI), the message thread (panel, state load) and MIDI learn can
// share it. A torn read across fields only mismatches a binding once.
struct MidiBinding
{
    std::atomic<int32_t> type { 0 };
    std::atomic<int32_t> channel { 1 };
    std::atomic<int32_t> controller { 1 };
    std::atomic<int32_t> note { 60 };
    std::atomic<int32_t> spare { 0 };

    MidiBindingRecord load() const noexcept;
    void store (const MidiBindingRecord& r) noexcept;
};

// Control highlight of one parameter: {on, colour index}.
struct HighlightSlot
{
    std::atomic<int16_t> on { 0 };
    std::atomic<int16_t> colour { 0 };
};

// "A block is running" for threads that wait for the audio thread to finish
// one: reset by the engine when a block starts, signalled when it ends. The
// audio thread only stores an atomic (juce::WaitableEvent would take a mutex
// and notify a condition variable there on every block).
// Thread contract: reset/signal on the audio thread, wait on any other
// thread; one atomic flag (release/acquire), no lock.
class BlockDoneEvent
{
public:
    void reset() noexcept { done.store (false, std::memory_order_release); }
    void signal() noexcept { done.store (true, std::memory_order_release); }
    // True once signalled; otherwise polls every millisecond for at most
    // timeoutMs (a negative timeout waits at most maxWaitMs: every wait is bounded).
    bool wait (double timeoutMs) const noexcept;

    static constexpr double maxWaitMs = 500.0;

private:
    std::atomic<bool> done { true };
    static_assert (std::atomic<bool>::is_always_lock_free, "the audio thread must not lock");
};

// What the effect calls on its editor; the framework's base editor
// implements it (the effect finds it on its active editor).
class MyEffectEditorHooks
{
public:
    virtual ~MyEffectEditorHooks() = default;
    // Called by the effect's 50 ms timer on every tick.
    virtual void timerCallback() = 0;
    virtual long SetControlHighliteInfo (long index, short on, short type) = 0;
};

//==============================================================================
class MyEffect : public juce::AudioProcessor,
                 public juce::ChangeBroadcaster,
                 public juce::ChangeListener,
                 public juce::Timer,
                 public CodecOSCReceiver
{
protected:
    explicit MyEffect (const juce::AudioProcessor::BusesProperties& buses);

public:
    ~MyEffect() override;

    // OSCReceiver has listener calls of the same names.
    using juce::AudioProcessor::addListener;
    using juce::AudioProcessor::removeListener;

    //==========================================================================
    // ---- lifetime, threads and deferred work ----

    // Sizes the per-parameter tables (changed flags, interpolation exclusion,
    // highlight, MIDI bindings) from the parameter count. Message thread,
    // once all parameters are added and before any other thread uses the
    // effect; later calls do nothing. InitMIDI and startTimers call it.
    void allocateParameterTables();
    // Starts the 50 ms timer (its first tick starts the agitator thread).
    // Engines call it as the last step of their constructor. On the message
    // thread it starts now: the first tick runs once control is back in the
    // message loop, after every constructor has returned. On any other
    // thread a tick could make its virtual calls while the constructors of
    // derived classes still run, so the start waits for
    // startTimersOnceBuilt().
    void startTimers();
    // The effect is whole: starts the timer if it is not started yet (held
    // back by startTimers, or never asked for). Any thread, once the most
    // derived constructor has returned; after stopThreads it does nothing.
    void startTimersOnceBuilt();
    // Stops the timer and the agitator thread and keeps them stopped.
    // Engines call it first in their destructor; the base destructor calls it
    // again (harmless). Any thread: off the message thread it waits for a
    // timer tick in progress there to end, and no tick restarts anything
    // after it returns.
    //
    // The threads make virtual calls into the most derived class, so the most
    // derived class must stop them in its own destructor (or earlier): once a
    // derived destructor has run, a tick or agitator step would call into a
    // half-destroyed object. With VOKT_CHECK_THREAD_LIFETIME (debug and
    // sanitizer builds) the base destructor aborts with a message when the
    // threads ran and were not stopped by the class the timer last saw.
    void stopThreads();
    // Called at the end of every tick of the 50 ms timer, after the editor's
    // refresh, so that whoever shows the effect (the application's window)
    // refreshes on the same clock instead of a timer of its own. Message
    // thread only (set, cleared and called there); empty by default.
    std::function<void()> onTick;

    // Deferred work: each engine numbers its kinds of work 0..31. On the
    // message thread the work runs now (handleDeferredWork); elsewhere a
    // lock-free flag is raised and the next timer tick runs it. Real-time safe.
    void runOnMessageThreadOrDefer (int workId);
    // Raises the flag of a kind of work for the next timer tick, whatever
    // the thread (work asked for inside a block must never run inside it,
    // even on the message thread). Real-time safe.
    void deferWork (int workId) noexcept;
    bool isDeferredWorkPending (int workId) const noexcept;
    // Runs one kind of deferred work, on the message thread. Nothing in the base.
    virtual void handleDeferredWork (int workId);

    // Runs fn while holding the processor's callback lock (no block runs
    // meanwhile). For resizes of what the audio thread uses. Never on the audio thread.
    template <typename Fn>
    void runUnderCallbackLock (Fn&& fn)
    {
        const juce::ScopedLock sl (getCallbackLock());
        fn();
    }

    // Test seam: the millisecond source of the system clock (null restores
    // juce::Time::getMillisecondCounter).
    using MillisecondClock = double (*)();
    void setMillisecondClock (MillisecondClock clock) noexcept;

    //==========================================================================
    // ---- library operations ----
    const juce::String getName() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool hasEditor() const override;
    // The base audio step; each engine's processBlock calls it first.
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    using juce::AudioProcessor::processBlockBypassed;
    void updateTrackProperties (const juce::AudioProcessor::TrackProperties& properties) override;

    //==========================================================================
    // ---- indexed parameters ----
    virtual bool getIndexedParameterDiscrete (int i);
    virtual int getIndexedParameterNumSteps (int i);
    virtual juce::String getIndexedParameterTextFromValue (int i, float v, int maxLength) = 0;
    virtual float getIndexedParameterValueFromText (int i, juce::String text) = 0;
    virtual juce::String getIndexedParameterText (int i) = 0;
    // Engines start with acceptParameterValue (refuses bad index and
    // non-finite values, clips to 0..1), then store, apply,
    // NonInterpolateParameter (i, true) and updateEditor().
    virtual void setIndexedParameter (int i, float v) = 0;
    virtual float getIndexedParameter (int i) = 0;
    virtual juce::String getIndexedParameterName (int i) = 0;
    virtual int getIndexedParameterStat (int i);
    virtual float getIndexedDefaultValue (int i);
    virtual bool isMetaIndexedParameter (int i);
    virtual bool isIndexedParameterAutomatable (int i);
    // User gestures: tell the host and record undo entries (message thread).
    virtual void beginParameterChangeGesture (int i);
    virtual void endParameterChangeGesture (int i);
    virtual int getMyNumParameters();
    virtual void resetStateInformation();
    virtual bool getParameterVisibility (int i);
    virtual void InitNonInterpolatedParameters();
    virtual void NonInterpolateParameter (int i, bool flag);

    // The host's view of indexed parameter i (what VoktParameter shows):
    // its value, steps and texts. The defaults are the indexed values
    // themselves; an engine maps a parameter that has values no host may
    // choose (commands of its own editor).
    virtual float hostValueFromIndexed (int i, float v);
    virtual float indexedValueFromHost (int i, float hostValue);
    virtual int getHostParameterNumSteps (int i);

    // Tells the host every value that changed since it was last told (the
    // effect's own changes: construction, state, programs, recalls,
    // interpolation, super slider, agitation): the parameter's listeners
    // are notified, without gestures, so hosts show the running values but
    // record nothing. Message thread; the timer calls it on every tick.
    void notifyHostOfChangedValues();
    // Whether the ticks tell the host (on unless turned off). JUCE's plug-in
    // wrappers add and remove their processor listeners on the host's
    // thread, and JUCE reads that list without a lock while it notifies, so
    // a plug-in layer keeps this off until the host has prepared it and
    // turns it off when the host releases it. Turning it off returns once a
    // notification in progress has ended (waiting at most
    // BlockDoneEvent::maxWaitMs); what changes meanwhile is told when it is
    // on again. Any thread but the audio thread.
    void setHostNotification (bool on);
    // A value the host set itself (host view): it is not sent back.
    void noteValueFromHost (int i, float hostValue) noexcept;
    // The host has just read every value itself (a VST3 controller reads
    // them all when it connects and after a state restore): they count as
    // told, and only what changes from here on is sent. A host may play a
    // told value back into the effect later, over what it set meanwhile, so
    // nothing the host has is told again. Any thread but the audio thread,
    // once the parameter tables exist.
    void noteValuesReadByHost();

    bool isValidParameterIndex (int i) const noexcept;
    // False for an invalid index or a NaN/infinite value; otherwise v is clipped to 0..1.
    bool acceptParameterValue (int i, float& v) const noexcept;
    // The common setter of panels, OSC and programs: notes i as the current
    // parameter (with its MIDI binding) and calls setIndexedParameter.
    void setParameterNotifyingHost (int i, float v);
    bool isParameterChanged (int i) noexcept;
    void initAllParameterChanged (bool flag) noexcept;
    VoktParameter* getVoktParameter (int i) const noexcept;

    //==========================================================================
    // ---- presets and interpolation ----
    virtual void getPresetStates (int* states) = 0;
    virtual void initPreset() = 0;
    virtual void SetPreset (long slot, long action) = 0;
    virtual bool getUpdatePresetStatus();
    virtual bool isPreset (int i);
    virtual unsigned char* getPresetPointer (int slot) = 0;
    virtual unsigned char* getPresetPointerAP (int slot) = 0;
    virtual int getPresetSize();
    virtual bool isSuperSlider (int i);
    virtual float getAlfa();
    virtual void setSuperState (long cell, long preset);
    virtual long getSuperState (long cell);
    virtual void getSuperText (float x, char* buf);
    virtual void StopInterpolation();
    // Advances the running preset interpolation; run by threadCallback.
    virtual void interpolTask();

    juce::String getPresetString (int slot);
    bool isPresetStringValid (juce::String& text);
    juce::String getPresetStringTitle (juce::String& text);
    // Pastes a preset text into slot (both copies) and sends SetPreset (slot, 5).
    // Refused, with nothing changed, unless the bytes decode strictly to
    // exactly getPresetSize() bytes.
    void setPresetString (int slot, juce::String& text);
    // "Selvo" in the application, "Quarn" in the plug-in: the first word of preset texts.
    juce::String getPresetProductWord() const;

    // Interpolation frame for the engines. startInterpolation: start tick :=
    // now, exclusions cleared, alfa := 0 (message thread). advanceInterpolation:
    // alfa += whole ticks elapsed x interpolationRate, at most 1 (a rate that
    // is not positive and finite ends it at once); true when alfa moved
    // (agitator thread, or audio thread offline).
    void startInterpolation();
    bool advanceInterpolation();
    // Stores eight super-slider cells read from a program record, repaired:
    // entries outside -1..15 become empty, empty cells 0 and 7 take presets 0 and 7.
    void loadSuperStates (const int* cells);
    // Bytes getSuperText writes at most, the terminating zero included.
    static constexpr std::size_t superTextSize = 32;

    std::atomic<int32_t> targetPreset { 0 };
    std::atomic<bool> presetStatusChanged { false };
    std::atomic<float> alfa { 1.0f };
    std::atomic<float> interpolationRate { 1.0f };
    std::atomic<int64_t> interpolationStartTick { 0 };
    std::atomic<bool> bulkSet { false };
    std::atomic<float> superCellPositions[8] {};
    std::atomic<int64_t> superStates[8] { { 0 }, { 1 }, { 2 }, { 3 }, { 4 }, { 5 }, { 6 }, { 7 } };
    std::atomic<bool> superSliderFlag { false };
    std::atomic<int32_t> numPrograms { 0 };
    std::atomic<int32_t> currentProgram { 0 };

    //==========================================================================
    // ---- agitation ----
    struct agitationStruct
    {
        int32_t param;
        float idValue;
        float from;
        float to;
        float base;
        float progress;
    };

    virtual void DoAgitation();
    virtual int getLastAgitatedParameters();
    virtual void setParameterNoAgit (int param, float v);
    virtual float setAgitationForParam (int param, int idParam, float idValue);
    virtual bool doSpecificAgitation (int param, float progress);
    virtual bool doSpecificRandomizeAgitation (int param, float spread);
    virtual void setSpecificAgitationInitialization (int param);
    virtual bool isAgitatorParam (int i);

    void SetAgitation();
    void resetAgitation (int param);
    bool isAgitationControlsChanged();
    void setAgitationControlsChanged (bool changed);
    // Snapshot of the lists under their lock (message thread, tests).
    int getAgitationGroupSize (int group);
    bool getAgitationNode (int param, int& group, agitationStruct& node);

    std::atomic<bool> agitationControlsChanged { false };
    std::vector<agitationStruct> agitationLists[4];
    // Guards agitationLists: the message and agitator threads (and any thread
    // while rendering offline) wait for it; other threads only try it and
    // skip the edit. Held for one node at a time by a step; engine hooks
    // (doSpecificRandomizeAgitation, setSpecificAgitationInitialization) may
    // run under it and must not change agitation IDs.
    std::mutex agitationListLock;
    std::atomic<float> agitationRates[4] { { 1.0f }, { 1.0f }, { 1.0f }, { 1.0f } };
    std::atomic<int32_t> currentAgitationGroup { 0 };
    std::atomic<int64_t> lastAgitationTick { 0 };
    std::atomic<bool> applyingAgitation { false };
    std::atomic<float> agitationAmplitudes[4] {};
    std::atomic<float> agitationSpeeds[4] {};
    std::atomic<float> agitationSwitch { 0.0f };
    std::atomic<bool> agitationOn { false };

    //==========================================================================
    // ---- tempo sync ----
    virtual bool SetSyncMode (int i, bool on);
    virtual void UpdateSyncParameters();
    virtual void UpdateSyncParameter (int i);
    virtual float SearchSyncValue (int i, float value);
    virtual int GetNombreMax (int i);
    virtual float getSyncMsFromValue (int i, float v);
    virtual float getSyncValueFromMs (int i, float ms);
    virtual float getValueForMax (int i);
    virtual bool isInHerz (int i);
    // Reads tempo and metre from the play head (audio thread, every block),
    // records them and raises syncTimingPending when they changed; returns
    // whether the host plays. Real-time safe: it rewrites no parameter.
    virtual bool ReadTimeInfo();
    virtual int GetSyncNombre (int i);
    virtual int GetSyncNote (int i);
    virtual bool GetSyncMode (int i);
    virtual bool GetSyncAble (int i);
    virtual void SetSyncNombre (int i, int n);
    virtual void SetSyncNote (int i, int k);
    virtual void ToggleSyncMode (int i);
    virtual void SyncToDelaiStr (int i, char* buf);
    virtual void IncSync (int i);
    virtual void DecSync (int i);
    virtual void SetSyncNoteFromBar (int i);
    virtual bool CheckForBar (int i);

    // Text of value v of parameter i for the sync arithmetic. With plainText
    // it is the plain time (or frequency) even while i is synced, since the
    // numbers are read back from it. Engines whose texts show the musical
    // length of synced parameters override it; the base returns
    // getIndexedParameterTextFromValue (i, v, 64).
    virtual juce::String getSyncParameterText (int i, float v, bool plainText);

    // Allocation-free forms of the two texts SearchSyncValue goes through:
    // the plain text of getSyncParameterText (i, v, true) written into buf
    // (size bytes), and getIndexedParameterValueFromText read from a char
    // text. Both must give the same numbers as the juce::String forms. An
    // engine that provides them (with its char* value-text functions) has its
    // synced values snapped at once on any thread. The base returns false:
    // then a value set on a real-time thread is stored as it comes and
    // snapped by the timer (applyPendingSyncValues).
    virtual bool writeSyncPlainText (int i, float v, char* buf, std::size_t size);
    virtual bool readSyncValueFromText (int i, const char* text, float& value);
    // For writeSyncPlainText overrides: copies a text written into a local
    // buffer (terminated at plainSize - 1) into buf, or refuses (false) when
    // it does not fit in size bytes.
    static bool copySyncPlainText (char* plain, std::size_t plainSize, char* buf, std::size_t size) noexcept;

    void copySyncControlTo (SyncControl* dst);
    void copySyncControlFrom (const SyncControl* src);
    void initSyncControl (SyncControl* records);
    void enableSyncControl (int i, SyncControl* records, bool able);
    // Record i, or null without a table or for an index out of range.
    SyncControl* getSyncRecord (int i);
    // Records in the table: one per parameter; 0 without a table.
    int getSyncControlCount();
    // Applies a tempo or metre change that ReadTimeInfo recorded on the audio
    // thread: UpdateSyncParameters. For the agitator thread's step and the
    // timer, never the audio thread; true when there was a change to apply.
    bool applyPendingSyncTiming();
    // Snaps the values that SearchSyncValue left as they came on a real-time
    // thread (setIndexedParameter with each). For the timer, never the audio
    // thread; true when there was one.
    bool applyPendingSyncValues();
    // Whether the calling thread may be a real-time audio thread: any thread
    // but the message thread and the agitator thread, unless rendering
    // offline. Real-time safe.
    bool mayBeRealtimeThread() const noexcept;

    // One record per parameter; allocated by the engine, freed with the effect.
    std::unique_ptr<SyncControl[]> syncControls;
    std::atomic<float> wholeNoteMs { 4000.0f };
    std::atomic<int32_t> timeSigNumerator { 4 };
    std::atomic<float> timeSigDenominator { 4.0f };
    std::atomic<bool> syncUpdating { false };
    // Raised by ReadTimeInfo when tempo or metre changed (release/acquire).
    std::atomic<bool> syncTimingPending { false };
    // Per parameter, a value set on a real-time thread that waits for
    // applyPendingSyncValues (NaN: none); sized by allocateParameterTables.
    // The flag is raised after the value is stored (release/acquire).
    std::unique_ptr<std::atomic<float>[]> pendingSyncValues;
    // Per parameter, the host value the host was last told or set (NaN:
    // never); sized by allocateParameterTables.
    std::unique_ptr<std::atomic<float>[]> hostValues;
    std::atomic<bool> syncValuesPending { false };

    //==========================================================================
    // ---- housekeeping, clocks and the agitator ----
    // Held for the whole of a timer tick (an engine's override opens one
    // first too, nesting is fine): stopThreads waits for it. An inactive
    // scope means the threads are stopped and the tick must do nothing.
    class TickScope
    {
    public:
        explicit TickScope (MyEffect& e) noexcept;
        ~TickScope();
        bool isActive() const noexcept { return active; }
        TickScope (const TickScope&) = delete;
        TickScope& operator= (const TickScope&) = delete;

    private:
        MyEffect& effect;
        bool active = false;
    };

    void timerCallback() override;
    // The agitator's step: interpolTask, then DoAgitation when agitation is
    // on, some group amplitude is above 0 and no interpolation runs.
    virtual void threadCallback();
    // Asks for an editor refresh; any thread (a flag the timer turns into a change message).
    virtual void updateEditor();
    virtual void startProcess();
    virtual bool isLatencyChanged();
    virtual void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    // The effect clock in ticks of 1/60 s (any thread).
    virtual double TickCount();
    virtual double MillisecondCount();
    // The system clock in ticks of 1/60 s.
    double systemTicks() const noexcept;

    virtual void updateLatency (int frameSize, float overlap, int extra);
    // Plug-in render call: the whole block's sample count (audio thread).
    void setBlockSize (int size) noexcept;
    bool isNonRealtime() const noexcept;
    void setWrapperGain (float x) noexcept;

    static int getHostType() noexcept;

    //==========================================================================
    // ---- channel layout and names ----
    virtual bool isMono() const;
    virtual bool isStereo() const;
    virtual bool isMonoStereo() const;
    virtual bool isInMono() const;
    virtual bool isInStereo() const;
    virtual bool isOutMono() const;
    virtual bool isOutStereo() const;
    virtual bool isOutQuad() const;
    virtual bool isOut5() const;
    virtual bool isOut5p1() const;
    virtual bool isOut7() const;
    virtual bool isOut8() const;
    virtual bool supportMultichannel();
    // Points outputSlots at the buffer's channels by output layout (audio thread).
    virtual void allocateSurroundOut (juce::AudioBuffer<float>& buffer);
    virtual bool checkInOutCompatibility();
    virtual bool getAcceptMultichannelFiles();
    virtual void forceInitInputOutput();
    virtual int getMaxInputChannels();
    virtual void setAs (bool flag);
    virtual bool IsAS();
    virtual int getNaxOutputChannels();
    virtual int convertIndexValue (int i);
    virtual juce::String getPluginType();
    virtual juce::String getHostName();
    virtual juce::String getTrackName();
    virtual void startLeap();
    virtual void stopLeap();

    //==========================================================================
    // ---- state chunk, program file, undo and redo ----
    virtual void save();
    virtual void load();
    // Program file: identifier, length, current-program chunk. True when written / loaded.
    virtual bool saveSelf (juce::FileOutputStream* out);
    virtual bool loadSelf (juce::FileInputStream* in);
    // Loads a current-program chunk; false when the effect refused it. An
    // effect that cannot tell (the base) reports every chunk as taken.
    virtual bool loadCurrentProgramChunk (const void* data, int sizeInBytes);
    virtual int getProgramSize() = 0;
    virtual int getProgramID() = 0;
    virtual int getNumChunk();
    virtual bool areMonoAndStereoChunkDifferents();
    virtual bool isChunkTypeValid (unsigned int a, unsigned int b);
    virtual bool compareStateInformation (void* data, int size);
    virtual bool undo();
    virtual bool redo();
    virtual bool noUndoRedo (int i);
    bool canUndo() const noexcept;
    bool canRedo() const noexcept;

    static constexpr uint32_t stateMagic = makeFourCC ('V', 'o', 'k', 't');
    static constexpr uint32_t stateVersion = 103;
    // Largest length word taken as a byte count by loadSelf (larger: an older big-endian writer).
    static constexpr uint32_t maxProgramFileLength = 104857600;

    static int SwapLongToBig (unsigned int v) noexcept;
    static int SwapLongToHost (long v) noexcept;
    static float SwapFloatToBig (float v) noexcept;
    static float SwapFloatToHost (float v) noexcept;
    static void SwapHeaderToBig (stateHeader* h) noexcept;
    static void SwapHeaderToHost (stateHeader* h) noexcept;
    static void SwapSuperConfigToBig (int* cells) noexcept;
    static void SwapSuperConfigToHost (int* cells) noexcept;
    static void SwapSyncControlToBig (SyncControl* records, int n) noexcept;
    static void SwapSyncControlToHost (SyncControl* records, int n) noexcept;

    // The blocks of a parsed chunk (pointers into the caller's data).
    struct StateChunkView
    {
        uint32_t version = 0;
        const uint8_t* programs = nullptr;
        std::size_t programsSize = 0;
        const uint8_t* midi = nullptr;  // null when the chunk has no third block
        std::size_t midiSize = 0;
    };
    // Appends the frame to dest: the header {magic, productCode, 103}
    // big-endian, programBytes (already big-endian) as one block, then the
    // MIDI binding table in host order.
    void writeStateChunk (juce::MemoryBlock& dest, uint32_t productCode,
                          const void* programBytes, std::size_t programSize) const;
    // Checks the frame: every block inside the chunk, magic "Vokt", the given
    // product and a version above 101. False (view untouched) otherwise.
    static bool readStateChunk (const void* data, int sizeInBytes, uint32_t productCode, StateChunkView& view);

    //==========================================================================
    // ---- MIDI learn and control highlight ----
    virtual void InitMIDI();
    virtual bool isMidiBind();
    virtual void setMidiBind (bool on);
    virtual void unBindCurrentParameter();
    virtual void ResetAllMidiBinding();
    // Loads the binding table of a state chunk: only whole records that fit
    // in `length` bytes are copied.
    virtual void setMidiInformation (const unsigned char* data, std::size_t length);
    virtual juce::String getCurrentParameterName();
    virtual juce::String getCurrentControlMessage();
    virtual MidiBinding* getMidiBinding (int i);
    virtual void SetControlHighliteInfo (long index, short on, short colourIndex);
    virtual void RefreshHighlight (MyEditor* editor);
    virtual void getHighlightInfo (int index, short* on, short* colourIndex);
    // Drains midiCollector into the bound parameters (message thread: the timer calls it).
    virtual void processMidiMessages();
    virtual float convertKeyBoardValue (int i, int noteNumber, int boundNote);

    // Applies one raw MIDI message to the bindings (and learns it in learn mode).
    // Real-time safe; the base audio step calls it for the host's MIDI.
    void applyMidiMessage (const uint8_t* data, int numBytes);
    // Copies the binding table (getMyNumParameters() records) into dest, each
    // record in the form loading gives it (unbound: {0, 1, 0, 0}).
    void getMidiInformation (MidiBindingRecord* dest) const noexcept;
    void setHighlightOSC (bool on);

    // Unused preset and agitation snapshots (nothing calls them).
    virtual int getOldPreset();
    virtual int getNewPreset();
    virtual int getOriPreset();
    virtual int getOldAgitation();
    virtual int getNewAgitation();
    virtual int getOriAgitation();

    //==========================================================================
    // ---- fields of the base ----
    std::atomic<int64_t> savedEditorWidth { 0 };
    std::atomic<int64_t> savedEditorHeight { 0 };
    juce::SharedResourcePointer<PluginManager> pluginManager;

    std::atomic<bool> audioClock { false };
    std::atomic<bool> offline { false };
    std::atomic<bool> bypassed { false };
    std::atomic<bool> hostPlaying { false };
    std::atomic<int32_t> numInputChannels { 2 };
    std::atomic<int32_t> numOutputChannels { 2 };
    double midiSampleRate = 44100.0;
    std::atomic<bool> editorUpdatePending { false };
    // Per parameter {on, colour}; sized by allocateParameterTables.
    std::unique_ptr<HighlightSlot[]> highlightInfo;
    std::atomic<bool> asFlag { false };
    // Queue of device-timestamped MIDI for the bindings (own lock; drained on the message thread).
    juce::MidiMessageCollector midiCollector;
    std::atomic<bool> midiLearn { false };
    std::atomic<int32_t> currentParameter { -1 };
    MidiBinding currentControlMessage;
    // One binding per parameter; sized by allocateParameterTables.
    std::unique_ptr<MidiBinding[]> midiBindings;
    std::atomic<int64_t> sampleCounter { 0 };
    std::atomic<double> ticks { 0.0 };
    std::atomic<double> lastTicks { 0.0 };
    std::atomic<bool> ticksAdvanced { false };
    // Whether the last block had no samples (written before ticksAdvanced is raised).
    std::atomic<bool> lastBlockEmpty { false };
    juce::String trackName;  // message thread
    // Output channel per panning slot; audio thread only; null until the first allocateSurroundOut.
    float* outputSlots[8] {};
    // Signalled at construction; reset by the engine when a block starts,
    // signalled when it ends.
    BlockDoneEvent blockDone;
    std::atomic<int32_t> blockSize { 0 };
    std::atomic<bool> latencyChanged { false };
    // One changed flag per parameter, all set at creation.
    std::unique_ptr<std::atomic<uint8_t>[]> changedFlags;
    MyThreadAgitator agitator;
    std::atomic<bool> oscHighlight { false };
    // Undo history (message thread only).
    struct UndoEntry
    {
        int32_t param;
        float value;
        bool isBegin;
    };
    int32_t undoPosition = -1;
    std::vector<UndoEntry> undoHistory;
    std::atomic<float> wrapperGain { 1.0f };
    // One exclusion flag per parameter, all clear at creation.
    std::unique_ptr<std::atomic<uint8_t>[]> nonInterpolated;
    std::atomic<bool> nonInterpolatedPending { false };

protected:
    // Serialises the interpolation and agitation step between the agitator
    // thread and the audio thread (offline rendering only).
    std::mutex agitationStepLock;

private:
    void restoreUndoEntry (const UndoEntry& entry);
    void noteCurrentParameter (int i) noexcept;
    void runPendingDeferredWork();

    std::atomic<int32_t> tableSize { 0 };  // entries in the per-parameter tables (release/acquire)
    std::atomic<uint32_t> pendingWork { 0 };
    std::atomic<MillisecondClock> millisecondClock { nullptr };
    std::atomic<bool> threadsStopped { false };
    std::atomic<int32_t> ticksInProgress { 0 };
    std::atomic<bool> timersStarted { false };
    // Host notification: on/off and notifications in progress (both
    // sequentially consistent, as for the ticks and stopThreads).
    std::atomic<bool> hostNotification { true };
    std::atomic<int32_t> hostNotificationsInProgress { 0 };
    // Lifetime check: the dynamic type each timer tick saw, and the one that
    // first stopped the threads (message thread; read by the destructor).
    std::atomic<const std::type_info*> typeSeenRunning { nullptr };
    std::atomic<const std::type_info*> typeThatStopped { nullptr };
    juce::MidiBuffer collectorBuffer;  // message thread

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyEffect)
};
