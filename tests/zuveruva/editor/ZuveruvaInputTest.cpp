// The crunch panel's user input, over a real crunch effect: what reaches
// the effect, in which order, inside which gestures.
#include "CrunchEditorTestSupport.h"

#include "AudioFileCheck.h"
#include "MyAudioReader.h"
#include "Utilities.h"

using namespace crunchtest;
using namespace guitest;

using Log = std::vector<std::string>;

namespace
{
// Picks item `answer` (1-based) of a pop-up and lets its change message arrive.
void choose (AnsweringMenus& menus, MyJucePopup& popup, int answer)
{
    menus.answer = answer;
    press (popup, 5, 5);
    guitest::pumpMessages (20);
}
} // namespace

TEST_F (CrunchEditorTest, PadDragSendsAmplitudeThenFrequencyInsideOneGesture)
{
    auto& pad = *panel().zuveruvaView;
    fx.recording = true;
    press (pad, 100.0f, 40.0f);
    drag (pad, 160.0f, 90.0f);
    release (pad, 160.0f, 90.0f);
    const auto log = fx.takeLog();
    ASSERT_GE (log.size(), 8u);
    EXPECT_EQ (log[0], "begin 6");
    EXPECT_EQ (log[1], "begin 5");
    EXPECT_EQ (log[log.size() - 2], "end 6");
    EXPECT_EQ (log.back(), "end 5");
    for (size_t i = 2; i + 2 < log.size(); i += 2)
    {
        EXPECT_EQ (log[i].rfind ("set 5 ", 0), 0u) << log[i];
        EXPECT_EQ (log[i + 1].rfind ("set 6 ", 0), 0u) << log[i + 1];
    }
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAmplitude), (float) pad.valueX);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kFrequency), (float) pad.valueY);
}

TEST_F (CrunchEditorTest, AgitationKnobDragsTheSelectedAgitationAndUndoes)
{
    auto& p = panel();
    fx.currentAgitationGroup = 2;
    const float before = fx.getIndexedParameter (Zuveruva::kAgitation3Ampl);
    fx.recording = true;
    p.sliderDragStarted (p.agitationDepthKnob.get());
    p.agitationDepthKnob->setValue (0.7, juce::sendNotificationSync);
    p.sliderDragEnded (p.agitationDepthKnob.get());
    EXPECT_EQ (fx.takeLog(), (Log { "begin 31", "set 31 0.700", "end 31" }));

    ASSERT_TRUE (fx.undo());
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAgitation3Ampl), before);

    // An agitation outside 0..3 sends nothing.
    fx.currentAgitationGroup = 7;
    fx.takeLog();
    p.agitationSpeedKnob->setValue (0.2, juce::sendNotificationSync);
    p.agitationSpeedValue->setText ("0.5", true);
    EXPECT_TRUE (fx.takeLog().empty());
}

namespace
{
struct HostGestures : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override { log.push_back ("begin " + std::to_string (i)); }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override { log.push_back ("end " + std::to_string (i)); }
    Log log;
};
} // namespace

TEST_F (CrunchEditorTest, PopupChoicesReachTheEffectInsideGestures)
{
    auto& p = panel();
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    HostGestures host;
    fx.addListener (&host);
    fx.recording = true;

    choose (menus, *p.auxPopup, 3);  // "Side-Chain"
    EXPECT_EQ (fx.takeLog(), (Log { "begin 11", "set 11 0.500", "end 11" }));
    EXPECT_EQ (host.log, (Log { "begin 11", "end 11" }));

    choose (menus, *p.bandsPopup, 7);  // "128"
    EXPECT_EQ (fx.takeLog(), (Log { "begin 4", "set 4 " + juce::String (6.0f / 11.0f, 3).toStdString(), "end 4" }));

    choose (menus, *p.agitationPopup, 4);  // "Agitation 4"
    EXPECT_EQ (fx.currentAgitationGroup.load(), 3);
    guitest::pumpMessages (120);  // the effect's tick turns the request into a refresh
    EXPECT_EQ (p.agitationSpeedValue->getText(), fx.getIndexedParameterText (Zuveruva::kAgitation4Speed));
    fx.removeListener (&host);
}

