#pragma once
// A receiving sphere in the room with a type (directivity pattern). Its name
// and number follow its position in the room's list.

#include <memory>
#include <string>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TDirectivity;

class TReceiver {
public:
    static constexpr double kMinRadius = 0.2; // m
    static constexpr double kMaxRadius = 0.9; // m

    unsigned int IR_Length = 0; // unused
    float RecFactor = 0.0f;     // 1 / (sqrt(pi) * Radius)
    TVector b0, b1, b2;         // unused
    unsigned int NumCollectedRays = 0;
    double Radius = kMinRadius;  // m, within [kMinRadius, kMaxRadius]
    double ElevRotation = 0.0;   // degrees, always 0
    double AzimRotation = 0.0;   // degrees
    TPoint3D Position;
    bool Headflag = false;       // the pattern has two channels (a head)
    int LayerID = -1;            // index of its receiver type
    std::shared_ptr<TDirectivity> directivity;
    int recID = 0;               // index in the room
    std::string Name;            // "rec %.2d" of recID + 1

    TReceiver() = default;
    // The radius is clamped to [kMinRadius, kMaxRadius].
    TReceiver(TPoint3D position, double radius, double azim, int layerID);

    void ReceiverFactor();
    // Also sets Headflag when the pattern has exactly two channels.
    void SetDirectivity(std::shared_ptr<TDirectivity> pattern);
    int GetIRLength() const;
    int GetNumChannels() const;
    std::string GetDaffFile() const;
    void PrintReceiver() const;
};
