#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "project/Project.h"
#include "project/LoadedProject.h"
#include "project/ScriptedDialogs.h"
#include "room/TRoom.h"

namespace {

struct ShoeboxRun : LoadedProject {
    Project::RunPoll RunToEnd()
    {
        Project::RunPoll poll;
        for (int i = 0; i < 60000 && !poll.finished; ++i) {
            poll = project.PollSimulation();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return poll;
    }
    bool Exists(const std::string& name) const { return FileExists(folder.Path(name)); }
};

} // namespace

TEST(ProjectRun, RefusedUntilTheProjectIsSaved)
{
    ConsoleRecorder console;
    ScriptedDialogs dialogs;
    Project fresh(dialogs);
    EXPECT_FALSE(fresh.ReadyToSimulate());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{
                                    "Question: Empty Project! Nothing to Simulate. Please save "
                                    "project first!"});

    ShoeboxRun run;
    run.project.MarkModified();
    run.dialogs.okCancel.push_back(false);
    EXPECT_FALSE(run.project.ReadyToSimulate());
    EXPECT_EQ(run.project.ProjectStatus, Project::kModified);
    EXPECT_FALSE(run.project.IsSimulating());

    run.dialogs.okCancel.push_back(true);
    run.dialogs.saveChoices.push_back(run.path);
    EXPECT_TRUE(run.project.ReadyToSimulate());
    EXPECT_EQ(run.project.ProjectStatus, Project::kSaved);
}

TEST(ProjectRun, CompletedRunSavesEveryResultFile)
{
    ShoeboxRun run;
    ASSERT_TRUE(run.project.ReadyToSimulate());
    ASSERT_TRUE(run.project.StartSimulation(500));
    EXPECT_TRUE(run.project.IsSimulating());
    EXPECT_FALSE(run.project.StartSimulation(500)) << "a second run while one is going";
    const Project::RunPoll poll = run.RunToEnd();
    ASSERT_TRUE(poll.finished);
    EXPECT_TRUE(poll.completed);
    EXPECT_EQ(poll.status, "Simulation finished");
    EXPECT_FALSE(run.project.IsSimulating());
    for (const char* file : {"S001-R001.txt", "PARAMS-S001-R001.txt", "PARAMS-SALL-R001.txt",
                             "PARAMS-SALL-RALL.txt"}) {
        EXPECT_TRUE(run.Exists(file)) << file;
    }
    // Every source got the count of the form 10 k^2 + 2 nearest 500.
    EXPECT_EQ(run.project.Room().source[0].NumberOfRays, 492u);
}

TEST(ProjectRun, StopSavesNothingAndTheNextRunCompletes)
{
    ShoeboxRun run;
    ASSERT_TRUE(run.project.StartSimulation(200000));
    run.project.StopSimulation();
    run.project.StopSimulation(); // a second press only lowers the flag again
    const Project::RunPoll stopped = run.RunToEnd();
    ASSERT_TRUE(stopped.finished);
    EXPECT_FALSE(stopped.completed);
    EXPECT_EQ(stopped.status, "Simulation stopped");
    EXPECT_FALSE(run.Exists("S001-R001.txt"));
    EXPECT_FALSE(run.Exists("PARAMS-SALL-RALL.txt"));

    ASSERT_TRUE(run.project.StartSimulation(500));
    EXPECT_TRUE(run.RunToEnd().completed);
    EXPECT_TRUE(run.Exists("S001-R001.txt"));
}
