// The grid of results (one per receiver and source) and the room estimates
// that need no simulation: mean absorption, room constant, critical distance.

#include <cmath>
#include <cstdio>
#include <numbers>

#include "results/RayProbability.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

// Absorption and scattering of a plane's material in band b; a plane without
// a material reflects everything.
struct TSurfaceCoefficients {
    float absorption = 0.0f;
    float scattering = 0.0f;
};

TSurfaceCoefficients PlaneCoefficients(const TRoom& room, const TPlane& p, unsigned int b)
{
    if (p.LayerID < 0 || static_cast<unsigned int>(p.LayerID) >= room.NumPlaneLayers) {
        return {};
    }
    const int id = room.planeLayer[p.LayerID].MatID;
    if (id < 0 || static_cast<unsigned int>(id) >= room.NumMaterials) {
        return {};
    }
    const TMaterial& m = room.material[id];
    return {b < m.abs.size() ? m.abs[b] : 0.0f, b < m.dif.size() ? m.dif[b] : 0.0f};
}

// The automatic clustering order: the number of mean free paths within the
// distance d at which one ray in N still meets the receiver. Without a known
// mean free path (0, an open room) or a finite distance there is no order to
// derive, and only the direct sound is clustered.
int AutomaticClusterOrder(double d, double meanFreePath, unsigned int s, unsigned int r)
{
    const double order = d / meanFreePath;
    if (!(meanFreePath > 0.0) || !std::isfinite(d) || !std::isfinite(order)) {
        ConsolePrint("Automatic clustering order of S[%.3d]-R[%.3d] cannot be derived (distance %1.2f m, "
                    "mean free path %1.2f m): using order 0\n",
                    static_cast<int>(s) + 1, static_cast<int>(r) + 1, d, meanFreePath);
        return 0;
    }
    return order >= 2147483647.0 ? 2147483647 : static_cast<int>(order);
}

} // namespace

void TRoom::ClearResults()
{
    spcresult.clear(); // also what a failed CreateResults left behind
    ++ResultsGeneration;
    if (!ResultsCreated) {
        return;
    }
    ResultsCreated = false;
    ResultSrc = 0;
    ResultRec = 0;
}

void TRoom::CreateResults()
{
    ClearResults();
    CheckRoom();
    CalculateAbsorptionArea();
    CalcRoomConstant(RoomConstant);

    AirAbs.resize(NumBands, 0.0);
    RoomConstant.resize(NumBands, 0.0f);
    TResultParam param(NumBands, ClusterOrderGlobal, VSound, FSample, RoomConstant.data(), BaseSize,
                       MaxLength, AirAbs.data(), ArtificialTailFlag);

    spcresult.resize(NumReceivers);

    ConsolePrint("Estimating Mean Free Path ... ");
    MeanFreePath = MFP_Estimation();
    ConsolePrint("Done!\n");
    ConsolePrint("MeanFreePath = %1.2f\n", static_cast<double>(MeanFreePath));

    for (unsigned int r = 0; r < NumReceivers; ++r) {
        spcresult[r].resize(NumSources);
        for (unsigned int s = 0; s < NumSources; ++s) {
            int order = ClusterOrderGlobal;
            if (ClusterOrderGlobal < 0) {
                const double d = DistanceForRayProb(1.0 / source[s].NumberOfRays, receiver[r].Radius);
                ConsolePrint("Max. Effective Raytracing Distance for src[%d]-rec[%d] is %1.2f m (%1.2f "
                            "sec, %d samples)\n",
                            static_cast<int>(s) + 1, static_cast<int>(r) + 1, d, d / VSound,
                            TruncateToInt(FSample * d / VSound));
                order = AutomaticClusterOrder(d, MeanFreePath, s, r);
            }
            ConsolePrint("Setting S[%.3d]-R[%.3d] maximum reflection order for clustering to %d\n",
                        static_cast<int>(s) + 1, static_cast<int>(r) + 1, order);
            param.FirstROrder = order;
            spcresult[r][s] = std::make_unique<TResult>(param, &receiver[r], &source[s]);
            spcresult[r][s]->SetNumRays(source[s].NumberOfRays);
            if (HitFilesFlag != 0) {
                spcresult[r][s]->CreateHitFile(static_cast<int>(s), static_cast<int>(r),
                                               JoinPath(ProjectFolder, "HITS"));
            }
            spcresult[r][s]->CreateRayFile(static_cast<int>(s), static_cast<int>(r),
                                           JoinPath(ProjectFolder, "RAYS"));
        }
    }
    ResultsCreated = true;
    ++ResultsGeneration;
    ResultSrc = NumSources;
    ResultRec = NumReceivers;
}

