#include "MyLookAndFeel.h"

#include "MyArialFont.h"

juce::Typeface::Ptr MyLookAndFeel::getTypefaceForFont (const juce::Font& font)
{
    const auto family = font.getTypefaceName();
    const auto mapped = MyArialFont::mapFamilyName (family);
    if (mapped != family)
    {
        juce::Font f (font);
        f.setTypefaceName (mapped);  // keeps the style (Bold, Italic, ...)
        return juce::Font::getDefaultTypefaceForFont (f);
    }
    return juce::LookAndFeel_V3::getTypefaceForFont (font);
}

SharedDefaultLookAndFeel::SharedDefaultLookAndFeel()
{
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    // Faces looked up before the mapping was in force (an "Arial" that fell
    // back to another family) must not be served from the cache.
    juce::Typeface::clearTypefaceCache();
}

SharedDefaultLookAndFeel::~SharedDefaultLookAndFeel()
{
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &lookAndFeel)
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}
