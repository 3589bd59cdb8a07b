#include "room/TMaterial.h"

TMaterial::TMaterial(unsigned int numBands)
    : mem_created(true), NumBands(numBands), abs(numBands, 1.0f), dif(numBands, 0.0f)
{
    AverageAbsortion();
}

TMaterial::TMaterial(const std::string& name, unsigned int numBands, float absorption,
                     float scattering)
    : mem_created(true), NumBands(numBands), abs(numBands, absorption), dif(numBands, scattering),
      nome(name)
{
    AverageAbsortion();
}

TMaterial::TMaterial(const std::string& name, unsigned int numBands, const float* absorption,
                     float scattering)
    : mem_created(true), NumBands(numBands), abs(absorption, absorption + numBands),
      dif(numBands, scattering), nome(name)
{
    AverageAbsortion();
}

float TMaterial::AverageAbsortion()
{
    float sum = 0.0f;
    for (float a : abs) {
        sum += a;
    }
    avgabs = abs.empty() ? 0.0f : sum / static_cast<float>(abs.size());
    return avgabs;
}

void TMaterial::SetCoefficients(const float* absorption, float scattering)
{
    if (!mem_created) {
        return;
    }
    abs.assign(absorption, absorption + NumBands);
    dif.assign(NumBands, scattering);
    AverageAbsortion();
}

void TMaterial::WriteOnFile(FILE* fid) const
{
    std::fprintf(fid, "%s ", nome.c_str());
    for (float a : abs) {
        std::fprintf(fid, "%1.2f ", a);
    }
    std::fprintf(fid, "%1.2f\n", dif.empty() ? 0.0f : dif[0]);
}
