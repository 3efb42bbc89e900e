// The panel's user input: sliders, knobs, value labels, buttons, preset bar,
// the display's bar messages, agitation choices, the manual and the keys.
#include "DelayEditorFixture.h"

using Log = std::vector<std::string>;

namespace
{
std::string set (int index, float v)
{
    return "set " + std::to_string (index) + " " + juce::String (v, 4).toStdString();
}

// A gesture set of index to v: begin first, the value next, end last (the
// engine may set dependent parameters in between).
::testing::AssertionResult gestureSet (const Log& log, int index, float v)
{
    const auto i = std::to_string (index);
    if (log.size() >= 3 && log.front() == "begin " + i && log[1] == set (index, v) && log.back() == "end " + i)
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "log:";
    for (const auto& line : log)
        failure << " [" << line << "]";
    return failure;
}
} // namespace

TEST_F (DelayEditorTest, SlidersSendTheirParameterInsideTheirGesture)
{
    players ({ 1, 4 }, 4);
    open();
    auto& p = panel();
    const std::pair<juce::Slider*, int> cases[] = {
        { p.gainSlider.get(), 5 },         { p.mixSlider.get(), 6 },
        { p.interpolationTimeSlider.get(), 2 }, { p.smoothnessKnob.get(), 23 },
        { p.amplitudeSlider.get(), 10 },   { p.feedbackSlider.get(), 18 },    { p.delaySlider.get(), 27 },
        { p.frequencySlider.get(), 35 },   { p.lengthSlider.get(), 43 },      { p.angleSlider.get(), 51 },
        { p.panSlider.get(), 59 },         { p.widthSlider.get(), 67 },
        { p.agitationDepthKnob.get(), 90 }, { p.agitationSpeedKnob.get(), 91 },
        // Last: the super slider recalls presets, which may change the selected player.
        { p.presetInterpolationSlider.get(), 1 },
    };
    for (const auto& [s, index] : cases)
    {
        fx->takeLog();
        s->setValue (0.375, juce::dontSendNotification);
        p.sliderDragStarted (s);
        p.sliderValueChanged (s);
        p.sliderDragEnded (s);
        const auto begin = "begin " + std::to_string (index), end = "end " + std::to_string (index);
        auto log = fx->takeLog();
        ASSERT_GE (log.size(), 3u) << index;
        EXPECT_EQ (log.front(), begin);
        EXPECT_EQ (log.back(), end);
        EXPECT_NE (std::find (log.begin(), log.end(), set (index, 0.375f)), log.end()) << index;
    }
}

TEST_F (DelayEditorTest, ADisabledSliderOpensNoGestureAndAnUnresolvedAliasSendsNothing)
{
    players ({}, 0);
    open();
    auto& p = panel();
    ASSERT_FALSE (p.frequencySlider->isEnabled());
    p.sliderDragStarted (p.frequencySlider.get());
    p.sliderValueChanged (p.frequencySlider.get());
    p.sliderDragEnded (p.frequencySlider.get());
    p.amplitudeValue->action = 2.0f;
    p.changeListenerCallback (p.amplitudeValue.get());
    p.buttonClicked (p.widthAgitButton.get());
    p.actionListenerCallback ("ChangeAgitation 211 0.5");
    p.amplitudeValue->setText ("12", false);
    p.labelTextChanged (p.amplitudeValue.get());
    EXPECT_TRUE (fx->takeLog().empty());
}

TEST_F (DelayEditorTest, AgitationKnobWorksOnTheSelectedAgitationAndUndoes)
{
    fx->currentAgitationGroup = 2;
    open();
    auto& p = panel();
    const float before = fx->getIndexedParameter (RariZuz::pAgitation3Ampl);
    fx->takeLog();
    p.agitationDepthKnob->setValue (0.625, juce::dontSendNotification);
    p.sliderDragStarted (p.agitationDepthKnob.get());
    p.sliderValueChanged (p.agitationDepthKnob.get());
    p.sliderDragEnded (p.agitationDepthKnob.get());
    EXPECT_EQ (fx->takeLog(), (Log { "begin 160", set (160, 0.625f), "end 160" }));
    EXPECT_FLOAT_EQ (fx->getIndexedParameter (RariZuz::pAgitation3Ampl), 0.625f);
    ASSERT_TRUE (fx->canUndo());
    fx->undo();
    EXPECT_FLOAT_EQ (fx->getIndexedParameter (RariZuz::pAgitation3Ampl), before);
}

