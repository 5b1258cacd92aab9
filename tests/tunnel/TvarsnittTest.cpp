// The cross-section type index TVTYP.LIS: creation, the version check, reading with the
// packing of holes and the count checks, Uppdat in its modes, Delete and FindKoord.
#include "database/CHarnDbs.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "tests/tunnel/TunnelFixture.h"

#include <string>
#include <vector>

using testing_support::exists;
using testing_support::readBytes;
using testing_support::writeBytes;
using tvtest::head;
using tvtest::put;
using tvtest::record;

namespace {

class Tvarsnitt : public tvtest::TunnelTest {};

// The 36-byte head as a new index has it.
std::string newIndex() {
    return head("1.5", 0, 0, 100).substr(0, 36);
}

} // namespace

// A new index is its 36-byte head; it reads as an empty list and stays as it is. Neither a
// missing index nor a missing folder shows anything: the message is only composed.
TEST_F(Tvarsnitt, CreateAndReadEmpty) {
    writeBytes(index(), head("1.5", 1, 0, 236) + record("OLD"));
    CTvarsnitt lib(&proj);
    EXPECT_EQ(lib.Init(1), 0);
    EXPECT_EQ(readBytes(index()), newIndex());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&lib.m_hd), 36), newIndex());
    EXPECT_EQ(lib.m_reclen, 140);

    CTvarsnitt again(&proj);
    EXPECT_EQ(again.Init(0), 0);
    EXPECT_EQ(again.Where(nullptr), -1);
    EXPECT_EQ(readBytes(index()), newIndex());
    EXPECT_EQ(events(), Events{"bells: 0"});

    CProjPath nowhere(dir.file("none").c_str());
    CTvarsnitt missing(&nowhere);
    for (int mode : {0, 1}) {
        EXPECT_EQ(missing.Init(mode), -3) << mode;
        EXPECT_EQ(std::string(g_lineBuffer),
                  "Kan ej öppna listfil :\n"_cp + std::string(missing.IndexPath()));
    }
    EXPECT_FALSE(exists(dir.file("none")));
    EXPECT_EQ(events(), Events{"bells: 0"});
}

// Versions from 0.94 up are read; others are refused with the remedy, the file untouched.
// A version above the current one that the rule refuses gets the "???" text (only possible
// with another current version). A head too short to read is a read error.
TEST_F(Tvarsnitt, VersionAndHeadChecks) {
    for (const char* ok : {"0.94", "1.0", "1.5", "2.7"}) {
        writeBytes(index(), head(ok, 1, 0, 236, 0) + record("A"));
        CTvarsnitt lib(&proj);
        EXPECT_EQ(lib.Init(0), 0) << ok;
        EXPECT_EQ(listed(lib), std::vector<std::string>{"A@100"}) << ok;
    }
    EXPECT_EQ(events(), Events{"bells: 0"});

    struct Case {
        const char* current;
        const char* file;
        const char* text;
    };
    const char* const saved = CHarnDbs::m_Dbsver;
    for (const Case& c :
         {Case{"1.5", "0.93", "Gammal version: 0.93\nNu gäller version: 1.5"_cp},
          Case{"1.5", "abc", "Gammal version: abc\nNu gäller version: 1.5"_cp},
          Case{"1.5", "", "Gammal version: \nNu gäller version: 1.5"_cp},
          Case{"3.0", "2.5", "Gammal version: 2.5\nNu gäller version: 3.0"_cp},
          Case{"3.0", "5.0", "??? version: 5.0 (5.00 3.00)\nNu gäller version: 3.0"_cp}}) {
        CHarnDbs::m_Dbsver = c.current;
        const std::string bytes = head(c.file, 1, 1, 372) + record("A") + record("X", true);
        writeBytes(index(), bytes);
        CTvarsnitt lib(&proj);
        EXPECT_EQ(lib.Init(0), -1) << c.file;
        EXPECT_EQ(lib.Where(nullptr), -1);
        EXPECT_EQ(events(), (Events{std::string("box: ") + c.text, "bells: 2"}));
        EXPECT_EQ(readBytes(index()), bytes);
    }
    CHarnDbs::m_Dbsver = saved;

    writeBytes(index(), newIndex().substr(0, 35));
    CTvarsnitt lib(&proj);
    EXPECT_EQ(lib.Init(0), -4);
    EXPECT_EQ(events(),
              (Events{"box: Fel vid läsning av databas :\n"_cp + std::string(lib.IndexPath()),
                      "bells: 0"}));
}

