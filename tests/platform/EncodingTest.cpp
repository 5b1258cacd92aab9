// Conversion between the library's CP1252 and UTF-8, and Windows-style name comparison.
#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::cp1252ToUtf8;
using platform::equalNoCase;
using platform::utf8ToCp1252;

TEST(Encoding, EveryAssignedByteRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue;
        std::string one(1, static_cast<char>(b));
        std::string utf = cp1252ToUtf8(one);
        EXPECT_EQ(utf.size() > 1, b >= 0x80) << b;
        EXPECT_EQ(utf8ToCp1252(utf), one) << "byte " << b;
    }
}

TEST(Encoding, KnownLetters) {
    EXPECT_EQ(cp1252ToUtf8("\xE5\xE4\xF6\xC5\xC4\xD6"),
              "\xC3\xA5\xC3\xA4\xC3\xB6\xC3\x85\xC3\x84\xC3\x96");
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(cp1252ToUtf8("\x81"), "\xEF\xBF\xBD"); // unassigned
    EXPECT_EQ(utf8ToCp1252("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?");          // no CP1252 byte
    EXPECT_EQ(utf8ToCp1252("G\xF6teborg"), "G\xF6teborg"); // already CP1252
    EXPECT_EQ(utf8ToCp1252("\xC3"), "\xC3");               // cut sequence kept as is
}

TEST(Encoding, NamesCompareWithoutCaseIncludingSwedishLetters) {
    EXPECT_TRUE(equalNoCase("b1.snd", "B1.SND"));
    EXPECT_TRUE(equalNoCase("\xE5\xE4\xF6", "\xC5\xC4\xD6"));
    EXPECT_TRUE(equalNoCase("\xE9", "\xC9"));
    EXPECT_FALSE(equalNoCase("\xF7", "\xD7")); // division and multiplication signs
    EXPECT_FALSE(equalNoCase("a", "ab"));
    EXPECT_FALSE(equalNoCase("a", "b"));
}

} // namespace
