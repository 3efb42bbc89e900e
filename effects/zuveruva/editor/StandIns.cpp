#include "StandIns.h"

namespace standin
{
Slider2D::Slider2D (const juce::String& name) : juce::Slider (name)
{
    setSliderStyle (juce::Slider::LinearBar);
    setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    setRange (0.0, 1.0, 0.0);
    setWantsKeyboardFocus (false);
}

Slider2D::~Slider2D() = default;

void Slider2D::addListener (juce::Slider::Listener* l)
{
    if (l != nullptr)
        listeners.addIfNotAlreadyThere (l);
}

void Slider2D::setBounds (int x, int y, int width, int height)
{
    juce::Component::setBounds (x, y, width, height);
    repaint();
}

void Slider2D::setXValue (float v)
{
    if ((double) v != valueX)
    {
        valueX = v;
        repaint();
    }
}

void Slider2D::setYValue (float v)
{
    if ((double) v != valueY)
    {
        valueY = v;
        repaint();
    }
}

void Slider2D::sendDragStart()
{
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners[i]->sliderDragStarted (this);
        if (checker.shouldBailOut())
            return;
    }
}

void Slider2D::sendDragEnd()
{
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners[i]->sliderDragEnded (this);
        if (checker.shouldBailOut())
            return;
    }
}

void Slider2D::notifyValue()
{
    juce::Component::BailOutChecker checker (this);
    for (int i = listeners.size(); --i >= 0;)
    {
        listeners[i]->sliderValueChanged (this);
        if (checker.shouldBailOut())
            return;
    }
}

void Slider2D::mouseDown (const juce::MouseEvent& e)
{
    if (e.mods.isAltDown())
    {
        sendDragStart();
        valueX = defaultX;
        valueY = defaultY;
        repaint();
        notifyValue();
        sendDragEnd();
        return;
    }
    sendDragStart();
    mouseDrag (e);
}

void Slider2D::mouseDrag (const juce::MouseEvent& e)
{
    if (e.mods.isAltDown() || ! isEnabled())
        return;
    const double w = juce::jmax (1, getWidth() - 16), h = juce::jmax (1, getHeight() - 16);
    const double x = juce::jlimit (0.0, 1.0, (e.position.x - 8.0) / w);
    const double y = juce::jlimit (0.0, 1.0, 1.0 - (e.position.y - 8.0) / h);
    if (x != valueX || y != valueY)
    {
        valueX = x;
        valueY = y;
        repaint();
        notifyValue();
    }
}

void Slider2D::mouseUp (const juce::MouseEvent&)
{
    sendDragEnd();
}

Player::Player (bool) {}

void Player::openFile (juce::File file)
{
    currentFile = file;
    repaint();
}

void Player::setCurrentTime (float seconds)
{
    if (seconds != currentTime)
    {
        currentTime = seconds;
        repaint();
    }
}

void Player::updateStartButton (bool p) { playing = p; }
void Player::updateLoopButton (bool l) { looping = l; }

void Player::updateLoop (float start, float end)
{
    loopStart = start;
    loopEnd = end;
}

void Player::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff2a2623u));
    g.setColour (juce::Colour (0xffffd79du));
    g.setFont (12.0f);
    const auto text = currentFile == juce::File() ? dropHint
                                                  : currentFile.getFileName() + "   " + juce::String (currentTime, 2) + " s";
    g.drawText (text, getLocalBounds().reduced (6, 4), juce::Justification::topLeft, true);
}
} // namespace standin
