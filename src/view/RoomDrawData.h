#pragma once
// What the 3D view draws for a room, prepared without OpenGL: filled
// triangles in their layer colours, outlines, source and receiver markers with
// their aim lines and labels, the axes and the lost rays. The GL canvas only
// turns these lists into GL calls.

#include <array>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"
#include "view/ViewControl.h"

class TRoom;

struct RGBA {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

// One colour per plane layer: the layer's stored colour (0..255 per
// component) when its first component is not -1, else a colour computed from
// the layer's index; components clamped to [0, 1].
std::vector<RGBA> LayerColors(const TRoom& room);

struct DrawTriangle {
    TPoint3D p0, p1, p2; // counter-clockwise seen from the side that is drawn
    RGBA color;
};

struct DrawLine {
    TPoint3D from, to;
    RGBA color;
    float width = 1.0f; // pixels
};

struct DrawLoop {
    std::vector<TPoint3D> points; // closed: the last point joins the first
    RGBA color;
};

struct DrawMarker {
    TPoint3D center;
    double radius = 0.0; // m
    RGBA color;
};

struct DrawLabel {
    std::string text;
    TPoint3D anchor; // where the text starts
    RGBA color;
};

struct RoomDrawData {
    std::vector<DrawTriangle> triangles;    // planes; external ones twice, once per side
    std::vector<DrawLine> normals;          // single-plane mode: 1 m normal from each triangle's centre
    std::vector<DrawLoop> outlines;         // every plane's outline
    std::vector<DrawLoop> triangleOutlines; // the tessellation, when shown
    std::vector<DrawMarker> sources;        // in source order
    std::vector<DrawMarker> receivers;      // in receiver order
    std::vector<DrawLine> aimLines;         // sources first, then receivers
    std::vector<DrawLabel> labels;          // "S01"..., then "R01"...
    std::vector<DrawLine> axes;             // x red, y green, z blue, 1 m from the origin
    DrawMarker origin;                      // the small sphere at the origin
    std::vector<DrawLine> lostRays;
};

// Colour of a lost ray after n reflections, with maxReflections the largest
// count among the lost rays (0 when unknown).
RGBA LostRayColor(int n, int maxReflections);

// Everything drawn for the room with these options; layerColors as
// LayerColors gives them (a plane whose layer has no colour is drawn grey).
// Nothing but the axes when view.DrawRoom is false.
RoomDrawData BuildRoomDrawData(const TRoom& room, const ViewControl& view,
                               const std::vector<RGBA>& layerColors);
