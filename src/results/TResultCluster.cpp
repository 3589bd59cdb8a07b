// Clustering of early reflections: a finite receiving sphere collects many
// rays of one specular reflection path; they arrive within a few samples of
// each other from nearly the same direction. Each such bunch becomes one
// arrival carrying the bunch's summed energy at the position and direction of
// its most central ray (largest proximity factor).

#include <algorithm>
#include <cstdio>
#include <vector>

#include "results/ClusterGrouping.h"
#include "results/TResult.h"
#include "util/Console.h"
#include "util/TextParsing.h"

namespace {

// Arrivals of one order further apart than this (samples) are different paths.
constexpr unsigned int kBlockGap = 10;

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
            for (const std::vector<int>& group : GroupByDirection(block, NumThreads)) {
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
