// Zuveruva's saved state: the program records in the state chunk's frame
// (header, program records, MIDI binding table), and a loaded program made
// live. Every byte of a chunk is untrusted: the frame and the record sizes
// are checked before anything is read, a refused chunk changes nothing, and
// the records are repaired before use.
#include "Zuveruva.h"

#include "PresetStepLock.h"

#include <algorithm>
#include <cstring>

void Zuveruva::getStateInformation (juce::MemoryBlock& dest)
{
    writeProgramRecords (dest, true);
}

void Zuveruva::getCurrentProgramStateInformation (juce::MemoryBlock& dest)
{
    writeProgramRecords (dest, false);
}

void Zuveruva::setStateInformation (const void* data, int size)
{
    loadProgramRecords (data, size, true);
}

void Zuveruva::setCurrentProgramStateInformation (const void* data, int size)
{
    loadProgramRecords (data, size, false);
}

bool Zuveruva::loadCurrentProgramChunk (const void* data, int size)
{
    return loadProgramRecords (data, size, false);
}

void Zuveruva::writeProgramRecords (juce::MemoryBlock& dest, bool allPrograms)
{
    const int count = allPrograms ? numProgramsTotal : 1;
    // Serialised with preset work, which also owns programScratch.
    const PresetStepScope step (agitationStepLock);
    {
        const std::lock_guard<std::mutex> lock (recordLock);
        ZuveruvaProgram& current = currentProgramRecord();
        for (int c = 0; c < 8; ++c)
            current.superCells[c] = (int32_t) superStates[c].load();
        current.editorWidth = (int32_t) savedEditorWidth.load();
        current.editorHeight = (int32_t) savedEditorHeight.load();
        std::memset (current.auxPath, 0, sizeof (current.auxPath));
        std::memcpy (current.auxPath, auxFilePath, sizeof (current.auxPath) - 1);

        if (allPrograms)
            std::copy (programs.get(), programs.get() + numProgramsTotal, programScratch.get());
        else
            programScratch[0] = current;
    }
    for (int k = 0; k < count; ++k)
        programScratch[(size_t) k].SwapToBig();

    dest.setSize (0);
    writeStateChunk (dest, productCode, programScratch.get(), (std::size_t) count * sizeof (ZuveruvaProgram));
}

bool Zuveruva::loadProgramRecords (const void* data, int size, bool allPrograms)
{
    // The frame: every block inside the chunk, our magic and product, version 102 or later.
    StateChunkView view;
    if (! readStateChunk (data, size, productCode, view))
        return false;

    // Short records are refused whole: nothing changes.
    const int count = allPrograms ? numProgramsTotal : 1;
    if (view.programsSize < (std::size_t) count * sizeof (ZuveruvaProgram))
        return false;

    int current = 0;
    float superSliderOf = 0.0f;
    int32_t width = 0, height = 0;
    {
        const PresetStepScope step (agitationStepLock);
        for (int k = 0; k < count; ++k)
        {
            ZuveruvaProgram& record = programScratch[(size_t) k];
            std::memcpy (static_cast<void*> (&record), view.programs + (std::size_t) k * sizeof (ZuveruvaProgram),
                         sizeof (ZuveruvaProgram));
            record.SwapToHost();
            if (view.version == 102)
                record.migrateFrom102();
            record.sanitise();
        }

        const std::lock_guard<std::mutex> lock (recordLock);
        current = juce::jlimit (0, numProgramsTotal - 1, (int) currentProgram.load());
        if (allPrograms)
            std::copy (programScratch.get(), programScratch.get() + numProgramsTotal, programs.get());
        else
            programs[(size_t) current] = programScratch[0];

        const ZuveruvaProgram& program = programs[(size_t) current];
        std::memcpy (auxFilePath, program.auxPath, sizeof (auxFilePath));
        superSliderOf = program.superSlider;
        width = program.editorWidth;
        height = program.editorHeight;
    }

    savedEditorWidth.store (width);
    savedEditorHeight.store (height);
    if (width != 0 && height != 0)
        runOnMessageThreadOrDefer (workEditorSize);

    if (view.midi != nullptr)
        setMidiInformation (view.midi, view.midiSize);

    // The loaded program becomes live (a restored session sounds as saved),
    // and the super slider shows its saved position without mixing.
    setCurrentProgram (current);
    superSliderFlag.store (false);
    setIndexedParameter (kSuperSlider, superSliderOf);
    return true;
}

void Zuveruva::setAuxFilePath (const juce::File& file)
{
    const juce::String path = file.getFullPathName();
    const char* utf8 = path.toRawUTF8();
    const std::size_t length = std::strlen (utf8);
    std::size_t n = std::min (length, sizeof (auxFilePath) - 1);
    // At most 255 bytes of whole characters.
    if (n < length)
        while (n > 0 && (static_cast<unsigned char> (utf8[n]) & 0xc0) == 0x80)
            --n;

    const std::lock_guard<std::mutex> lock (recordLock);
    std::memset (auxFilePath, 0, sizeof (auxFilePath));
    std::memcpy (auxFilePath, utf8, n);
}
