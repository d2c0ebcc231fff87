#include "tests/helpers/AllocationCounter.h"

#include <cstdlib>
#include <new>

// The test executable replaces the global allocator so that a test can prove a code path never
// allocates. Only the counting thread's allocations are counted.
namespace
{
thread_local std::size_t allocations = 0;
thread_local int counting = 0;

void* allocate (std::size_t size)
{
    if (counting > 0)
        ++allocations;

    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (counting > 0)
        ++allocations;

    const auto a = static_cast<std::size_t> (alignment);
    const auto rounded = (size + a - 1) / a * a;

#ifdef _WIN32
    // Windows' C library has no aligned_alloc; its aligned blocks go back through _aligned_free.
    if (void* p = _aligned_malloc (rounded == 0 ? a : rounded, a))
#else
    if (void* p = std::aligned_alloc (a, rounded == 0 ? a : rounded))
#endif
        return p;

    throw std::bad_alloc();
}

void freeAligned (void* p) noexcept
{
#ifdef _WIN32
    _aligned_free (p);
#else
    std::free (p);
#endif
}
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { freeAligned (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { freeAligned (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { freeAligned (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { freeAligned (p); }

namespace zelk::test
{
AllocationCounter::AllocationCounter() : startCount (allocations) { ++counting; }
AllocationCounter::~AllocationCounter() { --counting; }
std::size_t AllocationCounter::count() const noexcept { return allocations - startCount; }
} // namespace zelk::test
