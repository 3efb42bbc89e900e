// RariZuz: the preset interpolation run by the agitator thread, the super
// slider, and the two operations both end in: the blending of the bars and
// the application of the twelve blended values.
#include "RariZuz.h"

#include "PresetStepLock.h"
#include "RariZuzInternal.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace rarizuz;

namespace
{
// The twelve values a recall or the super slider applies, from a preset.
enum ValueSetEntry
{
    vsBands, vsGain, vsMix, vsAgit1Ampl, vsAgit2Ampl, vsAgit3Ampl,
    vsAgit1Speed, vsAgit2Speed, vsAgit3Speed, vsAgitation, vsGainAgit, vsMixAgit, valueSetSize
};

// The parameter of each entry of the value set.
constexpr int valueSetParameter[valueSetSize] = {
    RariZuz::pBands, RariZuz::pGain, RariZuz::pMix, RariZuz::pAgitation1Ampl, RariZuz::pAgitation2Ampl,
    RariZuz::pAgitation3Ampl, RariZuz::pAgitation1Speed, RariZuz::pAgitation2Speed, RariZuz::pAgitation3Speed,
    RariZuz::pAgitation, RariZuz::pGainAgit, RariZuz::pMixAgit
};

void valueSetOf (const RariZuzPreset& p, float* set)
{
    set[vsBands] = p.bands;
    set[vsGain] = p.gain;
    set[vsMix] = p.mix;
    set[vsAgit1Ampl] = p.agitation[agitation1Ampl];
    set[vsAgit2Ampl] = p.agitation[agitation2Ampl];
    set[vsAgit3Ampl] = p.agitation[agitation3Ampl];
    set[vsAgit1Speed] = p.agitation[agitation1Speed];
    set[vsAgit2Speed] = p.agitation[agitation2Speed];
    set[vsAgit3Speed] = p.agitation[agitation3Speed];
    set[vsAgitation] = p.agitation[agitationOnOff];
    set[vsGainAgit] = p.agitation[agitationGain];
    set[vsMixAgit] = p.agitation[agitationMix];
}
} // namespace

//==============================================================================
// Interpolation

void RariZuz::StopInterpolation()
{
    // Serialised with the step, so a step in progress cannot move alfa back.
    std::optional<PresetStepScope> step;
    if (mayRunPresetWork())
        step.emplace (agitationStepLock);

    alfa.store (1.0f);
    std::unique_lock<std::mutex> lock (editLock, std::defer_lock);
    if (! lockEdits (lock))
        return;
    for (int k : { 14, 15 })
        if (workingPresets[(size_t) k].state == 3)
            workingPresets[(size_t) k].state = 0;
}

void RariZuz::interpolTask()
{
    // The base's step holds the step lock around this call.
    const PresetStepHeld held (agitationStepLock);

    if (alfa.load() < 1.0f)
        DoInterpolation();

    if (latencyChanged.exchange (false))
        runOnMessageThreadOrDefer (workResetLatency);
}

void RariZuz::DoInterpolation()
{
    const auto excluded = [this] (int i) {
        return nonInterpolated != nullptr && nonInterpolated[(size_t) i].load() != 0;
    };

    // A move of the super slider ends the recall before anything is applied
    // over the slider's result.
    if (excluded (pSuperSlider))
    {
        StopInterpolation();
        return;
    }

    const bool editor = editorOpen.load();
    if (advanceInterpolation())
    {
        const float a = alfa.load();

        // At the end the super slider shows the cell that holds the recalled
        // preset, without morphing.
        if (a >= 1.0f && editor)
            for (int j = 0; j < 8; ++j)
                if (superStates[j].load() == (int64_t) targetPreset.load())
                {
                    superSliderFlag.store (false);
                    setIndexedParameter (pSuperSlider, (float) j / 7.0f);
                }

        RariZuzPreset start, end;
        {
            const std::lock_guard<std::mutex> lock (editLock);
            start = *startPreset;
            end = *endPreset;
        }

        float set[valueSetSize], from[valueSetSize], to[valueSetSize];
        valueSetOf (start, from);
        valueSetOf (end, to);
        for (int e = 0; e < vsGainAgit; ++e)
            set[e] = (1.0f - a) * from[e] + a * to[e];
        set[vsGainAgit] = a < 0.5f ? from[vsGainAgit] : to[vsGainAgit];
        set[vsMixAgit] = a < 0.5f ? from[vsMixAgit] : to[vsMixAgit];

        InterpolBar (&start, &end, a);

        // Values the user set during the recall keep the user's value.
        if (nonInterpolatedPending.load())
            for (int e = 0; e < valueSetSize; ++e)
                if (excluded (valueSetParameter[e]))
                    set[e] = valueSetParameter[e] == pBands ? bandsValue.load() : getIndexedParameter (valueSetParameter[e]);

        setAllParameter (set);
    }

    // Presets 15 and 16 recalled with a mark start again at each end.
    if (alfa.load() == 1.0f)
    {
        const auto marked = [this] (int k) {
            const std::lock_guard<std::mutex> lock (editLock);
            return workingPresets[(size_t) k].state == 3;
        };
        if (targetPreset.load() == 15 && marked (15))
            presetAction (15, 3);
        if (alfa.load() == 1.0f && targetPreset.load() == 14 && marked (14))
            presetAction (14, 3);
    }
}

