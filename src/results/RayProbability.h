#pragma once
// How many of N uniformly emitted rays meet a receiving sphere: the basis of
// the automatic clustering order and of the distance beyond which ray
// tracing stops being reliable.

// Fraction of uniformly emitted rays that meet a sphere of radius R (m) whose
// centre lies d metres away: the solid angle of the sphere's cap over 4 pi,
// (1 - d / sqrt(R^2 + d^2)) / 2.
double RayProbability(double d, double R);

// The inverse of RayProbability: the distance (m) at which a fraction p of
// the rays meets the sphere, R sqrt(q / (1 - q)) with q = (2p - 1)^2.
// Infinite for p = 0 or p = 1.
double DistanceForRayProb(double p, double R);

// Distance (m) at which one ray in N is expected to meet the sphere,
// R / sqrt(1 - (1 - 2/N)^2), measured to the rim of the sphere (the
// hypotenuse of DistanceForRayProb(1/N, R) and R). Infinite for N = 1; N = 0
// counts as 1.
double MaxProbRayDistance(unsigned int N, double R);
