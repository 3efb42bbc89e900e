#pragma once
// QueuedWindowEvents: hands JUCE's X11 event handler the events that Xlib
// has already read off the display connection while the connection has
// nothing more to read.
//
// That handler runs only when the connection's socket is readable (in
// JUCE's own loop and in a plug-in host's run loop alike), but JUCE's other
// Xlib calls read the socket too: a window's repaint looks for its
// shared-memory completion events on every frame. Input they read on the way
// (presses, moves, releases, exposures) then waits in Xlib's queue until
// unrelated traffic happens to arrive, which an editor that keeps repainting
// also reads the same way: a drag then stopped reaching the editor after its
// first moves, and its release never came. While a component holding one of
// these is on screen, every refresh of its window (the display's vertical
// blank, which JUCE already runs for each window, so no wake-up is added)
// looks at the queue, and when something waits there, a message of its own
// dispatches it (not from inside the refresh: a dispatched event may close
// the window whose refresh is running).
//
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class QueuedWindowEvents : private juce::AsyncUpdater
{
public:
    // Watches the queue on every refresh of the window that shows `owner`
    // (which must outlive this object).
    explicit QueuedWindowEvents (juce::Component* owner);
    ~QueuedWindowEvents() override;

    // True when Xlib holds events read off JUCE's display connection.
    static bool anyQueued();

    // Dispatches the events Xlib holds for JUCE's display connection, if
    // any; false when there were none (or no display).
    static bool dispatchQueued();

private:
    void handleAsyncUpdate() override;

    juce::VBlankAttachment onRefresh;
};