//==============================================================================
// Blending and the super slider

void RariZuz::InterpolBar (RariZuzPreset* a, RariZuzPreset* b, float t)
{
    if (a == nullptr || b == nullptr || ! IsFiniteValue (t))
        return;

    const auto excluded = [this] (int i) {
        return nonInterpolated != nullptr && i >= 0 && i < numParameters && nonInterpolated[(size_t) i].load() != 0;
    };
    const auto blend = [t] (float x, float y) { return x * (1.0f - t) + y * t; };

    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        BarFreq from = a->bars[j];
        BarFreq to = b->bars[j];
        from.sanitise();
        to.sanitise();
        const BarFreq live = bars.read (j);

        bool active = t > 0.5f ? to.active : from.active;
        bool mute = t > 0.5f ? to.mute : from.mute;
        float flags[8];
        std::copy (std::begin (t < 0.5f ? from.agitation : to.agitation),
                   std::end (t < 0.5f ? from.agitation : to.agitation), flags);
        float amplitude = blend (from.amplitude, to.amplitude);
        float feedback = blend (from.feedback, to.feedback);
        float pan = blend (from.pan, to.pan);
        float width = blend (from.width, to.width);
        float delay = to.getDelay() * t + from.getDelay() * (1.0f - t);
        float freq = to.getFreq() * t + from.getFreq() * (1.0f - t);
        float length = to.getLength() * t + from.getLength() * (1.0f - t);
        float angle = to.getAngle() * t + from.getAngle() * (1.0f - t);

        if (excluded (pActive + j))    active = live.active;
        if (excluded (pMute + j))      mute = live.mute;
        if (excluded (pAmplitude + j)) amplitude = live.amplitude;
        if (excluded (pFeedback + j))  feedback = live.feedback;
        if (excluded (pDelay + j))     delay = live.getDelay();
        if (excluded (pFrequency + j)) freq = live.getFreq();
        if (excluded (pLength + j))    length = live.getLength();
        if (excluded (pAngle + j))     angle = live.getAngle();
        if (excluded (pPan + j))       pan = live.pan;
        if (excluded (pWidth + j))     width = live.width;
        for (int f = 0; f < 8; ++f)
            if (excluded (pAmplitudeAgit + 8 * f + j))
                flags[f] = live.agitation[f];

        editBar (j, [&] (BarFreq& bar) {
            bar.active = active;
            bar.mute = mute;
            bar.setAmplitude (amplitude);
            bar.feedback = feedback;
            bar.setDelay (delay);
            bar.setFreq (freq);
            bar.setLength (length);
            bar.setAngle (angle);
            bar.pan = pan;
            bar.width = width;
            std::copy (flags, flags + 8, bar.agitation);
        });
    }

    const int64_t s = selectedBar.load();
    if (s < 0 || s >= kRariZuzNumBars || ! bars.read ((int) s).active)
        for (int k = 0; k < kRariZuzNumBars; ++k)
            if (bars.read (k).active)
            {
                selectedBar.store (k);
                break;
            }
}

