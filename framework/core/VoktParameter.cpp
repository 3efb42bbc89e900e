#include "VoktParameter.h"

#include "MyEffect.h"

VoktParameter::VoktParameter (MyEffect& owner, int parameterIndex, const juce::String& identifier)
    : juce::RangedAudioParameter (juce::ParameterID (identifier.isEmpty() ? juce::String (parameterIndex) : identifier),
                                  juce::String()),
      effect (owner),
      index (parameterIndex)
{
}

// Values, steps and texts are the host's view of the indexed parameter
// (MyEffect::hostValueFromIndexed / indexedValueFromHost).
float VoktParameter::getValue() const
{
    return effect.hostValueFromIndexed (index, effect.getIndexedParameter (index));
}

void VoktParameter::setValue (float v)
{
    if (! std::isfinite (v))
        return;
    effect.noteValueFromHost (index, v);
    effect.setIndexedParameter (index, effect.indexedValueFromHost (index, v));
}

float VoktParameter::getDefaultValue() const
{
    return effect.hostValueFromIndexed (index, effect.getIndexedDefaultValue (index));
}

// The length limit is not applied: hosts cut names themselves.
juce::String VoktParameter::getName (int) const { return effect.getIndexedParameterName (index); }

juce::String VoktParameter::getLabel() const { return {}; }
int VoktParameter::getNumSteps() const { return effect.getHostParameterNumSteps (index); }
bool VoktParameter::isDiscrete() const { return effect.getIndexedParameterDiscrete (index); }
bool VoktParameter::isBoolean() const { return false; }

// The engines' texts are made with the limit 64, whatever the caller asks.
juce::String VoktParameter::getText (float v, int) const
{
    return effect.getIndexedParameterTextFromValue (index, effect.indexedValueFromHost (index, v), 64);
}

float VoktParameter::getValueForText (const juce::String& text) const
{
    return effect.hostValueFromIndexed (index, effect.getIndexedParameterValueFromText (index, text));
}

bool VoktParameter::isAutomatable() const { return effect.isIndexedParameterAutomatable (index); }
bool VoktParameter::isMetaParameter() const { return effect.isMetaIndexedParameter (index); }
juce::String VoktParameter::getCurrentValueAsText() const { return effect.getIndexedParameterText (index); }
const juce::NormalisableRange<float>& VoktParameter::getNormalisableRange() const { return range; }
