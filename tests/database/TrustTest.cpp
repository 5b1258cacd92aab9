// Trust in the project database: a failure of any file step of a writing operation loses or
// doubles no record and is reported; programs that keep the database open see each other's
// writes; the lock file and a new database are created by exactly one of several programs.
#include "tests/database/DbsFixtures.h"
#include "tests/support/FaultSweep.h"

#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"

#include <functional>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbs_test;
using platform::FailureLog;
using platform::FaultInjector;
using platform::FileOp;

namespace {

std::string keyOf(const dbstype& r) {
    char s[96];
    std::snprintf(s, sizeof s, "%d %.15s x=%g dx=%g", r.typ, r.id, r.x, r.dx);
    return s;
}

// The live records of a database file, sorted, after a line naming every way in which the
// head disagrees with the slots ("ok" and the head's hal and slut when it agrees).
std::string contentOf(const std::string& file) {
    if (file.size() < static_cast<size_t>(kDbsHeadSize))
        return "no head";
    const dbshdtype h = at<dbshdtype>(file, 0);
    std::string problems;
    if (h.slut < kDbsFirstSlot || (h.slut - kDbsFirstSlot) % kDbsRecordSize != 0 ||
        static_cast<size_t>(h.slut) > std::max<size_t>(file.size(), kDbsFirstSlot))
        problems += " slut=" + std::to_string(h.slut);
    std::multiset<std::string> live;
    int freed = 0, typ[9] = {};
    for (long p = kDbsFirstSlot; p < h.slut && p < static_cast<long>(file.size());
         p += kDbsRecordSize) {
        const dbstype r = at<dbstype>(file, p);
        if (r.typ == 0 || r.id[0] == 0) {
            ++freed;
        } else {
            live.insert(keyOf(r));
            if (r.typ <= 9)
                ++typ[r.typ - 1];
        }
    }
    if (h.antal != static_cast<int>(live.size()))
        problems += " antal=" + std::to_string(h.antal) + "/" + std::to_string(live.size());
    if (h.hal != freed)
        problems += " hal=" + std::to_string(h.hal) + "/" + std::to_string(freed);
    if (!std::equal(typ, typ + 9, h.typantal))
        problems += " typantal";
    std::string s = problems.empty()
                        ? "ok hal=" + std::to_string(h.hal) + " slut=" + std::to_string(h.slut)
                        : "bad:" + problems;
    for (const std::string& k : live)
        s += "\n" + k;
    return s;
}

// One writing operation: `setup` builds the project and the object just before it, `run`
// does it and gives its result, `observe` what the operation may change on disk.
struct Operation {
    const char* name;
    std::function<std::unique_ptr<TestDbs>()> setup;
    std::function<int(TestDbs&)> run;
    std::function<std::string()> observe;
    bool database; // reopening must give the observed records, silently
};

class TrustTest : public DbsTest {
protected:
    std::string dbsContent() const { return contentOf(readBytes(dbsFile())); }
    // A project with six objects (a borehole with its file), opened for writing.
    std::unique_ptr<TestDbs> project() {
        std::filesystem::remove_all(root);
        testing_support::makeDirs(root + "/HARNDB");
        create();
        auto d = open();
        add(*d, {record(3, "B1", "B1", 1, 1, 1, 0, 0, 5), record(5, "L1", "L1", 2, 2, 2, 9, 1, 0),
                 record(2, "H1", "H1", 3, 3, 3), record(4, "P1", "P1", 4, 4, 4),
                 record(4, "P2", "P2", 5, 5, 5), record(6, "V1", "V1")});
        writeBytes(dataFile("B1.SND"), "B1\r\n*");
        return d;
    }
    std::unique_ptr<TestDbs> current(std::unique_ptr<TestDbs> d, int typ, const char* id) {
        char text[16];
        std::snprintf(text, sizeof text, "%s", id);
        EXPECT_EQ(d->Findid(typ, text), 0) << id;
        return d;
    }
    // Temporary files of SafeReplace left in the project.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> out;
        for (const std::string& folder : {root, root + "/HARNDB"})
            for (const std::string& n : testing_support::listNames(folder))
                if (n.find(".tmp$") != std::string::npos)
                    out.push_back(n);
        return out;
    }
    std::vector<Operation> operations() {
        const std::string pkt = root + "/Harnplan.PKT", vl = dataFile("VAGLINJE.LIS"),
                          temp = root + "/temp.dbs";
        auto db = [this] { return dbsContent(); };
        return {
            {"Init packing",
             [this] {
                 auto d = project();
                 for (const char* id : {"H1", "P1"}) { // two freed slots
                     d = current(std::move(d), 0, id);
                     d->Delete();
                 }
                 return std::make_unique<TestDbs>(proj.get(), &ini);
             },
             [](TestDbs& d) { return d.Init(0, 0, nullptr, nullptr); }, db, true},
            {"Uppdat new",
             [this] {
                 auto d = project();
                 dbstype r = record(5, "L2", "L2", -7, 0, 0, 100, 1, 1);
                 d->Ny(1, &r);
                 return d;
             },
             [](TestDbs& d) { return d.Uppdat(0); }, db, true},
            {"Uppdat existing",
             [this] {
                 auto d = current(project(), 4, "P1");
                 d->cur()->x = 400, d->cur()->dx = 1; // widens the extent: slot and head
                 return d;
             },
             [](TestDbs& d) { return d.Uppdat(0); }, db, true},
            {"Delete", [this] { return current(project(), 2, "H1"); },
             [](TestDbs& d) { return d.Delete(); }, db, true},
            {"DeleteId", [this] { return current(project(), 3, "B1"); },
             [](TestDbs& d) { return d.DeleteId(); }, db, true},
            {"Tempfil", [this] { return project(); }, [](TestDbs& d) { return d.Tempfil(0); },
             [this, temp] {
                 return readBytes(dbsFile()) + "|" + (exists(temp) ? readBytes(temp) : "-");
             },
             false},
            {"SkrivAvp",
             [this, pkt] {
                 auto d = project();
                 writeBytes(pkt, "old\r\n*\r\n");
                 return d;
             },
             [](TestDbs& d) { return d.SkrivAvp(); }, [pkt] { return readBytes(pkt); }, false},
            {"VagPaelUppdat",
             [this, vl] {
                 auto d = current(project(), 6, "V1");
                 writeBytes(vl, "*\r\nV0 X\r\n*\r\n");
                 return d;
             },
             [](TestDbs& d) { return d.VagPaelUppdat(0); }, [vl] { return readBytes(vl); }, false},
        };
    }
};

