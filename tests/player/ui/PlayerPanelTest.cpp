// The player panel: the action vocabulary of its buttons, sliders and
// waveform, the drop filter, meters and their layout, the speed label and
// play mode through the listener, the empty and loaded states.
#include "ComponentPlayer.h"
#include "PlayerUiTestSupport.h"
#include "Utilities.h"

using namespace guitest;
using namespace playertest;

namespace
{
struct SpeedListener : myComponentPlayerListener
{
    void newMode (int mode) override { calls.push_back ("mode " + std::to_string (mode)); }
    void newVariableSpeed (float v) override { calls.push_back ("speed " + juce::String (v, 4).toStdString()); }
    std::vector<std::string> take() { return std::exchange (calls, {}); }
    std::vector<std::string> calls;
};

struct PanelFixture : KitTest
{
    explicit PanelFixture (bool withMode = true) : panel (withMode)
    {
        panel.setSize (800, 80);
        panel.addActionListener (&actions);
        panel.setPlayerListener (&listener);
    }
    ~PanelFixture() override { juce::ModifierKeys::currentModifiers = {}; }

    ComponentPlayer panel;
    ActionRecorder actions;
    SpeedListener listener;
};

using Log = std::vector<std::string>;

struct ModeFreePanel : PanelFixture
{
    ModeFreePanel() : PanelFixture (false) {}
};
} // namespace

TEST_F (PanelFixture, ButtonsSendTheirActions)
{
    struct Case
    {
        juce::Button* button;
        bool ctrl;
        Log twoClicks;
    };
    const Case cases[] = {
        { panel.beginButton.get(), false, { "Begin", "Begin" } },
        { panel.playButton.get(), false, { "Start", "Pause" } },
        { panel.playButton.get(), true, { "Start&Record", "Pause&Record" } },
        { panel.loopButton.get(), false, { "LoopOn", "LoopOff" } },
        { panel.loopButton.get(), true, { "LoopOn", "LoopOff" } },
        { panel.recordButton.get(), false, { "RecordOn", "RecordOff" } },
        { panel.bypassButton.get(), false, { "ByPassOn", "ByPassOff" } },
        { panel.syncButton.get(), true, { "SyncOn", "SyncOff" } },
    };
    for (const auto& c : cases)
    {
        juce::ModifierKeys::currentModifiers = c.ctrl ? juce::ModifierKeys (juce::ModifierKeys::ctrlModifier) : juce::ModifierKeys();
        c.button->triggerClick();
        pumpMessages (20);
        c.button->triggerClick();
        EXPECT_EQ (actions.take(), c.twoClicks) << c.button->getName() << (c.ctrl ? " with Ctrl" : "");
    }
}

TEST_F (PanelFixture, UpdateSettersChangeTheButtonsSilently)
{
    panel.updateStartButton (true);
    panel.updateLoopButton (true);
    panel.updateRecordButton (true);
    EXPECT_TRUE (panel.playButton->getToggleState());
    EXPECT_TRUE (panel.loopButton->getToggleState());
    EXPECT_TRUE (panel.recordButton->getToggleState());
    panel.updateStartButton (false);
    EXPECT_FALSE (panel.playButton->getToggleState());
    EXPECT_EQ (actions.take(), Log {});
}

TEST_F (PanelFixture, GainTextsIgnoreTheProcessLocale)
{
    CommaLocaleScope comma;
    if (! comma.active())
        GTEST_SKIP() << "no French locale";
    panel.updateGain (0.5f);
    EXPECT_EQ (actions.take(), (Log { "Gain 0.500000" }));  // the slider's own notification
    char expected[valueTextSize] = {};
    FloatToGain24Str (0.5f, expected);
    EXPECT_EQ (panel.gainLabel->getText(), juce::String (expected));
    panel.updateGain (0.5f);
    panel.updateGain (std::nanf (""));
    EXPECT_EQ (actions.take(), Log {});
    EXPECT_DOUBLE_EQ (panel.gainSlider->getValue(), 0.5);
}

