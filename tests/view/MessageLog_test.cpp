#include "view/MessageLog.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

TEST(MessageLog, ShowsTextAsATerminalWould)
{
    const struct {
        const char* name;
        std::vector<std::string> chunks;
        std::string text;
    } cases[] = {
        {"nothing", {}, ""},
        {"progress overwrites", {"Tracing 10%\r", "Tracing 20%\r", "Tracing 100%\n"},
         "Tracing 100%\n"},
        {"shorter overwrite leaves the tail", {"abcdef\rXY"}, "XYcdef"},
        {"return split from its text", {"abc\r", "d", "\n", "e"}, "dbc\ne"},
        {"crlf is one line end", {"a\r\n", "b\r", "\n", "\n"}, "a\nb\n\n"},
        // The pane refuses text that is not UTF-8: whole characters are replaced.
        {"two-byte character overwritten", {"\xC3\xA9" "1\rab"}, "ab"},
        {"two-byte character split across appends", {"xy\r\xC3", "\xA9"}, "\xC3\xA9y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        for (const std::string& chunk : c.chunks) {
            log.Append(chunk);
        }
        EXPECT_EQ(log.Text(), c.text);
    }
}

TEST(MessageLog, LimitDropsTheOldestLines)
{
    MessageLog log(3);
    log.Append("1\n2\n3\npartial");
    EXPECT_EQ(log.Text(), "1\n2\n3\npartial"); // the line being written is not counted
    log.Append("\n4\n5\n6\r7");
    EXPECT_EQ(log.Text(), "partial\n4\n5\n7");
    EXPECT_EQ(log.NumLines(), 4u);

    log.Clear();
    EXPECT_EQ(log.NumLines(), 1u);
    log.Append("new");
    EXPECT_EQ(log.Text(), "new");
}
