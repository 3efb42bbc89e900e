#include "ZuveruvaEditor.h"

#include "Utilities.h"
#include "Zuveruva.h"

#include <cmath>
#include <cstring>

ZuveruvaEditor::ZuveruvaEditor (Zuveruva* effect)
    : MyEditor (effect),
      panel (this)
{
    addAndMakeVisible (panel);
    if (! effect->IsAS())
    {
        resizer = std::make_unique<juce::ResizableCornerComponent> (this, &constrainer);
        addAndMakeVisible (*resizer);
        resizer->setSize (12, 12);
    }
    constrainer.setMinimumSize (ZuveruvaComponent::defaultWidth, ZuveruvaComponent::defaultHeight);
    constrainer.setRatioComponent (&panel, &panel);
    defaultWidth = ZuveruvaComponent::defaultWidth;
    defaultHeight = ZuveruvaComponent::defaultHeight;

    // Hosts see the size limits and that the window may be resized; the
    // corner above is the one drawn.
    setResizable (true, false);
    juce::AudioProcessorEditor::setConstrainer (&constrainer);

    int w = 0, h = 0;
    Zuveruva::boundEditorSize (effect->savedEditorWidth.load(), effect->savedEditorHeight.load(), w, h);
    effect->savedEditorWidth.store (w);
    effect->savedEditorHeight.store (h);
    setSize (w, h);
}

ZuveruvaEditor::~ZuveruvaEditor() = default;

void ZuveruvaEditor::resized()
{
    panel.setSize (getWidth(), getHeight());
    if (resizer != nullptr)
        resizer->setTopLeftPosition (getWidth() - 12, getHeight() - 12);
    // The unscaled size, truncated; a scale reached by repeated 0.1 steps
    // is a hair off its tenth, which must not cost a pixel (780 / 1.5000001
    // stores 520, not 519), so the truncation tolerates a thousandth.
    auto* fx = getEffect();
    const float s = scale > 0.0f && std::isfinite (scale) ? scale : 1.0f;
    fx->savedEditorWidth.store ((int64_t) ((float) getWidth() / s + 1.0e-3f));
    fx->savedEditorHeight.store ((int64_t) ((float) getHeight() / s + 1.0e-3f));
}

void ZuveruvaEditor::setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info)
{
    short type = 0;
    if (info.suggestedColour == juce::Colours::blue)
        type = 1;
    else if (info.suggestedColour == juce::Colours::green)
        type = 2;
    else if (info.suggestedColour == juce::Colours::yellow)
        type = 3;
    SetControlHighliteInfo (info.parameterIndex, info.isHighlighted ? 1 : 0, type);
}

int ZuveruvaEditor::getControlParameterIndex (juce::Component& control)
{
    return panel.getControlParameterIndex (control);
}

void ZuveruvaEditor::IncrParametre (long index) { stepParameter (index, true); }
void ZuveruvaEditor::DecrParametre (long index) { stepParameter (index, false); }

void ZuveruvaEditor::stepParameter (long index, bool up)
{
    auto* fx = getEffect();
    const int i = (int) index;
    if (i < 0 || i >= Zuveruva::numParameters)
        return;

    char text[18];
    std::strncpy (text, fx->getIndexedParameterText (i).toRawUTF8(), sizeof (text) - 1);
    text[sizeof (text) - 1] = 0;

    if (fx->GetSyncMode (i))
    {
        if (up)
            fx->IncSync (i);
        else
            fx->DecSync (i);
        return;
    }

    const bool big = juce::ModifierKeys::currentModifiers.isCommandDown();
    using Step = void (*) (char*, bool);
    using Read = void (*) (const char*, float*);
    Step inc = nullptr, dec = nullptr;
    Read read = nullptr;
    switch (i)
    {
        case Zuveruva::kInterSpeed: inc = IncInterSpeed; dec = DecInterSpeed; read = InterSpeedStrToFloat; break;
        case Zuveruva::kAmplitude:
        case Zuveruva::kFrequency: inc = IncValue; dec = DecValue; read = ValueStrToFloat; break;
        case Zuveruva::kMix:
        case Zuveruva::kBalance:
        case Zuveruva::kAuxDepth: inc = IncPerCent; dec = DecPerCent; read = PerCentStrToFloat; break;
        case Zuveruva::kGain:
        case Zuveruva::kAuxGain: inc = IncGain24; dec = DecGain24; read = Gain24StrToFloat; break;
        case Zuveruva::kAgitation1Ampl:
        case Zuveruva::kAgitation2Ampl:
        case Zuveruva::kAgitation3Ampl:
        case Zuveruva::kAgitation4Ampl:
            inc = IncAgitationAmpl; dec = DecAgitationAmpl; read = AgitationAmplStrToFloat; break;
        case Zuveruva::kAgitation1Speed:
        case Zuveruva::kAgitation2Speed:
        case Zuveruva::kAgitation3Speed:
        case Zuveruva::kAgitation4Speed:
            inc = IncAgitationSpeed; dec = DecAgitationSpeed; read = AgitationSpeedStrToFloat; break;
        default: return;
    }

    (up ? inc : dec) (text, big);
    float value = fx->getIndexedParameter (i);
    read (text, &value);
    fx->setParameterNotifyingHost (i, value);
}

long ZuveruvaEditor::SetControlHighliteInfo (long index, short on, short type)
{
    panel.setVisible (true);
    return panel.SetControlHighliteInfo (index, on, type);
}

void ZuveruvaEditor::timerCallback() { panel.updateZuveruvaView(); }

MyBoundsConstrainer* ZuveruvaEditor::getConstrainer() { return &constrainer; }

void ZuveruvaEditor::updateParametersFromFilter() { panel.updateParametersFromFilter(); }
