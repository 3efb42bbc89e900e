// The application's window with HOME in a temporary folder, an audio device
// type that offers no device and dialogs that answer at once: start-up
// defaults, the no-device warning, the settings round trip, corrupt settings
// and a failed effect.
#include "SelvoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace selvo;

namespace
{
class SelvoWindowTest : public selvo_test::TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        seams.addDeviceTypes = [] (juce::AudioDeviceManager& m) {
            m.addAudioDeviceType (std::make_unique<selvo_test::NoDeviceType>());
        };
    }

    std::unique_ptr<StandaloneFilterWindow> start() { return openWindow (seams); }

    // Deletes the window, then the store (which writes the file), as at quit.
    void quit (std::unique_ptr<StandaloneFilterWindow>& w)
    {
        w.reset();
        StoredSettings::deleteInstance();
    }
    std::unique_ptr<juce::XmlElement> savedXml() const { return juce::parseXML (settingsFile()); }
    juce::String saved (const juce::String& key) const
    {
        juce::PropertiesFile p (settingsFile(), StoredSettings::currentOptions ("Vokt Selvo"));
        return p.getValue (key, "<absent>");
    }

    selvo_test::AnsweringDialogs dialogs;
    ScopedDialogs scoped { dialogs };
    StandaloneFilterWindow::Seams seams;
};
} // namespace

TEST_F (SelvoWindowTest, FirstStartWithoutDeviceWarnsAndTakesDefaults)
{
    auto w = start();
    ASSERT_NE (w->filter, nullptr);
    EXPECT_EQ (w->getName(), "Vokt Selvo");
    EXPECT_EQ (w->filter->getName(), "Vokt Selvo");
    ASSERT_EQ (dialogs.alerts.size(), 1);
    EXPECT_EQ (dialogs.alerts[0], "Audio device|Could not initialize audio device\nSelect an audio device in Audio Option panel");
    EXPECT_FLOAT_EQ (w->streamer->getGain(), 0.8f);
    EXPECT_EQ (w->fileOption, 2);
    EXPECT_EQ (w->bitsOption, 0);
    EXPECT_FALSE (w->splitFiles);
    EXPECT_EQ (w->srMode, 1);
    EXPECT_EQ (w->srQuality, 1);
    EXPECT_EQ (w->currentFile, juce::File());
    ASSERT_NE (w->content, nullptr);
    EXPECT_EQ (w->content->playerHeight, 60);
    EXPECT_EQ (w->content->filterEditor->getY(), 60);
    EXPECT_EQ (w->content->getHeight(), 60 + w->content->filterEditor->getHeight());
    EXPECT_TRUE (w->isVisible());

    // Play with no device and no file returns at once.
    w->streamer->startPlay();
    EXPECT_FALSE (w->streamer->isPlaying());

    quit (w);
    EXPECT_TRUE (settingsFile().existsAsFile());
    EXPECT_EQ (saved ("CurrentFiles"), "");
    EXPECT_EQ (saved ("playMode"), "0");
    EXPECT_EQ (saved ("variableSpeed"), "0.0");
    EXPECT_EQ (saved ("BeginLoop"), "<absent>");
    EXPECT_NE (saved ("filterState"), "<absent>");
}

TEST_F (SelvoWindowTest, SettingsComeBackAfterRestart)
{
    auto w = start();
    w->streamer->setGain (0.5f);
    w->fileOption = 1;
    w->bitsOption = 2;
    w->splitFiles = true;
    w->srMode = 0;
    w->srQuality = 0;
    w->content->player.waveform->showTimeAtCursor = true;
    w->content->player.waveform->showTimeAtMouse = false;
    w->setTopLeftPosition (37, 41);
    const int x = w->getX(), y = w->getY();
    w->filter->changeProgramName (w->filter->getCurrentProgram(), "Round trip");
    quit (w);

    w = start();
    EXPECT_FLOAT_EQ (w->streamer->getGain(), 0.5f);
    EXPECT_EQ (w->fileOption, 1);
    EXPECT_EQ (w->bitsOption, 2);
    EXPECT_TRUE (w->splitFiles);
    EXPECT_EQ (w->srMode, 0);
    EXPECT_EQ (w->srQuality, 0);
    EXPECT_TRUE (w->content->player.waveform->showTimeAtCursor);
    EXPECT_FALSE (w->content->player.waveform->showTimeAtMouse);
    EXPECT_EQ (w->getX(), x);
    EXPECT_EQ (w->getY(), y);
    EXPECT_EQ (w->filter->getProgramName (w->filter->getCurrentProgram()), "Round trip");
    quit (w);
}

TEST_F (SelvoWindowTest, CorruptSettingsGiveDefaultsAndTheAppStarts)
{
    // The whole settings file, and what it gives.
    struct Case { const char* text; int srMode; float gain; };
    const Case cases[] = {
        { "", 1, 0.8f },
        { "not xml at all <<<", 1, 0.8f },
        { "<?xml version=\"1.0\"?><PROPERTIES><VALUE name=\"Gain\" val=\"0.25\"/>"
          "<VALUE name=\"filterState\" val=\"@@@ not base 64 @@@\"/>"
          "<VALUE name=\"srMode\" val=\"seven\"/><VALUE name=\"windowX\" val=\"300\"/></PROPERTIES>", 0, 0.25f },
    };
    for (const auto& c : cases)
    {
        const char* text = c.text;
        SCOPED_TRACE (text);
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile().replaceWithText (text));
        auto w = start();
        ASSERT_NE (w->filter, nullptr);
        ASSERT_NE (w->content, nullptr);
        EXPECT_EQ (w->getName(), "Vokt Selvo");
        EXPECT_EQ (w->srMode, c.srMode);
        EXPECT_FLOAT_EQ (w->streamer->getGain(), c.gain);
        quit (w);
        ASSERT_TRUE (settingsFile().deleteFile());
    }
}

