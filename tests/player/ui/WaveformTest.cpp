// The waveform view: loop editing by the mouse and its validation, the time
// format, the normalised loop of the plug-in, a file of zero length.
#include "PlayerUiTestSupport.h"
#include "SoundEditorComponent.h"

using namespace guitest;
using namespace playertest;

namespace
{
// A 10-second file shown at 1000 pixels: 100 pixels per second.
struct WaveformFixture : KitTest
{
    WaveformFixture() : file (sounds.wav ("ten.wav", 10.0)), loaded (file), view (&loaded.thumbnail)
    {
        view.setSize (1000, 40);
        view.addActionListener (&actions);
    }

    void loop (double s, double e) { view.setLoop (s, e, false); }
    std::pair<double, double> getLoop() const
    {
        double s = -1.0, e = -1.0;
        view.getLoop (&s, &e);
        return { s, e };
    }

    SoundFolder sounds;
    juce::File file;
    LoadedThumbnail loaded;
    SoundEditorComponent view;
    ActionRecorder actions;
};

using Log = std::vector<std::string>;
const auto shift = leftWith (juce::ModifierKeys::shiftModifier);
} // namespace

TEST_F (WaveformFixture, LoopEditsByTheMouseAreValidated)
{
    struct Step
    {
        enum Kind { press, drag, release } kind;
        float x, y;
        juce::ModifierKeys mods;
    };
    struct Case
    {
        const char* what;
        double start, end;  // loop before, seconds
        std::vector<Step> steps;
        double expectStart, expectEnd;
    };
    const Case cases[] = {
        { "drag past the display start keeps the length", 2.0, 4.0,
          { { Step::press, 300, 10, left }, { Step::drag, 50, 10, left }, { Step::release, 50, 10, left } }, 0.0, 2.0 },
        { "drag past the display end keeps the length", 2.0, 4.0,
          { { Step::press, 300, 10, left }, { Step::drag, 990, 10, left }, { Step::release, 990, 10, left } }, 8.0, 10.0 },
        { "dragging up widens about the centre", 2.0, 4.0,
          { { Step::press, 300, 30, left }, { Step::drag, 301, 10, left }, { Step::release, 301, 10, left } }, 1.91, 4.11 },
        { "narrower than 2 px is widened back around its centre", 2.0, 4.0,
          { { Step::press, 300, 10, left }, { Step::drag, 301, 400, left }, { Step::release, 301, 400, left } }, 3.0, 3.02 },
        { "shift-press and drag makes a new loop", 2.0, 4.0,
          { { Step::press, 500, 10, shift }, { Step::drag, 700, 10, shift }, { Step::release, 700, 10, shift } }, 5.0, 7.0 },
        { "click left of the loop extends it to the file start", 2.0, 4.0,
          { { Step::press, 50, 10, left }, { Step::release, 50, 10, left } }, 0.0, 4.0 },
        { "click right of the loop extends it to the file end", 2.0, 4.0,
          { { Step::press, 700, 10, left }, { Step::release, 700, 10, left } }, 2.0, 10.0 },
    };
    for (const auto& c : cases)
    {
        loop (c.start, c.end);
        for (const auto& s : c.steps)
        {
            if (s.kind == Step::press)
                press (view, s.x, s.y, s.mods);
            else if (s.kind == Step::drag)
                drag (view, s.x, s.y, s.mods);
            else
                release (view, s.x, s.y, s.mods);
        }
        const auto [start, end] = getLoop();
        EXPECT_NEAR (start, c.expectStart, 1e-9) << c.what;
        EXPECT_NEAR (end, c.expectEnd, 1e-9) << c.what;
        EXPECT_GE (view.getLoopEndX() - view.getLoopStartX(), 2.0) << c.what;
        EXPECT_EQ (view.getDragMode(), 0) << c.what;
    }
}

