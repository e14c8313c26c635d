// The options a fleet's administrator gives (fleet_options.cpp): from the
// profile, or from the package's one argument.
#include <gtest/gtest.h>

#include "installation.h"
#include "tools/ipp-source/fleet_options.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(std::vector<const char *> given)
{
    char storage[256];
    char *out[16];
    int count = SplitArguments((int)given.size(), const_cast<char **>(given.data()), storage,
                               sizeof storage, out, 16);
    if (count < 0)
        return {"<does not fit>"};
    return std::vector<std::string>(out, out + count);
}

TEST(Arguments, OneArgumentWithSpacesIsItsWords)
{
    typedef std::vector<std::string> Words;
    EXPECT_EQ(Words({"C:\\Program Files\\DadaViziIpp.exe", "--accept-self-signed",
                     "ipps://p/ipp/print"}),
              Split({"C:\\Program Files\\DadaViziIpp.exe", "--accept-self-signed ipps://p/ipp/print"}))
        << "the package's Run value";
    EXPECT_EQ(Words({"x", "--proxy", "proxy:8080", "ipp://p/"}),
              Split({"x", " --proxy\tproxy:8080  ipp://p/ "}));
    EXPECT_EQ(Words({"x", "--once", ""}), Split({"x", "--once", ""}));
    EXPECT_EQ(Words({"x"}), Split({"x", "   "})) << "blanks alone say nothing";
    std::string tooLong(300, 'a');
    EXPECT_EQ(Words({"<does not fit>"}), Split({"x", tooLong.c_str()}));
    EXPECT_EQ(Words({"<does not fit>"}), Split({"x", "a b c d e f g h i j k l m n o p q"}));
}

TEST(ProfileOptionsTest, UriProxyAndAcceptSelfSignedFromIppStatus)
{
    Installation install("Fleet");
    install.UseProfile("[IppStatus]\r\nUri= ipp://server:631/printers/floor2 \r\n"
                       "Proxy=proxy.example:3128\r\nAcceptSelfSigned=1\r\n");
    ProfileOptions options;
    ReadProfileOptions(&options);
    EXPECT_STREQ("ipp://server:631/printers/floor2", options.uri);
    EXPECT_STREQ("proxy.example:3128", options.proxy);
    EXPECT_TRUE(options.acceptSelfSigned);
    install.UseProfile("[IppStatus]\r\nAcceptSelfSigned=yes\r\n");
    ReadProfileOptions(&options);
    EXPECT_STREQ("", options.uri);
    EXPECT_STREQ("", options.proxy);
    EXPECT_FALSE(options.acceptSelfSigned) << "only 1 accepts";
}

}  // namespace
