// The library files of reinforcement systems, reinforcement types and grouting systems:
// creation, the version check, loading with packing, the count checks and the stop message.
#include "mapping/CForstSystem.h"
#include "mapping/CForstTyper.h"
#include "mapping/CInjSystem.h"
#include "platform/FaultInjection.h"
#include "platform/UserInterface.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

template <class V> void put(std::string& bytes, size_t at, V value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

std::string header(const char* version, int32_t antal, int32_t hal, int32_t slut,
                   double verdel = 0.4) {
    std::string h(300, '\0');
    std::strncpy(&h[0], version, 6);
    // Bytes the library does not interpret, to see that they are kept.
    h[10] = 'H';
    put<int32_t>(h, 24, antal);
    put<int32_t>(h, 40, 77);
    put<int32_t>(h, 104, hal);
    put<double>(h, 108, verdel);
    put<int32_t>(h, 116, slut);
    for (size_t i = 120; i < 300; ++i)
        h[i] = static_cast<char>(i);
    return h;
}

std::string record(int length, int numberOffset, const char* id, int16_t nr, char fill) {
    std::string r(static_cast<size_t>(length), fill);
    std::memset(&r[0], 0, 16);
    std::strncpy(&r[0], id, 16);
    put<int16_t>(r, static_cast<size_t>(numberOffset), nr);
    return r;
}

std::string sysrec(const char* id, int16_t nr, char fill) {
    return record(312, 16, id, nr, fill);
}

template <class L> std::vector<int32_t> offsets(L& list) {
    std::vector<int32_t> out;
    if (list.Home() == 0) {
        do {
            out.push_back(list.Get_aktel()->filpos);
        } while (list++);
    }
    return out;
}

// Creates library files (Init is protected).
class Creator : public CBibLista<systype> {
public:
    using CBibLista<systype>::Init;
};

// Bell characters go to a temporary file so a test can count them.
class Bells {
public:
    Bells() : m_file(std::tmpfile()) { libfile::setBellStream(m_file); }
    ~Bells() {
        libfile::setBellStream(nullptr);
        std::fclose(m_file);
    }
    std::string text() {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string out;
        int c;
        while ((c = std::fgetc(m_file)) != EOF)
            out += static_cast<char>(c);
        return out;
    }

private:
    std::FILE* m_file;
};

class LibraryFile : public testing_support::RecordingTest {
protected:
    std::string path(const char* name) const { return dir.file(name); }
    std::string win(const char* name) const { return dir.winPath() + "\\" + name; }
    // The message texts shown, in order; each must come as an OK box with the exclamation
    // icon and the application title.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& e : ui.messages()) {
            EXPECT_EQ(e.flags, MB_OK | MB_ICONEXCLAMATION);
            EXPECT_EQ(e.caption, platform::applicationTitle());
            out.push_back(e.text);
        }
        return out;
    }
    Bells bells;
};

} // namespace

TEST_F(LibraryFile, NewFileIsTheEmptyHeaderAndLoadsEmpty) {
    Creator c;
    EXPECT_EQ(c.Init(win("NY.BIB").c_str(), 1), 0);
    std::string want(120, '\0');
    std::memcpy(&want[0], "1.4", 3);
    put<double>(want, 108, 1.4 - 1);
    put<int32_t>(want, 116, 300);
    EXPECT_EQ(readBytes(path("NY.BIB")), want);
    double verdel;
    std::memcpy(&verdel, &want[108], 8);
    EXPECT_NEAR(verdel, 0.4, 1e-12);

    CForstSystem sys(win("NY.BIB").c_str());
    EXPECT_EQ(sys.Resultat(), 0);
    EXPECT_EQ(sys.Where(nullptr), -1);
    EXPECT_STREQ(sys.Huvud().version, "1.4");
    EXPECT_EQ(sys.Huvud().slut, 300);
    EXPECT_EQ(sys.Postlangd(), 312);
    EXPECT_TRUE(ui.events.empty());
    EXPECT_EQ(bells.text(), "");
    EXPECT_EQ(readBytes(path("NY.BIB")), want);
}

