#pragma once
// A source and a receiver with one result between them, built in code.

#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "results/TResult.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"

constexpr unsigned kResultBands = 9;

inline TResultParam MakeResultParam(unsigned maxLength = 2000, int clusterOrder = 2,
                                    unsigned baseLength = 63, bool noiseTail = false)
{
    const std::vector<float> roomConst(kResultBands, 10.0f);
    const std::vector<double> air(kResultBands, 0.0);
    return TResultParam(kResultBands, clusterOrder, 343.0f, 44100.0f, roomConst.data(), baseLength,
                        maxLength, air.data(), noiseTail);
}

// Patterns are given by name: a built-in pattern or a DAFF file path; an
// empty name leaves the source or receiver without a pattern.
struct ResultPair {
    TSource source;
    TReceiver receiver;
    std::unique_ptr<TResult> result;

    explicit ResultPair(const TResultParam& param, const std::string& sourcePattern = "OMNI",
                        const std::string& receiverPattern = "OMNI")
        : receiver(TPoint3D::Make(3.43, 0, 0), 0.5, 0.0, 0)
    {
        source.Position = TPoint3D::Make(0, 0, 0);
        source.NumberOfRays = 1002;
        if (!sourcePattern.empty()) {
            source.SetDirectivity(std::make_shared<TDirectivity>(sourcePattern, kResultBands));
        }
        if (!receiverPattern.empty()) {
            receiver.SetDirectivity(std::make_shared<TDirectivity>(receiverPattern, kResultBands));
        }
        result = std::make_unique<TResult>(param, &receiver, &source);
        result->SetNumRays(source.NumberOfRays);
    }
};

// An arrival with energy scale x (b + 1) in band b.
inline TRay MakeArrival(unsigned index, int reflections, float azim = 0.0f, float elev = 0.0f,
                        float fatordist = 0.5f, float scale = 1.0f)
{
    TRay ray(kResultBands);
    for (unsigned b = 0; b < kResultBands; ++b) {
        ray.spectrum[b] = scale * static_cast<float>(b + 1);
    }
    ray.index = index;
    ray.reflections = reflections;
    ray.dir.azim = azim;
    ray.dir.elev = elev;
    ray.fatordist = fatordist;
    return ray;
}

// Every record of a ray file.
inline std::vector<TRay> ReadRecords(const std::string& path)
{
    std::vector<TRay> records;
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) {
        return records;
    }
    TRay ray(kResultBands);
    while (ray.Read(f)) {
        records.push_back(ray);
    }
    std::fclose(f);
    return records;
}
