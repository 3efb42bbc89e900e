// The spectral delay panel, panel to effect: sliders and knobs, value labels,
// the preset bar, the super slider and the agitation pop-up, buttons, the
// display's bar messages, agitation choices and keys.
#include "RariZuzComponent.h"

#include "AboutComponent.h"

#include <cstdio>
#include <cstring>

namespace
{
// The selected agitation's amplitude and speed for the label codes: any
// selection other than 1 and 2 takes the first agitation's.
int labelAgitationIndex (int group, bool speed)
{
    if (group == 1)
        return speed ? RariZuz::pAgitation2Speed : RariZuz::pAgitation2Ampl;
    if (group == 2)
        return speed ? RariZuz::pAgitation3Speed : RariZuz::pAgitation3Ampl;
    return speed ? RariZuz::pAgitation1Speed : RariZuz::pAgitation1Ampl;
}

// A bar number from an action message: 0..7, else -1.
int barNumber (int n)
{
    return n >= 0 && n < 8 ? n : -1;
}
} // namespace

void RariZuzComponent::sendValue (int index, float value)
{
    if (isParameter (index))
        effect().setParameterNotifyingHost (index, value);
}

void RariZuzComponent::beginGesture (int index)
{
    if (isParameter (index))
        effect().beginParameterChangeGesture (index);
}

void RariZuzComponent::endGesture (int index)
{
    if (isParameter (index))
        effect().endParameterChangeGesture (index);
}

void RariZuzComponent::gestureSet (int index, float value)
{
    if (! isParameter (index))
        return;
    beginGesture (index);
    sendValue (index, value);
    endGesture (index);
}

//==============================================================================
// Sliders and knobs

int RariZuzComponent::sliderParameter (juce::Slider* s) const
{
    if (s == gainSlider.get())
        return RariZuz::pGain;
    if (s == mixSlider.get())
        return RariZuz::pMix;
    if (s == presetInterpolationSlider.get())
        return RariZuz::pSuperSlider;
    if (s == interpolationTimeSlider.get())
        return RariZuz::pInterSpeed;
    if (s == smoothnessKnob.get())
        return RariZuz::pSmoothness;
    for (int r = 0; r < 8; ++r)
        if (s == playerSliders[r])
            return conv (201 + r);
    if (s == agitationDepthKnob.get())
        return agitationAmplitudeIndex();
    if (s == agitationSpeedKnob.get())
        return agitationSpeedIndex();
    return -1;
}

void RariZuzComponent::sliderValueChanged (juce::Slider* s)
{
    sendValue (sliderParameter (s), (float) s->getValue());
}

void RariZuzComponent::sliderDragStarted (juce::Slider* s)
{
    if (s->isEnabled())
        beginGesture (sliderParameter (s));
}

void RariZuzComponent::sliderDragEnded (juce::Slider* s)
{
    if (s->isEnabled())
        endGesture (sliderParameter (s));
}

//==============================================================================
// Value labels

int RariZuzComponent::labelParameter (juce::Label* l) const
{
    if (l == gainValue.get())
        return RariZuz::pGain;
    if (l == mixValue.get())
        return RariZuz::pMix;
    if (l == interpolationTimeValue.get())
        return RariZuz::pInterSpeed;
    for (int r = 0; r < 8; ++r)
        if (l == playerValues[r])
            return conv (201 + r);
    if (l == agitationDepthValue.get())
        return agitationAmplitudeIndex();
    if (l == agitationSpeedValue.get())
        return agitationSpeedIndex();
    return -1;
}

void RariZuzComponent::labelTextChanged (juce::Label* l)
{
    const int index = labelParameter (l);
    if (isParameter (index))
        editor->setParameter (index, l->getText());
}

