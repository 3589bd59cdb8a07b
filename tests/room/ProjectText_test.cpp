#include "room/ProjectText.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(utilGetNumLineItems, CountsBlanksAndLineFeeds)
{
    EXPECT_EQ(utilGetNumLineItems("a b c\n"), 3);
    EXPECT_EQ(utilGetNumLineItems("a b c \n"), 4);
    EXPECT_EQ(utilGetNumLineItems("a b c"), 2);
    EXPECT_EQ(utilGetNumLineItems("\n"), 1);
    EXPECT_EQ(utilGetNumLineItems("a\tb\n"), 1);
}

TEST(ProjectText, SectionScanning)
{
    MemFile f("free text\n<MATERIALS>\na 1 2\nb 3 4\n\n</MATERIALS>\n<OTHER>\nx\n</OTHER>\n");
    EXPECT_EQ(GetNumberOfItens(f.file, "MATERIALS"), 3);
    EXPECT_EQ(std::ftell(f.file), 0) << "position restored";
    EXPECT_EQ(GetNumberOfItens(f.file, "MISSING"), 0);

    ErrorRecorder errors;
    EXPECT_EQ(CheckNumberOfParams(f.file, "MATERIALS", 3, true), 3);
    ASSERT_EQ(errors.texts.size(), 1u);
    EXPECT_EQ(errors.texts[0],
              "Wrong number of parameters on MATERIALS section, line 3.\nShould be 3 instead of 1 items.");
    std::rewind(f.file);
    EXPECT_EQ(CheckNumberOfParams(f.file, "OTHER", 1, true), 0);
    EXPECT_EQ(Busca(f.file, "<OTHER>"), 1);
    EXPECT_EQ(Busca(f.file, "<OTHER>"), 0);
}

TEST(ProjectText, DataTagsWithCommentsDefaultsAndCarriageReturns)
{
    MemFile f("<SIMULATION>\r\n# MAX_TIME = 9\r\nMAX_TIME = 1.25\r\nSTOP_DECAY = -45 dB\r\n"
              "BROKEN = abc\r\n</SIMULATION>\r\nMAX_TIME = 7\r\n");
    EXPECT_FLOAT_EQ(getDataTag("MAX_TIME", "SIMULATION", f.file), 1.25f);
    EXPECT_FLOAT_EQ(getDataTag("STOP_DECAY", "SIMULATION", f.file), -45.0f);
    testing::internal::CaptureStdout();
    EXPECT_EQ(getDataTag("SAMPLE_RATE", "SIMULATION", f.file), -1.0f);
    EXPECT_EQ(getDataTag("TEMPERATURE", "ENVIRONMENT", f.file), -1.0f);
    EXPECT_EQ(getDataTag("BROKEN", "SIMULATION", f.file), -1.0f);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("Tag SAMPLE_RATE not found on section SIMULATION.\n"), std::string::npos);
    EXPECT_NE(console.find("Section ENVIRONMENT not found on config file.\n"), std::string::npos);
}

