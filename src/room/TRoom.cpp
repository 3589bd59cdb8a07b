#include "room/TRoom.h"

#include <cstdio>

#include "directivity/TDirectivity.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"

TRoom::TRoom()
{
    AllocateAbsorption();
}

TRoom::~TRoom()
{
    AbortSimulation();
    auto step = [](const char* what, auto&& release) {
        ConsolePrint("%s ...", what);
        release();
        ConsolePrint("done.\n");
    };
    step("absorption", [this] {
        AverageAbsorption.clear();
        T60.clear();
        AirAbs.clear();
        RoomConstant.clear();
        AverageAbsorptionCreated = false;
    });
    step("results", [this] { ClearResults(); });
    step("receivers", [this] { DeleteReceivers(); });
    step("sources", [this] { DeleteSources(); });
    step("directivities", [this] { DeleteDirectivities(); });
    step("planes", [this] { DeletePlanes(); });
    step("planelayers", [this] { DeletePlaneLayers(); });
    step("sourcelayers", [this] {
        DeleteSourceLayers();
        DeleteReceiverLayers();
    });
    step("materials", [this] { DeleteMaterials(); });
    step("lost rays", [this] { DeleteLostRays(); });
    ResultsCreated = false;
}

void TRoom::AllocateAbsorption()
{
    AverageAbsorption.assign(4, std::vector<float>(NumBands, 0.0f));
    T60.assign(4, std::vector<float>(NumBands, 0.0f));
    AirAbs.assign(NumBands, 0.0);
    RoomConstant.assign(NumBands, 0.0f);
    AverageAbsorptionCreated = true;
}

void TRoom::LiberaMemoria()
{
    ClearResults();
    DeleteMaterials();
    DeleteSourceLayers();
    DeleteReceiverLayers();
    DeletePlaneLayers();
    DeletePlanes();
    DeleteSources();
    DeleteReceivers();
}

void TRoom::FailLoad(int exitCode, const std::string& message)
{
    ErrorMessage("%s", message.c_str());
    LiberaMemoria();
    throw FatalError(message, exitCode);
}

unsigned int TRoom::GetNumRays() const
{
    return NumRays == 0 ? kDefaultNumRays : NumRays;
}

// Samples in a duration, truncated; a negative or non-finite product gives 0
// and one beyond the counter's range saturates.
static unsigned int TruncatedSamples(double samples)
{
    if (!(samples > 0.0)) {
        return 0;
    }
    if (samples >= 4294967295.0) {
        return 4294967295u;
    }
    return static_cast<unsigned int>(samples);
}

unsigned int TRoom::MaxLengthFor(float seconds) const
{
    return TruncatedSamples(FSample * seconds);
}

float TRoom::SetMaxTime(float seconds)
{
    const unsigned int length = MaxLengthFor(seconds);
    if (ResultsCreated && length > MaxLength) {
        ErrorMessage("Increasing Impulse Response Length Not Possible YET!!");
        return -1.0f;
    }
    MaxLength = length;
    return GetMaxTime();
}

float TRoom::GetMaxTime() const
{
    return static_cast<float>(MaxLength) / FSample;
}
