#include "CodecOSC.h"

#include <arpa/inet.h>

CodecOSC::CodecOSC()
    : uuid (juce::Uuid().toString())
{
    juce::OSCReceiver::addListener (this);
}

CodecOSC::~CodecOSC()
{
    // The receiver thread polls the socket until it is disconnected.
    juce::OSCReceiver::disconnect();
    juce::OSCReceiver::removeListener (this);
    closeReply();
    socket.reset();
}

void CodecOSC::oscMessageReceived (const juce::OSCMessage&) {}
void CodecOSC::oscBundleReceived (const juce::OSCBundle&) {}

//==============================================================================
bool CodecOSC::bindReceivingSocket (int port)
{
    if (! isValidPort (port))
        return false;

    auto candidate = std::make_unique<juce::DatagramSocket> (false);
    // JUCE sockets start with SO_REUSEADDR, which would let two endpoints
    // share a port on Linux.
    candidate->setEnablePortReuse (false);

    if (! candidate->bindToPort (port) || ! juce::OSCReceiver::connectToSocket (*candidate))
        return false;

    socket = std::move (candidate);
    localPort = port;
    return true;
}

bool CodecOSC::setLocalPort (int port)
{
    if (! oscOn || port > 65535)
        return false;

    // Disconnect first: the receiver thread must never poll a deleted socket.
    juce::OSCReceiver::disconnect();
    socket.reset();

    // Port 0 would give a random port and a port 0 announced in replies.
    if (port > 0 && bindReceivingSocket (port))
        return true;

    for (int i = 0; i < portSearchCount; ++i)
    {
        const int candidate = basePort + i;
        if (candidate > 65535)
            break;
        if (candidate > 0 && bindReceivingSocket (candidate))
            return true;
    }

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

    if (localAddresses.isEmpty())
    {
        // This machine's IPv4 addresses, the loopback ones last.
        juce::StringArray loopback;
        for (auto& address : juce::IPAddress::getAllAddresses (false))
        {
            const auto text = address.toString();
            if (text.startsWith ("127."))
                loopback.add (text);
            else
                localAddresses.add (text);
        }
        localAddresses.addArray (loopback);
    }

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

//==============================================================================
bool CodecOSC::isReplyHost (const juce::String& host)
{
    in_addr address {};
    return host.isNotEmpty() && inet_pton (AF_INET, host.toRawUTF8(), &address) == 1;
}

bool CodecOSC::openReply()
{
    closeReply();

    if (! isReplyHost (remoteHost) || ! isValidPort (remotePort))
        return false;

    if (replyInterceptor == nullptr)
    {
        // Broadcast off: a reply never goes to a whole network.
        replySocket = std::make_unique<juce::DatagramSocket> (false);
        if (! sender.connectToSocket (*replySocket, remoteHost, remotePort))
        {
            replySocket.reset();
            return false;
        }
    }

    replyOpen = true;
    return true;
}

bool CodecOSC::sendReply (const juce::OSCMessage& message)
{
    if (! replyOpen)
        return false;
    if (replyInterceptor != nullptr)
    {
        replyInterceptor (juce::OSCBundle::Element (message));
        return true;
    }
    return sender.send (message);
}

bool CodecOSC::sendReply (const juce::OSCBundle& bundle)
{
    if (! replyOpen)
        return false;
    if (replyInterceptor != nullptr)
    {
        replyInterceptor (juce::OSCBundle::Element (bundle));
        return true;
    }
    return sender.send (bundle);
}

void CodecOSC::closeReply()
{
    if (replySocket != nullptr)
        sender.disconnect();
    replySocket.reset();
    replyOpen = false;
}
