// Whole-room geometry: outer planes, volume, area, bounding box, visibility.

#include <cmath>
#include <cstdio>

#include "geometry/MathFunctions.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/SourceTracer.h"
#include "simulation/RayDirections.h"
#include "util/Console.h"

namespace {

constexpr double kHuge = 1.7976931348623158e+307;

struct TBox {
    TPoint3D min = TPoint3D::Make(kHuge, kHuge, kHuge);
    TPoint3D max = TPoint3D::Make(-kHuge, -kHuge, -kHuge);

    void Add(TPoint3D p)
    {
        min.Set(std::fmin(min.x, p.x), std::fmin(min.y, p.y), std::fmin(min.z, p.z));
        max.Set(std::fmax(max.x, p.x), std::fmax(max.y, p.y), std::fmax(max.z, p.z));
    }
};

TBox PlaneBox(const std::vector<TPlane>& planes)
{
    TBox box;
    for (const TPlane& p : planes) {
        for (unsigned int v = 0; v < p.NumVert; ++v) {
            box.Add(p.vertice[v]);
        }
    }
    return box;
}

TBox RoomBox(const TRoom& room)
{
    TBox box = PlaneBox(room.plane);
    for (const TReceiver& r : room.receiver) {
        box.Add(r.Position);
    }
    for (const TSource& s : room.source) {
        box.Add(s.Position);
    }
    return box;
}

// Grid coordinates from lo to hi in steps of a twentieth of the extent, summed
// in single precision (nominally 21 values). A zero or non-finite extent gives
// the one coordinate lo, and a step too small to change the sum ends the axis,
// so huge or far-off coordinates can never make the grid run on.
std::vector<float> GridAxis(double lo, double hi)
{
    const float start = static_cast<float>(lo);
    const float end = static_cast<float>(hi);
    const float step = static_cast<float>((hi - lo) / 20.0);
    std::vector<float> values{start};
    if (!(step > 0.0f) || !std::isfinite(start) || !std::isfinite(end) || !std::isfinite(step)) {
        return values;
    }
    for (float x = start + step; x <= end && x != values.back() && values.size() < 64; x += step) {
        values.push_back(x);
    }
    return values;
}

} // namespace

void TRoom::GetExternalPlanes()
{
    ConsolePrint("PLEASE WAIT! CHECKING EXTERNAL WALLS ...");
    if (NumPlanes == 1) {
        ConsolePrint("Room with a single plane!\n");
        plane[0].IsExternal = true;
        return;
    }
    if (NumPlanes == 0) {
        ConsolePrint("Room WITHOUT planes!\n");
        return;
    }
    for (TPlane& p : plane) {
        p.IsExternal = false;
    }
    const TBox box = PlaneBox(plane);
    const TPoint3D extent = box.max - box.min;
    if (extent.x == 0.0 || extent.y == 0.0 || extent.z == 0.0) {
        ConsolePrint("All planes are coplanar -> Infinity Room Volume\n");
        Volume = kHuge;
    }

    const std::vector<TVector> directions = CreateRaysDirections(GeodesicRayCount(100));
    const TPlaneSearch search(plane);
    static const char kSpinner[] = {'|', '/', '-', '\\'};
    unsigned int spin = 0;

    // Faces in the order below z, above z, below y, above y, below x, above x;
    // the samples lie a twentieth of the extent outside each face.
    for (int axis = 2; axis >= 0; --axis) {
        for (int side = 0; side < 2; ++side) {
            const double lo[3] = {box.min.x, box.min.y, box.min.z};
            const double hi[3] = {box.max.x, box.max.y, box.max.z};
            const double offset = (hi[axis] - lo[axis]) / 20.0;
            const double fixed = side == 0 ? lo[axis] - offset : hi[axis] + offset;
            std::vector<float> axes[3];
            for (int a = 0; a < 3; ++a) {
                axes[a] = a == axis ? std::vector<float>{static_cast<float>(fixed)} : GridAxis(lo[a], hi[a]);
            }
            std::vector<TPoint3D> samples;
            for (float x : axes[0]) {
                for (float y : axes[1]) {
                    for (float z : axes[2]) {
                        samples.push_back(TPoint3D::Make(axis == 0 ? fixed : x, axis == 1 ? fixed : y,
                                                         axis == 2 ? fixed : z));
                    }
                }
            }
            for (const TPoint3D& start : samples) {
                ConsolePrint("\rPLEASE WAIT! CHECKING EXTERNAL WALLS ... %c", kSpinner[spin++ % 4]);
                // Every direction is tried: stopping at the first one that hits
                // leaves walls in a recess of the bounding box (beside a stage
                // opening, say) unmarked, and the volume then counts wrong.
                for (const TVector& direction : directions) {
                    const TPlaneHit hit = search.Next(start, direction, -1);
                    if (hit.plane >= 0) {
                        plane[hit.plane].IsExternal = true;
                    }
                }
            }
        }
    }
    ConsolePrint("Done!\n");
}

double TRoom::CalculateVolumeGeometry()
{
    if (ForceVolumeFlag != 0) {
        return Volume;
    }
    Volume = 0.0;
    GetCenter();
    if (NumPlanes == 0) {
        Volume = 4.494232837155789e+300;
        return Volume;
    }
    double sum = 0.0;
    for (const TPlane& p : plane) {
        if (!p.IsExternal) {
            continue;
        }
        for (const TTriangle& t : p.triangulo) {
            const TVector g = PointToVector((t.p0 + t.p1 + t.p2) / 3.0);
            const TVector cross = PointToVector(t.p1 - t.p0) / PointToVector(t.p2 - t.p0);
            sum += g * cross;
        }
    }
    Volume = std::fabs(sum / 6.0);
    return Volume;
}

double TRoom::CalculateArea()
{
    if (NumPlanes == 0) {
        Area = 9.9999999999999995e-07;
        return Area;
    }
    Area = 0.0;
    for (TPlane& p : plane) {
        Area += p.PlaneArea();
    }
    return Area;
}

TPoint3D TRoom::GetCenter()
{
    const TBox box = RoomBox(*this);
    Center = (box.max + box.min) * 0.5;
    return Center;
}

float TRoom::GetMaxRoomLength() const
{
    const TBox box = RoomBox(*this);
    return static_cast<float>(Module(box.max - box.min));
}

int TRoom::CheckVisibility(TPoint3D P1, TPoint3D P2)
{
    return CheckVisibility(P1, P2, TPlaneSearch(plane));
}

int TRoom::CheckVisibility(TPoint3D P1, TPoint3D P2, const TPlaneSearch& search)
{
    return IsVisible(search, P1, P2);
}
