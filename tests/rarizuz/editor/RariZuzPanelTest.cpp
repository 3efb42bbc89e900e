// The panel: layout, refresh from the engine, highlight and the control map.
#include "DelayEditorFixture.h"

using juce::Rectangle;

TEST_F (DelayEditorTest, LayoutAtTheDefaultAndTheDoubleSize)
{
    open();
    auto& p = panel();
    struct Case
    {
        juce::Component* c;
        Rectangle<int> at560, at1120;
    } cases[] = {
        { p.display.get(), { 5, 39, 465, 217 }, { 5, 39, 1025, 649 } },
        { p.amplitudeSlider.get(), { 71, 264, 102, 14 }, { 71, 696, 381, 14 } },
        { p.amplitudeValue.get(), { 179, 264, 45, 14 }, { 458, 696, 45, 14 } },
        { p.amplitudeAgitButton.get(), { 223, 264, 8, 14 }, { 502, 696, 8, 14 } },
        { p.feedbackAgitButton.get(), { 224, 282, 8, 14 }, { 503, 714, 8, 14 } },
        { p.frequencySlider.get(), { 307, 264, 103, 14 }, { 586, 696, 384, 14 } },
        { p.frequencyValue.get(), { 416, 264, 45, 14 }, { 976, 696, 45, 14 } },
        { p.frequencyCaption.get(), { 243, 264, 61, 14 }, { 522, 696, 61, 14 } },
        { p.widthSlider.get(), { 307, 318, 103, 14 }, { 586, 750, 384, 14 } },
        { p.panCaption.get(), { 7, 318, 36, 14 }, { 7, 750, 36, 14 } },
        { p.presets.get(), { 479, 6, 50, 144 }, { 1039, 6, 50, 144 } },
        { p.presetInterpolationSlider.get(), { 9, 359, 541, 16 }, { 9, 791, 1101, 16 } },
        { p.gainSlider.get(), { 304, 5, 107, 16 }, { 304, 5, 667, 16 } },
        { p.playerRowsLeftFrame.get(), { 1, 260, 236, 77 }, { 1, 692, 515, 77 } },
        { p.playerRowsRightFrame.get(), { 237, 260, 237, 77 }, { 516, 692, 518, 77 } },
        { p.selectButtons[0], { 9, 6, 17, 14 }, { 9, 6, 17, 14 } },
        { p.selectButtons[7], { 163, 6, 17, 14 }, { 163, 6, 17, 14 } },
        { p.muteButtons[7], { 163, 23, 17, 14 }, { 163, 23, 17, 14 } },
        { p.resetButton.get(), { 187, 6, 38, 14 }, { 187, 6, 38, 14 } },
        { p.selectedPlayerLabel.get(), { 234, 5, 31, 32 }, { 234, 5, 31, 32 } },
        { p.undoButton.get(), { 481, 318, 36, 14 }, { 1041, 750, 36, 14 } },
        { p.midiBindPanel.get(), { 154, 380, 274, 52 }, { 434, 812, 274, 52 } },
        { p.logoButton.get(), { 511, 384, 47, 46 }, { 1071, 816, 47, 46 } },
        { p.bandsCaption.get(), { 201, -79, 36, 14 }, { 761, -79, 36, 14 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.c->getBounds(), c.at560) << (&c - cases);
    editor->setSize (1120, 864);
    for (const auto& c : cases)
        EXPECT_EQ (c.c->getBounds(), c.at1120) << (&c - cases);

    // The hidden children stay hidden whatever the size.
    for (auto* c : { static_cast<juce::Component*> (p.bandsCaption.get()), static_cast<juce::Component*> (p.oscButton.get()),
                     static_cast<juce::Component*> (p.midiBindPanel.get()), static_cast<juce::Component*> (p.oscConfigPanel.get()) })
        EXPECT_FALSE (c->isVisible());
}

TEST_F (DelayEditorTest, RefreshShowsTheActivePlayersAndTheSelectedOne)
{
    players ({ 2, 5 }, 5);
    open();
    auto& p = panel();
    EXPECT_EQ (p.selectedPlayerLabel->getText(), "5");
    for (int n = 0; n < 8; ++n)
    {
        const bool active = n == 1 || n == 4;
        EXPECT_EQ (p.display->getBar (n)->active, active) << n;
        EXPECT_EQ (p.display->getBar (n)->selected, n == 4) << n;
        EXPECT_EQ (p.muteButtons[n]->isVisible(), active) << n;
        EXPECT_EQ (p.selectButtons[n]->getToggleState(), active) << n;
    }
    // The player rows show player 5's values.
    EXPECT_EQ (p.frequencyValue->getText(), fx->getIndexedParameterText (RariZuz::pFrequency + 4));
    EXPECT_FLOAT_EQ ((float) p.frequencySlider->getValue(), fx->getIndexedParameter (RariZuz::pFrequency + 4));

    // A mute set on the engine reaches the button and the bar.
    fx->setQuietly (RariZuz::pMute + 1, 1.0f);
    refresh();
    EXPECT_TRUE (p.muteButtons[1]->getToggleState());
    EXPECT_TRUE (p.display->getBar (1)->muted);
    EXPECT_FALSE (p.display->getBar (4)->muted);

    // The bar is placed from the delay and frequency values.
    fx->setQuietly (RariZuz::pDelay + 4, 0.5f);
    fx->setQuietly (RariZuz::pFrequency + 4, 0.25f);
    refresh();
    EXPECT_NEAR (p.display->getBar (4)->cx, 0.75f, 1e-5f);
    EXPECT_NEAR (p.display->getBar (4)->cy, 0.75f, 1e-5f);
}

TEST_F (DelayEditorTest, ThePlayerGroupIsDisabledWithoutAnActivePlayer)
{
    players ({ 3 }, 3);
    open();
    auto& p = panel();
    auto groupEnabled = [&] (bool on) {
        for (int r = 0; r < 8; ++r)
            if (p.playerSliders[r]->isEnabled() != on || p.playerValues[r]->isEnabled() != on
                || p.playerAgitButtons[r]->isEnabled() != on)
                return false;
        return true;
    };
    EXPECT_TRUE (groupEnabled (true));
    fx->setQuietly (RariZuz::pActive + 2, 0.0f);
    refresh();
    EXPECT_TRUE (groupEnabled (false));
    EXPECT_EQ (p.selectedPlayerLabel->getText(), "");
    fx->setQuietly (RariZuz::pActive + 6, 1.0f);
    refresh();
    EXPECT_TRUE (groupEnabled (true));
}

TEST_F (DelayEditorTest, ButtonsFollowTheirParameters)
{
    open();
    auto& p = panel();
    fx->setQuietly (RariZuz::pGlobalReset, 1.0f);
    fx->setQuietly (RariZuz::pGlobalMute, 1.0f);
    fx->setQuietly (RariZuz::pAgitation, 1.0f);
    refresh();
    EXPECT_TRUE (p.resetButton->isDown());
    EXPECT_TRUE (p.muteAllButton->getToggleState());
    EXPECT_TRUE (p.agitationButton->getToggleState());
    fx->setQuietly (RariZuz::pGlobalReset, 0.0f);
    refresh();
    EXPECT_FALSE (p.resetButton->isDown());

    // Undo and redo follow the history.
    EXPECT_FALSE (p.undoButton->isEnabled());
    fx->beginParameterChangeGesture (RariZuz::pGain);
    fx->setParameterNotifyingHost (RariZuz::pGain, 0.2f);
    fx->endParameterChangeGesture (RariZuz::pGain);
    refresh();
    EXPECT_EQ (p.undoButton->isEnabled(), fx->canUndo());
    EXPECT_TRUE (p.undoButton->isEnabled());
    EXPECT_FALSE (p.redoButton->isEnabled());
}

TEST_F (DelayEditorTest, ChoosingAnAgitationLoadsItsKnobsAndLabels)
{
    fx->setQuietly (RariZuz::pAgitation1Ampl, 0.1f);
    fx->setQuietly (RariZuz::pAgitation3Ampl, 0.7f);
    fx->setQuietly (RariZuz::pAgitation3Speed, 0.4f);
    open();
    auto& p = panel();
    EXPECT_FLOAT_EQ ((float) p.agitationDepthKnob->getValue(), 0.1f);

    p.agitationPopup->setValue (2.0f, true);
    p.changeListenerCallback (p.agitationPopup.get());
    EXPECT_EQ (fx->currentAgitationGroup.load(), 2);
    refresh();
    EXPECT_FLOAT_EQ ((float) p.agitationDepthKnob->getValue(), 0.7f);
    EXPECT_FLOAT_EQ ((float) p.agitationSpeedKnob->getValue(), 0.4f);
    EXPECT_EQ (p.agitationDepthValue->getText(), fx->getIndexedParameterText (RariZuz::pAgitation3Ampl));
    EXPECT_EQ (p.agitationSpeedValue->getText(), fx->getIndexedParameterText (RariZuz::pAgitation3Speed));
    EXPECT_EQ (p.agitationPopup->getSelected(), 2);
}

TEST_F (DelayEditorTest, HighlightLightsTheControlsOfAParameter)
{
    players ({ 2, 3 }, 2);
    open();
    auto& p = panel();
    struct Case
    {
        long index;
        short type;
        std::function<juce::Colour()> colour;
        juce::Colour expected;
    } cases[] = {
        { 33, 2, [&] { return p.frequencySlider->getHighlightColour(); }, juce::Colours::lightgreen },
        { 33, 2, [&] { return p.frequencyValue->getHighlightColour(); }, juce::Colours::lightgreen },
        { 34, 0, [&] { return p.frequencySlider->getHighlightColour(); }, juce::Colours::transparentBlack },
        { 152, 0, [&] { return p.widthAgitButton->getHighlightColour(); }, juce::Colours::red },
        { 153, 0, [&] { return p.widthAgitButton->getHighlightColour(); }, juce::Colours::transparentBlack },
        { 0, 3, [&] { return p.presets->getHighlightColour(); }, juce::Colours::yellow },
        { 2, 1, [&] { return p.interpolationTimeSlider->getHighlightColour(); }, juce::Colours::cornflowerblue },
        { 75, 1, [&] { return p.selectButtons[3]->getHighlightColour(); }, juce::Colours::cornflowerblue },
        { 87, 0, [&] { return p.muteButtons[7]->getHighlightColour(); }, juce::Colours::red },
        { 160, 2, [&] { return p.agitationDepthValue->getHighlightColour(); }, juce::Colours::lightgreen },
        { 161, 2, [&] { return p.agitationSpeedValue->getHighlightColour(); }, juce::Colours::lightgreen },
        { 94, 3, [&] { return p.mixAgitButton->getHighlightColour(); }, juce::Colours::yellow },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (editor->SetControlHighliteInfo (c.index, 1, c.type), 0);
        EXPECT_EQ (c.colour(), c.expected) << c.index;
        editor->SetControlHighliteInfo (c.index, 0, c.type);
        EXPECT_EQ (c.colour(), juce::Colours::transparentBlack) << c.index;
    }
    // The agitation knobs never light; 23 and indexes above 162 do nothing.
    editor->SetControlHighliteInfo (90, 1, 0);
    EXPECT_EQ (p.agitationDepthValue->getHighlightColour(), juce::Colours::red);
    editor->SetControlHighliteInfo (90, 0, 0);
    for (const long index : { 23L, 200L, 201L, -3L })
        EXPECT_EQ (editor->SetControlHighliteInfo (index, 1, 0), 0);
    EXPECT_EQ (p.smoothnessKnob->findColour (juce::Slider::thumbColourId), juce::Colour (0xffdcfdfdu));
}

TEST_F (DelayEditorTest, ControlsMapToTheirParameters)
{
    players ({ 3 }, 3);
    fx->currentAgitationGroup = 1;
    open();
    auto& p = panel();
    const std::pair<juce::Component*, int> cases[] = {
        { p.gainSlider.get(), 5 },           { p.gainValue.get(), 5 },
        { p.mixSlider.get(), 6 },            { p.mixValue.get(), -1 },
        { p.amplitudeSlider.get(), 9 },      { p.widthValue.get(), 66 },
        { p.delaySlider.get(), 26 },         { p.widthAgitButton.get(), 153 },
        { p.amplitudeAgitButton.get(), 97 }, { p.presetInterpolationSlider.get(), 1 },
        { p.interpolationTimeSlider.get(), 2 }, { p.interpolationTimeValue.get(), -1 },
        { p.agitationDepthKnob.get(), 159 }, { p.agitationSpeedValue.get(), 161 },
        { p.selectButtons[5], 77 },          { p.muteButtons[0], 80 },
        { p.resetButton.get(), 88 },         { p.muteAllButton.get(), 89 },
        { p.agitationButton.get(), 92 },     { p.gainAgitButton.get(), 93 },
        { p.presets.get(), 0 },              { p.smoothnessKnob.get(), -1 },
        { p.memoryButton.get(), -1 },        { p.display.get(), -1 },
        { p.amplitudeCaption.get(), -1 },    { editor.get(), -1 },
    };
    for (const auto& [control, index] : cases)
        EXPECT_EQ (editor->getControlParameterIndex (*control), index) << control->getName();

    // Without an active player the player controls stand for nothing.
    fx->setQuietly (RariZuz::pActive + 2, 0.0f);
    EXPECT_EQ (editor->getControlParameterIndex (*p.widthAgitButton), -1);
    EXPECT_EQ (editor->getControlParameterIndex (*p.amplitudeSlider), -1);
}

TEST_F (DelayEditorTest, OscIdentityLightsTheOscButtonForTwoSeconds)
{
    open();
    fx->oscHighlight = true;
    refresh();
    EXPECT_FALSE (fx->oscHighlight.load());
    EXPECT_EQ (panel().oscButton->getHighlightColour(), juce::Colours::red);
    EXPECT_TRUE (guitest::pumpUntil ([&] { return panel().oscButton->getHighlightColour() == juce::Colours::transparentBlack; }, 4000));

    // An editor closed before the two seconds is never touched (ASan).
    fx->oscHighlight = true;
    refresh();
    editor.reset();
    guitest::pumpMessages (2300);
    SUCCEED();
}

TEST_F (DelayEditorTest, TheTickScrollsTheDisplayWithProcessedFrames)
{
    open();
    fx->prepareToPlay (44100.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    juce::Random random (7);
    for (int block = 0; block < 40; ++block)
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                buffer.setSample (c, i, random.nextFloat() - 0.5f);
        const juce::ScopedLock lock (fx->getCallbackLock());
        fx->processBlock (buffer, midi);
    }
    editor->timerCallback();
    const auto& line = fx->getDisplayLine();
    const auto& sonogram = panel().display->getSonogram();
    ASSERT_GT (line.getCount(), 0u);
    EXPECT_EQ (sonogram.getWidth(), (int) line.getCount());
    EXPECT_EQ (sonogram.getHeight(), (int) line.getLength() / 2);
    bool lit = false;
    for (int y = 0; y < sonogram.getHeight(); ++y)
        lit = lit || sonogram.getPixelAt (sonogram.getWidth() - 1, y) != juce::Colours::black;
    EXPECT_TRUE (lit);
    fx->releaseResources();
}

TEST_F (DelayEditorTest, TheMidiLearnPanelIsRefreshedOnlyWhileItShows)
{
    open();
    auto& p = panel();
    fx->setMidiBind (true);
    fx->setParameterNotifyingHost (RariZuz::pMix, 0.4f);
    refresh();
    EXPECT_NE (p.midiBindPanel->parameterValue->getText(), fx->getCurrentParameterName());
    p.midiBindPanel->setVisible (true);
    refresh();
    EXPECT_EQ (p.midiBindPanel->parameterValue->getText(), fx->getCurrentParameterName());
    fx->setMidiBind (false);
}
