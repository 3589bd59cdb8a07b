// The room report printed after loading and before a run.

#include <cstdio>

#include "room/TRoom.h"

void TRoom::ShowInfo()
{
    std::printf("\nENVIRONMENT SECTION:\n");
    std::printf("Sound Speed = %1.2f\n", static_cast<double>(VSound));
    std::printf("Temperature = %1.2f\n", Temperature);
    std::printf("Pressure    = %1.2f\n", Pressure);
    std::printf("Humidity    = %1.2f\n", Humidity);

    std::printf("\nSIMULATION SECTION:\n");
    std::printf("Stop Decay  = %1.2f\n", static_cast<double>(StopDecay));
    std::printf("Freq.Sample = %1.2f\n", static_cast<double>(FSample));
    std::printf("Max. Time   = %1.2f\n", static_cast<double>(GetMaxTime()));
    std::printf("Number of Bands = %d\n", static_cast<int>(NumBands));
    std::printf(AirAbsorptionFlag != 0 ? "Air Absorption = ON\n" : "Air Absorption = OFF\n");
    std::printf(AuralizationFlag ? "Auralization = ON\n" : "Auralization = OFF\n");
    std::printf(ArtificialTailFlag ? "Artificial Tail = ON\n" : "Artificial Tail = OFF\n");
    std::printf("Max Raytracing Reflections = %d (Not Limited = -1)\n", MaxRayTracReflections);
    std::printf("Cluster order = %d (-1 = AUTOMATIC CLUSTERING)\n", ClusterOrderGlobal);

    std::printf("\nSOURCE LAYERS: %d\n", static_cast<int>(NumSourceLayers));
    for (unsigned int i = 0; i < NumSourceLayers; ++i) {
        std::printf("[%.2d] - %s\n", static_cast<int>(i) + 1, sourceLayer[i].layername.c_str());
    }
    std::printf("\nSOURCE(S): %d\n", static_cast<int>(NumSources));
    for (const TSource& s : source) {
        s.PrintSource();
    }
    std::printf("\nRECEIVER(S): %d\n", static_cast<int>(NumReceivers));
    for (const TReceiver& r : receiver) {
        r.PrintReceiver();
    }

    std::printf("\nMATERIALS SECTION:\n");
    std::printf("Number of Materials = %d\n", static_cast<int>(NumMaterials));
    for (unsigned int i = 0; i < NumMaterials; ++i) {
        std::printf("[%.2d] - %s\n", static_cast<int>(i) + 1, material[i].nome.c_str());
    }

    std::printf("\nPLANE-LAYER SECTION:\n");
    std::printf("Number of Plane Layers = %d\n", static_cast<int>(NumPlaneLayers));
    for (unsigned int i = 0; i < NumPlaneLayers; ++i) {
        const TPlaneLayer& layer = planeLayer[i];
        if (layer.MatID >= 0 && static_cast<unsigned int>(layer.MatID) < NumMaterials) {
            std::printf("[%.2d] - %s \t<-> %s\n", static_cast<int>(i) + 1, layer.nome.c_str(),
                        material[layer.MatID].nome.c_str());
        } else {
            std::printf("[%.2d] - %s \t<-> No Material associated\n", static_cast<int>(i) + 1,
                        layer.nome.c_str());
        }
    }

    std::printf("\nGEOMETRY INFO:\n");
    std::printf("Volume = %1.2f m3 (depends on the surface orientation)\n", Volume);
    std::printf("Area   = %1.2f m2 (check if there are no overlapping areas)\n", Area);
    std::printf("Estimating volume from Mean Free Path ...");
    if (MeanFreePath == 0.0f) {
        MeanFreePath = MFP_Estimation();
    }
    std::printf("\rVolume estimated from Mean Free Path = %1.2f m3\n",
                static_cast<double>(MeanFreePath) * Area / 4.0);
}
