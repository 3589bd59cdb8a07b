#include "util/TextParsing.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(TextParsing, LinesKeepTheirLineFeedAndLoseACarriageReturn)
{
    const std::string name(5000, 'm'); // longer than any fixed buffer
    MemFile f("a b\r\nc\n\n" + name + " 1\nlast");
    std::string line;
    std::vector<std::string> lines;
    while (ReadLine(f.file, line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a b\n", "c\n", "\n", name + " 1\n", "last"}));
    EXPECT_EQ(SplitFields(" x\ty  z \n"), (std::vector<std::string>{"x", "y", "z"}));
}

TEST(TextParsing, StrictNumberConversion)
{
    EXPECT_EQ(ParseDouble("1.5e2"), 150.0);
    EXPECT_EQ(ParseDouble("-0.25"), -0.25);
    for (const char* bad : {"1.5x", "abc", "nan", ""}) {
        EXPECT_FALSE(ParseDouble(bad)) << bad;
    }
    EXPECT_EQ(ParseInt("20000"), 20000);
    EXPECT_FALSE(ParseInt("20000.5"));
    EXPECT_FALSE(ParseInt("99999999999"));
    EXPECT_EQ(TruncateToInt(5.9), 5);
    EXPECT_EQ(TruncateToInt(-1.0), -1);
    EXPECT_EQ(TruncateToInt(1e30), 2147483647);
}
