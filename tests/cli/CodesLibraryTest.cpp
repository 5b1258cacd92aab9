// harn codes and harn library, run as a user runs them: on the shipped samples and on files
// made here; the expected outputs are in tests/data/mapping.
#include "platform/Cp1252Literal.h"
#include "tests/mapping/LibraryFileBytes.h"
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <string>

using libtest::header;
using libtest::record;
using namespace testing_support;

namespace {

std::string samples(const std::string& name) {
    return readBytes((kSource / "samples/codes" / name).string());
}

// Whether the output is the expected file, once JSON's doubled backslashes are single and
// the folder (POSIX, as the tool prints paths) is written as "DIR".
void expectOutput(const std::string& out, const TempDir& dir, const std::string& expected) {
    EXPECT_EQ(plainOutput(out, dir),
              readBytes((kSource / "tests/data/mapping" / expected).string()))
        << expected;
}

} // namespace

TEST(CodesCommand, ListsTheCodesOfAProject) {
    // One list exactly, from a code file whose name differs in case.
    TempDir dir;
    writeBytes(
        dir.file("HARNKOD.DAT"),
        testing_support::crlf("*\n*\n5 Rx\n*\n13 Ox sten 2 3 -30\n-1 Ök Okänd 1 4 0 9\n*\n"_cp));
    ToolResult r = runTool({"codes", dir.path(), "--infill"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    expectOutput(r.out, dir, "codes-infill.txt");
    expectOutput(runTool({"codes", dir.path(), "--infill", "--json"}).out, dir,
                 "codes-infill.json");

    // Every list of the shipped sample (listing only reads); the built-in codes alone.
    TempDir sample, empty;
    writeBytes(sample.file("Harnkod.dat"), samples("Harnkod.dat"));
    expectOutput(runTool({"codes", sample.path()}).out, sample, "codes-sample.txt");
    EXPECT_EQ(readBytes(sample.file("Harnkod.dat")), samples("Harnkod.dat"));
    EXPECT_TRUE(contains(runTool({"codes", empty.path(), "--json"}).out, "\"codeFile\": null"));
    EXPECT_TRUE(contains(runTool({"codes", empty.path()}).out,
                         "code file: none (built-in codes only)\n\nrock codes (22):\n"));
}

// Wrong usage is ExitCodeTest's.
TEST(CodesCommand, NoProjectFolder) {
    TempDir dir;
    ToolResult r = runTool({"codes", dir.file("saknas")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "harn codes: no project folder " + dir.file("saknas") + "\n");
}

// The kind told by the record size or a flag; listing only reads, even a file with freed records;
// a warning or a refusal goes to stderr with the bell.
TEST(LibraryCommand, ListsWarnsAndFails) {
    TempDir dir;
    for (const char* name : {"Forstsys.bib", "Forsttyp.bib", "Injsys.bib"}) {
        writeBytes(dir.file(name), samples(name));
        const bool json = name[0] == 'I';
        ToolResult r = json ? runTool({"library", dir.file(name), "--json"})
                            : runTool({"library", dir.file(name)});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        expectOutput(r.out, dir, std::string("library-") + name + (json ? ".json" : ".txt"));
        EXPECT_EQ(readBytes(dir.file(name)), samples(name)) << name;
    }

    writeBytes(dir.file("W.BIB"), header("1.4", 5, 0, 612) + record(312, 16, "A", 1));
    ToolResult r = runTool({"library", dir.file("W.BIB"), "--json"});
    EXPECT_EQ(r.exitCode, 1); // listed, but the file is damaged
    EXPECT_EQ(r.err, "harn library: damaged " + dir.file("W.BIB") +
                         ": the head counts 5 records, 1 are in use\n\aHarnoplan: " +
                         u("Osäker databas antal=(5 1),\nvälj Konvertera i Arkiv.\n"_cp))
        << r.err;
    EXPECT_TRUE(contains(r.out, "\"antal\": 5,") && !contains(r.out, "\a"));
    writeBytes(dir.file("O.BIB"), header("0.9", 0, 0, 300));
    r = runTool({"library", dir.file("O.BIB")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, u("Gammal version: 0.9\nNu gäller version: 1.4"_cp))) << r.err;

    // An empty library needs no kind; an ambiguous size needs the flag: 3744 bytes of records
    // are twelve 312-byte or thirteen 288-byte records.
    writeBytes(dir.file("E.BIB"), header("1.4", 0, 0, 300).substr(0, 120));
    r = runTool({"library", dir.file("E.BIB")});
    EXPECT_TRUE(r.exitCode == 0 && contains(r.out, "records: 0\n")) << r.err;
    const std::string file = header("1.4", 13, 0, 300 + 3744) + std::string(3744, 'I');
    writeBytes(dir.file("A.BIB"), file);
    r = runTool({"library", dir.file("A.BIB")});
    EXPECT_TRUE(r.exitCode == 2 && contains(r.err, "give --system, --types or --grouting"));
    r = runTool({"library", dir.file("A.BIB"), "--grouting"});
    EXPECT_TRUE(r.exitCode == 0 && contains(r.out, "records: 13\n")) << r.err;
    EXPECT_EQ(readBytes(dir.file("A.BIB")), file);
    // A file with a freed record is listed as it is and left as it is.
    const std::string freed =
        header("1.4", 1, 1, 300 + 2 * 312) + record(312, 16, "A", 1) + record(312, 16, "B", -1);
    writeBytes(dir.file("F.BIB"), freed);
    r = runTool({"library", dir.file("F.BIB"), "--system"});
    EXPECT_TRUE(r.exitCode == 0 && contains(r.out, "records: 1\n")) << r.err;
    EXPECT_EQ(readBytes(dir.file("F.BIB")), freed);
}

TEST(CodesDemo, DemoProjectGetsACodeFile) {
    TempDir dir;
    ToolResult r = runTool({"demo", dir.file("DEMO")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "codes: Harnkod.dat with 24 rock and 14 infill codes\n"));
    EXPECT_EQ(readBytes(dir.file("DEMO/Harnkod.dat")),
              readBytes((kSource / "tests/data/mapping/demo-Harnkod.dat").string()));
}
