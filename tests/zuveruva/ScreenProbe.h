#pragma once
// What a user sees and does on the X display, for the host tests: the
// pixels of a screen rectangle (whatever windows, of any process, show
// there) and synthetic mouse input through the XTest extension.
#include <cstdint>
#include <string>
#include <vector>

namespace screenprobe
{
// 0xAARRGGBB pixels of the rectangle, row by row; empty without a display.
std::vector<uint32_t> grab (int x, int y, int width, int height);
// Presses the left button at (x0, y0), drags in steps to (x1, y1), releases.
bool drag (int x0, int y0, int x1, int y1);
// Presses and releases a key (an X keysym name such as "p").
bool key (const char* keysymName);
// The screen rectangle of the first top-level window (or child of one)
// whose name contains `title`; false when none is mapped.
bool findWindow (const std::string& title, int& x, int& y, int& width, int& height);
} // namespace screenprobe
