// Real FFT routines against a double-precision direct DFT, round trips,
// spot checks and the table lifecycle, for every kernel set the CPU has.
#include "AllocationCounter.h"
#include "fftRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace
{
constexpr double kTwoPi = 6.283185307179586476925;

std::vector<float> randomRow (int64_t n, unsigned seed)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> dist (-1.0f, 1.0f);
    std::vector<float> x (static_cast<size_t> (n));
    for (auto& v : x)
        v = dist (rng);
    return x;
}

// cos and sin of 2 pi j / N for j < N, in double precision.
struct UnitCircle
{
    explicit UnitCircle (int64_t N) : cosines (static_cast<size_t> (N)), sines (static_cast<size_t> (N))
    {
        for (int64_t j = 0; j < N; ++j)
        {
            cosines[static_cast<size_t> (j)] = std::cos (kTwoPi * static_cast<double> (j) / static_cast<double> (N));
            sines[static_cast<size_t> (j)] = std::sin (kTwoPi * static_cast<double> (j) / static_cast<double> (N));
        }
    }
    std::vector<double> cosines, sines;
};

// Packed forward spectrum of x, in double precision, by the definition.
// (Raw pointers in the inner loops keep the Debug build fast enough.)
std::vector<double> directDft (const std::vector<float>& x)
{
    const auto N = static_cast<int64_t> (x.size());
    std::vector<double> X (static_cast<size_t> (N));
    if (N == 1)
    {
        X[0] = x[0];
        return X;
    }
    const UnitCircle circle (N);
    const double* c = circle.cosines.data();
    const double* s = circle.sines.data();
    const float* in = x.data();
    const int64_t mask = N - 1;
    for (int64_t k = 0; k <= N / 2; ++k)
    {
        double re = 0.0, im = 0.0;
        for (int64_t n = 0, j = 0; n < N; ++n, j = (j + k) & mask)
        {
            re += in[n] * c[j];
            im -= in[n] * s[j];
        }
        if (k == 0)
            X[0] = re;
        else if (k == N / 2)
            X[1] = re;
        else
        {
            X[static_cast<size_t> (2 * k)] = re;
            X[static_cast<size_t> (2 * k + 1)] = im;
        }
    }
    return X;
}

// Time signal of a packed spectrum, in double precision, by the definition.
std::vector<double> directInverseDft (const std::vector<float>& X)
{
    const auto N = static_cast<int64_t> (X.size());
    if (N == 1)
        return { static_cast<double> (X[0]) };
    const UnitCircle circle (N);
    const double* c = circle.cosines.data();
    const double* s = circle.sines.data();
    const float* in = X.data();
    const int64_t mask = N - 1;
    std::vector<double> x (static_cast<size_t> (N));
    for (int64_t n = 0; n < N; ++n)
    {
        double sum = in[0] + ((n & 1) ? -in[1] : in[1]);
        for (int64_t k = 1, j = n & mask; k < N / 2; ++k, j = (j + n) & mask)
            sum += 2.0 * (in[2 * k] * c[j] - in[2 * k + 1] * s[j]);
        x[static_cast<size_t> (n)] = sum / static_cast<double> (N);
    }
    return x;
}

template <typename A, typename B>
double maxAbsDifference (const A& a, const B& b)
{
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max (worst, std::abs (static_cast<double> (a[i]) - static_cast<double> (b[i])));
    return worst;
}

template <typename A>
double norm (const A& a)
{
    double sum = 0.0;
    for (auto v : a)
        sum += static_cast<double> (v) * static_cast<double> (v);
    return std::sqrt (sum);
}

// Single-precision error bound of a transform of size M, relative to the
// norm of its input: a few ulps per stage.
double tolerance (int64_t M) { return 3.0e-7 * static_cast<double> (M + 2); }

class FftRoutines : public ::testing::TestWithParam<FftKernelSet>
{
protected:
    void SetUp() override
    {
        if (! fftSelectKernelSet (GetParam()))
            GTEST_SKIP() << fftKernelSetName (GetParam()) << " kernels not available on this CPU";
    }

    void TearDown() override
    {
        fftFailTableAllocationsAfter (-1);
        fftSelectKernelSet (fftKernelSetAvailable (FftKernelSet::avx2) ? FftKernelSet::avx2 : FftKernelSet::sse2);
    }
};

