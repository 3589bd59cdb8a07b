#include "simulation/TRay.h"

#include <charconv>
#include <cmath>
#include <string>

#include "util/TextParsing.h"
#include "util/ErrorMessage.h"

Raio_st::Raio_st(unsigned int n)
{
    if (n > kMaxNumBands) {
        Fatal(1, "Raio_st error: Nbands > MAX_NUMBANDS\n");
    }
    NumBands = n;
}

void Raio_st::Set(TPoint3D position, TVector direction, unsigned int reflectionCount,
                  float distance, const float* energy)
{
    p = position;
    v = direction;
    reflections = reflectionCount;
    dist = distance;
    for (unsigned int b = 0; b < NumBands; ++b) {
        e[b] = energy[b];
        alfa_acc[b] = 0.0f;
    }
}

TRay::TRay()
{
    dir.Set(0.0f, 0.0f, 1.0f);
    startDir.Set(0.0f, 0.0f, 1.0f);
}

TRay::TRay(unsigned int n) : TRay()
{
    num_bands = n;
    spectrum.assign(n, 0.0f);
}

void TRay::SetSpectrum(unsigned int band, float value)
{
    if (band < num_bands) {
        spectrum[band] = value;
    }
}

void TRay::SetSpectrum(const float* values)
{
    spectrum.assign(values, values + num_bands);
}

void TRay::Set(unsigned int arrivalIndex, const float* energies, TDirection arrival,
               unsigned int reflectionCount, float proximity, TDirection start)
{
    index = arrivalIndex;
    SetSpectrum(energies);
    dir = arrival;
    reflections = static_cast<int>(reflectionCount);
    fatordist = proximity;
    startDir = start;
    FixAzimuth();
}

float TRay::GetEnergy() const
{
    float sum = 0.0f;
    for (float e : spectrum) {
        sum += e;
    }
    return sum;
}

void TRay::MultiplyBy(float f)
{
    for (float& e : spectrum) {
        e *= f;
    }
}

void TRay::FixAzimuth()
{
    if (dir.azim < 0.0f) {
        dir.azim += 360.0f;
    }
    if (dir.azim >= 360.0f) {
        dir.azim -= 360.0f * std::floor(dir.azim / 360.0f);
    }
}

void TRay::Save(FILE* f)
{
    std::string line;
    Format(line);
    std::fputs(line.c_str(), f);
}

namespace {

// Appends value as printf's "%1.<precision>f" (fixed) or "%g" (general)
// would write it in the "C" locale, which is what std::to_chars promises,
// and a space; to_chars needs none of printf's big-number arithmetic for the
// tiny energies of late arrivals.
void AppendFloat(std::string& out, double value, std::chars_format format, int precision)
{
    char buffer[400]; // the longest fixed form of a double with six decimals, and more
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (error == std::errc()) {
        out.append(buffer, end);
    } else {
        out += FormatText(format == std::chars_format::fixed ? "%1.*f" : "%.*g", precision, value);
    }
    out += ' ';
}

template <class Integer> void AppendInteger(std::string& out, Integer value)
{
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

} // namespace

void TRay::Format(std::string& out)
{
    FixAzimuth();
    // "%u %1.6f %1.3f %1.3f %d %1.3f %1.3f " then "%g " per band and "%d\n".
    AppendInteger(out, index);
    out += ' ';
    AppendFloat(out, fatordist, std::chars_format::fixed, 6);
    AppendFloat(out, dir.azim, std::chars_format::fixed, 3);
    AppendFloat(out, dir.elev, std::chars_format::fixed, 3);
    AppendInteger(out, reflections);
    out += ' ';
    AppendFloat(out, startDir.azim, std::chars_format::fixed, 3);
    AppendFloat(out, startDir.elev, std::chars_format::fixed, 3);
    for (unsigned int b = 0; b < num_bands; ++b) {
        AppendFloat(out, spectrum[b], std::chars_format::general, 6);
    }
    AppendInteger(out, ID);
    out += '\n';
}

bool TRay::Read(FILE* f)
{
    std::string line;
    if (!ReadLine(f, line)) {
        return false;
    }
    const auto fields = SplitFields(line);
    if (fields.size() != 8 + num_bands) {
        return false;
    }
    // Counts are whole numbers; everything else converts as a float.
    const auto arrival = ParseInt(fields[0]);
    const auto order = ParseInt(fields[4]);
    const auto id = ParseInt(fields[7 + num_bands]);
    std::vector<float> numbers(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto value = ParseDouble(fields[i]);
        if (!value) {
            return false;
        }
        numbers[i] = static_cast<float>(*value);
    }
    if (!arrival || *arrival < 0 || !order || !id) {
        return false;
    }
    index = static_cast<unsigned int>(*arrival);
    fatordist = numbers[1];
    dir.azim = numbers[2];
    dir.elev = numbers[3];
    reflections = *order;
    startDir.azim = numbers[5];
    startDir.elev = numbers[6];
    for (unsigned int b = 0; b < num_bands; ++b) {
        spectrum[b] = numbers[7 + b];
    }
    ID = *id;
    return true;
}

bool TRay::GetFromFile(FILE* f, unsigned int n)
{
    const long position = std::ftell(f);
    std::rewind(f);
    bool ok = true;
    for (unsigned int i = 0; i <= n && ok; ++i) {
        ok = Read(f);
    }
    std::fseek(f, position, SEEK_SET);
    return ok;
}

bool SubRayCmp_Index(const TSubRay& a, const TSubRay& b)
{
    if (a.index != b.index) {
        return a.index < b.index;
    }
    if (a.dir.azim != b.dir.azim) {
        return a.dir.azim < b.dir.azim;
    }
    return a.dir.elev < b.dir.elev;
}

bool Dist_cmp(const dist_st& a, const dist_st& b)
{
    return a.dist < b.dist;
}
