#pragma once

#include <cstddef>

namespace zelk::test
{
// Counts heap allocations made by the current thread while a scope is alive.
class AllocationCounter
{
public:
    AllocationCounter();
    ~AllocationCounter();

    std::size_t count() const noexcept;

private:
    std::size_t startCount;
};

} // namespace zelk::test
