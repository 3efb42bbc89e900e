// Zuveruva's auxiliary source: the "Aux On" choice, the sound file played by
// the effect (chooser, loading, replacement of the reader) and its transport.
#include "Zuveruva.h"

#include "AudioFileCheck.h"
#include "Dialogs.h"
#include "MyAudioReader.h"
#include "Utilities.h"

bool Zuveruva::hasAuxReader() const noexcept
{
    return auxReader != nullptr;
}

bool Zuveruva::readerIsPlaying()
{
    if (auxReader == nullptr)
        return false;
    const int s = auxReader->transportState.load();
    return s != MyAudioReader::Stopped && s != MyAudioReader::Paused;
}

bool Zuveruva::blocksAreArriving() const noexcept
{
    if (! anyBlockProcessed.load())
        return false;
    const auto now = juce::Time::getMillisecondCounter();
    return now - lastBlockMillis.load() < 250u;
}

void Zuveruva::setAuxOn (float value)
{
    const float previous = auxOn.load();
    auxOn.store (value);
    storeInProgram (kAuxOn, value);

    switch (FloatToIndexPopup (value, 4))
    {
        case 0: // "No Aux"
            runOnMessageThreadOrDefer (workPauseIfPlaying);
            auxActive.store (false);
            break;

        case 1: // "File"
            auxSideChain.store (false);
            auxActive.store (true);
            break;

        case 2: // "Side-Chain"
            runOnMessageThreadOrDefer (workPauseIfPlaying);
            auxSideChain.store (true);
            auxActive.store (true);
            break;

        default: // "Load File": a command, not a state
        {
            // What to put back when no file is taken: the value before, or,
            // when that was itself the command, the source in force.
            float restore = previous;
            if (FloatToIndexPopup (previous, 4) == 3)
                restore = ! auxActive.load() ? 0.0f : (auxSideChain.load() ? 2.0f / 3.0f : 1.0f / 3.0f);
            auxOnBeforeLoad.store (restore);
            runOnMessageThreadOrDefer (workLoadFile);
            break;
        }
    }
}

void Zuveruva::chooseAuxFile()
{
    // The command may have been replaced by another choice meanwhile; a
    // chooser already open (its modal loop runs the timer) is not opened twice.
    if (FloatToIndexPopup (auxOn.load(), 4) != 3 || choosingFile.exchange (true))
        return;

    auto restoreAuxOn = [this] {
        if (FloatToIndexPopup (auxOn.load(), 4) == 3)
        {
            const float v = auxOnBeforeLoad.load();
            auxOn.store (v);
            storeInProgram (kAuxOn, v);
            NonInterpolateParameter (kAuxOn, true);
            updateEditor();
        }
    };

    juce::File chosen;
    if (! Dialogs::get().chooseFileToOpen ("Select a sound file", juce::File(), "*.wav;*.aif;*.aiff", chosen))
    {
        restoreAuxOn();
        choosingFile.store (false);
        return;
    }

    const int n = validateAudioFile (chosen);
    if (n != 0)
    {
        const juce::String name = chosen.getFileName();
        const juce::String message = n < 0
            ? name + " is not a valid sound file"
            : name + " is a " + juce::String (n) + " channels audio file\n Vokt Tools can read only mono or stereo audio files";
        Dialogs::get().showAlert ("Error in reading " + name, message);
        // As with Cancel: a stored "Load File" would open the chooser again
        // at the next program change.
        restoreAuxOn();
        choosingFile.store (false);
        return;
    }

    replaceAuxReader (chosen, false, false, false);
    auxOn.store (1.0f / 3.0f);
    storeInProgram (kAuxOn, 1.0f / 3.0f);
    NonInterpolateParameter (kAuxOn, true);
    updateEditor();
    choosingFile.store (false);
}

void Zuveruva::replaceAuxReader (const juce::File& file, bool looping, bool wasPlaying, bool applyLoopRange)
{
    // Made outside the lock (file I/O, a thread start); swapped under it.
    auto reader = std::make_unique<MyAudioReader> (file, false, 1);
    auto block = std::make_unique<juce::AudioBuffer<float>> (2, auxBlockFrames);
    block->clear();
    if (applyLoopRange)
        reader->setLoopNorm (loopBegin.load(), loopEnd.load());
    reader->setLoop (looping);
    if (isNonRealtime())
        reader->nonRealTime.store (true);

    std::unique_ptr<MyAudioReader> oldReader;
    std::unique_ptr<juce::AudioBuffer<float>> oldBlock;
    {
        const juce::ScopedLock sl (getCallbackLock());
        oldReader = std::move (auxReader);
        oldBlock = std::move (auxBlock);
        auxReader = std::move (reader);
        auxBlock = std::move (block);
        auxFile = file;
        readerGeneration.fetch_add (1);
        auxPosition.store (0.0f);
    }
    setAuxFilePath (file);
    // Freed after the lock: the old reader's thread stops in its destructor.
    oldBlock.reset();
    oldReader.reset();

    if (wasPlaying)
        auxReader->startPlay (true);
}

void Zuveruva::loadAuxFile (juce::String path)
{
    const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    if (validateAudioFileAndMessage (file) != 0)
        return;

    bool looping = false, wasPlaying = false;
    if (auxReader != nullptr)
    {
        looping = auxReader->looping.load();
        wasPlaying = readerIsPlaying();
    }
    replaceAuxReader (file, looping, wasPlaying, false);
    sendChangeMessage();
}

void Zuveruva::applyPlay()
{
    const bool pressed = playPressed.exchange (false);
    if (auxReader == nullptr)
        return;
    if (pressed || play.load() > 0.5f)
    {
        play.store (1.0f);
        setIndexedParameter (kAuxOn, 1.0f / 3.0f);
        auxReader->startPlay (false);
    }
    else
    {
        auxReader->pausePlay (false);
    }
}

void Zuveruva::restartFromBeginning()
{
    // The latched press, even when the button was released meanwhile.
    if (! beginningPressed.exchange (false) || auxReader == nullptr)
        return;

    const int state = auxReader->transportState.load();
    auxReader->stopPlay (false);
    if (state == MyAudioReader::Stopped || state == MyAudioReader::Paused)
    {
        auxReader->initBuffers (0);
        return;
    }

    // Playing: let the next block fade out, then restart from the start.
    // Without blocks there is nothing to wait for.
    if (blocksAreArriving())
        juce::Time::waitForMillisecondCounter (juce::Time::getMillisecondCounter() + 100);
    auxReader->initBuffers (0);
    auxReader->startPlay (false);
}

void Zuveruva::setModTimePosition (float seconds)
{
    if (auxReader != nullptr && IsFiniteValue (seconds))
        auxReader->setTimePosition (seconds);
}

bool Zuveruva::getModPlaying()
{
    return readerIsPlaying();
}

bool Zuveruva::getModLooping()
{
    return auxReader != nullptr && auxReader->looping.load();
}
