#pragma once
// Writing the project file of a DXF import: default settings, one material
// that every plane layer uses, the receiver, source and plane layers the user
// chose with the entities of the drawing that lie on them, and a colour per
// plane layer. The main window then loads the file as a new project or merges
// it into the open one.

#include <string>
#include <vector>

// The file the import writes for the main window, in the working folder.
inline constexpr const char* kImportProjectFile = "Temporary.txt";

struct TDxfImportOptions {
    std::vector<std::string> receiverLayers; // POINTs become receivers
    std::vector<std::string> sourceLayers;   // POINTs become sources
    std::vector<std::string> planeLayers;    // the ticked entity kinds become planes
    bool polyline3D = false;                 // "3D Polyline"
    bool face3D = false;                     // "3D Face"
    bool polyfaceMesh = false;               // "3D PolyFaceMesh"
};

// Writes the project file of the import of the drawing. False, after an
// error message, when the drawing cannot be read or the project file cannot
// be created or written; the caller must then leave the open project alone.
bool WriteDXFImportFile(const std::string& dxfPath, const TDxfImportOptions& options,
                        const std::string& projectPath = kImportProjectFile);
