#include "OSCConfigComponent.h"

#include "MyEditor.h"
#include "PanelLabels.h"

bool ParsePortText (const juce::String& text, int& port)
{
    const auto digits = text.trim();
    if (digits.isEmpty())
    {
        port = 0;
        return true;
    }
    if (! digits.containsOnly ("0123456789"))
        return false;
    const auto value = digits.getLargeIntValue();
    if (digits.length() > 9 || value > 65535)
        return false;
    port = (int) value;
    return true;
}

OSCConfigComponent::OSCConfigComponent (MyEditor* e) : editor (e)
{
    auto caption = [this] (const juce::String& text)
    {
        auto label = std::make_unique<juce::Label> ("new label", text);
        StylePanelCaption (*label);
        addAndMakeVisible (*label);
        return label;
    };

    auto editField = [this]
    {
        auto label = std::make_unique<juce::Label> ("new label", juce::String());
        StylePanelEditField (*label);
        label->addListener (this);
        addAndMakeVisible (*label);
        return label;
    };

    auto button = [this] (const juce::String& text, const juce::String& onText, bool toggle)
    {
        auto b = std::make_unique<MyJuceSimpleTextButton> ("new button");
        b->setParams (text, onText, toggle, true);
        b->textColourOn = juce::Colours::white;
        b->textColourOff = juce::Colours::black;
        b->addListener (this);
        addAndMakeVisible (*b);
        return b;
    };

    localCaption = caption (TRANS ("Local"));

    localIPPopup = std::make_unique<MyJucePopup> ("new label", juce::String());
    StylePanelValue (*localIPPopup);
    localIPPopup->setFont (juce::Font (12.0f, juce::Font::plain));
    localIPPopup->addChangeListener (this);
    addAndMakeVisible (*localIPPopup);

    localIPCaption = caption (TRANS ("IP :"));
    localPortCaption = caption (TRANS ("Port :"));
    localPortEdit = editField();
    remoteCaption = caption (TRANS ("Remote"));
    remoteIPEdit = editField();
    remoteIPCaption = caption (TRANS ("IP :"));
    remotePortCaption = caption (TRANS ("Port :"));
    remotePortEdit = editField();
    okButton = button (TRANS ("OK"), TRANS ("OK"), false);
    cancelButton = button (TRANS ("Cancel"), TRANS ("Cancel"), false);
    onOffButton = button (TRANS ("Off"), TRANS ("On"), true);
    onOffButton->setEnabled (true);

    setSize (274, 50);
}

OSCConfigComponent::~OSCConfigComponent()
{
    localIPPopup->removeChangeListener (this);
    for (auto* b : { okButton.get(), cancelButton.get(), onOffButton.get() })
        b->removeListener (this);
}

CodecOSCReceiver& OSCConfigComponent::endpoint() const { return *editor->getEffect(); }

void OSCConfigComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffa5a5a5));
}

void OSCConfigComponent::resized()
{
    localCaption->setBounds (0, 5, 40, 8);
    localIPPopup->setBounds (64, 3, 94, 12);
    localIPCaption->setBounds (40, 5, 24, 8);
    localPortCaption->setBounds (168, 5, 40, 8);
    localPortEdit->setBounds (208, 3, 56, 12);
    remoteCaption->setBounds (0, 21, 46, 8);
    remoteIPEdit->setBounds (64, 19, 94, 12);
    remoteIPCaption->setBounds (40, 21, 24, 8);
    remotePortCaption->setBounds (168, 21, 40, 8);
    remotePortEdit->setBounds (208, 19, 56, 12);
    okButton->setBounds (64, 36, 94, 13);
    cancelButton->setBounds (171, 36, 94, 13);
    onOffButton->setBounds (7, 36, 48, 13);
}

void OSCConfigComponent::visibilityChanged()
{
    if (! isVisible())
        return;

    // What Cancel restores: the endpoint as it was when the panel opened.
    auto& osc = endpoint();
    savedLocalPort = osc.localPort;
    savedRemotePort = osc.remotePort;
    savedLocalIP = osc.localIP;
    savedRemoteHost = osc.remoteHost;
    savedOn = osc.oscOn;
    updateParametersFromFilter();
}

