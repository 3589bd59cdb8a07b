#pragma once
// One flat polygonal surface of a room: its vertex ring, unit normal, a local
// two-dimensional frame and a tessellation into triangles used by the
// point-in-polygon test, the area and the 3D view. The plane owns its vertices
// and triangles; copies are deep.
//
// Orientation: the normal is (V1 - V0) x (V2 - V0) normalised, so the ring runs
// counter-clockwise seen from the side the normal points to.
//
// After any change of vertices, Tecelagem must run before Inner, PlaneArea or
// drawing: origem, Mi and triangulo describe the ring of the last tessellation.

#include <array>
#include <cstdio>
#include <vector>

#include "geometry/MathFunctions.h"
#include "geometry/TPoint3D.h"
#include "geometry/TTriangle.h"
#include "geometry/TVector.h"

class TPlane {
public:
    TMatrix3 Mi{};                  // local frame inverse: (Q - origem) -> (s, t, h)
    TPoint3D origem;                // vertex 0 at the last tessellation
    std::vector<TPoint3D> vertice;  // the ring, NumVert entries
    bool mem_alloc = false;         // the vertex ring was set up by a constructor
    unsigned int hits = 0;          // successful Inner tests (Contains does not count)
    int LayerID = -1;               // index in the room's plane layers; -1 = none
    unsigned int NumVert = 0;
    unsigned int NumTriang = 0;
    TVector normal;
    std::vector<TTriangle> triangulo; // NumTriang entries
    double area = 0.0;                // m2, filled by PlaneArea()
    bool IsExternal = false;          // set by the room's outer-surface analysis

    // n > 2 gives n vertices at the origin, to be set with SetVertex and then
    // brought to use by CheckForErrors, CalcNormal and Tecelagem. Otherwise
    // the plane has no vertices.
    explicit TPlane(int n = 0);
    // n > 2: copies the points, then CalcNormal, CheckForErrors, Tecelagem.
    TPlane(int n, const TPoint3D* pts);
    explicit TPlane(const std::vector<TPoint3D>& pts);
    // The copy takes the layer, hits and IsExternal, copies the ring and
    // recomputes normal, cleaning and tessellation from it.
    TPlane(const TPlane& p);
    TPlane& operator=(const TPlane& p);
    TPlane(TPlane&&) noexcept = default;
    TPlane& operator=(TPlane&&) noexcept = default;
    ~TPlane() = default;

    // -1 when vertID is not a vertex of the ring, else 1. Normal and
    // tessellation are not updated.
    int SetVertex(unsigned int vertID, TPoint3D p);
    int SetVertex(unsigned int vertID, double a, double b, double c);
    // Vertex vertID modulo NumVert; fatal on a plane without vertices.
    TPoint3D GetVertex(int vertID) const;
    void RemoveVertex(unsigned int pos);

    TVector CalcNormal();
    // Removes repeated and collinear-middle vertices and projects stray
    // vertices onto the plane of the first three; 0 when fewer than three
    // vertices remain, else 1.
    int CheckForErrors();
    // Reverses the direction of the ring; the normal flips at the next
    // CalcNormal or Tecelagem.
    void InvertSequence();
    void Tecelagem();

    // Index of the triangle containing the projection of P3D onto the plane,
    // or -1. Points on an edge shared by two triangles belong to the earlier.
    int Inner(TPoint3D P3D);
    // Inner without counting the hit, for searches that share the plane
    // between threads.
    int Contains(TPoint3D P3D) const;
    // 2D barycentric test on x and y: 1 inside or on the border, 0 outside,
    // -1 when the triangle has zero area.
    static int Inner2D(TPoint3D P1, TPoint3D P2, TPoint3D P3, TPoint3D P);
    // Twice the signed area in the x-y plane, positive counter-clockwise.
    static float Area2D(TPoint3D A, TPoint3D B, TPoint3D C);
    static TPoint3D CalcProjection(TPoint3D P, TPoint3D P0_plane, TVector N_plane);

    // The corners of the triangles in the local frame of the last
    // tessellation, as Contains reads them.
    const std::vector<std::array<TPoint3D, 3>>& LocalCorners() const { return m_localCorners; }

    double PlaneArea();
    // "<n> x y z x y z ..." with two decimals per coordinate, no line end.
    void WriteVertexes(FILE* fid) const;

private:
    void SetRing(const TPoint3D* pts, int n);
    void CacheLocalCorners();

    // The triangles' corners in the local frame of the last tessellation, so
    // that Inner maps only the tested point.
    std::vector<std::array<TPoint3D, 3>> m_localCorners;
};
