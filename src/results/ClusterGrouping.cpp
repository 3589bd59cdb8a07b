// The grouping walks the sorted pairwise distances of a block, but never
// holds them: a block of n members has n(n-1)/2 pairs, over a hundred million
// for diffuse arrivals. One pass over the pairs keeps what the walk reads:
// - for each member, its first pair in the order (its nearest neighbour, ties
//   to the earlier pair). A member is grouped at its first pair; every other
//   pair finds both its members grouped already and changes nothing. A walk
//   over these at most n pairs therefore groups exactly as the whole walk.
// - the smallest and largest distance within each of a few hundred cells of
//   cosine, each narrower than a jump: a jump can then only lie between
//   cells, from one cell's largest distance to another one's smallest.
// The pass compares cosines and converts to an angle only a cosine that can
// change one of these extremes. The angles decided on are the same floats the
// sorted list held, so the groups are the same to the last member.

#include "results/ClusterGrouping.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <limits>
#include <thread>
#include <tuple>

#include "geometry/TVector.h"
#include "simulation/WideLanes.h"
#include "util/ErrorMessage.h"

namespace {

// The exact acos falls by at least as much as its argument rises; a library
// acos may be a bit or two off. Cosines further apart than this therefore
// convert to angles in the same order (equal ones after rounding to float);
// closer ones are converted and compared as angles.
constexpr double kCosineSlack = 1e-12;

// The pair distance, degrees, with the operations of TDirection::Distancia.
float DistanceFromCosine(double cosine)
{
    return static_cast<float>(AngleFromCosine(cosine));
}

// The smallest distance among the cosines offered. The test against the gate
// is all most cosines cost.
struct SmallestDistance {
    double cosine = -std::numeric_limits<double>::infinity(); // largest one converted
    double gate = -std::numeric_limits<double>::infinity();   // lower ones cannot be nearer
    float distance = std::numeric_limits<float>::infinity();

    // True when c is strictly nearer: of equal distances the first offered stays.
    bool Offer(double c) { return c >= gate && Convert(c); }

private:
    bool Convert(double c)
    {
        if (c == cosine) {
            return false;
        }
        if (c > cosine) {
            cosine = c;
            gate = c - kCosineSlack;
        }
        const float d = DistanceFromCosine(c);
        if (d >= distance) {
            return false;
        }
        distance = d;
        return true;
    }
};

// The largest distance among the cosines offered.
struct LargestDistance {
    double cosine = std::numeric_limits<double>::infinity(); // smallest one converted
    double gate = std::numeric_limits<double>::infinity();   // higher ones cannot be further
    float distance = -std::numeric_limits<float>::infinity();

