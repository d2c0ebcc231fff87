#pragma once

#include <atomic>

// The widest vectors the engine's per-sample loops may use, chosen at run time because the plug-in
// must run on any x86-64: eight doubles with AVX-512, four with AVX2, else the two of SSE2. The
// files that use the wider targets are compiled without contraction into fused multiply-adds, so
// every width gives the same bits.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    #define ZELK_VECTOR_TARGETS 1
    #define ZELK_AVX2_TARGET __attribute__ ((target ("avx2")))
    #if defined(__clang__)
        #define ZELK_AVX512_TARGET __attribute__ ((target ("avx512f,avx512dq,avx512vl"), min_vector_width (512)))
    #else
        #define ZELK_AVX512_TARGET __attribute__ ((target ("avx512f,avx512dq,avx512vl,prefer-vector-width=512")))
    #endif
#else
    #define ZELK_VECTOR_TARGETS 0
    #define ZELK_AVX2_TARGET
    #define ZELK_AVX512_TARGET
#endif

namespace zelk::vectors
{
// The most doubles to a vector that engine parts made after this is set may use: 8, 4 or 2, or 1
// for the plain scalar code of the parts that keep one. For testing that every width computes the
// same.
inline std::atomic<int> widestAllowed { 8 };

// Doubles to a vector for an engine part made now: what the processor has, within widestAllowed.
int width() noexcept;
} // namespace zelk::vectors
