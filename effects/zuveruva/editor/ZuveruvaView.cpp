#include "ZuveruvaView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

ZuveruvaView::ZuveruvaView()
    : PadSlider ("ZuveruvaView"),
      spectrumTarget (new float[imageSize]),
      deviationTarget (new float[imageSize]),
      barsImage (juce::Image::RGB, imageSize, imageSize, true),
      backgroundImage (juce::Image::RGB, imageSize, imageSize, true),
      deviationShown (new float[imageSize]),
      spectrumShown (new float[imageSize])
{
    setName ("ZuveruvaView");
    std::fill_n (spectrumTarget.get(), imageSize, (float) imageSize);
    std::fill_n (spectrumShown.get(), imageSize, (float) imageSize);
    std::fill_n (deviationTarget.get(), imageSize, 0.0f);
    std::fill_n (deviationShown.get(), imageSize, 0.0f);
    barsGraphics = std::make_unique<juce::Graphics> (barsImage);
    barsGraphics->fillAll (juce::Colours::black);
    backgroundGraphics = std::make_unique<juce::Graphics> (backgroundImage);
    // Opaque from the start: each paint redraws the bars over it, so bars
    // of earlier paints never show through a missing picture.
    backgroundGraphics->fillAll (juce::Colours::black);
    setWantsKeyboardFocus (false);

    snapshotFolder = []
    {
        auto folder = juce::File::getSpecialLocation (juce::File::userDesktopDirectory);
        folder.createDirectory();
        return folder;
    };
}

ZuveruvaView::~ZuveruvaView()
{
    stopTimer();
    barsGraphics.reset();
    backgroundGraphics.reset();
}

void ZuveruvaView::setBackground (const juce::Image& picture)
{
    backgroundGraphics->fillAll (juce::Colours::black);
    if (picture.isValid())
        backgroundGraphics->drawImage (picture.createCopy(), juce::Rectangle<float> (0.0f, 0.0f, (float) imageSize, (float) imageSize),
                                       juce::RectanglePlacement::stretchToFit);
}

void ZuveruvaView::barRange (long n, int c, int i, bool singleFirst, long& lo, long& hi) noexcept
{
    if (singleFirst)
    {
        lo = (long) ((float) (n * i) / (float) c);
        hi = (long) ((float) (n * (i + 1)) / (float) c);
    }
    else
    {
        lo = (long) ((float) n * (float) i / (float) c);
        hi = (long) ((float) n * (float) (i + 1) / (float) c);
    }
    lo = std::clamp (lo, 0L, n - 1);
    hi = std::clamp (hi, lo, n);
}

void ZuveruvaView::setSpectrum (const float* values, long n)
{
    const long c = std::min<long> (n, displaySize);
    barCount = (int) std::max<long> (c, 0);
    if (c >= 1 && values != nullptr)
    {
        const float h = 1.0f / ((float) n * 20.0f);
        for (int i = 0; i < (int) c; ++i)
        {
            long lo, hi;
            barRange (n, (int) c, i, true, lo, hi);
            float r = 0.0f;
            auto level = [&] (long k)
            {
                const float v = values[k];
                const float p = std::fabs (h * v * v);
                return std::isfinite (p) ? p : 0.0f;  // a broken bin is silence
            };
            if (lo == hi)
                r = level (lo);
            else
                for (long k = lo; k < hi; ++k)
                    r = std::max (r, level (k));

            float t = (float) displaySize;
            if (r != 0.0f)
                t = 10.0f * std::log10 (1.0f / r) * (float) displaySize / 96.0f;
            spectrumTarget[(size_t) i] = std::clamp (t, 0.0f, (float) displaySize);
        }
    }
    if (! resizing)
        repaint();
}

void ZuveruvaView::setDeviation (const float* values, long n)
{
    const long c = std::min<long> (n, displaySize);
    if (c <= 0 || values == nullptr)
        return;
    for (int i = 0; i < (int) c; ++i)
    {
        long lo, hi;
        barRange (n, (int) c, i, false, lo, hi);
        auto drift = [&] (long k)
        {
            const float d = std::fabs (values[k]);
            return std::isfinite (d) ? d : 0.0f;
        };
        float d = 0.0f;
        if (lo == hi)
            d = drift (lo);
        else
            for (long k = lo; k < hi; ++k)
                d = std::max (d, drift (k));
        deviationTarget[(size_t) i] = d > 1.0f ? 1.0f : std::max (d, 0.0f) * 0.9f + 0.1f;
    }
}

void ZuveruvaView::setBounds (int x, int y, int width, int height)
{
    PadSlider::setBounds (x, y, width, height);
    stopTimer();
    resizing = true;
    startTimer (resizeHoldMs);
}

