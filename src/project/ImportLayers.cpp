#include "project/ImportLayers.h"

#include <algorithm>
#include <cassert>
#include <exception>

#include "project/ProjectDialogs.h"
#include "project/ProjectMerge.h"
#include "util/ErrorMessage.h"

namespace {

constexpr const char* kImportCaption = "Import Project";

std::size_t Slot(ImportRole role)
{
    const auto slot = static_cast<std::size_t>(role);
    assert(slot < 4);
    return slot;
}

} // namespace

void ImportLayerLists::Reset(std::vector<std::string> layerNames)
{
    for (std::vector<std::string>& list : m_lists) {
        list.clear();
    }
    m_lists[Slot(ImportRole::All)] = std::move(layerNames);
}

const std::vector<std::string>& ImportLayerLists::List(ImportRole role) const
{
    return m_lists[Slot(role)];
}

std::size_t ImportLayerLists::MoveItems(ImportRole from, ImportRole to, std::vector<long> selected)
{
    if (from == to) {
        return 0;
    }
    std::vector<std::string>& source = m_lists[Slot(from)];
    std::vector<std::string>& target = m_lists[Slot(to)];
    const long size = static_cast<long>(source.size());
    std::erase_if(selected, [size](long i) { return i < 0 || i >= size; });
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());

    for (long i : selected) {
        target.push_back(source[static_cast<std::size_t>(i)]);
    }
    // From the back, so the indices still to erase stay valid.
    for (auto i = selected.rbegin(); i != selected.rend(); ++i) {
        source.erase(source.begin() + *i);
    }
    return selected.size();
}

TDxfImportOptions ImportLayerLists::Options(bool polyline3D, bool face3D, bool polyfaceMesh) const
{
    TDxfImportOptions options;
    options.receiverLayers = List(ImportRole::Receivers);
    options.sourceLayers = List(ImportRole::Sources);
    options.planeLayers = List(ImportRole::Planes);
    options.polyline3D = polyline3D;
    options.face3D = face3D;
    options.polyfaceMesh = polyfaceMesh;
    return options;
}

std::optional<std::string> WriteImportHandOver(
    const std::string& dxfPath, const TDxfImportOptions& options,
    const std::function<std::optional<std::string>()>& handOverPath, ProjectDialogs& dialogs)
{
    const std::optional<std::string> path = handOverPath();
    if (!path) {
        dialogs.ShowMessage(kImportCaption, "Cannot create a temporary file for the import of '" +
                                                dxfPath + "'. The project is unchanged.");
        return std::nullopt;
    }
    struct WorkingScope {
        ProjectDialogs& dialogs;
        ~WorkingScope() { dialogs.Working(""); }
    } working{dialogs};
    dialogs.Working("Importing " + dxfPath + " ...");
    // The writer has already said what went wrong (the drawing or the file);
    // the user still needs to know that nothing was imported.
    bool written = false;
    try {
        written = WriteDXFImportFile(dxfPath, options, *path);
    } catch (const std::exception& error) {
        // Caught here so that the half-written hand-over does not stay behind.
        ErrorMessage("Importing '%s' failed: %s", dxfPath.c_str(), error.what());
    }
    if (!written) {
        RemoveHandOver(*path);
        dialogs.ShowMessage(kImportCaption, "Cannot import '" + dxfPath + "' into '" + *path +
                                                "'. The project is unchanged.");
        return std::nullopt;
    }
    return path;
}
