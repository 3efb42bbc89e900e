// Tempo sync of MyEffect: the per-parameter records, reading tempo and metre
// from the host, snapping values to musical lengths and rewriting synced
// parameters when the tempo changes.
//
// The audio thread only records what the play head reports (atomics) and
// raises `syncTimingPending`; applyPendingSyncTiming, on the agitator thread
// or the timer, turns that into new values. The records are read and written
// field by field with relaxed atomic operations, so the message thread's
// edits and the agitator thread's reads never race; a record read across an
// edit may mix old and new fields, each of them valid.
//
// Snapping a value goes through the parameter's texts. With the engine's
// allocation-free text forms it runs on any thread; without them a value set
// on a real-time thread is kept as it comes and snapped by the timer.
#include "MyEffect.h"

#include "TempoSync.h"
#include "Utilities.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
// The effect whose tempo update is setting values on this thread: its
// engine's SearchSyncValue then takes the values as they come. Other threads
// (a user's edit meanwhile) still snap.
thread_local const MyEffect* effectUpdatingSync = nullptr;

// The effect whose timer is setting values left by a real-time thread: those
// calls must not drop a newer value that thread left meanwhile.
thread_local const MyEffect* effectApplyingPendingValues = nullptr;

// Marks the effect in one of the markers above for its lifetime.
class ScopedMarker
{
public:
    ScopedMarker (const MyEffect*& marker, const MyEffect* effect) noexcept : slot (marker), previous (marker)
    {
        slot = effect;
    }
    ~ScopedMarker() { slot = previous; }

private:
    const MyEffect*& slot;
    const MyEffect* previous;
};

template <typename T>
T LoadField (const T& field) noexcept
{
    return __atomic_load_n (&field, __ATOMIC_RELAXED);
}

template <typename T>
void StoreField (T& field, T value) noexcept
{
    __atomic_store_n (&field, value, __ATOMIC_RELAXED);
}

// Frequencies become periods and back; a value too small to invert stands
// for the largest frequency the sync arithmetic uses.
constexpr float kInvertFloor = 0.0001f;
constexpr float kLargestInverse = 10000.0f;
// A time that is not finite ("--") counts as this many seconds.
constexpr float kNoFiniteTime = 100000.0f;

float InvertGuarded (float v) noexcept
{
    return std::fabs (v) > kInvertFloor ? 1.0f / v : kLargestInverse;
}

// The number at the start of a plain text; 0 when there is none.
float ReadNumber (const char* text) noexcept
{
    float v = 0.0f;
    if (mySscanf (text, "%f", &v) != 1 || ! std::isfinite (v))
        return 0.0f;
    return v;
}

float ReadNumber (const juce::String& text) noexcept
{
    return ReadNumber (text.toRawUTF8());
}

bool IsNoFiniteTime (const char* text) noexcept
{
    return text != nullptr && text[0] == '-' && text[1] == '-';
}

bool IsNoFiniteTime (const juce::String& text) noexcept
{
    return IsNoFiniteTime (text.toRawUTF8());
}

// Tempo and metre as last recorded; a torn read never gives a zero or
// negative length.
SyncTiming CurrentTiming (const MyEffect& effect) noexcept
{
    SyncTiming t;
    t.wholeNoteMs = effect.wholeNoteMs.load();
    t.numerator = effect.timeSigNumerator.load();
    t.denominator = effect.timeSigDenominator.load();
    if (! (t.wholeNoteMs > 0.0f) || ! std::isfinite (t.wholeNoteMs))
        t.wholeNoteMs = 4000.0f;
    if (t.numerator <= 0)
        t.numerator = 4;
    if (! (t.denominator > 0.0f))
        t.denominator = 4.0f;
    return t;
}

// Turns record i into its value and sets it (the caller marks the update).
void WriteSyncedValue (MyEffect& effect, int i)
{
    auto* record = effect.getSyncRecord (i);
    if (record == nullptr)
        return;

    const float ms = SyncLengthMs (LoadField (record->count), LoadField (record->note), CurrentTiming (effect));
    float v = effect.getSyncValueFromMs (i, ms);
    if (effect.isInHerz (i))
        v = InvertGuarded (v);

    char buf[valueTextSize];
    mySprintf (buf, sizeof (buf), "%f", v);
    effect.setIndexedParameter (i, effect.getIndexedParameterValueFromText (i, buf));
}

