// The crunch engine's auxiliary source: cross-synthesis with a sound file
// and with the side chain, the unfed source, the "Load File" dialogs, the
// player's transport and the host synchronisation.
#include "ZuveruvaTestSupport.h"

#include "AudioFileCheck.h"
#include "MyAudioReader.h"

#include <gtest/gtest.h>

#include "TestFolders.h"

#include <cfloat>
#include <cstring>
#include <limits>
#include <thread>

using namespace zuveruva_test;

namespace
{
// Power of a signal in a frequency band, from Hann-windowed DFTs of 2048
// samples (43 Hz bins) over a stretch.
double bandPower (const Signal& s, int from, int to, double loHz, double hiHz)
{
    const int n = 2048;
    const double binHz = sampleRate / n;
    double power = 0.0;
    for (int start = from; start + n <= to; start += n)
        for (int k = (int) std::floor (loHz / binHz); k <= (int) std::ceil (hiHz / binHz); ++k)
        {
            double re = 0.0, im = 0.0;
            for (int i = 0; i < n; ++i)
            {
                const double w = 0.5 - 0.5 * std::cos (2.0 * juce::MathConstants<double>::pi * i / n);
                const double a = 2.0 * juce::MathConstants<double>::pi * k * i / n;
                re += w * s[(size_t) (start + i)] * std::cos (a);
                im += w * s[(size_t) (start + i)] * std::sin (a);
            }
            power += re * re + im * im;
        }
    return power;
}

using TempFolder = ScopedTestFolder;

constexpr double inputHz = 440.0, auxHz = 1000.0;

// Input band / auxiliary band power of the output after the start-up.
struct Bands
{
    double input, aux;
};

Bands measure (const Signal& out, int from)
{
    return { bandPower (out, from, (int) out.size(), 380.0, 500.0),
             bandPower (out, from, (int) out.size(), 900.0, 1100.0) };
}

void setCross (Zuveruva& fx, float depth)
{
    // Frames of 2048: the two tones lie far apart in bins, so each band's
    // frequencies come from its own bins.
    fx.setIndexedParameter (Zuveruva::kBands, 9.0f / 11.0f);
    fx.setIndexedParameter (Zuveruva::kBalance, 1.0f); // amplitudes from the auxiliary source
    fx.setIndexedParameter (Zuveruva::kAuxDepth, depth);
    fx.setIndexedParameter (Zuveruva::kAmplitude, 0.0f);
    fx.setIndexedParameter (Zuveruva::kFrequency, 0.0f);
}

TEST (ZuveruvaAux, CrossesWithASoundFileThroughTheReader)
{
    TempFolder folder ("zuveruva-aux-file");
    const auto wav = writeWav (folder / "tone.wav", 1, 44100, auxHz);

    for (float depth : { 1.0f, 0.0f })
    {
        SCOPED_TRACE (depth);
        Zuveruva fx;
        ASSERT_TRUE (prepare (fx, 2, 0, 512));
        fx.setNonRealtime (true); // the reader refills inside processBlock: deterministic
        fx.loadAuxFile (wav.getFullPathName());
        ASSERT_TRUE (fx.hasAuxReader());
        EXPECT_EQ (fx.getAuxFile(), wav);
        EXPECT_FALSE (fx.isAuxActive()); // loading alone does not switch the source on
        fx.setIndexedParameter (Zuveruva::kPlay, 1.0f); // "Play" makes the file the source
        EXPECT_TRUE (fx.isAuxActive());
        EXPECT_FALSE (fx.isAuxSideChain());
        EXPECT_NEAR (fx.getIndexedParameter (Zuveruva::kAuxOn), 1.0f / 3.0f, 1e-6f);
        setCross (fx, depth);

        Render r;
        r.in = { sine (16384, inputHz), sine (16384, inputHz) };
        const auto out = r.run (fx);
        EXPECT_TRUE (fx.getModPlaying());
        EXPECT_GT (fx.getAuxPosition(), 0.2f);
        for (const auto& channel : out)
        {
            const auto b = measure (channel, 4096);
            if (depth == 1.0f)
                EXPECT_GT (b.aux, 100.0 * b.input);
            else
                EXPECT_GT (b.input, 100.0 * b.aux);
        }
    }
}

// Samples no real signal has, as a valid float file or another track may
// hold them: each source, crossed at full gain, still gives finite output.
TEST (ZuveruvaAux, HugeAndNonFiniteSourceSamplesKeepTheOutputFinite)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char* name;
        bool sideChain;
        std::function<float (int)> sample;
    };
    const auto tone = [] (int i) { return (float) std::sin (0.14 * i); };
    const Case cases[] = {
        { "file of 1e18", false, [=] (int i) { return 1.0e18f * tone (i); } },
        { "file of NaN and infinities", false, [=] (int i) { return i % 7 == 0 ? nan : i % 7 == 3 ? (i % 2 ? inf : -inf) : tone (i); } },
        { "file of the largest floats", false, [=] (int i) { return i % 2 ? FLT_MAX : -FLT_MAX; } },
        { "side chain of 1e30", true, [=] (int i) { return 1.0e30f * tone (i); } },
        { "side chain of NaN and infinities", true, [=] (int i) { return i % 5 == 0 ? nan : i % 5 == 1 ? inf : tone (i); } },
    };

    TempFolder folder ("zuveruva-aux-hostile");
    constexpr int length = 16384;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Zuveruva fx;
        ASSERT_TRUE (prepare (fx, 2, c.sideChain ? 2 : 0, 512));
        fx.setNonRealtime (true);
        Signal source ((size_t) length);
        for (int i = 0; i < length; ++i)
            source[(size_t) i] = c.sample (i);

        Render r;
        r.in = { sine (length, inputHz), sine (length, inputHz) };
        if (c.sideChain)
        {
            r.sideChain = { source, source };
            fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
        }
        else
        {
            const auto file = folder / "hostile.wav";
            juce::WavAudioFormat wav;
            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (
                new juce::FileOutputStream (file), sampleRate, 1, 32, {}, 0));
            ASSERT_NE (writer, nullptr);
            const float* channels[] = { source.data(), nullptr };
            ASSERT_TRUE (writer->writeFromFloatArrays (channels, 1, length));
            writer.reset();
            fx.loadAuxFile (file.getFullPathName());
            ASSERT_TRUE (fx.hasAuxReader());
            fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
        }
        setCross (fx, 1.0f);
        fx.setIndexedParameter (Zuveruva::kAuxGain, 1.0f);
        fx.setIndexedParameter (Zuveruva::kGain, 1.0f);
        fx.setIndexedParameter (Zuveruva::kMix, 1.0f);

        const auto out = r.run (fx);
        for (const auto& channel : out)
        {
            const auto bad = std::find_if (channel.begin(), channel.end(), [] (float x) { return ! std::isfinite (x); });
            EXPECT_EQ (bad, channel.end()) << "sample " << (bad - channel.begin());
        }
        if (! c.sideChain)
        {
            EXPECT_GT (fx.getAuxPosition(), 0.2f);   // the file did play
        }
    }
}

