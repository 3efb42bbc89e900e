// The crunch editor shell and the panel's layout and refresh, over a real
// crunch effect.
#include "CrunchEditorTestSupport.h"

#include "Highlight.h"
#include "Utilities.h"

using namespace crunchtest;
using namespace guitest;

TEST_F (CrunchEditorTest, StoredSizeIsBoundedAndRaisedToTheDefault)
{
    closeEditor();
    struct Row { int64_t w, h; int openW, openH; };
    const Row rows[] = {
        { 0, 0, 520, 380 },          { 300, 1000, 520, 1000 },     { 4001, 500, 520, 380 },
        { 800, 600, 800, 600 },      { 800, 0, 800, 380 },         { 800, -7, 800, 380 },
        { 800, 4001, 520, 380 },     { 800, INT64_MAX, 520, 380 }, { -1, 500, 520, 380 },
        { INT64_MIN, 500, 520, 380 }, { 4000, 4000, 4000, 4000 },
    };
    for (const auto& r : rows)
    {
        fx.savedEditorWidth = r.w;
        fx.savedEditorHeight = r.h;
        ZuveruvaEditor e (&fx);
        EXPECT_EQ (e.getWidth(), r.openW) << r.w << " x " << r.h;
        EXPECT_EQ (e.getHeight(), r.openH) << r.w << " x " << r.h;
        EXPECT_EQ (fx.savedEditorWidth.load(), r.openW);
        EXPECT_EQ (fx.savedEditorHeight.load(), r.openH);
        EXPECT_EQ (e.panel.getBounds(), e.getLocalBounds());
    }
}

TEST_F (CrunchEditorTest, ResizeStoresTheUnscaledSizeWithoutDrift)
{
    editor->scale = 1.5f;
    editor->setSize (780, 570);
    EXPECT_EQ (fx.savedEditorWidth.load(), 520);
    EXPECT_EQ (fx.savedEditorHeight.load(), 380);

    // A scale reached by five 0.1 steps in single precision.
    float stepped = 1.0f;
    for (int i = 0; i < 5; ++i)
        stepped += 0.1f;
    editor->scale = stepped;
    editor->setSize (1040, 760);
    editor->setSize (780, 570);
    EXPECT_EQ (fx.savedEditorWidth.load(), 520);
    EXPECT_EQ (fx.savedEditorHeight.load(), 380);
    EXPECT_EQ (editor->panel.getWidth(), 780);
    EXPECT_EQ (editor->resizer->getBounds(), juce::Rectangle<int> (768, 558, 12, 12));

    // Hosts see the limits and that the editor may be resized.
    EXPECT_TRUE (editor->isResizable());
    EXPECT_EQ (editor->juce::AudioProcessorEditor::getConstrainer(), &editor->constrainer);
    EXPECT_EQ (editor->constrainer.getMinimumWidth(), 520);
    EXPECT_EQ (editor->constrainer.getMinimumHeight(), 380);
}

TEST_F (CrunchEditorTest, RestoredStateResizesTheOpenEditorWithinBounds)
{
    using namespace zuveruva_test;
    struct Row { int w, h, openW, openH; };
    // A chunk's record clears sizes beyond its range (the editor keeps its
    // size); what is left is bounded and raised to the minimum.
    for (const auto& r : { Row { 700, 500, 700, 500 }, Row { 100000, 500, 700, 500 }, Row { 700, 90000, 700, 500 },
                           Row { 300, 200, 520, 380 }, Row { 3000, 3999, 3000, 3999 } })
    {
        Zuveruva other;
        other.savedEditorWidth = r.w;
        other.savedEditorHeight = r.h;
        juce::MemoryBlock chunk;
        other.getCurrentProgramStateInformation (chunk);
        fx.setCurrentProgramStateInformation (chunk.getData(), (int) chunk.getSize());
        guitest::pumpMessages (120);
        EXPECT_EQ (editor->getWidth(), r.openW) << r.w << " x " << r.h;
        EXPECT_EQ (editor->getHeight(), r.openH) << r.w << " x " << r.h;
    }
}

