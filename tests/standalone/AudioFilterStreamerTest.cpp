// The streamer driven by the test itself: synthetic device channels, a probe
// effect, and sound files played through the reader.
#include "AllocationCounter.h"
#include "StreamerTestSupport.h"
#include "Utilities.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace
{
enum class Source
{
    live,
    file,
    none
};

struct AdaptationCase
{
    const char* name;
    int deviceIns, deviceOuts;
    int effectIns, effectOuts;
    Source source;
    bool gaps;                  // a null pointer between the device's channels
    float effectOffset;         // added by the effect to its outputs
    std::vector<float> seen;    // first sample of each channel the effect receives
    std::vector<float> outputs; // each device output
};

// Device input k carries 0.1 x (k + 1); the file carries 0.25 and -0.5.
float inputValue (int k) { return 0.1f * (float) (k + 1); }
} // namespace

TEST_F (StreamerTest, ChannelsAreLaidOutForTheEffectAndUnfedOutputsAreZero)
{
    const std::vector<AdaptationCase> cases = {
        { "mono input feeds every channel", 1, 2, 1, 2, Source::live, false, 0.0f, { 0.1f, 0.1f }, { 0.2f, 0.2f } },
        { "stereo input", 2, 2, 2, 2, Source::live, false, 0.0f, { 0.1f, 0.2f }, { 0.2f, 0.4f } },
        { "8 outputs, effect at 8", 2, 8, 2, 8, Source::live, false, 0.0f,
          { 0.1f, 0.2f, 0, 0, 0, 0, 0, 0 }, { 0.2f, 0.4f, 0, 0, 0, 0, 0, 0 } },
        { "8 outputs, effect at 2", 2, 8, 2, 2, Source::live, false, 0.0f, { 0.1f, 0.2f }, { 0.2f, 0.4f, 0, 0, 0, 0, 0, 0 } },
        { "1 output, effect at 2", 2, 1, 2, 2, Source::live, false, 0.0f, { 0.1f, 0.2f }, { 0.2f } },
        { "output-only device: silent input every block", 0, 2, 2, 2, Source::live, false, 0.5f, { 0, 0 }, { 0.5f, 0.5f } },
        { "more inputs than outputs", 4, 2, 4, 2, Source::live, false, 0.0f, { 0.1f, 0.2f, 0.3f, 0.4f }, { 0.2f, 0.4f } },
        { "inputs beyond the effect's", 4, 2, 2, 2, Source::live, false, 0.0f, { 0.1f, 0.2f }, { 0.2f, 0.4f } },
        { "no source", 2, 2, 2, 2, Source::none, false, 0.0f, { 0, 0 }, { 0, 0 } },
        { "file on a mono output", 2, 1, 2, 1, Source::file, false, 0.0f, { 0.25f, -0.5f }, { 0.5f } },
        { "file into 8 outputs", 0, 8, 2, 8, Source::file, false, 0.0f,
          { 0.25f, -0.5f, 0, 0, 0, 0, 0, 0 }, { 0.5f, -1.0f, 0, 0, 0, 0, 0, 0 } },
        { "file, effect at 1 output", 0, 2, 2, 1, Source::file, false, 0.0f, { 0.25f, -0.5f }, { 0.5f, 0 } },
        { "null device channels are skipped", 2, 2, 2, 2, Source::live, true, 0.0f, { 0.1f, 0.2f }, { 0.2f, 0.4f } },
    };
    const auto file = constantFile ("dc.wav", 2, 44100.0, 44100, { 0.25f, -0.5f });

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& s = makeStreamer();
        effect.scale = 2.0f;
        effect.offset = c.effectOffset;
        ASSERT_TRUE (s.reconfigureEffect (c.effectIns, c.effectOuts));
        if (c.source == Source::live)
            s.liveInput.store (true);
        if (c.source == Source::file)
            playFileInBlocks (file);

        DeviceBlock block (c.deviceIns, c.deviceOuts, 256);
        for (int k = 0; k < c.deviceIns; ++k)
            block.fillInput (k, inputValue (k));
        if (c.gaps)
        {
            block.inPtrs.insert (block.inPtrs.begin() + 1, nullptr);
            block.outPtrs.insert (block.outPtrs.begin() + 1, nullptr);
        }

        const int callsBefore = effect.calls.load();
        for (int i = 0; i < 3; ++i)
            block.run (s);
        EXPECT_EQ (effect.calls.load(), callsBefore + 3);

        EXPECT_EQ (effect.lastChannels.load(), (int) c.seen.size());
        for (size_t j = 0; j < c.seen.size(); ++j)
            EXPECT_FLOAT_EQ (effect.seen[j].load(), c.seen[j]) << "effect channel " << j;
        for (size_t j = 0; j < c.outputs.size(); ++j)
            for (int i = 0; i < block.numFrames; i += 51)
                ASSERT_FLOAT_EQ (block.out[j][(size_t) i], c.outputs[j]) << "device output " << j << ", frame " << i;
        for (int k = 0; k < c.deviceIns; ++k)
            EXPECT_EQ (block.in[(size_t) k][0], inputValue (k)) << "device input " << k << " was written";
        streamer.reset();
    }
}

