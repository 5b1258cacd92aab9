// The library files of reinforcement systems, reinforcement types and grouting systems:
// creation, the version check, loading with packing, the count checks, the stop message and
// the type lookup.
#include "mapping/CForstSystem.h"
#include "mapping/CForstTyper.h"
#include "mapping/CInjSystem.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "tests/mapping/LibraryFileBytes.h"
#include "tests/support/ProjectTest.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using libtest::header;
using libtest::put;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

// What a test sees of a loaded list.
struct Loaded {
    int result;
    std::vector<int32_t> offsets;
    std::string firstRecord, header;
};

template <class L, class... ReadOnly> Loaded loadAs(const std::string& fil) {
    L l(fil.c_str(), ReadOnly{}...);
    Loaded out{l.Resultat(), {}, {}, std::string(reinterpret_cast<const char*>(&l.Huvud()), 120)};
    if (l.Home() == 0) {
        out.firstRecord.assign(reinterpret_cast<const char*>(l.Get_aktel()), l.Postlangd());
        do
            out.offsets.push_back(l.Get_aktel()->filpos);
        while (l++);
    }
    return out;
}

struct Kind {
    const char* name;
    int length, numberOffset;
    Loaded (*load)(const std::string&);
    Loaded (*look)(const std::string&); // read-only
};
const Kind kSystem{"system", 312, 16, &loadAs<CForstSystem>, &loadAs<CForstSystem, ReadOnlyLoad>},
    kTypes{"types", 656, 652, &loadAs<CForstTyper>, &loadAs<CForstTyper, ReadOnlyLoad>},
    kGrouting{"grouting", 288, 212, &loadAs<CInjSystem>, &loadAs<CInjSystem, ReadOnlyLoad>};

// Creates library files (Init is protected).
class Creator : public CBibLista<systype> {
public:
    using CBibLista<systype>::Init;
};

class LibraryFile : public testing_support::BellRecordingTest {
protected:
    std::string path() const { return dir.file("LIB.BIB"); }
    std::string win() const { return dir.winPath() + "\\LIB.BIB"; }
};

} // namespace

// A new file is the empty 120-byte header; it loads as an empty list and stays as it is.
TEST_F(LibraryFile, NewFileAndVersionCheck) {
    Creator c;
    EXPECT_EQ(c.Init(win().c_str(), 1), 0);
    std::string want(120, '\0');
    std::memcpy(&want[0], "1.4", 3);
    put<double>(want, 108, 1.4 - 1);
    put<int32_t>(want, 116, 300);
    EXPECT_EQ(readBytes(path()), want);
    Loaded l = kGrouting.load(win());
    EXPECT_EQ(l.result, 0);
    EXPECT_TRUE(l.offsets.empty());
    EXPECT_EQ(l.header, want);
    EXPECT_EQ(readBytes(path()), want);

    for (const char* ok : {"0.94", "1.5", "2.0"}) {
        writeBytes(path(), header(ok, 0, 0, 300));
        EXPECT_EQ(kSystem.load(win()).result, 0) << ok;
    }
    EXPECT_EQ(events(), Events{"bells: 0"});
    for (const char* old : {"0.93", "abc", ""}) {
        const std::string file = header(old, 1, 0, 612) + libtest::record(312, 16, "A", 1);
        writeBytes(path(), file);
        l = kSystem.load(win());
        EXPECT_EQ(l.result, -1) << old;
        EXPECT_TRUE(l.offsets.empty());
        EXPECT_EQ(events(), (Events{std::string("box: Gammal version: ") + old +
                                        "\nNu gäller version: 1.4"_cp,
                                    "bells: 2"}));
        EXPECT_EQ(readBytes(path()), file);
    }
}

// Records in a short notation: "A1 FRI0 B-1" are records A (number 1), FRI (0), B (-1).
std::string records(const Kind& k, const std::string& list) {
    std::string out, id;
    for (std::istringstream in(list); in >> id;) {
        std::size_t digit = id.find_first_of("-0123456789");
        int16_t nr = static_cast<int16_t>(std::stoi(id.substr(digit)));
        out += libtest::record(k.length, k.numberOffset, id.substr(0, digit).c_str(), nr);
    }
    return out;
}