TEST_F (CrunchEditorTest, LoadFileAsksThroughTheDialogsAndAppliesTheAnswer)
{
    using namespace zuveruva_test;
    auto& p = panel();
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    TestDialogs dialogs;
    ScopedDialogs dialogScope (dialogs);

    // Cancelled: nothing loaded, the gesture closed, the pop-up back on the source in force.
    fx.recording = true;
    choose (menus, *p.auxPopup, 5);  // "Load File"
    EXPECT_EQ (dialogs.choosers, 1);
    EXPECT_EQ (fx.takeLog(), (Log { "begin 11", "end 11" }));
    EXPECT_EQ (p.auxPopup->getText(), "No Aux");

    // A sound file: loaded and chosen as the source, inside one gesture.
    dialogs.chooserResult = writeWav (juce::File::createTempFile (".wav"), 2, 4410, 440.0);
    choose (menus, *p.auxPopup, 5);  // "Load File"
    EXPECT_EQ (dialogs.choosers, 2);
    EXPECT_EQ (dialogs.chooserPatterns, "*.wav;*.aif;*.aiff");
    EXPECT_EQ (fx.takeLog(), (Log { "begin 11", "set 11 0.250", "end 11" }));
    EXPECT_EQ (fx.getAuxFile(), dialogs.chooserResult);
    EXPECT_EQ (FloatToIndexPopup (fx.getIndexedParameter (Zuveruva::kAuxOn), 4), 1);

    // Not a sound file: refused with an alert, nothing replaced.
    const auto previous = dialogs.chooserResult;
    dialogs.chooserResult = juce::File::createTempFile (".wav");
    dialogs.chooserResult.replaceWithText ("not audio");
    choose (menus, *p.auxPopup, 5);
    EXPECT_EQ (dialogs.alertTitles.size(), 1);
    EXPECT_TRUE (dialogs.alertMessages[0].contains ("is not a valid sound file"));
    EXPECT_EQ (fx.getAuxFile(), previous);
    EXPECT_EQ (fx.takeLog(), (Log { "begin 11", "end 11" }));
    previous.deleteFile();
    dialogs.chooserResult.deleteFile();
}

TEST_F (CrunchEditorTest, ButtonsAreGesturesAndSampleLastsWhileHeld)
{
    auto& p = panel();
    fx.recording = true;
    press (*p.sampleButton, 5, 5);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kSample), 1.0f);
    release (*p.sampleButton, 5, 5);
    EXPECT_EQ (fx.takeLog(), (Log { "begin 14", "set 14 1.000", "set 14 0.000", "end 14" }));

    press (*p.memoryButton, 5, 5);
    release (*p.memoryButton, 5, 5);
    EXPECT_EQ (fx.takeLog(), (Log { "begin 3", "set 3 1.000", "end 3" }));

    press (*p.mixAgitButton, 4, 5);
    release (*p.mixAgitButton, 4, 5);
    const auto id = juce::String (p.mixAgitButton->getAgitationID(), 3).toStdString();
    EXPECT_EQ (fx.takeLog(), (Log { "begin 25", "set 25 " + id, "end 25" }));

    // Undo while disabled does nothing; once enabled it undoes the last gesture.
    press (*p.undoButton, 5, 5);
    release (*p.undoButton, 5, 5);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kMixAgit), p.mixAgitButton->getAgitationID());
    p.updateParametersFromFilter();
    ASSERT_TRUE (p.undoButton->isEnabled());
    press (*p.undoButton, 5, 5);
    release (*p.undoButton, 5, 5);
    EXPECT_NE (fx.getIndexedParameter (Zuveruva::kMixAgit), p.mixAgitButton->getAgitationID());
}

