// Zuveruva's audio path: framing through the rings, analysis, cross with the
// auxiliary frame, smoothing, resynthesis, mix and overlap-add.
#include "Zuveruva.h"

#include "CrunchBins.h"
#include "FFTUtils.h"
#include "MyAudioReader.h"
#include "MyRingBuffers.h"
#include "SampleGuard.h"

#include <algorithm>

namespace
{
void zero (float* p, int n) noexcept
{
    std::fill (p, p + n, 0.0f);
}
} // namespace

void Zuveruva::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;
    // Hosts and the plug-in layer call under this lock already; taking it
    // again (it is re-entrant) keeps every caller out of a reader swap or a
    // resize.
    const juce::ScopedLock sl (getCallbackLock());

    // Setters reached while a block runs on this thread (MIDI bindings, the
    // offline step), and on the host's render thread (automation before the
    // block), defer what blocks.
    struct BlockDepth
    {
        BlockDepth() noexcept { ++blockDepth; }
        ~BlockDepth() { --blockDepth; }
    } depth;
    if (! juce::MessageManager::existsAndIsCurrentThread())
        renderThread.store (juce::Thread::getCurrentThreadId());

    // Pieces of at most sliceFrames samples over the same channel memory:
    // the rings and the reader's block hold enough for any host block, and
    // the bypassed path is cut the same way. The MIDI goes with the first
    // piece only. A block of 0 samples is one empty piece.
    const int numSamples = buffer.getNumSamples();
    if (numSamples <= sliceFrames)
    {
        renderSlice (buffer, midi);
        return;
    }

    float* const* channels = buffer.getArrayOfWritePointers();
    const int numChannels = buffer.getNumChannels();
    for (int offset = 0; offset < numSamples; offset += sliceFrames)
    {
        // Refers to the caller's memory; up to 32 channels need no allocation.
        juce::AudioBuffer<float> slice (channels, numChannels, offset, std::min (sliceFrames, numSamples - offset));
        renderSlice (slice, offset == 0 ? midi : noMidi);
    }
}

void Zuveruva::renderSlice (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    MyEffect::processBlock (buffer, midi);

    const int numSamples = buffer.getNumSamples();
    lastBlockMillis.store (juce::Time::getMillisecondCounter());
    anyBlockProcessed.store (true);

    if (stopped.load())
    {
        if (! buffer.hasBeenCleared())
            buffer.clear();
        return;
    }

    blockDone.reset();

    // Side chain: the third bus, when the host gives its channels.
    int scFirst = -1, scCount = 0;
    if (getBusCount (true) >= 2)
    {
        auto* bus = getBus (true, 1);
        const int count = (bus != nullptr && bus->isEnabled()) ? bus->getNumberOfChannels() : 0;
        if (count > 0)
        {
            const int first = getChannelIndexInProcessBlockBuffer (true, 1, 0);
            if (first >= 0 && first + count <= buffer.getNumChannels())
            {
                scFirst = first;
                scCount = count;
            }
        }
    }
    sideChainChannels.store (scCount);

    const int channels = buffer.getNumChannels();
    if (channels < 1 || numInputChannels.load() < 1 || numOutputChannels.load() < 1)
    {
        blockDone.signal();
        return;
    }

    const float wet = bypassed.load() ? 0.0f : mix.load();
    const bool stereo = isStereo() && channels >= 2 && inputRing->getNumChannels() >= 2
                        && outputRing->getNumChannels() >= 2;

    if (sync.load() > 0.5f)
    {
        const bool playing = hostPlaying.load();
        const float p = play.load();
        if (playing && p < 0.5f)
            syncRequest.store (1);
        else if (! playing && p > 0.5f)
            syncRequest.store (2);
    }

    // Smoothing coefficients of the block; "Sample" takes a fresh snapshot.
    const float exponent = CrunchBins::smoothingExponent ((long) frameSize.load());
    float cA = CrunchBins::smoothingCoefficient (amplitude.load(), exponent);
    float cF = CrunchBins::smoothingCoefficient (frequency.load(), exponent);
    if (sample.load() != 0.0f)
        cA = cF = 0.0f;
    if (forceSample.exchange (false))
    {
        sample.store (0.0f);
        cA = cF = 0.0f;
    }

    processSlice (buffer, 0, numSamples, stereo, scFirst, scCount, wet, cA, cF);

    // Output channels of the main bus that the mono path does not write.
    if (! stereo && channels >= 2 && numOutputChannels.load() >= 2)
        buffer.clear (1, 0, numSamples);

    blockDone.signal();
}

