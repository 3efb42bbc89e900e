// The editor shell: creation through the engine, stored sizes, zoom, the
// constrainer, the host highlight colours and the one-step increments.
#include "DelayEditorFixture.h"
#include "RariZuzValues.h"
#include "Utilities.h"

#include <cmath>
#include <cstring>
#include <limits>

TEST_F (DelayEditorTest, TheEngineCreatesThisEditorOnceInstalled)
{
    EXPECT_TRUE (fx->hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> made (fx->createEditor());
    auto* e = dynamic_cast<RariZuzEditor*> (made.get());
    ASSERT_NE (e, nullptr);
    EXPECT_EQ (e->getWidth(), 560);
    EXPECT_EQ (e->getHeight(), 432);
    EXPECT_EQ (e->defaultWidth, 560);
    EXPECT_EQ (e->defaultHeight, 432);

    // Hosts and the application window read the library's constrainer.
    juce::AudioProcessorEditor& asLibraryEditor = *e;
    EXPECT_EQ (asLibraryEditor.getConstrainer(), &e->constrainer);
    EXPECT_EQ (e->getConstrainer(), &e->constrainer);
    EXPECT_EQ (e->constrainer.getMinimumWidth(), 560);
    EXPECT_EQ (e->constrainer.getMinimumHeight(), 432);
    EXPECT_EQ (e->constrainer.ratioComponent, &e->panel);
    ASSERT_NE (e->resizer, nullptr);
    EXPECT_EQ (e->resizer->getBounds(), juce::Rectangle<int> (548, 420, 12, 12));
}

TEST_F (DelayEditorTest, StoredSizesAreBoundedBeforeTheEditorOpens)
{
    constexpr int64_t huge = std::numeric_limits<int64_t>::max();
    struct Case
    {
        int64_t w, h, openW, openH;
    } cases[] = {
        { 0, 0, 560, 432 },          { 300, 2000, 560, 2000 },     { 5000, 300, 560, 432 },
        { 700, 500, 700, 500 },      { 4000, 4000, 4000, 4000 },   { 4001, 900, 560, 432 },
        { -1, 900, 560, 432 },       { huge, huge, 560, 432 },     { 800, huge, 800, 432 },
        { 800, 4001, 800, 432 },     { 800, -5, 800, 432 },        { std::numeric_limits<int64_t>::min(), 0, 560, 432 },
    };
    for (const auto& c : cases)
    {
        fx->savedEditorWidth = c.w;
        fx->savedEditorHeight = c.h;
        open();
        EXPECT_EQ (editor->getWidth(), c.openW) << c.w << " x " << c.h;
        EXPECT_EQ (editor->getHeight(), c.openH) << c.w << " x " << c.h;
        EXPECT_EQ (fx->savedEditorWidth.load(), c.openW);
        EXPECT_EQ (fx->savedEditorHeight.load(), c.openH);
        EXPECT_EQ (editor->panel.getBounds(), editor->getLocalBounds());
    }
}

TEST_F (DelayEditorTest, ResizingStoresTheSizeDividedByTheScale)
{
    open();
    editor->scale = 1.5f;
    editor->setSize (840, 648);
    EXPECT_EQ (fx->savedEditorWidth.load(), 560);
    EXPECT_EQ (fx->savedEditorHeight.load(), 432);
    EXPECT_EQ (editor->panel.getWidth(), 840);
    EXPECT_EQ (editor->resizer->getPosition(), juce::Point<int> (828, 636));
}

TEST_F (DelayEditorTest, ZoomStepsComeBackToTheStoredSizeExactly)
{
    open();
    editor->scale = 1.0f;
    for (int k = 0; k < 30; ++k)
        editor->incrScale();
    EXPECT_GT (editor->getWidth(), 2000);
    EXPECT_EQ (fx->savedEditorWidth.load(), 560);
    for (int k = 0; k < 30; ++k)
        editor->decrScale();
    EXPECT_EQ (editor->getWidth(), 560);
    EXPECT_EQ (editor->getHeight(), 432);
    EXPECT_EQ (fx->savedEditorWidth.load(), 560);
    EXPECT_EQ (fx->savedEditorHeight.load(), 432);
}

TEST_F (DelayEditorTest, HostColoursMapToTheHighlightTypes)
{
    const std::pair<juce::Colour, short> cases[] = {
        { juce::Colours::red, 0 },    { juce::Colours::blue, 1 },   { juce::Colours::green, 2 },
        { juce::Colours::yellow, 3 }, { juce::Colours::orange, 0 }, { juce::Colours::blue.withAlpha (0.5f), 0 },
        { juce::Colours::lime, 0 },
    };
    for (const auto& [colour, type] : cases)
        EXPECT_EQ (RariZuzEditor::highlightTypeFor (colour), type) << colour.toDisplayString (true);

    open();
    editor->setControlHighlight ({ RariZuz::pGain, true, juce::Colours::blue });
    EXPECT_EQ (editor->panel.gainSlider->getHighlightColour(), juce::Colours::cornflowerblue);
    EXPECT_EQ (editor->panel.gainValue->getHighlightColour(), juce::Colours::cornflowerblue);
    editor->setControlHighlight ({ RariZuz::pMix, true, juce::Colours::orange });
    EXPECT_EQ (editor->panel.mixSlider->getHighlightColour(), juce::Colours::red);
    editor->setControlHighlight ({ RariZuz::pGain, false, juce::Colours::blue });
    EXPECT_EQ (editor->panel.gainSlider->getHighlightColour(), juce::Colours::transparentBlack);
}

namespace
{
using Step = void (*) (char*, bool);
using Read = void (*) (const char*, float*);

// The value the editor should send: the helper applied to the current text.
float expectedStep (RariZuz& fx, int index, Step step, Read read, bool big)
{
    char text[valueTextSize] {};
    const auto s = fx.getIndexedParameterText (index).toStdString();
    std::memcpy (text, s.data(), std::min<std::size_t> (s.size(), 17));
    step (text, big);
    float v = fx.getIndexedParameter (index);
    read (text, &v);
    return Clip (0.0f, 1.0f, v);
}

struct ScopedCommandKey
{
    explicit ScopedCommandKey (bool on)
    {
        juce::ModifierKeys::currentModifiers = on ? juce::ModifierKeys (juce::ModifierKeys::commandModifier)
                                                  : juce::ModifierKeys();
    }
    ~ScopedCommandKey() { juce::ModifierKeys::currentModifiers = juce::ModifierKeys(); }
};
} // namespace

TEST_F (DelayEditorTest, OneStepUsesTheParametersFamilyAndTheBigStepWithCtrl)
{
    struct Case
    {
        int index;
        float start;
        Step inc, dec;
        Read read;
    } cases[] = {
        { RariZuz::pInterSpeed, 0.3f, IncInterSpeed, DecInterSpeed, InterSpeedStrToFloat },
        { RariZuz::pGain, 0.5f, IncGainAC, DecGainAC, GainACStrToFloat },
        { RariZuz::pMix, 0.5f, IncPerCent, DecPerCent, PerCentStrToFloat },
        { RariZuz::pAmplitude + 1, 0.5f, IncAmplitude, DecAmplitude, AmplitudeStrToFloat },
        { RariZuz::pFeedback + 7, 0.5f, IncPerCent, DecPerCent, PerCentStrToFloat },
        { RariZuz::pDelay + 3, 0.5f, IncDelay, DecDelay, DelayStrToFloat },
        { RariZuz::pFrequency, 0.5f, IncFreq, DecFreq, FreqStrToFloat },
        { RariZuz::pLength + 2, 0.5f, IncPerCent, DecPerCent, PerCentStrToFloat },
        { RariZuz::pAngle + 4, 0.5f, IncAngle, DecAngle, AngleStrToFloat },
        { RariZuz::pPan + 5, 0.5f, IncPan, DecPan, PanStrToFloat },
        { RariZuz::pWidth + 6, 0.5f, IncWidth, DecWidth, WidthStrToFloat },
        { RariZuz::pAgitation2Ampl, 0.5f, IncAgitationAmpl, DecAgitationAmpl, AgitationAmplStrToFloat },
        { RariZuz::pAgitation3Speed, 0.5f, IncAgitationSpeed, DecAgitationSpeed, AgitationSpeedStrToFloat },
    };
    open();
    for (const auto& c : cases)
    {
        for (const bool big : { false, true })
        {
            for (const bool up : { true, false })
            {
                fx->setQuietly (c.index, c.start);
                const float expected = expectedStep (*fx, c.index, up ? c.inc : c.dec, c.read, big);
                {
                    ScopedCommandKey command (big);
                    if (up)
                        editor->IncrParametre (c.index);
                    else
                        editor->DecrParametre (c.index);
                }
                EXPECT_FLOAT_EQ (fx->getIndexedParameter (c.index), expected)
                    << c.index << (big ? " big" : "") << (up ? " up" : " down");
                EXPECT_NE (fx->getIndexedParameter (c.index), c.start) << c.index;
                // A value step opens no gesture: the label's drag does.
                for (const auto& line : fx->takeLog())
                    EXPECT_EQ (line.rfind ("set ", 0), 0u) << line;
            }
        }
    }
}

TEST_F (DelayEditorTest, SyncedParametersStepTheirSyncAndOthersStepNothing)
{
    open();
    ASSERT_TRUE (fx->SetSyncMode (RariZuz::pDelay, true));
    fx->takeLog();
    editor->DecrParametre (RariZuz::pDelay);
    editor->IncrParametre (RariZuz::pDelay);
    EXPECT_EQ (fx->takeLog(), (std::vector<std::string> { "decsync 24", "incsync 24" }));

    for (const long index : { 23L, 3L, 4L, 72L, 88L, 163L, 201L, 216L, -1L, 100000L })
    {
        editor->IncrParametre (index);
        editor->DecrParametre (index);
        EXPECT_TRUE (fx->takeLog().empty()) << index;
    }
}

TEST_F (DelayEditorTest, AnEditorOpenedByTheEngineInAWindowFollowsItsTicksAndChanges)
{
    auto* opened = dynamic_cast<RariZuzEditor*> (fx->createEditorIfNeeded());
    ASSERT_NE (opened, nullptr);
    opened->addToDesktop (juce::ComponentPeer::windowHasTitleBar);
    opened->setVisible (true);
    ASSERT_NE (opened->getPeer(), nullptr);
    EXPECT_EQ (opened->getPeer()->getConstrainer(), &opened->constrainer);

    // A value set elsewhere (MIDI, OSC, automation) shows after the next ticks.
    fx->setParameterNotifyingHost (RariZuz::pMix, 0.25f);
    const auto mixText = fx->getIndexedParameterText (RariZuz::pMix);
    EXPECT_TRUE (guitest::pumpUntil ([&] { return opened->panel.mixValue->getText() == mixText; }));

    // The engine's ticks scroll the sonogram with the frames it processed.
    fx->prepareToPlay (44100.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    for (int block = 0; block < 16; ++block)
    {
        for (int i = 0; i < 512; ++i)
        {
            const float s = 0.5f * std::sin (0.05f * (float) (block * 512 + i));
            buffer.setSample (0, i, s);
            buffer.setSample (1, i, s);
        }
        const juce::ScopedLock lock (fx->getCallbackLock());
        fx->processBlock (buffer, midi);
    }
    const auto& line = fx->getDisplayLine();
    EXPECT_TRUE (guitest::pumpUntil ([&] { return opened->panel.display->getSonogram().getWidth() == (int) line.getCount(); }));

    fx->editorBeingDeleted (opened);
    delete opened;
    fx->releaseResources();
    EXPECT_EQ (fx->getActiveEditor(), nullptr);
}
