#pragma once
// The "Options" dialog of the application: three tabs, "Audio" (the device
// selector the window builds), "Record" (record mode, bits per sample, split
// files) and "Sample Rate" (the file's rate or the sound card's, resampling
// quality). The setters and getters carry the window's option values:
//   record mode 0 Overwrite, 1 Append, 2 Rename; bits 0 16, 1 24, 2 32 float;
//   sample-rate mode 0 from the file, 1 from the sound card; quality 0 normal, 1 high.
// The component itself is never shown: show() puts `tabs` in a modal dialog
// through the dialogs interface and returns once it is closed.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace selvo
{
// The "Record" tab. Split files and Append do not go together: a click on
// any of the record-mode buttons or on Split that leaves both on switches
// Split back off and shows a warning; any other click hides the warning.
class FilesOptionsComponent : public juce::Component,
                              public juce::Button::Listener
{
public:
    FilesOptionsComponent();
    ~FilesOptionsComponent() override;

    void buttonClicked (juce::Button* button) override;

    static constexpr int recordModeGroupId = 1234;
    static constexpr int bitsGroupId = 5678;

    juce::GroupComponent recordModeGroup { "group1", "Record Modes" };
    juce::ToggleButton overwriteButton { "Overwrite the current file" };
    juce::ToggleButton appendButton { "Append samples to the end of the current file" };
    juce::ToggleButton renameButton { "Automatically rename the current file" };
    juce::GroupComponent bitsGroup { "group1", "Bits per Sample" };
    juce::ToggleButton bits16Button { "Integer 16 bits" };
    juce::ToggleButton bits24Button { "Integer 24 bits" };
    juce::ToggleButton bits32Button { "Floating point 32 bits" };
    juce::ToggleButton splitButton { "Split files" };
    juce::Label splitWarningLabel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilesOptionsComponent)
};

// The "Sample Rate" tab.
class ResamplingOptionsComponent : public juce::Component
{
public:
    ResamplingOptionsComponent();
    ~ResamplingOptionsComponent() override = default;

    static constexpr int sampleRateGroupId = 1236;
    static constexpr int qualityGroupId = 5679;

    juce::GroupComponent sampleRateGroup { "group1", "Sample Rate" };
    juce::ToggleButton fromFileButton { "From input file" };
    juce::ToggleButton fromOutputButton { "From sound card" };
    juce::GroupComponent qualityGroup { "group2", "Resample quality" };
    juce::ToggleButton normalButton { "Normal" };
    juce::ToggleButton highButton { "High" };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ResamplingOptionsComponent)
};

class OptionsComponent : public juce::Component
{
public:
    // deviceSelector: the "Audio" tab's content, owned by the caller and
    // outliving this component.
    explicit OptionsComponent (juce::Component* deviceSelector);
    ~OptionsComponent() override;

    // The setters change no listener-visible state (no click is sent).
    void setConfig (int mode);         // 2 Rename, 1 Append, anything else Overwrite
    int getConfig() const;
    void setBitsConfig (int bits);     // 2 32Bits, 1 24Bits, anything else 16Bits
    int getBitsConfig() const;
    void setSplitConfig (bool on);
    bool getSplitConfig() const;
    void setSrConfig (int mode);       // non-zero FromOutput, 0 FromFile
    int getSrConfig() const;
    void setQualityConfig (int quality); // non-zero High, 0 Normal
    int getQualityConfig() const;

    // The modal "Options" dialog around `tabs`; returns when it is closed.
    void show();

    static constexpr juce::uint32 tabColour = 0xffededed;

private:
    // Declared first so that it outlives the tabs that use it.
    std::unique_ptr<juce::LookAndFeel_V3> tabsLookAndFeel;

public:
    std::unique_ptr<juce::TabbedComponent> tabs;
    std::unique_ptr<FilesOptionsComponent> filesOptions;
    std::unique_ptr<ResamplingOptionsComponent> resamplingOptions;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OptionsComponent)
};
} // namespace selvo
