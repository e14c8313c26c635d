// The language the printer is asked in (language.cpp).
#include <gtest/gtest.h>

#include "tools/ipp-source/language.h"

namespace {

TEST(Language, TheUsersDisplayLanguageAsATag)
{
    char tag[16];
    LanguageTag(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), tag, sizeof tag);
    EXPECT_STREQ("de-de", tag);
    LanguageTag(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), tag, sizeof tag);
    EXPECT_STREQ("en-us", tag);
    LanguageTag(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), tag, sizeof tag);
    EXPECT_STREQ("fr-ca", tag);
    LanguageTag(0, tag, sizeof tag);
    EXPECT_STREQ("en", tag) << "none: English";
    LanguageTag(0x03ff, tag, sizeof tag);
    EXPECT_STREQ("en", tag) << "one Windows cannot name: English";
}

}  // namespace
