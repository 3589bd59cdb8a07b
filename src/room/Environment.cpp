#include "room/Environment.h"

#include <cmath>

float BandFrequency(unsigned int band)
{
    return 62.5f * std::pow(2.0f, static_cast<float>(band));
}

float SpeedOfSound(double temperatureC)
{
    return static_cast<float>(331.4 + 0.6 * temperatureC);
}

void CalculateAirAbsCoefs(float T, float p, float h, unsigned int numBands, double* out)
{
    // The standard's reference pressure, temperature and constants are folded
    // into the numeric factors below.
    const double t = T;
    const double pa = p;
    const double hr = h;
    const double x = 18588.774504784156 * std::pow(t, -1.261);
    const double frO = 24.0 + hr * std::exp(-x) *
                                  (8.517940525277334e7 * pa * std::exp(x) + 1.755515254934117e14 * hr) /
                                  (pa * (pa * std::exp(x) + 105420.05600590767 * hr));
    const double g = 9.0 + 7.469061249925898e8 * hr *
                               std::exp(-27.701249217491345 * std::pow(t, -1.0 / 3.0) - x) / pa;
    for (unsigned int i = 0; i < numBands; ++i) {
        const double f = BandFrequency(i);
        const double a = f * f / (pa * std::pow(t, 2.5));
        const double o = 18804.231974133505 * std::exp(-2239.1 / t) / (frO + f * f / (pa * pa * frO));
        const double n = 157143.34701388565 * std::exp(-3352.0 / t) * g * std::pow(t, -0.5) /
                         (17.12162375477279 * g * g / t + 0.0584056754384199 * f * f / (pa * pa));
        out[i] = a * (1.0746644280669262e-12 * t * t * t + o + n);
    }
}
