#include "view/RoomOutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "room/StandardRoom.h"
#include "room/TRoom.h"

namespace {

// Coordinates closer than this are one point of the drawing: vertices of
// neighbouring planes come from the same lengths but pass through each
// plane's own cleaning.
constexpr double kSameM = 1e-6;

std::pair<double, double> Project(TPoint3D p, OrthoView view)
{
    switch (view) {
    case OrthoView::Plan:
        return {p.x, p.y};
    case OrthoView::Side:
        return {p.x, p.z};
    case OrthoView::End:
        return {p.y, p.z};
    }
    return {p.x, p.y};
}

long long Snap(double v)
{
    return std::llround(v / kSameM);
}

} // namespace

const char* OrthoViewName(OrthoView view)
{
    switch (view) {
    case OrthoView::Plan:
        return "Plan";
    case OrthoView::Side:
        return "Side";
    case OrthoView::End:
        return "End";
    }
    return "";
}

std::vector<OutlineSegment> RoomOutline(const TRoom& room, OrthoView view)
{
    // An edge is the same line whichever way round it runs.
    using Key = std::array<long long, 4>;
    std::set<Key> seen;
    std::vector<OutlineSegment> segments;
    for (const TPlane& plane : room.plane) {
        const std::size_t n = plane.vertice.size();
        if (n < 2) {
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const auto [x0, y0] = Project(plane.vertice[i], view);
            const auto [x1, y1] = Project(plane.vertice[(i + 1) % n], view);
            Key a{Snap(x0), Snap(y0), Snap(x1), Snap(y1)};
            if (a[0] == a[2] && a[1] == a[3]) {
                continue; // seen end-on
            }
            if (std::make_pair(a[2], a[3]) < std::make_pair(a[0], a[1])) {
                a = {a[2], a[3], a[0], a[1]};
            }
            if (seen.insert(a).second) {
                segments.push_back({x0, y0, x1, y1});
            }
        }
    }
    return segments;
}

std::vector<DimensionMark> StandardRoomMarks(const TStandardRoom& design, OrthoView view)
{
    const double x1 = design.L1;
    const double x2 = x1 + design.L;
    const double x3 = x2 + design.L2;
    const double w1 = design.W1 / 2.0;
    const double w = design.W / 2.0;
    const double w2 = design.W2 / 2.0;
    const double h1 = design.H1;
    const double h = design.H;
    const double h2 = design.H2;
    switch (view) {
    case OrthoView::Plan:
        // Lengths along the lower side wall, outside; widths across the
        // end wall (outside), the stage opening and the rear wall.
        return {{"L1", {0.0, -w1, x1, -w1}, 0.0, -1.0},
                {"L", {x1, -w, x2, -w}, 0.0, -1.0},
                {"L2", {x2, -w, x3, -w2}, 0.0, -1.0},
                {"W1", {0.0, -w1, 0.0, w1}, -1.0, 0.0},
                {"W", {x1, -w, x1, w}, 1.0, 0.0},
                {"W2", {x3, -w2, x3, w2}, 1.0, 0.0}};
    case OrthoView::Side:
        // Lengths above the ceiling; heights measured from the main floor
        // (z = 0) at the end wall, the stage front and the rear wall.
        return {{"L1", {0.0, h, x1, h}, 0.0, 1.0},
                {"L", {x1, h, x2, h}, 0.0, 1.0},
                {"L2", {x2, h, x3, h}, 0.0, 1.0},
                {"H1", {0.0, 0.0, 0.0, h1}, -1.0, 0.0},
                {"H", {x1, 0.0, x1, h}, 1.0, 0.0},
                {"H2", {x3, 0.0, x3, h2}, 1.0, 0.0}};
    case OrthoView::End:
        break;
    }
    return {};
}

OutlineFit FitOutline(const std::vector<OutlineSegment>& segments, int w, int h, int margin)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    double minX = kInf, minY = kInf, maxX = -kInf, maxY = -kInf;
    for (const OutlineSegment& s : segments) {
        minX = std::min({minX, s.x0, s.x1});
        maxX = std::max({maxX, s.x0, s.x1});
        minY = std::min({minY, s.y0, s.y1});
        maxY = std::max({maxY, s.y0, s.y1});
    }
    OutlineFit fit;
    if (segments.empty()) {
        fit.offsetX = w / 2.0;
        fit.offsetY = h / 2.0;
        return fit;
    }
    // A box smaller than its margins still gets a drawing, a pixel wide.
    const double boxW = std::max(1, w - 2 * margin);
    const double boxH = std::max(1, h - 2 * margin);
    const double spanX = maxX - minX;
    const double spanY = maxY - minY;
    if (spanX > 0.0 && spanY > 0.0) {
        fit.scale = std::min(boxW / spanX, boxH / spanY);
    } else if (spanX > 0.0) {
        fit.scale = boxW / spanX;
    } else if (spanY > 0.0) {
        fit.scale = boxH / spanY;
    }
    fit.offsetX = w / 2.0 - fit.scale * (minX + maxX) / 2.0;
    fit.offsetY = h / 2.0 + fit.scale * (minY + maxY) / 2.0;
    return fit;
}
