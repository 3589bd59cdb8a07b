#pragma once
// Emission directions: the vertices of a geodesic sphere made by subdividing
// the faces of a regular icosahedron. Every source emits the same list, in the
// same order (entry 0 points along +z); ray numbers are positions in it.

#include <vector>

#include "geometry/TVector.h"

// Rays of a geodesic sphere closest to the request: 10 n^2 + 2 with
// n = round(sqrt((requested - 2) / 10)), the division in integers.
unsigned int GeodesicRayCount(unsigned int requested);

// The 10 N^2 + 2 unit vectors of subdivision frequency N = floor(sqrt((
// NumberOfRays - 2) / 10)); for N of 0 the 12 icosahedron vertices. The
// faces are subdivided on up to `threads` threads (the same list for any).
std::vector<TVector> CreateRaysDirections(double NumberOfRays, unsigned int threads = 1);

// Normalises the vectors, drops zero vectors and later repeats of a direction
// (equal azimuth and elevation), keeping the order; returns the new count.
unsigned int RemoveRepeatedRays(std::vector<TVector>& rays);
