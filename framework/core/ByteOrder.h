#pragma once
// Byte-order swaps of the 32-bit fields of persisted records, done through
// their bits so that a float whose other-order pattern reads as a NaN keeps
// it. Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint32_t swap32 (uint32_t v) noexcept
{
    return ((v & 0x000000ffu) << 24) | ((v & 0x0000ff00u) << 8)
         | ((v & 0x00ff0000u) >> 8) | ((v & 0xff000000u) >> 24);
}

// Swaps one 32-bit field in place.
template <typename T>
void swapField (T& field) noexcept
{
    static_assert (sizeof (T) == 4, "32-bit fields only");
    uint32_t bits;
    std::memcpy (&bits, &field, sizeof bits);
    bits = swap32 (bits);
    std::memcpy (&field, &bits, sizeof bits);
}

// Swaps every element of an array of 32-bit fields in place.
template <typename T, std::size_t n>
void swapFields (T (&fields)[n]) noexcept
{
    for (auto& f : fields)
        swapField (f);
}
