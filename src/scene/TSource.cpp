#include "scene/TSource.h"

#include <cmath>
#include <cstdio>

#include "audio/TWavTools.h"
#include "directivity/TDirectivity.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

double SPL2Power(double levelDb)
{
    return std::pow(10.0, (levelDb + 10.992098640220963) / 10.0) * 1e-12;
}

double Power2SPL(double powerW)
{
    return 10.0 * std::log10(powerW) - 11.0 + 120.0;
}

static bool MeansNone(const std::string& path)
{
    return std::string("NONE").find(path) != std::string::npos;
}

TSource::TSource(TPoint3D position, float powerW, int layerID, unsigned int numRays, float elev,
                 float azim, unsigned int numBands, const std::string& soundFile)
    : power(powerW), NumBands(numBands), LayerID(layerID), Position(position), ElevRotation(elev),
      AzimRotation(azim)
{
    SetNumRays(numRays);
    if (MeansNone(soundFile)) {
        return;
    }
    if (!FileExists(soundFile)) {
        ErrorMessage("Soundfile %s NOT FOUND!\nNo auralization will be performed for this source.",
                     soundFile.c_str());
    } else if (WavIsCompatible(soundFile.c_str())) {
        SoundFile = soundFile;
        SoundFileFlag = true;
    } else {
        ErrorMessage("Soundfile not compatible. No signal output!");
    }
}

void TSource::SetNumRays(unsigned int n)
{
    if (n < 12) {
        ConsolePrint("Adjusting number of rays to minimum value: %d.\n", 12);
        n = 12;
    }
    const unsigned int k = static_cast<unsigned int>(std::floor(std::sqrt(static_cast<double>((n - 2) / 10)) + 0.5));
    NumberOfRays = 10 * k * k + 2;
}

bool TSource::SetSoundFile(const std::string& path)
{
    if (MeansNone(path)) {
        SoundFile = "NONE";
        SoundFileFlag = false;
        return true;
    }
    if (!FileExists(path)) {
        ErrorMessage("Soundfile %s NOT FOUND!\n", path.c_str());
        return false;
    }
    if (!WavIsCompatible(path.c_str())) {
        ErrorMessage("Soundfile not compatible!\n");
        return false;
    }
    SoundFile = path;
    SoundFileFlag = true;
    return true;
}

void TSource::PrintSource() const
{
    ConsolePrint("%s: (%1.2f, %1.2f, %1.2f) m, type %d, %u rays, %1.2f uW, %1.1f dB @ 1 m, "
                "rotation az %1.1f el %1.1f, pattern %s, sound file %s\n",
                Name.c_str(), Position.x, Position.y, Position.z, LayerID, NumberOfRays,
                power * 1e6, GetSPL(), AzimRotation, ElevRotation,
                directivity ? std::string(directivity->GetPatternName()).c_str() : "NONE",
                SoundFile.c_str());
}
