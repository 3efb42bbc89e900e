// The base editor: refresh on change messages, typed text, size and scale,
// highlight forwarding, the shared look-and-feel and the bounds constrainer.
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
// An editor with nothing but the base's behaviour.
class BareEditor : public MyEditor
{
public:
    using MyEditor::MyEditor;
    void updateParametersFromFilter() override { ++refreshes; }
    int refreshes = 0;
};
} // namespace

TEST (MyEditor, BaseHooksDoNothingAndRefreshOnEveryChangeMessage)
{
    SpyEffect effect;
    BareEditor editor (&effect);

    EXPECT_EQ (editor.SetControlHighliteInfo (0, 1, 0), 0);
    EXPECT_EQ (editor.getUIWidth(), 0);
    EXPECT_EQ (editor.getUIHeight(), 0);
    EXPECT_EQ (editor.getConstrainer(), nullptr);
    // The library's wrappers and windows read the library's getConstrainer.
    juce::AudioProcessorEditor& asLibraryEditor = editor;
    EXPECT_EQ (asLibraryEditor.getConstrainer(), &editor.constrainer);
    editor.IncrParametre (0);
    editor.DecrParametre (0);
    EXPECT_TRUE (effect.takeLog().empty());

    effect.sendSynchronousChangeMessage();
    effect.sendSynchronousChangeMessage();
    EXPECT_EQ (editor.refreshes, 2);

    // A plug-in's constrainer adds no height margin; the application's adds 20.
    EXPECT_EQ (editor.constrainer.extraHeight, 0);
    EXPECT_EQ (editor.scale, juce::Desktop::getInstance().getGlobalScaleFactor());
}

TEST (MyEditor, StopsListeningWhenDeleted)
{
    SpyEffect effect;
    {
        BareEditor editor (&effect);
    }
    effect.sendSynchronousChangeMessage();  // would reach a deleted editor (ASan)
    SUCCEED();
}

TEST (MyEditor, FirstRefreshUpdatesEveryControl)
{
    SpyEffect effect;
    effect.setIndexedParameter (SpyEditor::gain, 0.25f);
    effect.setIndexedParameter (SpyEditor::mix, 0.75f);
    effect.setIndexedParameter (SpyEditor::mode, 0.5f);
    for (int i = 0; i < effect.getMyNumParameters(); ++i)
        effect.isParameterChanged (i);  // cleared, as a previous editor would have

    SpyEditor editor (effect);
    editor.updateParametersFromFilter();
    EXPECT_DOUBLE_EQ (editor.slider.getValue(), 0.25);
    EXPECT_EQ (editor.label.getText(), "0.75");
    EXPECT_EQ (editor.popup.getCurrentText(), "Three");
}

TEST (MyEditor, TypedTextIsClippedAndSetWithoutGesture)
{
    SpyEffect effect;
    BareEditor editor (&effect);

    struct Case
    {
        const char* text;
        float expected;
    };
    const Case cases[] = { { "0.25", 0.25f }, { "7", 1.0f }, { "-3", 0.0f }, { "0.5abc", 0.5f } };
    for (const auto& c : cases)
    {
        editor.setParameter (SpyEditor::mix, c.text);
        EXPECT_FLOAT_EQ (effect.getIndexedParameter (SpyEditor::mix), c.expected) << c.text;
    }
    const auto log = effect.takeLog();
    EXPECT_EQ (log.size(), 4u);
    for (auto& s : log)
        EXPECT_EQ (s.rfind ("set 1 ", 0), 0u) << s;
    EXPECT_EQ (effect.currentParameter.load(), SpyEditor::mix);
}

TEST (MyEditor, SetSizeNeedsBothDimensions)
{
    SpyEffect effect;
    BareEditor editor (&effect);
    editor.setSize (300, 200);
    editor.setSize (0, 300);
    editor.setSize (500, 0);
    EXPECT_EQ (editor.getWidth(), 300);
    EXPECT_EQ (editor.getHeight(), 200);
}

