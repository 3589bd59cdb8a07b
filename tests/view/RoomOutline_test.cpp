#include "view/RoomOutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "room/StandardRoom.h"
#include "room/TRoom.h"

namespace {

// min x, max x, min y, max y
std::array<double, 4> BoundsOf(const std::vector<OutlineSegment>& segments)
{
    std::array<double, 4> b = {1e300, -1e300, 1e300, -1e300};
    for (const OutlineSegment& s : segments) {
        b = {std::min({b[0], s.x0, s.x1}), std::max({b[1], s.x0, s.x1}),
             std::min({b[2], s.y0, s.y1}), std::max({b[3], s.y0, s.y1})};
    }
    return b;
}

// How often line is drawn, either way round.
long Count(const std::vector<OutlineSegment>& segments, const OutlineSegment& l)
{
    auto near = [](double a, double b) { return std::fabs(a - b) < 1e-9; };
    return std::ranges::count_if(segments, [&](const OutlineSegment& s) {
        return (near(s.x0, l.x0) && near(s.y0, l.y0) && near(s.x1, l.x1) && near(s.y1, l.y1)) ||
               (near(s.x0, l.x1) && near(s.y0, l.y1) && near(s.x1, l.x0) && near(s.y1, l.y0));
    });
}

} // namespace

TEST(RoomOutline, DefaultStandardRoomSeenAlongEachAxis)
{
    const ConsoleRecorder quiet;
    TRoom room;
    TStandardRoom().Build(room);
    const struct {
        OrthoView view;
        const char* name;
        std::array<double, 4> bounds;
        OutlineSegment shared; // a line made of edges of several planes
    } cases[] = {
        // The stage front, where the stage floor and the stage ceiling end.
        {OrthoView::Plan, "Plan", {0, 12, -4, 4}, {3, -3, 3, 3}},
        // The raked floor, seen behind both rear side walls.
        {OrthoView::Side, "Side", {0, 12, 0, 5}, {7, 0, 12, 1.5}},
        // The main ceiling's front and back edges.
        {OrthoView::End, "End", {-4, 4, 0, 5}, {-4, 5, 4, 5}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(OrthoViewName(c.view), c.name);
        const std::vector<OutlineSegment> outline = RoomOutline(room, c.view);
        const std::array<double, 4> bounds = BoundsOf(outline);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_NEAR(bounds[k], c.bounds[k], 1e-9) << "bound " << k;
        }
        EXPECT_EQ(Count(outline, c.shared), 1);
        for (const OutlineSegment& s : outline) {
            EXPECT_GT(std::hypot(s.x1 - s.x0, s.y1 - s.y0), 1e-6) << "a line seen end-on";
            EXPECT_EQ(Count(outline, s), 1) << "a line drawn twice";
        }
    }
}

TEST(RoomOutline, MarksMeasureTheirOwnLength)
{
    TStandardRoom design;
    std::tie(design.L1, design.L, design.L2, design.W1, design.W, design.W2, design.H1, design.H,
             design.H2) = std::make_tuple(2.0f, 6.5f, 3.0f, 4.0f, 10.0f, 6.0f, 0.5f, 7.0f, 2.5f);
    using Lengths = std::vector<std::pair<std::string, double>>;
    const std::pair<OrthoView, Lengths> cases[] = {
        {OrthoView::Plan, {{"L1", 2}, {"L", 6.5}, {"L2", 3}, {"W1", 4}, {"W", 10}, {"W2", 6}}},
        {OrthoView::Side, {{"L1", 2}, {"L", 6.5}, {"L2", 3}, {"H1", 0.5}, {"H", 7}, {"H2", 2.5}}},
        {OrthoView::End, {}}};
    for (const auto& [view, lengths] : cases) {
        SCOPED_TRACE(OrthoViewName(view));
        const std::vector<DimensionMark> marks = StandardRoomMarks(design, view);
        ASSERT_EQ(marks.size(), lengths.size());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const DimensionMark& m = marks[i];
            ASSERT_EQ(m.name, lengths[i].first);
            // Lengths run along the drawing's first axis, widths and heights
            // along its second; the name sits beside its stretch.
            const bool alongX = m.name[0] == 'L';
            const double measured = alongX ? std::fabs(m.stretch.x1 - m.stretch.x0)
                                           : std::fabs(m.stretch.y1 - m.stretch.y0);
            EXPECT_NEAR(measured, lengths[i].second, 1e-6) << m.name;
            EXPECT_NEAR(std::fabs(alongX ? m.dirY : m.dirX), 1.0, 1e-12) << m.name;
            EXPECT_NEAR(alongX ? m.dirX : m.dirY, 0.0, 1e-12) << m.name;
        }
    }
}

// Only the drawing's bounds matter: a diagonal stands for a whole room.
TEST(RoomOutline, FitKeepsProportionsInsideTheMargins)
{
    const struct {
        const char* name;
        std::vector<OutlineSegment> segments;
        int w, h, margin;
    } cases[] = {{"12 x 8 in a wide box", {{0, -4, 12, 4}}, 400, 150, 12},
                 {"12 x 8 in a tall box", {{12, -4, 0, 4}}, 120, 500, 12},
                 {"a vertical line", {{5, -2, 5, 3}}, 200, 100, 10},
                 {"a horizontal line below zero", {{-7, -9, -1, -9}}, 200, 100, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const OutlineFit fit = FitOutline(c.segments, c.w, c.h, c.margin);
        const auto [minX, maxX, minY, maxY] = BoundsOf(c.segments);
        const PixelPoint low = fit.ToPixel(minX, minY), high = fit.ToPixel(maxX, maxY);
        EXPECT_LT(high.y, low.y + 1e-9) << "up in the drawing is up on the screen";
        EXPECT_TRUE(low.x >= c.margin - 1e-9 && high.x <= c.w - c.margin + 1e-9 &&
                    high.y >= c.margin - 1e-9 && low.y <= c.h - c.margin + 1e-9);
        // Centred, and as large as the tighter direction allows.
        EXPECT_NEAR(low.x + high.x, c.w, 1e-9);
        EXPECT_NEAR(low.y + high.y, c.h, 1e-9);
        const double width = high.x - low.x, height = low.y - high.y;
        EXPECT_TRUE(std::fabs(width - (c.w - 2 * c.margin)) < 1e-9 ||
                    std::fabs(height - (c.h - 2 * c.margin)) < 1e-9);
        // One scale for both axes: pixel extents in the model's proportion.
        EXPECT_NEAR(width * (maxY - minY), height * (maxX - minX), 1e-6);
    }
}
