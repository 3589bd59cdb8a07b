#pragma once
// The standard room: a parametric auditorium of nine lengths with a stage, a
// flat main floor and a raked rear part, symmetric about y = 0, its walls,
// floor and ceiling on three layers with three materials. The room designer
// dialog keeps one of these beside the room it previews, rebuilds the room's
// planes whenever a length changes and writes the room as a project file.
//
// x runs along the room from the stage's end wall, z is up; all lengths in
// metres.

#include <array>
#include <string>

#include "geometry/TPoint3D.h"

class TRoom;

class TStandardRoom {
public:
    static constexpr int NumPlanes = 18;

    // Vertex numbers (from 1) of each plane's ring, ordered so that every
    // normal points into the room; a negative number is the mirror vertex
    // (y negated) of the other side.
    static const std::array<std::array<int, 4>, NumPlanes> vseq;
    // Layer index of each plane: 0 walls, 1 floor, 2 ceiling.
    static const std::array<int, NumPlanes> layerSeg;

    float L1 = 3.0f; // stage length along x
    float L = 4.0f;  // main floor length
    float L2 = 5.0f; // rear part length
    float W1 = 6.0f; // stage width
    float W = 8.0f;  // main floor width
    float W2 = 3.0f; // width at the rear wall
    float H1 = 1.0f; // stage floor height
    float H = 5.0f;  // ceiling height
    float H2 = 1.5f; // floor height at the rear wall

    // The ten vertices of the half room at y >= 0 (for non-negative widths),
    // from the lengths as they were at the last UpdateVertices.
    std::array<TPoint3D, 10> vert{};

    TStandardRoom() { UpdateVertices(); }

    void UpdateVertices();
    // Vertex number n of vseq: entry |n| of vert (from 1), y negated for n < 0.
    TPoint3D Vertex(int n) const;

    // Adds the three materials and the three layers bound to them to a room
    // that has none of them yet.
    static void CreateMaterialsAndLayers(TRoom& room);
    // Replaces the room's planes by the 18 planes of the current lengths and
    // recounts the planes of each layer. The room must hold the layers of
    // CreateMaterialsAndLayers.
    void UpdateRoom(TRoom& room);
    // CreateMaterialsAndLayers and UpdateRoom on a fresh room.
    void Build(TRoom& room);

    // Writes the room as a project file: default settings, plane layers and
    // their colours, planes, materials. The main window loads the file
    // "Temporary.txt" of the working folder after the dialog. False, after an
    // error message, when the file cannot be created or written.
    static bool WriteProject(const TRoom& room, const std::string& path = "Temporary.txt");
};
