#pragma once
// Helpers of the editor kit tests: synthetic mouse events, message pumping,
// a stepped widget clock, pop-up menus that answer (at once or when told), a French
// (decimal comma) locale and PNG snapshots.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyArialFont.h"
#include "MyLookAndFeel.h"
#include "PopupMenus.h"
#include "WidgetClock.h"

#include <clocale>
#include <dlfcn.h>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace guitest
{
inline const juce::ModifierKeys left { juce::ModifierKeys::leftButtonModifier };
inline const juce::ModifierKeys right { juce::ModifierKeys::rightButtonModifier };

inline juce::ModifierKeys leftWith (int flags)
{
    return juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | flags);
}

// A mouse event on c at (x, y) in c's coordinates.
inline juce::MouseEvent mouseAt (juce::Component& c, float x, float y,
                                 juce::ModifierKeys mods = left, int clicks = 1, bool dragged = false)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), { x, y }, mods,
                             juce::MouseInputSource::defaultPressure,
                             juce::MouseInputSource::defaultOrientation,
                             juce::MouseInputSource::defaultRotation,
                             juce::MouseInputSource::defaultTiltX,
                             juce::MouseInputSource::defaultTiltY,
                             &c, &c, now, { x, y }, now, clicks, dragged);
}

inline void press (juce::Component& c, float x, float y, juce::ModifierKeys mods = left)
{
    c.mouseDown (mouseAt (c, x, y, mods));
}

inline void drag (juce::Component& c, float x, float y, juce::ModifierKeys mods = left)
{
    c.mouseDrag (mouseAt (c, x, y, mods, 1, true));
}

inline void release (juce::Component& c, float x, float y, juce::ModifierKeys mods = left)
{
    c.mouseUp (mouseAt (c, x, y, mods));
}

// Windows on a bare X server (no window manager) make JUCE set properties
// with atoms that do not exist there. A standalone JUCE application ignores
// the resulting X errors with its own handler; a test binary has none, and
// Xlib's default handler ends the process. Install the same ignoring handler.
inline void ignoreXErrorsLikeAnApplication()
{
    static const bool installed = []
    {
        void* lib = dlopen ("libX11.so.6", RTLD_NOW);
        if (lib == nullptr)
            return false;
        using Handler = int (*) (void*, void*);
        using SetHandler = Handler (*) (Handler);
        auto set = reinterpret_cast<SetHandler> (dlsym (lib, "XSetErrorHandler"));
        if (set == nullptr)
            return false;
        set ([] (void*, void*) { return 0; });
        return true;
    }();
    juce::ignoreUnused (installed);
}

// Runs the message loop for ms milliseconds (asynchronous updates, timers).
inline void pumpMessages (int ms = 30)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

// Runs the message loop until done() or the time is up; returns done().
inline bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 3000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! done() && juce::Time::getMillisecondCounter() < end)
        pumpMessages (10);
    return done();
}

// What a change of component c repaints: c paints itself whole before and
// after change(); returns the pixels that differ outside the areas the change
// asked to repaint (0 when nothing is left stale), and sets `asked` to the
// number of pixels asked for.
inline int pixelsLeftStale (juce::Component& c, const std::function<void()>& change, int& asked)
{
    // Stands in for the component's image cache: only records the repaints.
    struct Recorder : juce::CachedComponentImage
    {
        explicit Recorder (juce::RectangleList<int>& a) : areas (a) {}
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override { return invalidate ({ 0, 0, 1 << 20, 1 << 20 }); }
        bool invalidate (const juce::Rectangle<int>& area) override
        {
            areas.add (area);
            return false;
        }
        void releaseResources() override {}
        juce::RectangleList<int>& areas;
    };

    const bool wasVisible = c.isVisible();
    c.setVisible (true);  // an invisible component asks for nothing
    auto snapshot = [&c] {
        juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
        juce::Graphics g (image);
        c.paintEntireComponent (g, false);
        return image;
    };
    const auto before = snapshot();
    juce::RectangleList<int> areas;
    c.setCachedComponentImage (new Recorder (areas));
    areas.clear();  // setting the cache repaints the component
    change();
    c.setCachedComponentImage (nullptr);
    const auto after = snapshot();
    c.setVisible (wasVisible);

    areas.clipTo (c.getLocalBounds());
    asked = 0;
    for (const auto& r : areas)
        asked += r.getWidth() * r.getHeight();
    int stale = 0;
    for (int y = 0; y < c.getHeight(); ++y)
        for (int x = 0; x < c.getWidth(); ++x)
            stale += before.getPixelAt (x, y) != after.getPixelAt (x, y) && ! areas.containsPoint ({ x, y }) ? 1 : 0;
    return stale;
}

