// Every command fails (exit 1) when a file it read was damaged or the library showed a
// failure, even when it printed what it could; 2 is left for wrong usage. Each failure has an
// English line of the tool naming the cause and the file in POSIX form.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class ExitCodeTest : public DemoProjectTest {
protected:
    // A fresh copy of the demo project, with two library samples, that every user may enter.
    std::string project() {
        const std::string p = copyDemo("P");
        for (const char* name : {"Forstsys.bib", "Forsttyp.bib"})
            fs::copy_file(kSource / "samples/codes" / name, p + "/" + name);
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_directory())
                ::chmod(e.path().c_str(), 0755);
        ::chmod(dir.path().c_str(), 0755);
        return p;
    }
};

TEST_F(ExitCodeTest, DamagedInputsFailEveryCommand) {
    const auto truncate = [](const std::string& p) {
        std::string s = readBytes(p + "/HARNPLAN.DBS");
        writeBytes(p + "/HARNPLAN.DBS", s.substr(0, s.size() - 200));
    };
    const std::string damagedDbs = "harn: damaged P/HARNPLAN.DBS: the file ends at byte ";
    struct Case {
        const char* name;
        std::function<void(const std::string& p)> damage;
        std::vector<std::string> args; // "P" stands for the project folder
        bool unprivileged;
        int exitCode;
        std::string err;   // a line of standard error ("P" is the project folder)
        bool printsAnyway; // standard output still holds what could be read
    } cases[] = {
        {"ls, truncated database", truncate, {"ls", "P"}, false, 1, damagedDbs, true},
        {"info, truncated database", truncate, {"info", "P"}, false, 1, damagedDbs, true},
        {"check, truncated database", truncate, {"check", "P"}, false, 1, "", true},
        {"export, truncated database", truncate, {"export", "P"}, false, 1, "", true},
        {"draw, truncated database",
         truncate,
         {"draw", "P", "-o", "P/plan.svg"},
         false,
         1,
         "",
         false},
        {"codes, damaged code list",
         [](const std::string& p) { writeBytes(p + "/Harnkod.dat", "garbage\x01\n"); },
         {"codes", "P"},
         false,
         1,
         "harn codes: damaged P/Harnkod.dat: has 0 '*' lines; the rock codes follow the second "
         "and the infill codes the third, so neither list is read from it\n",
         true},
        {"codes, unreadable code line",
         [](const std::string& p) { writeBytes(p + "/Harnkod.dat", "*\n*\nx\x01y\n*\n*\n"); },
         {"codes", "P", "--rock"},
         false,
         1,
         "harn codes: damaged P/Harnkod.dat: line 3: unreadable rock code line \"x\\x01y\"",
         true},
        {"library read as the wrong kind",
         nullptr,
         {"library", "P/Forsttyp.bib", "--system"},
         false,
         1,
         "harn library: damaged P/Forsttyp.bib: the head's end offset 2268 is not the end of a "
         "312-byte record within the file's 2268 bytes\n",
         true},
        {"export, a line file that cannot be read",
         [](const std::string& p) {
             fs::remove(p + "/HARNDB/KV1.LJE");
             fs::create_directory(p + "/HARNDB/KV1.LJE");
         },
         {"export", "P"},
         false,
         1,
         "harn export: cannot read P/HARNDB/KV1.LJE\n",
         true},
        {"draw, an outcrop file that cannot be read",
         [](const std::string& p) {
             fs::remove(p + "/HARNDB/HALL1.LAD");
             fs::create_directory(p + "/HARNDB/HALL1.LAD");
         },
         {"draw", "P"},
         false,
         1,
         "harn draw: cannot read P/HARNDB/HALL1.LAD\n",
         true},
        {"tunnel, tunnel database cut short",
         [](const std::string& p) { fs::resize_file(p + "/HARNDB/TUN1.ODB", 500); },
         {"tunnel", "P", "TUN1"},
         false,
         1,
         "harn tunnel: damaged P/HARNDB/TUN1.ODB: the head counts 4 records, the file holds 1\n",
         true},
        {"tunnel, bolt file cut short",
         [](const std::string& p) { fs::resize_file(p + "/HARNDB/TUN1.ODF", 500); },
         {"tunnel", "P", "TUN1"},
         false,
         1,
         "harn tunnel: damaged P/HARNDB/TUN1.ODF: the head's end offset ",
         true},
        {"export, tunnel database cut short",
         [](const std::string& p) { fs::resize_file(p + "/HARNDB/TUN1.ODB", 500); },
         {"export", "P"},
         false,
         1,
         "harn export: damaged P/HARNDB/TUN1.ODB: the head counts 4 positions, the file holds 1\n",
         true},
        {"show, empty borehole file",
         [](const std::string& p) { writeBytes(p + "/HARNDB/BH1.SND", ""); },
         {"show", "P", "BH1"},
         false,
         1,
         "harn show: damaged P/HARNDB/BH1.SND: the file is empty: it has no head block\n",
         true},
        {"show, borehole head without its end",
         [](const std::string& p) { writeBytes(p + "/HARNDB/BH1.SND", "BH1\r\n1000\r\nx\r\n"); },
         {"show", "P", "BH1"},
         false,
         1,
         "harn show: damaged P/HARNDB/BH1.SND: the head block is not ended by a '*' line\n",
         true},
        {"draw, borehole head without its end",
         [](const std::string& p) { writeBytes(p + "/HARNDB/BH1.SND", "BH1\r\n1000\r\nx\r\n"); },
         {"draw", "P", "BH1"},
         false,
         1,
         "harn draw: damaged P/HARNDB/BH1.SND: the head block is not ended by a '*' line\n",
         true},
        {"show, line point without its numbers",
         [](const std::string& p) {
             std::string s = readBytes(p + "/HARNDB/KV1.LJE");
             s.insert(s.find("*\r\n") + 3, "  1.00  x\r\n");
             writeBytes(p + "/HARNDB/KV1.LJE", s);
         },
         {"show", "P", "KV1"},
         false,
         1,
         "harn show: damaged P/HARNDB/KV1.LJE: line 6: point line \"  1.00  x\" has fewer than "
         "four numbers (the reader drops it)\n",
         true},
        {"show, outcrop point without coordinates",
         [](const std::string& p) {
             std::string s = readBytes(p + "/HARNDB/HALL1.LAD");
             s.replace(s.rfind("*\r\n"), 0, "1 2\r\n");
             writeBytes(p + "/HARNDB/HALL1.LAD", s);
         },
         {"show", "P", "H\xC3\x84LL1"},
         false,
         1,
         "harn show: damaged P/HARNDB/HALL1.LAD: line ",
         true},
        {"unsupported version",
         [](const std::string& p) { patchBytes(p + "/HARNPLAN.DBS", 0, "abcdef"); },
         {"info", "P"},
         false,
         1,
         "harn: unsupported database version \"abcdef\" (fraction 0.5) in P/HARNPLAN.DBS\n",
         false},
        {"database missing",
         [](const std::string& p) { fs::remove(p + "/HARNPLAN.DBS"); },
         {"ls", "P"},
         false,
         1,
         "harn: not found: the project database P/HARNPLAN.DBS\n",
         false},
        {"database not readable",
         [](const std::string& p) { ::chmod((p + "/HARNPLAN.DBS").c_str(), 0600); },
         {"info", "P"},
         true,
         1,
         "harn: permission denied: P/HARNPLAN.DBS\n",
         false},
        {"no command", nullptr, {}, false, 2, "", false},
        {"no folder", nullptr, {"ls"}, false, 2, "harn ls: missing DIR\n", false},
        {"unknown option",
         nullptr,
         {"library", "P/Forstsys.bib", "--bogus"},
         false,
         2,
         "harn library: unknown option --bogus\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = project();
        if (c.damage)
            c.damage(p);
        std::vector<std::string> args;
        for (std::string a : c.args) {
            if (a == "P" || a.rfind("P/", 0) == 0)
                a = p + a.substr(1);
            args.push_back(a);
        }
        const auto r = c.unprivileged ? testing_support::runToolUnprivileged(args) : runTool(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        std::string err = c.err;
        for (size_t at = 0; (at = err.find("P/", at)) != std::string::npos; at += p.size())
            err.replace(at, 1, p);
        EXPECT_TRUE(contains(r.err, err)) << r.err;
        EXPECT_EQ(!r.out.empty(), c.printsAnyway) << r.out;
    }
}

// Every command's usage: --help shows it on standard output; wrong usage is exit code 2 with
// the cause and the usage on standard error and nothing on standard output. A folder that is
// no project is a failure (1), not wrong usage. Arguments are split at blanks; "P" is the
// project folder, "N" one that does not exist, '' an empty argument.
// Output that cannot be written (a full disk) fails every command, with one line that says so.
TEST_F(ExitCodeTest, OutputThatCannotBeWrittenFailsEveryCommand) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::string p = project();
    const std::vector<std::vector<std::string>> commands = {
        {"ls", p},     {"ls", "--json", p}, {"info", p},     {"show", p, "FP1"},    {"check", p},
        {"export", p}, {"codes", p},        {"sections", p}, {"tunnel", p, "TUN1"}, {"--help"},
        {"--version"}, {"info", "--help"},
    };
    for (const std::vector<std::string>& args : commands) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const ToolResult r = runToolWritingTo("/dev/full", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("harn " + args[0] + ": cannot write standard output\n"),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(ExitCodeTest, WrongUsageShowsTheCommandsUsage) {
    const std::string draw =
        "harn draw DIR [-o FILE.svg|FILE.png] [--width PX] [--type T] [--only T,T,...] [--bbox "
        "X0,Y0,X1,Y1] [--no-labels]\n       harn draw DIR ID [ID...] [--ids ID,ID,...] [-o "
        "FILE.svg|FILE.png]\n       harn draw DIR ID (--section CHAINAGE [--within M] | "
        "--developed) [-o FILE.svg|FILE.png] [--width PX]";
    const std::map<std::string, std::string> usage = {
        {"new", "harn new DIR [--name NAME]"},
        {"info", "harn info DIR [--json]"},
        {"ls", "harn ls DIR [--type T] [--json]"},
        {"show", "harn show DIR ID [--json]"},
        {"demo", "harn demo DIR [--name NAME]"},
        {"codes", "harn codes DIR [--rock | --infill | --soil] [--json]"},
        {"library", "harn library FILE [--system | --types | --grouting] [--json]"},
        {"draw", draw},
        {"tunnel", "harn tunnel DIR ID [--json]"},
        {"sections", "harn sections DIR [--json]"},
        {"export", "harn export DIR [--format geojson|csv] [-o FILE] [--type T]"},
        {"convert", "harn convert DIR [--yes] [--name NAME]"},
        {"report", "harn report DIR [-o FILE.html]"},
        {"check", "harn check DIR [--json | --format text|json|sarif] [--strict]"}};
    // Wrong argument lists, ";" between them.
    const std::string wrong =
        "new; new N --name; info; ls P extra; ls P --type volcano; show P; demo; codes; "
        "codes P --rock --soil; codes P --bogus; codes P P; library; library A B; "
        "library A --system --types; draw; draw P BH1 --type point; draw P -o; "
        "draw P --width 100; draw P --width 800px; draw P --type river; draw P --bbox 1,2,3; "
        "draw P --bbox 1,2,1,5; draw P --only river; draw P --bbox; draw P --ids; "
        "draw P BH1 --width 300; draw P TUN1 --section x; draw P TUN1 --section 1 --developed; "
        "draw P --developed; draw P TUN1 --developed --within 1; tunnel P; tunnel P TUN1 --text; "
        "sections; sections P --text; sections P P; export; export P --format kml; "
        "export P --format; export P --type tree; export P -o; export P -o ''; export P P; "
        "convert; report; report P -o ''; draw P -o ''; draw P BH1 -o ''; check; "
        "check P --format xml";
    const std::string p = project(), none = dir.file("N");
    const auto run = [&](const std::string& line) {
        std::vector<std::string> args;
        std::istringstream words(line);
        for (std::string a; words >> a;)
            args.push_back(a == "P" ? p : a == "''" ? "" : a[0] == 'N' ? none + a.substr(1) : a);
        return runTool(args);
    };
    for (const auto& [command, text] : usage) {
        const auto r = run(command + " --help");
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.out.rfind("usage: " + text + "\n", 0), 0u) << r.out;
    }
    std::istringstream lines(wrong);
    int runs = 0;
    for (std::string line; std::getline(lines >> std::ws, line, ';'); ++runs) {
        SCOPED_TRACE(line);
        const auto r = run(line);
        const std::string command = line.substr(0, line.find(' '));
        const std::string tail = "\nusage: " + usage.at(command) + "\n";
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("harn " + command + ": ", 0), 0u) << r.err;
        EXPECT_TRUE(r.err.size() > tail.size() &&
                    r.err.compare(r.err.size() - tail.size(), tail.size(), tail) == 0)
            << r.err;
    }
    EXPECT_EQ(runs, 49);
    for (const std::string line : {"draw N", "export N -o N.json", "report N"}) {
        SCOPED_TRACE(line);
        const auto r = run(line);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(contains(r.err, "usage:")) << r.err;
    }
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"P"}); // nothing written
}

