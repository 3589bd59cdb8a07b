#include "geometry/TPlane.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using Ring2D = std::vector<std::array<double, 2>>;

TPoint3D P(double x, double y, double z) { return TPoint3D::Make(x, y, z); }

// Planar ring from 2D points placed on the plane spanned by u and v at origin o.
std::vector<TPoint3D> Embed(const Ring2D& ring, TPoint3D o, TVector u, TVector v)
{
    std::vector<TPoint3D> out;
    for (const auto& q : ring) {
        out.push_back(o + VectorToPoint(u * q[0]) + VectorToPoint(v * q[1]));
    }
    return out;
}

// Area of a planar polygon in space: half the length of the summed cross products.
double ShoelaceArea(const std::vector<TPoint3D>& ring)
{
    TVector sum;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        sum = sum + PointToVector(ring[i]) / PointToVector(ring[(i + 1) % ring.size()]);
    }
    return 0.5 * sum.Module();
}

// Even-odd ray-crossing test in 2D, independent of the tessellation.
bool InsidePolygon2D(const Ring2D& ring, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const auto &a = ring[i], &b = ring[j];
        if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0]) {
            inside = !inside;
        }
    }
    return inside;
}

const Ring2D kSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const Ring2D kLShape = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}};
const Ring2D kUShape = {{0, 0}, {5, 0}, {5, 4}, {4, 4}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};

// Twelve-pointed, non-convex: a star whose inner corners sit at radius 1.
Ring2D Star12()
{
    Ring2D ring;
    for (int k = 0; k < 12; ++k) {
        const double r = (k % 2 == 0) ? 3.0 : 1.0, a = k * std::numbers::pi / 6.0;
        ring.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return ring;
}

} // namespace

TEST(TPlane, InvertSequenceReversesTheRingAndFlipsTheNormal)
{
    TPlane plane(Embed(kUShape, P(0, 0, 0), {1, 0, 0}, {0, 1, 0}));
    EXPECT_EQ(plane.normal.z, 1.0) << "counter-clockwise seen from +z";
    const auto before = plane.vertice;
    plane.InvertSequence();
    EXPECT_EQ(plane.normal.z, 1.0) << "the stored normal waits for the next tessellation";
    // Backwards from the third vertex: v2 v1 v0 v(n-1) ... v3.
    const std::size_t n = before.size();
    ASSERT_EQ(plane.vertice.size(), n);
    for (std::size_t k = 0; k < n; ++k) {
        EXPECT_TRUE(plane.vertice[k] == before[(n + 2 - k) % n]) << k;
    }
    plane.Tecelagem();
    EXPECT_EQ(plane.normal.z, -1.0);
    EXPECT_DOUBLE_EQ(plane.PlaneArea(), 11.0);
}

