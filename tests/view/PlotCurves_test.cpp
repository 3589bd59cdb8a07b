#include "view/PlotCurves.h"

#include <cmath>
#include <complex>
#include <set>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

TEST(PlotPalette, FixedEntriesAndWrapAfter55)
{
    const struct {
        std::size_t index;
        int r, g, b;
    } cases[] = {{0, 0, 0, 255},     {2, 255, 0, 0},    {6, 0, 0, 0},
                 {13, 128, 128, 128}, {14, 192, 0, 0},   {54, 0, 224, 224},
                 {55, 0, 0, 255},     {56, 0, 128, 0},   {110, 0, 0, 255}}; // 55 wraps to 0
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        const PlotColor col = PlotPaletteColor(c.index);
        EXPECT_FLOAT_EQ(col.r * 255.0f, static_cast<float>(c.r));
        EXPECT_FLOAT_EQ(col.g * 255.0f, static_cast<float>(c.g));
        EXPECT_FLOAT_EQ(col.b * 255.0f, static_cast<float>(c.b));
    }
    // Every curve of a full palette is told apart from the others.
    std::set<std::tuple<float, float, float>> seen;
    for (std::size_t k = 0; k < kPlotPaletteSize; ++k) {
        seen.insert({PlotPaletteColor(k).r, PlotPaletteColor(k).g, PlotPaletteColor(k).b});
    }
    EXPECT_EQ(seen.size(), kPlotPaletteSize);
}

