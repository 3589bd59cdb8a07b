#pragma once
// The open project: the one room the desktop program shows and edits, the
// file it came from, whether it changed since, and the life-cycle commands
// with their questions. The window forwards its menu commands here and
// redraws; every decision is made here, without a display.
//
// The room is only ever replaced by a room that loaded completely, and the
// previous one is released after the listeners have been told of its
// successor, so nothing that draws the room ever sees a released one.

#include <functional>
#include <memory>
#include <string>

#include "project/ProjectDialogs.h"

class TRoom;

class Project {
public:
    // ProjectStatus values.
    static constexpr int kNew = 0;      // never saved or loaded
    static constexpr int kSaved = 1;    // as saved or loaded
    static constexpr int kModified = 2; // changed since

    static constexpr const char* kFileFilter = "TXT files (*.txt)|*.txt";

    explicit Project(ProjectDialogs& dialogs);
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    TRoom& Room() { return *m_room; }
    const TRoom& Room() const { return *m_room; }

    int ProjectStatus = kNew;

    // The file the project was loaded from or saved to; empty while untitled.
    const std::string& Path() const { return m_path; }
    // "VELTO - Untitled Project", "VELTO - name.txt", "VELTO - name.txt *modified".
    std::string Title() const;
    void MarkModified() { ProjectStatus = kModified; }

    // Called with the new room as soon as it replaced the old one, before the
    // old one is released.
    void SetRoomReplacedHandler(std::function<void(TRoom&)> handler);

    // Before the project is replaced or the program ends: a modified project
    // asks whether to save it. False when the user cancels or the save fails.
    bool ConfirmDiscard();

    // The menu commands; each returns true when it did what it was asked.
    bool New();
    bool Open();
    bool Save();

    // Reads and analyses the project at path into a fresh room, loads the
    // results and lost rays a previous run left beside it, and makes it the
    // open project. A project that cannot be read is reported and the open
    // one stays as it was.
    bool LoadRoom(const std::string& path);
    // Loads the hand-over file of an import dialog (see HandOverPath) as a
    // new, untitled project, so that Save asks for a name, and deletes it
    // whether it loaded or not. A file that cannot be read keeps the open one.
    bool OpenAsUntitled(const std::string& handOverPath, int status = kNew);
    // What an import dialog or the room designer handed over: opened as a
    // new untitled project (asNewProject, and always when the open project
    // was never saved) once a modified project has been saved or given up,
    // or else added to the open project. The hand-over file is deleted in
    // every case. False when the user cancelled or the file could not be used.
    bool TakeHandOver(const std::string& handOverPath, bool asNewProject, int status = kNew);
    // Adds the project at path to the open one (see MergeProjectFile), marks
    // it modified and hands the grown room to the listener. Refused during a
    // run; a file that cannot be read changes nothing.
    bool AppendProject(const std::string& path);
    // Asks where to save and saves there.
    bool OpenSaveDlg();
    bool SaveRoom(const std::string& path);
    // Makes the room, loaded elsewhere, the open project, untitled.
    void ReplaceRoom(std::unique_ptr<TRoom> room, int status);

    // --- the simulation run ---------------------------------------------------
    // Whether a run may start: a never-saved project is refused with a
    // message, a modified one must be saved first (the user may cancel).
    // The room needs a source and a receiver.
    bool ReadyToSimulate();
    // Clears old results, result files and lost rays, and starts the worker
    // with rays per source (the room's count when 0). False when it cannot.
    bool StartSimulation(unsigned int rays = 0);
    // Asks the worker to stop; the run ends at the next poll after it did.
    void StopSimulation();
    // True from the start of a run until a poll has seen the worker end;
    // meanwhile nothing may change the room.
    bool IsSimulating() const { return m_run != RunState::Idle; }
    bool StopRequested() const { return m_run == RunState::Stopping; }

    struct RunPoll {
        bool finished = false; // the worker ended and was joined
        bool completed = false; // ... and every result file was written
        float percent = 0.0f;  // 0..100 while running
        std::string status;    // for the status text
    };
    // Called by the window's timer: progress while the worker runs; once it
    // ended, joins it and, only after a run that completed, saves the results
    // and loads the lost rays for the view.
    RunPoll PollSimulation();

private:
    enum class RunState { Idle, Running, Stopping };

    // The project at path read and analysed into a new room, with the results
    // and lost rays beside it; null, after a message, when it cannot be read.
    std::unique_ptr<TRoom> LoadFreshRoom(const std::string& path);

    ProjectDialogs& m_dialogs;
    RunState m_run = RunState::Idle;
    std::unique_ptr<TRoom> m_room;
    std::string m_path;
    std::function<void(TRoom&)> m_roomReplaced;
};
