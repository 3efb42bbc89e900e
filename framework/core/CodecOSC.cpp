#include "CodecOSC.h"

#include "CodecOSCPacket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{
constexpr const char* loopback = "127.0.0.1";
}

//==============================================================================
// Reads the public socket and forwards the well-formed packets to the private
// socket that JUCE's receiver reads.
class CodecOSC::Gate : public juce::Thread
{
public:
    Gate (juce::DatagramSocket& publicSocket, int privatePort, std::function<void()> onRefused)
        : juce::Thread ("OSC gate"), in (publicSocket), target (privatePort), refused (std::move (onRefused))
    {
    }

    ~Gate() override { stop(); }

    void stop()
    {
        if (! isThreadRunning())
            return;
        signalThreadShouldExit();
        // An empty datagram wakes the thread from its wait at once.
        juce::DatagramSocket waker (false);
        waker.write (loopback, in.getBoundPort(), "", 0);
        stopThread (2000);
    }

private:
    void run() override
    {
        constexpr int bufferSize = 65536;
        juce::HeapBlock<char> buffer (bufferSize);

        while (! threadShouldExit())
        {
            const int ready = in.waitUntilReady (true, 100);
            if (ready < 0 || threadShouldExit())
                return;
            if (ready == 0)
                continue;

            const int n = in.read (buffer.getData(), bufferSize, false);
            if (n < 0 || threadShouldExit())
                continue;

            if (isWellFormedOscPacket (buffer.getData(), (std::size_t) n))
                in.write (loopback, target, buffer.getData(), n);
            else if (refused != nullptr)
                refused();
        }
    }

    juce::DatagramSocket& in;
    const int target;
    const std::function<void()> refused;
};

//==============================================================================
CodecOSC::CodecOSC()
    : uuid (juce::Uuid().toString())
{
    juce::OSCReceiver::addListener (this);
}

CodecOSC::~CodecOSC()
{
    unbind();
    juce::OSCReceiver::removeListener (this);
    closeReply();
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

    if (! candidate->bindToPort (port))
        return false;

    // The private socket listens on loopback and, connected to the public
    // one, takes no datagram from anybody else.
    auto inner = std::make_unique<juce::DatagramSocket> (false);
    sockaddr_in from {};
    from.sin_family = AF_INET;
    from.sin_port = htons ((uint16_t) port);
    from.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    if (! inner->bindToPort (0, loopback)
        || ::connect (inner->getRawSocketHandle(), reinterpret_cast<const sockaddr*> (&from), sizeof (from)) != 0
        || ! juce::OSCReceiver::connectToSocket (*inner))
        return false;

    auto newGate = std::make_unique<Gate> (*candidate, inner->getBoundPort(), onDatagramRefused);
    if (! newGate->startThread())
    {
        juce::OSCReceiver::disconnect();
        return false;
    }

    socket = std::move (candidate);
    privateSocket = std::move (inner);
    gate = std::move (newGate);
    localPort = port;
    return true;
}

void CodecOSC::unbind()
{
    // Both threads stop before their sockets go: JUCE's receiver thread
    // would otherwise poll a deleted socket.
    if (gate != nullptr)
        gate->stop();
    gate.reset();
    juce::OSCReceiver::disconnect();
    privateSocket.reset();
    socket.reset();
}

bool CodecOSC::setLocalPort (int port)
{
    if (! oscOn || port > 65535)
        return false;

    unbind();

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
