#include "scene/TReceiver.h"

#include <algorithm>
#include <cstdio>

#include "directivity/TDirectivity.h"
#include "util/Console.h"

TReceiver::TReceiver(TPoint3D position, double radius, double azim, int layerID)
    : Radius(std::clamp(radius, kMinRadius, kMaxRadius)), AzimRotation(azim), Position(position),
      LayerID(layerID)
{
    ReceiverFactor();
}

void TReceiver::ReceiverFactor()
{
    RecFactor = static_cast<float>(0.5641895835477563 / Radius);
}

void TReceiver::SetDirectivity(std::shared_ptr<TDirectivity> pattern)
{
    directivity = std::move(pattern);
    Headflag = directivity && directivity->GetNumChannels() == 2;
}

int TReceiver::GetIRLength() const
{
    return directivity ? directivity->GetIRLength() : 1;
}

int TReceiver::GetNumChannels() const
{
    return directivity ? directivity->GetNumChannels() : 1;
}

std::string TReceiver::GetDaffFile() const
{
    return directivity ? std::string(directivity->GetPatternName()) : std::string();
}

void TReceiver::PrintReceiver() const
{
    ConsolePrint("%s: (%1.2f, %1.2f, %1.2f) m, radius %1.2f m, azimuth %1.1f, head %s, pattern %s\n",
                Name.c_str(), Position.x, Position.y, Position.z, Radius, AzimRotation,
                Headflag ? "yes" : "no", GetDaffFile().c_str());
}