TEST_F (PanelFixture, WaveformLoopAndPositionReachTheOwner)
{
    SoundFolder sounds;
    panel.openFile (sounds.wav ("ten.wav", 10.0));
    auto& view = *panel.waveform;
    ASSERT_EQ (view.getWidth(), 800 - 31);
    view.setSize (1000, 35);  // 100 px per second
    view.setLoop (2.0, 4.0, true);
    EXPECT_EQ (actions.take(), (Log { "Loop 2 4 " }));

    press (view, 50, 10);
    release (view, 50, 10);
    EXPECT_EQ (actions.take(), (Log { "Loop 0 4 ", "Position 0.5" }));

    // The plug-in's loop comes in as fractions, without a message.
    panel.updateLoop (0.25f, 0.5f);
    double s = 0.0, e = 0.0;
    view.getLoop (&s, &e);
    EXPECT_DOUBLE_EQ (s, 2.5);
    EXPECT_DOUBLE_EQ (e, 5.0);
    EXPECT_EQ (actions.take(), Log {});

    panel.setCurrentTime (2.5f);
    EXPECT_DOUBLE_EQ (view.cursorTime, 2.5);
    EXPECT_DOUBLE_EQ (panel.zoom->position, 0.25);
}

TEST_F (PanelFixture, ZoomWindowSetsTheWaveformsDisplay)
{
    SoundFolder sounds;
    panel.openFile (sounds.wav ("ten.wav", 10.0));
    auto& zoom = *panel.zoom;
    zoom.mouseMove (mouseAt (zoom, 700, 2, {}));  // near the window's right edge: resize zone is beyond it
    zoom.mouseMove (mouseAt (zoom, 100, 2, {}));
    ASSERT_EQ (zoom.getDragMode(), 0);
    press (zoom, 100, 2);
    drag (zoom, 100, 200);  // 198 px down narrows the window by 198 px about its centre
    pumpMessages (20);
    EXPECT_NEAR (panel.waveform->getDisplayEnd() - panel.waveform->getDisplayStart(), 10.0 * 571.0 / 769.0, 1e-4);
    zoom.mouseDoubleClick (mouseAt (zoom, 10, 2));
    pumpMessages (20);
    EXPECT_DOUBLE_EQ (panel.waveform->getDisplayStart(), 0.0);
    EXPECT_DOUBLE_EQ (panel.waveform->getDisplayEnd(), 10.0);
}