    void Offer(double c)
    {
        if (c <= gate && c != cosine) {
            Convert(c);
        }
    }

private:
    void Convert(double c)
    {
        if (c < cosine) {
            cosine = c;
            gate = c + kCosineSlack;
        }
        distance = std::max(distance, DistanceFromCosine(c));
    }
};

struct DistanceSpan {
    SmallestDistance smallest;
    LargestDistance largest;
};

// Cells of equal width in cosine. The widest in angle, at either end, spans
// acos(1 - 2 / kCosineCells) = 7.2 degrees, well inside kDistanceJump.
constexpr int kCosineCells = 256;

int CellOf(double cosine)
{
    return std::min(kCosineCells - 1, static_cast<int>((cosine + 1.0) * (kCosineCells / 2)));
}

// The order of the walk: stable by distance over pairs generated with the
// first member, then the second, ascending.
bool WalkOrder(const dist_st& a, const dist_st& b)
{
    return std::tie(a.dist, a.i, a.j) < std::tie(b.dist, b.i, b.j);
}

// The jumps larger than kDistanceJump between consecutive distances, from the
// cells' extremes. A jump starts at the largest distance of the cells below it
// and ends at the smallest of the next cell, as a cell holds no jump. Cells are
// taken in order of their smallest distance rather than their cosine: a
// library acos a bit off could let neighbouring cells overlap by as much.
struct Jumps {
    int count = 0;
    float smallest = 0.0f; // degrees, when count > 0
    float largestDistance = 0.0f;
};

Jumps FindJumps(const std::array<DistanceSpan, kCosineCells>& cells)
{
    std::vector<std::pair<float, float>> spans; // smallest, largest distance
    for (const DistanceSpan& cell : cells) {
        if (cell.smallest.distance <= cell.largest.distance) {
            spans.emplace_back(cell.smallest.distance, cell.largest.distance);
        }
    }
    std::sort(spans.begin(), spans.end());
    Jumps jumps;
    float below = spans.front().second; // the largest distance so far
    for (std::size_t s = 1; s < spans.size(); ++s) {
        const float gap = spans[s].first - below;
        if (gap > kDistanceJump) {
            jumps.smallest = jumps.count == 0 ? gap : std::min(jumps.smallest, gap);
            ++jumps.count;
        }
        below = std::max(below, spans[s].second);
    }
    jumps.largestDistance = below;
    return jumps;
}

// A block this large has its pairs scanned on several threads.
constexpr int kParallelMembers = 1024;

// What one pass over some rows of pairs keeps.
struct PairScan {
    explicit PairScan(int ne) : nearest(ne), partner(ne, -1), gate(ne, -std::numeric_limits<double>::infinity()), row(ne)
    {
        smallGate.fill(-std::numeric_limits<double>::infinity());
        largeGate.fill(std::numeric_limits<double>::infinity());
    }
    std::vector<SmallestDistance> nearest;
    std::vector<int> partner;
    std::array<DistanceSpan, kCosineCells> cells{};
    // The gates of nearest and cells side by side, for the quick test.
    std::vector<double> gate;
    std::array<double, kCosineCells> smallGate{};
    std::array<double, kCosineCells> largeGate{};
    std::vector<double> row;
};

#ifdef VELTO_WIDE_LANES
// Row i of the cosines, j from i + 1 on, as the plain loop computes them:
// eight at a time, with std::clamp's comparisons. Returns the first j left
// for the plain loop (fewer than eight remain).
[[VELTO_WIDE_TARGET]] int CosinesWide(const double* ux, const double* uy, const double* uz, const double* length,
                                      int i, int ne, double* row)
{
    using namespace wide;
    const __m512d xi = _mm512_set1_pd(ux[i]), yi = _mm512_set1_pd(uy[i]), zi = _mm512_set1_pd(uz[i]);
    const __m512d li = _mm512_set1_pd(length[i]);
    const __m512d low = _mm512_set1_pd(-1.0), high = _mm512_set1_pd(1.0);
    int j = i + 1;
    for (; j + 8 <= ne; j += 8) {
        const __m512d dot = add(add(mul(xi, _mm512_loadu_pd(ux + j)), mul(yi, _mm512_loadu_pd(uy + j))),
                                mul(zi, _mm512_loadu_pd(uz + j)));
        __m512d c = _mm512_div_pd(_mm512_div_pd(dot, li), _mm512_loadu_pd(length + j));
        c = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(c, low, _CMP_LT_OQ), c, low);
        c = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(high, c, _CMP_LT_OQ), c, high);
        _mm512_storeu_pd(row + j, c);
    }
    return j;
}

// The first j from `from` on whose pair may pass the gates of the scan's
// test as they stand, eight pairs at a time; once fewer than eight remain,
// the first of those, for the plain test. The gates only tighten as pairs are
// taken, so the pairs skipped would fail the test in order too.
[[VELTO_WIDE_TARGET]] int NextOfferWide(const double* row, const double* gate, const double* smallGate,
                                        const double* largeGate, double gateI, int from, int ne)
{
    const __m512d bias = _mm512_set1_pd(1.0), scale = _mm512_set1_pd(kCosineCells / 2);
    const __m512d onGate = _mm512_set1_pd(gateI);
    const __m256i top = _mm256_set1_epi32(kCosineCells - 1);
    int j = from;
    for (; j + 8 <= ne; j += 8) {
        const __m512d c = _mm512_loadu_pd(row + j);
        // CellOf; a NaN cosine (no direction ever gives one) gets a cell
        // in range here, where the plain path would read out of it.
        const __m256i cell = _mm256_max_epi32(
            _mm256_min_epi32(_mm512_cvttpd_epi32(_mm512_mul_pd(_mm512_add_pd(c, bias), scale)), top),
            _mm256_setzero_si256());
        const __mmask8 offers = _mm512_cmp_pd_mask(c, _mm512_i32gather_pd(cell, smallGate, 8), _CMP_GE_OQ) |
                                _mm512_cmp_pd_mask(c, _mm512_i32gather_pd(cell, largeGate, 8), _CMP_LE_OQ) |
                                _mm512_cmp_pd_mask(c, onGate, _CMP_GE_OQ) |
                                _mm512_cmp_pd_mask(c, _mm512_loadu_pd(gate + j), _CMP_GE_OQ);
        if (offers != 0) {
            return j + __builtin_ctz(offers);
        }
    }
    return j;
}
#endif

} // namespace

