#pragma once
// The main window's editors without the window: what each grid shows, what a
// typed cell, an add or a delete button and the geometry page do to the room,
// and what must be redrawn afterwards. The window passes texts in, shows the
// message of the returned CellEdit, refills the grids it names and marks the
// project modified when the room changed.
//
// Names are the identities of materials, plane layers and types in the
// project file, whose fields are separated by blanks: a name is non-empty,
// holds no blank and is unique within its list. Numbers are taken only when
// the whole cell is a finite number.
//
// Nothing here may run while a simulation owns the room.

#include <array>
#include <string>
#include <vector>

#include "room/TLayer.h"
#include "room/TMaterial.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"

class ProjectDialogs;
class TRoom;

using GridRows = std::vector<std::vector<std::string>>;

enum class GridKind { Materials, PlaneLayers, Sources, SourceLayers, Receivers, ReceiverLayers };

// Columns. Band grids have one column per room band (NumBands) where the
// comments say so.
enum MaterialColumn { kMaterialName = 0, kMaterialFirstBand = 1 }; // bands, then "scatt"
enum PlaneLayerColumn { kPlaneLayerName = 0, kPlaneLayerMaterial, kPlaneLayerColor };
enum SourceColumn {
    kSourceX = 0, kSourceY, kSourceZ, kSourceAzim, kSourceElev, kSourceSPL, kSourceType,
    kSourceSoundFile
};
enum SourceLayerColumn { kSourceLayerName = 0, kSourceLayerPattern, kSourceLayerFirstBand };
enum ReceiverColumn { kReceiverX = 0, kReceiverY, kReceiverZ, kReceiverRadius, kReceiverType };
enum ReceiverLayerColumn { kReceiverLayerName = 0, kReceiverLayerPattern };

// What an edit, add or delete did. The grid acted on is always named for a
// refill, so a refused edit shows the room's value again.
struct CellEdit {
    enum Result { Changed, Refused, Unchanged };
    Result result = Unchanged;
    // For the user when not empty: why the edit was refused (each refused row
    // of a delete on its own line), or a note on a value that was adjusted.
    // A sound file the source refuses is reported by the source itself.
    std::string message;
    bool refillMaterials = false;
    bool refillPlaneLayers = false;
    bool refillSources = false;
    bool refillSourceLayers = false;
    bool refillReceivers = false;
    bool refillReceiverLayers = false;
    bool refillPlanes = false;   // the geometry page: its layer choice and plane fields
    bool colorsChanged = false;  // the 3D view takes the plane colours again
    bool shapeChanged = false;   // the 3D view rebuilds the room's triangles
    bool resultsCleared = false; // the plots have nothing left to show
};

// --- fillers: one row of cell texts per entry -------------------------------
// Name, absorption per band, scattering ("%.2f").
GridRows MaterialRows(const TRoom& room);
// Name, material name ("" when none), colour as "r g b".
GridRows PlaneLayerRows(const TRoom& room);
// x, y, z (m, "%.2f"), azimuth, elevation (degrees, "%.1f"), level at 1 m
// (dB, "%.1f"), type name, sound file.
GridRows SourceRows(const TRoom& room);
// Name, pattern name, gain per band in dB ("%.1f", floored at -60 dB as in
// the project file).
GridRows SourceLayerRows(const TRoom& room);
// x, y, z, radius (m, "%.2f"), type name.
GridRows ReceiverRows(const TRoom& room);
// Name, pattern name.
GridRows ReceiverLayerRows(const TRoom& room);
GridRows RowsOf(const TRoom& room, GridKind kind);

// Choices for the name columns: the names of a list (sources and receivers
// give "src 01", "rec 01", ...), and the loaded directivity patterns.
std::vector<std::string> NamesOf(const TRoom& room, GridKind kind);
std::vector<std::string> PatternNames(const TRoom& room);

// --- cell edits -------------------------------------------------------------
// Edits of the source and receiver grids are logged on the console.
CellEdit EditMaterialCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditPlaneLayerCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditSourceCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditSourceLayerCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditReceiverCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditReceiverLayerCell(TRoom& room, int row, int col, const std::string& text);
CellEdit EditCell(TRoom& room, GridKind kind, int row, int col, const std::string& text);

// --- new entries ----------------------------------------------------------------
// Names take the first number not in use ("Material_04", "PlaneLayer02", ...).
// Absorption 0.01 and scattering 0.05 in every band.
TMaterial NewMaterial(const TRoom& room);
// On material 0, white.
TPlaneLayer NewPlaneLayer(const TRoom& room);
// Omnidirectional ("OMNI" is loaded when missing), gain 1 in every band.
TSourceLayer NewSourceLayer(TRoom& room);
// At the room's centre, 94 dB at 1 m, type 0 with its pattern, 5000 rays
// asked for (4842 kept), no rotation, no sound file.
TSource NewSource(TRoom& room);
// Omnidirectional; "OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD" and
// "EIGHTFIG" are loaded when missing, so that they can be chosen.
TReceiverLayer NewReceiverLayer(TRoom& room);
// At the room's centre, radius 0.4 m, azimuth 0, type 0 with its pattern.
TReceiver NewReceiver(TRoom& room);

// Add the new entry to the room. A plane layer needs a material and a
// receiver a receiver type; a source without any type gets a new type from
// the room. Adding a source or receiver clears the results.
CellEdit AddMaterialEntry(TRoom& room);
CellEdit AddPlaneLayerEntry(TRoom& room);
CellEdit AddSourceLayerEntry(TRoom& room);
CellEdit AddSourceEntry(TRoom& room);
CellEdit AddReceiverLayerEntry(TRoom& room);
CellEdit AddReceiverEntry(TRoom& room);
CellEdit AddEntry(TRoom& room, GridKind kind);

// Deletes the given rows (in any order; repeats and rows out of range are
// ignored), the highest first so that the lower indices stay valid. An entry
// still in use stays and its refusal joins the message; the others go.
CellEdit DeleteRows(TRoom& room, GridKind kind, std::vector<int> rows);

// --- results --------------------------------------------------------------------
// Whether adding to or deleting from the grid erases the results.
bool ChangesResults(GridKind kind);
// The question to ask (caption "Question", OK or Cancel) before adding to or
// deleting from the grid, or "" when nothing would be lost.
std::string AddQuestion(const TRoom& room, GridKind kind);
std::string DeleteQuestion(const TRoom& room, GridKind kind);
// Ask the question when there is one; true to go ahead.
bool ConfirmAdd(ProjectDialogs& dialogs, const TRoom& room, GridKind kind);
bool ConfirmDelete(ProjectDialogs& dialogs, const TRoom& room, GridKind kind);

// --- geometry page ----------------------------------------------------------------
// Moves the plane to the layer, keeping both layers' plane counts, which
// decide whether a layer may be deleted.
CellEdit SetPlaneLayer(TRoom& room, int plane, int layer);
// Reverses the plane's vertex order (its normal flips) and tessellates it again.
CellEdit InvertPlane(TRoom& room, int plane);

struct PlaneFields {
    int layer = -1;         // selection of the "Layer" choice, -1 for none
    int numVertices = 0;    // the "Vertex ID" range is 0 .. numVertices - 1
    std::string vertexCount;
    std::array<std::string, 3> vertex; // x, y, z of the chosen vertex ("%.2f")
};
// Empty fields for a plane or vertex the room does not have.
PlaneFields PlanePageFields(const TRoom& room, int plane, int vertex);
