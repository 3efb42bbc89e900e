// Sound-file check before a file is opened as a source.
#include "AudioFileCheck.h"
#include "ExtensibleWav.h"
#include "PlayerTestFiles.h"

#include <gtest/gtest.h>

namespace
{
class AudioFileCheckTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        setSoundFileAlert ([this] (const juce::String& title, const juce::String& message) {
            alerts.add (title + "|" + message);
        });
    }
    void TearDown() override
    {
        setSoundFileAlert ({});
        TempFolderTest::TearDown();
    }

    juce::StringArray alerts;
};

// The extensible WAV (no channel mask) as a file.
juce::File extensibleWav (const juce::File& file, int channels)
{
    const juce::MemoryBlock wav = extensibleWavBytes (channels);
    EXPECT_TRUE (file.replaceWithData (wav.getData(), wav.getSize()));
    return file;
}
} // namespace

TEST_F (AudioFileCheckTest, ChecksAndReportsEachKindOfFile)
{
    const auto text = folder.getChildFile ("notes.wav");
    ASSERT_TRUE (text.replaceWithText ("hello"));
    struct Case
    {
        juce::File file;
        int check;
        const char* alert; // empty: no alert
    };
    const Case cases[] = {
        { folder.getChildFile ("missing.wav"), -1, "Error in reading missing.wav|missing.wav is not a valid sound file" },
        { text, -1, "Error in reading notes.wav|notes.wav is not a valid sound file" },
        { wavFile ("mono.wav", 44100.0, 1, 100), 0, "" },
        { wavFile ("stereo.wav", 44100.0, 2, 100), 0, "" },
        { wavFile ("six.wav", 44100.0, 6, 100), 6,
          "Error in reading six.wav|six.wav is a 6 channels audio file\n Vokt Tools can read only mono or stereo audio files" },
        // More channels than there are named speakers: the reader's layout runs past them.
        { extensibleWav (folder.getChildFile ("many.wav"), 300), 300,
          "Error in reading many.wav|many.wav is a 300 channels audio file\n Vokt Tools can read only mono or stereo audio files" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.file.getFileName());
        alerts.clear();
        EXPECT_EQ (validateAudioFile (c.file), c.check);
        EXPECT_EQ (validateAudioFileAndMessage (c.file), c.check == 0 ? 0 : -1);
        if (juce::String (c.alert).isEmpty())
            EXPECT_TRUE (alerts.isEmpty());
        else
            EXPECT_EQ (alerts, juce::StringArray (c.alert));
    }
}
