// The printer URI rules (uri.cpp): what a URI may be, and which printers
// are reached past the proxy.
#include <gtest/gtest.h>

#include "tools/ipp-source/uri.h"

#include <string>

namespace {

TEST(PrinterUri, TakesIppIppsHttpAndIPv6UrisAndRefusesTheRest)
{
    PrinterUri uri;
    ASSERT_TRUE(ParsePrinterUri("ipp://printer.example/ipp/print", &uri));
    EXPECT_EQ(std::wstring(L"printer.example"), uri.host);
    EXPECT_EQ(631, uri.port);
    EXPECT_EQ(std::wstring(L"/ipp/print"), uri.path);
    EXPECT_FALSE(uri.secure);

    ASSERT_TRUE(ParsePrinterUri("IPPS://10.0.0.5:8631", &uri));
    EXPECT_TRUE(uri.secure);
    EXPECT_EQ(8631, uri.port);
    EXPECT_EQ(std::wstring(L"/"), uri.path);

    ASSERT_TRUE(ParsePrinterUri("http://[::1]:631/printers/jam", &uri));
    EXPECT_EQ(std::wstring(L"[::1]"), uri.host);
    EXPECT_STREQ("ipp://[::1]:631/printers/jam", uri.uri) << "the attribute names IPP";
    ASSERT_TRUE(ParsePrinterUri("https://host/p", &uri));
    EXPECT_EQ(443, uri.port);
    EXPECT_STREQ("ipps://host/p", uri.uri);

    for (const char *wrong :
         {"", "ftp://host/", "ipp://", "ipp:///p", "ipp://host:0/", "ipp://host:65536/",
          "ipp://host:/p", "ipp://host:12x/", "ipp://ho st/", "ipp://[::1/p", "ipp://[]/",
          "ipp://[fe80::1%25eth0]/", "ipp://[v1.x]/",
          "ipp://user@host/", "ipp://host/a b", "printer"})
        EXPECT_FALSE(ParsePrinterUri(wrong, &uri)) << wrong;
    std::string longUri = "ipp://host/" + std::string(URI_SIZE, 'p');
    EXPECT_FALSE(ParsePrinterUri(longUri.c_str(), &uri));
}

TEST(PrinterUri, LanPrintersGoDirectUnlessAProxyIsGiven)
{
    // host, direct with the machine's proxy, direct with --proxy
    static const struct {
        const wchar_t *host;
        bool direct, directWithProxy;
    } rows[] = {
        {L"localhost", true, true},          {L"LocalHost.", true, true},
        {L"127.0.0.1", true, true},          {L"127.200.0.9", true, true},
        {L"[::1]", true, true},              {L"[0:0:0:0:0:0:0:1]", true, true},
        {L"laser", true, true},              {L"laser.", true, true},
        {L"10.0.0.5", true, false},          {L"172.16.0.1", true, false},
        {L"172.31.255.255", true, false},    {L"192.168.1.20", true, false},
        {L"169.254.7.7", true, false},       {L"laser.local", true, false},
        {L"LASER.LOCAL.", true, false},      {L"[fc00::5]", true, false},
        {L"[fdab:1::2]", true, false},       {L"[fe80::1]", true, false},
        {L"[febf::1]", true, false},         {L"[::ffff:192.168.0.1]", true, false},
        {L"[::ffff:127.0.0.1]", true, true}, {L"172.15.0.1", false, false},
        {L"172.32.0.1", false, false},       {L"192.169.0.1", false, false},
        {L"169.253.0.1", false, false},      {L"8.8.8.8", false, false},
        {L"10.0.0", false, false},           {L"10.0.0.256", false, false},
        {L"printer.example", false, false},  {L"local", true, true},
        {L"printer.localhost", false, false}, {L"mylocal.example", false, false},
        {L"[fec0::1]", false, false},        {L"[2001:db8::7]", false, false},
        {L"[::2]", false, false},            {L"[fe80:::1]", false, false},
        {L"[1:2:3:4:5:6:7:8:9]", false, false}, {L"", false, false},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.direct, GoesDirect(row.host, false)) << row.host;
        EXPECT_EQ(row.directWithProxy, GoesDirect(row.host, true)) << row.host << " with --proxy";
    }
}

}  // namespace
