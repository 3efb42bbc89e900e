#include "MyEditor.h"

#include "Utilities.h"

MyEditor::MyEditor (MyEffect* e)
    : juce::AudioProcessorEditor (e),
      constrainer (constrainerExtraHeightFor (*e)),
      effect (e)
{
    setConstrainer (&constrainer);
    effect->addChangeListener (this);
    tooltipWindow = std::make_unique<juce::TooltipWindow> (nullptr, 5000);
    scale = juce::Desktop::getInstance().getGlobalScaleFactor();
    effect->initAllParameterChanged (true);
}

MyEditor::~MyEditor()
{
    effect->removeChangeListener (this);
    setConstrainer (nullptr);  // a window's peer must not keep the member's address
    tooltipWindow.reset();
    resizer.reset();
}

int MyEditor::constrainerExtraHeightFor (const MyEffect& e)
{
    return e.wrapperType == juce::AudioProcessor::wrapperType_Standalone ? 20 : 0;
}

void MyEditor::paint (juce::Graphics&) {}

void MyEditor::IncrParametre (long) {}
void MyEditor::DecrParametre (long) {}
long MyEditor::SetControlHighliteInfo (long, short, short) { return 0; }
void MyEditor::timerCallback() {}
long MyEditor::getUIWidth() { return 0; }
long MyEditor::getUIHeight() { return 0; }
MyBoundsConstrainer* MyEditor::getConstrainer() { return nullptr; }

void MyEditor::setParameter (long index, juce::String text)
{
    const int i = (int) index;
    float value = effect->getIndexedParameterValueFromText (i, text);
    value = Clip (0.0f, 1.0f, value);
    effect->setParameterNotifyingHost (i, value);
}

void MyEditor::setSize (int width, int height)
{
    if (width != 0 && height != 0)
        juce::Component::setSize (width, height);
}

void MyEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    updateParametersFromFilter();
}

void MyEditor::incrScale()
{
    if (scale < 4.0f)
    {
        scale += 0.1f;
        applyScale();
    }
}

void MyEditor::decrScale()
{
    if (scale > 1.0f)
    {
        scale -= 0.1f;
        applyScale();
    }
}

void MyEditor::applyScale()
{
    juce::Desktop::getInstance().setGlobalScaleFactor (scale);
    const auto w = (float) effect->savedEditorWidth.load();
    const auto h = (float) effect->savedEditorHeight.load();
    const juce::ScopedValueSetter<bool> during (applyingScale, true);
    setSize ((int) (w * scale), (int) (h * scale));
}
