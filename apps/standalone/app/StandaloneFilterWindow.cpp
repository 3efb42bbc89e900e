#include "StandaloneFilterWindow.h"

#include "Dialogs.h"
#include "MyEditor.h"
#include "RariZuz.h"
#include "RariZuzEditor.h"
#include "StoredSettings.h"

namespace selvo
{
MyEffect* createPluginFilter()
{
    RariZuzEditor::install();
    return new RariZuz();
}

juce::PropertySet* StandaloneFilterWindow::getGlobalSettings()
{
    return StoredSettings::getInstance()->getProps();
}

void StandaloneFilterWindow::applyFilterState (juce::PropertySet& settings)
{
    juce::MemoryBlock state;
    const auto text = settings.getValue ("filterState");
    if (text.isNotEmpty() && state.fromBase64Encoding (text) && state.getSize() > 0)
        filter->setStateInformation (state.getData(), (int) state.getSize());
}

StandaloneFilterWindow::StandaloneFilterWindow (const juce::String& title, const juce::Colour& backgroundColour,
                                                Seams seams)
    : juce::DocumentWindow (title, backgroundColour,
                            juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton, true)
{
    juce::PropertySet empty;
    auto* stored = getGlobalSettings();
    auto& settings = stored != nullptr ? *stored : empty;

    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
    filter.reset (seams.createEffect ? seams.createEffect() : createPluginFilter());
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);

    if (filter == nullptr)
    {
        juce::JUCEApplicationBase::quit();
        return;
    }

    deviceManager = std::make_unique<juce::AudioDeviceManager>();
    if (seams.addDeviceTypes)
        seams.addDeviceTypes (*deviceManager);
    streamer = std::make_unique<AudioFilterStreamer> (filter.get(), this);
    streamer->setDeviceManager (deviceManager.get());

    const bool settingsOnDisk = stored != nullptr && StoredSettings::getInstance()->getFile().existsAsFile();
    std::unique_ptr<juce::XmlElement> xml;
    if (settingsOnDisk)
        xml = settings.getXmlValue ("audioSetup");

    auto* inBus = filter->getBus (true, 0);
    auto* outBus = filter->getBus (false, 0);
    const int ins = inBus != nullptr ? inBus->getNumberOfChannels() : 0;
    const int outs = outBus != nullptr ? outBus->getNumberOfChannels() : 0;

    deviceManager->initialise (ins, outs, xml.get(), true, {}, nullptr);
    if (deviceManager->getCurrentAudioDevice() == nullptr)
    {
        deviceManager->initialise (ins, outs, nullptr, true, {}, nullptr);
        if (deviceManager->getCurrentAudioDevice() == nullptr)
        {
            Dialogs::get().showAlert ("Audio device",
                                      "Could not initialize audio device\nSelect an audio device in Audio Option panel");
            showAudioSettingsDialog();
        }
    }

    deviceManager->addAudioCallback (streamer.get());
    deviceManager->addMidiInputDeviceCallback ({}, streamer.get());

    const auto setup = deviceManager->getAudioDeviceSetup();
    const int numOuts = setup.useDefaultOutputChannels ? 2 : setup.outputChannels.countNumberOfSetBits();

    acceptMultichannelFiles = filter->getAcceptMultichannelFiles();
    // Under the callback lock: the device may already be running blocks.
    streamer->reconfigureEffect (2, juce::jlimit (0, AudioFilterStreamer::maxChannels, numOuts));
    streamer->setNumOutChannels (numOuts);
    streamer->acceptMultichannelFiles = acceptMultichannelFiles;

    applyFilterState (settings);

    content = new ComponentFilter (filter.get());
    content->addActionListener (this);
    content->ownerWindow = this;
    setContentOwned (content, true);
    setSize (content->getWidth(), content->getHeight());

    const int x = settings.getIntValue ("windowX", -100);
    const int y = settings.getIntValue ("windowY", -100);
    if (x == -100 || y == -100)
        centreWithSize (getWidth(), getHeight());
    else
        setBoundsConstrained ({ x, y, getWidth(), getHeight() });

