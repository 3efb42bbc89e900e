// MyEffect: construction, threads, the base audio step, clocks, latency,
// channel layout, names and the indexed-parameter frame.
#include "MyEffect.h"

#include "MyPluginHostType.h"
#include "Utilities.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace
{
double defaultMilliseconds()
{
    return (double) juce::Time::getMillisecondCounter();
}

bool isMessageThread() noexcept
{
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    return mm != nullptr && mm->isThisTheMessageThread();
}
} // namespace

//==============================================================================
MidiBindingRecord MidiBinding::load() const noexcept
{
    return { type.load(), channel.load(), controller.load(), note.load(), spare.load() };
}

void MidiBinding::store (const MidiBindingRecord& r) noexcept
{
    type.store (r.type);
    channel.store (r.channel);
    controller.store (r.controller);
    note.store (r.note);
    spare.store (r.spare);
}

//==============================================================================
bool BlockDoneEvent::wait (double timeoutMs) const noexcept
{
    const double limit = timeoutMs < 0.0 ? maxWaitMs : timeoutMs;
    const double start = juce::Time::getMillisecondCounterHiRes();
    while (! done.load (std::memory_order_acquire))
    {
        if (juce::Time::getMillisecondCounterHiRes() - start >= limit)
            return false;
        juce::Thread::sleep (1);
    }
    return true;
}

//==============================================================================
MyEffect::MyEffect (const juce::AudioProcessor::BusesProperties& buses)
    : juce::AudioProcessor (buses),
      CodecOSCReceiver (this)
{
    agitator.owner.store (this);
    // The host detection reads the executable's path (allocates, may touch
    // the file system): run it here, on the message thread, so that the
    // audio thread's first getHostType() only reads the cached kind.
    MyPluginHostType::getCachedType();
    blockDone.signal();
    pluginManager->addPlugin (this);
    undoPosition = -1;
    midiCollector.reset (midiSampleRate);
    collectorBuffer.ensureSize (2048);
    applyingAgitation.store (false);
    blockSize.store (0);
    oscHighlight.store (false);
    wrapperGain.store (1.0f);
}

MyEffect::~MyEffect()
{
#if VOKT_CHECK_THREAD_LIFETIME || JUCE_DEBUG
    // The timer and the agitator call virtual functions of the most derived
    // class: that class must stop them before its own members go.
    const auto* running = typeSeenRunning.load();
    const auto* stopper = typeThatStopped.load();
    if (running != nullptr && (stopper == nullptr || *stopper != *running))
    {
        std::fprintf (stderr, "MyEffect: an effect of type %s was destroyed while its timer and agitator "
                              "thread could still call into it: call stopThreads() first in the most "
                              "derived destructor (%s)\n",
                      running->name(), stopper != nullptr ? "stopped by a base class" : "never stopped");
        std::fflush (stderr);
        std::abort();
    }
#endif
    stopThreads();
    undoHistory.clear();
    pluginManager->removePlugin (this);
}

//==============================================================================
// Lifetime, threads and deferred work

void MyEffect::allocateParameterTables()
{
    if (tableSize.load (std::memory_order_acquire) > 0)
        return;

    const int n = getParameters().size();
    if (n <= 0)
        return;

    changedFlags.reset (new std::atomic<uint8_t>[(size_t) n]);
    nonInterpolated.reset (new std::atomic<uint8_t>[(size_t) n]);
    highlightInfo.reset (new HighlightSlot[(size_t) n]);
    midiBindings.reset (new MidiBinding[(size_t) n]);
    pendingSyncValues.reset (new std::atomic<float>[(size_t) n]);
    hostValues.reset (new std::atomic<float>[(size_t) n]);
    // Room for one node per parameter in every agitation group, so that an
    // agitation set from any thread (a host's, a state restored there) is
    // stored without allocating.
    for (auto& list : agitationLists)
        list.reserve ((size_t) n);

    for (int i = 0; i < n; ++i)
    {
        changedFlags[(size_t) i].store (1);
        nonInterpolated[(size_t) i].store (0);
        midiBindings[(size_t) i].type.store (0);
        pendingSyncValues[(size_t) i].store (std::numeric_limits<float>::quiet_NaN());
        hostValues[(size_t) i].store (std::numeric_limits<float>::quiet_NaN());
    }

    tableSize.store (n, std::memory_order_release);
}

void MyEffect::startTimers()
{
    allocateParameterTables();
    if (isMessageThread() && ! threadsStopped.load() && ! timersStarted.exchange (true))
        startTimer (50);
}

void MyEffect::startTimersOnceBuilt()
{
    allocateParameterTables();
    if (! threadsStopped.load() && ! timersStarted.exchange (true))
        startTimer (50);
}

