#pragma once
// Velvet noise: a sparse sequence of unit pulses of random sign, one at a
// random position in every segment of td samples (Karjalainen and Jarvelainen,
// "Reverberation modeling using velvet noise", AES 30th Conference, 2007).

#include <cstdint>

// Fills buf with n samples: zeros with one pulse of +1 or -1 in each of the
// first ceil(n / td) - 1 segments of td samples (the last segment stays
// empty). The generator is a Mersenne twister seeded with seed, so the same
// seed always yields the same sequence. td <= 0 leaves buf all zero.
void VelvetNoise(float* buf, unsigned int n, int td, std::uint32_t seed);