TEST (ZuveruvaAux, CrossesWithTheSideChainAndAMonoSideChainFeedsBothChannels)
{
    auto run = [] (int sideChainChannels) {
        Zuveruva fx;
        EXPECT_TRUE (prepare (fx, 2, sideChainChannels, 512));
        fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
        setCross (fx, 1.0f);
        Render r;
        r.in = { sine (16384, inputHz), sine (16384, inputHz, 0.3f) };
        for (int c = 0; c < sideChainChannels; ++c)
            r.sideChain.push_back (sine (16384, auxHz));
        auto out = r.run (fx);
        EXPECT_EQ (fx.getSideChainChannels(), sideChainChannels);
        return out;
    };

    const auto mono = run (1);
    for (const auto& channel : mono)
    {
        const auto b = measure (channel, 4096);
        EXPECT_GT (b.aux, 100.0 * b.input);
    }
    // A stereo side chain carrying the same signal twice gives the same output.
    const auto stereo = run (2);
    EXPECT_EQ (mono, stereo);
}

TEST (ZuveruvaAux, AnUnfedSideChainThatStartsLaterMatchesOneFedWithSilence)
{
    // Run A: the side chain is chosen but the host gives no channels until
    // `start`. Run B: the host feeds silence until `start`. Both then carry
    // the same tone, and the outputs must be the same throughout.
    const int length = 24576, start = 40 * 256;
    auto run = [&] (bool hiddenAtFirst) {
        Zuveruva fx;
        EXPECT_TRUE (prepare (fx, 2, 2, 256));
        fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
        fx.setIndexedParameter (Zuveruva::kBalance, 0.5f);
        Render r;
        r.block = 256;
        r.in = { noise (length, 1), noise (length, 2) };
        Signal aux = sine (length, auxHz);
        if (hiddenAtFirst)
            r.sideChainPresent = [start] (int offset) { return offset >= start; };
        else
            std::fill (aux.begin(), aux.begin() + start, 0.0f);
        r.sideChain = { aux, aux };
        auto out = r.run (fx);
        EXPECT_EQ (fx.getSideChainChannels(), 2);
        return out;
    };
    const auto a = run (true);
    const auto b = run (false);
    EXPECT_EQ (a, b);
    // And the tone did reach the output.
    EXPECT_GT (bandPower (a[0], start + 4096, length, 900.0, 1100.0), 0.0);
}