TEST_F (WaveformFixture, EdgesAreGrabbedWithinFivePixels)
{
    loop (2.0, 4.0);
    view.mouseMove (mouseAt (view, 204, 10, {}));
    EXPECT_EQ (view.getDragMode(), 3);
    press (view, 204, 10);
    drag (view, 150, 10);
    release (view, 150, 10);
    EXPECT_NEAR (getLoop().first, 1.5, 1e-9);

    view.mouseMove (mouseAt (view, 397, 10, {}));
    EXPECT_EQ (view.getDragMode(), 4);
    press (view, 397, 10);
    drag (view, 100, 10);  // not before the start: 2 px after it
    release (view, 100, 10);
    EXPECT_NEAR (getLoop().second, 1.52, 1e-9);
    EXPECT_EQ (actions.take(), Log {});  // drags send no position
}

TEST_F (WaveformFixture, AClickSendsThePositionAndAChangeMessage)
{
    struct Listener : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++changes; }
        int changes = 0;
    } changes;
    view.addChangeListener (&changes);
    loop (2.0, 4.0);
    press (view, 50, 10);
    release (view, 50, 10);
    pumpMessages (20);
    EXPECT_EQ (actions.take(), (Log { "Position 0.5" }));
    EXPECT_EQ (changes.changes, 1);
    EXPECT_DOUBLE_EQ (view.cursorTime, 0.5);

    // The owner's loop is refused while the user drags.
    press (view, 300, 10);
    drag (view, 320, 10);
    view.setLoop (7.0, 8.0, false);
    release (view, 320, 10);
    EXPECT_LT (getLoop().first, 7.0);
    view.removeChangeListener (&changes);
}

TEST_F (WaveformFixture, ZoomedDisplayMapsPixelsToItsWindow)
{
    view.setDisplayNorm (0.5, 0.75);  // 5..7.5 s over 1000 px
    press (view, 400, 10, shift);
    drag (view, 600, 10, shift);
    release (view, 600, 10, shift);
    const auto [s, e] = getLoop();
    EXPECT_NEAR (s, 6.0, 1e-9);
    EXPECT_NEAR (e, 6.5, 1e-9);
}

TEST_F (WaveformFixture, NormalisedLoopNeverReachesOne)
{
    view.normalised = true;
    struct Case
    {
        double s, e, expectS, expectE;
    };
    const Case cases[] = {
        { 2.0, 4.0, 0.2, 0.4 },
        { 0.0, 10.0, 0.0, 0.9999999 },
        { 3.0, 12.0, 0.3, 0.9999999 },  // beyond the end (the owner's loop)
    };
    for (const auto& c : cases)
    {
        loop (c.s, c.e);
        const auto [s, e] = getLoop();
        EXPECT_NEAR (s, c.expectS, 1e-12);
        EXPECT_NEAR (e, c.expectE, 1e-12);
    }
    view.setLoopNorm (0.25, 0.5, false);
    EXPECT_NEAR (getLoop().first, 0.25, 1e-12);
}

// A cursor move repaints the columns the line leaves and enters (nothing
// within a pixel; the whole view while the time label follows the cursor)
// and leaves no pixel stale.
TEST_F (WaveformFixture, CursorMovesRepaintOnlyWhatTheyChange)
{
    struct Move { double to; bool label; int mostAsked; };
    const Move moves[] = { { 2.5, false, 2 * 3 * 40 }, { 2.504, false, 0 }, { 2.73, false, 2 * 3 * 40 },
                           { 9.999, false, 2 * 3 * 40 }, { 0.0, false, 2 * 3 * 40 }, { 3.0, true, 1000 * 40 },
                           { 3.5, true, 1000 * 40 } };
    for (const auto& m : moves)
    {
        view.showTimeAtCursor = m.label;
        int asked = -1;
        EXPECT_EQ (pixelsLeftStale (view, [&] { view.setCursorTime (m.to); }, asked), 0) << m.to;
        EXPECT_LE (asked, m.mostAsked) << m.to;
        EXPECT_DOUBLE_EQ (view.cursorTime, m.to);
    }
}