TEST (MyEditor, ScaleStepsAccumulateInSinglePrecisionWithinTheirLimits)
{
    SpyEffect effect;
    effect.savedEditorWidth = 560;
    effect.savedEditorHeight = 432;
    BareEditor editor (&effect);
    editor.scale = 1.0f;

    float expected = 1.0f;
    for (int i = 0; i < 31; ++i)
    {
        editor.incrScale();
        expected += 0.1f;
        ASSERT_EQ (editor.scale, expected);
    }
    EXPECT_NEAR (editor.scale, 4.0999985f, 1e-6f);
    EXPECT_EQ (juce::Desktop::getInstance().getGlobalScaleFactor(), editor.scale);
    EXPECT_EQ (editor.getWidth(), (int) (560.0f * editor.scale));
    EXPECT_EQ (editor.getHeight(), (int) (432.0f * editor.scale));

    editor.incrScale();  // at or above 4.0: nothing
    EXPECT_EQ (editor.scale, expected);

    for (int i = 0; i < 32; ++i)
    {
        editor.decrScale();
        expected -= 0.1f;
        ASSERT_EQ (editor.scale, expected);
    }
    EXPECT_NEAR (editor.scale, 0.9000002f, 1e-6f);
    editor.decrScale();  // at or below 1.0: nothing
    EXPECT_EQ (editor.scale, expected);
    EXPECT_EQ (editor.getWidth(), (int) (560.0f * editor.scale));

    juce::Desktop::getInstance().setGlobalScaleFactor (1.0f);
}

TEST (MyEditor, HighlightFromTheEffectReachesTheWidget)
{
    SpyEffect effect;
    auto* editor = dynamic_cast<SpyEditor*> (effect.createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);

    effect.SetControlHighliteInfo (SpyEditor::gain, 1, 2);
    EXPECT_EQ (editor->slider.getHighlightColour(), juce::Colours::lightgreen);
    effect.SetControlHighliteInfo (SpyEditor::gain, 0, 2);
    EXPECT_EQ (editor->slider.getHighlightColour(), juce::Colours::transparentBlack);

    effect.editorBeingDeleted (editor);  // as a host window does
    delete editor;
}

TEST (MyEditor, EditorsShareOneDefaultLookAndFeel)
{
    SpyEffect a, b;
    auto first = std::make_unique<BareEditor> (&a);
    auto* shared = &juce::LookAndFeel::getDefaultLookAndFeel();
    EXPECT_NE (dynamic_cast<MyLookAndFeel*> (shared), nullptr);

    auto second = std::make_unique<BareEditor> (&b);
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), shared);
    EXPECT_EQ (&second->getLookAndFeel(), shared);

    first.reset();  // closing one editor leaves the other's look alone
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), shared);
    EXPECT_EQ (&second->getLookAndFeel(), shared);
    EXPECT_GT (MyArialFont::getUserCount(), 0);

    second.reset();
    EXPECT_EQ (dynamic_cast<MyLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
}

//==============================================================================
// Aspect rule of the bounds constrainer

namespace
{
struct ResizeCase
{
    const char* name;
    int extraHeight;
    int playerHeight;  // main component = player panel above the ratio panel
    bool shift, always, stretchBottom, stretchRight;
    juce::Rectangle<int> proposed;
    bool keepsRatio;
};
} // namespace

