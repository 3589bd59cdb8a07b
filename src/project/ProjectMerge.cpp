#include "project/ProjectMerge.h"

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

namespace {

template <typename T, typename Name>
int IndexByName(const std::vector<T>& list, const std::string& name, Name nameOf)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (nameOf(list[i]) == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Appends each entry of added unless one of that name is in merged; returns
// where each entry of added ended up.
template <typename T, typename Name>
std::vector<int> AppendByName(std::vector<T>& merged, const std::vector<T>& added, Name nameOf)
{
    std::vector<int> where;
    where.reserve(added.size());
    for (const T& entry : added) {
        int at = IndexByName(merged, nameOf(entry), nameOf);
        if (at < 0) {
            at = static_cast<int>(merged.size());
            merged.push_back(entry);
        }
        where.push_back(at);
    }
    return where;
}

// The index in the merged list of the entry an imported reference names; an
// imported project that loaded completely has no dangling reference.
int Remapped(const std::vector<int>& where, int imported)
{
    if (imported < 0 || static_cast<std::size_t>(imported) >= where.size()) {
        throw std::runtime_error("an imported object refers to no type or layer");
    }
    return where[static_cast<std::size_t>(imported)];
}

// The open room's collections with the import added, built aside so that a
// failure anywhere leaves the room as it was.
struct MergedCollections {
    std::vector<TMaterial> materials;
    std::vector<TPlaneLayer> planeLayers;
    std::vector<TPlane> planes;
    std::vector<TSourceLayer> sourceLayers;
    std::vector<TSource> sources;
    std::vector<TReceiverLayer> receiverLayers;
    std::vector<TReceiver> receivers;
    TDirectivityList patterns;
};

MergedCollections Merge(const TRoom& room, const TRoom& imported)
{
    MergedCollections m{room.material, room.planeLayer, room.plane, room.sourceLayer,
                        room.source,   room.receiverLayer, room.receiver, room.directivity};

    const auto materialAt =
        AppendByName(m.materials, imported.material, [](const TMaterial& x) { return x.nome; });

    const std::size_t ownLayers = m.planeLayers.size();
    const auto layerAt = AppendByName(m.planeLayers, imported.planeLayer,
                                      [](const TPlaneLayer& x) { return x.nome; });
    for (std::size_t i = 0; i < layerAt.size(); ++i) {
        const auto at = static_cast<std::size_t>(layerAt[i]);
        if (at >= ownLayers) { // a new layer: bound to its material where that went
            m.planeLayers[at].MatID = Remapped(materialAt, imported.planeLayer[i].MatID);
            m.planeLayers[at].NumPlanes = 0;
        }
    }
    for (TPlane p : imported.plane) {
        p.LayerID = Remapped(layerAt, p.LayerID);
        ++m.planeLayers[static_cast<std::size_t>(p.LayerID)].NumPlanes;
        m.planes.push_back(std::move(p));
    }

    const std::size_t ownSourceTypes = m.sourceLayers.size();
    const auto sourceTypeAt = AppendByName(m.sourceLayers, imported.sourceLayer,
                                           [](const TSourceLayer& x) { return x.layername; });
    for (std::size_t i = ownSourceTypes; i < m.sourceLayers.size(); ++i) {
        m.sourceLayers[i].SetDirPattern(ResolveDirectivity(
            m.patterns, m.sourceLayers[i].GetDirPatternName(), room.NumBands));
    }
    for (TSource s : imported.source) {
        s.LayerID = Remapped(sourceTypeAt, s.LayerID);
        s.SetDirectivity(m.sourceLayers[static_cast<std::size_t>(s.LayerID)].directivity);
        m.sources.push_back(std::move(s));
    }

    const std::size_t ownReceiverTypes = m.receiverLayers.size();
    const auto receiverTypeAt = AppendByName(m.receiverLayers, imported.receiverLayer,
                                             [](const TReceiverLayer& x) { return x.layername; });
    for (std::size_t i = ownReceiverTypes; i < m.receiverLayers.size(); ++i) {
        m.receiverLayers[i].SetDirPattern(ResolveDirectivity(
            m.patterns, m.receiverLayers[i].GetDirPatternName(), room.NumBands));
    }
    for (TReceiver r : imported.receiver) {
        r.LayerID = Remapped(receiverTypeAt, r.LayerID);
        r.SetDirectivity(m.receiverLayers[static_cast<std::size_t>(r.LayerID)].directivity);
        m.receivers.push_back(std::move(r));
    }
    return m;
}

void Commit(TRoom& room, MergedCollections&& m)
{
    room.directivity = std::move(m.patterns);
    room.NumDirectivities = static_cast<unsigned int>(room.directivity.size());
    room.CreateMaterials(m.materials);
    room.CreatePlaneLayers(m.planeLayers);
    room.CreatePlanes(m.planes);
    room.CreateSourceLayers(m.sourceLayers);
    room.CreateReceiverLayers(m.receiverLayers);
    room.CreateSources(m.sources);
    room.CreateReceivers(m.receivers);
}

} // namespace

bool MergeProjectFile(TRoom& room, const std::string& path)
{
    MergedCollections merged;
    try {
        TRoom imported;
        imported.LoadProject(path);
        if (imported.NumBands != room.NumBands) {
            ErrorMessage("Project '%s' uses %u bands, the open project %u: it cannot be added.",
                         path.c_str(), imported.NumBands, room.NumBands);
            return false;
        }
        merged = Merge(room, imported);
    } catch (const FatalError&) {
        return false; // already shown by the reader that failed
    } catch (const std::exception& error) {
        ErrorMessage("Project '%s' could not be added: %s", path.c_str(), error.what());
        return false;
    }
    Commit(room, std::move(merged));
    // The analysis a load runs: the new planes may close or open the room.
    room.GetExternalPlanes();
    room.CalculateVolumeGeometry();
    room.CalculateArea();
    room.AcousticParameters();
    room.GetCenter();
    return true;
}

std::optional<std::string> HandOverPath()
{
    std::error_code ec;
    std::string parent = std::filesystem::temp_directory_path(ec).string();
    if (ec || parent.empty()) {
        parent = JoinPath(AppDataFolder(), "velto");
    }
    const auto folder = MakeUniqueTempFolder(parent, "velto-handover-");
    if (!folder) {
        return std::nullopt;
    }
    return JoinPath(*folder, "Import.txt");
}

void RemoveHandOver(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    // Only an empty folder goes: remove refuses one that holds anything else.
    std::filesystem::remove(std::filesystem::path(path).parent_path(), ec);
}