TEST (ZuveruvaAux, AFileSourceWithoutAReaderThenLoadedMatchesOneLoadedFromTheStart)
{
    TempFolder folder ("zuveruva-aux-late");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    const int length = 16384, start = 24 * 256;

    auto run = [&] (bool loadLate) {
        Zuveruva fx;
        EXPECT_TRUE (prepare (fx, 2, 0, 256));
        fx.setNonRealtime (true);
        fx.setIndexedParameter (Zuveruva::kAuxOn, 1.0f / 3.0f);
        if (! loadLate)
            fx.loadAuxFile (wav.getFullPathName()); // loaded but stopped: it feeds silence
        Render r;
        r.block = 256;
        r.in = { noise (length, 3), noise (length, 4) };
        r.beforeBlock = [&] (int offset) {
            if (offset != start)
                return;
            if (loadLate)
                fx.loadAuxFile (wav.getFullPathName());
            fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
        };
        return r.run (fx);
    };
    EXPECT_EQ (run (true), run (false));
}

struct ZuveruvaDialogs : testing::Test
{
    TempFolder folder { "zuveruva-dialogs" };
    TestDialogs dialogs;
    ScopedDialogs scoped { dialogs };
    Zuveruva fx;
    juce::StringArray playerAlerts;

    void SetUp() override
    {
        setSoundFileAlert ([this] (const juce::String& title, const juce::String& message) {
            playerAlerts.add (title + "|" + message);
        });
        ASSERT_TRUE (prepare (fx, 2, 2, 512));
    }
    void TearDown() override { setSoundFileAlert ({}); }
};

