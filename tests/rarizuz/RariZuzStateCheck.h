#pragma once
// What must hold of a spectral delay after any state chunk, valid or not,
// was given to it: every live value, bar, super-slider cell, preset and
// program name in range and finite. Shared by the state tests and the state
// fuzz target. Message thread.
#include "RariZuz.h"

#include <cmath>
#include <cstring>
#include <string>

namespace rarizuz_check
{
inline bool flagByteOk (const void* flag)
{
    unsigned char b;
    std::memcpy (&b, flag, 1);
    return b <= 1;
}

inline bool in01 (float v) { return std::isfinite (v) && v >= 0.0f && v <= 1.0f; }

inline std::string barProblem (const BarFreq& b)
{
    for (double c : { b.f1, b.d1, b.f2, b.d2 })
        if (! std::isfinite (c) || c < -1.0 || c > 2.0)
            return "bar geometry outside -1..2";
    if (b.f1 > b.f2)
        return "bar ends not ordered";
    if (b.power != 2.0f)
        return "bar warp exponent changed";
    for (float v : { b.amplitude, b.feedback, b.pan, b.width, b.smoothness })
        if (! in01 (v))
            return "bar value outside 0..1";
    if (! std::isfinite (b.ampLinear) || b.ampLinear < 0.0099f || b.ampLinear > 1.0001f)
        return "bar linear amplitude out of range";
    for (float v : b.agitation)
        if (! in01 (v))
            return "bar agitation flag outside 0..1";
    if (! flagByteOk (&b.active) || ! flagByteOk (&b.mute))
        return "bar flag byte not 0 or 1";
    return {};
}

inline std::string presetProblem (const unsigned char* bytes)
{
    RariZuzPreset p;
    std::memcpy (static_cast<void*> (&p), bytes, sizeof p);
    if (p.state != 0 && p.state != 1 && p.state != 3)
        return "preset state " + std::to_string (p.state);
    for (float v : { p.bands, p.gain, p.mix, p.interSpeed })
        if (! in01 (v))
            return "preset value outside 0..1";
    for (float v : p.agitation)
        if (! in01 (v))
            return "preset agitation value outside 0..1";
    for (const auto& b : p.bars)
    {
        const auto problem = barProblem (b);
        if (! problem.empty())
            return "preset " + problem;
    }
    for (const auto& r : p.syncControls)
        if (! flagByteOk (&r.able) || ! flagByteOk (&r.mode) || r.note < 0 || r.note > 21 || r.count < 0 || r.count > 101)
            return "preset sync record out of range";
    return {};
}

// Empty when the engine is sound, else what is wrong.
inline std::string engineProblem (RariZuz& e)
{
    for (int i = 0; i < RariZuz::numParameters; ++i)
        if (! in01 (e.getIndexedParameter (i)))
            return "parameter " + std::to_string (i) + " outside 0..1";
    for (int k = 0; k < 8; ++k)
    {
        const auto problem = barProblem (e.getBar (k));
        if (! problem.empty())
            return "live " + problem;
    }
    for (int c = 0; c < 8; ++c)
    {
        const long s = e.getSuperState (c);
        if (s < -1 || s > 15 || ((c == 0 || c == 7) && s == -1))
            return "super-slider cell " + std::to_string (c) + " holds " + std::to_string (s);
    }
    int states[16] = {};
    e.getPresetStates (states);
    for (int k = 0; k < 16; ++k)
    {
        for (const unsigned char* bytes : { e.getPresetPointer (k), e.getPresetPointerAP (k) })
        {
            const auto problem = presetProblem (bytes);
            if (! problem.empty())
                return "preset " + std::to_string (k + 1) + ": " + problem;
        }
    }
    for (int p = 0; p < e.getNumPrograms(); ++p)
        if (e.getProgramName (p).getNumBytesAsUTF8() > 23)
            return "program name longer than its field";
    if (e.savedEditorWidth.load() < 0 || e.savedEditorWidth.load() > 16384
        || e.savedEditorHeight.load() < 0 || e.savedEditorHeight.load() > 16384)
        return "editor size out of range";
    const int64_t n = e.getFftSize();
    if (n < 256 || n > 131072 || (n & (n - 1)) != 0)
        return "frame size " + std::to_string (n);
    return {};
}
} // namespace rarizuz_check