// One table for the scan, the count checks, the stop and the packing, run for each kind, and
// for the read-only load, which packs nothing.
// Offsets and `slut` are counted in records behind offset 300.
TEST_F(LibraryFile, LoadingPacksWarnsAndStops) {
    struct Case {
        const char* file;
        int32_t antal, hal, slut;
        std::vector<int> loaded;
        const char *stop, *antalWarning, *halWarning;
        int32_t newSlut;   // -1: the file stays as it was
        const char* after; // the records from offset 300 after packing
    } cases[] = {
        {"A1 FRI0 B2", 2, 1, 3, {0, 1}, "", "", "", 2, "A1 B2 B-1"},
        {"A1 FRI-1 B2", 2, 0, 3, {0, 2}, "", "", "0 1", -1, ""},
        {"A1 B5", 3, 2, 2, {0, 1}, "", "3 2", "2 0", 2, "A1 B5"},
        {"X0 B2", 1, 1000000, 2, {0}, "", "", "1000000 1", 1, "B2 B-1"},
        {"A1 STOPPER3 C4", 1, 0, 1, {0}, "STOPPER", "", "", -1, ""},
        {"F0 A1 ST3 C4", 1, 1, 2, {0}, "ST", "", "", 1, "A1 ST-1 ST3 C4"},
        {"A1 FRI0 X-1", 1, 0, 1, {0}, "", "", "", -1, ""}, // free records at or behind slut
    };
    for (const Kind* k : {&kSystem, &kTypes, &kGrouting}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(k->name) + ": " + c.file);
            std::string file =
                header("1.4", c.antal, c.hal, 300 + c.slut * k->length) + records(*k, c.file);
            writeBytes(path(), file);
            // Read-only: the same result and messages, the records where the file holds them,
            // the file as it was.
            const Loaded looked = k->look(win());
            EXPECT_EQ(looked.result, 0);
            EXPECT_EQ(readBytes(path()), file);
            const std::vector<std::string> lookEvents = events();
            Loaded l = k->load(win());
            EXPECT_EQ(l.result, 0);

            std::vector<int32_t> offsets;
            for (int slot : c.loaded)
                offsets.push_back(300 + slot * k->length);
            EXPECT_EQ(l.offsets, offsets);
            std::vector<std::string> want;
            if (*c.stop) // the identifier right-aligned in 15 places
                want.push_back((k == &kTypes
                                    ? "status: Kontroll av databas: stopp på id "_cp
                                    : "box: Kontroll av databas, förstärk: stopp på id "_cp) +
                               std::string(15 - std::strlen(c.stop), ' ') + c.stop);
            if (*c.antalWarning)
                want.push_back("box: Osäker databas antal=("_cp + std::string(c.antalWarning) +
                               "),\nvälj Konvertera i Arkiv."_cp);
            if (*c.halWarning)
                want.push_back("box: Fel vid packning antal=(" + std::string(c.halWarning) +
                               "),\nvälj Konvertera i Arkiv."_cp);
            want.push_back("bells: " + std::to_string(want.size() + (*c.stop && k == &kTypes)));
            EXPECT_EQ(events(), want);
            EXPECT_EQ(lookEvents, want);
            EXPECT_EQ(looked.offsets.size(), offsets.size());
            EXPECT_EQ(looked.header, file.substr(0, 120));
            std::string after = file;
            if (c.newSlut >= 0) {
                after =
                    header("1.4", c.antal, 0, 300 + c.newSlut * k->length) + records(*k, c.after);
                after += file.substr(after.size());
            }
            EXPECT_EQ(readBytes(path()), after);
            EXPECT_EQ(l.header, after.substr(0, 120));
            EXPECT_EQ(l.firstRecord, after.substr(300, k->length)); // the first loaded
        }
    }
    EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"LIB.BIB"});
}

