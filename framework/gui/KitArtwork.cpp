#include "KitArtwork.h"

#include <functional>

namespace
{
juce::Image cached (juce::int64 key, const std::function<juce::Image()>& make)
{
    auto image = juce::ImageCache::getFromHashCode (key);
    if (! image.isValid())
    {
        image = make();
        juce::ImageCache::addImageToCache (image, key);
    }
    return image;
}

constexpr juce::int64 ballKey = 0x566f6b7442616c6c;
constexpr juce::int64 meterKey = 0x566f6b744d657472;
constexpr juce::int64 handKey = 0x566f6b7448616e64;
constexpr juce::int64 transportKey = 0x566f6b7454727030;  // + 2 x picture + down

juce::Image makeBall()
{
    juce::Image image (juce::Image::ARGB, 16, 16, true);
    juce::Graphics g (image);
    juce::ColourGradient shade (juce::Colour (0xfff8f8f8u), 7.0f, 5.0f,
                                juce::Colour (0xff303030u), 7.0f + 8.5f, 5.0f + 6.0f, true);
    shade.addColour (0.45, juce::Colour (0xffa0a0a0u));
    g.setGradientFill (shade);
    g.fillEllipse (0.5f, 0.5f, 15.0f, 15.0f);
    g.setColour (juce::Colour (0xff303030u));
    g.drawEllipse (0.5f, 0.5f, 15.0f, 15.0f, 0.8f);
    return image;
}

juce::Image makeMeterStrip()
{
    const int w = 10, h = 100;
    juce::Image image (juce::Image::RGB, w, h, true);
    juce::Graphics g (image);
    juce::ColourGradient lit (juce::Colour (0xffff2a1cu), 0.0f, 0.0f, juce::Colour (0xff16a034u), 0.0f, (float) h, false);
    lit.addColour (0.18, juce::Colour (0xffffa020u));
    lit.addColour (0.35, juce::Colour (0xfff2e234u));
    lit.addColour (0.6, juce::Colour (0xff5ed040u));
    g.setGradientFill (lit);
    g.fillAll();
    // Segments: a dark gap every 4 pixels and a darker rim on the sides.
    g.setColour (juce::Colours::black.withAlpha (0.45f));
    for (int y = 3; y < h; y += 4)
        g.fillRect (0, y, w, 1);
    g.setColour (juce::Colours::black.withAlpha (0.25f));
    g.fillRect (0, 0, 1, h);
    g.fillRect (w - 1, 0, 1, h);
    return image;
}

void drawFace (juce::Graphics& g, juce::Rectangle<float> r, bool down)
{
    const auto top = down ? juce::Colour (0xff5a5a5au) : juce::Colour (0xffd8dde2u);
    const auto bottom = down ? juce::Colour (0xff8c8c8cu) : juce::Colour (0xff9aa3abu);
    g.setGradientFill (juce::ColourGradient (top, 0.0f, r.getY(), bottom, 0.0f, r.getBottom(), false));
    g.fillRect (r);
    g.setColour (down ? juce::Colour (0xff303030u) : juce::Colour (0xff60666cu));
    g.drawRect (r, 2.0f);
}

juce::Image makeTransport (TransportPicture picture, bool down)
{
    const bool wide = picture == TransportPicture::loop || picture == TransportPicture::record;
    const int w = wide ? 48 : 32, h = 32;
    juce::Image image (juce::Image::RGB, w, h, true);
    juce::Graphics g (image);
    const auto r = image.getBounds().toFloat();
    drawFace (g, r, down);

    const auto ink = down ? juce::Colour (0xffffd79du) : juce::Colour (0xff202020u);
    const float cx = r.getCentreX(), cy = r.getCentreY();
    g.setColour (ink);
    switch (picture)
    {
        case TransportPicture::begin:
        {
            g.fillRect (cx - 9.0f, cy - 8.0f, 3.0f, 16.0f);
            juce::Path p;
            p.addTriangle (cx + 8.0f, cy - 8.0f, cx + 8.0f, cy + 8.0f, cx - 5.0f, cy);
            g.fillPath (p);
            break;
        }
        case TransportPicture::play:
        {
            juce::Path p;
            p.addTriangle (cx - 6.0f, cy - 9.0f, cx - 6.0f, cy + 9.0f, cx + 9.0f, cy);
            g.fillPath (p);
            break;
        }
        case TransportPicture::loop:
        {
            juce::Path p;
            p.addRoundedRectangle (cx - 14.0f, cy - 7.0f, 28.0f, 14.0f, 7.0f);
            g.strokePath (p, juce::PathStrokeType (3.0f));
            juce::Path head;
            head.addTriangle (cx + 1.0f, cy - 12.0f, cx + 1.0f, cy - 2.0f, cx + 8.0f, cy - 7.0f);
            g.setColour (down ? juce::Colour (0xff5a5a5au) : juce::Colour (0xffd0d5dau));
            g.fillRect (cx - 2.0f, cy - 10.0f, 4.0f, 6.0f);
            g.setColour (ink);
            g.fillPath (head);
            break;
        }
        case TransportPicture::record:
            g.setColour (down ? juce::Colour (0xffff3020u) : juce::Colour (0xffa01810u));
            g.fillEllipse (cx - 8.0f, cy - 8.0f, 16.0f, 16.0f);
            break;
    }
    return image;
}
juce::Image makeDraggingHand()
{
    juce::Image image (juce::Image::ARGB, 16, 16, true);
    juce::Graphics g (image);
    juce::Path hand;
    hand.addRoundedRectangle (3.0f, 6.0f, 11.0f, 8.5f, 2.5f);
    for (int i = 0; i < 4; ++i)
        hand.addEllipse (3.2f + 2.6f * (float) i, 4.0f, 3.0f, 4.0f);
    hand.addEllipse (1.0f, 7.5f, 3.5f, 4.5f);
    g.setColour (juce::Colours::white);
    g.fillPath (hand);
    g.setColour (juce::Colours::black);
    g.strokePath (hand, juce::PathStrokeType (1.0f));
    return image;
}
} // namespace

juce::Image GetDraggingHandImage() { return cached (handKey, makeDraggingHand); }

juce::Image GetBallImage() { return cached (ballKey, makeBall); }

juce::Image GetMeterStripImage() { return cached (meterKey, makeMeterStrip); }

juce::Image GetTransportImage (TransportPicture picture, bool down)
{
    const auto key = transportKey + 2 * (juce::int64) picture + (down ? 1 : 0);
    return cached (key, [picture, down] { return makeTransport (picture, down); });
}
