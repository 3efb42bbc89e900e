#pragma once
// A test effect that records what its editor asks of it, and a small editor
// over it built from the kit's widgets and wired as the effect panels wire
// theirs: sliders and the popup by gestures, the value label by its action
// codes, the preset bar by its click codes, typed text through setParameter.
#include "MyEditor.h"
#include "MyJuceButtons.h"
#include "MyJuceLabel.h"
#include "MyJucePopup.h"
#include "MyJucePresets.h"
#include "MyJuceSlider.h"
#include "TestEffect.h"

#include <mutex>
#include <string>
#include <vector>

class SpyEffect : public TestEffect
{
public:
    // No timers: the agitator thread stays off, the tests drive refreshes.
    SpyEffect() : TestEffect (8, false) {}
    ~SpyEffect() override { stopThreads(); }

    void beginParameterChangeGesture (int i) override
    {
        note ("begin " + juce::String (i));
        TestEffect::beginParameterChangeGesture (i);
    }

    void endParameterChangeGesture (int i) override
    {
        note ("end " + juce::String (i));
        TestEffect::endParameterChangeGesture (i);
    }

    void setIndexedParameter (int i, float v) override
    {
        note ("set " + juce::String (i) + " " + juce::String (v, 3));
        TestEffect::setIndexedParameter (i, v);
    }

    void SetPreset (long slot, long action) override
    {
        note ("preset " + juce::String ((int) slot) + " " + juce::String ((int) action));
        TestEffect::SetPreset (slot, action);
    }

    void StopInterpolation() override
    {
        note ("stop");
        TestEffect::StopInterpolation();
    }

    void setSuperState (long cell, long preset) override
    {
        note ("super " + juce::String ((int) cell) + " " + juce::String ((int) preset));
        TestEffect::setSuperState (cell, preset);
    }

    bool SetSyncMode (int i, bool on) override
    {
        note ("sync " + juce::String (i) + (on ? " on" : " off"));
        return TestEffect::SetSyncMode (i, on);
    }

    juce::AudioProcessorEditor* createEditor() override;

    std::vector<std::string> takeLog()
    {
        const std::lock_guard<std::mutex> lock (logLock);
        auto copy = log;
        log.clear();
        return copy;
    }

private:
    void note (const juce::String& s)
    {
        const std::lock_guard<std::mutex> lock (logLock);
        log.push_back (s.toStdString());
    }

    std::mutex logLock;
    std::vector<std::string> log;
};

