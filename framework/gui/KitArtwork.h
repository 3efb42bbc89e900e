#pragma once
// Pictures of the kit's widgets, drawn here with JUCE graphics and cached in
// juce::ImageCache: the 2-D slider's ball, the lit level-meter strip and the
// player's transport buttons.
// Threads: message thread only.
#include <juce_graphics/juce_graphics.h>

// A grey ball, 16 x 16, transparent outside the disc.
juce::Image GetBallImage();

// The lit level meter, 10 x 100, bottom green through yellow to red at the top.
juce::Image GetMeterStripImage();

enum class TransportPicture
{
    begin,   // 32 x 32: bar and triangle pointing left
    play,    // 32 x 32: triangle pointing right
    loop,    // 48 x 32: a closed loop arrow
    record   // 48 x 32: a red disc
};

// A transport button's picture, drawn raised (down false) or pressed.
juce::Image GetTransportImage (TransportPicture picture, bool down);

// A closed hand, 16 x 16 with its hot spot at (8, 8), for dragging things
// sideways. (The library's own dragging-hand cursor decodes its picture with
// an out-of-bounds read on X11, so the kit draws its own.)
juce::Image GetDraggingHandImage();
