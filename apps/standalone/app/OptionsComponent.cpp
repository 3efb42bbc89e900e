#include "OptionsComponent.h"

#include "Dialogs.h"

namespace selvo
{
namespace
{
void place (juce::Component& parent, juce::Component& child, const juce::String& name, juce::Rectangle<int> bounds)
{
    child.setName (name);
    child.setBounds (bounds);
    parent.addAndMakeVisible (child);
}

void placeToggle (juce::Component& parent, juce::ToggleButton& button, const juce::String& name,
                  juce::Rectangle<int> bounds, int radioGroup, bool on, const juce::String& tooltip)
{
    place (parent, button, name, bounds);
    if (radioGroup != 0)
        button.setRadioGroupId (radioGroup);
    button.setToggleState (on, juce::dontSendNotification);
    if (tooltip.isNotEmpty())
        button.setTooltip (tooltip);
}

// Switches on the button of `buttons` at index (clamped by the caller), which
// switches the rest of its radio group off; no click is sent.
void select (std::initializer_list<juce::ToggleButton*> buttons, size_t index)
{
    (*(buttons.begin() + (std::ptrdiff_t) index))->setToggleState (true, juce::dontSendNotification);
}

// Index of the first button that is on; 0 when none is.
int selected (std::initializer_list<const juce::ToggleButton*> buttons)
{
    int i = 0;
    for (auto* b : buttons)
    {
        if (b->getToggleState())
            return i;
        ++i;
    }
    return 0;
}
} // namespace

//==============================================================================
FilesOptionsComponent::FilesOptionsComponent()
{
    setName ("FileOptionComponent");
    place (*this, recordModeGroup, "group1", { 60, 20, 330, 100 });
    placeToggle (*this, overwriteButton, "Overwrite", { 70, 40, 300, 22 }, recordModeGroupId, true,
                 "Overwrite the current file when pressing the record button");
    placeToggle (*this, appendButton, "Append", { 70, 62, 300, 22 }, recordModeGroupId, false,
                 "Append samples to the end of the current file when pressing the record button");
    placeToggle (*this, renameButton, "Rename", { 70, 84, 300, 22 }, recordModeGroupId, false,
                 "Automatically rename the current file when pressing the record button");
    place (*this, bitsGroup, "group1", { 60, 150, 330, 100 });
    placeToggle (*this, bits16Button, "16Bits", { 70, 170, 180, 22 }, bitsGroupId, true, {});
    placeToggle (*this, bits24Button, "24Bits", { 70, 192, 180, 22 }, bitsGroupId, false, {});
    placeToggle (*this, bits32Button, "32Bits", { 70, 214, 180, 22 }, bitsGroupId, false, {});
    placeToggle (*this, splitButton, "Split", { 70, 260, 180, 22 }, 0, false,
                 "Split the record file in differents mono files");

    splitWarningLabel.setName ("new label");
    splitWarningLabel.setText ("Split files is not compatible with \"Append Mode\"", juce::dontSendNotification);
    splitWarningLabel.setBounds (70, 280, 380, 22);
    addChildComponent (splitWarningLabel);

    for (auto* b : { &overwriteButton, &appendButton, &renameButton, &splitButton })
        b->addListener (this);
}

FilesOptionsComponent::~FilesOptionsComponent()
{
    for (auto* b : { &overwriteButton, &appendButton, &renameButton, &splitButton })
        b->removeListener (this);
}

void FilesOptionsComponent::buttonClicked (juce::Button*)
{
    if (appendButton.getToggleState() && splitButton.getToggleState())
    {
        splitWarningLabel.setVisible (true);
        splitButton.setToggleState (false, juce::dontSendNotification);
    }
    else
    {
        splitWarningLabel.setVisible (false);
    }
}

//==============================================================================
ResamplingOptionsComponent::ResamplingOptionsComponent()
{
    setName ("ResamplingOptionsComponent");
    place (*this, sampleRateGroup, "group1", { 60, 20, 330, 70 });
    placeToggle (*this, fromFileButton, "FromFile", { 70, 40, 300, 22 }, sampleRateGroupId, true,
                 "try to use the sample rate of the input file");
    placeToggle (*this, fromOutputButton, "FromOutput", { 70, 62, 300, 22 }, sampleRateGroupId, false,
                 "use the sample rate of the sound card and resample the input file");
    place (*this, qualityGroup, "group2", { 60, 120, 330, 70 });
    placeToggle (*this, normalButton, "Normal", { 70, 140, 180, 22 }, qualityGroupId, true, {});
    placeToggle (*this, highButton, "High", { 70, 162, 180, 22 }, qualityGroupId, false, {});
}

//==============================================================================
OptionsComponent::OptionsComponent (juce::Component* deviceSelector)
    : tabsLookAndFeel (std::make_unique<juce::LookAndFeel_V3>()),
      tabs (std::make_unique<juce::TabbedComponent> (juce::TabbedButtonBar::TabsAtTop)),
      filesOptions (std::make_unique<FilesOptionsComponent>()),
      resamplingOptions (std::make_unique<ResamplingOptionsComponent>())
{
    setName ("OptionComponent");
    const juce::Colour colour (tabColour);
    tabs->addTab ("Audio", colour, deviceSelector, false);
    tabs->addTab ("Record", colour, filesOptions.get(), false);
    tabs->addTab ("Sample Rate", colour, resamplingOptions.get(), false);
    tabs->setLookAndFeel (tabsLookAndFeel.get());
    tabs->setSize (500, 450);
}

OptionsComponent::~OptionsComponent()
{
    tabs->setLookAndFeel (nullptr);
    // The tabs hold the panels without owning them: they go first.
    tabs.reset();
    resamplingOptions.reset();
    filesOptions.reset();
}

void OptionsComponent::setConfig (int mode)
{
    auto& f = *filesOptions;
    select ({ &f.overwriteButton, &f.appendButton, &f.renameButton }, mode == 2 ? 2u : mode == 1 ? 1u : 0u);
}

int OptionsComponent::getConfig() const
{
    auto& f = *filesOptions;
    return selected ({ &f.overwriteButton, &f.appendButton, &f.renameButton });
}

void OptionsComponent::setBitsConfig (int bits)
{
    auto& f = *filesOptions;
    select ({ &f.bits16Button, &f.bits24Button, &f.bits32Button }, bits == 2 ? 2u : bits == 1 ? 1u : 0u);
}

int OptionsComponent::getBitsConfig() const
{
    auto& f = *filesOptions;
    return selected ({ &f.bits16Button, &f.bits24Button, &f.bits32Button });
}

void OptionsComponent::setSplitConfig (bool on)
{
    filesOptions->splitButton.setToggleState (on, juce::dontSendNotification);
}

bool OptionsComponent::getSplitConfig() const
{
    return filesOptions->splitButton.getToggleState();
}

void OptionsComponent::setSrConfig (int mode)
{
    auto& r = *resamplingOptions;
    select ({ &r.fromFileButton, &r.fromOutputButton }, mode != 0 ? 1u : 0u);
}

int OptionsComponent::getSrConfig() const
{
    auto& r = *resamplingOptions;
    return selected ({ &r.fromFileButton, &r.fromOutputButton });
}

void OptionsComponent::setQualityConfig (int quality)
{
    auto& r = *resamplingOptions;
    select ({ &r.normalButton, &r.highButton }, quality != 0 ? 1u : 0u);
}

int OptionsComponent::getQualityConfig() const
{
    auto& r = *resamplingOptions;
    return selected ({ &r.normalButton, &r.highButton });
}

void OptionsComponent::show()
{
    Dialogs::get().showModalComponent (TRANS ("Options"), *tabs, this, juce::Colours::lightgrey, true);
}
} // namespace selvo
