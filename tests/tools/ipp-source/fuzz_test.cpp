// 100,000 mutated printer answers for the IPP reader: truncated, with
// oversized lengths, unknown tags and deep collections. Each one is placed
// so that it ends right at an inaccessible page: a read past its end
// faults at once instead of going unnoticed.
#include <gtest/gtest.h>

#include "ipp_messages.h"
#include "tools/ipp-source/ipp.h"
#include "tools/ipp-source/multipart.h"
#include "tools/ipp-source/status.h"
#include "tools/ipp-source/uri.h"

#include <random>
#include <string>
#include <vector>

namespace {

const size_t ARENA = 256 * 1024;

// Memory whose last byte is followed by a PAGE_NOACCESS page.
class GuardedArena {
public:
    GuardedArena()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page = info.dwPageSize;
        base = static_cast<unsigned char *>(
            VirtualAlloc(NULL, ARENA + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base)
            VirtualProtect(base + ARENA, page, PAGE_NOACCESS, &old);
    }
    ~GuardedArena()
    {
        if (base)
            VirtualFree(base, 0, MEM_RELEASE);
    }
    // The bytes, copied to end where the guard page begins.
    const unsigned char *Place(const std::string &bytes)
    {
        unsigned char *at = base + ARENA - bytes.size();
        memcpy(at, bytes.data(), bytes.size());
        return at;
    }
    unsigned char *base;
    DWORD page;
};

// Offsets where a two-byte length could be: after every tag byte.
std::string Mutate(std::string bytes, std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(0, 6);
    int mutations = 1 + static_cast<int>(random() % 4);
    for (int step = 0; step < mutations && !bytes.empty(); ++step) {
        size_t at = random() % bytes.size();
        switch (pick(random)) {
        case 0:  // truncated
            bytes.resize(at);
            break;
        case 1:  // flipped bits
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
            break;
        case 2:  // an oversized (or any) length
            if (at + 1 < bytes.size()) {
                static const unsigned short lengths[] = {0xFFFF, 0x8000, 0x7FFF, 0x1000, 0, 1};
                unsigned short length = lengths[random() % 6];
                bytes[at] = static_cast<char>(length >> 8);
                bytes[at + 1] = static_cast<char>(length & 0xFF);
            }
            break;
        case 3:  // an unknown (or any) tag
            bytes[at] = static_cast<char>(random() % 256);
            break;
        case 4: {  // a run of nested collections, or stray ends of them
            std::string run;
            int depth = 1 + static_cast<int>(random() % 40);
            bool closed = random() % 2 == 0;
            for (int level = 0; level < depth; ++level)
                run += level == 0 ? std::string("\x34\x00\x01x\x00\x00", 6)
                                  : std::string("\x4A\x00\x00\x00\x01m\x34\x00\x00\x00\x00", 11);
            for (int level = 0; closed && level < depth; ++level)
                run += std::string("\x37\x00\x00\x00\x00", 5);
            bytes.insert(at, run);
            break;
        }
        case 5: {  // a slice repeated elsewhere
            size_t from = random() % bytes.size();
            size_t length = random() % 64;
            bytes.insert(at, bytes.substr(from, length));
            break;
        }
        default:  // random bytes
            for (int count = static_cast<int>(random() % 16); count > 0; --count)
                bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<char>(random()));
            break;
        }
        if (bytes.size() > ARENA)
            bytes.resize(ARENA);
    }
    return bytes;
}

bool Terminated(const char *text, size_t size)
{
    return memchr(text, '\0', size) != nullptr;
}

TEST(IppFuzz, HundredThousandMutatedAnswersNeitherCrashNorReadPastTheirEnd)
{
    GuardedArena arena;
    ASSERT_TRUE(arena.base != NULL);
    ASSERT_TRUE(IsBadReadPtr(arena.base + ARENA, 1)) << "the guard page must be unreadable";
    std::vector<std::string> seeds = AnswerSeeds();
    std::mt19937 random(20261208);
    int parsed = 0, refused = 0;
    static ipp::PrinterStatus status;
    static StatusReport report;
    for (int round = 0; round < 100000; ++round) {
        std::string bytes = Mutate(seeds[round % seeds.size()], random);
        const unsigned char *data = arena.Place(bytes);
        if (ipp::ParseResponse(data, bytes.size(), &status)) {
            ++parsed;
            // Whatever got through stays within its fields and maps.
            ASSERT_LE(status.reasonCount, ipp::MAX_REASONS);
            ASSERT_LE(status.markerCount, ipp::MAX_MARKERS);
            ASSERT_LE(status.markerLevelCount, ipp::MAX_MARKERS);
            ASSERT_TRUE(Terminated(status.message, sizeof status.message));
            for (int index = 0; index < status.reasonCount; ++index)
                ASSERT_TRUE(Terminated(status.reasons[index], ipp::KEYWORD_SIZE));
            MapPrinterStatus(status, "ipp://fuzz/", [](const char *, int fallback) {
                return fallback;
            }, &report);
            ASSERT_LT(strlen(report.text), static_cast<size_t>(DETAIL_SIZE));
            ASSERT_LT(strlen(report.reasons), static_cast<size_t>(DETAIL_SIZE));
        } else {
            ++refused;
        }
    }
    // Both outcomes are exercised, or the mutations are too tame or too wild.
    EXPECT_GT(parsed, 5000);
    EXPECT_GT(refused, 5000);
    std::cout << parsed << " parsed, " << refused << " refused\n";
}

// Texts shorter than the tokens they are compared with, ending right at the
// guard page: the compare stops at their terminator (it once read on for
// the token's length, and under Wine a URI "x" there faulted).
TEST(IppFuzz, ShortTextsAtAPageEndAreNotReadPast)
{
    GuardedArena arena;
    ASSERT_TRUE(arena.base != NULL);
    static PrinterUri uri;
    char boundary[80];
    for (const char *text : {"", "x", "i", "ipp:/", "IPPS:", "http", "m", "multipart",
                             "multipart/related; bound"}) {
        const char *placed =
            reinterpret_cast<const char *>(arena.Place(std::string(text) + '\0'));
        EXPECT_FALSE(ParsePrinterUri(placed, &uri)) << text;
        EXPECT_FALSE(MultipartBoundary(placed, boundary, sizeof boundary)) << text;
    }
    // Tokens in any case, ASCII only, whatever the system's locale.
    EXPECT_TRUE(ParsePrinterUri(reinterpret_cast<const char *>(arena.Place(
                                    std::string("IPP://printer/ipp/print") + '\0')),
                                &uri));
    EXPECT_STREQ("ipp://printer/ipp/print", uri.uri);
    EXPECT_FALSE(ParsePrinterUri("\xC4\xB0PP://printer/", &uri)) << "a dotted capital I is no I";
}

}  // namespace
