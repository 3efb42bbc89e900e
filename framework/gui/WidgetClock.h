#pragma once
// The millisecond counter the widgets time their gestures with (elastic
// drags, wheel gestures). Tests install their own clock to step time.
// Threads: message thread only (install and read).
#include <cstdint>

using WidgetClockFunction = uint32_t (*)();

// juce::Time::getMillisecondCounter(), or the installed clock.
uint32_t WidgetMilliseconds();

// Installs a clock (null restores the system counter).
void SetWidgetClock (WidgetClockFunction clock);
