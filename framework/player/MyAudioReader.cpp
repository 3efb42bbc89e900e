#include "MyAudioReader.h"

#include "SampleGuard.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace
{
constexpr juce::int64 maxWaitMs = 500;     // longest transport or refill wait
constexpr juce::int64 audioStaleMs = 200;  // no block for this long: the audio thread is not running
constexpr juce::int64 minimumRange = 2;    // shorter play ranges play nothing (end marker)
constexpr double directionEpsilon = 1e-11; // rate a reversal passes through

juce::int64 nowMs() noexcept
{
    using namespace std::chrono;
    return duration_cast<milliseconds> (steady_clock::now().time_since_epoch()).count();
}

enum class Fade
{
    none,
    in,
    out
};

// Frame i of n gets i/n (in) or 1 - i/n (out).
void applyFade (float* const* channels, int numChannels, int offset, int n, Fade fade) noexcept
{
    if (fade == Fade::none || n <= 0)
        return;
    const float step = 1.0f / (float) n;
    for (int c = 0; c < numChannels; ++c)
    {
        float* x = channels[c] + offset;
        if (fade == Fade::in)
            for (int i = 0; i < n; ++i)
                x[i] *= (float) i * step;
        else
            for (int i = 0; i < n; ++i)
                x[i] *= 1.0f - (float) i * step;
    }
}

void clearChannels (float* const* channels, int numChannels, int offset, int n) noexcept
{
    for (int c = 0; c < numChannels; ++c)
        std::memset (channels[c] + offset, 0, sizeof (float) * (size_t) n);
}

// Eight independent partial sums, so that the compiler can vectorise the
// product without reassociating a single float sum.
float dotProduct (const float* w, const float* x, int n) noexcept
{
    float acc[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int k = 0; k < 8; ++k)
            acc[k] += w[i + k] * x[i + k];
    float sum = ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
    for (; i < n; ++i)
        sum += w[i] * x[i];
    return sum;
}

// Window of the kernel: Kaiser, beta 13. Over the full-length kernel its
// stopband stays below -135 dB from 23 kHz of a 44.1 kHz file on (a
// Blackman-Harris window of the same length left -120 dB there, the images
// of high tones at slow speeds), with the same passband up to 21.6 kHz.
constexpr double kaiserBeta = 13.0;

double besselI0 (double x) noexcept
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 100; ++k)
    {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-17 * sum)
            break;
    }
    return sum;
}

// Widening of the kernel at rate h: above unit rate it also low-passes.
double widening (double absRate, int m) noexcept
{
    return absRate > 1.0 ? absRate * (1.0 + 3.2 / (m + 1)) : 1.0;
}

// Output frames of the fades at loop jumps: 1024, shortened for ranges
// shorter than two fades so that fade-in and fade-out fit in the range.
int fadeFrames (juce::int64 range, double absRate) noexcept
{
    if (absRate <= 0.0)
        return MyAudioReader::blockFrames;
    const double frames = std::floor ((double) range / (2.0 * absRate));
    return (int) std::clamp (frames, 1.0, (double) MyAudioReader::blockFrames);
}

int clampCount (double count) noexcept
{
    if (! (count > 0.0))
        return 0;
    return (int) std::min (std::floor (count), (double) MyAudioReader::blockFrames);
}
} // namespace

