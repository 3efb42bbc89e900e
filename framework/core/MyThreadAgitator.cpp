#include "MyThreadAgitator.h"

#include "MyEffect.h"

MyThreadAgitator::MyThreadAgitator() : juce::Thread ("Agitator Thread") {}

MyThreadAgitator::~MyThreadAgitator()
{
    stopWithoutKilling();
}

void MyThreadAgitator::run()
{
    while (! threadShouldExit())
    {
        if (auto* effect = owner.load())
            effect->threadCallback();

        if (threadShouldExit())
            break;

        wait (periodMs);
    }
}

void MyThreadAgitator::stopWithoutKilling()
{
    signalThreadShouldExit();
    notify();

    // One step is short, so this returns within a few milliseconds. Killing
    // the thread mid-step would leave the effect's state undefined, so keep
    // waiting (waking the loop each time) rather than force it.
    while (! waitForThreadToExit (100))
        notify();
}
