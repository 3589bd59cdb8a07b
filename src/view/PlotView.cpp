#include "view/PlotView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

PlotView::PlotView()
{
    ViewExtents();
}

void PlotView::SetCanvasSize(int widthPixels, int heightPixels)
{
    m_width = std::max(widthPixels, 1);
    m_height = std::max(heightPixels, 1);
}

void PlotView::SetMargins(PlotMargins margins)
{
    m_margins = margins;
}

// A canvas smaller than its margins still maps through an area of one pixel.
double PlotView::AreaWidth() const
{
    return std::max(m_width - m_margins.left - m_margins.right, 1);
}

double PlotView::AreaHeight() const
{
    return std::max(m_height - m_margins.bottom - m_margins.top, 1);
}

void PlotView::SetExtents(PlotPoint dataMin, PlotPoint dataMax)
{
    auto widen = [](double& lo, double& hi) {
        if (!std::isfinite(lo) || !std::isfinite(hi)) {
            lo = -kFlatHalfRange;
            hi = kFlatHalfRange;
        }
        if (lo > hi) {
            std::swap(lo, hi);
        }
        if (hi - lo <= 0.0) {
            lo -= kFlatHalfRange;
            hi += kFlatHalfRange;
        }
    };
    widen(dataMin.x, dataMax.x);
    widen(dataMin.y, dataMax.y);
    m_dataMin = dataMin;
    m_dataMax = dataMax;
    ViewExtents();
}

void PlotView::ClampAxis(double& lo, double& hi, double dataLo, double dataHi) const
{
    if (lo > hi) {
        std::swap(lo, hi);
    }
    const double extent = dataHi - dataLo;
    const double limitLo = dataLo - kMaxOutside * extent;
    const double limitHi = dataHi + kMaxOutside * extent;
    const double minSize = kMinFraction * extent;
    lo = std::max(lo, limitLo);
    hi = std::min(hi, limitHi);
    if (hi - lo < minSize) {
        // Too narrow, or entirely beyond a limit: keep the centre inside the
        // limits and give the window the minimum size.
        const double centre = std::clamp(0.5 * (lo + hi), limitLo + 0.5 * minSize,
                                         limitHi - 0.5 * minSize);
        lo = centre - 0.5 * minSize;
        hi = centre + 0.5 * minSize;
    }
}

void PlotView::SetWindow(PlotPoint a, PlotPoint b)
{
    ClampAxis(a.x, b.x, m_dataMin.x, m_dataMax.x);
    ClampAxis(a.y, b.y, m_dataMin.y, m_dataMax.y);
    m_windowMin = a;
    m_windowMax = b;
}

void PlotView::SetXRange(double lo, double hi)
{
    SetWindow({lo, m_windowMin.y}, {hi, m_windowMax.y});
}

void PlotView::SetYRange(double lo, double hi)
{
    SetWindow({m_windowMin.x, lo}, {m_windowMax.x, hi});
}

PlotPoint PlotView::ViewToWorld(double px, double py) const
{
    const double ax = px - m_margins.left;
    const double ay = (m_height - py) - m_margins.bottom;
    return {m_windowMin.x + ax / AreaWidth() * (m_windowMax.x - m_windowMin.x),
            m_windowMin.y + ay / AreaHeight() * (m_windowMax.y - m_windowMin.y)};
}

PlotPoint PlotView::WorldToView(PlotPoint world) const
{
    const double ax = (world.x - m_windowMin.x) / (m_windowMax.x - m_windowMin.x) * AreaWidth();
    const double ay = (world.y - m_windowMin.y) / (m_windowMax.y - m_windowMin.y) * AreaHeight();
    return {ax + m_margins.left, m_height - (ay + m_margins.bottom)};
}

void PlotView::ZoomAbout(PlotPoint p, double fx, double fy)
{
    if (!(fx > 0.0) || !(fy > 0.0)) {
        return;
    }
    auto zoomAxis = [](double& lo, double& hi, double at, double f, double dataLo,
                       double dataHi) {
        const double extent = dataHi - dataLo;
        const double size = (hi - lo) / f;
        if (size < kMinFraction * extent || size > (1.0 + 2.0 * kMaxOutside) * extent) {
            return;
        }
        lo = at - (at - lo) / f;
        hi = lo + size;
    };
    PlotPoint lo = m_windowMin;
    PlotPoint hi = m_windowMax;
    zoomAxis(lo.x, hi.x, p.x, fx, m_dataMin.x, m_dataMax.x);
    zoomAxis(lo.y, hi.y, p.y, fy, m_dataMin.y, m_dataMax.y);
    SetWindow(lo, hi);
}

void PlotView::WheelZoom(double px, double py, int rotation)
{
    const double f = rotation > 0 ? kWheelFactor : 1.0 / kWheelFactor;
    ZoomAbout(ViewToWorld(px, py), f, f);
}

void PlotView::PanByPixels(double dxPixels, double dyPixels)
{
    auto shiftAxis = [](double& lo, double& hi, double shift, double dataLo, double dataHi) {
        const double extent = dataHi - dataLo;
        const double limitLo = dataLo - kMaxOutside * extent;
        const double limitHi = dataHi + kMaxOutside * extent;
        // Stop at the limit instead of clamping an edge, so the window keeps its size.
        shift = std::clamp(shift, std::min(limitLo - lo, 0.0), std::max(limitHi - hi, 0.0));
        lo += shift;
        hi += shift;
    };
    // Content follows the mouse: dragging right shows what lay to the left;
    // pixel y grows downwards, world y upwards.
    const double wx = -dxPixels / AreaWidth() * (m_windowMax.x - m_windowMin.x);
    const double wy = dyPixels / AreaHeight() * (m_windowMax.y - m_windowMin.y);
    PlotPoint lo = m_windowMin;
    PlotPoint hi = m_windowMax;
    shiftAxis(lo.x, hi.x, wx, m_dataMin.x, m_dataMax.x);
    shiftAxis(lo.y, hi.y, wy, m_dataMin.y, m_dataMax.y);
    SetWindow(lo, hi);
}

bool PlotView::RubberBand(double px0, double py0, double px1, double py1)
{
    if (std::abs(px1 - px0) < 2.0 || std::abs(py1 - py0) < 2.0) {
        return false;
    }
    SetWindow(ViewToWorld(px0, py0), ViewToWorld(px1, py1));
    return true;
}

void PlotView::ViewExtents()
{
    m_windowMin = m_dataMin;
    m_windowMax = m_dataMax;
}

std::vector<AxisTick> AxisTicks(double lo, double hi, int maxTicks)
{
    std::vector<AxisTick> ticks;
    if (lo > hi) {
        std::swap(lo, hi);
    }
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || maxTicks < 1) {
        return ticks;
    }
    const double raw = (hi - lo) / maxTicks;
    const int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const double magnitude = std::pow(10.0, exponent);
    double step = 10.0 * magnitude;
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw * (1.0 - 1e-9)) {
            step = m * magnitude;
            break;
        }
    }
    // A step of 10^e needs -e decimals; 1, 2 and 5 times it need no more.
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    // Ticks are integer multiples of the step, so rounding never accumulates.
    const double first = std::ceil(lo / step - 1e-9);
    const double last = std::floor(hi / step + 1e-9);
    for (double k = first; k <= last; k += 1.0) {
        AxisTick tick;
        tick.value = k * step;
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", decimals, tick.value);
        tick.label = text;
        if (tick.label.find_first_not_of("-0.") == std::string::npos) {
            tick.label = decimals > 0 ? "0." + std::string(decimals, '0') : "0";
        }
        ticks.push_back(std::move(tick));
    }
    return ticks;
}
