// A project for the line and outcrop tests: a folder with its database subfolder, an open
// project database, records added to it, and the bytes of its slots on disk.
#pragma once

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "tests/support/TestSupport.h"

#include <cstring>
#include <memory>
#include <string>

namespace mapping_test {

class MappingProject : public testing_support::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        CProjPath::ResetNames();
        root = dir.path() + "/PROJ1";
        testing_support::makeDirs(root + "/HARNDB");
        proj = std::make_unique<CProjPath>(root.c_str());
        ini.SetDatum("2026-03-04");
        dbs = std::make_unique<CHarnDbs>(proj.get(), &ini);
        ASSERT_EQ(dbs->Init(0, 1, nullptr, nullptr), 0);
    }

    // Appends a record, gives it a file name and writes it; it stays current.
    dbstype* add(int typ, const char* id) {
        dbstype r;
        std::memset(&r, 0, sizeof r);
        r.typ = static_cast<uint8_t>(typ);
        std::strcpy(r.id, id);
        dbs->Ny(1, &r);
        EXPECT_EQ(dbs->Filnamn(), 0);
        EXPECT_EQ(dbs->Uppdat(0), 0);
        return dbs->Get_aktel();
    }

    std::string dataFile(const std::string& name) const { return root + "/HARNDB/" + name; }
    std::string dbsFile() const { return root + "/HARNPLAN.DBS"; }
    // The 124 bytes of a record's slot as the database file holds them.
    std::string slotOnDisk(const dbstype* rec) const {
        return testing_support::readBytes(dbsFile()).substr(rec->filpos, kDbsRecordSize);
    }
    // Record bytes without the memory-only slot offset.
    static std::string image(const dbstype& r) {
        return std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
    }

    std::string root;
    std::unique_ptr<CProjPath> proj;
    CAutoIni ini;
    std::unique_ptr<CHarnDbs> dbs;
};

} // namespace mapping_test