TEST_F (ZuveruvaDialogs, CancelAndRefusedFilesLeaveAuxOnAsItWas)
{
    writeWav (folder / "x.wav", 6, 4410, auxHz);
    (folder / "text.wav").replaceWithText ("not a sound file");

    fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
    struct Case { juce::File file; const char* title; const char* message; };
    const Case cases[] = {
        { {}, nullptr, nullptr },
        { folder / "x.wav", "Error in reading x.wav",
          "x.wav is a 6 channels audio file\n Vokt Tools can read only mono or stereo audio files" },
        { folder / "text.wav", "Error in reading text.wav", "text.wav is not a valid sound file" },
        { folder / "missing.wav", "Error in reading missing.wav", "missing.wav is not a valid sound file" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.file.getFileName());
        dialogs.chooserResult = c.file;
        dialogs.alertTitles.clear();
        dialogs.alertMessages.clear();
        const int before = dialogs.choosers;
        fx.runLoadFileCommand();
        EXPECT_EQ (dialogs.choosers, before + 1);
        EXPECT_EQ (dialogs.chooserTitle, "Select a sound file");
        EXPECT_EQ (dialogs.chooserPatterns, "*.wav;*.aif;*.aiff");
        if (c.title == nullptr)
            EXPECT_TRUE (dialogs.alertTitles.isEmpty());
        else
        {
            ASSERT_EQ (dialogs.alertTitles.size(), 1);
            EXPECT_EQ (dialogs.alertTitles[0], c.title);
            EXPECT_EQ (dialogs.alertMessages[0], c.message);
        }
        EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 2.0f / 3.0f);
        EXPECT_FLOAT_EQ (fx.getProgram (0).auxOn, 2.0f / 3.0f);
        EXPECT_TRUE (fx.isAuxActive());
        EXPECT_TRUE (fx.isAuxSideChain());
        EXPECT_FALSE (fx.hasAuxReader());
    }

    // A program change after all this does not open the chooser again.
    const int before = dialogs.choosers;
    fx.setCurrentProgram (0);
    EXPECT_EQ (dialogs.choosers, before);
}

TEST_F (ZuveruvaDialogs, AChosenFileShowsFileButCrossesOnlyOncePlayed)
{
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    dialogs.chooserResult = wav;
    fx.runLoadFileCommand();
    EXPECT_TRUE (dialogs.alertTitles.isEmpty());
    EXPECT_TRUE (fx.hasAuxReader());
    EXPECT_EQ (fx.getAuxFile(), wav);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 1.0f / 3.0f);
    EXPECT_FALSE (fx.isAuxActive()); // "No Aux" before: still not crossed
    EXPECT_FALSE (fx.getModPlaying());
    EXPECT_FALSE (fx.getModLooping());

    fx.setIndexedParameter (Zuveruva::kLoop, 1.0f);
    EXPECT_TRUE (fx.getModLooping());

    // "Play" with the side chain selected makes the file the source.
    fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f);
    EXPECT_TRUE (fx.isAuxSideChain());
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 1.0f / 3.0f);
    EXPECT_TRUE (fx.isAuxActive());
    EXPECT_FALSE (fx.isAuxSideChain());
}

// The current program's saved state with its Aux On field set to v, restored.
void restoreStateWithAuxOn (Zuveruva& fx, float v)
{
    juce::MemoryBlock state;
    fx.getCurrentProgramStateInformation (state);
    ASSERT_GE (state.getSize(), 20 + sizeof (ZuveruvaProgram));
    auto* bytes = static_cast<uint8_t*> (state.getData()) + 20;  // the record, after the chunk's header
    ZuveruvaProgram record;
    std::memcpy (static_cast<void*> (&record), bytes, sizeof record);
    record.SwapToHost();
    record.auxOn = v;
    record.SwapToBig();
    std::memcpy (bytes, &record, sizeof record);
    fx.setCurrentProgramStateInformation (state.getData(), (int) state.getSize());
}

TEST_F (ZuveruvaDialogs, LoadFileAsAValueIsRefusedOnEveryThread)
{
    dialogs.chooserResult = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    const std::function<void (float)> setters[] = {
        [this] (float v) { fx.setIndexedParameter (Zuveruva::kAuxOn, v); },
        [this] (float v) { std::thread other ([this, v] { fx.setIndexedParameter (Zuveruva::kAuxOn, v); }); other.join(); },
        [this] (float v) { fx.setParameterNotifyingHost (Zuveruva::kAuxOn, v); },
        [this] (float v) { restoreStateWithAuxOn (fx, v); },
        [this] (float v) { std::thread other ([this, v] { restoreStateWithAuxOn (fx, v); }); other.join(); },
    };
    for (float before : { 0.0f, 1.0f / 3.0f, 2.0f / 3.0f })
        for (const auto& set : setters)
        {
            SCOPED_TRACE (before);
            fx.setIndexedParameter (Zuveruva::kAuxOn, before);
            pumpMessages (60);
            set (1.0f);
            set (0.9f);
            pumpMessages (120);
            EXPECT_EQ (dialogs.choosers, 0);
            EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), before);
            EXPECT_FLOAT_EQ (fx.getProgram (0).auxOn, before);
            EXPECT_FALSE (fx.hasAuxReader());
        }
}

