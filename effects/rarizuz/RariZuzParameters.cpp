// RariZuz: the table of the 163 indexed parameters (names, defaults, steps,
// texts) and what setting each one does.
#include "RariZuz.h"

#include "MyPluginHostType.h"
#include "RariZuzInternal.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace rarizuz;

namespace
{
constexpr int textSize = 64;

bool inFamily (int i, int first) noexcept { return i >= first && i < first + 8; }

juce::String text (const char* buf) { return juce::String (buf); }

template <typename F>
juce::String format (F f, float v)
{
    char buf[textSize] = {};
    f (v, buf);
    return text (buf);
}

juce::String onOff (bool on) { return on ? "on" : "off"; }

float parsed (void (*f) (const char*, float*), const char* t, float start)
{
    float v = start;
    f (t, &v);
    return v;
}

bool isSyncedParameter (int i) noexcept
{
    for (int s : syncedParameters)
        if (s == i)
            return true;
    return false;
}

// Names of the per-bar families, by family start.
const char* barFamilyName (int first) noexcept
{
    switch (first)
    {
        case RariZuz::pAmplitude: return "Amplitude ";
        case RariZuz::pFeedback:  return "Feedback ";
        case RariZuz::pDelay:     return "Delay ";
        case RariZuz::pFrequency: return "Frequency ";
        case RariZuz::pLength:    return "Length ";
        case RariZuz::pAngle:     return "Angle ";
        case RariZuz::pPan:       return "Pan ";
        case RariZuz::pWidth:     return "Width ";
        case RariZuz::pActive:    return "Active ";
        case RariZuz::pMute:      return "Mute ";
        default:                  return "";
    }
}

constexpr int barFamilies[] = { RariZuz::pAmplitude, RariZuz::pFeedback, RariZuz::pDelay, RariZuz::pFrequency,
                                 RariZuz::pLength, RariZuz::pAngle, RariZuz::pPan, RariZuz::pWidth,
                                 RariZuz::pActive, RariZuz::pMute };

// The bar families of the agitation flags, in flag order.
const char* const agitFamilyNames[8] = { "Amplitude ", "Feedback ", "Delay ", "Frequency ",
                                         "Length ", "Angle ", "Pan ", "Width " };

bool isAgitationFlag (int i) noexcept { return i >= RariZuz::pAmplitudeAgit && i <= 158; }
} // namespace

//==============================================================================
// Table

juce::String RariZuz::getIndexedParameterName (int i)
{
    switch (i)
    {
        case pPreset:          return "Preset    ";
        case pSuperSlider:     return "Super Slider";
        case pInterSpeed:      return "InterSpeed";
        case pLoadSpeed:       return "Load Speed";
        case pBands:           return "Bands     ";
        case pGain:            return "Gain      ";
        case pMix:             return "Mix       ";
        case pSmoothness:      return "Smoothness";
        case pGlobalReset:     return "Global Reset";
        case pGlobalMute:      return "Global Mute";
        case pAgitation1Ampl:  return "Agitation 1 Ampl";
        case pAgitation1Speed: return "Agitation 1 Speed";
        case pAgitation:       return "Agitation";
        case pGainAgit:        return "Gain Agit";
        case pMixAgit:         return "Mix Agit";
        case pAgitation2Ampl:  return "Agitation 2 Ampl";
        case pAgitation3Ampl:  return "Agitation 3 Ampl";
        case pAgitation2Speed: return "Agitation 2 Speed";
        case pAgitation3Speed: return "Agitation 3 Speed";
        default: break;
    }
    for (int first : barFamilies)
        if (inFamily (i, first))
            return juce::String (barFamilyName (first)) + juce::String (i - first + 1);
    if (isAgitationFlag (i))
    {
        const int flag = (i - pAmplitudeAgit) / 8;
        const int bar = (i - pAmplitudeAgit) % 8;
        return juce::String (agitFamilyNames[flag]) + juce::String (bar + 1) + " Agit";
    }
    return {};
}

