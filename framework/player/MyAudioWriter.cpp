#include "MyAudioWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{
const char* const theStereoExtension[] = { "L", "R" };
const char* const theQuadExtension[] = { "L", "R", "Ls", "Rs" };
const char* const the50Extension[] = { "L", "R", "Ls", "Rs", "C" };
const char* const the51Extension[] = { "L", "R", "C", "LFE", "Ls", "Rs" };

constexpr int streamBufferBytes = 0x8000;
constexpr juce::int64 maxWaitMs = 500;

double validRate (double rate) noexcept
{
    return std::isfinite (rate) && rate > 0.0 ? rate : 44100.0;
}

juce::int64 nowMs() noexcept
{
    using namespace std::chrono;
    return duration_cast<milliseconds> (steady_clock::now().time_since_epoch()).count();
}
} // namespace

MyAudioWriter::MyAudioWriter (const juce::File& file, double rate, int channels, bool splitFiles)
    : juce::Thread ("Recorder Thread"), outputFile (file), sampleRate (validRate (rate))
{
    split.store (splitFiles);
    // Room for at least half a second, so that a late write pass loses nothing.
    const int ringSize = std::max (transferFrames, (int) std::ceil (sampleRate * 0.5));
    ring = std::make_unique<MyRingBuffers> ((unsigned int) ringSize, false);
    numChannels = 0;
    applyNumChannels (juce::jlimit (1, maxChannels, channels));
    startThread();
}

MyAudioWriter::~MyAudioWriter()
{
    if (recording.load())
        stopRecord();
    stopThread (1000);
    const juce::ScopedLock sl (writerLock);
    closeWriter();
}

//==============================================================================
void MyAudioWriter::setNumChannels (int n)
{
    if (n < 1 || n > maxChannels)
        return;
    if (recording.load())
    {
        pendingChannels = n;
        return;
    }
    applyNumChannels (n);
}

void MyAudioWriter::applyNumChannels (int n)
{
    pendingChannels = 0;
    if (n == numChannels)
        return;
    waitForAudioIdle();
    const juce::ScopedLock sl (writerLock);
    // An append writer kept open has the old channel count: finish its file.
    closeWriter();
    numChannels = n;
    ring->SetNumChannels ((unsigned int) n);
    transfer.setSize (n, transferFrames);
    transfer.clear();
    for (int c = 0; c < n; ++c)
        channelData[c] = transfer.getWritePointer (c);
    channelData[n] = nullptr;
}

void MyAudioWriter::setRecordMode (int mode)
{
    if (mode >= 0 && mode <= 2)
        recordMode = mode;
}

void MyAudioWriter::setRecordBits (int index)
{
    if (index >= 0 && index <= 2)
        recordBits = index;
}

//==============================================================================
bool MyAudioWriter::startRecord()
{
    if (recording.load())
        return true;
    waitForAudioIdle();
    if (! resetWriter())
        return false;
    droppedFrames.store (0);
    recording.store (true);
    return true;
}

void MyAudioWriter::stopRecord()
{
    if (! recording.load())
        return;
    recording.store (false);
    waitForAudioIdle();

    bool closed = false;
    {
        const juce::ScopedLock sl (writerLock);
        drain();
        // Rewrites the header: the file is complete even if the process
        // ends before the writer is closed (append mode keeps it open).
        if (writer != nullptr)
            writer->flush();
        if (recordMode != 1)
        {
            closeWriter();
            closed = true;
        }
    }
    if (closed && split.load())
        splitOut();
    if (pendingChannels != 0)
        applyNumChannels (pendingChannels);
}

bool MyAudioWriter::resetWriter()
{
    if (recording.load())
        return false;

    const juce::ScopedLock sl (writerLock);
    bool ok = false;
    if (recordMode == 1 && outputFile.existsAsFile())
    {
        // Append: the writer of the previous take goes on; with none open
        // (first take of this session) the file is reopened for appending.
        ok = (writer != nullptr && writerFile == outputFile) || openForAppend();
    }
    else
    {
        closeWriter();
        if (recordMode == 2)
            outputFile = outputFile.getNonexistentSibling (true);
        else if (outputFile.exists())
            outputFile.deleteFile();
        ok = createWriter (outputFile, bitsTable[recordBits]);
    }
    ring->Reset (0, 0);
    return ok;
}