TEST_F (PanelFixture, DropFilterLooksAtTheFirstFileOnly)
{
    struct Case
    {
        juce::StringArray files;
        bool accepted;
    };
    const Case cases[] = {
        { { "/tmp/a.wav" }, true },
        { { "/tmp/A.WAV" }, true },
        { { "/tmp/b.flac" }, true },
        { { "/tmp/c.aiff" }, true },
        { { "/tmp/d.ogg" }, true },
        { { "/tmp/e.txt" }, false },
        { { "/tmp/wav" }, false },
        { { "/tmp/e.txt", "/tmp/a.wav" }, false },
        { { "/tmp/a.wav", "/tmp/e.txt" }, true },
        { {}, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (panel.isInterestedInFileDrag (c.files), c.accepted) << c.files.joinIntoString (" ");

    panel.filesDropped ({ "/tmp/first one.wav", "/tmp/second.wav" }, 5, 5);
    panel.filesDropped ({}, 5, 5);
    EXPECT_EQ (actions.take(), (Log { "Open /tmp/first one.wav" }));
}

TEST_F (PanelFixture, MeterCountsAndLayout)
{
    struct Case
    {
        int n, meters, vuWidth;
    };
    const Case cases[] = {
        { 80, 64, 385 }, { 64, 64, 385 }, { 2, 2, 13 }, { 0, 1, 7 }, { -7, 1, 7 }, { 1, 1, 7 },
    };
    for (const auto& c : cases)
    {
        panel.setNumChannels (c.n);
        EXPECT_EQ (panel.getNumMeters(), c.meters) << c.n;
        EXPECT_EQ (panel.getVuWidth(), c.vuWidth) << c.n;
        EXPECT_EQ (panel.waveform->getWidth(), 800 - c.vuWidth) << c.n;
        int shown = 0;
        for (auto& m : panel.vuMeters)
            shown += m->isVisible() ? 1 : 0;
        EXPECT_EQ (shown, c.meters) << c.n;
        // The meters fill the right edge of the waveform row, 6 px apart.
        const auto& lastMeter = *panel.vuMeters[(size_t) c.meters - 1];
        EXPECT_EQ (lastMeter.getBounds(), juce::Rectangle<int> (794, 0, 5, 40)) << c.n;
        EXPECT_EQ (panel.vuMeters[0]->getX(), 800 - 6 * c.meters) << c.n;
    }

    panel.displayVuMeter (false);
    EXPECT_EQ (panel.getVuWidth(), 0);
    EXPECT_EQ (panel.waveform->getWidth(), 800);
    EXPECT_FALSE (panel.vuMeters[0]->isVisible());

    // Indices outside the meters are ignored.
    for (int i : { -1, 0, 63, 64, 1000 })
        panel.setVuMeter (i, 0.5f);
    EXPECT_FLOAT_EQ (panel.vuMeters[0]->getLevel(), 0.5f);
    EXPECT_FLOAT_EQ (panel.vuMeters[0]->getPeak(), -1.0f);
}

TEST_F (PanelFixture, SpeedLabelTypingAndStepping)
{
    struct Typed
    {
        const char* text;
        const char* speed;
    };
    for (const auto& t : { Typed { "2", "speed 1.0000" }, Typed { "-3", "speed 0.0000" }, Typed { "0", "speed 0.5000" }, Typed { "1", "speed 0.7500" } })
    {
        panel.speedLabel->setText (t.text, true);
        EXPECT_EQ (listener.take(), (Log { t.speed })) << t.text;
    }

    struct Step
    {
        double slider;
        float action;
        bool ctrl;
        const char* speed;
    };
    const Step steps[] = {
        { 0.5, 1.0f, false, "speed 0.5050" },
        { 0.5, -1.0f, false, "speed 0.4950" },
        { 0.5, 1.0f, true, "speed 0.5500" },
        { 0.98, 1.0f, true, "speed 1.0000" },
        { 0.0, -1.0f, false, "speed 0.0000" },
        { 0.3, 2.0f, false, "speed 0.3000" },  // a press leaves the value
    };
    for (const auto& s : steps)
    {
        panel.speedSlider->setValue (s.slider, false, false);
        juce::ModifierKeys::currentModifiers = s.ctrl ? juce::ModifierKeys (juce::ModifierKeys::ctrlModifier) : juce::ModifierKeys();
        panel.speedLabel->action = s.action;
        panel.changeListenerCallback (panel.speedLabel.get());
        EXPECT_EQ (listener.take(), (Log { s.speed })) << s.slider << " " << s.action;
    }
}

TEST_F (PanelFixture, VariableSpeedAndPlayModeFromTheOwner)
{
    panel.updateVariableSpeed (1.0f);
    EXPECT_DOUBLE_EQ (panel.speedSlider->getValue(), 0.75);
    EXPECT_EQ (panel.speedLabel->getText(), " 1.000");
    // The owner's refresh puts its text back over a typed one, the speed unchanged.
    panel.speedLabel->setText ("1", false);
    panel.updateVariableSpeed (1.0f);
    EXPECT_EQ (panel.speedLabel->getText(), " 1.000");
    pumpMessages (20);
    EXPECT_EQ (listener.take(), (Log { "speed 0.7500" }));  // the slider's asynchronous notification

    struct Case
    {
        int mode;
        int selected;
        Log calls;
    };
    const Case cases[] = {
        { 2, 1, { "mode 1" } }, { 2, 1, {} }, { 1, 0, { "mode 0" } }, { 0, 0, {} }, { 7, 0, {} },
    };
    for (const auto& c : cases)
    {
        panel.updatePlayMode (c.mode);
        EXPECT_EQ (panel.modePopup->getSelected(), c.selected) << c.mode;
        EXPECT_EQ (listener.take(), c.calls) << c.mode;
    }

    // Without a listener nothing is called.
    panel.setPlayerListener (nullptr);
    panel.updatePlayMode (2);
    panel.speedLabel->setText ("1", true);
}

TEST_F (PanelFixture, OpenAndClearShowAndHideTheTransport)
{
    EXPECT_FALSE (panel.playButton->isVisible());
    EXPECT_FALSE (panel.recordButton->isVisible());
    SoundFolder sounds;
    const auto f = sounds.wav ("two.wav", 2.0);
    panel.openFile (f);
    ASSERT_NE (panel.getThumbnail(), nullptr);
    EXPECT_EQ (panel.getCurrentFile(), f);
    EXPECT_DOUBLE_EQ (panel.waveform->getFileLength(), 2.0);
    for (auto* c : { (juce::Component*) panel.playButton.get(), (juce::Component*) panel.loopButton.get(),
                     (juce::Component*) panel.beginButton.get(), (juce::Component*) panel.modePopup.get() })
        EXPECT_TRUE (c->isVisible());
    EXPECT_FALSE (panel.recordButton->isVisible());

    panel.openFile (sounds.wav ("three.wav", 3.0));  // replaces the thumbnail
    EXPECT_DOUBLE_EQ (panel.waveform->getFileLength(), 3.0);

    panel.clearCurrentFile();
    EXPECT_EQ (panel.getThumbnail(), nullptr);
    EXPECT_EQ (panel.waveform->getThumbnail(), nullptr);
    EXPECT_FALSE (panel.playButton->isVisible());
}

TEST_F (ModeFreePanel, PluginLayoutWithSyncAndNoSpeedControls)
{
    EXPECT_FALSE (panel.speedSlider->isVisible());
    EXPECT_FALSE (panel.speedLabel->isVisible());
    panel.syncShown = true;
    panel.resized();
    EXPECT_EQ (panel.syncButton->getBounds(), juce::Rectangle<int> (4, 42, 32, 16));
    EXPECT_EQ (panel.beginButton->getBounds(), juce::Rectangle<int> (40, 42, 16, 16));
    EXPECT_EQ (panel.cpuBar->getBounds(), juce::Rectangle<int> (758, 44, 37, 12));
    EXPECT_EQ (panel.gainSlider->getBounds(), juce::Rectangle<int> (697, 44, 57, 12));
    EXPECT_EQ (panel.bypassButton->getBounds(), juce::Rectangle<int> (617, 42, 40, 16));

    panel.clearShortcuts();
    EXPECT_TRUE (panel.playButton->getName().isNotEmpty());
    panel.setText ("Drop a file");
    EXPECT_EQ (panel.getDropHint(), "Drop a file");
}

namespace
{
// The editor area a panel sits on.
struct Backdrop : juce::Component
{
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xff303438u)); }
};

