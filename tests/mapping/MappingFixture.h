// Shared by the mapping tests: a project with its database subfolder and open project
// database, and the case files kept in tests/data/mapping.
#pragma once

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "tests/support/ProjectTest.h"
#include "tests/support/TestSupport.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace mapping_test {

// One case of a case file: "@@ NAME" begins it, each "@@" line begins its next part; lines
// beginning with "#" are comments. Every line of a part keeps its bytes and gets "\n".
struct Case {
    std::string name;
    std::vector<std::string> parts;
};

inline std::vector<Case> cases(const std::string& file) {
    const std::string data = testing_support::readBytes(
        (std::filesystem::path(__FILE__).parent_path() / "../data/mapping" / file).string());
    std::vector<Case> out;
    for (size_t at = 0, end; at < data.size(); at = end + 1) {
        end = data.find('\n', at);
        const std::string line = data.substr(at, end - at);
        if (line.rfind("@@ ", 0) == 0)
            out.push_back({line.substr(3), {""}});
        else if (line == "@@")
            out.back().parts.emplace_back();
        else if (line[0] != '#' && !out.empty())
            out.back().parts.back() += line + "\n";
    }
    EXPECT_FALSE(out.empty()) << file;
    return out;
}

using testing_support::count;

class MappingProject : public testing_support::ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        dbs = std::make_unique<CHarnDbs>(proj.get(), &ini);
        ASSERT_EQ(dbs->Init(0, 1, nullptr, nullptr), 0);
    }
    // Appends a record, gives it a file name and writes it; it stays current.
    dbstype* add(int typ, const char* id) {
        dbstype r{};
        r.typ = static_cast<uint8_t>(typ);
        std::strcpy(r.id, id);
        dbs->Ny(1, &r);
        EXPECT_EQ(dbs->Filnamn(), 0);
        EXPECT_EQ(dbs->Uppdat(0), 0);
        return dbs->Get_aktel();
    }
    // Record bytes without the memory-only slot offset, and a record's slot on disk.
    static std::string image(const dbstype& r) {
        return std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
    }
    std::string slotOnDisk(const dbstype* rec) const {
        return testing_support::readBytes(dbsFile()).substr(rec->filpos, kDbsRecordSize);
    }

    std::unique_ptr<CHarnDbs> dbs;
};

} // namespace mapping_test
