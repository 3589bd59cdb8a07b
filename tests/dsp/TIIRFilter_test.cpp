#include "dsp/TIIRFilter.h"

#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using Row = TOctaveIIRRow;

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

TEST(GetOctaveIIRParamButter, ReproducesTheTabulatedRow)
{
    const float k4 = 5.66318249e-06f;
    const Row band4 = {{k4, 2 * k4, k4, 1, 2, 1, 1, -2, 1, 1, -2, 1},
                       {1, -1.873541f, 0.899139106f, 1, -1.90839517f, 0.923061848f, 1, -1.91306365f,
                        0.950776398f, 1, -1.96333337f, 0.973810375f},
                       {1, 1, 1, 1}};
    const Row got4 = GetRow(4, 44100.0f);
    EXPECT_EQ(got4.num, band4.num);
    EXPECT_EQ(got4.den, band4.den);
    EXPECT_EQ(got4.gain, band4.gain);
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

            for (int s = 0; s < 4; ++s) { // every section inside the biquad stability triangle
                const float a1 = row.den[3 * s + 1], a2 = row.den[3 * s + 2];
                EXPECT_LT(a2, 1.0f);
                EXPECT_LT(std::abs(a1), 1.0f + a2);
            }
        }
    }
}

TEST(GetOctaveIIRParamButter, UnsupportedRateIsFatalAndUnknownBandWritesNothing)
{
    ErrorRecorder recorder;
    Row row;
    EXPECT_EQ(FatalCode([&] { GetRow(4, 32000.0f); }), 1);
    EXPECT_EQ(recorder.texts,
              std::vector<std::string>{"Frequency Sample 32000.000000 NOT supported for filter design!"});
    row.num.fill(7.0f);
    const auto before = row.num;
    GetOctaveIIRParamButter(row.num.data(), row.den.data(), row.gain.data(), 10, 48000.0f);
    EXPECT_EQ(row.num, before);
}

TEST(TMultiStageIIR, SineSettlesToBandGainAcrossCalls)
{
    const Row row = GetRow(4, 44100.0f);
    // At the centre and an octave on either side.
    for (const auto& [fHz, expectedDb, toleranceDb] :
         {std::array{1000.0, 0.0, 0.05}, std::array{500.0, -26.0, 1.0}, std::array{2000.0, -26.0, 1.0}}) {
        SCOPED_TRACE(std::to_string(fHz) + " Hz");
        std::vector<float> x(44100);
        for (std::size_t n = 0; n < x.size(); ++n) {
            x[n] = static_cast<float>(std::sin(2 * std::numbers::pi * fHz * static_cast<double>(n) / 44100.0));
        }
        std::vector<float> pieces = x;
        TMultiStageIIR once(4, row.num.data(), row.den.data(), row.gain.data());
        once.Process(x.data(), x.size());
        float peak = 0.0f;
        for (std::size_t n = x.size() / 2; n < x.size(); ++n) {
            peak = std::max(peak, std::abs(x[n]));
        }
        EXPECT_NEAR(20 * std::log10(peak), expectedDb, toleranceDb);

        // The state carries over from one call to the next.
        TMultiStageIIR split(4, row.num.data(), row.den.data(), row.gain.data());
        split.Process(pieces.data(), 1);
        split.Process(pieces.data() + 1, 2999);
        for (std::size_t n = 3000; n < pieces.size(); ++n) {
            pieces[n] = split.Process(pieces[n]);
        }
        EXPECT_EQ(pieces, x);
    }
}
