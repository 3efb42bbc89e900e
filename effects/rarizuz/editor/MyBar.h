#pragma once
// One player of the spectral delay as the sonogram shows it: a line between
// two ends, a handle at each end and one at the centre, the player's number
// beside the centre.
//
// Coordinates are fractions of the display: x from the left edge (0) to the
// right edge (1), y from the top (0) to the bottom (1); pixels are fraction
// x (w, h), the display's size. The centre is kept at the midpoint of the
// ends. Drags keep end 1 the upper end (y1 <= y2); the setters keep which
// end is the upper one as it was.
//
// Threads: message thread only (a plain value owned by the display).
#include <juce_graphics/juce_graphics.h>

class MyBar
{
public:
    explicit MyBar (int index = 0);

    // Moves the bar so that its centre is (x, y).
    void setCenter (float x, float y);
    // Scales the ends about the centre to the length v (0.01 .. 1, 1 the
    // diagonal of the unit square).
    void setLength (float v);
    // Rotates the ends about the centre to the angle a x pi (a in
    // 0.001 .. 0.999), keeping the half length and which end is upper.
    void setAngle (float a);
    // Puts the ends at (ax, ay) and (bx, by) and the centre between them.
    void setEnds (float ax, float ay, float bx, float by);
    // Exchanges the two ends when end 1 is below end 2 (y1 > y2); true when
    // it did (swapped then says so too).
    bool keepUpperFirst();
    void updateCenter();

    // Draws the bar (active bars only) at the pixel size (w, h).
    void paint (juce::Graphics& g) const;

    float cx = 0.9f, cy = 0.85f;
    float x1 = 0.9f, y1 = 0.75f;
    float x2 = 0.9f, y2 = 0.95f;
    int32_t w = 0, h = 0;
    bool selected = false;
    bool active = false;
    bool muted = true;
    juce::String label;
    juce::Font font { 12.0f, juce::Font::plain };
    bool swapped = false;
};
