// The plug-in's entry: JUCE's LV2 and VST3 wrappers make each instance here.
#include "QuarnProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuarnProcessor();
}
