#include "StandaloneFilterWindow.h"

#include "Dialogs.h"
#include "MyEditor.h"
#include "OptionsComponent.h"
#include "RariZuz.h"
#include "RariZuzEditor.h"
#include "StoredSettings.h"

#include <charconv>
#include <cmath>
#include <cstring>

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
    // One registration for every enabled input, those enabled later in the
    // Options dialog included: each message reaches the streamer once.
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
    // The title bar is the system's; the menu bar sits inside the window,
    // above the content, and the window is sized to hold both.
    setUsingNativeTitleBar (true);
    setMenuBar (this);
    setContentOwned (content, true);

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

    setResizable (true, false);

    const int minW = (int) content->minEditorWidth;
    // The menu bar's height, from the window's own layout.
    const int menuBarHeight = getContentComponentBorder().getTopAndBottom();
    const int minH = (int) content->minEditorHeight + content->playerHeight + menuBarHeight;
    setResizeLimits (minW, minH, 10000, 10000);

    if (auto* editor = dynamic_cast<MyEditor*> (content->filterEditor))
    {
        editorConstrainer = editor->getConstrainer();
        if (editorConstrainer != nullptr)
        {
            editorConstrainer->setMinimumSize (minW, minH);
            editorConstrainer->setMainComponent (content);
            // Held proportions account for what this window adds above the
            // content (its menu bar), not the effect's standalone default.
            editorConstrainer->extraHeight = menuBarHeight;
            setConstrainer (editorConstrainer);
        }
    }

    setVisible (true);
    filter->onTick = [this] { tick(); };
}

