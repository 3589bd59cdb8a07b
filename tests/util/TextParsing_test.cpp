#include "util/TextParsing.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(TextParsing, LinesKeepTheirLineFeedAndLoseACarriageReturn)
{
    MemFile f("a b\r\nc\n\nlast");
    std::string line;
    std::vector<std::string> lines;
    while (ReadLine(f.file, line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a b\n", "c\n", "\n", "last"}));
    EXPECT_EQ(SplitFields(" x\ty  z \n"), (std::vector<std::string>{"x", "y", "z"}));
}

TEST(TextParsing, LongLinesAreReadWhole)
{
    const std::string name(5000, 'm');
    MemFile f("<MATERIALS>\n" + name + " 1\n</MATERIALS>\n");
    std::string line;
    ASSERT_TRUE(ReadLine(f.file, line));
    ASSERT_TRUE(ReadLine(f.file, line));
    EXPECT_EQ(line.size(), 5003u);
    EXPECT_EQ(SplitFields(line)[0], name);
}

TEST(TextParsing, StrictNumberConversion)
{
    EXPECT_EQ(ParseDouble("1.5e2"), 150.0);
    EXPECT_EQ(ParseDouble("-0.25"), -0.25);
    EXPECT_FALSE(ParseDouble("1.5x"));
    EXPECT_FALSE(ParseDouble("abc"));
    EXPECT_FALSE(ParseDouble("nan"));
    EXPECT_FALSE(ParseDouble(""));
    EXPECT_EQ(ParseInt("20000"), 20000);
    EXPECT_FALSE(ParseInt("20000.5"));
    EXPECT_FALSE(ParseInt("99999999999"));
    EXPECT_EQ(TruncateToInt(5.9), 5);
    EXPECT_EQ(TruncateToInt(-1.0), -1);
    EXPECT_EQ(TruncateToInt(1e30), 2147483647);
}
