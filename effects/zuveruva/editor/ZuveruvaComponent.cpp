// The crunch panel: its children, their settings, the layout and the background.
#include "ZuveruvaComponent.h"

#include "MyArialFont.h"
#include "PopupMenus.h"
#include "Zuveruva.h"
#include "ZuveruvaArtwork.h"

namespace
{
const juce::Colour labelText (0xffffd79du);
const juce::Colour panelColour (0xff564e47u);

template <typename T, typename... Args>
std::unique_ptr<T> make (juce::Component& parent, Args&&... args)
{
    auto c = std::make_unique<T> (std::forward<Args> (args)...);
    parent.addAndMakeVisible (*c);
    return c;
}

void setUpCaption (juce::Label& l)
{
    l.setJustificationType (juce::Justification::centredLeft);
    l.setEditable (false, false, false);
    l.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    l.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000u));
    l.setFont (getArialFont (11.0f, false));
}

void setUpValueLabel (MyJuceLabel& l, juce::Justification j, juce::uint32 editorBackground, const juce::String& tooltip)
{
    l.setTooltip (tooltip);
    l.setJustificationType (j);
    l.setEditable (false, true, false);
    l.setColour (juce::Label::backgroundColourId, juce::Colours::black);
    l.setColour (juce::Label::textColourId, labelText);
    l.setColour (juce::TextEditor::textColourId, juce::Colours::white);
    l.setColour (juce::TextEditor::backgroundColourId, juce::Colour (editorBackground));
    l.setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffc8c8c8u));
    l.setFont (getArialFont (11.0f, true));
}

void setUpPopup (MyJucePopup& p, const juce::String& tooltip)
{
    p.setTooltip (tooltip);
    p.setJustificationType (juce::Justification::centredBottom);
    p.setEditable (false, false, false);
    p.setColour (juce::Label::backgroundColourId, juce::Colours::black);
    p.setColour (juce::Label::textColourId, labelText);
    p.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    p.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00999999u));
    p.setColour (juce::TextEditor::highlightColourId, juce::Colours::aqua);
    p.setFont (getArialFont (11.0f, true));
}

void setUpSlider (MyJuceSlider& s, juce::Slider::SliderStyle style, const juce::String& tooltip, bool readOnlyBox = true)
{
    s.setTooltip (tooltip);
    s.setRange (0.0, 1.0, 0.0);
    s.setSliderStyle (style);
    s.setTextBoxStyle (juce::Slider::NoTextBox, readOnlyBox, 80, 20);
}

void setUpKnob (juce::Slider& s, const juce::String& tooltip)
{
    s.setTooltip (tooltip);
    s.setRange (0.0, 1.0);
    s.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    s.setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
    s.setColour (juce::Slider::rotarySliderFillColourId, juce::Colour (0x91202020u));
    s.setWantsKeyboardFocus (false);
}

void setUpButton (MyJuceSimpleTextButton& b, const juce::String& text, const juce::String& onText, bool toggle, bool onPress)
{
    b.setParams (text, onText, toggle, onPress);
    b.textColourOn = juce::Colours::white;
    b.textColourOff = juce::Colours::black;
}

void setUpAgitButton (MySelectAgitButton& b, int paramIndex)
{
    b.setParams ({}, {}, true, true);
    b.textColourOn = juce::Colours::white;
    b.textColourOff = juce::Colours::black;
    b.cornerRadius = 0.0f;
    b.fillOn = juce::Colour (226, 1, 123);
    b.fillOff = b.fillOn.darker (1.5f);
    b.fillSpare = juce::Colours::black;
    b.paramIndex = paramIndex;
}

juce::Image* swatch (juce::Colour c)
{
    auto* image = new juce::Image (juce::Image::RGB, 20, 20, true);
    juce::Graphics g (*image);
    g.fillAll (c);
    return image;
}
} // namespace

