#pragma once
// The object the audio device calls. For every device block it picks the
// source (the device input, the sound file played by a MyAudioReader, or
// silence), lays the channels out for the effect's buses, applies the
// player's gain, runs the effect (or its bypass) under the effect's callback
// lock and copies the result to the device outputs, keeping per-channel peaks
// for the level meters. It also queues device MIDI for the effect, is the
// effect's play head (60 bpm, 4/4, playing while the file plays), owns the
// file reader and the recorder, and relays the window's transport, loop,
// speed, rate and record commands to them.
//
// Thread contract: the audio thread runs the device callback (no allocation, wait or lock beyond the effect's callback lock), the MIDI input thread only queues messages, the message thread calls everything else; shared plain fields are atomics, and the reader and the recorder are swapped under the effect's callback lock (held by the callback while it uses them) and deleted after it is released.
#include "MyAudioReader.h"
#include "MyAudioWriter.h"
#include "MyEffect.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <array>
#include <atomic>
#include <memory>

class AudioFilterStreamer : public juce::AudioIODeviceCallback,
                            public juce::MidiInputCallback,
                            public juce::AudioPlayHead
{
public:
    // Device blocks reach the reader and the effect in pieces of at most this many frames.
    static constexpr int maxPieceFrames = 1024;
    // Largest channel count of the effect's buses, of a played file and of the meters.
    static constexpr int maxChannels = 64;
    // Device channels beyond these are not used (unused outputs are still zeroed).
    static constexpr int maxDeviceChannels = 128;
    // MIDI messages queued between two device blocks; further ones are dropped.
    static constexpr int midiQueueSize = 1024;

    // filter: the effect, owned by the caller, not null, outliving the streamer.
    // owner: not used.
    AudioFilterStreamer (MyEffect* filter, void* owner);
    ~AudioFilterStreamer() override;
    AudioFilterStreamer (const AudioFilterStreamer&) = delete;
    AudioFilterStreamer& operator= (const AudioFilterStreamer&) = delete;

    //==========================================================================
    // Device side
    void audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const* outputs,
                                           int numOutputs, int numSamples,
                                           const juce::AudioIODeviceCallbackContext& context) override;
    void audioDeviceAboutToStart (juce::AudioIODevice* device) override;
    void audioDeviceStopped() override;
    // MIDI input thread: queues the message for the next device block.
    // Messages longer than three bytes (system exclusive) are not passed on.
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;
    // 60 bpm, 4/4, playing exactly while a file plays. Called by the effect
    // inside the callback (under the callback lock) or on the message thread.
    juce::Optional<juce::AudioPlayHead::PositionInfo> getPosition() const override;

    //==========================================================================
    // Window side (message thread)

    // Replaces the reader with one of file (nothing when the file does not
    // exist). The new reader is not ready: the window sets readerReady once
    // it has adapted the effect.
    void initAudioReader (juce::File file);
    // -1: missing or unreadable; 0: playable; otherwise the file's channel
    // count, above the limit (2, or the effect's input limit up to 64 when
    // acceptMultichannelFiles is set).
    int validateAudioFile (juce::File file);
    // Live input on or off; needs a started device (nothing otherwise).
    void setInputExternal (bool live);
    // Sets the effect's main buses to ins and outs channels (0..64 each) and
    // prepares it at its current rate and block size, under the callback
    // lock. False, changing nothing, for a count out of range.
    bool reconfigureEffect (int ins, int outs);

    // Asks the current device to run at rate; true when it does. Goes through
    // the device manager when one is set, else reopens the device itself.
    bool changeSampleRate (float rate);
    juce::String getShortSampleRate();
    // 0: switch the device to the file's rate; 1: keep the device rate and
    // resample; other values: no conversion.
    void setSrMode (int mode, bool force);
    // The manager that runs the device (null: none); rate switches go through it.
    void setDeviceManager (juce::AudioDeviceManager* manager) noexcept;

    // Transport: each does nothing without a reader; waits are bounded.
    void beginPlay();
    void startPlay();
    void pausePlay();
    void clearCurrentFile();
    bool isPlaying() const;
    void setTimePosition (float seconds);
    void setLoop (bool on);
    bool getLoop() const;
    void setLoop (double startSeconds, double endSeconds);
    void setPlayMode (int mode);
    void setVariableSpeed (float speed);
    float getVariableSpeed() const;

    // position: gain slider value 0..1; factor 10^(6 x position - 4.8).
    void setGain (float position);
    float getGain() const noexcept { return gainPosition.load(); }
    // Meter reading of output channel 0..63 on a 36 dB scale (full scale 1,
    // -36 dBFS and below 0); reading clears the channel's peak.
    float getMagnitude (int channel);

    // Record settings: stored, and handed to the recorder when one exists.
    void setRecordMode (int mode);
    void setRecordBits (int bits);
    void setSplitFiles (bool split);
    void setNumOutChannels (int n);
    void setSrQuality (int quality);
    void record (bool on);
    bool isRecording() const;
    // "%3d:%2d:%3d" minutes, seconds, milliseconds recorded; empty without a recorder.
    juce::String getRecordTime() const;
    // Installs the recorder that the output of every block is fed to (null
    // removes it); the old one is deleted after the callback lock is released.
    void setRecorder (std::unique_ptr<MyAudioWriter> recorder);

    MyAudioReader* getAudioReader() const noexcept { return audioReader.get(); }
    MyAudioWriter* getAudioWriter() const noexcept { return audioWriter.get(); }
    juce::AudioIODevice* getCurrentDevice() const noexcept { return currentDevice.load(); }
    double getDeviceSampleRate() const noexcept { return deviceSampleRate.load(); }

    //==========================================================================
    // Fields the window reads or sets directly.
    std::atomic<float> filePosition { 0.0f };   // seconds, from the reader's last block
    std::atomic<bool> liveInput { false };
    std::atomic<bool> bypass { false };
    std::atomic<bool> muted { false };          // silence without calling the effect
    std::atomic<bool> readerReady { false };
    std::atomic<bool> acceptMultichannelFiles { false };

