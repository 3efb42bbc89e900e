#pragma once
// ZuveruvaView: the crunch editor's pad. Its point sets two values (X for
// the amplitude smoothing, Y for the frequency smoothing; the panel binds
// them). Behind the point it draws the effect's live spectrum as up to 512
// bars on a background picture: a bar's height follows the bin amplitude
// in decibels (96 dB over the drawn square), its opacity how far the bin's
// frequency has drifted (0.1 on the bin, 1.0 a whole bin or more away).
// Bars rise fast and fall slowly, one smoothing step per paint. A crosshair
// through the point carries the two values. printImage writes the bars
// picture as a JPEG file.
//
// Non-finite amplitudes or deviations count as silence (no bar, lowest
// opacity). During a resize the spectrum repaints are held back until
// 200 ms after the last size change.
// Threads: message thread only (the panel's tick feeds copies of the
// effect's display arrays).
#include "ZuveruvaParts.h"

#include <functional>
#include <memory>

class ZuveruvaView : public PadSlider
{
public:
    static constexpr int displaySize = 512;  // pixels of the drawn square, and the most bars
    static constexpr int imageSize = 1024;
    static constexpr int resizeHoldMs = 200;

    ZuveruvaView();
    ~ZuveruvaView() override;

    // The background picture, stretched to the whole bars image.
    void setBackground (const juce::Image& picture);
    // n bins of amplitude (the effect's display spectrum).
    virtual void setSpectrum (const float* values, long n);
    // n bins of frequency deviation, in bins.
    virtual void setDeviation (const float* values, long n);

    void setBounds (int x, int y, int width, int height);
    void paint (juce::Graphics&) override;
    bool keyPressed (const juce::KeyPress&) override { return false; }
    void timerCallback() override;

    // Writes the top-left pad-sized part of the bars image (bars and
    // background, no crosshair) as "Zuveruva_<n>.jpg" into the snapshot
    // folder, n the first counter from 0 with no such file. Returns the
    // file, or a non-existent File when nothing could be written.
    juce::File printImage();
    // Where printImage writes: the user's desktop (made when missing); tests replace it.
    std::function<juce::File()> snapshotFolder;

    // Observers (tests, benchmarks).
    int getBarCount() const noexcept { return barCount; }
    float getSpectrumTarget (int i) const noexcept { return spectrumTarget[(size_t) i]; }
    float getSpectrumShown (int i) const noexcept { return spectrumShown[(size_t) i]; }
    float getDeviationTarget (int i) const noexcept { return deviationTarget[(size_t) i]; }
    float getDeviationShown (int i) const noexcept { return deviationShown[(size_t) i]; }
    bool isResizing() const noexcept { return resizing; }
    const juce::Image& getBarsImage() const noexcept { return barsImage; }
    // The text positions of the last paint (crosshair labels), in pad coordinates.
    juce::Point<int> getFrequencyTextPosition() const noexcept { return frequencyTextAt; }
    juce::Point<int> getAmplitudeTextAnchor() const noexcept { return amplitudeTextAt; }

private:
    // Draws the background and the bars as they stand into the top-left
    // width x height of the bars image.
    void renderBars (int width, int height);
    // The bins [lo, hi) of bar i of c over n bins.
    static void barRange (long n, int c, int i, bool singleFirst, long& lo, long& hi) noexcept;

    int barCount = imageSize;
    std::unique_ptr<float[]> spectrumTarget;
    std::unique_ptr<float[]> deviationTarget;
    juce::Image barsImage;        // opaque too: scaled onto the pad without blending
    std::unique_ptr<juce::Graphics> barsGraphics;
    juce::Image backgroundImage;  // opaque, so RGB: drawn by copying, not blending
    std::unique_ptr<juce::Graphics> backgroundGraphics;
    const juce::Colour crossColour { 127, 175, 255 };
    juce::Font font { 12.0f, juce::Font::plain };
    std::unique_ptr<float[]> deviationShown;
    std::unique_ptr<float[]> spectrumShown;
    bool resizing = false;
    juce::Point<int> frequencyTextAt, amplitudeTextAt;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZuveruvaView)
};
