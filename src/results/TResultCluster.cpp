// Clustering of early reflections: a finite receiving sphere collects many
// rays of one specular reflection path; they arrive within a few samples of
// each other from nearly the same direction. Each such bunch becomes one
// arrival carrying the bunch's summed energy at the position and direction of
// its most central ray (largest proximity factor).

#include <algorithm>
#include <cstdio>
#include <vector>

#include "results/TResult.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

namespace {

// Arrivals of one order further apart than this (samples) are different paths.
constexpr unsigned int kBlockGap = 10;
// A jump between consecutive sorted pairwise distances larger than this
// (degrees) separates directions of different paths.
constexpr double kDistanceJump = 10.0;
// A block whose directions spread further than this (degrees) holds at least
// two paths even without a jump.
constexpr double kMaxSpread = 50.0;

// Splits the members of one time block (sorted by index) into groups of
// nearby directions; returns each group's member positions in block order,
// groups in order of creation.
std::vector<std::vector<int>> GroupBlock(const std::vector<TSubRay>& m)
{
    const int ne = static_cast<int>(m.size());
    // Each direction's unit vector once, not once per pair: the same values
    // Distancia computes.
    std::vector<TVector> unit(m.size());
    for (int i = 0; i < ne; ++i) {
        unit[i] = m[i].dir.UnitVector();
    }
    // Kept between blocks (see SortByDistance).
    thread_local std::vector<dist_st> dists;
    dists.clear();
    dists.reserve(static_cast<std::size_t>(ne) * static_cast<std::size_t>(ne - 1) / 2);
    for (int i = 0; i < ne; ++i) {
        for (int j = i + 1; j < ne; ++j) {
            dists.push_back({static_cast<float>(unit[i].Angle(unit[j])), i, j});
        }
    }
    // Stable, so that equal distances keep a fixed order on every platform.
    SortByDistance(dists);

    double threshold = 360.0; // degrees
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
    if (expected == 1 && dists.back().dist > kMaxSpread) {
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
    const auto seed = std::find_if(dists.begin(), dists.end(), [&](const dist_st& d) {
        return m[d.i].fatordist == maxFactor || m[d.j].fatordist == maxFactor;
    });
    if (seed == dists.end()) {
        Fatal(1, "Erro!! Nenhum par possui o valor maximo de fatordist!!!!\n");
    }

    std::vector<int> groupOf(ne, -1);
    // Running sums of the members' angles: a group's centre is their plain mean.
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

    std::vector<std::vector<int>> groups(size.size());
    for (int e = 0; e < ne; ++e) {
        groups[groupOf[e]].push_back(e);
    }
    return groups;
}

} // namespace

void TResult::Cluster()
{
    if (EarlyRefCount == 0) {
        DirectSoundIndex = MaxLength > 0 ? MaxLength - 1 : 0;
        // Closed all the same: the response phase reads the ray file back.
        CloseRayFile();
        CloseHitFile();
        ClusterDone = true;
        return;
    }

    // The early records are read once and kept, indexed by their line in the file.
    EarlyRayFile.reset();
    if (HitFileCreated != 0) {
        EarlyHitFile.reset();
        m_earlyHitLinesLoaded = false;
    }
    std::vector<TRay> early;
    int maxOrder = -1;
    {
        TFileCloser in(std::fopen(EarlyFileName.c_str(), "r"));
        TRay record(NumBands);
        while (in.get() != nullptr && record.Read(in.get())) {
            early.push_back(record);
            maxOrder = std::max(maxOrder, record.reflections);
        }
    }

    auto append = [&](TRay& record) {
        if (RayFile) {
            record.Save(RayFile.get());
        }
    };

    for (int order = 0; order <= maxOrder; ++order) {
        ConsolePrint("\rClustering reflections of order %d ...", order);
        std::vector<TSubRay> subRays;
        for (std::size_t pos = 0; pos < early.size(); ++pos) {
            const TRay& r = early[pos];
            if (r.reflections != order) {
                continue;
            }
            TSubRay s;
            s.valid = true;
            s.ID = r.ID;
            s.index = r.index;
            s.dir = r.dir;
            s.fatordist = r.fatordist;
            s.Reflections = static_cast<unsigned int>(r.reflections);
            s.FileListIndex = static_cast<unsigned int>(pos);
            subRays.push_back(s);
        }
        if (subRays.empty()) {
            ConsolePrint(" - No rays of order %d for clustering\n", order);
            continue;
        }
        std::stable_sort(subRays.begin(), subRays.end(), SubRayCmp_Index);

        std::size_t start = 0;
        for (std::size_t k = 0; k < subRays.size(); ++k) {
            if (k + 1 < subRays.size() && subRays[k + 1].index - subRays[k].index <= kBlockGap) {
                continue;
            }
            const std::vector<TSubRay> block(subRays.begin() + static_cast<std::ptrdiff_t>(start),
                                             subRays.begin() + static_cast<std::ptrdiff_t>(k + 1));
            start = k + 1;
            if (block.size() == 1) {
                TRay record = early[block[0].FileListIndex];
                if (HitFileCreated != 0) {
                    CopyHit(block[0].FileListIndex, 1);
                }
                append(record);
                DirectSoundIndex = std::min(DirectSoundIndex, record.index);
                continue;
            }
            for (const std::vector<int>& group : GroupBlock(block)) {
                std::vector<float> energy(NumBands, 0.0f);
                int central = group.front();
                float best = 0.0f;
                for (int e : group) {
                    const TRay& member = early[block[e].FileListIndex];
                    for (unsigned int b = 0; b < NumBands; ++b) {
                        energy[b] += member.spectrum[b];
                    }
                    if (member.fatordist > best) {
                        best = member.fatordist;
                        central = e;
                    }
                }
                TRay record = early[block[central].FileListIndex];
                record.spectrum = energy;
                if (HitFileCreated != 0) {
                    CopyHit(block[central].FileListIndex, static_cast<int>(group.size()));
                }
                append(record);
            }
        }
    }

    CloseRayFile();
    if (HitFileCreated != 0) {
        CloseHitFile();
    }
    ClusterDone = true;
}
