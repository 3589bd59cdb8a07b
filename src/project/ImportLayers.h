#pragma once
// What the import dialog decides without a display: how the layers of a
// drawing are distributed over the roles of the import, and the writing of
// the hand-over project the main window then loads or merges. The dialog owns
// one ImportLayerLists and shows its lists.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dxf/DxfImport.h"

class ProjectDialogs;

// All holds the layers not assigned yet; a layer left there is not imported.
enum class ImportRole { All, Sources, Receivers, Planes };

// Every layer of the drawing is in exactly one list, so no layer can be both
// a source and a plane layer.
class ImportLayerLists {
public:
    // Every name in All, the role lists empty.
    void Reset(std::vector<std::string> layerNames);
    const std::vector<std::string>& List(ImportRole role) const;

    // Moves the entries at the given indices of from (any order; duplicates,
    // negative and out-of-range indices ignored) to the end of to, keeping
    // their order in from. Returns how many moved; none when from is to.
    std::size_t MoveItems(ImportRole from, ImportRole to, std::vector<long> selected);

    // The converter's options: the role lists and the ticked entity kinds.
    TDxfImportOptions Options(bool polyline3D, bool face3D, bool polyfaceMesh) const;

private:
    std::array<std::vector<std::string>, 4> m_lists;
};

// Writes the import of the drawing at dxfPath into a fresh hand-over file
// that handOverPath names, and returns its path; the caller loads the project
// and then removes the file (RemoveHandOver). When no path can be made or
// the writing fails, whatever was written is removed, the user is told why
// with dialogs.ShowMessage, and nothing is returned: the open project must
// stay as it is.
std::optional<std::string> WriteImportHandOver(
    const std::string& dxfPath, const TDxfImportOptions& options,
    const std::function<std::optional<std::string>()>& handOverPath, ProjectDialogs& dialogs);