TEST_P (FftRoutines, ForwardAndInverseMatchTheDirectDftForEverySizeUpTo8192)
{
    for (int64_t M = 0; M <= 13; ++M)
    {
        SCOPED_TRACE ("M = " + std::to_string (M));
        ASSERT_EQ (fftInit (M), 0);
        const int64_t N = int64_t (1) << M;

        const auto x = randomRow (N, static_cast<unsigned> (M));
        const auto expected = directDft (x);
        auto data = x;
        ASSERT_TRUE (rffts (data.data(), M, 1));
        EXPECT_LE (maxAbsDifference (data, expected), tolerance (M) * norm (x));

        const auto spectrum = randomRow (N, static_cast<unsigned> (100 + M));
        const auto expectedSignal = directInverseDft (spectrum);
        data = spectrum;
        ASSERT_TRUE (riffts (data.data(), M, 1));
        EXPECT_LE (maxAbsDifference (data, expectedSignal), tolerance (M) * norm (expectedSignal) + 1.0e-7);
    }
}

TEST_P (FftRoutines, RoundTripRestoresEveryRowIndependentlyUpTo131072)
{
    constexpr int64_t rows = 3;
    for (int64_t M = 0; M <= 17; ++M)
    {
        SCOPED_TRACE ("M = " + std::to_string (M));
        ASSERT_EQ (fftInit (M), 0);
        const int64_t N = int64_t (1) << M;
        const auto x = randomRow (rows * N, static_cast<unsigned> (M + 7));
        auto data = x;

        ASSERT_TRUE (rffts (data.data(), M, rows));
        // Each row was transformed on its own.
        for (int64_t r = 0; r < rows; ++r)
        {
            std::vector<float> row (x.begin() + r * N, x.begin() + (r + 1) * N);
            ASSERT_TRUE (rffts (row.data(), M, 1));
            EXPECT_EQ (0, std::memcmp (row.data(), data.data() + r * N, sizeof (float) * static_cast<size_t> (N)));
        }

        ASSERT_TRUE (riffts (data.data(), M, rows));
        for (int64_t r = 0; r < rows; ++r)
        {
            const std::vector<float> in (x.begin() + r * N, x.begin() + (r + 1) * N);
            const std::vector<float> out (data.begin() + r * N, data.begin() + (r + 1) * N);
            EXPECT_LE (maxAbsDifference (out, in), 2.0 * tolerance (M) * norm (in) / std::sqrt (static_cast<double> (N)) + 1.0e-7);
        }
    }
}

TEST_P (FftRoutines, ConstantImpulseAndCosineGiveTheirExactSpectra)
{
    for (int64_t M : { 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13 })
    {
        SCOPED_TRACE ("M = " + std::to_string (M));
        ASSERT_EQ (fftInit (M), 0);
        const int64_t N = int64_t (1) << M;
        const double tol = tolerance (M) * static_cast<double> (N);

        std::vector<float> data (static_cast<size_t> (N), 1.0f);
        ASSERT_TRUE (rffts (data.data(), M, 1));
        EXPECT_NEAR (data[0], static_cast<double> (N), tol);
        for (int64_t i = 1; i < N; ++i)
            EXPECT_NEAR (data[static_cast<size_t> (i)], 0.0, tol) << "index " << i;

        std::fill (data.begin(), data.end(), 0.0f);
        data[0] = 1.0f;
        ASSERT_TRUE (rffts (data.data(), M, 1));
        for (int64_t i = 0; i < N; ++i)
            EXPECT_NEAR (data[static_cast<size_t> (i)], (i < 2 || i % 2 == 0) ? 1.0 : 0.0, 1.0e-6) << "index " << i;

        for (int64_t k : { int64_t (1), N / 4 + 1, N / 2 - 1 })
        {
            if (k < 1 || k >= N / 2)
                continue;
            for (int64_t n = 0; n < N; ++n)
                data[static_cast<size_t> (n)] = static_cast<float> (std::cos (kTwoPi * static_cast<double> (k * n) / static_cast<double> (N)));
            ASSERT_TRUE (rffts (data.data(), M, 1));
            for (int64_t i = 0; i < N; ++i)
                EXPECT_NEAR (data[static_cast<size_t> (i)], i == 2 * k ? static_cast<double> (N) / 2.0 : 0.0, tol)
                    << "cosine of " << k << " cycles, index " << i;
        }
    }
}