    fileOption = settings.getIntValue ("fileOption", 2);
    bitsOption = settings.getIntValue ("bitsOption", 0);
    splitFiles = settings.getBoolValue ("splitFiles", false);
    srMode = settings.getIntValue ("srMode", 1) != 0 ? 1 : 0;
    srQuality = settings.getIntValue ("srQuality", 1);
    const int playMode = settings.getIntValue ("playMode", 0);
    const double variableSpeed = settings.getDoubleValue ("variableSpeed", 1.0);

    streamer->setRecordMode (fileOption);
    streamer->setRecordBits (bitsOption);
    streamer->setSplitFiles (splitFiles);
    streamer->setSrMode (srMode, false);
    streamer->setSrQuality (srQuality);

    recentFiles = std::make_unique<juce::RecentlyOpenedFilesList>();
    recentFiles->restoreFromString (settings.getValue ("RecentFiles"));
    recentFiles->setMaxNumberOfItems (10);

    const auto currentPath = settings.getValue ("CurrentFiles");
    currentFile = juce::File::isAbsolutePath (currentPath) ? juce::File (currentPath) : juce::File();
    // The restored file goes through the same check as an opened one.
    if (currentFile.existsAsFile() && streamer->validateAudioFile (currentFile) == 0)
    {
        streamer->initAudioReader (currentFile);
        if (acceptMultichannelFiles)
        {
            auto* reader = streamer->getAudioReader();
            streamer->reconfigureEffect (reader != nullptr ? reader->numChannels : 2, outs);
        }
        streamer->readerReady = true;
        streamer->setSrMode (srMode, false);
        streamer->setPlayMode (playMode);
        streamer->setVariableSpeed ((float) variableSpeed);
        content->player.openFile (currentFile);
        recentFiles->addFile (currentFile);
        updateTitle();
        const auto begin = (float) settings.getDoubleValue ("BeginLoop", 0.0);
        const auto end = (float) settings.getDoubleValue ("EndLoop", 1.0);
        content->player.waveform->setLoop (begin, end, true);
    }
    else
    {
        currentFile = juce::File();
        updateTitle();
    }

    applyFilterState (settings);

    streamer->setGain ((float) settings.getDoubleValue ("Gain", 0.8));
    content->player.updateGain (streamer->getGain());
    content->player.waveform->showTimeAtCursor = settings.getBoolValue ("TimeOnCursor", false);
    content->player.waveform->showTimeAtMouse = settings.getBoolValue ("TimeOnMouse", true);

    setUsingNativeTitleBar (true);
    setResizable (true, false);

    const int minW = (int) content->minEditorWidth;
    const int minH = (int) content->minEditorHeight + content->playerHeight + 24;
    setResizeLimits (minW, minH, 10000, 10000);

    if (auto* editor = dynamic_cast<MyEditor*> (content->filterEditor))
    {
        editorConstrainer = editor->getConstrainer();
        if (editorConstrainer != nullptr)
        {
            editorConstrainer->setMinimumSize (minW, minH);
            editorConstrainer->setMainComponent (content);
            setConstrainer (editorConstrainer);
        }
    }

    setVisible (true);
    startTimer (50);

    for (const auto& device : juce::MidiInput::getAvailableDevices())
        if (deviceManager->isMidiInputDeviceEnabled (device.identifier))
            deviceManager->addMidiInputDeviceCallback (device.identifier, streamer.get());
}

