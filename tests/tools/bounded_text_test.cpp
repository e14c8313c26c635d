// The tools' bounded copies (tools/common/bounded_text.h): what fits is
// copied with its terminator, and nothing is written past the capacity.
#include <gtest/gtest.h>

#include "tools/common/bounded_text.h"

#include <string>

namespace {

TEST(BoundedText, CopyWholeCopiesAllOrLeavesTheBufferAsItWas)
{
    // text, length, capacity, copied
    static const struct {
        const char *text;
        size_t length, capacity;
        bool copied;
    } rows[] = {
        {"abc", 3, 4, true}, {"abc", 3, 3, false}, {"abc", 2, 3, true},
        {"", 0, 1, true},    {"", 0, 0, false},    {"abc", 3, 0, false},
    };
    for (const auto &row : rows) {
        char out[8];
        memset(out, 0x5A, sizeof out);
        EXPECT_EQ(row.copied, CopyWhole(out, row.capacity, row.text, row.length)) << row.text;
        if (row.copied)
            EXPECT_EQ(std::string(row.text, row.length), out);
        else
            EXPECT_EQ(0x5A, out[0]) << "untouched";
        for (size_t index = row.capacity; index < sizeof out; ++index)
            EXPECT_EQ(0x5A, out[index]) << "written past the capacity at " << index;
    }
}

TEST(BoundedText, CopyCutKeepsWhatFitsAndEndsAtANul)
{
    // text, length, capacity, what is copied
    static const struct {
        const char *text;
        size_t length, capacity;
        const char *copied;
    } rows[] = {
        {"abcdef", 6, 4, "abc"}, {"abc", 3, 4, "abc"}, {"ab\0cd", 5, 8, "ab"},
        {"abc", 3, 1, ""},       {"abc", 0, 4, ""},
    };
    for (const auto &row : rows) {
        char out[8];
        memset(out, 0x5A, sizeof out);
        EXPECT_EQ(strlen(row.copied), CopyCut(out, row.capacity, row.text, row.length));
        EXPECT_STREQ(row.copied, out);
        for (size_t index = row.capacity; index < sizeof out; ++index)
            EXPECT_EQ(0x5A, out[index]) << "written past the capacity at " << index;
    }
    char none = 0x5A;
    EXPECT_EQ(0u, CopyCut(&none, 0, "abc"));
    EXPECT_EQ(0x5A, none) << "a capacity of 0 writes nothing";
}

}  // namespace