ZuveruvaComponent::ZuveruvaComponent (MyEditor* e) : editor (e)
{
    setName ("ZuveruvaComponent");
    auto& self = *this;

    displayFrame = make<juce::Component> (self, "cadreDisplay");
    auxFrame = make<juce::Component> (self, "new component");
    presets = make<MyJucePresets> (self, "preset");
    presets->setName ("new preset");
    interpolationTimeSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*interpolationTimeSlider, juce::Slider::LinearVertical, "interpolation time");
    interpolationTimeValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*interpolationTimeValue, juce::Justification::centredBottom, 0x00999999u, "interpolation time");
    memoryButton = make<MyJuceSimpleTextButton> (self, "new button");
    memoryButton->setTooltip ("interpolation time memory recall");
    superPreset = make<MyJuceSuperPreset> (self, "superpreset");
    superPreset->setName ("new superpreset");
    mixSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*mixSlider, juce::Slider::LinearVertical, "dry/wet");
    mixValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*mixValue, juce::Justification::centredBottom, 0x00999999u, "dry/wet");
    bandsPopup = make<MyJucePopup> (self, "new label", "123");
    setUpPopup (*bandsPopup, "number of sinusoids for processing audio");
    zuveruvaView = make<ZuveruvaView> (self);
    zuveruvaView->setName ("zuveruvaView");
    saveButton = make<MyJuceSimpleTextButton> (self, "new button");
    saveButton->setTooltip ("save configuration");
    loadButton = make<MyJuceSimpleTextButton> (self, "new button");
    loadButton->setTooltip ("load configuration");
    agitationDepthKnob = make<juce::Slider> (self, "new slider");
    setUpKnob (*agitationDepthKnob, "agitation depth");
    agitationButton = make<MyJuceSimpleTextButton> (self, "new button");
    agitationButton->setTooltip ("agitation on/off");
    agitationDepthValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*agitationDepthValue, juce::Justification::centred, 0xff5c5c5cu, "agitation depth");
    agitationSpeedKnob = make<juce::Slider> (self, "new slider");
    setUpKnob (*agitationSpeedKnob, "agitation speed");
    agitationSpeedKnob->setColour (juce::Slider::thumbColourId, juce::Colour (0xfff2f2f2u));
    agitationSpeedValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*agitationSpeedValue, juce::Justification::centred, 0xff5c5c5cu, "agitation speed");
    auxInputCaption = make<juce::Label> (self, "new label", "aux input");
    bandsCaption = make<juce::Label> (self, "new label", "bands");
    mixCaption = make<juce::Label> (self, "new label", "mix");
    mixAgitButton = make<MySelectAgitButton> (self, "new button");
    presetInterpolationSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*presetInterpolationSlider, juce::Slider::LinearHorizontal, "interpolation between presets");
    auxPlayer = make<AuxPlayerPanel> (self, false);
    auxPlayer->setName ("playerMod");
    sampleButton = make<MyJuceSimpleTextButton> (self, "new button");
    sampleButton->setTooltip ("sample audio input");
    balanceAgitButton = make<MySelectAgitButton> (self, "new button");
    balanceValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*balanceValue, juce::Justification::centredBottom, 0x00999999u,
                     "0%    : frequence=aux input, amplitude=audio in 100%: frequence=audio in,   amplitude=aux input");
    balanceSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*balanceSlider, juce::Slider::LinearHorizontal,
                 "0%    : frequency=aux input, amplitude=audio in 100%: frequency=audio in,   amplitude=aux input");
    gainSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*gainSlider, juce::Slider::LinearVertical, "output gain");
    gainValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*gainValue, juce::Justification::centredBottom, 0x00999999u, "output gain");
    gainCaption = make<juce::Label> (self, "new label", "gain");
    gainAgitButton = make<MySelectAgitButton> (self, "new button");
    frequencyAgitButton = make<MySelectAgitButton> (self, "new button");
    amplitudeAgitButton = make<MySelectAgitButton> (self, "new button");
    amplitudeCaption = make<juce::Label> (self, "new label", "amplitude");
    frequencyCaption = make<juce::Label> (self, "new label", "frequency");
    auxGainSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*auxGainSlider, juce::Slider::LinearVertical, "aux input gain", false);
    auxGainSlider->setColour (juce::Slider::rotarySliderFillColourId, juce::Colour (0x91202020u));
    auxGainValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*auxGainValue, juce::Justification::centred, 0xff5c5c5cu, "aux input gain");
    auxGainCaption = make<juce::Label> (self, "new label", "gain");
    auxGainAgitButton = make<MySelectAgitButton> (self, "new button");
    auxDepthSlider = make<MyJuceSlider> (self, "new slider");
    setUpSlider (*auxDepthSlider, juce::Slider::LinearVertical, "aux input depth");
    auxDepthValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*auxDepthValue, juce::Justification::centredBottom, 0x00999999u, "aux input depth");
    auxDepthCaption = make<juce::Label> (self, "new label", "depth");
    auxDepthAgitButton = make<MySelectAgitButton> (self, "new button");
    frequencyValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*frequencyValue, juce::Justification::centredBottom, 0x00999999u, "frequency pellam");
    amplitudeValue = make<MyJuceLabel> (self, "new label", "123");
    setUpValueLabel (*amplitudeValue, juce::Justification::centredBottom, 0x00999999u, "amplitude pellam");
    balanceCaption = make<juce::Label> (self, "new label", "balance");
    auxPopup = make<MyJucePopup> (self, "new label", "File");
    setUpPopup (*auxPopup, "auxiliary input source");
    logoButton = make<juce::ImageButton> (self, "new button");
    midiBindPanel = make<MidiLearnPanel> (self, editor);
    agitationPopup = make<MyJucePopup> (self, "new label", "123");
    setUpPopup (*agitationPopup, "selected agitation");
    agitationPopup->setEditable (false, true, false);
    agitationPopup->setColour (juce::TextEditor::textColourId, juce::Colours::white);
    agitationPopup->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff5c5c5cu));
    agitationPopup->setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffc8c8c8u));
    midiButton = make<MyJuceSimpleTextButton> (self, "new button");
    midiButton->setTooltip ("midi configuration");
    oscButton = make<MyJuceSimpleTextButton> (self, "new button");
    oscButton->setTooltip ("OSC configuration");
    oscConfigPanel = make<OscSettingsPanel> (self, editor);
    undoButton = make<MyJuceSimpleTextButton> (self, "new button");
    undoButton->setButtonText ("undo");
    redoButton = make<MyJuceSimpleTextButton> (self, "new button");
    redoButton->setButtonText ("redo");
    documentationButton = make<juce::ImageButton> (self, "new button");
    documentationButton->setTooltip ("open documentation");

    for (auto* l : { auxInputCaption.get(), bandsCaption.get(), mixCaption.get(), gainCaption.get(), amplitudeCaption.get(),
                     frequencyCaption.get(), auxGainCaption.get(), auxDepthCaption.get(), balanceCaption.get() })
        setUpCaption (*l);

    // Listeners: sliders (their own lists), knobs, labels, buttons.
    for (auto* s : { interpolationTimeSlider.get(), mixSlider.get(), presetInterpolationSlider.get(), balanceSlider.get(),
                     gainSlider.get(), auxGainSlider.get(), auxDepthSlider.get() })
    {
        s->addListener (this);
        s->setColour (juce::Slider::thumbColourId, juce::Colour (0xffdcfdfdu));
    }
    auxGainSlider->removeColour (juce::Slider::thumbColourId);
    agitationDepthKnob->addListener (this);
    agitationSpeedKnob->addListener (this);
    for (auto* l : { interpolationTimeValue.get(), mixValue.get(), agitationDepthValue.get(), agitationSpeedValue.get(),
                     balanceValue.get(), gainValue.get(), auxGainValue.get(), auxDepthValue.get(), frequencyValue.get(),
                     amplitudeValue.get() })
    {
        l->addListener (this);
        l->addChangeListener (this);
    }
    agitationPopup->addListener (this);

    // Artwork.
    familyTitle = ZuveruvaArtwork::familyTitle();
    effectTitle = ZuveruvaArtwork::effectTitle();
    logo = ZuveruvaArtwork::logo();
    makerMark = ZuveruvaArtwork::makerMark();

    setSize (defaultWidth, defaultHeight);

    padBackground = ZuveruvaArtwork::padBackground();
    zuveruvaView->setBackground (padBackground);

    // Buttons.
    setUpButton (*memoryButton, "M", "M", true, true);
    setUpButton (*saveButton, "Save", "Save", false, true);
    setUpButton (*loadButton, "Load", "Load", false, true);
    setUpButton (*agitationButton, "Off", "On", true, true);
    setUpButton (*sampleButton, "Sample", "Sample", false, true);
    setUpButton (*midiButton, "Midi", "Midi", false, true);
    setUpButton (*oscButton, "OSC", "OSC", false, true);
    for (auto* b : { memoryButton.get(), saveButton.get(), loadButton.get(), agitationButton.get(), sampleButton.get(),
                     midiButton.get(), oscButton.get(), undoButton.get(), redoButton.get() })
        b->addListener (this);
    const std::pair<MySelectAgitButton*, int> agitButtons[] = {
        { mixAgitButton.get(), Zuveruva::kMixAgit },           { balanceAgitButton.get(), Zuveruva::kBalanceAgit },
        { gainAgitButton.get(), Zuveruva::kGainAgit },         { frequencyAgitButton.get(), Zuveruva::kFrequencyAgit },
        { amplitudeAgitButton.get(), Zuveruva::kAmplitudeAgit }, { auxGainAgitButton.get(), Zuveruva::kAuxGainAgit },
        { auxDepthAgitButton.get(), Zuveruva::kAuxDepthAgit }
    };
    for (auto [b, index] : agitButtons)
    {
        setUpAgitButton (*b, index);
        b->addListener (this);
        b->addActionListener (this);
    }
    oscButton->setVisible (false);
    logoButton->addListener (this);
    documentationButton->addListener (this);

    // Value labels that may show tempo sync; the pop-ups' items.
    interpolationTimeValue->syncCapable = true;
    agitationSpeedValue->syncCapable = true;
    bandsPopup->addChangeListener (this);
    for (auto* item : { "2", "4", "8", "16", "32", "64", "128", "256", "512", "1024", "2048", "4096" })
        bandsPopup->addItemText (item);
    auxPopup->addChangeListener (this);
    for (auto* item : { "No Aux", "File", "Side-Chain", "", "Load File" })
        auxPopup->addItemText (item);
    auxPopup->clearActive();

    zuveruvaView->addListener (this);
    presets->addChangeListener (this);
    superPreset->addChangeListener (this);
    presets->effect = editor->getEffect();

    // The player: no mixer controls, no meters, loops as fractions of the file.
    auxPlayer->addActionListener (this);
    hideMixerControls (*auxPlayer);
    auxPlayer->displayVuMeter (false);
    auxPlayer->setText ({});
    auxPlayer->syncShown = true;

    agitationPopup->addChangeListener (this);
    const juce::Colour swatches[] = { juce::Colours::red, juce::Colours::yellow, juce::Colours::green, juce::Colours::cornflowerblue };
    for (int k = 0; k < 4; ++k)
        agitationPopup->addItem ("Agitation " + juce::String (k + 1), swatch (swatches[k]));
    midiBindPanel->setVisible (false);
    oscConfigPanel->setVisible (false);

    logoButton->setImages (false, true, true, logo, 1.0f, {}, {}, 0.0f, {}, {}, 0.0f, {});
    documentationButton->setImages (false, true, true, {}, 0.0f, {}, {}, 0.0f, {}, {}, 0.0f, {});

    auto& fx = effect();
    const std::pair<MyJuceSlider*, int> defaults[] = {
        { interpolationTimeSlider.get(), Zuveruva::kInterSpeed }, { mixSlider.get(), Zuveruva::kMix },
        { presetInterpolationSlider.get(), Zuveruva::kSuperSlider }, { balanceSlider.get(), Zuveruva::kBalance },
        { gainSlider.get(), Zuveruva::kGain }, { auxGainSlider.get(), Zuveruva::kAuxGain },
        { auxDepthSlider.get(), Zuveruva::kAuxDepth }
    };
    for (auto [s, index] : defaults)
        s->defaultValue = fx.getIndexedDefaultValue (index);
    zuveruvaView->defaultX = fx.getIndexedDefaultValue (Zuveruva::kAmplitude);
    zuveruvaView->defaultY = fx.getIndexedDefaultValue (Zuveruva::kFrequency);

    updateParametersFromFilter();
    auxPlayer->clearShortcuts();
    undoButton->setEnabled (false);
    redoButton->setEnabled (false);
    setWantsKeyboardFocus (true);
}

