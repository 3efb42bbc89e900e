#pragma once
// Process-wide registry of live effects, held through
// juce::SharedResourcePointer<PluginManager> by every effect.
// Threads: addPlugin/removePlugin on the message thread (effects are created
// and destroyed there; the broadcaster's listener set requires it), under
// `lock`; getNumPlugins from any thread.
#include <juce_events/juce_events.h>

class PluginManager : public juce::ChangeBroadcaster
{
public:
    PluginManager() = default;
    ~PluginManager() override;

    // Registers p (as a change listener too); an effect is listed once, at the end.
    void addPlugin (juce::ChangeListener* p);
    // Unregisters p; returns the number of effects left.
    int removePlugin (juce::ChangeListener* p);
    int getNumPlugins() const;

private:
    juce::CriticalSection lock;
    juce::Array<juce::ChangeListener*> plugins;
};
