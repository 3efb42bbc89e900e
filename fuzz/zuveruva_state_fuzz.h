#pragma once
// Entry point of the crunch effect's state fuzz target, shared with the
// test that replays its seed corpus (message thread).
#include <cstddef>
#include <cstdint>
#include <string>

// Gives `data` to a Zuveruva as a whole-state chunk and as a current-program
// chunk (after restoring its factory state), runs its timer, recalls a preset
// and mixes with the super slider on what was loaded, and renders a few
// blocks. Returns what went wrong, or the empty text.
std::string zuveruvaStateFuzzInput (const uint8_t* data, std::size_t size);