class SpyEditor : public MyEditor,
                  private juce::Slider::Listener,
                  private juce::Label::Listener,
                  private juce::Button::Listener,
                  private juce::ActionListener
{
public:
    enum Index { gain = 0, mix = 1, mode = 2, toggle = 3, preset = 4, agitation = 5 };

    explicit SpyEditor (SpyEffect& e) : MyEditor (&e), spy (e)
    {
        slider.setRange (0.0, 1.0, 0.0);
        slider.setSliderStyle (juce::Slider::LinearHorizontal);
        slider.setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
        slider.defaultValue = spy.getIndexedDefaultValue (gain);
        slider.addListener (this);

        label.setEditable (false, true, false);
        label.syncCapable = true;
        label.addChangeListener (this);
        label.juce::Label::addListener (this);

        for (auto* item : { "One", "Two", "Three", "Four", "Five" })
            popup.addItemText (item);
        popup.addChangeListener (this);

        button.setParams ("Off", "On", true, true);
        button.addListener (this);

        agitButton.setParams ("Agit", "Agit", true, true);
        agitButton.paramIndex = agitation;
        agitButton.addListener (this);
        agitButton.addActionListener (this);

        presets.effect = &spy;
        presets.addChangeListener (this);
        superPreset.addChangeListener (this);

        for (juce::Component* c : std::initializer_list<juce::Component*> { &slider, &label, &popup, &button, &agitButton, &presets, &superPreset })
            addAndMakeVisible (c);

        constrainer.setMinimumSize (400, 300);
        setConstrainer (&constrainer);
        defaultWidth = 400;
        defaultHeight = 300;
        setSize (400, 300);
    }

    ~SpyEditor() override
    {
        label.removeChangeListener (this);
        presets.removeChangeListener (this);
        superPreset.removeChangeListener (this);
        popup.removeChangeListener (this);
    }

    void resized() override
    {
        slider.setBounds (10, 10, 200, 20);
        label.setBounds (220, 10, 60, 18);
        popup.setBounds (290, 10, 80, 18);
        button.setBounds (10, 40, 60, 20);
        agitButton.setBounds (80, 40, 60, 20);
        presets.setBounds (10, 70, 100, 180);
        superPreset.setBounds (120, 70, 260, 18);
    }

    void updateParametersFromFilter() override
    {
        ++refreshCount;
        if (spy.isParameterChanged (gain))
            slider.setValue (spy.getIndexedParameter (gain), false, false);
        if (spy.isParameterChanged (mix))
            label.setText (spy.getIndexedParameterText (mix), false);
        if (spy.isParameterChanged (mode))
            popup.setValue (spy.getIndexedParameter (mode), false);
        if (spy.isParameterChanged (toggle))
            button.setToggleState (spy.getIndexedParameter (toggle) > 0.5f, juce::dontSendNotification);
        if (spy.isParameterChanged (agitation))
            agitButton.setValue (spy.getIndexedParameter (agitation));
        if (spy.isParameterChanged (preset))
            presets.setText (spy.getIndexedParameter (preset), true);
        int states[16];
        spy.getPresetStates (states);
        presets.setStates (states);
        presets.SetValue (spy.getAlfa());
        for (int cell = 0; cell < 8; ++cell)
            superPreset.SetState (cell, spy.getSuperState (cell));
    }

    void IncrParametre (long index) override
    {
        steps.push_back ("incr " + std::to_string (index));
        spy.setParameterNotifyingHost ((int) index, spy.getIndexedParameter ((int) index) + 0.01f);
    }

    void DecrParametre (long index) override
    {
        steps.push_back ("decr " + std::to_string (index));
        spy.setParameterNotifyingHost ((int) index, spy.getIndexedParameter ((int) index) - 0.01f);
    }

    long SetControlHighliteInfo (long index, short on, short type) override
    {
        switch (index)
        {
            case gain: slider.SetControlHighliteInfo (on != 0, type); return 1;
            case mix: label.SetControlHighliteInfo (on != 0, type); return 1;
            case mode: popup.SetControlHighliteInfo (on != 0, type); return 1;
            case toggle: button.SetControlHighliteInfo (on != 0, type); return 1;
            case preset: presets.SetControlHighliteInfo (on != 0, type); return 1;
            case agitation: agitButton.SetControlHighliteInfo (on != 0, type); return 1;
            default: return 0;
        }
    }

    MyBoundsConstrainer* getConstrainer() override { return &constrainer; }

    void changeListenerCallback (juce::ChangeBroadcaster* source) override
    {
        if (source == &label)
        {
            labelActions.push_back ((int) label.action);
            switch ((int) label.action)
            {
                case 2: spy.beginParameterChangeGesture (mix); break;
                case 1: IncrParametre (mix); break;
                case -1: DecrParametre (mix); break;
                case -2: spy.endParameterChangeGesture (mix); break;
                case 0: spy.SetSyncMode (mix, label.isSyncOn()); break;
                default: break;
            }
        }
        else if (source == &presets)
        {
            presetClicks.push_back ({ presets.lastSlot, presets.lastAction });
            switch (presets.lastAction)
            {
                case 0:
                    spy.beginParameterChangeGesture (preset);
                    spy.setParameterNotifyingHost (preset, (float) presets.lastSlot / 15.0f);
                    spy.endParameterChangeGesture (preset);
                    break;
                case 1: case 2: case 3: spy.SetPreset (presets.lastSlot, presets.lastAction); break;
                case 4: spy.StopInterpolation(); break;
                default: break;
            }
        }
        else if (source == &superPreset)
        {
            for (int cell = 0; cell < 8; ++cell)
                spy.setSuperState (cell, superPreset.GetState (cell));
        }
        else if (source == &popup)
        {
            spy.beginParameterChangeGesture (mode);
            spy.setParameterNotifyingHost (mode, popup.getValue (false));
            spy.endParameterChangeGesture (mode);
        }
        else
        {
            MyEditor::changeListenerCallback (source);
        }
    }

    SpyEffect& spy;
    MyJuceSlider slider { "new slider" };
    MyJuceLabel label { "new label", "" };
    MyJucePopup popup { "new label", "" };
    MyJuceSimpleTextButton button { "switch" };
    MySelectAgitButton agitButton { "agitation" };
    MyJucePresets presets { "presets" };
    MyJuceSuperPreset superPreset { "super" };

    int refreshCount = 0;
    std::vector<std::string> steps;
    std::vector<int> labelActions;
    std::vector<std::pair<int, int>> presetClicks;
    std::vector<juce::String> actions;
    std::vector<juce::String> clicks;

private:
    void sliderValueChanged (juce::Slider*) override { spy.setParameterNotifyingHost (gain, (float) slider.getValue()); }
    void sliderDragStarted (juce::Slider*) override { spy.beginParameterChangeGesture (gain); }
    void sliderDragEnded (juce::Slider*) override { spy.endParameterChangeGesture (gain); }

    void labelTextChanged (juce::Label* l) override { setParameter (mix, l->getText()); }

    void buttonClicked (juce::Button* b) override
    {
        clicks.push_back (b->getName() + (b->isDown() ? " down" : " up"));
        if (b == &button)
        {
            spy.beginParameterChangeGesture (toggle);
            spy.setParameterNotifyingHost (toggle, button.getToggleState() ? 1.0f : 0.0f);
            spy.endParameterChangeGesture (toggle);
        }
        else if (b == &agitButton)
        {
            spy.setParameterNotifyingHost (agitation, agitButton.getAgitationID());
        }
    }

    void actionListenerCallback (const juce::String& message) override { actions.push_back (message); }
};

inline juce::AudioProcessorEditor* SpyEffect::createEditor() { return new SpyEditor (*this); }
