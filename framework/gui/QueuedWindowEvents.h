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
// first moves, and its release never came. While one of these exists, a
// short timer dispatches whatever waits there.
//
// Held through a juce::SharedResourcePointer (one timer for all editors).
// Threads: message thread only (the timer's).
#include <juce_events/juce_events.h>

class QueuedWindowEvents : private juce::Timer
{
public:
    QueuedWindowEvents();
    ~QueuedWindowEvents() override;

    // Dispatches the events Xlib holds for JUCE's display connection, if
    // any; false when there were none (or no display).
    static bool dispatchQueued();

    static constexpr int intervalMs = 10;

private:
    void timerCallback() override;
};
