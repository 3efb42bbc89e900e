// A sound file played through the spectral delay to a real audio device:
// JUCE's JACK device type against a running JACK server (the dummy server of
// the test fixture "jack", or any other). The dummy server has no sink, so a
// wrapper callback inspects the device's output buffers after the streamer.
#include "AudioFilterStreamer.h"
#include "PlayerTestFiles.h"
#include "RariZuz.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace
{
class CapturingCallback : public juce::AudioIODeviceCallback
{
public:
    explicit CapturingCallback (AudioFilterStreamer& s) : streamer (s) {}

    void audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const* outputs,
                                           int numOutputs, int numSamples,
                                           const juce::AudioIODeviceCallbackContext& context) override
    {
        streamer.audioDeviceIOCallbackWithContext (inputs, numInputs, outputs, numOutputs, numSamples, context);
        float peak = 0.0f;
        for (int c = 0; c < numOutputs; ++c)
        {
            if (outputs[c] == nullptr)
                continue;
            for (int i = 0; i < numSamples; ++i)
            {
                const float x = outputs[c][i];
                if (! std::isfinite (x))
                    nonFinite.fetch_add (1);
                else
                    peak = std::max (peak, std::abs (x));
            }
        }
        if (peak > largest.load())
            largest.store (peak);
        frames.fetch_add (numSamples);
        callbacks.fetch_add (1);
    }

    void audioDeviceAboutToStart (juce::AudioIODevice* device) override { streamer.audioDeviceAboutToStart (device); }
    void audioDeviceStopped() override { streamer.audioDeviceStopped(); }

    std::atomic<int> callbacks { 0 };
    std::atomic<juce::int64> frames { 0 };
    std::atomic<int> nonFinite { 0 };
    std::atomic<float> largest { 0.0f };

private:
    AudioFilterStreamer& streamer;
};

class JackDevice : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        juce::AudioIODeviceType* jack = nullptr;
        for (auto* type : manager.getAvailableDeviceTypes())
            if (type->getTypeName() == "JACK")
                jack = type;
        ASSERT_NE (jack, nullptr) << "the build has no JACK device type (JUCE_JACK=1)";
        jack->scanForDevices();
        if (jack->getDeviceNames().isEmpty())
            GTEST_SKIP() << "no JACK server is reachable; start one with scripts/jack-dummy.sh start";

        manager.setCurrentAudioDeviceType ("JACK", true);
        auto setup = manager.getAudioDeviceSetup();
        setup.outputDeviceName = jack->getDeviceNames()[0];
        setup.inputDeviceName = jack->getDeviceNames (true)[0];
        setup.useDefaultInputChannels = true;
        setup.useDefaultOutputChannels = true;
        const auto error = manager.setAudioDeviceSetup (setup, true);
        ASSERT_TRUE (error.isEmpty()) << error;
        ASSERT_NE (manager.getCurrentAudioDevice(), nullptr);
        ASSERT_EQ (manager.getCurrentAudioDevice()->getTypeName(), "JACK");

        // Eight full-band bars at short delays, half wet.
        for (int k = 0; k < 8; ++k)
        {
            const float d = 0.01f + 0.01f * (float) k;
            effect.createBar (k, 1.0f - d, 1.0f, 1.0f - d, 0.0f);
            effect.setIndexedParameter (RariZuz::pActive + k, 1.0f);
        }
        effect.setIndexedParameter (RariZuz::pMix, 0.5f);
        streamer.setDeviceManager (&manager);
        manager.addAudioCallback (&capture);
    }

    void TearDown() override
    {
        manager.removeAudioCallback (&capture);
        manager.closeAudioDevice();
        TempFolderTest::TearDown();
    }

    juce::File noiseFile (double rate, double seconds)
    {
        return wavFile ("noise.wav", rate, 2, (juce::int64) (rate * seconds), 16, [] (int c, juce::int64 k) {
            return 0.3f * std::sin ((float) k * 0.05f * (float) (c + 1)) + 0.05f * (float) ((k * 7919) % 101) / 101.0f;
        });
    }

    // Waits for about `seconds` of audio, or gives up after a few seconds.
    void playFor (double seconds)
    {
        const auto rate = manager.getCurrentAudioDevice()->getCurrentSampleRate();
        const auto target = capture.frames.load() + (juce::int64) (rate * seconds);
        for (int i = 0; i < 400 && capture.frames.load() < target; ++i)
            juce::Thread::sleep (10);
    }

    juce::AudioDeviceManager manager;
    RariZuz effect;
    AudioFilterStreamer streamer { &effect, nullptr };
    CapturingCallback capture { streamer };
};
} // namespace

TEST_F (JackDevice, PlaysASoundFileThroughTheSpectralDelay)
{
    auto* device = manager.getCurrentAudioDevice();
    EXPECT_EQ (streamer.getCurrentDevice(), device);
    EXPECT_EQ (effect.getSampleRate(), device->getCurrentSampleRate());

    streamer.initAudioReader (noiseFile (device->getCurrentSampleRate(), 3.0));
    ASSERT_NE (streamer.getAudioReader(), nullptr);
    ASSERT_TRUE (streamer.getAudioReader()->isValid());
    ASSERT_TRUE (streamer.reconfigureEffect (streamer.getAudioReader()->numChannels, 2));
    streamer.readerReady.store (true);
    // A fresh reader has seen no block yet, so the start does not wait for
    // one: the next blocks apply it.
    streamer.startPlay();
    for (int i = 0; i < 100 && ! streamer.isPlaying(); ++i)
        juce::Thread::sleep (5);
    EXPECT_TRUE (streamer.isPlaying());

    const int before = capture.callbacks.load();
    playFor (1.0);
    const int blocks = capture.callbacks.load() - before;
    const double expected = device->getCurrentSampleRate() / device->getCurrentBufferSizeSamples();
    EXPECT_GT (blocks, expected / 2) << "device callbacks in about a second";
    EXPECT_EQ (capture.nonFinite.load(), 0);
    EXPECT_GT (capture.largest.load(), 0.01f) << "the output is not silent";
    EXPECT_LE (capture.largest.load(), 4.0f);
    EXPECT_GT (streamer.filePosition.load(), 0.3f);
    EXPECT_GT (streamer.getMagnitude (0), 0.0f);
}

TEST_F (JackDevice, ARateTheServerDoesNotRunIsRefusedAndMarked)
{
    auto* device = manager.getCurrentAudioDevice();
    const double serverRate = device->getCurrentSampleRate();
    const double otherRate = serverRate == 44100.0 ? 48000.0 : 44100.0;

    streamer.setSrMode (0, false);
    streamer.initAudioReader (noiseFile (otherRate, 2.0));
    ASSERT_NE (streamer.getCurrentDevice(), nullptr);
    EXPECT_EQ (streamer.getCurrentDevice()->getCurrentSampleRate(), serverRate);
    EXPECT_TRUE (streamer.getShortSampleRate().endsWith ("!")) << streamer.getShortSampleRate();
    EXPECT_FLOAT_EQ ((float) streamer.getAudioReader()->srRatio.load(), (float) (otherRate / serverRate));

    // The device still runs through the manager, and plays the file.
    ASSERT_TRUE (streamer.reconfigureEffect (2, 2));
    streamer.readerReady.store (true);
    streamer.startPlay();
    const int before = capture.callbacks.load();
    playFor (0.5);
    EXPECT_GT (capture.callbacks.load(), before);
    EXPECT_EQ (capture.nonFinite.load(), 0);
    EXPECT_GT (capture.largest.load(), 0.01f);
}
