// The About box's pictures, drawn here with JUCE graphics: a dark field with
// a sonogram of drifting spectral ridges under the name, and a round amber
// logo crossed by a wave narrowing to a V.
#include "AboutComponent.h"

#include <cmath>

namespace
{
constexpr juce::int64 backgroundKey = 0x566f6b7441623031;  // cache keys of the two pictures
constexpr juce::int64 logoKey = 0x566f6b74416c3031;

// Level 0..1 of the sonogram at column c (time) and row height f (0 bottom, 1 top).
float sonogramLevel (int c, float f, juce::Random& noise)
{
    float ridge = 0.0f;
    for (int k = 0; k < 5; ++k)
    {
        const float centre = 0.07f + 0.18f * (float) k + 0.035f * std::sin ((float) c * 0.045f + 1.7f * (float) k);
        const float d = f - centre;
        const float width = 0.0016f + 0.0009f * (float) k;
        ridge += std::exp (-d * d / width) * (1.0f - 0.14f * (float) k);
    }
    const float pulse = 0.55f + 0.45f * std::sin ((float) c * 0.11f) * std::sin ((float) c * 0.023f + 0.4f);
    const float level = 1.3f * ridge * pulse + noise.nextFloat() * 0.10f * (1.0f - f);
    return juce::jlimit (0.0f, 1.0f, level);
}

juce::Colour sonogramColour (float level)
{
    // From deep red through amber to the panels' pale gold.
    const auto low = juce::Colour (0xff3a0a06u);
    const auto mid = juce::Colour (0xffd2541eu);
    const auto high = juce::Colour (0xffffd79du);
    return level < 0.5f ? low.interpolatedWith (mid, level * 2.0f)
                        : mid.interpolatedWith (high, (level - 0.5f) * 2.0f);
}

juce::Image makeBackground()
{
    const int w = 530, h = 300;
    juce::Image image (juce::Image::RGB, w, h, true);
    juce::Graphics g (image);

    juce::ColourGradient sky (juce::Colour (0xff13213au), 0.0f, 0.0f, juce::Colour (0xff020309u), 0.0f, (float) h, false);
    sky.addColour (0.45, juce::Colour (0xff0b1527u));
    g.setGradientFill (sky);
    g.fillAll();

    // The sonogram: cells of 4 x 3 pixels from y 110 down to the bottom.
    juce::Random noise (1123);
    const int top = 110, cellW = 4, cellH = 3;
    const int rows = (h - top) / cellH;
    for (int c = 0; c * cellW < w; ++c)
    {
        for (int r = 0; r < rows; ++r)
        {
            const float f = (float) r / (float) (rows - 1);
            const float level = sonogramLevel (c, f, noise);
            if (level < 0.04f)
                continue;
            const float fade = juce::jlimit (0.0f, 1.0f, 1.7f - 1.1f * f);  // dimmer towards the top
            g.setColour (sonogramColour (level * fade).withAlpha (0.45f + 0.55f * level * fade));
            g.fillRect (c * cellW, h - (r + 1) * cellH, cellW - 1, cellH - 1);
        }
    }

    // Darken behind the texts, then the name and a rule under it.
    juce::ColourGradient shade (juce::Colour (0xe0000000u), 0.0f, 0.0f, juce::Colour (0x00000000u), 0.0f, 150.0f, false);
    g.setGradientFill (shade);
    g.fillRect (0, 0, w, 150);

    g.setColour (juce::Colour (0xffffd79du));
    g.setFont (getArialFont (40.0f, true));
    g.drawText ("Vokt", 158, 8, 300, 44, juce::Justification::centredLeft, false);
    g.setColour (juce::Colour (0x80ffd79du));
    g.fillRect (161, 86, 230, 1);

    // A bar drawn over the field, as the players are drawn in the plane.
    g.setColour (juce::Colour (0xc0ffffffu));
    g.drawLine (60.0f, 270.0f, 470.0f, 150.0f, 2.0f);
    g.setColour (juce::Colour (0xff9dd1ffu));
    g.fillEllipse (56.0f, 266.0f, 8.0f, 8.0f);
    g.fillEllipse (466.0f, 146.0f, 8.0f, 8.0f);
    return image;
}

juce::Image makeLogo()
{
    const int size = 92;
    juce::Image image (juce::Image::ARGB, size, size, true);
    juce::Graphics g (image);
    const auto area = juce::Rectangle<float> (2.0f, 2.0f, (float) size - 4.0f, (float) size - 4.0f);

    juce::ColourGradient disc (juce::Colour (0xffffe7bfu), area.getCentreX() - 12.0f, area.getCentreY() - 14.0f,
                               juce::Colour (0xffc2461au), area.getRight(), area.getBottom(), true);
    g.setGradientFill (disc);
    g.fillEllipse (area);
    g.setColour (juce::Colour (0xff2a0904u));
    g.drawEllipse (area.reduced (1.5f), 3.0f);

    // A wave whose amplitude narrows to a point: the letter V.
    juce::Path wave;
    const float left = 18.0f, right = (float) size - 18.0f, mid = (float) size * 0.5f;
    const float topY = 24.0f, bottomY = (float) size - 20.0f;
    for (int i = 0; i <= 120; ++i)
    {
        const float t = (float) i / 120.0f;
        const float x = left + (right - left) * t;
        const float envelope = std::abs (x - mid) / (mid - left);  // 1 at the edges, 0 in the middle
        const float base = bottomY - (bottomY - topY) * envelope;
        const float y = base + 5.0f * envelope * std::sin (t * juce::MathConstants<float>::twoPi * 5.0f);
        if (i == 0)
            wave.startNewSubPath (x, y);
        else
            wave.lineTo (x, y);
    }
    g.setColour (juce::Colour (0xff1b0603u));
    g.strokePath (wave, juce::PathStrokeType (5.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    return image;
}

juce::Image cached (juce::int64 key, juce::Image (*make)())
{
    auto image = juce::ImageCache::getFromHashCode (key);
    if (! image.isValid())
    {
        image = make();
        juce::ImageCache::addImageToCache (image, key);
    }
    return image;
}
} // namespace

juce::Image GetAboutBackground() { return cached (backgroundKey, makeBackground); }
juce::Image GetAboutLogo() { return cached (logoKey, makeLogo); }