// The snapping arithmetic between the two texts: from the number read from
// the plain text (and whether that text is "--") to record i's new count and
// note and the text of the snapped value. No allocation.
void SnapPlainNumber (MyEffect& effect, SyncControl& record, int i, float v, bool noFiniteTime,
                      char (&result)[valueTextSize])
{
    if (effect.isInHerz (i))
    {
        if (std::fabs (v) > kInvertFloor)
            v = 1.0f / v;
        else
            noFiniteTime = true;
    }

    const bool negative = v < 0.0f;
    if (negative)
        v = -v;
    if (noFiniteTime)
        v = kNoFiniteTime;

    const float ms = effect.getSyncMsFromValue (i, v);
    int32_t count = 1, note = 0;
    const float snapped = SnapMsToSync (ms, CurrentTiming (effect), count, note);
    StoreField (record.count, count);
    StoreField (record.note, note);

    float r = effect.getSyncValueFromMs (i, snapped);
    if (effect.isInHerz (i))
        r = InvertGuarded (r);
    if (negative)
        r = -r;

    if (noFiniteTime)
        std::snprintf (result, sizeof (result), "--");
    else
        mySprintf (result, sizeof (result), "%9.4f", r);
}

// Whether value is already the value of record i's own length (either
// sign), as a snap left it: snapping it again would read its rounded text
// back a hair below that length and fall to the next shorter note, so a
// value loaded or recalled would lose a note on every load. No allocation.
bool IsValueOfRecord (MyEffect& effect, const SyncControl& record, int i, float value)
{
    // Zero is no musical length: a text below the range (a negative length
    // of an unsigned value) reads back as 0 too, and must not keep a record.
    if (value == 0.0f)
        return false;
    float r = effect.getSyncValueFromMs (i, SyncLengthMs (LoadField (record.count), LoadField (record.note),
                                                          CurrentTiming (effect)));
    if (effect.isInHerz (i))
        r = InvertGuarded (r);
    for (const float signedValue : { r, -r })
    {
        char text[valueTextSize];
        mySprintf (text, sizeof (text), "%9.4f", signedValue);
        float onGrid = 0.0f;
        if (effect.readSyncValueFromText (i, text, onGrid) && onGrid == value)
            return true;
    }
    return false;
}
} // namespace

//==============================================================================
// Records

int MyEffect::getSyncControlCount()
{
    return syncControls != nullptr ? getMyNumParameters() : 0;
}

SyncControl* MyEffect::getSyncRecord (int i)
{
    if (syncControls == nullptr || i < 0 || i >= getMyNumParameters())
        return nullptr;
    return &syncControls[(size_t) i];
}

juce::String MyEffect::getSyncParameterText (int i, float v, bool)
{
    return getIndexedParameterTextFromValue (i, v, 64);
}

bool MyEffect::writeSyncPlainText (int, float, char*, std::size_t) { return false; }
bool MyEffect::readSyncValueFromText (int, const char*, float&) { return false; }

//==============================================================================
// Host timing

bool MyEffect::ReadTimeInfo()
{
    double bpm = 0.0;
    int numerator = 0, denominator = 0;
    bool playing = false;

    if (auto* playHead = getPlayHead())
    {
        if (const auto position = playHead->getPosition())
        {
            bpm = position->getBpm().orFallback (0.0);
            if (const auto signature = position->getTimeSignature())
            {
                numerator = signature->numerator;
                denominator = signature->denominator;
            }
            playing = position->getIsPlaying();
        }
    }

    const SyncTiming t = SyncTimingFromHost (bpm, numerator, denominator);
    if (t.wholeNoteMs != wholeNoteMs.load() || t.numerator != timeSigNumerator.load()
        || t.denominator != timeSigDenominator.load())
    {
        wholeNoteMs.store (t.wholeNoteMs);
        timeSigNumerator.store (t.numerator);
        timeSigDenominator.store (t.denominator);
        syncTimingPending.store (true, std::memory_order_release);
    }
    return playing;
}

