#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <filesystem>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "dsp/FftwPlan.h"
#include "results/ResultFixtures.h"
#include "room/TRoom.h"

namespace {

// 5 x 4 x 3 m: floor of absorption 0.5 and scattering 0.2, the other walls 0.1 and 0.
void MixedBox(TRoom& room)
{
    room.AddMaterial(TMaterial("floor", room.NumBands, 0.5f, 0.2f));
    room.AddMaterial(TMaterial("wall", room.NumBands, 0.1f, 0.0f));
    TPlaneLayer floorLayer("floor");
    floorLayer.MatID = 0;
    TPlaneLayer wallLayer("walls");
    wallLayer.MatID = 1;
    room.AddPlaneLayer(floorLayer);
    room.AddPlaneLayer(wallLayer);
    std::vector<TPlane> planes = BoxPlanes(5, 4, 3);
    for (std::size_t p = 1; p < planes.size(); ++p) {
        planes[p].LayerID = 1;
    }
    room.CreatePlanes(planes);
}

} // namespace

TEST(RoomEstimates, AbsorptionRoomConstantAndCriticalDistance)
{
    TRoom room;
    MixedBox(room);
    const ConsoleRecorder quiet;
    room.CalculateAbsorptionArea();
    // Areas: floor and ceiling 20, walls 15, 15, 12, 12; 94 m2 in all.
    const double sabine = (0.5 * 20 + 0.1 * 74) / 94;
    const double millington = (-20 * std::log(0.5) - 74 * std::log(0.9)) / 94;
    const double weighted = (0.5 * 0.8 / 20 + 0.1 / 20 + 2 * 0.1 / 15 + 2 * 0.1 / 12) /
                            (2.0 / 20 + 2.0 / 15 + 2.0 / 12);
    for (unsigned b = 0; b < room.NumBands; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(room.AverageAbsorption[0][b], sabine, 1e-6);
        EXPECT_NEAR(room.AverageAbsorption[1][b], -std::log(1 - sabine), 1e-6);
        EXPECT_NEAR(room.AverageAbsorption[2][b], millington, 1e-6);
        EXPECT_NEAR(room.AverageAbsorption[3][b], weighted, 1e-6);
        // Plain mean absorption 1/6 over the six planes.
        EXPECT_NEAR(room.RoomConstant[b], (1.0 / 6) * 94 / (5.0 / 6), 1e-4);
    }
    room.CalcCriticalDist();
    EXPECT_NEAR(room.CriticalDistance, 0.25 * std::sqrt(weighted * 94 / 3.14159265358979), 1e-6);
}

namespace {

// A traced 6 x 4 x 3 m shoebox with one source and one receiver of 0.3 m.
void TraceShoebox(TRoom& room, const ScratchFolder& folder, unsigned rays)
{
    room.ProjectFolder = folder.Folder();
    room.FSample = 44100.0f;
    room.VSound = 343.0f;
    room.MaxLength = 22050;
    room.AirAbs.assign(room.NumBands, 0.001);
    FillBoxRoom(room, 6, 4, 3, 0.3f, 0.4f);
    room.AddSource(TSource(TPoint3D::Make(1.2, 1.1, 1.0), 0.01f, -1, rays, 0.0f, 0.0f, room.NumBands, "NONE"));
    room.AddReceiver(TReceiver(TPoint3D::Make(4.1, 2.6, 1.7), 0.3, 0.0, -1));
    room.CreateResults();
    ASSERT_TRUE(room.Simulate());
    room.CalculateResponses();
}

} // namespace

