#pragma once
// Program and preset records of the spectral delay. Their in-memory layout
// is the byte layout of the saved state (program record 57096 bytes, preset
// record 3352 bytes, bars 112 bytes each, host order in memory).
//
// Thread contract: plain data; the engine guards its records with its edit
// lock (writers: message and agitator threads; the audio thread only when
// rendering offline).
#include "BarFreq.h"
#include "MyEffect.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

// The nine agitation values of programs and presets, in record order.
enum RariZuzAgitationValue
{
    agitation1Ampl = 0,  // parameter 90
    agitation1Speed,     // 91
    agitationOnOff,      // 92
    agitation2Ampl,      // 159
    agitation3Ampl,      // 160
    agitationGain,       // 93, Gain Agit
    agitationMix,        // 94, Mix Agit
    agitation2Speed,     // 161
    agitation3Speed,     // 162
    numAgitationValues
};

constexpr int kRariZuzNumBars = 8;
constexpr int kRariZuzNumPresets = 16;
constexpr int kRariZuzNumPrograms = 5;
constexpr int kRariZuzSyncRecords = 200;

struct RariZuzPreset
{
    RariZuzPreset() noexcept;

    // Makes a record read from bytes (state chunk, preset paste) safe to use:
    // state 0, 1 or 3, values finite in 0..1, bars sanitised, sync records
    // with 0/1 flags and counts and notes in range. A valid record is unchanged.
    void sanitise() noexcept;

    int32_t state = 0;   // 0 factory or reset, 1 stored, 3 looping (presets 15 and 16)
    float bands = 0.0f;  // parameter 4
    float gain = 0.0f;   // parameter 5
    float mix = 0.0f;    // parameter 6
    BarFreq bars[kRariZuzNumBars];
    float interSpeed = 0.0f;                    // parameter 2
    float agitation[numAgitationValues] = {};   // RariZuzAgitationValue order
    SyncControl syncControls[kRariZuzSyncRecords];
};

struct RariZuzProgram
{
    // Factory values of a program (its presets still to be initialised).
    RariZuzProgram() noexcept;

    // Byte order of the saved state: big-endian fields swapped in place
    // (SwapToHost recognises a record already in host order by its editor
    // width and leaves it alone).
    void SwapToBig() noexcept;
    void SwapToHost() noexcept;
    // As RariZuzPreset::sanitise, for the program and its presets; also the
    // name terminated, the super-slider cells repaired and the editor size
    // limited.
    void sanitise() noexcept;

    int32_t reserved = 1;
    float superSlider = 0.0f;   // parameter 1
    float interSpeed = 0.0f;    // 2
    float bands = 0.0f;         // 4
    float mix = 0.0f;           // 6
    float gain = 0.0f;          // 5
    bool loadSpeed = false;     // 3
    uint8_t reserved2[3] = {};
    float agitation[numAgitationValues] = {};
    BarFreq bars[kRariZuzNumBars];
    uint8_t reserved3[40] = {};
    int32_t superConfig[8] = {};  // preset number per super-slider cell, -1 empty
    SyncControl syncControls[kRariZuzSyncRecords];
    RariZuzPreset presets[kRariZuzNumPresets];
    char name[24] = {};
    int32_t editorWidth = 0;
    int32_t editorHeight = 0;
};

static_assert (sizeof (RariZuzPreset) == 3352, "preset record size");
static_assert (offsetof (RariZuzPreset, bars) == 16, "preset record layout");
static_assert (offsetof (RariZuzPreset, interSpeed) == 912, "preset record layout");
static_assert (offsetof (RariZuzPreset, agitation) == 916, "preset record layout");
static_assert (offsetof (RariZuzPreset, syncControls) == 952, "preset record layout");
static_assert (sizeof (RariZuzProgram) == 57096, "program record size");
static_assert (offsetof (RariZuzProgram, loadSpeed) == 24, "program record layout");
static_assert (offsetof (RariZuzProgram, agitation) == 28, "program record layout");
static_assert (offsetof (RariZuzProgram, bars) == 64, "program record layout");
static_assert (offsetof (RariZuzProgram, superConfig) == 1000, "program record layout");
static_assert (offsetof (RariZuzProgram, syncControls) == 1032, "program record layout");
static_assert (offsetof (RariZuzProgram, presets) == 3432, "program record layout");
static_assert (offsetof (RariZuzProgram, name) == 57064, "program record layout");
static_assert (offsetof (RariZuzProgram, editorWidth) == 57088, "program record layout");
static_assert (std::is_trivially_copyable<RariZuzProgram>::value, "copied as bytes");
static_assert (std::is_standard_layout<RariZuzProgram>::value, "stored record");
