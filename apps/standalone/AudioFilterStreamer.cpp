#include "AudioFilterStreamer.h"

#include "Utilities.h"

#include <algorithm>
#include <cmath>

namespace
{
void zeroChannel (float* channel, int n) noexcept
{
    juce::FloatVectorOperations::clear (channel, n);
}

int countChannels (const juce::BigInteger& mask) noexcept
{
    return juce::jlimit (0, AudioFilterStreamer::maxChannels, mask.countNumberOfSetBits());
}

bool isUsableRate (double rate) noexcept
{
    return std::isfinite (rate) && rate > 0.0;
}
} // namespace

//==============================================================================
AudioFilterStreamer::AudioFilterStreamer (MyEffect* effect, void*)
    : filter (effect)
{
    jassert (filter != nullptr);

    // Everything the callback touches is allocated here, once: the piece
    // buffer for the widest layout and the MIDI of a full queue.
    work.setSize (maxChannels, maxPieceFrames);
    work.clear();
    const auto midiBytes = (size_t) midiQueueSize * (sizeof (juce::int32) + sizeof (juce::uint16) + 3);
    blockMidi.ensureSize (midiBytes);
    pieceMidi.ensureSize (midiBytes);
    for (auto& p : peaks)
        p.store (0.0f);

    filter->setPlayConfigDetails (2, 2, 0.0, 0);
    filter->setPlayHead (this);
}

AudioFilterStreamer::~AudioFilterStreamer()
{
    if (audioReader != nullptr)
        audioReader->stopThread (400);
    audioDeviceStopped();
    if (filter->getPlayHead() == this)
        filter->setPlayHead (nullptr);
    audioWriter.reset();
    audioReader.reset();
}

//==============================================================================
// Device side

void AudioFilterStreamer::audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs,
                                                            float* const* outputs, int numOutputs, int numSamples,
                                                            const juce::AudioIODeviceCallbackContext&)
{
    if (numSamples <= 0)
        return;

    // The device's channels that exist, in order. Outputs beyond the list
    // still hold garbage from the driver: they are zeroed.
    int numOuts = 0;
    for (int j = 0; j < numOutputs && outputs != nullptr; ++j)
    {
        if (outputs[j] == nullptr)
            continue;
        if (numOuts < maxDeviceChannels)
            outputChannels[numOuts++] = outputs[j];
        else
            zeroChannel (outputs[j], numSamples);
    }
    int numIns = 0;
    for (int j = 0; j < numInputs && inputs != nullptr && numIns < maxDeviceChannels; ++j)
        if (inputs[j] != nullptr)
            inputChannels[numIns++] = inputs[j];

    collectMidi (numSamples);

    if (muted.load())
    {
        for (int j = 0; j < numOuts; ++j)
            zeroChannel (outputChannels[j], numSamples);
        return;
    }

    for (int offset = 0; offset < numSamples; offset += maxPieceFrames)
        processPiece (numIns, numOuts, offset, std::min (maxPieceFrames, numSamples - offset));
}

void AudioFilterStreamer::collectMidi (int numSamples) noexcept
{
    blockMidi.clear();
    const bool discard = midiResetPending.exchange (false);
    const double now = juce::Time::getMillisecondCounterHiRes();
    const double samplesPerMs = deviceSampleRate.load() * 0.001;

    const auto scope = midiFifo.read (midiFifo.getNumReady());
    const auto place = [&] (int start, int count) {
        for (int i = start; i < start + count && ! discard; ++i)
        {
            const auto& m = midiQueue[(size_t) i];
            // A message sits as far before the end of the block as it is old;
            // unstamped and older messages go to the block's first frame.
            int position = 0;
            if (m.timeMs > 0.0)
            {
                const double age = std::max (0.0, now - m.timeMs) * samplesPerMs;
                position = age < (double) numSamples ? numSamples - 1 - (int) age : 0;
            }
            blockMidi.addEvent (m.bytes, m.size, juce::jlimit (0, numSamples - 1, position));
        }
    };
    place (scope.startIndex1, scope.blockSize1);
    place (scope.startIndex2, scope.blockSize2);
}