void OSCConfigComponent::fillAddressList()
{
    // The pop-up's items can only be appended: the list is made once, from
    // the endpoint's addresses (getLocalIP has filled them by now).
    if (! addressList.isEmpty())
        return;
    addressList = endpoint().localAddresses;
    for (auto& address : addressList)
        localIPPopup->addItemText (address);
}

void OSCConfigComponent::updateParametersFromFilter()
{
    auto& osc = endpoint();
    showPortText (*localPortEdit, acceptedLocalPortText, juce::String (osc.localPort));
    showPortText (*remotePortEdit, acceptedRemotePortText, juce::String (osc.remotePort));
    remoteIPEdit->setText (osc.remoteHost, juce::dontSendNotification);

    const auto ip = osc.getLocalIP();
    fillAddressList();
    localIPPopup->setValue ((float) addressList.indexOf (ip), true);

    panelOn = osc.oscOn;
    enableFields (panelOn);
    onOffButton->setToggleState (panelOn, juce::dontSendNotification);
}

void OSCConfigComponent::enableFields (bool on)
{
    for (juce::Component* c : { (juce::Component*) localPortEdit.get(), (juce::Component*) remotePortEdit.get(),
                                (juce::Component*) remoteIPEdit.get(), (juce::Component*) localIPPopup.get() })
        c->setEnabled (on);
}

void OSCConfigComponent::showPortText (juce::Label& field, juce::String& lastAccepted, const juce::String& text)
{
    lastAccepted = text;
    field.setText (text, juce::dontSendNotification);
}

bool OSCConfigComponent::acceptPort (juce::Label& field, juce::String& lastAccepted, int& port)
{
    const auto text = field.getText();
    if (! ParsePortText (text, port))
    {
        field.setText (lastAccepted, juce::dontSendNotification);
        ParsePortText (lastAccepted, port);
        return false;
    }
    lastAccepted = text;
    return true;
}

void OSCConfigComponent::labelTextChanged (juce::Label* label)
{
    auto& osc = endpoint();
    int port = 0;
    if (label == localPortEdit.get())
    {
        if (acceptPort (*localPortEdit, acceptedLocalPortText, port))
            osc.setLocalPort (port);  // 0: the endpoint searches its range
    }
    else if (label == remoteIPEdit.get())
    {
        osc.remoteHost = remoteIPEdit->getText();
    }
    else if (label == remotePortEdit.get())
    {
        if (acceptPort (*remotePortEdit, acceptedRemotePortText, port))
            osc.remotePort = port;
    }
}

void OSCConfigComponent::buttonClicked (juce::Button* button)
{
    auto& osc = endpoint();

    if (button == onOffButton.get())
    {
        panelOn = onOffButton->getToggleState();
        enableFields (panelOn);
        osc.setOSCOn (panelOn);
        updateParametersFromFilter();
        return;
    }

    // OK and Cancel act at the press; their release click does nothing.
    if (! button->isDown())
        return;

    if (button == okButton.get())
    {
        setVisible (false);
        int port = 0;
        osc.localIP = localIPPopup->getCurrentText();
        osc.remoteHost = remoteIPEdit->getText();
        acceptPort (*localPortEdit, acceptedLocalPortText, port);
        osc.setLocalPort (port);
        acceptPort (*remotePortEdit, acceptedRemotePortText, port);
        osc.remotePort = port;
        osc.setOSCOn (panelOn);
        osc.sendAlive();
    }
    else if (button == cancelButton.get())
    {
        setVisible (false);
        osc.localIP = savedLocalIP;
        osc.remoteHost = savedRemoteHost;
        osc.remotePort = savedRemotePort;
        // The on flag first: a port is bound only while OSC is on, and the
        // panel may have switched it off meanwhile.
        osc.oscOn = savedOn;
        if (savedOn)
            osc.setLocalPort (savedLocalPort);
    }
}

void OSCConfigComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    // A disabled pop-up reports clicks too; only a choice sets the address.
    if (source == localIPPopup.get() && localIPPopup->isEnabled())
        endpoint().localIP = localIPPopup->getCurrentText();
}