//==============================================================================
MyAudioReader::MyAudioReader (juce::File file, bool multi, int srQuality)
    : juce::Thread ("theThread"), multichannel (multi)
{
    if (formatManager.getNumKnownFormats() == 0)
        formatManager.registerBasicFormats();

    reader.reset (formatManager.createReaderFor (file));
    if (reader != nullptr
        && (reader->numChannels < 1 || ! std::isfinite (reader->sampleRate) || reader->sampleRate <= 0.0
            || reader->lengthInSamples < 0))
        reader.reset();

    if (reader != nullptr)
    {
        fileSampleRate = reader->sampleRate;
        lengthInSamples = reader->lengthInSamples;
        lengthInSeconds = (double) lengthInSamples / fileSampleRate;
        // A reader that is not multichannel plays the first two channels.
        numChannels = multichannel ? juce::jlimit (2, maxChannels, (int) reader->numChannels) : 2;
    }

    int m = numChannels <= 8 ? 127 : numChannels <= 16 ? 63 : numChannels <= 32 ? 31 : 15;
    if (srQuality == 0 && numChannels >= 3)
        m = (m + 1) / 2 - 1;
    halfWidth = m;
    buildKernel();

    const double widest = widening (maxRate, m);
    const int reach = (int) std::ceil (m * widest) + (int) std::ceil ((m - 1) * widest);
    readBuffer.setSize (numChannels, (int) (blockFrames * maxRate) + reach + 16);
    readBuffer.clear();
    for (int c = 0; c < numChannels; ++c)
        readChannels[c] = readBuffer.getWritePointer (c);
    readChannels[numChannels] = refillPositions;
    weights.assign ((size_t) reach + 8, 0.0f);

    ring = std::make_unique<MyRingBuffers> ((unsigned int) ringFrames, true);
    ring->SetNumChannels ((unsigned int) numChannels);

    resampledData.assign ((size_t) numChannels * blockFrames, 0.0f);
    for (int c = 0; c < numChannels; ++c)
        resampledBlocks[c] = resampledData.data() + (size_t) c * blockFrames;
    resampledBlocks[numChannels] = refillPositions;

    loopStart.store (0);
    loopEnd.store (lengthInSamples);
    lastBlockMs.store (-1);

    startThread();
}

MyAudioReader::~MyAudioReader()
{
    stopThread (400);
}

void MyAudioReader::buildKernel()
{
    const int m = halfWidth;
    const int n = (m + 1) * 1024;
    const int centre = n / 2;
    sincTable.assign ((size_t) n, 0.0f);
    for (int i = 0; i < n; ++i)
    {
        const int d = i - centre;
        if (d == 0)
        {
            sincTable[(size_t) i] = 1.0f;
            continue;
        }
        // Zero crossings are exact zeros, so unit rate at integer positions
        // reproduces the input exactly.
        if (d % 512 == 0)
            continue;
        const double x = (m + 1) * juce::MathConstants<double>::pi * d / centre;
        const double r = (double) d / centre;
        const double w = besselI0 (kaiserBeta * std::sqrt (std::max (0.0, 1.0 - r * r))) / besselI0 (kaiserBeta);
        sincTable[(size_t) i] = (float) (std::sin (x) / x * w);
    }

    // Second differences at i and i + 1, averaged: the curvature over the
    // interval; a straight line between the entries overshoots by f (1 - f)
    // times a quarter of their sum.
    sincBend.assign ((size_t) n, 0.0f);
    auto second = [this, n] (int i) {
        if (i <= 0 || i >= n - 1)
            return 0.0;
        return (double) sincTable[(size_t) (i + 1)] - 2.0 * (double) sincTable[(size_t) i] + (double) sincTable[(size_t) (i - 1)];
    };
    for (int i = 0; i < n; ++i)
        sincBend[(size_t) i] = (float) (-0.25 * (second (i) + second (i + 1)));
}

//==============================================================================
// Audio thread

float MyAudioReader::processBlock (juce::AudioBuffer<float>& buffer)
{
    const int n = buffer.getNumSamples();
    if (n <= 0)
        return currentTime.load (std::memory_order_acquire);

    float* const* channels = buffer.getArrayOfWritePointers();
    const int numBufferChannels = buffer.getNumChannels();
    float first = 0.0f;
    for (int offset = 0; offset < n; offset += blockFrames)
    {
        const float position = processPiece (channels, numBufferChannels, offset, std::min (blockFrames, n - offset));
        if (offset == 0)
            first = position;
    }
    return first;
}

