// The spectral delay panel's four pictures, drawn here with JUCE graphics at
// their fixed pixel sizes and kept in the image cache: the product family's
// name strip, the maker's round logo, the bundle's name and a small maker's
// mark.
#include "RariZuzArtwork.h"

#include "MyArialFont.h"

namespace
{
constexpr juce::int64 familyKey = 0x566f6b7452613031;  // cache keys
constexpr juce::int64 makerKey = 0x566f6b7452613032;
constexpr juce::int64 bundleKey = 0x566f6b7452613033;
constexpr juce::int64 markKey = 0x566f6b7452613034;

const juce::Colour amber (0xffffd79du);
const juce::Colour ember (0xffd2541eu);

juce::Image cached (juce::int64 key, juce::Image (*make)())
{
    auto image = juce::ImageCache::getFromHashCode (key);
    if (image.isNull())
    {
        image = make();
        juce::ImageCache::addImageToCache (image, key);
    }
    return image;
}

juce::Font plainFont (float height, bool bold)
{
    return juce::Font (MyArialFont::mapFamilyName ("Arial"), height, bold ? juce::Font::bold : juce::Font::plain);
}

juce::Image makeFamily()
{
    juce::Image image (juce::Image::ARGB, 127, 26, true);
    juce::Graphics g (image);
    // Three rising bars, then the family name.
    for (int k = 0; k < 3; ++k)
    {
        g.setColour (ember.interpolatedWith (amber, (float) k / 2.0f));
        const float h = 8.0f + 5.0f * (float) k;
        g.fillRoundedRectangle (2.0f + 6.0f * (float) k, 22.0f - h, 4.0f, h, 1.0f);
    }
    g.setColour (juce::Colour (0xff1c1a19u));
    g.setFont (plainFont (17.0f, true));
    g.drawText ("VOKT", 23, 2, 52, 22, juce::Justification::centredLeft, false);
    g.setColour (juce::Colour (0xff3d3936u));
    g.setFont (plainFont (13.0f, false));
    g.drawText ("tools", 72, 5, 52, 19, juce::Justification::centredLeft, false);
    return image;
}

juce::Image makeMaker()
{
    juce::Image image (juce::Image::RGB, 80, 80, true);
    juce::Graphics g (image);
    g.fillAll (juce::Colour (0xffc0bcbau));
    juce::ColourGradient disc (amber, 28.0f, 20.0f, ember, 60.0f, 72.0f, true);
    g.setGradientFill (disc);
    g.fillEllipse (6.0f, 6.0f, 68.0f, 68.0f);
    g.setColour (juce::Colour (0xff2a1408u));
    g.drawEllipse (6.0f, 6.0f, 68.0f, 68.0f, 2.0f);
    // A wave that narrows into a V.
    juce::Path wave;
    wave.startNewSubPath (14.0f, 34.0f);
    for (int x = 14; x <= 66; x += 2)
    {
        const float t = (float) (x - 14) / 52.0f;
        const float depth = 24.0f * (1.0f - std::abs (2.0f * t - 1.0f));
        wave.lineTo ((float) x, 30.0f + depth + 3.0f * std::sin ((float) x * 0.9f) * (1.0f - depth / 24.0f));
    }
    g.strokePath (wave, juce::PathStrokeType (3.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    return image;
}

juce::Image makeBundle()
{
    juce::Image image (juce::Image::ARGB, 103, 23, true);
    juce::Graphics g (image);
    g.setColour (juce::Colour (0xff2b2623u));
    g.setFont (plainFont (18.0f, true));
    g.drawText ("Selvo", 0, 0, 103, 23, juce::Justification::centred, false);
    return image;
}

juce::Image makeMark()
{
    juce::Image image (juce::Image::ARGB, 31, 14, true);
    juce::Graphics g (image);
    g.setColour (juce::Colour (0xff3d3936u));
    g.setFont (plainFont (10.0f, false));
    g.drawText ("vokt", 0, 0, 31, 14, juce::Justification::centred, false);
    return image;
}
} // namespace

juce::Image GetFamilyLogo() { return cached (familyKey, makeFamily); }
juce::Image GetMakerLogo() { return cached (makerKey, makeMaker); }
juce::Image GetBundleName() { return cached (bundleKey, makeBundle); }
juce::Image GetMakerMark() { return cached (markKey, makeMark); }