void MyEffect::stopThreads()
{
    // Called from a destructor, typeid gives the class being destroyed.
    const std::type_info* none = nullptr;
    typeThatStopped.compare_exchange_strong (none, &typeid (*this));
    threadsStopped.store (true);
    stopTimer();

    // Off the message thread a tick may be running there: wait for it to
    // end (each of its steps is bounded), then stop the timer again in case
    // it was restarted meanwhile. On the message thread the tick in progress,
    // if any, is the caller.
    if (! isMessageThread())
        while (ticksInProgress.load() > 0)
            juce::Thread::sleep (1);
    stopTimer();

    agitator.stopWithoutKilling();
}

MyEffect::TickScope::TickScope (MyEffect& e) noexcept : effect (e)
{
    // Counted before the stop flag is read (both sequentially consistent):
    // either stopThreads sees this tick and waits for it, or the tick sees
    // the flag and does nothing.
    effect.ticksInProgress.fetch_add (1);
    active = ! effect.threadsStopped.load();
}

MyEffect::TickScope::~TickScope()
{
    effect.ticksInProgress.fetch_sub (1);
}

void MyEffect::deferWork (int workId) noexcept
{
    if (workId >= 0 && workId <= 31)
        pendingWork.fetch_or (1u << workId, std::memory_order_acq_rel);
}

void MyEffect::runOnMessageThreadOrDefer (int workId)
{
    if (workId < 0 || workId > 31)
        return;

    if (isMessageThread())
        handleDeferredWork (workId);
    else
        pendingWork.fetch_or (1u << workId, std::memory_order_acq_rel);
}

bool MyEffect::isDeferredWorkPending (int workId) const noexcept
{
    if (workId < 0 || workId > 31)
        return false;
    return (pendingWork.load (std::memory_order_acquire) & (1u << workId)) != 0;
}

void MyEffect::handleDeferredWork (int) {}

void MyEffect::runPendingDeferredWork()
{
    const uint32_t work = pendingWork.exchange (0, std::memory_order_acq_rel);
    for (int id = 0; id < 32; ++id)
        if ((work & (1u << id)) != 0)
            handleDeferredWork (id);
}

void MyEffect::setMillisecondClock (MillisecondClock clock) noexcept
{
    millisecondClock.store (clock);
}

//==============================================================================
// Library operations

const juce::String MyEffect::getName() const
{
    // The application runs the effect as the standalone wrapper type; every
    // other wrapper is the plug-in.
    return wrapperType == juce::AudioProcessor::wrapperType_Standalone ? "Vokt Selvo" : "Vokt Quarn";
}

double MyEffect::getTailLengthSeconds() const { return 10.0; }
bool MyEffect::acceptsMidi() const { return true; }
bool MyEffect::producesMidi() const { return false; }
bool MyEffect::hasEditor() const { return true; }

void MyEffect::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    hostPlaying.store (ReadTimeInfo());

    const int n = buffer.getNumSamples();
    const double rate = getSampleRate();
    // Before prepareToPlay the rate is 0: the clock does not move.
    if (rate > 0.0 && std::isfinite (rate))
    {
        ticks.store (ticks.load() + (double) (float) n * 60.0 / rate);
        lastBlockEmpty.store (n == 0);
        ticksAdvanced.store (true, std::memory_order_release);
    }
    sampleCounter.fetch_add (n);

    offline.store (isNonRealtime());

    for (const auto metadata : midi)
        applyMidiMessage (metadata.data, metadata.numBytes);

    if (offline.load())
        threadCallback();
}

void MyEffect::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    bypassed.store (true);
    processBlock (buffer, midi);
    bypassed.store (false);
}

void MyEffect::updateTrackProperties (const juce::AudioProcessor::TrackProperties& properties)
{
    trackName = properties.name;
}

//==============================================================================
// Indexed parameters

bool MyEffect::getIndexedParameterDiscrete (int) { return false; }
int MyEffect::getIndexedParameterNumSteps (int) { return 1024; }
int MyEffect::getIndexedParameterStat (int) { return 0; }
float MyEffect::getIndexedDefaultValue (int) { return 0.0f; }
bool MyEffect::isMetaIndexedParameter (int) { return false; }
bool MyEffect::isIndexedParameterAutomatable (int) { return false; }
int MyEffect::getMyNumParameters() { return getParameters().size(); }

float MyEffect::hostValueFromIndexed (int, float v) { return v; }
float MyEffect::indexedValueFromHost (int, float hostValue) { return hostValue; }
int MyEffect::getHostParameterNumSteps (int i) { return getIndexedParameterNumSteps (i); }

