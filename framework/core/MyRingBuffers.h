#pragma once
// Multichannel float ring with read/write overlaps (short-time framing and
// overlap-add) and an optional auxiliary track.
// Threads: one writer thread (Put, owns writePos) and one reader thread
// (Get, owns readPos); positions are published with release/acquire.
// SetNumChannels, SetSize and Reset only while neither side runs.
//
// Four frames always stay free: a ring of size S holds at most S - 4 frames.
// Put writes min(n, room) frames (min(n, S - 4) with `overwrite`, which may
// overwrite unread frames: only when no reader runs concurrently). With a
// write overlap V the first V frames are added onto the ring and writePos
// advances by m - V; a write with fewer than V frames of room writes nothing
// and returns 0. Get reads min(n, S) frames, or the filled count when that is
// smaller but not 0 (callers test AvailForGet first), then steps back by the
// read overlap (at most the frames read). `newest` starts the read n frames
// before writePos; it is safe concurrently only when the ring holds n frames.
// src/dst hold one pointer per channel, then one for the auxiliary track when
// the ring has one; a null pointer skips that channel. No allocation in
// Put/Get.
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
    // Frames per channel (at least 64); every channel and the auxiliary
    // track are reallocated empty and both positions go to 0. Nothing
    // happens when the size is unchanged.
    void SetSize (unsigned int newSize);
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

private:
    void clearAll() noexcept;
    unsigned int roomFor (uint32_t read, uint32_t write) const noexcept;
};
