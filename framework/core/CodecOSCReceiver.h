#pragma once
// OSC endpoint of an effect under "/VoktTools/". For now an inert shell:
// the interface is in place, but no socket is created, no port is bound and
// nothing is received or sent.
// Threads: message thread only (construction, settings panel, callbacks).
#include <juce_osc/juce_osc.h>

#include <memory>

class MyEffect;

class CodecOSC : public juce::OSCReceiver::Listener<juce::OSCReceiver::MessageLoopCallback>,
                 public juce::OSCReceiver
{
public:
    CodecOSC();
    ~CodecOSC() override;

    void oscMessageReceived (const juce::OSCMessage& message) override;
    void oscBundleReceived (const juce::OSCBundle& bundle) override;

    // Binds the receiving socket; false while OSC is off or no port is free.
    bool setLocalPort (int port);
    void setOSCOn (bool on);
    // This machine's announced address, chosen once from localAddresses.
    juce::String getLocalIP();

    juce::OSCSender sender;
    bool oscOn = true;
    std::unique_ptr<juce::DatagramSocket> socket;
    int localPort = 0;
    int remotePort = 0;
    int basePort = 1123;
    juce::String localIP;
    juce::String remoteHost;
    juce::String uuid;
    juce::StringArray localAddresses;

    JUCE_DECLARE_NON_COPYABLE (CodecOSC)
};

class CodecOSCReceiver : public CodecOSC
{
public:
    explicit CodecOSCReceiver (MyEffect* owner);
    ~CodecOSCReceiver() override = default;

    void oscMessageReceived (const juce::OSCMessage& message) override;
    void oscBundleReceived (const juce::OSCBundle& bundle) override;

    // Announces this instance to the stored remote host and port.
    void sendAlive();

    MyEffect* processor;

    JUCE_DECLARE_NON_COPYABLE (CodecOSCReceiver)
};
