#include "results/RayProbability.h"

#include <cmath>
#include <limits>

double RayProbability(double d, double R)
{
    return (1.0 - d / std::sqrt(R * R + d * d)) / 2.0;
}

double DistanceForRayProb(double p, double R)
{
    const double q = (2.0 * p - 1.0) * (2.0 * p - 1.0);
    if (q >= 1.0) {
        return std::numeric_limits<double>::infinity();
    }
    return R * std::sqrt(q / (1.0 - q));
}

double MaxProbRayDistance(unsigned int N, double R)
{
    if (N <= 1) {
        return std::numeric_limits<double>::infinity();
    }
    const double k = 1.0 - 2.0 / static_cast<double>(N);
    return R / std::sqrt(1.0 - k * k);
}
