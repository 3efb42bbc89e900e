// JUCE's X11 declarations (its display and symbol table) come with its
// module header on request.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "QueuedWindowEvents.h"

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

QueuedWindowEvents::QueuedWindowEvents (juce::Component* owner)
    : onRefresh (owner, [this] {
          if (anyQueued())
              triggerAsyncUpdate();
      })
{
}

QueuedWindowEvents::~QueuedWindowEvents() { cancelPendingUpdate(); }

void QueuedWindowEvents::handleAsyncUpdate() { dispatchQueued(); }

namespace
{
#if JUCE_LINUX || JUCE_BSD
// JUCE's display connection, or nullptr when it has none.
::Display* displayConnection()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}
#endif
} // namespace

bool QueuedWindowEvents::anyQueued()
{
#if JUCE_LINUX || JUCE_BSD
    auto* display = displayConnection();
    if (display == nullptr)
        return false;
    juce::XWindowSystemUtilities::ScopedXLock lock;
    return juce::X11Symbols::getInstance()->xEventsQueued (display, QueuedAlready) > 0;
#else
    return false;
#endif
}

bool QueuedWindowEvents::dispatchQueued()
{
#if JUCE_LINUX || JUCE_BSD
    auto* display = displayConnection();
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
