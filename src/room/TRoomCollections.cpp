// Add, delete, find and associate operations on the room's collections.

#include <algorithm>

#include "directivity/TDirectivity.h"
#include "room/TRoom.h"
#include "util/ErrorMessage.h"

namespace {

template <typename T, typename Pred>
int IndexOf(const std::vector<T>& list, Pred pred)
{
    const auto it = std::find_if(list.begin(), list.end(), pred);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// Every reference above the deleted index moves down by one; references to the
// deleted index itself were refused before.
template <typename T, typename Member>
void RenumberAfterDeletion(std::vector<T>& list, Member member, int deleted)
{
    for (auto& item : list) {
        if (item.*member > deleted) {
            --(item.*member);
        }
    }
}

// Sources and receivers take their number and name from their position in
// the list; returns the new count.
template <typename T>
unsigned int NumberByPosition(std::vector<T>& list, int T::*id, std::string T::*name,
                              const char* format)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i].*id = static_cast<int>(i);
        list[i].*name = FormatText(format, static_cast<int>(i) + 1);
    }
    return static_cast<unsigned int>(list.size());
}

} // namespace

// --- planes -----------------------------------------------------------------

void TRoom::AddPlane(const TPlane& p)
{
    plane.push_back(p);
    NumPlanes = static_cast<unsigned int>(plane.size());
}

void TRoom::CreatePlanes(const std::vector<TPlane>& planes)
{
    if (planes.empty()) {
        return;
    }
    plane = planes;
    NumPlanes = static_cast<unsigned int>(plane.size());
}

void TRoom::DeletePlanes()
{
    plane.clear();
    NumPlanes = 0;
}

// --- materials --------------------------------------------------------------

void TRoom::AddMaterial(const TMaterial& m)
{
    if (GetMaterialID(m.nome) >= 0) {
        return;
    }
    material.push_back(m);
    NumMaterials = static_cast<unsigned int>(material.size());
}

void TRoom::DelMaterial(unsigned int i)
{
    if (i >= NumMaterials) {
        return;
    }
    for (const auto& layer : planeLayer) {
        if (layer.MatID >= 0 && static_cast<unsigned int>(layer.MatID) < NumMaterials &&
            material[layer.MatID].nome == material[i].nome) {
            ErrorMessage("Material \"%s\" cannot be removed because is associated with plane "
                         "layer \"%s\".\n",
                         material[i].nome.c_str(), layer.nome.c_str());
            return;
        }
    }
    material.erase(material.begin() + i);
    NumMaterials = static_cast<unsigned int>(material.size());
    RenumberAfterDeletion(planeLayer, &TPlaneLayer::MatID, static_cast<int>(i));
}

void TRoom::CreateMaterials(const std::vector<TMaterial>& materials)
{
    if (materials.empty()) {
        return;
    }
    material = materials;
    NumMaterials = static_cast<unsigned int>(material.size());
}

void TRoom::DeleteMaterials()
{
    material.clear();
    NumMaterials = 0;
}

int TRoom::GetMaterialID(const std::string& name) const
{
    return IndexOf(material, [&](const TMaterial& m) { return m.nome == name; });
}

// --- plane layers -----------------------------------------------------------

void TRoom::AddPlaneLayer(const TPlaneLayer& layer)
{
    if (FindPlaneLayer(layer.nome) >= 0) {
        ErrorMessage("Layer %s already defined.", layer.nome.c_str());
        return;
    }
    planeLayer.push_back(layer);
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
}

int TRoom::DelPlaneLayer(unsigned int i)
{
    if (i >= NumPlaneLayers) {
        return 1;
    }
    if (planeLayer[i].NumPlanes != 0) {
        ErrorMessage("Layer %s cannot be removed because is associated to %d plane(s).",
                     planeLayer[i].nome.c_str(), static_cast<int>(planeLayer[i].NumPlanes));
        return 0;
    }
    planeLayer.erase(planeLayer.begin() + i);
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
    RenumberAfterDeletion(plane, &TPlane::LayerID, static_cast<int>(i));
    return 1;
}

void TRoom::CreatePlaneLayers(const std::vector<TPlaneLayer>& layers)
{
    if (layers.empty()) {
        return;
    }
    planeLayer = layers;
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
}

void TRoom::DeletePlaneLayers()
{
    planeLayer.clear();
    NumPlaneLayers = 0;
}

int TRoom::FindPlaneLayer(const std::string& name) const
{
    return IndexOf(planeLayer, [&](const TPlaneLayer& l) { return l.nome == name; });
}

void TRoom::AssociateMaterialToLayer(const std::string& materialName, const std::string& layerName)
{
    const int m = GetMaterialID(materialName);
    if (m < 0) {
        Fatal(1, "Error: Material '%s' associated to layer '%s' was not found in the material list.",
              materialName.c_str(), layerName.c_str());
    }
    const int l = FindPlaneLayer(layerName);
    if (l >= 0) {
        planeLayer[l].MatID = m;
    }
}

// --- source types -----------------------------------------------------------

