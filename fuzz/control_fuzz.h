#pragma once
// Entry point of the control-text fuzz target, shared with the test that
// replays its seed corpus (message thread).
#include <cstddef>
#include <cstdint>
#include <string>

// Runs the commands of `data` on one of the two effects (see
// control_fuzz.cpp for the layout). Returns what went wrong, or the empty text.
std::string controlFuzzInput (const uint8_t* data, std::size_t size);

// Command kinds of an input; each command is a kind byte, a length byte and
// that many bytes of payload.
enum ControlFuzzCommand : uint8_t
{
    cmdPresetText = 0,   // clipboard text pasted into preset (payload[0] & 15)
    cmdProgramFile = 1,  // a program file loaded with loadSelf
    cmdOscMessage = 2,   // address NUL, then arguments: 'f' + 4 bytes, 'i' + 4 bytes, 's' + text NUL
    cmdMidiBinding = 3,  // parameter index (2 bytes), type, channel, controller, note
    cmdMidiBytes = 4,    // raw MIDI bytes, applied one message at a time
    cmdValueText = 5,    // parameter index (2 bytes), then a value text
    cmdRender = 6,       // one block on the message thread
    cmdRenderElsewhere = 7, // one block on another thread
    cmdTimer = 8,        // one timer tick
    cmdNumCommands = 9
};
