#include "ScreenProbe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>

namespace screenprobe
{
namespace
{
struct DisplayHandle
{
    DisplayHandle() : d (XOpenDisplay (nullptr)) {}
    ~DisplayHandle()
    {
        if (d != nullptr)
            XCloseDisplay (d);
    }
    Display* d;
};

void pause (int ms) { std::this_thread::sleep_for (std::chrono::milliseconds (ms)); }

bool search (Display* d, Window w, const std::string& title, int& x, int& y, int& width, int& height)
{
    char* name = nullptr;
    if (XFetchName (d, w, &name) && name != nullptr)
    {
        const bool match = std::string (name).find (title) != std::string::npos;
        XFree (name);
        XWindowAttributes a;
        if (match && XGetWindowAttributes (d, w, &a) && a.map_state == IsViewable)
        {
            Window child;
            XTranslateCoordinates (d, w, DefaultRootWindow (d), 0, 0, &x, &y, &child);
            width = a.width;
            height = a.height;
            return true;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (! XQueryTree (d, w, &root, &parent, &children, &n))
        return false;
    bool found = false;
    for (unsigned i = 0; i < n && ! found; ++i)
        found = search (d, children[i], title, x, y, width, height);
    if (children != nullptr)
        XFree (children);
    return found;
}
} // namespace

std::vector<uint32_t> grab (int x, int y, int width, int height)
{
    DisplayHandle h;
    if (h.d == nullptr)
        return {};
    XImage* image = XGetImage (h.d, DefaultRootWindow (h.d), x, y, (unsigned) width, (unsigned) height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    std::vector<uint32_t> pixels;
    pixels.reserve ((size_t) (width * height));
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            pixels.push_back (0xff000000u | (uint32_t) XGetPixel (image, col, row));
    XDestroyImage (image);
    return pixels;
}

bool drag (int x0, int y0, int x1, int y1)
{
    DisplayHandle h;
    if (h.d == nullptr)
        return false;
    XTestFakeMotionEvent (h.d, -1, x0, y0, CurrentTime);
    XFlush (h.d);
    pause (60);
    XTestFakeButtonEvent (h.d, 1, True, CurrentTime);
    XFlush (h.d);
    pause (60);
    for (int k = 1; k <= 8; ++k)
    {
        XTestFakeMotionEvent (h.d, -1, x0 + (x1 - x0) * k / 8, y0 + (y1 - y0) * k / 8, CurrentTime);
        XFlush (h.d);
        pause (30);
    }
    XTestFakeButtonEvent (h.d, 1, False, CurrentTime);
    XFlush (h.d);
    pause (60);
    return true;
}

bool key (const char* keysymName)
{
    DisplayHandle h;
    if (h.d == nullptr)
        return false;
    const KeyCode code = XKeysymToKeycode (h.d, XStringToKeysym (keysymName));
    if (code == 0)
        return false;
    XTestFakeKeyEvent (h.d, code, True, CurrentTime);
    XTestFakeKeyEvent (h.d, code, False, CurrentTime);
    XFlush (h.d);
    return true;
}

bool findWindow (const std::string& title, int& x, int& y, int& width, int& height)
{
    DisplayHandle h;
    return h.d != nullptr && search (h.d, DefaultRootWindow (h.d), title, x, y, width, height);
}
} // namespace screenprobe
