// The window's interactive side with a device that really runs: the player's
// messages against the streamer, file loading by every way with its refusals,
// the live input, the menus, the timer and the start-up restore of a file.
#include "SelvoTestSupport.h"

#include "GuiTestSupport.h"

using namespace selvo;
using namespace selvo_test;

namespace
{
class SelvoActionsTest : public SelvoFixture
{
protected:
    // Starts the window and loads file through the player's message.
    StandaloneFilterWindow& startWith (const juce::File& file)
    {
        auto& w = start();
        EXPECT_NE (w.streamer->getCurrentDevice(), nullptr);
        w.actionListenerCallback ("Open " + file.getFullPathName());
        EXPECT_EQ (w.currentFile, file);
        return w;
    }
    static bool playing (StandaloneFilterWindow& w)
    {
        return pumpUntil ([&] { return w.streamer->isPlaying(); });
    }
};
} // namespace

TEST_F (SelvoActionsTest, MessagesDriveTheStreamer)
{
    auto& w = startWith (wav ("a.wav", 2));
    auto& s = *w.streamer;
    auto* reader = s.getAudioReader();
    ASSERT_NE (reader, nullptr);

    w.actionListenerCallback ("Start");
    EXPECT_TRUE (playing (w));
    w.actionListenerCallback ("Pause");
    EXPECT_FALSE (s.isPlaying());

    struct Case { juce::String message; std::function<bool()> holds; };
    const juce::String longLoop = juce::String ("Loop 0.5").paddedRight (' ', 150) + "1.5";
    const Case cases[] = {
        { "LoopOn", [&] { return s.getLoop(); } },
        { "LoopOff", [&] { return ! s.getLoop(); } },
        { "ByPassOn", [&] { return s.bypass.load(); } },
        { "ByPassOff", [&] { return ! s.bypass.load(); } },
        { "Loop 0.5 1.5", [&] { return reader->loopStart.load() == 22050 && reader->loopEnd.load() == 66150; } },
        // Malformed numbers, non-finite ones, one number of two: nothing changes.
        { "Loop 1", [&] { return reader->loopStart.load() == 22050 && reader->loopEnd.load() == 66150; } },
        { "Loop 0.25 x", [&] { return reader->loopStart.load() == 22050; } },
        { "Loop nan 1", [&] { return reader->loopStart.load() == 22050; } },
        { "Gain 0.8", [&] { return s.getGain() == 0.8f && std::abs (w.filter->wrapperGain.load() - 1.0f) < 1e-5f; } },
        { "Gain 0.5", [&] { return s.getGain() == 0.5f && w.filter->wrapperGain.load() < 0.1f; } },
        { "Gain", [&] { return s.getGain() == 0.5f; } },
        { "Gain abc", [&] { return s.getGain() == 0.5f; } },
        { "Gain inf", [&] { return s.getGain() == 0.5f; } },
        { "Gain 1e999", [&] { return s.getGain() == 0.5f; } },
        { "Gain0.25", [&] { return s.getGain() == 0.25f; } },
        // Cut at 111 bytes: the second number is beyond the cut.
        { longLoop.paddedRight (' ', 200), [&] { return reader->loopStart.load() == 22050; } },
        { juce::String ("Gain 0.75").paddedRight (' ', 200), [&] { return s.getGain() == 0.75f; } },
        { "SyncOn", [&] { return s.getGain() == 0.75f && ! s.isPlaying(); } },
        { "Position x", [&] { return ! s.isPlaying(); } },
        { "", [&] { return ! s.isPlaying(); } },
    };
    for (const auto& c : cases)
    {
        w.actionListenerCallback (c.message);
        EXPECT_TRUE (c.holds()) << "'" << c.message << "'";
    }
    EXPECT_EQ (w.currentFile.getFileName(), "a.wav");
}

