// The spectral delay panel: its children, their settings, the layout and the
// background. Refresh and highlight are in RariZuzComponentRefresh.cpp, user
// input in RariZuzComponentInput.cpp.
#include "RariZuzComponent.h"

#include "MyArialFont.h"
#include "RariZuzArtwork.h"

#include <cmath>

namespace
{
const juce::Colour thumbColour (0xffdcfdfdu);
const juce::Colour rotaryFill (0x91202020u);

template <typename T>
T* addChild (juce::Component& parent, std::unique_ptr<T>& owner, T* child)
{
    owner.reset (child);
    parent.addAndMakeVisible (child);
    return child;
}

std::unique_ptr<juce::Component> frame (juce::Component& parent, const juce::String& name)
{
    auto c = std::make_unique<juce::Component> (name);
    parent.addAndMakeVisible (c.get());
    return c;
}

void caption (juce::Label& l, juce::Justification j)
{
    l.setJustificationType (j);
    l.setEditable (false, false, false);
    l.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    l.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000u));
    l.setFont (getArialFont (11.0f, false));
}

void valueLabel (juce::Label& l, juce::Justification j, const juce::String& tip)
{
    l.setTooltip (tip);
    l.setJustificationType (j);
    l.setEditable (false, true, false);
    l.setColour (juce::Label::backgroundColourId, juce::Colours::black);
    l.setColour (juce::Label::textColourId, juce::Colour (0xffffd79du));
    l.setColour (juce::TextEditor::textColourId, juce::Colours::white);
    l.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff5c5c5cu));
    l.setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffc8c8c8u));
    l.setFont (getArialFont (11.0f, true));
}

void slider (MyJuceSlider& s, const juce::String& tip, bool vertical, bool player)
{
    s.setTooltip (tip);
    s.setRange (0.0, 1.0, 0.0);
    s.setSliderStyle (vertical ? juce::Slider::LinearVertical : juce::Slider::LinearHorizontal);
    s.setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    s.setColour (juce::Slider::thumbColourId, thumbColour);
    if (player)
        s.setColour (juce::Slider::rotarySliderFillColourId, rotaryFill);
}

void knob (juce::Slider& s, const juce::String& tip)
{
    s.setTooltip (tip);
    s.setRange (0.0, 1.0, 0.0);
    s.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    s.setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
    s.setColour (juce::Slider::rotarySliderFillColourId, rotaryFill);
}

void textButton (MyJuceSimpleTextButton& b, const juce::String& text, const juce::String& onText,
                 bool toggles, const juce::String& tip)
{
    b.setTooltip (tip);
    b.setParams (text, onText, toggles, true);
    b.textColourOn = juce::Colours::white;
    b.textColourOff = juce::Colours::black;
}

void agitButton (MySelectAgitButton& b, int paramIndex, const juce::String& tip)
{
    b.setTooltip (tip);
    b.setParams ({}, {}, true, true);
    b.setNumItems (3);
    b.textColourOn = juce::Colours::white;
    b.textColourOff = juce::Colours::black;
    b.cornerRadius = 0.0f;
    b.paramIndex = paramIndex;
}

juce::Image swatch (juce::Colour c)
{
    juce::Image image (juce::Image::RGB, 20, 20, false);
    image.clear (image.getBounds(), c);
    return image;
}
} // namespace

namespace
{
RariZuz& engineOf (MyEditor* editor)
{
    auto* engine = dynamic_cast<RariZuz*> (editor->getEffect());
    jassert (engine != nullptr);  // this panel exists only over the spectral delay
    return *engine;
}
} // namespace