float MyAudioReader::processPiece (float* const* channels, int numBufferChannels, int offset, int n)
{
    lastBlockMs.store (nowMs(), std::memory_order_relaxed);

    if (nonRealTime.load (std::memory_order_acquire))
        runNonRealTime();

    const int used = std::min (numChannels, numBufferChannels);
    if (! multichannel && numBufferChannels > 2)
        clearChannels (channels + 2, numBufferChannels - 2, offset, n);

    const int request = transportRequest.load (std::memory_order_acquire);
    const int state = transportState.load (std::memory_order_acquire);
    const bool fadeOut = request == Stopped || request == Paused;

    if (state != Playing && request != Playing)
    {
        clearChannels (channels, used, offset, n);
        return currentTime.load (std::memory_order_acquire);
    }

    // The refill side resets the ring only after it has seen ringInUse false;
    // we read the ring only after we have seen no rebuild pending (both
    // sequentially consistent, so one of the two sees the other).
    ringInUse.store (true);
    if (refillRequests.load() != refillsDone.load())
    {
        ringInUse.store (false);
        clearChannels (channels, used, offset, n);
        // A pause or stop needs no fade on a silent block; a play request
        // stays pending until the ring is rebuilt.
        if (fadeOut)
            applyRequest();
        return currentTime.load (std::memory_order_acquire);
    }

    float result = currentTime.load (std::memory_order_acquire);
    bool silent = false;
    if (ring->AvailForGet() < (unsigned int) n)
    {
        clearChannels (channels, used, offset, n);
        silent = true;
    }
    else
    {
        float* destinations[maxChannels + 1];
        for (int c = 0; c < numChannels; ++c)
            destinations[c] = c < used ? channels[c] + offset : nullptr;
        destinations[numChannels] = blockPositions;
        ring->Get (destinations, (unsigned int) n, false);

        result = blockPositions[0];
        if (result == -1.0f)
        {
            result = (float) ((double) loopEnd.load (std::memory_order_acquire) / fileSampleRate);
            transportRequest.store (Stopped, std::memory_order_release);
        }
        currentTime.store (result, std::memory_order_release);
    }
    ringInUse.store (false);

    if (fadeOut)
    {
        if (! silent)
            applyFade (channels, used, offset, n, Fade::out);
        applyRequest();
    }
    else if (request == Playing)
    {
        if (! silent)
            applyFade (channels, used, offset, n, Fade::in);
        applyRequest();
    }
    return result;
}

void MyAudioReader::applyRequest() noexcept
{
    const int request = transportRequest.exchange (NoRequest, std::memory_order_acq_rel);
    if (request == NoRequest)
        return;
    transportState.store (request, std::memory_order_release);
    // Every stop rewinds to the loop start.
    if (request == Stopped)
        requestRefill (0);
}

void MyAudioReader::requestRefill (juce::int64 position) noexcept
{
    refillPosition.store (position);
    refillRequests.fetch_add (1);
}

bool MyAudioReader::isRefillPending() const noexcept
{
    return refillRequests.load() != refillsDone.load();
}

//==============================================================================
// Message thread

bool MyAudioReader::audioIsRunning() const noexcept
{
    const auto last = lastBlockMs.load (std::memory_order_relaxed);
    return last >= 0 && nowMs() - last < audioStaleMs;
}

template <typename Condition>
void MyAudioReader::waitForAudio (Condition done) const
{
    const auto start = nowMs();
    while (! done() && audioIsRunning() && nowMs() - start < maxWaitMs)
        juce::Thread::sleep (1);
}

template <typename Condition>
void MyAudioReader::waitForRefill (Condition done) const
{
    const auto start = nowMs();
    while (! done())
    {
        // Offline, processBlock refills; otherwise the reader's thread does.
        const bool served = nonRealTime.load() ? audioIsRunning() : isThreadRunning();
        if (! served || nowMs() - start >= maxWaitMs)
            return;
        juce::Thread::sleep (1);
    }
}

void MyAudioReader::startPlay (bool wait)
{
    transportRequest.store (Playing, std::memory_order_release);
    if (wait && ! nonRealTime.load())
        waitForAudio ([this] { return transportState.load (std::memory_order_acquire) == Playing; });
}

