#pragma once
// CpuBar: the player's CPU bar, the audio device's load 0..1 drawn the way
// the look and feel draws a progress bar, with the text "Cpu Usage". It has
// no clock of its own: the owner sets the load from its refresh, and the bar
// repaints only when what it shows changes. As with a progress bar, a rising
// load is shown climbing at most 0.8 per second (a fall shows at once), and
// a load outside 0..1 (drawn as moving stripes) repaints on every set.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class CpuBar : public juce::Component
{
public:
    CpuBar();

    // The load now (the owner's refresh); the time between two sets is
    // what the shown value may climb by.
    void setLoad (double load);
    double getShownLoad() const noexcept { return shown; }

    void paint (juce::Graphics& g) override;
    void resized() override;
    void lookAndFeelChanged() override;

private:
    double shown = 0.0;
    juce::uint32 lastSet = 0;
    // Never shown and never running: the progress bar the look and feel
    // takes its colours and shape from, a child so that colours set on the
    // panel around it apply as they would to a visible bar.
    double styleValue = 0.0;
    juce::ProgressBar style { styleValue };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CpuBar)
};
