// Prepares a home folder for measuring the application's CPU use (see
// selvo-cpu.sh): a 30 s stereo noise file at 48 kHz and a settings file that
// restores it with the spectral delay at its default frame size and eight
// active full-band bars with feedback.
//   vokt_selvo_cpu_home <folder>
#include "RariZuz.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: vokt_selvo_cpu_home <folder>\n";
        return 2;
    }
    const juce::ScopedJuceInitialiser_GUI juce;
    const juce::File home (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const auto file = home.getChildFile ("noise.wav");
    {
        file.deleteFile();
        juce::WavAudioFormat wav;
        auto stream = file.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 2, 16, {}, 0));
        if (writer == nullptr)
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
        stream.release();
        juce::Random random (5);
        juce::AudioBuffer<float> chunk (2, 4800);
        for (int block = 0; block < 300; ++block)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < chunk.getNumSamples(); ++i)
                    chunk.setSample (c, i, (random.nextFloat() - 0.5f) * 0.5f);
            writer->writeFromAudioSampleBuffer (chunk, 0, chunk.getNumSamples());
        }
    }

    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
    auto fx = std::make_unique<RariZuz>();
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    for (int k = 0; k < 8; ++k)
    {
        const float d = 0.05f + 0.1f * (float) k;
        fx->createBar (k, 1.0f - d, 1.0f, 1.0f - d, 0.0f);
        fx->setIndexedParameter (RariZuz::pActive + k, 1.0f);
        fx->setIndexedParameter (RariZuz::pFeedback + k, 0.5f);
    }
    juce::MemoryBlock state;
    fx->getStateInformation (state);
    std::cout << "frame size " << fx->getFftSize() << "\n";

    const auto settingsFile = home.getChildFile (".config/Vokt/Vokt Selvo.settings");
    settingsFile.getParentDirectory().createDirectory();
    juce::PropertiesFile::Options o;
    juce::PropertiesFile settings (settingsFile, o);
    settings.setValue ("CurrentFiles", file.getFullPathName());
    settings.setValue ("filterState", state.toBase64Encoding());
    settings.setValue ("srMode", 1);
    return settings.save() ? 0 : 1;
}
