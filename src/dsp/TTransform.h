#pragma once
// Small in-place radix-2 FFT on TComplex values, used for frequency-response
// plots. Longer convolutions go through FFTW (FftwPlan).

#include "dsp/TComplex.h"

// Transforms the n = 2^m values of x in place: mode 0 forward,
// X[k] = (1/fs) sum_i x[i] exp(-j 2 pi i k / n); any other mode inverse,
// x[i] = (fs/n) sum_k X[k] exp(+j 2 pi i k / n), so that forward then inverse
// restores x. fs is the sampling rate in Hz (the forward result then
// approximates the continuous spectrum). A length that is not a power of two
// is fatal (exit code 1).
void TransformFFT(int n, int mode, double fs, TComplex* x);

// Builds the twiddle factors for length 2^m (0 <= m <= 30) unless they exist;
// they stay for the rest of the run. Safe to call from several threads at once.
void TransformTwiddleCreate(int m);