// Every file step of every writing operation fails in turn, once and from then on. After
// each run the project holds the old state or the new one, complete and consistent;
// reopening reads exactly those records without a complaint; no temporary file is left; and
// a failure that kept the new state from being reached was reported (an exception, a
// result, a message or the failure log). The stream library's own read-ahead inside a seek
// may fail without effect: such a run ends in the new state and counts as passed.
TEST_F(TrustTest, FaultSweepOfEveryWritingOperation) {
    int runs = 0, failed = 0, hits = 0;
    for (const Operation& op : operations()) {
        auto d = op.setup();
        const std::string before = op.observe();
        ASSERT_EQ(op.run(*d), 0) << op.name;
        d.reset();
        const std::string after = op.observe();
        ASSERT_NE(before, after) << op.name;
        ASSERT_TRUE(!op.database || after.substr(0, 2) == "ok") << op.name << after;
        bool threw = false;
        runs += testing_support::forEachFault(
            [&](const std::function<void()>& arm) {
                d = op.setup();
                ui.clear();
                FailureLog::reset();
                arm();
                threw = false;
                try {
                    return op.run(*d);
                } catch (...) {
                    threw = true;
                    return 0;
                }
            },
            [&](const testing_support::Fault& fault, int result) {
                d.reset();
                hits += fault.reached;
                const bool reported =
                    threw || result != 0 || !ui.events.empty() || FailureLog::count() > 0;
                ::unlink(lockFile().c_str()); // a lock whose removal failed (reported)
                std::string state = op.observe(), problem;
                if (state != before && state != after)
                    problem = "neither old nor new:\n" + state;
                else if (fault.reached && !reported && state != after)
                    problem = "failure not reported"; // (one without effect is no failure)
                else if (!leftovers().empty())
                    problem = "temporary file left: " + leftovers()[0];
                else if (op.database) {
                    ui.clear();
                    auto again = open(1); // read as it is, without packing
                    std::multiset<std::string> read;
                    if (again->Home() == 0)
                        do
                            read.insert(keyOf(*again->cur()));
                        while ((*again)++);
                    std::string records;
                    for (const std::string& k : read)
                        records += "\n" + k;
                    if (state.substr(state.find('\n') == std::string::npos
                                         ? state.size()
                                         : state.find('\n')) != records ||
                        !ui.events.empty())
                        problem = "reopening differs from:\n" + state + "\n" + events();
                }
                if (!problem.empty()) {
                    ++failed;
                    ADD_FAILURE() << op.name << " " << fault.text() << ": " << problem;
                }
            });
    }
    std::printf("fault sweep: %d runs (%d with the fault reached), %d failed\n", runs, hits,
                failed);
    EXPECT_EQ(failed, 0);
    EXPECT_GT(hits, 100);
}

