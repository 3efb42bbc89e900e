// The seed corpora of the sound-file and control fuzz targets, replayed
// through the targets' own entry points; and the writers of those seeds
// (disabled tests, run by hand when the inputs' layout changes:
//   vokt_zuveruva_tests --gtest_also_run_disabled_tests --gtest_filter='*Corpus.DISABLED_WriteSeeds').
#include "control_fuzz.h"
#include "soundfile_fuzz.h"

#include "ExtensibleWav.h"
#include "FuzzSeeds.h"
#include "RariZuz.h"
#include "Zuveruva.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{
const juce::File soundFileCorpus (VOKT_SOUNDFILE_CORPUS);
const juce::File controlCorpus (VOKT_CONTROL_CORPUS);

void writeSeed (const juce::File& corpus, const char* name, const std::string& bytes)
{
    EXPECT_TRUE (corpus.getChildFile (name).replaceWithData (bytes.data(), bytes.size()));
}

// A short sound file of `format` in memory: a tone, or hostile samples.
std::string soundFile (juce::AudioFormat& format, int channels, int bits, bool hostile)
{
    juce::MemoryBlock block;
    {
        auto* stream = new juce::MemoryOutputStream (block, false);
        std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream, 22050.0, (unsigned) channels, bits, {}, 0));
        if (writer == nullptr)
        {
            delete stream;
            return {};
        }
        juce::AudioBuffer<float> data (channels, 700);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < 700; ++i)
            {
                float v = 0.8f * (float) std::sin (0.07 * i + c);
                if (hostile)
                    v = i % 5 == 0 ? std::numeric_limits<float>::quiet_NaN()
                        : i % 5 == 1 ? std::numeric_limits<float>::infinity()
                        : i % 5 == 2 ? -1.0e18f : v;
                data.setSample (c, i, v);
            }
        writer->writeFromAudioSampleBuffer (data, 0, 700);
    }
    return { static_cast<const char*> (block.getData()), block.getSize() };
}

// The extensible WAV as a seed.
std::string extensibleWav (int channels)
{
    const juce::MemoryBlock wav = extensibleWavBytes (channels);
    return { static_cast<const char*> (wav.getData()), wav.getSize() };
}

std::string command (ControlFuzzCommand kind, const std::string& payload)
{
    std::string out;
    out += (char) kind;
    out += (char) juce::jmin<size_t> (255, payload.size());
    out += payload.substr (0, 255);
    return out;
}

std::string bytes (std::initializer_list<int> list)
{
    std::string out;
    for (int b : list)
        out += (char) b;
    return out;
}

std::string be32 (uint32_t v)
{
    return bytes ({ (int) (v >> 24), (int) ((v >> 16) & 255), (int) ((v >> 8) & 255), (int) (v & 255) });
}

std::string renders()
{
    return command (cmdRender, "") + command (cmdRenderElsewhere, "") + command (cmdTimer, "") + command (cmdRender, "");
}
} // namespace

TEST (SoundFileCorpus, SeedsReplayCleanly)
{
    expectSeedsReplayCleanly (soundFileCorpus, 6, soundFileFuzzInput);
}

TEST (ControlCorpus, SeedsReplayCleanly)
{
    expectSeedsReplayCleanly (controlCorpus, 6, controlFuzzInput);
}

TEST (SoundFileCorpus, DISABLED_WriteSeeds)
{
    ASSERT_TRUE (soundFileCorpus.createDirectory());
    juce::WavAudioFormat wav;
    juce::AiffAudioFormat aiff;
    juce::FlacAudioFormat flac;
    juce::OggVorbisAudioFormat ogg;
    const auto seed = [] (const char* name, int format, int speed, bool loop, bool multi, bool aux, int seek,
                          const std::string& file) {
        ASSERT_FALSE (file.empty()) << name;
        writeSeed (soundFileCorpus, name, soundFileFuzzSeed (format, speed, loop, multi, aux, seek, file.data(), file.size()));
    };
    seed ("wav16-stereo-aux", 0, 0, false, false, true, 64, soundFile (wav, 2, 16, false));
    seed ("wav-float-hostile-aux", 0, 2, true, false, true, 200, soundFile (wav, 1, 32, true));
    seed ("wav24-six-multichannel", 0, 2, true, true, false, 10, soundFile (wav, 6, 24, false));
    seed ("wav-300-channels-extensible", 0, 3, true, true, false, 100, extensibleWav (300));
    seed ("aiff16-mono-slow", 1, 3, false, false, true, 128, soundFile (aiff, 1, 16, false));
    seed ("flac24-stereo-reverse", 2, 2, true, false, true, 90, soundFile (flac, 2, 24, false));
    seed ("ogg-stereo-fast", 3, 6, false, false, true, 30, soundFile (ogg, 2, 16, false));
    seed ("not-a-file", 0, 0, false, false, true, 0, "RIFF\x10\x00\x00\x00WAVEfmt ");
}

