#include "view/RoomDrawData.h"

#include <algorithm>
#include <cstdio>
#include <numbers>

#include "geometry/MathFunctions.h"
#include "room/TRoom.h"

namespace {

constexpr RGBA kBlack{0.0f, 0.0f, 0.0f, 1.0f};
constexpr RGBA kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr RGBA kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr RGBA kBlue{0.0f, 0.0f, 1.0f, 1.0f};
constexpr RGBA kNoLayerGrey{0.6f, 0.6f, 0.6f, 1.0f};
constexpr RGBA kReceiverColor{0.0f, 1.0f, 0.0f, 0.0f};
constexpr double kSourceRadius = 0.2;     // m
constexpr double kSourceLabelHeight = 0.3; // m above the source
constexpr double kOriginRadius = 0.05;    // m
constexpr float kThickLine = 3.0f;        // pixels
constexpr float kLostRayWidth = 2.0f;     // pixels

float Clamp01(double v)
{
    return static_cast<float>(std::clamp(v, 0.0, 1.0));
}

RGBA Clamped(double r, double g, double b, double a)
{
    return {Clamp01(r), Clamp01(g), Clamp01(b), Clamp01(a)};
}

TPoint3D Offset(TPoint3D p, TVector v)
{
    return p + VectorToPoint(v);
}

double Radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

std::string NumberedLabel(char prefix, std::size_t index)
{
    char text[32];
    std::snprintf(text, sizeof text, "%c%.2d", prefix, static_cast<int>(index + 1));
    return text;
}

RGBA PlaneColor(const TPlane& plane, const std::vector<RGBA>& layerColors)
{
    if (plane.LayerID >= 0 && static_cast<std::size_t>(plane.LayerID) < layerColors.size()) {
        return layerColors[plane.LayerID];
    }
    return kNoLayerGrey;
}

DrawLoop TriangleLoop(const TTriangle& t)
{
    return {{t.p0, t.p1, t.p2}, kBlack};
}

void AddSinglePlane(const TPlane& plane, const ViewControl& view,
                    const std::vector<RGBA>& layerColors, RoomDrawData& data)
{
    const RGBA layerColor = PlaneColor(plane, layerColors);
    const TVector unitNormal = Normal(plane.normal);
    const std::size_t count = plane.triangulo.size();
    for (std::size_t t = 0; t < count; ++t) {
        const TTriangle& tri = plane.triangulo[t];
        if (view.pintura != 0) {
            RGBA color = layerColor;
            if (view.ViewTriangles != 0) {
                // Shades from dark to the layer colour tell the triangles apart.
                const float shade = static_cast<float>(t + 1) / static_cast<float>(count + 1);
                color.r *= shade;
                color.g *= shade;
                color.b *= shade;
            }
            data.triangles.push_back({tri.p0, tri.p1, tri.p2, color});
            data.normals.push_back({tri.center, Offset(tri.center, unitNormal), kRed, kThickLine});
        }
        if (view.ViewTriangles != 0) {
            data.triangleOutlines.push_back(TriangleLoop(tri));
        }
    }
}

void AddAllPlanes(const TRoom& room, const ViewControl& view,
                  const std::vector<RGBA>& layerColors, RoomDrawData& data)
{
    for (const TPlane& plane : room.plane) {
        const RGBA color = PlaneColor(plane, layerColors);
        for (const TTriangle& tri : plane.triangulo) {
            if (view.pintura != 0) {
                data.triangles.push_back({tri.p0, tri.p1, tri.p2, color});
                // An outer surface is seen from outside too; with back faces
                // culled it needs the reversed triangle.
                if (plane.IsExternal) {
                    data.triangles.push_back({tri.p2, tri.p1, tri.p0, color});
                }
            }
            if (view.ViewTriangles != 0) {
                data.triangleOutlines.push_back(TriangleLoop(tri));
            }
        }
    }
}

void AddSources(const TRoom& room, const ViewControl& view, RoomDrawData& data)
{
    for (std::size_t i = 0; i < room.source.size(); ++i) {
        const TSource& s = room.source[i];
        data.sources.push_back({s.Position, kSourceRadius, kRed});
        const TVector aim = sph2cart(Radians(s.AzimRotation), Radians(s.ElevRotation), 1.0);
        data.aimLines.push_back({s.Position, Offset(s.Position, aim), kBlue, kThickLine});
        if (view.drawSourceIDs) {
            data.labels.push_back({NumberedLabel('S', i),
                                   s.Position + TPoint3D::Make(0.0, 0.0, kSourceLabelHeight),
                                   kBlack});
        }
    }
}

void AddReceivers(const TRoom& room, const ViewControl& view, RoomDrawData& data)
{
    for (std::size_t i = 0; i < room.receiver.size(); ++i) {
        const TReceiver& r = room.receiver[i];
        data.receivers.push_back({r.Position, r.Radius, kReceiverColor});
        const TVector aim = sph2cart(Radians(r.AzimRotation), Radians(r.ElevRotation), 1.0);
        data.aimLines.push_back({r.Position, Offset(r.Position, aim), kBlue, kThickLine});
        if (view.drawReceiverIDs) {
            data.labels.push_back(
                {NumberedLabel('R', i), r.Position + TPoint3D::Make(0.0, 0.0, r.Radius), kBlack});
        }
    }
}

void AddLostRays(const TRoom& room, RoomDrawData& data)
{
    // Long enough to leave the room from any point inside it.
    const double length = 1.5 * room.GetMaxRoomLength();
    const std::size_t count = std::min<std::size_t>(room.NumLostRays, room.lostRays.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Raio_st& ray = room.lostRays[i];
        const TVector direction = Normal(ray.v);
        if (direction.Module() == 0.0) {
            continue;
        }
        data.lostRays.push_back({ray.p, Offset(ray.p, direction * length),
                                 LostRayColor(static_cast<int>(ray.reflections),
                                              room.MaxLostRaysRef),
                                 kLostRayWidth});
    }
}

} // namespace

