#pragma once
// A sound source placed in the room: position, power, type (pattern and band
// gains), orientation, number of rays and an optional dry sound file for
// auralization. Its name and number follow its position in the room's list.

#include <memory>
#include <string>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TDirectivity;

// Level at 1 m (dB re 20 uPa) to sound power in watts, and back.
double SPL2Power(double levelDb);
double Power2SPL(double powerW);

class TSource {
public:
    TVector vx, vy, vz;       // unused
    float power = 105.0f;     // W
    unsigned int NumBands = 0;
    int LayerID = -1;         // index of its source type
    int srcID = 0;            // index in the room
    std::string Name;         // "src %.2d" of srcID + 1
    int PowerDivider = 0;     // unused
    TPoint3D Position;
    float ElevRotation = 0.0f; // degrees
    float AzimRotation = 0.0f; // degrees
    // The dry sound for auralization. A project read keeps the name even when
    // the file was not checked or is unusable, so that it is saved again.
    std::string SoundFile = "NONE";
    bool SoundFileFlag = false; // SoundFile was checked and can be played
    unsigned int NumberOfRays = 12;
    std::shared_ptr<TDirectivity> directivity;

    TSource() = default;
    // A sound file that is missing or not playable is reported and left out.
    TSource(TPoint3D position, float powerW, int layerID, unsigned int numRays, float elev,
            float azim, unsigned int numBands, const std::string& soundFile);

    // Rounds to the vertex count of a subdivided icosahedron, 10 k^2 + 2, with
    // at least 12 rays.
    void SetNumRays(unsigned int n);
    unsigned int GetNumRays() const { return NumberOfRays; }
    void SetPower(float powerW) { power = powerW; }
    float GetPower() const { return power; }
    // Level at 1 m in dB.
    double GetSPL() const { return Power2SPL(power); }
    void SetDirectivity(std::shared_ptr<TDirectivity> pattern) { directivity = std::move(pattern); }
    // A name that occurs in "NONE" clears the sound file. Returns false, keeping
    // the old file, when the file is missing or not playable.
    bool SetSoundFile(const std::string& path);
    void PrintSource() const;
};
