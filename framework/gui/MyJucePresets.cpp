#include "MyJucePresets.h"

#include "Highlight.h"
#include "MyArialFont.h"
#include "MyEffect.h"
#include "PopupMenus.h"

#include <algorithm>

MyJucePresets::MyJucePresets (const juce::String& name) : juce::Component (name)
{
    setTooltip ("16 presets for storage and interpolation");
    setWantsKeyboardFocus (false);
}

MyJucePresets::~MyJucePresets() = default;

void MyJucePresets::setBounds (int x, int y, int width, int height)
{
    juce::Component::setBounds (x, y, width, height);
}

void MyJucePresets::resized()
{
    const float w = (float) getWidth();
    const float h = (float) getHeight();
    rowHeight = h / 9.0f;
    columnWidth = 0.5f * w - 2.0f;

    const float slotWidth = (float) std::max ((int) columnWidth - 2, 0);
    const float slotHeight = (float) std::max ((int) rowHeight - 2, 0);
    const float rightX = (float) ((int) (columnWidth + 4.0f) + 1);
    for (int i = 0; i < 8; ++i)
    {
        const float y = (float) ((int) ((float) i * rowHeight) + 1);
        slotRects[i] = { 1.0f, y, slotWidth, slotHeight };
        slotRects[8 + i] = { rightX, y, slotWidth, slotHeight };
    }

    statusRect = { 0.0f, (float) (int) (8.0f * rowHeight + 1.0f), w, (float) (int) rowHeight };
    barX = columnWidth + 2.0f;
    barLength = 8.0f * rowHeight - 3.0f;
    barBottom = 8.0f * rowHeight - 1.0f;
}

void MyJucePresets::setStates (const int* newStates)
{
    bool changed = false;
    for (int i = 0; i < numSlots; ++i)
    {
        if (states[i] != newStates[i])
        {
            states[i] = newStates[i];
            changed = true;
        }
    }
    if (changed)
        repaint();
}

void MyJucePresets::SetValue (float newProgress)
{
    if (progress != newProgress)
    {
        progress = newProgress;
        repaint();
    }
}

void MyJucePresets::setStatus (const juce::String& text)
{
    text.copyToUTF8 (statusText, sizeof (statusText));
}

void MyJucePresets::setText (float presetValue, bool show)
{
    if (! show || ! (presetValue >= 0.0f && presetValue <= 1.0f))
        return;

    const auto text = "Load " + juce::String ((int) (presetValue * 15.0f + 1.0f));
    if (text != getStatusText())
    {
        setStatus (text);
        repaint();
    }
}

void MyJucePresets::SetControlHighliteInfo (bool on, short type)
{
    highlightColour = HighlightColour (highlightColour, on, type);
    repaint();
}

bool MyJucePresets::keyPressed (const juce::KeyPress&) { return false; }

int MyJucePresets::slotAt (juce::Point<float> p) const
{
    for (int i = 0; i < numSlots; ++i)
        if (slotRects[i].contains (p))
            return i;
    return -1;
}

void MyJucePresets::setHotSlot (int slot)
{
    if (hotSlot >= 0)
        hot[hotSlot] = false;
    hotSlot = slot;
    if (hotSlot >= 0)
        hot[hotSlot] = true;
}

void MyJucePresets::report (int slot, int action)
{
    pending.push_back ({ slot, action });
    triggerAsyncUpdate();
}

void MyJucePresets::handleAsyncUpdate()
{
    juce::Component::BailOutChecker checker (this);
    while (! pending.empty())
    {
        const auto click = pending.front();
        pending.pop_front();
        if (click.action != 4)
            lastSlot = click.slot;
        lastAction = click.action;
        sendSynchronousChangeMessage();
        if (checker.shouldBailOut())
            return;
    }
}

