#include "PluginManager.h"

PluginManager::~PluginManager()
{
    const juce::ScopedLock sl (lock);
    plugins.clear();
}

void PluginManager::addPlugin (juce::ChangeListener* p)
{
    jassert (p != nullptr);
    if (p == nullptr)
        return;

    const juce::ScopedLock sl (lock);

    // An effect registered again moves to the end: it is in the list once.
    if (plugins.contains (p))
    {
        removeChangeListener (p);
        plugins.removeAllInstancesOf (p);
    }

    plugins.add (p);
    addChangeListener (p);
}

int PluginManager::removePlugin (juce::ChangeListener* p)
{
    const juce::ScopedLock sl (lock);

    if (p != nullptr)
    {
        removeChangeListener (p);
        plugins.removeAllInstancesOf (p);
    }

    return plugins.size();
}

int PluginManager::getNumPlugins() const
{
    const juce::ScopedLock sl (lock);
    return plugins.size();
}