TEST_F (StreamerTest, SilenceWithoutCallingTheEffect)
{
    struct Case
    {
        const char* name;
        std::function<void (AudioFilterStreamer&, ProbeEffect&)> set;
    };
    const auto file = wavFile ("ramp.wav", 44100.0, 2, 44100);
    const std::vector<Case> cases = {
        { "muted", [] (AudioFilterStreamer& s, ProbeEffect&) { s.muted.store (true); } },
        { "effect suspended", [] (AudioFilterStreamer&, ProbeEffect& e) { e.suspendProcessing (true); } },
        { "reader not ready", [] (AudioFilterStreamer& s, ProbeEffect&) { s.readerReady.store (false); } },
        { "effect buses above 64 channels", [] (AudioFilterStreamer&, ProbeEffect& e) {
              e.setPlayConfigDetails (2, 65, 44100.0, 512);
          } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& s = makeStreamer();
        effect.offset = 0.5f;
        auto& reader = playFileInBlocks (file);
        DeviceBlock block (2, 2, 512);
        block.run (s);
        block.run (s);
        const float position = s.filePosition.load();
        const float readerTime = reader.currentTime.load();
        const int calls = effect.calls.load();
        s.getMagnitude (0);

        c.set (s, effect);
        block.run (s);
        block.run (s);
        EXPECT_EQ (effect.calls.load(), calls);
        EXPECT_EQ (s.filePosition.load(), position);
        EXPECT_EQ (reader.currentTime.load(), readerTime) << "the reader moved";
        for (auto& channel : block.out)
            for (float x : channel)
                ASSERT_EQ (x, 0.0f);
        EXPECT_EQ (s.getMagnitude (0), 0.0f);

        effect.suspendProcessing (false);
        streamer.reset();
        effect.setPlayConfigDetails (2, 2, 44100.0, 512);
    }
    EXPECT_FALSE (makeStreamer().reconfigureEffect (65, 2));
    EXPECT_FALSE (streamer->reconfigureEffect (2, -1));
    EXPECT_EQ (effect.getMainBusNumInputChannels(), 2);
}

TEST_F (StreamerTest, BypassRunsTheEffectsBypassedProcessing)
{
    auto& s = makeStreamer();
    s.liveInput.store (true);
    DeviceBlock block (2, 2, 256);
    block.fillInput (0, 0.3f);
    block.fillInput (1, 0.3f);

    s.bypass.store (true);
    block.run (s);
    EXPECT_TRUE (effect.lastBypassed.load());
    EXPECT_FALSE (effect.bypassed.load()) << "the flag is the effect's own, for one block";
    s.bypass.store (false);
    block.run (s);
    EXPECT_FALSE (effect.lastBypassed.load());
}

TEST_F (StreamerTest, EveryBlockSizeGivesExactlyItsFramesInPiecesOfAtMost1024)
{
    const auto file = wavFile ("ramp.wav", 44100.0, 2, 40000);
    for (const int size : { 64, 100, 256, 512, 1000, 1024, 1500, 2048, 4096 })
    {
        SCOPED_TRACE (size);
        auto& s = makeStreamer();
        FakeDevice device (2, 2, 44100.0, size);
        device.openAndStart (&s);
        EXPECT_EQ (effect.getBlockSize(), std::min (size, 1024)) << "the effect is prepared for one piece";
        playFileInBlocks (file);

        const juce::int64 framesBefore = effect.totalFrames.load();
        effect.largestBlock.store (0);
        DeviceBlock block (0, 2, size);
        juce::int64 frame = 0;
        int mismatches = 0;
        while (frame + size <= 24576)
        {
            block.run (s);
            for (int i = 0; i < size; ++i, ++frame)
                if (frame >= 1024) // the first piece fades in
                    for (int c = 0; c < 2; ++c)
                        mismatches += block.out[(size_t) c][(size_t) i] != rampSample (c, frame);
        }
        EXPECT_EQ (mismatches, 0);
        EXPECT_EQ (effect.totalFrames.load() - framesBefore, frame);
        EXPECT_EQ (effect.largestBlock.load(), std::min (size, 1024));
        device.close();
        streamer.reset();
    }
}

TEST_F (StreamerTest, FileLoadedBeforeAnyDeviceGivesWholeLongBlocks)
{
    auto& s = makeStreamer();
    playFileInBlocks (wavFile ("ramp.wav", 44100.0, 2, 20000));
    DeviceBlock block (0, 2, 4096);
    int mismatches = 0;
    for (juce::int64 frame = 0; frame < 3 * 4096;)
    {
        block.run (s);
        for (size_t i = 0; i < 4096; ++i, ++frame)
            if (frame >= 1024)
                for (int c = 0; c < 2; ++c)
                    mismatches += block.out[(size_t) c][i] != rampSample (c, frame);
    }
    EXPECT_EQ (mismatches, 0);
}

TEST_F (StreamerTest, LiveInputPassesUnchangedAtEveryBlockSize)
{
    auto& s = makeStreamer();
    s.liveInput.store (true);
    juce::Random random (7);
    for (const int size : { 64, 700, 1024, 3000, 4096 })
    {
        DeviceBlock block (2, 2, size);
        for (auto& channel : block.in)
            for (auto& x : channel)
                x = random.nextFloat() * 2.0f - 1.0f;
        block.run (s);
        EXPECT_EQ (block.out, block.in) << size;
    }
}

TEST_F (StreamerTest, GainTable)
{
    auto factorOf = [] (float position) {
        float factor = -1.0f;
        FloatToGain24 (position, &factor);
        return factor;
    };
    ASSERT_EQ (factorOf (0.8f), 1.0f) << "0.8 is 0 dB";
    const std::vector<float> positions = { 0.8f, 0.0f, 1.0f, 0.5f, 0.2f };
    auto& s = makeStreamer();
    s.liveInput.store (true);
    juce::Random random (3);
    DeviceBlock block (2, 2, 512);
    for (auto& channel : block.in)
        for (auto& x : channel)
            x = random.nextFloat() - 0.5f;

    for (const float position : positions)
    {
        SCOPED_TRACE (position);
        s.setGain (position);
        EXPECT_EQ (s.getGain(), position);
        block.run (s);
        const float factor = factorOf (position);
        int wrong = 0;
        for (size_t ch = 0; ch < 2; ++ch)
            for (size_t i = 0; i < 512; ++i)
                wrong += block.out[ch][i] != block.in[ch][i] * factor;
        EXPECT_EQ (wrong, 0);
    }
    s.setGain (0.8f);
    block.run (s);
    EXPECT_EQ (block.out, block.in) << "0 dB passes bit for bit";

    s.setGain (std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (s.getGain(), 0.8f);
    block.run (s);
    EXPECT_EQ (block.out, block.in);
}

TEST_F (StreamerTest, MeterTable)
{
    struct Case
    {
        float peak;
        float reading;
    };
    const std::vector<Case> cases = {
        { 1.0f, 1.0f }, { 2.0f, 1.0f }, { 0.1f, 0.4444444f }, { -0.1f, 0.4444444f }, { 0.5f, 0.8327611f },
        { 0.0158489f, 0.0f }, { 0.001f, 0.0f }, { 0.0f, 0.0f },
    };
    auto& s = makeStreamer();
    s.liveInput.store (true);
    DeviceBlock block (2, 2, 128);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.peak);
        block.fillInput (0, c.peak);
        block.fillInput (1, c.peak * 0.5f);
        block.run (s);
        EXPECT_NEAR (s.getMagnitude (0), c.reading, 1e-5f);
        EXPECT_EQ (s.getMagnitude (0), 0.0f) << "reading clears the peak";
        s.getMagnitude (1);
    }

    block.fillInput (0, 0.1f);
    block.run (s);
    block.fillInput (0, 0.05f);
    block.run (s);
    EXPECT_NEAR (s.getMagnitude (0), 0.4444444f, 1e-5f) << "the largest peak since the last reading";
    EXPECT_EQ (s.getMagnitude (64), 0.0f);
    EXPECT_EQ (s.getMagnitude (-1), 0.0f);

    // 64 output channels are metered, no more.
    ASSERT_TRUE (s.reconfigureEffect (64, 64));
    DeviceBlock wide (1, 64, 128);
    wide.fillInput (0, 1.0f);
    wide.run (s);
    EXPECT_EQ (s.getMagnitude (63), 1.0f);
    EXPECT_EQ (s.getMagnitude (64), 0.0f);
}

