// The "Options" dialog: its option setters and getters, the rule between
// Split files and Append, and what the window does once the dialog closes
// (silent output while it is open, the device's channels and the options
// reaching the effect and the streamer, the title). The dialog goes through
// a dialogs double that acts on it instead of running a modal loop.
#include "OptionsComponent.h"
#include "SelvoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace selvo;

namespace
{
// Answers every dialog at once (no, nothing chosen); the modal component is
// handed to `whileOpen`.
class ActingDialogs : public selvo_test::AnsweringDialogs
{
public:
    void showModalComponent (const juce::String& title, juce::Component& content, juce::Component*,
                             const juce::Colour&, bool) override
    {
        titles.add (title);
        if (whileOpen)
            whileOpen (content);
    }
    juce::StringArray titles;
    std::function<void (juce::Component&)> whileOpen;
};

// A click as the mouse makes it, delivered by the message loop.
void click (juce::Button& b)
{
    b.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

// The device manager keeps its MIDI callbacks private; an explicit
// instantiation may name a private member, which lets the tests read them.
template <auto member, typename Tag>
struct PrivateMember
{
    friend constexpr auto memberOf (Tag) { return member; }
};
struct MidiCallbacksTag
{
    friend constexpr auto memberOf (MidiCallbacksTag);
};
template struct PrivateMember<&juce::AudioDeviceManager::midiCallbacks, MidiCallbacksTag>;

// The inputs callback is registered for, one entry per registration (the
// empty identifier: every enabled input).
juce::StringArray midiRegistrations (juce::AudioDeviceManager& manager, const juce::MidiInputCallback* callback)
{
    juce::StringArray inputs;
    for (const auto& info : manager.*memberOf (MidiCallbacksTag {}))
        if (info.callback == callback)
            inputs.add (info.deviceIdentifier);
    return inputs;
}

juce::File writeSnapshot (juce::Component& c, const juce::String& name)
{
    const juce::File folder (VOKT_SNAPSHOT_DIR);
    folder.createDirectory();
    const auto file = folder.getChildFile (name + ".png");
    const auto image = c.createComponentSnapshot (c.getLocalBounds(), true, 1.0f);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    EXPECT_TRUE (out.openedOk() && png.writeImageToStream (image, out)) << file.getFullPathName();
    return file;
}
} // namespace

TEST (OptionsComponent, SettersSelectAndGettersReadBack)
{
    juce::Component selector;
    OptionsComponent options (&selector);

    // setter, value given, what the getter reads back
    struct Case { const char* what; std::function<void (int)> set; std::function<int()> get; int value, expected; };
    const Case cases[] = {
        { "record mode 2", [&] (int v) { options.setConfig (v); }, [&] { return options.getConfig(); }, 2, 2 },
        { "record mode 1", [&] (int v) { options.setConfig (v); }, [&] { return options.getConfig(); }, 1, 1 },
        { "record mode 5", [&] (int v) { options.setConfig (v); }, [&] { return options.getConfig(); }, 5, 0 },
        { "record mode -1", [&] (int v) { options.setConfig (v); }, [&] { return options.getConfig(); }, -1, 0 },
        { "bits 2", [&] (int v) { options.setBitsConfig (v); }, [&] { return options.getBitsConfig(); }, 2, 2 },
        { "bits 1", [&] (int v) { options.setBitsConfig (v); }, [&] { return options.getBitsConfig(); }, 1, 1 },
        { "bits 9", [&] (int v) { options.setBitsConfig (v); }, [&] { return options.getBitsConfig(); }, 9, 0 },
        { "rate mode 7", [&] (int v) { options.setSrConfig (v); }, [&] { return options.getSrConfig(); }, 7, 1 },
        { "rate mode 0", [&] (int v) { options.setSrConfig (v); }, [&] { return options.getSrConfig(); }, 0, 0 },
        { "rate mode -3", [&] (int v) { options.setSrConfig (v); }, [&] { return options.getSrConfig(); }, -3, 1 },
        { "quality 1", [&] (int v) { options.setQualityConfig (v); }, [&] { return options.getQualityConfig(); }, 1, 1 },
        { "quality 0", [&] (int v) { options.setQualityConfig (v); }, [&] { return options.getQualityConfig(); }, 0, 0 },
        { "split on", [&] (int v) { options.setSplitConfig (v != 0); }, [&] { return (int) options.getSplitConfig(); }, 1, 1 },
        { "split off", [&] (int v) { options.setSplitConfig (v != 0); }, [&] { return (int) options.getSplitConfig(); }, 0, 0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        c.set (c.value);
        EXPECT_EQ (c.get(), c.expected);
    }

    // One button per radio group is on; the setters send no click, so
    // Append with Split stays as set, without the warning.
    auto& f = *options.filesOptions;
    options.setConfig (1);
    options.setSplitConfig (true);
    EXPECT_FALSE (f.overwriteButton.getToggleState());
    EXPECT_FALSE (f.renameButton.getToggleState());
    EXPECT_TRUE (f.splitButton.getToggleState());
    EXPECT_FALSE (f.splitWarningLabel.isVisible());

    // The tabs, in order, on the panels (not owned by the tabs).
    auto& tabs = *options.tabs;
    ASSERT_EQ (tabs.getNumTabs(), 3);
    EXPECT_EQ (tabs.getTabNames(), juce::StringArray ({ "Audio", "Record", "Sample Rate" }));
    EXPECT_EQ (tabs.getTabContentComponent (0), &selector);
    EXPECT_EQ (tabs.getTabContentComponent (1), options.filesOptions.get());
    EXPECT_EQ (tabs.getTabContentComponent (2), options.resamplingOptions.get());
    EXPECT_EQ (tabs.getTabBackgroundColour (1), juce::Colour (0xffededed));
    EXPECT_EQ (tabs.getWidth(), 500);
    EXPECT_EQ (tabs.getHeight(), 450);
}

TEST (OptionsComponent, SplitFilesAndAppendNeverStayOnTogether)
{
    juce::Component selector;
    OptionsComponent options (&selector);
    auto& f = *options.filesOptions;

    // From Append with Split (an older settings file): the first click of any
    // listened button applies the rule.
    options.setConfig (1);
    options.setSplitConfig (true);
    click (f.appendButton);
    EXPECT_FALSE (f.splitButton.getToggleState());
    EXPECT_TRUE (f.splitWarningLabel.isVisible());
    EXPECT_EQ (options.getConfig(), 1);

    // Split pressed while Append is on goes straight back off.
    click (f.renameButton);
    EXPECT_FALSE (f.splitWarningLabel.isVisible());
    click (f.appendButton);
    click (f.splitButton);
    EXPECT_FALSE (f.splitButton.getToggleState());
    EXPECT_TRUE (f.splitWarningLabel.isVisible());

    // Overwrite hides the warning; Split then stays on.
    click (f.overwriteButton);
    EXPECT_FALSE (f.splitWarningLabel.isVisible());
    click (f.splitButton);
    EXPECT_TRUE (f.splitButton.getToggleState());
    EXPECT_FALSE (f.splitWarningLabel.isVisible());
    EXPECT_EQ (options.getConfig(), 0);

    // The bits buttons are not listened to: they leave the warning alone.
    click (f.appendButton);
    ASSERT_TRUE (f.splitWarningLabel.isVisible());
    click (f.bits24Button);
    EXPECT_TRUE (f.splitWarningLabel.isVisible());
    EXPECT_EQ (options.getBitsConfig(), 1);
}

namespace
{
// The window over a device with 2 inputs and 8 outputs whose callbacks
// never run, or without a device.
class OptionsDialogWindow : public selvo_test::TempHomeTest
{
protected:
    void TearDown() override
    {
        window.reset();
        TempHomeTest::TearDown();
    }

    void start (bool withDevice)
    {
        StandaloneFilterWindow::Seams seams;
        seams.addDeviceTypes = [withDevice] (juce::AudioDeviceManager& m) {
            if (withDevice)
                m.addAudioDeviceType (std::make_unique<selvo_test::TestDeviceType> (
                    selvo_test::DeviceShape { 8, 512, false, {} }));
            else
                m.addAudioDeviceType (std::make_unique<selvo_test::NoDeviceType>());
        };
        window = openWindow (seams);
    }

    // Channel layout the "Audio" tab would leave on the device.
    void chooseChannels (int ins, int outs)
    {
        auto setup = window->deviceManager->getAudioDeviceSetup();
        setup.useDefaultInputChannels = setup.useDefaultOutputChannels = false;
        setup.inputChannels.clear();
        setup.outputChannels.clear();
        setup.inputChannels.setRange (0, ins, true);
        setup.outputChannels.setRange (0, outs, true);
        ASSERT_EQ (window->deviceManager->setAudioDeviceSetup (setup, true), juce::String());
    }

    int busChannels (bool input) const { return window->filter->getBus (input, 0)->getNumberOfChannels(); }

    ActingDialogs dialogs;
    ScopedDialogs scoped { dialogs };
    std::unique_ptr<StandaloneFilterWindow> window;
};
} // namespace

TEST_F (OptionsDialogWindow, ClosingHandsTheDeviceAndTheOptionsOnWhileTheOutputWasMuted)
{
    start (true);
    ASSERT_NE (window->streamer->getCurrentDevice(), nullptr);
    auto* recorder = new MyAudioWriter (home.getChildFile ("take.wav"), 44100.0, 2, false);
    window->streamer->setRecorder (std::unique_ptr<MyAudioWriter> (recorder));
    window->fileOption = 1;
    window->bitsOption = 2;
    window->splitFiles = true;
    window->srMode = 0;
    window->srQuality = 1;

    bool mutedWhileOpen = false;
    dialogs.whileOpen = [&] (juce::Component& content) {
        mutedWhileOpen = window->streamer->muted.load();
        auto* tabs = dynamic_cast<juce::TabbedComponent*> (&content);
        ASSERT_NE (tabs, nullptr);
        ASSERT_EQ (tabs->getNumTabs(), 3);
        auto* files = dynamic_cast<FilesOptionsComponent*> (tabs->getTabContentComponent (1));
        auto* rates = dynamic_cast<ResamplingOptionsComponent*> (tabs->getTabContentComponent (2));
        ASSERT_NE (files, nullptr);
        ASSERT_NE (rates, nullptr);
        // Every opening starts from the window's fields.
        EXPECT_TRUE (files->appendButton.getToggleState());
        EXPECT_TRUE (files->bits32Button.getToggleState());
        EXPECT_TRUE (files->splitButton.getToggleState());
        EXPECT_TRUE (rates->fromFileButton.getToggleState());
        EXPECT_TRUE (rates->highButton.getToggleState());

        chooseChannels (1, 8);
        click (files->renameButton);
        click (files->bits24Button);
        click (rates->fromOutputButton);
        click (rates->normalButton);

        content.setSize (500, 450);
        for (int i = 0; i < 3; ++i)
        {
            tabs->setCurrentTabIndex (i);
            writeSnapshot (content, "options-" + juce::String (i));
        }
        click (files->appendButton); // the warning, for the record tab's picture
        tabs->setCurrentTabIndex (1);
        writeSnapshot (content, "options-split-warning");
        click (files->renameButton);
    };
    window->showAudioSettingsDialog();

    ASSERT_EQ (dialogs.titles, juce::StringArray ("Options"));
    EXPECT_TRUE (mutedWhileOpen);
    EXPECT_FALSE (window->streamer->muted.load());
    // The effect's layout rule allows mono or stereo in, stereo out.
    EXPECT_EQ (busChannels (true), 1);
    EXPECT_EQ (busChannels (false), 2);
    EXPECT_EQ (window->fileOption, 2);
    EXPECT_EQ (window->bitsOption, 1);
    EXPECT_FALSE (window->splitFiles);
    EXPECT_EQ (window->srMode, 1);
    EXPECT_EQ (window->srQuality, 0);
    EXPECT_EQ (recorder->recordMode, 2);
    EXPECT_EQ (recorder->recordBits, 1);
    EXPECT_FALSE (recorder->split.load());
    EXPECT_EQ (recorder->numChannels, 8);
    // No file: the name between the colon and the rate is empty.
    EXPECT_EQ (window->getName(), "Vokt Selvo :  (44.1 kHz)");

    // The next opening starts from what the last one left.
    dialogs.whileOpen = [] (juce::Component& content) {
        auto* files = dynamic_cast<FilesOptionsComponent*> (dynamic_cast<juce::TabbedComponent&> (content).getTabContentComponent (1));
        ASSERT_NE (files, nullptr);
        EXPECT_TRUE (files->renameButton.getToggleState());
        EXPECT_TRUE (files->bits24Button.getToggleState());
    };
    window->showAudioSettingsDialog();
    EXPECT_EQ (dialogs.titles.size(), 2);
}

TEST_F (OptionsDialogWindow, TheEffectTakesTheDeviceChannelsItsLayoutAllows)
{
    start (true);

    // a file loaded, device inputs and outputs -> the effect's input and output
    // buses; in order, each case starting from the last one's buses
    struct Case { bool file; int ins, outs, busIns, busOuts; };
    const Case cases[] = {
        { false, 1, 1, 1, 1 },
        { false, 1, 8, 1, 2 },
        { false, 2, 2, 2, 2 },
        { true, 1, 1, 2, 2 },  // with a file the effect keeps its inputs over a mono device
        { true, 1, 3, 2, 2 },
        { true, 2, 8, 2, 2 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.file ? "file, " : "") + juce::String (c.ins) + " in " + juce::String (c.outs) + " out");
        if (c.file && window->streamer->getAudioReader() == nullptr)
        {
            const auto file = wav ("tone.wav", 2, 0.1);
            ASSERT_EQ (window->streamer->validateAudioFile (file), 0);
            window->streamer->initAudioReader (file);
            window->currentFile = file;
        }
        dialogs.whileOpen = [&] (juce::Component&) { chooseChannels (c.ins, c.outs); };
        window->showAudioSettingsDialog();
        EXPECT_EQ (busChannels (true), c.busIns);
        EXPECT_EQ (busChannels (false), c.busOuts);
        EXPECT_EQ (window->getName(), c.file ? "Vokt Selvo : tone.wav (44.1 kHz)" : "Vokt Selvo :  (44.1 kHz)");
    }
}

TEST_F (OptionsDialogWindow, WithoutADeviceTheDialogClosesAndTheWindowKeepsWorking)
{
    // At start-up the dialog follows the no-device warning and closes at once here.
    start (false);
    ASSERT_EQ (dialogs.titles, juce::StringArray ("Options"));
    ASSERT_NE (window->content, nullptr);
    EXPECT_EQ (window->getName(), "Vokt Selvo");

    window->showAudioSettingsDialog();
    EXPECT_EQ (dialogs.titles.size(), 2);
    EXPECT_FALSE (window->streamer->muted.load());
    EXPECT_EQ (window->getName(), "Vokt Selvo :  ()");
    window->streamer->startPlay();
    EXPECT_FALSE (window->streamer->isPlaying());
}

TEST_F (OptionsDialogWindow, DeviceMidiReachesTheStreamerOnceForEveryInput)
{
    // Enabled inputs, those enabled in the dialog included, feed the streamer
    // through one registration: a second one would deliver every message twice.
    start (true);
    const juce::StringArray everyInput { juce::String() };
    EXPECT_EQ (midiRegistrations (*window->deviceManager, window->streamer.get()), everyInput);
    for (int i = 0; i < 2; ++i)
    {
        window->showAudioSettingsDialog();
        EXPECT_EQ (midiRegistrations (*window->deviceManager, window->streamer.get()), everyInput);
    }
}