std::vector<std::vector<int>> GroupByDirection(const std::vector<TSubRay>& m, unsigned int threads, bool widest)
{
    const int ne = static_cast<int>(m.size());
    assert(ne >= 2);
    // Unit vectors by coordinate, so that a row of cosines vectorises; their
    // lengths once, the same values TVector::Angle computes each time.
    std::vector<double> ux(ne), uy(ne), uz(ne), length(ne);
    for (int i = 0; i < ne; ++i) {
        const TVector u = m[i].dir.UnitVector();
        ux[i] = u.x;
        uy[i] = u.y;
        uz[i] = u.z;
        length[i] = u.Module();
    }

    // The pass over the pairs, by rows; a large block's rows are shared out
    // over threads, interleaved so that each gets as many pairs.
    const unsigned int scans = ne >= kParallelMembers ? std::max(1u, threads) : 1u;
    std::vector<PairScan> scan;
    for (unsigned int t = 0; t < scans; ++t) {
        scan.emplace_back(ne);
    }
#ifdef VELTO_WIDE_LANES
    const bool wide = widest && WideLanesSupported();
#else
    const bool wide = false;
    (void)widest;
#endif
    auto scanRows = [&](unsigned int t) {
        PairScan& s = scan[t];
        for (int i = static_cast<int>(t); i + 1 < ne; i += static_cast<int>(scans)) {
            // unit[i].Angle(unit[j]) up to the acos, operation for operation.
            int plainFrom = i + 1;
#ifdef VELTO_WIDE_LANES
            if (wide) {
                plainFrom = CosinesWide(ux.data(), uy.data(), uz.data(), length.data(), i, ne, s.row.data());
            }
#endif
            for (int j = plainFrom; j < ne; ++j) {
                const double dot = ux[i] * ux[j] + uy[i] * uy[j] + uz[i] * uz[j];
                s.row[j] = std::clamp(dot / length[i] / length[j], -1.0, 1.0);
            }
            // Every member meets its partners in ascending order (j meets i here
            // after all k < i; i meets all j > i here, after all k < i), the order
            // the walk gives pairs of equal distance.
            // Most pairs change nothing: a cheap test against the gates of
            // what they would offer to lets them pass. The gates only tighten,
            // so a pair that passes would have changed nothing anyway.
            double gateI = s.nearest[i].gate;
            for (int j = i + 1; j < ne; ++j) {
#ifdef VELTO_WIDE_LANES
                if (wide) {
                    j = NextOfferWide(s.row.data(), s.gate.data(), s.smallGate.data(), s.largeGate.data(), gateI, j,
                                      ne);
                    if (j >= ne) {
                        break;
                    }
                }
#endif
                const double c = s.row[j];
                const int k = CellOf(c);
                // Bitwise, not logical: four compares and one branch that is
                // nearly always taken.
                const int offers = static_cast<int>(c >= s.smallGate[k]) | static_cast<int>(c <= s.largeGate[k]) |
                                   static_cast<int>(c >= gateI) | static_cast<int>(c >= s.gate[j]);
                if (offers == 0) {
                    continue;
                }
                DistanceSpan& cell = s.cells[k];
                cell.smallest.Offer(c);
                cell.largest.Offer(c);
                if (s.nearest[i].Offer(c)) {
                    s.partner[i] = j;
                }
                if (s.nearest[j].Offer(c)) {
                    s.partner[j] = i;
                }
                s.smallGate[k] = cell.smallest.gate;
                s.largeGate[k] = cell.largest.gate;
                gateI = s.nearest[i].gate;
                s.gate[j] = s.nearest[j].gate;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned int t = 1; t < scans; ++t) {
            helpers.emplace_back(scanRows, t);
        }
        scanRows(0);
    }
    // Each scan saw some of every member's pairs: its first pair is the
    // earliest of their first pairs, and the cells' extremes are the extremes
    // of theirs. The floats are exact, so any split gives the same.
    std::vector<SmallestDistance>& nearest = scan[0].nearest;
    std::vector<int>& partner = scan[0].partner;
    std::array<DistanceSpan, kCosineCells>& cells = scan[0].cells;
    for (unsigned int t = 1; t < scans; ++t) {
        for (int e = 0; e < ne; ++e) {
            const int p = scan[t].partner[e];
            if (p < 0) {
                continue;
            }
            const dist_st candidate{scan[t].nearest[e].distance, std::min(e, p), std::max(e, p)};
            const dist_st current{nearest[e].distance, std::min(e, partner[e]), std::max(e, partner[e])};
            if (partner[e] < 0 || WalkOrder(candidate, current)) {
                nearest[e].distance = candidate.dist;
                partner[e] = p;
            }
        }
        for (int k = 0; k < kCosineCells; ++k) {
            cells[k].smallest.distance = std::min(cells[k].smallest.distance, scan[t].cells[k].smallest.distance);
            cells[k].largest.distance = std::max(cells[k].largest.distance, scan[t].cells[k].largest.distance);
        }
    }
    auto firstPair = [&](int e) {
        return dist_st{nearest[e].distance, std::min(e, partner[e]), std::max(e, partner[e])};
    };

    const Jumps jumps = FindJumps(cells);
    double threshold = 360.0; // degrees
    int expected = 1 + jumps.count;
    if (jumps.count > 0) {
        threshold = jumps.smallest;
    }
    if (expected == 1 && jumps.largestDistance > kMaxSpread) {
        threshold = 10.0;
        expected = 2;
    }
    if (expected == 1) {
        std::vector<int> all(ne);
        for (int e = 0; e < ne; ++e) {
            all[e] = e;
        }
        return {all};
    }

    float maxFactor = m[0].fatordist;
    for (const TSubRay& s : m) {
        maxFactor = std::max(maxFactor, s.fatordist);
    }
    // The first pair holding a member of the largest factor is that member's
    // own first pair, the earliest of them.
    bool seeded = false;
    dist_st seed;
    float smallestDistance = nearest[0].distance;
    for (int e = 0; e < ne; ++e) {
        smallestDistance = std::min(smallestDistance, nearest[e].distance);
        if (m[e].fatordist == maxFactor && (!seeded || WalkOrder(firstPair(e), seed))) {
            seed = firstPair(e);
            seeded = true;
        }
    }
    if (!seeded) {
        Fatal(1, "Erro!! Nenhum par possui o valor maximo de fatordist!!!!\n");
    }

    std::vector<dist_st> walk(ne);
    for (int e = 0; e < ne; ++e) {
        walk[e] = firstPair(e);
    }
    std::sort(walk.begin(), walk.end(), WalkOrder);
    auto samePair = [](const dist_st& a, const dist_st& b) { return a.i == b.i && a.j == b.j; };
    walk.erase(std::unique(walk.begin(), walk.end(), samePair), walk.end());

    std::vector<int> groupOf(ne, -1);
    // Running sums of the members' angles: a group's centre is their plain mean.
    std::vector<double> sumAzim, sumElev;
    std::vector<int> size;
    int placed = 0;
    // Each group's centre as a unit vector, made again only when a member
    // joins: the same vector TDirection::Distancia makes of it each time.
    std::vector<TVector> centreUnit;
    std::vector<char> centreKnown;
    auto join = [&](int member, int g) {
        if (g == static_cast<int>(size.size())) {
            sumAzim.push_back(0.0);
            sumElev.push_back(0.0);
            size.push_back(0);
            centreUnit.emplace_back();
            centreKnown.push_back(0);
        }
        groupOf[member] = g;
        sumAzim[g] += m[member].dir.azim;
        sumElev[g] += m[member].dir.elev;
        ++size[g];
        ++placed;
        centreKnown[g] = 0;
    };
    auto placeNearest = [&](int member) {
        int best = -1;
        float bestDistance = 0.0f;
        const TVector memberUnit = m[member].dir.UnitVector();
        for (int g = 0; g < static_cast<int>(size.size()); ++g) {
            if (centreKnown[g] == 0) {
                TDirection centre;
                centre.azim = static_cast<float>(sumAzim[g] / size[g]);
                centre.elev = static_cast<float>(sumElev[g] / size[g]);
                centreUnit[g] = centre.UnitVector();
                centreKnown[g] = 1;
            }
            // centre.Distancia(member), operation for operation.
            const float d = static_cast<float>(centreUnit[g].Angle(memberUnit));
            if (best < 0 || d < bestDistance) {
                best = g;
                bestDistance = d;
            }
        }
        join(member, bestDistance >= threshold ? static_cast<int>(size.size()) : best);
    };

    join(seed.i, 0);
    join(seed.j, smallestDistance < threshold ? 0 : 1);
    for (const dist_st& d : walk) {
        if (placed == ne) {
            break;
        }
        const bool iPlaced = groupOf[d.i] >= 0;
        const bool jPlaced = groupOf[d.j] >= 0;
        if (iPlaced && jPlaced) {
            continue;
        }
        if (iPlaced && d.dist < threshold) {
            join(d.j, groupOf[d.i]);
        } else if (jPlaced && d.dist < threshold) {
            join(d.i, groupOf[d.j]);
        }
        if (groupOf[d.i] < 0) {
            placeNearest(d.i);
        }
        if (groupOf[d.j] < 0) {
            placeNearest(d.j);
        }
    }

    std::vector<std::vector<int>> groups(size.size());
    for (int e = 0; e < ne; ++e) {
        groups[groupOf[e]].push_back(e);
    }
    return groups;
}