float RariZuz::getIndexedDefaultValue (int i)
{
    float v = 0.0f;
    if (i == pInterSpeed)
        return 1.0f / 15.0f;
    if (i == pBands)
    {
        FFTStrToFloat ("1024.0", &v, 10);
        return v;
    }
    if (i == pGain)
        return parsed (GainACStrToFloat, "  0", 0.0f);
    if (i == pMix)
        return parsed (PerCentStrToFloat, "100", 0.0f);
    if (inFamily (i, pAmplitude))
        return parsed (AmplitudeStrToFloat, "-6", 0.0f);
    if (inFamily (i, pDelay))
        return parsed (DelayStrToFloat, "1.0", 0.0f);
    if (inFamily (i, pFrequency))
        return parsed (FreqStrToFloat, "500", 0.0f);
    if (inFamily (i, pLength))
        return parsed (PerCentStrToFloat, "15", 0.0f);
    if (inFamily (i, pAngle))
        return parsed (AngleStrToFloat, "0", 0.0f);
    if (inFamily (i, pPan) || inFamily (i, pWidth))
        return 0.5f;
    if (i == pActive)
        return 1.0f;
    return 0.0f;
}

int RariZuz::getIndexedParameterNumSteps (int i)
{
    if (i == pPreset)
        return 16;
    if (i == pLoadSpeed || i == pAgitation)
        return 2;
    if (i == pBands)
        return 10;
    if (i >= pActive && i <= pGlobalMute)
        return 2;
    if (i == pGainAgit || i == pMixAgit || isAgitationFlag (i))
        return 8;
    return 1024;
}

bool RariZuz::getIndexedParameterDiscrete (int i)
{
    return i == pPreset || i == pLoadSpeed || i == pBands
        || (i >= pActive && i <= pGlobalMute)
        || (i >= pAgitation && i <= 158);
}

int RariZuz::getIndexedParameterStat (int i)
{
    return ((i >= pAmplitude && i <= 22) || (i >= pDelay && i <= 71)) ? 1 : 0;
}

bool RariZuz::isMetaIndexedParameter (int)
{
    const int host = getHostType();
    return ! (host >= 1 && host <= 4);
}

//==============================================================================
// Values

float RariZuz::getIndexedParameter (int i)
{
    if (i < 0 || i >= numParameters)
        return 0.0f;

    float v = 0.0f;
    const auto bar = [this] (int first, int index) { return bars.read (index - first); };
    switch (i)
    {
        case pPreset:          v = presetValue.load(); break;
        case pSuperSlider:     v = superSlider.load(); break;
        case pInterSpeed:      v = interSpeed.load(); break;
        case pLoadSpeed:       v = loadSpeed.load() ? 1.0f : 0.0f; break;
        case pBands:           v = bandsValue.load(); break;
        case pGain:            v = gain.load(); break;
        case pMix:             v = mix.load(); break;
        case pSmoothness:      v = bars.read (0).smoothness; break;
        case pGlobalReset:     v = globalReset.load(); break;
        case pGlobalMute:      v = globalMute.load(); break;
        case pAgitation1Ampl:  v = agitationAmplitudes[0].load(); break;
        case pAgitation1Speed: v = agitationSpeeds[0].load(); break;
        case pAgitation:       v = agitationSwitch.load(); break;
        case pGainAgit:        v = gainAgit.load(); break;
        case pMixAgit:         v = mixAgit.load(); break;
        case pAgitation2Ampl:  v = agitationAmplitudes[1].load(); break;
        case pAgitation3Ampl:  v = agitationAmplitudes[2].load(); break;
        case pAgitation2Speed: v = agitationSpeeds[1].load(); break;
        case pAgitation3Speed: v = agitationSpeeds[2].load(); break;
        default:
            if (inFamily (i, pAmplitude))      v = bar (pAmplitude, i).amplitude;
            else if (inFamily (i, pFeedback))  v = bar (pFeedback, i).feedback;
            else if (inFamily (i, pDelay))     v = bar (pDelay, i).getDelay();
            else if (inFamily (i, pFrequency)) v = bar (pFrequency, i).getFreq();
            else if (inFamily (i, pLength))    v = bar (pLength, i).getLength();
            else if (inFamily (i, pAngle))     v = bar (pAngle, i).getAngle();
            else if (inFamily (i, pPan))       v = bar (pPan, i).pan;
            else if (inFamily (i, pWidth))     v = bar (pWidth, i).width;
            else if (inFamily (i, pActive))    v = bar (pActive, i).active ? 1.0f : 0.0f;
            else if (inFamily (i, pMute))      v = bar (pMute, i).mute ? 1.0f : 0.0f;
            else if (isAgitationFlag (i))
                v = bars.read ((i - pAmplitudeAgit) % 8).agitation[(i - pAmplitudeAgit) / 8];
            break;
    }
    return IsFiniteValue (v) ? Clip (0.0f, 1.0f, v) : 0.0f;
}

