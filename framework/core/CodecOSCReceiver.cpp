#include "CodecOSCReceiver.h"

#include "MyEffect.h"

// Inert for now: listener registration and the identity only; no socket is
// created and no port is bound, so nothing arrives.
CodecOSC::CodecOSC()
    : uuid (juce::Uuid().toString())
{
    juce::OSCReceiver::addListener (this);
}

CodecOSC::~CodecOSC()
{
    juce::OSCReceiver::disconnect();
    juce::OSCReceiver::removeListener (this);
    socket.reset();
}

void CodecOSC::oscMessageReceived (const juce::OSCMessage&) {}
void CodecOSC::oscBundleReceived (const juce::OSCBundle&) {}

bool CodecOSC::setLocalPort (int)
{
    return false;
}

void CodecOSC::setOSCOn (bool on)
{
    oscOn = on;
    if (on)
        setLocalPort (localPort);
}

juce::String CodecOSC::getLocalIP()
{
    if (localIP.isNotEmpty())
        return localIP;

    for (auto& address : localAddresses)
    {
        if (! address.startsWith ("169.254") && ! address.startsWith ("224.0.0"))
        {
            localIP = address;
            break;
        }
    }
    return localIP;
}

CodecOSCReceiver::CodecOSCReceiver (MyEffect* owner) : processor (owner) {}

void CodecOSCReceiver::oscMessageReceived (const juce::OSCMessage&) {}
void CodecOSCReceiver::oscBundleReceived (const juce::OSCBundle&) {}
void CodecOSCReceiver::sendAlive() {}
