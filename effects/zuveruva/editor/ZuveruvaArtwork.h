#pragma once
// The crunch editor's pictures, drawn here with JUCE graphics at first use
// and kept in juce::ImageCache: the pad's background, the family title, the
// effect's title, the logo and the small maker's mark.
// Threads: message thread only.
#include <juce_graphics/juce_graphics.h>

namespace ZuveruvaArtwork
{
juce::Image padBackground();  // 341 x 147, RGB
juce::Image familyTitle();    // 127 x 26, ARGB
juce::Image effectTitle();    // 117 x 23, ARGB
juce::Image logo();           // 80 x 80, RGB
juce::Image makerMark();      // 31 x 14, ARGB
} // namespace ZuveruvaArtwork