TEST_F (ZuveruvaDialogs, LoadAuxFileRefusesBadFilesAndKeepsTheReader)
{
    const auto good = writeWav (folder / "good.wav", 1, 44100, auxHz);
    writeWav (folder / "six.wav", 6, 4410, auxHz);
    fx.loadAuxFile (good.getFullPathName());
    ASSERT_TRUE (fx.hasAuxReader());
    auto* reader = fx.getAuxReader();
    fx.loadAuxFile ((folder / "six.wav").getFullPathName());
    ASSERT_EQ (playerAlerts.size(), 1);
    EXPECT_EQ (playerAlerts[0], "Error in reading six.wav|six.wav is a 6 channels audio file\n Vokt Tools can read only mono or stereo audio files");
    EXPECT_EQ (fx.getAuxReader(), reader);
    EXPECT_EQ (fx.getAuxFile(), good);
}

// A play head whose transport the test drives.
struct TestPlayHead : juce::AudioPlayHead
{
    bool playing = false;
    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setIsPlaying (playing);
        info.setBpm (120.0);
        return info;
    }
};

TEST (ZuveruvaAux, SyncFollowsTheHostTransport)
{
    TempFolder folder ("zuveruva-sync");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    Zuveruva fx;
    TestPlayHead head;
    fx.setPlayHead (&head);
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.setNonRealtime (true);
    fx.loadAuxFile (wav.getFullPathName());
    fx.setIndexedParameter (Zuveruva::kAuxOn, 1.0f / 3.0f);
    fx.setIndexedParameter (Zuveruva::kSync, 1.0f);

    Render r;
    r.in = { Signal (512, 0.0f), Signal (512, 0.0f) };
    head.playing = true;
    r.run (fx);
    EXPECT_EQ (fx.getSyncRequest(), 1);
    fx.timerCallback();
    EXPECT_EQ (fx.getSyncRequest(), 0);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kPlay), 1.0f);
    r.run (fx);
    EXPECT_TRUE (fx.getModPlaying());

    head.playing = false;
    r.run (fx);
    EXPECT_EQ (fx.getSyncRequest(), 2);
    fx.timerCallback();
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kPlay), 0.0f);
    r.run (fx);
    EXPECT_FALSE (fx.getModPlaying());

    // "Sync" off with the file selected and the player idle: no source.
    fx.setIndexedParameter (Zuveruva::kSync, 0.0f);
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 0.0f);
    EXPECT_FALSE (fx.isAuxActive());
    fx.setPlayHead (nullptr);
}

TEST (ZuveruvaAux, SyncOffWhilePlayingKeepsTheSource)
{
    TempFolder folder ("zuveruva-sync-playing");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.setNonRealtime (true);
    fx.loadAuxFile (wav.getFullPathName());
    fx.setIndexedParameter (Zuveruva::kSync, 1.0f);
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
    Render r;
    r.in = { Signal (1024, 0.0f), Signal (1024, 0.0f) };
    r.run (fx);
    ASSERT_TRUE (fx.getModPlaying());
    fx.setIndexedParameter (Zuveruva::kSync, 0.0f);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 1.0f / 3.0f);
    EXPECT_TRUE (fx.isAuxActive());
}