// Two objects on one project stand for two programs that each loaded the database once.
TEST_F(TrustTest, ProgramsThatKeepTheDatabaseOpenSeeEachOthersWrites) {
    create();
    auto a = open(), b = open();
    add(*a, {record(4, "A1", "A1", 0, 0, 0), record(4, "A2", "A2", 1, 1, 1)});
    add(*b, {record(4, "B1", "B1", 50, -5, 2)}); // at the real end, counted with A's, extent of all
    EXPECT_EQ(dbsContent(), "ok hal=0 slut=972\n4 A1 x=0 dx=0\n4 A2 x=1 dx=0\n4 B1 x=50 dx=0");
    EXPECT_EQ(fileHead(), "antal=3 hal=0 slut=972 typ=000300000 x=0:50 y=-5:1 z=0:2");
    // A deletes A1 and a third program packs: B1 moves from 848 to 724, where B finds it.
    a = current(std::move(a), 4, "A1");
    ASSERT_EQ(a->Delete(), 0);
    EXPECT_EQ(open()->ids(), "A2@600 B1@724");
    b->cur()->x = 60;
    ASSERT_EQ(b->Uppdat(0), 0);
    EXPECT_EQ(b->cur()->filpos, 724);
    add(*b, {record(4, "B2", "B2", 70, 0, 0)});
    // Another program deletes A2; A still holds it and changes it: it is written anew.
    ASSERT_EQ(current(open(), 4, "A2")->Delete(), 0);
    a = current(std::move(a), 4, "A2");
    a->cur()->x = 5;
    ASSERT_EQ(a->Uppdat(0), 0);
    EXPECT_EQ(dbsContent(), "ok hal=1 slut=1096\n4 A2 x=5 dx=0\n4 B1 x=60 dx=0\n4 B2 x=70 dx=0");
    EXPECT_EQ(fileHead(), "antal=3 hal=1 slut=1096 typ=000300000 x=0:70 y=-5:1 z=0:2");
    // B renames B2 after the others wrote: the slot that held B2 gets B3.
    std::strcpy(b->cur()->id, "B3");
    ASSERT_EQ(b->Uppdat(0), 0);
    EXPECT_EQ(dbsContent(), "ok hal=1 slut=1096\n4 A2 x=5 dx=0\n4 B1 x=60 dx=0\n4 B3 x=70 dx=0");
    EXPECT_EQ(events(), "");
}