StandaloneFilterWindow::~StandaloneFilterWindow()
{
    stopTimer();
    closeAudioSettingsDialog();

    if (auto* props = getGlobalSettings())
    {
        props->setValue ("windowX", getX());
        props->setValue ("windowY", getY());
        if (streamer != nullptr)
        {
            props->setValue ("LiveInput", streamer->liveInput.load());
            props->setValue ("Gain", (double) streamer->getGain());
        }
        if (recentFiles != nullptr)
            props->setValue ("RecentFiles", recentFiles->toString());

        if (filter != nullptr)
        {
            if (currentFile.existsAsFile() && content != nullptr)
            {
                props->setValue ("CurrentFiles", currentFile.getFullPathName());
                double begin = 0.0, end = 1.0;
                content->player.waveform->getLoop (&begin, &end);
                props->setValue ("BeginLoop", begin);
                props->setValue ("EndLoop", end);
            }
            else
            {
                props->setValue ("CurrentFiles", juce::String());
            }
        }
        if (deviceManager != nullptr)
        {
            auto state = deviceManager->createStateXml();
            props->setValue ("audioSetup", state.get());
        }
        if (filter != nullptr)
        {
            props->setValue ("fileOption", fileOption);
            props->setValue ("bitsOption", bitsOption);
            props->setValue ("splitFiles", splitFiles);
            props->setValue ("srMode", srMode);
            props->setValue ("srQuality", srQuality);
            auto* reader = streamer != nullptr ? streamer->getAudioReader() : nullptr;
            const bool loaded = reader != nullptr && currentFile.existsAsFile();
            props->setValue ("playMode", loaded ? reader->playMode.load() : 0);
            props->setValue ("variableSpeed", loaded ? (double) streamer->getVariableSpeed() : 0.0);
            if (content != nullptr)
            {
                props->setValue ("TimeOnCursor", content->player.waveform->showTimeAtCursor);
                props->setValue ("TimeOnMouse", content->player.waveform->showTimeAtMouse);
            }
            juce::MemoryBlock state;
            filter->getStateInformation (state);
            props->setValue ("filterState", state.toBase64Encoding());
        }
    }

    // The device stops before the streamer, the content and the effect go.
    if (deviceManager != nullptr)
        deviceManager->removeAudioCallback (streamer.get());
    deviceManager.reset();
    setMenuBar (nullptr);
    streamer.reset();
    if (filter != nullptr)
    {
        if (auto* editor = filter->getActiveEditor())
            filter->editorBeingDeleted (editor);
        clearContentComponent();
        content = nullptr;
        filter.reset();
    }
    recentFiles.reset();
}

void StandaloneFilterWindow::closeButtonPressed()
{
    juce::JUCEApplicationBase::quit();
}

void StandaloneFilterWindow::updateTitle()
{
    if (currentFile == juce::File() || streamer == nullptr)
        setName (appName);
    else
        setName (juce::String (appName) + " : " + currentFile.getFileName() + " (" + streamer->getShortSampleRate() + ")");
}

void StandaloneFilterWindow::closeAudioSettingsDialog()
{
    if (audioSettingsDialog != nullptr)
        delete audioSettingsDialog.getComponent();
}

void StandaloneFilterWindow::showAudioSettingsDialog()
{
    // Without a display there is nobody to choose a device.
    if (deviceManager == nullptr || ! Dialogs::displayAvailable() || audioSettingsDialog != nullptr)
        return;
    auto* selector = new juce::AudioDeviceSelectorComponent (*deviceManager, 0, 2, 0, 2, true, false, true, false);
    selector->setSize (500, 400);
    juce::DialogWindow::LaunchOptions o;
    o.content.setOwned (selector);
    o.dialogTitle = "Audio device";
    o.dialogBackgroundColour = juce::Colours::lightgrey;
    o.escapeKeyTriggersCloseButton = true;
    o.useNativeTitleBar = true;
    o.resizable = false;
    audioSettingsDialog = o.launchAsync();
}

juce::StringArray StandaloneFilterWindow::getMenuBarNames()
{
    return {};
}

juce::PopupMenu StandaloneFilterWindow::getMenuForIndex (int, const juce::String&)
{
    return {};
}

void StandaloneFilterWindow::menuItemSelected (int, int) {}

void StandaloneFilterWindow::actionListenerCallback (const juce::String&) {}

void StandaloneFilterWindow::timerCallback() {}

void StandaloneFilterWindow::newMode (int mode)
{
    if (content == nullptr || streamer == nullptr || (mode != 0 && mode != 1))
        return;
    content->playerHeight = mode == 0 ? 60 : 80;
    const int readerMode = mode == 0 ? 0 : 2;
    auto* editor = content->filterEditor;
    const int ew = editor != nullptr ? editor->getWidth() : content->getWidth();
    const int eh = editor != nullptr ? editor->getHeight() : 0;
    content->player.setSize (ew, content->playerHeight);
    if (editor != nullptr)
        editor->setTopLeftPosition (0, content->playerHeight);
    content->editorResizing = true;
    content->setSize (ew, content->playerHeight + eh);
    content->editorResizing = false;
    filter->updateEditor();
    streamer->setPlayMode (readerMode);
}
} // namespace selvo
