#pragma once
// Rooms built in code for the tests.

#include <algorithm>
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/TPlane.h"
#include "room/TRoom.h"
#include "util/Console.h"

// The six walls of the box [0, lx] x [0, ly] x [0, lz], normals pointing into
// the room (inward) or out of it.
inline std::vector<TPlane> BoxPlanes(double lx, double ly, double lz, bool inward = true)
{
    auto P = [](double x, double y, double z) { return TPoint3D::Make(x, y, z); };
    std::vector<std::vector<TPoint3D>> rings = {
        {P(0, 0, 0), P(lx, 0, 0), P(lx, ly, 0), P(0, ly, 0)},         // floor, normal +z
        {P(0, 0, lz), P(0, ly, lz), P(lx, ly, lz), P(lx, 0, lz)},     // ceiling, -z
        {P(0, 0, 0), P(0, 0, lz), P(lx, 0, lz), P(lx, 0, 0)},         // y = 0, +y
        {P(0, ly, 0), P(lx, ly, 0), P(lx, ly, lz), P(0, ly, lz)},     // y = ly, -y
        {P(0, 0, 0), P(0, ly, 0), P(0, ly, lz), P(0, 0, lz)},         // x = 0, +x
        {P(lx, 0, 0), P(lx, 0, lz), P(lx, ly, lz), P(lx, ly, 0)},     // x = lx, -x
    };
    std::vector<TPlane> planes;
    for (auto& ring : rings) {
        if (!inward) {
            std::reverse(ring.begin(), ring.end());
        }
        planes.emplace_back(ring);
        planes.back().LayerID = 0;
    }
    return planes;
}

// The walls of the same box, each split into split x split panels.
inline std::vector<TPlane> PanelledBoxPlanes(double lx, double ly, double lz, int split)
{
    std::vector<TPlane> panels;
    for (const TPlane& wall : BoxPlanes(lx, ly, lz)) {
        const TPoint3D o = wall.vertice[0];
        const TPoint3D a = (wall.vertice[1] - o) / split;
        const TPoint3D b = (wall.vertice[3] - o) / split;
        for (int i = 0; i < split; ++i) {
            for (int j = 0; j < split; ++j) {
                const TPoint3D c = o + a * i + b * j;
                panels.emplace_back(std::vector<TPoint3D>{c, c + a, c + a + b, c + b});
                panels.back().LayerID = 0;
            }
        }
    }
    return panels;
}

// A room holding the planes, with one material of the given absorption and
// scattering on all of them.
inline void FillRoom(TRoom& room, const std::vector<TPlane>& planes, float absorption = 0.0f,
                     float scattering = 0.0f)
{
    room.AddMaterial(TMaterial("wall", room.NumBands, absorption, scattering));
    TPlaneLayer layer("walls");
    layer.MatID = 0;
    room.AddPlaneLayer(layer);
    room.CreatePlanes(planes);
    room.planeLayer[0].NumPlanes = room.NumPlanes;
}

inline void FillBoxRoom(TRoom& room, double lx, double ly, double lz, float absorption = 0.0f,
                        float scattering = 0.0f, bool inward = true)
{
    FillRoom(room, BoxPlanes(lx, ly, lz, inward), absorption, scattering);
}

// The geometry analysis a loaded room gets (outer planes, volume, area),
// without its console output.
inline void AnalyseQuietly(TRoom& room)
{
    const ConsoleSink previous = SetConsoleSink([](const std::string&) {});
    room.GetExternalPlanes();
    room.CalculateVolumeGeometry();
    room.CalculateArea();
    SetConsoleSink(previous);
}
