#include "results/ClusterGrouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

struct SortedPairsGrouping {
    std::vector<std::vector<int>> groups;
    int jumps = 0;            // jumps beyond kDistanceJump
    bool spreadRuled = false; // two paths for the spread alone
};

// The grouping written the plain way, as the reference: every pairwise
// distance in one list, stable-sorted, walked from the smallest.
SortedPairsGrouping GroupBySortedPairs(const std::vector<TSubRay>& m)
{
    SortedPairsGrouping out;
    const int ne = static_cast<int>(m.size());
    std::vector<TVector> unit(m.size());
    for (int i = 0; i < ne; ++i) {
        unit[i] = m[i].dir.UnitVector();
    }
    std::vector<dist_st> dists;
    for (int i = 0; i < ne; ++i) {
        for (int j = i + 1; j < ne; ++j) {
            dists.push_back({static_cast<float>(unit[i].Angle(unit[j])), i, j});
        }
    }
    std::stable_sort(dists.begin(), dists.end(), Dist_cmp);

    double threshold = 360.0;
    int expected = 1;
    for (std::size_t k = 0; k + 1 < dists.size(); ++k) {
        const float gap = dists[k + 1].dist - dists[k].dist;
        if (gap > kDistanceJump) {
            ++expected;
            if (gap < threshold) {
                threshold = gap;
            }
        }
    }
    out.jumps = expected - 1;
    if (expected == 1 && dists.back().dist > kMaxSpread) {
        threshold = 10.0;
        expected = 2;
        out.spreadRuled = true;
    }
    if (expected == 1) {
        std::vector<int> all(ne);
        for (int e = 0; e < ne; ++e) {
            all[e] = e;
        }
        out.groups = {all};
        return out;
    }

    float maxFactor = m[0].fatordist;
    for (const TSubRay& s : m) {
        maxFactor = std::max(maxFactor, s.fatordist);
    }
    const auto seed = std::find_if(dists.begin(), dists.end(), [&](const dist_st& d) {
        return m[d.i].fatordist == maxFactor || m[d.j].fatordist == maxFactor;
    });

    std::vector<int> groupOf(ne, -1);
    std::vector<double> sumAzim, sumElev;
    std::vector<int> size;
    int placed = 0;
    auto join = [&](int member, int g) {
        if (g == static_cast<int>(size.size())) {
            sumAzim.push_back(0.0);
            sumElev.push_back(0.0);
            size.push_back(0);
        }
        groupOf[member] = g;
        sumAzim[g] += m[member].dir.azim;
        sumElev[g] += m[member].dir.elev;
        ++size[g];
        ++placed;
    };
    auto placeNearest = [&](int member) {
        int best = -1;
        float bestDistance = 0.0f;
        for (int g = 0; g < static_cast<int>(size.size()); ++g) {
            TDirection centre;
            centre.azim = static_cast<float>(sumAzim[g] / size[g]);
            centre.elev = static_cast<float>(sumElev[g] / size[g]);
            const float d = centre.Distancia(m[member].dir);
            if (best < 0 || d < bestDistance) {
                best = g;
                bestDistance = d;
            }
        }
        join(member, bestDistance >= threshold ? static_cast<int>(size.size()) : best);
    };

    join(seed->i, 0);
    join(seed->j, dists.front().dist < threshold ? 0 : 1);
    for (const dist_st& d : dists) {
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

    out.groups.resize(size.size());
    for (int e = 0; e < ne; ++e) {
        out.groups[groupOf[e]].push_back(e);
    }
    return out;
}

TSubRay Member(double azim, double elev, float fatordist = 0.5f)
{
    TSubRay s;
    s.dir.azim = static_cast<float>(std::fmod(azim + 720.0, 360.0));
    s.dir.elev = static_cast<float>(std::clamp(elev, -90.0, 90.0));
    s.fatordist = fatordist;
    return s;
}

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

// A block as diffuse arrivals give one: a tight bunch per path, the bunches 10
// to 60 degrees apart, now and then near a pole, strays in some blocks,
// repeated directions and angles on a grid (equal distances of different
// pairs), and factors shared by several members.
std::vector<TSubRay> RandomBlock(std::mt19937& rng, int n)
{
    auto uniform = [&](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng);
    };
    auto normal = [&](double sigma) { return std::normal_distribution<double>(0.0, sigma)(rng); };
    // An azimuth step that spans about the given angle at this elevation.
    auto azimuthStep = [](double angle, double elev) {
        return angle / std::max(0.05, std::cos(elev * kRadiansPerDegree));
    };
    struct Bunch {
        double azim, elev, spread;
    };
    std::vector<Bunch> bunches;
    const double firstElev =
        rng() % 5 == 0 ? std::copysign(uniform(84, 90), uniform(-1, 1)) : uniform(-60, 60);
    bunches.push_back({uniform(0, 360), firstElev, uniform(0.1, 5.0)});
    const int bunchCount = 1 + static_cast<int>(rng() % 4);
    while (static_cast<int>(bunches.size()) < bunchCount) {
        const Bunch& last = bunches.back();
        const double step = uniform(10, 60);
        const double heading = uniform(0, 2 * std::numbers::pi);
        const double elev = std::clamp(last.elev + step * std::sin(heading), -90.0, 90.0);
        const double azim = last.azim + azimuthStep(step * std::cos(heading), elev);
        bunches.push_back({azim, elev, uniform(0.1, 5.0)});
    }
    const bool strays = rng() % 2 == 0;
    const double gridPerDegree = rng() % 3 != 0 ? 0.0 : rng() % 2 == 0 ? 100.0 : 1.0;
    const int factorKind = static_cast<int>(rng() % 3);

    std::vector<TSubRay> block;
    for (int k = 0; k < n; ++k) {
        const float factor = factorKind == 0   ? 0.5f
                             : factorKind == 1 ? static_cast<float>(rng() % 5) / 4.0f
                                               : static_cast<float>(uniform(0, 1));
        const unsigned kind = rng() % 20;
        if (kind == 0 && !block.empty()) {
            TSubRay again = block[rng() % block.size()];
            again.fatordist = factor;
            block.push_back(again);
            continue;
        }
        double azim, elev;
        if (kind == 1 && strays) {
            azim = uniform(0, 360);
            elev = uniform(-90, 90);
        } else {
            const Bunch& b = bunches[rng() % bunches.size()];
            elev = b.elev + normal(b.spread);
            azim = b.azim + azimuthStep(normal(b.spread), elev);
        }
        if (gridPerDegree > 0) {
            azim = std::round(azim * gridPerDegree) / gridPerDegree;
            elev = std::round(elev * gridPerDegree) / gridPerDegree;
        }
        block.push_back(Member(azim, elev, factor));
    }
    return block;
}

} // namespace

