#pragma once
// MyJuceVuMeter shows a level 0..1 by revealing part of a lit meter picture
// and blacking out the rest (from the top when the meter is taller than
// wide, else from the right), with an optional red peak line.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyJuceVuMeter : public juce::Component
{
public:
    explicit MyJuceVuMeter (const juce::String& name);

    // The lit meter; drawn at the meter's size from the next resize on.
    void setImage (const juce::Image& image);
    // Sets the bounds (resized() does the same work for any other way of resizing).
    void setBounds (int x, int y, int width, int height);
    // Level 0..1 and peak 0..1 (negative: no peak line); repaints only on a change.
    void setValues (float level, float peak);

    float getLevel() const noexcept { return level; }
    float getPeak() const noexcept { return peak; }
    bool isVertical() const noexcept { return vertical; }

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;

private:
    juce::Image sourceImage;
    juce::Image scaledImage;
    bool vertical = false;
    float level = 0.0f;
    float peak = -1.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceVuMeter)
};
