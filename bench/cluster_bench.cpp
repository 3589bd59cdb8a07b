// Speed of the clustering of early reflections: one time block of n arrivals
// from four directions (specular paths), or from all directions as diffuse
// processing gives them, clustered from its early file into the ray file.
// Prints n and the seconds taken.

#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "results/TResult.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "util/Platform.h"

int main()
{
    const auto made = MakeUniqueTempFolder(std::filesystem::temp_directory_path().string(), "velto-cluster-");
    if (!made) {
        std::printf("No temporary folder\n");
        return 1;
    }
    const std::string folder = *made;
    constexpr unsigned kBands = 9;
    const std::vector<float> roomConst(kBands, 1.0f);
    const std::vector<double> air(kBands, 0.0);
    const TResultParam param(kBands, 3, 343.0f, 44100.0f, roomConst.data(), 63, 44100, air.data(), false);
    struct Run {
        unsigned n;
        bool diffuse;
    };
    for (const Run run : {Run{500, false}, Run{2000, false}, Run{4000, false}, Run{16000, false},
                          Run{4000, true}, Run{16000, true}}) {
        TSource source;
        source.NumberOfRays = 20252;
        TReceiver receiver(TPoint3D::Make(3, 0, 0), 0.5, 0.0, -1);
        TResult result(param, &receiver, &source);
        result.CreateRayFile(0, 0, JoinPath(folder, "RAYS"));
        for (unsigned k = 0; k < run.n; ++k) {
            TRay ray(kBands);
            ray.index = 1000 + k % 10;
            ray.reflections = 1;
            if (run.diffuse) {
                // A Fibonacci spiral: evenly spread, no two directions alike.
                const double z = 1.0 - (2.0 * k + 1.0) / run.n;
                ray.dir.elev = static_cast<float>(std::asin(z) * 180.0 / std::numbers::pi);
                ray.dir.azim = static_cast<float>(std::fmod(k * 137.50776405, 360.0));
            } else {
                const float jitter = static_cast<float>((k * 37) % 100) / 50.0f;
                ray.dir.azim = static_cast<float>(30 * (k % 4)) + jitter;
                ray.dir.elev = jitter;
            }
            ray.fatordist = static_cast<float>((k * 13) % 97) / 97.0f;
            ray.spectrum.assign(kBands, 1e-4f);
            result.SaveRay(ray, 0);
        }
        const auto start = std::chrono::steady_clock::now();
        result.Cluster();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("\n%u arrivals from %s in one block: clustered in %.3f s\n", run.n,
                    run.diffuse ? "all directions" : "four directions", seconds);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