juce::String RariZuz::getIndexedParameterTextFromValue (int i, float v, int)
{
    if (i < 0 || i >= numParameters || i == pSmoothness)
        return " ";
    if (! IsFiniteValue (v))
        v = 0.0f;

    char buf[textSize] = {};
    switch (i)
    {
        case pPreset:
            mySprintf (buf, "%2.0f", 15.0f * v + 1.0f);
            return text (buf);
        case pSuperSlider:
            getSuperText (v, buf);
            return text (buf);
        case pInterSpeed:
            if (GetSyncMode (pInterSpeed))
            {
                SyncToDelaiStr (pInterSpeed, buf);
                return text (buf);
            }
            return format (FloatToInterSpeedStr, v);
        case pLoadSpeed:       return v < 0.5f ? "off" : "on";
        case pBands:           return juce::String (1 << (7 + std::clamp (FloatToIndexPopup (v, 10), 0, 9)));
        case pGain:            return format (FloatToGainACStr, v);
        case pMix:             return format (FloatToPerCentStr, v);
        case pGlobalReset:     return "reset";
        case pGlobalMute:      return "mute";
        case pAgitation:       return v == 0.0f ? "off" : "on";
        case pAgitation1Ampl:
        case pAgitation2Ampl:
        case pAgitation3Ampl:  return format (FloatToAgitationAmplStr, v);
        case pAgitation1Speed:
        case pAgitation2Speed:
        case pAgitation3Speed: return format (FloatToAgitationSpeedStr, v);
        default: break;
    }
    if (inFamily (i, pAmplitude)) return format (FloatToAmplitudeStr, v);
    if (inFamily (i, pFeedback))  return format (FloatToPerCentStr, v);
    if (inFamily (i, pDelay))     return format (FloatToDelayStr, v);
    if (inFamily (i, pFrequency)) return format (FloatToFreqStr, v);
    if (inFamily (i, pLength))    return format (FloatToPerCentStr, v);
    if (inFamily (i, pAngle))     return format (FloatToAngleStr, v);
    if (inFamily (i, pPan))       return format (FloatToPanStr, v);
    if (inFamily (i, pWidth))     return format (FloatToWidthStr, v);
    return onOff (v > 0.5f); // Active, Mute, Gain Agit, Mix Agit and the bar agitation flags
}

juce::String RariZuz::getIndexedParameterText (int i)
{
    if (i < 0 || i >= numParameters || i == pSmoothness)
        return {};

    char buf[textSize] = {};
    const auto synced = [&] (int index) {
        if (! GetSyncMode (index))
            return false;
        SyncToDelaiStr (index, buf);
        return true;
    };
    switch (i)
    {
        case pInterSpeed:
            return synced (i) ? text (buf) : format (FloatToInterSpeedStr, interSpeed.load());
        case pLoadSpeed:
            return onOff (loadSpeed.load());
        case pBands:
            return juce::String ((long long) (fftSize.load() / 2));
        case pAgitation:
            return onOff (agitationOn.load());
        case pAgitation1Speed:
        case pAgitation2Speed:
        case pAgitation3Speed:
            return synced (i) ? text (buf) : format (FloatToAgitationSpeedStr, getIndexedParameter (i));
        default: break;
    }
    if (inFamily (i, pDelay))
        return synced (i) ? text (buf) : format (FloatToDelayStr, getIndexedParameter (i));
    if (inFamily (i, pActive) || inFamily (i, pMute))
        return onOff (getIndexedParameter (i) > 0.5f);
    return getIndexedParameterTextFromValue (i, getIndexedParameter (i), textSize);
}

float RariZuz::getIndexedParameterValueFromText (int i, juce::String t)
{
    return valueFromText (i, t.toRawUTF8());
}

