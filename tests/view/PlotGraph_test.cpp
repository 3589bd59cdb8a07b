#include "view/PlotGraph.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "results/ResultFixtures.h"

namespace {

// Two sources and two receivers, the second receiver with two channels; each
// response a ramp scaled by a number of its own, so curves can be told apart.
struct TwoByTwo {
    std::vector<std::unique_ptr<ResultPair>> pairs;
    ResultGrid grid;

    TwoByTwo()
    {
        const TResultParam param = MakeResultParam(100);
        grid.resize(2);
        for (unsigned int r = 0; r < 2; ++r) {
            for (unsigned int s = 0; s < 2; ++s) {
                pairs.push_back(std::make_unique<ResultPair>(param));
                TResult& result = *pairs.back()->result;
                result.NumChannels = r + 1;
                result.globalIR.assign(r + 1, std::vector<float>(100));
                for (unsigned int ch = 0; ch <= r; ++ch) {
                    for (unsigned int i = 0; i < 100; ++i) {
                        result.globalIR[ch][i] = static_cast<float>((10 * s + 3 * r + ch + 1) * i);
                    }
                }
                // The grid owns the results; the fixtures keep the source and receiver.
                grid[r].push_back(std::move(pairs.back()->result));
            }
        }
    }
};

} // namespace

TEST(PlotGraphs, OneCurvePerChannelInPairOrderOverTheResultsOwnSamples)
{
    TwoByTwo results;
    PlotGraphs plot;
    plot.ShowResponses(results.grid, ResponseDisplay::PressureLinear);
    ASSERT_EQ(plot.getNumGraphs(), 6u); // (1 + 2 channels) x 2 sources
    // Pair (s = 1, r = 1), channel 1 is the last curve.
    EXPECT_EQ(plot.Layout().FirstCurve(1, 1), 4u);
    EXPECT_EQ(plot.Graph(5).Curve().Samples().data(), results.grid[1][1]->globalIR[1].data());
    EXPECT_FLOAT_EQ(plot.Graph(5).GetYmax(), (10.0f + 3.0f + 1.0f + 1.0f) * 99.0f);

    PlotPoint lo, hi;
    ASSERT_TRUE(plot.Extents(lo, hi));
    EXPECT_DOUBLE_EQ(lo.y, 0.0);
    EXPECT_DOUBLE_EQ(hi.y, 15.0 * 99.0);
    EXPECT_DOUBLE_EQ(hi.x, 99.0 / 44100.0);
}

TEST(PlotGraphs, PairSelectionHidesAllChannelsAndSurvivesAnotherDisplay)
{
    TwoByTwo results;
    PlotGraphs plot;
    plot.ShowResponses(results.grid, ResponseDisplay::PressureLinear);
    EXPECT_EQ(plot.PairCellColor(0, 1), (std::array<int, 3>{0, 128, 0})); // palette entry 1

    EXPECT_FALSE(plot.TogglePair(0, 1));
    EXPECT_FALSE(plot.Graph(1).GetViewState());
    EXPECT_FALSE(plot.Graph(2).GetViewState());
    EXPECT_TRUE(plot.Graph(3).GetViewState());
    EXPECT_EQ(plot.PairCellColor(0, 1), PlotGraphs::kHiddenCellColor);

    plot.ShowResponses(results.grid, ResponseDisplay::Decay);
    EXPECT_FALSE(plot.PairShown(0, 1));
    plot.ShowParameter(results.grid, 9, PlotParameter::C80);
    EXPECT_FALSE(plot.PairShown(0, 1));
    EXPECT_TRUE(plot.TogglePair(0, 1));

    // Other results (one receiver fewer) start with every pair shown.
    plot.TogglePair(1, 0);
    results.grid.pop_back();
    plot.ShowResponses(results.grid, ResponseDisplay::PressureLinear);
    EXPECT_EQ(plot.getNumGraphs(), 2u);
    EXPECT_TRUE(plot.PairShown(1, 0));
    EXPECT_FALSE(plot.PairShown(0, 1)); // no such pair any more
}

TEST(PlotGraphs, EmptyAndSilentPlotsKeepAFiniteWindow)
{
    PlotGraphs plot;
    PlotView view;
    view.SetCanvasSize(400, 300);
    FitViewToGraphs(view, plot);
    EXPECT_LT(view.WindowMin().x, view.WindowMax().x);
    EXPECT_EQ(plot.PairCellColor(0, 0), PlotGraphs::kHiddenCellColor);

    // A flat response and its decay (no energy at all): finite, non-empty ranges.
    TwoByTwo results;
    for (auto& row : results.grid) {
        for (auto& result : row) {
            for (auto& channel : result->globalIR) {
                std::fill(channel.begin(), channel.end(), 0.0f);
            }
        }
    }
    for (ResponseDisplay display : {ResponseDisplay::PressureLinear, ResponseDisplay::Decay}) {
        plot.ShowResponses(results.grid, display);
        FitViewToGraphs(view, plot, std::nullopt, PlotGraphs::kDecayRangeDb);
        EXPECT_TRUE(std::isfinite(view.WindowMin().y));
        EXPECT_LT(view.WindowMin().y, view.WindowMax().y);
    }
}

TEST(PlotGraphs, NewDataKeepsTheZoomedTimeWindowAndTheDecayStartsAtItsFloor)
{
    TwoByTwo results;
    PlotGraphs plot;
    PlotView view;
    view.SetCanvasSize(400, 300);
    plot.ShowResponses(results.grid, ResponseDisplay::PressureLinear);
    FitViewToGraphs(view, plot);
    view.SetXRange(0.0005, 0.001);

    // Silence at the end: the decay falls to its floor there.
    for (auto& row : results.grid) {
        for (auto& result : row) {
            for (auto& channel : result->globalIR) {
                std::fill(channel.end() - 10, channel.end(), 0.0f);
            }
        }
    }
    plot.ShowResponses(results.grid, ResponseDisplay::Decay);
    FitViewToGraphs(view, plot, std::pair{view.WindowMin().x, view.WindowMax().x},
                    PlotGraphs::kDecayRangeDb);
    EXPECT_NEAR(view.WindowMin().x, 0.0005, 1e-12);
    EXPECT_NEAR(view.WindowMax().x, 0.001, 1e-12);
    EXPECT_DOUBLE_EQ(view.WindowMin().y, PlotGraphs::kDecayRangeDb);
    PlotPoint lo, hi;
    ASSERT_TRUE(plot.Extents(lo, hi));
    EXPECT_DOUBLE_EQ(view.WindowMax().y, hi.y);

    EXPECT_TRUE(SameXAxis(ResponseDisplay::PressureLog, ResponseDisplay::DecayNormalized));
    EXPECT_FALSE(SameXAxis(ResponseDisplay::PressureLinear, ResponseDisplay::FrequencyResponse));
}

TEST(PlotGraphs, ParameterCurvesSitOnTheBandNumbers)
{
    TwoByTwo results;
    for (unsigned int b = 0; b < 10; ++b) {
        results.grid[0][0]->Param[b].D50 = 10.0f * static_cast<float>(b);
    }
    PlotGraphs plot;
    plot.ShowParameter(results.grid, 9, PlotParameter::D50);
    const TGraph& g = plot.Graph(0);
    ASSERT_EQ(g.GetLength(), 9u); // the broadband set is not a band
    EXPECT_DOUBLE_EQ(g.GetXmin(), 1.0);
    EXPECT_DOUBLE_EQ(g.GetXmax(), 9.0);
    EXPECT_FLOAT_EQ(g.Curve().Samples()[8], 80.0f);
}