TEST_F (CrunchEditorTest, ValueLabelStepsFollowTheParameterFamilies)
{
    auto expectedStep = [this] (int i, bool big)
    {
        char text[18];
        std::strncpy (text, fx.getIndexedParameterText (i).toRawUTF8(), 17);
        text[17] = 0;
        IncGain24 (text, big);
        float v = -1.0f;
        Gain24StrToFloat (text, &v);
        return v;
    };

    fx.setIndexedParameter (Zuveruva::kGain, 0.5f);
    const float small = expectedStep (Zuveruva::kGain, false);
    const float big = expectedStep (Zuveruva::kGain, true);
    ASSERT_NE (small, big);

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::commandModifier);
    editor->IncrParametre (Zuveruva::kGain);
    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kGain), big);

    fx.setIndexedParameter (Zuveruva::kGain, 0.5f);
    editor->IncrParametre (Zuveruva::kGain);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kGain), small);

    // A tempo-synced agitation speed steps through the sync table.
    Zuveruva reference;
    ASSERT_TRUE (fx.SetSyncMode (Zuveruva::kAgitation1Speed, true));
    ASSERT_TRUE (reference.SetSyncMode (Zuveruva::kAgitation1Speed, true));
    reference.IncSync (Zuveruva::kAgitation1Speed);
    editor->IncrParametre (Zuveruva::kAgitation1Speed);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kAgitation1Speed), reference.getIndexedParameter (Zuveruva::kAgitation1Speed));
    EXPECT_NE (fx.getIndexedParameterText (Zuveruva::kAgitation1Speed), Zuveruva().getIndexedParameterText (Zuveruva::kAgitation1Speed));

    // Bands (and any index outside the table) steps nothing.
    fx.recording = true;
    for (long i : { 4L, 0L, -1L, 37L, 1000L })
    {
        editor->IncrParametre (i);
        editor->DecrParametre (i);
    }
    EXPECT_TRUE (fx.takeLog().empty());
}

TEST_F (CrunchEditorTest, LayoutFollowsThePanelSize)
{
    struct Row { int W, H; juce::Component* c; juce::Rectangle<int> r; };
    auto& p = panel();
    const Row rows[] = {
        { 520, 380, p.zuveruvaView.get(), { 8, 114, 346, 164 } },
        { 520, 380, p.auxPlayer.get(), { 9, 23, 346, 65 } },
        { 520, 380, p.balanceSlider.get(), { 185, 6, 129, 16 } },
        { 520, 380, p.sampleButton.get(), { 197, 94, 78, 14 } },
        { 520, 380, p.bandsPopup.get(), { 314, 94, 40, 14 } },
        { 520, 380, p.gainSlider.get(), { 368, 120, 12, 138 } },
        { 520, 380, p.mixSlider.get(), { 402, 120, 12, 138 } },
        { 520, 380, p.presets.get(), { 439, 6, 50, 144 } },
        { 520, 380, p.presetInterpolationSlider.get(), { 10, 307, 501, 16 } },
        { 520, 380, p.midiBindPanel.get(), { 124, 328, 274, 52 } },
        { 520, 380, p.amplitudeValue.get(), { 57, 94, 31, 14 } },
        { 520, 380, p.logoButton.get(), { 471, 332, 47, 46 } },
        { 1040, 760, p.zuveruvaView.get(), { 8, 114, 866, 544 } },
        { 1040, 760, p.balanceSlider.get(), { 185, 6, 649, 16 } },
        { 1040, 760, p.sampleButton.get(), { 197, 94, 598, 14 } },
        { 1040, 760, p.midiBindPanel.get(), { 384, 708, 274, 52 } },
        { 1040, 760, p.amplitudeValue.get(), { 57, 94, 31, 14 } },
        { 1040, 760, p.frequencyAgitButton.get(), { 180, 94, 8, 14 } },
        { 1040, 760, p.bandsPopup.get(), { 834, 94, 40, 14 } },
        { 1040, 760, p.oscConfigPanel.get(), { 384, 708, 274, 52 } },
    };
    for (const auto& r : rows)
    {
        editor->setSize (r.W, r.H);
        EXPECT_EQ (r.c->getBounds(), r.r) << r.W << " x " << r.H << " " << r.c->getName();
    }

    // Hidden from the start and never shown by the panel.
    EXPECT_FALSE (p.midiBindPanel->isVisible());
    EXPECT_FALSE (p.oscConfigPanel->isVisible());
    EXPECT_FALSE (p.oscButton->isVisible());
    EXPECT_FALSE (p.undoButton->isEnabled());
}

