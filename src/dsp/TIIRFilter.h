#pragma once
// Octave-band IIR filtering of the late part of the impulse responses: one
// biquad section, a cascade of sections with state kept across calls, and the
// table of 8th-order Butterworth octave band-passes (four sections each) for
// the sampling rates the program supports.
//
// Coefficient layout shared by the table and the cascade, for S sections:
// numerators b0 b1 b2 of section 0, then of section 1, ... (3 x S floats),
// denominators a0 a1 a2 in the same arrangement (3 x S floats, a0 = 1) and
// one gain per section (S floats).

#include <array>
#include <cstddef>
#include <vector>

// One second-order section in direct form II, single precision:
//   w[n] = x[n] - a1 w[n-1] - a2 w[n-2]
//   y[n] = g (b0 w[n] + b1 w[n-1] + b2 w[n-2])
// a[0] is taken as 1 and not read.
class TIIRFilter2ndOrder {
public:
    float buffer1 = 0.0f; // w[n-1]
    float buffer2 = 0.0f; // w[n-2]
    std::array<float, 3> a{};
    std::array<float, 3> b{};
    float g = 1.0f;

    // Copies three numerator and three denominator values; the state starts at 0.
    TIIRFilter2ndOrder(const float* num, const float* den, float gain)
        : a{den[0], den[1], den[2]}, b{num[0], num[1], num[2]}, g(gain)
    {
    }

    float filter(float x)
    {
        const float w = x - (a[2] * buffer2 + a[1] * buffer1);
        const float out = g * (b[0] * w + b[1] * buffer1 + b[2] * buffer2);
        buffer2 = buffer1;
        buffer1 = w;
        return out;
    }
};

// Cascade of second-order sections; the state carries on from one call to the
// next, so a signal may be filtered in pieces. The cascade owns its sections.
class TMultiStageIIR {
public:
    unsigned int NumStages = 0;
    std::vector<TIIRFilter2ndOrder> section; // NumStages entries
    std::vector<float> y;                    // latest output of each section

    // Section i is built from num + 3i, den + 3i and gain[i].
    TMultiStageIIR(unsigned int numStages, const float* num, const float* den, const float* gain);

    float Process(float x)
    {
        for (unsigned int i = 0; i < NumStages; ++i) {
            x = section[i].filter(x);
            y[i] = x;
        }
        return x;
    }

    // Filters size_x samples in place.
    void Process(float* x, std::size_t size_x);
};

// Coefficients of one octave band in the layout above (four sections).
struct TOctaveIIRRow {
    std::array<float, 12> num{};
    std::array<float, 12> den{};
    std::array<float, 4> gain{};
};

// Band index of the table entry one octave below band 0 (31.25 Hz). The
// simulation does not ask for it.
inline constexpr unsigned int kOctaveIIRBandBelowLowest = 9;

// 8th-order Butterworth band-pass with -3 dB edges f1Hz and f2Hz (0 < f1Hz <
// f2Hz < fsHz / 2), obtained from the 4th-order analog prototype by the
// low-pass to band-pass transformation and the bilinear transform with both
// edges prewarped; unit gain at the centre of the prewarped band. The four
// pole pairs become four sections ordered by increasing pole radius; all
// section gains are 1 and the overall scale k sits in section 0's numerator.
// Numerators: (k, 2k, k), (1, 2, 1), (1, -2, 1), (1, -2, 1); with
// zerosAtDcFirst the double zeros at z = 1 come first instead:
// (k, -2k, k), (1, -2, 1), (1, 2, 1), (1, 2, 1).
TOctaveIIRRow DesignButterworthBandPass(double f1Hz, double f2Hz, double fsHz, bool zerosAtDcFirst);

// Fills 12 numerator, 12 denominator and 4 gain values for octave band Band
// (0 .. 8, centre 62.5 x 2^Band Hz; or kOctaveIIRBandBelowLowest) at the
// sampling rate Fsample, which must be exactly 44100 or 48000 Hz: any other
// rate is fatal (exit code 1). For another band number nothing is written.
// The table is computed once, on first use, and is safe to read from any thread.
void GetOctaveIIRParamButter(float* b, float* a, float* gain, unsigned int Band, float Fsample);

// Energy (sum of squares) of the impulse response of octave band Band's
// four-section cascade at Fsample, over one second, by when it has died away
// in every band. Computed once per band and rate; safe from any thread.
double OctaveIIRImpulseEnergy(unsigned int Band, float Fsample);