bool MyEffect::applyPendingSyncTiming()
{
    if (! syncTimingPending.exchange (false, std::memory_order_acq_rel))
        return false;
    UpdateSyncParameters();
    return true;
}

bool MyEffect::mayBeRealtimeThread() const noexcept
{
    if (offline.load() || isNonRealtime())
        return false;
    if (agitator.getThreadId() == juce::Thread::getCurrentThreadId())
        return false;
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    return mm == nullptr || ! mm->isThisTheMessageThread();
}

bool MyEffect::applyPendingSyncValues()
{
    if (! syncValuesPending.exchange (false, std::memory_order_acq_rel))
        return false;
    const ScopedMarker marker (effectApplyingPendingValues, this);
    const int n = tableSize.load (std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
    {
        const float v = pendingSyncValues[(size_t) i].exchange (std::numeric_limits<float>::quiet_NaN(),
                                                                std::memory_order_acq_rel);
        if (v == v)
            setIndexedParameter (i, v);
    }
    return true;
}

//==============================================================================
// Snapping and rewriting

bool MyEffect::SetSyncMode (int i, bool on)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr || ! LoadField (record->able))
        return false;

    if (LoadField (record->mode) != on)
    {
        StoreField (record->mode, on);
        setIndexedParameter (i, getIndexedParameter (i));
    }
    return true;
}

float MyEffect::SearchSyncValue (int i, float value)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr || ! LoadField (record->able))
        return value;

    const bool realtime = mayBeRealtimeThread();
    auto* pending = (pendingSyncValues != nullptr && i < tableSize.load (std::memory_order_acquire))
                        ? &pendingSyncValues[(size_t) i]
                        : nullptr;
    // A value set here is newer than one still waiting for the timer.
    if (! realtime && pending != nullptr && effectApplyingPendingValues != this)
        pending->store (std::numeric_limits<float>::quiet_NaN(), std::memory_order_release);

    if (! LoadField (record->mode) || syncUpdating.load())
        return value;
    // Tempo updates never run on a real-time thread; there the thread marker
    // is not read (a thread's first thread_local access may allocate).
    if (! realtime && effectUpdatingSync == this)
        return value;

    // Snapped once, when set: the value and its record stay as they are.
    if (IsValueOfRecord (*this, *record, i, value))
        return value;

    char result[valueTextSize];
    char plain[valueTextSize] = {};
    if (writeSyncPlainText (i, value, plain, sizeof (plain)))
    {
        plain[sizeof (plain) - 1] = 0;
        SnapPlainNumber (*this, *record, i, ReadNumber (plain), IsNoFiniteTime (plain), result);
        float snapped = value;
        if (readSyncValueFromText (i, result, snapped))
            return snapped;
    }

    if (realtime)
    {
        // The text forms allocate: keep the value for now, the timer snaps it.
        if (pending != nullptr)
        {
            pending->store (value, std::memory_order_release);
            syncValuesPending.store (true, std::memory_order_release);
        }
        return value;
    }

    const juce::String text = getSyncParameterText (i, value, true);
    SnapPlainNumber (*this, *record, i, ReadNumber (text), IsNoFiniteTime (text), result);
    return getIndexedParameterValueFromText (i, result);
}

void MyEffect::UpdateSyncParameter (int i)
{
    if (! GetSyncMode (i))
        return;

    const ScopedMarker marker (effectUpdatingSync, this);
    WriteSyncedValue (*this, i);
}

void MyEffect::UpdateSyncParameters()
{
    {
        const ScopedMarker marker (effectUpdatingSync, this);
        const int n = getSyncControlCount();
        for (int i = 0; i < n; ++i)
            if (GetSyncMode (i))
                WriteSyncedValue (*this, i);
    }
    updateEditor();
}