StandaloneFilterWindow::~StandaloneFilterWindow()
{
    if (filter != nullptr)
        filter->onTick = nullptr;

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

bool StandaloneFilterWindow::effectAccepts (int ins, int outs) const
{
    if (filter->getBusCount (true) < 1 || filter->getBusCount (false) < 1)
        return false;
    auto layout = filter->getBusesLayout();
    layout.inputBuses.getReference (0) = juce::AudioChannelSet::canonicalChannelSet (ins);
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::canonicalChannelSet (outs);
    return filter->checkBusesLayoutSupported (layout);
}

void StandaloneFilterWindow::showAudioSettingsDialog()
{
    if (deviceManager == nullptr || streamer == nullptr || filter == nullptr || optionsDialogOpen)
        return;
    const juce::ScopedValueSetter<bool> open (optionsDialogOpen, true);

    // The device blocks stay silent, without calling the effect, until the
    // effect and the streamer agree with the device chosen.
    streamer->muted.store (true);
    {
        juce::AudioDeviceSelectorComponent selector (*deviceManager, 1, 2, 2, 8, true, false, false, false);
        auto* inBus = filter->getBus (true, 0);
        const int inCount = streamer->getAudioReader() != nullptr && inBus != nullptr ? inBus->getNumberOfChannels() : 0;

        OptionsComponent options (&selector);
        options.setConfig (fileOption);
        options.setBitsConfig (bitsOption);
        options.setSplitConfig (splitFiles);
        options.setQualityConfig (srQuality);
        options.setSrConfig (srMode);
        options.show();

        const auto setup = deviceManager->getAudioDeviceSetup();
        const int ins = setup.inputChannels.countNumberOfSetBits();
        const int outs = setup.outputChannels.countNumberOfSetBits();
        // The effect takes the device's channels when its layout rule allows
        // them, else stereo outputs; a layout it refuses altogether (no
        // active channel) leaves it as it was. Under the callback lock: a
        // device restarted from the dialog may be running blocks already.
        const int wantedIns = juce::jmin (juce::jmax (inCount, ins), AudioFilterStreamer::maxChannels);
        for (const int wantedOuts : { juce::jmin (outs, AudioFilterStreamer::maxChannels), 2 })
        {
            if (effectAccepts (wantedIns, wantedOuts))
            {
                streamer->reconfigureEffect (wantedIns, wantedOuts);
                break;
            }
        }

        fileOption = options.getConfig();
        bitsOption = options.getBitsConfig();
        splitFiles = options.getSplitConfig();
        srMode = options.getSrConfig();
        srQuality = options.getQualityConfig();

        streamer->setNumOutChannels (outs);
        streamer->setRecordMode (fileOption);
        streamer->setRecordBits (bitsOption);
        streamer->setSplitFiles (splitFiles);
        streamer->setSrQuality (srQuality);
        streamer->setSrMode (srMode, false);
    }
    streamer->muted.store (false);

    setName (juce::String (appName) + " : " + currentFile.getFileName() + " (" + streamer->getShortSampleRate() + ")");
}

juce::StringArray StandaloneFilterWindow::getMenuBarNames()
{
    return { "Files", "Options" };
}

juce::PopupMenu StandaloneFilterWindow::getMenuForIndex (int index, const juce::String&)
{
    juce::PopupMenu menu;
    if (index == 0)
    {
        const bool hasFile = currentFile.existsAsFile();
        menu.addItem (1, "Open Sound File...");
        juce::PopupMenu recent;
        if (recentFiles != nullptr && recentFiles->getNumFiles() > 0)
        {
            // Files that no longer exist are left out; ids stay 100 + index.
            recentFiles->createPopupMenuItems (recent, 100, true, true);
            recent.addSeparator();
            recent.addItem (201, TRANS ("Clear recent files"));
        }
        menu.addSubMenu ("Open Recent File", recent);
        menu.addItem (2, "Clear Current File", hasFile);
        menu.addItem (6, "File Infos...", hasFile);
    }
    else if (index == 1)
    {
        menu.addItem (1, TRANS ("Audio & Midi Settings..."));
        menu.addItem (4, TRANS ("Reset current state"));
    }
    return menu;
}

void StandaloneFilterWindow::menuItemSelected (int itemId, int topLevelMenuIndex)
{
    if (topLevelMenuIndex == 0)
    {
        if (itemId == 1)
            openFile();
        else if (itemId == 2)
            clearCurrentFile();
        else if (itemId == 3)
        {
            if (streamer != nullptr)
                streamer->setInputExternal (! streamer->liveInput.load());
            menuItemsChanged();
        }
        else if (itemId == 4)
            juce::JUCEApplicationBase::quit();
        else if (itemId == 6)
            displayFileInfos();
        else if (itemId >= 100 && itemId < 200)
        {
            if (recentFiles != nullptr && itemId - 100 < recentFiles->getNumFiles())
                loadFile (recentFiles->getFile (itemId - 100), LoadWay::recentFile);
        }
        else if (itemId == 201)
        {
            if (recentFiles != nullptr)
                recentFiles->clear();
        }
    }
    else if (topLevelMenuIndex == 1)
    {
        if (itemId == 1)
            showAudioSettingsDialog();
        else if (itemId == 4)
            resetCurrentState();
    }
}

void StandaloneFilterWindow::resetCurrentState()
{
    if (filter == nullptr)
        return;
    if (streamer != nullptr)
        streamer->pausePlay();
    // No block runs the effect while its parameters go back to their defaults.
    filter->suspendProcessing (true);
    filter->resetStateInformation();
    filter->suspendProcessing (false);
}

void StandaloneFilterWindow::openFile()
{
    if (streamer == nullptr)
        return;
    juce::File initial;
    if (auto* props = getGlobalSettings())
    {
        const auto path = props->getValue ("initialFile");
        if (juce::File::isAbsolutePath (path))
            initial = juce::File (path);
    }
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::File chosen;
    if (! Dialogs::get().chooseFileToOpen ("Select a sound file", initial, formats.getWildcardForAllFormats(), chosen))
        return;
    loadFile (chosen, LoadWay::fileDialog);
}

bool StandaloneFilterWindow::loadFile (const juce::File& file, LoadWay way)
{
    if (streamer == nullptr || filter == nullptr || content == nullptr)
        return false;

    const auto name = file.getFileName();
    const auto title = "Error in reading " + name;

    // Every way is checked: a recent file may have gone or been replaced
    // since it was listed.
    const int r = streamer->validateAudioFile (file);
    if (r != 0)
    {
        juce::String text;
        if (r < 0)
            text = name + " is not a valid sound file";
        else if (way == LoadWay::message)
            text = name + " is a " + juce::String (r) + " channels audio file\n Vokt Tools can read only mono or stereo audio files";
        else
            text = name + " is a " + juce::String (r) + " channels audio file\n Vokt Tools cannot read more than "
                   + juce::String (filter->getMaxInputChannels()) + " channels";
        Dialogs::get().showAlert (title, text);
        return false;
    }

    auto* writer = streamer->getAudioWriter();
    const auto recordName = writer != nullptr ? writer->outputFile.getFileName() : juce::String();
    if (name == recordName)
    {
        Dialogs::get().showAlert (title, name + " is already open as a record file");
        return false;
    }

    const bool loop = streamer->getLoop();
    const bool playing = streamer->isPlaying();
    if (way == LoadWay::recentFile && playing)
        streamer->pausePlay();

    currentFile = file;
    streamer->initAudioReader (currentFile);

    if (acceptMultichannelFiles)
    {
        // Under the callback lock: the device may be running blocks.
        auto* reader = streamer->getAudioReader();
        auto* outBus = filter->getBus (false, 0);
        const int ins = reader != nullptr ? reader->numChannels : filter->getMainBusNumInputChannels();
        streamer->reconfigureEffect (ins, outBus != nullptr ? outBus->getNumberOfChannels() : 2);
    }

    streamer->readerReady = true;
    streamer->setLoop (loop);
    if (playing)
        streamer->startPlay();

    content->player.openFile (currentFile);
    if (way != LoadWay::recentFile && recentFiles != nullptr)
        recentFiles->addFile (currentFile);
    updateTitle();

    if (way == LoadWay::fileDialog)
        if (auto* props = getGlobalSettings())
            props->setValue ("initialFile", currentFile.getParentDirectory().getFullPathName());
    return true;
}

void StandaloneFilterWindow::clearCurrentFile()
{
    if (content != nullptr)
        content->player.clearCurrentFile();
    if (streamer != nullptr)
        streamer->clearCurrentFile();
    currentFile = juce::File();
    updateTitle();
}

void StandaloneFilterWindow::displayFileInfos()
{
    if (currentFile == juce::File())
        return;
    auto* reader = streamer != nullptr ? streamer->getAudioReader() : nullptr;
    Dialogs::get().showAlert (currentFile.getFileName(),
                              "location : " + currentFile.getParentDirectory().getFullPathName() + "\n"
                                  + (reader != nullptr ? reader->getFileInfos() : juce::String()));
}

bool StandaloneFilterWindow::parseNumbers (const juce::String& message, const char* prefix, float* values, int count)
{
    // A bounded copy: a longer message is cut at 111 bytes.
    char text[112] = {};
    message.copyToUTF8 (text, sizeof (text));
    const char* end = text + std::strlen (text);
    const size_t prefixLength = std::strlen (prefix);
    if (std::strncmp (text, prefix, prefixLength) != 0)
        return false;

    float parsed[2] = {};
    if (count < 1 || count > 2)
        return false;
    const char* p = text + prefixLength;
    for (int i = 0; i < count; ++i)
    {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
        if (p < end && *p == '+')
            ++p;
        // from_chars reads the C locale's number syntax whatever the process locale.
        const auto result = std::from_chars (p, end, parsed[i]);
        if (result.ec != std::errc() || ! std::isfinite (parsed[i]))
            return false;
        p = result.ptr;
    }
    for (int i = 0; i < count; ++i)
        values[i] = parsed[i];
    return true;
}

void StandaloneFilterWindow::actionListenerCallback (const juce::String& message)
{
    if (streamer == nullptr)
        return;
    auto& s = *streamer;

    if (message == "Begin")
        s.beginPlay();
    else if (message == "Start")
    {
        if (s.liveInput.load())
        {
            if (Dialogs::get().askOkCancel ("Play sound file",
                                            "You currently use the direct input\nDo you want to play the sound file ?",
                                            "Continue with direct input", "Play the sound file"))
                return;
            s.setInputExternal (false);
            menuItemsChanged();
        }
        s.startPlay();
    }
    else if (message == "Start&Record")
    {
        s.startPlay();
        s.record (true);
    }
    else if (message == "Pause")
        s.pausePlay();
    else if (message == "Pause&Record")
    {
        s.pausePlay();
        s.record (false);
    }
    else if (message == "LoopOn")
        s.setLoop (true);
    else if (message == "LoopOff")
        s.setLoop (false);
    else if (message == "RecordOn")
        s.record (true);
    else if (message == "RecordOff")
        s.record (false);
    else if (message == "ByPassOn")
        s.bypass = true;
    else if (message == "ByPassOff")
        s.bypass = false;
    else if (message.startsWith ("Loop "))
    {
        float v[2];
        if (parseNumbers (message, "Loop ", v, 2))
            s.setLoop ((double) v[0], (double) v[1]);
    }
    else if (message.startsWith ("Open "))
    {
        const auto path = message.substring (5);
        if (juce::File::isAbsolutePath (path))
            loadFile (juce::File (path), LoadWay::message);
        else if (path.isNotEmpty())
            Dialogs::get().showAlert ("Error in reading " + path, path + " is not a valid sound file");
    }
    else if (message.startsWith ("Position"))
    {
        float v[1];
        if (parseNumbers (message, "Position", v, 1))
            s.setTimePosition (v[0]);
    }
    else if (message.startsWith ("Gain"))
    {
        float v[1];
        if (parseNumbers (message, "Gain", v, 1))
        {
            s.setGain (v[0]);
            if (filter != nullptr)
                filter->setWrapperGain (v[0]);
        }
    }
}

void StandaloneFilterWindow::tick()
{
    if (content == nullptr)
        return;
    auto& player = content->player;
    if (streamer != nullptr)
    {
        auto& s = *streamer;
        auto* reader = s.getAudioReader();
        player.setCurrentTime (s.filePosition.load());
        player.updateStartButton (s.isPlaying());
        player.updateLoopButton (s.getLoop());
        player.updateGain (s.getGain());
        player.updateVariableSpeed (s.getVariableSpeed());
        player.updatePlayMode (reader != nullptr ? reader->playMode.load() : 0);
        player.updateRecordButton (s.isRecording());
        auto* writer = s.getAudioWriter();
        player.setRecordTime ((writer != nullptr ? writer->outputFile.getFileName() : juce::String()) + " "
                              + s.getRecordTime());
        auto* outBus = filter != nullptr ? filter->getBus (false, 0) : nullptr;
        const int n = outBus != nullptr ? outBus->getNumberOfChannels() : 0;
        player.setNumChannels (n);
        for (int i = 0; i < n && i < ComponentPlayer::maxMeters; ++i)
            player.setVuMeter (i, s.getMagnitude (i));
    }
    if (deviceManager != nullptr)
        player.cpuBar->setLoad ((float) deviceManager->getCpuUsage());
}

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