void MyAudioReader::pausePlay (bool wait)
{
    transportRequest.store (Paused, std::memory_order_release);
    if (wait && ! nonRealTime.load())
        waitForAudio ([this] { return transportState.load (std::memory_order_acquire) != Playing; });
}

void MyAudioReader::stopPlay (bool wait)
{
    transportRequest.store (Stopped, std::memory_order_release);
    if (wait && ! nonRealTime.load())
        waitForAudio ([this] { return transportState.load (std::memory_order_acquire) != Playing; });
}

void MyAudioReader::setTimePosition (float seconds)
{
    if (! std::isfinite (seconds))
        return;
    const double clamped = juce::jlimit (0.0, lengthInSeconds, (double) seconds);

    // A play request not yet applied counts as playing: the seek must not
    // replace it with the pause below and leave the reader paused.
    const bool wasPlaying = transportState.load (std::memory_order_acquire) == Playing
                            || transportRequest.load (std::memory_order_acquire) == Playing;
    transportRequest.store (Paused, std::memory_order_release);
    if (! nonRealTime.load())
        waitForAudio ([this] { return transportState.load (std::memory_order_acquire) != Playing; });

    requestRefill ((juce::int64) (clamped * fileSampleRate));
    notify();

    if (wasPlaying)
    {
        waitForRefill ([this] { return ! isRefillPending(); });
        currentTime.store ((float) clamped, std::memory_order_release);
        transportRequest.store (Playing, std::memory_order_release);
        if (! nonRealTime.load())
            waitForAudio ([this] { return transportState.load (std::memory_order_acquire) == Playing; });
    }
    else
    {
        currentTime.store ((float) clamped, std::memory_order_release);
    }
}

void MyAudioReader::setLoop (double startSeconds, double endSeconds)
{
    if (! std::isfinite (startSeconds) || ! std::isfinite (endSeconds))
        return;
    const auto toFrame = [this] (double seconds) {
        return juce::jlimit ((juce::int64) 0, lengthInSamples, (juce::int64) (std::max (0.0, seconds) * fileSampleRate));
    };
    loopStart.store (toFrame (startSeconds), std::memory_order_release);
    loopEnd.store (toFrame (endSeconds), std::memory_order_release);
    if (transportState.load (std::memory_order_acquire) == Stopped)
    {
        requestRefill (0);
        notify();
    }
}

void MyAudioReader::setLoopNorm (float start, float end)
{
    if (! std::isfinite (start) || ! std::isfinite (end))
        return;
    setLoop (juce::jlimit (0.0, 1.0, (double) start) * lengthInSeconds,
             juce::jlimit (0.0, 1.0, (double) end) * lengthInSeconds);
}

void MyAudioReader::setLoop (bool on)
{
    looping.store (on, std::memory_order_release);
    const int state = transportState.load (std::memory_order_acquire);
    if (state == Stopped || state == Paused)
    {
        refillRequests.fetch_add (1);
        notify();
    }
}

void MyAudioReader::requestInitBuffer (bool wait, juce::int64 position)
{
    requestRefill (juce::jlimit ((juce::int64) 0, lengthInSamples, position));
    notify();
    if (wait)
        waitForRefill ([this] { return ! isRefillPending(); });
}

void MyAudioReader::initBuffers (juce::int64 position)
{
    requestRefill (juce::jlimit ((juce::int64) 0, lengthInSamples, position));
    runNonRealTime();
}

void MyAudioReader::setPlayMode (int mode)
{
    if (mode != 0 && mode != 2)
        return;
    playMode.store (mode, std::memory_order_release);
    if (mode == 0 && srConversion.load() && currentRate.load() != 1.0)
    {
        variableSpeed.store (1.0);
        rateChanged.store (true, std::memory_order_release);
    }
}

void MyAudioReader::setVariableSpeed (float speed)
{
    if (! std::isfinite (speed))
        return;
    variableSpeed.store (speed);
    rateChanged.store (true, std::memory_order_release);
}

