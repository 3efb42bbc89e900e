#pragma once
// The main window's content: the player bar on top and the effect's editor
// below it, sized together. It passes the player's action messages on to the
// window and turns the player's mode and speed changes into the streamer's.
// Threads: message thread only.
#include "ComponentPlayer.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdint>

namespace selvo
{
class StandaloneFilterWindow;

class ComponentFilter : public juce::Component,
                        public juce::ActionListener,
                        public juce::ActionBroadcaster,
                        public myComponentPlayerListener
{
public:
    explicit ComponentFilter (juce::AudioProcessor* processor);
    ~ComponentFilter() override;

    void resized() override;
    void childBoundsChanged (juce::Component* child) override;
    void actionListenerCallback (const juce::String& message) override;
    void newMode (int mode) override;
    void newVariableSpeed (float value) override;

    // The speed of a slider value 0..1: -2..2, snapped to semitones when snap is set.
    static float speedForSlider (float value, bool snap);

    juce::AudioProcessor* processor;
    StandaloneFilterWindow* ownerWindow = nullptr;
    ComponentPlayer player { true };
    juce::AudioProcessorEditor* filterEditor = nullptr;
    bool editorResizing = false;
    bool inResized = false;
    int64_t minEditorWidth = 0;
    int64_t minEditorHeight = 0;
    float desktopScale = 1.0f;
    int32_t playerHeight = 60;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ComponentFilter)
};
} // namespace selvo
