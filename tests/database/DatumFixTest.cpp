// The date normaliser: the examples of typical inputs and the century rule.
#include "database/CHarnDbs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Fixed {
    int result;
    std::string date;
};

Fixed fix(const char* in) {
    char buf[64] = {};
    std::strcpy(buf, in);
    int r = CHarnDbs::DatumFix(buf);
    return {r, buf};
}

void expectFix(const char* in, int result, const char* out) {
    Fixed f = fix(in);
    EXPECT_EQ(f.result, result) << "input \"" << in << "\"";
    EXPECT_EQ(f.date, out) << "input \"" << in << "\"";
}

TEST(DatumFix, TypicalInputs) {
    expectFix("990101", 0, "1999-01-01");
    expectFix("050101", 0, "2005-01-01");
    expectFix("20050101", 0, "2005-01-01");
    expectFix("05-01-01", 0, "2005-01-01");
    expectFix("1999-01-01 12:30", 0, "1999-01-01");
    expectFix("12", 0, "2012");
    expectFix("7", -1, "");
    expectFix("abc", -1, "");
    expectFix("990101abc", 0, "1999-1a-bc");
}

TEST(DatumFix, CenturyTurnsAtSeventy) {
    expectFix("691231", 0, "2069-12-31");
    expectFix("700101", 0, "1970-01-01");
    expectFix("19991231", 0, "1999-12-31");
    // Short parts are not padded: the last two characters are cut off and joined again.
    expectFix("2005-1-2", 0, "2005-1---2");
}

TEST(DatumFix, EmptyAndCutTexts) {
    expectFix("", -1, "");
    expectFix(" 990101", -1, ""); // must start with a digit or a dash
    expectFix("2005-01-01-extra", 0, "2005-01-01");
}

TEST(DatumFix, UnreadableCenturyGetsTwenty) {
    Fixed f = fix("--0101");
    EXPECT_EQ(f.result, 0);
    EXPECT_EQ(f.date.substr(0, 2), "20");
    EXPECT_LE(f.date.size(), 10u);
}

} // namespace