void MyAudioReader::setSrMode (float ratio)
{
    if (! std::isfinite (ratio) || ratio <= 0.0f)
        return;
    srConversion.store (ratio != 1.0f);
    srRatio.store (ratio);
    rateChanged.store (true, std::memory_order_release);
}

void MyAudioReader::setSrQuality (int) {}

juce::String MyAudioReader::getFileInfos() const
{
    if (reader == nullptr)
        return {};

    juce::String text;
    text << "type : " << reader->getFormatName() << "\n";
    text << "sample rate : " << juce::String (reader->sampleRate) << " Hz\n";
    const int channels = (int) reader->numChannels;
    text << juce::String (channels) << (channels == 1 ? " channel" : " channels") << "\n";
    text << juce::String ((int) reader->bitsPerSample) << " bits"
         << (reader->usesFloatingPointData ? " (float)" : " (integer)") << " \n";
    text << juce::String (lengthInSamples) << " samples\n";
    const float seconds = (float) ((double) lengthInSamples / fileSampleRate);
    if (seconds < 60.0f)
    {
        text << juce::String (seconds) << " seconds\n";
    }
    else
    {
        const int minutes = (int) (seconds / 60.0f);
        text << juce::String (minutes) << " mn " << juce::String (seconds - 60.0f * (float) minutes) << " s ("
             << juce::String (seconds) << " s)\n";
    }
    return text;
}

//==============================================================================
// Refill side

void MyAudioReader::run()
{
    while (! threadShouldExit())
    {
        // Offline the owner refills in processBlock; the flag is checked
        // again under the refill lock, which processBlock takes too.
        if (! nonRealTime.load() && lockRefill (false))
        {
            if (! nonRealTime.load())
                refillPass();
            unlockRefill();
        }
        wait (50);
    }
}

bool MyAudioReader::lockRefill (bool mayWait) noexcept
{
    if (! refillBusy.exchange (true, std::memory_order_acquire))
        return true;
    if (! mayWait)
        return false;
    const auto start = nowMs();
    while (refillBusy.exchange (true, std::memory_order_acquire))
    {
        if (nowMs() - start >= maxWaitMs)
            return false;
        std::this_thread::yield();
    }
    return true;
}

void MyAudioReader::unlockRefill() noexcept
{
    refillBusy.store (false, std::memory_order_release);
}

void MyAudioReader::runNonRealTime()
{
    if (lockRefill (true))
    {
        refillPass();
        unlockRefill();
    }
}

bool MyAudioReader::waitRingIdle() const
{
    const auto start = nowMs();
    while (ringInUse.load())
    {
        if (nowMs() - start >= maxWaitMs)
            return false;
        std::this_thread::yield();
    }
    return true;
}

void MyAudioReader::refillPass()
{
    const auto requests = refillRequests.load();
    if (requests != refillsDone.load())
    {
        // The audio thread no longer enters the ring; wait for a Get that
        // started before the request to finish. If it does not (a stalled
        // audio thread), try again at the next pass.
        if (! waitRingIdle())
            return;
        rebuildRing (refillPosition.load());
        refillsDone.store (requests);
    }

    while (ring->AvailForPut() > (unsigned int) refillThreshold && ! threadShouldExit()
           && refillRequests.load() == refillsDone.load())
    {
        // A step that puts nothing (nothing left to read while stopped or
        // paused) ends the pass; the next pass tries again.
        if (refillStep() <= 0)
            break;
    }
}

int MyAudioReader::refillStep()
{
    if (playMode.load (std::memory_order_acquire) == 0 && ! srConversion.load())
    {
        const int put = normalPlay();
        fracPosition = (double) readPosition;
        return put;
    }
    return variablePlay();
}

void MyAudioReader::readFrames (juce::int64 from, int count)
{
    if (count <= 0)
        return;
    if (reader == nullptr || ! reader->read (&readBuffer, 0, count, from, true, true))
    {
        readBuffer.clear (0, count);
        return;
    }
    // Where a file's samples enter: NaN, infinities and huge values stop here.
    for (int c = 0; c < numChannels; ++c)
        CleanSamples (readBuffer.getWritePointer (c), count);
}

