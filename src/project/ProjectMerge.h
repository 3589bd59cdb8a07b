#pragma once
// Adding a project file (a drawing's import, another project) to the open
// room, and the private file through which the import dialogs hand a project
// to the main window.

#include <optional>
#include <string>

class TRoom;

// Reads the project at path completely into a scratch room, then adds its
// materials, plane layers, planes, source and receiver types, sources and
// receivers to room, and analyses the geometry again as a load does.
//
// Names are identities: a material, plane layer, source type or receiver type
// whose name the room already has is reused, not duplicated, so importing a
// drawing twice extends the same surfaces rather than creating "walls_2".
// A reused plane layer keeps the room's material. Everything else brings its
// own material (bound by name, never left unassigned) and pattern (through the
// room's pattern list).
//
// The room changes only when the whole file was read and it uses the room's
// number of bands; otherwise false, after a message, with room untouched.
bool MergeProjectFile(TRoom& room, const std::string& path);

// A new file name in a private temporary folder of its own, for handing a
// project from a dialog to the window without writing into the user's working
// folder. Nothing when no such folder can be created.
std::optional<std::string> HandOverPath();

// Deletes a hand-over file and, when empty, the folder HandOverPath made for it.
void RemoveHandOver(const std::string& path);
