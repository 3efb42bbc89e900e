#pragma once
// A test effect on TestEffect that uses the framework's preset, agitation and
// tempo-sync frames the way the engines do:
// - presets 0..15 hold N floats; SetPreset 0/3 starts an interpolation with
//   startInterpolation and interpolTask advances it with advanceInterpolation;
// - morph (x) blends the presets of the super-slider cells around x;
// - parameters 6 and 11 are synced times: 6 is 0..10 s (value x 10), 11 is
//   -10..10 s ((value - 0.5) x 20); 7 is a synced frequency 0..100 Hz;
// - parameter 8 is the agitation ID of parameter 1 ("Mix"), 9 that of 10.
// A settable millisecond clock drives TickCount while no audio arrives.
#include "TestEffect.h"

#include "SuperSlider.h"
#include "Utilities.h"

#include <atomic>
#include <cmath>
#include <vector>

// The millisecond clock of every FrameTestEffect (tests set it directly).
inline std::atomic<double>& FakeMilliseconds()
{
    static std::atomic<double> ms { 1000000.0 };
    return ms;
}

inline double ReadFakeMilliseconds() { return FakeMilliseconds().load(); }

// Moves the fake clock to a whole number of effect ticks (1/60 s).
inline void SetFakeTicks (double ticks) { FakeMilliseconds().store (ticks * 1000.0 / 60.0 + 0.5); }

class FrameTestEffect : public TestEffect
{
public:
    static constexpr int numParams = 12;
    static constexpr int syncTime = 6;
    static constexpr int syncFrequency = 7;
    static constexpr int mixAgitation = 8;
    static constexpr int param10Agitation = 9;
    static constexpr int signedTime = 11;

    FrameTestEffect() : TestEffect (numParams, false)
    {
        setMillisecondClock (&ReadFakeMilliseconds);
        syncControls.reset (new SyncControl[numParams]);
        initSyncControl (nullptr);
        for (int i : { syncTime, syncFrequency, signedTime })
            enableSyncControl (i, nullptr, true);
        for (int c = 0; c < 8; ++c)
            superCellPositions[c].store ((float) c / 7.0f);
        for (int i = 0; i < numParams; ++i)
            setIndexedParameter (i, getIndexedDefaultValue (i));
    }

    ~FrameTestEffect() override { stopThreads(); }

    // ---- texts: plain times and frequencies, musical text when synced ----
    juce::String plainText (int i, float v) const
    {
        if (i == syncTime)
            return juce::String (v * 10.0f, 4) + " s";
        if (i == signedTime)
            return juce::String ((v - 0.5f) * 20.0f, 4) + " s";
        if (i == syncFrequency)
            return v <= 0.0f ? juce::String ("--") : juce::String (v * 100.0f, 4) + " Hz";
        return juce::String (v, 2);
    }

    juce::String getIndexedParameterTextFromValue (int i, float v, int) override
    {
        if (GetSyncMode (i))
        {
            char buf[32];
            SyncToDelaiStr (i, buf);
            return buf;
        }
        return plainText (i, v);
    }

    juce::String getIndexedParameterText (int i) override
    {
        return getIndexedParameterTextFromValue (i, getIndexedParameter (i), 64);
    }

    juce::String getSyncParameterText (int i, float v, bool plain) override
    {
        if (plain)
            modeSeenByPlainText.store (GetSyncMode (i) ? 1 : 0);
        return plain ? plainText (i, v) : getIndexedParameterTextFromValue (i, v, 64);
    }

    float getIndexedParameterValueFromText (int i, juce::String text) override
    {
        if (text.startsWith ("--"))
            return i == syncFrequency ? 0.0f : 1.0f;
        const float number = text.getFloatValue();
        if (i == syncTime)
            return number / 10.0f;
        if (i == signedTime)
            return number / 20.0f + 0.5f;
        if (i == syncFrequency)
            return number / 100.0f;
        return number;
    }

    bool isInHerz (int i) override { return i == syncFrequency; }

    // Agitation IDs start off (group 0).
    float getIndexedDefaultValue (int i) override
    {
        return (i == mixAgitation || i == param10Agitation) ? 0.0f : TestEffect::getIndexedDefaultValue (i);
    }

