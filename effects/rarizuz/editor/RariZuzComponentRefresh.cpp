// The spectral delay panel, effect to panel: the refresh after each change
// message, the display tick, the control highlight and the map from a
// control to its parameter.
#include "RariZuzComponent.h"

int RariZuzComponent::conv (int alias) const
{
    return effect().convertIndexValue (alias);
}

int RariZuzComponent::agitationAmplitudeIndex() const
{
    switch (effect().currentAgitationGroup.load())
    {
        case 0: return RariZuz::pAgitation1Ampl;
        case 1: return RariZuz::pAgitation2Ampl;
        case 2: return RariZuz::pAgitation3Ampl;
        default: return -1;
    }
}

int RariZuzComponent::agitationSpeedIndex() const
{
    switch (effect().currentAgitationGroup.load())
    {
        case 0: return RariZuz::pAgitation1Speed;
        case 1: return RariZuz::pAgitation2Speed;
        case 2: return RariZuz::pAgitation3Speed;
        default: return -1;
    }
}

void RariZuzComponent::initDefaultValues()
{
    auto& fx = effect();
    auto defaultOf = [&] (int index) { return isParameter (index) ? fx.getIndexedDefaultValue (index) : 0.0f; };
    gainSlider->defaultValue = defaultOf (RariZuz::pGain);
    mixSlider->defaultValue = defaultOf (RariZuz::pMix);
    for (int r = 0; r < 8; ++r)
        playerSliders[r]->defaultValue = defaultOf (conv (201 + r));
    presetInterpolationSlider->defaultValue = defaultOf (RariZuz::pSuperSlider);
    interpolationTimeSlider->defaultValue = defaultOf (RariZuz::pInterSpeed);
}

void RariZuzComponent::setPlayerGroupEnabled (bool on)
{
    for (int r = 0; r < 8; ++r)
    {
        playerSliders[r]->setEnabled (on);
        playerValues[r]->setEnabled (on);
        playerAgitButtons[r]->setEnabled (on);
    }
}

