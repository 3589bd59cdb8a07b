#pragma once
// Grouping of one time block of early arrivals by direction, for
// TResult::Cluster: the rays of one specular path arrive from nearly the same
// direction, those of different paths from directions set clearly apart.

#include <vector>

#include "simulation/TRay.h"

// A jump between consecutive sorted pairwise distances larger than this
// (degrees) separates directions of different paths.
constexpr double kDistanceJump = 10.0;
// A block whose directions spread further than this (degrees) holds at least
// two paths even without a jump.
constexpr double kMaxSpread = 50.0;

// Splits the members of one time block (at least two, finite directions) into
// groups of nearby directions; returns each group's member positions in block
// order, groups in order of creation.
//
// The groups are defined by the block's pairwise distances (the float angle
// between the members' unit vectors, TDirection::Distancia) in ascending order
// of (distance, first member, second member):
// - every jump larger than kDistanceJump between consecutive distances is one
//   more path; the smallest such jump is the threshold below which two
//   members share a path. Without a jump, a largest distance beyond
//   kMaxSpread still means two paths at a threshold of 10 degrees.
// - the first pair holding a member of the largest proximity factor seeds
//   group 0 with its first member; its second member joins it when the
//   block's smallest distance is below the threshold, else opens group 1.
// - going up the order, each member not yet grouped is placed at the first
//   pair that holds it: with its partner's group when that is grouped and
//   nearer than the threshold, otherwise with the group whose mean direction
//   is nearest, or in a new group when even that is at the threshold or
//   beyond.
// Time grows with the square of the block size, memory only linearly: a block
// of diffuse arrivals holds some ten thousand members. A large block's pairs
// are scanned on up to `threads` threads, with the same groups for any count,
// and eight at a time where the processor has the vectors for it (unless
// `widest` is false: for tests of the plain path; the same groups).
std::vector<std::vector<int>> GroupByDirection(const std::vector<TSubRay>& block, unsigned int threads = 1,
                                               bool widest = true);
