// libFuzzer target for the OSC endpoint: each input is sent as one UDP
// datagram to a test effect's endpoint on 127.0.0.1, parsed by JUCE's OSC
// receiver and handed to the effect's address space on the message thread
// (this fuzzer's main thread). Replies are intercepted, so no host or port
// taken from an input is ever sent to. After each input the effect must still
// hold finite parameter values within 0..1, a valid current parameter and a
// 32-digit identity.
//
// Build and run (seed corpus in fuzz/corpus/osc, replayed by OscTest):
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
//         -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=address -DVOKT_FUZZ=ON \
//         -DVOKT_BUILD_TESTS=OFF -DVOKT_BUILD_BENCH=OFF
//   cmake --build build/fuzz --target vokt_osc_fuzzer -j4
//   mkdir -p build/fuzz/corpus && build/fuzz/fuzz/vokt_osc_fuzzer build/fuzz/corpus \
//         fuzz/corpus/osc -dict=fuzz/osc.dict -max_len=2048 -max_total_time=600
#include "OscLoopback.h"
#include "TestEffect.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
struct Harness
{
    Harness()
    {
        effect.replyInterceptor = [this] (const juce::OSCBundle::Element&) { ++replies; };
        if (! effect.setLocalPort (osc_loopback::freshPort()))
        {
            std::fprintf (stderr, "OscFuzzer: no port could be bound\n");
            std::abort();
        }
    }

    void check() const
    {
        for (int i = 0; i < effect.n; ++i)
        {
            const float v = effect.values[(size_t) i].load();
            if (! (v >= 0.0f && v <= 1.0f))
                fail ("parameter value outside 0..1");
        }
        const int current = effect.currentParameter.load();
        if (current < -1 || current >= effect.n)
            fail ("current parameter out of range");
        if (effect.uuid.length() != 32 || ! effect.uuid.containsOnly ("0123456789abcdef"))
            fail ("identity damaged");
    }

    [[noreturn]] static void fail (const char* what)
    {
        std::fprintf (stderr, "OscFuzzer: %s\n", what);
        std::abort();
    }

    juce::ScopedJuceInitialiser_GUI juceInit;
    TestEffect effect { 41, false };
    OscPacketFeeder feeder { effect };
    uint64_t replies = 0;
};

// Never deleted: the process ends with the receiving threads still running.
Harness* harness = nullptr;

void printFigures()
{
    std::fprintf (stderr, "OscFuzzer: %llu refused by the gate, %llu refused by JUCE's parser, %llu parsed and handled, %llu replies\n",
                  (unsigned long long) harness->feeder.refusedByGate(), (unsigned long long) harness->feeder.refusedByParser(),
                  (unsigned long long) harness->feeder.parsed(), (unsigned long long) harness->replies);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    harness = new Harness();
    std::atexit (printFigures);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // Loopback does not lose a lone datagram: a time-out means the receiver
    // or the message thread got stuck on this input.
    if (! harness->feeder.feed (data, size, 5000))
        Harness::fail ("input not handled within 5 s");
    harness->check();
    return 0;
}
