#pragma once
// Constrained Delaunay triangulation of a simple polygon in the plane.

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

using TPoint2D = std::array<double, 2>;
using TTriangleIndices = std::array<std::size_t, 3>;

// Triangulates the polygon whose outline runs through the points in order
// (closed implicitly, no holes). Each returned triangle names three outline
// points, counter-clockwise, and only triangles inside the outline are
// returned; the order is deterministic for a given outline. Nothing is
// returned when the outline cannot be triangulated: fewer than three points,
// non-finite coordinates or edges that cross each other.
std::optional<std::vector<TTriangleIndices>> TriangulatePolygon(const std::vector<TPoint2D>& outline);
