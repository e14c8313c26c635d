// Splitting an Event Wait Mode answer (multipart/related) into its parts as
// the bytes arrive: every way the bytes can be cut into reads gives the
// same parts, and nothing is read past the buffer.
#include <gtest/gtest.h>

#include "tools/ipp-source/multipart.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(Multipart, TheBoundaryOfTheContentType)
{
    struct Case {
        const char *type;
        const char *boundary;  // nullptr: none
    };
    const Case cases[] = {
        {"multipart/related; boundary=\"PART\"", "PART"},
        {"Multipart/Related;type=\"application/ipp\";BOUNDARY=xyz; start=a", "xyz"},
        {"multipart/related; boundary=a b", "a"},
        {"application/ipp", nullptr},
        {"multipart/related", nullptr},
        {"multipart/related; boundary=\"\"", nullptr},
        {"multipart/related; boundary=", nullptr},
        {"", nullptr},
    };
    for (const Case &test : cases) {
        char boundary[80] = "";
        bool found = MultipartBoundary(test.type, boundary, sizeof boundary);
        EXPECT_EQ(test.boundary != nullptr, found) << test.type;
        if (test.boundary && found) {
            EXPECT_STREQ(test.boundary, boundary) << test.type;
        }
    }
    std::string longest = "multipart/related; boundary=" + std::string(70, 'b');
    char boundary[80];
    EXPECT_TRUE(MultipartBoundary(longest.c_str(), boundary, sizeof boundary));
    EXPECT_FALSE(MultipartBoundary((longest + "b").c_str(), boundary, sizeof boundary))
        << "longer than MIME allows";
    char tiny[4];
    EXPECT_FALSE(MultipartBoundary("multipart/related; boundary=abcd", tiny, sizeof tiny));
}

// The parts a splitter gives when `body` arrives `step` bytes at a time.
std::vector<std::string> Split(const std::string &body, size_t step, bool *ended,
                               DWORD capacity = 4096)
{
    std::vector<unsigned char> buffer(capacity);
    PartSplitter splitter("PART", buffer.data(), capacity);
    std::vector<std::string> parts;
    for (size_t at = 0; at < body.size() || step == 0;) {
        const unsigned char *part;
        DWORD length;
        while (splitter.NextPart(&part, &length))
            parts.push_back(std::string(reinterpret_cast<const char *>(part), length));
        if (step == 0 || splitter.RoomSize() == 0)
            break;
        size_t count = std::min<size_t>({step, body.size() - at, splitter.RoomSize()});
        memcpy(splitter.Room(), body.data() + at, count);
        splitter.Added(static_cast<DWORD>(count));
        at += count;
    }
    const unsigned char *part;
    DWORD length;
    while (splitter.NextPart(&part, &length))
        parts.push_back(std::string(reinterpret_cast<const char *>(part), length));
    *ended = splitter.Ended();
    return parts;
}

TEST(Multipart, PartsArriveWholeHoweverTheBytesAreCut)
{
    const std::string body =
        "preamble to ignore\r\n"
        "--PART\r\nContent-Type: application/ipp\r\n\r\nfirst\r\n-- PART is no delimiter\r\n"
        "--PART\r\n\r\nsecond, without headers\r\n"
        "--PART\r\nContent-Type: application/ipp\r\n\r\n\r\n"
        "--PART--\r\nepilogue";
    const std::vector<std::string> expected = {"first\r\n-- PART is no delimiter",
                                               "second, without headers", ""};
    for (size_t step = 1; step <= body.size(); ++step) {
        bool ended = false;
        EXPECT_EQ(expected, Split(body, step, &ended)) << "reads of " << step << " bytes";
        EXPECT_TRUE(ended) << "reads of " << step << " bytes";
    }

    // A part is handed on only when the next delimiter has come.
    bool ended = true;
    EXPECT_EQ(std::vector<std::string>(),
              Split("--PART\r\n\r\nheld back until its end is seen", 5, &ended));
    EXPECT_FALSE(ended);
    EXPECT_EQ(std::vector<std::string>({"one"}),
              Split("--PART\r\n\r\none\r\n--PART\r\n\r\ntwo, still open", 7, &ended));
    EXPECT_FALSE(ended);
}

TEST(Multipart, APartLargerThanTheBufferFillsItAndNothingMore)
{
    std::string body = "--PART\r\n\r\n" + std::string(1000, 'x') + "\r\n--PART--\r\n";
    bool ended = true;
    EXPECT_TRUE(Split(body, 64, &ended, 256).empty());
    EXPECT_FALSE(ended);
    // A long preamble without a delimiter keeps only what may start one.
    EXPECT_EQ(
        std::vector<std::string>({"after"}),
        Split(std::string(5000, 'p') + "\r\n--PART\r\n\r\nafter\r\n--PART--", 100, &ended, 256));
    EXPECT_TRUE(ended);
}

TEST(Multipart, AnOpenPartTakenEarlyIsNotHandedOnAgain)
{
    std::vector<unsigned char> buffer(256);
    PartSplitter splitter("PART", buffer.data(), 256);
    auto add = [&](const std::string &text) {
        memcpy(splitter.Room(), text.data(), text.size());
        splitter.Added(static_cast<DWORD>(text.size()));
    };
    auto text = [](const unsigned char *body, DWORD length) {
        return std::string(reinterpret_cast<const char *>(body), length);
    };
    const unsigned char *body;
    DWORD length;
    add("--PART\r\nContent-Type: application/ipp\r\n");
    EXPECT_FALSE(splitter.OpenPart(&body, &length)) << "its headers have not all come";
    add("\r\nfirst");
    EXPECT_FALSE(splitter.NextPart(&body, &length));
    ASSERT_TRUE(splitter.OpenPart(&body, &length));
    EXPECT_EQ("first", text(body, length));
    splitter.TakeOpenPart();
    EXPECT_FALSE(splitter.OpenPart(&body, &length)) << "taken";
    add("\r\n--PART\r\n\r\nsecond\r\n--PART--\r\n");
    ASSERT_TRUE(splitter.NextPart(&body, &length));
    EXPECT_EQ("second", text(body, length)) << "the first is not handed on again";
    EXPECT_FALSE(splitter.NextPart(&body, &length));
    EXPECT_TRUE(splitter.Ended());
    EXPECT_FALSE(splitter.OpenPart(&body, &length));
}

}  // namespace
