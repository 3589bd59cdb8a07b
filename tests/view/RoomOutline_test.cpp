#include "view/RoomOutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "room/StandardRoom.h"
#include "room/TRoom.h"

namespace {

struct Bounds {
    double minX, maxX, minY, maxY;
};

Bounds BoundsOf(const std::vector<OutlineSegment>& segments)
{
    Bounds b{1e300, -1e300, 1e300, -1e300};
    for (const OutlineSegment& s : segments) {
        b.minX = std::min({b.minX, s.x0, s.x1});
        b.maxX = std::max({b.maxX, s.x0, s.x1});
        b.minY = std::min({b.minY, s.y0, s.y1});
        b.maxY = std::max({b.maxY, s.y0, s.y1});
    }
    return b;
}

bool SameLine(const OutlineSegment& a, double x0, double y0, double x1, double y1)
{
    auto near = [](double u, double v) { return std::fabs(u - v) < 1e-9; };
    return (near(a.x0, x0) && near(a.y0, y0) && near(a.x1, x1) && near(a.y1, y1)) ||
           (near(a.x0, x1) && near(a.y0, y1) && near(a.x1, x0) && near(a.y1, y0));
}

long Count(const std::vector<OutlineSegment>& segments, double x0, double y0, double x1, double y1)
{
    return std::count_if(segments.begin(), segments.end(), [&](const OutlineSegment& s) {
        return SameLine(s, x0, y0, x1, y1);
    });
}

} // namespace

TEST(RoomOutline, DefaultStandardRoomSeenAlongEachAxis)
{
    const ConsoleRecorder quiet;
    TRoom room;
    TStandardRoom().Build(room);
    struct Case {
        OrthoView view;
        const char* name;
        Bounds expected;
        // A line of the drawing made of edges of several planes.
        std::array<double, 4> sharedLine;
    };
    const Case cases[] = {
        // The stage front, where the stage floor and the stage ceiling end.
        {OrthoView::Plan, "Plan", {0, 12, -4, 4}, {3, -3, 3, 3}},
        // The raked floor, seen behind both rear side walls.
        {OrthoView::Side, "Side", {0, 12, 0, 5}, {7, 0, 12, 1.5}},
        // The main ceiling's front and back edges.
        {OrthoView::End, "End", {-4, 4, 0, 5}, {-4, 5, 4, 5}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(OrthoViewName(c.view), c.name);
        const std::vector<OutlineSegment> outline = RoomOutline(room, c.view);
        ASSERT_FALSE(outline.empty());
        const Bounds b = BoundsOf(outline);
        EXPECT_NEAR(b.minX, c.expected.minX, 1e-9);
        EXPECT_NEAR(b.maxX, c.expected.maxX, 1e-9);
        EXPECT_NEAR(b.minY, c.expected.minY, 1e-9);
        EXPECT_NEAR(b.maxY, c.expected.maxY, 1e-9);
        const auto [x0, y0, x1, y1] = c.sharedLine;
        EXPECT_EQ(Count(outline, x0, y0, x1, y1), 1);
        for (std::size_t i = 0; i < outline.size(); ++i) {
            const OutlineSegment& s = outline[i];
            EXPECT_GT(std::hypot(s.x1 - s.x0, s.y1 - s.y0), 1e-6) << "segment " << i;
            EXPECT_EQ(Count(outline, s.x0, s.y0, s.x1, s.y1), 1) << "segment " << i;
        }
    }
}

TEST(RoomOutline, MarksMeasureTheirOwnLength)
{
    TStandardRoom design;
    std::tie(design.L1, design.L, design.L2, design.W1, design.W, design.W2, design.H1, design.H,
             design.H2) = std::make_tuple(2.0f, 6.5f, 3.0f, 4.0f, 10.0f, 6.0f, 0.5f, 7.0f, 2.5f);
    const std::map<std::string, double> lengths = {
        {"L1", 2.0}, {"L", 6.5}, {"L2", 3.0}, {"W1", 4.0}, {"W", 10.0},
        {"W2", 6.0}, {"H1", 0.5}, {"H", 7.0}, {"H2", 2.5}};
    const std::pair<OrthoView, std::vector<std::string>> cases[] = {
        {OrthoView::Plan, {"L1", "L", "L2", "W1", "W", "W2"}},
        {OrthoView::Side, {"L1", "L", "L2", "H1", "H", "H2"}},
        {OrthoView::End, {}}};
    for (const auto& [view, names] : cases) {
        SCOPED_TRACE(OrthoViewName(view));
        const std::vector<DimensionMark> marks = StandardRoomMarks(design, view);
        ASSERT_EQ(marks.size(), names.size());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const DimensionMark& m = marks[i];
            SCOPED_TRACE(m.name);
            EXPECT_EQ(m.name, names[i]);
            // Lengths run along the drawing's first axis, widths and heights
            // along its second.
            const bool alongX = m.name[0] == 'L';
            const double measured = alongX ? std::fabs(m.stretch.x1 - m.stretch.x0)
                                           : std::fabs(m.stretch.y1 - m.stretch.y0);
            EXPECT_NEAR(measured, lengths.at(m.name), 1e-6);
            EXPECT_NEAR(std::hypot(m.dirX, m.dirY), 1.0, 1e-12);
            EXPECT_NEAR(alongX ? m.dirX : m.dirY, 0.0, 1e-12) << "the name sits beside its stretch";
        }
    }
}

TEST(RoomOutline, FitKeepsProportionsInsideTheMargins)
{
    const ConsoleRecorder quiet;
    TRoom room;
    TStandardRoom().Build(room);
    struct Case {
        const char* name;
        std::vector<OutlineSegment> segments;
        int w, h, margin;
    };
    const Case cases[] = {
        {"plan in a wide box", RoomOutline(room, OrthoView::Plan), 400, 150, 12},
        {"plan in a tall box", RoomOutline(room, OrthoView::Plan), 120, 500, 12},
        {"side elevation, off the origin", RoomOutline(room, OrthoView::Side), 300, 300, 20},
        {"a vertical line", {{5, -2, 5, 3}}, 200, 100, 10},
        {"a horizontal line below zero", {{-7, -9, -1, -9}}, 200, 100, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OutlineFit fit = FitOutline(c.segments, c.w, c.h, c.margin);
        const Bounds model = BoundsOf(c.segments);
        const PixelPoint low = fit.ToPixel(model.minX, model.minY);
        const PixelPoint high = fit.ToPixel(model.maxX, model.maxY);
        EXPECT_LT(high.y, low.y + 1e-9) << "up in the drawing is up on the screen";
        const double left = low.x, right = high.x, top = high.y, bottom = low.y;
        EXPECT_GE(left, c.margin - 1e-9);
        EXPECT_LE(right, c.w - c.margin + 1e-9);
        EXPECT_GE(top, c.margin - 1e-9);
        EXPECT_LE(bottom, c.h - c.margin + 1e-9);
        // Centred, and as large as the tighter direction allows.
        EXPECT_NEAR((left + right) / 2.0, c.w / 2.0, 1e-9);
        EXPECT_NEAR((top + bottom) / 2.0, c.h / 2.0, 1e-9);
        const bool fillsWidth = std::fabs(right - left - (c.w - 2 * c.margin)) < 1e-9;
        const bool fillsHeight = std::fabs(bottom - top - (c.h - 2 * c.margin)) < 1e-9;
        EXPECT_TRUE(fillsWidth || fillsHeight);
        // One scale for both axes: pixel extents in the model's proportion.
        EXPECT_NEAR((right - left) * (model.maxY - model.minY),
                    (bottom - top) * (model.maxX - model.minX), 1e-6);
    }
}
