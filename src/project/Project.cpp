#include "project/Project.h"

#include <unistd.h>

#include <exception>
#include <fstream>
#include <optional>
#include <utility>

#include "project/ProjectMerge.h"
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

std::unique_ptr<TRoom> Project::LoadFreshRoom(const std::string& path)
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
        return nullptr; // already shown by the reader that failed
    } catch (const std::exception& error) {
        ErrorMessage("Project '%s' could not be loaded: %s", path.c_str(), error.what());
        return nullptr;
    }
    return room;
}

bool Project::LoadRoom(const std::string& path)
{
    auto room = LoadFreshRoom(path);
    if (!room) {
        return false;
    }
    ReplaceRoom(std::move(room), kSaved);
    m_path = path;
    return true;
}

bool Project::OpenAsUntitled(const std::string& handOverPath, int status)
{
    auto room = LoadFreshRoom(handOverPath);
    RemoveHandOver(handOverPath);
    if (!room) {
        return false;
    }
    // The hand-over file's name and folder are gone: the project starts as
    // a fresh one would, so Save proposes the default name in the working folder.
    const TRoom fresh;
    room->ProjectName = fresh.ProjectName;
    room->ProjectFolder = fresh.ProjectFolder;
    ReplaceRoom(std::move(room), status);
    return true;
}

bool Project::TakeHandOver(const std::string& handOverPath, bool asNewProject, int status)
{
    if (IsSimulating()) {
        RemoveHandOver(handOverPath);
        return false;
    }
    if (asNewProject || ProjectStatus == kNew) {
        if (!ConfirmDiscard()) {
            RemoveHandOver(handOverPath);
            return false;
        }
        return OpenAsUntitled(handOverPath, status);
    }
    const bool merged = AppendProject(handOverPath);
    RemoveHandOver(handOverPath);
    return merged;
}

bool Project::AppendProject(const std::string& path)
{
    if (IsSimulating() || !MergeProjectFile(*m_room, path)) {
        return false;
    }
    MarkModified();
    if (m_roomReplaced) {
        m_roomReplaced(*m_room); // the view rebuilds what it drew of the room
    }
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

bool Project::ReadyToSimulate()
{
    if (IsSimulating()) {
        return false;
    }
    if (ProjectStatus == kNew) {
        m_dialogs.ShowMessage("Question",
                              "Empty Project! Nothing to Simulate. Please save project first!");
        return false;
    }
    if (ProjectStatus == kModified) {
        if (!m_dialogs.AskOkCancel("Question", "Please save the project before simulating\n")) {
            return false;
        }
        if (!OpenSaveDlg()) {
            return false;
        }
        m_dialogs.ShowMessage("Question", "Project Saved!");
    }
    return m_room->NumSources > 0 && m_room->NumReceivers > 0;
}

bool Project::StartSimulation(unsigned int rays)
{
    if (IsSimulating() || m_room->NumSources == 0 || m_room->NumReceivers == 0) {
        return false;
    }
    try {
        // The lost rays of the last run go: the worker writes the new ones.
        m_room->DeleteLostRays();
        m_room->PrepareSimulation(rays > 0 ? std::optional<unsigned int>(rays) : std::nullopt);
        m_room->StartSimulation();
    } catch (const FatalError&) {
        return false; // shown by the step that failed
    } catch (const std::exception& error) {
        ErrorMessage("The simulation could not start: %s", error.what());
        return false;
    }
    m_run = RunState::Running;
    return true;
}

void Project::StopSimulation()
{
    if (m_run == RunState::Running) {
        m_run = RunState::Stopping;
    }
    if (m_run == RunState::Stopping) {
        m_room->StopSimulation();
    }
}

Project::RunPoll Project::PollSimulation()
{
    RunPoll poll;
    if (m_run == RunState::Idle) {
        return poll;
    }
    if (!m_room->SimulationFinished()) {
        if (m_run == RunState::Stopping) {
            // A stop during tracing lets the response phase start and raise
            // the flag again: keep lowering it until the worker has ended.
            m_room->StopSimulation();
            poll.status = "Stopping the simulation ...";
        } else {
            poll.percent = m_room->PercentageStatus;
            poll.status = FormatText("Percent = %1.2f", static_cast<double>(poll.percent));
            if (poll.percent == 100.0f) {
                poll.status += "\ngetting IRs ... please wait!";
            }
        }
        return poll;
    }

    const bool stopped = m_run == RunState::Stopping;
    m_run = RunState::Idle;
    poll.finished = true;
    try {
        m_room->WaitForSimulation();
    } catch (const FatalError& error) {
        poll.status = error.what();
        return poll;
    } catch (const std::exception& error) {
        ErrorMessage("The simulation failed: %s", error.what());
        poll.status = std::string("The simulation failed: ") + error.what();
        return poll;
    }
    if (stopped) {
        // What a stopped run traced is not a result: nothing is saved.
        m_room->CleanRayFiles();
        poll.status = "Simulation stopped";
        return poll;
    }
    poll.percent = 100.0f;
    try {
        if (!m_room->SaveResults()) {
            poll.status = "The results could not be saved in " + m_room->ProjectFolder;
            ErrorMessage("%s", poll.status.c_str());
            return poll;
        }
        if (FileExists(JoinPath(m_room->ProjectFolder, "LostRays.txt"))) {
            m_room->LoadLostRaysTxt();
        }
    } catch (const FatalError& error) {
        poll.status = error.what(); // a sound file that went away, say: already shown
        return poll;
    } catch (const std::exception& error) {
        poll.status = std::string("The results could not be saved: ") + error.what();
        ErrorMessage("%s", poll.status.c_str());
        return poll;
    }
    poll.completed = true;
    poll.status = "Simulation finished";
    return poll;
}
