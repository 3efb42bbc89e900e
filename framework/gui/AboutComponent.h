#pragma once
// The About box: a 528 x 370 window on the desktop with the product's
// background picture, its logo and its version text. It closes itself ten
// seconds after it opens, or as soon as the user clicks elsewhere; clicks
// inside it do nothing. The box owns itself once shown (and is deleted at
// application shutdown if still open). Both pictures are drawn here at run
// time (AboutArtwork).
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyArialFont.h"

class MyEffect;

class AboutComponent : public juce::Component,
                       public juce::Timer,
                       public juce::DeletedAtShutdown
{
public:
    AboutComponent();
    ~AboutComponent() override;

    // Opens the box: on top, centred, on the desktop; paints it (300 ms of
    // message loop, only with waitForPaint: a plug-in passes false, as it
    // must not run the host's message loop), then enters the modal state and
    // starts the close timer. `effect` is not used.
    void show (MyEffect* effect, bool waitForPaint = true);

    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent&) override;
    void inputAttemptWhenModal() override;
    void timerCallback() override;

    juce::String getVersionText() const { return versionLabel.getText(); }

    // How long the box stays open (tests shorten it).
    int lifetimeMs = 10000;

    // "3.10.0   (Build n)" for a build literal: the part after the first
    // colon when there is one, digits only.
    static juce::String buildNumberFrom (const juce::String& buildLiteral);
    static juce::String versionText (const juce::String& buildLiteral);

private:
    ScopedArialFont fontUser;
    juce::Time closeTime;
    bool clickedOutside = false;
    juce::Label versionLabel { "new label", "version" };
    juce::Label spareLabel { "new label", {} };
    juce::Image background;
    juce::Image logo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutComponent)
};

// The two pictures of the About box, drawn with JUCE graphics (cached).
juce::Image GetAboutBackground();  // 530 x 300
juce::Image GetAboutLogo();        // 92 x 92, drawn at 46 x 46