TEST_F (SelvoActionsTest, NumbersReadTheSameUnderADecimalCommaLocale)
{
    auto& w = startWith (wav ("a.wav", 2));
    guitest::CommaLocaleScope comma;
    if (! comma.active())
        GTEST_SKIP() << "no decimal-comma locale could be built";
    w.actionListenerCallback ("Gain 0.25");
    w.actionListenerCallback ("Loop 0.5 1.5");
    EXPECT_EQ (w.streamer->getGain(), 0.25f);
    EXPECT_EQ (w.streamer->getAudioReader()->loopStart.load(), 22050);
    EXPECT_EQ (w.streamer->getAudioReader()->loopEnd.load(), 66150);
}

TEST_F (SelvoActionsTest, RecordMessagesDriveTheRecorder)
{
    auto& w = startWith (wav ("a.wav", 2));
    auto& s = *w.streamer;
    ASSERT_TRUE (home.getChildFile ("takes").createDirectory());
    s.setRecorder (std::make_unique<MyAudioWriter> (home.getChildFile ("takes/out.wav"), 44100.0, 2, false));

    w.actionListenerCallback ("Start&Record");
    EXPECT_TRUE (playing (w));
    EXPECT_TRUE (s.isRecording());
    EXPECT_TRUE (pumpUntil ([&] { return s.getAudioWriter()->samplesWritten.load() > 0; }));
    w.tick();
    EXPECT_TRUE (w.content->player.recordButton->getToggleState());
    EXPECT_TRUE (w.content->player.fileNameLabel->getText().startsWith ("out.wav ")) << w.content->player.fileNameLabel->getText();

    w.actionListenerCallback ("Pause&Record");
    EXPECT_FALSE (s.isPlaying());
    EXPECT_FALSE (s.isRecording());
    w.actionListenerCallback ("RecordOn");
    EXPECT_TRUE (s.isRecording());
    w.actionListenerCallback ("RecordOff");
    EXPECT_FALSE (s.isRecording());
    w.tick();
    EXPECT_FALSE (w.content->player.recordButton->getToggleState());
}

TEST_F (SelvoActionsTest, PlayerButtonsDrivePlayback)
{
    // The lowest file position the device's thread saw after each block: a
    // loaded machine may not run this thread's loop while the position is low.
    static std::atomic<AudioFilterStreamer*> watched { nullptr };
    static std::atomic<float> lowest { 0.0f };
    DeviceShape shape;
    shape.afterBlock = [] {
        if (auto* s = watched.load())
            lowest.store (std::min (lowest.load(), s->filePosition.load()));
    };
    seams.addDeviceTypes = [shape] (juce::AudioDeviceManager& m) {
        m.addAudioDeviceType (std::make_unique<TestDeviceType> (shape));
    };
    // Long enough not to end while a loaded machine runs the test.
    auto& w = startWith (wav ("a.wav", 2, 20.0));
    auto& player = w.content->player;
    ASSERT_TRUE (player.playButton->isShowing());
    player.playButton->triggerClick();
    EXPECT_TRUE (playing (w));
    // The tick brings the button in step with the streamer.
    w.tick();
    EXPECT_TRUE (player.playButton->getToggleState());
    EXPECT_TRUE (pumpUntil ([&] { return w.streamer->filePosition.load() > 0.5f; }));
    lowest.store (1.0e9f);
    watched.store (w.streamer.get());
    player.beginButton->triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return lowest.load() < 0.3f; }));
    watched.store (nullptr);
    EXPECT_TRUE (w.streamer->isPlaying());

    player.loopButton->triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return w.streamer->getLoop(); }));
    player.playButton->triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return ! w.streamer->isPlaying(); }));
}