void RariZuzComponent::updateParametersFromFilter()
{
    auto& fx = effect();
    auto changed = [&] (int i) { return isParameter (i) && fx.isParameterChanged (i); };
    auto value = [&] (int i) { return fx.getIndexedParameter (i); };
    auto show = [&] (MyJuceLabel& label, int i) { label.setText (fx.getIndexedParameterText (i), false); };
    auto setSlider = [&] (MyJuceSlider& s, int i) { s.setValue (value (i), false, true); };
    auto setKnob = [&] (juce::Slider& s, int i) { s.setValue (value (i), juce::dontSendNotification); };

    if (changed (RariZuz::pSuperSlider))
        setSlider (*presetInterpolationSlider, RariZuz::pSuperSlider);
    if (changed (RariZuz::pInterSpeed))
    {
        setSlider (*interpolationTimeSlider, RariZuz::pInterSpeed);
        show (*interpolationTimeValue, RariZuz::pInterSpeed);
        interpolationTimeValue->setSyncMode (fx.GetSyncMode (RariZuz::pInterSpeed));
    }
    if (changed (RariZuz::pGain))
    {
        setSlider (*gainSlider, RariZuz::pGain);
        show (*gainValue, RariZuz::pGain);
    }
    if (changed (RariZuz::pMix))
    {
        setSlider (*mixSlider, RariZuz::pMix);
        show (*mixValue, RariZuz::pMix);
    }
    for (int r = 0; r < 8; ++r)
    {
        const int i = conv (201 + r);
        if (changed (i))
        {
            setSlider (*playerSliders[r], i);
            show (*playerValues[r], i);
            if (r == 2)
                delayValue->setSyncMode (fx.GetSyncMode (i));
        }
    }
    if (changed (RariZuz::pSmoothness))
        setKnob (*smoothnessKnob, RariZuz::pSmoothness);

    // The selected agitation's knobs and labels.
    const int a = agitationAmplitudeIndex(), s = agitationSpeedIndex();
    if (fx.isAgitationControlsChanged() && a >= 0)
    {
        agitationPopup->setValue ((float) fx.currentAgitationGroup.load(), true);
        setKnob (*agitationDepthKnob, a);
        show (*agitationDepthValue, a);
        setKnob (*agitationSpeedKnob, s);
        show (*agitationSpeedValue, s);
        agitationSpeedValue->setSyncMode (fx.GetSyncMode (s));
    }
    if (changed (a))
    {
        setKnob (*agitationDepthKnob, a);
        show (*agitationDepthValue, a);
    }
    if (changed (s))
    {
        setKnob (*agitationSpeedKnob, s);
        show (*agitationSpeedValue, s);
        agitationSpeedValue->setSyncMode (fx.GetSyncMode (s));
    }

    // The eight players on the display, their select and mute buttons.
    selectedPlayerLabel->setText ({}, juce::dontSendNotification);
    const auto selected = fx.getSelectedBar();
    bool anyActive = false;
    for (int n = 0; n < 8; ++n)
    {
        const BarFreq bar = fx.getBar (n);
        auto& shown = *display->getBar (n);
        if (bar.active)
        {
            anyActive = true;
            shown.active = true;
            const float d = value (RariZuz::pDelay + n), f = value (RariZuz::pFrequency + n);
            display->setCenter (n, 1.0f - d * d, 1.0f - f);
            display->setLength (n, value (RariZuz::pLength + n));
            display->setAngle (n, value (RariZuz::pAngle + n));
            muteButtons[n]->setVisible (true);
            selectButtons[n]->setToggleState (true, juce::dontSendNotification);
            shown.muted = bar.mute;
            muteButtons[n]->setToggleState (bar.mute, juce::dontSendNotification);
            if (n == selected)
            {
                char text[8];
                std::snprintf (text, sizeof (text), "%1d", n + 1);
                selectedPlayerLabel->setText (text, juce::dontSendNotification);
                display->setSelected (n, true);
            }
            else
            {
                display->setSelected (n, false);
            }
        }
        else
        {
            shown.active = false;
            selectButtons[n]->setToggleState (false, juce::dontSendNotification);
            muteButtons[n]->setVisible (false);
        }
    }
    display->repaint();

    if (anyActive && ! amplitudeSlider->isEnabled())
        setPlayerGroupEnabled (true);
    else if (! anyActive && amplitudeSlider->isEnabled())
        setPlayerGroupEnabled (false);

    if (changed (RariZuz::pPreset))
    {
        presets->setText (value (RariZuz::pPreset), fx.getUpdatePresetStatus());
        int states[MyJucePresets::numSlots] {};
        fx.getPresetStates (states);
        presets->setStates (states);
    }
    for (int r = 0; r < 8; ++r)
    {
        const int i = conv (209 + r);
        if (changed (i))
            playerAgitButtons[r]->setValue (value (i));
    }
    if (changed (RariZuz::pGainAgit))
        gainAgitButton->setValue (value (RariZuz::pGainAgit));
    if (changed (RariZuz::pMixAgit))
        mixAgitButton->setValue (value (RariZuz::pMixAgit));
    if (changed (RariZuz::pAgitation))
        agitationButton->setToggleState (value (RariZuz::pAgitation) > 0.5f, juce::dontSendNotification);
    if (changed (RariZuz::pGlobalMute))
        muteAllButton->setToggleState (value (RariZuz::pGlobalMute) > 0.5f, juce::dontSendNotification);
    if (changed (RariZuz::pGlobalReset))
    {
        const bool down = value (RariZuz::pGlobalReset) > 0.5f;
        resetButton->setToggleState (down, juce::dontSendNotification);
        resetButton->setState (down ? juce::Button::buttonDown : juce::Button::buttonNormal);
    }
    for (int cell = 0; cell < MyJuceSuperPreset::numCells; ++cell)
        superPreset->SetState (cell, fx.getSuperState (cell));
    if (undoButton->isEnabled() != fx.canUndo())
        undoButton->setEnabled (fx.canUndo());
    if (redoButton->isEnabled() != fx.canRedo())
        redoButton->setEnabled (fx.canRedo());
    if (midiBindPanel->isVisible())
        midiBindPanel->updateParametersFromFilter();
    fx.RefreshHighlight (editor);

    if (fx.oscHighlight.load())
    {
        oscButton->SetControlHighliteInfo (true, 0);
        fx.setHighlightOSC (false);
        juce::Component::SafePointer<RariZuzComponent> panel (this);
        juce::Timer::callAfterDelay (2000, [panel] {
            if (panel != nullptr)
                panel->oscButton->SetControlHighliteInfo (false, 0);
        });
    }
}

void RariZuzComponent::updateRariZuzDisplay()
{
    auto& fx = effect();
    const int n = fx.getUpdateDisplay();
    if (n != 0)
        display->buildBackground (&fx.getDisplayLine(), n);
    presets->SetValue (fx.getAlfa());
}

