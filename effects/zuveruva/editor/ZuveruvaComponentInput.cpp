// The crunch panel, panel to effect: sliders, the pad, value labels, the
// preset bar, pop-ups, buttons, the player's and agit buttons' messages and
// the snapshot key.
#include "ZuveruvaComponent.h"

#include "AboutComponent.h"
#include "AudioFileCheck.h"
#include "Dialogs.h"
#include "Utilities.h"
#include "Zuveruva.h"

#include <charconv>
#include <cstring>

namespace
{
// Reads one number after optional blanks, locale-independently; false when
// none is there or it is not finite. `text` moves past it.
bool readNumber (const char*& text, const char* end, double& value)
{
    while (text < end && (*text == ' ' || *text == '\t'))
        ++text;
    const auto [next, error] = std::from_chars (text, end, value);
    if (error != std::errc() || ! std::isfinite (value))
        return false;
    text = next;
    return true;
}

bool readInteger (const char*& text, const char* end, int& value)
{
    while (text < end && (*text == ' ' || *text == '\t'))
        ++text;
    const auto [next, error] = std::from_chars (text, end, value);
    if (error != std::errc())
        return false;
    text = next;
    return true;
}
} // namespace

int ZuveruvaComponent::parameterOfSlider (const juce::Slider* s) const
{
    if (s == presetInterpolationSlider.get()) return Zuveruva::kSuperSlider;
    if (s == interpolationTimeSlider.get()) return Zuveruva::kInterSpeed;
    if (s == mixSlider.get()) return Zuveruva::kMix;
    if (s == gainSlider.get()) return Zuveruva::kGain;
    if (s == balanceSlider.get()) return Zuveruva::kBalance;
    if (s == auxGainSlider.get()) return Zuveruva::kAuxGain;
    if (s == auxDepthSlider.get()) return Zuveruva::kAuxDepth;
    const int g = selectedAgitation();
    if (g < 0 || g > 3)
        return -1;
    if (s == agitationDepthKnob.get()) return depthParameter (g);
    if (s == agitationSpeedKnob.get()) return speedParameter (g);
    return -1;
}

int ZuveruvaComponent::parameterOfLabel (const juce::Label* l) const
{
    if (l == interpolationTimeValue.get()) return Zuveruva::kInterSpeed;
    if (l == amplitudeValue.get()) return Zuveruva::kAmplitude;
    if (l == frequencyValue.get()) return Zuveruva::kFrequency;
    if (l == mixValue.get()) return Zuveruva::kMix;
    if (l == gainValue.get()) return Zuveruva::kGain;
    if (l == balanceValue.get()) return Zuveruva::kBalance;
    if (l == auxGainValue.get()) return Zuveruva::kAuxGain;
    if (l == auxDepthValue.get()) return Zuveruva::kAuxDepth;
    const int g = selectedAgitation();
    if (g < 0 || g > 3)
        return -1;
    if (l == agitationDepthValue.get()) return depthParameter (g);
    if (l == agitationSpeedValue.get()) return speedParameter (g);
    return -1;
}

void ZuveruvaComponent::gestureSet (int index, float value)
{
    auto& fx = effect();
    fx.beginParameterChangeGesture (index);
    fx.setParameterNotifyingHost (index, value);
    fx.endParameterChangeGesture (index);
}

//==============================================================================
void ZuveruvaComponent::sliderValueChanged (juce::Slider* s)
{
    auto& fx = effect();
    if (s == zuveruvaView.get())
    {
        fx.setParameterNotifyingHost (Zuveruva::kAmplitude, (float) zuveruvaView->valueX);
        fx.setParameterNotifyingHost (Zuveruva::kFrequency, (float) zuveruvaView->valueY);
        return;
    }
    const int index = parameterOfSlider (s);
    if (index >= 0)
        fx.setParameterNotifyingHost (index, (float) s->getValue());
}

void ZuveruvaComponent::sliderDragStarted (juce::Slider* s)
{
    auto& fx = effect();
    if (s == zuveruvaView.get())
    {
        fx.beginParameterChangeGesture (Zuveruva::kFrequency);
        fx.beginParameterChangeGesture (Zuveruva::kAmplitude);
        return;
    }
    const int index = parameterOfSlider (s);
    if (index >= 0)
        fx.beginParameterChangeGesture (index);
}