TEST(Shoebox, FirstOrderRecordsAreImageSourcePaths)
{
    ScratchFolder folder;
    TRoom room;
    room.ClusterOrderGlobal = 1;
    room.MaxRayTracReflections = 1;
    room.SaveLostRays = 0;
    TraceShoebox(room, folder, 10242);

    const TPoint3D s = TPoint3D::Make(1.2, 1.1, 1.0);
    const TPoint3D m = TPoint3D::Make(4.1, 2.6, 1.7);
    const std::vector<TPoint3D> images = {
        TPoint3D::Make(-s.x, s.y, s.z), TPoint3D::Make(12 - s.x, s.y, s.z), TPoint3D::Make(s.x, -s.y, s.z),
        TPoint3D::Make(s.x, 8 - s.y, s.z), TPoint3D::Make(s.x, s.y, -s.z), TPoint3D::Make(s.x, s.y, 6 - s.z)};
    const double perMetre = 44100.0 / 343.0;
    std::vector<int> matches(images.size(), 0);
    unsigned firstOrder = 0;
    for (const TRay& r : ReadRecords(folder.Path("RAYS-S001-R001.txt"))) {
        if (r.reflections == 0) {
            EXPECT_NEAR(r.index, Module(m - s) * perMetre, 0.3 * perMetre);
        }
        if (r.reflections != 1) {
            continue;
        }
        ++firstOrder;
        // The path it comes from: the image in its arrival direction.
        int found = -1;
        float nearest = 360.0f;
        for (std::size_t i = 0; i < images.size(); ++i) {
            TDirection toImage = cart2sph(PointToVector(images[i] - m));
            toImage.azim = static_cast<float>(toImage.azim * 180 / 3.14159265358979);
            toImage.elev = static_cast<float>(toImage.elev * 180 / 3.14159265358979);
            if (toImage.Distancia(r.dir) < nearest) {
                nearest = toImage.Distancia(r.dir);
                found = static_cast<int>(i);
            }
        }
        EXPECT_LT(nearest, 5.0f);
        // Its length within the receiver's radius of the image-source path.
        EXPECT_NEAR(r.index, Module(m - images[found]) * perMetre, 0.3 * perMetre) << "image " << found;
        ++matches[found];
    }
    EXPECT_EQ(firstOrder, images.size());
    EXPECT_EQ(matches, std::vector<int>(images.size(), 1));
    EXPECT_GT(room.spcresult[0][0]->GetMaxIRAmplitude(), 0.0f);
}

TEST(Shoebox, SameProjectSameFiles)
{
    ScratchFolder first, second;
    for (const ScratchFolder* folder : {&first, &second}) {
        TRoom room;
        room.ClusterOrderGlobal = -1;
        room.DiffuseProcessing = 1;
        room.ArtificialTailFlag = true;
        room.HitFilesFlag = 1;
        room.SaveLateRaysFlag = 1;
        room.SaveLostRays = 1;
        TraceShoebox(room, *folder, 1002);
        EXPECT_GT(room.spcresult[0][0]->GetMaxIRAmplitude(), 0.0f);
        const std::string path = folder->Path("IR.txt");
        FILE* f = std::fopen(path.c_str(), "w");
        for (float v : room.spcresult[0][0]->globalIR[0]) {
            std::fprintf(f, "%a\n", static_cast<double>(v));
        }
        std::fclose(f);
    }
    unsigned files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first.Folder())) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadFileText(first.Path(name)), ReadFileText(second.Path(name)));
        ++files;
    }
    EXPECT_EQ(files, 6u) << "ray and hit files, each with its early file; lost rays; the response";
}

