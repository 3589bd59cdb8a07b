#pragma once
// A surface material: absorption and scattering coefficients per octave band.
// Its name is its identity within a room.

#include <cstdio>
#include <string>
#include <vector>

class TMaterial {
public:
    bool mem_created = false;
    unsigned int NumBands = 0;
    std::vector<float> abs; // absorption coefficient per band, below 1
    std::vector<float> dif; // scattering coefficient per band
    int ColorID = 0;
    float avgabs = 0.0f;    // mean of abs over the bands
    std::string nome = "no_name";

    TMaterial() = default;
    explicit TMaterial(unsigned int numBands);
    TMaterial(const std::string& name, unsigned int numBands, float absorption, float scattering);
    TMaterial(const std::string& name, unsigned int numBands, const float* absorption,
              float scattering);

    float AverageAbsortion();
    void SetCoefficients(const float* absorption, float scattering);
    void SetName(const std::string& name) { nome = name; }
    // One project line: name, the absorption per band and the scattering.
    void WriteOnFile(FILE* fid) const;
};
