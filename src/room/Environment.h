#pragma once
// Properties of the air the room is filled with.

// Pure-tone atmospheric attenuation after ISO 9613-1, in nepers per metre (the
// standard's dB/m divided by 8.686), for the octave bands 62.5 * 2^i Hz,
// i = 0 .. numBands - 1. T in kelvin, p in atm, h in % relative humidity.
void CalculateAirAbsCoefs(float T, float p, float h, unsigned int numBands, double* out);

// Speed of sound in m/s at a temperature in degrees C.
float SpeedOfSound(double temperatureC);

// Centre frequency of octave band i in Hz: 62.5 * 2^i, in single precision.
float BandFrequency(unsigned int band);