TEST_F (StreamerTest, ShortSampleRateTable)
{
    struct Case
    {
        double rate;
        const char* text;
    };
    const std::vector<Case> cases = {
        { 32000.0, "32 kHz" }, { 44100.0, "44.1 kHz" }, { 48000.0, "48 kHz" }, { 96000.0, "96 kHz" },
        { 88200.0, "" }, { 22050.0, "" },
    };
    const auto file = wavFile ("odd.wav", 11025.0, 2, 4000);
    EXPECT_EQ (makeStreamer().getShortSampleRate(), "") << "no device";

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.rate);
        auto& s = makeStreamer();
        FakeDevice device (2, 2, c.rate, 512, { c.rate });
        device.openAndStart (&s);
        EXPECT_EQ (s.getShortSampleRate(), c.text);

        // The device refuses the file's rate: the text is marked.
        s.setSrMode (0, false);
        s.initAudioReader (file);
        EXPECT_EQ (device.rate, c.rate);
        const juce::String marked = juce::String (c.text).isEmpty() ? "" : juce::String (c.text) + "!";
        EXPECT_EQ (s.getShortSampleRate(), marked);
        EXPECT_FLOAT_EQ ((float) s.getAudioReader()->srRatio.load(), (float) (11025.0 / c.rate));
        device.close();
        streamer.reset();
    }
}