TEST_F (CrunchEditorTest, FirstRefreshFillsEveryControl)
{
    auto& p = panel();
    EXPECT_EQ (p.gainValue->getText(), fx.getIndexedParameterText (Zuveruva::kGain));
    EXPECT_EQ (p.gainSlider->getValue(), (double) fx.getIndexedParameter (Zuveruva::kGain));
    EXPECT_EQ (p.amplitudeValue->getText(), fx.getIndexedParameterText (Zuveruva::kAmplitude));
    EXPECT_FLOAT_EQ ((float) p.zuveruvaView->valueX, fx.getIndexedParameter (Zuveruva::kAmplitude));
    EXPECT_FLOAT_EQ ((float) p.zuveruvaView->valueY, fx.getIndexedParameter (Zuveruva::kFrequency));
    EXPECT_EQ (p.bandsPopup->getText(), juce::String (fx.getFrameSize() / 2));
    EXPECT_EQ (p.agitationPopup->getText(), "Agitation 1");
    EXPECT_EQ (p.auxPopup->getText(), "No Aux");
    EXPECT_FLOAT_EQ (p.zuveruvaView->defaultX, fx.getIndexedDefaultValue (Zuveruva::kAmplitude));
    EXPECT_FLOAT_EQ (p.gainSlider->defaultValue, fx.getIndexedDefaultValue (Zuveruva::kGain));
}

TEST_F (CrunchEditorTest, SelectedAgitationPicksTheKnobsParameters)
{
    auto& p = panel();
    const int depth[] = { 20, 30, 31, 32 }, speed[] = { 21, 33, 34, 35 };
    for (int s = 0; s < 4; ++s)
    {
        fx.setIndexedParameter (depth[s], 0.1f + 0.2f * (float) s);
        fx.setIndexedParameter (speed[s], 0.15f + 0.2f * (float) s);
    }
    for (int s = 0; s < 4; ++s)
    {
        settle();
        fx.currentAgitationGroup = s;
        fx.setAgitationControlsChanged (true);
        p.updateParametersFromFilter();
        EXPECT_FLOAT_EQ ((float) p.agitationDepthKnob->getValue(), fx.getIndexedParameter (depth[s])) << s;
        EXPECT_FLOAT_EQ ((float) p.agitationSpeedKnob->getValue(), fx.getIndexedParameter (speed[s])) << s;
        EXPECT_EQ (p.agitationDepthValue->getText(), fx.getIndexedParameterText (depth[s])) << s;
        EXPECT_EQ (p.agitationSpeedValue->getText(), fx.getIndexedParameterText (speed[s])) << s;
        EXPECT_EQ (p.agitationPopup->getText(), "Agitation " + juce::String (s + 1));
        EXPECT_EQ (p.getControlParameterIndex (*p.agitationSpeedKnob), speed[s]);
        EXPECT_EQ (p.getControlParameterIndex (*p.agitationDepthValue), depth[s]);
    }
}

