#include "AudioFileCheck.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
SoundFileAlert& alertHandler()
{
    static SoundFileAlert handler;
    return handler;
}

void showAlert (const juce::String& title, const juce::String& message)
{
    if (auto& handler = alertHandler())
    {
        handler (title, message);
        return;
    }
    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, title, message);
}
} // namespace

int validateAudioFile (juce::File file)
{
    if (! file.existsAsFile())
        return -1;

    juce::AudioFormatManager manager;
    manager.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (manager.createReaderFor (file));
    if (reader == nullptr)
        return -1;

    const int channels = (int) reader->numChannels;
    return channels < 3 ? 0 : channels;
}

int validateAudioFileAndMessage (juce::File file)
{
    const int result = validateAudioFile (file);
    if (result == 0)
        return 0;

    const juce::String name = file.getFileName();
    const juce::String title = "Error in reading " + name;
    const juce::String message = result < 0
                                     ? name + " is not a valid sound file"
                                     : name + " is a " + juce::String (result)
                                           + " channels audio file\n Vokt Tools can read only mono or stereo audio files";
    showAlert (title, message);
    return -1;
}

void setSoundFileAlert (SoundFileAlert alert)
{
    alertHandler() = std::move (alert);
}
