#pragma once
// Room-acoustic parameters of one response (one octave band or broadband),
// computed from an impulse response after a run, and the curve functions they
// are built from. Curves are n floats; times come out in samples.

struct TMonoParams {
    float T20 = 0.0f;   // s
    float T30 = 0.0f;   // s
    float T60 = 0.0f;   // s
    float EDT = 0.0f;   // s, early decay time
    float C80 = 0.0f;   // dB, clarity
    float D50 = 0.0f;   // %, definition
    float G = 0.0f;     // dB, strength (not computed)
    float SPL = 0.0f;   // dB re 20 uPa
    float SPL_A = 0.0f; // dB(A)
    float CT = 0.0f;    // ms, centre time
};

// A-weighting (dB) of octave band b from 62.5 Hz; 0 beyond the ninth band.
float AWeighting(unsigned int band);

// Schroeder's backward integration: decay[i] = 10 log10 of the energy of
// ir[i .. n-1], minus infinity where that energy is exactly 0. Not
// normalised: decay[0] is the level of the total energy.
void GetDecayCurve(const float* ir, float* decay, unsigned n);

// Reverberation time in samples from a decay curve, extrapolated to 60 dB
// from a least-squares line over the part that falls from 5 dB below the
// start to 5 dB + |range| below it (to the end of the curve when it never
// gets that far). 0 when the curve never falls 5 dB or gives no falling line.
float GetRevTime(const float* decay, unsigned n, float range);

// Decay time in samples from the part of the curve between start and
// start + range dB relative to decay[0] (start 0 and range -10 give the early
// decay time), extrapolated to 60 dB. 0 when there is no falling line.
float GetDecayTime(const float* decay, unsigned n, float start, float range);

// Clarity in dB: energy of the 80 ms from sample direct over the energy
// after them (1e-8 standing in for a late energy of exactly 0); 0 when there
// is no energy from direct on.
float GetC80(const float* ir, unsigned n, unsigned direct, float fs);

// Definition in percent: energy of the 50 ms from sample direct over the
// energy from direct on; 0 when there is no energy from direct on.
float GetD50(const float* ir, unsigned n, unsigned direct, float fs);

// Centre of gravity of the squared response in samples, counted from its
// first sample (pass the response from the direct sound on); 0 for a
// response without energy.
float GetCenterTime(const float* ir, unsigned n);

// How far, in dB below its start, a decay curve can be read before the end
// of the response bends it down. A response that stops at n lacks the energy
// that would have come after it; the curve is taken as unbent where the
// energy still to come is at least kTruncationRatio times the energy of the
// last kTruncationShare of the response (which stands for what was cut off),
// so the reading range ends that many dB above the curve's level there.
// A curve without energy has no range.
constexpr double kTruncationShare = 0.05;
constexpr double kTruncationRatio = 5.0;
float UsableDecayRange(const float* decay, unsigned n);

// The depth, below the start of the decay curve, that each decay parameter
// reads down to: EDT 10 dB, T20 from -5 to -25 dB, T30 to -35, T60 to -65.
constexpr float kEDTDepth = 10.0f;
constexpr float kT20Depth = 25.0f;
constexpr float kT30Depth = 35.0f;
constexpr float kT60Depth = 65.0f;