namespace {

// The shoebox with absorption 0.2 and no scattering in every band, no air
// absorption and a source of the same power in every band.
void TraceUniformShoebox(TRoom& room, const ScratchFolder& folder, int clusterOrder)
{
    room.ProjectFolder = folder.Folder();
    room.ClusterOrderGlobal = clusterOrder;
    room.SaveLostRays = 0;
    room.SaveLateRaysFlag = 1; // every arrival in the ray file, to be summed there
    room.FSample = 44100.0f;
    room.VSound = 343.0f;
    room.MaxLength = 44100;
    room.AirAbs.assign(room.NumBands, 0.0);
    FillBoxRoom(room, 6, 4, 3, 0.2f, 0.0f);
    room.AddSource(TSource(TPoint3D::Make(1.2, 1.1, 1.0), 0.01f, -1, 20000, 0.0f, 0.0f, room.NumBands, "NONE"));
    room.AddReceiver(TReceiver(TPoint3D::Make(4.1, 2.6, 1.7), 0.3, 0.0, -1));
    room.CreateResults();
    ASSERT_TRUE(room.Simulate());
    room.CalculateResponses();
    room.spcresult[0][0]->GetMonoParams();
}

// The level each band's traced arrivals stand for: their energies at the
// receiver as pressure, summed.
std::vector<double> TracedBandLevels(const TResult& result)
{
    std::vector<double> energy(kResultBands, 0.0);
    for (const TRay& record : ReadRecords(result.RayFileName)) {
        for (unsigned b = 0; b < kResultBands; ++b) {
            energy[b] += record.spectrum[b];
        }
    }
    std::vector<double> levels;
    for (double e : energy) {
        levels.push_back(94.0 + 10.0 * std::log10(e * result.RecFactor * result.RecFactor *
                                                   result.VSound * result.Rho));
    }
    return levels;
}

// The octave-band levels of the response, from its spectrum (Parseval):
// independent of the band filters the synthesis and the parameters use.
std::vector<double> SpectrumBandLevels(const std::vector<float>& ir, float fs)
{
    const std::size_t n = std::bit_ceil(ir.size());
    FftwPlan plan(FftwPlan::Kind::Complex, n);
    const auto bins = plan.Spectrum();
    std::fill(bins.begin(), bins.end(), std::complex<double>());
    std::copy(ir.begin(), ir.end(), bins.begin());
    plan.Forward();
    std::vector<double> levels;
    for (unsigned b = 0; b < kResultBands; ++b) {
        const double fc = 62.5 * std::pow(2.0, b);
        double energy = 0.0;
        for (std::size_t k = 1; k < n / 2; ++k) {
            const double f = static_cast<double>(k) * fs / static_cast<double>(n);
            if (f >= fc / std::numbers::sqrt2 && f < fc * std::numbers::sqrt2) {
                energy += 2.0 * std::norm(bins[k]) / static_cast<double>(n);
            }
        }
        levels.push_back(94.0 + 10.0 * std::log10(energy));
    }
    return levels;
}

// Bands up to 2 kHz: below the air absorption and the Nyquist frequency.
constexpr unsigned kCheckedBands = 6;

// How closely a band's level in the spectrum follows its arrivals. The
// response carries each band's traced energy exactly, but the two lowest
// bands' filters reach well into their neighbours, and a 62.5 Hz or 125 Hz
// band holds only a few independent values (bandwidth times decay time) in a
// response this short, so how their energy splits at the band edges varies.
double SpectrumTolerance(unsigned band)
{
    return band < 2 ? 1.5 : 0.3;
}

} // namespace

TEST(Shoebox, FlatSourceGivesEqualBandLevelsAndTheirPowerSum)
{
    ScratchFolder folder;
    TRoom room;
    const ConsoleRecorder quiet;
    TraceUniformShoebox(room, folder, -1);
    const TResult& result = *room.spcresult[0][0];
    double mean = 0.0;
    for (unsigned b = 0; b < kCheckedBands; ++b) {
        mean += result.Param[b].SPL / kCheckedBands;
    }
    double power = 0.0;
    for (unsigned b = 0; b < kResultBands; ++b) {
        power += std::pow(10.0, result.Param[b].SPL / 10.0);
        if (b < kCheckedBands) {
            EXPECT_NEAR(result.Param[b].SPL, mean, 0.5) << "band " << b;
        }
    }
    EXPECT_NEAR(result.Param[kResultBands].SPL, 10.0 * std::log10(power), 0.5);
}

TEST(Shoebox, BandEnergiesAreTheTracedOnesWhateverTheClusterOrder)
{
    std::vector<std::vector<double>> synthesised;
    for (int order : {10, -1}) {
        SCOPED_TRACE(order);
        ScratchFolder folder;
        TRoom room;
        const ConsoleRecorder quiet;
        TraceUniformShoebox(room, folder, order);
        const TResult& result = *room.spcresult[0][0];
        const std::vector<double> traced = TracedBandLevels(result);
        synthesised.push_back(SpectrumBandLevels(result.globalIR[0], result.FSample));
        for (unsigned b = 0; b < kCheckedBands; ++b) {
            EXPECT_NEAR(synthesised.back()[b], traced[b], SpectrumTolerance(b)) << "band " << b;
        }
    }
    for (unsigned b = 0; b < kCheckedBands; ++b) {
        EXPECT_NEAR(synthesised[0][b], synthesised[1][b], SpectrumTolerance(b)) << "band " << b;
    }
}