void ZuveruvaView::timerCallback()
{
    PadSlider::timerCallback();
    resizing = false;
}

void ZuveruvaView::renderBars (int width, int height)
{
    auto& bars = *barsGraphics;
    bars.saveState();
    bars.reduceClipRegion (0, 0, juce::jmin (width, imageSize), juce::jmin (height, imageSize));
    bars.setOpacity (1.0f);
    bars.drawImageAt (backgroundImage, 0, 0);
    bars.setColour (crossColour);
    if (barCount > 0)
    {
        const float d = (float) displaySize / (float) barCount;
        for (int i = 0; i < barCount; ++i)
        {
            if (spectrumShown[(size_t) i] >= (float) height)
                continue;  // entirely below the rendered part
            bars.setOpacity (deviationShown[(size_t) i]);
            bars.fillRect (juce::Rectangle<float> ((float) i * d, spectrumShown[(size_t) i], d,
                                                   (float) imageSize - spectrumShown[(size_t) i]));
        }
    }
    bars.restoreState();
}

void ZuveruvaView::paint (juce::Graphics& g)
{
    const int w = getWidth(), h = getHeight();
    const double X = valueX, Y = valueY;
    g.setFont (font);

    // One smoothing step per paint: bars rise fast (0.8) and fall slowly (0.1).
    for (int i = 0; i < barCount; ++i)
    {
        const double k = spectrumShown[(size_t) i] > spectrumTarget[(size_t) i] ? 0.8 : 0.1;
        spectrumShown[(size_t) i] = (float) (spectrumTarget[(size_t) i] * k + (1.0 - k) * spectrumShown[(size_t) i]);
        deviationShown[(size_t) i] = (float) (deviationTarget[(size_t) i] * 0.3 + deviationShown[(size_t) i] * 0.7);
    }
    // Only the drawn square is rendered here; a snapshot renders what it copies.
    renderBars (displaySize, displaySize);

    g.setOpacity (1.0f);
    g.setImageResamplingQuality (juce::Graphics::lowResamplingQuality);
    g.drawImage (barsImage, 0, 0, w, h, 0, 0, displaySize, displaySize);

    const int l = (int) (w * X);
    const int m = (int) ((1.0 - Y) * h);
    g.setColour (crossColour.darker (0.8f));
    g.drawVerticalLine (l + 1, 0.0f, (float) h);
    g.drawHorizontalLine (m + 1, 0.0f, (float) w);
    g.setColour (crossColour);
    g.drawVerticalLine (l, 0.0f, (float) h);
    g.drawHorizontalLine (m, 0.0f, (float) w);

    g.setColour (juce::Colours::white);
    DrawElas (g, -getX(), -getY());

    char text[40];
    std::snprintf (text, sizeof (text), "Frequency %4.2f", Y);
    frequencyTextAt = { l < w - 86 ? l + 8 : l - 90, m <= 18 ? m + 12 : m - 2 };
    g.drawSingleLineText (juce::String (text).replaceCharacter (',', '.'), frequencyTextAt.x, frequencyTextAt.y);

    amplitudeTextAt = { l <= 18 ? l + 10 : l - 2, m <= 85 ? m + 87 : m - 8 };
    std::snprintf (text, sizeof (text), "Amplitude %4.2f", X);
    g.addTransform (juce::AffineTransform::rotation (-1.575795f).translated ((float) amplitudeTextAt.x, (float) amplitudeTextAt.y));
    g.drawSingleLineText (juce::String (text).replaceCharacter (',', '.'), 0, 0);
}

juce::File ZuveruvaView::printImage()
{
    const juce::File folder = snapshotFolder ? snapshotFolder() : juce::File();
    if (folder == juce::File() || ! folder.isDirectory())
        return {};

    juce::File file;
    for (int counter = 0;; ++counter)
    {
        file = folder.getChildFile ("Zuveruva_" + juce::String (counter) + ".jpg");
        if (! file.exists())
            break;
    }

    const int w = getWidth(), h = getHeight();
    if (w <= 0 || h <= 0)
        return {};
    renderBars (w, h);
    juce::Image picture (juce::Image::RGB, w, h, true);
    {
        juce::Graphics g (picture);
        g.drawImageAt (barsImage, 0, 0);
    }

    juce::FileOutputStream out (file, 32768);
    if (! out.openedOk())
        return {};
    juce::JPEGImageFormat jpeg;
    if (! jpeg.writeImageToStream (picture, out))
    {
        out.flush();
        file.deleteFile();
        return {};
    }
    out.flush();
    return file;
}
