#include "QuarnProcessor.h"

#include "ZuveruvaEditor.h"

QuarnProcessor::QuarnProcessor()
{
    setHostNotification (false);
    // JUCE's VST3 controller reads every value when it connects.
    if (readsValuesItself())
        noteValuesReadByHost();
}

QuarnProcessor::~QuarnProcessor()
{
    stopThreads();
}

void QuarnProcessor::prepareToPlay (double sampleRate, int maximumBlock)
{
    Zuveruva::prepareToPlay (sampleRate, maximumBlock);
    setHostNotification (true);
}

void QuarnProcessor::releaseResources()
{
    setHostNotification (false);
    Zuveruva::releaseResources();
}

juce::AudioProcessorEditor* QuarnProcessor::createEditor()
{
    return new ZuveruvaEditor (this);
}

bool QuarnProcessor::hasEditor() const
{
    return true;
}

void QuarnProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    render (buffer, midi, false);
}

void QuarnProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    render (buffer, midi, true);
}

void QuarnProcessor::render (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi, bool hostBypass)
{
    // Held across every piece of the block: parameter and state calls that
    // take the lock, and reader swaps, wait for the whole block.
    const juce::ScopedLock sl (getCallbackLock());

    if (isSuspended())
    {
        if (! buffer.hasBeenCleared())
            buffer.clear();
        return;
    }

    setBlockSize (buffer.getNumSamples());

    // The engine's processBlock cuts the block into pieces (the one place
    // that slices); a bypassed block is cut the same way, with the wet part
    // at 0. Called by name: the base's bypass would come back here.
    if (hostBypass)
        bypassed.store (true);
    Zuveruva::processBlock (buffer, midi);
    if (hostBypass)
        bypassed.store (false);
}

void QuarnProcessor::getStateInformation (juce::MemoryBlock& dest)
{
    getCurrentProgramStateInformation (dest);
}

void QuarnProcessor::setStateInformation (const void* data, int size)
{
    setCurrentProgramStateInformation (data, size);
    // JUCE's VST3 controller reads the restored values right after this
    // (as a VST3 host asks it to once a state is set).
    if (readsValuesItself())
        noteValuesReadByHost();
    // Restored before the host prepares it (a project being opened): the
    // host is told the restored values from the next tick.
    setHostNotification (true);
}

bool QuarnProcessor::readsValuesItself() const noexcept
{
    return wrapperType == juce::AudioProcessor::wrapperType_VST3;
}

bool QuarnProcessor::isIndexedParameterAutomatable (int i)
{
    return isValidParameterIndex (i);
}
