#pragma once
// The large view of the spectral delay editor: a sonogram of the effect's
// input scrolling from right to left, one pixel column per spectral frame
// (low frequencies at the bottom on a quadratic axis), with the eight
// players drawn over it as bars the user edits by hand (BarGestures). Every
// edit becomes an action message (the vocabulary is in BarGestures.h) that
// the panel turns into effect calls; the panel places the bars from the
// effect's values with setCenter, setLength, setAngle, setSelected and the
// bars' active and muted flags.
//
// With VOKT_OPENGL an OpenGL context is attached that only clears to black;
// painting goes through JUCE's software renderer either way.
//
// The picture is kept as a ring of columns (a new frame overwrites the
// oldest column, nothing moves) holding colour-map indices, one byte a pixel
// (a quarter of the memory each refresh reads and writes), and painted from
// a copy stretched to the component's size, rebuilt once per change from two
// maps - the source column of every pixel column and the source row of every
// pixel row - that are read back from the graphics renderer's own stretch of
// the picture, so the copy equals what drawing the picture over the
// component would give.
// The component is opaque: the picture covers it.
//
// Threads: message thread only. buildBackground reads the engine's display
// copy of delay line 0 (RariZuz::getDisplayLine) with relaxed atomic loads
// while the audio thread writes it; that line is resized only on the
// message thread, so it is never freed under a read.
#include "BarGestures.h"
#include "MyBuffersArray.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_opengl/juce_opengl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class MyRariZuzDisplay : public juce::Component,
                         public juce::ActionBroadcaster,
                         public juce::Timer,
                         public juce::OpenGLRenderer
{
public:
    static constexpr int colourCount = 256;
    // Neither side of a written snapshot exceeds this (the JPEG format's limit).
    static constexpr int maxSnapshotSide = 65500;

    MyRariZuzDisplay();
    ~MyRariZuzDisplay() override;

    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;
    void paint (juce::Graphics& g) override;
    bool keyPressed (const juce::KeyPress& key) override;
    // A spectrum for displays that draw one; this one does nothing with it.
    virtual void SetSpectrum (float* spectrum, long size);
    void timerCallback() override;
    void renderOpenGL() override;
    void newOpenGLContextCreated() override;
    void openGLContextClosing() override;
    void resized() override;

    // The component's bounds; the bars take the size (resized does it for
    // every other way of sizing the display).
    using juce::Component::setBounds;
    void setBounds (int x, int y, int w, int h);

    // Adds the n newest frames of `line` to the sonogram (n beyond the
    // line's frame count redraws the whole picture once) and repaints. The
    // picture becomes count x length/2, black, when the line's geometry
    // changed. Pass RariZuz::getDisplayLine() and RariZuz::getUpdateDisplay().
    void buildBackground (const MyBuffersArray<float>* line, int n);

    // Writes the sonogram (without bars) as "RariZuz_<n>.jpg" into the
    // snapshot folder (the desktop unless set; created when missing), n the
    // first number from 0 whose file does not exist. Returns the file, or
    // an invalid File when nothing could be written.
    juce::File printImage();
    void setSnapshotFolder (const juce::File& folder) { snapshotFolder = folder; }
    juce::File getSnapshotFolder() const;

    // Bar operations of the panel (i outside 0..7 is ignored).
    void setCenter (int i, float x, float y);
    void setLength (int i, float v);
    void setAngle (int i, float a);
    void setSelected (int i, bool on);
    // Bar i (its active and muted flags are the panel's to write); null
    // outside 0..7.
    MyBar* getBar (int i) noexcept { return gestures.getBar (i); }
    int64_t getSelectedIndex() const noexcept { return gestures.getSelectedIndex(); }

    // The gesture logic the mouse handlers feed (touches go through it too).
    BarGestures& getGestures() noexcept { return gestures; }

    // The picture, oldest frame at the left, newest at the right (a copy of
    // the ring, made when asked for after a change).
    const juce::Image& getSonogram() const;
    juce::Colour getColour (int index) const noexcept { return colourMap[(size_t) juce::jlimit (0, colourCount - 1, index)]; }

    // Colour map entry i: black to (248, 0, 0) over 0..179, then towards
    // (248, 194, 0) over 180..255.
    static juce::Colour colourMapEntry (int i) noexcept;
    // Colour index of a bin power: linear in dB from -86.4 dB (0) to
    // -9.6 dB (256, clamped to 255); 0 for a power of 0 or not finite.
    static int levelIndex (float power) noexcept;
    // Sonogram row map: bin shown by row i (from the bottom) of h rows.
    static int rowBin (int i, int h) noexcept;

    const int64_t numBars = BarGestures::numBars;

private:
    BarPointer pointerOf (const juce::MouseEvent& e) const;

    // The picture stretched over the component, rebuilt when stale.
    void updateStretched();
    void updateStretchMaps (int w, int h);

    // Colour indices, row by row from the top; column (head + j) % ringWidth
    // is the picture's column j.
    std::vector<uint8_t> ring;
    int ringWidth = 0, ringHeight = 0;
    int head = 0;
    mutable juce::Image sonogram;
    mutable bool sonogramStale = true;
    juce::Image stretched;
    bool stretchedStale = true;
    // Source column of each pixel column, source row of each pixel row, for
    // the ring's size mapSource stretched over mapTarget.
    std::vector<int32_t> columnMap, rowMap, ringColumns;
    juce::Point<int> mapSource, mapTarget;
    std::array<juce::Colour, colourCount> colourMap;
    std::array<juce::PixelARGB, colourCount> colourPixels;
    BarGestures gestures;
    std::vector<int32_t> rowBins;  // bin of each row from the bottom
    juce::File snapshotFolder;
#if VOKT_OPENGL
    juce::OpenGLContext glContext;
#endif

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyRariZuzDisplay)
};
