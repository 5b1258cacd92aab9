// CString: formatting, trimming, searching, cutting and comparing as the library uses them.
#include "platform/CString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string s(const CString& c) {
    return c.str();
}

TEST(CString, FormatsLikePrintf) {
    CString c;
    c.Format("%s%s%s%s%s.SND", "C:\\p", "\\", "HARNDB", "\\", "B1");
    EXPECT_EQ(s(c), "C:\\p\\HARNDB\\B1.SND");
    c.Format("%-15s|%4d-%02d-%02d|%.1f", "B1", 2005, 1, 2, 1.0);
    EXPECT_EQ(s(c), "B1             |2005-01-02|1.0");
    c.Format("%s", std::string(2000, 'x').c_str()); // longer than any fixed buffer
    EXPECT_EQ(c.GetLength(), 2000);
    c.Format("%s", static_cast<const char*>(c)); // formatting from its own text
    EXPECT_EQ(c.GetLength(), 2000);
    c = "a";
    c.AppendFormat("-%d", 5);
    EXPECT_EQ(s(c), "a-5");
}

TEST(CString, TrimsWhiteSpaceOrGivenCharacters) {
    CString c(" \t B1 \r\n");
    EXPECT_EQ(s(CString(c).Trim()), "B1");
    EXPECT_EQ(s(CString(c).TrimLeft()), "B1 \r\n");
    EXPECT_EQ(s(CString(c).TrimRight()), " \t B1");
    EXPECT_EQ(s(CString("\"x\"\"").Trim('"')), "x");
    EXPECT_EQ(s(CString("--x-").TrimLeft('-')), "x-");
    EXPECT_EQ(s(CString("ab12").TrimRight("0123456789")), "ab");
    EXPECT_EQ(s(CString("   ").Trim()), "");
    EXPECT_EQ(s(CString("").Trim()), "");
}

TEST(CString, SearchesAndCuts) {
    CString c("C:\\a\\b.dbs");
    EXPECT_EQ(c.Find('\\'), 2);
    EXPECT_EQ(c.Find('\\', 3), 4);
    EXPECT_EQ(c.Find('z'), -1);
    EXPECT_EQ(c.Find("b.d"), 5);
    EXPECT_EQ(c.Find("b.d", 6), -1);
    EXPECT_EQ(c.Find('a', 99), -1);
    EXPECT_EQ(c.ReverseFind('\\'), 4);
    EXPECT_EQ(c.ReverseFind('/'), -1);
    EXPECT_EQ(c.FindOneOf(".:"), 1);
    EXPECT_EQ(s(c.Left(2)), "C:");
    EXPECT_EQ(s(c.Left(99)), s(c));
    EXPECT_EQ(s(c.Left(-1)), "");
    EXPECT_EQ(s(c.Right(3)), "dbs");
    EXPECT_EQ(s(c.Right(99)), s(c));
    EXPECT_EQ(s(c.Mid(5)), "b.dbs");
    EXPECT_EQ(s(c.Mid(5, 1)), "b");
    EXPECT_EQ(s(c.Mid(50)), "");
    EXPECT_EQ(s(CString("990101abc").SpanIncluding("0123456789-")), "990101");
    EXPECT_EQ(s(CString("abc,d").SpanExcluding(",")), "abc");
}

TEST(CString, ComparesWithAndWithoutCase) {
    EXPECT_EQ(CString("B1").Compare("B1"), 0);
    EXPECT_LT(CString("A").Compare("B"), 0);
    EXPECT_GT(CString("b").Compare("B"), 0);
    EXPECT_EQ(CString("harnplan.dbs").CompareNoCase("HARNPLAN.DBS"), 0);
    EXPECT_NE(CString("a").CompareNoCase("b"), 0);
    EXPECT_TRUE(CString("x") == "x");
    EXPECT_TRUE(CString("x") != CString("y"));
    CString up("abcåz");
    EXPECT_EQ(s(up.MakeUpper()), "ABCåZ"); // ASCII only
    EXPECT_EQ(s(up.MakeLower()), "abcåz");
}

TEST(CString, EditsInPlace) {
    CString c("a-b-c");
    EXPECT_EQ(c.Replace('-', '+'), 2);
    EXPECT_EQ(s(c), "a+b+c");
    EXPECT_EQ(c.Replace("+", "--"), 2);
    EXPECT_EQ(s(c), "a--b--c");
    EXPECT_EQ(c.Remove('-'), 4);
    EXPECT_EQ(s(c), "abc");
    EXPECT_EQ(c.Insert(1, "XY"), 5);
    EXPECT_EQ(s(c), "aXYbc");
    EXPECT_EQ(c.Delete(1, 2), 3);
    EXPECT_EQ(c.Delete(2, 10), 2);
    EXPECT_EQ(s(c), "ab");
    c += '!';
    c += "?";
    EXPECT_EQ(s(c + "x"), "ab!?x");
    EXPECT_EQ(s("y" + c), "yab!?");
    c.Empty();
    EXPECT_TRUE(c.IsEmpty());
}

TEST(CString, BufferRoundTrip) {
    CString c;
    char* p = c.GetBuffer(20);
    std::strcpy(p, "1999-01-01");
    c.ReleaseBuffer();
    EXPECT_EQ(s(c), "1999-01-01");
    p = c.GetBuffer(0);
    p[4] = 0;
    c.ReleaseBuffer();
    EXPECT_EQ(s(c), "1999");
    c.GetBuffer(10);
    c.ReleaseBuffer(2);
    EXPECT_EQ(s(c), "19");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)).GetLength(), 0);
    EXPECT_EQ(s(CString("abcdef", 3)), "abc");
    EXPECT_EQ(s(CString('*', 3)), "***");
}

} // namespace