TEST_F (SelvoActionsTest, NewFileKeepsTheLoopAndPlayStateOfThePreviousOne)
{
    const auto a = wav ("a.wav", 2), b = wav ("b.wav", 1), c = wav ("c.wav", 2);
    auto& w = startWith (a);
    w.actionListenerCallback ("LoopOn");
    w.actionListenerCallback ("Start");
    ASSERT_TRUE (playing (w));

    w.actionListenerCallback ("Open " + b.getFullPathName());
    EXPECT_EQ (w.currentFile, b);
    EXPECT_TRUE (w.streamer->getLoop());
    EXPECT_TRUE (playing (w));
    EXPECT_EQ (w.getName(), "Vokt Selvo : b.wav (" + w.streamer->getShortSampleRate() + ")");
    EXPECT_EQ (w.content->player.getCurrentFile(), b);

    // A recent file while playing: paused first, then playing again.
    ASSERT_EQ (w.recentFiles->getFile (1), a);
    w.menuItemSelected (101, 0);
    EXPECT_EQ (w.currentFile, a);
    EXPECT_TRUE (playing (w));
    EXPECT_EQ (w.recentFiles->getFile (0), b); // the recent way leaves the list alone

    // Paused: the file from the dialog stays stopped, loop off kept.
    w.actionListenerCallback ("Pause");
    w.actionListenerCallback ("LoopOff");
    dialogs.chosenFile = c;
    w.menuItemSelected (1, 0);
    EXPECT_EQ (w.currentFile, c);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_FALSE (w.streamer->isPlaying());
    EXPECT_FALSE (w.streamer->getLoop());
    EXPECT_EQ (w.recentFiles->getFile (0), c);
    EXPECT_EQ (StandaloneFilterWindow::getGlobalSettings()->getValue ("initialFile"), home.getFullPathName());
    EXPECT_TRUE (dialogs.alerts.isEmpty());

    // The dialog starts in the folder it left; cancelling changes nothing.
    dialogs.chosenFile = juce::File();
    w.menuItemSelected (1, 0);
    EXPECT_EQ (dialogs.choosers[1], "Select a sound file|" + home.getFullPathName());
    EXPECT_EQ (w.currentFile, c);
}

TEST_F (SelvoActionsTest, RefusedFilesLeaveThePlayingFileAlone)
{
    const auto a = wav ("a.wav", 2), six = wav ("six.wav", 6);
    const auto text = home.getChildFile ("notes.wav");
    ASSERT_TRUE (text.replaceWithText ("not a sound"));
    auto& w = startWith (a);
    w.actionListenerCallback ("LoopOn"); // still playing at the end, however slow the machine
    w.actionListenerCallback ("Start");
    ASSERT_TRUE (playing (w));
    const auto title = w.getName();

    // The dialog's way names the effect's limit; a drop on the player the mono-or-stereo rule.
    dialogs.chosenFile = six;
    w.menuItemSelected (1, 0);
    w.content->player.filesDropped ({ six.getFullPathName() }, 10, 10);
    ASSERT_TRUE (pumpUntil ([&] { return dialogs.alerts.size() == 2; }));
    EXPECT_EQ (dialogs.alerts[0], "Error in reading six.wav|six.wav is a 6 channels audio file\n Vokt Tools cannot read more than 2 channels");
    EXPECT_EQ (dialogs.alerts[1], "Error in reading six.wav|six.wav is a 6 channels audio file\n Vokt Tools can read only mono or stereo audio files");

    w.actionListenerCallback ("Open " + text.getFullPathName());
    w.actionListenerCallback ("Open relative/x.wav");
    w.actionListenerCallback ("Open ");
    ASSERT_EQ (dialogs.alerts.size(), 4);
    EXPECT_EQ (dialogs.alerts[2], "Error in reading notes.wav|notes.wav is not a valid sound file");
    EXPECT_EQ (dialogs.alerts[3], "Error in reading relative/x.wav|relative/x.wav is not a valid sound file");

    // A recent file that became a non-audio file since it was listed.
    w.recentFiles->addFile (text);
    w.menuItemSelected (100, 0);
    ASSERT_EQ (dialogs.alerts.size(), 5);
    EXPECT_EQ (dialogs.alerts[4], "Error in reading notes.wav|notes.wav is not a valid sound file");

    // The record file's name.
    w.streamer->setRecorder (std::make_unique<MyAudioWriter> (home.getChildFile ("rec/a.wav"), 44100.0, 2, false));
    w.actionListenerCallback ("Open " + a.getFullPathName());
    ASSERT_EQ (dialogs.alerts.size(), 6);
    EXPECT_EQ (dialogs.alerts[5], "Error in reading a.wav|a.wav is already open as a record file");

    EXPECT_EQ (w.currentFile, a);
    EXPECT_EQ (w.getName(), title);
    EXPECT_EQ (w.content->player.getCurrentFile(), a);
    EXPECT_TRUE (w.streamer->isPlaying());
}

