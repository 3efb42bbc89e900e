// The plug-in's entry: JUCE's LV2 and VST3 wrappers make each instance here.
#include "QuarnProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    // The wrappers build it on the host's thread: its timer starts now that
    // every constructor has returned.
    auto* processor = new QuarnProcessor();
    processor->startTimersOnceBuilt();
    return processor;
}
