#pragma once
// In-place real FFT of N = 2^M floats, with process-wide tables.
//
// Layout of a transformed row (N floats):
//   [0]          X_0      (real: the sum of the samples)
//   [1]          X_{N/2}  (real: the Nyquist term)
//   [2k], [2k+1] Re X_k, Im X_k for 1 <= k < N/2
// where X_k = sum_n x_n e^{-2 pi i k n / N}, unnormalised. `riffts` is the
// exact inverse (it carries the 1/N), so riffts(rffts(x)) == x within
// single-precision rounding.
//
// Threads: fftInit/fftFree on the message thread (serialised by a mutex), tables published release/acquire so transforms of a ready size may run on any thread meanwhile; fftFree must not overlap any transform.
#include <cstdint>

// Largest supported log2 size. The system uses at most 17 (N = 131072).
constexpr int64_t kFftMaxLog2Size = 20;

// Makes the tables size M needs. Returns 0 when the size is ready, 1 when M
// is outside 0..kFftMaxLog2Size, 2 when an allocation failed. All or
// nothing: after a failure no table of this call is left behind, and the
// size is not ready.
int fftInit (int64_t M);

// Frees every table; every size becomes unready until its next fftInit.
void fftFree();

// True once fftInit(M) has returned 0 (and fftFree has not run since).
bool fftIsReady (int64_t M);

// Forward transform, in place, of `rows` consecutive rows of N floats each.
// Sizes up to M = 4 need no tables. Returns false (and leaves the data
// untouched) when M is out of range or its tables are not ready. A rows
// count below 1 does nothing.
bool rffts (float* data, int64_t M, int64_t rows);

// Inverse of rffts, in place, same row convention and result.
bool riffts (float* data, int64_t M, int64_t rows);

//==============================================================================
// Instruction-set selection. The best set the CPU supports is chosen on
// first use; tests and benchmarks may switch to compare the sets. Switching
// is not meant to happen while transforms run on other threads.
enum class FftKernelSet
{
    generic, // portable C++ (libm for the per-bin functions)
    sse2,    // x86-64 baseline
    avx2     // AVX2 + FMA, chosen only after a runtime CPU check
};

bool fftKernelSetAvailable (FftKernelSet set);
bool fftSelectKernelSet (FftKernelSet set); // false when unavailable
FftKernelSet fftActiveKernelSet();
const char* fftKernelSetName (FftKernelSet set);

// Test seam: the next `count` table allocations succeed, the one after
// fails; a negative count (the default) never fails.
void fftFailTableAllocationsAfter (int64_t count);
