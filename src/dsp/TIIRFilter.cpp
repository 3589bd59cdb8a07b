#include "dsp/TIIRFilter.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <complex>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>

#include "util/ErrorMessage.h"

TMultiStageIIR::TMultiStageIIR(unsigned int numStages, const float* num, const float* den,
                               const float* gain)
    : NumStages(numStages), y(numStages, 0.0f)
{
    section.reserve(numStages);
    for (unsigned int i = 0; i < numStages; ++i) {
        section.emplace_back(num + 3 * i, den + 3 * i, gain[i]);
    }
}

void TMultiStageIIR::Process(float* x, std::size_t size_x)
{
    for (std::size_t n = 0; n < size_x; ++n) {
        x[n] = Process(x[n]);
    }
}

TOctaveIIRRow DesignButterworthBandPass(double f1Hz, double f2Hz, double fsHz, bool zerosAtDcFirst)
{
    using Complex = std::complex<double>;
    constexpr double kPi = std::numbers::pi;
    constexpr int kPrototypeOrder = 4;
    assert(0.0 < f1Hz && f1Hz < f2Hz && f2Hz < fsHz / 2.0);

    // Bilinear transform s = 2 fs (z - 1) / (z + 1); prewarping the edges
    // places the digital -3 dB points exactly at f1Hz and f2Hz.
    const double twoFs = 2.0 * fsHz;
    const double w1 = twoFs * std::tan(kPi * f1Hz / fsHz);
    const double w2 = twoFs * std::tan(kPi * f2Hz / fsHz);
    const double bandwidth = w2 - w1;
    const double centreSquared = w1 * w2;

    // Each Butterworth prototype pole p gives the two band-pass poles solving
    // s^2 - p B s + w0^2 = 0; the band-pass has four zeros at s = 0 (z = 1)
    // and four at infinity (z = -1), and gain B^4.
    Complex gain = std::pow(bandwidth * twoFs, kPrototypeOrder);
    std::vector<Complex> poles;
    for (int k = 0; k < kPrototypeOrder; ++k) {
        const Complex p = std::polar(1.0, kPi * (2 * k + kPrototypeOrder + 1) / (2 * kPrototypeOrder));
        const Complex root = std::sqrt(p * p * bandwidth * bandwidth - 4.0 * centreSquared);
        for (const Complex s : {(p * bandwidth + root) / 2.0, (p * bandwidth - root) / 2.0}) {
            gain /= twoFs - s;
            poles.push_back((twoFs + s) / (twoFs - s));
        }
    }

    struct Section {
        double a1;
        double a2;
    };
    std::vector<Section> sections;
    for (const Complex z : poles) {
        if (z.imag() > 0.0) {
            sections.push_back({-2.0 * z.real(), std::norm(z)});
        }
    }
    assert(sections.size() == 4);
    std::sort(sections.begin(), sections.end(),
              [](const Section& l, const Section& r) { return l.a2 < r.a2; });

    TOctaveIIRRow row;
    const double k = gain.real();
    const float lowZeros = zerosAtDcFirst ? -2.0f : 2.0f;
    const std::array<float, 4> middle{lowZeros, lowZeros, -lowZeros, -lowZeros};
    for (int i = 0; i < 4; ++i) {
        const float scale = i == 0 ? static_cast<float>(k) : 1.0f;
        row.num[3 * i + 0] = scale;
        row.num[3 * i + 1] = static_cast<float>((i == 0 ? k : 1.0) * middle[i]);
        row.num[3 * i + 2] = scale;
        row.den[3 * i + 0] = 1.0f;
        row.den[3 * i + 1] = static_cast<float>(sections[i].a1);
        row.den[3 * i + 2] = static_cast<float>(sections[i].a2);
        row.gain[i] = 1.0f;
    }
    return row;
}

namespace {

constexpr unsigned int kNumOctaveBands = 9;
constexpr unsigned int kTableRows = kNumOctaveBands + 1;

// The 16 kHz band at 44.1 kHz: its upper octave edge (22.6 kHz) lies above the
// Nyquist frequency, so the band cannot be designed like the others. Its fixed
// row is a Butterworth band-pass of the same order with the lower -3 dB edge
// at 11.31 kHz and the upper one at about 18.90 kHz (unit gain at 15.9 kHz).
TOctaveIIRRow Band16kAt44k1()
{
    TOctaveIIRRow row;
    const float k = 0.0289115645f;
    row.num = {k, -2.0f * k, k, 1.0f, -2.0f, 1.0f, 1.0f, 2.0f, 1.0f, 1.0f, 2.0f, 1.0f};
    row.den = {1.0f, 0.431478351f, 0.228804857f, 1.0f, 1.18254852f,  0.444254667f,
               1.0f, 0.114630133f, 0.613523543f, 1.0f, 1.61792362f, 0.806845963f};
    row.gain = {1.0f, 1.0f, 1.0f, 1.0f};
    return row;
}

using OctaveTable = std::array<TOctaveIIRRow, kTableRows>;

OctaveTable BuildTable(double fsHz)
{
    OctaveTable table;
    for (unsigned int band = 0; band < kTableRows; ++band) {
        const double centreHz = band == kOctaveIIRBandBelowLowest ? 31.25 : 62.5 * std::exp2(band);
        const bool topBand = band == kNumOctaveBands - 1;
        const double upperHz = centreHz * std::numbers::sqrt2;
        if (upperHz >= fsHz / 2.0) {
            assert(topBand && fsHz == 44100.0);
            table[band] = Band16kAt44k1();
        } else {
            table[band] = DesignButterworthBandPass(centreHz / std::numbers::sqrt2, upperHz, fsHz, topBand);
        }
    }
    return table;
}

} // namespace

void GetOctaveIIRParamButter(float* b, float* a, float* gain, unsigned int Band, float Fsample)
{
    // Function-local statics: built once, on first use, thread-safe.
    static const OctaveTable table44k1 = BuildTable(44100.0);
    static const OctaveTable table48k = BuildTable(48000.0);

    const OctaveTable* table = nullptr;
    if (Fsample == 44100.0f) {
        table = &table44k1;
    } else if (Fsample == 48000.0f) {
        table = &table48k;
    } else {
        Fatal(1, "Frequency Sample %f NOT supported for filter design!", static_cast<double>(Fsample));
    }
    if (Band >= kTableRows) {
        return;
    }
    const TOctaveIIRRow& row = (*table)[Band];
    std::copy(row.num.begin(), row.num.end(), b);
    std::copy(row.den.begin(), row.den.end(), a);
    std::copy(row.gain.begin(), row.gain.end(), gain);
}

double OctaveIIRImpulseEnergy(unsigned int Band, float Fsample)
{
    static std::mutex mutex;
    static std::map<std::pair<unsigned int, float>, double> energies;
    const std::lock_guard lock(mutex);
    const auto key = std::make_pair(Band, Fsample);
    if (const auto found = energies.find(key); found != energies.end()) {
        return found->second;
    }
    std::array<float, 12> num{}, den{};
    std::array<float, 4> gain{};
    GetOctaveIIRParamButter(num.data(), den.data(), gain.data(), Band, Fsample);
    TMultiStageIIR iir(4, num.data(), den.data(), gain.data());
    const auto length = static_cast<std::size_t>(std::max(Fsample, 1.0f));
    double energy = 0.0;
    for (std::size_t n = 0; n < length; ++n) {
        const double y = iir.Process(n == 0 ? 1.0f : 0.0f);
        energy += y * y;
    }
    energies.emplace(key, energy);
    return energy;
}