TEST_F (SelvoWindowTest, GarbageFilterStateIsIgnoredAndAValidOneApplied)
{
    auto w = start();
    const auto original = w->filter->getProgramName (w->filter->getCurrentProgram());
    w->filter->changeProgramName (w->filter->getCurrentProgram(), "Kept");
    juce::MemoryBlock state;
    w->filter->getStateInformation (state);
    quit (w);

    for (const bool valid : { false, true })
    {
        {
            juce::PropertiesFile p (settingsFile(), StoredSettings::currentOptions ("Vokt Selvo"));
            p.setValue ("filterState", valid ? state.toBase64Encoding() : juce::String ("12.garbage"));
            ASSERT_TRUE (p.save());
        }
        w = start();
        EXPECT_EQ (w->filter->getProgramName (w->filter->getCurrentProgram()), valid ? "Kept" : original) << valid;
        quit (w);
    }
}

TEST_F (SelvoWindowTest, OlderSettingsFileIsCopiedOnceAndLeftAlone)
{
    const auto older = StoredSettings::olderFile ("Vokt Selvo");
    {
        juce::PropertiesFile p (older, StoredSettings::olderOptions ("Vokt Selvo"));
        p.setValue ("Gain", 0.3);
        ASSERT_TRUE (p.save());
    }
    const auto olderText = older.loadFileAsString();
    auto w = start();
    EXPECT_FLOAT_EQ (w->streamer->getGain(), 0.3f);
    quit (w);
    EXPECT_NEAR (saved ("Gain").getDoubleValue(), 0.3, 1e-6);
    EXPECT_EQ (older.loadFileAsString(), olderText);
}

TEST_F (SelvoWindowTest, FailedEffectQuitsWritingOnlyThePosition)
{
    seams.createEffect = [] { return static_cast<MyEffect*> (nullptr); };
    auto w = start();
    EXPECT_EQ (w->filter, nullptr);
    EXPECT_EQ (w->content, nullptr);
    EXPECT_EQ (w->deviceManager, nullptr);
    quit (w);
    auto xml = savedXml();
    ASSERT_NE (xml, nullptr);
    juce::StringArray keys;
    for (auto* e : xml->getChildIterator())
        keys.add (e->getStringAttribute ("name"));
    keys.sort (false);
    EXPECT_EQ (keys.joinIntoString (","), "windowX,windowY");
}

TEST_F (SelvoWindowTest, WindowXWithoutWindowYCentres)
{
    ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
    ASSERT_TRUE (settingsFile().replaceWithText (
        "<?xml version=\"1.0\"?><PROPERTIES><VALUE name=\"windowX\" val=\"3\"/></PROPERTIES>"));
    auto w = start();
    const auto area = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_NEAR (w->getBounds().getCentreX(), area.getCentreX(), 2);
    quit (w);
}

TEST_F (SelvoWindowTest, ModeChangeResizesTheBar)
{
    auto w = start();
    auto& c = *w->content;
    const int h = c.getHeight();
    w->newMode (1);
    EXPECT_EQ (c.playerHeight, 80);
    EXPECT_EQ (c.getHeight(), h + 20);
    EXPECT_EQ (c.filterEditor->getY(), 80);
    w->newMode (5);
    EXPECT_EQ (c.playerHeight, 80);
    w->newMode (0);
    EXPECT_EQ (c.playerHeight, 60);
    EXPECT_EQ (c.getHeight(), h);
    quit (w);
}

TEST_F (SelvoWindowTest, ShiftResizeKeepsTheEditorProportions)
{
    auto w = start();
    auto* constrainer = w->editorConstrainer;
    ASSERT_NE (constrainer, nullptr);
    auto& content = *w->content;
    auto& editor = *content.filterEditor;

    // player mode, then how much the window's corner is dragged
    struct Case { int mode, dw, dh; };
    const Case cases[] = { { 0, 280, 100 }, { 0, 40, 300 }, { 1, 200, 0 }, { 1, 0, 250 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.mode) + ": " + juce::String (c.dw) + " x " + juce::String (c.dh));
        w->newMode (c.mode);
        juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::shiftModifier);
        constrainer->resizeStart();
        const double ratio = constrainer->ratio;
        const auto from = w->getBounds();
        constrainer->setBoundsForComponent (w.get(), from.withSize (from.getWidth() + c.dw, from.getHeight() + c.dh),
                                            false, false, true, true);
        constrainer->resizeEnd();
        juce::ModifierKeys::currentModifiers = juce::ModifierKeys();

        EXPECT_GT (w->getWidth(), from.getWidth());
        EXPECT_EQ (content.getHeight(), content.playerHeight + editor.getHeight());
        // The editor under the player bar keeps the proportions it had, to a pixel of rounding.
        EXPECT_NEAR (editor.getHeight(), editor.getWidth() / ratio, 1.0);
    }
    quit (w);
}

TEST (SelvoSpeed, SliderToSpeed)
{
    struct Case { float value; bool snap; float speed; };
    const Case cases[] = {
        { 0.75f, true, 1.0f }, { 0.9f, true, 1.5874f }, { 0.3f, true, -0.7937f }, { 1.0f, true, 2.0f },
        { 0.0f, true, -2.0f }, { 0.5f, true, 0.0f }, { 0.5f, false, 0.0f }, { 0.9f, false, 1.6f },
        { 0.6f, true, 0.3969f },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (ComponentFilter::speedForSlider (c.value, c.snap), c.speed, 1e-4f) << c.value << " " << c.snap;
}