RariZuzComponent::RariZuzComponent (MyEditor* e)
    : juce::Component ("RariZuzComponent"),
      editor (e),
      rariZuz (engineOf (e))
{
    auto& self = *this;
    gainMixFrame = frame (self, "new component");
    playerRowsLeftFrame = frame (self, "new component");
    cadre = frame (self, "cadre");
    playerRowsArea = frame (self, "new component");
    caption (*addChild (self, delayCaption, new juce::Label ("new label", "delay")), juce::Justification::centredLeft);
    leftValuesFrame = frame (self, "new component");
    slider (*addChild (self, delaySlider, new MyJuceSlider ("new slider")), "central delay of the selected player", false, true);
    valueLabel (*addChild (self, panValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "output panning of the selected player");
    rightValuesFrame = frame (self, "new component");
    displayFrame = frame (self, "new component");
    addChild (self, display, new MyRariZuzDisplay());
    display->setName ("RariZuzDisplay");
    addChild (self, selectedPlayerLabel, new juce::Label ("new label", "1"));
    selectedPlayerLabel->setTooltip ("selected player");
    selectedPlayerLabel->setJustificationType (juce::Justification::centredRight);
    selectedPlayerLabel->setColour (juce::Label::textColourId, juce::Colour (0xff6f6f6fu));
    selectedPlayerLabel->setBounds (234, 5, 31, 32);
    slider (*addChild (self, feedbackSlider, new MyJuceSlider ("new slider")), "feedback of the selected player", false, true);
    playerRowsRightFrame = frame (self, "new component");
    agitationValuesFrame = frame (self, "cadreLabelsAgit");
    valueLabel (*addChild (self, agitationSpeedValue, new MyJuceLabel ("new label", "123")), juce::Justification::centred,
                "agitation speed");
    valueLabel (*addChild (self, gainValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "output gain");
    slider (*addChild (self, presetInterpolationSlider, new MyJuceSlider ("new slider")), "interpolation between presets", false, false);
    addChild (self, presets, new MyJucePresets ("preset"));
    presets->setName ("new preset");
    addChild (self, superPreset, new MyJuceSuperPreset ("superpreset"));
    superPreset->setName ("new superpreset");
    slider (*addChild (self, interpolationTimeSlider, new MyJuceSlider ("new slider")), "interpolation time", true, false);
    valueLabel (*addChild (self, interpolationTimeValue, new MyJuceLabel ("new label", "123")), juce::Justification::centred,
                "interpolation time");
    textButton (*addChild (self, saveButton, new MyJuceSimpleTextButton ("new button")), "Save", "Save", false, "save configuration");
    textButton (*addChild (self, loadButton, new MyJuceSimpleTextButton ("new button")), "Load", "Load", false, "load configuration");
    slider (*addChild (self, gainSlider, new MyJuceSlider ("new slider")), "output gain", false, false);
    knob (*addChild (self, agitationDepthKnob, new juce::Slider ("new slider")), "agitation depth");
    textButton (*addChild (self, agitationButton, new MyJuceSimpleTextButton ("new button")), "Off", "On", true, "agitation on/off");
    valueLabel (*addChild (self, agitationDepthValue, new MyJuceLabel ("new label", "123")), juce::Justification::centred,
                "agitation depth");
    knob (*addChild (self, agitationSpeedKnob, new juce::Slider ("new slider")), "agitation speed");
    agitationSpeedKnob->setColour (juce::Slider::thumbColourId, juce::Colour (0xfff2f2f2u));
    agitButton (*addChild (self, gainAgitButton, new MySelectAgitButton ("new button")), RariZuz::pGainAgit, {});
    caption (*addChild (self, bandsCaption, new juce::Label ("new label", "bands")), juce::Justification::centredRight);
    caption (*addChild (self, gainCaption, new juce::Label ("new label", "gain")), juce::Justification::centredLeft);
    textButton (*addChild (self, memoryButton, new MyJuceSimpleTextButton ("new button")), "M", "M", true,
                "interpolation time memory recall");
    caption (*addChild (self, amplitudeCaption, new juce::Label ("new label", "amplitude")), juce::Justification::centredLeft);
    caption (*addChild (self, smoothnessCaption, new juce::Label ("new label", "smoothness")), juce::Justification::centred);
    valueLabel (*addChild (self, mixValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom, "wet/dry");
    slider (*addChild (self, mixSlider, new MyJuceSlider ("new slider")), "wet/dry", false, false);
    agitButton (*addChild (self, mixAgitButton, new MySelectAgitButton ("new button")), RariZuz::pMixAgit, {});
    caption (*addChild (self, mixCaption, new juce::Label ("new label", "mix")), juce::Justification::centredLeft);
    caption (*addChild (self, frequencyCaption, new juce::Label ("new label", "frequency")), juce::Justification::centredLeft);
    textButton (*addChild (self, selectButtonOwners[0], new MyJuceSimpleTextButton ("new button")), "1", "1", true, "select player 1");
    selectButtonOwners[0]->setBounds (9, 6, 17, 14);
    agitButton (*addChild (self, amplitudeAgitButton, new MySelectAgitButton ("new button")), 209, "enable Agit Ampl 1");
    for (int n = 1; n < 8; ++n)
    {
        const juce::String number (n + 1);
        textButton (*addChild (self, selectButtonOwners[n], new MyJuceSimpleTextButton ("new button")), number, number, true,
                    "select player " + number);
    }
    slider (*addChild (self, amplitudeSlider, new MyJuceSlider ("new slider")), "output amplitude of the selected player", false, true);
    amplitudeSlider->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 12);
    knob (*addChild (self, smoothnessKnob, new juce::Slider ("new slider")), "smoothness");
    smoothnessKnob->setColour (juce::Slider::thumbColourId, thumbColour);
    slider (*addChild (self, frequencySlider, new MyJuceSlider ("new slider")), "central frequency of the selected player", false, true);
    caption (*addChild (self, lengthCaption, new juce::Label ("new label", "length")), juce::Justification::centredLeft);
    slider (*addChild (self, lengthSlider, new MyJuceSlider ("new slider")), "length of the selected player", false, true);
    caption (*addChild (self, angleCaption, new juce::Label ("new label", "angle")), juce::Justification::centredLeft);
    slider (*addChild (self, angleSlider, new MyJuceSlider ("new slider")), "angle of the selected player", false, true);
    caption (*addChild (self, feedbackCaption, new juce::Label ("new label", "feedback")), juce::Justification::centredLeft);
    valueLabel (*addChild (self, amplitudeValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "output amplitude of the selected player");
    agitButton (*addChild (self, feedbackAgitButton, new MySelectAgitButton ("new button")), 210, "agitation of the feedback");
    valueLabel (*addChild (self, feedbackValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "feedback of the selected player");
    agitButton (*addChild (self, delayAgitButton, new MySelectAgitButton ("new button")), 211, "agitation of the delay");
    valueLabel (*addChild (self, delayValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "central delay of the selected player");
    agitButton (*addChild (self, frequencyAgitButton, new MySelectAgitButton ("new button")), 212, "agitation of the frequency");
    valueLabel (*addChild (self, frequencyValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "central frequency of the selected player");
    agitButton (*addChild (self, lengthAgitButton, new MySelectAgitButton ("new button")), 213, "agitation of the length");
    valueLabel (*addChild (self, lengthValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "length of the selected player");
    agitButton (*addChild (self, angleAgitButton, new MySelectAgitButton ("new button")), 214, "agitation of the angle");
    valueLabel (*addChild (self, angleValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "angle of the selected player");
    for (int n = 0; n < 8; ++n)
        textButton (*addChild (self, muteButtonOwners[n], new MyJuceSimpleTextButton ("new button")), "M", "M", true,
                    "mute player " + juce::String (n + 1));
    textButton (*addChild (self, resetButton, new MyJuceSimpleTextButton ("new button")), "Reset", "Reset", false, "global reset");
    resetButton->setBounds (187, 6, 38, 14);
    textButton (*addChild (self, muteAllButton, new MyJuceSimpleTextButton ("new button")), "Mute", "Mute", true, "global mute ");
    caption (*addChild (self, panCaption, new juce::Label ("new label", "pan")), juce::Justification::centredLeft);
    slider (*addChild (self, panSlider, new MyJuceSlider ("new slider")), "output panning of the selected player", false, true);
    agitButton (*addChild (self, panAgitButton, new MySelectAgitButton ("new button")), 215, "agitation of the panning");
    caption (*addChild (self, widthCaption, new juce::Label ("new label", "width")), juce::Justification::centredLeft);
    slider (*addChild (self, widthSlider, new MyJuceSlider ("new slider")), "output width of the selected player", false, true);
    agitButton (*addChild (self, widthAgitButton, new MySelectAgitButton ("new button")), 216, "agitation of the width");
    valueLabel (*addChild (self, widthValue, new MyJuceLabel ("new label", "123")), juce::Justification::centredBottom,
                "output width of the selected player");
    addChild (self, logoButton, new juce::ImageButton ("new button"));
    addChild (self, midiBindPanel, new MidiBindComponent (editor));
    valueLabel (*addChild (self, agitationPopup, new MyJucePopup ("new label", "123")), juce::Justification::centredBottom,
                "selected agitation");
    agitationPopup->setEditable (false, false, false);  // it chooses from its menu; there is nothing to type
    textButton (*addChild (self, midiButton, new MyJuceSimpleTextButton ("new button")), "Midi", "Midi", false, "midi configuration");
    textButton (*addChild (self, oscButton, new MyJuceSimpleTextButton ("new button")), "OSC", "OSC", false, "OSC configuration");
    addChild (self, oscConfigPanel, new OSCConfigComponent (editor));
    addChild (self, undoButton, new MyJuceSimpleTextButton ("new button"));
    undoButton->setButtonText ("undo");
    addChild (self, redoButton, new MyJuceSimpleTextButton ("new button"));
    redoButton->setButtonText ("redo");
    addChild (self, documentationButton, new juce::ImageButton ("new button"));
    documentationButton->setTooltip ("open documentation");

    familyLogo = GetFamilyLogo();
    makerLogo = GetMakerLogo();
    bundleName = GetBundleName();
    makerMark = GetMakerMark();

    for (int n = 0; n < 8; ++n)
    {
        selectButtons[n] = selectButtonOwners[n].get();
        muteButtons[n] = muteButtonOwners[n].get();
    }
    MyJuceSlider* const sliders[8] { amplitudeSlider.get(), feedbackSlider.get(), delaySlider.get(), frequencySlider.get(),
                                     lengthSlider.get(), angleSlider.get(), panSlider.get(), widthSlider.get() };
    MyJuceLabel* const values[8] { amplitudeValue.get(), feedbackValue.get(), delayValue.get(), frequencyValue.get(),
                                   lengthValue.get(), angleValue.get(), panValue.get(), widthValue.get() };
    MySelectAgitButton* const agits[8] { amplitudeAgitButton.get(), feedbackAgitButton.get(), delayAgitButton.get(),
                                         frequencyAgitButton.get(), lengthAgitButton.get(), angleAgitButton.get(),
                                         panAgitButton.get(), widthAgitButton.get() };
    for (int r = 0; r < 8; ++r)
    {
        playerSliders[r] = sliders[r];
        playerValues[r] = values[r];
        playerAgitButtons[r] = agits[r];
    }

    // The layout uses the arrays above.
    setSize (defaultWidth, defaultHeight);

    // Listeners: the panel hears every control.
    for (auto* b : { saveButton.get(), loadButton.get(), agitationButton.get(), memoryButton.get(), resetButton.get(),
                     muteAllButton.get(), midiButton.get(), oscButton.get(), undoButton.get(), redoButton.get() })
        b->addListener (this);
    for (int n = 0; n < 8; ++n)
    {
        selectButtons[n]->addListener (this);
        muteButtons[n]->addListener (this);
    }
    for (auto* b : { gainAgitButton.get(), mixAgitButton.get(), amplitudeAgitButton.get(), feedbackAgitButton.get(),
                     delayAgitButton.get(), frequencyAgitButton.get(), lengthAgitButton.get(), angleAgitButton.get(),
                     panAgitButton.get(), widthAgitButton.get() })
    {
        b->addListener (this);
        b->addActionListener (this);
    }
    logoButton->addListener (this);
    documentationButton->addListener (this);
    oscButton->setVisible (false);

    for (auto* s : { gainSlider.get(), mixSlider.get(), presetInterpolationSlider.get(), interpolationTimeSlider.get(),
                     amplitudeSlider.get(), feedbackSlider.get(), delaySlider.get(), frequencySlider.get(),
                     lengthSlider.get(), angleSlider.get(), panSlider.get(), widthSlider.get() })
        s->addListener (this);
    for (auto* s : { agitationDepthKnob.get(), agitationSpeedKnob.get(), smoothnessKnob.get() })
        s->addListener (this);

    for (auto* l : { gainValue.get(), mixValue.get(), interpolationTimeValue.get(), amplitudeValue.get(), feedbackValue.get(),
                     delayValue.get(), frequencyValue.get(), lengthValue.get(), angleValue.get(), panValue.get(),
                     widthValue.get(), agitationDepthValue.get(), agitationSpeedValue.get() })
    {
        l->addListener (this);
        l->addChangeListener (this);
    }
    delayValue->syncCapable = true;
    agitationSpeedValue->syncCapable = true;
    interpolationTimeValue->syncCapable = true;
    presets->addChangeListener (this);
    presets->effect = &rariZuz;
    superPreset->addChangeListener (this);
    display->addActionListener (this);

    logoButton->setImages (false, true, true, makerLogo, 1.0f, {}, {}, 1.0f, {}, {}, 1.0f, {});
    documentationButton->setImages (false, true, true, {}, 0.0f, {}, {}, 0.0f, {}, {}, 0.0f, {});

    selectedPlayerLabel->setFont (juce::Font (41.0f));
    agitationPopup->addChangeListener (this);
    agitationPopup->addItem ("Agitation 1", new juce::Image (swatch (juce::Colours::red)));
    agitationPopup->addItem ("Agitation 2", new juce::Image (swatch (juce::Colours::yellow)));
    agitationPopup->addItem ("Agitation 3", new juce::Image (swatch (juce::Colours::green)));
    agitationPopup->setFont (getArialFont (11.0f, true));
    midiBindPanel->setVisible (false);
    oscConfigPanel->setVisible (false);

    initDefaultValues();
    updateParametersFromFilter();
    bandsCaption->setVisible (false);
}

RariZuzComponent::~RariZuzComponent()
{
    // Listeners are children of this panel: nothing outlives it that could call back.
    display->removeActionListener (this);
}

//==============================================================================
void RariZuzComponent::resized()
{
    const int W = getWidth(), H = getHeight();
    const int A = (int) std::nearbyint ((float) (W - 87) * 0.4989f);
    const int B = (int) std::nearbyint ((float) (W - 87) * 0.5011f);
    const int halfW = W / 2;

    // Top strip.
    for (int n = 1; n < 8; ++n)
        selectButtons[n]->setBounds (9 + 22 * n, 6, 17, 14);
    for (int n = 0; n < 8; ++n)
        muteButtons[n]->setBounds (9 + 22 * n, 23, 17, 14);
    muteAllButton->setBounds (187, 23, 38, 13);
    gainCaption->setBounds (273, 6, 28, 14);
    mixCaption->setBounds (273, 22, 25, 14);
    gainSlider->setBounds (304, 5, W - 453, 16);
    mixSlider->setBounds (304, 21, W - 453, 16);
    gainValue->setBounds (W - 144, 6, 45, 14);
    mixValue->setBounds (W - 144, 22, 45, 14);
    gainAgitButton->setBounds (W - 99, 6, 8, 14);
    mixAgitButton->setBounds (W - 99, 21, 8, 14);
    gainMixFrame->setBounds (W - 145, 4, 55, 33);

    // Right column.
    presets->setBounds (W - 81, 6, 50, 144);
    interpolationTimeSlider->setBounds (W - 23, 6, 16, 144);
    interpolationTimeValue->setBounds (W - 81, 157, 50, 14);
    memoryButton->setBounds (W - 26, 157, 20, 14);
    agitationPopup->setBounds (W - 81, 181, 75, 14);
    agitationDepthKnob->setBounds (W - 82, 197, 34, 34);
    agitationSpeedKnob->setBounds (W - 39, 197, 34, 34);
    agitationDepthValue->setBounds (W - 83, 235, 37, 14);
    agitationSpeedValue->setBounds (W - 42, 235, 38, 14);
    agitationValuesFrame->setBounds (W - 81, 235, 76, 14);
    agitationButton->setBounds (W - 81, 254, 75, 14);
    smoothnessKnob->setBounds (W - 63, 273, 36, 33);
    smoothnessCaption->setBounds (W - 73, 302, 60, 14);
    undoButton->setBounds (W - 79, H - 114, 36, 14);
    redoButton->setBounds (W - 41, H - 114, 36, 14);

    // Display.
    cadre->setBounds (1, 1, W - 87, H - 96);
    displayFrame->setBounds (1, 1, W - 87, H - 173);
    display->setBounds (5, 39, W - 95, H - 215);

    // Player rows: left half amplitude, feedback, delay, pan; right half
    // frequency, length, angle, width.
    juce::Label* const leftCaptions[4] { amplitudeCaption.get(), feedbackCaption.get(), delayCaption.get(), panCaption.get() };
    juce::Label* const rightCaptions[4] { frequencyCaption.get(), lengthCaption.get(), angleCaption.get(), widthCaption.get() };
    const int leftCaptionWidths[4] { 61, 51, 36, 36 };
    const int rightCaptionWidths[4] { 61, 36, 36, 36 };
    const int leftRows[4] { 0, 1, 2, 6 }, rightRows[4] { 3, 4, 5, 7 };
    for (int r = 0; r < 4; ++r)
    {
        const int y = H - 168 + 18 * r;
        leftCaptions[r]->setBounds (7, y, leftCaptionWidths[r], 14);
        playerSliders[leftRows[r]]->setBounds (71, y, A - 134, 14);
        playerValues[leftRows[r]]->setBounds (A - 57, y, 45, 14);
        playerAgitButtons[leftRows[r]]->setBounds (r == 0 ? A - 13 : A - 12, y, 8, 14);
        rightCaptions[r]->setBounds (W - B - 80, y, rightCaptionWidths[r], 14);
        playerSliders[rightRows[r]]->setBounds (W - B - 16, y, B - 134, 14);
        playerValues[rightRows[r]]->setBounds (W - 144, y, 45, 14);
        playerAgitButtons[rightRows[r]]->setBounds (W - 99, y, 8, 14);
    }
    playerRowsArea->setBounds (1, H - 172, W - 87, 77);
    playerRowsLeftFrame->setBounds (1, H - 172, A, 77);
    playerRowsRightFrame->setBounds (W - B - 86, H - 172, B, 77);
    leftValuesFrame->setBounds (A - 58, H - 169, 55, 70);
    rightValuesFrame->setBounds (W - 145, H - 169, 55, 70);

    // Bottom band.
    superPreset->setBounds (7, H - 88, W - 15, 13);
    presetInterpolationSlider->setBounds (9, H - 73, W - 19, 16);
    documentationButton->setBounds (0, H - 46, 158, 46);
    saveButton->setBounds (W - 120, H - 48, 64, 14);
    loadButton->setBounds (W - 120, H - 32, 64, 14);
    midiButton->setBounds (W - 120, H - 16, 64, 14);
    oscButton->setBounds (W - 86, H - 16, 31, 14);
    logoButton->setBounds (W - 49, H - 48, 47, 46);
    midiBindPanel->setBounds (halfW - 126, H - 52, 274, 52);
    oscConfigPanel->setBounds (halfW - 126, H - 52, 274, 52);
    bandsCaption->setBounds (W - 359, -79, 36, 14);
}

void RariZuzComponent::paint (juce::Graphics& g)
{
    const int W = getWidth(), H = getHeight(), halfW = W / 2;
    const juce::Colour panelGrey (0xffc0bcbau);
    const auto onlyReduced = juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize;

    g.fillAll (juce::Colour (0xff564e47u));
    g.setColour (panelGrey);
    g.fillRoundedRectangle ((float) (W - 85), 177.0f, 83.0f, (float) (H - 273), 1.0f);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (familyLogo, 13, H - 40, 128, 27, onlyReduced);
    g.setColour (panelGrey);
    g.fillRoundedRectangle ((float) (W - 85), 2.0f, 83.0f, 173.0f, 1.0f);
    g.fillRoundedRectangle (2.0f, (float) (H - 94), (float) (W - 4), 40.0f, 1.0f);
    g.fillRect (W - 62, 172, 35, 18);
    g.fillRect (W - 62, H - 111, 35, 18);
    g.drawImageWithin (makerLogo, W - 49, H - 48, 47, 46, juce::RectanglePlacement::centred);
    g.setColour (juce::Colour (0xff9391a6u));
    g.fillRect (0, H - 52, W, 2);
    g.setColour (juce::Colour (0xff564e47u));
    g.fillRect (halfW - 17, H - 52, 35, 9);
    g.drawImageWithin (bundleName, halfW - 52, H - 37, 104, 24, onlyReduced);
    g.setColour (juce::Colours::black);
    g.fillRect (417, 6, 52, 30);
    g.drawImageAt (makerMark, 130, H - 18);

    g.setColour (juce::Colour (0xffededed));
    for (auto* c : { displayFrame.get(), playerRowsRightFrame.get(), playerRowsLeftFrame.get() })
    {
        const auto r = c->getBounds();
        g.fillRect (r.getX() + 1, r.getY() + 1, juce::jmax (0, r.getWidth() - 2), juce::jmax (0, r.getHeight() - 2));
    }
    g.setColour (juce::Colours::black);
    for (auto* c : { leftValuesFrame.get(), rightValuesFrame.get(), agitationValuesFrame.get(), gainMixFrame.get(),
                     static_cast<juce::Component*> (display.get()) })
        g.fillRect (c->getBounds());
}

void RariZuzComponent::paintOverChildren (juce::Graphics& g)
{
    for (auto* s : { gainSlider.get(), amplitudeSlider.get(), feedbackSlider.get(), delaySlider.get(), frequencySlider.get(),
                     lengthSlider.get(), angleSlider.get(), panSlider.get(), widthSlider.get(), mixSlider.get(),
                     presetInterpolationSlider.get(), interpolationTimeSlider.get() })
        s->DrawElas (g);
}
