#pragma once
// Layers group the objects of a room by what they share: a plane layer binds
// planes to one material, a source type gives sources a directivity pattern
// and a gain per band, a receiver type gives receivers a pattern. Names are
// the identities; indices in the room's lists are the references.
//
// Patterns are shared with the room's pattern list: a type keeps its pattern
// alive, so it can never point at a destroyed one.

#include <array>
#include <memory>
#include <string>
#include <vector>

class TDirectivity;

class TPlaneLayer {
public:
    unsigned int NumBands = 0;
    std::string nome = "NoName";
    std::array<int, 3> cor = {-1, -1, -1}; // display colour, 0..255
    int MatID = -1;                         // index in the room's materials; -1 = none
    unsigned int NumPlanes = 0;             // planes on this layer

    TPlaneLayer() = default;
    explicit TPlaneLayer(const std::string& name) : nome(name) {}

    void Set(const std::string& name, int material, unsigned int planes);
    void SetLayerName(const std::string& name) { nome = name; }
    void SetMaterialID(int material) { MatID = material; }
    void SetNumPlanes(unsigned int planes) { NumPlanes = planes; }
    void SetColor(int r, int g, int b) { cor = {r, g, b}; }
    bool IsAssociated() const { return MatID >= 0; }
};

class TSourceLayer {
public:
    std::string layername = "unnamed";
    bool mem_created = false;
    std::shared_ptr<TDirectivity> directivity;
    unsigned int NumBands = 0;
    std::vector<float> spectrum; // gain per band as a power factor (1 = 0 dB)

    TSourceLayer() = default;
    explicit TSourceLayer(unsigned int numBands);
    TSourceLayer(const std::string& name, std::shared_ptr<TDirectivity> pattern,
                 const float* gains, unsigned int numBands);
    TSourceLayer(const std::string& name, std::shared_ptr<TDirectivity> pattern,
                 unsigned int numBands);

    // Name set, no pattern, every gain 1.
    void SetDefaults(const std::string& name);
    const std::string& GetLayerName() const { return layername; }
    void SetLayerName(const std::string& name) { layername = name; }
    void SetDirPattern(std::shared_ptr<TDirectivity> pattern) { directivity = std::move(pattern); }
    // The pattern's name, or an empty string without a pattern.
    std::string GetDirPatternName() const;
};

class TReceiverLayer {
public:
    std::string layername = "unnamed";
    std::shared_ptr<TDirectivity> directivity;

    TReceiverLayer() = default;
    TReceiverLayer(const std::string& name, std::shared_ptr<TDirectivity> pattern)
        : layername(name), directivity(std::move(pattern))
    {
    }

    const std::string& GetLayerName() const { return layername; }
    void SetLayerName(const std::string& name) { layername = name; }
    void SetDirPattern(std::shared_ptr<TDirectivity> pattern) { directivity = std::move(pattern); }
    std::string GetDirPatternName() const;
};