void AudioFilterStreamer::processPiece (int numIns, int numOuts, int offset, int n) noexcept
{
    pieceMidi.clear();
    for (auto it = blockMidi.findNextSamplePosition (offset); it != blockMidi.cend(); ++it)
    {
        const auto m = *it;
        if (m.samplePosition >= offset + n)
            break;
        pieceMidi.addEvent (m.data, m.numBytes, m.samplePosition - offset);
    }

    const juce::ScopedLock sl (filter->getCallbackLock());

    const int ins = filter->getMainBusNumInputChannels();
    const int outs = filter->getMainBusNumOutputChannels();
    MyAudioReader* const reader = audioReader.get();
    const bool live = liveInput.load();
    const bool fromFile = ! live && reader != nullptr;
    const int fileChannels = fromFile ? reader->numChannels : 0;
    const bool layoutOk = ins >= 0 && ins <= maxChannels && outs >= 0 && outs <= maxChannels
                          && fileChannels <= maxChannels;
    const int width = layoutOk ? std::max ({ ins, outs, fileChannels }) : 0;

    const bool silent = width == 0 || filter->isSuspended() || (reader != nullptr && ! readerReady.load());
    if (silent)
    {
        for (int j = 0; j < numOuts; ++j)
            zeroChannel (outputChannels[j] + offset, n);
        if (auto* writer = audioWriter.get())
            writer->pushBlock (nullptr, 0, n);
        return;
    }

    // The piece buffer is laid out for width channels of n frames inside its
    // fixed allocation (no reallocation), so every channel the effect sees
    // is this streamer's memory: device inputs are never written, and
    // channels the source does not feed are zero.
    work.setSize (width, n, false, false, true);
    float* const* channels = work.getArrayOfWritePointers();

    if (live)
    {
        if (numIns == 1)
        {
            // A mono input feeds every channel.
            for (int j = 0; j < width; ++j)
                juce::FloatVectorOperations::copy (channels[j], inputChannels[0] + offset, n);
        }
        else
        {
            const int fed = std::min (numIns, ins);
            for (int j = 0; j < fed; ++j)
                juce::FloatVectorOperations::copy (channels[j], inputChannels[j] + offset, n);
            for (int j = fed; j < width; ++j)
                zeroChannel (channels[j], n);
        }
    }
    else if (fromFile)
    {
        filePosition.store (reader->processBlock (work));
        for (int j = fileChannels; j < width; ++j)
            zeroChannel (channels[j], n);
    }
    else
    {
        for (int j = 0; j < width; ++j)
            zeroChannel (channels[j], n);
    }

    // Skipped at exactly 0 dB, so that the source passes bit for bit.
    const float gain = gainFactor.load();
    if (gain != 1.0f)
    {
        for (int j = 0; j < width; ++j)
        {
            if (gain == 0.0f)
                zeroChannel (channels[j], n);
            else
                juce::FloatVectorOperations::multiply (channels[j], gain, n);
        }
    }

    if (bypass.load())
        filter->processBlockBypassed (work, pieceMidi);
    else
        filter->processBlock (work, pieceMidi);

    const float* const* result = work.getArrayOfReadPointers();
    if (auto* writer = audioWriter.get())
        writer->pushBlock (result, outs, n);

    // Device outputs the effect does not feed are zeroed.
    for (int j = 0; j < numOuts; ++j)
    {
        if (j < outs)
            juce::FloatVectorOperations::copy (outputChannels[j] + offset, result[j], n);
        else
            zeroChannel (outputChannels[j] + offset, n);
    }

    for (int j = 0; j < outs; ++j)
    {
        const auto range = juce::FloatVectorOperations::findMinAndMax (result[j], n);
        const float m = std::max (-range.getStart(), range.getEnd());
        float current = peaks[(size_t) j].load (std::memory_order_relaxed);
        while (m > current && ! peaks[(size_t) j].compare_exchange_weak (current, m, std::memory_order_relaxed))
        {
        }
    }
}

int AudioFilterStreamer::effectBlockSize() const noexcept
{
    const int block = deviceBlockSize.load();
    return block > 0 ? std::min (block, maxPieceFrames) : maxPieceFrames;
}

void AudioFilterStreamer::audioDeviceAboutToStart (juce::AudioIODevice* device)
{
    if (device == nullptr)
        return;
    currentDevice.store (device);
    const double rate = device->getCurrentSampleRate();
    if (isUsableRate (rate))
        deviceSampleRate.store (rate);
    deviceBlockSize.store (device->getCurrentBufferSizeSamples());
    midiResetPending.store (true);

    // The effect never sees more than one piece at a time.
    const int block = effectBlockSize();
    const juce::ScopedLock sl (filter->getCallbackLock());
    const int ins = juce::jlimit (0, maxChannels, audioReader != nullptr ? audioReader->numChannels : numInChannels.load());
    const int outs = juce::jlimit (0, maxChannels, filter->getMainBusNumOutputChannels());
    filter->setPlayConfigDetails (ins, outs, deviceSampleRate.load(), block);
    filter->prepareToPlay (deviceSampleRate.load(), block);
}