TEST_F (DelayEditorTest, ValueLabelCodesReachTheEditorInOrder)
{
    players ({ 2 }, 2);
    open();
    auto& p = panel();
    fx->setQuietly (RariZuz::pDelay + 1, 0.5f);
    const float start = fx->getIndexedParameter (RariZuz::pDelay + 1);
    fx->takeLog();
    for (const float code : { 2.0f, 1.0f, 1.0f, -1.0f, -2.0f })
    {
        p.delayValue->action = code;
        p.changeListenerCallback (p.delayValue.get());
    }
    auto log = fx->takeLog();
    ASSERT_EQ (log.size(), 5u);
    EXPECT_EQ (log.front(), "begin 25");
    EXPECT_EQ (log.back(), "end 25");
    EXPECT_GT (fx->getIndexedParameter (RariZuz::pDelay + 1), start);

    // Code 0: the sync toggle, only on the three sync-capable labels.
    p.delayValue->setSyncMode (true);
    p.delayValue->action = 0.0f;
    p.changeListenerCallback (p.delayValue.get());
    p.gainValue->action = 0.0f;
    p.changeListenerCallback (p.gainValue.get());
    fx->currentAgitationGroup = 7;  // outside 0..2: the labels' codes go to the first agitation
    p.agitationSpeedValue->action = 0.0f;
    p.changeListenerCallback (p.agitationSpeedValue.get());
    Log syncs;
    for (const auto& line : fx->takeLog())
        if (line.rfind ("sync ", 0) == 0)
            syncs.push_back (line);
    EXPECT_EQ (syncs, (Log { "sync 25 on", "sync 91 off" }));

    // Typed text goes through the effect's conversion, without a gesture.
    fx->currentAgitationGroup = 0;
    p.mixValue->setText ("25", false);
    p.labelTextChanged (p.mixValue.get());
    EXPECT_EQ (fx->takeLog(), (Log { set (6, 0.25f) }));
}

TEST_F (DelayEditorTest, BarMessagesDriveTheEngine)
{
    players ({ 1, 2, 3 }, 1);
    open();
    auto& p = panel();
    p.actionListenerCallback ("Delete 2");
    EXPECT_EQ (fx->takeLog(), (Log { "begin 74", set (74, 0.0f), "end 74" }));
    EXPECT_FALSE (fx->getBar (2).active);

    for (const char* ignored : { "Delete -1", "Delete 9", "Delete x", "Delete", "Select 8", "Drag 1 0.1 0.2",
                                 "Drag 1 a b c d", "Create -1 0.5 0.5 0.5 0.6", "BeginDrag nine", "Frobnicate 1",
                                 "ChangeAgitation", "ChangeAgitation x 0.5", "ChangeAgitation 93 nan", "" })
    {
        p.actionListenerCallback (ignored);
        EXPECT_TRUE (fx->takeLog().empty()) << ignored;
    }

    p.actionListenerCallback ("Select 1");
    EXPECT_EQ (fx->getSelectedBar(), 1);
    p.actionListenerCallback ("Create 5 0.500 0.400 0.500 0.600");
    EXPECT_TRUE (fx->getBar (5).active);
    fx->takeLog();
    p.actionListenerCallback ("BeginDrag 5");
    p.actionListenerCallback ("Drag 5  0.400  0.300  0.400  0.700");
    p.actionListenerCallback ("EndDrag 5");
    auto log = fx->takeLog();
    ASSERT_FALSE (log.empty());
    EXPECT_EQ (log.front().rfind ("begin ", 0), 0u);
    EXPECT_EQ (log.back().rfind ("end ", 0), 0u);
    EXPECT_NEAR (fx->getBar (5).getLength(), fx->getIndexedParameter (RariZuz::pLength + 5), 1e-4f);
}

TEST_F (DelayEditorTest, AgitationChoicesGoToTheSelectedPlayersParameter)
{
    players ({ 2 }, 2);
    open();
    auto& p = panel();
    p.actionListenerCallback ("ChangeAgitation 211 0.714286");
    EXPECT_EQ (fx->takeLog(), (Log { set (112, 0.714286f) }));
    p.actionListenerCallback ("ChangeAgitation 93 0.142857");
    EXPECT_EQ (fx->takeLog(), (Log { set (93, 0.142857f) }));
    p.actionListenerCallback ("ChangeAgitation 500 0.5");
    p.actionListenerCallback ("ChangeAgitation -4 0.5");
    EXPECT_TRUE (fx->takeLog().empty());
}