void RariZuzComponent::labelAction (MyJuceLabel& label)
{
    int index = -1;
    const int group = effect().currentAgitationGroup.load();
    if (&label == agitationDepthValue.get())
        index = labelAgitationIndex (group, false);
    else if (&label == agitationSpeedValue.get())
        index = labelAgitationIndex (group, true);
    else
        index = labelParameter (&label);
    if (! isParameter (index))
        return;

    const int code = (int) label.action;
    if (code == 2)
        beginGesture (index);
    else if (code == 1)
        editor->IncrParametre (index);
    else if (code == -1)
        editor->DecrParametre (index);
    else if (code == -2)
        endGesture (index);
    else if (&label == agitationSpeedValue.get() || &label == interpolationTimeValue.get() || &label == delayValue.get())
        effect().SetSyncMode (index, label.isSyncOn());
}

//==============================================================================
// Change messages: value labels, preset bar, super slider, agitation pop-up

void RariZuzComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    auto& fx = effect();
    if (source == superPreset.get())
    {
        for (int cell = 0; cell < MyJuceSuperPreset::numCells; ++cell)
            fx.setSuperState (cell, superPreset->GetState (cell));
        return;
    }
    if (source == presets.get())
    {
        const int action = presets->lastAction, slot = presets->lastSlot;
        if (action == 4)
            fx.StopInterpolation();
        else if (action != 0)
            fx.SetPreset (slot, action);
        else
            gestureSet (RariZuz::pPreset, (float) ((double) slot / 15.0));
        return;
    }
    if (source == agitationPopup.get())
    {
        fx.currentAgitationGroup.store ((int) agitationPopup->getValue (true));
        fx.setAgitationControlsChanged (true);
        fx.updateEditor();
        return;
    }
    for (auto* l : { gainValue.get(), mixValue.get(), interpolationTimeValue.get(), amplitudeValue.get(),
                     feedbackValue.get(), delayValue.get(), frequencyValue.get(), lengthValue.get(), angleValue.get(),
                     panValue.get(), widthValue.get(), agitationDepthValue.get(), agitationSpeedValue.get() })
    {
        if (source == l)
        {
            labelAction (*l);
            return;
        }
    }
}

//==============================================================================
// Buttons

void RariZuzComponent::buttonClicked (juce::Button* b)
{
    auto& fx = effect();
    const float state = b->getToggleState() ? 1.0f : 0.0f;

    if (b == saveButton.get())
    {
        if (b->isDown())
            fx.save();
        return;
    }
    if (b == loadButton.get())
    {
        if (b->isDown())
            fx.load();
        return;
    }
    if (b == agitationButton.get())
        return gestureSet (RariZuz::pAgitation, state);
    if (b == gainAgitButton.get())
        return gestureSet (RariZuz::pGainAgit, gainAgitButton->getAgitationID());
    if (b == mixAgitButton.get())
        return gestureSet (RariZuz::pMixAgit, mixAgitButton->getAgitationID());
    if (b == memoryButton.get())
        return gestureSet (RariZuz::pLoadSpeed, state);
    for (int n = 0; n < 8; ++n)
    {
        if (b == selectButtons[n])
        {
            if (fx.getBar (n).active)
                fx.selectBar (n);
            else
                gestureSet (RariZuz::pActive + n, 1.0f);
            return;
        }
        if (b == muteButtons[n])
            return gestureSet (RariZuz::pMute + n, state);
        if (b == playerAgitButtons[n])
            return gestureSet (conv (209 + n), playerAgitButtons[n]->getAgitationID());
    }
    if (b == resetButton.get())
    {
        if (b->isDown())
        {
            beginGesture (RariZuz::pGlobalReset);
            sendValue (RariZuz::pGlobalReset, 1.0f);
        }
        else
        {
            sendValue (RariZuz::pGlobalReset, 0.0f);
            endGesture (RariZuz::pGlobalReset);
        }
        return;
    }
    if (b == muteAllButton.get())
        return gestureSet (RariZuz::pGlobalMute, state);
    if (b == logoButton.get())
    {
        (new AboutComponent())->show (&fx);
        return;
    }
    if (b == undoButton.get())
    {
        if (b->isEnabled())
            fx.undo();
        return;
    }
    if (b == redoButton.get())
    {
        if (b->isEnabled())
            fx.redo();
        return;
    }
    if (b == documentationButton.get())
        openManual();
}

