#pragma once
// MyJuceSlider2D: a pad on which one point sets two values 0..1, X from left
// to right and Y from bottom to top, drawn as a ball on black. It behaves
// like MyJuceSlider: its own listener list (told from the last added to the
// first), a gesture per press, Alt-click restores (defaultX, defaultY),
// Cmd-drag glides elastically towards the mouse (fixed 16-pixel scale), the
// wheel moves X (horizontal) and Y (vertical) inside a gesture that ends
// half a second after the last notch. Shift during a drag locks the axis of
// the first clear move (more than 2 pixels beyond the other) until Shift is
// released. The library slider's own value is not used.
// With VOKT_OPENGL an OpenGL context that only clears is attached; painting
// is the same either way.
// Threads: message thread only.
#include "MyJuceSliderBase.h"

#if VOKT_OPENGL
 #include <juce_opengl/juce_opengl.h>
#endif

#include <cstdint>
#include <memory>

class MySlider2DLookAndFeel : public juce::LookAndFeel_V4
{
public:
    MySlider2DLookAndFeel();

    // Draws the ball at the pad's point (the slider must be a MyJuceSlider2D).
    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;
    int getSliderThumbRadius (juce::Slider&) override;
    // The point's pixel frame for a pad of width x height.
    void setFrame (int width, int height);

    juce::Image thumbImage;
    int thumbSize = 16;
    int x0 = 8, xRange = 1, y0 = 8, yRange = 1;
};

class MyJuceSlider2D : public MyJuceSliderBase
{
public:
    explicit MyJuceSlider2D (const juce::String& name);
    ~MyJuceSlider2D() override;

    // Sets the bounds and the point's frame (resized() keeps the frame right
    // for any other way of resizing).
    void setBounds (int x, int y, int width, int height);
    // Store the value when it differs and repaint; no listener is told.
    void setXValue (float v);
    void setYValue (float v);
    // The elastic line while a Cmd-drag runs, offset by (dx, dy) from the
    // pad's position in its parent: (0, 0) draws in the parent's coordinates.
    void DrawElas (juce::Graphics& g, int dx, int dy);

    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    void timerCallback() override;

    // 0 none yet, 1 horizontal only (Y frozen), 2 vertical only (X frozen).
    int getAxisLock() const noexcept { return axisLock; }
    const MySlider2DLookAndFeel& getPadLookAndFeel() const noexcept { return *lookAndFeel; }

    float defaultX = 0.5f;
    float defaultY = 0.5f;
    double valueY = 0.0;
    double valueX = 0.0;

private:
    // Stores v in `value` when it differs, repaints and tells the listeners
    // now; false when a listener deleted the pad.
    bool changeValue (double& value, double v);

    float pixelX = 0.0f;
    float pixelY = 0.0f;
    int32_t axisLock = 0;
    std::unique_ptr<MySlider2DLookAndFeel> lookAndFeel;
#if VOKT_OPENGL
    struct ClearingRenderer : juce::OpenGLRenderer
    {
        void newOpenGLContextCreated() override {}
        void renderOpenGL() override { juce::OpenGLHelpers::clear (juce::Colours::black); }
        void openGLContextClosing() override {}
    };
    ClearingRenderer renderer;
    juce::OpenGLContext openGLContext;
#endif

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyJuceSlider2D)
};
