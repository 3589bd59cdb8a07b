#pragma once
// A project with the shoebox example loaded from a scratch copy, so that
// saves and runs write into a folder of the test's own.

#include <string>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "project/Project.h"
#include "project/ScriptedDialogs.h"

inline const std::string kShoebox = std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt";

struct LoadedProject {
    LoadedProject() : project(dialogs)
    {
        path = folder.Write("shoebox.txt", ReadBytes(RequiredFile(kShoebox)));
        EXPECT_TRUE(project.LoadRoom(path));
    }
    ConsoleRecorder console;
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    Project project;
    std::string path;
};
