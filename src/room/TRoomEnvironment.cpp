// Environment and simulation settings, project folders, the pre-run room check
// and the clean-up of old result files.

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "geometry/MathFunctions.h"
#include "room/Environment.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

void TRoom::EnviromentSetupTXT(const std::string& path)
{
    TFileCloser file(OpenForReading(path));
    FILE* f = file.get();
    NumBands = 9;
    AllocateAbsorption();
    ConsolePrint("===============  ENVIRONMENT SETUP =====================\n");

    // A stored value of exactly -1 means the key is absent.
    auto absent = [](float v) { return v == -1.0f; };
    auto orDefault = [&](const char* key, const char* section, float fallback, const char* note) {
        const float v = getDataTag(key, section, f);
        if (absent(v)) {
            ConsolePrint("%s", note);
            return fallback;
        }
        return v;
    };

    Temperature = orDefault("TEMPERATURE", "ENVIRONMENT", 20.0f, "Setting TEMPERATURE = 20 (default)\n");
    Pressure = orDefault("PRESSURE", "ENVIRONMENT", 1.0f, "Setting PRESSURE = 1.0 (default)\n");
    Humidity = orDefault("HUMIDITY", "ENVIRONMENT", 40.0f, "Setting HUMIDITY = 40 (default)\n");
    StopDecay = orDefault("STOP_DECAY", "SIMULATION", -60.0f, "Setting STOP_DECAY = -60 (default)\n");
    FSample = orDefault("SAMPLE_RATE", "SIMULATION", 44100.0f, "Setting SAMPLE_RATE = 44100 (default)\n");
    const float maxTime = orDefault("MAX_TIME", "SIMULATION", 2.0f, "Setting MAX_TIME = 2.0 (default)\n");
    SetMaxTime(maxTime);
    MaxRayTracReflections = TruncateToInt(
        orDefault("MAX_RAYTRAC_REF", "SIMULATION", -1.0f, "Setting MAX_RAYTRAC_REF = -1 (default)\n"));

    float v = getDataTag("ARTIFICIAL_TAIL", "SIMULATION", f);
    if (absent(v)) {
        ArtificialTailFlag = false;
        ConsolePrint("Setting ARTIFICIAL_TAIL = 0 (default=OFF)\n");
    } else {
        ArtificialTailFlag = v != 0.0f;
        ConsolePrint("ARTIFICIAL_TAIL = %d\n", TruncateToInt(v));
    }

    v = getDataTag("CLUSTER_ORDER", "SIMULATION", f);
    if (v < 0.0f) {
        ClusterOrderGlobal = -1;
        ConsolePrint("CLUSTER_ORDER not defined!\nAutomatic value will be set during simulation.\n");
    } else {
        ClusterOrderGlobal = TruncateToInt(v);
    }

    // Switches and counts: a negative or absent value gives the fallback.
    auto count = [&](const char* key, unsigned int fallback) {
        const float value = getDataTag(key, "SIMULATION", f);
        return value < 0.0f ? fallback : static_cast<unsigned int>(TruncateToInt(value));
    };
    ModalFlag = getDataTag("MODAL_SIM", "SIMULATION", f) > 0.0f;
    HitFilesFlag = count("HIT_FILES", 0);
    SaveLateRaysFlag = count("SAVE_LATE_RAYS", 0);
    SaveDiffuseRaysFlag = count("SAVE_DIFFUSE_RAYS", 0);
    SaveLostRays = count("SAVE_LOST_RAYS", 1);

    v = getDataTag("AURALIZATION", "SIMULATION", f);
    if (v < 0.0f) {
        AuralizationFlag = true;
        ConsolePrint("AURALIZATION flag not Defined!\n Please include AURALIZATION = 1 on config "
                    "file.\n");
        ConsolePrint("Setting AURALIZATION On (default)\n");
    } else {
        AuralizationFlag = v != 0.0f;
    }

    v = getDataTag("SET_VOLUME", "SIMULATION", f);
    if (v > 0.0f) {
        ForceVolumeFlag = 1;
        Volume = v;
    } else {
        ForceVolumeFlag = 0;
    }

    DiffuseProcessing = count("DIFFUSE_PROCESSING", 0);
    ConsolePrint(DiffuseProcessing != 0 ? "Diffuse Processing is ON\n" : "Diffuse Processing is OFF\n");

    CheckSettingRanges(path, maxTime);
    AirAbsorptionFlag = 1;
    UpdateAirProperties();
    SetMaxTime(GetMaxTime());
    ConsolePrint("========================================================\n");
}

