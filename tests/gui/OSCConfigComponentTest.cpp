// The OSC settings panel over a real endpoint on loopback: opening fills it
// and keeps what Cancel restores, On/Off, committed port and host edits,
// refused port texts, OK announcing the instance, and the address pop-up.
// Ports are chosen free by the OS or found by the endpoint's own search.
#include "GuiTestSupport.h"
#include "OSCConfigComponent.h"
#include "OscLoopback.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
class OscPanelTest : public KitTest
{
protected:
    OscPanelTest()
    {
        // The endpoint's search starts where the OS found a free port, away
        // from the ports other test programs search.
        effect.basePort = osc_loopback::freshPort();
        editor.addChildComponent (panel);
        panel.setTopLeftPosition (60, 240);
    }

    void open() { panel.setVisible (true); }

    void click (juce::Button& b)
    {
        press (b, 5.0f, 5.0f);
        release (b, 5.0f, 5.0f);
    }

    static void type (juce::Label& field, const juce::String& text)
    {
        field.setText (text, juce::sendNotificationSync);
    }

    bool fieldsEnabled() const
    {
        return panel.localPortEdit->isEnabled() && panel.remotePortEdit->isEnabled() && panel.remoteIPEdit->isEnabled()
            && panel.localIPPopup->isEnabled();
    }

    bool fieldsDisabled() const
    {
        return ! panel.localPortEdit->isEnabled() && ! panel.remotePortEdit->isEnabled() && ! panel.remoteIPEdit->isEnabled()
            && ! panel.localIPPopup->isEnabled();
    }

    SpyEffect effect;
    SpyEditor editor { effect };
    OSCConfigComponent panel { &editor };
};
} // namespace

TEST (OSCConfigPorts, PortTexts)
{
    struct Row
    {
        const char* text;
        bool accepted;
        int port;
    };
    const Row rows[] = {
        { "4000", true, 4000 }, { " 9000 ", true, 9000 }, { "65535", true, 65535 }, { "04000", true, 4000 },
        { "", true, 0 },        { "0", true, 0 },         { "65536", false, 0 },    { "99999999999", false, 0 },
        { "abc", false, 0 },    { "40x0", false, 0 },     { "-5", false, 0 },       { "12.5", false, 0 },
    };
    for (const auto& row : rows)
    {
        int port = -1;
        EXPECT_EQ (ParsePortText (row.text, port), row.accepted) << row.text;
        if (row.accepted)
        {
            EXPECT_EQ (port, row.port) << row.text;
        }
    }
}

TEST_F (OscPanelTest, OpeningFillsThePanelFromTheEndpointAndBindsNothing)
{
    effect.remoteHost = "10.0.0.2";
    effect.remotePort = 8000;
    effect.localAddresses = { "169.254.3.4", "192.168.1.20", "127.0.0.1" };
    EXPECT_EQ (panel.getWidth(), 274);
    EXPECT_EQ (panel.getHeight(), 50);
    EXPECT_FALSE (panel.isVisible());

    open();
    EXPECT_EQ (panel.remoteIPEdit->getText(), "10.0.0.2");
    EXPECT_EQ (panel.remotePortEdit->getText(), "8000");
    EXPECT_EQ (panel.localPortEdit->getText(), "0");
    EXPECT_EQ (panel.getAddressList(), effect.localAddresses);
    EXPECT_EQ (panel.localIPPopup->getCurrentText(), "192.168.1.20");
    EXPECT_EQ (panel.localIPPopup->getText(), "192.168.1.20");
    EXPECT_TRUE (panel.panelOn);
    EXPECT_TRUE (panel.onOffButton->getToggleState());
    EXPECT_TRUE (fieldsEnabled());
    EXPECT_EQ (effect.socket, nullptr);
    EXPECT_EQ (panel.savedRemoteHost, "10.0.0.2");
    EXPECT_EQ (panel.savedRemotePort, 8000);
    EXPECT_TRUE (panel.savedOn);
}

TEST_F (OscPanelTest, AnAddressMissingFromTheListLeavesThePopupEmpty)
{
    effect.localAddresses = { "10.1.2.3", "192.168.1.20" };
    effect.localIP = "172.16.0.1";
    open();
    EXPECT_EQ (panel.localIPPopup->getText(), "");
    EXPECT_EQ (panel.localIPPopup->getCurrentText(), "");

    // A choice in the pop-up becomes the announced address.
    AnsweringMenus menus;
    ScopedPopupMenus scope (menus);
    menus.answer = 2;
    panel.localIPPopup->mouseDown (mouseAt (*panel.localIPPopup, 5, 5));
    pumpMessages (30);
    EXPECT_EQ (effect.localIP, "192.168.1.20");
}