void RariZuz::MakeSuperSlider()
{
    // Inside a real-time block the morph waits for the next timer tick (on
    // the message thread too: running it there would be inside the block).
    if (! mayRunPresetWork())
    {
        deferWork (workSuperSlider);
        return;
    }
    const PresetStepScope step (agitationStepLock);

    const float x = Clip (0.0f, 1.0f, superSlider.load());
    const auto cellPreset = [this] (int cell) { return (int) superStates[cell].load(); };

    int u = std::min (7, (int) (1.0f + 7.0f * x));
    while (u < 7 && cellPreset (u) == -1)
        ++u;
    int l = std::clamp ((int) (7.0f * x), 0, 7);
    while (l > 0 && cellPreset (l) == -1)
        --l;

    double f = 0.0;
    const double pu = superCellPositions[u].load();
    const double pl = superCellPositions[l].load();
    if (x != 1.0f && pu != pl)
        f = (pu - (double) x) / (pu - pl);
    if (! std::isfinite (f) || f < 0.01)
        f = 0.0;
    f = std::min (f, 1.0);

    RariZuzPreset upper, lower;
    {
        const std::lock_guard<std::mutex> lock (editLock);
        upper = workingPresets[(size_t) std::clamp (cellPreset (u), 0, kRariZuzNumPresets - 1)];
        lower = workingPresets[(size_t) std::clamp (cellPreset (l), 0, kRariZuzNumPresets - 1)];
    }
    upper.sanitise();
    lower.sanitise();

    const RariZuzPreset& nearer = f < 0.5 ? upper : lower;
    for (int i : { 24, 25, 26, 27, 28, 29, 30, 31, 91, 161, 162 })
        storeSyncRecord (syncControls[(size_t) i], nearer.syncControls[i]);

    float set[valueSetSize], us[valueSetSize], ls[valueSetSize];
    valueSetOf (upper, us);
    valueSetOf (lower, ls);
    for (int e = 0; e < vsGainAgit; ++e)
        set[e] = (float) ((double) us[e] * (1.0 - f) + (double) ls[e] * f);
    set[vsGainAgit] = f < 0.5 ? us[vsGainAgit] : ls[vsGainAgit];
    set[vsMixAgit] = f < 0.5 ? us[vsMixAgit] : ls[vsMixAgit];

    InterpolBar (&upper, &lower, (float) f);
    setAllParameter (set);
}

void RariZuz::setAllParameter (const float* set)
{
    bulkSet.store (true);
    const int32_t group = currentAgitationGroup.load();

    // Entry 0 (Bands) is not applied: recalls and the super slider leave the
    // frame size, and with it the delay lines, to programs and the
    // parameter itself.
    setIndexedParameter (pGain, set[vsGain]);
    setIndexedParameter (pMix, set[vsMix]);
    setIndexedParameter (pAgitation1Ampl, set[vsAgit1Ampl]);
    setIndexedParameter (pAgitation2Ampl, set[vsAgit2Ampl]);
    setIndexedParameter (pAgitation3Ampl, set[vsAgit3Ampl]);
    setIndexedParameter (pAgitation1Speed, set[vsAgit1Speed]);
    setIndexedParameter (pAgitation2Speed, set[vsAgit2Speed]);
    setIndexedParameter (pAgitation3Speed, set[vsAgit3Speed]);
    setIndexedParameter (pAgitation, set[vsAgitation]);
    setIndexedParameter (pGainAgit, set[vsGainAgit]);
    setIndexedParameter (pMixAgit, set[vsMixAgit]);

    for (int j = 0; j < kRariZuzNumBars; ++j)
    {
        const BarFreq bar = bars.read (j);
        for (int f = 0; f < 8; ++f)
            setIndexedParameter (pAmplitudeAgit + 8 * f + j, bar.agitation[f]);
    }

    for (int i : { 2, 91, 161, 162, 24, 25, 26, 27, 28, 29, 30, 31 })
        SetSyncMode (i, GetSyncMode (i));

    currentAgitationGroup.store (group);
    setAgitationControlsChanged (true);
    updateEditor();
    bulkSet.store (false);
    initAllParameterChanged (true);
    updateEditor();
}