TEST_F (StreamerTest, RecordTimeTable)
{
    struct Case
    {
        juce::int64 frames;
        double rate;
        const char* text;
    };
    const std::vector<Case> cases = {
        { 0, 44100.0, "  0: 0:  0" },
        { 2712150, 44100.0, "  1: 1:500" },
        { 1234, 48000.0, "  0: 0: 25" },
        { 172800000, 48000.0, " 60: 0:  0" },
        { 48000 * 59 + 24000, 48000.0, "  0:59:500" },
    };
    EXPECT_EQ (makeStreamer().getRecordTime(), "") << "no recorder";
    EXPECT_FALSE (streamer->isRecording());

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        auto& s = makeStreamer();
        FakeDevice device (2, 2, c.rate, 512);
        device.openAndStart (&s);
        s.setRecorder (std::make_unique<MyAudioWriter> (folder.getChildFile ("take.wav"), c.rate, 2, false));
        s.getAudioWriter()->samplesWritten.store (c.frames);
        EXPECT_EQ (s.getRecordTime(), c.text);
        device.close();
        streamer.reset();
    }
}

TEST_F (StreamerTest, RecorderGetsTheOutputOfEveryBlockAndTheSettings)
{
    auto& s = makeStreamer();
    s.setRecordBits (2);
    s.setSplitFiles (true);
    s.setRecordMode (0);
    s.setNumOutChannels (2);
    const auto take = folder.getChildFile ("take.wav");
    s.setRecorder (std::make_unique<MyAudioWriter> (take, 44100.0, 2, false));
    auto* writer = s.getAudioWriter();
    EXPECT_EQ (writer->recordBits, 2);
    EXPECT_TRUE (writer->split.load());
    s.setSplitFiles (false);
    EXPECT_FALSE (writer->split.load());

    s.liveInput.store (true);
    effect.scale = 0.5f;
    DeviceBlock block (2, 2, 3000);
    for (size_t i = 0; i < 3000; ++i)
    {
        block.in[0][i] = (float) i / 4096.0f;
        block.in[1][i] = -(float) i / 4096.0f;
    }
    s.record (true);
    EXPECT_TRUE (s.isRecording());
    block.run (s);
    s.record (false);
    EXPECT_FALSE (s.isRecording());

    juce::AudioBuffer<float> recorded;
    ASSERT_TRUE (readSoundFile (take, recorded));
    ASSERT_EQ (recorded.getNumSamples(), 3000);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 3000; i += 97)
            ASSERT_EQ (recorded.getSample (c, i), block.out[(size_t) c][(size_t) i]);
}

