// The version rule applied when a database is opened, with the current version 1.5.
#include "database/CHarnDbs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool accepted(const char* version, double verdel) {
    dbshdtype hd;
    std::memset(&hd, 0, sizeof hd);
    std::memcpy(hd.version, version, std::min(std::strlen(version), sizeof hd.version));
    hd.verdel = verdel;
    return CHarnDbs::VersionAccepted(hd);
}

TEST(VersionRule, NewAndConvertedDatabasesPass) {
    EXPECT_TRUE(accepted("1.5", 0.5)); // written by Init: 2.0
    EXPECT_TRUE(accepted("1.0", 0.5)); // rebuilt by the conversion: 1.5
}

TEST(VersionRule, EverythingFromPointNinetyFourUpPasses) {
    EXPECT_TRUE(accepted("1.4", 0));
    EXPECT_TRUE(accepted("2.0", 0));
    EXPECT_TRUE(accepted("2.5", 0));
    EXPECT_TRUE(accepted("0.94", 0));
    EXPECT_TRUE(accepted("1", 0));
    EXPECT_TRUE(accepted("9.9", 0.5));
}

TEST(VersionRule, OlderVersionsFail) {
    EXPECT_FALSE(accepted("0.9", 0));
    EXPECT_FALSE(accepted("0.93", 0));
    EXPECT_FALSE(accepted("0.5", 0));
    EXPECT_FALSE(accepted("0.0", 0));
    EXPECT_FALSE(accepted("-1.5", 0));
}

TEST(VersionRule, VersionTextThatIsNotANumberFails) {
    EXPECT_FALSE(accepted("", 0.5));
    EXPECT_FALSE(accepted("abc", 0.5));
    EXPECT_FALSE(accepted("v1.5", 0));
}

TEST(VersionRule, FullVersionFieldWithoutTerminator) {
    EXPECT_TRUE(accepted("1.5000", 0.5));
    EXPECT_FALSE(accepted("0.1234", 0));
}

TEST(VersionRule, DamagedFractionsGiveAnAnswerWithoutFault) {
    EXPECT_FALSE(accepted("1.5", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(accepted("1.5", -1e300));
    EXPECT_TRUE(accepted("1.5", 1e300));
    EXPECT_FALSE(accepted("1.5", -std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(accepted("9e99", 0));
}

} // namespace
