#pragma once
// Test support for the streamer: an effect that records what each block
// showed it, a device that only keeps its settings (its callbacks are driven
// by the tests), and channel arrays that play the device's buffers.
#include "AudioFilterStreamer.h"
#include "PlayerTestFiles.h"
#include "TestEffect.h"

#include <atomic>
#include <vector>

// Out = scale x in + offset on the effect's output channels; records the
// first sample of every channel as it arrived, the block sizes and the MIDI.
class ProbeEffect : public TestEffect
{
public:
    static constexpr int maxSeen = 64;

    ProbeEffect() : TestEffect (8, false) {}
    ~ProbeEffect() override { stopThreads(); }

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        MyEffect::processBlock (buffer, midi);
        const int n = buffer.getNumSamples();
        calls.fetch_add (1);
        totalFrames.fetch_add (n);
        largestBlock.store (std::max (largestBlock.load(), n));
        lastChannels.store (buffer.getNumChannels());
        lastBypassed.store (bypassed.load());
        for (int j = 0; j < std::min (maxSeen, buffer.getNumChannels()); ++j)
            seen[j].store (buffer.getSample (j, 0));
        for (const auto m : midi)
        {
            midiEvents.fetch_add (1);
            lastMidiPosition.store (m.samplePosition);
            lastMidiBlock.store (n);
        }
        const int outs = std::min (buffer.getNumChannels(), getMainBusNumOutputChannels());
        for (int j = 0; j < outs; ++j)
        {
            float* x = buffer.getWritePointer (j);
            for (int i = 0; i < n; ++i)
                x[i] = scale * x[i] + offset;
        }
    }
    using MyEffect::processBlock;

    int getMaxInputChannels() override { return maxInputs; }

    float scale = 1.0f;
    float offset = 0.0f;
    int maxInputs = 2;
    std::atomic<int> calls { 0 };
    std::atomic<juce::int64> totalFrames { 0 };
    std::atomic<int> largestBlock { 0 };
    std::atomic<int> lastChannels { 0 };
    std::atomic<bool> lastBypassed { false };
    std::atomic<float> seen[maxSeen] {};
    std::atomic<int> midiEvents { 0 };
    std::atomic<int> lastMidiPosition { -1 };
    std::atomic<int> lastMidiBlock { 0 };
};

// A device that keeps what it is opened with. start() calls the callback's
// audioDeviceAboutToStart, stop() its audioDeviceStopped; blocks come from
// the test. Only the rates in `rates` can be opened; others keep the rate.
class FakeDevice : public juce::AudioIODevice
{
public:
    FakeDevice (int ins, int outs, double sampleRate, int blockSize, juce::Array<double> availableRates = {})
        : juce::AudioIODevice ("Fake", "Fake"), rate (sampleRate), block (blockSize),
          rates (availableRates.isEmpty() ? juce::Array<double> { 32000.0, 44100.0, 48000.0, 88200.0, 96000.0 }
                                          : availableRates)
    {
        inputs.setRange (0, ins, true);
        outputs.setRange (0, outs, true);
    }

    ~FakeDevice() override { close(); }

    juce::StringArray getOutputChannelNames() override { return names (outputs.getHighestBit() + 1); }
    juce::StringArray getInputChannelNames() override { return names (inputs.getHighestBit() + 1); }
    juce::Array<double> getAvailableSampleRates() override { return rates; }
    juce::Array<int> getAvailableBufferSizes() override { return { block }; }
    int getDefaultBufferSize() override { return block; }

    juce::String open (const juce::BigInteger& ins, const juce::BigInteger& outs, double sampleRate, int) override
    {
        inputs = ins;
        outputs = outs;
        if (rates.contains (sampleRate))
            rate = sampleRate;
        opened = true;
        return {};
    }

    void close() override
    {
        stop();
        opened = false;
    }

    bool isOpen() override { return opened; }

    void start (juce::AudioIODeviceCallback* cb) override
    {
        if (! opened || cb == nullptr)
            return;
        cb->audioDeviceAboutToStart (this);
        callback = cb;
    }

    void stop() override
    {
        if (auto* cb = callback)
        {
            callback = nullptr;
            cb->audioDeviceStopped();
        }
    }

    bool isPlaying() override { return callback != nullptr; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return block; }
    double getCurrentSampleRate() override { return rate; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return outputs; }
    juce::BigInteger getActiveInputChannels() const override { return inputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

    // Opens with the constructor's channels and starts with cb.
    void openAndStart (juce::AudioIODeviceCallback* cb)
    {
        open (inputs, outputs, rate, block);
        start (cb);
    }

    double rate;
    int block;
    juce::Array<double> rates;
    juce::BigInteger inputs, outputs;
    bool opened = false;
    juce::AudioIODeviceCallback* callback = nullptr;

private:
    static juce::StringArray names (int n)
    {
        juce::StringArray s;
        for (int i = 0; i < n; ++i)
            s.add ("channel " + juce::String (i + 1));
        return s;
    }
};

// The device's channel buffers of one block. Outputs are filled with a
// marker before every call, so that a channel the streamer forgets shows.
struct DeviceBlock
{
    static constexpr float garbage = 1234.5f;

    DeviceBlock (int numIns, int numOuts, int frames)
        : in ((size_t) numIns, std::vector<float> ((size_t) frames, 0.0f)),
          out ((size_t) numOuts, std::vector<float> ((size_t) frames, garbage)),
          numFrames (frames)
    {
        for (auto& c : in)
            inPtrs.push_back (c.data());
        for (auto& c : out)
            outPtrs.push_back (c.data());
    }

    void fillInput (int channel, float value)
    {
        std::fill (in[(size_t) channel].begin(), in[(size_t) channel].end(), value);
    }

    void run (AudioFilterStreamer& streamer)
    {
        for (auto& c : out)
            std::fill (c.begin(), c.end(), garbage);
        runKeepingOutputs (streamer);
    }

    // Without refilling the marker (for allocation counts).
    void runKeepingOutputs (AudioFilterStreamer& streamer)
    {
        streamer.audioDeviceIOCallbackWithContext (inPtrs.data(), (int) inPtrs.size(), outPtrs.data(),
                                                   (int) outPtrs.size(), numFrames, {});
    }

    std::vector<std::vector<float>> in, out;
    std::vector<const float*> inPtrs;
    std::vector<float*> outPtrs;
    int numFrames;
};

// Sound files in a temporary folder, and a probe effect with its streamer.
class StreamerTest : public TempFolderTest
{
protected:
    void TearDown() override
    {
        streamer.reset();
        TempFolderTest::TearDown();
    }

    AudioFilterStreamer& makeStreamer()
    {
        streamer = std::make_unique<AudioFilterStreamer> (&effect, nullptr);
        return *streamer;
    }

    // Loads file and plays it with the reader refilled inside each block, so
    // that every block gets its frames whatever the test's pace.
    MyAudioReader& playFileInBlocks (const juce::File& file)
    {
        streamer->initAudioReader (file);
        auto* reader = streamer->getAudioReader();
        reader->nonRealTime.store (true);
        streamer->readerReady.store (true);
        streamer->startPlay();
        return *reader;
    }

    juce::File constantFile (const juce::String& name, int channels, double rate, juce::int64 frames,
                             std::vector<float> values)
    {
        return wavFile (name, rate, channels, frames, 32,
                        [values] (int c, juce::int64) { return values[(size_t) c % values.size()]; });
    }

    ProbeEffect effect;
    std::unique_ptr<AudioFilterStreamer> streamer;
};
