#pragma once
// The world-to-pixel mapping of a 2D plot and the mouse navigation that moves
// its visible window: wheel zoom about the cursor, pan by a drag, rubber-band
// zoom, and a double-click back to the full data. Plain arithmetic: the GL
// canvas owns one PlotView, forwards its mouse events and sets its projection
// from WindowMin/WindowMax each frame.
//
// Pixels count from the top-left corner of the canvas, y downwards, as mouse
// events deliver them; the plot area is the canvas minus the margins.

#include <string>
#include <vector>

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

struct PlotMargins {
    int left = 35;
    int right = 15;
    int bottom = 25;
    int top = 15;
};

class PlotView {
public:
    // One wheel notch zooms by this factor on both axes.
    static constexpr double kWheelFactor = 1.5;
    // The window may reach this many data extents beyond the data on each
    // side, so a stray pan cannot lose the curves entirely.
    static constexpr double kMaxOutside = 2.0;
    // The window never shrinks below this fraction of the data extent: far
    // below it float samples and tick labels stop being distinguishable.
    static constexpr double kMinFraction = 1e-6;
    // Range given to an axis whose data are flat (or absent), so the mapping
    // never divides by zero.
    static constexpr double kFlatHalfRange = 1.0;

    PlotView();

    void SetCanvasSize(int widthPixels, int heightPixels);
    void SetMargins(PlotMargins margins);
    int CanvasWidth() const { return m_width; }
    int CanvasHeight() const { return m_height; }
    PlotMargins Margins() const { return m_margins; }

    // Sets the data extents (a flat axis is widened by kFlatHalfRange either
    // way) and shows them whole.
    void SetExtents(PlotPoint dataMin, PlotPoint dataMax);
    PlotPoint DataMin() const { return m_dataMin; }
    PlotPoint DataMax() const { return m_dataMax; }

    // Sets the visible window, each edge clamped to kMaxOutside extents
    // beyond the data; a window below the minimum size is widened about its
    // centre. Corners may come in either order.
    void SetWindow(PlotPoint a, PlotPoint b);
    PlotPoint WindowMin() const { return m_windowMin; }
    PlotPoint WindowMax() const { return m_windowMax; }
    // One axis only; the other keeps its range.
    void SetXRange(double lo, double hi);
    void SetYRange(double lo, double hi);

    PlotPoint ViewToWorld(double px, double py) const;
    PlotPoint WorldToView(PlotPoint world) const;

    // Zooms in by fx, fy (> 1 zooms in) keeping the world point p fixed; a
    // step that would break the size limits on an axis leaves that axis alone.
    void ZoomAbout(PlotPoint p, double fx, double fy);
    // One wheel notch at the cursor: rotation > 0 zooms in, otherwise out.
    void WheelZoom(double px, double py, int rotation);
    // Moves the window with a drag of (dx, dy) pixels, so the content follows
    // the mouse; the window keeps its size and stops at the clamp limits.
    void PanByPixels(double dxPixels, double dyPixels);
    // Zooms to the rectangle between two pixel positions in any order;
    // returns false and changes nothing when it is degenerate (an axis
    // thinner than two pixels).
    bool RubberBand(double px0, double py0, double px1, double py1);
    // The whole data, as after a double-click.
    void ViewExtents();

private:
    double AreaWidth() const;
    double AreaHeight() const;
    void ClampAxis(double& lo, double& hi, double dataLo, double dataHi) const;

    int m_width = 1;
    int m_height = 1;
    PlotMargins m_margins;
    PlotPoint m_dataMin{-kFlatHalfRange, -kFlatHalfRange};
    PlotPoint m_dataMax{kFlatHalfRange, kFlatHalfRange};
    PlotPoint m_windowMin;
    PlotPoint m_windowMax;
};

// One tick of an axis: its world value and its label.
struct AxisTick {
    double value = 0.0;
    std::string label;
};

// Ticks at a "nice" step (1, 2 or 5 times a power of ten) inside [lo, hi],
// at most about maxTicks of them; labels carry just the decimals the step
// needs, so 0.3 reads "0.3" and never "0.30000000000000004".
std::vector<AxisTick> AxisTicks(double lo, double hi, int maxTicks);
