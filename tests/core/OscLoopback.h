#pragma once
// Loopback helpers for the OSC tests and the OSC fuzzer (127.0.0.1 only).
//
// ReplyCapture: an OSC receiver on a port the OS chooses that keeps every
// packet it gets. Threads: filled on its receiver thread, read under its lock.
//
// OscPacketFeeder: sends raw datagrams to an endpoint's bound port and runs
// the message loop until the endpoint has dealt with each one (refused by its
// gate or by JUCE's parser, or handled on the message thread). Threads: the
// message thread, which must be the calling thread.
#include "CodecOSC.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace osc_loopback
{
inline constexpr const char* host = "127.0.0.1";

// A port that was free a moment ago (the OS chose it; nothing holds it now).
inline int freshPort()
{
    juce::DatagramSocket probe (false);
    probe.bindToPort (0, host);
    return probe.getBoundPort();
}

// Runs the message loop until done() or timeoutMs has passed; true when done.
// Each turn dispatches what is pending and waits sliceMs (0: about 1 ms, and
// only when nothing was pending).
inline bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 5000, int sliceMs = 2)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! done())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil (sliceMs);
    }
    return true;
}
} // namespace osc_loopback

//==============================================================================
class ReplyCapture : private juce::OSCReceiver::Listener<juce::OSCReceiver::RealtimeCallback>
{
public:
    ReplyCapture()
    {
        socket.bindToPort (0, osc_loopback::host);
        port = socket.getBoundPort();
        receiver.addListener (this);
        receiver.connectToSocket (socket);
    }

    ~ReplyCapture() override
    {
        receiver.disconnect();
        receiver.removeListener (this);
    }

    // Waits at most timeoutMs for n packets in all; true when they came.
    bool waitForPackets (std::size_t n, int timeoutMs = 3000)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (count() < n)
        {
            const auto now = juce::Time::getMillisecondCounter();
            if (now >= end)
                return false;
            arrived.wait ((double) (end - now));
        }
        return true;
    }

    std::size_t count() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return received.size();
    }

    std::vector<juce::OSCBundle::Element> packets() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return received;
    }

    void clear()
    {
        const std::lock_guard<std::mutex> guard (lock);
        received.clear();
    }

    int port = 0;

private:
    void oscMessageReceived (const juce::OSCMessage& m) override { add (juce::OSCBundle::Element (m)); }
    void oscBundleReceived (const juce::OSCBundle& b) override { add (juce::OSCBundle::Element (b)); }

    void add (const juce::OSCBundle::Element& e)
    {
        {
            const std::lock_guard<std::mutex> guard (lock);
            received.push_back (e);
        }
        arrived.signal();
    }

    juce::DatagramSocket socket { false };
    juce::OSCReceiver receiver;
    mutable std::mutex lock;
    std::vector<juce::OSCBundle::Element> received;
    juce::WaitableEvent arrived;
};

//==============================================================================
class OscPacketFeeder
{
public:
    // Make the feeder before the endpoint is bound (no receiving thread may
    // run while its hooks are set); bind it before the first feed. The feeder
    // disconnects the endpoint's JUCE receiver when it goes.
    explicit OscPacketFeeder (CodecOSC& endpointToFeed) : endpoint (endpointToFeed)
    {
        auto& receiver = static_cast<juce::OSCReceiver&> (endpoint);
        receiver.addListener (&parsedListener);
        receiver.addListener (&handledListener);
        receiver.registerFormatErrorHandler ([c = counters] (const char*, int) { c->note (c->refusedByParser); });
        endpoint.onDatagramRefused = [c = counters] { c->note (c->refusedByGate); };
    }

    ~OscPacketFeeder()
    {
        auto& receiver = static_cast<juce::OSCReceiver&> (endpoint);
        receiver.disconnect();
        receiver.registerFormatErrorHandler (nullptr);
        receiver.removeListener (&handledListener);
        receiver.removeListener (&parsedListener);
    }

    // Sends one datagram to the endpoint and waits (at most timeoutMs) until
    // it has been dealt with: refused by the endpoint's gate or by JUCE's
    // parser, or parsed and handled on the message thread. False on a
    // time-out or a failed send.
    bool feed (const void* data, std::size_t size, int timeoutMs = 2000)
    {
        if (size > 65507)
            return false;

        auto& c = *counters;
        const auto seenBefore = c.seen();
        if (out.write (osc_loopback::host, endpoint.localPort, data, (int) size) != (int) size)
            return false;

        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (c.seen() == seenBefore)
        {
            const auto now = juce::Time::getMillisecondCounter();
            if (now >= end)
                return false;
            c.dealt.wait ((double) (end - now));
        }

        // Parsed content is posted to the message thread: run the loop until
        // the endpoint's listener has had it.
        return osc_loopback::pumpUntil ([&c] { return c.handled.load() >= c.parsed.load(); }, timeoutMs, 0);
    }

    uint64_t parsed() const { return counters->parsed.load(); }
    uint64_t refusedByParser() const { return counters->refusedByParser.load(); }
    uint64_t refusedByGate() const { return counters->refusedByGate.load(); }

private:
    // Shared with the hooks, which the endpoint's threads may still hold.
    struct Counters
    {
        std::atomic<uint64_t> parsed { 0 };
        std::atomic<uint64_t> refusedByParser { 0 };
        std::atomic<uint64_t> refusedByGate { 0 };
        std::atomic<uint64_t> handled { 0 };
        juce::WaitableEvent dealt;

        uint64_t seen() const { return parsed.load() + refusedByParser.load() + refusedByGate.load(); }

        void note (std::atomic<uint64_t>& counter)
        {
            counter.fetch_add (1);
            dealt.signal();
        }
    };

    template <typename Callback>
    struct CountingListener : juce::OSCReceiver::Listener<Callback>
    {
        explicit CountingListener (std::function<void()> f) : onPacket (std::move (f)) {}
        void oscMessageReceived (const juce::OSCMessage&) override { onPacket(); }
        void oscBundleReceived (const juce::OSCBundle&) override { onPacket(); }
        std::function<void()> onPacket;
    };

    CodecOSC& endpoint;
    std::shared_ptr<Counters> counters = std::make_shared<Counters>();
    juce::DatagramSocket out { false };
    // Called on JUCE's receiver thread as soon as a packet is parsed.
    CountingListener<juce::OSCReceiver::RealtimeCallback> parsedListener { [c = counters] { c->note (c->parsed); } };
    // Called on the message thread in the same dispatch as the endpoint's own
    // listener, so when the loop returns the endpoint has handled the packet.
    CountingListener<juce::OSCReceiver::MessageLoopCallback> handledListener { [c = counters] { c->handled.fetch_add (1); } };
};