// A project folder that cannot be written is read without the lock file, said once.
TEST_F(ExitCodeTest, ReadOnlyProjectIsReadWithoutTheLock) {
    const std::string p = project();
    ::chmod(p.c_str(), 0555);
    for (const char* cmd : {"info", "ls", "check", "report", "export"}) {
        SCOPED_TRACE(cmd);
        const auto r = testing_support::runToolUnprivileged({cmd, p});
        EXPECT_TRUE(contains(r.err, "harn: the project folder " + p +
                                        " cannot be written: reading the database without the "
                                        "lock file\n"))
            << r.err;
        EXPECT_EQ(r.err.find("harn: the project folder"), r.err.rfind("harn: the project folder"));
        EXPECT_FALSE(r.out.empty());
        EXPECT_FALSE(testing_support::exists(p + "/HARNPLAN.LCK"));
        if (std::string(cmd) != "check") {
            EXPECT_EQ(r.exitCode, 0) << r.err;
        }
    }
    ::chmod(p.c_str(), 0755);
}

// Control characters of the files are escaped in text output and kept (JSON-escaped) in JSON;
// coordinates of tables are rounded to the millimetre.
TEST_F(ExitCodeTest, TextOutputEscapesControlsAndRoundsCoordinates) {
    const std::string p = project();
    {
        CProjPath proj(p.c_str());
        CHarnDbs d(&proj, nullptr);
        ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
        dbstype r{};
        r.typ = 4;
        std::strcpy(r.id, "A\x01"
                          "B");
        std::strcpy(r.filnamn, "AB");
        std::strcpy(r.text, "t\tx\n");
        r.x = 1.0 / 3, r.dx = -2.5852888388776805e-12;
        d.Ny(1, &r);
        ASSERT_EQ(d.Uppdat(0), 0);
    }
    auto r = runTool({"ls", p, "--type", "point"});
    EXPECT_TRUE(contains(r.out, "point      A\\x01B          AB              0.333        0.000"
                                "      0.000     0.000"))
        << r.out;
    r = runTool({"show", p,
                 std::string("A\x01"
                             "B")});
    EXPECT_TRUE(contains(r.out, "id        A\\x01B\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "text      t\\tx\\n\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "extent    0.000 0.000 0.000\n")) << r.out;
    r = runTool({"show", p,
                 std::string("A\x01"
                             "B"),
                 "--json"});
    EXPECT_TRUE(contains(r.out, "\"id\": \"A\\u0001B\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"dx\": -2.5852888388776805e-12")) << r.out;
    // The head's texts too, from the moment the project is made.
    const std::string q = dir.path() + "/Q";
    r = runTool({"new", q, "--name", "a\nb\tc"});
    EXPECT_TRUE(contains(r.out, "(project a\\nb\\tc, ")) << r.out;
    r = runTool({"info", q});
    EXPECT_TRUE(contains(r.out, "\nproject   a\\nb\\tc\n")) << r.out;
}

} // namespace
