// Shared by the tunnel database tests: a project with its database folder, an open project
// database holding the tunnel's record, byte builders for the expected file images and
// helpers that build tunnel records.
#pragma once

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "tests/support/ProjectTest.h"
#include "tests/support/TestSupport.h"
#include "tunnel/CTunDbs.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tunnel_test {

// Little-endian byte images built field by field, independent of the record structs.
struct Bytes {
    std::string s;
    template <class T> Bytes& num(T v) {
        s.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Bytes& i16(int v) { return num(static_cast<int16_t>(v)); }
    Bytes& i32(int v) { return num(static_cast<int32_t>(v)); }
    Bytes& f64(double v) { return num(v); }
    // A text in a field of `n` bytes, zero-filled.
    Bytes& text(const std::string& t, size_t n) {
        s += t.substr(0, n);
        s.append(n - std::min(n, t.size()), '\0');
        return *this;
    }
    Bytes& zeros(size_t n) {
        s.append(n, '\0');
        return *this;
    }
};

// The 144 file bytes of a record.
inline std::string image(const todbtype& r) {
    return std::string(reinterpret_cast<const char*>(&r), kTodbRecordSize);
}

// A position along the tunnel (kind 7) at `sekt` with the cross-section type `tvnamn`.
inline todbtype position(double sekt, const char* tvnamn, int typ = 7) {
    todbtype r{};
    r.typ = static_cast<int16_t>(typ);
    r.aktiv = 1;
    r.sekt = sekt;
    std::snprintf(r.tvnamn, sizeof r.tvnamn, "%s", tvnamn);
    return r;
}

// The records of a tunnel in list order (the last one is current afterwards).
inline std::vector<todbtype*> records(CTunDbs& t) {
    std::vector<todbtype*> out;
    if (t.Home() == 0)
        do
            out.push_back(t.Get_aktel());
        while (t++);
    return out;
}

using testing_support::count;

class TunnelProject : public testing_support::ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        openDbs(1);
        dbstype r{};
        r.typ = 1;
        std::strcpy(r.id, "TUNNEL1");
        std::strcpy(r.filnamn, "TUN1");
        std::strcpy(r.text, "väg1.vl"_cp);
        dbs->Ny(1, &r);
        ASSERT_EQ(dbs->Uppdat(0), 0);
    }
    // A new project database object: `skapa` 1 creates the file, 0 opens it.
    void openDbs(int skapa) {
        dbs = std::make_unique<CHarnDbs>(proj.get(), &ini);
        ASSERT_EQ(dbs->Init(0, skapa, nullptr, nullptr), 0);
        if (skapa == 0) {
            char id[16] = "TUNNEL1";
            ASSERT_EQ(dbs->Findid(1, id), 0);
        }
    }
    std::unique_ptr<CTunDbs> tunnel() { return std::make_unique<CTunDbs>(proj.get(), "TUN1"); }
    // A created tunnel holding `records`, written one by one with Uppdat(0).
    std::unique_ptr<CTunDbs> created(std::initializer_list<todbtype> records) {
        auto t = tunnel();
        EXPECT_EQ(t->Create(dbs.get()), 0);
        for (const todbtype& r : records) {
            todbtype copy = r;
            t->Ny(1, &copy);
            EXPECT_EQ(t->Uppdat(0), 0);
        }
        return t;
    }
    std::string file(const std::string& name) const { return dataFile(name); }
    std::string odb() const { return testing_support::readBytes(file("TUN1.ODB")); }
    std::string win(const std::string& name) const {
        return std::string(proj->ProjKat()) + "\\HARNDB\\" + name;
    }
    // The tunnel's record as it stands in the project database file.
    dbstype recordOnDisk() const {
        dbstype r{};
        const std::string bytes = testing_support::readBytes(root + "/HARNPLAN.DBS");
        const dbstype* cur = const_cast<CHarnDbs&>(*dbs).Get_aktel();
        std::memcpy(&r, bytes.data() + cur->filpos, kDbsRecordSize);
        return r;
    }

    std::unique_ptr<CHarnDbs> dbs;
};

} // namespace tunnel_test
