#include "view/PlotCurves.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>

#include "dsp/TComplex.h"
#include "dsp/TTransform.h"
#include "results/TResult.h"

namespace {

struct Rgb {
    int r, g, b; // 0..255
};

constexpr std::array<Rgb, kPlotPaletteSize> MakePalette()
{
    std::array<Rgb, kPlotPaletteSize> p{{
        {0, 0, 255}, {0, 128, 0}, {255, 0, 0}, {0, 255, 255}, {255, 0, 255},
        {255, 255, 0}, {0, 0, 0}, {0, 0, 128}, {0, 255, 0}, {128, 0, 0},
        {0, 128, 128}, {128, 0, 128}, {128, 128, 0}, {128, 128, 128},
    }};
    std::size_t k = 14;
    for (int level : {192, 64, 32, 96, 160, 224}) {
        const int l = level;
        for (Rgb c : {Rgb{l, 0, 0}, Rgb{0, l, 0}, Rgb{0, 0, l}, Rgb{l, l, 0}, Rgb{l, 0, l},
                      Rgb{0, l, l}, Rgb{l, l, l}}) {
            if (k < p.size()) {
                p[k++] = c; // the last group ends one short, without its grey
            }
        }
    }
    return p;
}

constexpr std::array<Rgb, kPlotPaletteSize> kPalette = MakePalette();

unsigned int NextPowerOfTwo(std::size_t n, int& exponent)
{
    unsigned int p = 1;
    exponent = 0;
    while (p < n) {
        p <<= 1;
        ++exponent;
    }
    return p;
}

} // namespace

PlotColor PlotPaletteColor(std::size_t curveIndex)
{
    const Rgb c = kPalette[curveIndex % kPlotPaletteSize];
    return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f};
}

PlotCurveLayout::PlotCurveLayout(unsigned int numSources,
                                 std::vector<unsigned int> channelsPerReceiver)
    : m_numSources(numSources), m_channels(std::move(channelsPerReceiver))
{
    m_channelsBefore.reserve(m_channels.size());
    for (unsigned int c : m_channels) {
        m_channelsBefore.push_back(m_channelsPerSource);
        m_channelsPerSource += c;
    }
}

PlotCurveLayout PlotCurveLayout::FromResults(
    const std::vector<std::vector<std::unique_ptr<TResult>>>& spcresult)
{
    const unsigned int numSources =
        spcresult.empty() ? 0u : static_cast<unsigned int>(spcresult.front().size());
    std::vector<unsigned int> channels;
    for (const auto& row : spcresult) {
        channels.push_back(!row.empty() && row.front() ? row.front()->GetNumChannels() : 1u);
    }
    return PlotCurveLayout(numSources, std::move(channels));
}

std::size_t PlotCurveLayout::FirstCurve(unsigned int s, unsigned int r) const
{
    assert(s < m_numSources && r < m_channels.size());
    return s * m_channelsPerSource + m_channelsBefore[r];
}

UniformCurve UniformCurve::View(std::span<const float> y, double x0, double dx)
{
    UniformCurve c;
    c.m_view = y;
    c.m_x0 = x0;
    c.m_dx = dx;
    return c;
}

UniformCurve UniformCurve::Own(std::vector<float> y, double x0, double dx)
{
    UniformCurve c;
    c.m_owned = std::move(y);
    c.m_x0 = x0;
    c.m_dx = dx;
    return c;
}

bool UniformCurve::Extents(double& xMin, double& xMax, double& yMin, double& yMax) const
{
    const std::span<const float> y = Samples();
    bool any = false;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (!std::isfinite(y[i])) {
            continue;
        }
        if (!any) {
            yMin = yMax = y[i];
            any = true;
        } else {
            yMin = std::min<double>(yMin, y[i]);
            yMax = std::max<double>(yMax, y[i]);
        }
    }
    if (any) {
        xMin = std::min(X(0), X(y.size() - 1));
        xMax = std::max(X(0), X(y.size() - 1));
    }
    return any;
}

std::vector<EnvelopeColumn> MinMaxEnvelope(const UniformCurve& curve, double xMin, double xMax,
                                           int columns)
{
    std::vector<EnvelopeColumn> out;
    const std::span<const float> y = curve.Samples();
    if (columns < 1 || !(xMax > xMin) || y.empty() || !(curve.Dx() > 0.0)) {
        return out;
    }
    const double width = (xMax - xMin) / columns;
    // Only the samples inside the window are visited.
    const double firstIndex = std::ceil((xMin - curve.X0()) / curve.Dx());
    const double lastIndex = std::floor((xMax - curve.X0()) / curve.Dx());
    if (lastIndex < 0.0 || firstIndex > static_cast<double>(y.size() - 1)) {
        return out;
    }
    const std::size_t first = static_cast<std::size_t>(std::max(firstIndex, 0.0));
    const std::size_t last =
        static_cast<std::size_t>(std::min(lastIndex, static_cast<double>(y.size() - 1)));
    int current = -1;
    for (std::size_t i = first; i <= last; ++i) {
        const int col = std::clamp(static_cast<int>((curve.X(i) - xMin) / width), 0, columns - 1);
        if (col != current) {
            out.push_back({xMin + (col + 0.5) * width, y[i], y[i]});
            current = col;
        } else {
            out.back().lo = std::min(out.back().lo, y[i]);
            out.back().hi = std::max(out.back().hi, y[i]);
        }
    }
    return out;
}