std::vector<RGBA> LayerColors(const TRoom& room)
{
    const std::size_t n = std::min<std::size_t>(room.NumPlaneLayers, room.planeLayer.size());
    std::vector<RGBA> colors;
    colors.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::array<int, 3>& cor = room.planeLayer[i].cor;
        if (cor[0] != -1) {
            colors.push_back(Clamped(cor[0] / 255.0, cor[1] / 255.0, cor[2] / 255.0, 1.0));
            continue;
        }
        // A layer without a stored colour gets one from its index, so that
        // neighbouring layers differ.
        const long long layers = static_cast<long long>(room.NumPlaneLayers);
        const long long index = static_cast<long long>(i);
        const double scale = 1.0 / static_cast<double>(layers);
        colors.push_back(Clamped((1 - (2 * index) % layers) * 250.0 * scale,
                                 (1 - (3 * index) % layers) * 150.0 * scale,
                                 (1 - (4 * index) % layers) * 100.0 * scale, 1.0));
    }
    return colors;
}

RGBA LostRayColor(int n, int maxReflections)
{
    const double ratio = maxReflections > 0 ? static_cast<double>(n) / maxReflections : 0.0;
    return Clamped(1.0 - 0.2 * ratio, n % 2, std::min(n % 4, 1), 0.0);
}

RoomDrawData BuildRoomDrawData(const TRoom& room, const ViewControl& view,
                               const std::vector<RGBA>& layerColors)
{
    RoomDrawData data;
    const TPoint3D origin;
    data.axes = {{origin, TPoint3D::Make(1.0, 0.0, 0.0), kRed, kThickLine},
                 {origin, TPoint3D::Make(0.0, 1.0, 0.0), kGreen, kThickLine},
                 {origin, TPoint3D::Make(0.0, 0.0, 1.0), kBlue, kThickLine}};
    data.origin = {origin, kOriginRadius, kBlue};
    if (!view.DrawRoom) {
        return data;
    }

    if (view.ViewSinglePlane != 0) {
        const int active = view.activeplane;
        if (active >= 0 && static_cast<std::size_t>(active) < room.plane.size()) {
            AddSinglePlane(room.plane[active], view, layerColors, data);
        }
    } else {
        AddAllPlanes(room, view, layerColors, data);
    }
    for (const TPlane& plane : room.plane) {
        data.outlines.push_back({plane.vertice, kBlack});
    }
    if (view.drawSources) {
        AddSources(room, view, data);
    }
    if (view.drawReceivers) {
        AddReceivers(room, view, data);
    }
    if (view.DrawLostRays != 0) {
        AddLostRays(room, data);
    }
    return data;
}
