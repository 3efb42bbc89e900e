#pragma once
// Minimal stand-ins for the panel's sonogram display and its hidden MIDI-learn
// and OSC panels, used until those components exist: the display keeps the
// eight bars' flags and geometry and draws them as lines on black; the two
// panels paint a grey box.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyBuffersArray.h"
#include "MyEditor.h"

#include <algorithm>
#include <cmath>
#include <memory>

struct StandInBar
{
    float cx = 0.9f, cy = 0.85f, x1 = 0.9f, y1 = 0.75f, x2 = 0.9f, y2 = 0.95f;
    bool selected = false, active = false, muted = true;
};

class SonogramStandIn : public juce::Component,
                        public juce::ActionBroadcaster
{
public:
    SonogramStandIn()
    {
        setName ("Selvo Display");
        setWantsKeyboardFocus (true);
        for (int i = 0; i < 8; ++i)
            bars.add (new StandInBar());
    }

    void setCenter (int i, float x, float y)
    {
        if (auto* b = bars[i])
        {
            const float dx = x - b->cx, dy = y - b->cy;
            b->x1 += dx; b->x2 += dx; b->y1 += dy; b->y2 += dy;
            b->cx = 0.5f * (b->x1 + b->x2);
            b->cy = 0.5f * (b->y1 + b->y2);
        }
    }

    void setLength (int i, float v)
    {
        if (auto* b = bars[i])
        {
            const float target = std::clamp (v, 0.01f, 1.0f);
            const float now = std::clamp (std::hypot (b->x1 - b->x2, b->y1 - b->y2) / std::sqrt (2.0f), 0.01f, 1.0f);
            if (target != now)
            {
                const float k = target / now;
                b->x1 = b->cx + (b->x1 - b->cx) * k; b->y1 = b->cy + (b->y1 - b->cy) * k;
                b->x2 = b->cx + (b->x2 - b->cx) * k; b->y2 = b->cy + (b->y2 - b->cy) * k;
            }
        }
    }

    void setAngle (int i, float a)
    {
        if (auto* b = bars[i])
        {
            const float t = std::clamp (a, 0.001f, 0.999f) * juce::MathConstants<float>::pi;
            const float r = std::hypot (b->x1 - b->x2, b->y1 - b->y2) * 0.5f;
            const float c = r * std::cos (t), s = r * std::sin (t);
            const bool down = b->y2 > b->y1;
            b->x1 = down ? b->cx - c : b->cx + c; b->y1 = down ? b->cy - s : b->cy + s;
            b->x2 = down ? b->cx + c : b->cx - c; b->y2 = down ? b->cy + s : b->cy - s;
        }
    }

    void setSelected (int i, bool on)
    {
        if (auto* b = bars[i])
        {
            b->selected = on;
            if (on)
                selectedIndex = i;
        }
    }

    void buildBackground (const MyBuffersArray<float>*, int n) { framesSeen += n; }
    void printImage() { ++snapshots; }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colours::black);
        const float w = (float) getWidth(), h = (float) getHeight();
        for (int i = 0; i < bars.size(); ++i)
        {
            const auto& b = *bars[i];
            if (! b.active)
                continue;
            g.setColour (b.muted ? juce::Colours::darkgrey : b.selected ? juce::Colours::blue : juce::Colours::white);
            g.drawLine (b.x1 * w, b.y1 * h, b.x2 * w, b.y2 * h, 1.5f);
            g.drawText (juce::String (i + 1), (int) (w * b.cx - 14), (int) (h * b.cy + 4) - 12, 12, 12,
                        juce::Justification::centredLeft);
        }
    }

    juce::OwnedArray<StandInBar> bars;
    int64_t selectedIndex = -1;
    int64_t framesSeen = 0;
    int snapshots = 0;
};

class PanelStandIn : public juce::Component
{
public:
    explicit PanelStandIn (MyEditor* e) : editor (e) { setSize (274, 50); }
    void updateParametersFromFilter() {}
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xffa5a5a5)); }

    MyEditor* const editor;
};

using MidiBindStandIn = PanelStandIn;
using OscConfigStandIn = PanelStandIn;