float RariZuz::valueFromText (int i, const char* t)
{
    if (i < 0 || i >= numParameters || t == nullptr)
        return 0.0f;

    // A text without a number keeps the current value.
    const float current = getIndexedParameter (i);
    float v = current;
    if (i == pPreset)
    {
        float number = 0.0f;
        if (mySscanf (t, "%f", &number) == 1 && IsFiniteValue (number))
            v = (number - 1.0f) / 15.0f;
    }
    else if (i == pInterSpeed)                                    v = parsed (InterSpeedStrToFloat, t, current);
    else if (i == pGain)                                          v = parsed (GainACStrToFloat, t, current);
    else if (i == pMix || inFamily (i, pFeedback) || inFamily (i, pLength))
                                                                  v = parsed (PerCentStrToFloat, t, current);
    else if (inFamily (i, pAmplitude))                            v = parsed (AmplitudeStrToFloat, t, current);
    else if (inFamily (i, pDelay))                                v = parsed (DelayStrToFloat, t, current);
    else if (inFamily (i, pFrequency))                            v = parsed (FreqStrToFloat, t, current);
    else if (inFamily (i, pAngle))                                v = parsed (AngleStrToFloat, t, current);
    else if (inFamily (i, pPan))                                  v = parsed (PanStrToFloat, t, current);
    else if (inFamily (i, pWidth))                                v = parsed (WidthStrToFloat, t, current);
    else if (i == pAgitation1Ampl || i == pAgitation2Ampl || i == pAgitation3Ampl)
                                                                  v = parsed (AgitationAmplStrToFloat, t, current);
    else if (i == pAgitation1Speed || i == pAgitation2Speed || i == pAgitation3Speed)
                                                                  v = parsed (AgitationSpeedStrToFloat, t, current);
    else
        return 0.0f;
    return IsFiniteValue (v) ? Clip (0.0f, 1.0f, v) : current;
}

//==============================================================================
// Setting a parameter