void AudioFilterStreamer::audioDeviceStopped()
{
    {
        const juce::ScopedLock sl (filter->getCallbackLock());
        filter->releaseResources();
    }
    midiResetPending.store (true);
    // The device may be deleted once it has stopped: forget it.
    currentDevice.store (nullptr);
}

void AudioFilterStreamer::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    const int size = message.getRawDataSize();
    if (size < 1 || size > 3)
        return;

    const juce::SpinLock::ScopedLockType sl (midiProducerLock);
    const auto scope = midiFifo.write (1);
    if (scope.blockSize1 < 1)
        return; // queue full: the audio thread is not draining it
    auto& m = midiQueue[(size_t) scope.startIndex1];
    m.timeMs = message.getTimeStamp() * 1000.0;
    m.size = size;
    std::copy_n (message.getRawData(), size, m.bytes);
}

juce::Optional<juce::AudioPlayHead::PositionInfo> AudioFilterStreamer::getPosition() const
{
    PositionInfo info;
    info.setBpm (60.0);
    info.setTimeSignature (juce::AudioPlayHead::TimeSignature { 4, 4 });
    info.setIsPlaying (isPlaying());
    return info;
}

//==============================================================================
// Files, live input and rates

void AudioFilterStreamer::initAudioReader (juce::File file)
{
    if (! file.existsAsFile())
        return;

    int playMode = 0;
    if (audioReader != nullptr)
    {
        audioReader->stopPlay (true);
        playMode = audioReader->playMode.load();
    }
    readerReady.store (false);

    auto fresh = std::make_unique<MyAudioReader> (file, acceptMultichannelFiles.load(), srQuality.load());
    std::unique_ptr<MyAudioReader> old;
    {
        const juce::ScopedLock sl (filter->getCallbackLock());
        old = std::move (audioReader);
        audioReader = std::move (fresh);
    }
    // Deleting the old reader stops its thread: never under the lock.
    old.reset();

    applyRateConversion();
    audioReader->setPlayMode (playMode);
    liveInput.store (false);
}

void AudioFilterStreamer::applyRateConversion()
{
    auto* reader = audioReader.get();
    if (reader == nullptr)
        return;
    switch (srMode.load())
    {
        case 0:
            deviceAtFileRate.store (changeSampleRate ((float) reader->fileSampleRate));
            reader->setSrMode ((float) (reader->fileSampleRate / deviceSampleRate.load()));
            break;
        case 1:
            reader->setSrMode ((float) (reader->fileSampleRate / deviceSampleRate.load()));
            break;
        default:
            reader->setSrMode (1.0f);
            break;
    }
}

int AudioFilterStreamer::validateAudioFile (juce::File file)
{
    if (! file.existsAsFile())
        return -1;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr || reader->numChannels < 1)
        return -1;

    const int channels = (int) reader->numChannels;
    const int limit = acceptMultichannelFiles.load() ? juce::jlimit (1, maxChannels, filter->getMaxInputChannels()) : 2;
    return channels > limit ? channels : 0;
}

void AudioFilterStreamer::setInputExternal (bool live)
{
    auto* device = currentDevice.load();
    if (device == nullptr)
        return;

    numOutChannels.store (countChannels (device->getActiveOutputChannels()));
    int ins;
    if (live)
    {
        if (isPlaying())
            audioReader->stopPlay (true);
        numInChannels.store (countChannels (device->getActiveInputChannels()));
        ins = numInChannels.load();
    }
    else
    {
        ins = audioReader != nullptr ? audioReader->numChannels : numInChannels.load();
    }
    reconfigureEffect (ins, numOutChannels.load());
    liveInput.store (live);
}