void RariZuzComponent::openManual()
{
    manual.open();  // a missing manual does nothing
}

//==============================================================================
// Display bar messages and agitation choices

void RariZuzComponent::actionListenerCallback (const juce::String& message)
{
    auto& fx = effect();
    const auto keyword = message.upToFirstOccurrenceOf (" ", false, true);
    const auto text = message.toStdString();
    int n = -1;
    float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;

    // Numbers in the display's messages have a decimal point whatever the
    // process locale: read them with the C locale's rules.
    auto readBar = [&] (const char* format) { return std::sscanf (text.c_str(), format, &n) == 1 ? barNumber (n) : -1; };
    auto readGeometry = [&] (const char* word) {
        const auto rest = message.fromFirstOccurrenceOf (word, false, false).trim();
        juce::StringArray parts;
        parts.addTokens (rest, " ", {});
        parts.removeEmptyStrings();
        if (parts.size() != 5 || ! parts[0].containsOnly ("-0123456789"))
            return -1;
        float* values[4] { &x1, &y1, &x2, &y2 };
        for (int k = 0; k < 4; ++k)
        {
            const auto p = parts[k + 1];
            if (! p.containsOnly ("-+.0123456789eE") || ! p.containsAnyOf ("0123456789"))
                return -1;
            *values[k] = (float) p.getDoubleValue();
        }
        return barNumber (parts[0].getIntValue());
    };

    if (keyword == "Drag")
    {
        if ((n = readGeometry ("Drag")) >= 0)
            fx.setBarValues (n, x1, y1, x2, y2);
    }
    else if (keyword == "BeginDrag")
    {
        if ((n = readBar ("BeginDrag %d")) >= 0)
            fx.beginDragBar (n);
    }
    else if (keyword == "EndDrag")
    {
        if ((n = readBar ("EndDrag %d")) >= 0)
            fx.endDragBar (n);
    }
    else if (keyword == "Create")
    {
        if ((n = readGeometry ("Create")) >= 0)
            fx.createBar (n, x1, y1, x2, y2);
    }
    else if (keyword == "Delete")
    {
        if ((n = readBar ("Delete %d")) >= 0)
            gestureSet (RariZuz::pActive + n, 0.0f);
    }
    else if (keyword == "Select")
    {
        if ((n = readBar ("Select %d")) >= 0)
            fx.selectBar (n);
    }
    else if (message.startsWith ("ChangeAgitation"))
    {
        char copy[100] {};
        std::strncpy (copy, message.toRawUTF8(), sizeof (copy) - 1);
        const juce::String head (copy);
        juce::StringArray parts;
        parts.addTokens (head, " ", {});
        parts.removeEmptyStrings();
        if (parts.size() < 3 || ! parts[1].containsOnly ("-0123456789") || ! parts[2].containsOnly ("-+.0123456789eE")
            || ! parts[2].containsAnyOf ("0123456789"))
            return;
        sendValue (conv (parts[1].getIntValue()), (float) parts[2].getDoubleValue());
    }
}

//==============================================================================
// Keys

bool RariZuzComponent::keyPressed (const juce::KeyPress& key)
{
    const int code = key.getKeyCode();
    const bool command = key.getModifiers().isCommandDown();

    if (code >= '1' && code <= '8')
    {
        auto* b = muteButtons[code - '1'];
        b->setToggleState (! b->getToggleState(), juce::dontSendNotification);
        return true;
    }
    if (code == 'P' || code == 'p')
    {
        display->printImage();
        return true;
    }
    if (! command)
        return false;
    if (code == 'Z' || code == 'z')
        return effect().undo();
    if (code == 'Y' || code == 'y')
        return effect().redo();
    if (code == '+' || code == juce::KeyPress::numberPadAdd)
    {
        editor->incrScale();
        return true;
    }
    if (code == '-' || code == juce::KeyPress::numberPadSubtract)
    {
        editor->decrScale();
        return true;
    }
    return false;
}
