#include "CpuBar.h"

#include <algorithm>

namespace
{
const juce::String text ("Cpu Usage");
}

CpuBar::CpuBar()
{
    setInterceptsMouseClicks (false, false);
    style.setInterceptsMouseClicks (false, false);
    addChildComponent (style);
}

void CpuBar::setLoad (double load)
{
    const auto now = juce::Time::getMillisecondCounter();
    const auto elapsed = (int) (now - lastSet);
    lastSet = now;

    const bool stripes = load < 0.0 || load >= 1.0;
    if (load == shown && ! stripes)
        return;
    if (shown < load && ! stripes && shown >= 0.0 && shown < 1.0)
        load = std::min (shown + 0.0008 * elapsed, load);
    shown = load;
    repaint();
}

void CpuBar::paint (juce::Graphics& g)
{
    getLookAndFeel().drawProgressBar (g, style, getWidth(), getHeight(), shown, text);
}

void CpuBar::resized()
{
    style.setBounds (getLocalBounds());
}

void CpuBar::lookAndFeelChanged()
{
    setOpaque (getLookAndFeel().isProgressBarOpaque (style));
}
