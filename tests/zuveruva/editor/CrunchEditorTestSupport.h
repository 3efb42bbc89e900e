#pragma once
// Helpers of the crunch editor tests: a real crunch effect that records the
// calls its editor makes (gestures and sets, in order), an editor over it,
// and a few signals to give the pad a live spectrum.
#include "GuiTestSupport.h"
#include "ZuveruvaEditor.h"
#include "ZuveruvaTestSupport.h"

#include "Zuveruva.h"

#include <memory>
#include <string>
#include <vector>

namespace crunchtest
{
class SpyZuveruva : public Zuveruva
{
public:
    // The agitator thread and the timer reach the overrides below: stop them first.
    ~SpyZuveruva() override { stopThreads(); }

    // As the plug-in layer does: the effect's active editor gets its tick
    // and restored sizes.
    juce::AudioProcessorEditor* createEditor() override { return new ZuveruvaEditor (this); }
    bool hasEditor() const override { return true; }

    void beginParameterChangeGesture (int i) override
    {
        note ("begin " + std::to_string (i));
        Zuveruva::beginParameterChangeGesture (i);
    }
    void endParameterChangeGesture (int i) override
    {
        note ("end " + std::to_string (i));
        Zuveruva::endParameterChangeGesture (i);
    }
    void setIndexedParameter (int i, float v) override
    {
        if (recording)
            note ("set " + std::to_string (i) + " " + juce::String (v, 3).toStdString());
        Zuveruva::setIndexedParameter (i, v);
    }
    std::vector<std::string> takeLog()
    {
        auto l = std::move (log);
        log.clear();
        return l;
    }
    bool recording = false;

private:
    void note (std::string s)
    {
        if (recording)
            log.push_back (std::move (s));
    }
    std::vector<std::string> log;
};

// A crunch effect with its editor open (not on screen), the kit's font and
// look-and-feel held as an open editor holds them.
class CrunchEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        guitest::ignoreXErrorsLikeAnApplication();
        juce::Desktop::getInstance().setGlobalScaleFactor (1.0f);
        editor.reset (dynamic_cast<ZuveruvaEditor*> (fx.createEditorIfNeeded()));
        ASSERT_NE (editor, nullptr);
        fx.takeLog();
    }
    void TearDown() override { closeEditor(); }

    // As a wrapper closes the editor.
    void closeEditor()
    {
        if (editor != nullptr)
            fx.editorBeingDeleted (editor.get());
        editor.reset();
    }

    ZuveruvaComponent& panel() { return editor->panel; }
    // Clears every changed flag, so a refresh touches only what a test changes.
    void settle()
    {
        panel().updateParametersFromFilter();
        for (int i = 0; i < Zuveruva::numParameters; ++i)
            fx.isParameterChanged (i);
        fx.isAgitationControlsChanged();
    }

    SpyZuveruva fx;
    std::unique_ptr<ZuveruvaEditor> editor;
};

// Feeds the effect a few frames of a chord and noise at a bus layout
// without side chain, so its display spectrum is live.
inline void feedSpectrum (Zuveruva& fx, int seconds10ths = 5)
{
    using namespace zuveruva_test;
    prepare (fx, 2, 0, 512);
    const int length = (int) (sampleRate * seconds10ths / 10);
    auto a = sine (length, 220.0, 0.3f), b = sine (length, 1760.0, 0.2f), n = noise (length, 7, 0.05f);
    for (int i = 0; i < length; ++i)
        a[(size_t) i] += b[(size_t) i] + n[(size_t) i];
    Render r;
    r.in = { a, a };
    r.run (fx);
}
} // namespace crunchtest