// Where a described caller ignores a failed step, the step is also told to FailureLog.
TEST_F(TrustTest, FailuresTheCallersIgnoreGoToTheFailureLog) {
    auto d = project();
    FailureLog::reset();
    ::unlink((root + "/TMPPROG.PB$").c_str());
    FaultInjector::failNth(FileOp::Open, 3); // the lock, the database, then the marker
    add(*d, {record(4, "P9", "P9")});        // skipped: Uppdat still gives 0
    EXPECT_FALSE(exists(root + "/TMPPROG.PB$"));
    d = current(std::move(d), 3, "B1");
    FaultInjector::failNth(FileOp::Remove, 1);
    EXPECT_EQ(d->DeleteId(), 0); // B1.SND stays; the record goes
    d = current(std::move(d), 4, "P1");
    writeBytes(lockFile(), "");
    EXPECT_EQ(d->Delete(), 0); // the list's result; the file keeps P1
    ::unlink(lockFile().c_str());
    d->m_mode = 1;
    EXPECT_EQ(d->XYZ(), 0);
    const std::string w = win("");
    EXPECT_EQ(FailureLog::entries(),
              (std::vector<std::string>{"change marker not created: " + w + "TMPPROG.PB$",
                                        "data file not removed: " + w + "HARNDB\\B1.snd",
                                        "record not freed in the database: " + w + "HARNPLAN.DBS",
                                        "database head not written after recomputing the "
                                        "extent: " +
                                            w + "HARNPLAN.DBS"}));
    EXPECT_TRUE(exists(dataFile("B1.SND")));
    EXPECT_EQ(contentOf(readBytes(dbsFile())).find("P1") != std::string::npos, true);
}

// Several processes at once on one project, each in the host's pattern: one Init, then many
// Uppdat (appends, changes of its own records, appends deleted at once), while another
// process loads the database for writing again and again (each load packs freed slots).
TEST_F(TrustTest, ProcessesAppendingChangingAndDeletingAtOnceLoseNothing) {
    create();
    constexpr int kProcs = 4, kAppends = 250;
    auto id = [](int k, int i) { return "P" + std::to_string(k) + "_" + std::to_string(i); };
    auto appender = [&](int k) {
        TestDbs d(proj.get(), &ini);
        if (d.Init(0, 0, nullptr, nullptr) != 0)
            return 10;
        auto save = [&d] { // a lock held too long by the others: the host would try again
            for (int tries = 0; tries < 20; ++tries)
                if (d.Uppdat(0) == 0)
                    return true;
            return false;
        };
        for (int i = 0; i < kAppends; ++i) {
            dbstype r = record(4, id(k, i).c_str(), "", k * 1000 + i, i, 0, 1, 1, 0);
            d.Ny(1, &r);
            if (!save())
                return 11;
            if (i % 10 == 5) {
                char text[16];
                std::snprintf(text, sizeof text, "%s", id(k, i - 5).c_str());
                if (d.Findid(4, text) != 0)
                    return 12;
                d.cur()->x = -(k * 1000 + i); // a change that widens the extent
                if (!save())
                    return 13;
                dbstype x = record(5, ("X" + id(k, i)).c_str(), "", 0, 0, 0);
                d.Ny(1, &x);
                if (!save() || d.Delete() != 0)
                    return 14;
            }
            ::usleep(500);
        }
        return 0;
    };
    auto packer = [&] {
        for (int n = 0; n < 15; ++n) {
            TestDbs p(proj.get(), &ini);
            p.Init(0, 0, nullptr, nullptr);
            ::usleep(30000);
        }
        return 0;
    };
    std::vector<pid_t> pids;
    const double took = seconds([&] {
        for (int k = 0; k <= kProcs; ++k) {
            pid_t pid = ::fork();
            if (pid == 0) {
                const int rc = k < kProcs ? appender(k) : packer();
                // Only "Kan ej öppna databas" (a wait for the lock that ran out) is allowed.
                for (const auto& e : ui.events)
                    if (e.kind == platform::RecordingUserInterface::Event::Kind::Message &&
                        e.text.find("Kan ej öppna databas"_cp) == std::string::npos)
                        ::_exit(20);
                ::_exit(rc);
            }
            pids.push_back(pid);
        }
        for (pid_t pid : pids) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
    });
    EXPECT_LT(took, 20);
    std::multiset<std::string> want;
    for (int k = 0; k < kProcs; ++k)
        for (int i = 0; i < kAppends; ++i) {
            const bool changed = i % 10 == 0 && i + 5 < kAppends;
            dbstype r = record(4, id(k, i).c_str(), "",
                               changed ? -(k * 1000 + i + 5) : k * 1000 + i, i, 0, 1, 1, 0);
            want.insert(keyOf(r));
        }
    // Compared line by line, so that a failure names only the records that differ.
    std::istringstream lines(dbsContent());
    std::string first, missing, extra;
    std::getline(lines, first);
    EXPECT_EQ(first.substr(0, 2), "ok") << first;
    std::multiset<std::string> got;
    for (std::string l; std::getline(lines, l);)
        got.insert(l);
    for (const std::string& k : want)
        if (got.count(k) != 1)
            missing += k + " (" + std::to_string(got.count(k)) + " times)\n";
    for (const std::string& k : got)
        if (!want.count(k))
            extra += k + "\n";
    EXPECT_EQ(missing, "");
    EXPECT_EQ(extra, "");
    const dbshdtype h = fileHd();
    EXPECT_EQ(h.antal, kProcs * kAppends);
    EXPECT_EQ(h.typantal[3], kProcs * kAppends);
    EXPECT_EQ(summary(h).substr(summary(h).find(" x=")), " x=-3245:3250 y=0:250 z=0:0");
    EXPECT_EQ(open()->count(), kProcs * kAppends);
    EXPECT_EQ(events(), "");
}