juce::File snapshotOf (ComponentPlayer& panel, const juce::String& name)
{
    Backdrop board;
    board.setSize (panel.getWidth(), panel.getHeight());
    board.addAndMakeVisible (panel);
    panel.setTopLeftPosition (0, 0);
    const auto f = writeSnapshot (board, name);
    board.removeChildComponent (&panel);
    return f;
}
} // namespace

// Counts the repaints a component asks for (in place of its image cache).
struct RepaintCounter : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { return ++count, false; }
    bool invalidate (const juce::Rectangle<int>&) override { return ++count, false; }
    void releaseResources() override {}
    int count = 0;
};

TEST_F (KitTest, CpuBarShowsTheLoadAndRepaintsOnlyOnAChange)
{
    juce::Component parent;
    parent.setSize (60, 12);
    CpuBar bar;
    parent.addAndMakeVisible (bar);
    bar.setBounds (0, 0, 37, 12);
    auto* counter = new RepaintCounter();
    bar.setCachedComponentImage (counter);
    counter->count = 0;

    struct Step { const char* name; double load; bool repaints; };
    const Step steps[] {
        { "the first load shows at once", 0.35, true },
        { "the same load again", 0.35, false },
        { "a fall shows at once", 0.1, true },
        { "again", 0.1, false },
        { "overload: moving stripes", 1.0, true },
        { "still overloaded", 1.0, true },
        { "back in range", 0.2, true },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        const int before = counter->count;
        bar.setLoad (step.load);
        EXPECT_DOUBLE_EQ (bar.getShownLoad(), step.load);
        EXPECT_EQ (counter->count > before, step.repaints);
    }
    // A rise climbs at most 0.8 per second since the previous load.
    bar.setLoad (0.9);
    EXPECT_GE (bar.getShownLoad(), 0.2);
    EXPECT_LT (bar.getShownLoad(), 0.9);
    bar.setCachedComponentImage (nullptr);
}

