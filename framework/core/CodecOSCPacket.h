#pragma once
// Structural check of a received OSC 1.0 packet before JUCE's OSC parser may
// see it. JUCE's parser trusts its input (strings that are not UTF-8 overrun
// their buffers, blob sizes are not checked, bundles nest without limit), so
// only packets that are exactly well formed reach it: strings of ASCII bytes
// with their NUL and zero padding, a type tag string of the supported types
// (i f s b r), blobs inside the packet, bundle elements whose sizes match
// their content, at most maxOscBundleDepth levels of bundles, and nothing
// left over.
// Threads: any (a pure function).
#include <cstddef>

inline constexpr int maxOscBundleDepth = 4;

bool isWellFormedOscPacket (const void* data, std::size_t size) noexcept;
