#pragma once
// Arithmetic on eight doubles at once, lane by lane, for the code paths that
// run with the widest vector instructions where the processor has them.
// Each function is one IEEE operation per lane (or a fixed sequence of
// them), so that a lane computes exactly what the same expression computes
// on one double. They carry the instruction set in their own attributes:
// a lambda would not get that of its caller.

#if defined(__x86_64__) || defined(__i386__)
#define VELTO_WIDE_LANES 1

// GCC 12's own intrinsics read an undefined vector on purpose, which its
// warnings then report at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

// The instruction set of the wide paths; callers check WideLanesSupported().
#define VELTO_WIDE_TARGET gnu::target("avx512f,avx512dq,avx512vl")
#define VELTO_WIDE [[VELTO_WIDE_TARGET, gnu::always_inline]] inline

inline bool WideLanesSupported()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
}

namespace wide {

VELTO_WIDE __m512d add(__m512d a, __m512d b)
{
    return _mm512_add_pd(a, b);
}

VELTO_WIDE __m512d sub(__m512d a, __m512d b)
{
    return _mm512_sub_pd(a, b);
}

VELTO_WIDE __m512d mul(__m512d a, __m512d b)
{
    return _mm512_mul_pd(a, b);
}

// ax bx + ay by + az bz, summed in that order.
VELTO_WIDE __m512d dot(__m512d ax, __m512d ay, __m512d az, __m512d bx, __m512d by, __m512d bz)
{
    return add(add(mul(ax, bx), mul(ay, by)), mul(az, bz));
}

// Rounded to float and back, as a float result is read as a double.
VELTO_WIDE __m512d AsFloat(__m512d a)
{
    return _mm512_cvtps_pd(_mm512_cvtpd_ps(a));
}

// row[index[l]] in lane l, for a row of sixteen values aligned to 64 bytes.
VELTO_WIDE __m512d Pick(const double* row, __m512i index)
{
    return _mm512_permutex2var_pd(_mm512_load_pd(row), index, _mm512_load_pd(row + 8));
}

} // namespace wide

#endif
