#include "WidgetClock.h"

#include <juce_core/juce_core.h>

namespace
{
WidgetClockFunction installedClock = nullptr;
}

uint32_t WidgetMilliseconds()
{
    return installedClock != nullptr ? installedClock() : juce::Time::getMillisecondCounter();
}

void SetWidgetClock (WidgetClockFunction clock)
{
    installedClock = clock;
}