TEST_F (CrunchEditorTest, RefreshShowsOnlyWhatChanged)
{
    auto& p = panel();
    settle();
    p.gainValue->setText ("stale", false);
    fx.setIndexedParameter (Zuveruva::kMix, 0.25f);
    fx.setIndexedParameter (Zuveruva::kSample, 1.0f);
    p.updateParametersFromFilter();
    EXPECT_EQ (p.gainValue->getText(), "stale");  // gain did not change
    EXPECT_EQ (p.mixValue->getText(), fx.getIndexedParameterText (Zuveruva::kMix));
    EXPECT_EQ (p.sampleButton->getState(), juce::Button::buttonDown);

    fx.setIndexedParameter (Zuveruva::kSample, 0.0f);
    fx.setIndexedParameter (Zuveruva::kAgitation, 1.0f);
    fx.setIndexedParameter (Zuveruva::kMixAgit, AgitationIDValueFromStateAndID (true, 2));
    p.updateParametersFromFilter();
    EXPECT_EQ (p.sampleButton->getState(), juce::Button::buttonNormal);
    EXPECT_TRUE (p.agitationButton->getToggleState());
    EXPECT_TRUE (p.mixAgitButton->getToggleState());
    EXPECT_FLOAT_EQ (p.mixAgitButton->getAgitationID(), fx.getIndexedParameter (Zuveruva::kMixAgit));
}

TEST_F (CrunchEditorTest, SourcePopupOffersWhatTheEffectCanUse)
{
    using namespace zuveruva_test;
    auto& p = panel();
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    auto offered = [&]
    {
        p.updateZuveruvaView();
        press (*p.auxPopup, 5, 5);
        std::vector<bool> on;
        for (auto& i : menus.items)
            if (! i.separator)
                on.push_back (i.enabled);
        return on;
    };

    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    EXPECT_EQ (offered(), (std::vector<bool> { true, false, false, true }));

    // A side chain fed by the host; then a file that exists.
    ASSERT_TRUE (prepare (fx, 2, 2, 512));
    Render r;
    r.in = { sine (2048, 440.0), sine (2048, 440.0) };
    r.sideChain = { sine (2048, 330.0), sine (2048, 330.0) };
    r.run (fx);
    const auto file = writeWav (juce::File::createTempFile (".wav"), 1, 4410, 440.0);
    fx.loadAuxFile (file.getFullPathName());
    EXPECT_EQ (offered(), (std::vector<bool> { true, true, true, true }));

    file.deleteFile();
    EXPECT_EQ (offered()[1], false);
}

TEST_F (CrunchEditorTest, ANewAuxiliaryFileOpensOnceInThePlayer)
{
    using namespace zuveruva_test;
    auto& p = panel();
    p.updateParametersFromFilter();
    EXPECT_EQ (p.auxFileOpens, 0);  // no file on either side

    const auto a = writeWav (juce::File::createTempFile (".wav"), 2, 4410, 440.0);
    const auto b = writeWav (juce::File::createTempFile (".wav"), 1, 4410, 220.0);
    fx.loadAuxFile (a.getFullPathName());
    p.updateParametersFromFilter();
    p.updateParametersFromFilter();
    EXPECT_EQ (p.auxFileOpens, 1);
    EXPECT_EQ (p.auxPlayer->getCurrentFile(), a);

    p.actionListenerCallback ("Open " + b.getFullPathName());  // as a drop on the player
    guitest::pumpMessages (20);
    p.updateParametersFromFilter();
    EXPECT_EQ (p.auxFileOpens, 2);
    EXPECT_EQ (p.auxPlayer->getCurrentFile(), b);
    a.deleteFile();
    b.deleteFile();
}

