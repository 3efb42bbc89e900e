#pragma once
// The "Agitator Thread" of an effect: calls the owner's threadCallback()
// every 30 ms until asked to exit. The wait between steps is Thread::wait,
// so stopThread()'s notify() wakes it at once.
// Threads: started and stopped on the message thread; `owner` is atomic.
#include <juce_core/juce_core.h>

#include <atomic>

class MyEffect;

class MyThreadAgitator : public juce::Thread
{
public:
    MyThreadAgitator();
    ~MyThreadAgitator() override;

    void run() override;

    // Asks the loop to end and waits for it without ever killing the thread.
    void stopWithoutKilling();

    std::atomic<MyEffect*> owner { nullptr };

    static constexpr int periodMs = 30;

    JUCE_DECLARE_NON_COPYABLE (MyThreadAgitator)
};