long RariZuzComponent::SetControlHighliteInfo (long index, short on, short type)
{
    if (index < 0 || index > lastParameter)
        return 0;
    const bool lit = on != 0;
    const int i = (int) index;
    auto rowIfSelected = [&] (int row, int first, int aliasBase) {
        if (i >= first && i < first + 8 && i == conv (aliasBase + row))
        {
            if (aliasBase == 201)
            {
                playerSliders[row]->SetControlHighliteInfo (lit, type);
                playerValues[row]->SetControlHighliteInfo (lit, type);
            }
            else
            {
                playerAgitButtons[row]->SetControlHighliteInfo (lit, type);
            }
        }
    };

    if (i == RariZuz::pLoadSpeed || i == RariZuz::pBands || i == RariZuz::pSmoothness)
        return 0;

    if (i == RariZuz::pPreset)
        presets->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pSuperSlider)
        presetInterpolationSlider->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pInterSpeed)
        interpolationTimeSlider->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pGain)
    {
        gainSlider->SetControlHighliteInfo (lit, type);
        gainValue->SetControlHighliteInfo (lit, type);
    }
    else if (i == RariZuz::pMix)
    {
        mixSlider->SetControlHighliteInfo (lit, type);
        mixValue->SetControlHighliteInfo (lit, type);
    }
    else if (i >= RariZuz::pAmplitude && i < RariZuz::pActive)
    {
        // Amplitude 7.., feedback 15.., (smoothness 23), delay 24.., frequency
        // 32.., length 40.., angle 48.., pan 56.., width 64..
        const int firsts[8] { RariZuz::pAmplitude, RariZuz::pFeedback, RariZuz::pDelay, RariZuz::pFrequency,
                              RariZuz::pLength, RariZuz::pAngle, RariZuz::pPan, RariZuz::pWidth };
        for (int row = 0; row < 8; ++row)
            rowIfSelected (row, firsts[row], 201);
    }
    else if (i >= RariZuz::pActive && i < RariZuz::pMute)
        selectButtons[i - RariZuz::pActive]->SetControlHighliteInfo (lit, type);
    else if (i >= RariZuz::pMute && i < RariZuz::pGlobalReset)
        muteButtons[i - RariZuz::pMute]->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pGlobalReset)
        resetButton->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pGlobalMute)
        muteAllButton->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pAgitation1Ampl || i == RariZuz::pAgitation2Ampl || i == RariZuz::pAgitation3Ampl)
        agitationDepthValue->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pAgitation1Speed || i == RariZuz::pAgitation2Speed || i == RariZuz::pAgitation3Speed)
        agitationSpeedValue->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pAgitation)
        agitationButton->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pGainAgit)
        gainAgitButton->SetControlHighliteInfo (lit, type);
    else if (i == RariZuz::pMixAgit)
        mixAgitButton->SetControlHighliteInfo (lit, type);
    else if (i >= RariZuz::pAmplitudeAgit && i < RariZuz::pAgitation2Ampl)
    {
        const int row = (i - RariZuz::pAmplitudeAgit) / 8;
        rowIfSelected (row, RariZuz::pAmplitudeAgit + 8 * row, 209);
    }

    repaint();
    return 0;
}

int RariZuzComponent::getControlParameterIndex (juce::Component& control)
{
    auto* c = &control;
    auto known = [] (int i) { return isParameter (i) ? i : -1; };

    if (c == gainSlider.get() || c == gainValue.get())
        return RariZuz::pGain;
    if (c == mixSlider.get())
        return RariZuz::pMix;
    for (int r = 0; r < 8; ++r)
        if (c == playerSliders[r] || c == playerValues[r])
            return known (conv (201 + r));
    if (c == presetInterpolationSlider.get())
        return RariZuz::pSuperSlider;
    if (c == interpolationTimeSlider.get())
        return RariZuz::pInterSpeed;
    if (c == agitationDepthKnob.get() || c == agitationDepthValue.get())
    {
        const int group = effect().currentAgitationGroup.load();
        return group == 2 ? RariZuz::pAgitation3Ampl : group == 1 ? RariZuz::pAgitation2Ampl : RariZuz::pAgitation1Ampl;
    }
    if (c == agitationSpeedKnob.get() || c == agitationSpeedValue.get())
    {
        const int group = effect().currentAgitationGroup.load();
        return group == 2 ? RariZuz::pAgitation3Speed : group == 1 ? RariZuz::pAgitation2Speed : RariZuz::pAgitation1Speed;
    }
    if (c == resetButton.get())
        return RariZuz::pGlobalReset;
    if (c == muteAllButton.get())
        return RariZuz::pGlobalMute;
    for (int n = 0; n < 8; ++n)
    {
        if (c == selectButtons[n])
            return RariZuz::pActive + n;
        if (c == muteButtons[n])
            return RariZuz::pMute + n;
    }
    if (c == agitationButton.get())
        return RariZuz::pAgitation;
    if (c == gainAgitButton.get())
        return RariZuz::pGainAgit;
    if (c == mixAgitButton.get())
        return RariZuz::pMixAgit;
    for (int r = 0; r < 8; ++r)
        if (c == playerAgitButtons[r])
            return known (conv (209 + r));
    if (c == presets.get())
        return RariZuz::pPreset;
    return -1;
}
