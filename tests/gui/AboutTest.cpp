// The About box: version text, and that it opens on the desktop and closes
// by itself, after its time or at a click outside it.
#include "AboutComponent.h"
#include "GuiTestSupport.h"

using namespace guitest;

TEST (AboutComponent, VersionTextFromTheBuildLiteral)
{
    EXPECT_EQ (AboutComponent::versionText ("260"), "3.10.0   (Build 260)");
    EXPECT_EQ (AboutComponent::buildNumberFrom ("$Rev: 0042 $"), "0042");
    EXPECT_EQ (AboutComponent::buildNumberFrom ("a:1:2"), "12");
    EXPECT_EQ (AboutComponent::buildNumberFrom ("no digits"), "");
}

TEST (AboutComponent, OpensAndClosesByItselfAfterItsTime)
{
    ignoreXErrorsLikeAnApplication();
    auto* about = new AboutComponent();
    EXPECT_EQ (about->getWidth(), 528);
    EXPECT_EQ (about->getHeight(), 370);
    juce::Component::SafePointer<AboutComponent> box (about);
    about->lifetimeMs = 600;

    about->show (nullptr);
    ASSERT_NE (box, nullptr);
    EXPECT_TRUE (box->isOnDesktop());
    EXPECT_TRUE (box->isCurrentlyModal());
    EXPECT_TRUE (box->isAlwaysOnTop());
    EXPECT_EQ (box->getVersionText(), "3.10.0   (Build 260)");

    // A click inside does nothing.
    box->mouseDown (mouseAt (*box, 100.0f, 100.0f));
    pumpMessages (100);
    EXPECT_NE (box, nullptr);

    EXPECT_TRUE (pumpUntil ([&] { return box == nullptr; }, 3000));
}

TEST (AboutComponent, AClickOutsideClosesIt)
{
    ignoreXErrorsLikeAnApplication();
    auto* about = new AboutComponent();
    juce::Component::SafePointer<AboutComponent> box (about);
    about->show (nullptr);  // the default ten seconds
    ASSERT_NE (box, nullptr);
    pumpMessages (200);
    ASSERT_NE (box, nullptr);

    // A press on another window while the box is modal.
    juce::Component other;
    other.setSize (50, 50);
    other.addToDesktop (0);
    other.setVisible (true);
    auto* peer = other.getPeer();
    ASSERT_NE (peer, nullptr);
    const auto start = juce::Time::getMillisecondCounter();
    const auto now = juce::Time::currentTimeMillis();
    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, { 10.0f, 10.0f }, left,
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, now);
    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, { 10.0f, 10.0f }, {},
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, now + 20);
    EXPECT_TRUE (pumpUntil ([&] { return box == nullptr; }, 1000));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 500u);
}
