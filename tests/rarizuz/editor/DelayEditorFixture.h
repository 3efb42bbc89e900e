#pragma once
// The spectral delay editor over a real engine that notes what the panel
// asks of it (gestures, values, preset and sync calls, undo, bar calls).
#include "GuiTestSupport.h"
#include "RariZuzEditor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class NotingRariZuz : public RariZuz
{
public:
    ~NotingRariZuz() override { stopThreads(); }
    void beginParameterChangeGesture (int i) override
    {
        note ("begin " + juce::String (i));
        RariZuz::beginParameterChangeGesture (i);
    }
    void endParameterChangeGesture (int i) override
    {
        note ("end " + juce::String (i));
        RariZuz::endParameterChangeGesture (i);
    }
    void setIndexedParameter (int i, float v) override
    {
        if (noting)
            note ("set " + juce::String (i) + " " + juce::String (v, 4));
        RariZuz::setIndexedParameter (i, v);
    }
    void SetPreset (long slot, long action) override
    {
        note ("preset " + juce::String ((int) slot) + " " + juce::String ((int) action));
    }
    void StopInterpolation() override { note ("stop"); }
    void setSuperState (long cell, long preset) override
    {
        note ("super " + juce::String ((int) cell) + " " + juce::String ((int) preset));
        RariZuz::setSuperState (cell, preset);
    }
    bool SetSyncMode (int i, bool on) override
    {
        note ("sync " + juce::String (i) + (on ? " on" : " off"));
        return RariZuz::SetSyncMode (i, on);
    }
    void IncSync (int i) override { note ("incsync " + juce::String (i)); }
    void DecSync (int i) override { note ("decsync " + juce::String (i)); }
    void save() override { note ("save"); }
    void load() override { note ("load"); }
    bool undo() override
    {
        note ("undo");
        return RariZuz::undo();
    }
    bool redo() override
    {
        note ("redo");
        return RariZuz::redo();
    }

    std::vector<std::string> takeLog()
    {
        auto copy = log;
        log.clear();
        return copy;
    }

    // Engine sets made by the test itself are not noted.
    void setQuietly (int i, float v)
    {
        noting = false;
        setIndexedParameter (i, v);
        noting = true;
    }

private:
    void note (const juce::String& s) { log.push_back (s.toStdString()); }

    bool noting = true;
    std::vector<std::string> log;
};

class DelayEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        juce::Desktop::getInstance().setGlobalScaleFactor (1.0f);
        RariZuzEditor::install();
    }

    void TearDown() override
    {
        editor.reset();
        juce::Desktop::getInstance().setGlobalScaleFactor (1.0f);
    }

    RariZuzEditor& open()
    {
        editor = std::make_unique<RariZuzEditor> (fx.get());
        return *editor;
    }

    // Only players `active` on (1-based), `selected` selected; flags cleared.
    void players (std::initializer_list<int> active, int selected)
    {
        for (int n = 0; n < 8; ++n)
            fx->setQuietly (RariZuz::pActive + n, 0.0f);
        for (int p : active)
            fx->setQuietly (RariZuz::pActive + p - 1, 1.0f);
        if (selected > 0)
            fx->selectBar (selected - 1);
        fx->takeLog();
    }

    void refresh() { editor->updateParametersFromFilter(); }
    RariZuzComponent& panel() { return editor->panel; }

    std::unique_ptr<NotingRariZuz> fx = std::make_unique<NotingRariZuz>();
    std::unique_ptr<RariZuzEditor> editor;
};
