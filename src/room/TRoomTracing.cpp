// What the ray tracer does at a surface, and the quick mean-free-path trace.

#include <cmath>
#include <cstdio>

#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"
#include "util/Console.h"

double TRoom::PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy) const
{
    const TPlane& hitPlane = plane[P];
    ray.dist += Module(p - ray.p);
    ray.p = p;
    const TVector n = hitPlane.normal;
    ray.v = ray.v - n * (2.0 * (ray.v * n));
    ray.reflections += 1;

    // A plane whose layer has no material reflects everything.
    const TMaterial* m = nullptr;
    if (hitPlane.LayerID >= 0 && static_cast<unsigned int>(hitPlane.LayerID) < NumPlaneLayers) {
        const int id = planeLayer[hitPlane.LayerID].MatID;
        if (id >= 0 && static_cast<unsigned int>(id) < NumMaterials) {
            m = &material[id];
        }
    }
    for (unsigned int b = 0; b < NumBands; ++b) {
        const float a = m != nullptr && b < m->abs.size() ? m->abs[b] : 0.0f;
        const float s = m != nullptr && b < m->dif.size() ? m->dif[b] / static_cast<float>(NumBands) : 0.0f;
        const float kept = ray.e[b] * (1.0f - a);
        if (DiffuseProcessing != 0) {
            scattEnergy[b] = s * kept;
            ray.e[b] = (1.0f - s) * kept;
        } else {
            scattEnergy[b] = 0.0f;
            ray.e[b] = kept;
        }
    }
    return 1.0;
}

float TRoom::MFP_Estimation()
{
    IsRunning = true;
    const TPoint3D centre = GetCenter();
    const std::vector<TVector> directions = CreateRaysDirections(GeodesicRayCount(1002));
    const TPlaneSearch search(plane);
    const double maxDistance = static_cast<double>(MaxLength) / FSample * VSound;
    const std::vector<float> emitted(NumBands, 1.0f);
    std::vector<float> scattered(NumBands, 0.0f);
    double distanceSum = 0.0;
    double reflectionSum = 0.0;

    Raio_st ray(NumBands);
    for (std::size_t r = 0; r < directions.size(); ++r) {
        ray.Set(centre, directions[r], 0, 0.0f, emitted.data());
        ray.SetId(static_cast<int>(r));
        const double floor = ray.GetEnergy() * std::pow(10.0, StopDecay / 10.0);
        int last = -1;
        for (;;) {
            const TPlaneHit hit = search.Next(ray.p, ray.v, last);
            if (hit.plane < 0) {
                break;
            }
            PlaneInteraction(hit.plane, ray, hit.point, scattered.data());
            last = hit.plane;
            if (ray.reflections > 50 || ray.dist > maxDistance || ray.GetEnergy() < floor) {
                break;
            }
        }
        if (ray.dist > 0.0 && ray.reflections > 0) {
            distanceSum += ray.dist;
            reflectionSum += ray.reflections;
        }
    }
    IsRunning = false;
    if (reflectionSum == 0.0) {
        ConsolePrint("No ray was reflected: the mean free path is unknown (is the room open?).\n");
        return 0.0f;
    }
    return static_cast<float>(distanceSum / reflectionSum);
}
