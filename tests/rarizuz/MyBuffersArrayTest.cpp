// The delay line's ring: every frame zeroed and usable after init, at heap
// sizes and at the mapped sizes of real delay lines, across re-inits; a
// mapped ring starts on a large-page boundary (what keeps the bars' scattered
// reads of past frames clear of address-translation misses).
#include "MyBuffersArray.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST (MyBuffersArray, EveryFrameIsZeroedAndUsableAcrossReinits)
{
    struct Size
    {
        uint64_t count, length;
        bool mapped;
    };
    // Small (heap), just over a mebibyte, and ten seconds of 2048-point
    // spectra at 48 kHz (several large pages and a partial one).
    const Size sizes[] = { { 8, 66, false }, { 260, 1026, true }, { 938, 2050, true }, { 3, 10, false } };

    MyBuffersArray<float> ring;
    for (const auto& size : sizes)
    {
        SCOPED_TRACE (testing::Message() << size.count << " x " << size.length);
        ring.init (size.count, size.length);
        ASSERT_EQ (ring.getCount(), size.count);
        ASSERT_EQ (ring.getLength(), size.length);
        if (size.mapped)
        {
            EXPECT_EQ (reinterpret_cast<std::uintptr_t> (ring.getBuffer (0)) % (std::uintptr_t (2) << 20), 0u);
        }

        // Zeroed though the ring before held other values.
        uint64_t nonZero = 0;
        for (uint64_t f = 0; f < size.count; ++f)
            for (uint64_t i = 0; i < size.length; ++i)
                nonZero += ring.getBuffer (f)[i] != 0.0f;
        EXPECT_EQ (nonZero, 0u);

        for (uint64_t f = 0; f < size.count; ++f)
            for (uint64_t i = 0; i < size.length; ++i)
                ring.getBuffer (f)[i] = (float) (f * 7 + i);
        uint64_t wrong = 0;
        for (uint64_t f = 0; f < size.count; ++f)
            for (uint64_t i = 0; i < size.length; ++i)
                wrong += ring.getBuffer (f)[i] != (float) (f * 7 + i);
        EXPECT_EQ (wrong, 0u);
    }
    ring.release();
    EXPECT_EQ (ring.getCount(), 0u);
}