int MyEffect::GetNombreMax (int i)
{
    if (! GetSyncAble (i))
        return 1;

    const juce::String text = getSyncParameterText (i, getValueForMax (i), true);
    float v = IsNoFiniteTime (text) ? kNoFiniteTime : ReadNumber (text);
    if (isInHerz (i))
        v = InvertGuarded (v);
    return SyncMaxBars (getSyncMsFromValue (i, v), CurrentTiming (*this));
}

float MyEffect::getSyncMsFromValue (int, float v) { return v * 1000.0f; }
float MyEffect::getSyncValueFromMs (int, float ms) { return ms / 1000.0f; }
float MyEffect::getValueForMax (int) { return 1.0f; }
bool MyEffect::isInHerz (int) { return false; }

//==============================================================================
// Record access

int MyEffect::GetSyncNombre (int i)
{
    auto* record = getSyncRecord (i);
    return (record != nullptr && LoadField (record->able)) ? (int) LoadField (record->count) : 1;
}

int MyEffect::GetSyncNote (int i)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr || ! LoadField (record->able))
        return 4;
    const int32_t note = LoadField (record->note);
    return (note >= 0 && note <= kMaxSyncNote) ? (int) note : 5;
}

bool MyEffect::GetSyncMode (int i)
{
    auto* record = getSyncRecord (i);
    return record != nullptr && LoadField (record->able) && LoadField (record->mode);
}

bool MyEffect::GetSyncAble (int i)
{
    auto* record = getSyncRecord (i);
    return record != nullptr && LoadField (record->able);
}

void MyEffect::SetSyncNombre (int i, int n)
{
    if (auto* record = getSyncRecord (i))
        StoreField (record->count, (int32_t) n);
}

void MyEffect::SetSyncNote (int i, int k)
{
    if (auto* record = getSyncRecord (i))
        StoreField (record->note, (int32_t) k);
}

void MyEffect::ToggleSyncMode (int i)
{
    if (auto* record = getSyncRecord (i))
        StoreField (record->mode, ! LoadField (record->mode));
}

void MyEffect::SyncToDelaiStr (int i, char* buf)
{
    if (buf == nullptr)
        return;

    char musical[16];   // "100 bars" at most
    SyncNoteText (GetSyncNombre (i), GetSyncNote (i), musical, sizeof (musical));

    const juce::String plain = isValidParameterIndex (i)
                                   ? getSyncParameterText (i, getIndexedParameter (i), true)
                                   : juce::String();

    if (ReadNumber (plain) < 0.0f)
        std::snprintf (buf, valueTextSize, "- %s", musical);
    else if (IsNoFiniteTime (plain))
        std::snprintf (buf, valueTextSize, "--");
    else
        std::snprintf (buf, valueTextSize, "%s", musical);
}

void MyEffect::IncSync (int i)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr)
        return;

    const int32_t note = LoadField (record->note);
    if (note != 0)
    {
        StoreField (record->count, (int32_t) 1);
        StoreField (record->note, (int32_t) juce::jlimit (0, kMaxSyncNote, (int) note - 1));
        if (CheckForBar (i))
            StoreField (record->note, (int32_t) 0);
    }
    else
    {
        const int count = (int) LoadField (record->count) + 1;
        StoreField (record->count, (int32_t) juce::jmin (count, GetNombreMax (i)));
    }
    UpdateSyncParameter (i);
}

void MyEffect::DecSync (int i)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr)
        return;

    const int32_t note = LoadField (record->note);
    if (note != 0)
    {
        if (note < kMaxSyncNote)
            StoreField (record->note, (int32_t) juce::jmax (1, (int) note + 1));
        else
            StoreField (record->count, (int32_t) 0);
    }
    else
    {
        const int32_t count = LoadField (record->count) - 1;
        if (count <= 0)
        {
            StoreField (record->count, (int32_t) 1);
            SetSyncNoteFromBar (i);
        }
        else
        {
            StoreField (record->count, count);
        }
    }
    UpdateSyncParameter (i);
}

void MyEffect::SetSyncNoteFromBar (int i)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr)
        return;

    const int k = SyncNoteBelowBar (CurrentTiming (*this));
    if (k > 0)
    {
        StoreField (record->note, (int32_t) k);
        StoreField (record->count, (int32_t) 1);
    }
}