TEST_F (StreamerTest, PlayHeadIsSixtyBpmInFourFourPlayingWhileTheFilePlays)
{
    auto& s = makeStreamer();
    EXPECT_EQ (effect.getPlayHead(), &s);
    auto position = s.getPosition();
    ASSERT_TRUE (position.hasValue());
    EXPECT_EQ (*position->getBpm(), 60.0);
    EXPECT_EQ (position->getTimeSignature()->numerator, 4);
    EXPECT_EQ (position->getTimeSignature()->denominator, 4);
    EXPECT_FALSE (position->getIsPlaying());
    EXPECT_FALSE (position->getPpqPosition().hasValue()) << "nothing else is claimed";

    playFileInBlocks (wavFile ("ramp.wav", 44100.0, 2, 44100));
    DeviceBlock block (0, 2, 512);
    block.run (s);
    EXPECT_TRUE (s.getPosition()->getIsPlaying());
    EXPECT_TRUE (effect.hostPlaying.load()) << "the effect reads it in its block";
    EXPECT_EQ (effect.wholeNoteMs.load(), 4000.0f);

    // No block comes while the pause waits: the request is still pending,
    // and it is what the user asked last (a file loaded now must not play).
    s.pausePlay();
    EXPECT_FALSE (s.isPlaying());
    block.run (s);
    EXPECT_FALSE (s.getPosition()->getIsPlaying());
    block.run (s);
    EXPECT_FALSE (effect.hostPlaying.load());

    streamer.reset();
    EXPECT_EQ (effect.getPlayHead(), nullptr) << "the effect keeps no pointer to a deleted streamer";
}

TEST_F (StreamerTest, TransportWithoutReaderDoesNothing)
{
    auto& s = makeStreamer();
    s.liveInput.store (true);
    s.startPlay();
    s.pausePlay();
    s.beginPlay();
    s.clearCurrentFile();
    s.setTimePosition (1.0f);
    s.setLoop (true);
    s.setLoop (1.0, 2.0);
    s.setPlayMode (2);
    s.setVariableSpeed (-1.0f);
    s.setSrQuality (0);
    s.setSrMode (0, true);
    s.record (true);
    EXPECT_TRUE (s.liveInput.load());
    EXPECT_FALSE (s.isPlaying());
    EXPECT_FALSE (s.getLoop());
    EXPECT_EQ (s.getVariableSpeed(), 0.0f);
    EXPECT_FALSE (s.isRecording());
    EXPECT_EQ (s.getAudioReader(), nullptr);

    s.initAudioReader (folder.getChildFile ("missing.wav"));
    EXPECT_EQ (s.getAudioReader(), nullptr);
    EXPECT_TRUE (s.liveInput.load());
}

