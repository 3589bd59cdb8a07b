#include <gtest/gtest.h>

#include <vector>

#include "TestFiles.h"
#include "TestSupport.h"
#include "results/ResultFixtures.h"

namespace {

struct Arrival {
    unsigned index;
    float azim;
    float elev;
    float fatordist;
    float energy; // per band
};

// Writes the arrivals (all of order 1) to a fresh pair's early ray and hit
// files, clusters them and keeps what the ray file holds afterwards.
struct Clustered {
    ScratchFolder folder;
    ResultPair pair{MakeResultParam(20000, 3)};
    std::vector<TRay> records;

    explicit Clustered(const std::vector<Arrival>& arrivals)
    {
        TResult& r = *pair.result;
        r.CreateRayFile(0, 0, folder.Path("RAYS"));
        r.CreateHitFile(0, 0, folder.Path("HITS"));
        const unsigned layerHits[2] = {1, 2};
        int id = 0;
        for (const Arrival& a : arrivals) {
            TRay ray = MakeArrival(a.index, 1, a.azim, a.elev, a.fatordist);
            ray.spectrum.assign(kResultBands, a.energy);
            ray.ID = id++;
            r.SaveRay(ray, 0);
            r.InsertHit(ray, layerHits, 2, 0, 1.0f);
        }
        r.Cluster();
        records = ReadRecords(folder.Path("RAYS-S001-R001.txt"));
    }
};

} // namespace

TEST(Cluster, TimeBlocksAndGroups)
{
    struct Case {
        const char* name;
        std::vector<Arrival> arrivals;
        // Expected records: ray number (the member kept) and summed energy.
        std::vector<std::pair<int, float>> expected;
    };
    const Case cases[] = {
        {"gaps of 5 and 15 samples: blocks {100, 105} and {120}",
         {{100, 10, 0, 0.3f, 1}, {105, 10, 0, 0.6f, 2}, {120, 10, 0, 0.9f, 4}}, {{1, 3}, {2, 4}}},
        {"gap of exactly 10 samples stays one block",
         {{100, 10, 0, 0.3f, 1}, {110, 10, 0, 0.6f, 2}}, {{1, 3}}},
        {"distances 2, 2, 4 degrees: one group at the most central member",
         {{200, 0, 0, 0.2f, 1}, {201, 2, 0, 0.8f, 2}, {202, 4, 0, 0.5f, 3}}, {{1, 6}}},
        {"60 degrees apart: two groups",
         {{300, 0, 0, 0.9f, 1}, {302, 60, 0, 0.1f, 2}}, {{0, 1}, {1, 2}}},
        {"equal factors: the first member in time order",
         {{400, 0, 0, 0.5f, 1}, {401, 1, 0, 0.5f, 1}}, {{0, 2}}},
        {"no factor above 0: the first member",
         {{400, 0, 0, 0.0f, 1}, {401, 1, 0, 0.0f, 1}}, {{0, 2}}},
        {"arrivals at one sample: the first by azimuth, then elevation",
         {{700, 5, 0, 0.5f, 1}, {700, 1, 2, 0.5f, 1}, {700, 1, -2, 0.5f, 1}}, {{2, 3}}},
        // Pairs 1, 1 | 39, 40, 40, 41: the jump of 38 degrees is the threshold.
        // The seed is the closest pair holding the largest factor (C, D),
        // which forms group 0; A then opens group 1 and B joins it.
        {"seed pair first",
         {{500, 0, 0, 0.5f, 1}, {501, 1, 0, 0.6f, 1}, {502, 40, 0, 0.9f, 1}, {503, 41, 0, 0.2f, 1}}, {{2, 2}, {1, 2}}},
        // A holds the largest factor: (A, B) is the seed and group 0; C opens group 1.
        {"the seed pair holds the largest factor",
         {{600, 0, 0, 0.9f, 1}, {601, 1, 0, 0.1f, 1}, {602, 40, 0, 0.2f, 1}, {603, 41, 0, 0.3f, 1}}, {{0, 2}, {3, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clustered run(c.arrivals);
        ASSERT_EQ(run.records.size(), c.expected.size());
        for (std::size_t k = 0; k < c.expected.size(); ++k) {
            const TRay& r = run.records[k];
            const Arrival& kept = c.arrivals[c.expected[k].first];
            EXPECT_EQ(r.ID, c.expected[k].first) << "record " << k;
            EXPECT_EQ(r.index, kept.index);
            EXPECT_FLOAT_EQ(r.dir.azim, kept.azim);
            EXPECT_EQ(r.reflections, 1);
            EXPECT_EQ(r.spectrum, std::vector<float>(kResultBands, c.expected[k].second));
        }
    }
}

TEST(Cluster, OrdersAndDirectSoundPassThrough)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(20000, 3));
    TResult& r = *pair.result;
    r.CreateRayFile(0, 0, folder.Path("RAYS"));
    for (auto [ray, which] : {std::pair{MakeArrival(5000, 4), 1}, {MakeArrival(900, 3, 30.0f), 0},
                              {MakeArrival(700, 1, 90.0f), 0}}) {
        r.SaveRay(ray, which);
    }
    r.AcumulateDirectSound(MakeArrival(441, 0, 180.0f, 0.0f, 0.9f));
    r.ProcessDirectSound(1);
    r.Cluster(); // nothing of order 2
    std::vector<unsigned> indices;
    for (const TRay& record : ReadRecords(folder.Path("RAYS-S001-R001.txt"))) {
        indices.push_back(record.index);
    }
    EXPECT_EQ(indices, (std::vector<unsigned>{5000, 441, 700, 900})) << "late rays first, then orders 0, 1, 3";
    EXPECT_EQ(ReadRecords(folder.Path("RAYS-S001-R001-EARLY.txt")).size(), 3u) << "kept as written";
}

TEST(Cluster, NothingEarly)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(2000, 3));
    TResult& r = *pair.result;
    r.CreateRayFile(0, 0, folder.Path("RAYS"));
    TRay late = MakeArrival(1500, 4);
    r.SaveRay(late, 1);
    r.Cluster(); // the parameters then start at the end
    EXPECT_EQ(r.DirectSoundIndex, 1999u);
    EXPECT_EQ(ReadRecords(folder.Path("RAYS-S001-R001.txt")).size(), 1u) << "closed and complete";
}

TEST(Cluster, HitLinesCarryTheMemberCount)
{
    Clustered run({{100, 0, 0, 0.2f, 1}, {101, 2, 0, 0.8f, 1}, {102, 4, 0, 0.5f, 1}, {300, 0, 0, 0.5f, 1}});
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(ReadFileText(run.folder.Path("HITS-S001-R001.txt")),
              "101 2.000000 0.000000 3 1.000000 1 2 \n"
              "300 0.000000 0.000000 1 1.000000 1 2 \n");
}

TEST(Cluster, LargeBlockFromTwoDirections)
{
    // 2000 arrivals within one block from two directions about 90 degrees apart.
    std::vector<Arrival> arrivals;
    for (unsigned k = 0; k < 2000; ++k) {
        const float jitter = static_cast<float>((k * 37) % 100) / 100.0f;
        arrivals.push_back({1000 + k / 400, (k % 2 == 0 ? 10.0f : 100.0f) + jitter, jitter,
                            static_cast<float>((k * 13) % 97) / 97.0f, 0.001f});
    }
    Clustered run(arrivals);
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_NEAR(run.records[0].spectrum[0] + run.records[1].spectrum[0], 2.0f, 1e-3f) << "energy kept";
}
