#pragma once
// The room seen along each axis as a line drawing: the plan and the two
// elevations that the room designer shows beside its 3D preview, with the
// names of the standard room's lengths written where they measure. Prepared
// without a display; the dialog's panel only strokes the lines and text.

#include <string>
#include <vector>

class TRoom;
class TStandardRoom;

// Plan: looking down, (x, y). Side: looking along y, (x, z). End: looking
// along x, (y, z).
enum class OrthoView { Plan, Side, End };

// "Plan", "Side", "End".
const char* OrthoViewName(OrthoView view);

// A line in view coordinates (m): the view's first axis across, its second up.
struct OutlineSegment {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
};

// Every edge of every plane of the room projected onto the view's two axes.
// An edge seen end-on (a vertical edge in the plan) leaves no line, and
// edges that coincide in the view (shared by two planes, or one behind the
// other) are listed once.
std::vector<OutlineSegment> RoomOutline(const TRoom& room, OrthoView view);

// The name of one of the standard room's lengths, written beside the stretch
// it measures, on the side of the stretch that dirX, dirY (a unit vector in
// view coordinates) points to.
struct DimensionMark {
    std::string name;
    OutlineSegment stretch;
    double dirX = 0.0, dirY = 0.0;
};

// The lengths along x (L1, L, L2) in the plan and the side elevation, the
// widths (W1, W, W2) in the plan and the heights (H1, H, H2) in the side
// elevation; none in the end elevation, where the stages overlap.
std::vector<DimensionMark> StandardRoomMarks(const TStandardRoom& design, OrthoView view);

struct PixelPoint {
    double x = 0.0; // from the left
    double y = 0.0; // from the top
};

// A drawing mapped into a pixel box with one scale for both axes, so that
// the proportions of the room are kept; y grows upward in the drawing and
// downward on the screen.
struct OutlineFit {
    double scale = 1.0;   // pixels per metre
    double offsetX = 0.0; // pixel of x = 0
    double offsetY = 0.0; // pixel of y = 0

    PixelPoint ToPixel(double x, double y) const
    {
        return {offsetX + scale * x, offsetY - scale * y};
    }
};

// The largest drawing of segments that fits a w x h box inside margin
// pixels on every side, centred. A drawing with no extent along one axis is
// scaled by the other; one with none at all is centred at scale 1.
OutlineFit FitOutline(const std::vector<OutlineSegment>& segments, int w, int h, int margin);
