// Reading the project database through a snapshot (CHarnDbs::InitSnapshot and NextRecord):
// the same results, head, records and messages as a read-only Init, healthy or damaged; the
// lock held only while the copy is taken; the copy private and gone afterwards, also when a
// file operation fails on the way.
#include "tests/database/DbsFixtures.h"

#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "tests/support/FaultSweep.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace dbs_test;
using platform::FailureLog;

namespace {

// What a reader of the database sees: the result, the head, every record (with its filpos)
// in order, and the events shown.
struct Reading {
    int result = 0;
    std::string head;
    std::string records;
    int count = 0;
    std::string events;
    bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Reading& r) {
    return out << "result " << r.result << ", " << r.count << " records, "
               << r.records.size() / sizeof(dbstype) << " read, events:\n"
               << r.events;
}

std::string recordBytes(const dbstype& r) {
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

class SnapshotTest : public DbsTest {
protected:
    void SetUp() override {
        DbsTest::SetUp();
        tmp = dir.path() + "/tmp";
        testing_support::makeDirs(tmp);
        if (const char* old = std::getenv("TMPDIR"))
            oldTmp = old;
        ::setenv("TMPDIR", tmp.c_str(), 1);
    }
    void TearDown() override {
        if (oldTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
        DbsTest::TearDown();
    }

    // The database read whole by Init(1, ...) into the list.
    Reading whole(const char* path = nullptr) {
        ui.clear();
        TestDbs d(proj.get(), &ini);
        Reading r;
        r.result = d.Init(1, 0, path, nullptr);
        r.head = bytesOf(d.m_hd);
        r.count = d.count();
        if (d.Home() == 0)
            do
                r.records += recordBytes(*d.cur());
            while (d++);
        r.events = events();
        return r;
    }
    // The database read through a snapshot, record by record.
    Reading streamed(const char* path = nullptr) {
        ui.clear();
        TestDbs d(proj.get(), &ini);
        Reading r;
        r.result = d.InitSnapshot(path);
        r.head = bytesOf(d.m_hd);
        r.count = d.SnapshotRecords();
        EXPECT_EQ(d.count(), 0); // the list stays empty
        dbstype rec;
        while (d.NextRecord(rec))
            r.records += recordBytes(rec);
        r.events = events();
        return r;
    }
    // Files left in the temporary folder, and the lock file.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(tmp))
            out.push_back(e.path().string());
        if (exists(lockFile()))
            out.push_back(lockFile());
        return out;
    }

    std::string tmp;
    std::string oldTmp;
};

dbstype numbered(int i) {
    char id[16];
    std::snprintf(id, sizeof id, "B%d", i);
    return record(1 + i % 6, id, id, i, 2 * i, 3 * i, 1, 1, i % 7);
}

// A database of n live records, every `gap`-th slot before them freed (0: none).
std::string databaseOf(int n, int gap, dbshdtype h = head()) {
    std::string slots;
    int freed = 0;
    for (int i = 0; i < n; ++i) {
        if (gap && i % gap == 0) {
            dbstype f = numbered(100000 + i);
            f.typ = 0;
            slots += bytesOf(f);
            ++freed;
        }
        slots += bytesOf(numbered(i));
    }
    h.antal = n, h.hal = freed;
    h.slut = static_cast<int32_t>(kDbsFirstSlot + slots.size());
    return bytesOf(h) + std::string(kDbsFirstSlot - kDbsHeadSize, '\0') + slots;
}

// Every kind of database a read-only Init accepts or refuses: the snapshot gives what the
// whole read gives, messages and status line included, and leaves nothing behind.
TEST_F(SnapshotTest, GivesWhatTheReadOnlyInitGivesHealthyOrDamaged) {
    ui.setMainWindow(true);
    ui.setStatusLine(true);
    dbstype longId = record(4, "P123456789ABCDEF", "P1");
    dbshdtype oem = head(1, 724, 0, "01");
    std::strcpy(oem.version, "1.0");
    std::strcpy(oem.projnamn, "G\x94teborg");
    std::strcpy(oem.text1, "\x86\x84\x94");
    dbshdtype old = head();
    std::strcpy(old.version, "0.9");
    old.verdel = 0;
    const std::string healthy = databaseOf(2000, 7); // several blocks, freed slots between
    // The head's end put at slot 550, in the second block of slots read.
    std::string endInSecondBlock = databaseOf(600, 0);
    const int32_t slut = kDbsFirstSlot + 550 * kDbsRecordSize;
    std::memcpy(endInSecondBlock.data() + offsetof(dbshdtype, slut), &slut, sizeof slut);
    const struct {
        const char* name;
        std::string file; // empty: no database
        int result;
        const char* shown; // a part of the events
    } cases[] = {
        {"healthy, blocks of slots, freed slots", healthy, 0, ""},
        {"empty", fileOf(head(), {}), 0, ""},
        {"counts wrong",
         fileOf(head(3, 600 + 3 * 124, 2),
                {record(3, "A", "A"), record(3, "", "X"), record(3, "C", "C")}),
         0, "Osäker databas antal=(3 2)"_cp},
        {"live slot past the end",
         fileOf(head(1, 724, 0, "1"),
                {record(1, "T1", "T1"), record(4, "", "OLD"), record(2, "H9", "H9")}),
         0, "stopp på id"_cp},
        {"live slot past the end, in a later block", endInSecondBlock, 0, "stopp på id"_cp},
        {"last record cut short", healthy.substr(0, healthy.size() - 50), 0, "Osäker databas"_cp},
        {"a head and no slot", healthy.substr(0, 400), 0, "Osäker databas antal=(2000 0)"_cp},
        {"a 16-letter id", fileOf(head(1, 724), {longId}), 0, ""},
        {"DOS-page texts", fileOf(oem, {record(2, "H1", "H1")}), 0, ""},
        {"head cut short", healthy.substr(0, 200), -4, "Fel vid läsning av databas"_cp},
        {"wrong version", fileOf(old, {record(2, "H1", "H1")}), -1, "Felaktig version"},
        {"no database", "", -1, "Kan ej öppna databas"_cp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dbsFile());
        if (!c.file.empty())
            writeBytes(dbsFile(), c.file);
        const Reading expected = whole();
        ASSERT_EQ(expected.result, c.result);
        EXPECT_NE(expected.events.find(c.shown), std::string::npos) << expected.events;
        EXPECT_EQ(streamed(), expected);
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        EXPECT_EQ(c.file.empty() ? "" : readBytes(dbsFile()), c.file); // never written
    }
    // A database given by its path, and the refusal of a given path while the list holds
    // records.
    writeBytes(root + "/OTHER.DBS", fileOf(oem, {record(2, "H1", "H1")}));
    const std::string other = win("OTHER.DBS");
    EXPECT_EQ(streamed(other.c_str()), whole(other.c_str()));
    TestDbs full(proj.get(), &ini);
    full.Ny(1, &longId);
    ui.clear();
    EXPECT_EQ(full.InitSnapshot(other.c_str()), -1);
    EXPECT_NE(events().find("Listan ej tom!"), std::string::npos) << events();
}

// The lock is held only while the copy is taken: a writer can change the database while the
// records are still being read, and the reader goes on with the records as they were. The
// copy is readable by its owner only, and goes with the reader, read to the end or not.
TEST_F(SnapshotTest, LockIsReleasedBeforeTheRecordsAreReadAndTheCopyIsPrivate) {
    writeBytes(dbsFile(), databaseOf(1500, 0));
    const Reading before = whole();
    {
        TestDbs reader(proj.get(), &ini);
        ASSERT_EQ(reader.InitSnapshot(nullptr), 0);
        EXPECT_FALSE(exists(lockFile()));
        const std::vector<std::string> copies = leftovers();
        ASSERT_EQ(copies.size(), 1u);
        struct stat st;
        ASSERT_EQ(::stat(copies[0].c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(readBytes(copies[0]), readBytes(dbsFile()));

        dbstype first;
        ASSERT_TRUE(reader.NextRecord(first));
        auto writer = open(0);
        writer->Home();
        ASSERT_EQ(writer->Delete(), 0);
        add(*writer, {record(3, "NEW", "NEW")});
        writer.reset();

        std::string records = recordBytes(first);
        dbstype rec;
        while (reader.NextRecord(rec))
            records += recordBytes(rec);
        EXPECT_EQ(records, before.records);
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    {
        TestDbs reader(proj.get(), &ini);
        ASSERT_EQ(reader.InitSnapshot(nullptr), 0);
        dbstype rec;
        ASSERT_TRUE(reader.NextRecord(rec));
        EXPECT_EQ(leftovers().size(), 1u);
    }
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
    EXPECT_EQ(events(), "");
}

// Every file operation of the reading failing in turn (once, and from then on): the reader
// gets all the records a whole read gives, or the failure is reported (a result other than 0
// with a message or an entry of the failure log, or an exception with an entry of the log
// when the database itself could not be read); either way no copy and no lock file is left.
// Without a usable temporary folder the snapshot is refused the same way.
TEST_F(SnapshotTest, FailuresAreReportedAndLeaveNothingBehind) {
    writeBytes(dbsFile(), databaseOf(1200, 5));
    const Reading expected = whole();
    int reported = 0;
    const int runs = testing_support::forEachFault(
        [&](const std::function<void()>& arm) {
            ui.clear();
            FailureLog::reset();
            TestDbs d(proj.get(), &ini);
            std::string records;
            arm();
            try {
                int r = d.InitSnapshot(nullptr);
                dbstype rec;
                while (r == 0 && d.NextRecord(rec))
                    records += recordBytes(rec);
                return r != 0 ? r : records == expected.records ? 0 : 1;
            } catch (const CFileException&) {
                return 2;
            }
        },
        [&](const testing_support::Fault& fault, int result) {
            SCOPED_TRACE(fault.text());
            const std::string log =
                FailureLog::count() > 0 ? FailureLog::entries().front() : std::string();
            // A lock file whose removal was made to fail stays, reported.
            if (exists(lockFile())) {
                EXPECT_NE(log.find("lock file not removed"), std::string::npos) << log;
                std::filesystem::remove(lockFile());
            }
            EXPECT_EQ(leftovers(), std::vector<std::string>{});
            EXPECT_NE(result, 1) << "records lost without a report";
            if (result == -5) {
                EXPECT_EQ(log.find("database snapshot not "), 0u) << log;
            } else if (result == -1) {
                EXPECT_NE(events().find("Kan ej öppna databas"_cp), std::string::npos);
            } else if (result == 2 && fault.op == platform::FileOp::Read) {
                EXPECT_TRUE(log.empty() || log.find("database snapshot not read") == 0) << log;
            } else {
                EXPECT_EQ(result, 0);
            }
            reported += result != 0;
        });
    EXPECT_GT(runs, 10);
    EXPECT_GT(reported, 5);

    for (const char* folder : {"/missing", "/file"}) {
        writeBytes(tmp + "/file", "x");
        ::setenv("TMPDIR", (tmp + folder).c_str(), 1);
        ui.clear();
        FailureLog::reset();
        TestDbs d(proj.get(), &ini);
        EXPECT_EQ(d.InitSnapshot(nullptr), -5);
        ASSERT_EQ(FailureLog::count(), 1);
        const std::string log = FailureLog::entries()[0];
        const std::string start =
            "database snapshot not written: " + platform::windowsPath(tmp + folder) +
            "\\harn-dbs." + std::to_string(::getpid()) + "-";
        const std::string end = ".tmp (a copy of " + win("HARNPLAN.DBS") + ")";
        EXPECT_EQ(log.substr(0, start.size()), start) << log;
        EXPECT_TRUE(log.size() > end.size() && log.substr(log.size() - end.size()) == end) << log;
        EXPECT_FALSE(exists(lockFile()));
        std::filesystem::remove(tmp + "/file");
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
}

} // namespace