TEST (ControlCorpus, DISABLED_WriteSeeds)
{
    ASSERT_TRUE (controlCorpus.createDirectory());
    RariZuz delay;
    Zuveruva crunch;
    crunch.stopThreads();
    MyEffect* effects[] = { &delay, &crunch };
    const char* names[] = { "delay", "crunch" };
    for (int k = 0; k < 2; ++k)
    {
        MyEffect& e = *effects[k];
        const std::string head (1, (char) k);
        const auto name = [&] (const char* what) { return juce::String (names[k]) + "-" + what; };

        // A preset text as the effect copies it, and the same with a byte 0xff.
        const std::string text = e.getPresetString (2).toStdString();
        std::string broken = text;
        broken[broken.size() / 2] = (char) 0xff;
        writeSeed (controlCorpus, name ("preset-text").toRawUTF8(),
                   head + command (cmdPresetText, "\x05" + text.substr (0, 254)) + renders());
        writeSeed (controlCorpus, name ("preset-text-invalid-utf8").toRawUTF8(),
                   head + command (cmdPresetText, "\x05" + broken.substr (0, 254)) + renders());

        // A program file as the effect saves it (cut to one command's payload).
        const juce::File file = juce::File::createTempFile ("program");
        {
            juce::FileOutputStream out (file);
            ASSERT_TRUE (e.saveSelf (&out));
        }
        juce::MemoryBlock program;
        ASSERT_TRUE (file.loadFileAsData (program));
        file.deleteFile();
        writeSeed (controlCorpus, name ("program-file").toRawUTF8(),
                   head + command (cmdProgramFile, std::string (static_cast<const char*> (program.getData()),
                                                               juce::jmin<size_t> (255, program.getSize())))
                       + renders());

        // OSC: a value update, a text query, a wildcard.
        writeSeed (controlCorpus, name ("osc").toRawUTF8(),
                   head + command (cmdOscMessage, std::string ("/VoktTools/updateParameterValue") + '\0' + "i" + be32 (7) + "f" + be32 (0x3f000000))
                       + command (cmdOscMessage, std::string ("/VoktTools/getParameterText") + '\0' + "i" + be32 (3))
                       + command (cmdOscMessage, std::string ("/VoktTools/update*") + '\0' + "s" + "Gain" + '\0' + "f" + be32 (0x7fc00000))
                       + renders());

        // MIDI: a binding learned for parameter 5 and 21, then messages.
        writeSeed (controlCorpus, name ("midi").toRawUTF8(),
                   head + command (cmdMidiBinding, bytes ({ 0, 5, 1, 1, 7, 60 }))
                       + command (cmdMidiBinding, bytes ({ 0, 21, 2, 3, 0, 64 }))
                       + command (cmdMidiBytes, bytes ({ 0xb0, 7, 127, 0x92, 64, 100, 0xe0, 0, 64, 0xc0, 9 }))
                       + renders());

        // Value texts, one of them on a synced parameter.
        writeSeed (controlCorpus, name ("value-texts").toRawUTF8(),
                   head + command (cmdValueText, bytes ({ 0, 5 }) + "0.25") + command (cmdValueText, bytes ({ 0, 21 }) + "1/16")
                       + command (cmdValueText, bytes ({ 0, 2 }) + "nan") + renders());
    }
}