// Reading packs the holes away (read-only reading leaves the file as it is): live records move
// down, dead records cover the freed tail, the head gets hal 0 and the new end. The next read finds
// the same types in the same order and a file it leaves alone. A record beyond the end stops the
// reading; disagreeing counts are told and the reading goes on.
TEST_F(Tvarsnitt, ReadingPacksAndChecks) {
    const std::string zero(136, '\0');
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> list;
        std::string after; // empty: the file stays as it was
        Events seen;
    };
    const std::string tail = "),\nvälj Konvertera i Arkiv."_cp;
    const std::vector<Case> cases{
        {"one hole",
         head("1.5", 2, 1, 508) + record("A") + record("OLD", true) + record("B"),
         {"A@100", "B@236"},
         head("1.5", 2, 0, 372).substr(0, 36) + std::string(64, '\0') + record("A") + record("B") +
             zero,
         {"bells: 0"}},
        {"holes first and last",
         head("1.5", 1, 2, 508) + record("X", true) + record("A") + record("Y", true),
         {"A@100"},
         head("1.5", 1, 0, 236).substr(0, 36) + std::string(64, '\0') + record("A") + zero + zero,
         {"bells: 0"}},
        {"more holes counted than found: the file does not grow",
         head("1.5", 2, 3, 508) + record("A") + record("OLD", true) + record("B"),
         {"A@100", "B@236"},
         head("1.5", 2, 0, 372).substr(0, 36) + std::string(64, '\0') + record("A") + record("B") +
             zero,
         {"box: Fel vid packning antal=(3 1" + tail, "bells: 1"}},
        {"live record at the end offset",
         head("1.5", 1, 0, 236) + record("A") + record("B") + record("C"),
         {"A@100"},
         "",
         {"status: Kontroll av databas, tvärsnitt : stopp på id               B"_cp, "bells: 2"}},
        {"counts disagree, no holes announced",
         head("1.5", 3, 0, 508) + record("A") + record("OLD", true) + record("B"),
         {"A@100", "B@372"},
         "",
         {"box: Osäker databas antal=(3 2"_cp + tail, "box: Fel vid packning antal=(0 1" + tail,
          "bells: 2"}},
        {"a partial record at the end is not read",
         head("1.5", 1, 0, 236) + record("A") + record("B").substr(0, 100),
         {"A@100"},
         "",
         {"bells: 0"}},
    };
    // The names of a listing, without the offsets.
    auto names = [](std::vector<std::string> list) {
        for (std::string& entry : list)
            entry.erase(entry.find('@'));
        return list;
    };
    for (const Case& c : cases) {
        writeBytes(index(), c.file);
        {
            // Read-only: the same types and messages, and the file stays as it is.
            CTvarsnitt look(&proj);
            EXPECT_EQ(look.InitReadOnly(), 0) << c.what;
            EXPECT_EQ(names(listed(look)), names(c.list)) << c.what;
            EXPECT_EQ(events(), c.seen) << c.what;
            EXPECT_EQ(readBytes(index()), c.file) << c.what;
        }
        CTvarsnitt lib(&proj);
        EXPECT_EQ(lib.Init(0), 0) << c.what;
        EXPECT_EQ(listed(lib), c.list) << c.what;
        EXPECT_EQ(events(), c.seen) << c.what;
        const std::string after = c.after.empty() ? c.file : c.after;
        EXPECT_EQ(readBytes(index()), after) << c.what;
        if (lib.Home() == 0) { // the record bytes come through whole
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(lib.Get_aktel()), 136),
                      record("A"));
        }

        CTvarsnitt again(&proj);
        EXPECT_EQ(again.Init(0), 0);
        EXPECT_EQ(listed(again), c.list) << c.what;
        EXPECT_EQ(again.m_hd.hal, 0);
        EXPECT_EQ(readBytes(index()), after) << c.what;
        events();
    }
}