TEST_F (StreamerTest, NoDeviceNeverHangs)
{
    auto& s = makeStreamer();
    s.initAudioReader (wavFile ("ramp.wav", 44100.0, 2, 441000));
    s.readerReady.store (true);
    const auto start = std::chrono::steady_clock::now();
    s.startPlay();
    s.setLoop (true);
    s.setLoop (1.0, 2.0);
    s.setTimePosition (3.0f);
    s.beginPlay();
    s.pausePlay();
    s.clearCurrentFile();
    s.initAudioReader (wavFile ("other.wav", 44100.0, 2, 1000));
    s.setInputExternal (true);
    EXPECT_FALSE (s.changeSampleRate (48000.0f));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT (elapsed, std::chrono::seconds (3));
    EXPECT_FALSE (s.liveInput.load()) << "no live input without a device";
}

TEST_F (StreamerTest, LoadingAFileReplacesTheReaderAndConvertsRates)
{
    auto& s = makeStreamer();
    FakeDevice device (2, 2, 48000.0, 512);
    device.openAndStart (&s);
    const auto file = wavFile ("ramp.wav", 44100.0, 2, 20000);

    // Mode 1: keep the device rate, resample.
    s.liveInput.store (true);
    s.initAudioReader (file);
    auto* first = s.getAudioReader();
    ASSERT_NE (first, nullptr);
    EXPECT_FALSE (s.readerReady.load());
    EXPECT_FALSE (s.liveInput.load());
    EXPECT_DOUBLE_EQ (first->srRatio.load(), (double) (float) (44100.0 / 48000.0));
    EXPECT_EQ (s.getShortSampleRate(), "48 kHz");

    // The play mode goes on to the next file.
    s.setPlayMode (2);
    s.initAudioReader (file);
    EXPECT_EQ (s.getAudioReader()->playMode.load(), 2);

    // Mode 2: no conversion.
    s.setSrMode (2, false);
    EXPECT_FALSE (s.getAudioReader()->srConversion.load());

    // Mode 0: the device switches to the file's rate.
    s.setSrMode (0, false);
    EXPECT_EQ (device.rate, 44100.0);
    EXPECT_EQ (s.getCurrentDevice(), &device);
    EXPECT_EQ (device.callback, &s) << "the streamer restarted the device itself";
    EXPECT_EQ (s.getDeviceSampleRate(), 44100.0);
    EXPECT_FALSE (s.getAudioReader()->srConversion.load());
    EXPECT_EQ (s.getShortSampleRate(), "44.1 kHz");
    EXPECT_EQ (effect.getSampleRate(), 44100.0);
}

TEST_F (StreamerTest, ModeStoredWithoutFileTakesEffectWithTheNextFile)
{
    auto& s = makeStreamer();
    FakeDevice device (2, 2, 48000.0, 512);
    device.openAndStart (&s);
    s.setSrMode (0, false);
    EXPECT_EQ (device.rate, 48000.0);
    s.initAudioReader (wavFile ("ramp.wav", 96000.0, 2, 20000));
    EXPECT_EQ (device.rate, 96000.0);
    EXPECT_EQ (s.getShortSampleRate(), "96 kHz");
}

