#pragma once
// Records output frames to a WAV file: the audio thread puts frames into a
// ring (pushBlock, lock-free), the recorder's own thread writes them to the
// file every 100 ms, stopRecord drains the rest and closes the file, or keeps
// it open for the next take in append mode, and can split a take into one
// mono file per channel ("take.L.wav", "take.R.wav", ...).
//
// Threads: the audio thread calls only pushBlock (never allocates, locks or
// waits; frames that find no room are counted in droppedFrames). The message
// thread calls the setters, startRecord, stopRecord and splitOut. The
// recorder thread and stopRecord write the file under writerLock; recording,
// samplesWritten, droppedFrames and split are atomics.
#include "MyRingBuffers.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <memory>

class MyAudioWriter : public juce::Thread
{
public:
    static constexpr int maxChannels = 64;
    static constexpr int transferFrames = 16384;
    static constexpr int pushFrames = 1024;

    MyAudioWriter (const juce::File& file, double sampleRate, int numChannels, bool split);
    ~MyAudioWriter() override;
    MyAudioWriter (const MyAudioWriter&) = delete;
    MyAudioWriter& operator= (const MyAudioWriter&) = delete;

    // Message thread. setNumChannels takes 1..64 channels; during a take the
    // new count applies when the take ends.
    void setNumChannels (int n);
    void setRecordMode (int mode); // 0 overwrite, 1 append, 2 rename; other values are ignored
    void setRecordBits (int index); // 0 16-bit, 1 24-bit, 2 32-bit float; other values are ignored

    // Opens the writer by record mode and starts accepting frames. Returns
    // false, recording nothing, when no writer could be opened.
    bool startRecord();
    void stopRecord();
    bool resetWriter();
    void splitOut();

    // Audio thread: queues numSamples frames of the given channels (missing
    // or null channels are recorded as silence). Nothing happens while no
    // take is under way.
    void pushBlock (const float* const* channels, int numChannels, int numSamples) noexcept;
    void pushBlock (const juce::AudioBuffer<float>& buffer) noexcept;

    void run() override;

    // Reads numSamples frames of all of buffer's channels, filling channels
    // the file lacks with copies; integer data is scaled by 2^-31.
    static void readFromAudioReaderMulti (juce::AudioBuffer<float>& buffer, juce::AudioFormatReader* reader,
                                          int startSample, int numSamples, juce::int64 readerStartSample);

    // Suffix of channel `channel` (0-based) of a split take of n channels.
    static juce::String channelSuffix (int channel, int n);

    juce::File outputFile; // message thread; in rename mode replaced by its first free sibling
    std::unique_ptr<juce::AudioFormatWriter> writer;
    juce::File writerFile; // file the open writer writes (message thread)
    juce::WavAudioFormat wavFormat;
    juce::AudioFormat* format = &wavFormat;
    std::atomic<juce::int64> samplesWritten { 0 };
    std::atomic<juce::int64> droppedFrames { 0 };  // frames of this take lost to a full ring or a failed write
    const double sampleRate;
    int recordMode = 0;
    int recordBits = 0;
    int numChannels = 2;
    std::atomic<bool> split { false };
    static constexpr int bitsTable[3] = { 16, 24, 32 };
    std::atomic<bool> recording { false };

private:
    std::unique_ptr<MyRingBuffers> ring;
    juce::AudioBuffer<float> transfer;
    float* channelData[maxChannels + 1] = {};
    float silence[pushFrames] = {};
    juce::CriticalSection writerLock;
    std::atomic<bool> audioInPut { false };
    int pendingChannels = 0;

    void applyNumChannels (int n);
    void drain();
    void closeWriter();
    bool createWriter (const juce::File& file, int bits);
    bool openForAppend();
    void waitForAudioIdle() const;
};
