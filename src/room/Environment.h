#pragma once
// Properties of the air the room is filled with, and the ranges of the
// environment and simulation settings a project may have.

#include <cstdint>

// Accepted ranges. The air model (ISO 9613-1) and the speed of sound are meant
// for the atmosphere; a response is allocated per pair, band and channel, so
// its length is bounded; ray energies are floats, and 10^-30 stays well clear
// of the smallest normal float; the octave filters are tabulated for two
// sampling rates. A project outside them is refused when it is read.
constexpr double kMinTemperatureC = -40.0;
constexpr double kMaxTemperatureC = 60.0;
constexpr double kMinPressureAtm = 0.1;
constexpr double kMaxPressureAtm = 10.0;
constexpr double kMinHumidityPercent = 0.0;
constexpr double kMaxHumidityPercent = 100.0;
constexpr double kMaxIRDurationS = 60.0;
constexpr double kMinEnergyDecayDb = -300.0;
constexpr int kMaxNumRays = 10000000;
constexpr double kSupportedSampleRates[] = {44100.0, 48000.0};
// Vertices of one plane: cleaning and tessellating a ring take time that grows
// with the square of its length (a 100 000-vertex circle took minutes).
constexpr int kMaxPlaneVertices = 10000;
// Share of the machine's memory the result buffers of a run may take.
constexpr double kResultMemoryShare = 0.75;

// Pure-tone atmospheric attenuation after ISO 9613-1, in nepers per metre (the
// standard's dB/m divided by 8.686), for the octave bands 62.5 * 2^i Hz,
// i = 0 .. numBands - 1. T in kelvin, p in atm, h in % relative humidity.
void CalculateAirAbsCoefs(float T, float p, float h, unsigned int numBands, double* out);

// Speed of sound in m/s at a temperature in degrees C.
float SpeedOfSound(double temperatureC);

// Centre frequency of octave band i in Hz: 62.5 * 2^i, in single precision.
float BandFrequency(unsigned int band);
