#include "view/PlotGraph.h"

#include <algorithm>
#include <cmath>

#include "results/TResult.h"

TGraph::TGraph(UniformCurve curve, PlotColor color) : m_color(color)
{
    SetData(std::move(curve));
}

void TGraph::SetData(UniformCurve curve)
{
    m_curve = std::move(curve);
    m_hasExtents = m_curve.Extents(m_min.x, m_max.x, m_min.y, m_max.y);
    if (!m_hasExtents) {
        m_min = m_max = PlotPoint{};
    }
}

void PlotGraphs::Adopt(std::vector<TGraph> graphs, PlotCurveLayout layout)
{
    // A redraw of the same pairs (another display, the linear/log switch)
    // keeps what the user hid; new pairs start shown.
    const bool samePairs = graphs.size() == m_graphs.size() &&
                           layout.NumSources() == m_layout.NumSources() &&
                           layout.NumReceivers() == m_layout.NumReceivers();
    for (std::size_t k = 0; k < graphs.size(); ++k) {
        graphs[k].SetColor(PlotPaletteColor(k));
        if (samePairs) {
            graphs[k].SetViewState(m_graphs[k].GetViewState());
        }
    }
    m_graphs = std::move(graphs);
    m_layout = std::move(layout);
}

namespace {

// A curve per source, receiver and channel, in plot order; a missing result
// gives an empty curve so that the order stays.
template <typename CurveOf>
std::vector<TGraph> GraphsPerChannel(const ResultGrid& results, const PlotCurveLayout& layout,
                                     CurveOf curveOf)
{
    std::vector<TGraph> graphs;
    graphs.reserve(layout.CurveCount());
    for (unsigned int s = 0; s < layout.NumSources(); ++s) {
        for (unsigned int r = 0; r < layout.NumReceivers(); ++r) {
            const TResult* result = results[r][s].get();
            for (unsigned int ch = 0; ch < layout.Channels(r); ++ch) {
                graphs.emplace_back(result != nullptr ? curveOf(*result, ch) : UniformCurve());
            }
        }
    }
    return graphs;
}

} // namespace

void PlotGraphs::ShowResponses(const ResultGrid& results, ResponseDisplay display)
{
    PlotCurveLayout layout = PlotCurveLayout::FromResults(results);
    std::vector<TGraph> graphs =
        GraphsPerChannel(results, layout, [display](const TResult& result, unsigned int ch) {
            return ResponseCurve(result, ch, display);
        });
    Adopt(std::move(graphs), std::move(layout));
    m_content = PlotContent::Response;
    m_display = display;
}

void PlotGraphs::ShowParameter(const ResultGrid& results, unsigned int numBands,
                               PlotParameter which)
{
    PlotCurveLayout layout = PlotCurveLayout::FromResults(results);
    // The parameters belong to the pair: every channel shows the same.
    std::vector<TGraph> graphs =
        GraphsPerChannel(results, layout, [numBands, which](const TResult& result, unsigned int) {
            return ParameterCurve(result.Param, numBands, which);
        });
    Adopt(std::move(graphs), std::move(layout));
    m_content = PlotContent::Parameter;
    m_parameter = which;
}

void PlotGraphs::Clear()
{
    m_graphs.clear();
    m_layout = PlotCurveLayout();
    m_content = PlotContent::Nothing;
}

bool PlotGraphs::Extents(PlotPoint& dataMin, PlotPoint& dataMax) const
{
    bool any = false;
    for (const TGraph& g : m_graphs) {
        if (!g.HasExtents()) {
            continue;
        }
        if (!any) {
            dataMin = {g.GetXmin(), g.GetYmin()};
            dataMax = {g.GetXmax(), g.GetYmax()};
            any = true;
            continue;
        }
        dataMin.x = std::min(dataMin.x, g.GetXmin());
        dataMin.y = std::min(dataMin.y, g.GetYmin());
        dataMax.x = std::max(dataMax.x, g.GetXmax());
        dataMax.y = std::max(dataMax.y, g.GetYmax());
    }
    return any;
}

void PlotGraphs::SetPairShown(unsigned int s, unsigned int r, bool shown)
{
    if (s >= m_layout.NumSources() || r >= m_layout.NumReceivers()) {
        return;
    }
    const std::size_t first = m_layout.FirstCurve(s, r);
    for (unsigned int ch = 0; ch < m_layout.Channels(r); ++ch) {
        m_graphs[first + ch].SetViewState(shown);
    }
}

bool PlotGraphs::PairShown(unsigned int s, unsigned int r) const
{
    if (s >= m_layout.NumSources() || r >= m_layout.NumReceivers()) {
        return false;
    }
    return m_graphs[m_layout.FirstCurve(s, r)].GetViewState();
}

bool PlotGraphs::TogglePair(unsigned int s, unsigned int r)
{
    const bool shown = !PairShown(s, r);
    SetPairShown(s, r, shown);
    return PairShown(s, r);
}

std::array<int, 3> PlotGraphs::PairCellColor(unsigned int s, unsigned int r) const
{
    if (!PairShown(s, r)) {
        return kHiddenCellColor;
    }
    const PlotColor c = m_graphs[m_layout.FirstCurve(s, r)].GetColor();
    auto byte = [](float v) { return static_cast<int>(std::lround(v * 255.0f)); };
    return {byte(c.r), byte(c.g), byte(c.b)};
}

bool SameXAxis(ResponseDisplay a, ResponseDisplay b)
{
    return (a == ResponseDisplay::FrequencyResponse) == (b == ResponseDisplay::FrequencyResponse);
}

void FitViewToGraphs(PlotView& view, const PlotGraphs& graphs,
                     std::optional<std::pair<double, double>> keepX, std::optional<double> yFloor)
{
    PlotPoint lo;
    PlotPoint hi;
    if (!graphs.Extents(lo, hi)) {
        view.SetExtents({-PlotView::kFlatHalfRange, -PlotView::kFlatHalfRange},
                        {PlotView::kFlatHalfRange, PlotView::kFlatHalfRange});
        return;
    }
    view.SetExtents(lo, hi);
    const PlotPoint dataMin = view.DataMin();
    const PlotPoint dataMax = view.DataMax();
    double yLo = dataMin.y;
    if (yFloor && *yFloor > yLo && *yFloor < dataMax.y) {
        yLo = *yFloor;
    }
    double xLo = dataMin.x;
    double xHi = dataMax.x;
    if (keepX) {
        xLo = keepX->first;
        xHi = keepX->second;
    }
    view.SetWindow({xLo, yLo}, {xHi, dataMax.y});
}
