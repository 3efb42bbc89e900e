#pragma once
// ZuveruvaEditor: the editor window of the crunch effect, a thin shell
// around its panel. It keeps the panel the editor's size, gives the window
// a resize corner and a constrainer that keeps the panel's proportions
// (minimum 520 x 380, also told to hosts through setConstrainer and
// setResizable), restores and remembers the editor size through the effect,
// and implements the framework's hooks: the refresh after change messages,
// the 50 ms display tick, one-unit steps from value labels, the control
// highlight and the control-to-parameter map.
//
// A stored size comes from bytes (a host's chunk): both dimensions are
// bounded before use (see Zuveruva::boundEditorSize).
// Threads: message thread only.
#include "MyEditor.h"
#include "ZuveruvaComponent.h"

class Zuveruva;

class ZuveruvaEditor : public MyEditor
{
public:
    explicit ZuveruvaEditor (Zuveruva* effect);
    ~ZuveruvaEditor() override;

    void resized() override;
    void setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info) override;
    int getControlParameterIndex (juce::Component& control) override;
    void IncrParametre (long index) override;
    void DecrParametre (long index) override;
    long SetControlHighliteInfo (long index, short on, short type) override;
    void timerCallback() override;
    MyBoundsConstrainer* getConstrainer() override;
    void updateParametersFromFilter() override;

    ZuveruvaComponent panel;

private:
    void stepParameter (long index, bool up);
};