// Uppdat: a new record goes to the end with the head (any mode below 2); a known record is
// written alone in modes 0 and below, with the head in mode 1; mode 2 writes the head only.
TEST_F(Tvarsnitt, UppdatModes) {
    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(1), 0);
    std::string want = newIndex();
    auto add = [&](const char* name, int mode) {
        const std::string r = record(name);
        tvtytype t{};
        std::memcpy(&t, r.data(), 136);
        lib.Ny(1, &t);
        EXPECT_EQ(lib.Uppdat(mode), 0) << name;
    };
    add("A", 0);
    want = head("1.5", 1, 0, 236).substr(0, 36) + std::string(64, '\0') + record("A");
    EXPECT_EQ(readBytes(index()), want);
    add("B", -1);
    want += record("B");
    put<int32_t>(want, 16, 2), put<int32_t>(want, 32, 372);
    EXPECT_EQ(readBytes(index()), want);
    EXPECT_EQ(listed(lib), (std::vector<std::string>{"A@100", "B@236"}));

    lib.Home();
    lib.Get_aktel()->anfstart = 9.5;
    std::strcpy(lib.m_hd.text, "ny text");
    EXPECT_EQ(lib.Uppdat(0), 0); // the record only
    put<double>(want, 100 + 48, 9.5);
    EXPECT_EQ(readBytes(index()), want);
    lib.Get_aktel()->anfslut = 7.25;
    EXPECT_EQ(lib.Uppdat(2), 0); // the head only
    std::strcpy(&want[6], "ny text");
    EXPECT_EQ(readBytes(index()), want);
    EXPECT_EQ(lib.Uppdat(1), 0); // both
    put<double>(want, 100 + 56, 7.25);
    EXPECT_EQ(readBytes(index()), want);

    // A record offset outside the file is refused; so is a missing index. Nothing changes.
    lib.Get_aktel()->filpos = 5000;
    EXPECT_EQ(lib.Uppdat(0), -3);
    EXPECT_EQ(lib.Get_aktel()->filpos, 5000);
    lib.Get_aktel()->filpos = 100;
    const std::string message = "box: Kan ej öppna listfil :\n"_cp + std::string(lib.IndexPath());
    EXPECT_EQ(events(), (Events{message, "bells: 0"}));
    EXPECT_EQ(readBytes(index()), want);
    std::remove(index().c_str());
    tvtytype c{};
    std::strcpy(c.tvnamn, "C");
    lib.Ny(1, &c);
    EXPECT_EQ(lib.Uppdat(0), -3);
    EXPECT_EQ(lib.Get_aktel()->filpos, 0);
    EXPECT_EQ(lib.m_hd.antal, 2);
    EXPECT_EQ(lib.m_hd.slut, 372);
    EXPECT_EQ(events(), (Events{message, "bells: 0"}));
    EXPECT_FALSE(exists(index()));
}

// FindKoord ignores case in the type names and reads the outline from the name as passed;
// a missing outline file gives an empty outline. Delete releases the outline and leaves the
// file alone. A host retires a type by clearing its name, counting the hole and writing the
// record and head; the next read packs it away without a word.
TEST_F(Tvarsnitt, FindKoordDeleteAndRetire) {
    const std::string bytes =
        head("1.5", 3, 0, 508) + record("TUNNEL1") + record("Åsa"_cp) + record("B2");
    writeBytes(index(), bytes);
    writeBytes(file("tunnel1.ttv"), "*\nTUNNEL1\n\n\n\n\n\n*\n1 2 0\n3 4 0\n*\n");
    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(0), 0);
    EXPECT_EQ(lib.FindKoord("NONE"), -1);
    EXPECT_EQ(lib.Where(nullptr), 3); // the last element
    EXPECT_EQ(lib.Outline(), nullptr);

    ASSERT_EQ(lib.FindKoord("tunnel1"), 0);
    EXPECT_EQ(lib.Where(nullptr), 1);
    ASSERT_NE(lib.Outline(), nullptr);
    EXPECT_EQ(std::string(lib.Outline()->m_fil), winFolder() + "tunnel1.ttv");
    int n = 0;
    lib.Outline()->Where(&n);
    EXPECT_EQ(n, 2);
    ASSERT_EQ(lib.FindKoord("Tunnel1"), 0); // loaded anew, the earlier outline released
    ASSERT_EQ(lib.FindKoord("åSA"_cp), 0);
    EXPECT_EQ(lib.Where(nullptr), 2);
    ASSERT_NE(lib.Outline(), nullptr);
    EXPECT_EQ(lib.Outline()->Where(nullptr), -1);

    EXPECT_EQ(lib.Delete(), 0);
    EXPECT_EQ(listed(lib), (std::vector<std::string>{"TUNNEL1@100", "B2@372"}));
    EXPECT_EQ(readBytes(index()), bytes);

    lib.End();
    lib.Get_aktel()->tvnamn[0] = 0;
    --lib.m_hd.antal;
    ++lib.m_hd.hal;
    EXPECT_EQ(lib.Uppdat(1), 0);
    CTvarsnitt again(&proj);
    EXPECT_EQ(again.Init(0), 0);
    EXPECT_EQ(listed(again), (std::vector<std::string>{"TUNNEL1@100", "Åsa@236"_cp}));
    EXPECT_EQ(events(), Events{"bells: 0"});

    CTvarsnitt empty(&proj);
    EXPECT_EQ(empty.FindKoord("TUNNEL1"), -1);
    EXPECT_EQ(empty.Delete(), -1);
}
