#include "AboutComponent.h"

#include "MyEffect.h"

namespace
{
const char* const buildLiteral = "260";
}

AboutComponent::AboutComponent()
{
    for (auto* label : { &versionLabel, &spareLabel })
    {
        label->setFont (getArialFont (11.0f));
        label->setColour (juce::Label::textColourId, juce::Colour (0xfffcfcfcu));
        label->setEditable (false, false, false);
        label->setJustificationType (juce::Justification::centredLeft);
        addAndMakeVisible (*label);
    }

    background = GetAboutBackground();
    logo = GetAboutLogo();
    setSize (528, 370);
}

AboutComponent::~AboutComponent() = default;

juce::String AboutComponent::buildNumberFrom (const juce::String& literal)
{
    auto s = literal;
    if (s.containsChar (':'))
        s = s.fromFirstOccurrenceOf (":", false, false);
    return s.retainCharacters ("0123456789");
}

juce::String AboutComponent::versionText (const juce::String& literal)
{
    return "3.10.0   (Build " + buildNumberFrom (literal) + ")";
}

void AboutComponent::show (MyEffect*, bool waitForPaint)
{
    versionLabel.setText (versionText (buildLiteral), juce::dontSendNotification);

    setAlwaysOnTop (true);
    setVisible (true);
    centreWithSize (getWidth(), getHeight());
    addToDesktop (juce::ComponentPeer::windowHasDropShadow);
    toFront (false);

    // Let the box paint before the caller goes on.
    if (waitForPaint)
    {
        juce::Component::SafePointer<AboutComponent> self (this);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
        if (self == nullptr)
            return;
    }

    closeTime = juce::Time::getCurrentTime() + juce::RelativeTime::milliseconds (lifetimeMs);
    clickedOutside = false;
    enterModalState (true, nullptr, false);
    startTimer (50);
}

void AboutComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
    g.drawImage (background, -1, 0, 530, 300, 0, 0, background.getWidth(), background.getHeight());
    g.drawImage (logo, getWidth() / 2 - 23, getHeight() - 56, 46, 46, 0, 0, logo.getWidth(), logo.getHeight());
}

void AboutComponent::resized()
{
    versionLabel.setBounds (161, 52, 150, 16);
    spareLabel.setBounds (160, 67, 240, 16);
}

void AboutComponent::mouseDown (const juce::MouseEvent&) {}

void AboutComponent::inputAttemptWhenModal()
{
    clickedOutside = true;
}

void AboutComponent::timerCallback()
{
    if (juce::Time::getCurrentTime() > closeTime || clickedOutside)
        delete this;
}
