// CString: formatting, trimming, searching, cutting, editing and comparing as the library
// uses them; and the conversion between CP1252 and UTF-8 with Windows name comparison.
#include "platform/CString.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string s(const CString& c) {
    return c.str();
}

TEST(CString, FormatTrimSearchCutEditCompare) {
    CString c;
    c.Format("%-15s|%4d-%02d-%02d|%.1f", "B1", 2005, 1, 2, 1.0);
    EXPECT_EQ(s(c), "B1             |2005-01-02|1.0");
    c.Format("%s", std::string(2000, 'x').c_str()); // longer than any fixed buffer
    c.Format("%s", static_cast<const char*>(c));    // from its own text
    EXPECT_EQ(c.GetLength(), 2000);
    c = "a";
    c.AppendFormat("-%d", 5);
    EXPECT_EQ(s(c), "a-5");
    EXPECT_EQ(s(CString(" \t B1 \r\n").TrimLeft()) + "|" + s(CString(" \t B1 \r\n").TrimRight()) +
                  "|" + s(CString("\"x\"\"").Trim('"')) + "|" +
                  s(CString("ab12").TrimRight("0123456789")) + "|" + s(CString("   ").Trim()),
              "B1 \r\n| \t B1|x|ab|");

    CString p("C:\\a\\b.dbs");
    EXPECT_EQ(std::vector<int>({p.Find('\\'), p.Find('\\', 3), p.Find("b.d"), p.Find("b.d", 6),
                                p.Find('a', 99), p.ReverseFind('\\'), p.ReverseFind('/'),
                                p.FindOneOf(".:")}),
              std::vector<int>({2, 4, 5, -1, -1, 4, -1, 1}));
    EXPECT_EQ(s(p.Left(2)) + s(p.Right(3)) + s(p.Mid(5)) + s(p.Mid(5, 1)), "C:dbsb.dbsb");
    EXPECT_EQ(s(p.Left(99)) + s(p.Right(99)), s(p) + s(p));
    EXPECT_EQ(s(p.Left(-1)) + s(p.Mid(50)), "");
    EXPECT_EQ(s(CString("990101abc").SpanIncluding("0123456789-")) + "|" +
                  s(CString("abc,d").SpanExcluding(",")),
              "990101|abc");

    c = "a-b-c";
    EXPECT_EQ(c.Replace('-', '+'), 2);
    EXPECT_EQ(c.Replace("+", "--"), 2);
    EXPECT_EQ(s(c), "a--b--c");
    EXPECT_EQ(c.Remove('-'), 4);
    EXPECT_EQ(c.Insert(1, "XY"), 5);
    EXPECT_EQ(c.Delete(1, 2), 3);
    EXPECT_EQ(c.Delete(2, 10), 2);
    c += '!';
    EXPECT_EQ(s("y" + c + "?"), "yab!?");
    EXPECT_EQ(CString("B1").Compare("B1"), 0);
    EXPECT_LT(CString("A").Compare("B"), 0);
    EXPECT_GT(CString("b").Compare("B"), 0);
    EXPECT_EQ(CString("harnplan.dbs").CompareNoCase("HARNPLAN.DBS"), 0);
    EXPECT_NE(CString("a").CompareNoCase("b"), 0);
    CString up("abcåz"_cp);
    EXPECT_EQ(s(up.MakeUpper()), "ABCåZ"_cp); // ASCII only
    EXPECT_EQ(s(up.MakeLower()), "abcåz"_cp);

    std::strcpy(c.GetBuffer(20), "1999-01-01");
    c.ReleaseBuffer();
    EXPECT_EQ(s(c), "1999-01-01");
    c.GetBuffer(0)[4] = 0;
    c.ReleaseBuffer();
    EXPECT_EQ(s(c), "1999");
    c.ReleaseBuffer(2);
    EXPECT_EQ(s(c) + s(CString("abcdef", 3)) + s(CString('*', 3)), "19abc***");
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(Encoding, Cp1252AndUtf8AndNamesWithoutCase) {
    using namespace platform;
    for (int b = 1; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue; // unassigned
        EXPECT_EQ(cp1252ToUtf8(one).size() > 1, b >= 0x80) << b;
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(cp1252ToUtf8("a\xE5\xC4\x80\x81"), "a\xC3\xA5\xC3\x84\xE2\x82\xAC\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?");                  // no CP1252 byte
    EXPECT_EQ(utf8ToCp1252("G\xF6teborg\xC3"), "G\xF6teborg\xC3"); // not UTF-8: kept
    EXPECT_TRUE(equalNoCase("b1.snd", "B1.SND"));
    EXPECT_TRUE(equalNoCase("\xE5\xE4\xF6\xE9", "\xC5\xC4\xD6\xC9"));
    EXPECT_FALSE(equalNoCase("\xF7", "\xD7")); // division and multiplication signs
    EXPECT_FALSE(equalNoCase("a", "ab"));
}

} // namespace
