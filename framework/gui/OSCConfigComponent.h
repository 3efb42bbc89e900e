#pragma once
// OSCConfigComponent: the small hidden panel (274 x 50) through which the
// user sets an effect's OSC endpoint: OSC on or off, the local address and
// port it listens on, the remote host and port it announces itself to.
// A committed port or host edit takes effect at once; OK confirms all and
// announces the instance ("/VoktTools/alive"); Cancel restores what the
// endpoint had when the panel was shown. The editor holding it shows it with
// setVisible(true), which also fills it from the endpoint; OK and Cancel
// hide it again.
// Port fields take a decimal port up to 65535; other text is refused and the
// field shows its last accepted text again. An empty field or 0 as local
// port lets the endpoint search its range for a free port.
// Threads: message thread only (like the endpoint's settings it edits).
#include <juce_gui_basics/juce_gui_basics.h>

#include "MyJuceButtons.h"
#include "MyJucePopup.h"

#include <memory>

class MyEditor;
class CodecOSCReceiver;

// A port typed into a field: an empty text is 0; otherwise digits only
// (blanks around them allowed) giving at most 65535. False for anything else.
bool ParsePortText (const juce::String& text, int& port);

class OSCConfigComponent : public juce::Component,
                           public juce::ActionBroadcaster,
                           public juce::ChangeListener,
                           public juce::Label::Listener,
                           public juce::Button::Listener
{
public:
    // editor: the editor holding the panel; its effect is the endpoint.
    explicit OSCConfigComponent (MyEditor* editor);
    ~OSCConfigComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    // Shown: the endpoint's settings are kept for Cancel and the panel is
    // filled from the endpoint.
    void visibilityChanged() override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void labelTextChanged (juce::Label*) override;
    void buttonClicked (juce::Button*) override;

    // Fills the fields, the address pop-up and the on/off state from the
    // endpoint.
    void updateParametersFromFilter();

    // The addresses offered by localIPPopup, in item order: the endpoint's
    // local addresses when the panel was first filled.
    const juce::StringArray& getAddressList() const noexcept { return addressList; }

    MyEditor* editor;
    bool panelOn = false;
    int savedLocalPort = 0, savedRemotePort = 0;
    juce::String savedLocalIP, savedRemoteHost;
    bool savedOn = false;

    std::unique_ptr<juce::Label> localCaption;
    std::unique_ptr<MyJucePopup> localIPPopup;
    std::unique_ptr<juce::Label> localIPCaption;
    std::unique_ptr<juce::Label> localPortCaption;
    std::unique_ptr<juce::Label> localPortEdit;
    std::unique_ptr<juce::Label> remoteCaption;
    std::unique_ptr<juce::Label> remoteIPEdit;
    std::unique_ptr<juce::Label> remoteIPCaption;
    std::unique_ptr<juce::Label> remotePortCaption;
    std::unique_ptr<juce::Label> remotePortEdit;
    std::unique_ptr<MyJuceSimpleTextButton> okButton;
    std::unique_ptr<MyJuceSimpleTextButton> cancelButton;
    std::unique_ptr<MyJuceSimpleTextButton> onOffButton;

private:
    CodecOSCReceiver& endpoint() const;
    void fillAddressList();
    void enableFields (bool on);
    // The field's port; a refused text is replaced by the last accepted one.
    bool acceptPort (juce::Label& field, juce::String& lastAccepted, int& port);
    void showPortText (juce::Label& field, juce::String& lastAccepted, const juce::String& text);

    juce::StringArray addressList;
    juce::String acceptedLocalPortText, acceptedRemotePortText;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OSCConfigComponent)
};