int MyAudioReader::putEndMarker()
{
    return (int) ring->Put (0.0f, (unsigned int) blockFrames);
}

int MyAudioReader::putPlain (juce::int64 from, int count)
{
    if (count <= 0)
        return 0;
    readFrames (from, count);
    for (int i = 0; i < count; ++i)
        refillPositions[i] = (float) ((double) (from + i) / fileSampleRate);
    return (int) ring->Put (readChannels, (unsigned int) count, false);
}

int MyAudioReader::putResampled (int count)
{
    if (count <= 0 || ! variableReader (count))
        return 0;
    return (int) ring->Put (resampledBlocks, (unsigned int) count, false);
}

void MyAudioReader::rebuildRing (juce::int64 position)
{
    ring->Reset (0, 0);
    // A rebuild starts afresh: a fade-in pending from an earlier loop jump
    // would jump back to the loop start after the first block.
    fadeInPending = false;

    const juce::int64 start = loopStart.load (std::memory_order_acquire);
    const juce::int64 end = loopEnd.load (std::memory_order_acquire);
    const juce::int64 range = end - start;

    if (playMode.load (std::memory_order_acquire) == 0 && ! srConversion.load())
    {
        readPosition = position != 0 ? position : start;
        fracPosition = (double) readPosition;
        if (range < minimumRange)
            return;
        const int fade = fadeFrames (range, 1.0);
        const int count = clampCount ((double) (end - fade - readPosition));
        if (count > 0)
        {
            readFrames (readPosition, count);
            for (int i = 0; i < count; ++i)
                refillPositions[i] = (float) ((double) (readPosition + i) / fileSampleRate);
            ring->Put (readChannels, (unsigned int) count, false);
            readPosition += count;
            fracPosition = (double) readPosition;
        }
        return;
    }

    // Resampled path. The ring restarts, so the rate need not ramp: it
    // starts at its target.
    if (rateChanged.exchange (false, std::memory_order_acq_rel))
        targetRate = juce::jlimit (-maxRate, maxRate, variableSpeed.load() * srRatio.load());
    currentRate.store (targetRate);
    const double rate = targetRate;
    blockRate = rate;

    int count = 0;
    if (rate >= 0.0)
    {
        const juce::int64 from = position != 0 ? position : start;
        fracPosition = (double) from;
        readPosition = from;
        const double limit = (double) end - fadeFrames (range, rate) * rate;
        count = rate > 0.0 ? clampCount ((limit - (double) from) / rate) : (from < end ? blockFrames : 0);
    }
    else
    {
        const juce::int64 from = position != 0 ? position : end;
        fracPosition = (double) from;
        readPosition = from;
        const double limit = (double) start + fadeFrames (range, -rate) * -rate;
        count = clampCount (((double) from - limit) / -rate);
    }
    if (range >= minimumRange && count > 0)
        putResampled (count);
}

int MyAudioReader::normalPlay()
{
    const juce::int64 start = loopStart.load (std::memory_order_acquire);
    const juce::int64 end = loopEnd.load (std::memory_order_acquire);
    const bool loop = looping.load (std::memory_order_acquire);
    const juce::int64 range = end - start;

    // An empty range (start >= end, an empty file) plays nothing.
    if (range < minimumRange)
        return putEndMarker();

    const int fade = fadeFrames (range, 1.0);
    const juce::int64 pos = readPosition;
    const bool playing = transportState.load (std::memory_order_acquire) == Playing;

    if (fadeInPending)
    {
        readFrames (start, fade);
        applyFade (readChannels, numChannels, 0, fade, Fade::in);
        for (int i = 0; i < fade; ++i)
            refillPositions[i] = (float) ((double) (start + i) / fileSampleRate);
        const int put = (int) ring->Put (readChannels, (unsigned int) fade, false);
        readPosition = start + fade;
        fadeInPending = false;
        return put;
    }

    const auto fadeOutFrom = [&] (juce::int64 from, int count) {
        readFrames (from, count);
        applyFade (readChannels, numChannels, 0, count, Fade::out);
        for (int i = 0; i < count; ++i)
            refillPositions[i] = (float) ((double) (from + i) / fileSampleRate);
        const int put = (int) ring->Put (readChannels, (unsigned int) count, false);
        // Without loop the next step puts the end marker, which stops the
        // transport through the audio thread.
        readPosition = loop ? start : end;
        fadeInPending = loop;
        return put;
    };

    if (pos == end - fade)
        return fadeOutFrom (pos, fade);

    if (pos >= end && ! loop)
        return putEndMarker();

    if (pos < end - fade && (pos >= start || ! playing))
    {
        const int count = clampCount ((double) (end - fade - pos));
        const int put = putPlain (pos, count);
        readPosition = pos + count;
        return put;
    }

    // Stopped or paused in the last frames of the range: nothing to read
    // until play starts or the ring is rebuilt.
    if (! playing)
        return 0;

    // Outside the range while playing (the loop was moved): fade out here
    // (no further than the loop end when inside it), then jump or end.
    const int count = (pos > end - fade && pos < end) ? (int) (end - pos) : fade;
    return fadeOutFrom (pos, count);
}