void ZuveruvaComponent::sliderDragEnded (juce::Slider* s)
{
    auto& fx = effect();
    if (s == zuveruvaView.get())
    {
        fx.endParameterChangeGesture (Zuveruva::kFrequency);
        fx.endParameterChangeGesture (Zuveruva::kAmplitude);
        return;
    }
    const int index = parameterOfSlider (s);
    if (index >= 0)
        fx.endParameterChangeGesture (index);
}

void ZuveruvaComponent::labelTextChanged (juce::Label* l)
{
    const int index = parameterOfLabel (l);
    if (index >= 0)
        editor->setParameter (index, l->getText());
}

//==============================================================================
void ZuveruvaComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    auto& fx = effect();

    if (auto* label = dynamic_cast<MyJuceLabel*> (source))
    {
        const int index = parameterOfLabel (label);
        if (index < 0)
            return;
        const int act = (int) label->action;
        if (act == 2)
            fx.beginParameterChangeGesture (index);
        else if (act == 1)
            editor->IncrParametre (index);
        else if (act == -1)
            editor->DecrParametre (index);
        else if (act == -2)
            fx.endParameterChangeGesture (index);
        else if (label == agitationSpeedValue.get() || label == interpolationTimeValue.get())
            fx.SetSyncMode (index, label->isSyncOn());
        return;
    }

    if (source == superPreset.get())
    {
        for (int slot = 0; slot < MyJuceSuperPreset::numCells; ++slot)
            fx.setSuperState (slot, superPreset->GetState (slot));
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
            gestureSet (Zuveruva::kPreset, (float) ((double) slot / 15.0));
        return;
    }
    if (source == agitationPopup.get())
    {
        fx.currentAgitationGroup.store (juce::jlimit (0, 3, (int) agitationPopup->getValue (true)));
        fx.setAgitationControlsChanged (true);
        fx.updateEditor();
        return;
    }
    if (source == auxPopup.get())
    {
        const float v = auxPopup->getValue (false);
        if (FloatToIndexPopup (v, 4) == 3)
        {
            // "Load File": the gesture stays open until the chooser answers.
            chooseAuxFile();
            return;
        }
        fx.beginParameterChangeGesture (Zuveruva::kAuxOn);
        fx.setParameterNotifyingHost (Zuveruva::kAuxOn, v);
        fx.endParameterChangeGesture (Zuveruva::kAuxOn);
        return;
    }
    if (source == bandsPopup.get())
        gestureSet (Zuveruva::kBands, bandsPopup->getValue (false));
}

void ZuveruvaComponent::chooseAuxFile()
{
    auto& fx = effect();
    if (choosingFile)
        return;  // one chooser at a time; its answer closes the gesture already open
    choosingFile = true;
    fx.beginParameterChangeGesture (Zuveruva::kAuxOn);

    juce::Component::SafePointer<ZuveruvaComponent> self (this);
    auto* target = &fx;
    Dialogs::get().chooseFileToOpenAsync ("Select a sound file", juce::File(), "*.wav;*.aif;*.aiff",
        [self, target] (bool chosen, const juce::File& file)
        {
            if (self == nullptr)
            {
                // The editor went while the chooser was open: only close the gesture.
                target->endParameterChangeGesture (Zuveruva::kAuxOn);
                return;
            }
            auto& fx = self->effect();
            self->choosingFile = false;
            if (chosen)
            {
                const int n = validateAudioFile (file);
                if (n == 0)
                {
                    fx.loadAuxFile (file.getFullPathName());
                    fx.setParameterNotifyingHost (Zuveruva::kAuxOn, IndexPopupToFloat (1, 5));
                }
                else
                {
                    const juce::String name = file.getFileName();
                    Dialogs::get().showAlertAsync ("Error in reading " + name,
                        n < 0 ? name + " is not a valid sound file"
                              : name + " is a " + juce::String (n) + " channels audio file\n Vokt Tools can read only mono or stereo audio files");
                }
            }
            fx.endParameterChangeGesture (Zuveruva::kAuxOn);
            // The pop-up shows the source in force again (a cancelled choice left "Load File" on it).
            self->auxPopup->setValue (fx.getIndexedParameter (Zuveruva::kAuxOn), false);
        });
}