// The widget clock, stepped by the test.
struct SteppedClock
{
    static inline uint32_t now = 100000;
    static uint32_t read() { return now; }
    SteppedClock() { SetWidgetClock (&read); }
    ~SteppedClock() { SetWidgetClock (nullptr); }
    static void advance (uint32_t ms) { now += ms; }
};

// Pop-up menus that record what was shown and answer `answer`: at once, or,
// with `holdAnswers`, when the test calls reply() (as a real menu answers only
// after the call that showed it has returned).
class AnsweringMenus : public PopupMenus
{
public:
    struct Item
    {
        int id;
        juce::String text;
        bool enabled, ticked, separator, hasImage;
    };

    void showAsync (juce::PopupMenu& menu, const juce::PopupMenu::Options& options,
                    std::function<void (int)> done) override
    {
        ++shown;
        items.clear();
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& i = it.getItem();
            items.push_back ({ i.itemID, i.text, i.isEnabled, i.isTicked, i.isSeparator, i.image != nullptr });
        }
        itemToShow = options.getItemThatMustBeVisible();
        columns = options.getMaximumNumColumns();
        itemHeight = options.getStandardItemHeight();
        minimumWidth = options.getMinimumWidth();
        if (holdAnswers)
        {
            pending.push_back (std::move (done));
            return;
        }
        if (whileShown)
            whileShown();
        done (answer);
    }

    // Answers the oldest menu still open with `answer`; false when none is.
    bool reply()
    {
        if (pending.empty())
            return false;
        auto done = std::move (pending.front());
        pending.erase (pending.begin());
        if (whileShown)
            whileShown();
        done (answer);
        return true;
    }

    std::vector<juce::String> texts() const
    {
        std::vector<juce::String> t;
        for (auto& i : items)
            t.push_back (i.separator ? juce::String ("--") : i.text);
        return t;
    }

    int answer = 0;
    int shown = 0;
    std::vector<Item> items;
    int itemToShow = -1, columns = -1, itemHeight = -1, minimumWidth = -1;
    std::function<void()> whileShown;
    bool holdAnswers = false;
    std::vector<std::function<void (int)>> pending;  // menus still open (holdAnswers)
};

// A fixture holding the shared look-and-feel and font, as an open editor does.
class KitTest : public ::testing::Test
{
protected:
    juce::SharedResourcePointer<SharedDefaultLookAndFeel> lookAndFeel;
    ScopedArialFont font;
};

// Writes a snapshot of c to <build>/snapshots/<name>.png; returns the file.
inline juce::File writeSnapshot (juce::Component& c, const juce::String& name)
{
    const juce::File folder (VOKT_SNAPSHOT_DIR);
    folder.createDirectory();
    const auto file = folder.getChildFile (name + ".png");
    file.deleteFile();
    const auto image = c.createComponentSnapshot (c.getLocalBounds(), true, 1.0f);
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    if (! out.openedOk() || ! png.writeImageToStream (image, out))
        ADD_FAILURE() << "could not write " << file.getFullPathName();
    return file;
}

// A French locale (decimal comma) for the test's duration, when localedef
// can build one; skips the test otherwise.
class CommaLocaleScope
{
public:
    CommaLocaleScope()
    {
        static juce::File folder = []
        {
            auto f = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("vokt-gui-locale", "");
            f.createDirectory();
            const auto target = f.getChildFile ("fr_FR.UTF-8").getFullPathName();
            const std::string command = "localedef -i fr_FR -f UTF-8 '" + target.toStdString() + "' > /dev/null 2>&1";
            [[maybe_unused]] const int status = std::system (command.c_str());  // may warn and still build it
            return f;
        }();
        ::setenv ("LOCPATH", folder.getFullPathName().toRawUTF8(), 1);
        saved = std::setlocale (LC_ALL, nullptr);
        ok = std::setlocale (LC_ALL, "fr_FR.UTF-8") != nullptr;
    }

    ~CommaLocaleScope()
    {
        std::setlocale (LC_ALL, saved.c_str());
        ::unsetenv ("LOCPATH");
    }

    bool active() const
    {
        char probe[16];
        std::snprintf (probe, sizeof (probe), "%4.2f", 0.5);
        return ok && std::string (probe) == "0,50";
    }

private:
    std::string saved;
    bool ok = false;
};
} // namespace guitest