UniformCurve ResponseCurve(std::span<const float> ir, float fsHz, ResponseDisplay display)
{
    assert(fsHz > 0.0f);
    const double dt = 1.0 / fsHz;
    const std::size_t n = ir.size();
    switch (display) {
    case ResponseDisplay::PressureLinear:
        return UniformCurve::View(ir, 0.0, dt);
    case ResponseDisplay::PressureLog: {
        std::vector<float> y(n);
        for (std::size_t i = 0; i < n; ++i) {
            y[i] = static_cast<float>(10.0 * std::log10(std::abs(ir[i]) + kLogOffset));
        }
        return UniformCurve::Own(std::move(y), 0.0, dt);
    }
    case ResponseDisplay::Decay:
    case ResponseDisplay::DecayNormalized: {
        std::vector<float> y(n);
        if (n > 0) {
            GetDecayCurve(ir.data(), y.data(), static_cast<unsigned int>(n));
        }
        // The backward integral only falls, so its start is its maximum.
        const float top = display == ResponseDisplay::DecayNormalized && n > 0 &&
                                  std::isfinite(y[0])
                              ? y[0]
                              : 0.0f;
        for (float& v : y) {
            v = std::isfinite(v) ? std::max(v - top, kDecayFloorDb) : kDecayFloorDb;
        }
        return UniformCurve::Own(std::move(y), 0.0, dt);
    }
    case ResponseDisplay::FrequencyResponse: {
        if (n == 0) {
            return UniformCurve::Own({}, 0.0, fsHz);
        }
        int exponent = 0;
        const unsigned int size = NextPowerOfTwo(n, exponent);
        std::vector<TComplex> x(size);
        for (std::size_t i = 0; i < n; ++i) {
            x[i].re = ir[i];
        }
        TransformFFT(static_cast<int>(size), 0, fsHz, x.data());
        std::vector<float> y(size);
        for (unsigned int k = 0; k < size; ++k) {
            y[k] = static_cast<float>(10.0 * std::log10(Abs(x[k]) + kLogOffset));
        }
        return UniformCurve::Own(std::move(y), 0.0, static_cast<double>(fsHz) / size);
    }
    }
    return {};
}

UniformCurve ResponseCurve(const TResult& result, unsigned int channel, ResponseDisplay display)
{
    if (channel >= result.globalIR.size()) {
        return {};
    }
    return ResponseCurve(result.globalIR[channel], result.FSample, display);
}

std::string PlotParameterLabel(PlotParameter which)
{
    switch (which) {
    case PlotParameter::T60: return "T60 (s)";
    case PlotParameter::T30: return "T30 (s)";
    case PlotParameter::T20: return "T20 (s)";
    case PlotParameter::EDT: return "EDT (s)";
    case PlotParameter::C80: return "C80 (dB)";
    case PlotParameter::D50: return "D50 (%)";
    case PlotParameter::SPL_A: return "SPL_A (dB)";
    case PlotParameter::SPL_Z: return "SPL_Z (dB)";
    case PlotParameter::CenterTime: return "CenterTime (ms)";
    }
    return {};
}

float PlotParameterValue(const TMonoParams& params, PlotParameter which)
{
    switch (which) {
    case PlotParameter::T60: return params.T60;
    case PlotParameter::T30: return params.T30;
    case PlotParameter::T20: return params.T20;
    case PlotParameter::EDT: return params.EDT;
    case PlotParameter::C80: return params.C80;
    case PlotParameter::D50: return params.D50;
    case PlotParameter::SPL_A: return params.SPL_A;
    case PlotParameter::SPL_Z: return params.SPL;
    case PlotParameter::CenterTime: return params.CT;
    }
    return 0.0f;
}

UniformCurve ParameterCurve(std::span<const TMonoParams> params, unsigned int numBands,
                            PlotParameter which)
{
    const std::size_t n = std::min<std::size_t>(numBands, params.size());
    std::vector<float> y(n);
    for (std::size_t b = 0; b < n; ++b) {
        y[b] = PlotParameterValue(params[b], which);
    }
    return UniformCurve::Own(std::move(y), 1.0, 1.0);
}
