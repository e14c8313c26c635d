// The transport's rules that need no connection (http_rules.cpp): the TLS
// versions named on each Windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

#include "tools/ipp-source/http.h"

namespace {

TEST(HttpRules, TlsVersionsAreNamedOnlyBelowWindows81)
{
    const DWORD upTo12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                         WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    // Windows major, minor, the flags named (0: the system's default)
    static const struct {
        DWORD major, minor, protocols;
    } rows[] = {{5, 1, upTo12}, {5, 2, upTo12}, {6, 0, upTo12}, {6, 1, upTo12},
                {6, 2, upTo12}, {6, 3, 0},      {10, 0, 0},     {0, 0, 0}};
    for (const auto &row : rows)
        EXPECT_EQ(row.protocols, SecureProtocolsFor(row.major, row.minor))
            << row.major << "." << row.minor;
}

}  // namespace
