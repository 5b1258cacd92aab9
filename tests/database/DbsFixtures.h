// Helpers of the database tests: a project folder with its database subfolder, byte images
// of heads and records as the file holds them, the list and the recorded events as text.
#pragma once

#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/UserInterface.h"
#include "tests/support/ProjectTest.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>

namespace dbs_test {

using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;

// A head as the file holds it; the defaults give that of a new database. `typ` gives the
// nine counters, one digit each.
inline dbshdtype head(int antal = 0, int slut = 600, int hal = 0, const char* typ = "",
                      const char* projnamn = "PROJ1", const char* datum = "2026-03-04") {
    dbshdtype h{};
    std::strcpy(h.version, "1.5");
    std::strcpy(h.projnamn, projnamn);
    std::strcpy(h.datum, datum);
    std::strcpy(h.koordsys, "RAK");
    std::strcpy(h.riktning, "NORR");
    h.xmin = h.ymin = h.zmin = DBL_MAX;
    h.xmax = h.ymax = h.zmax = -DBL_MAX;
    h.verdel = 0.5;
    h.antal = antal, h.slut = slut, h.hal = hal;
    for (int t = 0; t < 9 && typ[t]; ++t)
        h.typantal[t] = typ[t] - '0';
    return h;
}

inline dbstype record(int typ, const char* id, const char* filnamn, double x = 0, double y = 0,
                      double z = 0, double dx = 0, double dy = 0, double dz = 0) {
    dbstype r{};
    r.typ = static_cast<uint8_t>(typ);
    std::strncpy(r.id, id, sizeof r.id); // 16 letters: no terminator
    std::strcpy(r.filnamn, filnamn);
    r.x = x, r.y = y, r.z = z, r.dx = dx, r.dy = dy, r.dz = dz;
    return r;
}

// The bytes of a head or a record as the file holds them (a record without its filpos), and
// back (zeros past the end of the file).
inline std::string bytesOf(const dbshdtype& h) {
    return std::string(reinterpret_cast<const char*>(&h), kDbsHeadSize);
}
inline std::string bytesOf(const dbstype& r) {
    return std::string(reinterpret_cast<const char*>(&r), kDbsRecordSize);
}
template <class T> T at(const std::string& file, size_t offset) {
    T v{};
    if (file.size() > offset)
        std::memcpy(&v, file.data() + offset, std::min(bytesOf(v).size(), file.size() - offset));
    return v;
}
// A database file: head, zero gap up to 600, then the slots.
inline std::string fileOf(const dbshdtype& h, std::initializer_list<dbstype> slots) {
    std::string s = bytesOf(h) + std::string(kDbsFirstSlot - kDbsHeadSize, '\0');
    for (const dbstype& r : slots)
        s += bytesOf(r);
    return s;
}

// The head's counters and extent in one line: "antal=2 hal=0 slut=848 typ=001010000
// x=5:11 y=20:26 z=30:33" (typ: the nine counters, one digit each).
inline std::string summary(const dbshdtype& h) {
    std::string typ;
    for (int32_t n : h.typantal)
        typ += n >= 0 && n <= 9 ? static_cast<char>('0' + n) : '?';
    char s[256];
    std::snprintf(s, sizeof s, "antal=%d hal=%d slut=%d typ=%s x=%g:%g y=%g:%g z=%g:%g", h.antal,
                  h.hal, h.slut, typ.c_str(), h.xmin, h.xmax, h.ymin, h.ymax, h.zmin, h.zmax);
    return s;
}

// Seconds a call takes.
template <class F> double seconds(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A file kept beside the tests in tests/data/database, byte for byte.
inline std::string dataOf(const char* name) {
    return readBytes(std::filesystem::path(__FILE__).parent_path() / "../data/database" / name);
}

// A database object that sees the protected members.
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
    // The list as "ID@filpos ..." in list order.
    std::string ids() {
        std::string s;
        for (Node* n = m_forst; n; n = n->next)
            s += (s.empty() ? "" : " ") + std::string(n->rec.id) + "@" +
                 std::to_string(n->rec.filpos);
        return s;
    }
    void setMarkAndCurrent(dbstype* mark, dbstype* akt) { m_pmark = mark, m_pael = akt; }
};

// A project folder PROJ1 with its database subfolder in a fresh temporary folder.
class DbsTest : public testing_support::ProjectTest {
protected:
    std::string lockFile() const { return root + "/HARNPLAN.LCK"; }
    // The head and a slot in the file; summary() of the head.
    dbshdtype fileHd() const { return at<dbshdtype>(readBytes(dbsFile()), 0); }
    dbstype fileSlot(size_t offset) const { return at<dbstype>(readBytes(dbsFile()), offset); }
    std::string fileHead() const { return summary(fileHd()); }
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
    // Appends records to an open database through Ny and Uppdat(0).
    static void add(CHarnDbs& d, std::initializer_list<dbstype> records) {
        for (dbstype r : records) {
            r.filpos = 0;
            d.Ny(1, &r);
            ASSERT_EQ(d.Uppdat(0), 0);
        }
    }
    // Every recorded event, one per line: "call/flags caption: text" or "status: text".
    std::string events() const {
        std::string s;
        for (const auto& e : ui.events) {
            char flags[16];
            std::snprintf(flags, sizeof flags, "/%x ", e.flags);
            s += e.kind == platform::RecordingUserInterface::Event::Kind::Status
                     ? "status: " + e.text + "\n"
                     : std::string(platform::messageCallName(e.call)) + flags + e.caption + ": " +
                           e.text + "\n";
        }
        return s;
    }
    // A message box with the exclamation icon as events() shows it.
    static std::string box(const std::string& caption, const std::string& text) {
        return "MessageBoxA/30 " + caption + ": " + text + "\n";
    }

    const std::string kApp = platform::applicationTitle();
    const std::string kLas = "Inläsning av Harnoplan - databas"_cp;
    const std::string kUpp = "Uppdatering av Harnoplan - databas";
};

} // namespace dbs_test