bool AudioFilterStreamer::reconfigureEffect (int ins, int outs)
{
    if (ins < 0 || ins > maxChannels || outs < 0 || outs > maxChannels)
        return false;

    const juce::ScopedLock sl (filter->getCallbackLock());
    const double effectRate = filter->getSampleRate();
    const double rate = isUsableRate (effectRate) ? effectRate : deviceSampleRate.load();
    const int block = filter->getBlockSize() > 0 ? filter->getBlockSize() : effectBlockSize();
    // Both main buses at once: going bus by bus passes through a layout
    // the effect may refuse (mono in with stereo out, say) and stops there.
    if (filter->getBusCount (true) > 0 && filter->getBusCount (false) > 0)
    {
        auto layout = filter->getBusesLayout();
        layout.inputBuses.getReference (0) = juce::AudioChannelSet::canonicalChannelSet (ins);
        layout.outputBuses.getReference (0) = juce::AudioChannelSet::canonicalChannelSet (outs);
        if (filter->checkBusesLayoutSupported (layout))
            filter->setBusesLayout (layout);
    }
    filter->setPlayConfigDetails (ins, outs, rate, block);
    filter->forceInitInputOutput();
    filter->prepareToPlay (rate, block);
    return true;
}

bool AudioFilterStreamer::changeSampleRate (float rate)
{
    auto* device = currentDevice.load();
    if (device == nullptr)
        return false;
    if ((float) device->getCurrentSampleRate() == rate)
        return true;

    // Never under the callback lock: restarting the device calls back into
    // this streamer, from the device manager's own lock.
    if (auto* manager = deviceManager.load())
    {
        auto setup = manager->getAudioDeviceSetup();
        setup.sampleRate = rate;
        manager->setAudioDeviceSetup (setup, true);
    }
    else
    {
        const auto ins = device->getActiveInputChannels();
        const auto outs = device->getActiveOutputChannels();
        const int block = device->getCurrentBufferSizeSamples();
        device->stop();
        device->close();
        device->open (ins, outs, rate, block);
        device->start (this);
    }

    device = currentDevice.load();
    if (device == nullptr)
        return false;
    deviceSampleRate.store ((float) device->getCurrentSampleRate());
    return (float) deviceSampleRate.load() == rate;
}

juce::String AudioFilterStreamer::getShortSampleRate()
{
    auto* device = currentDevice.load();
    if (device == nullptr)
        return {};

    const float rate = (float) device->getCurrentSampleRate();
    juce::String text;
    if (rate == 32000.0f)
        text = "32 kHz";
    else if (rate == 44100.0f)
        text = "44.1 kHz";
    else if (rate == 48000.0f)
        text = "48 kHz";
    else if (rate == 96000.0f)
        text = "96 kHz";
    else
        return {};
    if (! deviceAtFileRate.load())
        text << "!";
    return text;
}

void AudioFilterStreamer::setSrMode (int mode, bool force)
{
    if (mode == srMode.load() && ! force)
        return;
    srMode.store (mode);
    applyRateConversion();
}

void AudioFilterStreamer::setDeviceManager (juce::AudioDeviceManager* manager) noexcept
{
    deviceManager.store (manager);
}

//==============================================================================
// Transport

void AudioFilterStreamer::beginPlay()
{
    auto* reader = audioReader.get();
    if (reader == nullptr)
        return;
    const int state = reader->transportState.load();
    reader->stopPlay (true);
    reader->requestInitBuffer (true, 0);
    if (state == MyAudioReader::Playing)
    {
        liveInput.store (false);
        reader->startPlay (true);
    }
}

void AudioFilterStreamer::startPlay()
{
    if (audioReader == nullptr)
        return;
    liveInput.store (false);
    audioReader->startPlay (true);
}

void AudioFilterStreamer::pausePlay()
{
    if (audioReader != nullptr)
        audioReader->pausePlay (true);
}

void AudioFilterStreamer::clearCurrentFile()
{
    if (audioReader == nullptr)
        return;
    // The stop waits (bounded) for the audio thread to apply it.
    audioReader->stopPlay (true);
    liveInput.store (false);
}

bool AudioFilterStreamer::isPlaying() const
{
    if (audioReader == nullptr)
        return false;
    // A request the audio thread has not applied yet is what the user asked
    // last: a pause whose bounded wait ran out (a starved device) is not
    // playing, or a file loaded next would start by itself.
    const int request = audioReader->transportRequest.load();
    if (request != MyAudioReader::NoRequest)
        return request == MyAudioReader::Playing;
    const int state = audioReader->transportState.load();
    return state != MyAudioReader::Stopped && state != MyAudioReader::Paused;
}

void AudioFilterStreamer::setTimePosition (float seconds)
{
    if (audioReader != nullptr)
        audioReader->setTimePosition (seconds);
}

