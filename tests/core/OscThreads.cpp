// The OSC endpoint under traffic: it is rebound again and again while another
// thread keeps sending well-formed and malformed datagrams to its port. The
// gate thread and JUCE's receiver thread must be stopped before their
// sockets go, and what they hand over is handled on the message thread.
#include "OscLoopback.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST (OscThreads, RebindingWhileDatagramsArrive)
{
    TestEffect effect (8, false);
    ASSERT_TRUE (effect.setLocalPort (osc_loopback::freshPort()));
    const int port = effect.localPort;  // read before the sender starts

    std::atomic<bool> stop { false };
    std::atomic<int> sent { 0 };
    std::thread sender ([&]
    {
        juce::OSCSender good;
        juce::DatagramSocket bad (false);
        if (! good.connect (osc_loopback::host, port))
            return;
        const char junk[] = "/VoktTools/updateParameter1\0\0\0\0,f\0\0\x7f\xc0";
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds (5);
        for (int i = 0; ! stop.load() && i < 100000 && std::chrono::steady_clock::now() < end; ++i)
        {
            if (i % 2 == 0)
                good.send (juce::OSCMessage ("/VoktTools/updateParameter1", 0.25f));
            else
                bad.write (osc_loopback::host, port, junk, (int) sizeof (junk) - 1);
            sent.fetch_add (1);
            if (i % 32 == 0)
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });

    for (int round = 0; round < 8; ++round)
    {
        // Off and on: a fresh socket on the same port (or, should another
        // process take it meanwhile, one of the search range).
        effect.setOSCOn (false);
        effect.setOSCOn (true);
        EXPECT_NE (effect.socket.get(), nullptr);
        osc_loopback::pumpUntil ([] { return false; }, 20);
    }

    // Whatever got through between the rebinds has set parameter 1.
    const bool updated = osc_loopback::pumpUntil ([&] { return effect.values[1].load() == 0.25f; }, 3000);
    stop.store (true);
    sender.join();

    EXPECT_GT (sent.load(), 0);
    EXPECT_TRUE (updated);
    for (int i = 0; i < effect.n; ++i)
    {
        const float v = effect.values[(size_t) i].load();
        EXPECT_TRUE (v >= 0.0f && v <= 1.0f) << i;
    }
}
