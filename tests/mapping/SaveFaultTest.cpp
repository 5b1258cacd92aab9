// The writers of lines, outcrops, the code list and the library files under faults: whichever
// file operation fails, each file is its old or its new self, complete, nothing is left beside
// it, and the database record (or the loaded list) agrees with the file unless the failure
// was reported.
#include "mapping/CBergOrMateLista.h"
#include "mapping/CForstSystem.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"

#include "tests/mapping/LibraryFileBytes.h"
#include "tests/mapping/MappingFixture.h"
#include "tests/support/FaultSweep.h"

#include <cstring>
#include <functional>

using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

using Arm = std::function<void()>;

class MappingSaveFaultTest : public mapping_test::MappingProject {
protected:
    void SetUp() override {
        MappingProject::SetUp();
        line = add(5, "L1")->filpos;
        outcrop = add(2, "H1")->filpos;
        ui.clear();
    }

    // The project database opened for writing with the record of `id` current.
    std::unique_ptr<CHarnDbs> openDbs(int typ, const char* id) {
        auto d = std::make_unique<CHarnDbs>(proj.get(), &ini);
        EXPECT_EQ(d->Init(0, 0, nullptr, nullptr), 0);
        char text[16];
        std::snprintf(text, sizeof text, "%s", id);
        EXPECT_EQ(d->Findid(typ, text), 0);
        return d;
    }
    std::string slot(int32_t filpos) const { return readBytes(dbsFile()).substr(filpos, 124); }

    testing_support::SweepSubject subject(const std::string& name) {
        testing_support::SweepSubject s;
        s.name = name;
        s.folders = {root, root + "/HARNDB"};
        return s;
    }

    int32_t line = 0, outcrop = 0;
};

TEST_F(MappingSaveFaultTest, EveryFileOperationOfEveryWriterFailingInTurn) {
    std::vector<testing_support::SweepTally> tallies;

    // A line of many points and two columns over an old line file.
    writeBytes(dataFile("L1.LJE"), testing_support::crlf("L1\n0\n0 -1 0.000\n90 \n*\n"
                                                         "   1.00        1.000        2.000"
                                                         "      3.000 old\n*\n"));
    auto s = subject("CLinjeData::Save");
    s.data = [this] { return readBytes(dataFile("L1.LJE")); };
    s.record = [this] { return slot(line); };
    s.save = [this](const Arm& arm) {
        auto d = openDbs(5, "L1");
        CLinjeData l(proj.get(), "L1", CLinjeData::KR);
        std::strcpy(l.m_kolnamn[1], "Jord");
        for (int i = 0; i < 400; ++i) {
            l.Ny(1, nullptr);
            lintype* p = l.Get_aktel();
            p->pos = i, p->x = 1000 + i, p->y = 2000 - i, p->z = 10 + i % 7;
            p->kolval[0] = 5 + i % 3, p->kolval[1] = -i % 5;
            std::strcpy(p->txt, "P");
        }
        arm();
        return l.Save(d.get());
    };
    tallies.push_back(testing_support::sweep(s));

    // An outcrop writes no file, only its record.
    writeBytes(dataFile("H1.LAD"), "\n\n1 2 3\n4 5 6\n7 1 2\n3 4 5 6\nREF\nText\n*\n"
                                   "10 20 30 A\n15 25 35 B\n");
    s = subject("CHellar::SaveToDbs");
    s.data = [this] { return slot(outcrop); };
    s.save = [this](const Arm& arm) {
        auto d = openDbs(2, "H1");
        CHellar h(proj.get(), "H1");
        EXPECT_EQ(h.Init(), 0);
        arm();
        return h.SaveToDbs(d.get());
    };
    tallies.push_back(testing_support::sweep(s));

    // The code list keeps the lines before its blocks and behind them.
    writeBytes(root + "/Harnkod.dat",
               testing_support::crlf("Kodfil\n*\n*\n1 Ss\n*\n1 ka\n*\n" + std::string(3000, 'r')));
    s = subject("CBergOrMateLista::Save");
    s.data = [this] { return readBytes(root + "/Harnkod.dat"); };
    s.save = [this](const Arm& arm) {
        CBergOrMateLista rock(nullptr, proj.get(), 0), infill(nullptr, proj.get(), 1);
        rock.Init();
        infill.Init();
        arm();
        return rock.Save(&infill);
    };
    tallies.push_back(testing_support::sweep(s));

    // Packing a library file while loading it: the list's offsets must be where the file on
    // disk holds each record.
    std::string lib = libtest::header("1.4", 40, 10, 300 + 50 * 312);
    for (int i = 0; i < 50; ++i)
        lib += libtest::record(312, 16, ("S" + std::to_string(i)).c_str(), i % 5 == 2 ? 0 : 1);
    writeBytes(root + "/FORST.BIB", lib);
    s = subject("CForstSystem packing");
    s.data = [this] { return readBytes(root + "/FORST.BIB"); };
    std::string listAgrees;
    s.record = [&] { return listAgrees; };
    s.save = [&](const Arm& arm) {
        arm();
        CForstSystem list((root + "/FORST.BIB").c_str());
        const std::string file = readBytes(root + "/FORST.BIB");
        listAgrees = "agrees";
        if (list.Home() == 0)
            do {
                const systype* r = list.Get_aktel();
                if (file.compare(r->filpos, 312, reinterpret_cast<const char*>(r), 312) != 0)
                    listAgrees = "differs at " + std::to_string(r->filpos);
            } while (list++);
        return list.Resultat();
    };
    tallies.push_back(testing_support::sweep(s));

    int runs = 0, bad = 0;
    for (const auto& t : tallies) {
        runs += t.runs;
        bad += t.lost + t.halfWritten + t.leftovers;
    }
    EXPECT_GT(runs, 100);
    EXPECT_EQ(bad, 0);
}

} // namespace
