#pragma once
// What the result pages draw: one curve per source, receiver and receiver
// channel, in a fixed order and colour, for the chosen response display or
// acoustic parameter. Plain functions of the results; the plot canvas turns a
// curve into a line strip, through MinMaxEnvelope when it has more samples
// than the plot has pixel columns.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "results/TParameters.h"

class TResult;

struct PlotColor {
    float r = 1.0f; // 0..1
    float g = 0.0f;
    float b = 0.0f;
};

constexpr std::size_t kPlotPaletteSize = 55;

// Colour of curve k; the palette starts again after kPlotPaletteSize curves.
PlotColor PlotPaletteColor(std::size_t curveIndex);

// The curve order of a plot: for each source, for each receiver, for each of
// that receiver's channels.
class PlotCurveLayout {
public:
    PlotCurveLayout() = default;
    PlotCurveLayout(unsigned int numSources, std::vector<unsigned int> channelsPerReceiver);
    // From the room's results, spcresult[r][s]; a missing result counts one channel.
    static PlotCurveLayout FromResults(
        const std::vector<std::vector<std::unique_ptr<TResult>>>& spcresult);

    unsigned int NumSources() const { return m_numSources; }
    unsigned int NumReceivers() const { return static_cast<unsigned int>(m_channels.size()); }
    unsigned int Channels(unsigned int r) const { return m_channels[r]; }
    std::size_t CurveCount() const { return m_numSources * m_channelsPerSource; }
    // Index of the first curve of pair (s, r); the pair owns Channels(r)
    // consecutive curves from there.
    std::size_t FirstCurve(unsigned int s, unsigned int r) const;

private:
    unsigned int m_numSources = 0;
    std::vector<unsigned int> m_channels;
    std::vector<std::size_t> m_channelsBefore; // per receiver
    std::size_t m_channelsPerSource = 0;
};

// A curve sampled at x = x0 + i dx. It either looks at samples owned
// elsewhere (a result's response, which must outlive it) or owns computed ones.
class UniformCurve {
public:
    UniformCurve() = default;
    static UniformCurve View(std::span<const float> y, double x0, double dx);
    static UniformCurve Own(std::vector<float> y, double x0, double dx);

    std::span<const float> Samples() const { return m_owned.empty() ? m_view : m_owned; }
    std::size_t Size() const { return Samples().size(); }
    double X(std::size_t i) const { return m_x0 + static_cast<double>(i) * m_dx; }
    double X0() const { return m_x0; }
    double Dx() const { return m_dx; }
    bool OwnsSamples() const { return !m_owned.empty(); }
    // Smallest and largest x and finite y; false for a curve without a finite sample.
    bool Extents(double& xMin, double& xMax, double& yMin, double& yMax) const;

private:
    std::span<const float> m_view;
    std::vector<float> m_owned;
    double m_x0 = 0.0;
    double m_dx = 1.0;
};

// One pixel column of a decimated curve: the range of the samples in it.
struct EnvelopeColumn {
    double x = 0.0; // column centre
    float lo = 0.0f;
    float hi = 0.0f;
};

// The samples of curve in [xMin, xMax] reduced to at most `columns` entries
// (columns without samples are left out), so a response of a million samples
// draws as a few hundred vertical strokes that still show every peak.
std::vector<EnvelopeColumn> MinMaxEnvelope(const UniformCurve& curve, double xMin, double xMax,
                                           int columns);

enum class ResponseDisplay {
    PressureLinear,   // Pa against s
    PressureLog,      // 10 log10(|p| + 1e-7) against s
    Decay,            // Schroeder integral, dB against s
    DecayNormalized,  // the same with its maximum at 0 dB
    FrequencyResponse // dB against Hz
};

// Level a decay curve takes where the energy left is exactly zero, so the
// extents of the curve stay finite.
constexpr float kDecayFloorDb = -200.0f;
// Added to magnitudes before taking the logarithm, so silence stays finite.
constexpr double kLogOffset = 1e-7;

// The curve of display for one response ir sampled at fsHz. The linear
// display looks at ir; the others own computed samples. The frequency
// response has one point per bin of an FFT of the next power of two at or
// above ir's length (zero padded), bin k at k fsHz / n.
UniformCurve ResponseCurve(std::span<const float> ir, float fsHz, ResponseDisplay display);
// The same for one channel of a pair's result (its globalIR).
UniformCurve ResponseCurve(const TResult& result, unsigned int channel, ResponseDisplay display);

enum class PlotParameter { T60, T30, T20, EDT, C80, D50, SPL_A, SPL_Z, CenterTime };
constexpr int kNumPlotParameters = 9;

// The choice label, such as "T60 (s)".
std::string PlotParameterLabel(PlotParameter which);
float PlotParameterValue(const TMonoParams& params, PlotParameter which);
// The parameter over the first numBands entries of params, at x = 1..numBands
// (band numbers, so the octave bands sit at whole numbers).
UniformCurve ParameterCurve(std::span<const TMonoParams> params, unsigned int numBands,
                            PlotParameter which);
