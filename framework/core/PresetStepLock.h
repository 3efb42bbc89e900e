#pragma once
// Serialisation of an effect's preset work (recall, save, reset, paste,
// program changes, state loads, the super slider) with the interpolation
// step, through the effect base's step lock. The base's agitator step holds
// that lock around interpolTask; work the step itself starts (a looping
// recall, the super slider set at the end of a recall) runs under the lock
// already held, so a scope is re-entrant per thread and per lock.
// Thread contract: the message thread, host threads and the agitator thread wait for the lock (so does the audio thread of an offline render); a real-time audio thread never takes it (the engine defers such work).
#include <mutex>

// The step lock the calling thread holds for preset work or the
// interpolation step (the innermost one), or null.
inline std::mutex*& presetStepLockHeld() noexcept
{
    static thread_local std::mutex* held = nullptr;
    return held;
}

inline bool holdsPresetStepLock (const std::mutex& stepLock) noexcept
{
    return presetStepLockHeld() == &stepLock;
}

// Marks the calling thread as holding the step lock its caller took (the
// base's step around interpolTask).
class PresetStepHeld
{
public:
    explicit PresetStepHeld (std::mutex& stepLock) noexcept : previous (presetStepLockHeld())
    {
        presetStepLockHeld() = &stepLock;
    }
    ~PresetStepHeld() { presetStepLockHeld() = previous; }
    PresetStepHeld (const PresetStepHeld&) = delete;
    PresetStepHeld& operator= (const PresetStepHeld&) = delete;

private:
    std::mutex* const previous;
};

// Holds the step lock for the scope, unless the calling thread holds it already.
class PresetStepScope
{
public:
    explicit PresetStepScope (std::mutex& stepLock)
    {
        if (holdsPresetStepLock (stepLock))
            return;
        lock = std::unique_lock<std::mutex> (stepLock);
        previous = presetStepLockHeld();
        presetStepLockHeld() = &stepLock;
    }

    ~PresetStepScope()
    {
        if (lock.owns_lock())
            presetStepLockHeld() = previous;
    }

    PresetStepScope (const PresetStepScope&) = delete;
    PresetStepScope& operator= (const PresetStepScope&) = delete;

private:
    std::unique_lock<std::mutex> lock;
    std::mutex* previous = nullptr;
};