TEST_F (DelayEditorTest, ButtonsSendGestureSets)
{
    players ({ 1 }, 1);
    open();
    auto& p = panel();

    // An inactive player's number button brings it in; the next click selects it.
    p.buttonClicked (p.selectButtons[3]);
    EXPECT_TRUE (gestureSet (fx->takeLog(), 75, 1.0f));
    EXPECT_TRUE (fx->getBar (3).active);
    fx->selectBar (0);
    fx->takeLog();
    p.buttonClicked (p.selectButtons[3]);
    EXPECT_TRUE (fx->takeLog().empty());
    EXPECT_EQ (fx->getSelectedBar(), 3);

    p.muteButtons[3]->setToggleState (true, juce::dontSendNotification);
    p.buttonClicked (p.muteButtons[3]);
    EXPECT_EQ (fx->takeLog(), (Log { "begin 83", set (83, 1.0f), "end 83" }));

    p.memoryButton->setToggleState (true, juce::dontSendNotification);
    p.buttonClicked (p.memoryButton.get());
    EXPECT_EQ (fx->takeLog(), (Log { "begin 3", set (3, 1.0f), "end 3" }));

    p.buttonClicked (p.gainAgitButton.get());
    EXPECT_EQ (fx->takeLog(), (Log { "begin 93", set (93, p.gainAgitButton->getAgitationID()), "end 93" }));

    // Reset: pressed opens the gesture with 1, released sends 0 and closes it.
    guitest::press (*p.resetButton, 4, 4);
    guitest::release (*p.resetButton, 4, 4);
    auto reset = fx->takeLog();
    ASSERT_GE (reset.size(), 4u);
    EXPECT_EQ (reset[0], "begin 88");
    EXPECT_EQ (reset[1], set (88, 1.0f));
    EXPECT_EQ (reset[reset.size() - 2], set (88, 0.0f));
    EXPECT_EQ (reset.back(), "end 88");

    // Save and load act on the press only; a disabled undo does nothing.
    guitest::press (*p.saveButton, 4, 4);
    guitest::release (*p.saveButton, 4, 4);
    guitest::press (*p.loadButton, 4, 4);
    guitest::release (*p.loadButton, 4, 4);
    EXPECT_EQ (fx->takeLog(), (Log { "save", "load" }));
    refresh();
    p.redoButton->setEnabled (false);
    p.buttonClicked (p.redoButton.get());
    EXPECT_TRUE (fx->takeLog().empty());
}

TEST_F (DelayEditorTest, PresetBarSuperSliderActions)
{
    open();
    auto& p = panel();
    // Action 0 sets the Preset parameter (the engine recalls the slot from it).
    const std::tuple<int, int, Log> cases[] = {
        { 3, 0, { "begin 0", set (0, 0.2f), "preset 3 0", "end 0" } },
        { 15, 0, { "begin 0", set (0, 1.0f), "preset 15 0", "end 0" } },
        { 4, 1, { "preset 4 1" } },
        { 6, 2, { "preset 6 2" } },
        { 9, 3, { "preset 9 3" } },
        { 9, 4, { "stop" } },
    };
    for (const auto& [slot, action, expected] : cases)
    {
        p.presets->lastSlot = slot;
        p.presets->lastAction = action;
        p.changeListenerCallback (p.presets.get());
        EXPECT_EQ (fx->takeLog(), expected) << slot << " " << action;
    }
    p.superPreset->SetState (2, 11);
    p.changeListenerCallback (p.superPreset.get());
    const auto log = fx->takeLog();
    ASSERT_EQ (log.size(), 8u);
    EXPECT_EQ (log[2], "super 2 11");
}

TEST_F (DelayEditorTest, TheManualFollowsTheLanguageAndWhatIsInstalled)
{
    open();
    auto& p = panel();
    juce::TemporaryFile folderName;
    const auto folder = folderName.getFile();
    folder.createDirectory();
    const auto french = folder.getChildFile (ManualLauncher::frenchFileName);
    const auto english = folder.getChildFile (ManualLauncher::englishFileName);

    juce::String language;
    juce::File opened;
    p.manual.folder = [&] { return folder; };
    p.manual.language = [&] { return language; };
    p.manual.launch = [&] (const juce::File& f) { opened = f; return true; };

    struct Case
    {
        const char* language;
        bool french, english;
        juce::File expected;
    } cases[] = {
        { "fr", true, true, french }, { "FRA", false, true, english }, { "fre", true, false, french },
        { "en", true, true, english }, { "de", true, false, {} },      { "fr", false, false, {} },
    };
    for (const auto& c : cases)
    {
        french.deleteFile();
        english.deleteFile();
        if (c.french)
            french.create();
        if (c.english)
            english.create();
        language = c.language;
        opened = juce::File();
        p.buttonClicked (p.documentationButton.get());
        EXPECT_EQ (opened, c.expected) << c.language << c.french << c.english;
    }
    folder.deleteRecursively();
}

