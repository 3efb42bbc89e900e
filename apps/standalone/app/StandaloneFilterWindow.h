#pragma once
// The application's one window. It owns the effect, the audio device
// manager, the streamer the device calls, the content (player bar over the
// effect's editor) and the recent-files list, and keeps the record and
// sample-rate options. Construction restores every setting from the
// settings store; destruction writes them back and releases the device
// first, then the streamer, the content with the editor, and the effect.
// Threads: message thread only.
#include "AudioFilterStreamer.h"
#include "ComponentFilter.h"

#include "MyBoundsConstrainer.h"

#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <functional>
#include <memory>

namespace selvo
{
// Creates the application's effect (the spectral delay, as a standalone
// effect, with its editor installed); null when that fails.
MyEffect* createPluginFilter();

class StandaloneFilterWindow : public juce::DocumentWindow,
                               public juce::MenuBarModel,
                               public juce::ActionListener
{
public:
    // Test seams: how the effect is made (default createPluginFilter) and the
    // device types the manager offers (default: the system's, JACK and ALSA).
    struct Seams
    {
        std::function<MyEffect*()> createEffect;
        std::function<void (juce::AudioDeviceManager&)> addDeviceTypes;
    };

    StandaloneFilterWindow (const juce::String& title, const juce::Colour& backgroundColour, Seams seams = {});
    ~StandaloneFilterWindow() override;

    void closeButtonPressed() override;
    // The modal "Options" dialog (menu "Options", "Audio & Midi Settings...",
    // and at start-up without a device): devices, record and sample-rate
    // options; on its close the effect and the streamer take the device's
    // channels and the options. The output stays silent while it is open.
    virtual void showAudioSettingsDialog();

    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int index, const juce::String& name) override;
    void menuItemSelected (int itemId, int topLevelMenuIndex) override;
    void actionListenerCallback (const juce::String& message) override;
    // The player bar's refresh from the streamer and the device (position,
    // transport, gain, speed, mode, record time, meters, CPU load). It runs
    // on the effect's 50 ms tick, after the editor's refresh: one clock for
    // the whole window, so that everything a tick changes is painted at once.
    void tick();

    // The file commands of the "Files" menu: the file dialog (through
    // Dialogs), back to no file, and the box with the file's details.
    void openFile();
    void clearCurrentFile();
    void displayFileInfos();

    // How a sound file reaches loadFile: each way has its own check message,
    // pause and bookkeeping.
    enum class LoadWay
    {
        fileDialog,   // checked (the effect's limit in the text), remembered, "initialFile" written
        recentFile,   // checked like the file dialog, a playing file paused first
        message       // "Open <path>" (a dropped file): checked (mono or stereo text), remembered
    };
    // Loads file into the streamer and the player; the new file keeps the
    // loop switch and the play state of the previous one. A refused file
    // (alert through Dialogs) changes nothing. True when loaded.
    bool loadFile (const juce::File& file, LoadWay way);

    static juce::PropertySet* getGlobalSettings();
    // 0 normal (60 px bar), 1 variable speed (80 px bar); other values do nothing.
    void newMode (int mode);
    // "Vokt Selvo", or "Vokt Selvo : <file name> (<rate>)" with a file.
    void updateTitle();

    static constexpr const char* appName = "Vokt Selvo";

    std::unique_ptr<MyEffect> filter;
    std::unique_ptr<juce::AudioDeviceManager> deviceManager;
    std::unique_ptr<AudioFilterStreamer> streamer;
    bool acceptMultichannelFiles = false;
    ComponentFilter* content = nullptr;
    std::unique_ptr<juce::RecentlyOpenedFilesList> recentFiles;
    juce::File currentFile;
    int fileOption = 2;
    int bitsOption = 0;
    bool splitFiles = false;
    int srMode = 1;
    int srQuality = 1;
    MyBoundsConstrainer* editorConstrainer = nullptr;

private:
    // The numbers after prefix in message ("Gain 0.5", "Loop 1 2"), read in
    // the C locale from a copy of at most 111 bytes; false, with values left
    // alone, unless all count of them parse and are finite.
    static bool parseNumbers (const juce::String& message, const char* prefix, float* values, int count);
    void resetCurrentState();
    void applyFilterState (juce::PropertySet& settings);
    // True when the effect's layout rule allows ins and outs on its main buses.
    bool effectAccepts (int ins, int outs) const;

    bool optionsDialogOpen = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StandaloneFilterWindow)
};
} // namespace selvo
