#pragma once
// Streams one sound file to the audio thread: the reader's own thread
// ("theThread") reads ahead into a ring, the audio thread takes one block at
// a time with processBlock. Loop with fades at every jump, play/pause/stop
// with a one-block fade, end-of-file marker, and variable signed speed with
// sample-rate conversion (windowed-sinc interpolation).
//
// Threads: the message thread calls the transport, loop, seek, mode and
// speed operations, which only store atomics (release) and wait, bounded, for
// the audio thread; the refill thread (or, in nonRealTime mode, processBlock)
// is the only producer of the ring and alone touches the refill state under
// the refill flag; the audio thread calls processBlock, the only consumer,
// which never allocates, locks or waits (except in nonRealTime mode, which is
// for offline rendering). The ring is never read while a rebuild is pending.
#include "MyRingBuffers.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <memory>
#include <vector>

class MyAudioReader : public juce::Thread
{
public:
    // Values of transportState and transportRequest.
    enum TransportState : int
    {
        NoRequest = 0,
        Stopped = 1,
        Paused = 2,
        Playing = 3
    };

    static constexpr int blockFrames = 1024;     // largest block of processBlock and of every refill step
    static constexpr int maxChannels = 64;       // channels played; the ring adds the position track
    static constexpr double maxRate = 16.0;      // largest |speed x sample-rate ratio|; larger products are clamped
    static constexpr int ringFrames = 16384;
    static constexpr int refillThreshold = 8192; // refill while more frames than this are free

    MyAudioReader (juce::File file, bool multichannel, int srQuality);
    ~MyAudioReader() override;
    MyAudioReader (const MyAudioReader&) = delete;
    MyAudioReader& operator= (const MyAudioReader&) = delete;

    void run() override;

    // Audio thread. Fills the first numChannels channels of buffer with the
    // next frames and returns the file position of the first one in seconds.
    // Blocks longer than blockFrames are played as consecutive pieces of at
    // most blockFrames, each one a full step of the transport.
    float processBlock (juce::AudioBuffer<float>& buffer);

    // Message thread. With wait (and not nonRealTime) they wait, at most
    // 500 ms and only while blocks reach the reader, for the audio thread to
    // apply the request.
    void startPlay (bool wait);
    void pausePlay (bool wait);
    void stopPlay (bool wait);
    void setTimePosition (float seconds);
    void setLoop (double startSeconds, double endSeconds);
    void setLoopNorm (float start, float end);
    void setLoop (bool on);
    void requestInitBuffer (bool wait, juce::int64 position);

    // Rebuild the ring from position (0 = the loop start; with a negative
    // rate in variable-speed mode, the loop end) at once, on the calling
    // thread. For owners that run the reader without its thread.
    void initBuffers (juce::int64 position);
    // One synchronous refill pass (rebuild when asked, then fill the ring).
    void runNonRealTime();

    // Variable speed and sample-rate conversion.
    void setPlayMode (int mode);        // 0 normal, 2 variable speed; other values are ignored
    void setVariableSpeed (float speed); // signed speed factor; non-finite values are ignored
    void setSrMode (float ratio);        // file rate / device rate; non-finite or non-positive values are ignored
    void setSrQuality (int quality);     // the kernel is fixed at construction: does nothing

    // Produces n (1..blockFrames) resampled frames from fracPosition at
    // blockRate, ramping currentRate to targetRate, into resampledBlocks and
    // their positions into refillPositions. Returns false, producing nothing,
    // when n is out of range or another call is running. Refill thread only.
    bool variableReader (int n);

    juce::String getFileInfos() const;

    // True when the file was opened; otherwise the reader plays silence.
    bool isValid() const noexcept { return reader != nullptr; }
    juce::int64 getLoopStart() const noexcept { return loopStart.load (std::memory_order_acquire); }
    juce::int64 getLoopEnd() const noexcept { return loopEnd.load (std::memory_order_acquire); }
    bool isRefillPending() const noexcept;

    // Fixed at construction, read by owners.
    juce::AudioFormatManager formatManager;
    std::unique_ptr<juce::AudioFormatReader> reader;
    double fileSampleRate = 44100.0;
    juce::int64 lengthInSamples = 0;
    double lengthInSeconds = 0.0;
    int numChannels = 2;
    const bool multichannel;
    int halfWidth = 127; // kernel half-width m

    // Shared transport and settings.
    std::atomic<juce::int64> loopStart { 0 };
    std::atomic<juce::int64> loopEnd { 0 };
    std::atomic<bool> looping { false };
    std::atomic<bool> nonRealTime { false }; // set by the owner
    std::atomic<int> transportRequest { NoRequest };
    std::atomic<int> transportState { Stopped };
    std::atomic<int> playMode { 0 };
    std::atomic<float> currentTime { 0.0f };
    std::atomic<juce::int64> refillPosition { 0 };
    std::atomic<double> variableSpeed { 1.0 };
    std::atomic<double> srRatio { 1.0 };
    std::atomic<bool> srConversion { false };
    std::atomic<bool> rateChanged { false };
    std::atomic<double> currentRate { 1.0 }; // written by the refill side only

    // Refill state: refill side only (the thread, or runNonRealTime's caller).
    double targetRate = 1.0;
    double blockRate = 1.0;
    double fracPosition = 0.0;
    juce::int64 readPosition = 0;
    bool fadeInPending = false;
    float* resampledBlocks[maxChannels + 1] = {};
    float refillPositions[blockFrames] = {};

private:
    juce::AudioBuffer<float> readBuffer;
    float* readChannels[maxChannels + 1] = {};
    std::unique_ptr<MyRingBuffers> ring;
    std::vector<float> resampledData;
    std::vector<float> sincTable;
    // Curvature of the table between entries i and i + 1, so that a tap's
    // weight is the linear interpolation plus f (1 - f) sincBend[i]: the
    // error of a straight line between two entries, about 1e-6 of the
    // kernel, would otherwise stand at -120 dB under high tones.
    std::vector<float> sincBend;
    std::vector<float> weights;
    float blockPositions[blockFrames] = {};

    std::atomic<bool> resampling { false };
    std::atomic<bool> refillBusy { false };
    std::atomic<bool> ringInUse { false };
    std::atomic<juce::uint32> refillRequests { 1 };
    std::atomic<juce::uint32> refillsDone { 0 };
    std::atomic<juce::int64> lastBlockMs { 0 };

    float processPiece (float* const* channels, int numBufferChannels, int offset, int n);
    void applyRequest() noexcept;
    void requestRefill (juce::int64 position) noexcept;

    bool lockRefill (bool mayWait) noexcept;
    void unlockRefill() noexcept;
    void refillPass();
    bool waitRingIdle() const;
    void rebuildRing (juce::int64 position);
    int refillStep();
    int normalPlay();
    int variablePlay();
    int putEndMarker();
    void prepareRates (double& currentAfterStep, bool& directionChange);
    int putPlain (juce::int64 from, int count);
    int putResampled (int count);
    void readFrames (juce::int64 from, int count);

    template <typename Condition>
    void waitForAudio (Condition done) const;
    template <typename Condition>
    void waitForRefill (Condition done) const;
    bool audioIsRunning() const noexcept;
    void buildKernel();
};