void TRoom::CalculateAbsorptionArea()
{
    const double S = CalculateArea();
    AverageAbsorption.assign(4, std::vector<float>(NumBands, 1.0f));
    if (NumPlanes > 0) {
        for (unsigned int b = 0; b < NumBands; ++b) {
            double absorptionArea = 0.0; // sum alpha_p S_p, m2
            double millington = 0.0;     // sum -S_p ln(1 - alpha_p)
            double areas = 0.0;
            double weighted = 0.0;       // sum alpha_p (1 - s_p) / S_p
            double inverseAreas = 0.0;   // sum 1 / S_p
            for (TPlane& p : plane) {
                const TSurfaceCoefficients k = PlaneCoefficients(*this, p, b);
                const double area = p.PlaneArea();
                absorptionArea += k.absorption * area;
                millington += -area * std::log(1.0 - k.absorption);
                areas += area;
                // A plane of no area has no weight rather than an infinite one.
                if (area > 0.0) {
                    weighted += k.absorption * (1.0 - k.scattering) / area;
                    inverseAreas += 1.0 / area;
                }
            }
            const double sabine = absorptionArea / S;
            AverageAbsorption[0][b] = static_cast<float>(sabine);
            AverageAbsorption[1][b] = static_cast<float>(-std::log(1.0 - sabine));
            AverageAbsorption[2][b] = static_cast<float>(areas > 0.0 ? millington / areas : 0.0);
            AverageAbsorption[3][b] = static_cast<float>(inverseAreas > 0.0 ? weighted / inverseAreas : 0.0);
        }
    }
    AverageAbsorptionCreated = true;
    CalcRoomConstant(RoomConstant);
    ShowRoomConstant();
    ShowAbsorptionCoefficients();
}

void TRoom::CalcRoomConstant(std::vector<float>& R)
{
    R.assign(NumBands, 0.0f);
    if (NumPlanes == 0) {
        return; // no surfaces, no absorption
    }
    double S = 0.0;
    for (TPlane& p : plane) {
        S += p.PlaneArea();
    }
    for (unsigned int b = 0; b < NumBands; ++b) {
        double sum = 0.0;
        for (const TPlane& p : plane) {
            sum += PlaneCoefficients(*this, p, b).absorption;
        }
        const double mean = sum / NumPlanes;
        R[b] = static_cast<float>(mean * S / (1.0 - mean));
    }
}

void TRoom::CalcCriticalDist()
{
    // Taken at 1 kHz, band 4.
    constexpr unsigned int kBand = 4;
    if (AverageAbsorption.size() < 4 || AverageAbsorption[3].size() <= kBand) {
        CriticalDistance = 0.0f;
        return;
    }
    CriticalDistance = static_cast<float>(
        0.25 * std::sqrt(AverageAbsorption[3][kBand] * Area / std::numbers::pi));
}

void TRoom::ShowRoomConstant() const
{
    ConsolePrint("ROOM CONST.: ");
    for (unsigned int b = 0; b < NumBands && b < RoomConstant.size(); ++b) {
        ConsolePrint("%1.3f ", static_cast<double>(RoomConstant[b]));
    }
    ConsolePrint("\n");
}

void TRoom::ShowAbsorptionCoefficients() const
{
    ConsolePrint("Averaged absorption coefficients:\n");
    ConsolePrint("F.(Hz): ");
    for (unsigned int b = 0; b < NumBands; ++b) {
        ConsolePrint("%.5d ", static_cast<int>(std::ceil(62.5 * std::pow(2.0, b))));
    }
    ConsolePrint("\n");
    ConsolePrint("SABINE: ");
    for (unsigned int b = 0; b < NumBands && AverageAbsorption.size() > 0 && b < AverageAbsorption[0].size(); ++b) {
        ConsolePrint("%1.3f ", static_cast<double>(AverageAbsorption[0][b]));
    }
    ConsolePrint("\n");
    ConsolePrint("EYRING: ");
    for (unsigned int b = 0; b < NumBands && AverageAbsorption.size() > 1 && b < AverageAbsorption[1].size(); ++b) {
        ConsolePrint("%1.3f ", static_cast<double>(AverageAbsorption[1][b]));
    }
    ConsolePrint("\n");
}
