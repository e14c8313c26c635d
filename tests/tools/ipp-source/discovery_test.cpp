// Finding the printer URI from the settings value "Printer" through the
// spooler's port for it: URL ports, Wine's CUPS ports and standard TCP/IP
// ports, and a plain reason when there is none.
#include <gtest/gtest.h>

#include "registry/settings.h"
#include "testing.h"
#include "tools/ipp-source/discovery.h"
#include "tools/ipp-source/uri.h"

#include <string>

namespace {

const char PRINTER_NAME[] = "DadaVizi Spooler Test";
const char TCP_PORT_PATH[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\"
    "IP_192.0.2.7";

class Spooler : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, TCP_PORT_PATH);
    }

    // The URI found for the port, or "why: <reason>".
    static std::string Found(const char *port)
    {
        char uri[URI_SIZE], why[600];
        if (UriFromPort(port, uri, sizeof uri, why, sizeof why))
            return uri;
        return std::string("why: ") + why;
    }
};

TEST_F(Spooler, EachKindOfPortGivesItsUri)
{
    EXPECT_EQ("http://192.0.2.7:631/ipp/print", Found("http://192.0.2.7:631/ipp/print"));
    EXPECT_EQ("ipp://localhost:631/printers/Office_Laser", Found("CUPS:Office_Laser"));

    // A standard TCP/IP port's host name, else its address; IPv6 bracketed.
    static const struct {
        const char *hostName, *address, *uri;
    } rows[] = {
        {"", "192.0.2.7", "ipp://192.0.2.7/ipp/print"},
        {"laser.example", "192.0.2.7", "ipp://laser.example/ipp/print"},
        {"", "2001:db8::7", "ipp://[2001:db8::7]/ipp/print"},
        {"", "::ffff:192.0.2.7", "ipp://[::ffff:192.0.2.7]/ipp/print"},
        {"[2001:db8::8]", "", "ipp://[2001:db8::8]/ipp/print"},
    };
    for (const auto &row : rows) {
        SetRegString(TCP_PORT_PATH, "HostName", row.hostName);
        SetRegString(TCP_PORT_PATH, "IPAddress", row.address);
        std::string found = Found("IP_192.0.2.7");
        EXPECT_EQ(row.uri, found);
        PrinterUri uri;
        EXPECT_TRUE(ParsePrinterUri(found.c_str(), &uri)) << found;
    }
}

TEST_F(Spooler, WithoutAUsablePortOrPrinterItSaysWhy)
{
    for (const char *port :
         {"LPT1:", "IP_192.0.2.7", "CUPS:", "WSD-4f2b9c1e-0a51-4c6e-9a1d-3b7e2f0c8d11"}) {
        std::string found = Found(port);
        EXPECT_EQ(0u, found.find("why: ")) << found;
    }
    std::string found = Found("LPT1:");
    EXPECT_NE(std::string::npos, found.find("\"LPT1:\"")) << found;
    EXPECT_NE(std::string::npos, found.find("give the printer URI")) << found;

    // Wine's spooler opens no printer without an installed driver, so only
    // its refusal is seen here.
    char uri[URI_SIZE], why[600];
    SetRegString(SETTINGS_KEY, "Printer", PRINTER_NAME);
    EXPECT_FALSE(FindPrinterUri(uri, sizeof uri, why, sizeof why));
    EXPECT_NE(std::string::npos, std::string(why).find(PRINTER_NAME)) << why;
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    EXPECT_FALSE(FindPrinterUri(uri, sizeof uri, why, sizeof why));
    EXPECT_NE(std::string::npos, std::string(why).find("\"Printer\"")) << why;
}

}  // namespace