TEST_F(LibraryFile, VersionCheck) {
    for (const char* ok : {"0.94", "1.0", "1.4", "2.0", "1.5", "9.9"}) {
        writeBytes(path("V.BIB"), header(ok, 0, 0, 300));
        CForstSystem sys(win("V.BIB").c_str());
        EXPECT_EQ(sys.Resultat(), 0) << ok;
    }
    EXPECT_TRUE(ui.events.empty());
    EXPECT_EQ(bells.text(), "");

    for (const char* old : {"0.9", "0.5", "abc", ""}) {
        ui.clear();
        std::string file = header(old, 1, 0, 612) + sysrec("A", 1, 'a');
        writeBytes(path("V.BIB"), file);
        CForstSystem sys(win("V.BIB").c_str());
        EXPECT_EQ(sys.Resultat(), -1) << old;
        EXPECT_EQ(sys.Where(nullptr), -1);
        EXPECT_EQ(messages(), std::vector<std::string>{std::string("Gammal version: ") + old +
                                                       "\nNu gäller version: 1.4"});
        EXPECT_EQ(readBytes(path("V.BIB")), file);
    }
    EXPECT_EQ(bells.text(), "\a\a\a\a\a\a\a\a");
}

TEST_F(LibraryFile, PackingMovesRecordsTogetherAndLeavesFillers) {
    std::string a = sysrec("SYS-A", 1, 'a');
    std::string freed = sysrec("GAMMAL", 0, 'f');
    std::string b = sysrec("SYS-B", 2, 'b');
    std::string file = header("1.4", 2, 1, 1236) + a + freed + b;
    writeBytes(path("FS.BIB"), file);

    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(sys.Resultat(), 0);
    EXPECT_EQ(offsets(sys), (std::vector<int32_t>{300, 612}));
    sys.Home();
    EXPECT_STREQ(sys.Get_aktel()->id, "SYS-A");
    EXPECT_EQ(std::memcmp(sys.Get_aktel(), a.data(), 312), 0);
    sys++;
    EXPECT_STREQ(sys.Get_aktel()->id, "SYS-B");
    EXPECT_EQ(sys.Get_aktel()->nr, 2);
    EXPECT_EQ(sys.Huvud().slut, 924);
    EXPECT_EQ(sys.Huvud().hal, 0);
    EXPECT_TRUE(ui.events.empty());

    std::string filler = b;
    put<int16_t>(filler, 16, -1);
    std::string want = header("1.4", 2, 0, 924) + a + b + filler;
    EXPECT_EQ(readBytes(path("FS.BIB")), want);
    EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"FS.BIB"});

    // Loading the packed file changes nothing more.
    CForstSystem again(win("FS.BIB").c_str());
    EXPECT_EQ(offsets(again), (std::vector<int32_t>{300, 612}));
    EXPECT_EQ(readBytes(path("FS.BIB")), want);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(LibraryFile, FreedRecordWithoutHalIsLoadedInPlaceWithPackingWarning) {
    std::string file = header("1.4", 2, 0, 1236) + sysrec("SYS-A", 1, 'a') +
                       sysrec("GAMMAL", -1, 'f') + sysrec("SYS-B", 2, 'b');
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(sys.Resultat(), 0);
    EXPECT_EQ(offsets(sys), (std::vector<int32_t>{300, 924}));
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Fel vid packning antal=(0 1),\nvälj Konvertera i Arkiv."});
    EXPECT_EQ(bells.text(), "\a");
    EXPECT_EQ(readBytes(path("FS.BIB")), file);
}