void MyAudioReader::prepareRates (double& currentAfterStep, bool& directionChange)
{
    directionChange = false;
    if (rateChanged.exchange (false, std::memory_order_acq_rel))
        targetRate = juce::jlimit (-maxRate, maxRate, variableSpeed.load() * srRatio.load());

    // A reversal ramps to zero in this step and from zero in the next.
    const double current = currentRate.load();
    if (current >= 0.0 && targetRate < 0.0)
    {
        targetRate = 0.0;
        rateChanged.store (true, std::memory_order_release);
        currentAfterStep = -directionEpsilon;
        directionChange = true;
    }
    else if (current < 0.0 && targetRate >= 0.0)
    {
        targetRate = -directionEpsilon;
        rateChanged.store (true, std::memory_order_release);
        currentAfterStep = 0.0;
        directionChange = true;
    }
}

int MyAudioReader::variablePlay()
{
    double currentAfterStep = 0.0;
    bool directionChange = false;
    prepareRates (currentAfterStep, directionChange);

    const juce::int64 start = loopStart.load (std::memory_order_acquire);
    const juce::int64 end = loopEnd.load (std::memory_order_acquire);
    const bool loop = looping.load (std::memory_order_acquire);
    const juce::int64 range = end - start;
    if (range < minimumRange)
        return putEndMarker();

    const bool playing = transportState.load (std::memory_order_acquire) == Playing;
    const double current = currentRate.load();
    const double pos = fracPosition;
    int put = 0;

    const auto produceFadeOut = [&] (int frames, double jumpTo) {
        fracPosition = pos;
        if (! variableReader (frames))
            return 0;
        applyFade (resampledBlocks, numChannels, 0, frames, Fade::out);
        const int m = (int) ring->Put (resampledBlocks, (unsigned int) frames, false);
        fracPosition = jumpTo;
        fadeInPending = loop;
        return m;
    };
    const auto produceFadeIn = [&] (int frames, double from) {
        fracPosition = from;
        if (! variableReader (frames))
            return 0;
        applyFade (resampledBlocks, numChannels, 0, frames, Fade::in);
        fadeInPending = false;
        return (int) ring->Put (resampledBlocks, (unsigned int) frames, false);
    };

    if (current >= 0.0 && targetRate >= 0.0)
    {
        const double h = std::max (current, targetRate);
        blockRate = h;
        const int fade = fadeFrames (range, h);
        const double limit = (double) end - fade * h;

        if (fadeInPending)
            put = produceFadeIn (fade, (double) start);
        else if (pos >= (double) end && ! loop)
            return putEndMarker();
        else if (std::floor (pos + h) >= std::floor (limit))
            put = produceFadeOut (fade, loop ? (double) start : (double) end);
        else if (pos < (double) start && playing)
            put = produceFadeOut (fade, loop ? (double) start : (double) end);
        else
        {
            int count = blockFrames;
            if (h > 0.0 && std::floor (pos + blockFrames * h) > std::floor (limit))
                count = std::max (1, clampCount ((limit - pos) / h));
            put = putResampled (count);
        }
    }
    else
    {
        const double h = std::min (current, targetRate);
        blockRate = h;
        const double speed = -h;
        const int fade = fadeFrames (range, speed);
        const double limit = (double) start + fade * speed;

        if (fadeInPending)
            put = produceFadeIn (fade, (double) end);
        else if (pos <= (double) start && ! loop)
            return putEndMarker();
        else if (std::floor (pos + h) < std::floor (limit))
            put = produceFadeOut (fade, loop ? (double) end : (double) start);
        else if (pos >= (double) end && playing)
            put = produceFadeOut (fade, loop ? (double) end : (double) start);
        else
        {
            int count = blockFrames;
            if (std::floor (pos + blockFrames * h) < std::floor (limit))
                count = std::max (1, clampCount ((pos - limit) / speed));
            put = putResampled (count);
        }
    }

    if (directionChange && put > 0)
        currentRate.store (currentAfterStep);
    return put;
}