//==============================================================================
void ZuveruvaComponent::buttonClicked (juce::Button* b)
{
    auto& fx = effect();
    if (b == memoryButton.get())
        gestureSet (Zuveruva::kLoadSpeed, b->getToggleState() ? 1.0f : 0.0f);
    else if (b == agitationButton.get())
        gestureSet (Zuveruva::kAgitation, b->getToggleState() ? 1.0f : 0.0f);
    else if (b == saveButton.get())
    {
        if (b->isDown())
            fx.save();
    }
    else if (b == loadButton.get())
    {
        if (b->isDown())
            fx.load();
    }
    else if (b == sampleButton.get())
    {
        if (b->isDown())
        {
            fx.beginParameterChangeGesture (Zuveruva::kSample);
            fx.setParameterNotifyingHost (Zuveruva::kSample, 1.0f);
        }
        else
        {
            fx.setParameterNotifyingHost (Zuveruva::kSample, 0.0f);
            fx.endParameterChangeGesture (Zuveruva::kSample);
        }
    }
    else if (auto* agit = dynamic_cast<MySelectAgitButton*> (b))
        gestureSet (agit->paramIndex, agit->getAgitationID());
    else if (b == logoButton.get())
        (new AboutComponent())->show (&fx, false);
    else if (b == undoButton.get())
    {
        if (b->isEnabled())
            fx.undo();
    }
    else if (b == redoButton.get())
    {
        if (b->isEnabled())
            fx.redo();
    }
    else if (b == documentationButton.get())
        manual.open();
}

//==============================================================================
void ZuveruvaComponent::actionListenerCallback (const juce::String& message)
{
    auto& fx = effect();
    // Parsed messages are read from at most their first 99 bytes.
    char text[100];
    std::strncpy (text, message.toRawUTF8(), sizeof (text) - 1);
    text[sizeof (text) - 1] = 0;
    const char* end = text + std::strlen (text);
    auto startsWith = [&text] (const char* prefix) { return std::strncmp (text, prefix, std::strlen (prefix)) == 0; };

    if (message == "Begin")
    {
        fx.setParameterNotifyingHost (Zuveruva::kBeginning, 0.0f);
        fx.setParameterNotifyingHost (Zuveruva::kBeginning, 1.0f);
    }
    else if (message == "Start")
        fx.setParameterNotifyingHost (Zuveruva::kPlay, 1.0f);
    else if (message == "Pause")
        fx.setParameterNotifyingHost (Zuveruva::kPlay, 0.0f);
    else if (message == "LoopOn")
        fx.setParameterNotifyingHost (Zuveruva::kLoop, 1.0f);
    else if (message == "LoopOff")
        fx.setParameterNotifyingHost (Zuveruva::kLoop, 0.0f);
    else if (startsWith ("Loop "))
    {
        const char* p = text + 5;
        double b = 0.0, e = 0.0;
        if (readNumber (p, end, b) && readNumber (p, end, e))
        {
            fx.setParameterNotifyingHost (Zuveruva::kLoopBegin, (float) b);
            fx.setParameterNotifyingHost (Zuveruva::kLoopEnd, (float) e);
        }
    }
    else if (startsWith ("Position"))
    {
        const char* p = text + 8;
        double t = 0.0;
        if (readNumber (p, end, t))
            fx.setModTimePosition ((float) t);
    }
    else if (message.startsWith ("Open "))
    {
        const auto path = message.fromFirstOccurrenceOf ("Open ", false, false);
        if (path.isNotEmpty())
            fx.loadAuxFile (path);
    }
    else if (startsWith ("ChangeAgitation"))
    {
        const char* p = text + 15;
        int id = 0;
        double value = 0.0;
        // Only the agit buttons' own parameters, with a value an agitation id can take.
        if (readInteger (p, end, id) && readNumber (p, end, value) && id >= Zuveruva::kFrequencyAgit
            && id <= Zuveruva::kBalanceAgit && value >= 0.0 && value <= 1.0)
            fx.setParameterNotifyingHost (id, (float) value);
    }
    else if (message == "SyncOn")
        fx.setParameterNotifyingHost (Zuveruva::kSync, 1.0f);
    else if (message == "SyncOff")
        fx.setParameterNotifyingHost (Zuveruva::kSync, 0.0f);
}

bool ZuveruvaComponent::keyPressed (const juce::KeyPress& key)
{
    const int code = key.getKeyCode();
    if (code == 'P' || code == 'p')
    {
        zuveruvaView->printImage();
        return true;
    }
    return false;
}