TEST_F(LibraryFile, CountMismatchWarnsAndKeepsTheList) {
    std::string file = header("1.4", 3, 2, 924) + sysrec("A", 1, 'a') + sysrec("B", 5, 'b');
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(sys.Resultat(), 0);
    EXPECT_EQ(offsets(sys), (std::vector<int32_t>{300, 612}));
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Osäker databas antal=(3 2),\nvälj Konvertera i Arkiv.",
                              "Fel vid packning antal=(2 0),\nvälj Konvertera i Arkiv."}));
    EXPECT_EQ(bells.text(), "\a\a");
    // Packing with nothing freed: slut stays, hal goes to 0; the fillers never lengthen the
    // file, so none fits behind the last record.
    std::string want = header("1.4", 3, 0, 924) + sysrec("A", 1, 'a') + sysrec("B", 5, 'b');
    EXPECT_EQ(readBytes(path("FS.BIB")), want);
}

TEST_F(LibraryFile, HugeHalWritesFillersOnlyUpToTheFileEnd) {
    std::string b = sysrec("B", 2, 'b');
    std::string file = header("1.4", 1, 1000000, 924) + sysrec("X", 0, 'x') + b;
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(offsets(sys), std::vector<int32_t>{300});
    std::string filler = b;
    put<int16_t>(filler, 16, -1);
    EXPECT_EQ(readBytes(path("FS.BIB")), header("1.4", 1, 0, 612) + b + filler);
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Fel vid packning antal=(1000000 1),\nvälj Konvertera i Arkiv."});
}

TEST_F(LibraryFile, RecordInUseBehindSlutStopsTheScan) {
    std::string file = header("1.4", 1, 0, 612) + sysrec("A", 1, 'a') + sysrec("STOPPER", 3, 's') +
                       sysrec("C", 4, 'c');
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(offsets(sys), std::vector<int32_t>{300});
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Kontroll av databas, förstärk: stopp på id         STOPPER"});
    EXPECT_EQ(bells.text(), "\a");
    EXPECT_EQ(readBytes(path("FS.BIB")), file);
}

TEST_F(LibraryFile, StopWhilePackingFillsFromTheStoppedRecord) {
    std::string stop = sysrec("ST", 3, 's');
    std::string file = header("1.4", 1, 1, 924) + sysrec("F", 0, 'f') + sysrec("A", 1, 'a') + stop +
                       sysrec("C", 4, 'c');
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(offsets(sys), std::vector<int32_t>{300});
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Kontroll av databas, förstärk: stopp på id              ST"});
    std::string filler = stop;
    put<int16_t>(filler, 16, -1);
    EXPECT_EQ(readBytes(path("FS.BIB")),
              header("1.4", 1, 0, 612) + sysrec("A", 1, 'a') + filler + stop + sysrec("C", 4, 'c'));
}

TEST_F(LibraryFile, OpenAndHeaderFailures) {
    CForstSystem missing(win("SAKNAS.BIB").c_str());
    EXPECT_EQ(missing.Resultat(), -3);
    EXPECT_EQ(missing.Where(nullptr), -1);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Kan ej öppna biblioteksfil :\n" + win("SAKNAS.BIB")});

    ui.clear();
    writeBytes(path("KORT.BIB"), header("1.4", 0, 0, 300).substr(0, 119));
    CInjSystem kort(win("KORT.BIB").c_str());
    EXPECT_EQ(kort.Resultat(), -4);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Fel vid läsning av databas :\n" + win("KORT.BIB")});
    EXPECT_EQ(readBytes(path("KORT.BIB")).size(), 119u);

    // A file that cannot be opened for writing is refused as well.
    ui.clear();
    platform::FaultInjector::failNth(platform::FileOp::Open, 1);
    writeBytes(path("OK.BIB"), header("1.4", 0, 0, 300));
    CForstTyper typer(win("OK.BIB").c_str());
    EXPECT_EQ(typer.Resultat(), -3);
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(bells.text(), "");
}

