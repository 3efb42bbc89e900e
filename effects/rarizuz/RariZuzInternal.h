#pragma once
// Helpers shared by the RariZuz source files (not part of the engine's interface).
#include "RariZuz.h"

#include <cstdint>

namespace rarizuz
{
// True while the calling thread is inside RariZuz::processBlock.
bool isInAudioCallback() noexcept;

// Parameters whose values can be synced to the tempo, in the order the
// engine enables them.
constexpr int syncedParameters[] = { 24, 25, 26, 27, 28, 29, 30, 31, 91, 161, 162, 2 };

// Field-wise copy of a sync record into one that other threads may read
// field by field (relaxed atomic stores, as the effect base does).
void storeSyncRecord (SyncControl& dst, const SyncControl& src) noexcept;
SyncControl loadSyncRecord (const SyncControl& src) noexcept;
// The default record: not syncable, not synced, count 1, note 4.
void resetSyncRecord (SyncControl& record) noexcept;

// Delay coordinate v = 0.1 + 0.05 k of bar k (single precision).
float barDefaultPosition (int k) noexcept;
} // namespace rarizuz

//==============================================================================
// Edits under the engine's edit lock. Threads that may wait take the lock;
// the audio thread of a real-time render only tries it and drops the edit
// when another thread holds it (a few hundred nanoseconds at most).

inline bool RariZuz::lockEdits (std::unique_lock<std::mutex>& lock)
{
    if (rarizuz::isInAudioCallback() && ! offline.load())
    {
        if (lock.try_lock())
            return true;
        // Heard but not stored: the next timer tick sets the value again.
        if (settingIndex >= 0 && settingIndex < numParameters)
        {
            missedWrites[(size_t) settingIndex].store (settingValue, std::memory_order_relaxed);
            anyMissedWrite.store (true, std::memory_order_release);
        }
        return false;
    }
    lock.lock();
    return true;
}

struct RariZuz::SettingScope
{
    SettingScope (int i, float v) noexcept : index (settingIndex), value (settingValue)
    {
        settingIndex = i;
        settingValue = v;
    }
    ~SettingScope()
    {
        settingIndex = index;
        settingValue = value;
    }
    const int index;
    const float value;
};

template <typename Fn>
bool RariZuz::editBar (int k, Fn&& fn)
{
    if (k < 0 || k >= kRariZuzNumBars)
        return false;
    std::unique_lock<std::mutex> lock (editLock, std::defer_lock);
    if (! lockEdits (lock))
        return false;
    fn (liveBars[k]);
    fn (programs[(size_t) currentProgramIndex()].bars[k]);
    bars.publish (k, liveBars[k]);
    return true;
}

template <typename Fn>
bool RariZuz::editProgram (Fn&& fn)
{
    std::unique_lock<std::mutex> lock (editLock, std::defer_lock);
    if (! lockEdits (lock))
        return false;
    fn (programs[(size_t) currentProgramIndex()]);
    return true;
}

inline int RariZuz::currentProgramIndex() const noexcept
{
    const int p = currentProgram.load();
    return p < 0 ? 0 : (p >= kRariZuzNumPrograms ? kRariZuzNumPrograms - 1 : p);
}