TEST_F (CrunchEditorTest, PlayerAndAgitationMessages)
{
    using namespace zuveruva_test;
    auto& p = panel();
    struct Row { const char* message; Log expected; };
    const Row rows[] = {
        { "Begin", { "set 16 0.000", "set 16 1.000" } },
        { "Start", { "set 15 1.000" } },
        { "Pause", { "set 15 0.000" } },
        { "Start&Record", {} },
        { "Pause&Record", {} },
        { "RecordOn", {} },
        { "Gain 0.5", {} },
        { "LoopOn", { "set 17 1.000" } },
        { "LoopOff", { "set 17 0.000" } },
        { "Loop 0.25 0.75 ", { "set 18 0.250", "set 19 0.750" } },
        { "Loop 0.25", {} },
        { "Loop x y", {} },
        { "Loop nan 0.5", {} },
        { "Position abc", {} },
        { "Open ", {} },
        { "ChangeAgitation 25 0.857143", { "set 25 0.857" } },
        { "ChangeAgitation 4 0.5", {} },
        { "ChangeAgitation 40 0.5", {} },
        { "ChangeAgitation -1 0.5", {} },
        { "ChangeAgitation 26 7", {} },
        { "ChangeAgitation 26", {} },
        { "SyncOn", { "set 36 1.000" } },
        { "SyncOff", { "set 36 0.000" } },
        { "Sync", {} },
        { "", {} },
    };
    fx.recording = true;
    for (const auto& r : rows)
    {
        p.actionListenerCallback (r.message);
        EXPECT_EQ (fx.takeLog(), r.expected) << r.message;
    }

    // Positions move the auxiliary reader, in seconds; a comma locale changes nothing.
    fx.recording = false;
    const auto file = writeWav (juce::File::createTempFile (".wav"), 1, (int) sampleRate * 20, 220.0);
    fx.loadAuxFile (file.getFullPathName());
    ASSERT_NE (fx.getAuxReader(), nullptr);
    CommaLocaleScope comma;
    for (float t : { 12.5f, 0.0f })
    {
        p.actionListenerCallback ("Position " + juce::String (t, 1));
        EXPECT_NEAR ((double) fx.getAuxReader()->refillPosition.load() / fx.getAuxReader()->fileSampleRate, t, 0.01) << t;
    }
    file.deleteFile();
}

TEST_F (CrunchEditorTest, KeyPWritesTheNextSnapshotIntoTheInjectedFolder)
{
    auto& p = panel();
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("crunch-snap", "");
    ASSERT_TRUE (folder.createDirectory());
    p.zuveruvaView->snapshotFolder = [folder] { return folder; };
    for (int k = 0; k < 3; ++k)
        folder.getChildFile ("Zuveruva_" + juce::String (k) + ".jpg").replaceWithText ("x");

    EXPECT_FALSE (p.keyPressed (juce::KeyPress ('Q')));
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('P')));
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('p', juce::ModifierKeys::shiftModifier, 0)));
    const auto third = folder.getChildFile ("Zuveruva_3.jpg");
    ASSERT_TRUE (third.existsAsFile());
    EXPECT_TRUE (folder.getChildFile ("Zuveruva_4.jpg").existsAsFile());
    const auto picture = juce::ImageFileFormat::loadFrom (third);
    EXPECT_EQ (picture.getWidth(), p.zuveruvaView->getWidth());
    EXPECT_EQ (picture.getHeight(), p.zuveruvaView->getHeight());

    // A folder that cannot take the file: nothing written, no failure.
    p.zuveruvaView->snapshotFolder = [folder] { return folder.getChildFile ("missing"); };
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('P')));
    folder.deleteRecursively();
}

TEST_F (CrunchEditorTest, ValueLabelDragStepsInOrderInsideOneGesture)
{
    auto& label = *panel().gainValue;
    fx.setIndexedParameter (Zuveruva::kGain, 0.5f);
    fx.recording = true;
    press (label, 10, 7);
    drag (label, 10, 1);    // up one step
    drag (label, 10, -5);   // and another
    drag (label, 10, 6);    // down again
    release (label, 10, 6);
    guitest::pumpMessages (30);  // the label delivers its acts in order
    const auto log = fx.takeLog();
    ASSERT_EQ (log.size(), 5u);
    EXPECT_EQ (log.front(), "begin 8");
    EXPECT_EQ (log.back(), "end 8");
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ (log[i].rfind ("set 8 ", 0), 0u) << log[i];
    EXPECT_NE (log[1], log[2]);
    EXPECT_EQ (log[1], log[3]);  // up, up, down: back to the first step
}
