#include "ComponentFilter.h"

#include "MyEditor.h"
#include "StandaloneFilterWindow.h"

#include <cmath>

namespace selvo
{
ComponentFilter::ComponentFilter (juce::AudioProcessor* p)
    : processor (p)
{
    filterEditor = processor->createEditorIfNeeded();
    if (filterEditor != nullptr)
    {
        addAndMakeVisible (filterEditor);
        if (auto* e = dynamic_cast<MyEditor*> (filterEditor))
        {
            minEditorWidth = e->defaultWidth;
            minEditorHeight = e->defaultHeight;
        }
    }
    const int editorWidth = filterEditor != nullptr ? filterEditor->getWidth() : 560;
    const int editorHeight = filterEditor != nullptr ? filterEditor->getHeight() : 0;

    player.setSize (editorWidth, playerHeight);
    player.addActionListener (this);
    player.setPlayerListener (this);
    addAndMakeVisible (player);
    if (filterEditor != nullptr)
        filterEditor->setTopLeftPosition (0, playerHeight);
    setSize (editorWidth, playerHeight + editorHeight);
}

ComponentFilter::~ComponentFilter()
{
    player.setPlayerListener (nullptr);
    player.removeActionListener (this);
    if (filterEditor != nullptr)
    {
        removeChildComponent (filterEditor);
        delete filterEditor;
        filterEditor = nullptr;
    }
}

void ComponentFilter::childBoundsChanged (juce::Component* child)
{
    if (inResized || child == nullptr || child != filterEditor)
        return;
    editorResizing = true;
    desktopScale = juce::Desktop::getInstance().getGlobalScaleFactor();
    setSize ((int) ((float) filterEditor->getWidth() / desktopScale),
             (int) ((float) playerHeight + (float) filterEditor->getHeight() / desktopScale));
    // No size change means no resized(): do not leave the flag set.
    editorResizing = false;
    player.setSize (filterEditor->getWidth(), playerHeight);
}

void ComponentFilter::resized()
{
    if (editorResizing)
    {
        if (filterEditor != nullptr)
            player.setSize (filterEditor->getWidth(), playerHeight);
        editorResizing = false;
        return;
    }
    inResized = true;
    if (isOnDesktop() || getPeer() != nullptr)
    {
        // The content's own bounds, already in logical pixels whatever the
        // desktop scale (the peer's also hold the title and menu bars).
        const int w = getWidth();
        const int h = getHeight() - playerHeight;
        if (auto* e = dynamic_cast<MyEditor*> (filterEditor))
            e->setSize (w, h);
        else if (filterEditor != nullptr && w > 0 && h > 0)
            filterEditor->setSize (w, h);
        player.setSize (w, playerHeight);
    }
    inResized = false;
}

void ComponentFilter::actionListenerCallback (const juce::String& message)
{
    sendActionMessage (message);
}

void ComponentFilter::newMode (int mode)
{
    if (ownerWindow != nullptr)
        ownerWindow->newMode (mode);
}

float ComponentFilter::speedForSlider (float value, bool snap)
{
    float s = (value - 0.5f) * 4.0f;
    if (snap && std::abs (s) > 0.001f)
    {
        const float sign = s > 0.0f ? 1.0f : -1.0f;
        const float n = std::log (std::abs (s)) * 12.0f / std::log (2.0f);
        const float k = n >= 0.0f ? std::trunc (n + 0.5f) : std::trunc (n - 0.5f);
        s = sign * std::pow (2.0f, k / 12.0f);
    }
    return s;
}

void ComponentFilter::newVariableSpeed (float value)
{
    if (ownerWindow == nullptr)
        return;
    const bool shift = juce::ModifierKeys::getCurrentModifiers().isShiftDown();
    if (ownerWindow->streamer != nullptr)
        ownerWindow->streamer->setVariableSpeed (speedForSlider (value, shift));
}
} // namespace selvo