TEST (ZuveruvaAux, BeginningRewindsAPausedPlayerWithoutPlayingOrWaiting)
{
    TempFolder folder ("zuveruva-beginning");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.setNonRealtime (true);
    fx.loadAuxFile (wav.getFullPathName());
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
    Render r;
    r.in = { Signal (8192, 0.0f), Signal (8192, 0.0f) };
    r.run (fx);
    const float playedTo = fx.getAuxPosition();
    EXPECT_GT (playedTo, 0.1f);
    fx.setIndexedParameter (Zuveruva::kPlay, 0.0f);
    r.run (fx);
    ASSERT_FALSE (fx.getModPlaying());

    const auto t0 = juce::Time::getMillisecondCounter();
    fx.setIndexedParameter (Zuveruva::kBeginning, 1.0f);
    EXPECT_LT (juce::Time::getMillisecondCounter() - t0, 90u);
    EXPECT_FALSE (fx.getModPlaying());
    EXPECT_EQ (fx.getIndexedParameterText (Zuveruva::kBeginning), "pause");

    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
    r.in = { Signal (1024, 0.0f), Signal (1024, 0.0f) };
    r.run (fx);
    EXPECT_LT (fx.getAuxPosition(), 0.05f); // from the start again
}
TEST (ZuveruvaAux, OnlyTheEndOfSyncSwitchesAnIdleFileOff)
{
    TempFolder folder ("zuveruva-sync-stays-off");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.setNonRealtime (true);
    fx.loadAuxFile (wav.getFullPathName());
    fx.setIndexedParameter (Zuveruva::kAuxOn, 1.0f / 3.0f);

    // Sync already off (a recall or a super-slider move sets it again): the
    // paused file stays the source.
    fx.setIndexedParameter (Zuveruva::kSync, 0.0f);
    EXPECT_FLOAT_EQ (fx.getIndexedParameter (Zuveruva::kAuxOn), 1.0f / 3.0f);
    EXPECT_TRUE (fx.isAuxActive());
}

TEST (ZuveruvaAux, TransportPressesOffTheMessageThreadAreLatchedUntilHandled)
{
    TempFolder folder ("zuveruva-latched");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100, auxHz);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.setNonRealtime (true);
    fx.loadAuxFile (wav.getFullPathName());
    Render r;
    r.in = { Signal (8192, 0.0f), Signal (8192, 0.0f) };

    // A button pressed and released on another thread (OSC, a MIDI binding)
    // before the timer runs.
    auto pressAndRelease = [&fx] (int parameter) {
        std::thread other ([&fx, parameter] {
            fx.setIndexedParameter (parameter, 1.0f);
            fx.setIndexedParameter (parameter, 0.0f);
        });
        other.join();
        fx.timerCallback();
    };

    pressAndRelease (Zuveruva::kPlay);
    r.run (fx);
    EXPECT_TRUE (fx.getModPlaying());
    EXPECT_EQ (fx.getIndexedParameter (Zuveruva::kPlay), 1.0f);
    EXPECT_GT (fx.getAuxPosition(), 0.1f);

    fx.setIndexedParameter (Zuveruva::kPlay, 0.0f);
    r.run (fx);
    ASSERT_FALSE (fx.getModPlaying());
    pressAndRelease (Zuveruva::kBeginning);
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);
    r.in = { Signal (1024, 0.0f), Signal (1024, 0.0f) };
    r.run (fx);
    EXPECT_LT (fx.getAuxPosition(), 0.05f); // rewound
}

TEST (ZuveruvaAux, AReaderMadeInRealTimeFollowsAnOfflineBounceAndBack)
{
    TempFolder folder ("zuveruva-bounce");
    const auto wav = writeWav (folder / "tone.wav", 2, 44100 * 6, auxHz);
    Zuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.loadAuxFile (wav.getFullPathName()); // made in real time
    fx.setIndexedParameter (Zuveruva::kPlay, 1.0f);

    // A bounce of 4 s, rendered as fast as the machine goes.
    fx.setNonRealtime (true);
    Render r;
    r.in = { Signal (44100 * 4, 0.0f), Signal (44100 * 4, 0.0f) };
    r.run (fx);
    EXPECT_NEAR (fx.getAuxPosition(), 4.0f, 0.1f);

    fx.setNonRealtime (false);
    r.in = { Signal (512, 0.0f), Signal (512, 0.0f) };
    r.run (fx);
    EXPECT_FALSE (fx.getAuxReader()->nonRealTime.load());
}
} // namespace
