#pragma once
// MyJuceSliderBase: what the kit's slider and pad share. A library slider
// that tells only its own listener list (from the last added to the first,
// stopping when a listener deletes it), opens and closes one gesture at a
// time, and keeps the state of an elastic Cmd-drag (a factor that moves a
// point towards the mouse, updated on every drag and on a 50 ms timer) and
// of a wheel gesture (closed half a second after the last notch).
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

class MyJuceSliderBase : public juce::Slider,
                         public juce::Timer,
                         public juce::AsyncUpdater
{
public:
    explicit MyJuceSliderBase (const juce::String& name);

    // Appends to the slider's own listeners (null or already present: ignored).
    void addListener (juce::Slider::Listener* listener);
    // Open and close the gesture (nothing when it already is so); false when
    // a listener deleted the slider.
    bool sendDragStart();
    bool sendDragEnd();

    bool keyPressed (const juce::KeyPress&) override;
    // Tells the listeners the value changed.
    void handleAsyncUpdate() override;

    bool isElastic() const noexcept { return elastic; }
    bool isGestureOpen() const noexcept { return dragStarted; }

protected:
    // Tells the listeners now; false when a listener deleted the slider.
    bool notifyNow();
    void repaintParent();

    // A Cmd-press starts the elastic drag with a fresh clock and the timer.
    void startElastic();
    // Ends it: the parent drops the line, the timer stops.
    void stopElastic();
    // Moves the factor on by the time since the last step, for the mouse
    // (dx, dy) away from the point and a widget `scale` pixels across: the
    // farther the mouse, the slower the glide.
    void stepElasticFactor (float dx, float dy, float scale);
    // `mouse` limited to 0..size and, while elastic, moved from `current`
    // only by the factor (then kept below size).
    float elasticCoordinate (float mouse, float current, float size) const;
    // The mouse drag again at the last mouse position (the elastic timer's step).
    void dragAtLastMouse();
    // The black-shadowed white line from the point to the mouse.
    static void drawElasticLine (juce::Graphics& g, juce::Point<float> start, juce::Point<float> end);

    // Opens the wheel's gesture unless it is open; false when a listener
    // deleted the slider.
    bool openWheelGesture();
    // After a notch: the gesture stays open, the timer watches the pause.
    void keepWheelGestureOpen();
    // Closes the wheel's gesture half a second after the last notch (with a
    // button held the release closes it instead); false when a listener
    // deleted the slider.
    bool closeWheelGestureAfterPause();

    bool elastic = false;
    float elasticFactor = 0.0f;
    bool wheelActive = false;
    juce::Point<float> lastMouse;

private:
    bool tellListeners (void (juce::Slider::Listener::*call) (juce::Slider*));

    uint32_t elasticTime = 0;
    uint32_t lastWheelTime = 0;
    bool dragStarted = false;
    juce::Array<juce::Slider::Listener*> listeners;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceSliderBase)
};
