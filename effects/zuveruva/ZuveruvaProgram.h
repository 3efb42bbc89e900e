#pragma once
// The crunch effect's persisted records: one preset (992 bytes) and one
// program (17192 bytes, with its 16 presets). The in-memory layout is the
// byte layout of the state chunk (before the byte swap to big-endian).
// All floats are normalised parameter values 0..1.
//
// Threads: plain records; the engine owns them and guards them with its
// record lock (see Zuveruva.h).
#include "MyEffect.h"

#include <cstddef>
#include <cstdint>

struct ZuveruvaPreset
{
    int32_t state;          // 1 stored, 2 default, 3 marked for continuous random recall
    float bands;            // 4
    float gain;             // 8
    float mix;              // 7
    float balance;          // 9
    float auxGain;          // 12
    float auxDepth;         // 13
    float auxOn;            // 11, kept but never applied by a recall
    float frequency;        // 6
    float amplitude;        // 5
    float interSpeed;       // 2, applied by a recall only with LoadSpeed on
    float loop;             // 17
    float loopBegin;        // 18
    float loopEnd;          // 19
    float sync;             // 36
    float agitationAmpl234[3];  // 30, 31, 32
    float agitationSpeed234[3]; // 33, 34, 35
    uint8_t reserved1[36];
    float agitationAmpl1;   // 20
    float agitationSpeed1;  // 21
    float agitationSwitch;  // 22
    float agitationIds[7];  // 23..29
    uint8_t reserved2[64];
    SyncControl syncTable[64]; // records 0..36 belong to parameters 0..36

    // Byte-reverses the big-endian fields: state, the floats and sync
    // records 0..36 (count and note). Its own inverse.
    void swapFields() noexcept;
    // Repairs a record read from bytes: an unknown state becomes 0 (not
    // stored), every float finite and in 0..1 (else its reset value), sync
    // records with flags 0 or 1 and count and note inside their tables.
    void sanitise() noexcept;
};
static_assert (sizeof (ZuveruvaPreset) == 992, "ZuveruvaPreset is 992 bytes");
static_assert (offsetof (ZuveruvaPreset, frequency) == 32, "ZuveruvaPreset layout");
static_assert (offsetof (ZuveruvaPreset, agitationAmpl234) == 60, "ZuveruvaPreset layout");
static_assert (offsetof (ZuveruvaPreset, reserved1) == 84, "ZuveruvaPreset layout");
static_assert (offsetof (ZuveruvaPreset, agitationAmpl1) == 120, "ZuveruvaPreset layout");
static_assert (offsetof (ZuveruvaPreset, agitationIds) == 132, "ZuveruvaPreset layout");
static_assert (offsetof (ZuveruvaPreset, syncTable) == 224, "ZuveruvaPreset layout");

struct ZuveruvaProgram
{
    int32_t marker;         // 1 in a new record
    float superSlider;      // 1
    float interSpeed;       // 2
    float bands;            // 4
    float gain;             // 8
    float mix;              // 7
    float balance;          // 9
    float auxGain;          // 12
    float auxDepth;         // 13
    float auxOn;            // 11
    uint8_t loadSpeed;      // 3, 0 or 1
    uint8_t reserved0[3];
    float frequency;        // 6
    float amplitude;        // 5
    float loop;             // 17
    float loopBegin;        // 18
    float loopEnd;          // 19
    float sync;             // 36
    float agitationAmpl234[3];  // 30, 31, 32
    float agitationSpeed234[3]; // 33, 34, 35
    uint8_t reserved1[36];
    float agitationAmpl1;   // 20
    float agitationSpeed1;  // 21
    float agitationSwitch;  // 22
    float agitationIds[7];  // 23..29
    uint8_t reserved2[64];
    int32_t superCells[8];  // preset number of each super-slider cell, -1 empty
    SyncControl syncTable[64];
    ZuveruvaPreset presets[16];
    char name[24];          // UTF-8, NUL-terminated
    char auxPath[256];      // UTF-8, NUL-terminated
    int32_t editorWidth;
    int32_t editorHeight;

    // The initial values of a new program; its presets are left for
    // InitPreset (their state and values are zero here).
    ZuveruvaProgram() noexcept;

    // To the chunk's byte order: every big-endian field of the program and
    // of its 16 presets reversed.
    void SwapToBig() noexcept;
    // From the chunk's byte order. A record whose editor width reads 1..9999
    // in host order is taken as already in host order and left alone; the
    // cell map and the sync records decide by their own value ranges.
    void SwapToHost() noexcept;
    // Repairs a record read from bytes: floats finite and in 0..1, LoadSpeed
    // 0 or 1, the cell map with entries -1..15 and cells 0 and 7 occupied,
    // sync records repaired, name and path terminated (invalid UTF-8 bytes
    // become '?'), editor size 0..16384, and every preset repaired. A stored
    // "Load File" Aux On is kept: applying the program keeps the source in
    // force instead.
    void sanitise() noexcept;
    // A record of version 102 lacks the agitation groups 2 to 4: their values
    // are cleared and their sync records set to their defaults.
    void migrateFrom102() noexcept;
};
static_assert (sizeof (ZuveruvaProgram) == 17192, "ZuveruvaProgram is 17192 bytes");
static_assert (offsetof (ZuveruvaProgram, loadSpeed) == 40, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, frequency) == 44, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, agitationAmpl234) == 68, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, agitationAmpl1) == 128, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, agitationIds) == 140, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, superCells) == 232, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, syncTable) == 264, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, presets) == 1032, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, name) == 16904, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, auxPath) == 16928, "ZuveruvaProgram layout");
static_assert (offsetof (ZuveruvaProgram, editorWidth) == 17184, "ZuveruvaProgram layout");
