#pragma once
// Process-wide registry of live effects, held through
// juce::SharedResourcePointer<PluginManager> by every effect.
// Threads: any thread; the list is guarded by `lock`.
#include <juce_events/juce_events.h>

class PluginManager : public juce::ChangeBroadcaster
{
public:
    PluginManager() = default;
    ~PluginManager() override;

    void addPlugin (juce::ChangeListener* p);
    int removePlugin (juce::ChangeListener* p);
    int getNumPlugins() const;

private:
    juce::CriticalSection lock;
    juce::Array<juce::ChangeListener*> plugins;
};
