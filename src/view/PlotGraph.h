#pragma once
// The curves of one result plot: a TGraph per source, receiver and receiver
// channel, with its colour and whether it is shown, built from the room's
// results for a response display or an acoustic parameter. Also what the
// pair-selection grid beside the plot shows, and how the visible window
// follows new data. Plain data: the GL canvas draws a PlotGraphs through its
// PlotView.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "view/PlotCurves.h"
#include "view/PlotView.h"

class TResult;

// One curve: its samples (a view into a result or samples of its own), the
// extremes of its finite points, its colour and whether it is drawn.
class TGraph {
public:
    TGraph() = default;
    explicit TGraph(UniformCurve curve, PlotColor color = {});

    // Replaces the points and recomputes the extremes; colour and view
    // state stay.
    void SetData(UniformCurve curve);
    const UniformCurve& Curve() const { return m_curve; }
    std::size_t GetLength() const { return m_curve.Size(); }
    // False for a curve without a finite point: it adds nothing to the extents.
    bool HasExtents() const { return m_hasExtents; }
    double GetXmin() const { return m_min.x; }
    double GetXmax() const { return m_max.x; }
    double GetYmin() const { return m_min.y; }
    double GetYmax() const { return m_max.y; }

    void SetColor(PlotColor color) { m_color = color; }
    PlotColor GetColor() const { return m_color; }
    void SetViewState(bool shown) { m_viewState = shown; }
    bool GetViewState() const { return m_viewState; }

private:
    UniformCurve m_curve;
    PlotPoint m_min;
    PlotPoint m_max;
    bool m_hasExtents = false;
    PlotColor m_color;
    bool m_viewState = true;
};

using ResultGrid = std::vector<std::vector<std::unique_ptr<TResult>>>; // [receiver][source]

// What a plot shows.
enum class PlotContent { Nothing, Response, Parameter };

class PlotGraphs {
public:
    // The grey of a hidden pair's cell, and of every cell of an empty plot.
    static constexpr std::array<int, 3> kHiddenCellColor{100, 100, 100};
    // The decay displays start their y range this far down.
    static constexpr double kDecayRangeDb = -100.0;

    // The curves of display for every pair of results (spcresult[r][s]),
    // coloured from the palette in curve order. Linear pressure looks at the
    // results' samples, which must outlive the curves. Pairs that were hidden
    // stay hidden when the layout is unchanged.
    void ShowResponses(const ResultGrid& results, ResponseDisplay display);
    // The parameter over the bands (x = 1..numBands) for every pair.
    void ShowParameter(const ResultGrid& results, unsigned int numBands, PlotParameter which);
    // No curves (results gone or about to change).
    void Clear();

    PlotContent Content() const { return m_content; }
    ResponseDisplay Display() const { return m_display; }
    PlotParameter Parameter() const { return m_parameter; }
    bool Empty() const { return m_graphs.empty(); }
    std::size_t getNumGraphs() const { return m_graphs.size(); }
    const TGraph& Graph(std::size_t i) const { return m_graphs[i]; }
    const PlotCurveLayout& Layout() const { return m_layout; }

    // The union of the curves' extremes (hidden curves included, so hiding a
    // pair does not move the axes); false when no curve has a finite point.
    bool Extents(PlotPoint& dataMin, PlotPoint& dataMax) const;

    // Pair selection: all channel curves of pair (s, r) at once.
    void SetPairShown(unsigned int s, unsigned int r, bool shown);
    bool PairShown(unsigned int s, unsigned int r) const;
    // Toggles the pair and returns its new state.
    bool TogglePair(unsigned int s, unsigned int r);
    // Cell colour (0..255 each): the pair's first curve colour while it is
    // shown, grey while hidden or when the plot has no curves.
    std::array<int, 3> PairCellColor(unsigned int s, unsigned int r) const;

private:
    void Adopt(std::vector<TGraph> graphs, PlotCurveLayout layout);

    std::vector<TGraph> m_graphs;
    PlotCurveLayout m_layout;
    PlotContent m_content = PlotContent::Nothing;
    ResponseDisplay m_display = ResponseDisplay::PressureLinear;
    PlotParameter m_parameter = PlotParameter::T60;
};

// Whether two displays share the x axis (time, or frequency), so that a
// zoomed time window may survive a change between them.
bool SameXAxis(ResponseDisplay a, ResponseDisplay b);

// Points view at the graphs' data after they changed: the full extents, or,
// when keepX is given, that x range with the full y range. Displays that
// start at a floor (the decay curves) show from yFloor up. An empty plot
// shows the default unit window.
void FitViewToGraphs(PlotView& view, const PlotGraphs& graphs,
                     std::optional<std::pair<double, double>> keepX = std::nullopt,
                     std::optional<double> yFloor = std::nullopt);
