#include "util/ErrorMessage.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(ErrorMessage, PresenterReceivesFormattedTextIncludingFloats)
{
    ErrorRecorder recorder;
    ErrorMessage("Sampling rate %.1f Hz not supported for %s (%d bands, %5.2e)", 22050.0, "IIR", 9,
                 0.5);
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Sampling rate 22050.0 Hz not supported for IIR (9 bands, 5.00e-01)");
}

TEST(ErrorMessage, LongTextIsNotTruncated)
{
    ErrorRecorder recorder;
    const std::string name(5000, 'x');
    ErrorMessage("Layer %s already defined.", name.c_str());
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Layer " + name + " already defined.");
}

TEST(ErrorMessage, RecorderRestoresPreviousPresenter)
{
    ErrorRecorder outer;
    {
        ErrorRecorder inner;
        ErrorMessage("inner");
        EXPECT_EQ(inner.texts.size(), 1u);
    }
    ErrorMessage("outer");
    ASSERT_EQ(outer.texts.size(), 1u);
    EXPECT_EQ(outer.texts[0], "outer");
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
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Cannot open x.daff");
    EXPECT_EQ(FatalError("plain").ExitCode(), 1);
}
