// A reader told to read without the lock file never creates it, so it reads a project where
// no lock file can be made; an object opened for writing keeps the lock protocol.
#include "tests/database/DbsFixtures.h"

#include <unistd.h>

using namespace dbs_test;

namespace {

class ReadWithoutLockTest : public DbsTest {};

TEST_F(ReadWithoutLockTest, OnlyReadersSkipTheLock) {
    writeBytes(dbsFile(), fileOf(head(1, 724, 0, "001"), {record(3, "B1", "B1")}));
    // Another program's lock file stands for one this process cannot create.
    writeBytes(lockFile(), "");
    struct Case {
        int mode;
        bool withoutLock;
        int result;
    } cases[] = {{1, true, 0}, {1, false, -1}, {0, true, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.withoutLock ? " without lock" : " locked"));
        ui.clear();
        TestDbs d(proj.get(), nullptr);
        d.SetReadWithoutLock(c.withoutLock);
        EXPECT_EQ(d.Init(c.mode, 0, nullptr, nullptr), c.result);
        EXPECT_EQ(d.ids(), c.result == 0 ? "B1@600" : "");
        EXPECT_EQ(ui.messages().size(), c.result == 0 ? 0u : 1u); // "Kan ej öppna databas"
        EXPECT_TRUE(exists(lockFile()));                          // the other program's, kept
    }
    // Without another program's lock the reader leaves none behind and none was made.
    ::unlink(lockFile().c_str());
    TestDbs d(proj.get(), nullptr);
    d.SetReadWithoutLock(true);
    EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
    EXPECT_FALSE(exists(lockFile()));
    EXPECT_EQ(platform::FailureLog::count(), 0);
}

} // namespace
