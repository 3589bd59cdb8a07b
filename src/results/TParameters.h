#pragma once
// Room-acoustic parameters of one response (one octave band or broadband),
// computed from an impulse response after a run.

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
