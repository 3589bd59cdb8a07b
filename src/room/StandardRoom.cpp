#include "room/StandardRoom.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

// clang-format off
const std::array<std::array<int, 4>, TStandardRoom::NumPlanes> TStandardRoom::vseq = {{
    {1, 2, -2, -1},    // stage end wall
    {1, -1, -4, 4},    // stage floor
    {2, 3, -3, -2},    // stage ceiling
    {1, 4, 3, 2},      // stage side walls
    {-1, -2, -3, -4},
    {3, 4, 5, 6},      // walls beside the stage opening
    {-3, -6, -5, -4},
    {-3, 3, 6, -6},    // above the opening: no area while both ceilings are at H
    {5, 4, -4, -5},    // stage front
    {5, 8, 7, 6},      // main side walls
    {-8, -5, -6, -7},
    {5, -5, -8, 8},    // main floor
    {6, 7, -7, -6},    // main ceiling
    {7, 8, 9, 10},     // rear side walls
    {-8, -7, -10, -9},
    {8, -8, -9, 9},    // raked rear floor
    {7, 10, -10, -7},  // rear ceiling
    {9, -9, -10, 10},  // rear wall
}};
// clang-format on

const std::array<int, TStandardRoom::NumPlanes> TStandardRoom::layerSeg = {
    0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 1, 2, 0};

void TStandardRoom::UpdateVertices()
{
    const double x1 = L1;
    const double x2 = static_cast<double>(L1) + L;
    const double x3 = x2 + L2;
    auto P = [](double x, double y, double z) { return TPoint3D::Make(x, y, z); };
    vert = {P(0, W1 / 2.0, H1),  P(0, W1 / 2.0, H), P(x1, W1 / 2.0, H), P(x1, W1 / 2.0, H1),
            P(x1, W / 2.0, 0),   P(x1, W / 2.0, H), P(x2, W / 2.0, H),  P(x2, W / 2.0, 0),
            P(x3, W2 / 2.0, H2), P(x3, W2 / 2.0, H)};
}

TPoint3D TStandardRoom::Vertex(int n) const
{
    assert(n != 0 && std::abs(n) <= static_cast<int>(vert.size()));
    TPoint3D p = vert[std::abs(n) - 1];
    if (n < 0) {
        p.y = -p.y;
    }
    return p;
}

void TStandardRoom::CreateMaterialsAndLayers(TRoom& room)
{
    constexpr unsigned int kBands = 9;
    assert(room.NumBands == kBands);
    const float absorptive[] = {0.60f, 0.65f, 0.65f, 0.70f, 0.70f, 0.85f, 0.90f, 0.85f, 0.80f};
    const float generic[] = {0.30f, 0.55f, 0.45f, 0.50f, 0.50f, 0.45f, 0.50f, 0.50f, 0.40f};
    const float reflective[] = {0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.04f, 0.04f, 0.04f};
    room.AddMaterial(TMaterial("Absorptive_mat", kBands, absorptive, 0.01f));
    room.AddMaterial(TMaterial("Generic_mat", kBands, generic, 0.05f));
    room.AddMaterial(TMaterial("Reflective_mat", kBands, reflective, 0.1f));

    struct TLayerDefinition {
        const char* name;
        const char* material;
        int r, g, b;
    };
    const TLayerDefinition layers[] = {{"Walls", "Generic_mat", 50, 50, 255},
                                       {"Floor", "Absorptive_mat", 0, 128, 255},
                                       {"Ceiling", "Reflective_mat", 50, 128, 20}};
    for (const TLayerDefinition& definition : layers) {
        TPlaneLayer layer(definition.name);
        layer.NumBands = room.NumBands;
        layer.MatID = room.GetMaterialID(definition.material);
        layer.SetColor(definition.r, definition.g, definition.b);
        room.AddPlaneLayer(layer);
    }
}

void TStandardRoom::UpdateRoom(TRoom& room)
{
    room.DeletePlanes();
    UpdateVertices();
    for (TPlaneLayer& layer : room.planeLayer) {
        layer.NumPlanes = 0;
    }
    for (int i = 0; i < NumPlanes; ++i) {
        TPlane p(4);
        for (int k = 0; k < 4; ++k) {
            p.SetVertex(static_cast<unsigned int>(k), Vertex(vseq[i][k]));
        }
        p.LayerID = layerSeg[i];
        // The room's copy is cleaned, oriented and tessellated.
        room.AddPlane(p);
        if (static_cast<unsigned int>(layerSeg[i]) < room.NumPlaneLayers) {
            ++room.planeLayer[layerSeg[i]].NumPlanes;
        }
    }
}

void TStandardRoom::Build(TRoom& room)
{
    CreateMaterialsAndLayers(room);
    UpdateRoom(room);
}

bool TStandardRoom::WriteProject(const TRoom& room, const std::string& path)
{
    {
        TFileCloser created(std::fopen(path.c_str(), "wt"));
        if (created.get() == nullptr) {
            ErrorMessage("Cannot create file '%s'.", path.c_str());
            return false;
        }
    }
    return WriteDefaultSetup(path) && room.SavePlaneLayers(path) && room.SavePlanes(path) &&
           room.SaveMaterials(path);
}