    // ---- setter: snapping, agitation IDs, glide restarts ----
    void setIndexedParameter (int i, float v) override
    {
        if (! acceptParameterValue (i, v))
            return;

        if (i == syncTime || i == syncFrequency || i == signedTime)
            v = juce::jlimit (0.0f, 1.0f, SearchSyncValue (i, v));
        else if (i == mixAgitation)
            v = setAgitationForParam (1, i, v);
        else if (i == param10Agitation)
            v = setAgitationForParam (10, i, v);

        values[(size_t) i].store (v);
        if (i == 1 || i == 10)
            resetAgitation (i);
        NonInterpolateParameter (i, true);
        updateEditor();
    }

    // Every value agitation writes, before the setter clips it.
    void setParameterNoAgit (int param, float v) override
    {
        agitatedWrites.fetch_add (1);
        if (! (v >= 0.0f && v <= 1.0f))
            agitatedOutOfRange.fetch_add (1);
        MyEffect::setParameterNoAgit (param, v);
    }

    // ---- presets ----
    float* presetValues (int slot) { return reinterpret_cast<float*> (getPresetPointer (slot)); }

    void SetPreset (long slot, long action) override
    {
        if (slot < 0 || slot >= numPresets)
            return;
        lastPresetAction.store ((int) action);
        lastPresetSlot.store ((int) slot);
        presetCalls.fetch_add (1);
        if (action == 0 || action == 3)
        {
            for (int i = 0; i < numParams; ++i)
            {
                origin[(size_t) i] = values[(size_t) i].load();
                target[(size_t) i] = presetValues ((int) slot)[i];
            }
            targetPreset.store ((int) slot);
            startInterpolation();
        }
    }

    void interpolTask() override
    {
        if (! advanceInterpolation())
            return;
        const double a = alfa.load();
        bulkSet.store (true);
        for (int i = 0; i < numParams; ++i)
            if (nonInterpolated[(size_t) i].load() == 0)
                values[(size_t) i].store ((float) ((1.0 - a) * origin[(size_t) i] + a * target[(size_t) i]));
        bulkSet.store (false);
    }

    // The super slider at x: each value blends the presets of the two cells
    // around x (the lower weighted by lowerWeight).
    void morph (float x)
    {
        float positions[8];
        int64_t states[8];
        for (int c = 0; c < 8; ++c)
        {
            positions[c] = superCellPositions[c].load();
            states[c] = superStates[c].load();
        }
        SuperBracket b;
        if (! FindSuperBracket (x, positions, states, b))
            return;
        const float* lower = presetValues ((int) states[b.lower]);
        const float* upper = presetValues ((int) states[b.upper]);
        for (int i = 0; i < numParams; ++i)
            values[(size_t) i].store ((float) (b.lowerWeight * lower[i] + (1.0 - b.lowerWeight) * upper[i]));
    }

    std::atomic<int> lastPresetAction { -1 };
    std::atomic<int> lastPresetSlot { -1 };
    std::atomic<int> presetCalls { 0 };
    std::atomic<int> modeSeenByPlainText { -1 };
    std::atomic<int> agitatedWrites { 0 };
    std::atomic<int> agitatedOutOfRange { 0 };

private:
    std::vector<double> origin = std::vector<double> (numParams, 0.0);
    std::vector<double> target = std::vector<double> (numParams, 0.0);
};

// A play head with settable tempo and metre; unset fields are left unset.
class FakePlayHead : public juce::AudioPlayHead
{
public:
    juce::Optional<PositionInfo> getPosition() const override
    {
        if (! reports.load())
            return {};
        PositionInfo info;
        const double b = bpm.load();
        if (b == b)   // NaN: not reported
            info.setBpm (b);
        if (numerator.load() != 0 || denominator.load() != 0)
            info.setTimeSignature (TimeSignature { numerator.load(), denominator.load() });
        info.setIsPlaying (playing.load());
        return info;
    }

    std::atomic<bool> reports { true };
    std::atomic<double> bpm { 120.0 };
    std::atomic<int> numerator { 4 }, denominator { 4 };
    std::atomic<bool> playing { true };
};
