#pragma once
// Editing the eight bars of the sonogram by hand: presses, drags and
// releases of up to ten pointers (the mouse or touches), the wheel and two
// keys become bar geometry here and action messages for the panel, which
// turns them into effect calls. The display feeds this class; it needs no
// window, so every gesture is tested without one.
//
// Messages (i the bar 0..7; numbers are fractions of the display, written
// with a point whatever the locale):
//   "Create %d %5.3f %5.3f %5.3f %5.3f"  command-press (a new bar) or command-Z
//   "Drag %d %6.3f %6.3f %6.3f %6.3f"    a drag of a held bar: x1 y1 x2 y2
//   "Drag %d %5.3f %5.3f %5.3f %5.3f"    alt-press on a centre, or the wheel:
//                                        cx y2 cx y1 (a vertical bar)
//   "BeginDrag %d", "EndDrag %d"         around every drag of a bar
//   "Select %d"                          a press or a pick on a handle
//   "Delete %d"                          Delete/Backspace, or a release far
//                                        outside the display
// The panel reads them with "%d %f %f %f %f" and ignores bar -1.
//
// The command key is Ctrl here, so a Ctrl-press creates a bar and Ctrl with
// the wheel moves it in fine steps: both use the one key.
//
// Only active (visible) bars are picked: an invisible bar never takes a
// press from a visible one, nor selects a player that is switched off.
//
// Threads: message thread only.
#include "MyBar.h"

#include <array>
#include <cstdint>
#include <functional>

// One pointer event as the display sees it.
struct BarPointer
{
    int index = 0;         // source index: 0 the mouse or the first touch
    bool touch = false;    // a touch (larger handles) rather than the mouse
    float x = 0, y = 0;    // position in pixels of the display
    bool command = false;  // Ctrl
    bool alt = false;
    bool shift = false;
};

class BarGestures
{
public:
    static constexpr int numBars = 8;
    static constexpr int numPointers = 10;
    // Part a pointer holds.
    enum : int32_t { centre = 0, end1 = 1, end2 = 2, none = 3 };

    using Sender = std::function<void (const juce::String&)>;

    explicit BarGestures (Sender send);

    // The display's pixel size; every bar takes it.
    void setSize (int w, int h);
    int getWidth() const noexcept { return width; }
    int getHeight() const noexcept { return height; }

    // Pointer events. Each returns true when the display must repaint.
    // Pointers with an index outside 0..numPointers - 1 are ignored.
    bool pointerDown (const BarPointer& p);
    bool pointerDrag (const BarPointer& p);
    bool pointerUp (const BarPointer& p);

    // A wheel move at the millisecond time nowMs; repaint after it.
    void wheel (float deltaX, float deltaY, bool reversed, bool command, uint32_t nowMs);
    // The 50 ms tick: ends a wheel gesture 500 ms after its last move.
    void tick (uint32_t nowMs);

    // Delete or Backspace: removes the selected bar. Command-Z: brings the
    // bar removed last by the key back. True when the key was used.
    bool deleteKey();
    bool undoKey();

    // Bar operations of the panel (i outside 0..7 is ignored).
    void setCenter (int i, float x, float y);
    void setLength (int i, float v);
    void setAngle (int i, float a);
    void setSelected (int i, bool on);

    MyBar* getBar (int i) noexcept;
    const MyBar* getBar (int i) const noexcept;
    const std::array<MyBar, numBars>& getBars() const noexcept { return bars; }

    int64_t getSelectedIndex() const noexcept { return selectedIndex; }
    int32_t getLastDeleted() const noexcept { return lastDeleted; }
    bool isWheelActive() const noexcept { return wheelActive; }
    bool isDragStarted (int i) const noexcept { return i >= 0 && i < numBars && dragStarted[(size_t) i]; }
    int32_t getAxisLock() const noexcept { return axisLock; }
    // Bar and part held by pointer p (-1 and none when free or out of range).
    int32_t heldBar (int p) const noexcept;
    int32_t heldPart (int p) const noexcept;
    bool isAnyPointerDown() const noexcept;

    // A value as "%w.3f" would write it in the C locale.
    static juce::String formatValue (float v, int width);

private:
    struct Touch
    {
        int32_t bar = -1;
        int32_t part = none;
        float x = -1.0f, y = -1.0f;  // last position as fractions
        bool down = false;
    };

    void send (const juce::String& m) const;
    void sendPoints (const char* verb, int i, float a, float b, float c, float d, int width) const;
    // The pointer (other than p) holding `part` of bar b, or -1.
    int holderOf (int b, int32_t part, int p) const noexcept;
    bool heldByOther (int b, int p) const noexcept;
    // Handle picking at a pixel position for pointer p.
    void pick (int p, float x, float y, bool touch, bool alt);
    // After an end moved: end 1 back on top, the pointers keeping their ends.
    void keepUpperFirst (int b);
    void beginDrag (int b);

    Sender sender;
    std::array<MyBar, numBars> bars;
    int width = 0, height = 0;

    int64_t selectedIndex = -1;
    int32_t lastDeleted = -1;
    bool wheelActive = false;
    uint32_t lastWheelTime = 0;
    int32_t wheelBar = 0;
    float pressX = 0, pressY = 0;
    std::array<bool, numBars> dragStarted {};
    std::array<Touch, numPointers> touches {};
    int32_t ignoredTouch = -1;
    int32_t axisLock = 0;  // 0 undecided, 1 horizontal (y kept), 2 vertical (x kept)
};
