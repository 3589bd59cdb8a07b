#include "results/VelvetNoise.h"

#include <algorithm>
#include <random>

void VelvetNoise(float* buf, unsigned int n, int td, std::uint32_t seed)
{
    std::fill(buf, buf + n, 0.0f);
    if (td <= 0 || n == 0) {
        return;
    }
    // The raw engine output is fixed by the standard (distributions are not),
    // so the positions and signs are the same on every platform.
    std::mt19937 engine(seed);
    const unsigned int spacing = static_cast<unsigned int>(td);
    const unsigned int segments = (n + spacing - 1) / spacing;
    for (unsigned int k = 0; k + 1 < segments; ++k) {
        const unsigned int position = k * spacing + static_cast<unsigned int>(engine() % spacing);
        const float sign = engine() % 2 == 1 ? 1.0f : -1.0f;
        buf[position] = sign;
    }
}
