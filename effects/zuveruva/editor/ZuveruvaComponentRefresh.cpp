// The crunch panel, effect to panel: the refresh after change messages, the
// display tick, the control highlight and the control-to-parameter map.
#include "ZuveruvaComponent.h"

#include "Zuveruva.h"

int ZuveruvaComponent::depthParameter (int s) noexcept
{
    return s >= 1 && s <= 3 ? 29 + s : (int) Zuveruva::kAgitation1Ampl;
}

int ZuveruvaComponent::speedParameter (int s) noexcept
{
    return s >= 1 && s <= 3 ? 32 + s : (int) Zuveruva::kAgitation1Speed;
}

int ZuveruvaComponent::selectedAgitation() const
{
    return (int) effect().currentAgitationGroup.load();
}

void ZuveruvaComponent::updateParametersFromFilter()
{
    auto& fx = effect();
    auto changed = [&fx] (int i) { return fx.isParameterChanged (i); };
    auto value = [&fx] (int i) { return fx.getIndexedParameter (i); };
    auto setSlider = [&] (MyJuceSlider& s, int i) { s.setValue (value (i), false, false); };
    auto show = [&] (MyJuceLabel& l, int i) { l.setText (fx.getIndexedParameterText (i), false); };

    if (changed (Zuveruva::kSuperSlider))
        setSlider (*presetInterpolationSlider, Zuveruva::kSuperSlider);
    if (changed (Zuveruva::kInterSpeed))
    {
        setSlider (*interpolationTimeSlider, Zuveruva::kInterSpeed);
        show (*interpolationTimeValue, Zuveruva::kInterSpeed);
        interpolationTimeValue->setSyncMode (fx.GetSyncMode (Zuveruva::kInterSpeed));
    }
    const std::tuple<int, MyJuceSlider*, MyJuceLabel*> pairs[] = {
        { Zuveruva::kMix, mixSlider.get(), mixValue.get() },
        { Zuveruva::kGain, gainSlider.get(), gainValue.get() },
        { Zuveruva::kBalance, balanceSlider.get(), balanceValue.get() },
        { Zuveruva::kAuxGain, auxGainSlider.get(), auxGainValue.get() },
        { Zuveruva::kAuxDepth, auxDepthSlider.get(), auxDepthValue.get() }
    };
    for (auto [i, slider, label] : pairs)
        if (changed (i))
        {
            setSlider (*slider, i);
            show (*label, i);
        }

    const int s = selectedAgitation();
    const int a = depthParameter (s), p = speedParameter (s);
    auto loadDepth = [&] {
        agitationDepthKnob->setValue (value (a), juce::dontSendNotification);
        show (*agitationDepthValue, a);
    };
    auto loadSpeed = [&] {
        agitationSpeedKnob->setValue (value (p), juce::dontSendNotification);
        show (*agitationSpeedValue, p);
        agitationSpeedValue->setSyncMode (fx.GetSyncMode (p));
    };
    if (fx.isAgitationControlsChanged())
    {
        agitationPopup->setValue ((float) s, true);
        loadDepth();
        loadSpeed();
    }
    if (changed (a))
        loadDepth();
    if (changed (p))
        loadSpeed();

    if (changed (Zuveruva::kAmplitude))
    {
        show (*amplitudeValue, Zuveruva::kAmplitude);
        zuveruvaView->setXValue (value (Zuveruva::kAmplitude));
    }
    if (changed (Zuveruva::kFrequency))
    {
        show (*frequencyValue, Zuveruva::kFrequency);
        zuveruvaView->setYValue (value (Zuveruva::kFrequency));
    }
    if (changed (Zuveruva::kAgitation))
        agitationButton->setToggleState (value (Zuveruva::kAgitation) > 0.5f, juce::dontSendNotification);
    if (changed (Zuveruva::kLoadSpeed))
        memoryButton->setToggleState (value (Zuveruva::kLoadSpeed) != 0.0f, juce::dontSendNotification);

    MySelectAgitButton* agitButtons[] = { frequencyAgitButton.get(), amplitudeAgitButton.get(), mixAgitButton.get(),
                                          gainAgitButton.get(), auxGainAgitButton.get(), auxDepthAgitButton.get(),
                                          balanceAgitButton.get() };
    for (int i = Zuveruva::kFrequencyAgit; i <= Zuveruva::kBalanceAgit; ++i)
        if (changed (i))
            agitButtons[i - Zuveruva::kFrequencyAgit]->setValue (value (i));

    if (changed (Zuveruva::kSample))
        sampleButton->setState (value (Zuveruva::kSample) > 0.5f ? juce::Button::buttonDown : juce::Button::buttonNormal);
    if (changed (Zuveruva::kBands))
        bandsPopup->setValue (value (Zuveruva::kBands), false);
    if (changed (Zuveruva::kAuxOn))
        auxPopup->setValue (value (Zuveruva::kAuxOn), false);

    agitationPopup->setValue ((float) s, true);

    if (changed (Zuveruva::kPreset))
    {
        presets->setText (value (Zuveruva::kPreset), fx.getUpdatePresetStatus());
        int states[MyJucePresets::numSlots] {};
        fx.getPresetStates (states);
        presets->setStates (states);
    }
    presets->SetValue (fx.getAlfa());
    for (int slot = 0; slot < MyJuceSuperPreset::numCells; ++slot)
        superPreset->SetState (slot, fx.getSuperState (slot));

    // The effect replaces its auxiliary file on the message thread only, so
    // reading it here never races a host restoring state elsewhere.
    const juce::File auxFile = fx.getAuxFile();
    if (auxFile.getFullPathName() != auxPlayer->getCurrentFile().getFullPathName())
    {
        auxPlayer->openFile (auxFile);
        ++auxFileOpens;
    }

    if (undoButton->isEnabled() != fx.canUndo())
        undoButton->setEnabled (fx.canUndo());
    if (redoButton->isEnabled() != fx.canRedo())
        redoButton->setEnabled (fx.canRedo());

    if (midiBindPanel->isVisible())
        midiBindPanel->updateParametersFromFilter();

    if (fx.oscHighlight.load())
    {
        oscButton->SetControlHighliteInfo (true, 0);
        fx.setHighlightOSC (false);
        juce::Component::SafePointer<ZuveruvaComponent> self (this);
        juce::Timer::callAfterDelay (2000, [self] {
            if (self != nullptr)
                self->oscButton->SetControlHighliteInfo (false, 0);
        });
    }
}