TEST_F (CrunchEditorTest, HighlightAndControlMapFollowTheirTables)
{
    auto& p = panel();
    using Lit = std::vector<juce::Component*>;
    struct Row { long index; Lit lit; };
    const Row rows[] = {
        { 31, { p.agitationDepthValue.get() } }, { 20, { p.agitationDepthValue.get() } },
        { 34, { p.agitationSpeedValue.get() } },
        { 2, { p.interpolationTimeSlider.get(), p.interpolationTimeValue.get() } },
        { 8, { p.gainSlider.get(), p.gainValue.get() } }, { 14, { p.sampleButton.get() } },
        { 28, { p.auxDepthAgitButton.get() } }, { 0, { p.presets.get() } }, { 5, { p.amplitudeValue.get() } },
        { 4, {} }, { 29, {} }, { 11, {} }, { 36, {} }, { -3, {} },
    };
    auto colourOf = [] (juce::Component* c)
    {
        if (auto* l = dynamic_cast<MyJuceLabel*> (c)) return l->getHighlightColour();
        if (auto* s = dynamic_cast<MyJuceSlider*> (c)) return s->getHighlightColour();
        if (auto* b = dynamic_cast<MyJuceSimpleTextButton*> (c)) return b->getHighlightColour();
        if (auto* a = dynamic_cast<MySelectAgitButton*> (c)) return a->getHighlightColour();
        if (auto* q = dynamic_cast<MyJucePopup*> (c)) return q->getHighlightColour();
        if (auto* r = dynamic_cast<MyJucePresets*> (c)) return r->getHighlightColour();
        return juce::Colours::transparentBlack;
    };
    auto litControls = [&]
    {
        std::vector<juce::Component*> lit;
        for (auto* c : p.getChildren())
            if (IsHighlightVisible (colourOf (c)))
                lit.push_back (c);
        return lit;
    };
    for (int s : { 0, 2 })
    {
        fx.currentAgitationGroup = s;
        for (const auto& r : rows)
        {
            EXPECT_EQ (editor->SetControlHighliteInfo (r.index, 1, 2), 0);
            EXPECT_EQ (litControls(), r.lit) << r.index;
            editor->SetControlHighliteInfo (r.index, 0, 2);
            EXPECT_TRUE (litControls().empty());
        }
    }

    // The host's highlight colours: blue, green, yellow, and red for anything else.
    editor->setControlHighlight ({ 8, true, juce::Colours::yellow });
    EXPECT_EQ (p.gainValue->getHighlightColour(), juce::Colours::yellow);
    editor->setControlHighlight ({ 8, true, juce::Colours::pink });
    EXPECT_EQ (p.gainValue->getHighlightColour(), juce::Colours::red);

    fx.currentAgitationGroup = 2;
    struct MapRow { juce::Component* c; int index; };
    const MapRow map[] = {
        { p.agitationSpeedKnob.get(), 34 }, { p.agitationDepthKnob.get(), 31 }, { p.zuveruvaView.get(), 5 },
        { p.interpolationTimeValue.get(), -1 }, { p.amplitudeValue.get(), -1 }, { p.balanceAgitButton.get(), -1 },
        { p.auxPopup.get(), -1 }, { p.bandsPopup.get(), 4 }, { p.presets.get(), 0 }, { p.mixAgitButton.get(), 25 },
        { p.auxDepthValue.get(), 13 }, { p.superPreset.get(), -1 }, { p.auxPlayer.get(), -1 },
    };
    for (const auto& m : map)
        EXPECT_EQ (editor->getControlParameterIndex (*m.c), m.index) << m.c->getName();
}

TEST_F (CrunchEditorTest, OscIdentifyHighlightClearsLaterEvenWithoutThePanel)
{
    auto& p = panel();
    fx.oscHighlight = true;
    p.updateParametersFromFilter();
    EXPECT_EQ (p.oscButton->getHighlightColour(), juce::Colours::red);
    EXPECT_FALSE (fx.oscHighlight.load());

    fx.oscHighlight = true;
    p.updateParametersFromFilter();
    closeEditor();  // the delayed clears now find no panel
    guitest::pumpMessages (2200);
    SUCCEED();
}
