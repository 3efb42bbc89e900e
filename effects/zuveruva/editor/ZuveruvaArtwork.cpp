#include "ZuveruvaArtwork.h"

#include "AboutComponent.h"
#include "MyArialFont.h"

#include <cmath>

namespace
{
template <typename Draw>
juce::Image cached (juce::int64 key, Draw&& draw)
{
    auto image = juce::ImageCache::getFromHashCode (key);
    if (image.isNull())
    {
        image = draw();
        juce::ImageCache::addImageToCache (image, key);
    }
    return image;
}

const juce::Colour amber (0xffffd79du);

juce::Image drawPadBackground()
{
    const int w = 341, h = 147;
    juce::Image image (juce::Image::RGB, w, h, true);
    juce::Graphics g (image);
    juce::ColourGradient sky (juce::Colour (0xff1c2f5eu), 0.0f, 0.0f, juce::Colour (0xff070b18u), 0.0f, (float) h, false);
    g.setGradientFill (sky);
    g.fillAll();

    // A faint decibel grid: a line every 12 rows, a column every 20.
    g.setColour (juce::Colour (0x22a0c0ffu));
    for (int y = 6; y < h; y += 12)
        g.fillRect (0, y, w, 1);
    for (int x = 10; x < w; x += 20)
        g.fillRect (x, 0, 1, h);

    // Soft ridges, as of a spectrum held for a while.
    for (int k = 0; k < 3; ++k)
    {
        juce::Path ridge;
        ridge.startNewSubPath (0.0f, (float) h);
        for (int x = 0; x <= w; x += 2)
        {
            const float t = (float) x / (float) w;
            const float y = (float) h * (0.35f + 0.18f * (float) k)
                            + 14.0f * std::sin (t * (9.0f + 3.0f * (float) k) + 1.3f * (float) k) * (1.0f - t);
            ridge.lineTo ((float) x, y);
        }
        ridge.lineTo ((float) w, (float) h);
        ridge.closeSubPath();
        g.setColour (juce::Colour (0xff2f5aa8u).withAlpha (0.10f + 0.05f * (float) k));
        g.fillPath (ridge);
    }
    return image;
}

juce::Image drawText (int w, int h, const juce::String& text, float height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, w, h, true);
    juce::Graphics g (image);
    g.setColour (colour);
    g.setFont (getArialFont (height, true));
    g.drawFittedText (text, 0, 0, w, h, juce::Justification::centred, 1, 0.7f);
    return image;
}

juce::Image drawMark()
{
    juce::Image image (juce::Image::ARGB, 31, 14, true);
    juce::Graphics g (image);
    g.setColour (juce::Colour (0xffd0ccc8u));
    g.setFont (getArialFont (10.0f, false));
    g.drawText ("by", 0, 0, 14, 14, juce::Justification::centredLeft, false);
    juce::Path v;
    v.startNewSubPath (16.0f, 3.0f);
    v.lineTo (22.0f, 12.0f);
    v.lineTo (28.0f, 3.0f);
    g.setColour (amber);
    g.strokePath (v, juce::PathStrokeType (2.0f));
    return image;
}
} // namespace

namespace ZuveruvaArtwork
{
juce::Image padBackground() { return cached (0x566f6b745a753031, drawPadBackground); }
juce::Image familyTitle() { return cached (0x566f6b745a753032, [] { return drawText (127, 26, "Vokt Tools", 20.0f, amber); }); }
juce::Image effectTitle() { return cached (0x566f6b745a753033, [] { return drawText (117, 23, "Quarn", 18.0f, juce::Colour (0xffedededu)); }); }
juce::Image makerMark() { return cached (0x566f6b745a753035, drawMark); }

juce::Image logo()
{
    return cached (0x566f6b745a753034, []
    {
        juce::Image image (juce::Image::RGB, 80, 80, true);
        juce::Graphics g (image);
        g.fillAll (juce::Colour (0xff564e47u));
        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
        g.drawImage (GetAboutLogo(), juce::Rectangle<float> (0.0f, 0.0f, 80.0f, 80.0f));
        return image;
    });
}
} // namespace ZuveruvaArtwork
