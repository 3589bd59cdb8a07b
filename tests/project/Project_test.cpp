#include "project/Project.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "project/LoadedProject.h"
#include "project/ScriptedDialogs.h"
#include "room/TRoom.h"

TEST(Project, TitleFollowsTheState)
{
    ConsoleRecorder console;
    ScriptedDialogs dialogs;
    Project project(dialogs);
    EXPECT_EQ(project.Title(), "VELTO - Untitled Project");
    project.MarkModified();
    EXPECT_EQ(project.Title(), "VELTO - Untitled Project *modified");

    LoadedProject loaded;
    EXPECT_EQ(loaded.project.ProjectStatus, Project::kSaved);
    EXPECT_EQ(loaded.project.Title(), "VELTO - shoebox.txt");
    loaded.project.MarkModified();
    EXPECT_EQ(loaded.project.Title(), "VELTO - shoebox.txt *modified");
}

TEST(Project, QuestionOnlyBeforeReplacingAModifiedProject)
{
    struct Case {
        const char* name;
        bool modified;
        Answer answer;
        std::optional<std::string> saveAs; // file name in the scratch folder
        bool replaced;
    };
    const Case cases[] = {
        {"unchanged is replaced without a question", false, Answer::Cancel, {}, true},
        {"cancel keeps everything", true, Answer::Cancel, {}, false},
        {"no discards the changes", true, Answer::No, {}, true},
        {"yes but the save is cancelled", true, Answer::Yes, std::nullopt, false},
        {"yes and saved", true, Answer::Yes, std::string("saved.txt"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadedProject loaded;
        const TRoom* before = &loaded.project.Room();
        if (c.modified) { // an unscripted question fails the test
            loaded.project.MarkModified();
            loaded.dialogs.yesNoCancel.push_back(c.answer);
        }
        if (c.answer == Answer::Yes) {
            loaded.dialogs.saveChoices.push_back(
                c.saveAs ? std::optional(loaded.folder.Path(*c.saveAs)) : std::nullopt);
        }
        EXPECT_EQ(loaded.project.New(), c.replaced);
        EXPECT_EQ(loaded.dialogs.questions.size(), c.modified ? 1u : 0u);
        if (c.replaced) {
            EXPECT_EQ(loaded.project.ProjectStatus, Project::kNew);
            EXPECT_EQ(loaded.project.Room().NumPlanes, 0u);
            EXPECT_EQ(loaded.project.Title(), "VELTO - Untitled Project");
        } else {
            EXPECT_EQ(&loaded.project.Room(), before);
            EXPECT_EQ(loaded.project.ProjectStatus, Project::kModified);
        }
        if (c.saveAs) {
            EXPECT_TRUE(FileExists(loaded.folder.Path(*c.saveAs)));
        }
    }
}

TEST(Project, ListenersSeeTheNewRoomWhileTheOldOneStillExists)
{
    LoadedProject loaded;
    const TRoom* old = &loaded.project.Room();
    const TRoom* handed = nullptr;
    loaded.project.SetRoomReplacedHandler([&](TRoom& room) {
        handed = &room;
        EXPECT_EQ(loaded.console.text.find("absorption ..."), std::string::npos)
            << "the old room was released before the view had the new one";
    });
    loaded.console.text.clear();
    ASSERT_TRUE(loaded.project.LoadRoom(loaded.path));
    EXPECT_EQ(handed, &loaded.project.Room());
    EXPECT_NE(handed, old);
    EXPECT_NE(loaded.console.text.find("absorption ..."), std::string::npos);
}

TEST(Project, MalformedProjectKeepsTheOpenOne)
{
    LoadedProject loaded;
    const TRoom* before = &loaded.project.Room();
    const unsigned int planes = before->NumPlanes;
    std::string text = ReadFileText(loaded.path);
    const auto planesAt = text.find("<PLANES>");
    ASSERT_NE(planesAt, std::string::npos);
    text.insert(planesAt + 9, "4 0 0 zero 1 0 0 1 1 0 0 1 0 LAYER_X\n");
    const std::string broken = loaded.folder.Path("broken.txt");
    std::ofstream(broken) << text;

    ErrorRecorder errors;
    EXPECT_FALSE(loaded.project.LoadRoom(broken));
    EXPECT_FALSE(errors.texts.empty());
    EXPECT_EQ(&loaded.project.Room(), before);
    EXPECT_EQ(loaded.project.Room().NumPlanes, planes);
    EXPECT_EQ(loaded.project.Path(), loaded.path);
    EXPECT_EQ(loaded.project.Title(), "VELTO - shoebox.txt");
}

TEST(Project, OpenCancelledOrUnreadableChangesNothing)
{
    LoadedProject loaded;
    const TRoom* before = &loaded.project.Room();
    loaded.dialogs.openChoices.push_back(std::nullopt);
    EXPECT_FALSE(loaded.project.Open());
    const std::string missing = loaded.folder.Path("missing.txt");
    loaded.dialogs.openChoices.push_back(missing);
    EXPECT_FALSE(loaded.project.Open());
    ASSERT_EQ(loaded.dialogs.errors.size(), 1u);
    EXPECT_EQ(loaded.dialogs.errors[0], "Cannot open file '" + missing + "'.");
    EXPECT_EQ(&loaded.project.Room(), before);
}

TEST(Project, FailedSaveLeavesTheOldFileAsItWas)
{
    LoadedProject loaded;
    const std::string target = loaded.folder.Path("kept.txt");
    std::ofstream(target) << "previous contents\n";
    // The save writes beside the target first; a folder in that place makes
    // the write fail whatever the user's rights.
    std::filesystem::create_directory(target + ".saving");
    loaded.project.MarkModified();
    loaded.dialogs.saveChoices.push_back(target);
    ErrorRecorder errors;
    EXPECT_FALSE(loaded.project.Save());
    EXPECT_EQ(ReadFileText(target), "previous contents\n");
    EXPECT_EQ(loaded.project.ProjectStatus, Project::kModified);
    EXPECT_EQ(loaded.project.Path(), loaded.path);
    ASSERT_EQ(loaded.dialogs.errors.size(), 1u);
    EXPECT_EQ(loaded.dialogs.errors[0], "Error: File '" + target + "' could not be saved");

    loaded.dialogs.saveChoices.push_back(loaded.folder.Path("no-such-folder/p.txt"));
    EXPECT_FALSE(loaded.project.Save());
    EXPECT_EQ(loaded.dialogs.errors.back(),
              "Cannot save file '" + loaded.folder.Path("no-such-folder/p.txt") + "'.");
}

TEST(Project, SaveProposesTheNameAndRenamesTheProject)
{
    LoadedProject loaded;
    loaded.project.MarkModified();
    const std::string target = loaded.folder.Path("hall.txt");
    loaded.dialogs.saveChoices.push_back(target);
    ASSERT_TRUE(loaded.project.Save());
    EXPECT_EQ(loaded.dialogs.proposedNames, std::vector<std::string>{"shoebox.txt"});
    EXPECT_EQ(loaded.project.Title(), "VELTO - hall.txt");
    EXPECT_EQ(loaded.dialogs.messages,
              std::vector<std::string>{"Save File: File '" + target + "' saved\n"});
    // The saved project loads back as the same room.
    ScriptedDialogs dialogs;
    Project reopened(dialogs);
    ASSERT_TRUE(reopened.LoadRoom(target));
    EXPECT_EQ(reopened.Room().NumPlanes, loaded.project.Room().NumPlanes);
    EXPECT_EQ(reopened.Room().NumSources, loaded.project.Room().NumSources);
}
