#include "RariZuzEditor.h"

#include "RariZuzValues.h"
#include "Utilities.h"

#include <cmath>
#include <cstring>

namespace
{
juce::AudioProcessorEditor* makeEditor (RariZuz& effect)
{
    return new RariZuzEditor (&effect);
}

struct StepFamily
{
    void (*inc) (char*, bool);
    void (*dec) (char*, bool);
    void (*read) (const char*, float*);
};

// The value-helper family that steps parameter `index`; null for a
// parameter that is not stepped from its label.
const StepFamily* familyOf (long index)
{
    static const StepFamily interSpeed { IncInterSpeed, DecInterSpeed, InterSpeedStrToFloat };
    static const StepFamily gain { IncGainAC, DecGainAC, GainACStrToFloat };
    static const StepFamily perCent { IncPerCent, DecPerCent, PerCentStrToFloat };
    static const StepFamily amplitude { IncAmplitude, DecAmplitude, AmplitudeStrToFloat };
    static const StepFamily delay { IncDelay, DecDelay, DelayStrToFloat };
    static const StepFamily freq { IncFreq, DecFreq, FreqStrToFloat };
    static const StepFamily angle { IncAngle, DecAngle, AngleStrToFloat };
    static const StepFamily pan { IncPan, DecPan, PanStrToFloat };
    static const StepFamily width { IncWidth, DecWidth, WidthStrToFloat };
    static const StepFamily agitationAmpl { IncAgitationAmpl, DecAgitationAmpl, AgitationAmplStrToFloat };
    static const StepFamily agitationSpeed { IncAgitationSpeed, DecAgitationSpeed, AgitationSpeedStrToFloat };

    auto in = [index] (int first, int count = 8) { return index >= first && index < first + count; };
    if (index == RariZuz::pInterSpeed)
        return &interSpeed;
    if (index == RariZuz::pGain)
        return &gain;
    if (index == RariZuz::pMix || in (RariZuz::pFeedback) || in (RariZuz::pLength))
        return &perCent;
    if (in (RariZuz::pAmplitude))
        return &amplitude;
    if (in (RariZuz::pDelay))
        return &delay;
    if (in (RariZuz::pFrequency))
        return &freq;
    if (in (RariZuz::pAngle))
        return &angle;
    if (in (RariZuz::pPan))
        return &pan;
    if (in (RariZuz::pWidth))
        return &width;
    if (index == RariZuz::pAgitation1Ampl || index == RariZuz::pAgitation2Ampl || index == RariZuz::pAgitation3Ampl)
        return &agitationAmpl;
    if (index == RariZuz::pAgitation1Speed || index == RariZuz::pAgitation2Speed || index == RariZuz::pAgitation3Speed)
        return &agitationSpeed;
    return nullptr;
}
} // namespace

RariZuzEditor::RariZuzEditor (MyEffect* effect)
    : MyEditor (effect),
      panel (this)
{
    addAndMakeVisible (panel);
    if (! effect->IsAS())
    {
        resizer = std::make_unique<juce::ResizableCornerComponent> (this, &constrainer);
        addAndMakeVisible (resizer.get());
        resizer->setSize (12, 12);
    }
    constrainer.setMinimumSize (panel.getWidth(), panel.getHeight());
    constrainer.setRatioComponent (&panel, &panel);
    defaultWidth = panel.getWidth();
    defaultHeight = panel.getHeight();

    const auto size = restoredSize (effect->savedEditorWidth.load(), effect->savedEditorHeight.load());
    effect->savedEditorWidth.store (size.x);
    effect->savedEditorHeight.store (size.y);
    setSize ((int) size.x, (int) size.y);
}

RariZuzEditor::~RariZuzEditor() = default;

void RariZuzEditor::install()
{
    RariZuz::setEditorFactory (makeEditor);
}

juce::Point<int64_t> RariZuzEditor::restoredSize (int64_t width, int64_t height)
{
    const int64_t w0 = RariZuzComponent::defaultWidth, h0 = RariZuzComponent::defaultHeight;
    auto outside = [] (int64_t v) { return (uint64_t) v - 1u >= (uint64_t) maxStoredSize; };
    if (outside (width))
    {
        width = w0;
        height = h0;
    }
    else if (width < w0)
    {
        width = w0;
    }
    if (outside (height) || height < h0)
        height = h0;
    return { width, height };
}

void RariZuzEditor::resized()
{
    const int w = getWidth(), h = getHeight();
    panel.setBounds (0, 0, w, h);
    panel.resized();
    if (resizer != nullptr)
        resizer->setTopLeftPosition (w - 12, h - 12);

    // A zoom step sizes the editor from the stored size: keep that one, so
    // steps up and down come back to it exactly.
    if (isApplyingScale() || ! (scale > 0.0f))
        return;
    getEffect()->savedEditorWidth.store ((int64_t) std::lround ((float) w / scale));
    getEffect()->savedEditorHeight.store ((int64_t) std::lround ((float) h / scale));
}

short RariZuzEditor::highlightTypeFor (juce::Colour c)
{
    const auto argb = c.getARGB();
    if (argb == juce::Colours::red.getARGB())
        return 0;
    if (argb == juce::Colours::blue.getARGB())
        return 1;
    if (argb == juce::Colours::green.getARGB())
        return 2;
    if (argb == juce::Colours::yellow.getARGB())
        return 3;
    return 0;
}

void RariZuzEditor::setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info)
{
    SetControlHighliteInfo (info.parameterIndex, info.isHighlighted ? 1 : 0, highlightTypeFor (info.suggestedColour));
}

int RariZuzEditor::getControlParameterIndex (juce::Component& control)
{
    return panel.getControlParameterIndex (control);
}

void RariZuzEditor::stepParameter (long index, bool up)
{
    auto* effect = getEffect();
    if (index < 0 || index > RariZuzComponent::lastParameter)
        return;
    const int i = (int) index;

    // The value text, at most 17 bytes of it, in a buffer the helpers may
    // rewrite up to its full size.
    char text[valueTextSize] {};
    const auto utf8 = effect->getIndexedParameterText (i).toStdString();
    std::memcpy (text, utf8.data(), std::min<std::size_t> (utf8.size(), 17));

    if (effect->GetSyncMode (i))
    {
        if (up)
            effect->IncSync (i);
        else
            effect->DecSync (i);
        return;
    }
    const auto* family = familyOf (index);
    if (family == nullptr)
        return;
    const bool big = juce::ModifierKeys::currentModifiers.isCommandDown();
    (up ? family->inc : family->dec) (text, big);
    float value = effect->getIndexedParameter (i);
    family->read (text, &value);
    effect->setParameterNotifyingHost (i, value);
}

void RariZuzEditor::IncrParametre (long index)
{
    stepParameter (index, true);
}

void RariZuzEditor::DecrParametre (long index)
{
    stepParameter (index, false);
}

long RariZuzEditor::SetControlHighliteInfo (long index, short on, short type)
{
    panel.setVisible (true);
    return panel.SetControlHighliteInfo (index, on, type);
}

void RariZuzEditor::timerCallback()
{
    panel.updateRariZuzDisplay();
}

MyBoundsConstrainer* RariZuzEditor::getConstrainer()
{
    return &constrainer;
}

void RariZuzEditor::updateParametersFromFilter()
{
    panel.updateParametersFromFilter();
}
