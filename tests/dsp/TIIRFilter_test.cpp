#include "dsp/TIIRFilter.h"

#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Row {
    std::array<float, 12> num{};
    std::array<float, 12> den{};
    std::array<float, 4> gain{};
};

Row GetRow(unsigned int band, float fsHz)
{
    Row row;
    GetOctaveIIRParamButter(row.num.data(), row.den.data(), row.gain.data(), band, fsHz);
    return row;
}

// |H(e^jw)| in dB of the cascade, evaluated in double from the float coefficients.
double ResponseDb(const Row& row, double fHz, double fsHz)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * fHz / fsHz); // z^-1
    std::complex<double> h = 1.0;
    for (int s = 0; s < 4; ++s) {
        const double b0 = row.num[3 * s], b1 = row.num[3 * s + 1], b2 = row.num[3 * s + 2];
        const double a1 = row.den[3 * s + 1], a2 = row.den[3 * s + 2];
        h *= static_cast<double>(row.gain[s]) * (b0 + z1 * (b1 + z1 * b2)) / (1.0 + z1 * (a1 + z1 * a2));
    }
    return 20.0 * std::log10(std::abs(h));
}

double CentreHz(unsigned int band)
{
    return band == kOctaveIIRBandBelowLowest ? 31.25 : 62.5 * std::exp2(band);
}

} // namespace

TEST(TIIRFilter2ndOrder, UnitSectionPassesInput)
{
    const float b[3] = {1, 0, 0}, a[3] = {1, 0, 0};
    TIIRFilter2ndOrder section(b, a, 1.0f);
    for (float x : {1.0f, -2.5f, 0.0f, 3.25f, 1e-30f}) {
        EXPECT_EQ(section.filter(x), x);
    }
}

TEST(TIIRFilter2ndOrder, ResonatorImpulseResponse)
{
    // Poles at r e^{+-j theta}: the impulse response is g r^n sin((n+1) theta) / sin(theta).
    const double r = 0.9, theta = 0.3;
    const float b[3] = {1, 0, 0};
    const float a[3] = {1, static_cast<float>(-2 * r * std::cos(theta)), static_cast<float>(r * r)};
    TIIRFilter2ndOrder section(b, a, 0.5f);
    for (int n = 0; n < 40; ++n) {
        const double expected = 0.5 * std::pow(r, n) * std::sin((n + 1) * theta) / std::sin(theta);
        EXPECT_NEAR(section.filter(n == 0 ? 1.0f : 0.0f), expected, 1e-5) << "n = " << n;
    }
}

TEST(GetOctaveIIRParamButter, Reproduces1kHzRowAt44k1)
{
    const Row row = GetRow(4, 44100.0f);
    const float k = 5.66318249e-06f;
    const std::array<float, 12> num = {k, 2 * k, k, 1, 2, 1, 1, -2, 1, 1, -2, 1};
    const std::array<float, 12> den = {1, -1.873541f,  0.899139106f, 1, -1.90839517f, 0.923061848f,
                                       1, -1.91306365f, 0.950776398f, 1, -1.96333337f, 0.973810375f};
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE("coefficient " + std::to_string(i));
        EXPECT_EQ(row.num[i], num[i]);
        EXPECT_EQ(row.den[i], den[i]);
    }
    for (float g : row.gain) {
        EXPECT_EQ(g, 1.0f);
    }
}

TEST(GetOctaveIIRParamButter, Reproduces16kHzRowAt44k1)
{
    const Row row = GetRow(8, 44100.0f);
    const float k = 0.0289115645f;
    const std::array<float, 12> num = {k, -2 * k, k, 1, -2, 1, 1, 2, 1, 1, 2, 1};
    const std::array<float, 12> den = {1, 0.431478351f, 0.228804857f, 1, 1.18254852f,  0.444254667f,
                                       1, 0.114630133f, 0.613523543f, 1, 1.61792362f, 0.806845963f};
    EXPECT_EQ(row.num, num);
    EXPECT_EQ(row.den, den);

    // The row is the same Butterworth design, with the upper edge (above
    // Nyquist for a true octave) at 18.904 kHz: equal to about 2e-6.
    const TOctaveIIRRow design = DesignButterworthBandPass(16000 / std::numbers::sqrt2, 18904.264, 44100, true);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE("coefficient " + std::to_string(i));
        EXPECT_NEAR(design.num[i], num[i], 2e-6 * std::abs(num[i]));
        EXPECT_NEAR(design.den[i], den[i], 2e-6 * std::abs(den[i]) + 1e-12);
    }
}

TEST(GetOctaveIIRParamButter, NumeratorPatternsAndStability)
{
    for (float fs : {44100.0f, 48000.0f}) {
        for (unsigned int band = 0; band <= kOctaveIIRBandBelowLowest; ++band) {
            SCOPED_TRACE("fs " + std::to_string(fs) + " band " + std::to_string(band));
            const Row row = GetRow(band, fs);
            const float low = band == 8 ? -2.0f : 2.0f; // zeros at z = -1 first except for the top band
            const float k = row.num[0];
            EXPECT_GT(k, 0.0f);
            EXPECT_EQ(row.num[1], low * k);
            EXPECT_EQ(row.num[2], k);
            const std::array<float, 3> expected[3] = {{1, low, 1}, {1, -low, 1}, {1, -low, 1}};
            for (int s = 1; s < 4; ++s) {
                EXPECT_EQ(row.num[3 * s], expected[s - 1][0]);
                EXPECT_EQ(row.num[3 * s + 1], expected[s - 1][1]);
                EXPECT_EQ(row.num[3 * s + 2], expected[s - 1][2]);
            }
            float previousRadius = 0.0f;
            for (int s = 0; s < 4; ++s) {
                const float a1 = row.den[3 * s + 1], a2 = row.den[3 * s + 2];
                EXPECT_EQ(row.den[3 * s], 1.0f);
                EXPECT_EQ(row.gain[s], 1.0f);
                // Stability triangle of a biquad; sections by increasing pole radius.
                EXPECT_LT(a2, 1.0f);
                EXPECT_LT(std::abs(a1), 1.0f + a2);
                EXPECT_GT(a2, previousRadius);
                previousRadius = a2;
            }
        }
    }
}

