// The steps around a simulation that a window or the command line takes:
// loading a project for use and preparing a run.

#include "room/TRoom.h"

void TRoom::LoadAndAnalyse(const std::string& path)
{
    LoadProject(path);
    GetExternalPlanes();
    CalculateVolumeGeometry();
    CalculateArea();
    AcousticParameters();
    GetCenter();
    ShowInfo();
}

void TRoom::PrepareSimulation(std::optional<unsigned int> rays)
{
    ShowInfo();
    if (rays) {
        SetNumRays(*rays);
        for (TSource& s : source) {
            s.SetNumRays(GetNumRays());
        }
    }
    if (ResultsCreated) {
        ClearResults();
    }
    CleanRayFiles();
    CleanResultFiles();
    CreateResults();
}
