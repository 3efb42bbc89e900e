// Input that Xlib has already read off the display connection reaches an
// open editor although nothing more arrives on the connection to wake the
// event loop (JUCE's own round trips, such as a repaint's, read it there).
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

TEST (MyEditor, InputAlreadyReadOffTheDisplayConnectionReachesIt)
{
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        GTEST_SKIP() << "no display";
    SpyEffect effect;
    SpyEditor editor (effect);
    ignoreXErrorsLikeAnApplication();
    editor.addToDesktop (0);
    editor.setVisible (true);
    auto* peer = editor.getPeer();
    ASSERT_NE (peer, nullptr);
    // The window is mapped and painted; nothing in the editor repaints by
    // itself after that (the spy effect has no timers).
    pumpMessages (300);
    effect.takeLog();

    // A press and a release on the slider, sent to the editor's window; the
    // round trip after them reads both into Xlib's queue, and the socket is
    // left with nothing to read.
    auto* x = juce::X11Symbols::getInstance();
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    const auto window = (::Window) peer->getNativeHandle();
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        for (const int type : { ButtonPress, ButtonRelease })
        {
            XEvent e {};
            auto& b = e.xbutton;
            b.type = type;
            b.display = display;
            b.window = window;
            b.root = x->xRootWindow (display, x->xDefaultScreen (display));
            b.x = 60;
            b.y = 20;
            b.button = Button1;
            b.state = type == ButtonRelease ? Button1Mask : 0;
            b.same_screen = True;
            x->xSendEvent (display, window, False, NoEventMask, &e);
        }
        x->xSync (display, False);
        ASSERT_GE (x->xEventsQueued (display, QueuedAlready), 2);
    }

    // The slider's whole gesture, well within a frame or two.
    std::vector<std::string> log;
    EXPECT_TRUE (pumpUntil ([&] {
        for (auto& line : effect.takeLog())
            log.push_back (line);
        return ! log.empty() && log.back() == "end 0";
    }, 1000));
    ASSERT_GE (log.size(), 3u);
    EXPECT_EQ (log.front(), "begin 0");
    EXPECT_EQ (log[1].rfind ("set 0 ", 0), 0u) << log[1];
    EXPECT_GT (editor.slider.getValue(), 0.0);
}