void MyEffect::noteValueFromHost (int i, float hostValue) noexcept
{
    if (i >= 0 && i < tableSize.load (std::memory_order_acquire))
        hostValues[(size_t) i].store (hostValue);
}

void MyEffect::noteValuesReadByHost()
{
    const int n = juce::jmin (tableSize.load (std::memory_order_acquire), getParameters().size());
    for (int i = 0; i < n; ++i)
        if (const float v = getParameters().getUnchecked (i)->getValue(); std::isfinite (v))
            hostValues[(size_t) i].store (v);
}

void MyEffect::setHostNotification (bool on)
{
    hostNotification.store (on);
    // Notifications run on the message thread: there the one in progress,
    // if any, is the caller. Elsewhere either a notification counted itself
    // before the flag went down and is waited for here, or it sees the flag
    // and tells nothing.
    if (on || isMessageThread())
        return;
    const double start = juce::Time::getMillisecondCounterHiRes();
    while (hostNotificationsInProgress.load() > 0
           && juce::Time::getMillisecondCounterHiRes() - start < BlockDoneEvent::maxWaitMs)
        juce::Thread::sleep (1);
}

void MyEffect::notifyHostOfChangedValues()
{
    struct InProgress
    {
        explicit InProgress (std::atomic<int32_t>& c) : count (c) { count.fetch_add (1); }
        ~InProgress() { count.fetch_sub (1); }
        std::atomic<int32_t>& count;
    } const inProgress (hostNotificationsInProgress);
    if (! hostNotification.load())
        return;

    const int n = juce::jmin (tableSize.load (std::memory_order_acquire), getParameters().size());
    for (int i = 0; i < n; ++i)
    {
        auto* parameter = getParameters().getUnchecked (i);
        const float v = parameter->getValue();
        if (! std::isfinite (v) || hostValues[(size_t) i].exchange (v) == v)
            continue;
        parameter->sendValueChangedMessageToListeners (v);
    }
}

bool MyEffect::isValidParameterIndex (int i) const noexcept
{
    return i >= 0 && i < getParameters().size();
}

bool MyEffect::acceptParameterValue (int i, float& v) const noexcept
{
    if (! isValidParameterIndex (i) || ! std::isfinite (v))
        return false;
    v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    return true;
}

VoktParameter* MyEffect::getVoktParameter (int i) const noexcept
{
    if (! isValidParameterIndex (i))
        return nullptr;
    return dynamic_cast<VoktParameter*> (getParameters().getUnchecked (i));
}

void MyEffect::noteCurrentParameter (int i) noexcept
{
    currentParameter.store (i);
    if (i >= 0 && i < tableSize.load (std::memory_order_acquire))
    {
        const auto& binding = midiBindings[(size_t) i];
        const int32_t type = binding.type.load();
        if (type != 0)
        {
            currentControlMessage.type.store (type);
            currentControlMessage.channel.store (binding.channel.load());
            currentControlMessage.controller.store (binding.controller.load());
        }
    }
}

void MyEffect::setParameterNotifyingHost (int i, float v)
{
    if (! isValidParameterIndex (i) || ! std::isfinite (v))
        return;
    noteCurrentParameter (i);
    setIndexedParameter (i, v);
}

bool MyEffect::isParameterChanged (int i) noexcept
{
    if (i < 0 || i >= tableSize.load (std::memory_order_acquire))
        return false;
    return changedFlags[(size_t) i].exchange (0) != 0;
}