void RariZuz::setIndexedParameter (int i, float v)
{
    if (! acceptParameterValue (i, v))
        return;

    // A newer value replaces one whose record write was missed; the edits
    // below note a miss against this parameter (lockEdits).
    missedWrites[(size_t) i].store (std::numeric_limits<float>::quiet_NaN(), std::memory_order_relaxed);
    const SettingScope setting (i, v);

    NonInterpolateParameter (i, true);

    switch (i)
    {
        case pPreset:
            presetValue.store (v);
            presetStatusChanged.store (true);
            SetPreset ((long) (15.0f * v), 0);
            break;

        case pSuperSlider:
            superSlider.store (v);
            editProgram ([v] (RariZuzProgram& p) { p.superSlider = v; });
            if (superSliderFlag.load())
                MakeSuperSlider();
            superSliderFlag.store (true);
            break;

        case pInterSpeed:
        {
            v = SearchSyncValue (pInterSpeed, v);
            if (! IsFiniteValue (v))
                return;
            float rate = 1.0f;
            if (v != 0.0f)
                FloatToInterSpeed (v, &rate);
            interSpeed.store (v);
            interpolationRate.store (rate);
            editProgram ([v] (RariZuzProgram& p) { p.interSpeed = v; });
            break;
        }

        case pLoadSpeed:
        {
            const bool on = v >= 0.5f;
            loadSpeed.store (on);
            editProgram ([on] (RariZuzProgram& p) { p.loadSpeed = on; });
            break;
        }

        case pBands:
        {
            const int h = FloatToIndexPopup (v, 10);
            if (h == FloatToIndexPopup (bandsValue.load(), 10) && pendingBands.load() < 0.0f)
                break; // the same size: nothing at all happens
            pendingBands.store (v);
            if (constructing.load())
                handleDeferredWork (workFrameSize);
            else if (! isInAudioCallback())
                runOnMessageThreadOrDefer (workFrameSize);
            // Inside a block (even one run on the message thread) the change
            // waits for the next timer tick.
            break;
        }

        case pGain:
        {
            resetAgitation (pGain);
            float linear = 1.0f;
            FloatToACGain (v, &linear);
            gain.store (v);
            linearGain.store (linear);
            editProgram ([v] (RariZuzProgram& p) { p.gain = v; });
            break;
        }

        case pMix:
            resetAgitation (pMix);
            mix.store (v);
            editProgram ([v] (RariZuzProgram& p) { p.mix = v; });
            break;

        case pSmoothness:
            for (int k = 0; k < barCount; ++k)
                editBar ((int) k, [v] (BarFreq& b) { b.smoothness = v; });
            break;

        case pGlobalReset:
            globalReset.store (v);
            if (v > 0.5f)
            {
                for (int k = 0; k < barCount; ++k)
                    if (bars.read ((int) k).active)
                    {
                        deactivateBar ((int) k);
                        selectLowestActiveBar();
                    }
                setIndexedParameter (pActive, 1.0f);
            }
            break;

        case pGlobalMute:
            globalMute.store (v);
            for (int k = 0; k < barCount; ++k)
                if (bars.read ((int) k).active)
                    setIndexedParameter (pMute + (int) k, v);
            break;

        case pAgitation1Ampl:
        case pAgitation2Ampl:
        case pAgitation3Ampl:
        {
            const int group = i == pAgitation1Ampl ? 0 : (i == pAgitation2Ampl ? 1 : 2);
            const int slot = group == 0 ? agitation1Ampl : (group == 1 ? agitation2Ampl : agitation3Ampl);
            agitationAmplitudes[group].store (v);
            editProgram ([v, slot] (RariZuzProgram& p) { p.agitation[slot] = v; });
            break;
        }

        case pAgitation1Speed:
        case pAgitation2Speed:
        case pAgitation3Speed:
        {
            const int group = i == pAgitation1Speed ? 0 : (i == pAgitation2Speed ? 1 : 2);
            const int slot = group == 0 ? agitation1Speed : (group == 1 ? agitation2Speed : agitation3Speed);
            v = SearchSyncValue (i, v);
            if (! IsFiniteValue (v))
                return;
            float rate = 1.0f;
            if (v != 0.0f)
                FloatToAgitationSpeed (v, &rate);
            agitationSpeeds[group].store (v);
            agitationRates[group].store (rate);
            editProgram ([v, slot] (RariZuzProgram& p) { p.agitation[slot] = v; });
            break;
        }

        case pAgitation:
            agitationSwitch.store (0.0f);
            agitationOn.store (false);
            if (v > 0.5f)
            {
                agitationOn.store (true);
                agitationSwitch.store (v);
            }
            break;

        case pGainAgit:
        case pMixAgit:
        {
            v = setAgitationForParam (i == pGainAgit ? pGain : pMix, i, v);
            if (! IsFiniteValue (v))
                return;
            const int slot = i == pGainAgit ? agitationGain : agitationMix;
            (i == pGainAgit ? gainAgit : mixAgit).store (v);
            editProgram ([v, slot] (RariZuzProgram& p) { p.agitation[slot] = v; });
            break;
        }

        default:
            if (inFamily (i, pAmplitude))
            {
                editBar (i - pAmplitude, [v] (BarFreq& b) { b.setAmplitude (v); });
                resetAgitation (i);
            }
            else if (inFamily (i, pFeedback))
            {
                editBar (i - pFeedback, [v] (BarFreq& b) { b.feedback = v; });
                resetAgitation (i);
            }
            else if (inFamily (i, pDelay))
            {
                v = SearchSyncValue (i, Clip (0.001f, 1.0f, v));
                if (! IsFiniteValue (v))
                    return;
                editBar (i - pDelay, [v] (BarFreq& b) { b.setDelay (v); });
                resetAgitation (i);
            }
            else if (inFamily (i, pFrequency))
            {
                editBar (i - pFrequency, [v] (BarFreq& b) { b.setFreq (v); });
                resetAgitation (i);
            }
            else if (inFamily (i, pLength))
            {
                editBar (i - pLength, [v] (BarFreq& b) { b.setLength (v); });
                resetAgitation (i);
            }
            else if (inFamily (i, pAngle))
            {
                editBar (i - pAngle, [v] (BarFreq& b) { b.setAngle (v); });
                resetAgitation (i);
            }
            else if (inFamily (i, pPan))
            {
                editBar (i - pPan, [v] (BarFreq& b) { b.pan = v; });
                resetAgitation (i);
            }
            else if (inFamily (i, pWidth))
            {
                editBar (i - pWidth, [v] (BarFreq& b) { b.width = v; });
                resetAgitation (i);
            }
            else if (inFamily (i, pActive))
                setActive (i - pActive, v);
            else if (inFamily (i, pMute))
                setMute (i - pMute, v);
            else if (isAgitationFlag (i))
                setAgitationFlag (i, v);
            break;
    }

    updateEditor();
}