bool MyAudioWriter::createWriter (const juce::File& file, int bits)
{
    closeWriter();
    auto stream = file.createOutputStream (streamBufferBytes);
    if (stream == nullptr || stream->failedToOpen())
        return false;
    // A stream on an existing file would append to it.
    stream->setPosition (0);
    stream->truncate();

    std::unique_ptr<juce::AudioFormatWriter> w (
        format->createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, bits, {}, 0));
    if (w == nullptr)
        return false; // the stream is still ours and is deleted here
    stream.release();
    writer = std::move (w);
    writerFile = file;
    samplesWritten.store (0);
    return true;
}

bool MyAudioWriter::openForAppend()
{
    closeWriter();
    std::unique_ptr<juce::AudioFormatReader> old (wavFormat.createReaderFor (outputFile.createInputStream().release(), true));
    if (old == nullptr || (int) old->numChannels != numChannels || old->sampleRate != sampleRate)
        return false;

    // Keep the file's own sample format when it is one we write, so the
    // earlier takes are copied without loss.
    int bits = bitsTable[recordBits];
    for (int b : bitsTable)
        if ((int) old->bitsPerSample == b && old->usesFloatingPointData == (b == 32))
            bits = b;

    // Copy the earlier takes into a new file beside it, then put that file
    // in place of the old one (an atomic rename; the open writer follows
    // it). Until then the old file is untouched.
    const juce::File part = outputFile.getSiblingFile (outputFile.getFileName() + ".part").getNonexistentSibling (false);
    const juce::File target = outputFile;
    if (! createWriter (part, bits))
    {
        part.deleteFile();
        return false;
    }
    bool ok = writer->writeFromAudioReader (*old, 0, old->lengthInSamples) && writer->flush();
    old.reset();
    if (ok)
        ok = std::rename (part.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0;
    if (! ok)
    {
        closeWriter();
        part.deleteFile();
        return false;
    }
    writerFile = target;
    samplesWritten.store (0);
    return true;
}

void MyAudioWriter::closeWriter()
{
    writer.reset();
    writerFile = juce::File();
}

void MyAudioWriter::drain()
{
    for (;;)
    {
        const unsigned int held = ring->AvailForGet();
        if (held == 0)
            break;
        const int count = (int) std::min<unsigned int> (held, (unsigned int) transferFrames);
        ring->Get (channelData, (unsigned int) count, false);
        if (writer != nullptr && writer->writeFromAudioSampleBuffer (transfer, 0, count))
            samplesWritten.fetch_add (count);
        else
            droppedFrames.fetch_add (count);
    }
}

void MyAudioWriter::run()
{
    while (! threadShouldExit())
    {
        wait (100);
        if (recording.load())
        {
            const juce::ScopedLock sl (writerLock);
            drain();
        }
    }
}

void MyAudioWriter::waitForAudioIdle() const
{
    const auto start = nowMs();
    while (audioInPut.load() && nowMs() - start < maxWaitMs)
        std::this_thread::yield();
}

//==============================================================================
void MyAudioWriter::pushBlock (const float* const* channels, int numInputs, int numSamples) noexcept
{
    // stopRecord and the setters wait for audioInPut to fall after they
    // cleared recording (both sequentially consistent), so the ring is never
    // reset or resized under a Put.
    audioInPut.store (true);
    if (! recording.load() || numSamples <= 0)
    {
        audioInPut.store (false);
        return;
    }

    const int nc = (int) ring->getNumChannels();
    juce::int64 lost = 0;
    for (int done = 0; done < numSamples; done += pushFrames)
    {
        const int piece = std::min (pushFrames, numSamples - done);
        float* src[maxChannels + 1];
        for (int c = 0; c < nc; ++c)
        {
            const bool present = channels != nullptr && c < numInputs && channels[c] != nullptr;
            src[c] = const_cast<float*> (present ? channels[c] + done : silence);
        }
        src[nc] = nullptr;
        lost += piece - (int) ring->Put (src, (unsigned int) piece, false);
    }
    if (lost > 0)
        droppedFrames.fetch_add (lost, std::memory_order_relaxed);
    audioInPut.store (false);
}

void MyAudioWriter::pushBlock (const juce::AudioBuffer<float>& buffer) noexcept
{
    pushBlock (buffer.getArrayOfReadPointers(), buffer.getNumChannels(), buffer.getNumSamples());
}

//==============================================================================
juce::String MyAudioWriter::channelSuffix (int channel, int n)
{
    switch (n)
    {
        case 2: return theStereoExtension[channel];
        case 4: return theQuadExtension[channel];
        case 5: return the50Extension[channel];
        case 6: return the51Extension[channel];
        default: break;
    }
    // 7 and 8 channels, 9 to 32, and counts without a table (3, 33 to 64):
    // channel numbers from 1.
    return juce::String (channel + 1);
}

void MyAudioWriter::readFromAudioReaderMulti (juce::AudioBuffer<float>& buffer, juce::AudioFormatReader* reader,
                                              int startSample, int numSamples, juce::int64 readerStartSample)
{
    const int nc = std::min (buffer.getNumChannels(), maxChannels);
    if (reader == nullptr || nc <= 0 || numSamples <= 0 || startSample < 0
        || startSample + numSamples > buffer.getNumSamples())
        return;

    int* dest[maxChannels + 1] = {};
    for (int c = 0; c < nc; ++c)
        dest[c] = reinterpret_cast<int*> (buffer.getWritePointer (c, startSample));
    if (! reader->read (dest, nc, readerStartSample, numSamples, true))
    {
        buffer.clear (startSample, numSamples);
        return;
    }
    if (! reader->usesFloatingPointData)
        for (int c = 0; c < nc; ++c)
            juce::FloatVectorOperations::convertFixedToFloat (reinterpret_cast<float*> (dest[c]), dest[c],
                                                             1.0f / 2147483648.0f, numSamples);
}

void MyAudioWriter::splitOut()
{
    std::unique_ptr<juce::AudioFormatReader> source (wavFormat.createReaderFor (outputFile.createInputStream().release(), true));
    if (source == nullptr)
        return;
    const int n = (int) source->numChannels;
    if (n < 2 || n > maxChannels)
        return;

    std::vector<std::unique_ptr<juce::AudioFormatWriter>> writers ((size_t) n);
    for (int c = 0; c < n; ++c)
    {
        const juce::File file = outputFile.getSiblingFile (outputFile.getFileNameWithoutExtension() + "."
                                                           + channelSuffix (c, n) + ".wav");
        file.deleteFile();
        auto stream = file.createOutputStream (streamBufferBytes);
        if (stream == nullptr || stream->failedToOpen())
            continue;
        writers[(size_t) c].reset (format->createWriterFor (stream.get(), source->sampleRate, 1,
                                                            (int) source->bitsPerSample, {}, 0));
        if (writers[(size_t) c] != nullptr)
            stream.release();
    }

    // The samples are moved as the reader's 32-bit integers (raw bits for
    // float data), which the writers take back unchanged: a split file holds
    // exactly the recorded values, where a round trip through floats would
    // lose up to one step of an integer format.
    juce::HeapBlock<int> storage ((size_t) n * pushFrames);
    int* chunk[maxChannels + 1] = {};
    for (int c = 0; c < n; ++c)
        chunk[c] = storage.get() + (size_t) c * pushFrames;
    const juce::int64 length = source->lengthInSamples;
    for (juce::int64 pos = 0; pos < length;)
    {
        const int count = (int) std::min<juce::int64> (length - pos, pushFrames);
        if (! source->read (chunk, n, pos, count, false))
            break;
        for (int c = 0; c < n; ++c)
        {
            if (writers[(size_t) c] == nullptr)
                continue;
            const int* data[2] = { chunk[c], nullptr };
            writers[(size_t) c]->write (data, count);
        }
        pos += count;
    }
}
