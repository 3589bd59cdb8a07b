#include <string>

#include <gtest/gtest.h>

#include "util/TerminalOutput.h"

namespace {

struct Screen {
    std::string written;
    double now = 0.0;
    TerminalOutput Make(bool terminal)
    {
        return TerminalOutput(
            terminal, [this](const std::string& text) { written += text; }, [this] { return now; });
    }
};

} // namespace

TEST(TerminalOutput, ALogGetsEachLineAsItFinallyStood)
{
    Screen log;
    TerminalOutput out = log.Make(false);
    out.Print("PLEASE WAIT ...");
    for (const char* spin : {"\rPLEASE WAIT ... |", "\rPLEASE WAIT ... /", "\rPLEASE WAIT ... -"}) {
        out.Print(spin);
    }
    out.Print("Done!\n");
    out.Print("\r10 % - RAY = 2025    ");
    out.Print("\r100 % - RAY = 20252    \n");
    out.Print("Calculating (S001-R001)\r");
    out.Print("Calculating ... Done!   \n");
    out.Print("half a line");
    EXPECT_EQ(log.written, "PLEASE WAIT ... -Done!\n100 % - RAY = 20252    \nCalculating ... Done!   \n");
    out.Finish();
    EXPECT_EQ(log.written.substr(log.written.size() - 12), "half a line\n");
}

TEST(TerminalOutput, ATerminalRedrawsOneLineAtMostTenTimesASecond)
{
    Screen tty;
    TerminalOutput out = tty.Make(true);
    out.Print("Tracing:\n");
    EXPECT_EQ(tty.written, "\rTracing:\033[K\n");
    tty.written.clear();

    tty.now = 1.0;
    out.Print("\r1 %");
    tty.now = 1.05;
    out.Print("\r2 %"); // too soon: kept, not drawn
    EXPECT_EQ(tty.written, "\r1 %\033[K");
    tty.now = 1.2;
    out.Print("\r3 %");
    EXPECT_EQ(tty.written, "\r1 %\033[K\r3 %\033[K");
    tty.now = 1.21;
    out.Print("\r100 %\n"); // an ended line is always drawn
    EXPECT_EQ(tty.written, "\r1 %\033[K\r3 %\033[K\r100 %\033[K\n");

    // Plain text shows at once, even right after a redraw.
    tty.written.clear();
    tty.now = 2.0;
    out.Print("\r50 %");
    out.Print(" - stopping");
    EXPECT_EQ(tty.written, "\r50 %\033[K\r50 % - stopping\033[K");
    out.Finish();
    EXPECT_EQ(tty.written.substr(tty.written.size() - 1), "\n");
}
