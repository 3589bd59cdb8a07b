#include "project/Project.h"

#include <unistd.h>

#include <exception>
#include <fstream>
#include <utility>

#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

namespace {

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path)
{
    const auto split = path.find_last_of('/');
    if (split == std::string::npos) {
        return ".";
    }
    return split == 0 ? "/" : path.substr(0, split);
}

// Whether a save to path can succeed, tested without touching the file: the
// save writes beside it and renames, so the folder must take new files, and a
// file the user protected against writing is not replaced.
bool CanWriteTo(const std::string& path)
{
    if (::access(FolderOf(path).c_str(), W_OK | X_OK) != 0) {
        return false;
    }
    return !FileExists(path) || ::access(path.c_str(), W_OK) == 0;
}

} // namespace

Project::Project(ProjectDialogs& dialogs) : m_dialogs(dialogs), m_room(std::make_unique<TRoom>())
{
}

Project::~Project() = default;

std::string Project::Title() const
{
    std::string title = "VELTO - ";
    if (ProjectStatus == kNew || m_path.empty()) {
        title += "Untitled Project";
    } else {
        title += m_room->ProjectName;
    }
    if (ProjectStatus == kModified) {
        title += " *modified";
    }
    return title;
}

void Project::SetRoomReplacedHandler(std::function<void(TRoom&)> handler)
{
    m_roomReplaced = std::move(handler);
}

bool Project::ConfirmDiscard()
{
    if (ProjectStatus != kModified) {
        return true;
    }
    switch (m_dialogs.AskYesNoCancel("Question", "The actual project was changed.\n Save it?")) {
    case Answer::Yes:
        return Save();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool Project::New()
{
    if (ProjectStatus == kNew) {
        return true; // nothing to replace
    }
    if (!ConfirmDiscard()) {
        return false;
    }
    ReplaceRoom(std::make_unique<TRoom>(), kNew);
    return true;
}

bool Project::Open()
{
    if (!ConfirmDiscard()) {
        return false;
    }
    const auto path = m_dialogs.ChooseFileToOpen("Open Velto Project file", kFileFilter);
    if (!path) {
        return false;
    }
    if (!std::ifstream(*path).good()) {
        m_dialogs.LogError(FormatText("Cannot open file '%s'.", path->c_str()));
        return false;
    }
    return LoadRoom(*path);
}

bool Project::Save()
{
    return OpenSaveDlg();
}

bool Project::LoadRoom(const std::string& path)
{
    struct WorkingScope {
        ProjectDialogs& dialogs;
        ~WorkingScope() { dialogs.Working(""); }
    } working{m_dialogs};
    m_dialogs.Working("Loading " + path + " ...");
    auto room = std::make_unique<TRoom>();
    try {
        room->LoadAndAnalyse(path);
        if (room->CheckSavedResults()) {
            room->LoadResults();
        }
        if (FileExists(JoinPath(room->ProjectFolder, "LostRays.txt"))) {
            room->LoadLostRaysTxt();
        }
    } catch (const FatalError&) {
        return false; // already shown by the reader that failed
    } catch (const std::exception& error) {
        ErrorMessage("Project '%s' could not be loaded: %s", path.c_str(), error.what());
        return false;
    }
    ReplaceRoom(std::move(room), kSaved);
    m_path = path;
    return true;
}

bool Project::OpenSaveDlg()
{
    const std::string folder = m_path.empty() ? CurrentFolder() : m_room->ProjectFolder;
    const auto path =
        m_dialogs.ChooseFileToSave("Save Velto Project", kFileFilter, folder, m_room->ProjectName);
    if (!path) {
        return false;
    }
    if (!CanWriteTo(*path)) {
        m_dialogs.LogError(FormatText("Cannot save file '%s'.", path->c_str()));
        return false;
    }
    return SaveRoom(*path);
}

bool Project::SaveRoom(const std::string& path)
{
    if (!m_room->SaveRoom(path)) {
        m_dialogs.LogError(FormatText("Error: File '%s' could not be saved", path.c_str()));
        return false;
    }
    m_path = path;
    ProjectStatus = kSaved;
    m_dialogs.ShowMessage("Save File", FormatText("File '%s' saved\n", path.c_str()));
    return true;
}

void Project::ReplaceRoom(std::unique_ptr<TRoom> room, int status)
{
    std::swap(m_room, room);
    m_path.clear();
    ProjectStatus = status;
    if (m_roomReplaced) {
        m_roomReplaced(*m_room);
    }
    // room now holds the previous project and goes here, after the listeners
    // have let go of it.
}
