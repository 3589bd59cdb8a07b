// The room report printed after loading and before a run.

#include <cstdio>

#include "room/TRoom.h"
#include "util/Console.h"

void TRoom::ShowInfo()
{
    ConsolePrint("\nENVIRONMENT SECTION:\n");
    ConsolePrint("Sound Speed = %1.2f\n", static_cast<double>(VSound));
    ConsolePrint("Temperature = %1.2f\n", Temperature);
    ConsolePrint("Pressure    = %1.2f\n", Pressure);
    ConsolePrint("Humidity    = %1.2f\n", Humidity);

    ConsolePrint("\nSIMULATION SECTION:\n");
    ConsolePrint("Stop Decay  = %1.2f\n", static_cast<double>(StopDecay));
    ConsolePrint("Freq.Sample = %1.2f\n", static_cast<double>(FSample));
    ConsolePrint("Max. Time   = %1.2f\n", static_cast<double>(GetMaxTime()));
    ConsolePrint("Number of Bands = %d\n", static_cast<int>(NumBands));
    ConsolePrint(AirAbsorptionFlag != 0 ? "Air Absorption = ON\n" : "Air Absorption = OFF\n");
    ConsolePrint(AuralizationFlag ? "Auralization = ON\n" : "Auralization = OFF\n");
    ConsolePrint(ArtificialTailFlag ? "Artificial Tail = ON\n" : "Artificial Tail = OFF\n");
    ConsolePrint("Max Raytracing Reflections = %d (Not Limited = -1)\n", MaxRayTracReflections);
    ConsolePrint("Cluster order = %d (-1 = AUTOMATIC CLUSTERING)\n", ClusterOrderGlobal);

    ConsolePrint("\nSOURCE LAYERS: %d\n", static_cast<int>(NumSourceLayers));
    for (unsigned int i = 0; i < NumSourceLayers; ++i) {
        ConsolePrint("[%.2d] - %s\n", static_cast<int>(i) + 1, sourceLayer[i].layername.c_str());
    }
    ConsolePrint("\nSOURCE(S): %d\n", static_cast<int>(NumSources));
    for (const TSource& s : source) {
        s.PrintSource();
    }
    ConsolePrint("\nRECEIVER(S): %d\n", static_cast<int>(NumReceivers));
    for (const TReceiver& r : receiver) {
        r.PrintReceiver();
    }

    ConsolePrint("\nMATERIALS SECTION:\n");
    ConsolePrint("Number of Materials = %d\n", static_cast<int>(NumMaterials));
    for (unsigned int i = 0; i < NumMaterials; ++i) {
        ConsolePrint("[%.2d] - %s\n", static_cast<int>(i) + 1, material[i].nome.c_str());
    }

    ConsolePrint("\nPLANE-LAYER SECTION:\n");
    ConsolePrint("Number of Plane Layers = %d\n", static_cast<int>(NumPlaneLayers));
    for (unsigned int i = 0; i < NumPlaneLayers; ++i) {
        const TPlaneLayer& layer = planeLayer[i];
        if (layer.MatID >= 0 && static_cast<unsigned int>(layer.MatID) < NumMaterials) {
            ConsolePrint("[%.2d] - %s \t<-> %s\n", static_cast<int>(i) + 1, layer.nome.c_str(),
                        material[layer.MatID].nome.c_str());
        } else {
            ConsolePrint("[%.2d] - %s \t<-> No Material associated\n", static_cast<int>(i) + 1,
                        layer.nome.c_str());
        }
    }

    ConsolePrint("\nGEOMETRY INFO:\n");
    ConsolePrint("Volume = %1.2f m3 (depends on the surface orientation)\n", Volume);
    ConsolePrint("Area   = %1.2f m2 (check if there are no overlapping areas)\n", Area);
    ConsolePrint("Estimating volume from Mean Free Path ...");
    if (MeanFreePath == 0.0f) {
        MeanFreePath = MFP_Estimation();
    }
    ConsolePrint("\rVolume estimated from Mean Free Path = %1.2f m3\n",
                static_cast<double>(MeanFreePath) * Area / 4.0);
}
