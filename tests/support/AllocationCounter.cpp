// Replaces the global operator new/delete of test executables with thin
// malloc/free wrappers that bump a per-thread counter while counting is on.
#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local std::size_t threadAllocations = 0;
thread_local bool counting = false;

void* allocate (std::size_t n)
{
    if (counting)
        ++threadAllocations;
    if (n == 0)
        n = 1;
    return std::malloc (n);
}

void* allocateAligned (std::size_t n, std::align_val_t al)
{
    if (counting)
        ++threadAllocations;
    auto alignment = static_cast<std::size_t> (al);
    if (alignment < sizeof (void*))
        alignment = sizeof (void*);
    n = (n + alignment - 1) / alignment * alignment;
    if (n == 0)
        n = alignment;
    return std::aligned_alloc (alignment, n);
}
} // namespace

AllocationCounter::AllocationCounter() noexcept
    : start (threadAllocations), wasCounting (counting)
{
    counting = true;
}

AllocationCounter::~AllocationCounter() noexcept { counting = wasCounting; }

std::size_t AllocationCounter::allocations() const noexcept { return threadAllocations - start; }

void* operator new (std::size_t n)
{
    if (void* p = allocate (n))
        return p;
    throw std::bad_alloc();
}
void* operator new[] (std::size_t n) { return operator new (n); }
void* operator new (std::size_t n, const std::nothrow_t&) noexcept { return allocate (n); }
void* operator new[] (std::size_t n, const std::nothrow_t&) noexcept { return allocate (n); }
void* operator new (std::size_t n, std::align_val_t al)
{
    if (void* p = allocateAligned (n, al))
        return p;
    throw std::bad_alloc();
}
void* operator new[] (std::size_t n, std::align_val_t al) { return operator new (n, al); }
void* operator new (std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAligned (n, al); }
void* operator new[] (std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAligned (n, al); }

void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free (p); }
