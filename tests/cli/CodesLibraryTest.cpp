// harn codes and harn library, run as a user runs them: on the shipped samples and on files
// made here.
#include "tests/mapping/LibraryFileBytes.h"
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <string>

using libtest::header;
using libtest::record;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::TempDir;
using testing_support::ToolResult;
using testing_support::writeBytes;

namespace {

// The samples folder of the source tree this test was built from.
std::string samples(const std::string& name = "") {
    return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples" / "codes" /
            name)
        .lexically_normal()
        .string();
}

// The tool speaks UTF-8, while this file's plain literals are Windows-1252.
std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(CodesCommand, ListsTheCodesOfAProject) {
    // One list exactly, from a code file whose name differs in case.
    TempDir dir;
    writeBytes(dir.file("HARNKOD.DAT"),
               testing_support::crlf("*\n*\nR\n*\n13 Ox sten 2 3 -30\n-1 Ök Okänd 1 4 0 9\n*\n"));
    ToolResult r = runTool({"codes", dir.path(), "--infill"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string want = "code file: " + dir.winPath() + "\\Harnkod.dat\n\ninfill codes (15):\n" +
                       "    nr  code  text            factor  integer      angle  extra\n";
    const char* bet[] = {"",   "ka", "kl", "gf", "tk", "fe", "kv",
                         "ep", "hb", "fs", "su", "le", "jo"};
    for (int i = 0; i <= 12; ++i) {
        char line[100];
        std::snprintf(line, sizeof line,
                      "%6d  %-4s                   1.000        4      0.000      0\n", i, bet[i]);
        want += line;
    }
    EXPECT_EQ(r.out,
              want + "    13  Ox    sten             2.000        3    -30.000      0\n" +
                  utf8(u8"    -1  Ök    Okänd            1.000        4      0.000      9\n"));

    r = runTool({"codes", dir.path(), "--infill", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, utf8(u8"\"nr\": -1,\n      \"beteckning\": \"Ök\",\n      "
                                     u8"\"text\": \"Okänd\",\n      \"faktor\": 1,\n      "
                                     u8"\"tal\": 4,\n      \"vinkel\": 0,\n      \"extra\": 9\n")))
        << r.out;
    EXPECT_TRUE(contains(r.out, "\"vinkel\": -30,"));
    EXPECT_FALSE(contains(r.out, "\"rock\""));

    // Every list of the shipped sample (listing only reads); the built-in codes alone.
    const std::string sample = readBytes(samples("Harnkod.dat"));
    r = runTool({"codes", samples()});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* part : {"\nrock codes (24):\n", "\ninfill codes (14):\n",
                             "\nsoil codes (13):\n", "\n     5  let   "})
        EXPECT_TRUE(contains(r.out, part)) << part;
    EXPECT_EQ(readBytes(samples("Harnkod.dat")), sample);
    TempDir empty;
    r = runTool({"codes", empty.path(), "--json"});
    EXPECT_TRUE(contains(r.out, "\"codeFile\": null"));
    r = runTool({"codes", empty.path()});
    EXPECT_TRUE(contains(r.out, "code file: none (built-in codes only)\n\nrock codes (22):\n"));
}

TEST(CodesCommand, UsageErrors) {
    TempDir dir;
    const std::vector<std::vector<std::string>> wrong = {{"codes"},
                                                         {"codes", dir.path(), "--rock", "--soil"},
                                                         {"codes", dir.path(), "--bogus"},
                                                         {"codes", dir.path(), dir.path()},
                                                         {"library"},
                                                         {"library", "A", "B"},
                                                         {"library", "A", "--system", "--types"}};
    for (const auto& args : wrong) {
        ToolResult r = runTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_TRUE(contains(r.err, "usage: harn " + args[0])) << r.err;
    }
    ToolResult r = runTool({"codes", dir.file("saknas")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "harn codes: no project folder " + dir.file("saknas") + "\n");
    r = runTool({"codes", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "harn codes DIR [--rock | --infill | --soil] [--json]"));
}

TEST(LibraryCommand, ListsTheShippedSamplesTellingTheKindBySize) {
    TempDir dir;
    for (const char* name : {"Forstsys.bib", "Forsttyp.bib", "Injsys.bib"})
        writeBytes(dir.file(name), readBytes(samples(name)));
    ToolResult r = runTool({"library", dir.file("Forstsys.bib")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "library: " + dir.winPath() + "\\Forstsys.bib\n" +
                         "kind: reinforcement systems (312-byte records)\n"
                         "version 1.4, antal 3, hal 0, slut 1236\n"
                         "records: 3\n"
                         "  id               number  offset\n"
                         "  BULT-S1               1     300\n"
                         "  SPRUT-50              2     612\n" +
                         utf8(u8"  NÄT-B                 3     924\n"));

    r = runTool({"library", dir.file("Forsttyp.bib")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "kind: reinforcement types (656-byte records)\n"));
    EXPECT_TRUE(contains(r.out, "  CC32                 1      2     956\n")) << r.out;

    r = runTool({"library", dir.file("Injsys.bib"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"kind\": \"grouting\",\n  \"recordLength\": 288,"));
    EXPECT_TRUE(contains(r.out, "\"id\": \"CEM-B\",\n      \"number\": 2,\n      \"offset\": 588"));
    for (const char* name : {"Forstsys.bib", "Forsttyp.bib", "Injsys.bib"})
        EXPECT_EQ(readBytes(dir.file(name)), readBytes(samples(name))) << name;
}

TEST(LibraryCommand, PacksWarnsAndFails) {
    TempDir dir;
    // Packing: the listing shows the new offsets and the file is packed.
    writeBytes(dir.file("P.BIB"), header("1.4", 2, 1, 1236) + record(312, 16, "A", 1) +
                                      record(312, 16, "FRI", 0) + record(312, 16, "B", 2));
    ToolResult r = runTool({"library", dir.file("P.BIB"), "--system"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "version 1.4, antal 2, hal 0, slut 924\n"));
    EXPECT_TRUE(contains(r.out, "  B                     2     612\n"));
    r = runTool({"library", dir.file("P.BIB"), "--system"}); // packed already
    EXPECT_TRUE(contains(r.out, "version 1.4, antal 2, hal 0, slut 924\n"));

    // A count warning: the listing still comes, the message and bell go to stderr.
    writeBytes(dir.file("W.BIB"), header("1.4", 5, 0, 612) + record(312, 16, "A", 1));
    r = runTool({"library", dir.file("W.BIB"), "--json"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.err, utf8(u8"Osäker databas antal=(5 1),\nvälj Konvertera i Arkiv.")))
        << r.err;
    EXPECT_TRUE(contains(r.err, "\a"));
    EXPECT_FALSE(contains(r.out, "\a"));
    EXPECT_TRUE(contains(r.out, "\"antal\": 5,"));

    // Refused and missing files: exit 1 with the library's message.
    writeBytes(dir.file("O.BIB"), header("0.9", 0, 0, 300));
    r = runTool({"library", dir.file("O.BIB")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, utf8(u8"Gammal version: 0.9\nNu gäller version: 1.4"))) << r.err;
    r = runTool({"library", dir.file("SAKNAS.BIB")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        contains(r.err, utf8(u8"Kan ej öppna biblioteksfil :\n") + dir.winPath() + "\\SAKNAS.BIB"));

    // An empty library needs no kind; an ambiguous size needs the flag: 3744 bytes of records
    // are twelve 312-byte or thirteen 288-byte records.
    writeBytes(dir.file("E.BIB"), header("1.4", 0, 0, 300).substr(0, 120));
    r = runTool({"library", dir.file("E.BIB")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "records: 0\n"));
    std::string file = header("1.4", 13, 0, 300 + 3744);
    for (int i = 0; i < 13; ++i)
        file += record(288, 212, ("I" + std::to_string(i)).c_str(), static_cast<int16_t>(i + 1));
    writeBytes(dir.file("A.BIB"), file);
    r = runTool({"library", dir.file("A.BIB")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "give --system, --types or --grouting"));
    r = runTool({"library", dir.file("A.BIB"), "--grouting"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "records: 13\n"));
    EXPECT_EQ(readBytes(dir.file("A.BIB")), file);
}

TEST(CodesDemo, DemoProjectGetsACodeFile) {
    TempDir dir;
    const std::string project = dir.file("DEMO");
    ToolResult r = runTool({"demo", project});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "codes: Harnkod.dat with 24 rock and 14 infill codes\n"));
    EXPECT_EQ(readBytes(project + "/Harnkod.dat"),
              testing_support::crlf(
                  "Kodfil för demoprojektet\n*\n*\n0  \n1 Ss Sandsten 1.100 4 0.000 0\n2 Ks\n"
                  "3 Sk\n4 Kv\n5 Kk\n6 Gs\n7 Gn\n8 Lt\n9 Gg Granitgnejs 1.300 5 30.000 0\n10 Gö\n"
                  "11 Gr Granit 1.200 6 45.000 0\n12 Pf\n13 Db Diabas 0.800 3 90.000 0\n14 My\n"
                  "15 Mg\n16 Br\n17 Am\n18 Ap\n19 Pm\n20 Ga\n21 Kf\n"
                  "40 Pe Pegmatit 1.500 7 60.000 0\n-1 Ok Okänd 1.000 4 0.000 9\n*\n"
                  "0  \n1 ka\n2 kl\n3 gf\n4 tk\n5 fe\n6 kv\n7 ep\n8 hb\n9 fs\n10 su\n11 le\n"
                  "12 jo\n13 of\n*\n"));
}