bool MyAudioReader::variableReader (int n)
{
    if (n <= 0 || n > blockFrames)
        return false;
    if (resampling.exchange (true, std::memory_order_acquire))
        return false;

    const int m = halfWidth;
    const double h = blockRate;
    const double widen = widening (std::abs (h), m);
    const double step = 512.0 / widen;
    const int rightTaps = (int) std::ceil (m * widen);
    const int leftTaps = (int) std::ceil ((m - 1) * widen);
    const int taps = leftTaps + rightTaps;

    const double startRate = currentRate.load();
    const double endRate = targetRate;
    const double pos0 = fracPosition;

    // Read window: every input frame any tap of any output frame touches.
    const double ahead = std::max ({ 0.0, startRate, endRate, h }) * n;
    const double behind = std::max ({ 0.0, -startRate, -endRate, -h }) * n;
    const juce::int64 first = (juce::int64) std::floor (pos0 - behind) - leftTaps - 2;
    const juce::int64 last = (juce::int64) std::floor (pos0 + ahead) + rightTaps + 2;
    const juce::int64 count = last - first + 1;
    if (count > readBuffer.getNumSamples() || taps > (int) weights.size())
    {
        // Cannot happen with rates clamped to maxRate.
        jassertfalse;
        resampling.store (false, std::memory_order_release);
        return false;
    }
    readFrames (first, (int) count);

    for (int j = 0; j < n; ++j)
        refillPositions[j] = (float) ((pos0 + j * h) / fileSampleRate);

    const double delta = (endRate - startRate) / n;
    const float* table = sincTable.data();
    float* w = weights.data();
    const float* bend = sincBend.data();
    const double centre = m * 512.0;
    const float gain = (float) (1.0 / widen);
    double rate = startRate;
    double pos = pos0;
    juce::int64 ip = 0;

    for (int j = 0; j < n; ++j)
    {
        rate += delta;
        const double whole = std::floor (pos);
        ip = (juce::int64) whole;
        const double frac = pos - whole;

        // Table position of the leftmost tap; one tap every `step` entries.
        // In double: the positions reach about 130000 entries, where a float
        // keeps only a few bits of the fraction between two entries.
        const double t0 = (1.0 - frac) * step + centre - leftTaps * step;
        for (int k = 0; k < taps; ++k)
        {
            const double t = t0 + k * step;
            const int index = (int) t;
            const float f = (float) (t - index);
            w[k] = table[index] + f * ((table[index + 1] - table[index]) + (1.0f - f) * bend[index]);
        }

        const int offset = (int) (ip - leftTaps - first);
        for (int c = 0; c < numChannels; ++c)
            resampledBlocks[c][j] = dotProduct (w, readChannels[c] + offset, taps) * gain;

        pos += rate;
    }

    currentRate.store (endRate);
    fracPosition = pos;
    readPosition = ip;
    resampling.store (false, std::memory_order_release);
    return true;
}
