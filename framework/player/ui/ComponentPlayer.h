#pragma once
// ComponentPlayer: the strip that drives a sound-file player from an editor
// - the waveform with its loop and play cursor, a zoom strip, transport
// buttons (begin, play, loop; record exists and stays hidden), sync and
// bypass switches, a gain slider, a CPU bar (CpuBar), up to 64 level meters
// and, when asked for, a play-mode pop-up with a speed slider and label.
// It plays nothing itself: every user act becomes an action message to the
// owner (the vocabulary below), and the play mode and speed go through
// myComponentPlayerListener. The owner reflects the transport back through
// the update setters (and the CPU bar's load), from its refresh on the
// message thread; what it reads from the audio thread it reads through
// atomics before it calls them.
//
// Action messages (numbers in the C locale, whatever the process locale):
//   "Begin", "Start" / "Pause" (with Ctrl: "Start&Record" / "Pause&Record"),
//   "LoopOn" / "LoopOff", "RecordOn" / "RecordOff", "ByPassOn" / "ByPassOff",
//   "SyncOn" / "SyncOff", "Gain %f" (0..1), "Loop <start> <end> " (seconds,
//   or fractions when the waveform is normalised), "Position <seconds>",
//   "Open <full path>" (a dropped sound file).
// Threads: message thread only.
#include "CpuBar.h"
#include "SoundEditorComponent.h"

#include "MyArialFont.h"
#include "MyJuceButtons.h"
#include "MyJuceLabel.h"
#include "MyJucePopup.h"
#include "MyJuceSlider.h"
#include "MyJuceVuMeter.h"
#include "ZoomControl.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <array>
#include <cstdint>
#include <memory>

class myComponentPlayerListener
{
public:
    virtual ~myComponentPlayerListener() = default;
    // 0 normal, 1 variable speed.
    virtual void newMode (int mode) = 0;
    // The speed slider's value 0..1.
    virtual void newVariableSpeed (float value) = 0;
};

// Holds the owner's listener (null until set); calls are skipped while null.
class myComponentPlayerBroadcaster
{
public:
    void setPlayerListener (myComponentPlayerListener* l) noexcept { playerListener = l; }
    myComponentPlayerListener* getPlayerListener() const noexcept { return playerListener; }

protected:
    void sendNewMode (int mode)
    {
        if (playerListener != nullptr)
            playerListener->newMode (mode);
    }
    void sendNewVariableSpeed (float value)
    {
        if (playerListener != nullptr)
            playerListener->newVariableSpeed (value);
    }

private:
    myComponentPlayerListener* playerListener = nullptr;
};

class ComponentPlayer : public juce::Component,
                        public juce::Button::Listener,
                        public juce::Slider::Listener,
                        public juce::ChangeListener,
                        public juce::ActionListener,
                        public juce::ActionBroadcaster,
                        public juce::Label::Listener,
                        public juce::FileDragAndDropTarget,
                        public myComponentPlayerBroadcaster
{
public:
    static constexpr int maxMeters = 64;

    explicit ComponentPlayer (bool hasModePopup);
    ~ComponentPlayer() override;

    // Shows file's waveform and the transport buttons.
    void openFile (juce::File file);
    // Back to the empty panel (drop hint, transport hidden).
    void clearCurrentFile();
    void setCurrentTime (float seconds);
    // Meters in use: 1..64 (n <= 0 gives one, n > 64 gives 64).
    void setNumChannels (int n);
    // Level 0..1 of meter index (0..63; other indices are ignored).
    void setVuMeter (int index, float level);
    void updateStartButton (bool playing);
    void updateRecordButton (bool recording);
    void updateLoopButton (bool looping);
    void updateGain (float g);
    void updateVariableSpeed (float speed);
    // 2 selects "variable", anything else "normal"; the listener hears of a change.
    void updatePlayMode (int mode);
    void setRecordTime (juce::String text);
    // A loop as fractions of the file, without a change message.
    void updateLoop (float start, float end);
    void displayVuMeter (bool on);
    // The hint shown while no file is loaded.
    void setText (juce::String text);
    // Removes the play, loop and begin buttons' shortcut keys.
    void clearShortcuts();

    juce::File getCurrentFile() const { return currentFile; }
    int getNumMeters() const noexcept { return numMeters; }
    int getVuWidth() const noexcept { return (int) vuWidth; }
    bool isVuDisplayOn() const noexcept { return vuDisplayOn; }
    juce::AudioThumbnail* getThumbnail() const noexcept { return thumbnail.get(); }
    const juce::String& getDropHint() const noexcept { return dropHint; }

    void paintOverChildren (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    void sliderValueChanged (juce::Slider*) override;
    void labelTextChanged (juce::Label*) override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void actionListenerCallback (const juce::String&) override;
    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;

    // Lay out the sync button (the plug-in's panel sets it).
    bool syncShown = false;

private:
    ScopedArialFont font;

public:
    // The children, for the owner's wiring and for tests; created once, never replaced.
    juce::AudioFormatManager formatManager;
    const std::unique_ptr<SoundEditorComponent> waveform;
    const std::unique_ptr<ZoomControl> zoom;
    const std::unique_ptr<MyJuceSimpleTextButton> syncButton;
    const std::unique_ptr<MyJuceTextButton> beginButton;
    const std::unique_ptr<MyJuceTextButton> playButton;
    const std::unique_ptr<MyJuceTextButton> loopButton;
    const std::unique_ptr<MyJuceTextButton> recordButton;
    const std::unique_ptr<MyJuceSimpleTextButton> bypassButton;
    const std::unique_ptr<juce::Slider> gainSlider;
    const std::unique_ptr<juce::Label> gainLabel;
    const std::unique_ptr<juce::Label> fileNameLabel;
    const std::unique_ptr<CpuBar> cpuBar;
    std::array<std::unique_ptr<MyJuceVuMeter>, maxMeters> vuMeters;
    const std::unique_ptr<MyJucePopup> modePopup;
    const std::unique_ptr<MyJuceSlider> speedSlider;
    const std::unique_ptr<MyJuceLabel> speedLabel;

private:
    void showMeters();

    juce::String dropHint { "Drop an audio file in this area" };
    // The last gain and speed shown, and their texts.
    float shownGain = 0.0f, shownSpeed = 0.0f;
    juce::String shownGainText, shownSpeedText;
    juce::File currentFile;
    int32_t cpuWidth = 42;
    std::unique_ptr<juce::AudioThumbnail> thumbnail;
    std::unique_ptr<juce::AudioThumbnailCache> thumbnailCache;
    int64_t vuWidth = 31;
    bool vuDisplayOn = true;
    int32_t numMeters = 5;
    const bool hasModePopup;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ComponentPlayer)
};
