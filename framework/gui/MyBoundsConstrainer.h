#pragma once
// Bounds constrainer of the editor windows: while the bottom-right corner is
// dragged with Shift held (or alwaysKeepRatio), the ratio component (the
// effect's panel) keeps the width-to-height ratio it had when the drag
// began, inside a main component that may be larger by fixed margins (the
// application's player panel above it). Otherwise resizing is free within
// the limits.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyBoundsConstrainer : public juce::ComponentBoundsConstrainer
{
public:
    // extraHeight: pixels added to the height margin while dragging (20 in
    // the application, whose window adds them; 0 in the plug-in).
    explicit MyBoundsConstrainer (int extraHeight = 0);

    void checkBounds (juce::Rectangle<int>& bounds,
                      const juce::Rectangle<int>& previousBounds,
                      const juce::Rectangle<int>& limits,
                      bool isStretchingTop,
                      bool isStretchingLeft,
                      bool isStretchingBottom,
                      bool isStretchingRight) override;
    void resizeStart() override;

    void setRatioComponent (juce::Component* ratioComponent, juce::Component* mainComponent);
    void setMainComponent (juce::Component* mainComponent);

    double ratio = 2.0;
    double deltaWidth = 0.0;
    double deltaHeight = 0.0;
    juce::Component* ratioComponent = nullptr;
    juce::Component* mainComponent = nullptr;
    // The height the constrained window adds around mainComponent; a window
    // whose own layout differs (an in-window menu bar) sets its real figure.
    int extraHeight;
    bool alwaysKeepRatio = false;

private:
    void captureMargins();
};
