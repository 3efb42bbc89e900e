#pragma once
// Serialisation of preset work (recall, save, reset, paste, program and state
// loads, the super slider) with the interpolation step, through the effect
// base's step lock. The base's agitator step holds that lock around
// interpolTask; work the step itself starts (a looping recall, the super
// slider moved at the end of a recall) runs under the lock already held, so
// the scope is re-entrant per thread.
//
// Thread contract: the message thread and the agitator thread wait for the
// lock (so does the audio thread of an offline render); a real-time audio
// thread never takes it (the engine defers such work to the message thread).
#include <mutex>

namespace rarizuz
{
// True while the calling thread holds the step lock for preset work or runs
// the interpolation step.
inline bool& presetStepHeld() noexcept
{
    static thread_local bool held = false;
    return held;
}

// Marks the calling thread as holding the step lock that its caller took
// (the base's step around interpolTask).
class PresetStepHeld
{
public:
    PresetStepHeld() noexcept : previous (presetStepHeld()) { presetStepHeld() = true; }
    ~PresetStepHeld() { presetStepHeld() = previous; }
    PresetStepHeld (const PresetStepHeld&) = delete;
    PresetStepHeld& operator= (const PresetStepHeld&) = delete;

private:
    const bool previous;
};

// Holds the step lock for the scope, unless the calling thread holds it already.
class PresetStepScope
{
public:
    explicit PresetStepScope (std::mutex& stepLock)
    {
        if (presetStepHeld())
            return;
        lock = std::unique_lock<std::mutex> (stepLock);
        presetStepHeld() = true;
    }

    ~PresetStepScope()
    {
        if (lock.owns_lock())
            presetStepHeld() = false;
    }

    PresetStepScope (const PresetStepScope&) = delete;
    PresetStepScope& operator= (const PresetStepScope&) = delete;

private:
    std::unique_lock<std::mutex> lock;
};
} // namespace rarizuz