bool MyEffect::CheckForBar (int i)
{
    auto* record = getSyncRecord (i);
    if (record == nullptr)
        return true;
    return SyncReachesBar (LoadField (record->count), LoadField (record->note), CurrentTiming (*this));
}

//==============================================================================
// Whole tables

void MyEffect::copySyncControlTo (SyncControl* dst)
{
    if (dst == nullptr)
        return;
    const int n = getSyncControlCount();
    for (int i = 0; i < n; ++i)
    {
        const auto& record = syncControls[(size_t) i];
        SyncControl copy {};
        copy.able = LoadField (record.able);
        copy.mode = LoadField (record.mode);
        copy.pad[0] = LoadField (record.pad[0]);
        copy.pad[1] = LoadField (record.pad[1]);
        copy.count = LoadField (record.count);
        copy.note = LoadField (record.note);
        std::memcpy (&dst[i], &copy, sizeof (SyncControl));
    }
}

void MyEffect::copySyncControlFrom (const SyncControl* src)
{
    if (src == nullptr)
        return;
    const int n = getSyncControlCount();
    for (int i = 0; i < n; ++i)
    {
        // Records come from bytes: read the flag bytes as bytes, then repair.
        unsigned char raw[sizeof (SyncControl)];
        std::memcpy (raw, &src[i], sizeof (raw));
        int32_t count, note;
        std::memcpy (&count, raw + offsetof (SyncControl, count), sizeof (count));
        std::memcpy (&note, raw + offsetof (SyncControl, note), sizeof (note));
        if ((uint32_t) note > (uint32_t) kMaxSyncNote)
            note = 5;
        if ((uint32_t) count > (uint32_t) kMaxSyncCount)
            count = 0;

        auto& record = syncControls[(size_t) i];
        StoreField (record.able, raw[offsetof (SyncControl, able)] != 0);
        StoreField (record.mode, raw[offsetof (SyncControl, mode)] != 0);
        StoreField (record.pad[0], (uint8_t) raw[offsetof (SyncControl, pad)]);
        StoreField (record.pad[1], (uint8_t) raw[offsetof (SyncControl, pad) + 1]);
        StoreField (record.count, count);
        StoreField (record.note, note);
    }
}

void MyEffect::initSyncControl (SyncControl* records)
{
    if (syncControls == nullptr)
        return;
    const int n = getSyncControlCount();
    for (int i = 0; i < n; ++i)
    {
        auto& record = records != nullptr ? records[i] : syncControls[(size_t) i];
        StoreField (record.able, false);
        StoreField (record.mode, false);
        StoreField (record.count, (int32_t) 1);
        StoreField (record.note, (int32_t) 4);
    }
}

void MyEffect::enableSyncControl (int i, SyncControl* records, bool able)
{
    if (syncControls == nullptr || i < 0 || i >= getSyncControlCount())
        return;
    auto& record = records != nullptr ? records[i] : syncControls[(size_t) i];
    StoreField (record.able, able);
}

void sanitiseFlagByte (void* field) noexcept
{
    unsigned char byte;
    std::memcpy (&byte, field, 1);
    byte = byte != 0 ? 1 : 0;
    std::memcpy (field, &byte, 1);
}

void sanitiseSyncRecords (SyncControl* records, int n) noexcept
{
    for (int i = 0; i < n; ++i)
    {
        SyncControl& r = records[i];
        sanitiseFlagByte (&r.able);
        sanitiseFlagByte (&r.mode);
        if ((uint32_t) r.note > (uint32_t) kMaxSyncNote)
            r.note = 5;
        if ((uint32_t) r.count > (uint32_t) kMaxSyncCount)
            r.count = 0;
    }
}

bool MyEffect::copySyncPlainText (char* plain, std::size_t plainSize, char* buf, std::size_t size) noexcept
{
    if (plain == nullptr || plainSize == 0 || buf == nullptr)
        return false;
    plain[plainSize - 1] = 0;
    const std::size_t length = std::strlen (plain);
    if (length >= size)
        return false;
    std::memcpy (buf, plain, length + 1);
    return true;
}