TEST (SoundEditorComponent, TimeFormat)
{
    struct Case
    {
        double t;
        const char* text;
    };
    const Case cases[] = {
        { 75.5, "  1:15:50" },
        { 9.25, "09:25" },
        { 0.0, "00:00" },
        { 59.999, "59:99" },
        { 600.0, " 10:00:00" },
        { std::nan (""), "00:00" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (SoundEditorComponent::formatTime (c.t), juce::String (c.text)) << c.t;
}

TEST_F (KitTest, ZeroLengthAndUnreadableFilesKeepEveryValueFinite)
{
    SoundFolder sounds;
    const auto empty = sounds.wav ("empty.wav", 0.0);
    const auto text = sounds.folder.getChildFile ("noise.wav");
    text.replaceWithText ("not a sound file");
    for (const auto& f : { empty, text })
    {
        LoadedThumbnail loaded (f);
        SoundEditorComponent view (&loaded.thumbnail);
        view.setSize (500, 40);
        view.normalised = true;
        ActionRecorder actions;
        view.addActionListener (&actions);

        press (view, 100, 10);
        drag (view, 200, 5);
        release (view, 200, 5);
        press (view, 100, 10, shift);
        drag (view, 300, 10, shift);
        release (view, 300, 10, shift);
        press (view, 40, 10);
        release (view, 40, 10);
        view.setDisplayNorm (0.2, 0.4);
        view.mouseDoubleClick (mouseAt (view, 10, 10));
        view.createComponentSnapshot (view.getLocalBounds());

        double s = -1.0, e = -1.0;
        view.getLoop (&s, &e);
        EXPECT_EQ (s, 0.0) << f.getFileName();
        EXPECT_EQ (e, 0.9999999) << f.getFileName();
        EXPECT_EQ (actions.take(), (Log { "Position 0" })) << f.getFileName();
    }
}

TEST_F (WaveformFixture, ContextMenuFlipsTheTimeLabels)
{
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    menus.answer = 1;
    press (view, 100, 10, right);
    EXPECT_EQ (menus.texts(), (std::vector<juce::String> { "Time at cursor", "Time at mouse" }));
    EXPECT_EQ (menus.itemHeight, 15);
    EXPECT_TRUE (view.showTimeAtCursor);
    menus.answer = 2;
    press (view, 100, 10, leftWith (juce::ModifierKeys::ctrlModifier));
    EXPECT_FALSE (view.showTimeAtMouse);
    EXPECT_EQ (getLoop(), std::make_pair (0.0, 10.0));  // the menu changes nothing else
}

TEST_F (KitTest, WaveformFollowsANewFileAndANewWindow)
{
    SoundFolder sounds;
    const auto silent = sounds.folder.getChildFile ("silent.wav");
    juce::WavAudioFormat wav;
    writeSoundFile (silent, wav, 8000.0, 2, 80000, 16, [] (int, juce::int64) { return 0.0f; });
    LoadedThumbnail quiet (silent);
    LoadedThumbnail loud (sounds.wav ("loud.wav", 10.0));

    // Bright pixels in the middle of the view (the loop band and dimming are dark).
    auto brightPixels = [] (SoundEditorComponent& v)
    {
        juce::Image out (juce::Image::RGB, v.getWidth(), v.getHeight(), true);
        juce::Graphics g (out);
        v.paintEntireComponent (g, false);
        int n = 0;
        for (int x = 0; x < out.getWidth(); ++x)
            for (int y = 0; y < out.getHeight(); ++y)
                n += out.getPixelAt (x, y).getBrightness() > 0.6f ? 1 : 0;
        return n;
    };

    SoundEditorComponent view (&quiet.thumbnail);
    view.setSize (400, 40);
    EXPECT_LT (brightPixels (view), 450);  // the line of silence
    view.setThumbnail (&loud.thumbnail);
    const int full = brightPixels (view);
    EXPECT_GT (full, 2000);
    view.setDisplayNorm (0.0, 0.01);  // a tenth of a second of a 3 Hz sine: nearly flat
    EXPECT_LT (brightPixels (view), full / 2);
    view.setThumbnail (&quiet.thumbnail);
    EXPECT_LT (brightPixels (view), 450);
}
