#pragma once
// The layer names a DXF drawing declares, for the import dialog's list.

#include <optional>
#include <string>
#include <vector>

// Names of the records of the drawing's LAYER table, in file order, each
// without its line end. Nothing when the file cannot be opened; a file that
// is not an ASCII DXF gives the names read before the problem (reported on
// the console).
std::optional<std::vector<std::string>> ReadDXFLayerNames(const std::string& path);
