#include "engine/VectorWidth.h"

namespace zelk::vectors
{
int width() noexcept
{
    const auto allowed = widestAllowed.load();
#if ZELK_VECTOR_TARGETS
    __builtin_cpu_init();

    if (allowed >= 8 && __builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512dq")
        && __builtin_cpu_supports ("avx512vl"))
        return 8;

    if (allowed >= 4 && __builtin_cpu_supports ("avx2"))
        return 4;
#endif
    return 2;
}
} // namespace zelk::vectors