ZuveruvaComponent::~ZuveruvaComponent() = default;

Zuveruva& ZuveruvaComponent::effect() const
{
    return *static_cast<Zuveruva*> (editor->getEffect());
}

void ZuveruvaComponent::resized()
{
    const int W = getWidth(), H = getHeight();

    auxFrame->setBounds (3, 3, W - 91, 85);
    auxInputCaption->setBounds (10, 7, 47, 14);
    auxPopup->setBounds (63, 7, 69, 14);
    balanceCaption->setBounds (138, 7, 42, 14);
    balanceSlider->setBounds (185, 6, W - 391, 16);
    balanceValue->setBounds (W - 204, 7, 31, 14);
    balanceAgitButton->setBounds (W - 173, 7, 8, 14);
    auxPlayer->setBounds (9, 23, W - 174, 65);
    auxGainCaption->setBounds (W - 157, 4, 28, 14);
    auxGainSlider->setBounds (W - 153, 17, 12, 51);
    auxGainValue->setBounds (W - 164, 69, 30, 14);
    auxGainAgitButton->setBounds (W - 134, 69, 8, 14);
    auxDepthCaption->setBounds (W - 125, 4, 28, 14);
    auxDepthSlider->setBounds (W - 120, 17, 12, 51);
    auxDepthValue->setBounds (W - 126, 69, 28, 14);
    auxDepthAgitButton->setBounds (W - 98, 69, 8, 14);

    amplitudeCaption->setBounds (7, 93, 48, 14);
    amplitudeValue->setBounds (57, 94, 31, 14);
    amplitudeAgitButton->setBounds (88, 94, 8, 14);
    frequencyCaption->setBounds (99, 93, 48, 14);
    frequencyValue->setBounds (149, 94, 31, 14);
    frequencyAgitButton->setBounds (180, 94, 8, 14);
    sampleButton->setBounds (197, 94, W - 442, 14);
    bandsCaption->setBounds (W - 241, 93, 33, 14);
    bandsPopup->setBounds (W - 206, 94, 40, 14);
    gainCaption->setBounds (W - 156, 94, 28, 14);
    mixCaption->setBounds (W - 122, 94, 28, 14);

    displayFrame->setBounds (1, 1, W - 87, H - 96);
    zuveruvaView->setBounds (8, 114, W - 174, H - 216);
    gainSlider->setBounds (W - 152, 120, 12, H - 242);
    mixSlider->setBounds (W - 118, 120, 12, H - 242);
    gainValue->setBounds (W - 164, H - 116, 30, 14);
    gainAgitButton->setBounds (W - 134, H - 116, 8, 14);
    mixValue->setBounds (W - 126, H - 116, 30, 14);
    mixAgitButton->setBounds (W - 96, H - 116, 8, 14);

    presets->setBounds (W - 81, 6, 50, 144);
    interpolationTimeSlider->setBounds (W - 23, 6, 16, 144);
    interpolationTimeValue->setBounds (W - 81, 157, 50, 14);
    memoryButton->setBounds (W - 26, 157, 20, 14);
    agitationPopup->setBounds (W - 81, 181, 75, 14);
    agitationDepthKnob->setBounds (W - 82, 198, 32, 32);
    agitationSpeedKnob->setBounds (W - 38, 198, 32, 32);
    agitationDepthValue->setBounds (W - 83, 230, 37, 14);
    agitationSpeedValue->setBounds (W - 42, 230, 38, 14);
    agitationButton->setBounds (W - 81, 248, 75, 14);
    undoButton->setBounds (W - 80, H - 113, 36, 14);
    redoButton->setBounds (W - 42, H - 113, 36, 14);

    superPreset->setBounds (8, H - 88, W - 15, 13);
    presetInterpolationSlider->setBounds (10, H - 73, W - 19, 16);
    documentationButton->setBounds (0, H - 46, 158, 46);
    saveButton->setBounds (W - 120, H - 48, 64, 14);
    loadButton->setBounds (W - 120, H - 32, 64, 14);
    midiButton->setBounds (W - 119, H - 16, 31, 14);
    oscButton->setBounds (W - 86, H - 16, 31, 14);
    logoButton->setBounds (W - 49, H - 48, 47, 46);
    midiBindPanel->setBounds (W / 2 - 136, H - 52, 274, 52);
    oscConfigPanel->setBounds (W / 2 - 136, H - 52, 274, 52);
}