private:
    struct QueuedMidi
    {
        double timeMs;
        juce::uint8 bytes[3];
        int size;
    };

    void collectMidi (int numSamples) noexcept;
    void processPiece (int numIns, int numOuts, int offset, int n) noexcept;
    void applyRateConversion();
    int effectBlockSize() const noexcept;

    MyEffect* const filter;
    std::unique_ptr<MyAudioReader> audioReader;
    std::unique_ptr<MyAudioWriter> audioWriter;
    std::atomic<double> deviceSampleRate { 44100.0 };
    std::atomic<juce::AudioIODevice*> currentDevice { nullptr };
    std::atomic<juce::AudioDeviceManager*> deviceManager { nullptr };
    std::atomic<bool> deviceAtFileRate { true };
    std::atomic<int> deviceBlockSize { 0 };
    std::atomic<float> gainPosition { 0.8f };
    std::atomic<float> gainFactor { 1.0f };
    std::atomic<int> recordMode { 0 };
    std::atomic<int> recordBits { 0 };
    std::atomic<bool> splitFiles { false };
    std::atomic<int> srMode { 1 };
    std::atomic<int> srQuality { 1 };
    std::atomic<int> numOutChannels { 2 };
    std::atomic<int> numInChannels { 2 };
    std::array<std::atomic<float>, maxChannels> peaks {};

    // Audio thread only: this block's compacted device channels, the piece
    // buffer (maxChannels x maxPieceFrames, allocated once) and the MIDI of
    // the block and of the piece (reserved once).
    const float* inputChannels[maxDeviceChannels] = {};
    float* outputChannels[maxDeviceChannels] = {};
    juce::AudioBuffer<float> work;
    juce::MidiBuffer blockMidi;
    juce::MidiBuffer pieceMidi;

    // Device MIDI: producers (MIDI input threads) serialise among themselves
    // on midiProducerLock; the audio thread reads the FIFO without a lock.
    juce::AbstractFifo midiFifo { midiQueueSize };
    std::array<QueuedMidi, midiQueueSize> midiQueue {};
    juce::SpinLock midiProducerLock;
    std::atomic<bool> midiResetPending { false };
};