void Zuveruva::processSlice (juce::AudioBuffer<float>& buffer, int offset, int n, bool stereo,
                             int scFirst, int scCount, float wet, float cA, float cF)
{
    if (n <= 0)
        return;
    const auto frame = (unsigned) frameSize.load();

    float* inL = buffer.getWritePointer (0, offset);
    float* inR = stereo ? buffer.getWritePointer (1, offset) : nullptr;

    // The auxiliary source of this piece. Whenever a source is on, the
    // auxiliary ring receives exactly as many samples as the input ring
    // (silence when nothing feeds it), so auxiliary frames stay aligned with
    // the input frames; a change of source clears it in place.
    const bool active = auxActive.load();
    int source = 0;
    float* srcL = nullptr;
    float* srcR = nullptr;
    if (active)
    {
        if (auxSideChain.load() && scCount > 0)
        {
            source = 2;
            srcL = buffer.getWritePointer (scFirst, offset);
            srcR = buffer.getWritePointer (scCount == 2 ? scFirst + 1 : scFirst, offset);
            // Another track's signal: cleaned where it enters, in place
            // (input channels of the host's buffer, not heard again).
            CleanSamples (srcL, n);
            if (srcR != srcL)
                CleanSamples (srcR, n);
        }
        else if (auxReader != nullptr && auxBlock != nullptr)
        {
            source = 3 + (int) (readerGeneration.load() & 0xffffff);
            auxBlock->setSize (2, n, false, false, true);
            // The reader follows the render mode: offline it refills in this
            // call (a bounce runs faster than its thread), and back in real
            // time its own thread refills again.
            auxReader->nonRealTime.store (offline.load(), std::memory_order_release);
            auxPosition.store (auxReader->processBlock (*auxBlock));
            srcL = auxBlock->getWritePointer (0);
            srcR = auxBlock->getWritePointer (1);
        }
        else
        {
            source = 1;
        }
    }

    if (source != auxSourceSeen)
    {
        if (source != 0)
            auxRing->Reset (inputRing->readPos.load(), inputRing->writePos.load());
        auxSourceSeen = source;
    }

    float* in[2] = { inL, inR };
    inputRing->Put (in, (unsigned) n, false);
    if (active)
    {
        if (srcL != nullptr)
        {
            float* aux[2] = { srcL, srcR };
            auxRing->Put (aux, (unsigned) n, false);
        }
        else
        {
            auxRing->Put (0.0f, (unsigned) n);
        }
    }

    const float rate = analysisL->sampleRate.load();
    const float binWidth = (rate > 0.0f ? rate : 44100.0f) / (float) frame;

    while (inputRing->AvailForGet() >= frame)
        processFrame ((int) frame, stereo, active, wet, cA, cF, binWidth);

    float* outL = buffer.getWritePointer (0, offset);
    float* outR = stereo ? buffer.getWritePointer (1, offset) : nullptr;
    if (outputRing->AvailForGet() < (unsigned) n)
    {
        zero (outL, n);
        if (outR != nullptr)
            zero (outR, n);
    }
    else
    {
        float* out[2] = { outL, outR };
        outputRing->Get (out, (unsigned) n, false);
    }
}