TEST_F (StreamerTest, LoopOnAStoppedReaderMovesItToTheLoopStartOrBackwardsToItsEnd)
{
    auto& s = makeStreamer();
    s.initAudioReader (wavFile ("long.wav", 8000.0, 2, 8000 * 6));
    auto* reader = s.getAudioReader();

    s.setLoop (2.0, 5.0);
    EXPECT_FLOAT_EQ (reader->currentTime.load(), 2.0f);
    EXPECT_EQ (reader->getLoopStart(), 16000);
    EXPECT_EQ (reader->getLoopEnd(), 40000);

    s.setPlayMode (2);
    s.setVariableSpeed (-0.5f);
    EXPECT_FLOAT_EQ (s.getVariableSpeed(), -0.5f);
    s.setLoop (2.0, 5.0);
    EXPECT_FLOAT_EQ (reader->currentTime.load(), 5.0f);

    s.setLoop (true);
    EXPECT_TRUE (s.getLoop());
}

TEST_F (StreamerTest, LiveInputFollowsTheDeviceChannels)
{
    auto& s = makeStreamer();
    FakeDevice device (1, 2, 44100.0, 256);
    device.openAndStart (&s);
    s.initAudioReader (wavFile ("ramp.wav", 44100.0, 2, 441000));
    s.readerReady.store (true);
    auto* reader = s.getAudioReader();

    // Blocks keep coming while the transport waits for them.
    DeviceBlock block (1, 2, 256);
    block.fillInput (0, 0.25f);
    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    std::thread audio ([&] {
        while (running.load())
        {
            block.run (s);
            blocks.fetch_add (1);
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });
    while (blocks.load() < 3)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    s.startPlay();
    EXPECT_TRUE (s.isPlaying());

    s.setInputExternal (true);
    EXPECT_TRUE (s.liveInput.load());
    EXPECT_FALSE (s.isPlaying()) << "the playing file stops";
    EXPECT_EQ (reader->transportState.load(), (int) MyAudioReader::Stopped);
    EXPECT_EQ (effect.getMainBusNumInputChannels(), 1);
    EXPECT_EQ (effect.getMainBusNumOutputChannels(), 2);
    running.store (false);
    audio.join();
    block.run (s);
    EXPECT_EQ (block.out[1][100], 0.25f);

    s.setInputExternal (false);
    EXPECT_FALSE (s.liveInput.load());
    EXPECT_EQ (effect.getMainBusNumInputChannels(), 2) << "the reader's channels";
}

TEST_F (StreamerTest, ValidateAudioFileTable)
{
    struct Case
    {
        const char* name;
        int channels;      // 0: not a sound file; -1: missing
        bool multichannel;
        int effectLimit;
        int expected;
    };
    const std::vector<Case> cases = {
        { "missing", -1, false, 2, -1 },
        { "not a sound file", 0, false, 2, -1 },
        { "mono", 1, false, 2, 0 },
        { "stereo", 2, false, 2, 0 },
        { "3 channels", 3, false, 2, 3 },
        { "3 channels, effect takes 2", 3, true, 2, 3 },
        { "6 channels, effect takes 8", 6, true, 8, 0 },
        { "6 channels, multichannel off", 6, false, 8, 6 },
        { "66 channels, effect claims 100", 66, true, 100, 66 },
    };
    auto& s = makeStreamer();
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto file = folder.getChildFile (juce::String (c.name) + ".wav");
        if (c.channels == 0)
            file.replaceWithText ("not sound");
        else if (c.channels > 0)
            file = wavFile (file.getFileName(), 8000.0, c.channels, 100);
        s.acceptMultichannelFiles.store (c.multichannel);
        effect.maxInputs = c.effectLimit;
        EXPECT_EQ (s.validateAudioFile (file), c.expected);
    }
}