void AudioFilterStreamer::setLoop (bool on)
{
    if (audioReader != nullptr)
        audioReader->setLoop (on);
}

bool AudioFilterStreamer::getLoop() const
{
    return audioReader != nullptr && audioReader->looping.load();
}

void AudioFilterStreamer::setLoop (double startSeconds, double endSeconds)
{
    auto* reader = audioReader.get();
    if (reader == nullptr)
        return;
    reader->setLoop (startSeconds, endSeconds);
    const int state = reader->transportState.load();
    if (state != MyAudioReader::Stopped && state != MyAudioReader::Paused)
        return;
    // A reader that plays backwards starts from the loop end.
    const bool backwards = reader->playMode.load() == 2 && reader->variableSpeed.load() < 0.0;
    reader->setTimePosition ((float) (backwards ? endSeconds : startSeconds));
}

void AudioFilterStreamer::setPlayMode (int mode)
{
    if (audioReader != nullptr)
        audioReader->setPlayMode (mode);
}

void AudioFilterStreamer::setVariableSpeed (float speed)
{
    if (audioReader != nullptr)
        audioReader->setVariableSpeed (speed);
}

float AudioFilterStreamer::getVariableSpeed() const
{
    return audioReader != nullptr ? (float) audioReader->variableSpeed.load() : 0.0f;
}

//==============================================================================
// Gain and meters

void AudioFilterStreamer::setGain (float position)
{
    if (! std::isfinite (position))
        return;
    float factor = 1.0f;
    FloatToGain24 (position, &factor);
    gainPosition.store (position);
    gainFactor.store (factor);
}

float AudioFilterStreamer::getMagnitude (int channel)
{
    if (channel < 0 || channel >= maxChannels)
        return 0.0f;
    const float p = peaks[(size_t) channel].exchange (0.0f);
    if (! (p > 0.0f))
        return 0.0f;
    return Clip (0.0f, 1.0f, 20.0f * std::log10 (p) / 36.0f + 1.0f);
}

//==============================================================================
// Recorder

void AudioFilterStreamer::setRecordMode (int mode)
{
    recordMode.store (mode);
    if (audioWriter != nullptr)
        audioWriter->setRecordMode (mode);
}

void AudioFilterStreamer::setRecordBits (int bits)
{
    recordBits.store (bits);
    if (audioWriter != nullptr)
        audioWriter->setRecordBits (bits);
}

void AudioFilterStreamer::setSplitFiles (bool split)
{
    splitFiles.store (split);
    if (audioWriter != nullptr)
        audioWriter->split.store (split);
}

void AudioFilterStreamer::setNumOutChannels (int n)
{
    numOutChannels.store (juce::jlimit (0, maxChannels, n));
    if (audioWriter != nullptr)
        audioWriter->setNumChannels (n);
}

void AudioFilterStreamer::setSrQuality (int quality)
{
    srQuality.store (quality);
    if (audioReader != nullptr)
        audioReader->setSrQuality (quality);
}

void AudioFilterStreamer::record (bool on)
{
    if (audioWriter == nullptr)
        return;
    if (on)
        audioWriter->startRecord();
    else
        audioWriter->stopRecord();
}

bool AudioFilterStreamer::isRecording() const
{
    return audioWriter != nullptr && audioWriter->recording.load();
}

juce::String AudioFilterStreamer::getRecordTime() const
{
    if (audioWriter == nullptr)
        return {};
    const float t = (float) audioWriter->samplesWritten.load() / (float) deviceSampleRate.load();
    const int minutes = (int) (t / 60.0f);
    const float rest = t - 60.0f * (float) minutes;
    const int seconds = (int) rest;
    const int ms = (int) ((rest - (float) seconds) * 1000.0f);
    return juce::String::formatted ("%3d:%2d:%3d", minutes, seconds, ms);
}

void AudioFilterStreamer::setRecorder (std::unique_ptr<MyAudioWriter> recorder)
{
    if (recorder != nullptr)
    {
        recorder->setRecordMode (recordMode.load());
        recorder->setRecordBits (recordBits.load());
        recorder->split.store (splitFiles.load());
        recorder->setNumChannels (numOutChannels.load());
    }
    std::unique_ptr<MyAudioWriter> old;
    {
        const juce::ScopedLock sl (filter->getCallbackLock());
        old = std::move (audioWriter);
        audioWriter = std::move (recorder);
    }
    old.reset();
}
