#pragma once
// Multichannel float ring with read/write overlaps (short-time framing and
// overlap-add) and an optional auxiliary track.
// Threads: one writer thread (Put, owns writePos) and one reader thread
// (Get, owns readPos); positions are published with release/acquire.
// SetNumChannels and Reset only while neither side runs.
#include <atomic>
#include <cstdint>

class MyRingBuffers
{
public:
    static constexpr unsigned int maxChannels = 65;

    MyRingBuffers (unsigned int size, bool withAux);
    ~MyRingBuffers();
    MyRingBuffers (const MyRingBuffers&) = delete;
    MyRingBuffers& operator= (const MyRingBuffers&) = delete;

    void SetNumChannels (unsigned int n);
    void Reset (unsigned int read, unsigned int write);

    unsigned int AvailForPut() const noexcept;
    unsigned int AvailForGet() const noexcept;

    unsigned int Put (float** src, unsigned int n, bool overwrite);
    unsigned int Put (float x, unsigned int n);
    unsigned int Get (float** dst, unsigned int n, bool newest);

    unsigned int getSize() const noexcept { return size; }
    unsigned int getNumChannels() const noexcept { return numChannels; }
    bool hasAux() const noexcept { return aux != nullptr; }

    std::atomic<uint32_t> readPos { 0 };
    std::atomic<uint32_t> writePos { 0 };
    uint32_t size = 64;
    uint32_t numChannels = 0;
    uint32_t readOverlap = 0;  // set by the owner
    uint32_t writeOverlap = 0; // set by the owner
    float* buffers[maxChannels] = {};
    float* aux = nullptr;
};
