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

struct Row {
    std::array<float, 12> num{}, den{};
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
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * fHz / fsHz);
    std::complex<double> h = 1.0;
    for (int s = 0; s < 4; ++s) {
        const double b0 = row.num[3 * s], b1 = row.num[3 * s + 1], b2 = row.num[3 * s + 2];
        const double a1 = row.den[3 * s + 1], a2 = row.den[3 * s + 2];
        h *= static_cast<double>(row.gain[s]) * (b0 + z1 * (b1 + z1 * b2)) / (1.0 + z1 * (a1 + z1 * a2));
    }
    return 20.0 * std::log10(std::abs(h));
}

} // namespace

TEST(TIIRFilter2ndOrder, UnitSectionPassesInput)
{
    const float b[3] = {1, 0, 0}, a[3] = {1, 0, 0};
    TIIRFilter2ndOrder section(b, a, 1.0f);
    for (float x : {1.0f, -2.5f, 0.0f, 1e-30f}) {
        EXPECT_EQ(section.filter(x), x);
    }
}

TEST(GetOctaveIIRParamButter, ReproducesTabulatedRows)
{
    const float k4 = 5.66318249e-06f, k8 = 0.0289115645f;
    const Row band4 = {{k4, 2 * k4, k4, 1, 2, 1, 1, -2, 1, 1, -2, 1},
                       {1, -1.873541f, 0.899139106f, 1, -1.90839517f, 0.923061848f, 1, -1.91306365f,
                        0.950776398f, 1, -1.96333337f, 0.973810375f},
                       {1, 1, 1, 1}};
    const Row band8 = {{k8, -2 * k8, k8, 1, -2, 1, 1, 2, 1, 1, 2, 1},
                       {1, 0.431478351f, 0.228804857f, 1, 1.18254852f, 0.444254667f, 1, 0.114630133f,
                        0.613523543f, 1, 1.61792362f, 0.806845963f},
                       {1, 1, 1, 1}};
    const Row got4 = GetRow(4, 44100.0f), got8 = GetRow(8, 44100.0f);
    EXPECT_EQ(got4.num, band4.num);
    EXPECT_EQ(got4.den, band4.den);
    EXPECT_EQ(got4.gain, band4.gain);
    EXPECT_EQ(got8.num, band8.num);
    EXPECT_EQ(got8.den, band8.den);

    // The 16 kHz row is the same design with its upper edge (above Nyquist
    // for a true octave) at 18.904 kHz, equal to about 2e-6.
    const TOctaveIIRRow design = DesignButterworthBandPass(16000 / std::numbers::sqrt2, 18904.264, 44100, true);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE("coefficient " + std::to_string(i));
        EXPECT_NEAR(design.num[i], band8.num[i], 2e-6 * std::abs(band8.num[i]));
        EXPECT_NEAR(design.den[i], band8.den[i], 2e-6 * std::abs(band8.den[i]));
    }
}

TEST(GetOctaveIIRParamButter, BandResponsesAndStability)
{
    for (double fs : {44100.0, 48000.0}) {
        for (unsigned int band = 0; band <= kOctaveIIRBandBelowLowest; ++band) {
            SCOPED_TRACE("fs " + std::to_string(fs) + " band " + std::to_string(band));
            const Row row = GetRow(band, static_cast<float>(fs));
            const double fc = band == kOctaveIIRBandBelowLowest ? 31.25 : 62.5 * std::exp2(band);
            // At 31.25 Hz the poles sit so close to z = 1 that single-precision
            // coefficients move the response by about 0.13 dB.
            const double tolerance = band == kOctaveIIRBandBelowLowest ? 0.2 : 0.1;
            const double upper = fc * std::numbers::sqrt2 < fs / 2 ? fc * std::numbers::sqrt2 : 18904.264;
            EXPECT_NEAR(ResponseDb(row, fc, fs), 0.0, tolerance);
            EXPECT_NEAR(ResponseDb(row, fc / std::numbers::sqrt2, fs), -3.01, tolerance);
            EXPECT_NEAR(ResponseDb(row, upper, fs), -3.01, tolerance);
            // An octave below the centre; the top band, widened by the bilinear warping, rejects least.
            EXPECT_LT(ResponseDb(row, fc / 2, fs), -15.0);

            float previousA2 = 0.0f;
            for (int s = 0; s < 4; ++s) {
                // Inside the biquad stability triangle, sections by increasing pole radius.
                const float a1 = row.den[3 * s + 1], a2 = row.den[3 * s + 2];
                EXPECT_LT(a2, 1.0f);
                EXPECT_LT(std::abs(a1), 1.0f + a2);
                EXPECT_GT(a2, previousA2);
                previousA2 = a2;
            }
        }
    }
    const Row band4 = GetRow(4, 44100.0f);
    EXPECT_NEAR(ResponseDb(band4, 500.0, 44100.0), -26.0, 1.0);
    EXPECT_NEAR(ResponseDb(band4, 2000.0, 44100.0), -26.0, 1.0);
}

TEST(GetOctaveIIRParamButter, UnsupportedRateIsFatalAndUnknownBandWritesNothing)
{
    ErrorRecorder recorder;
    Row row;
    try {
        GetOctaveIIRParamButter(row.num.data(), row.den.data(), row.gain.data(), 4, 32000.0f);
        FAIL() << "no FatalError";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.ExitCode(), 1);
    }
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Frequency Sample 32000.000000 NOT supported for filter design!");

    row.num.fill(7.0f);
    const auto before = row.num;
    GetOctaveIIRParamButter(row.num.data(), row.den.data(), row.gain.data(), 10, 48000.0f);
    EXPECT_EQ(row.num, before);
}

TEST(TMultiStageIIR, SineSettlesToBandGain)
{
    const Row row = GetRow(4, 44100.0f);
    for (const auto& [fHz, expectedDb, toleranceDb] : {std::array{1000.0, 0.0, 0.05}, std::array{500.0, -26.0, 1.0}}) {
        SCOPED_TRACE(std::to_string(fHz) + " Hz");
        TMultiStageIIR cascade(4, row.num.data(), row.den.data(), row.gain.data());
        std::vector<float> x(44100);
        for (std::size_t n = 0; n < x.size(); ++n) {
            x[n] = static_cast<float>(std::sin(2 * std::numbers::pi * fHz * static_cast<double>(n) / 44100.0));
        }
        cascade.Process(x.data(), x.size());
        float peak = 0.0f;
        for (std::size_t n = x.size() / 2; n < x.size(); ++n) {
            peak = std::max(peak, std::abs(x[n]));
        }
        EXPECT_NEAR(20 * std::log10(peak), expectedDb, toleranceDb);
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
    split.Process(pieces.data() + 1, 2999);
    for (std::size_t n = 3000; n < pieces.size(); ++n) {
        pieces[n] = split.Process(pieces[n]);
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(split.y, once.y);
    EXPECT_EQ(split.y.back(), whole.back());
}
