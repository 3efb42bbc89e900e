#include "CodecOSCPacket.h"

#include <cstdint>

namespace
{
struct Reader
{
    const uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;

    std::size_t remaining() const noexcept { return size - pos; }

    // An OSC string: ASCII bytes, a NUL, zeros up to a multiple of 4.
    bool string() noexcept
    {
        std::size_t i = pos;
        while (i < size && data[i] != 0)
        {
            if (data[i] >= 0x80)
                return false;
            ++i;
        }
        if (i >= size)
            return false;
        return padding (i + 1);
    }

    // Zeros from `from` up to the next multiple of 4 (pos is always a
    // multiple of 4, the packet starting at one); pos moves past them.
    bool padding (std::size_t from) noexcept
    {
        const std::size_t end = (from + 3) & ~std::size_t (3);
        if (end > size)
            return false;
        for (std::size_t k = from; k < end; ++k)
            if (data[k] != 0)
                return false;
        pos = end;
        return true;
    }

    bool skip (std::size_t n) noexcept
    {
        if (remaining() < n)
            return false;
        pos += n;
        return true;
    }

    bool int32 (int32_t& v) noexcept
    {
        if (remaining() < 4)
            return false;
        const uint32_t u = (uint32_t (data[pos]) << 24) | (uint32_t (data[pos + 1]) << 16)
                         | (uint32_t (data[pos + 2]) << 8) | uint32_t (data[pos + 3]);
        v = (int32_t) u;
        pos += 4;
        return true;
    }
};

bool isWellFormedElement (const uint8_t* data, std::size_t size, int depth) noexcept;

bool isWellFormedMessage (const uint8_t* data, std::size_t size) noexcept
{
    Reader r { data, size };
    if (! r.string())  // address pattern; JUCE checks its characters
        return false;

    if (r.remaining() < 4 || data[r.pos] != ',')
        return false;
    const std::size_t tagsBegin = r.pos + 1;
    if (! r.string())
        return false;

    for (std::size_t t = tagsBegin; data[t] != 0; ++t)
    {
        switch (data[t])
        {
            case 'i':
            case 'f':
            case 'r':
                if (! r.skip (4))
                    return false;
                break;

            case 's':
                if (! r.string())
                    return false;
                break;

            case 'b':
            {
                int32_t n = 0;
                if (! r.int32 (n) || n < 0 || (std::size_t) n > r.remaining())
                    return false;
                if (! r.padding (r.pos + (std::size_t) n))
                    return false;
                break;
            }

            default:
                return false;
        }
    }
    return r.remaining() == 0;
}

bool isWellFormedBundle (const uint8_t* data, std::size_t size, int depth) noexcept
{
    static const uint8_t head[8] = { '#', 'b', 'u', 'n', 'd', 'l', 'e', 0 };
    if (depth >= maxOscBundleDepth || size < 16)
        return false;
    for (int k = 0; k < 8; ++k)
        if (data[k] != head[k])
            return false;

    Reader r { data, size, 16 };  // after "#bundle" and the time tag
    while (r.remaining() > 0)
    {
        int32_t n = 0;
        if (! r.int32 (n) || n < 8 || (n & 3) != 0 || (std::size_t) n > r.remaining())
            return false;
        if (! isWellFormedElement (data + r.pos, (std::size_t) n, depth + 1))
            return false;
        r.pos += (std::size_t) n;
    }
    return true;
}

bool isWellFormedElement (const uint8_t* data, std::size_t size, int depth) noexcept
{
    if (size < 4 || (size & 3) != 0)
        return false;
    if (data[0] == '/')
        return isWellFormedMessage (data, size);
    if (data[0] == '#')
        return isWellFormedBundle (data, size, depth);
    return false;
}
} // namespace

bool isWellFormedOscPacket (const void* data, std::size_t size) noexcept
{
    return data != nullptr && isWellFormedElement (static_cast<const uint8_t*> (data), size, 0);
}