void TRoom::AddSourceLayer(const TSourceLayer& layer)
{
    if (FindSourceLayer(layer.layername) >= 0) {
        return;
    }
    sourceLayer.push_back(layer);
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

void TRoom::AddSourceLayer(const std::string& name)
{
    if (FindSourceLayer(name) >= 0) {
        return;
    }
    TSourceLayer layer(NumBands);
    layer.SetDefaults(name);
    if (directivity.empty()) {
        AddDirectivity("OMNI");
    }
    layer.SetDirPattern(directivity.front());
    sourceLayer.push_back(layer);
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

bool TRoom::DelSourceLayer(unsigned int i)
{
    if (i >= NumSourceLayers) {
        return true;
    }
    const int user = IndexOf(source, [&](const TSource& s) { return s.LayerID == static_cast<int>(i); });
    if (user >= 0) {
        ErrorMessage("Layer %s is in use by source %d", sourceLayer[i].layername.c_str(), user + 1);
        return false;
    }
    sourceLayer.erase(sourceLayer.begin() + i);
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
    RenumberAfterDeletion(source, &TSource::LayerID, static_cast<int>(i));
    return true;
}

void TRoom::CreateSourceLayers(const std::vector<TSourceLayer>& layers)
{
    if (layers.empty()) {
        return;
    }
    sourceLayer = layers;
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

void TRoom::DeleteSourceLayers()
{
    sourceLayer.clear();
    NumSourceLayers = 0;
}

int TRoom::FindSourceLayer(const std::string& name) const
{
    return IndexOf(sourceLayer, [&](const TSourceLayer& l) { return l.layername == name; });
}

// --- receiver types -----------------------------------------------------------

void TRoom::AddReceiverLayer(const TReceiverLayer& layer)
{
    if (FindReceiverLayer(layer.layername) >= 0) {
        ErrorMessage("Layer %s already defined.", layer.layername.c_str());
        return;
    }
    receiverLayer.push_back(layer);
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
}

bool TRoom::DelReceiverLayer(unsigned int i)
{
    if (i >= NumReceiverLayers) {
        return true;
    }
    const int user =
        IndexOf(receiver, [&](const TReceiver& r) { return r.LayerID == static_cast<int>(i); });
    if (user >= 0) {
        ErrorMessage("Layer %s is in use by receiver %d", receiverLayer[i].layername.c_str(),
                     user + 1);
        return false;
    }
    receiverLayer.erase(receiverLayer.begin() + i);
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
    RenumberAfterDeletion(receiver, &TReceiver::LayerID, static_cast<int>(i));
    return true;
}

void TRoom::CreateReceiverLayers(const std::vector<TReceiverLayer>& layers)
{
    if (layers.empty()) {
        return;
    }
    receiverLayer = layers;
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
    for (auto& layer : receiverLayer) {
        const std::string name = layer.GetDirPatternName();
        if (!name.empty()) {
            AddDirectivity(name);
        }
    }
}

void TRoom::DeleteReceiverLayers()
{
    receiverLayer.clear();
    NumReceiverLayers = 0;
}

int TRoom::FindReceiverLayer(const std::string& name) const
{
    return IndexOf(receiverLayer, [&](const TReceiverLayer& l) { return l.layername == name; });
}

// --- sources and receivers ----------------------------------------------------

void TRoom::AddSource(const TSource& s)
{
    ClearResults(); // results point into the lists
    TSource copy = s;
    if (copy.LayerID < 0 || copy.LayerID >= static_cast<int>(NumSourceLayers)) {
        AddSourceLayer(FormatText("SRC_LAYER_%d", static_cast<int>(NumSourceLayers) + 1));
        copy.LayerID = static_cast<int>(NumSourceLayers) - 1;
    }
    source.push_back(copy);
    NumSources = NumberByPosition(source, &TSource::srcID, &TSource::Name, "src %.2d");
}

void TRoom::DelSource(unsigned int i)
{
    ClearResults(); // results point into the lists
    if (i < NumSources) {
        source.erase(source.begin() + i);
        NumSources = NumberByPosition(source, &TSource::srcID, &TSource::Name, "src %.2d");
    }
}

void TRoom::CreateSources(const std::vector<TSource>& sources)
{
    ClearResults(); // results point into the lists
    if (!sources.empty()) {
        source = sources;
        NumSources = NumberByPosition(source, &TSource::srcID, &TSource::Name, "src %.2d");
    }
}

void TRoom::DeleteSources()
{
    ClearResults(); // results point into the lists
    source.clear();
    NumSources = 0;
}

void TRoom::AddReceiver(const TReceiver& r)
{
    ClearResults(); // results point into the lists
    receiver.push_back(r);
    NumReceivers = NumberByPosition(receiver, &TReceiver::recID, &TReceiver::Name, "rec %.2d");
}

void TRoom::DelReceiver(unsigned int i)
{
    ClearResults(); // results point into the lists
    if (i < NumReceivers) {
        receiver.erase(receiver.begin() + i);
        NumReceivers = NumberByPosition(receiver, &TReceiver::recID, &TReceiver::Name, "rec %.2d");
    }
}

void TRoom::CreateReceivers(const std::vector<TReceiver>& receivers)
{
    ClearResults(); // results point into the lists
    if (!receivers.empty()) {
        receiver = receivers;
        NumReceivers = NumberByPosition(receiver, &TReceiver::recID, &TReceiver::Name, "rec %.2d");
    }
}

void TRoom::DeleteReceivers()
{
    ClearResults(); // results point into the lists
    receiver.clear();
    NumReceivers = 0;
}
