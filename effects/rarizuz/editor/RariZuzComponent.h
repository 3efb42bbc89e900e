#pragma once
// RariZuzComponent: the control panel of the spectral delay editor. Every
// control of the effect around the sonogram on which the eight players are
// drawn as bars: gain and mix, the selected player's eight rows (amplitude,
// feedback, delay, frequency, length, angle, pan, width) with their
// agitation switches, the players' select and mute buttons, the preset bar
// with its interpolation time, the agitation knobs, smoothness, the super
// slider, undo and redo, save and load, the manual and the About box.
//
// Effect to panel: updateParametersFromFilter (every change message) reads
// the effect's changed flags and refreshes what changed, places the bars and
// enables the selected player's controls; updateRariZuzDisplay (the 50 ms
// tick) scrolls the sonogram and moves the preset bar's progress;
// SetControlHighliteInfo lights the controls of a parameter.
// Panel to effect: every control, value label, button, the display's bar
// messages and the keys reach the effect through setParameterNotifyingHost,
// its gestures and its preset, undo and bar operations. A selected-player
// alias (201..216) that resolves to no player (none selected) reaches
// nothing: only indexes 0..162 are ever sent.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include "ManualLauncher.h"
#include "MidiBindComponent.h"
#include "MyEditor.h"
#include "MyJuceButtons.h"
#include "MyJuceLabel.h"
#include "MyJucePopup.h"
#include "MyJucePresets.h"
#include "MyJuceSlider.h"
#include "MyRariZuzDisplay.h"
#include "OSCConfigComponent.h"
#include "RariZuz.h"

#include <memory>