void MyJucePresets::paint (juce::Graphics& g)
{
    g.setFont (getArialFont (11.0f));

    juce::Colour text = juce::Colours::black;
    for (int i = 0; i < numSlots; ++i)
    {
        const auto& r = slotRects[i];
        const int state = states[i];
        if (state == 0 || state == 2 || state == 3)
        {
            g.setColour (hot[i] ? hotColour : slotColour);
            g.fillRoundedRectangle (r, 2.0f);
            text = i >= 14 ? juce::Colour (250, 234, 156) : juce::Colours::black;
        }
        else if (state == 1)
        {
            g.setColour (hot[i] ? hotColour : storedColour);
            g.fillRoundedRectangle (r, 2.0f);
            text = juce::Colours::white;
        }
        g.setColour (text);
        g.drawFittedText (juce::String::formatted ("%2d", i + 1),
                          (int) r.getX(), (int) r.getY() + 2, (int) r.getWidth(), (int) r.getHeight() - 2,
                          juce::Justification::centred, 1);
    }

    g.setColour (storedColour);
    g.fillRoundedRectangle (statusRect, 2.0f);
    g.setColour (juce::Colours::white);
    g.drawFittedText (getStatusText(),
                      (int) statusRect.getX() + 4, (int) statusRect.getY(),
                      (int) statusRect.getWidth() - 8, (int) statusRect.getHeight(),
                      juce::Justification::centred, 1);

    const float t = progress == 1.0f ? barBottom : barBottom - barLength * progress;
    g.setColour (juce::Colours::red);
    g.drawLine (barX, barBottom, barX, t, 2.0f);
    g.setColour (slotColour);
    g.drawLine (barX, t, barX, barBottom - barLength, 2.0f);

    DrawHighlightOutline (g, getLocalBounds(), highlightColour);
}

void MyJucePresets::mouseDown (const juce::MouseEvent& e)
{
    setHotSlot (-1);
    pendingAction = 0;
    menuShown = false;

    if (e.mods.isPopupMenu())
    {
        if (effect == nullptr)
            return;
        showClipboardMenu (e.position);
        menuShown = true;  // the rest of this click belongs to the menu
        return;
    }

    if (statusRect.contains (e.position))
    {
        report (lastSlot, 4);
        return;
    }

    if (e.mods.isCommandDown())
        pendingAction = 1;
    else if (e.mods.isAltDown())
        pendingAction = 2;
    else if (e.mods.isShiftDown())
        pendingAction = 3;

    setHotSlot (slotAt (e.position));
    repaint();
}

void MyJucePresets::mouseDrag (const juce::MouseEvent& e)
{
    if (menuShown)
        return;

    if (getLocalBounds().toFloat().contains (e.position))
    {
        const int slot = slotAt (e.position);
        if (slot >= 0 && slot != hotSlot)
        {
            setHotSlot (slot);
            repaint();
        }
    }
    else if (hotSlot >= 0)
    {
        setHotSlot (-1);  // left the bar: the click is cancelled
        repaint();
    }
}

void MyJucePresets::mouseUp (const juce::MouseEvent&)
{
    if (menuShown || hotSlot < 0)
        return;

    const int slot = hotSlot;
    hot[slot] = false;
    static const char* const texts[] = { "Load ", "Save ", "Reset ", "Load " };
    static const int newStates[] = { 0, 1, 0, 3 };
    setStatus (texts[pendingAction] + juce::String (slot + 1));
    states[slot] = newStates[pendingAction];
    report (slot, pendingAction);
    hotSlot = -1;
    pendingAction = 0;
    repaint();
}

void MyJucePresets::mouseMove (const juce::MouseEvent& e)
{
    if (menuShown)
        return;
    const int slot = slotAt (e.position);
    if (slot >= 0 && slot != hotSlot)
    {
        setHotSlot (slot);
        repaint();
    }
}

void MyJucePresets::mouseExit (const juce::MouseEvent&)
{
    if (menuShown)
        return;
    setHotSlot (-1);
    repaint();
}

