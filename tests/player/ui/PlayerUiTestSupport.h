#pragma once
// Sound files and recorders for the player widget tests.
#include "../PlayerTestFiles.h"
#include "GuiTestSupport.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <cmath>
#include <string>
#include <vector>

namespace playertest
{
// A folder of generated sound files, removed at the end.
struct SoundFolder
{
    SoundFolder()
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("vokt-player-ui", "");
        folder.createDirectory();
    }
    ~SoundFolder() { folder.deleteRecursively(); }

    // A WAV of `seconds` at 8 kHz: a slow sine swept in loudness.
    juce::File wav (const juce::String& name, double seconds, int channels = 2, double rate = 8000.0)
    {
        const auto f = folder.getChildFile (name);
        juce::WavAudioFormat format;
        const auto frames = (juce::int64) std::llround (seconds * rate);
        writeSoundFile (f, format, rate, channels, frames, 16, [rate] (int c, juce::int64 k) {
            const double t = (double) k / rate;
            const double envelope = 0.2 + 0.7 * std::abs (std::sin (t * 0.7 + c));
            return (float) (envelope * std::sin (2.0 * juce::MathConstants<double>::pi * 3.0 * t));
        });
        return f;
    }

    juce::File folder;
};

// A thumbnail of a file, loaded completely before it is handed out.
struct LoadedThumbnail
{
    explicit LoadedThumbnail (const juce::File& f)
    {
        manager.registerBasicFormats();
        thumbnail.setSource (new juce::FileInputSource (f));
        guitest::pumpUntil ([this] { return thumbnail.isFullyLoaded(); }, 5000);
    }

    juce::AudioFormatManager manager;
    juce::AudioThumbnailCache cache { 5 };
    juce::AudioThumbnail thumbnail { 1024, manager, cache };
};

// Collects action messages.
struct ActionRecorder : juce::ActionListener
{
    void actionListenerCallback (const juce::String& m) override { messages.push_back (m.toStdString()); }
    std::vector<std::string> take()
    {
        guitest::pumpMessages (20);
        return std::exchange (messages, {});
    }
    std::vector<std::string> messages;
};
} // namespace playertest
