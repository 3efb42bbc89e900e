#pragma once
// MyJuceSlider: the one-dimensional parameter slider of the editors and the
// player panel. A library slider (range 0..1, linear, no text box) whose
// mouse handling, notification and drawing are its own: it tells only its
// own listener list; a press opens a gesture and moves the value to the
// mouse, Alt-click restores `defaultValue`, Cmd-drag glides elastically
// towards the mouse, the wheel steps the value and closes its gesture half a
// second after the last notch. MySliderLookAndFeel draws a flat two-line
// track, no thumb, and a small tick while highlighted.
// Threads: message thread only.
#include "MyJuceSliderBase.h"

class MySliderLookAndFeel : public juce::LookAndFeel_V2
{
public:
    MySliderLookAndFeel();

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;
    int getSliderThumbRadius (juce::Slider&) override;
    void setControlHighliteInfo (bool on, short type);

    juce::Colour restColour { 200, 200, 200 };
    juce::Colour valueColour = juce::Colours::darkgrey;
    juce::Colour restColourDisabled;
    juce::Colour valueColourDisabled;
    int trackStart = 0;
    int trackLength = 100;
    juce::Colour highlightColour = juce::Colours::transparentBlack;
};

class MyJuceSlider : public MyJuceSliderBase
{
public:
    explicit MyJuceSlider (const juce::String& name);
    ~MyJuceSlider() override;

    // Nothing when value is the current one. Otherwise sets it silently and,
    // with notify, tells the listeners now (synchronous) or from the message loop.
    void setValue (double value, bool notify, bool synchronous);
    void setSliderStyle (juce::Slider::SliderStyle style);
    void SetControlHighliteInfo (bool on, short type);
    juce::Colour getHighlightColour() const noexcept { return lookAndFeel.highlightColour; }
    // Draws the elastic line into the parent's graphics (the owner calls it
    // from its paintOverChildren).
    void DrawElas (juce::Graphics& g);

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    void timerCallback() override;

    float defaultValue = 0.0f;

private:
    // Sets v silently and tells the listeners now; false when the slider was
    // deleted by a listener.
    bool setValueAndNotifyNow (double v);

    float positionX = 0.0f;
    float positionY = 0.0f;
    MySliderLookAndFeel lookAndFeel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceSlider)
};
