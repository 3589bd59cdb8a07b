#include "room/TLayer.h"

#include "directivity/TDirectivity.h"

void TPlaneLayer::Set(const std::string& name, int material, unsigned int planes)
{
    nome = name;
    MatID = material;
    NumPlanes = planes;
}

TSourceLayer::TSourceLayer(unsigned int numBands)
    : mem_created(true), NumBands(numBands), spectrum(numBands, 1.0f)
{
}

TSourceLayer::TSourceLayer(const std::string& name, std::shared_ptr<TDirectivity> pattern,
                           const float* gains, unsigned int numBands)
    : layername(name), mem_created(true), directivity(std::move(pattern)), NumBands(numBands),
      spectrum(gains, gains + numBands)
{
}

TSourceLayer::TSourceLayer(const std::string& name, std::shared_ptr<TDirectivity> pattern,
                           unsigned int numBands)
    : layername(name), mem_created(true), directivity(std::move(pattern)), NumBands(numBands),
      spectrum(numBands, 1.0f)
{
}

void TSourceLayer::SetDefaults(const std::string& name)
{
    layername = name;
    directivity.reset();
    mem_created = true;
    spectrum.assign(NumBands, 1.0f);
}

std::string TSourceLayer::GetDirPatternName() const
{
    return directivity ? std::string(directivity->GetPatternName()) : std::string();
}

std::string TReceiverLayer::GetDirPatternName() const
{
    return directivity ? std::string(directivity->GetPatternName()) : std::string();
}
