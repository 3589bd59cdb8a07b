#include "geometry/PolygonTriangulation.h"

#include <cmath>
#include <deque>
#include <exception>

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Constrained_triangulation_face_base_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<std::size_t, Kernel>;
// Face info: how many constrained edges separate the face from the outside;
// -1 until visited.
using FaceInfoBase = CGAL::Triangulation_face_base_with_info_2<int, Kernel>;
using FaceBase = CGAL::Constrained_triangulation_face_base_2<Kernel, FaceInfoBase>;
using Tds = CGAL::Triangulation_data_structure_2<VertexBase, FaceBase>;
// Crossing constraints would need new points: the default tag makes the
// triangulation throw instead, which is what a self-intersecting ring should do.
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel, Tds>;

// Flood fill from the infinite face: crossing a constrained edge adds one
// nesting level, so the faces of odd level lie inside the outline.
void MarkNesting(Cdt& cdt)
{
    for (auto face = cdt.all_faces_begin(); face != cdt.all_faces_end(); ++face) {
        face->info() = -1;
    }
    std::deque<Cdt::Edge> border;
    auto fill = [&](Cdt::Face_handle start, int level) {
        std::deque<Cdt::Face_handle> queue{start};
        while (!queue.empty()) {
            const Cdt::Face_handle face = queue.front();
            queue.pop_front();
            if (face->info() != -1) {
                continue;
            }
            face->info() = level;
            for (int i = 0; i < 3; ++i) {
                const Cdt::Face_handle next = face->neighbor(i);
                if (next->info() != -1) {
                    continue;
                }
                if (cdt.is_constrained(Cdt::Edge(face, i))) {
                    border.emplace_back(face, i);
                } else {
                    queue.push_back(next);
                }
            }
        }
    };
    fill(cdt.infinite_face(), 0);
    while (!border.empty()) {
        const Cdt::Edge edge = border.front();
        border.pop_front();
        const Cdt::Face_handle across = edge.first->neighbor(edge.second);
        if (across->info() == -1) {
            fill(across, edge.first->info() + 1);
        }
    }
}

} // namespace

std::optional<std::vector<TTriangleIndices>> TriangulatePolygon(const std::vector<TPoint2D>& outline)
{
    if (outline.size() < 3) {
        return std::nullopt;
    }
    for (const auto& p : outline) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1])) {
            return std::nullopt;
        }
    }
    try {
        Cdt cdt;
        std::vector<Cdt::Vertex_handle> handles;
        handles.reserve(outline.size());
        for (std::size_t i = 0; i < outline.size(); ++i) {
            const std::size_t before = cdt.number_of_vertices();
            const Cdt::Vertex_handle v = cdt.insert(Cdt::Point(outline[i][0], outline[i][1]));
            // A repeated point returns the vertex of its first occurrence, which keeps its index.
            if (cdt.number_of_vertices() > before) {
                v->info() = i;
            }
            handles.push_back(v);
        }
        for (std::size_t i = 0; i < handles.size(); ++i) {
            const auto& a = handles[i];
            const auto& b = handles[(i + 1) % handles.size()];
            if (a != b) {
                cdt.insert_constraint(a, b);
            }
        }
        if (cdt.dimension() < 2) {
            return std::nullopt;
        }
        MarkNesting(cdt);
        std::vector<TTriangleIndices> triangles;
        for (auto face = cdt.finite_faces_begin(); face != cdt.finite_faces_end(); ++face) {
            if (face->info() % 2 == 1) {
                triangles.push_back({face->vertex(0)->info(), face->vertex(1)->info(),
                                     face->vertex(2)->info()});
            }
        }
        return triangles;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
