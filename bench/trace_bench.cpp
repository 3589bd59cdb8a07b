// Speed of the ray tracer's inner loop: the next-plane search and the surface
// interaction, traced for the whole emission of one source until each ray's
// stop rules end it. Prints rays, segments, seconds and segments per second
// for three rooms, and for the example shoebox traced as the simulation does
// it, with the reception test of its receiver on every segment.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "RoomFixtures.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"
#include "simulation/SourceTracer.h"

namespace {

// A fan-shaped hall of 18 planes: floor, ceiling, stage wall, rear wall, two
// splayed side walls in three segments each, a raised stage with its front,
// and six ceiling reflectors.
std::vector<TPlane> Auditorium()
{
    auto P = [](double x, double y, double z) { return TPoint3D::Make(x, y, z); };
    const double h = 9.0;
    const std::vector<TPoint3D> floorRing = {P(0, -6, 0), P(24, -11, 0), P(24, 11, 0), P(0, 6, 0)};
    std::vector<TPlane> planes;
    auto add = [&](std::vector<TPoint3D> ring) {
        TPlane p(ring);
        p.LayerID = 0;
        planes.push_back(std::move(p));
    };
    add(floorRing);
    add({P(0, -6, h), P(0, 6, h), P(24, 11, h), P(24, -11, h)});
    add({P(0, -6, 0), P(0, 6, 0), P(0, 6, h), P(0, -6, h)});
    add({P(24, -11, 0), P(24, -11, h), P(24, 11, h), P(24, 11, 0)});
    for (int side : {-1, 1}) {
        for (int k = 0; k < 3; ++k) {
            const double x0 = 8.0 * k, x1 = 8.0 * (k + 1);
            const double y0 = side * (6 + 5 * x0 / 24), y1 = side * (6 + 5 * x1 / 24);
            if (side < 0) {
                add({P(x0, y0, 0), P(x1, y1, 0), P(x1, y1, h), P(x0, y0, h)});
            } else {
                add({P(x0, y0, 0), P(x0, y0, h), P(x1, y1, h), P(x1, y1, 0)});
            }
        }
    }
    add({P(0, -5, 1), P(4, -5, 1), P(4, 5, 1), P(0, 5, 1)});
    add({P(4, -5, 0), P(4, 5, 0), P(4, 5, 1), P(4, -5, 1)});
    for (int k = 0; k < 6; ++k) {
        const double x0 = 2 + 3.5 * k;
        add({P(x0, -3, h - 1.5), P(x0, 3, h - 1.5), P(x0 + 2.5, 3, h - 1.0), P(x0 + 2.5, -3, h - 1.0)});
    }
    return planes;
}

void Run(const char* name, std::vector<TPlane> planes, TPoint3D sourcePosition)
{
    TRoom room;
    room.AddMaterial(TMaterial("wall", room.NumBands, 0.1f, 0.2f));
    TPlaneLayer layer("walls");
    layer.MatID = 0;
    room.AddPlaneLayer(layer);
    room.CreatePlanes(planes);
    room.DiffuseProcessing = 1;
    room.SetMaxTime(2.0f);

    const std::vector<TVector> directions = CreateRaysDirections(GeodesicRayCount(20000));
    const TPlaneSearch search(room.plane);
    // Built once, as the tracer does: what each surface does to a ray.
    const TSurfaceTable surfaces = room.SurfaceTable();
    const double maxDistance = room.GetMaxTime() * room.VSound;
    const std::vector<float> emitted(room.NumBands, 1.0f / directions.size());
    std::vector<float> scattered(room.NumBands);
    Raio_st ray(room.NumBands);
    long long segments = 0;
    long long lost = 0;

    const auto start = std::chrono::steady_clock::now();
    for (std::size_t r = 0; r < directions.size(); ++r) {
        ray.Set(sourcePosition, directions[r], 0, 0.0f, emitted.data());
        const double floor = ray.GetEnergy() * std::pow(10.0, room.StopDecay / 10.0);
        int last = static_cast<int>(room.NumPlanes);
        for (;;) {
            const TPlaneHit hit = search.Next(ray.p, ray.v, last);
            ++segments;
            if (hit.plane < 0) {
                ++lost;
                break;
            }
            ReflectAtSurface(room.plane[hit.plane], surfaces, hit.plane, room.DiffuseProcessing != 0, ray, hit.point,
                             scattered.data());
            last = hit.plane;
            if (ray.dist > maxDistance || ray.GetEnergy() < floor) {
                break;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s planes %5u  rays %6zu  segments %10lld  lost %4lld  seconds %7.3f  segments/s %12.0f\n",
                name, room.NumPlanes, directions.size(), segments, lost, seconds, segments / seconds);
}

// The shoebox of examples/shoebox (absorption 0.1, no scattering,
// source (2, 3, 1.5), a receiver of radius 0.5 m at (6, 2.5, 1.2), 20 252 rays
// and 2 s) through the loop of TRoom::Simulate without the result records:
// reception test, search, surface interaction and the stop rules. The path
// sum and the reception count change only when a decision changes.
void RunSimulationLoop()
{
    TRoom room;
    room.AddMaterial(TMaterial("wall10", room.NumBands, 0.1f, 0.0f));
    TPlaneLayer layer("walls");
    layer.MatID = 0;
    room.AddPlaneLayer(layer);
    room.CreatePlanes(BoxPlanes(8, 6, 3));
    room.DiffuseProcessing = 0;
    room.SetMaxTime(2.0f);
    room.AddReceiver(TReceiver(TPoint3D::Make(6, 2.5, 1.2), 0.5, 0.0, -1));
    const TPoint3D sourcePosition = TPoint3D::Make(2, 3, 1.5);
    const TPoint3D centre = room.receiver[0].Position;

    // The simulation's extra ray straight at the receiver comes first.
    std::vector<TVector> directions = {PointToVector(centre - sourcePosition)};
    for (const TVector& v : CreateRaysDirections(20252)) {
        directions.push_back(v);
    }
    const TPlaneSearch search(room.plane);
    // Built once, as the tracer does: what each surface does to a ray.
    const TSurfaceTable surfaces = room.SurfaceTable();
    const double maxDistance = static_cast<double>(room.MaxLength) / room.FSample * room.VSound;
    const std::vector<float> emitted(room.NumBands, 1.0f / directions.size());
    std::vector<float> scattered(room.NumBands);
    Raio_st ray(room.NumBands);
    long long segments = 0;
    long long receptions = 0;
    double pathSum = 0.0;

    const auto start = std::chrono::steady_clock::now();
    for (std::size_t r = 0; r < directions.size(); ++r) {
        ray.Set(sourcePosition, directions[r], 0, 0.0f, emitted.data());
        const double floor = ray.GetEnergy() * std::pow(10.0, room.StopDecay / 10.0);
        int last = -1;
        for (;;) {
            ++segments;
            const float proximity = static_cast<float>(room.RayTracingReception(ray, 0, 0));
            bool crossing = false;
            double distToCentre = -1.0;
            if (proximity > 0.0f && proximity <= 1.0f) {
                crossing = true;
                distToCentre = Module(centre - ray.p);
            }
            const TPlaneHit hit = search.Next(ray.p, ray.v, last);
            if (hit.plane >= 0 && distToCentre > hit.distance) {
                crossing = false;
            }
            receptions += crossing ? 1 : 0;
            if (hit.plane < 0) {
                break;
            }
            ReflectAtSurface(room.plane[hit.plane], surfaces, hit.plane, room.DiffuseProcessing != 0, ray, hit.point,
                             scattered.data());
            last = hit.plane;
            if (ray.dist > maxDistance || ray.GetEnergy() < floor) {
                break;
            }
        }
        pathSum += ray.dist;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s planes %5u  rays %6zu  segments %10lld  receptions %6lld  path sum %.17g  "
                "seconds %7.3f  segments/s %12.0f\n",
                "shoebox simulation loop", room.NumPlanes, directions.size(), segments, receptions, pathSum,
                seconds, segments / seconds);
}

} // namespace

// With an argument (shoebox, auditorium, panelled or loop) only that room is traced.
int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "shoebox") {
        Run("shoebox 8 x 6 x 3 m", BoxPlanes(8, 6, 3), TPoint3D::Make(2, 3, 1.5));
    }
    if (only.empty() || only == "auditorium") {
        Run("auditorium (18 planes)", Auditorium(), TPoint3D::Make(3, 0, 1.5));
    }
    if (only.empty() || only == "loop") {
        RunSimulationLoop();
    }
    if (only.empty() || only == "panelled") {
        Run("panelled box (1014 planes)", PanelledBoxPlanes(8, 6, 3, 13), TPoint3D::Make(2, 3, 1.5));
    }
    return 0;
}