TEST_F (SelvoActionsTest, StartWithLiveInputAsksFirst)
{
    auto& w = startWith (wav ("a.wav", 2));
    for (const bool ok : { true, false })
    {
        SCOPED_TRACE (ok);
        dialogs.questions.clear();
        dialogs.okAnswer = ok;
        w.menuItemSelected (3, 0);
        ASSERT_TRUE (w.streamer->liveInput.load());
        w.actionListenerCallback ("Start");
        ASSERT_EQ (dialogs.questions.size(), 1);
        EXPECT_EQ (dialogs.questions[0], "Play sound file|You currently use the direct input\nDo you want to play the sound file ?"
                                         "|Continue with direct input|Play the sound file");
        EXPECT_EQ (w.streamer->liveInput.load(), ok);
        EXPECT_EQ (playing (w), ! ok);
        if (ok)
            w.menuItemSelected (3, 0); // back to the file
        else
            w.actionListenerCallback ("Pause");
        EXPECT_FALSE (w.streamer->liveInput.load());
    }
}

namespace
{
struct MenuItemSeen
{
    int id;
    juce::String text;
    bool enabled;
};

std::vector<MenuItemSeen> items (const juce::PopupMenu& menu)
{
    std::vector<MenuItemSeen> seen;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        if (! item.isSeparator)
            seen.push_back ({ item.itemID, item.text, item.isEnabled });
    }
    return seen;
}
} // namespace

TEST_F (SelvoActionsTest, MenusFollowTheFileAndTheRecentList)
{
    const auto a = wav ("a.wav", 2), b = wav ("b.wav", 2);
    auto& w = start();
    EXPECT_EQ (w.getMenuBarNames(), juce::StringArray ({ "Files", "Options" }));
    EXPECT_EQ (items (w.getMenuForIndex (2, "x")).size(), 0u);
    const auto options = items (w.getMenuForIndex (1, "Options"));
    ASSERT_EQ (options.size(), 2u);
    EXPECT_EQ (options[0].text, "Audio & Midi Settings...");
    EXPECT_EQ (options[1].id, 4);

    auto files = items (w.getMenuForIndex (0, "Files"));
    ASSERT_EQ (files.size(), 4u);
    EXPECT_EQ (files[1].text, "Open Recent File");
    EXPECT_FALSE (files[2].enabled); // Clear Current File
    EXPECT_FALSE (files[3].enabled); // File Infos...

    w.actionListenerCallback ("Open " + a.getFullPathName());
    w.actionListenerCallback ("Open " + b.getFullPathName());
    ASSERT_TRUE (a.deleteFile());
    const auto menu = w.getMenuForIndex (0, "Files");
    files = items (menu);
    EXPECT_TRUE (files[2].enabled);
    EXPECT_TRUE (files[3].enabled);
    juce::PopupMenu::MenuItemIterator it (menu);
    ASSERT_TRUE (it.next() && it.next());
    ASSERT_NE (it.getItem().subMenu, nullptr);
    const auto recent = items (*it.getItem().subMenu);
    ASSERT_EQ (recent.size(), 2u);
    EXPECT_EQ (recent[0].id, 100);
    EXPECT_EQ (recent[0].text, b.getFullPathName());
    EXPECT_EQ (recent[1].id, 201);
    EXPECT_EQ (recent[1].text, "Clear recent files");

    w.menuItemSelected (6, 0);
    ASSERT_EQ (dialogs.alerts.size(), 1);
    EXPECT_TRUE (dialogs.alerts[0].startsWith ("b.wav|location : " + home.getFullPathName() + "\n")) << dialogs.alerts[0];

    w.menuItemSelected (201, 0);
    EXPECT_EQ (w.recentFiles->getNumFiles(), 0);
    w.menuItemSelected (2, 0);
    EXPECT_EQ (w.currentFile, juce::File());
    EXPECT_EQ (w.getName(), "Vokt Selvo");
    EXPECT_FALSE (w.content->player.playButton->isVisible());
    w.menuItemSelected (6, 0);
    w.menuItemSelected (150, 0); // no such recent file
    w.menuItemSelected (99, 0);
    w.menuItemSelected (99, 1);
    EXPECT_EQ (dialogs.alerts.size(), 1);
}