class RariZuzComponent : public juce::Component,
                         public juce::ChangeListener,
                         public juce::ActionListener,
                         public juce::Slider::Listener,
                         public juce::Label::Listener,
                         public juce::Button::Listener
{
public:
    static constexpr int defaultWidth = 560;
    static constexpr int defaultHeight = 432;
    // The highest parameter index of the effect; aliases above it are unresolved.
    static constexpr int lastParameter = RariZuz::numParameters - 1;

    explicit RariZuzComponent (MyEditor* editor);
    ~RariZuzComponent() override;

    void paint (juce::Graphics&) override;
    void paintOverChildren (juce::Graphics&) override;
    bool keyPressed (const juce::KeyPress&) override;
    void resized() override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void actionListenerCallback (const juce::String& message) override;
    void sliderDragStarted (juce::Slider*) override;
    void sliderDragEnded (juce::Slider*) override;
    void sliderValueChanged (juce::Slider*) override;
    void labelTextChanged (juce::Label*) override;
    void buttonClicked (juce::Button*) override;

    void initDefaultValues();
    void updateParametersFromFilter();
    void updateRariZuzDisplay();
    long SetControlHighliteInfo (long index, short on, short type);
    int getControlParameterIndex (juce::Component& control);

    // The selected agitation's amplitude and speed parameters (90/91,
    // 159/161, 160/162), -1 for a selection outside 0..2.
    int agitationAmplitudeIndex() const;
    int agitationSpeedIndex() const;

    MyJuceSimpleTextButton* selectButtons[8] {};
    MyJuceSimpleTextButton* muteButtons[8] {};
    MyEditor* const editor;

    // Where the manual lives and how it opens (tests replace the seams).
    ManualLauncher manual;

    // Children, in creation order (later ones lie above earlier ones).
    std::unique_ptr<juce::Component> gainMixFrame;
    std::unique_ptr<juce::Component> playerRowsLeftFrame;
    std::unique_ptr<juce::Component> cadre;
    std::unique_ptr<juce::Component> playerRowsArea;
    std::unique_ptr<juce::Label> delayCaption;
    std::unique_ptr<juce::Component> leftValuesFrame;
    std::unique_ptr<MyJuceSlider> delaySlider;
    std::unique_ptr<MyJuceLabel> panValue;
    std::unique_ptr<juce::Component> rightValuesFrame;
    std::unique_ptr<juce::Component> displayFrame;
    std::unique_ptr<MyRariZuzDisplay> display;
    std::unique_ptr<juce::Label> selectedPlayerLabel;
    std::unique_ptr<MyJuceSlider> feedbackSlider;
    std::unique_ptr<juce::Component> playerRowsRightFrame;
    std::unique_ptr<juce::Component> agitationValuesFrame;
    std::unique_ptr<MyJuceLabel> agitationSpeedValue;
    std::unique_ptr<MyJuceLabel> gainValue;
    std::unique_ptr<MyJuceSlider> presetInterpolationSlider;
    std::unique_ptr<MyJucePresets> presets;
    std::unique_ptr<MyJuceSuperPreset> superPreset;
    std::unique_ptr<MyJuceSlider> interpolationTimeSlider;
    std::unique_ptr<MyJuceLabel> interpolationTimeValue;
    std::unique_ptr<MyJuceSimpleTextButton> saveButton;
    std::unique_ptr<MyJuceSimpleTextButton> loadButton;
    std::unique_ptr<MyJuceSlider> gainSlider;
    std::unique_ptr<juce::Slider> agitationDepthKnob;
    std::unique_ptr<MyJuceSimpleTextButton> agitationButton;
    std::unique_ptr<MyJuceLabel> agitationDepthValue;
    std::unique_ptr<juce::Slider> agitationSpeedKnob;
    std::unique_ptr<MySelectAgitButton> gainAgitButton;
    std::unique_ptr<juce::Label> bandsCaption;
    std::unique_ptr<juce::Label> gainCaption;
    std::unique_ptr<MyJuceSimpleTextButton> memoryButton;
    std::unique_ptr<juce::Label> amplitudeCaption;
    std::unique_ptr<juce::Label> smoothnessCaption;
    std::unique_ptr<MyJuceLabel> mixValue;
    std::unique_ptr<MyJuceSlider> mixSlider;
    std::unique_ptr<MySelectAgitButton> mixAgitButton;
    std::unique_ptr<juce::Label> mixCaption;
    std::unique_ptr<juce::Label> frequencyCaption;
    std::unique_ptr<MyJuceSimpleTextButton> selectButtonOwners[8];
    std::unique_ptr<MySelectAgitButton> amplitudeAgitButton;
    std::unique_ptr<MyJuceSlider> amplitudeSlider;
    std::unique_ptr<juce::Slider> smoothnessKnob;
    std::unique_ptr<MyJuceSlider> frequencySlider;
    std::unique_ptr<juce::Label> lengthCaption;
    std::unique_ptr<MyJuceSlider> lengthSlider;
    std::unique_ptr<juce::Label> angleCaption;
    std::unique_ptr<MyJuceSlider> angleSlider;
    std::unique_ptr<juce::Label> feedbackCaption;
    std::unique_ptr<MyJuceLabel> amplitudeValue;
    std::unique_ptr<MySelectAgitButton> feedbackAgitButton;
    std::unique_ptr<MyJuceLabel> feedbackValue;
    std::unique_ptr<MySelectAgitButton> delayAgitButton;
    std::unique_ptr<MyJuceLabel> delayValue;
    std::unique_ptr<MySelectAgitButton> frequencyAgitButton;
    std::unique_ptr<MyJuceLabel> frequencyValue;
    std::unique_ptr<MySelectAgitButton> lengthAgitButton;
    std::unique_ptr<MyJuceLabel> lengthValue;
    std::unique_ptr<MySelectAgitButton> angleAgitButton;
    std::unique_ptr<MyJuceLabel> angleValue;
    std::unique_ptr<MyJuceSimpleTextButton> muteButtonOwners[8];
    std::unique_ptr<MyJuceSimpleTextButton> resetButton;
    std::unique_ptr<MyJuceSimpleTextButton> muteAllButton;
    std::unique_ptr<juce::Label> panCaption;
    std::unique_ptr<MyJuceSlider> panSlider;
    std::unique_ptr<MySelectAgitButton> panAgitButton;
    std::unique_ptr<juce::Label> widthCaption;
    std::unique_ptr<MyJuceSlider> widthSlider;
    std::unique_ptr<MySelectAgitButton> widthAgitButton;
    std::unique_ptr<MyJuceLabel> widthValue;
    std::unique_ptr<juce::ImageButton> logoButton;
    std::unique_ptr<MidiBindComponent> midiBindPanel;
    std::unique_ptr<MyJucePopup> agitationPopup;
    std::unique_ptr<MyJuceSimpleTextButton> midiButton;
    std::unique_ptr<MyJuceSimpleTextButton> oscButton;
    std::unique_ptr<OSCConfigComponent> oscConfigPanel;
    std::unique_ptr<MyJuceSimpleTextButton> undoButton;
    std::unique_ptr<MyJuceSimpleTextButton> redoButton;
    std::unique_ptr<juce::ImageButton> documentationButton;

    // The selected player's rows, in alias order 201..208 (amplitude,
    // feedback, delay, frequency, length, angle, pan, width).
    MyJuceSlider* playerSliders[8] {};
    MyJuceLabel* playerValues[8] {};
    MySelectAgitButton* playerAgitButtons[8] {};

private:
    RariZuz& effect() const noexcept { return rariZuz; }
    int conv (int alias) const;

    // Every call into the effect with a parameter index goes through these:
    // an index outside 0..162 (an unresolved alias) reaches nothing.
    static bool isParameter (int index) noexcept { return index >= 0 && index <= lastParameter; }
    void sendValue (int index, float value);
    void beginGesture (int index);
    void endGesture (int index);
    // Begin, value, end.
    void gestureSet (int index, float value);

    // The parameter a slider, knob or value label stands for (-1: none).
    int sliderParameter (juce::Slider* s) const;
    int labelParameter (juce::Label* l) const;
    void labelAction (MyJuceLabel& label);
    void openManual();
    void setPlayerGroupEnabled (bool on);

    // The engine behind the editor (the editor's processor).
    RariZuz& rariZuz;

    juce::Image familyLogo, makerLogo, bundleName, makerMark;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RariZuzComponent)
};
