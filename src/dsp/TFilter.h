#pragma once
// Linear-phase FIR octave filters and exact linear convolution.
//
// Frequencies given to the design functions are normalised to half the
// sampling rate (1.0 = Nyquist). Filters are float taps; all transforms run
// in double precision through FFTW.

#include <array>
#include <cstddef>

// The six breakpoints (frequency, magnitude) of the octave band-pass with
// normalised centre fc for an n-tap design: pass band between the octave
// edges fc/sqrt(2) and fc*sqrt(2), transition bands of relative width
// 1/(n-1). When the upper stop edge reaches Nyquist, the two upper edges are
// compressed towards the lower pass edge so that the stop edge lands at 0.99;
// the last breakpoint stays at 1. n >= 2.
struct TOctaveBandEdges {
    std::array<float, 6> F{};
    std::array<float, 6> M{0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
};
TOctaveBandEdges OctaveBandEdges(unsigned int N, float fc);

// Designs an N-tap linear-phase octave band-pass with normalised centre fc
// into h, by fir2 on OctaveBandEdges. A band whose lower pass edge is at or
// above 0.99 (nothing of it below Nyquist) and N == 1 give zero taps.
// Taps of the octave band filter for band fc (a fraction of the Nyquist
// frequency): at least baseLength, and enough for the band's lower edge to
// lie kOctaveFilterPeriods periods within the filter, so that the low bands
// are as sharply separated as the others (the base length is doubled, plus
// one, until it is). Always odd when baseLength is.
constexpr double kOctaveFilterPeriods = 8.0;
constexpr unsigned int kMaxOctaveFilterLength = 1u << 20;
unsigned int OctaveFilterLength(unsigned int baseLength, float fc);

void OctaveBandDesign(float* h, unsigned int N, float fc);

// Frequency-sampling design of N taps h from nf breakpoints F (ascending, 0 .. 1)
// with magnitudes M: linear interpolation on a grid of npt + 1 points
// (npt = 512 for N < 1024, else the next power of two of N), linear phase
// with delay (N - 1)/2, inverse DFT of length 2 npt, Hamming window.
// Breakpoints outside 0 .. 1 are clamped to the grid.
void fir2(int N, int nf, const float* F, const float* M, float* h);

// Replaces x (n samples) by its linear convolution with h (m taps), dropping
// the first m/2 output samples so that a symmetric filter causes no delay:
// x[i] = sum_k h[k] x[i + m/2 - k]. Exact linear convolution (direct for
// short filters, FFT blocks otherwise). An empty filter gives zeros.
void Filter(float* x, std::size_t n, const float* h, std::size_t m);

// Linear convolution of a (la samples) and b (lb samples) into y, which
// receives la + lb - 1 samples (overwritten; nothing when either is empty).
// The shorter signal is the filter (the first one on equal lengths) and is
// transformed once; the other is processed in blocks by FFT overlap-add with
// the transform length chosen by FFTFiltLength.
void FFTFilt(const float* a, std::size_t la, const float* b, std::size_t lb, float* y);

// The transform length N = 2^k used by FFTFilt for a signal of lx samples and a
// filter of lh samples (1 <= lh <= lx): among the admissible k (2^k >= lh),
// the one minimising blocks(k) x cost(k), blocks = ceil((lx + lh - 1) /
// (2^k - lh + 1)), with relative costs tabulated for k = 0 .. 19 (first on ties).
// A filter longer than 2^19 extends the candidates up to the length of the
// whole output, costs estimated as N log2 N scaled to the table's last entry.
std::size_t FFTFiltLength(std::size_t lx, std::size_t lh);
