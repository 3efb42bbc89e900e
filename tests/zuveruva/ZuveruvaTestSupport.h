#pragma once
// Helpers of the crunch engine tests: rendering through the effect, test
// signals, sound files, a tone detector and dialogs that answer at once.
#include "Dialogs.h"
#include "Zuveruva.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace zuveruva_test
{
constexpr double sampleRate = 44100.0;

using Signal = std::vector<float>;

inline Signal sine (int length, double hz, float amplitude = 0.5f, int start = 0)
{
    Signal s ((size_t) length);
    for (int i = 0; i < length; ++i)
        s[(size_t) i] = amplitude * (float) std::sin (2.0 * juce::MathConstants<double>::pi * hz * (double) (i + start) / sampleRate);
    return s;
}

inline Signal noise (int length, int seed, float amplitude = 0.5f)
{
    juce::Random r (seed);
    Signal s ((size_t) length);
    for (auto& x : s)
        x = amplitude * (2.0f * r.nextFloat() - 1.0f);
    return s;
}

// Magnitude of the component at hz over a stretch of a signal.
inline double toneLevel (const Signal& s, int from, int to, double hz)
{
    double re = 0.0, im = 0.0;
    for (int i = from; i < to; ++i)
    {
        const double w = 2.0 * juce::MathConstants<double>::pi * hz * (double) i / sampleRate;
        re += s[(size_t) i] * std::cos (w);
        im += s[(size_t) i] * std::sin (w);
    }
    return 2.0 * std::sqrt (re * re + im * im) / (double) (to - from);
}

// Lets the message loop run (timer ticks, deferred work) for a while.
inline void pumpMessages (int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

// Lets the message loop run until done() holds or timeoutMs has passed;
// done()'s last answer. The bound is for what a loaded machine or a
// sanitizer build may hold back: generous, as the wait ends once done().
inline bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 15000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! done())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return done();
        pumpMessages (10);
    }
    return true;
}

// Sets the bus layout: main in/out with `channels` channels, side chain with
// `sideChain` channels (0 disables it); then prepares the effect.
inline bool prepare (Zuveruva& fx, int channels, int sideChain, int block)
{
    juce::AudioProcessor::BusesLayout layout;
    const auto main = channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    layout.inputBuses.add (main);
    layout.inputBuses.add (sideChain == 0 ? juce::AudioChannelSet::disabled()
                                          : (sideChain == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo()));
    layout.outputBuses.add (main);
    if (! fx.setBusesLayout (layout))
        return false;
    fx.setRateAndBufferSizeDetails (sampleRate, block);
    fx.prepareToPlay (sampleRate, block);
    return true;
}

// Runs signals through the effect in blocks, like a host: the main input
// channels, then the side-chain channels, in one buffer; returns the main
// output channels. `sideChainPresent(offset)` may hide the side chain from a
// block (the buffer then has only the main channels).
struct Render
{
    std::vector<Signal> in;
    std::vector<Signal> sideChain;
    int block = 512;
    bool bypass = false;
    std::function<bool (int)> sideChainPresent;
    std::function<void (int)> beforeBlock;

    std::vector<Signal> run (Zuveruva& fx) const
    {
        const int length = (int) in[0].size();
        const int mainCh = (int) in.size();
        const int scCh = (int) sideChain.size();
        std::vector<Signal> out ((size_t) mainCh, Signal ((size_t) length, 0.0f));
        juce::AudioBuffer<float> buffer (mainCh + scCh, juce::jmax (block, 1));
        juce::MidiBuffer midi;
        for (int offset = 0; offset < length; offset += block)
        {
            if (beforeBlock)
                beforeBlock (offset);
            const int n = juce::jmin (block, length - offset);
            const bool withSc = scCh > 0 && (! sideChainPresent || sideChainPresent (offset));
            const int channels = mainCh + (withSc ? scCh : 0);
            buffer.setSize (channels, n, false, false, true);
            for (int c = 0; c < mainCh; ++c)
                buffer.copyFrom (c, 0, in[(size_t) c].data() + offset, n);
            if (withSc)
                for (int c = 0; c < scCh; ++c)
                    buffer.copyFrom (mainCh + c, 0, sideChain[(size_t) c].data() + offset, n);
            {
                const juce::ScopedLock sl (fx.getCallbackLock());
                if (bypass)
                    fx.processBlockBypassed (buffer, midi);
                else
                    fx.processBlock (buffer, midi);
            }
            for (int c = 0; c < mainCh; ++c)
                std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + n, out[(size_t) c].data() + offset);
        }
        return out;
    }
};

// Writes a WAV file of `channels` channels: a sine on every channel.
inline juce::File writeWav (const juce::File& file, int channels, int length, double hz)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, (unsigned) channels, 16, {}, 0));
    if (writer == nullptr)
        return {};
    stream.release();
    juce::AudioBuffer<float> data (channels, length);
    const auto s = sine (length, hz, 0.5f);
    for (int c = 0; c < channels; ++c)
        data.copyFrom (c, 0, s.data(), length);
    writer->writeFromAudioSampleBuffer (data, 0, length);
    return file;
}

// Dialogs that answer at once: the chooser returns `chooserResult` (or
// Cancel when it is empty); every alert is recorded.
class TestDialogs : public Dialogs
{
public:
    juce::File chooserResult;
    int choosers = 0;
    juce::String chooserTitle, chooserPatterns;
    juce::StringArray alertTitles, alertMessages;

    void showAlert (const juce::String& title, const juce::String& message) override
    {
        alertTitles.add (title);
        alertMessages.add (message);
    }
    bool askOkCancel (const juce::String&, const juce::String&, const juce::String&, const juce::String&) override
    {
        return false;
    }
    bool chooseFileToOpen (const juce::String& title, const juce::File&, const juce::String& patterns,
                           juce::File& result) override
    {
        ++choosers;
        chooserTitle = title;
        chooserPatterns = patterns;
        if (chooserResult == juce::File())
            return false;
        result = chooserResult;
        return true;
    }
    bool chooseFileToSave (const juce::String&, const juce::File&, const juce::String&, juce::File&) override
    {
        return false;
    }
};

inline bool isNormalOrZero (float x)
{
    return std::isfinite (x) && (x == 0.0f || std::fabs (x) >= 1.17549435e-38f);
}
} // namespace zuveruva_test