TEST_P (FftRoutines, InitRefusesSizesOutOfRangeAndReusesReadyTables)
{
    EXPECT_EQ (fftInit (-1), 1);
    EXPECT_EQ (fftInit (64), 1);
    EXPECT_EQ (fftInit (kFftMaxLog2Size + 1), 1);
    EXPECT_FALSE (fftIsReady (kFftMaxLog2Size + 1));

    ASSERT_EQ (fftInit (10), 0);
    {
        AllocationCounter count;
        EXPECT_EQ (fftInit (10), 0);
        EXPECT_EQ (count.allocations(), 0u);
    }

    // Transforms of sizes out of range do nothing and say so.
    std::vector<float> data (4, 1.0f);
    EXPECT_FALSE (rffts (data.data(), -1, 1));
    EXPECT_FALSE (riffts (data.data(), 64, 1));
    EXPECT_EQ (data, std::vector<float> (4, 1.0f));

    // No rows: nothing to do.
    EXPECT_TRUE (rffts (data.data(), 2, 0));
    EXPECT_EQ (data, std::vector<float> (4, 1.0f));
}

TEST_P (FftRoutines, FreeEmptiesEveryTableAndInitRebuildsThem)
{
    for (int64_t M : { 4, 10, 13, 17 })
        ASSERT_EQ (fftInit (M), 0);
    fftFree();
    for (int64_t M = 0; M <= kFftMaxLog2Size; ++M)
        EXPECT_FALSE (fftIsReady (M)) << M;

    // A size whose tables are gone is refused and the data stays as it was.
    const auto x = randomRow (1024, 3);
    auto data = x;
    EXPECT_FALSE (rffts (data.data(), 10, 1));
    EXPECT_FALSE (riffts (data.data(), 10, 1));
    EXPECT_EQ (data, x);

    // The closed forms need no tables.
    std::vector<float> small { 1.0f, 2.0f, 3.0f, 4.0f };
    EXPECT_TRUE (rffts (small.data(), 2, 1));
    EXPECT_EQ (small, (std::vector<float> { 10.0f, -2.0f, -2.0f, 2.0f }));

    ASSERT_EQ (fftInit (10), 0);
    ASSERT_TRUE (rffts (data.data(), 10, 1));
    EXPECT_LE (maxAbsDifference (data, directDft (x)), tolerance (10) * norm (x));
}

TEST_P (FftRoutines, FailedTableAllocationLeavesTheSizeUnready)
{
    fftFree();
    // Size 17 needs a cosine table, a bit-reverse table and five twiddle
    // tables: let each of the seven allocations fail in turn.
    for (int64_t succeeding = 0; succeeding < 7; ++succeeding)
    {
        SCOPED_TRACE ("allocations before the failure: " + std::to_string (succeeding));
        fftFailTableAllocationsAfter (succeeding);
        EXPECT_EQ (fftInit (17), 2);
        EXPECT_FALSE (fftIsReady (17));
        std::vector<float> data (1 << 17, 1.0f);
        EXPECT_FALSE (rffts (data.data(), 17, 1));
    }
    fftFailTableAllocationsAfter (-1);

    // A smaller size sharing some of the tables, then the big one.
    ASSERT_EQ (fftInit (14), 0);
    ASSERT_EQ (fftInit (17), 0);
    const auto x = randomRow (1 << 17, 5);
    auto data = x;
    ASSERT_TRUE (rffts (data.data(), 17, 1));
    ASSERT_TRUE (riffts (data.data(), 17, 1));
    EXPECT_LE (maxAbsDifference (data, x), 1.0e-5);
}

INSTANTIATE_TEST_SUITE_P (KernelSets,
                          FftRoutines,
                          ::testing::Values (FftKernelSet::generic, FftKernelSet::sse2, FftKernelSet::avx2),
                          [] (const auto& info) { return std::string (fftKernelSetName (info.param)); });
} // namespace