TEST_F (SelvoActionsTest, ResetCurrentStateWorksWithAndWithoutAFile)
{
    auto& w = start();
    auto* effect = w.filter.get();
    // The spectral delay's reset puts the bar switches back: the first on, the next seven off.
    const int changed = 73;
    for (const bool withFile : { false, true })
    {
        if (withFile)
        {
            w.actionListenerCallback ("Open " + wav ("a.wav", 2).getFullPathName());
            w.actionListenerCallback ("Start");
            ASSERT_TRUE (playing (w));
        }
        effect->setIndexedParameter (changed, 0.9f);
        w.menuItemSelected (4, 1);
        EXPECT_EQ (effect->getIndexedParameter (changed), 0.0f) << withFile;
        EXPECT_FALSE (w.streamer->isPlaying());
        EXPECT_FALSE (effect->isSuspended());
    }
}

TEST_F (SelvoActionsTest, EffectTickBringsThePlayerInStep)
{
    auto& w = startWith (wav ("a.wav", 2));
    auto& player = w.content->player;
    w.streamer->setGain (0.3f);
    w.streamer->setPlayMode (2);
    // The window has no clock of its own: the effect's tick refreshes it.
    w.filter->timerCallback();
    EXPECT_FLOAT_EQ ((float) player.gainSlider->getValue(), 0.3f);
    EXPECT_EQ (w.content->playerHeight, 80);
    EXPECT_EQ (player.getNumMeters(), w.filter->getMainBusNumOutputChannels());
    // No recorder: the record label reads a single blank.
    EXPECT_EQ (player.fileNameLabel->getText(), " ");
}

TEST_F (SelvoActionsTest, LoopButtonShowsTheStreamersLoop)
{
    auto& w = start();
    auto& s = *w.streamer;
    auto& button = *w.content->player.loopButton;
    const auto file = wav ("a.wav", 2);
    const auto press = [&] (bool on) {
        button.setToggleState (on, juce::sendNotificationSync);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    };

    // in order: what changes the loop, then the loop the streamer has
    struct Step { const char* name; std::function<void()> change; bool loop; };
    const Step steps[] = {
        { "start-up", [] {}, false },
        { "pressed with no file: nothing loops", [&] { press (true); }, false },
        { "file opened", [&] { w.actionListenerCallback ("Open " + file.getFullPathName()); }, false },
        { "pressed", [&] { press (true); }, true },
        { "message LoopOff", [&] { w.actionListenerCallback ("LoopOff"); }, false },
        { "message LoopOn", [&] { w.actionListenerCallback ("LoopOn"); }, true },
        { "same file again keeps the loop", [&] { w.actionListenerCallback ("Open " + file.getFullPathName()); }, true },
        { "streamer switched elsewhere", [&] { s.setLoop (false); }, false },
        { "pressed again", [&] { press (true); }, true },
        { "file cleared: the switch waits for the next file", [&] { w.menuItemSelected (2, 0); }, true },
        { "message LoopOff without a file", [&] { w.actionListenerCallback ("LoopOff"); }, false },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        step.change();
        w.tick();
        EXPECT_EQ (s.getLoop(), step.loop);
        EXPECT_EQ (button.getToggleState(), step.loop);
    }
}

