// The printer certificates kept on first use (pinning.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include "tools/ipp-source/pinning.h"

#include <string.h>

#include <string>

namespace {

TEST(PrinterCertificates, TheFirstIsKeptAndOnlyThatOneAccepted)
{
    // FIPS 180-2's example: SHA-256 of "abc".
    char print[FINGERPRINT_SIZE];
    ASSERT_TRUE(Fingerprint(reinterpret_cast<const BYTE *>("abc"), 3, print));
    EXPECT_STREQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", print);

    const char *uri = "ipps://192.0.2.9:631/ipp/print";
    const char *other = "ipps://192.0.2.10:631/ipp/print";
    std::string first(64, 'a'), second(64, 'b');
    ForgetPin(uri);
    ForgetPin(other);
    char kept[FINGERPRINT_SIZE];
    // URI, fingerprint shown, what the check says, the fingerprint reported as kept
    static const struct {
        const char *uri;
        const std::string *shown;
        PinCheck check;
        const char *kept;
    } rows[] = {
        {uri, &first, PIN_KEPT, ""},          {uri, &first, PIN_MATCHES, ""},
        {uri, &second, PIN_CHANGED, "aaaa"},  {uri, &first, PIN_MATCHES, ""},
        {other, &second, PIN_KEPT, ""},       {other, &second, PIN_MATCHES, ""},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.check, CheckPin(row.uri, row.shown->c_str(), kept)) << row.uri;
        EXPECT_EQ(0, strncmp(row.kept, kept, strlen(row.kept))) << kept;
    }
    EXPECT_EQ(ERROR_SUCCESS, ForgetPin(uri));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ForgetPin(uri));
    EXPECT_EQ(PIN_KEPT, CheckPin(uri, second.c_str(), kept)) << "a new one after forgetting";

    // A value that is no fingerprint trusts nothing and is left as it is.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, PRINTER_CERTIFICATES_KEY, 0, NULL,
                                             0, KEY_SET_VALUE, NULL, &key, NULL));
    RegSetValueExA(key, uri, 0, REG_SZ, reinterpret_cast<const BYTE *>("trust me"), 9);
    RegCloseKey(key);
    EXPECT_EQ(PIN_CHANGED, CheckPin(uri, second.c_str(), kept));
    EXPECT_EQ(PIN_CHANGED, CheckPin(uri, second.c_str(), kept)) << "overwritten";
    ForgetPin(uri);
    ForgetPin(other);
}

}  // namespace
