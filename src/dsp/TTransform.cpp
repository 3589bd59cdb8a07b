#include "dsp/TTransform.h"

#include <array>
#include <cmath>
#include <mutex>
#include <new>
#include <numbers>
#include <utility>
#include <vector>

#include "util/ErrorMessage.h"

namespace {

constexpr int kMaxLog2 = 30;

// Twiddles W^k = exp(-j 2 pi k / 2^m) for k < 2^m / 2, the only ones the
// decimation-in-frequency butterflies read; the inverse transform uses their
// conjugates. Each table is written once under its once_flag and only read
// afterwards.
struct TwiddleTables {
    std::array<std::once_flag, kMaxLog2 + 1> created;
    std::array<std::vector<TComplex>, kMaxLog2 + 1> forward;
};

TwiddleTables& Tables()
{
    static TwiddleTables tables;
    return tables;
}

int Log2OfPowerOfTwo(int n)
{
    if (n < 1 || (n & (n - 1)) != 0) {
        return -1;
    }
    int m = 0;
    while ((1 << m) < n) {
        ++m;
    }
    return m;
}

} // namespace

void TransformTwiddleCreate(int m)
{
    if (m < 0 || m > kMaxLog2) {
        Fatal(1, "TransformTwiddleCreate :  Cannot alocate memory for twiddle[%d]", m);
    }
    TwiddleTables& tables = Tables();
    std::call_once(tables.created[m], [&tables, m] {
        const std::size_t n = std::size_t{1} << m;
        std::vector<TComplex> w;
        try {
            w.resize(n / 2);
        } catch (const std::bad_alloc&) {
            Fatal(1, "TransformTwiddleCreate :  Cannot alocate memory for twiddle[%d]", m);
        }
        // Each factor from its own angle: no error builds up along the table.
        for (std::size_t k = 0; k < w.size(); ++k) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
            w[k] = {std::cos(angle), std::sin(angle)};
        }
        tables.forward[m] = std::move(w);
    });
}

void TransformFFT(int n, int mode, double fs, TComplex* x)
{
    const int m = Log2OfPowerOfTwo(n);
    if (m < 0) {
        Fatal(1, "TransformFFT : length %d is not a power of two", n);
    }
    TransformTwiddleCreate(m);
    const std::vector<TComplex>& twiddle = Tables().forward[m];
    const bool inverse = mode != 0;

    // Decimation in frequency (Gentleman-Sande): spans n, n/2, ..., 2.
    for (int span = n; span >= 2; span /= 2) {
        const int half = span / 2;
        const int stride = n / span;
        for (int start = 0; start < n; start += span) {
            TComplex* lo = x + start;
            TComplex* hi = lo + half;
            const TComplex a0 = lo[0], b0 = hi[0];
            lo[0] = a0 + b0;
            hi[0] = a0 - b0;
            for (int t = 1; t < half; ++t) {
                const TComplex w = inverse ? Conj(twiddle[t * stride]) : twiddle[t * stride];
                const TComplex a = lo[t], b = hi[t];
                lo[t] = a + b;
                hi[t] = (a - b) * w;
            }
        }
    }

    // Bit-reversal permutation puts the outputs in natural order.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }

    const double scale = inverse ? fs / n : 1.0 / fs;
    for (int i = 0; i < n; ++i) {
        x[i] = x[i] * scale;
    }
}