TEST_F(LibraryFile, SettingsConstructorShowsTheOpenMessageWithAnEmptyName) {
    CAutoIni* ini = nullptr;
    CForstSystem sys(ini);
    EXPECT_EQ(sys.Resultat(), -3);
    EXPECT_EQ(sys.Where(nullptr), -1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Kan ej öppna biblioteksfil :\n"});
}

TEST_F(LibraryFile, FailedPackingKeepsTheFileAndTheList) {
    std::string file = header("1.4", 2, 1, 1236) + sysrec("SYS-A", 1, 'a') +
                       sysrec("GAMMAL", 0, 'f') + sysrec("SYS-B", 2, 'b');
    for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
        ui.clear();
        writeBytes(path("FS.BIB"), file);
        platform::FaultInjector::reset();
        platform::FaultInjector::failNth(op, 1, true);
        CForstSystem sys(win("FS.BIB").c_str());
        platform::FaultInjector::reset();
        EXPECT_EQ(sys.Resultat(), -5);
        EXPECT_EQ(offsets(sys), (std::vector<int32_t>{300, 612}));
        EXPECT_EQ(sys.Huvud().hal, 1);
        EXPECT_EQ(sys.Huvud().slut, 1236);
        EXPECT_EQ(messages(),
                  std::vector<std::string>{"Kan ej skriva biblioteksfil :\n" + win("FS.BIB")});
        EXPECT_EQ(readBytes(path("FS.BIB")), file);
        EXPECT_EQ(testing_support::listNames(dir.path()), std::vector<std::string>{"FS.BIB"});
    }
}

TEST_F(LibraryFile, FailedCreationLeavesNoFile) {
    platform::FaultInjector::failNth(platform::FileOp::Write, 1, true);
    Creator c;
    EXPECT_EQ(c.Init(win("NY.BIB").c_str(), 1), -3);
    platform::FaultInjector::reset();
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Kan ej skriva biblioteksfil :\n" + win("NY.BIB")});
    EXPECT_FALSE(testing_support::exists(path("NY.BIB")));
}

TEST_F(LibraryFile, TruncatedLastRecordIsNotLoaded) {
    std::string file =
        header("1.4", 1, 0, 612) + sysrec("A", 1, 'a') + sysrec("HALV", 2, 'h').substr(0, 200);
    writeBytes(path("FS.BIB"), file);
    CForstSystem sys(win("FS.BIB").c_str());
    EXPECT_EQ(offsets(sys), std::vector<int32_t>{300});
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(LibraryFile, GroutingSystemsUseTheNumberAtByte212) {
    auto inj = [](const char* id, int16_t nr, char fill) { return record(288, 212, id, nr, fill); };
    std::string a = inj("INJ-1", 1, 'a');
    // A positive byte 16 does not make a grouting record used.
    std::string freed = inj("FRI", 0, 'f');
    put<int16_t>(freed, 16, 5);
    std::string b = inj("INJ-2", 7, 'b');
    writeBytes(path("INJ.BIB"), header("1.4", 2, 1, 300 + 3 * 288) + a + freed + b);
    CInjSystem sys(win("INJ.BIB").c_str());
    EXPECT_EQ(offsets(sys), (std::vector<int32_t>{300, 588}));
    sys.End();
    EXPECT_EQ(sys.Get_aktel()->nr, 7);
    EXPECT_EQ(sys.Postlangd(), 288);
    std::string filler = b;
    put<int16_t>(filler, 212, -1);
    EXPECT_EQ(readBytes(path("INJ.BIB")), header("1.4", 2, 0, 876) + a + b + filler);
    EXPECT_TRUE(ui.events.empty());

    writeBytes(path("INJ.BIB"), header("1.4", 0, 0, 300) + inj("EFTER", 2, 'e'));
    CInjSystem stop(win("INJ.BIB").c_str());
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Kontroll av databas, förstärk: stopp på id           EFTER"});
}
