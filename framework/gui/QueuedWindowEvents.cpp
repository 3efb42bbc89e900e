// JUCE's X11 declarations (its display and symbol table) come with its
// module header on request.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "QueuedWindowEvents.h"

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

QueuedWindowEvents::QueuedWindowEvents() { startTimer (intervalMs); }

QueuedWindowEvents::~QueuedWindowEvents() { stopTimer(); }

bool QueuedWindowEvents::dispatchQueued()
{
#if JUCE_LINUX || JUCE_BSD
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    if (display == nullptr)
        return false;

    auto* x = juce::X11Symbols::getInstance();
    int queued = 0, connection = -1;
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        queued = x->xEventsQueued (display, QueuedAlready);
        connection = x->xConnectionNumber (display);
    }
    if (queued <= 0)
        return false;

    // The handler JUCE registered for the connection: it takes every queued
    // event, as when the socket is readable.
    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (connection);
    return true;
#else
    return false;
#endif
}

void QueuedWindowEvents::timerCallback() { dispatchQueued(); }
