#pragma once
// Serialisation of the crunch effect's preset work (recall, save, reset,
// paste, program changes, state loads, the super slider) with the
// interpolation step, through the effect base's step lock. The base's
// agitator step holds that lock around interpolTask; work the step itself
// starts (a looping recall, the super slider set at the end of a recall)
// runs under the lock already held, so a scope is re-entrant per thread.
//
// Thread contract: the message thread, host threads and the agitator thread
// wait for the lock (so does the audio thread of an offline render); a
// real-time audio thread never takes it (the engine defers such work).
#include <mutex>

namespace zuveruva
{
// The step lock the calling thread holds for preset work or the
// interpolation step, or null.
inline std::mutex*& stepLockHeld() noexcept
{
    static thread_local std::mutex* held = nullptr;
    return held;
}

inline bool holdsStepLock (const std::mutex& stepLock) noexcept
{
    return stepLockHeld() == &stepLock;
}

// Marks the calling thread as holding the step lock its caller took (the
// base's step around interpolTask).
class StepLockHeld
{
public:
    explicit StepLockHeld (std::mutex& stepLock) noexcept : previous (stepLockHeld()) { stepLockHeld() = &stepLock; }
    ~StepLockHeld() { stepLockHeld() = previous; }
    StepLockHeld (const StepLockHeld&) = delete;
    StepLockHeld& operator= (const StepLockHeld&) = delete;

private:
    std::mutex* const previous;
};

// Holds the step lock for the scope, unless the calling thread holds it already.
class StepScope
{
public:
    explicit StepScope (std::mutex& stepLock)
    {
        if (holdsStepLock (stepLock))
            return;
        lock = std::unique_lock<std::mutex> (stepLock);
        previous = stepLockHeld();
        stepLockHeld() = &stepLock;
    }

    ~StepScope()
    {
        if (lock.owns_lock())
            stepLockHeld() = previous;
    }

    StepScope (const StepScope&) = delete;
    StepScope& operator= (const StepScope&) = delete;

private:
    std::unique_lock<std::mutex> lock;
    std::mutex* previous = nullptr;
};
} // namespace zuveruva
