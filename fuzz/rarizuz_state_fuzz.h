#pragma once
// Entry point of the spectral delay's state fuzz target, shared with the
// test that replays its seed corpus (message thread).
#include <cstddef>
#include <cstdint>
#include <string>

// Gives `data` to a RariZuz as a whole-state chunk and as a current-program
// chunk (after restoring its factory state), lets its timer run once and
// renders a few blocks. Returns what went wrong, or the empty text.
std::string rarizuzStateFuzzInput (const uint8_t* data, std::size_t size);