void ZuveruvaComponent::updateZuveruvaView()
{
    auto& fx = effect();
    long n = 0;
    const float* spectrum = fx.GetSpectrum (&n);
    const float* deviation = fx.GetDeviation();
    zuveruvaView->setDeviation (deviation, n);
    zuveruvaView->setSpectrum (spectrum, n);

    auxPlayer->setCurrentTime (fx.getAuxPosition());
    auxPlayer->updateStartButton (fx.getModPlaying());
    auxPlayer->updateLoopButton (fx.getModLooping());
    auxPlayer->updateLoop (fx.getIndexedParameter (Zuveruva::kLoopBegin), fx.getIndexedParameter (Zuveruva::kLoopEnd));

    auxPopup->setActive (2, fx.getSideChainChannels() != 0);
    auxPopup->setActive (1, fx.getAuxFile().existsAsFile());
}

long ZuveruvaComponent::SetControlHighliteInfo (long index, short on, short type)
{
    const bool lit = on != 0;
    auto light = [&] (auto&... controls) { (controls->SetControlHighliteInfo (lit, type), ...); };
    switch (index)
    {
        case 0: light (presets); break;
        case 1: light (presetInterpolationSlider); break;
        case 2: light (interpolationTimeSlider, interpolationTimeValue); break;
        case 3: light (memoryButton); break;
        case 5: light (amplitudeValue); break;
        case 6: light (frequencyValue); break;
        case 7: light (mixSlider, mixValue); break;
        case 8: light (gainSlider, gainValue); break;
        case 9: light (balanceSlider, balanceValue); break;
        case 12: light (auxGainSlider, auxGainValue); break;
        case 13: light (auxDepthSlider, auxDepthValue); break;
        case 14: light (sampleButton); break;
        case 20: case 30: case 31: case 32: light (agitationDepthValue); break;
        case 21: case 33: case 34: case 35: light (agitationSpeedValue); break;
        case 22: light (agitationButton); break;
        case 23: light (frequencyAgitButton); break;
        case 24: light (amplitudeAgitButton); break;
        case 25: light (mixAgitButton); break;
        case 26: light (gainAgitButton); break;
        case 27: light (auxGainAgitButton); break;
        case 28: light (auxDepthAgitButton); break;
        default: break;
    }
    return 0;
}

int ZuveruvaComponent::getControlParameterIndex (juce::Component& c)
{
    const int s = selectedAgitation();
    const std::pair<juce::Component*, int> map[] = {
        { presetInterpolationSlider.get(), 1 }, { interpolationTimeSlider.get(), 2 }, { mixSlider.get(), 7 },
        { gainSlider.get(), 8 }, { balanceSlider.get(), 9 }, { auxGainSlider.get(), 12 }, { auxDepthSlider.get(), 13 },
        { zuveruvaView.get(), 5 }, { agitationDepthKnob.get(), depthParameter (s) },
        { agitationSpeedKnob.get(), speedParameter (s) }, { agitationButton.get(), 22 }, { memoryButton.get(), 3 },
        { sampleButton.get(), 14 }, { frequencyAgitButton.get(), 23 }, { amplitudeAgitButton.get(), 24 },
        { mixAgitButton.get(), 25 }, { gainAgitButton.get(), 26 }, { auxGainAgitButton.get(), 27 },
        { auxDepthAgitButton.get(), 28 }, { gainValue.get(), 8 }, { mixValue.get(), 7 }, { balanceValue.get(), 9 },
        { auxGainValue.get(), 12 }, { auxDepthValue.get(), 13 }, { agitationDepthValue.get(), depthParameter (s) },
        { agitationSpeedValue.get(), speedParameter (s) }, { bandsPopup.get(), 4 }, { presets.get(), 0 }
    };
    for (auto [control, index] : map)
        if (control == &c)
            return index;
    return -1;
}
