#include "util/Platform.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable (nullptr: unsets it) until the end of the scope.
struct ScopedEnv {
    ScopedEnv(const char* n, const char* value) : name(n)
    {
        if (const char* current = std::getenv(n)) {
            old = current;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(old ? old->c_str() : nullptr); }
    void Set(const char* value) const { value ? setenv(name, value, 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

} // namespace

TEST(Platform, DeleteMatchingFilesTakesOnlyTheResultPattern)
{
    ScratchFolder folder;
    for (const char* name : {"S001-R001.txt", "S012-R345.txt", "S001-R001-IR.wav", "S1-R1.txt",
                             "PARAMS-S001-R001.txt", "PARAMS-SALL-RALL.txt", "room.txt"}) {
        folder.Touch(name);
    }
    fs::create_directory(folder.Path("S999-R999.txt")); // a folder is never deleted

    EXPECT_EQ(DeleteMatchingFiles(folder.Folder(), "S???-R???.txt"), 2);
    EXPECT_EQ(DeleteMatchingFiles(folder.Folder(), "PARAMS-*.txt"), 2);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder.Folder())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"S001-R001-IR.wav", "S1-R1.txt", "room.txt", "S999-R999.txt"}));
    EXPECT_EQ(DeleteMatchingFiles(JoinPath(folder.Folder(), "missing"), "*"), 0);
}

TEST(Platform, PathsFileQueriesAndUniqueTempFolders)
{
    EXPECT_EQ(JoinPath("/a/b", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("/a/b/", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("", "c.txt"), "c.txt");
    ScratchFolder folder;
    const std::string path = folder.Touch("five.txt", "12345");
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 5u);
    EXPECT_FALSE(FileExists(folder.Path("none.txt")));
    EXPECT_FALSE(FileSize(folder.Path("none.txt")).has_value());

    const std::string parent = folder.Path("Velto"); // created with the first folder
    const auto a = MakeUniqueTempFolder(parent, "cluster-");
    const auto b = MakeUniqueTempFolder(parent, "cluster-");
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_TRUE(fs::is_directory(*a));
    EXPECT_EQ(a->rfind(parent, 0), 0u);
}

TEST(Platform, AppDataFolderFallsBackInOrder)
{
    struct Case {
        const char *appData, *xdg, *home, *expected;
    };
    const Case cases[] = {{"/tmp/appdata", "/tmp/xdg", "/home/someone", "/tmp/appdata"},
                          {"", "/tmp/xdg", "/home/someone", "/tmp/xdg"},
                          {nullptr, nullptr, "/home/someone", "/home/someone/.local/share"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ScopedEnv appData("APPDATA", c.appData), xdg("XDG_DATA_HOME", c.xdg), home("HOME", c.home);
        EXPECT_EQ(AppDataFolder(), c.expected);
    }
}