TEST(TPlane, RingCleaning)
{
    // Each ring lies in z = 0 but for one stray vertex; `kept` lists the
    // input vertices that remain, in order, all brought onto z = 0.
    const struct {
        const char* name;
        std::vector<TPoint3D> ring;
        std::vector<std::size_t> kept;
    } cases[] = {
        {"closing vertex repeated", {P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 1, 0), P(0, 0, 0)}, {0, 1, 2, 3}},
        {"repeated vertex, not adjacent", {P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(2, 0, 0), P(0, 2, 0)}, {0, 1, 2, 4}},
        {"midpoint of a straight edge", {P(0, 0, 0), P(1, 0, 0), P(2, 0, 0), P(2, 2, 0), P(0, 2, 0)}, {0, 2, 3, 4}},
        {"vertex slightly off the line", {P(0, 0, 0), P(1, -0.001, 0), P(2, 0, 0), P(2, 2, 0), P(0, 2, 0)},
         {0, 1, 2, 3, 4}},
        {"vertex 1 cm off the plane", {P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(1, 3, 0.01), P(0, 2, 0)},
         {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TPlane plane(c.ring);
        ASSERT_EQ(plane.NumVert, c.kept.size());
        std::vector<TPoint3D> expected;
        for (std::size_t k = 0; k < c.kept.size(); ++k) {
            expected.push_back(P(c.ring[c.kept[k]].x, c.ring[c.kept[k]].y, 0));
            EXPECT_NEAR(PointToVector(plane.vertice[k] - expected[k]).Module(), 0.0, 1e-15) << k;
        }
        EXPECT_NEAR(plane.PlaneArea(), ShoelaceArea(expected), 1e-12);
    }

    SCOPED_TRACE("all vertices on one line");
    TPlane plane({P(0, 0, 0), P(1, 1, 1), P(3, 3, 3)});
    EXPECT_LT(plane.NumVert, 3u);
    EXPECT_EQ(plane.CheckForErrors(), 0);
    EXPECT_EQ(plane.NumTriang, 0u);
    EXPECT_EQ(plane.Inner(P(1, 1, 1)), -1);
}

TEST(TPlane, TessellationCoversNonConvexRingsExactly)
{
    const struct {
        const char* name;
        Ring2D ring;
    } cases[] = {{"convex", {{0, 0}, {3, 0}, {4, 2}, {2, 4}, {-1, 2}}},
                 {"L", kLShape},
                 {"U", kUShape},
                 {"star of 12", Star12()}};
    // Axis-aligned, tilted, and a frame with an awkward origin and scale.
    const TVector s = Normal(TVector(1, 2, 2));
    const TVector t = Normal(s / TVector(0, 0, 1));
    const struct {
        TPoint3D o;
        TVector u, v;
    } frames[] = {{P(0, 0, 0), {1, 0, 0}, {0, 1, 0}},
                  {P(10.3, -4.1, 2.7), s, t},
                  {P(-1234.5, 0.25, 88.0), t * 3.7, s * 3.7}};
    for (const auto& c : cases) {
        for (const auto& f : frames) {
            SCOPED_TRACE(c.name);
            const auto ring = Embed(c.ring, f.o, f.u, f.v);
            TPlane plane(ring);
            ASSERT_EQ(plane.NumVert, ring.size());
            ASSERT_EQ(plane.NumTriang, ring.size() - 2);
            const double expected = ShoelaceArea(ring);
            EXPECT_NEAR(plane.PlaneArea(), expected, 1e-9 * expected);
            for (const auto& tri : plane.triangulo) {
                // Every triangle's centre lies inside the outline.
                const TVector rel = PointToVector(tri.center - f.o);
                EXPECT_TRUE(InsidePolygon2D(c.ring, rel * f.u / (f.u * f.u), rel * f.v / (f.v * f.v)));
            }
        }
    }
}

TEST(TPlane, InnerAgreesWithIndependentPointInPolygon)
{
    const TVector s = Normal(TVector(0.3, -1, 0.5));
    const TVector t = Normal(s / TVector(1, 0, 0));
    const TPoint3D o = P(2, 3, -1);
    for (const auto& ring2d : {kLShape, kUShape, Star12()}) {
        TPlane plane(Embed(ring2d, o, s, t));
        int disagreements = 0, inside = 0;
        // Offsets keep grid points off the edges, where the answer is a tie.
        for (double a = -3.513; a < 5.5; a += 0.0997) {
            for (double b = -3.487; b < 4.5; b += 0.1013) {
                const TPoint3D q = o + VectorToPoint(s * a) + VectorToPoint(t * b);
                const bool expected = InsidePolygon2D(ring2d, a, b);
                inside += expected;
                disagreements += (plane.Inner(q) >= 0) != expected;
            }
        }
        EXPECT_GT(inside, 100);
        EXPECT_EQ(disagreements, 0);
        EXPECT_EQ(plane.hits, static_cast<unsigned>(inside));
    }
}

TEST(TPlane, InnerOnEdgesOutsideAndAbove)
{
    TPlane plane(Embed(kSquare, P(0, 0, 0), {1, 0, 0}, {0, 1, 0}));
    ASSERT_EQ(plane.NumTriang, 2u);
    // The centre lies on either diagonal, the edge the two triangles share.
    EXPECT_EQ(plane.Inner(P(0.5, 0.5, 0)), 0) << "a shared edge belongs to the earlier triangle";
    EXPECT_EQ(plane.hits, 1u);

    const int below = plane.Inner(P(0.5, 0.1, 0));
    EXPECT_EQ(plane.Inner(P(0.5, 0, 0)), below) << "an outer edge is inside";
    EXPECT_GE(plane.Inner(P(0, 0, 0)), 0) << "a corner is inside";
    EXPECT_EQ(plane.Inner(P(0.5, -0.001, 0)), -1);
    EXPECT_EQ(plane.Inner(P(1.001, 0.5, 0)), -1);
    EXPECT_EQ(plane.Inner(P(0.5, 0.1, 25.0)), below) << "distance from the plane is ignored";
    EXPECT_EQ(plane.hits, 5u);
}

TEST(TPlane, SelfIntersectingRingIsLeftWithoutTriangles)
{
    const ConsoleRecorder console;
    TPlane bowTie({P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(1, -1, 0), P(0, 2, 0)});
    EXPECT_EQ(bowTie.NumTriang, 0u);
    EXPECT_EQ(bowTie.Inner(P(1, 1, 0)), -1);
    EXPECT_EQ(bowTie.PlaneArea(), 0.0);
    EXPECT_NE(console.text.find("could not be tessellated"), std::string::npos) << console.text;
}

// The project and DXF readers fill planes vertex by vertex.
TEST(TPlane, VertexIndicesAreCheckedAndAnEmptyPlaneIsInert)
{
    TPlane plane(3);
    ASSERT_EQ(plane.SetVertex(2, 0, 2, 0), 1);
    EXPECT_TRUE(plane.vertice[2] == P(0, 2, 0));
    EXPECT_EQ(plane.SetVertex(3, 9, 9, 9), -1);
    plane.RemoveVertex(7);
    EXPECT_EQ(plane.NumVert, 3u);

    // Too few vertices: nothing to tessellate or hit.
    TPlane empty(2);
    EXPECT_EQ(empty.NumVert, 0u);
    EXPECT_EQ(empty.CalcNormal().Module(), 0.0);
    empty.Tecelagem();
    EXPECT_EQ(empty.NumTriang, 0u);
    EXPECT_EQ(empty.Inner(P(0, 0, 0)), -1);
    EXPECT_EQ(empty.SetVertex(0, P(1, 1, 1)), -1);
}

TEST(TPlane, CopyIsDeepAndKeepsCountersAndFlags)
{
    TPlane original(Embed(kLShape, P(0, 0, 1), {1, 0, 0}, {0, 1, 0}));
    original.LayerID = 4;
    original.IsExternal = true;
    original.hits = 2;

    TPlane copy(original), assigned;
    assigned = original;
    for (const TPlane* p : {&copy, &assigned}) {
        EXPECT_EQ(p->LayerID, 4);
        EXPECT_TRUE(p->IsExternal);
        EXPECT_EQ(p->hits, 2u);
        EXPECT_EQ(p->vertice, original.vertice);
        EXPECT_EQ(p->NumTriang, 4u);
    }
    copy.SetVertex(0, P(-5, -5, 1));
    EXPECT_TRUE(original.vertice[0] == P(0, 0, 1));
    EXPECT_DOUBLE_EQ(assigned.PlaneArea(), 6.0);
}

TEST(TTriangle, SetFillsCentreAndArea)
{
    TTriangle t;
    t.Set(TPoint3D::Make(0, 0, 0), TPoint3D::Make(3, 0, 0), TPoint3D::Make(0, 0, 4));
    EXPECT_FLOAT_EQ(t.area, 6.0f);
    EXPECT_TRUE(t.center == TPoint3D::Make(1, 0, 4.0 / 3.0));
    t.Set(TPoint3D::Make(0, 0, 0), TPoint3D::Make(1, 1, 1), TPoint3D::Make(2, 2, 2));
    EXPECT_EQ(t.TriangleArea(), 0.0);
}