TEST_F (DelayEditorTest, Keys)
{
    open();
    auto& p = panel();
    const auto ctrl = juce::ModifierKeys::commandModifier;
    p.muteButtons[2]->setToggleState (false, juce::dontSendNotification);
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('3')));
    EXPECT_TRUE (p.muteButtons[2]->getToggleState());
    EXPECT_TRUE (fx->takeLog().empty());  // only the look changes

    struct Case
    {
        int code;
        int mods;
        bool used;
        float scale;
    } cases[] = {
        { '+', ctrl, true, 1.1f },
        { juce::KeyPress::numberPadAdd, ctrl, true, 1.2f },
        { '-', ctrl, true, 1.1f },
        { juce::KeyPress::numberPadSubtract, ctrl, true, 1.0f },
        { '=', ctrl, false, 1.0f },
        { '+', 0, false, 1.0f },
        { 'Q', ctrl, false, 1.0f },
        { 'Z', 0, false, 1.0f },
    };
    editor->scale = 1.0f;
    for (const auto& c : cases)
    {
        EXPECT_EQ (p.keyPressed (juce::KeyPress (c.code, juce::ModifierKeys (c.mods), 0)), c.used) << c.code;
        EXPECT_NEAR (editor->scale, c.scale, 1e-5f) << c.code;
    }
    EXPECT_EQ (editor->getWidth(), 560);

    // Ctrl-Z and Ctrl-Y answer what undo and redo give.
    fx->takeLog();
    EXPECT_FALSE (p.keyPressed (juce::KeyPress ('Z', juce::ModifierKeys (ctrl), 0)));
    fx->beginParameterChangeGesture (RariZuz::pMix);
    fx->setParameterNotifyingHost (RariZuz::pMix, 0.1f);
    fx->endParameterChangeGesture (RariZuz::pMix);
    fx->takeLog();
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('Z', juce::ModifierKeys (ctrl), 0)));
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('Y', juce::ModifierKeys (ctrl), 0)));
    auto log = fx->takeLog();
    EXPECT_EQ (log.front(), "undo");
    EXPECT_NE (std::find (log.begin(), log.end(), "redo"), log.end());

    juce::TemporaryFile folderName;
    const auto folder = folderName.getFile();
    p.display->setSnapshotFolder (folder);
    EXPECT_TRUE (p.keyPressed (juce::KeyPress ('P')));
    EXPECT_TRUE (folder.getChildFile ("RariZuz_0.jpg").existsAsFile());
    folder.deleteRecursively();
}

TEST_F (DelayEditorTest, MouseGesturesOnTheWidgetsReachTheEngine)
{
    players ({ 4 }, 4);
    open();
    auto& p = panel();

    // A press and drag on a slider: one gesture around its values.
    guitest::press (*p.frequencySlider, 20, 7);
    guitest::drag (*p.frequencySlider, 60, 7);
    guitest::release (*p.frequencySlider, 60, 7);
    auto log = fx->takeLog();
    ASSERT_GE (log.size(), 3u);
    EXPECT_EQ (log.front(), "begin 35");
    EXPECT_EQ (log[1].rfind ("set 35 ", 0), 0u);
    EXPECT_EQ (log.back(), "end 35");

    // A press, an upward drag and the release on a value label: its queued
    // codes arrive in order once the message loop runs.
    guitest::press (*p.panValue, 10, 7);
    guitest::drag (*p.panValue, 10, 1);
    guitest::release (*p.panValue, 10, 1);
    EXPECT_TRUE (guitest::pumpUntil ([&] { return p.panValue->getNumPendingActions() == 0; }));
    log = fx->takeLog();
    ASSERT_GE (log.size(), 3u);
    EXPECT_EQ (log.front(), "begin 59");
    EXPECT_EQ (log[1].rfind ("set 59 ", 0), 0u);
    EXPECT_EQ (log.back(), "end 59");

    // A click on a mute button.
    guitest::press (*p.muteButtons[3], 5, 5);
    guitest::release (*p.muteButtons[3], 5, 5);
    EXPECT_TRUE (gestureSet (fx->takeLog(), 83, 1.0f));
}