TEST(GetOctaveIIRParamButter, BandResponsesAtCentreAndEdges)
{
    for (double fs : {44100.0, 48000.0}) {
        for (unsigned int band = 0; band <= kOctaveIIRBandBelowLowest; ++band) {
            SCOPED_TRACE("fs " + std::to_string(fs) + " band " + std::to_string(band));
            const Row row = GetRow(band, static_cast<float>(fs));
            const double fc = CentreHz(band);
            // At 31.25 Hz the poles sit so close to z = 1 that single-precision
            // coefficients move the response by about 0.13 dB.
            const double tolerance = band == kOctaveIIRBandBelowLowest ? 0.2 : 0.1;
            EXPECT_NEAR(ResponseDb(row, fc, fs), 0.0, tolerance);
            EXPECT_NEAR(ResponseDb(row, fc / std::numbers::sqrt2, fs), -3.01, tolerance);
            const double upper = fc * std::numbers::sqrt2;
            if (upper < fs / 2) {
                EXPECT_NEAR(ResponseDb(row, upper, fs), -3.01, tolerance);
            } else {
                EXPECT_NEAR(ResponseDb(row, 18904.264, fs), -3.01, 0.1);
            }
            // Rejection one octave away (at least 15 dB on the sides that exist;
            // the top band, widened by the bilinear warping, rejects least).
            EXPECT_LT(ResponseDb(row, fc / 2, fs), -15.0);
            if (2 * fc < fs / 2) {
                EXPECT_LT(ResponseDb(row, 2 * fc, fs), -15.0);
            }
        }
    }
}

TEST(GetOctaveIIRParamButter, OneKilohertzBandOctaveAway)
{
    const Row row = GetRow(4, 44100.0f);
    EXPECT_NEAR(ResponseDb(row, 500.0, 44100.0), -26.0, 1.0);
    EXPECT_NEAR(ResponseDb(row, 2000.0, 44100.0), -26.0, 1.0);
}

TEST(GetOctaveIIRParamButter, UnsupportedRateIsFatal)
{
    ErrorRecorder recorder;
    float b[12], a[12], g[4];
    try {
        GetOctaveIIRParamButter(b, a, g, 4, 32000.0f);
        FAIL() << "no FatalError";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.ExitCode(), 1);
    }
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Frequency Sample 32000.000000 NOT supported for filter design!");
}

TEST(GetOctaveIIRParamButter, BandOutsideTableWritesNothing)
{
    Row row;
    row.num.fill(7.0f);
    row.den.fill(7.0f);
    row.gain.fill(7.0f);
    GetOctaveIIRParamButter(row.num.data(), row.den.data(), row.gain.data(), kOctaveIIRBandBelowLowest + 1,
                            48000.0f);
    for (float v : row.num) {
        EXPECT_EQ(v, 7.0f);
    }
    for (float v : row.gain) {
        EXPECT_EQ(v, 7.0f);
    }
}

TEST(TMultiStageIIR, SineSettlesToBandGain)
{
    const Row row = GetRow(4, 44100.0f);
    struct Case {
        const char* name;
        double fHz;
        double expectedDb;
        double toleranceDb;
    };
    for (const Case& c : {Case{"1 kHz", 1000.0, 0.0, 0.05}, Case{"500 Hz", 500.0, -26.0, 1.0}}) {
        SCOPED_TRACE(c.name);
        TMultiStageIIR cascade(4, row.num.data(), row.den.data(), row.gain.data());
        std::vector<float> x(44100);
        for (std::size_t n = 0; n < x.size(); ++n) {
            x[n] = static_cast<float>(std::sin(2 * kPi * c.fHz * static_cast<double>(n) / 44100.0));
        }
        cascade.Process(x.data(), x.size());
        float peak = 0.0f;
        for (std::size_t n = x.size() / 2; n < x.size(); ++n) {
            peak = std::max(peak, std::abs(x[n]));
        }
        EXPECT_NEAR(20 * std::log10(peak), c.expectedDb, c.toleranceDb);
    }
}

TEST(TMultiStageIIR, StateCarriesAcrossCalls)
{
    const Row row = GetRow(2, 48000.0f);
    std::mt19937 rng(6);
    std::normal_distribution<float> noise;
    std::vector<float> whole(5000);
    for (float& v : whole) {
        v = noise(rng);
    }
    std::vector<float> pieces = whole;

    TMultiStageIIR once(4, row.num.data(), row.den.data(), row.gain.data());
    once.Process(whole.data(), whole.size());

    TMultiStageIIR split(4, row.num.data(), row.den.data(), row.gain.data());
    split.Process(pieces.data(), 1);
    split.Process(pieces.data() + 1, 1776);
    for (std::size_t n = 1777; n < 3000; ++n) {
        pieces[n] = split.Process(pieces[n]);
    }
    split.Process(pieces.data() + 3000, pieces.size() - 3000);

    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(split.y.back(), whole.back());
    EXPECT_EQ(split.y, once.y);
}