void TRoom::CheckSettingRanges(const std::string& path, double maxTime) const
{
    auto require = [&](const char* key, double value, double lo, double hi, const char* unit) {
        if (!(value >= lo && value <= hi)) {
            Fatal(1, "%s = %g in %s is outside the accepted range, %g to %g %s.", key, value,
                  path.c_str(), lo, hi, unit);
        }
    };
    require("TEMPERATURE", Temperature, kMinTemperatureC, kMaxTemperatureC, "C");
    require("PRESSURE", Pressure, kMinPressureAtm, kMaxPressureAtm, "atm");
    require("HUMIDITY", Humidity, kMinHumidityPercent, kMaxHumidityPercent, "%");
    require("STOP_DECAY", StopDecay, kMinEnergyDecayDb, 0.0, "dB");
    if (std::find(std::begin(kSupportedSampleRates), std::end(kSupportedSampleRates),
                  static_cast<double>(FSample)) == std::end(kSupportedSampleRates)) {
        Fatal(1, "SAMPLE_RATE = %g in %s is not supported: use 44100 or 48000 Hz.",
              static_cast<double>(FSample), path.c_str());
    }
    if (!(maxTime > 0.0 && maxTime <= kMaxIRDurationS)) {
        Fatal(1, "MAX_TIME = %g in %s is outside the accepted range, above 0 and up to %g s.",
              maxTime, path.c_str(), kMaxIRDurationS);
    }
}

void TRoom::UpdateAirProperties()
{
    VSound = SpeedOfSound(Temperature);
    AirAbs.resize(NumBands);
    if (AirAbsorptionFlag != 0) {
        CalculateAirAbsCoefs(static_cast<float>(Temperature + 273.15), static_cast<float>(Pressure),
                             static_cast<float>(Humidity), NumBands, AirAbs.data());
    } else {
        AirAbs.assign(NumBands, 0.0);
    }
}

void TRoom::PathSetup(const std::string& path)
{
    SoftwareFolder = CurrentFolder();
    AcousticDataFolder = SoftwareFolder;
    const auto split = path.find_last_of("\\/");
    if (split == std::string::npos) {
        ProjectFolder = CurrentFolder();
        ProjectName = path;
    } else {
        ProjectFolder = path.substr(0, split);
        ProjectName = path.substr(split + 1);
    }
    ConsolePrint("===========================================\n");
    ConsolePrint("Software Path: %s\n", SoftwareFolder.c_str());
    ConsolePrint("AcousticData Path: %s\n", AcousticDataFolder.c_str());
    ConsolePrint("Project Path: %s\n", ProjectFolder.c_str());
    ConsolePrint("Project Name: %s\n", ProjectName.c_str());
    ConsolePrint("===========================================\n");
}

void TRoom::CheckRoom()
{
    ConsolePrint("Starting room check ... ");
    double largest = -1.0;
    unsigned int farSource = 0, farReceiver = 0;
    for (unsigned int s = 0; s < NumSources; ++s) {
        for (unsigned int r = 0; r < NumReceivers; ++r) {
            const double d = Module(source[s].Position - receiver[r].Position);
            if (d > largest) {
                largest = d;
                farSource = s;
                farReceiver = r;
            }
        }
    }
    if (largest > GetMaxTime() * VSound) {
        ConsolePrint("Propagation time between Source[%d]-Receiver[%d] greater than IR length (%1.2f "
                    "m <=> %1.2f sec)!\n",
                    static_cast<int>(farSource) + 1, static_cast<int>(farReceiver) + 1, largest,
                    largest / VSound);
        SetMaxTime(static_cast<float>((largest + 1.0) / VSound));
        SetMaxTime(GetMaxTime());
        ConsolePrint("Increasing simulation time: -> MAX_TIME = %1.2f (%d samples)\n",
                    static_cast<double>(GetMaxTime()), static_cast<int>(MaxLength));
    }
    ConsolePrint("Done!\n");
}

namespace {

struct ResultFamily {
    const char* label;
    const char* shownPattern;
    const char* pattern;
};

// What a run writes into the project folder, removed before the next run.
constexpr ResultFamily kResultFamilies[] = {
    {"IR Files:       ", "S???-R???.txt", "S???-R???.txt"},
    {"PARAM Files:    ", "PARAMS-*.txt", "PARAMS-*.txt"},
    {"RAY Files:      ", "RAYS-*.txt", "RAYS*.txt"},
    {"AUDIO Files:    ", "S???-R???.wav", "S???-R???.wav"},
    {"AUDIO Files:    ", "SALL-R???.wav", "SALL-R???.wav"},
    {"AUDIO Files:    ", "S???-R???-IR.wav", "S???-R???-IR.wav"},
};

} // namespace

void TRoom::CleanResultFiles() const
{
    ConsolePrint("=======================================\n");
    ConsolePrint("Removing old files: \n");
    for (const auto& family : kResultFamilies) {
        ConsolePrint("%s%s\n", family.label, JoinPath(ProjectFolder, family.shownPattern).c_str());
        DeleteMatchingFiles(ProjectFolder, family.pattern);
    }
}

void TRoom::CleanRayFiles() const
{
    ConsolePrint("Removing old files: %s\n", JoinPath(ProjectFolder, "RAYS*.txt").c_str());
    DeleteMatchingFiles(ProjectFolder, "RAYS*.txt");
}