// Processes released at the same moment: of four creating one database exactly one
// succeeds each round; holders of the lock file never overlap (a counter incremented
// inside the lock loses no increment).
TEST_F(TrustTest, LockFileAndNewDatabaseAreCreatedByExactlyOne) {
    auto race = [&](int procs, const std::function<int()>& body) {
        int go[2];
        EXPECT_EQ(::pipe(go), 0);
        std::vector<pid_t> pids;
        for (int k = 0; k < procs; ++k) {
            pid_t pid = ::fork();
            if (pid == 0) {
                char c;
                ::close(go[1]);
                if (::read(go[0], &c, 1) != 0) // the parent closes the pipe: all start at once
                    ::_exit(99);
                ::_exit(body());
            }
            pids.push_back(pid);
        }
        ::close(go[0]);
        ::close(go[1]);
        std::vector<int> codes;
        for (pid_t pid : pids) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        return codes;
    };
    for (int round = 0; round < 10; ++round) {
        ::unlink(dbsFile().c_str());
        auto codes = race(4, [&] {
            TestDbs d(proj.get(), &ini);
            return d.Init(0, 1, nullptr, nullptr) == 0 ? 0 : 1;
        });
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 1) << "round " << round;
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 1), 3) << "round " << round;
        EXPECT_EQ(readBytes(dbsFile()).size(), static_cast<size_t>(kDbsHeadSize));
        EXPECT_FALSE(exists(lockFile()));
    }
    // Each round all four try at the same moment; whoever holds the lock increments.
    const std::string counter = root + "/counter";
    writeBytes(counter, "0");
    int held = 0;
    for (int round = 0; round < 15; ++round) {
        for (int c : race(4, [&] {
                 TestDbs d(proj.get(), &ini);
                 d.m_mode = 1; // read only: only the lock file keeps the others out
                 if (d.Dbs_rw(1000) != 0)
                     return 0;
                 const int value = std::stoi(readBytes(counter));
                 ::usleep(2000);
                 writeBytes(counter, std::to_string(value + 1));
                 d.Dbs_rw(1001);
                 return 1;
             }))
            held += c;
    }
    EXPECT_EQ(held, 60); // the others waited for the lock
    EXPECT_EQ(readBytes(counter), std::to_string(held));
}

} // namespace