void ZuveruvaComponent::paint (juce::Graphics& g)
{
    const int W = getWidth(), H = getHeight();
    const auto reduceOnly = juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize;

    g.fillAll (panelColour);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (familyTitle, 13, H - 40, 128, 27, reduceOnly);
    g.drawImageWithin (effectTitle, W / 2 - 59, H - 37, 118, 24, reduceOnly);
    g.drawImageWithin (logo, W - 49, H - 48, 47, 46, juce::RectanglePlacement::centred);

    g.setColour (juce::Colour (0xffc0bcbau));
    g.fillRoundedRectangle (juce::Rectangle<float> ((float) W - 85, 2, 83, 173), 1.0f);
    g.fillRoundedRectangle (juce::Rectangle<float> (2, (float) H - 94, (float) W - 4, 40), 1.0f);
    g.fillRoundedRectangle (juce::Rectangle<float> ((float) W - 85, 177, 83, (float) H - 273), 1.0f);
    g.fillRect (W - 62, 172, 35, 18);
    g.fillRect (W - 62, H - 110, 35, 18);
    g.setColour (juce::Colour (0xff9391a6u));
    g.fillRect (0, H - 52, W, 2);
    g.setColour (panelColour);
    g.fillRect (W / 2 - 17, H - 54, 35, 9);
    g.setColour (juce::Colours::black);
    g.drawImage (makerMark, 130, H - 18, 31, 14, 0, 0, makerMark.getWidth(), makerMark.getHeight());

    g.setColour (juce::Colour (0xffedededu));
    g.fillRect (displayFrame->getBounds());
    g.setColour (juce::Colour (0xffedededu).darker (0.1f));
    g.fillRect (auxFrame->getBounds());
    g.setColour (juce::Colour (17, 31, 66));
    g.fillRect (zuveruvaView->getBounds());
}

void ZuveruvaComponent::paintOverChildren (juce::Graphics& g)
{
    for (auto* s : { presetInterpolationSlider.get(), interpolationTimeSlider.get(), mixSlider.get(), gainSlider.get(),
                     balanceSlider.get() })
        s->DrawElas (g);
    zuveruvaView->DrawElas (g, 0, 0);
}
