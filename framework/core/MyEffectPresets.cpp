// Presets, programs and the interpolation frame of MyEffect.
#include "MyEffect.h"

bool MyEffect::getUpdatePresetStatus() { return presetStatusChanged.load(); }
bool MyEffect::isPreset (int) { return false; }
int MyEffect::getPresetSize() { return 0; }
bool MyEffect::isSuperSlider (int) { return false; }
float MyEffect::getAlfa() { return alfa.load(); }

void MyEffect::setSuperState (long cell, long preset)
{
    if (cell >= 0 && cell < 8)
        superStates[cell].store (preset);
}

long MyEffect::getSuperState (long cell)
{
    return (cell >= 0 && cell < 8) ? (long) superStates[cell].load() : -1;
}

void MyEffect::getSuperText (float, char* buf)
{
    if (buf != nullptr)
        buf[0] = 0;
}

void MyEffect::StopInterpolation() {}
void MyEffect::interpolTask() {}

juce::String MyEffect::getPresetString (int) { return {}; }
bool MyEffect::isPresetStringValid (juce::String&) { return false; }
juce::String MyEffect::getPresetStringTitle (juce::String&) { return {}; }
void MyEffect::setPresetString (int, juce::String&) {}