TEST_F (StreamerTest, MidiReachesTheEffectInThePieceItFallsIn)
{
    auto& s = makeStreamer();
    DeviceBlock block (0, 2, 2048);
    block.run (s);

    auto message = juce::MidiMessage::controllerEvent (1, 7, 100);
    message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
    s.handleIncomingMidiMessage (nullptr, message);
    block.run (s);
    EXPECT_EQ (effect.midiEvents.load(), 1);
    EXPECT_GE (effect.lastMidiPosition.load(), 0);
    EXPECT_LT (effect.lastMidiPosition.load(), effect.lastMidiBlock.load());

    // Unstamped: the block's first frame; system exclusive: not passed on.
    s.handleIncomingMidiMessage (nullptr, juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
    const juce::uint8 sysex[] = { 1, 2, 3, 4 };
    s.handleIncomingMidiMessage (nullptr, juce::MidiMessage::createSysExMessage (sysex, 4));
    block.run (s);
    EXPECT_EQ (effect.midiEvents.load(), 2);
    EXPECT_EQ (effect.lastMidiPosition.load(), 0);

    // A full queue drops the rest, and a device start discards what waits.
    for (int i = 0; i < AudioFilterStreamer::midiQueueSize + 10; ++i)
        s.handleIncomingMidiMessage (nullptr, message);
    block.run (s);
    EXPECT_EQ (effect.midiEvents.load(), 2 + AudioFilterStreamer::midiQueueSize - 1);
    s.handleIncomingMidiMessage (nullptr, message);
    FakeDevice device (0, 2, 44100.0, 2048);
    device.openAndStart (&s);
    block.run (s);
    EXPECT_EQ (effect.midiEvents.load(), 2 + AudioFilterStreamer::midiQueueSize - 1);
}

TEST_F (StreamerTest, DeviceStartPreparesTheEffectAndStopForgetsTheDevice)
{
    auto& s = makeStreamer();
    {
        FakeDevice device (2, 8, 96000.0, 4096);
        device.openAndStart (&s);
        EXPECT_EQ (s.getCurrentDevice(), &device);
        EXPECT_EQ (effect.getSampleRate(), 96000.0);
        EXPECT_EQ (effect.getBlockSize(), 1024);
        EXPECT_EQ (effect.getMainBusNumInputChannels(), 2);
        EXPECT_EQ (s.getShortSampleRate(), "96 kHz");
    }
    EXPECT_EQ (s.getCurrentDevice(), nullptr) << "a deleted device is not kept";
    EXPECT_EQ (s.getShortSampleRate(), "");
    EXPECT_FALSE (s.changeSampleRate (44100.0f));
}

TEST_F (StreamerTest, TheCallbackNeverAllocates)
{
    auto& s = makeStreamer();
    FakeDevice device (2, 8, 44100.0, 4096);
    device.openAndStart (&s);
    s.setRecorder (std::make_unique<MyAudioWriter> (folder.getChildFile ("take.wav"), 44100.0, 2, false));
    s.initAudioReader (wavFile ("ramp.wav", 48000.0, 2, 200000));
    s.readerReady.store (true);
    s.startPlay();

    auto message = juce::MidiMessage::controllerEvent (1, 7, 100);
    message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);

    struct Step
    {
        const char* name;
        std::function<void()> set;
    };
    const std::vector<Step> steps = {
        { "file", [] {} },
        { "file with gain", [&] { s.setGain (0.5f); } },
        { "bypass", [&] { s.bypass.store (true); } },
        { "recording", [&] { s.record (true); } },
        { "live", [&] { s.liveInput.store (true); } },
        { "8 outputs", [&] { s.reconfigureEffect (2, 8); } },
        { "muted", [&] { s.muted.store (true); } },
    };
    for (const int size : { 64, 512, 4096 })
    {
        DeviceBlock block (2, 8, size);
        for (const auto& step : steps)
        {
            SCOPED_TRACE (step.name);
            step.set();
            for (int i = 0; i < 200; ++i)
                s.handleIncomingMidiMessage (nullptr, message);
            block.runKeepingOutputs (s); // first call after a change may warm up the effect
            for (int i = 0; i < 200; ++i)
                s.handleIncomingMidiMessage (nullptr, message);
            AllocationCounter count;
            block.runKeepingOutputs (s);
            block.runKeepingOutputs (s);
            EXPECT_EQ (count.allocations(), 0u) << size;
        }
        s.muted.store (false);
        s.liveInput.store (false);
        s.bypass.store (false);
        s.record (false);
        s.reconfigureEffect (2, 2);
    }
}