TEST (MyBoundsConstrainer, AspectRuleTable)
{
    const juce::Rectangle<int> previous (0, 0, 560, 432);
    const ResizeCase cases[] = {
        { "plug-in, Shift, corner", 0, 0, true, false, true, true, { 0, 0, 700, 500 }, true },
        { "plug-in, always, corner", 0, 0, false, true, true, true, { 0, 0, 640, 640 }, true },
        { "application, Shift, corner", 20, 100, true, false, true, true, { 0, 0, 800, 700 }, true },
        { "no Shift", 0, 0, false, false, true, true, { 0, 0, 700, 500 }, false },
        { "Shift, right edge only", 0, 0, true, false, false, true, { 0, 0, 700, 432 }, false },
        { "Shift, bottom edge only", 0, 0, true, false, true, false, { 0, 0, 560, 600 }, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::Component panel, main;
        panel.setSize (560, 432);
        main.setSize (560, 432 + c.playerHeight);

        MyBoundsConstrainer constrainer (c.extraHeight);
        constrainer.setMinimumSize (400, 300);
        constrainer.alwaysKeepRatio = c.always;
        if (c.playerHeight == 0)
            constrainer.setRatioComponent (&panel, &panel);
        else
        {
            constrainer.setRatioComponent (&panel, &panel);
            constrainer.setMainComponent (&main);
        }
        EXPECT_EQ (constrainer.deltaHeight, c.playerHeight);

        juce::ModifierKeys::currentModifiers = c.shift ? juce::ModifierKeys (juce::ModifierKeys::shiftModifier) : juce::ModifierKeys();
        constrainer.resizeStart();
        EXPECT_DOUBLE_EQ (constrainer.ratio, (double) (560.0f / 432.0f));

        auto bounds = c.proposed;
        constrainer.checkBounds (bounds, previous, { 0, 0, 4000, 4000 }, false, false, c.stretchBottom, c.stretchRight);
        juce::ModifierKeys::currentModifiers = juce::ModifierKeys();

        if (c.keepsRatio)
        {
            const double margin = c.playerHeight + c.extraHeight;
            const double expectedAspect = (0.0 - margin * constrainer.ratio) / c.proposed.getHeight() + constrainer.ratio;
            EXPECT_DOUBLE_EQ (constrainer.getFixedAspectRatio(), expectedAspect);
            // The inner panel keeps its proportions (to a pixel of rounding).
            const double inner = bounds.getWidth() / (bounds.getHeight() - margin);
            EXPECT_NEAR (inner, constrainer.ratio, 2.0 / (bounds.getHeight() - margin));
        }
        else
        {
            EXPECT_EQ (constrainer.getFixedAspectRatio(), 0.0);
            EXPECT_EQ (bounds, c.proposed);
        }
    }
}

TEST (MyBoundsConstrainer, BelowMinimumWithShiftSnapsToTheMinimum)
{
    juce::Component panel;
    panel.setSize (560, 432);
    MyBoundsConstrainer constrainer;
    constrainer.setMinimumSize (400, 300);
    constrainer.setRatioComponent (&panel, &panel);
    constrainer.resizeStart();

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::shiftModifier);
    juce::Rectangle<int> bounds (0, 0, 300, 500);
    constrainer.checkBounds (bounds, { 0, 0, 560, 432 }, { 0, 0, 4000, 4000 }, false, false, true, true);

    // Width to the minimum, height first back to the previous one; then the
    // ratio is held from there.
    EXPECT_GE (bounds.getWidth(), 400);
    EXPECT_GE (bounds.getHeight(), 300);
    EXPECT_NEAR ((double) bounds.getWidth() / bounds.getHeight(), constrainer.ratio, 0.01);

    bounds = { 0, 0, 500, 200 };  // height below the minimum: previous width, minimum height
    constrainer.checkBounds (bounds, { 0, 0, 560, 432 }, { 0, 0, 4000, 4000 }, false, false, true, true);
    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
    EXPECT_GE (bounds.getHeight(), 300);
    EXPECT_NEAR ((double) bounds.getWidth() / bounds.getHeight(), constrainer.ratio, 0.01);
}

TEST (MyBoundsConstrainer, WithoutComponentsResizesFreely)
{
    MyBoundsConstrainer constrainer;
    constrainer.setMinimumSize (100, 100);
    constrainer.resizeStart();
    EXPECT_EQ (constrainer.ratio, 2.0);

    juce::Component panel;
    panel.setSize (200, 100);
    constrainer.setRatioComponent (&panel, nullptr);
    constrainer.setMainComponent (nullptr);

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::shiftModifier);
    juce::Rectangle<int> bounds (0, 0, 333, 222);
    constrainer.checkBounds (bounds, { 0, 0, 200, 100 }, { 0, 0, 4000, 4000 }, false, false, true, true);
    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
    EXPECT_EQ (constrainer.getFixedAspectRatio(), 0.0);
    EXPECT_EQ (bounds, juce::Rectangle<int> (0, 0, 333, 222));
}
