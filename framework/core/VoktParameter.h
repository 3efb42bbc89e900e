#pragma once
// Host-facing adapter of one indexed parameter: every query forwards to the
// owning effect's indexed-parameter operations for `index`.
// Threads: any thread (host, message, audio); the effect's operations carry
// the thread safety; `agitationGroup` is atomic.
#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

class MyEffect;

class VoktParameter : public juce::RangedAudioParameter
{
public:
    // Identifier: the index in decimal, or `identifier` when it is given
    // (LV2 manifests need identifiers that begin with a letter); empty name
    // and label, generic category.
    VoktParameter (MyEffect& owner, int parameterIndex, const juce::String& identifier = {});
    ~VoktParameter() override = default;

    float getValue() const override;
    // Non-finite values are refused here, before they reach the effect.
    void setValue (float v) override;
    float getDefaultValue() const override;
    juce::String getName (int maximumLength) const override;
    juce::String getLabel() const override;
    int getNumSteps() const override;
    bool isDiscrete() const override;
    bool isBoolean() const override;
    juce::String getText (float v, int maximumLength) const override;
    float getValueForText (const juce::String& text) const override;
    bool isAutomatable() const override;
    bool isMetaParameter() const override;
    juce::String getCurrentValueAsText() const override;
    const juce::NormalisableRange<float>& getNormalisableRange() const override;

    const juce::NormalisableRange<float> range { 0.0f, 1.0f };
    MyEffect& effect;
    const int index;
    // Agitation group of the parameter (0..3), or -1 when it is not agitated.
    std::atomic<int> agitationGroup { -1 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VoktParameter)
};