TEST_F (KitTest, CpuBarDrawsAsAProgressBar)
{
    for (const double load : { 0.0, 0.35, 0.999 })
    {
        SCOPED_TRACE (load);
        juce::Component parent;
        parent.setSize (37, 24);
        CpuBar bar;
        double value = load;
        juce::ProgressBar reference (value);  // shows its value from the start
        reference.setTextToDisplay ("Cpu Usage");
        parent.addAndMakeVisible (bar);
        parent.addAndMakeVisible (reference);
        bar.setBounds (0, 0, 37, 12);
        reference.setBounds (0, 12, 37, 12);
        bar.setLoad (load);
        EXPECT_EQ (bar.isOpaque(), reference.isOpaque());

        juce::Image image (juce::Image::ARGB, 37, 24, true);
        {
            juce::Graphics g (image);
            parent.paintEntireComponent (g, false);
        }
        int differ = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 37; ++x)
                differ += image.getPixelAt (x, y) != image.getPixelAt (x, y + 12);
        EXPECT_EQ (differ, 0);
    }
}

TEST_F (KitTest, SnapshotPlayerPanels)
{
    SoundFolder sounds;
    {
        ComponentPlayer empty (true);
        empty.setSize (800, 80);
        EXPECT_TRUE (snapshotOf (empty, "player_empty").existsAsFile());
    }
    {
        ComponentPlayer app (true);
        app.setSize (800, 80);
        app.openFile (sounds.wav ("stereo.wav", 20.0));
        pumpUntil ([&] { return app.getThumbnail()->isFullyLoaded(); }, 5000);
        app.setNumChannels (2);
        app.setVuMeter (0, 0.8f);
        app.setVuMeter (1, 0.45f);
        app.updateStartButton (true);
        app.updateLoopButton (true);
        app.updateGain (0.7f);
        app.updateVariableSpeed (1.0f);
        app.updatePlayMode (2);
        app.cpuBar->setLoad (0.35);
        app.waveform->setLoop (4.0, 12.0, false);
        app.waveform->showTimeAtCursor = true;
        app.setCurrentTime (7.5f);
        EXPECT_TRUE (snapshotOf (app, "player_loaded").existsAsFile());
    }
    {
        ComponentPlayer plugin (false);
        plugin.syncShown = true;
        plugin.setSize (700, 60);
        plugin.openFile (sounds.wav ("mono.wav", 5.0, 1));
        pumpUntil ([&] { return plugin.getThumbnail()->isFullyLoaded(); }, 5000);
        plugin.setNumChannels (80);
        for (int i = 0; i < 64; ++i)
            plugin.setVuMeter (i, (float) i / 63.0f);
        plugin.waveform->normalised = true;
        plugin.updateLoop (0.1f, 0.6f);
        plugin.setCurrentTime (1.0f);
        EXPECT_TRUE (snapshotOf (plugin, "player_plugin_64_meters").existsAsFile());
    }
}
