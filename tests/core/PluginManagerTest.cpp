#include "PluginManager.h"

#include <gtest/gtest.h>

namespace
{
struct CountingListener : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++calls; }
    int calls = 0;
};
} // namespace

// Runs on the test main thread, which is the message thread.
TEST (PluginManager, EachEffectIsRegisteredOnce)
{
    PluginManager manager;
    CountingListener a, b, never;

    manager.addPlugin (&a);
    manager.addPlugin (&b);
    manager.addPlugin (&a);
    EXPECT_EQ (manager.getNumPlugins(), 2);

    // The broadcaster's listener set follows the list: one call per effect.
    manager.sendSynchronousChangeMessage();
    EXPECT_EQ (a.calls, 1);
    EXPECT_EQ (b.calls, 1);

    EXPECT_EQ (manager.removePlugin (&never), 2);
    EXPECT_EQ (manager.removePlugin (&a), 1);
    EXPECT_EQ (manager.removePlugin (&a), 1);

    manager.sendSynchronousChangeMessage();
    EXPECT_EQ (a.calls, 1);
    EXPECT_EQ (b.calls, 2);

    EXPECT_EQ (manager.removePlugin (&b), 0);
    EXPECT_EQ (manager.removePlugin (nullptr), 0);
}

TEST (PluginManager, SharedByEveryHolder)
{
    CountingListener a, b;
    {
        juce::SharedResourcePointer<PluginManager> first;
        first->addPlugin (&a);
        {
            juce::SharedResourcePointer<PluginManager> second;
            second->addPlugin (&b);
            EXPECT_EQ (first->getNumPlugins(), 2);
            EXPECT_EQ (second->removePlugin (&b), 1);
        }
        EXPECT_EQ (first->removePlugin (&a), 0);
    }
    juce::SharedResourcePointer<PluginManager> fresh;
    EXPECT_EQ (fresh->getNumPlugins(), 0);
}