TEST_F (OscPanelTest, OnOffSwitchesTheEndpointAndRefreshes)
{
    open();
    click (*panel.onOffButton);
    EXPECT_FALSE (effect.oscOn);
    EXPECT_FALSE (panel.panelOn);
    EXPECT_TRUE (fieldsDisabled());
    EXPECT_EQ (effect.socket, nullptr);

    click (*panel.onOffButton);
    EXPECT_TRUE (effect.oscOn);
    EXPECT_TRUE (fieldsEnabled());
    ASSERT_NE (effect.socket, nullptr);  // switched on: bound by the search
    EXPECT_GE (effect.localPort, effect.basePort);
    EXPECT_EQ (panel.localPortEdit->getText(), juce::String (effect.localPort));
}

TEST_F (OscPanelTest, CommittedEditsTakeEffectAtOnce)
{
    open();
    const int port = osc_loopback::freshPort();
    type (*panel.localPortEdit, juce::String (port));
    EXPECT_EQ (effect.localPort, port);
    ASSERT_NE (effect.socket, nullptr);

    type (*panel.remoteIPEdit, "127.0.0.1");
    type (*panel.remotePortEdit, "9000");
    EXPECT_EQ (effect.remoteHost, "127.0.0.1");
    EXPECT_EQ (effect.remotePort, 9000);

    // Refused: the field shows its last accepted text, the endpoint keeps its port.
    for (auto* text : { "abc", "70000", "-1" })
    {
        type (*panel.localPortEdit, text);
        EXPECT_EQ (panel.localPortEdit->getText(), juce::String (port)) << text;
        EXPECT_EQ (effect.localPort, port) << text;
        type (*panel.remotePortEdit, text);
        EXPECT_EQ (panel.remotePortEdit->getText(), "9000") << text;
        EXPECT_EQ (effect.remotePort, 9000) << text;
    }

    // 0 and an empty field let the endpoint search its range.
    for (auto* text : { "0", "" })
    {
        type (*panel.localPortEdit, text);
        EXPECT_GE (effect.localPort, effect.basePort) << text;
        EXPECT_LT (effect.localPort, effect.basePort + CodecOSC::portSearchCount) << text;
    }
}

TEST_F (OscPanelTest, OkAnnouncesTheInstanceToTheRemote)
{
    ReplyCapture remote;
    open();
    type (*panel.remoteIPEdit, osc_loopback::host);
    type (*panel.remotePortEdit, juce::String (remote.port));

    click (*panel.okButton);
    EXPECT_FALSE (panel.isVisible());
    EXPECT_TRUE (effect.oscOn);
    EXPECT_NE (effect.socket, nullptr);

    ASSERT_TRUE (remote.waitForPackets (1));
    pumpMessages (50);  // a second announcement would have come by now
    const auto packets = remote.packets();
    ASSERT_EQ (packets.size(), 1u);
    ASSERT_TRUE (packets[0].isMessage());
    const auto& alive = packets[0].getMessage();
    EXPECT_EQ (alive.getAddressPattern().toString(), "/VoktTools/alive");
    ASSERT_EQ (alive.size(), 4);
    EXPECT_EQ (alive[1].getFloat32(), (float) effect.localPort);
    EXPECT_EQ (alive[2].getString(), effect.uuid);
}

TEST_F (OscPanelTest, CancelRestoresWhatTheEndpointHadWhenOpened)
{
    const int first = osc_loopback::freshPort();
    ASSERT_TRUE (effect.setLocalPort (first));
    effect.remoteHost = "10.0.0.2";
    effect.remotePort = 8000;
    effect.localIP = "10.0.0.1";
    open();

    type (*panel.localPortEdit, "0");
    type (*panel.remoteIPEdit, "10.9.9.9");
    type (*panel.remotePortEdit, "7000");
    click (*panel.onOffButton);
    ASSERT_FALSE (effect.oscOn);

    click (*panel.cancelButton);
    EXPECT_FALSE (panel.isVisible());
    EXPECT_TRUE (effect.oscOn);
    EXPECT_EQ (effect.localPort, first);
    EXPECT_EQ (effect.remoteHost, "10.0.0.2");
    EXPECT_EQ (effect.remotePort, 8000);
    EXPECT_EQ (effect.localIP, "10.0.0.1");
}

TEST_F (OscPanelTest, Snapshot)
{
    effect.localAddresses = { "192.168.1.20" };
    effect.remoteHost = "10.0.0.2";
    effect.remotePort = 8000;
    open();
    writeSnapshot (panel, "osc-settings-panel");
}
