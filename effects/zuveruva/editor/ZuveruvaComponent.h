#pragma once
// ZuveruvaComponent: the control panel of the crunch editor. Around the
// spectrum pad (whose point sets the amplitude and frequency smoothing) it
// holds the auxiliary source's controls and an embedded player for the
// auxiliary file, the output gain and mix, the preset bar, interpolation
// time and agitation controls, the super preset, the preset interpolation
// slider and the save, load, MIDI and undo buttons.
//
// Effect to panel (ZuveruvaComponentRefresh.cpp): updateParametersFromFilter
// after each change message of the effect (only controls whose parameter
// changed, plus the preset bar's progress, the super-preset cells, the
// auxiliary file, the agitation pop-up and the undo buttons every time);
// updateZuveruvaView on the effect's 50 ms tick (the pad's spectrum and the
// player's transport); SetControlHighliteInfo and getControlParameterIndex.
// Panel to effect (ZuveruvaComponentInput.cpp): every change goes through
// the effect's setParameterNotifyingHost, a click inside one gesture; the
// panel never sets a control from its own input, the effect's next change
// message does.
//
// Threads: message thread only. The effect's display arrays, the auxiliary
// reader's position and loop and the side-chain width are read through the
// effect's atomics and copies; the auxiliary file only on the message
// thread, where the effect also replaces it.
#include "MyEditor.h"
#include "MyJuceButtons.h"
#include "MyJuceLabel.h"
#include "MyJucePopup.h"
#include "MyJucePresets.h"
#include "MyJuceSlider.h"
#include "ManualLauncher.h"
#include "ZuveruvaParts.h"
#include "ZuveruvaView.h"

#include <memory>

class Zuveruva;

class ZuveruvaComponent : public juce::Component,
                          public juce::ChangeListener,
                          public juce::ActionListener,
                          public juce::Slider::Listener,
                          public juce::Label::Listener,
                          public juce::Button::Listener
{
public:
    static constexpr int defaultWidth = 520;
    static constexpr int defaultHeight = 380;

    explicit ZuveruvaComponent (MyEditor* editor);
    ~ZuveruvaComponent() override;

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

    void updateParametersFromFilter();
    void updateZuveruvaView();
    long SetControlHighliteInfo (long index, short on, short type);
    int getControlParameterIndex (juce::Component& control);

    // The selected agitation's depth and speed parameters (20/21 for
    // agitation 0 or any value outside 1..3, then 30..32 and 33..35).
    static int depthParameter (int agitation) noexcept;
    static int speedParameter (int agitation) noexcept;

    // How the documentation button opens the manual (tests replace its seams).
    ManualLauncher manual;
    // How often the refresh has handed the player a new auxiliary file.
    int auxFileOpens = 0;

    // Children, in creation order (the z-order).
    std::unique_ptr<juce::Component> displayFrame;
    std::unique_ptr<juce::Component> auxFrame;
    std::unique_ptr<MyJucePresets> presets;
    std::unique_ptr<MyJuceSlider> interpolationTimeSlider;
    std::unique_ptr<MyJuceLabel> interpolationTimeValue;
    std::unique_ptr<MyJuceSimpleTextButton> memoryButton;
    std::unique_ptr<MyJuceSuperPreset> superPreset;
    std::unique_ptr<MyJuceSlider> mixSlider;
    std::unique_ptr<MyJuceLabel> mixValue;
    std::unique_ptr<MyJucePopup> bandsPopup;
    std::unique_ptr<ZuveruvaView> zuveruvaView;
    std::unique_ptr<MyJuceSimpleTextButton> saveButton;
    std::unique_ptr<MyJuceSimpleTextButton> loadButton;
    std::unique_ptr<juce::Slider> agitationDepthKnob;
    std::unique_ptr<MyJuceSimpleTextButton> agitationButton;
    std::unique_ptr<MyJuceLabel> agitationDepthValue;
    std::unique_ptr<juce::Slider> agitationSpeedKnob;
    std::unique_ptr<MyJuceLabel> agitationSpeedValue;
    std::unique_ptr<juce::Label> auxInputCaption;
    std::unique_ptr<juce::Label> bandsCaption;
    std::unique_ptr<juce::Label> mixCaption;
    std::unique_ptr<MySelectAgitButton> mixAgitButton;
    std::unique_ptr<MyJuceSlider> presetInterpolationSlider;
    std::unique_ptr<AuxPlayerPanel> auxPlayer;
    std::unique_ptr<MyJuceSimpleTextButton> sampleButton;
    std::unique_ptr<MySelectAgitButton> balanceAgitButton;
    std::unique_ptr<MyJuceLabel> balanceValue;
    std::unique_ptr<MyJuceSlider> balanceSlider;
    std::unique_ptr<MyJuceSlider> gainSlider;
    std::unique_ptr<MyJuceLabel> gainValue;
    std::unique_ptr<juce::Label> gainCaption;
    std::unique_ptr<MySelectAgitButton> gainAgitButton;
    std::unique_ptr<MySelectAgitButton> frequencyAgitButton;
    std::unique_ptr<MySelectAgitButton> amplitudeAgitButton;
    std::unique_ptr<juce::Label> amplitudeCaption;
    std::unique_ptr<juce::Label> frequencyCaption;
    std::unique_ptr<MyJuceSlider> auxGainSlider;
    std::unique_ptr<MyJuceLabel> auxGainValue;
    std::unique_ptr<juce::Label> auxGainCaption;
    std::unique_ptr<MySelectAgitButton> auxGainAgitButton;
    std::unique_ptr<MyJuceSlider> auxDepthSlider;
    std::unique_ptr<MyJuceLabel> auxDepthValue;
    std::unique_ptr<juce::Label> auxDepthCaption;
    std::unique_ptr<MySelectAgitButton> auxDepthAgitButton;
    std::unique_ptr<MyJuceLabel> frequencyValue;
    std::unique_ptr<MyJuceLabel> amplitudeValue;
    std::unique_ptr<juce::Label> balanceCaption;
    std::unique_ptr<MyJucePopup> auxPopup;
    std::unique_ptr<juce::ImageButton> logoButton;
    std::unique_ptr<MidiLearnPanel> midiBindPanel;
    std::unique_ptr<MyJucePopup> agitationPopup;
    std::unique_ptr<MyJuceSimpleTextButton> midiButton;
    std::unique_ptr<MyJuceSimpleTextButton> oscButton;
    std::unique_ptr<OscSettingsPanel> oscConfigPanel;
    std::unique_ptr<MyJuceSimpleTextButton> undoButton;
    std::unique_ptr<MyJuceSimpleTextButton> redoButton;
    std::unique_ptr<juce::ImageButton> documentationButton;

private:
    Zuveruva& effect() const;
    int selectedAgitation() const;
    // The parameter of a value label, -1 for none; agitation labels follow the selected agitation.
    int parameterOfLabel (const juce::Label* label) const;
    // The parameter of a slider (the pad gives 5), -1 for none.
    int parameterOfSlider (const juce::Slider* slider) const;
    void gestureSet (int index, float value);
    void chooseAuxFile();
    void showMessageLater (const juce::String& message);

    MyEditor* const editor;
    juce::Image padBackground;
    juce::Image familyTitle, effectTitle, logo, makerMark;
    bool choosingFile = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZuveruvaComponent)
};
