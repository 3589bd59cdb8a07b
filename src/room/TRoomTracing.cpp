// What the ray tracer does at a surface, and the quick mean-free-path trace.

#include <cmath>
#include <cstdio>

#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"
#include "simulation/SourceTracer.h"
#include "util/Console.h"

double TRoom::PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy) const
{
    ReflectAtSurface(plane[P], SurfaceTable(), P, DiffuseProcessing != 0, ray, p, scattEnergy);
    return 1.0;
}

float TRoom::MFP_Estimation()
{
    IsRunning = true;
    const TPoint3D centre = GetCenter();
    const std::vector<TVector> directions = CreateRaysDirections(GeodesicRayCount(1002));
    const TPlaneSearch search(plane);
    const TSurfaceTable surfaces = SurfaceTable();
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
            ReflectAtSurface(plane[hit.plane], surfaces, hit.plane, DiffuseProcessing != 0, ray, hit.point, scattered.data());
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
