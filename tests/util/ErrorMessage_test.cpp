#include "util/ErrorMessage.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(ErrorMessage, PresenterReceivesTheWholeFormattedText)
{
    ErrorRecorder outer;
    const std::string name(5000, 'x'); // longer than any fixed buffer
    {
        ErrorRecorder inner; // replaces the presenter and gives it back at scope end
        ErrorMessage("Layer %s already defined (%d, %.1f).", name.c_str(), 9, 0.5);
        EXPECT_EQ(inner.texts, std::vector<std::string>{"Layer " + name + " already defined (9, 0.5)."});
    }
    ErrorMessage("outer");
    EXPECT_EQ(outer.texts, std::vector<std::string>{"outer"});
}

TEST(FatalError, ShowsMessageThenThrowsWithExitCode)
{
    ErrorRecorder recorder;
    try {
        Fatal(10002, "Cannot open %s", "x.daff");
        FAIL() << "Fatal returned";
    } catch (const FatalError& error) {
        EXPECT_EQ(error.ExitCode(), 10002);
        EXPECT_STREQ(error.what(), "Cannot open x.daff");
    }
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"Cannot open x.daff"});
    EXPECT_EQ(FatalError("plain").ExitCode(), 1);
}