void RariZuz::setAgitationFlag (int i, float v)
{
    const int target = i < pDelayAgit ? i - 88 : i - 87;
    v = setAgitationForParam (target, i, v);
    if (! IsFiniteValue (v))
        return;
    const int flag = (i - pAmplitudeAgit) / 8;
    const int k = (i - pAmplitudeAgit) % 8;
    editBar (k, [v, flag] (BarFreq& b) { b.agitation[flag] = v; });
}

void RariZuz::setActive (int k, float v)
{
    const bool active = bars.read (k).active;
    if (v > 0.5f && ! active)
    {
        const auto x = static_cast<float> (0.9 - 0.05 * k);
        createBar (k, x, 0.75f, x, 0.95f);
    }
    else if (v <= 0.5f && active)
    {
        deactivateBar (k);
        selectLowestActiveBar();
    }
}

void RariZuz::setMute (int k, float v)
{
    const bool mute = v > 0.5f;
    editBar (k, [mute] (BarFreq& b) { b.mute = mute; });
    if (! mute)
    {
        selectedBar.store (k);
        initAllParameterChanged (true);
        updateEditor();
    }
}

void RariZuz::deactivateBar (int k)
{
    editBar (k, [] (BarFreq& b) { b.active = false; });
}

void RariZuz::selectLowestActiveBar()
{
    for (int k = 0; k < kRariZuzNumBars; ++k)
        if (bars.read (k).active)
        {
            selectedBar.store (k);
            initAllParameterChanged (true);
            updateEditor();
            return;
        }
}

int RariZuz::convertIndexValue (int id)
{
    if (id < 201 || id > 216)
        return id;
    const int64_t s = selectedBar.load();
    if (s < 0 || s >= kRariZuzNumBars || ! bars.read ((int) s).active)
        return id;
    static constexpr int firsts[16] = { pAmplitude, pFeedback, pDelay, pFrequency, pLength, pAngle, pPan, pWidth,
                                        pAmplitudeAgit, pFeedbackAgit, pDelayAgit, pFrequencyAgit,
                                        pLengthAgit, pAngleAgit, pPanAgit, pWidthAgit };
    return firsts[id - 201] + (int) s;
}

bool RariZuz::isPreset (int i) { return i == pPreset; }
bool RariZuz::isSuperSlider (int i) { return i == pSuperSlider; }
bool RariZuz::isAgitatorParam (int i) { return i == pAgitation1Ampl || i == pAgitation1Speed; }

juce::String RariZuz::getSyncParameterText (int i, float v, bool plainText)
{
    // The sync arithmetic reads numbers back from the plain text.
    if (plainText && i == pInterSpeed)
        return format (FloatToInterSpeedStr, v);
    return MyEffect::getSyncParameterText (i, v, plainText);
}

bool RariZuz::writePlainSyncText (int i, float v, char* buf)
{
    // The texts getSyncParameterText (i, v, true) gives: its own for
    // InterSpeed, getIndexedParameterTextFromValue's for the others.
    if (! isSyncedParameter (i))
        return false;
    if (i == pInterSpeed)
    {
        FloatToInterSpeedStr (v, buf);
        return true;
    }
    if (! IsFiniteValue (v))
        v = 0.0f;
    if (inFamily (i, pDelay))
        FloatToDelayStr (v, buf);
    else
        FloatToAgitationSpeedStr (v, buf);
    return true;
}

bool RariZuz::writeSyncPlainText (int i, float v, char* buf, std::size_t size)
{
    if (buf == nullptr || size == 0)
        return false;
    char plain[valueTextSize] = {};
    return writePlainSyncText (i, v, plain) && copySyncPlainText (plain, sizeof (plain), buf, size);
}

bool RariZuz::readSyncValueFromText (int i, const char* text, float& value)
{
    if (text == nullptr || ! isSyncedParameter (i))
        return false;
    value = valueFromText (i, text);
    return true;
}