void Zuveruva::processFrame (int n, bool stereo, bool withAux, float wet, float cA, float cF, float binWidth)
{
    const int bins = n / 2;
    const float gainOut = outputGain.load();

    float* in[2] = { inputL.get(), inputR.get() };
    inputRing->Get (in, (unsigned) n, false);

    if (withAux)
    {
        if (auxRing->AvailForGet() >= (unsigned) n)
        {
            float* aux[2] = { auxL.get(), auxR.get() };
            auxRing->Get (aux, (unsigned) n, false);
        }
        else
        {
            zero (auxL.get(), n);
            zero (auxR.get(), n);
        }
    }

    const float depth = auxDepth.load();
    const float bal = balance.load();
    const float auxGainLinear = auxLinearGain.load();
    const bool restartPhases = frequency.load() == 0.0f && amplitude.load() == 0.0f;

    // Left channel.
    std::copy (inputL.get(), inputL.get() + n, dry.get());
    analysisL->analyse (inputL.get());
    float* amp = analysisL->getAmplitudes (nullptr);
    float* freq = analysisL->getFrequences (nullptr);
    if (withAux)
    {
        auxAnalysisL->analyse (auxL.get());
        CrunchBins::cross (amp, freq, auxAnalysisL->getAmplitudes (nullptr), auxAnalysisL->getFrequences (nullptr),
                           bins, depth, bal, auxGainLinear);
    }
    CrunchBins::smooth (amp, freq, smoothAmpL.get(), smoothFreqL.get(), bins, cA, cF);
    CrunchBins::deviation (smoothFreqL.get(), deviationWork.get(), bins, binWidth);
    if (restartPhases)
    {
        synthesisL->firstFrame.store (true);
        synthesisR->firstFrame.store (true);
    }
    synthesisL->setAmplitudes (smoothAmpL.get());
    synthesisL->setFrequences (smoothFreqL.get());
    synthesisL->setPhases (analysisL->getPhases (nullptr));
    synthesisL->synthesis (auxL.get());
    synthesisL->getAmplitudes (displayWork.get());
    CrunchBins::mix (auxL.get(), dry.get(), n, wet, gainOut);

    // Right channel.
    if (stereo)
    {
        std::copy (inputR.get(), inputR.get() + n, dry.get());
        analysisR->analyse (inputR.get());
        amp = analysisR->getAmplitudes (nullptr);
        freq = analysisR->getFrequences (nullptr);
        if (withAux)
        {
            auxAnalysisR->analyse (auxR.get());
            CrunchBins::cross (amp, freq, auxAnalysisR->getAmplitudes (nullptr), auxAnalysisR->getFrequences (nullptr),
                               bins, depth, bal, auxGainLinear);
        }
        CrunchBins::smooth (amp, freq, smoothAmpR.get(), smoothFreqR.get(), bins, cA, cF);
        synthesisR->setAmplitudes (smoothAmpR.get());
        synthesisR->setFrequences (smoothFreqR.get());
        synthesisR->setPhases (analysisR->getPhases (nullptr));
        synthesisR->synthesis (auxR.get());
        CrunchBins::average (displayWork.get(), synthesisR->getAmplitudes (nullptr), bins);
        CrunchBins::mix (auxR.get(), dry.get(), n, wet, gainOut);
    }

    for (int k = 0; k < bins; ++k)
    {
        displaySpectrum[(size_t) k].store (displayWork[(size_t) k], std::memory_order_relaxed);
        deviation[(size_t) k].store (deviationWork[(size_t) k], std::memory_order_relaxed);
    }

    float* out[2] = { auxL.get(), auxR.get() };
    outputRing->Put (out, (unsigned) n, false);
}

float* Zuveruva::GetSpectrum (long* n)
{
    const int bins = (int) (frameSize.load() / 2);
    if (n != nullptr)
        *n = bins;
    for (int k = 0; k < bins; ++k)
        spectrumCopy[(size_t) k] = displaySpectrum[(size_t) k].load (std::memory_order_relaxed);
    return spectrumCopy.get();
}

float* Zuveruva::GetDeviation()
{
    const int bins = (int) (frameSize.load() / 2);
    for (int k = 0; k < bins; ++k)
        deviationCopy[(size_t) k] = deviation[(size_t) k].load (std::memory_order_relaxed);
    return deviationCopy.get();
}
