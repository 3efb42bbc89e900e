// FFT tables made on one thread while transforms run on another (the
// message thread initialising a size while the audio thread transforms):
// run under ThreadSanitizer as well.
#include "fftRoutines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace
{
std::vector<float> ramp (int64_t n)
{
    std::vector<float> x (static_cast<size_t> (n));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin (0.013f * static_cast<float> (i * i % 1000));
    return x;
}

bool roundTripHolds (int64_t M)
{
    const auto x = ramp (int64_t (1) << M);
    auto data = x;
    if (! rffts (data.data(), M, 1) || ! riffts (data.data(), M, 1))
        return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::abs (data[i] - x[i]) > 1.0e-4f)
            return false;
    return true;
}

TEST (FftTablesThreads, TransformsOfAReadySizeRunWhileOtherSizesAreMade)
{
    fftFree();
    ASSERT_EQ (fftInit (10), 0);
    std::atomic<bool> done { false };
    std::atomic<int> failures { 0 };
    std::thread audio ([&] {
        while (! done.load())
            if (! roundTripHolds (10))
                ++failures;
    });
    for (int64_t M = 11; M <= 17; ++M)
        EXPECT_EQ (fftInit (M), 0);
    done = true;
    audio.join();
    EXPECT_EQ (failures.load(), 0);
}

TEST (FftTablesThreads, ASizeSeenReadyOnAnotherThreadHasAllItsTables)
{
    fftFree();
    std::atomic<int> failures { 0 };
    std::thread audio ([&] {
        for (int64_t M = 11; M <= 16; ++M)
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (10);
            while (! fftIsReady (M) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            if (! roundTripHolds (M))
                ++failures;
        }
    });
    for (int64_t M = 11; M <= 16; ++M)
        EXPECT_EQ (fftInit (M), 0);
    audio.join();
    EXPECT_EQ (failures.load(), 0);
}
} // namespace