TEST(GroupByDirection, RandomBlocksGroupAsTheSortedPairs)
{
    std::mt19937 rng(17);
    int jumpRuled = 0, spreadRuled = 0, oneGroup = 0;
    for (int b = 0; b < 600; ++b) {
        const int n = 2 + static_cast<int>(rng() % 299);
        const std::vector<TSubRay> block = RandomBlock(rng, n);
        SCOPED_TRACE(testing::Message() << "block " << b << " of " << n);
        const SortedPairsGrouping expected = GroupBySortedPairs(block);
        ASSERT_EQ(GroupByDirection(block), expected.groups);
        ASSERT_EQ(GroupByDirection(block, 1, false), expected.groups) << "plain instructions only";
        jumpRuled += expected.jumps > 0;
        spreadRuled += expected.spreadRuled;
        oneGroup += expected.groups.size() == 1;
    }
    // The blocks reach every rule of the walk.
    EXPECT_GT(jumpRuled, 100);
    EXPECT_GT(spreadRuled, 20);
    EXPECT_GT(oneGroup, 20);
}

TEST(GroupByDirection, EdgeBlocks)
{
    auto repeat = [](std::vector<TSubRay> members, int times) {
        std::vector<TSubRay> block;
        for (int t = 0; t < times; ++t) {
            block.insert(block.end(), members.begin(), members.end());
        }
        return block;
    };
    struct Case {
        const char* name;
        std::vector<TSubRay> block;
        std::size_t groups;
    };
    const Case cases[] = {
        {"two members 1 degree apart", {Member(10, 0), Member(11, 0)}, 1},
        {"two members 60 degrees apart: the spread rule", {Member(10, 0), Member(70, 0)}, 2},
        {"one direction repeated: every distance 0", repeat({Member(33, 12)}, 40), 1},
        {"two directions 30 degrees apart, repeated: two distances only",
         repeat({Member(0, 0, 0.3f), Member(30, 0, 0.9f)}, 20), 2},
        {"three directions 20 degrees apart, repeated: two equal jumps",
         repeat({Member(0, 0), Member(20, 0), Member(40, 0)}, 7), 3},
        {"a bunch across the 0/360 seam and one 40 degrees away",
         {Member(359.5, 0), Member(0.5, 0), Member(359.8, 1), Member(40, 0), Member(40.5, 0.5)}, 2},
        {"at the zenith every azimuth is one direction",
         {Member(0, 90), Member(90, 90), Member(180, 90), Member(270, 90), Member(0, -40)}, 2},
        {"opposite directions",
         {Member(0, 0), Member(180, 0), Member(0.5, 0), Member(180.5, 0)}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::vector<int>> groups = GroupByDirection(c.block);
        EXPECT_EQ(groups, GroupBySortedPairs(c.block).groups);
        EXPECT_EQ(groups.size(), c.groups);
    }
}

// Blocks large enough that their pairs are scanned on several threads group
// as on one, and as the sorted pairs.
TEST(GroupByDirection, LargeBlocksGroupTheSameOnAnyNumberOfThreads)
{
    std::mt19937 rng(23);
    for (int b = 0; b < 6; ++b) {
        const int n = 1024 + static_cast<int>(rng() % 600);
        const std::vector<TSubRay> block = RandomBlock(rng, n);
        SCOPED_TRACE(testing::Message() << "block " << b << " of " << n);
        const std::vector<std::vector<int>> one = GroupByDirection(block, 1);
        EXPECT_EQ(one, GroupBySortedPairs(block).groups);
        EXPECT_EQ(GroupByDirection(block, 2), one);
        EXPECT_EQ(GroupByDirection(block, 5), one);
        EXPECT_EQ(GroupByDirection(block, 2, false), one) << "plain instructions only";
    }
}
