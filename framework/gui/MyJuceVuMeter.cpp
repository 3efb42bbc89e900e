#include "MyJuceVuMeter.h"

#include <cmath>

namespace
{
// A value the drawing can use: finite and within 0..1 (NaN gives 0).
float drawable (float v)
{
    return std::isfinite (v) ? juce::jlimit (0.0f, 1.0f, v) : 0.0f;
}
} // namespace

MyJuceVuMeter::MyJuceVuMeter (const juce::String& name) : juce::Component (name)
{
    setWantsKeyboardFocus (false);
}

void MyJuceVuMeter::setImage (const juce::Image& image)
{
    sourceImage = image;
    scaledImage = image.createCopy();
}

void MyJuceVuMeter::setBounds (int x, int y, int width, int height)
{
    const bool sameSize = width == getWidth() && height == getHeight();
    juce::Component::setBounds (x, y, width, height);
    if (sameSize)
        resized();  // the component calls resized() only on a size change
}

void MyJuceVuMeter::resized()
{
    vertical = getWidth() < getHeight();
    if (sourceImage.isValid() && getWidth() > 0 && getHeight() > 0)
        scaledImage = sourceImage.rescaled (getWidth(), getHeight(), juce::Graphics::mediumResamplingQuality);
    else
        scaledImage = sourceImage.isValid() ? sourceImage.createCopy() : juce::Image();
}

void MyJuceVuMeter::setValues (float newLevel, float newPeak)
{
    if (newLevel == level && newPeak == peak)
        return;
    level = newLevel;
    peak = newPeak;
    repaint();
}

bool MyJuceVuMeter::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceVuMeter::paint (juce::Graphics& g)
{
    const float w = (float) getWidth();
    const float h = (float) getHeight();
    if (scaledImage.isValid())
        g.drawImageAt (scaledImage, 0, 0);

    const float l = drawable (level);
    g.setColour (juce::Colours::black);
    if (vertical)
        g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, w - 1.0f, (1.0f - l) * h));
    else
        g.fillRect (juce::Rectangle<float> (l * w, 0.0f, (1.0f - l) * w, h - 1.0f));

    if (peak >= 0.0f && std::isfinite (peak))
    {
        const float p = std::min (peak, 1.0f);
        g.setColour (juce::Colours::red);
        if (vertical)
            g.drawLine (0.0f, (1.0f - p) * h, w, (1.0f - p) * h);
        else
            g.drawLine (p * w, 0.0f, p * w, h);
    }
}