TEST(PlotCurveLayout, PairsWithMultiChannelReceivers)
{
    const struct {
        const char* name;
        unsigned int sources;
        std::vector<unsigned int> channels;
    } cases[] = {
        {"two-channel receiver in the middle", 2, {1, 2, 1}},
        {"no sources", 0, {2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlotCurveLayout layout(c.sources, c.channels);
        // The drawing order: source, then receiver, then channel.
        std::size_t k = 0;
        for (unsigned int s = 0; s < c.sources; ++s) {
            for (unsigned int r = 0; r < c.channels.size(); ++r) {
                EXPECT_EQ(layout.FirstCurve(s, r), k) << "s " << s << " r " << r;
                k += c.channels[r];
            }
        }
        EXPECT_EQ(layout.CurveCount(), k);
    }
    // The pair (1, 1) of the first case owns curves 5 and 6; the next pair starts at 7.
    EXPECT_EQ(PlotCurveLayout(2, {1, 2, 1}).FirstCurve(1, 2), 7u);
}

TEST(PlotCurves, LinearPressureLooksAtTheResponse)
{
    const std::vector<float> ir = {0.5f, -0.25f, 0.0f, 1.0f};
    const UniformCurve c = ResponseCurve(ir, 1000.0f, ResponseDisplay::PressureLinear);
    EXPECT_EQ(c.Samples().data(), ir.data());
    EXPECT_DOUBLE_EQ(c.X(3), 0.003);
}

TEST(PlotCurves, DecayCurveIsFinite)
{
    // A silent tail, all silent, tiny values; plain and normalised.
    const std::vector<float> irs[] = {
        {1.0f, 0.5f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1e-30f, 1e-38f}};
    for (const auto& ir : irs) {
        for (auto display : {ResponseDisplay::Decay, ResponseDisplay::DecayNormalized}) {
            SCOPED_TRACE(testing::Message() << ir[0] << ", display " << static_cast<int>(display));
            const UniformCurve curve = ResponseCurve(ir, 100.0f, display);
            ASSERT_EQ(curve.Size(), ir.size());
            for (float v : curve.Samples()) {
                EXPECT_TRUE(std::isfinite(v));
                EXPECT_GE(v, kDecayFloorDb);
            }
            double x0, x1, y0, y1;
            EXPECT_TRUE(curve.Extents(x0, x1, y0, y1));
        }
    }
}

TEST(PlotCurves, DecayCurveAgainstEnergySums)
{
    const std::vector<float> ir = {2.0f, 1.0f, 1.0f, 0.0f};
    const UniformCurve decay = ResponseCurve(ir, 100.0f, ResponseDisplay::Decay);
    const UniformCurve norm = ResponseCurve(ir, 100.0f, ResponseDisplay::DecayNormalized);
    ASSERT_EQ(decay.Size(), 4u);
    EXPECT_NEAR(decay.Samples()[0], 10.0 * std::log10(6.0), 1e-5);
    EXPECT_NEAR(decay.Samples()[1], 10.0 * std::log10(2.0), 1e-5);
    EXPECT_NEAR(norm.Samples()[0], 0.0, 1e-6);
    EXPECT_NEAR(norm.Samples()[2], 10.0 * std::log10(1.0 / 6.0), 1e-5);
    EXPECT_FLOAT_EQ(norm.Samples()[3], kDecayFloorDb);
}

TEST(PlotCurves, FrequencyResponseLengthIsNextPowerOfTwo)
{
    const struct {
        std::size_t n, expected;
    } cases[] = {{1, 1}, {3, 4}, {5, 8}, {8, 8}, {1025, 2048}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<float> ir(c.n, 0.0f);
        if (c.n > 0) {
            ir[0] = 1.0f;
        }
        const UniformCurve f = ResponseCurve(ir, 48000.0f, ResponseDisplay::FrequencyResponse);
        EXPECT_EQ(f.Size(), c.expected);
        if (c.expected > 0) {
            EXPECT_DOUBLE_EQ(f.Dx(), 48000.0 / c.expected);
        }
    }
}

TEST(PlotCurves, FrequencyResponseAgainstDirectTransform)
{
    const std::vector<float> ir = {0.3f, -1.0f, 0.7f, 0.2f, -0.4f};
    const float fs = 8.0f;
    const UniformCurve f = ResponseCurve(ir, fs, ResponseDisplay::FrequencyResponse);
    ASSERT_EQ(f.Size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) {
        std::complex<double> sum;
        for (std::size_t i = 0; i < ir.size(); ++i) {
            sum += static_cast<double>(ir[i]) * std::polar(1.0, -2.0 * M_PI * i * k / 8.0);
        }
        // The transform scales by 1 / fs to approximate the continuous spectrum.
        const double expected = 10.0 * std::log10(std::abs(sum) / fs + 1e-7);
        EXPECT_NEAR(f.Samples()[k], expected, 1e-4) << "bin " << k;
    }
}

TEST(PlotCurves, ParameterCurveAtBandNumbers)
{
    // Nine bands plus the broadband set, each field distinct per band.
    std::vector<TMonoParams> params(10);
    for (std::size_t b = 0; b < params.size(); ++b) {
        const float v = static_cast<float>(b);
        params[b] = {.T20 = 100 + v, .T30 = 200 + v, .T60 = 300 + v, .EDT = 400 + v,
                     .C80 = 500 + v, .D50 = 600 + v, .G = -1, .SPL = 700 + v,
                     .SPL_A = 800 + v, .CT = 900 + v};
    }
    const struct {
        PlotParameter which;
        const char* label;
        float base;
    } cases[] = {
        {PlotParameter::T60, "T60 (s)", 300}, {PlotParameter::T30, "T30 (s)", 200},
        {PlotParameter::T20, "T20 (s)", 100}, {PlotParameter::EDT, "EDT (s)", 400},
        {PlotParameter::C80, "C80 (dB)", 500}, {PlotParameter::D50, "D50 (%)", 600},
        {PlotParameter::SPL_A, "SPL_A (dB)", 800}, {PlotParameter::SPL_Z, "SPL_Z (dB)", 700},
        {PlotParameter::CenterTime, "CenterTime (ms)", 900},
    };
    static_assert(std::size(cases) == std::size_t{kNumPlotParameters});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(PlotParameterLabel(c.which), c.label);
        const UniformCurve curve = ParameterCurve(params, 9, c.which);
        ASSERT_EQ(curve.Size(), 9u); // the broadband set is not a band
        for (std::size_t b = 0; b < 9; ++b) {
            EXPECT_DOUBLE_EQ(curve.X(b), static_cast<double>(b + 1));
            EXPECT_FLOAT_EQ(curve.Samples()[b], c.base + static_cast<float>(b));
        }
    }
}

TEST(PlotCurves, EnvelopeKeepsPeaksWithinColumns)
{
    std::vector<float> ir(100000, 0.0f);
    ir[12345] = 3.0f;
    ir[67890] = -2.0f;
    const UniformCurve c = ResponseCurve(ir, 100000.0f, ResponseDisplay::PressureLinear);
    const struct {
        const char* name;
        double xMin, xMax;
        int columns;
        std::size_t maxSize;
        float hi, lo;
    } cases[] = {
        {"whole", 0.0, 1.0, 400, 400, 3.0f, -2.0f},
        {"fewer samples than columns", 0.12340, 0.12350, 1000, 11, 3.0f, 0.0f},
        {"beyond the data", 2.0, 3.0, 100, 0, 0.0f, 0.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const std::vector<EnvelopeColumn> env = MinMaxEnvelope(c, t.xMin, t.xMax, t.columns);
        EXPECT_LE(env.size(), t.maxSize);
        float hi = 0.0f, lo = 0.0f;
        for (std::size_t i = 0; i < env.size(); ++i) {
            hi = std::max(hi, env[i].hi);
            lo = std::min(lo, env[i].lo);
            EXPECT_GE(env[i].x, t.xMin);
            EXPECT_LE(env[i].x, t.xMax);
            if (i > 0) {
                EXPECT_GT(env[i].x, env[i - 1].x);
            }
        }
        EXPECT_EQ(hi, t.hi);
        EXPECT_EQ(lo, t.lo);
    }
}
