// Agitation of MyEffect: the four groups of wandering parameters, the glide
// step of the agitator thread and the engine hooks.
//
// The group lists are edited on the message thread (and, through host
// automation of an agitation-ID parameter, possibly on the audio thread)
// while the agitator thread walks them. `agitationListLock` guards them:
// threads that may wait (message thread, agitator thread, any thread while
// rendering offline) take it; any other thread only tries it and skips the
// edit when it is busy. Nodes are copied out under the lock and the values
// are written after it is released, so an engine setter reached from a step
// may itself change agitation IDs without dead-locking or invalidating the walk.
#include "MyEffect.h"

#include "AgitationMath.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>

namespace
{
// The effect whose agitation step is writing a value on this thread, so
// that the engine's resetAgitation call inside setIndexedParameter ignores
// agitation's own writes but not a user's write made on another thread.
thread_local const MyEffect* effectApplyingAgitation = nullptr;

// Each thread draws from its own generator (juce::Random is not thread-safe).
float AgitationRandC() noexcept
{
    thread_local juce::Random random;
    return random.nextFloat() - 0.5f;
}

struct AgitationID
{
    int group;
    bool on;
};

AgitationID DecodeAgitationID (float value) noexcept
{
    int group = AgitationIDFromAgitationIDValue (value);
    if (group < 0 || group > 3)
        group = 0;
    return { group, StateFromAgitationIDValue (value) };
}

float GroupSpread (const std::atomic<float>& amplitude) noexcept
{
    float x = amplitude.load();
    if (! std::isfinite (x))
        x = 0.0f;
    x = x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
    float spread = 0.0f;
    FloatToAgitationAmpl (x, &spread);
    return std::isfinite (spread) ? spread : 0.0f;
}

bool IsMessageThread() noexcept
{
    auto* mm = juce::MessageManager::getInstanceWithoutCreating();
    return mm != nullptr && mm->isThisTheMessageThread();
}

void RemoveNodes (std::vector<MyEffect::agitationStruct>& list, int param)
{
    list.erase (std::remove_if (list.begin(), list.end(),
                                [param] (const MyEffect::agitationStruct& node) { return node.param == param; }),
                list.end());
}

// A lock on the group lists that waits only where waiting is allowed.
class AgitationListGuard
{
public:
    AgitationListGuard (std::mutex& m, bool mayWait) : mutex (m)
    {
        if (mayWait)
        {
            mutex.lock();
            locked = true;
        }
        else
        {
            locked = mutex.try_lock();
        }
    }

    ~AgitationListGuard()
    {
        if (locked)
            mutex.unlock();
    }

    bool isLocked() const noexcept { return locked; }

private:
    std::mutex& mutex;
    bool locked = false;

    JUCE_DECLARE_NON_COPYABLE (AgitationListGuard)
};

} // namespace

//==============================================================================
namespace
{
// Threads that may wait for the lists: the message thread, the effect's
// agitator thread, and any thread while the effect renders offline.
bool MayWaitForAgitationLists (const MyEffect& effect) noexcept
{
    return effect.offline.load()
        || effect.agitator.getThreadId() == juce::Thread::getCurrentThreadId()
        || IsMessageThread();
}

// Restarts one glide from the parameter's current value (lists locked).
void RestartGlide (MyEffect& effect, MyEffect::agitationStruct& node, float spread)
{
    effect.setSpecificAgitationInitialization (node.param);
    if (! effect.doSpecificRandomizeAgitation (node.param, spread))
    {
        const float v = effect.getIndexedParameter (node.param);
        node.base = v;
        node.from = v;
        node.to = AgitationTarget (v, spread, AgitationRandC());
    }
    node.progress = 0.0f;
}
} // namespace

//==============================================================================

int MyEffect::getAgitationGroupSize (int group)
{
    if (group < 0 || group > 3)
        return 0;
    AgitationListGuard guard (agitationListLock, true);
    return (int) agitationLists[group].size();
}

bool MyEffect::getAgitationNode (int param, int& group, agitationStruct& node)
{
    AgitationListGuard guard (agitationListLock, true);
    for (int g = 0; g < 4; ++g)
        for (const auto& n : agitationLists[g])
            if (n.param == param)
            {
                group = g;
                node = n;
                return true;
            }
    return false;
}

//==============================================================================
void MyEffect::DoAgitation()
{
    const int64_t now = (int64_t) TickCount();
    const int64_t last = lastAgitationTick.load();

    // A step needs at least 3 ticks (50 ms) since the previous one.
    if (last + 2 >= now)
        return;

    const double elapsed = (double) (now - last);

    for (int g = 0; g < 4; ++g)
    {
        const float rate = agitationRates[g].load();
        const float spread = GroupSpread (agitationAmplitudes[g]);

        // One node at a time: copy it out under the lock, write its value
        // after releasing it. A node removed meanwhile is skipped for this step.
        for (size_t index = 0;; ++index)
        {
            agitationStruct node {};
            bool write = false;
            {
                AgitationListGuard guard (agitationListLock, true);
                auto& list = agitationLists[g];
                if (index >= list.size())
                    break;

                auto& live = list[index];
                if (live.progress < 1.0f)
                {
                    live.progress = AgitationProgress (live.progress, elapsed, rate);
                    write = true;
                }
                else
                {
                    if (! doSpecificRandomizeAgitation (live.param, spread))
                    {
                        live.from = getIndexedParameter (live.param);
                        live.to = AgitationTarget (live.base, spread, AgitationRandC());
                    }
                    live.progress = 0.0f;
                }
                node = live;
            }

            if (write && ! doSpecificAgitation (node.param, node.progress))
                setParameterNoAgit (node.param, AgitationGlideValue (node.from, node.to, node.progress));
        }
    }

    lastAgitationTick.store (now);
}

