// The bounded formatting, the decimal conversion and the tokenizer the
// registry and help code rely on.
#include <gtest/gtest.h>

#include "app/text.h"

#include <string.h>

#include <string>

namespace {

TEST(ParseDecimal, ConvertsLikeTheStandardConversionWithWrapAround)
{
    const struct {
        const char *text;
        LONG value;
    } cases[] = {
        {"40021", 40021},      {" 40021", 40021},
        {" \t\n\v\f\r7", 7},   {"+5", 5},
        {"-5", -5},            {"12ab", 12},
        {"ab12", 0},           {"", 0},
        {"+-5", 0},            {"- 5", 0},
        {"0x1F", 0},           {"010", 10},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -2147483647 - 1},
        {"4294967295", -1},    {"4294967296", 0},
        {"4294967297", 1},     {"-4294967297", -1},
    };
    for (const auto &row : cases)
        EXPECT_EQ(row.value, ParseDecimal(row.text)) << "'" << row.text << "'";
}

TEST(FormatBounded, FillsOnlyWhatFitsAndLeavesTheRestEmpty)
{
    char out[8];
    EXPECT_TRUE(FormatBounded(out, sizeof out, "%s-%d", "ab", 1234));
    EXPECT_STREQ("ab-1234", out);

    // Sentinels after the buffer prove nothing is written past it.
    char guarded[16];
    memset(guarded, '#', sizeof guarded);
    EXPECT_FALSE(FormatBounded(guarded, 8, "%s", "12345678"));
    EXPECT_STREQ("", guarded);
    EXPECT_EQ(std::string(8, '#'), std::string(guarded + 8, 8));

    const std::string huge(2000, 'h');
    EXPECT_FALSE(FormatBounded(guarded, 8, "%s", huge.c_str()));
    EXPECT_STREQ("", guarded);
}

TEST(NextToken, SplitsLikeTheStandardTokenizerOnACursor)
{
    char text[] = ",,Deutsch,49:extra";
    char *cursor = text;
    EXPECT_STREQ("Deutsch", NextToken(cursor, ","));
    EXPECT_STREQ("49", NextToken(cursor, ",:"));
    EXPECT_STREQ("extra", NextToken(cursor, ",:"));
    EXPECT_EQ(nullptr, NextToken(cursor, ",:"));

    char onlyDelimiters[] = ",,,";
    cursor = onlyDelimiters;
    EXPECT_EQ(nullptr, NextToken(cursor, ","));
}

}  // namespace