void MyEffect::initAllParameterChanged (bool flag) noexcept
{
    const int n = tableSize.load (std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
        changedFlags[(size_t) i].store (flag ? 1 : 0);
}

void MyEffect::InitNonInterpolatedParameters()
{
    const int n = tableSize.load (std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
        nonInterpolated[(size_t) i].store (0);
    nonInterpolatedPending.store (false);
}

void MyEffect::NonInterpolateParameter (int i, bool flag)
{
    if (i < 0 || i >= tableSize.load (std::memory_order_acquire))
        return;

    changedFlags[(size_t) i].store (1);
    if (bulkSet.load())
        return;

    // While no interpolation runs the exclusion flags are left as they are.
    if (alfa.load() < 1.0f)
    {
        nonInterpolated[(size_t) i].store (flag ? 1 : 0);
        nonInterpolatedPending.store (true);
    }
}

void MyEffect::resetStateInformation()
{
    const int n = getMyNumParameters();
    for (int i = 0; i < n; ++i)
        setIndexedParameter (i, getIndexedDefaultValue (i));
    initPreset();
}

bool MyEffect::getParameterVisibility (int i)
{
    const auto name = getIndexedParameterName (i).trim();
    for (auto* hidden : { "Preset", "Super Slider", "SuperSlider", "InterSpeed", "LoadSpeed", "Load Speed" })
        if (name.equalsIgnoreCase (hidden))
            return false;
    return ! name.containsIgnoreCase ("Agit");
}

//==============================================================================
// Housekeeping, clocks and the agitator

void MyEffect::timerCallback()
{
    const TickScope tick (*this);
    stopTimer();
    if (! tick.isActive())
        return;

    typeSeenRunning.store (&typeid (*this));
    if (! agitator.isThreadRunning())
        agitator.startThread (juce::Thread::Priority::normal);

    runPendingDeferredWork();
    applyPendingSyncTiming();
    applyPendingSyncValues();
    processMidiMessages();

    notifyHostOfChangedValues();

    if (editorUpdatePending.exchange (false))
        sendChangeMessage();

    if (auto* hooks = dynamic_cast<MyEffectEditorHooks*> (getActiveEditor()))
        hooks->timerCallback();

    if (onTick)
        onTick();

    if (! threadsStopped.load())
        startTimer (50);
}

void MyEffect::threadCallback()
{
    const std::lock_guard<std::mutex> guard (agitationStepLock);

    // A tempo change recorded by the audio thread: applied by the agitator,
    // or, rendering offline, by this step on the render thread, so that a
    // bounce hears it within the block it happens in. Never on a real-time
    // audio thread.
    if (juce::Thread::getCurrentThreadId() == agitator.getThreadId() || offline.load())
        applyPendingSyncTiming();

    interpolTask();

    if (agitator.threadShouldExit())
        return;

    bool anyAmplitude = false;
    for (auto& amplitude : agitationAmplitudes)
        anyAmplitude = anyAmplitude || amplitude.load() > 0.0f;

    if (agitationOn.load() && anyAmplitude && alfa.load() >= 1.0f)
        DoAgitation();
}

void MyEffect::updateEditor() { editorUpdatePending.store (true); }
void MyEffect::startProcess() {}
bool MyEffect::isLatencyChanged() { return false; }
void MyEffect::changeListenerCallback (juce::ChangeBroadcaster*) {}

double MyEffect::systemTicks() const noexcept
{
    const auto clock = millisecondClock.load();
    const double ms = clock != nullptr ? clock() : defaultMilliseconds();
    return ms * 60.0 / 1000.0;
}

double MyEffect::TickCount()
{
    if (! ticksAdvanced.exchange (false, std::memory_order_acq_rel))
    {
        const double now = ticks.load();
        lastTicks.store (now);
        return audioClock.load() ? now : systemTicks();
    }

    // Read after the flag: a block that lands from here on raises it again
    // and is seen by the next call. Only a block without samples (the host
    // has stopped feeding audio) hands the clock back to the system.
    const double now = ticks.load();
    const bool empty = lastBlockEmpty.load();
    lastTicks.store (now);

    if (audioClock.load())
    {
        if (! empty)
            return now;

        audioClock.store (false);
        const double system = systemTicks();
        interpolationStartTick.store ((int64_t) system);
        lastAgitationTick.store ((int64_t) system);
        return system;
    }

    if (! empty)
    {
        audioClock.store (true);
        interpolationStartTick.store ((int64_t) now);
        lastAgitationTick.store ((int64_t) now);
        return now;
    }

    return systemTicks();
}

double MyEffect::MillisecondCount() { return TickCount() * 1000.0 / 60.0; }

void MyEffect::updateLatency (int frameSize, float overlap, int extra)
{
    const int b = blockSize.load();
    int latency;
    if (b > frameSize)
        latency = b;
    else if ((1.0 - (double) overlap) * (double) frameSize >= (double) b)
        latency = frameSize - b;
    else
        latency = frameSize;

    // Both calls, so hosts hear of the latency even when it is unchanged.
    setLatencySamples (0);
    setLatencySamples (latency + extra);
}

void MyEffect::setBlockSize (int size) noexcept
{
    const int b = juce::jmin (size, 1024);
    if (b != blockSize.load() && getHostType() != MyPluginHostType::reaper)
    {
        blockSize.store (b);
        latencyChanged.store (true);
    }
}

bool MyEffect::isNonRealtime() const noexcept
{
    const int host = getHostType();
    if (host == MyPluginHostType::adobeAudition || host == MyPluginHostType::izotopeRX7)
        return true;
    return juce::AudioProcessor::isNonRealtime();
}

void MyEffect::setWrapperGain (float x) noexcept
{
    float gain = 1.0f;
    FloatToGain24 (x, &gain);
    wrapperGain.store (gain);
}

int MyEffect::getHostType() noexcept
{
    return MyPluginHostType::getCachedType();
}

//==============================================================================
// Channel layout and names

bool MyEffect::isMono() const { return numInputChannels.load() == 1 && numOutputChannels.load() == 1; }
bool MyEffect::isStereo() const { return numInputChannels.load() == 2 && numOutputChannels.load() == 2; }
bool MyEffect::isMonoStereo() const { return numInputChannels.load() == 1 && numOutputChannels.load() == 2; }
bool MyEffect::isInMono() const { return numInputChannels.load() == 1; }
bool MyEffect::isInStereo() const { return numInputChannels.load() == 2; }
bool MyEffect::isOutMono() const { return numOutputChannels.load() == 1; }
bool MyEffect::isOutStereo() const { return numOutputChannels.load() == 2; }
bool MyEffect::isOutQuad() const { return numOutputChannels.load() == 4; }
bool MyEffect::isOut5() const { return numOutputChannels.load() == 5; }
bool MyEffect::isOut5p1() const { return numOutputChannels.load() == 6; }
bool MyEffect::isOut7() const { return numOutputChannels.load() == 7; }
bool MyEffect::isOut8() const { return numOutputChannels.load() == 8; }

bool MyEffect::supportMultichannel()
{
    const int host = getHostType();
    return host == MyPluginHostType::reaper || host == MyPluginHostType::max;
}

void MyEffect::allocateSurroundOut (juce::AudioBuffer<float>& buffer)
{
    static constexpr int out8[] = { 0, 1, 5, 6, 2, 7, 3, 4 };
    static constexpr int out5p1[] = { 0, 1, 2, 7, 3, 4 };
    static constexpr int out5[] = { 0, 1, 3, 4, 2 };
    static constexpr int quad[] = { 0, 1, 3, 4 };

    const int available = buffer.getNumChannels();
    auto map = [&] (const int* slots, int count) {
        for (int channel = 0; channel < count && channel < available; ++channel)
            outputSlots[slots[channel]] = buffer.getWritePointer (channel);
    };

    if (isOut8())
        map (out8, 8);
    else if (isOut5p1())
        map (out5p1, 6);
    else if (isOut5())
        map (out5, 5);
    else if (isOutQuad())
        map (quad, 4);
    else
    {
        if (available > 0)
            outputSlots[0] = buffer.getWritePointer (0);
        if (isOutStereo() && available > 1)
            outputSlots[1] = buffer.getWritePointer (1);
    }
}

bool MyEffect::checkInOutCompatibility() { return true; }
bool MyEffect::getAcceptMultichannelFiles() { return false; }
void MyEffect::forceInitInputOutput() {}
int MyEffect::getMaxInputChannels() { return 2; }
void MyEffect::setAs (bool flag) { asFlag.store (flag); }
bool MyEffect::IsAS() { return asFlag.load(); }
int MyEffect::getNaxOutputChannels() { return 2; }
int MyEffect::convertIndexValue (int i) { return i; }

juce::String MyEffect::getPluginType()
{
    switch (wrapperType)
    {
        case juce::AudioProcessor::wrapperType_VST:         return "VST";
        case juce::AudioProcessor::wrapperType_VST3:        return "VST3";
        case juce::AudioProcessor::wrapperType_AudioUnit:   return "AudioUnit";
        case juce::AudioProcessor::wrapperType_AudioUnitv3: return "AudioUnit v3";
        case juce::AudioProcessor::wrapperType_AAX:         return "AAX";
        case juce::AudioProcessor::wrapperType_Standalone:  return "StandAlone";
        case juce::AudioProcessor::wrapperType_Unity:       return "Unity";
        case juce::AudioProcessor::wrapperType_Undefined:
        case juce::AudioProcessor::wrapperType_LV2:
        default:                                            return "Unknown";
    }
}

juce::String MyEffect::getHostName()
{
    if (wrapperType == juce::AudioProcessor::wrapperType_Standalone)
        return {};
    return MyPluginHostType (getHostType()).getHostDescription();
}

juce::String MyEffect::getTrackName() { return trackName; }
void MyEffect::startLeap() {}
void MyEffect::stopLeap() {}

void MyEffect::save() {}
void MyEffect::load() {}

int MyEffect::getOldPreset() { return 0; }
int MyEffect::getNewPreset() { return 0; }
int MyEffect::getOriPreset() { return 0; }
int MyEffect::getOldAgitation() { return 0; }
int MyEffect::getNewAgitation() { return 0; }
int MyEffect::getOriAgitation() { return 0; }
