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
    // "Load File" is the editor's command (runLoadFileCommand), not a
    // state: as a value (host, automation, OSC, MIDI, a state) it is
    // refused and the source in force stays.
    const int index = FloatToIndexPopup (value, 4);
    if (index >= numAuxSources)
        return;

    auxOn.store (value);
    storeInProgram (kAuxOn, value);

    switch (index)
    {
        case auxSourceNone:
            runOnMessageThreadOrDefer (workPauseIfPlaying);
            auxActive.store (false);
            break;

        case auxSourceFile:
            auxSideChain.store (false);
            auxActive.store (true);
            break;

        default: // auxSourceSideChain
            runOnMessageThreadOrDefer (workPauseIfPlaying);
            auxSideChain.store (true);
            auxActive.store (true);
            break;
    }
}

void Zuveruva::runLoadFileCommand()
{
    // One chooser at a time; it runs without a modal loop and answers on the
    // message thread, perhaps after the effect has gone.
    if (choosingFile.exchange (true))
        return;

    juce::WeakReference<Zuveruva> self (this);
    Dialogs::get().chooseFileToOpenAsync ("Select a sound file", juce::File(), "*.wav;*.aif;*.aiff",
                                          [self] (bool chosen, const juce::File& file) {
                                              if (auto* fx = self.get())
                                              {
                                                  if (chosen)
                                                      fx->takeChosenAuxFile (file);
                                                  fx->choosingFile.store (false);
                                              }
                                          });
}

void Zuveruva::takeChosenAuxFile (const juce::File& chosen)
{
    const int n = validateAudioFile (chosen);
    if (n != 0)
    {
        const juce::String name = chosen.getFileName();
        const juce::String message = n < 0
            ? name + " is not a valid sound file"
            : name + " is a " + juce::String (n) + " channels audio file\n Vokt Tools can read only mono or stereo audio files";
        Dialogs::get().showAlertAsync ("Error in reading " + name, message);
        return;
    }

    replaceAuxReader (chosen, false, false, false);
    // "File" shown; the source flags change when "File" or "Play" is applied.
    auxOn.store (auxOnValueForSource (auxSourceFile));
    storeInProgram (kAuxOn, auxOnValueForSource (auxSourceFile));
    NonInterpolateParameter (kAuxOn, true);
    updateEditor();
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
        setIndexedParameter (kAuxOn, auxOnValueForSource (auxSourceFile));
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