int MyEffect::getLastAgitatedParameters() { return 0; }

void MyEffect::setParameterNoAgit (int param, float v)
{
    const MyEffect* previous = effectApplyingAgitation;
    effectApplyingAgitation = this;
    applyingAgitation.store (true);
    setIndexedParameter (param, v);
    applyingAgitation.store (false);
    effectApplyingAgitation = previous;
}

float MyEffect::setAgitationForParam (int param, int idParam, float idValue)
{
    if (! std::isfinite (idValue))
        idValue = 0.0f;
    const float newValue = Clip (0.0f, 1.0f, idValue);

    if (! isValidParameterIndex (param))
        return newValue;

    const bool mayWait = MayWaitForAgitationLists (*this);
    const auto updated = DecodeAgitationID (newValue);
    const auto stored = DecodeAgitationID (isValidParameterIndex (idParam) ? getIndexedParameter (idParam) : 0.0f);

    // The parameter's node, if any, says what its agitation was.
    const auto findOld = [this, param, stored] (bool* found)
    {
        for (auto& list : agitationLists)
            for (const auto& node : list)
                if (node.param == param)
                {
                    *found = true;
                    return DecodeAgitationID (node.idValue);
                }
        *found = false;
        return stored;
    };

    {
        AgitationListGuard guard (agitationListLock, mayWait);
        if (! guard.isLocked())
            return newValue;   // busy, on a thread that must not wait: the lists stay as they are

        bool found = false;
        const auto old = findOld (&found);
        if (found && old.on == updated.on && old.group == updated.group)
            return newValue;   // already agitated in this group
    }

    // The engine hooks and the first target are taken without the lock.
    float base = 0.0f, target = 0.0f;
    if (updated.on)
    {
        const float spread = GroupSpread (agitationAmplitudes[updated.group]);
        base = getIndexedParameter (param);
        target = AgitationTarget (base, spread, AgitationRandC());
        setSpecificAgitationInitialization (param);
        doSpecificRandomizeAgitation (param, spread);
    }

    bool groupChanged = false;
    {
        AgitationListGuard guard (agitationListLock, mayWait);
        if (! guard.isLocked())
            return newValue;

        // Room for one node per parameter in every group, so that later
        // edits on a thread that must not wait never allocate.
        const size_t capacity = (size_t) juce::jmax (getMyNumParameters(), 1);
        if (mayWait)
            for (auto& list : agitationLists)
                if (list.capacity() < capacity)
                    list.reserve (capacity);

        bool found = false;
        const auto old = findOld (&found);
        if (old.group != updated.group)
        {
            RemoveNodes (agitationLists[old.group], param);
            groupChanged = updated.on;
        }

        if (updated.on)
        {
            // One node per parameter, whatever the lists held before.
            for (auto& list : agitationLists)
                RemoveNodes (list, param);

            auto& list = agitationLists[updated.group];
            if (list.size() < list.capacity())
                list.push_back ({ param, newValue, base, target, base, 1.0f });
        }
        else
        {
            RemoveNodes (agitationLists[updated.group], param);
        }
    }

    if (groupChanged)
    {
        currentAgitationGroup.store (updated.group);
        agitationControlsChanged.store (true);
        updateEditor();
    }

    if (auto* parameter = getVoktParameter (param))
        parameter->agitationGroup.store (updated.on ? updated.group : -1);

    return newValue;
}

bool MyEffect::doSpecificAgitation (int, float) { return false; }
bool MyEffect::doSpecificRandomizeAgitation (int, float) { return false; }
void MyEffect::setSpecificAgitationInitialization (int) {}
bool MyEffect::isAgitatorParam (int) { return false; }

void MyEffect::SetAgitation()
{
    if (! agitationOn.load() || effectApplyingAgitation == this)
        return;

    {
        AgitationListGuard guard (agitationListLock, MayWaitForAgitationLists (*this));
        if (! guard.isLocked())
            return;

        for (int g = 0; g < 4; ++g)
        {
            const float spread = GroupSpread (agitationAmplitudes[g]);
            for (auto& node : agitationLists[g])
                RestartGlide (*this, node, spread);
        }
    }

    lastAgitationTick.store ((int64_t) TickCount());
}

void MyEffect::resetAgitation (int param)
{
    if (! agitationOn.load() || effectApplyingAgitation == this)
        return;

    AgitationListGuard guard (agitationListLock, MayWaitForAgitationLists (*this));
    if (! guard.isLocked())
        return;

    for (int g = 0; g < 4; ++g)
        for (auto& node : agitationLists[g])
            if (node.param == param)
            {
                RestartGlide (*this, node, GroupSpread (agitationAmplitudes[g]));
                return;
            }
}

bool MyEffect::isAgitationControlsChanged() { return agitationControlsChanged.exchange (false); }
void MyEffect::setAgitationControlsChanged (bool changed) { agitationControlsChanged.store (changed); }