void MyJucePresets::showClipboardMenu (juce::Point<float> p)
{
    int slot = slotAt (p);
    if (slot < 0)
        slot = 0;

    juce::PopupMenu menu;
    menu.addItem (1, "Copy preset " + juce::String (slot + 1));
    auto clip = juce::SystemClipboard::getTextFromClipboard();
    if (effect->isPresetStringValid (clip))
    {
        menu.addSeparator();
        menu.addItem (2, "Paste " + effect->getPresetStringTitle (clip));
    }

    ShowKitMenu (*this, menu, 1, 15, [this, slot] (int chosen)
    {
        if (effect == nullptr)
            return;

        if (chosen == 1)
        {
            juce::SystemClipboard::copyTextToClipboard (effect->getPresetString (slot));
        }
        else if (chosen == 2)
        {
            // The clipboard may have changed while the menu was open: the text
            // pasted is checked again.
            auto text = juce::SystemClipboard::getTextFromClipboard();
            if (effect->isPresetStringValid (text))
                effect->setPresetString (slot, text);
        }
    });
}

//==============================================================================
MyJuceSuperPreset::MyJuceSuperPreset (const juce::String& name) : juce::Component (name)
{
    setTooltip ("presets selection for interpolation");
    setWantsKeyboardFocus (false);
}

void MyJuceSuperPreset::setBounds (int x, int y, int width, int height)
{
    juce::Component::setBounds (x, y, width, height);
}

void MyJuceSuperPreset::resized()
{
    const int w = getWidth(), h = getHeight();
    const int cellWidth = std::max (h, 16);
    for (int i = 0; i < numCells; ++i)
        cellRects[i] = { (float) ((w - cellWidth) * i / 7), 0.0f, (float) cellWidth, (float) h };
}

void MyJuceSuperPreset::SetState (long cell, long value)
{
    if (cell < 0 || cell >= numCells)
        return;
    cells[cell] = (int16_t) value;
    repaint();
}

long MyJuceSuperPreset::GetState (long cell) const
{
    if (cell < 0 || cell >= numCells)
        return -1;
    return (long) cells[cell];
}

bool MyJuceSuperPreset::keyPressed (const juce::KeyPress&) { return false; }

void MyJuceSuperPreset::paint (juce::Graphics& g)
{
    g.setFont (getArialFont (11.5f));
    for (int i = 0; i < numCells; ++i)
    {
        const auto& r = cellRects[i];
        const bool selected = i == selectedCell;
        g.setColour (selected ? selectedColour : cellColour);
        g.fillRoundedRectangle (r, 2.0f);
        g.setColour (selected ? juce::Colours::white : juce::Colours::black);
        const auto text = cells[i] == -1 ? juce::String ("off") : juce::String::formatted ("%2d", cells[i] + 1);
        g.drawFittedText (text, (int) r.getX(), (int) r.getY() + 1, (int) r.getWidth(), (int) r.getHeight() - 2,
                          juce::Justification::centred, 1);
    }
}

void MyJuceSuperPreset::mouseDown (const juce::MouseEvent& e)
{
    lastX = e.x;
    lastY = e.y;
    selectedCell = -1;
    for (int i = 0; i < numCells; ++i)
        if (cellRects[i].contains (e.position))
            selectedCell = (int16_t) i;
    repaint();
}

void MyJuceSuperPreset::mouseDrag (const juce::MouseEvent& e)
{
    if (selectedCell < 0)
        return;

    auto& value = cells[selectedCell];
    if (e.y < lastY - 4)
    {
        if (value <= 14)
            ++value;
        lastY = e.y;
    }
    else if (e.y > lastY + 4)
    {
        if (value >= 0)
            --value;
        if ((selectedCell == 0 || selectedCell == 7) && value < 0)
            value = 0;  // the end cells are never off
        lastY = e.y;
    }
    sendChangeMessage();
    repaint();
}

void MyJuceSuperPreset::mouseUp (const juce::MouseEvent&)
{
    selectedCell = -1;
    repaint();
}
