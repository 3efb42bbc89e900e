#pragma once
// CodecOSC: the UDP side of an effect's OSC endpoint: the receiving socket and
// its local port, the stored reply target, the instance's identity and the
// reply path. juce_osc encodes and decodes the packets; the address space is
// CodecOSCReceiver's.
//
// Receiving: `socket` (bound to localPort) is read by this endpoint's gate
// thread, which lets only well-formed packets (isWellFormedOscPacket) through
// to JUCE's parser: it forwards them over loopback to a private socket that
// accepts datagrams from `socket` alone and that JUCE's receiver reads; JUCE
// then posts each message to the message thread.
// Threads: message thread for everything here (construction, settings panel,
// every handler and reply); the gate thread uses `socket` and the JUCE
// receiver thread the private socket only while bound (both are stopped
// before either socket is replaced or deleted).
#include <juce_osc/juce_osc.h>

#include <functional>
#include <memory>

class CodecOSC : public juce::OSCReceiver::Listener<juce::OSCReceiver::MessageLoopCallback>,
                 public juce::OSCReceiver
{
public:
    static constexpr int defaultBasePort = 1123;
    // Ports tried by the search: basePort .. basePort + 999.
    static constexpr int portSearchCount = 1000;

    // Binds nothing: the socket is made by the first setLocalPort.
    CodecOSC();
    ~CodecOSC() override;

    void oscMessageReceived (const juce::OSCMessage& message) override;
    void oscBundleReceived (const juce::OSCBundle& bundle) override;

    // Binds a fresh receiving socket to port, or else to the first free port
    // of basePort .. basePort + 999 (a port of 0 or less goes straight to the
    // search). False with nothing changed while OSC is off or for a port
    // above 65535; false, and unbound, when no port of the range is free.
    bool setLocalPort (int port);
    // oscOn := on; switching on (re)binds localPort.
    void setOSCOn (bool on);
    // localIP, chosen once from localAddresses (filled with this machine's
    // IPv4 addresses when empty), skipping link-local and multicast ones.
    juce::String getLocalIP();

    // ---- replies to remoteHost:remotePort ----
    // Opens the sender on a fresh socket (broadcast off). False, and nothing
    // is sent, when the target is not a numeric IPv4 address with a port of
    // 1..65535: host names are never resolved here.
    bool openReply();
    bool sendReply (const juce::OSCMessage& message);
    bool sendReply (const juce::OSCBundle& bundle);
    void closeReply();

    // A dotted-quad IPv4 literal (the only hosts replies go to).
    static bool isReplyHost (const juce::String& host);
    static bool isValidPort (int port) noexcept { return port >= 1 && port <= 65535; }

    // Test seam: when set, replies that passed the target checks are handed
    // to it instead of going out on the network.
    std::function<void (const juce::OSCBundle::Element&)> replyInterceptor;
    // Test seam: called on the gate thread for each datagram it refuses. Set
    // it while unbound.
    std::function<void()> onDatagramRefused;

    juce::OSCSender sender;
    bool oscOn = true;
    std::unique_ptr<juce::DatagramSocket> socket;
    int localPort = 0;
    int remotePort = 0;
    int basePort = defaultBasePort;
    juce::String localIP;
    juce::String remoteHost;
    juce::String uuid;
    juce::StringArray localAddresses;

private:
    class Gate;

    bool bindReceivingSocket (int port);
    void unbind();

    // JUCE's receiver reads this one; it takes datagrams from `socket` only.
    std::unique_ptr<juce::DatagramSocket> privateSocket;
    std::unique_ptr<Gate> gate;
    std::unique_ptr<juce::DatagramSocket> replySocket;
    bool replyOpen = false;

    JUCE_DECLARE_NON_COPYABLE (CodecOSC)
};
