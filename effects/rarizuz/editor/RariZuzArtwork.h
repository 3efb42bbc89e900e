#pragma once
// The spectral delay panel's pictures, drawn at run time at their fixed
// sizes and cached (juce::ImageCache).
// Threads: message thread only.
#include <juce_graphics/juce_graphics.h>

juce::Image GetFamilyLogo();  // 127 x 26, transparent background
juce::Image GetMakerLogo();   // 80 x 80, opaque
juce::Image GetBundleName();  // 103 x 23, transparent background
juce::Image GetMakerMark();   // 31 x 14, transparent background