TEST_F (SelvoActionsTest, MenuBarSitsAboveTheContent)
{
    auto& w = start();
    const int bar = w.getMenuBarComponent() != nullptr ? w.getMenuBarComponent()->getHeight() : 0;
    EXPECT_GT (bar, 0);
    EXPECT_EQ (w.content->getY(), bar);
    EXPECT_EQ (w.getHeight(), w.content->getHeight() + bar);
    EXPECT_EQ (w.content->filterEditor->getHeight(), w.content->getHeight() - w.content->playerHeight);
    // A mode change grows the window by the bar's difference only.
    const int h = w.getHeight();
    w.newMode (1);
    EXPECT_EQ (w.getHeight(), h + 20);
    EXPECT_EQ (w.content->getY(), bar);
}

TEST_F (SelvoActionsTest, StartUpRestoresTheFile)
{
    const auto a = wav ("a.wav", 2);
    ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
    for (const bool present : { true, false })
    {
        SCOPED_TRACE (present);
        {
            juce::PropertiesFile p (settingsFile(), StoredSettings::currentOptions ("Vokt Selvo"));
            p.setValue ("CurrentFiles", present ? a.getFullPathName() : home.getChildFile ("gone.wav").getFullPathName());
            p.setValue ("playMode", 2);
            p.setValue ("variableSpeed", -1.0);
            p.setValue ("BeginLoop", 0.25);
            p.setValue ("EndLoop", 0.75);
            ASSERT_TRUE (p.save());
        }
        auto& w = start();
        if (present)
        {
            EXPECT_EQ (w.currentFile, a);
            ASSERT_NE (w.streamer->getAudioReader(), nullptr);
            EXPECT_EQ (w.streamer->getAudioReader()->playMode.load(), 2);
            EXPECT_FLOAT_EQ (w.streamer->getVariableSpeed(), -1.0f);
            EXPECT_EQ (w.getName(), "Vokt Selvo : a.wav (" + w.streamer->getShortSampleRate() + ")");
            w.tick();
            EXPECT_EQ (w.content->playerHeight, 80);
            // Backwards from the loop end.
            w.actionListenerCallback ("Start");
            EXPECT_TRUE (playing (w));
            EXPECT_TRUE (pumpUntil ([&] {
                const float t = w.streamer->filePosition.load();
                return t > 0.6f && t < 1.49f;
            }));
        }
        else
        {
            EXPECT_EQ (w.currentFile, juce::File());
            EXPECT_EQ (w.streamer->getAudioReader(), nullptr);
            EXPECT_EQ (w.getName(), "Vokt Selvo");
            w.actionListenerCallback ("Start");
            EXPECT_FALSE (w.streamer->isPlaying());
        }
        EXPECT_TRUE (dialogs.alerts.isEmpty());
        quit();
        juce::PropertiesFile p (settingsFile(), StoredSettings::currentOptions ("Vokt Selvo"));
        EXPECT_EQ (p.getValue ("CurrentFiles"), present ? a.getFullPathName() : juce::String());
    }
}

TEST_F (SelvoActionsTest, WindowPlayingSnapshot)
{
    auto& w = startWith (wav ("a.wav", 2, 4.0));
    w.actionListenerCallback ("LoopOn");
    w.actionListenerCallback ("Start");
    ASSERT_TRUE (playing (w));
    ASSERT_TRUE (pumpUntil ([&] {
        w.tick();
        return w.streamer->filePosition.load() > 1.0f;
    }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);

    const juce::File folder (VOKT_SNAPSHOT_DIR);
    folder.createDirectory();
    const auto file = folder.getChildFile ("selvo-window-playing.png");
    file.deleteFile();
    const auto image = w.createComponentSnapshot (w.getLocalBounds(), true, 1.0f);
    {
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out));
    }
    // The menu bar is drawn: its names stand out from the bar's own colour
    // (dark, or grey while the window is not the active one).
    const int bar = w.getMenuBarComponent()->getHeight();
    ASSERT_GT (bar, 2);
    const float background = image.getPixelAt (1, 1).getBrightness();
    int text = 0;
    for (int y = 0; y < bar; ++y)
        for (int x = 0; x < 120; ++x)
            text += std::abs (image.getPixelAt (x, y).getBrightness() - background) > 0.2f ? 1 : 0;
    EXPECT_GT (text, 10);
}
