#pragma once
// RariZuzEditor: the spectral delay's editor window content, a thin shell
// around its panel (RariZuzComponent). It keeps the panel the editor's size,
// gives the window a resize corner and a constrainer that keeps the panel's
// proportions, restores and remembers the editor size through the effect,
// and implements the base editor's hooks for this effect: the refresh after
// each change message, the display tick, the one-step increment and
// decrement of a parameter, the control highlight and the map from a control
// to its parameter.
//
// The engine library has no GUI: install() gives RariZuz::createEditor this
// editor (the application and the tests call it once before creating
// editors).
// Threads: message thread only.
#include "MyEditor.h"
#include "RariZuzComponent.h"

class RariZuzEditor : public MyEditor
{
public:
    explicit RariZuzEditor (MyEffect* effect);
    ~RariZuzEditor() override;

    // Makes RariZuz::createEditor build this editor (idempotent).
    static void install();

    void resized() override;
    void setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info) override;
    int getControlParameterIndex (juce::Component& control) override;
    void IncrParametre (long index) override;
    void DecrParametre (long index) override;
    long SetControlHighliteInfo (long index, short on, short type) override;
    void timerCallback() override;
    MyBoundsConstrainer* getConstrainer() override;
    void updateParametersFromFilter() override;

    // The framework's highlight colour index of a host's colour: red 0, blue
    // 1, green 2, yellow 3, anything else 0.
    static short highlightTypeFor (juce::Colour colour);

    // The size an editor opens at for a stored size: a width outside
    // 1..4000 resets both to the default, a height outside 1..4000 resets
    // the height; each is at least the default.
    static juce::Point<int64_t> restoredSize (int64_t width, int64_t height);

    static constexpr int64_t maxStoredSize = 4000;

    RariZuzComponent panel;

private:
    // The value text of `index` one step up (up) or down, read back into a value.
    void stepParameter (long index, bool up);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RariZuzEditor)
};
