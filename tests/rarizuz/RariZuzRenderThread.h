#pragma once
// A thread that renders the spectral delay, for the tests that change it
// from other threads meanwhile.
#include "RariZuz.h"

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

namespace rarizuz_test
{
// Renders blocks under the processor's callback lock, as every audio path of
// the application does, until stopped; counts samples that are not finite.
class RenderThread
{
public:
    explicit RenderThread (RariZuz& e) : engine (e), thread ([this] { run(); }) {}

    ~RenderThread() { stop(); }

    void stop()
    {
        running.store (false);
        if (thread.joinable())
            thread.join();
    }

    int blocks() const { return blockCount.load(); }
    int badSamples() const { return bad.load(); }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        std::mt19937 rng (3);
        std::uniform_real_distribution<float> d (-0.5f, 0.5f);
        while (running.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < 256; ++s)
                    buffer.setSample (c, s, d (rng));
            {
                const juce::ScopedLock lock (engine.getCallbackLock());
                engine.processBlock (buffer, midi);
            }
            for (int c = 0; c < 2; ++c)
                for (int s = 0; s < 256; ++s)
                    if (! std::isfinite (buffer.getSample (c, s)))
                        bad.fetch_add (1);
            blockCount.fetch_add (1);
        }
    }

    RariZuz& engine;
    std::atomic<bool> running { true };
    std::atomic<int> blockCount { 0 };
    std::atomic<int> bad { 0 };
    std::thread thread;
};
} // namespace rarizuz_test
