// Helpers of the database tests: a project folder with its database subfolder, byte images
// of heads and records as the file holds them, and the events of the recording sink.
#pragma once

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/UserInterface.h"
#include "tests/support/TestSupport.h"

#include <cfloat>
#include <cstring>
#include <memory>
#include <string>

namespace dbs_test {

// The head a new database gets, with the given project name and date.
inline dbshdtype newHead(const char* projnamn, const char* datum) {
    dbshdtype h;
    std::memset(&h, 0, sizeof h);
    std::strcpy(h.version, "1.5");
    std::strcpy(h.projnamn, projnamn);
    std::strcpy(h.datum, datum);
    std::strcpy(h.koordsys, "RAK");
    std::strcpy(h.riktning, "NORR");
    h.xmin = h.ymin = h.zmin = DBL_MAX;
    h.xmax = h.ymax = h.zmax = -DBL_MAX;
    h.verdel = 0.5;
    h.slut = 600;
    return h;
}

inline dbstype record(int typ, const char* id, const char* filnamn, double x = 0, double y = 0,
                      double z = 0, double dx = 0, double dy = 0, double dz = 0) {
    dbstype r;
    std::memset(&r, 0, sizeof r);
    r.typ = static_cast<uint8_t>(typ);
    std::strcpy(r.id, id);
    std::strcpy(r.filnamn, filnamn);
    r.x = x;
    r.y = y;
    r.z = z;
    r.dx = dx;
    r.dy = dy;
    r.dz = dz;
    return r;
}

inline std::string bytesOf(const dbshdtype& h) {
    return std::string(reinterpret_cast<const char*>(&h), kDbsHeadSize);
}
inline std::string bytesOf(const dbstype& r) {
    return std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
}
// A database file: head, zero gap up to 600, then the slots.
inline std::string fileOf(const dbshdtype& h, std::initializer_list<dbstype> slots) {
    std::string s = bytesOf(h) + std::string(kDbsFirstSlot - kDbsHeadSize, '\0');
    for (const dbstype& r : slots)
        s += bytesOf(r);
    return s;
}

inline dbshdtype headOf(const std::string& file) {
    dbshdtype h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(&h, file.data(), file.size() < sizeof h ? file.size() : sizeof h);
    return h;
}
inline dbstype slotOf(const std::string& file, long offset) {
    dbstype r;
    std::memset(&r, 0, sizeof r);
    if (static_cast<long>(file.size()) >= offset + kDbsRecordSize)
        std::memcpy(&r, file.data() + offset, kDbsRecordSize);
    return r;
}

// A project folder (with its database subfolder) in a temporary folder, and a database
// object over it that sees the protected members.
class TestDbs : public CHarnDbs {
public:
    using CHarnDbs::CHarnDbs;
    using CHarnDbs::Sortval;
    dbstype* cur() { return m_pael; }
    int count() {
        int n = 0;
        Where(&n);
        return n;
    }
    void setMarkRecord(dbstype* mark) { m_pmark = mark; }
    void setCurrentRecord(dbstype* akt) { m_pael = akt; }
};

class DbsTest : public testing_support::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        CProjPath::ResetNames();
        root = dir.path() + "/PROJ1";
        testing_support::makeDirs(root + "/HARNDB");
        proj = std::make_unique<CProjPath>(root.c_str());
        ini.SetDatum("2026-03-04");
    }
    std::string dbsFile() const { return root + "/HARNPLAN.DBS"; }
    std::string lockFile() const { return root + "/HARNPLAN.LCK"; }
    std::string dataFile(const std::string& name) const { return root + "/HARNDB/" + name; }
    // The Windows form of a path below the project folder.
    std::string win(const std::string& relative) const {
        return std::string(proj->ProjKat()) + "\\" + relative;
    }
    std::unique_ptr<TestDbs> open(int mode = 0) {
        auto d = std::make_unique<TestDbs>(proj.get(), &ini);
        EXPECT_EQ(d->Init(mode, 0, nullptr, nullptr), 0);
        return d;
    }
    void create() {
        TestDbs d(proj.get(), &ini);
        ASSERT_EQ(d.Init(0, 1, nullptr, nullptr), 0);
    }
    // Appends a record to an open database through Ny and Uppdat(0).
    static void add(CHarnDbs& d, const dbstype& r) {
        dbstype copy = r;
        copy.filpos = 0;
        d.Ny(1, &copy);
        ASSERT_EQ(d.Uppdat(0), 0);
    }
    void expectMessage(size_t i, const std::string& text, const std::string& caption,
                       UINT flags = MB_ICONEXCLAMATION,
                       platform::MessageCall call = platform::MessageCall::MessageBoxA) {
        auto m = ui.messages();
        ASSERT_LT(i, m.size()) << "missing message " << text;
        EXPECT_EQ(m[i].text, text);
        EXPECT_EQ(m[i].caption, caption);
        EXPECT_EQ(m[i].flags, flags);
        EXPECT_EQ(static_cast<int>(m[i].call), static_cast<int>(call));
    }

    std::string root;
    std::unique_ptr<CProjPath> proj;
    CAutoIni ini;
};

} // namespace dbs_test
