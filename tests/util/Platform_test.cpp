#include "util/Platform.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Sets an environment variable for one scope and restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (m_had) {
            setenv(m_name, m_old.c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(Platform, JoinPathUsesOneSeparator)
{
    EXPECT_EQ(JoinPath("/a/b", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("/a/b/", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("", "c.txt"), "c.txt");
}

TEST(Platform, DeleteMatchingFilesTakesOnlyTheResultPattern)
{
    ScratchFolder folder;
    for (const char* name : {"S001-R001.txt", "S012-R345.txt", "S001-R001-IR.wav", "S1-R1.txt",
                             "PARAMS-S001-R001.txt", "PARAMS-SALL-RALL.txt", "room.txt"}) {
        folder.Touch(name);
    }
    fs::create_directory(JoinPath(folder.Folder(), "S999-R999.txt")); // a folder is never deleted

    EXPECT_EQ(DeleteMatchingFiles(folder.Folder(), "S???-R???.txt"), 2);
    EXPECT_EQ(DeleteMatchingFiles(folder.Folder(), "PARAMS-*.txt"), 2);
    EXPECT_EQ(Names(folder.Folder()),
              (std::set<std::string>{"S001-R001-IR.wav", "S1-R1.txt", "room.txt", "S999-R999.txt"}));
    EXPECT_EQ(DeleteMatchingFiles(JoinPath(folder.Folder(), "missing"), "*"), 0);
}

TEST(Platform, FileQueries)
{
    ScratchFolder folder;
    folder.Touch("five.txt", "12345");
    const std::string path = JoinPath(folder.Folder(), "five.txt");
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 5u);
    EXPECT_FALSE(FileExists(JoinPath(folder.Folder(), "none.txt")));
    EXPECT_FALSE(FileSize(JoinPath(folder.Folder(), "none.txt")).has_value());
    EXPECT_FALSE(CurrentFolder().empty());
}

TEST(Platform, UniqueTempFoldersAreDistinctAndCreateTheirParent)
{
    ScratchFolder folder;
    const std::string parent = JoinPath(folder.Folder(), "Velto");
    const auto a = MakeUniqueTempFolder(parent, "cluster-");
    const auto b = MakeUniqueTempFolder(parent, "cluster-");
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_TRUE(fs::is_directory(*a));
    EXPECT_EQ(a->rfind(parent, 0), 0u);
}

TEST(Platform, AppDataFolderFallsBackInOrder)
{
    {
        ScopedEnv appData("APPDATA", "/tmp/appdata");
        ScopedEnv xdg("XDG_DATA_HOME", "/tmp/xdg");
        EXPECT_EQ(AppDataFolder(), "/tmp/appdata");
    }
    {
        ScopedEnv appData("APPDATA", "");
        ScopedEnv xdg("XDG_DATA_HOME", "/tmp/xdg");
        EXPECT_EQ(AppDataFolder(), "/tmp/xdg");
    }
    {
        ScopedEnv appData("APPDATA", nullptr);
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(AppDataFolder(), "/home/someone/.local/share");
    }
}