TEST_F(LibraryFile, FailuresShowTheirMessage) {
    CForstSystem missing(win().c_str());
    EXPECT_EQ(missing.Resultat(), -3);
    EXPECT_EQ(events(), (Events{"box: Kan ej öppna biblioteksfil :\n"_cp + win(), "bells: 0"}));
    CForstSystem fromSettings(static_cast<CAutoIni*>(nullptr));
    EXPECT_EQ(fromSettings.Resultat(), -3);
    EXPECT_EQ(events(), (Events{"box: Kan ej öppna biblioteksfil :\n"_cp, "bells: 0"}));

    writeBytes(path(), header("1.4", 0, 0, 300).substr(0, 119));
    EXPECT_EQ(kGrouting.load(win()).result, -4);
    EXPECT_EQ(events(), (Events{"box: Fel vid läsning av databas :\n"_cp + win(), "bells: 0"}));
    EXPECT_EQ(readBytes(path()).size(), 119u);

    // A packing that cannot be written leaves the file and the header as they were, and is
    // reported although the constructor drops the result.
    const std::string file = header("1.4", 2, 1, 1236) + records(kSystem, "A1 F0 B2");
    for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
        writeBytes(path(), file);
        platform::FaultInjector::reset();
        platform::FaultInjector::failNth(op, 1, true);
        Loaded l = kSystem.load(win());
        platform::FaultInjector::reset();
        EXPECT_EQ(l.result, -5);
        // The offsets are where the unpacked file holds the records.
        EXPECT_EQ(l.offsets, (std::vector<int32_t>{300, 924}));
        EXPECT_EQ(platform::FailureLog::entries(),
                  std::vector<std::string>{"library file not packed: cannot write " + win()});
        platform::FailureLog::reset();
        EXPECT_EQ(l.header, file.substr(0, 120));
        EXPECT_EQ(events(), (Events{"box: Kan ej skriva biblioteksfil :\n" + win(), "bells: 0"}));
        EXPECT_EQ(readBytes(path()), file);
        EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"LIB.BIB"});
    }

    // A new file whose header cannot be written is removed.
    platform::FaultInjector::failNth(platform::FileOp::Write, 1, true);
    Creator c;
    EXPECT_EQ(c.Init((dir.winPath() + "\\NY.BIB").c_str(), 1), -3);
    platform::FaultInjector::reset();
    EXPECT_EQ(events(), (Events{"box: Kan ej skriva biblioteksfil :\n" + dir.winPath() + "\\NY.BIB",
                                "bells: 0"}));
    EXPECT_FALSE(testing_support::exists(dir.file("NY.BIB")));
}

TEST_F(LibraryFile, FindnumLooksUpGroupAndTypeNumber) {
    // Records A to D with (grupp, typnr) (1, 1), (1, 2), (2, 1), (1, 2).
    std::string file = header("1.4", 4, 0, 300 + 4 * 656) + records(kTypes, "A1 B1 C2 D1");
    for (int i = 0; int typnr : {1, 2, 1, 2})
        put<int16_t>(file, 300 + 656 * i++ + 654, static_cast<int16_t>(typnr));
    writeBytes(path(), file);
    CForstTyper t(win().c_str());
    for (const auto& row : testing_support::dataRows("mapping/Findnum.txt")) {
        SCOPED_TRACE(row[4]);
        int typnr, grupp, lage;
        std::istringstream(row[1]) >> typnr >> grupp >> lage;
        t.Home();
        for (int i = 1; i < std::stoi(row[0]); ++i)
            t++;
        if (row[0] != "0")
            t.Set_mark();
        t.End();
        EXPECT_EQ(t.Findnum(typnr, grupp, lage), std::stoi(row[2]));
        EXPECT_EQ(t.Where(nullptr), std::stoi(row[3]));
    }
    CForstTyper empty((dir.winPath() + "\\SAKNAS.BIB").c_str());
    EXPECT_EQ(empty.Findnum(1, 1, 0), 0);
}
