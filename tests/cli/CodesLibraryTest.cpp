// harn codes and harn library, run as a user runs them: on the shipped samples and on files
// made here.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

using testing_support::readBytes;
using testing_support::runTool;
using testing_support::TempDir;
using testing_support::ToolResult;
using testing_support::writeBytes;

namespace {

// The samples folder of the source tree this test was built from.
std::string samples() {
    return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples" / "codes")
        .lexically_normal()
        .string();
}

std::string copySample(const TempDir& dir, const std::string& name) {
    writeBytes(dir.file(name), readBytes(samples() + "/" + name));
    return dir.file(name);
}

// The tool speaks UTF-8, while this file's plain literals are Windows-1252.
std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

template <class V> void put(std::string& bytes, size_t at, V value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

std::string libHeader(const char* version, int32_t antal, int32_t hal, int32_t slut) {
    std::string h(300, '\0');
    std::strncpy(&h[0], version, 6);
    put<int32_t>(h, 24, antal);
    put<int32_t>(h, 104, hal);
    put<double>(h, 108, 0.4);
    put<int32_t>(h, 116, slut);
    return h;
}

std::string libRecord(int length, int numberOffset, const char* id, int16_t nr) {
    std::string r(static_cast<size_t>(length), 'x');
    std::memset(&r[0], 0, 16);
    std::strncpy(&r[0], id, 16);
    put<int16_t>(r, static_cast<size_t>(numberOffset), nr);
    return r;
}

} // namespace

TEST(CodesCommand, ListsTheShippedSample) {
    ToolResult r = runTool({"codes", samples()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "rock codes (24):\n")) << r.out;
    EXPECT_TRUE(
        contains(r.out, "\n    11  Gr    Granit           1.200        6     45.000      0\n"));
    EXPECT_TRUE(contains(
        r.out, utf8(u8"\n    -1  Ok    Okänd            1.000        4      0.000      9\n")));
    EXPECT_TRUE(contains(r.out, utf8(u8"\n    10  Gö  ")));
    EXPECT_TRUE(contains(r.out, "infill codes (14):\n"));
    EXPECT_TRUE(contains(r.out, "\n    13  Le    "));
    EXPECT_TRUE(contains(r.out, "soil codes (13):\n"));
    EXPECT_TRUE(contains(r.out, "\n     5  let   "));
    // Listing reads only.
    std::string before = readBytes(samples() + "/Harnkod.dat");
    runTool({"codes", samples(), "--rock"});
    EXPECT_EQ(readBytes(samples() + "/Harnkod.dat"), before);
}

TEST(CodesCommand, OneListExactly) {
    TempDir dir;
    writeBytes(dir.file("HARNKOD.DAT"),
               testing_support::crlf("*\n*\nR\n*\n13 Ox sten 2 3 -30\n*\n"));
    ToolResult r = runTool({"codes", dir.path(), "--infill"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string want = "code file: " + dir.winPath() + "\\Harnkod.dat\n\ninfill codes (14):\n" +
                       "    nr  code  text            factor  integer      angle  extra\n"
                       "     0                         1.000        4      0.000      0\n";
    const char* bet[] = {"ka", "kl", "gf", "tk", "fe", "kv", "ep", "hb", "fs", "su", "le", "jo"};
    for (int i = 1; i <= 12; ++i) {
        char line[100];
        std::snprintf(line, sizeof line,
                      "%6d  %-4s                   1.000        4      0.000      0\n", i,
                      bet[i - 1]);
        want += line;
    }
    want += "    13  Ox    sten             2.000        3    -30.000      0\n";
    EXPECT_EQ(r.out, want);
}

TEST(CodesCommand, JsonAndBuiltInCodes) {
    ToolResult r = runTool({"codes", samples(), "--rock", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"nr\": 3,\n      \"beteckning\": \"Sk\",\n      \"text\": "
                                "\"Skiffer\",\n      \"faktor\": 2.5,\n      \"tal\": 7,\n"
                                "      \"vinkel\": 90,\n      \"extra\": 0\n"))
        << r.out;
    EXPECT_TRUE(contains(r.out, utf8(u8"\"text\": \"Okänd\"")));
    EXPECT_FALSE(contains(r.out, "\"infill\""));
    EXPECT_EQ(r.out.back(), '\n');

    TempDir empty;
    r = runTool({"codes", empty.path(), "--json"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "\"codeFile\": null"));
    r = runTool({"codes", empty.path()});
    EXPECT_TRUE(contains(r.out, "code file: none (built-in codes only)\n\nrock codes (22):\n"));
    EXPECT_TRUE(contains(r.out, "\n    21  Kf    "));
}

TEST(CodesCommand, UsageErrors) {
    TempDir dir;
    EXPECT_EQ(runTool({"codes"}).exitCode, 2);
    EXPECT_EQ(runTool({"codes", dir.path(), "--rock", "--soil"}).exitCode, 2);
    EXPECT_EQ(runTool({"codes", dir.path(), "--bogus"}).exitCode, 2);
    EXPECT_EQ(runTool({"codes", dir.path(), dir.path()}).exitCode, 2);
    ToolResult r = runTool({"codes", dir.file("saknas")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "usage: harn codes DIR"));
    r = runTool({"codes", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "harn codes DIR [--rock | --infill | --soil] [--json]"));
}

TEST(LibraryCommand, ListsTheShippedSamplesTellingTheKindBySize) {
    TempDir dir;
    std::string fs = copySample(dir, "Forstsys.bib");
    ToolResult r = runTool({"library", fs});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "library: " + dir.winPath() + "\\Forstsys.bib\n" +
                         "kind: reinforcement systems (312-byte records)\n"
                         "version 1.4, antal 3, hal 0, slut 1236\n"
                         "records: 3\n"
                         "  id               number  offset\n"
                         "  BULT-S1               1     300\n"
                         "  SPRUT-50              2     612\n" +
                         utf8(u8"  NÄT-B                 3     924\n"));
    EXPECT_EQ(r.err, "");

    r = runTool({"library", copySample(dir, "Forsttyp.bib")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "kind: reinforcement types (656-byte records)\n"));
    EXPECT_TRUE(contains(r.out, "  CC32                 1      2     956\n")) << r.out;

    r = runTool({"library", copySample(dir, "Injsys.bib"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"kind\": \"grouting\",\n  \"recordLength\": 288,"));
    EXPECT_TRUE(contains(r.out, "\"id\": \"CEM-B\",\n      \"number\": 2,\n      \"offset\": 588"));

    // The samples in the source tree are consistent: listing them changes nothing.
    for (const char* name : {"Forstsys.bib", "Forsttyp.bib", "Injsys.bib"}) {
        std::string before = readBytes(samples() + "/" + name);
        EXPECT_EQ(runTool({"library", samples() + "/" + name}).exitCode, 0) << name;
        EXPECT_EQ(readBytes(samples() + "/" + name), before) << name;
    }
}

TEST(LibraryCommand, PacksWarnsAndFails) {
    TempDir dir;
    // Packing: the listing shows the new offsets and the file is packed.
    std::string file = libHeader("1.4", 2, 1, 1236) + libRecord(312, 16, "A", 1) +
                       libRecord(312, 16, "FRI", 0) + libRecord(312, 16, "B", 2);
    writeBytes(dir.file("P.BIB"), file);
    ToolResult r = runTool({"library", dir.file("P.BIB"), "--system"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "version 1.4, antal 2, hal 0, slut 924\n"));
    EXPECT_TRUE(contains(r.out, "  B                     2     612\n"));
    std::string packed = readBytes(dir.file("P.BIB"));
    ASSERT_EQ(packed.size(), file.size());
    int32_t slut;
    std::memcpy(&slut, &packed[116], 4);
    EXPECT_EQ(slut, 924);

    // A count warning: the listing still comes, the message and bell go to stderr.
    writeBytes(dir.file("W.BIB"), libHeader("1.4", 5, 0, 612) + libRecord(312, 16, "A", 1));
    r = runTool({"library", dir.file("W.BIB"), "--json"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.err, utf8(u8"Osäker databas antal=(5 1),\nvälj Konvertera i Arkiv.")))
        << r.err;
    EXPECT_TRUE(contains(r.err, "\a"));
    EXPECT_FALSE(contains(r.out, "\a"));
    EXPECT_TRUE(contains(r.out, "\"antal\": 5,"));

    // Refused and missing files: exit 1 with the library's message.
    writeBytes(dir.file("O.BIB"), libHeader("0.9", 0, 0, 300));
    r = runTool({"library", dir.file("O.BIB")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, utf8(u8"Gammal version: 0.9\nNu gäller version: 1.4"))) << r.err;
    r = runTool({"library", dir.file("SAKNAS.BIB")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        contains(r.err, utf8(u8"Kan ej öppna biblioteksfil :\n") + dir.winPath() + "\\SAKNAS.BIB"));

    // An empty library needs no kind.
    writeBytes(dir.file("E.BIB"), libHeader("1.4", 0, 0, 300).substr(0, 120));
    r = runTool({"library", dir.file("E.BIB")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "records: 0\n"));
}

TEST(LibraryCommand, AmbiguousSizeNeedsAFlag) {
    TempDir dir;
    // 3744 bytes of records: twelve 312-byte or thirteen 288-byte records.
    std::string file = libHeader("1.4", 13, 0, 300 + 3744);
    for (int i = 0; i < 13; ++i)
        file += libRecord(288, 212, ("I" + std::to_string(i)).c_str(), static_cast<int16_t>(i + 1));
    writeBytes(dir.file("A.BIB"), file);
    ToolResult r = runTool({"library", dir.file("A.BIB")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "give --system, --types or --grouting"));
    r = runTool({"library", dir.file("A.BIB"), "--grouting"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "records: 13\n"));
    EXPECT_EQ(runTool({"library", dir.file("A.BIB"), "--system", "--types"}).exitCode, 2);
    EXPECT_EQ(runTool({"library"}).exitCode, 2);
    EXPECT_EQ(readBytes(dir.file("A.BIB")), file);
}

TEST(CodesDemo, DemoProjectGetsACodeFile) {
    TempDir dir;
    std::string project = dir.file("DEMO");
    ToolResult r = runTool({"demo", project});
    if (r.exitCode == 2 && contains(r.err, "unknown command"))
        GTEST_SKIP() << "this tool has no demo command";
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "codes: Harnkod.dat with 24 rock and 14 infill codes\n"));

    std::string want = "Kodfil för demoprojektet\n*\n*\n0  \n1 Ss Sandsten 1.100 4 0.000 0\n";
    const char* rock[] = {"Ks", "Sk", "Kv", "Kk", "Gs", "Gn", "Lt", "Gg", "Gö", "Gr",
                          "Pf", "Db", "My", "Mg", "Br", "Am", "Ap", "Pm", "Ga", "Kf"};
    for (int nr = 2; nr <= 21; ++nr) {
        if (nr == 9)
            want += "9 Gg Granitgnejs 1.300 5 30.000 0\n";
        else if (nr == 11)
            want += "11 Gr Granit 1.200 6 45.000 0\n";
        else if (nr == 13)
            want += "13 Db Diabas 0.800 3 90.000 0\n";
        else
            want += std::to_string(nr) + " " + rock[nr - 2] + "\n";
    }
    want += "40 Pe Pegmatit 1.500 7 60.000 0\n-1 Ok Okänd 1.000 4 0.000 9\n*\n0  \n";
    const char* infill[] = {"ka", "kl", "gf", "tk", "fe", "kv", "ep",
                            "hb", "fs", "su", "le", "jo", "of"};
    for (int nr = 1; nr <= 13; ++nr)
        want += std::to_string(nr) + " " + infill[nr - 1] + "\n";
    want += "*\n";
    EXPECT_EQ(readBytes(project + "/Harnkod.dat"), testing_support::crlf(want));

    r = runTool({"codes", project, "--rock"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        contains(r.out, "\n    40  Pe    Pegmatit         1.500        7     60.000      0\n"));
}
