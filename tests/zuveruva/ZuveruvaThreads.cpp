// The crunch engine across threads: the auxiliary reader replaced and the
// frame size changed while another thread renders, and parameters set from a
// host's automation thread. Runs under AddressSanitizer and ThreadSanitizer.
#include "ZuveruvaTestSupport.h"

#include "Utilities.h"

#include <gtest/gtest.h>

#include "TestFolders.h"

#include <atomic>
#include <thread>

using namespace zuveruva_test;

namespace
{
// Renders blocks on its own thread, as a host does, until stopped.
class RenderThread
{
public:
    explicit RenderThread (Zuveruva& effect) : fx (effect)
    {
        worker = std::thread ([this] { run(); });
    }
    ~RenderThread() { stop(); }

    void stop()
    {
        running.store (false);
        if (worker.joinable())
            worker.join();
    }
    int blocks() const { return count.load(); }
    bool allFinite() const { return finite.load(); }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (4, 512);
        juce::MidiBuffer midi;
        juce::Random random (7);
        while (running.load())
        {
            const int n = 64 + random.nextInt (449);
            buffer.setSize (4, n, false, false, true);
            for (int c = 0; c < 4; ++c)
                for (int i = 0; i < n; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            {
                const juce::ScopedLock sl (fx.getCallbackLock());
                fx.processBlock (buffer, midi);
            }
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < n; ++i)
                    if (! std::isfinite (buffer.getSample (c, i)))
                        finite.store (false);
            count.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::microseconds (200));
        }
    }

    Zuveruva& fx;
    std::atomic<bool> running { true };
    std::atomic<int> count { 0 };
    std::atomic<bool> finite { true };
    std::thread worker;
};

struct Files
{
    ScopedTestFolder folder { "zuveruva-threads" };
    juce::File dir = folder.dir;
    juce::File a, b;
    Files()
    {
        dir.deleteRecursively();
        dir.createDirectory();
        a = writeWav (dir.getChildFile ("a.wav"), 2, 22050, 500.0);
        b = writeWav (dir.getChildFile ("b.wav"), 1, 22050, 900.0);
    }
    ~Files() { dir.deleteRecursively(); }
};

TEST (ZuveruvaThreads, ReaderSwapsAndFrameSizeChangesWhileRendering)
{
    Files files;
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 2, 512));
    fx.loadAuxFile (files.a.getFullPathName());
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f); // the file is the source

    RenderThread render (fx);
    for (int round = 0; round < 8; ++round)
    {
        fx.loadAuxFile ((round % 2 == 0 ? files.b : files.a).getFullPathName());
        fx.setIndexedParameter (Zuveruva::kBands, (float) (round % 4 + 3) / 11.0f);
        fx.setIndexedParameter (Zuveruva::kAuxOn, round % 3 == 0 ? 2.0f / 3.0f : 1.0f / 3.0f);
        fx.setIndexedParameter (Zuveruva::kPlay, round % 2 == 0 ? 1.0f : 0.0f);
        fx.setIndexedParameter (Zuveruva::kLoop, round % 2 == 0 ? 1.0f : 0.0f);
        fx.setModTimePosition (0.1f);
        pumpMessages (20);
    }
    render.stop();
    EXPECT_GT (render.blocks(), 8);
    EXPECT_TRUE (render.allFinite());
    EXPECT_TRUE (fx.hasAuxReader());
}

TEST (ZuveruvaThreads, AutomationFromAnotherThreadIsAppliedOnTheMessageThread)
{
    Files files;
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 2, 512));
    fx.loadAuxFile (files.a.getFullPathName());

    RenderThread render (fx);
    std::atomic<bool> done { false };
    std::thread automation ([&] {
        juce::Random random (99);
        for (int k = 0; k < 200; ++k)
        {
            const int choice = random.nextInt (8);
            const float v = random.nextFloat();
            switch (choice)
            {
                case 0: fx.setIndexedParameter (Zuveruva::kBands, v * 0.7f); break;
                case 1: fx.setIndexedParameter (Zuveruva::kLoop, v); break;
                case 2: fx.setIndexedParameter (Zuveruva::kLoopBegin, v * 0.5f); break;
                case 3: fx.setIndexedParameter (Zuveruva::kPlay, v); break;
                case 4: fx.setIndexedParameter (Zuveruva::kSync, v); break;
                case 5: fx.setIndexedParameter (Zuveruva::kAuxOn, v * 0.7f); break; // never "Load File"
                case 6: fx.setIndexedParameter (Zuveruva::kMix, v); break;
                default: fx.setIndexedParameter (Zuveruva::kAmplitude, v); break;
            }
            std::this_thread::sleep_for (std::chrono::microseconds (300));
        }
        done.store (true);
    });
    while (! done.load())
        pumpMessages (10);
    automation.join();
    pumpMessages (120); // the last deferred work
    render.stop();

    EXPECT_TRUE (render.allFinite());
    for (int work = 0; work < 8; ++work)
        EXPECT_FALSE (fx.isDeferredWorkPending (work)) << work;
    // The frame size follows the last Bands value that was applied.
    EXPECT_EQ (fx.getFrameSize(), (int64_t) 1 << (FloatToIndexPopup (fx.getIndexedParameter (Zuveruva::kBands), 12) + 2));
}
} // namespace
