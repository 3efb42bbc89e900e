#pragma once
// Counts heap allocations made by the calling thread, so tests can assert
// that an audio path allocates nothing:
//
//     AllocationCounter count;
//     effect.processBlock (buffer, midi);
//     EXPECT_EQ (count.allocations(), 0u);
#include <cstddef>

class AllocationCounter
{
public:
    AllocationCounter() noexcept;
    ~AllocationCounter() noexcept;
    // Allocations made by this thread since construction.
    std::size_t allocations() const noexcept;

private:
    std::size_t start;
    bool wasCounting;
};
