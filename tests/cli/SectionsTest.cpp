// harn sections, run as a user runs it: a type library built through the library, listed in
// text and JSON; damaged and missing libraries; wrong usage.
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"
#include "tunnel/SectionTypes.h"

#include <cstring>
#include <filesystem>
#include <string>

using namespace testing_support;

namespace {

// A project with two types, the second without its outline file.
void makeLibrary(const TempDir& dir) {
    makeDirs(dir.file("HARNDB"));
    CProjPath proj(dir.winPath().c_str());
    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(1), 0);
    tunnel::SectionTypeDesc valv;
    valv.name = "VALV";
    valv.text = "Valv på raka väggar"_cp;
    valv.anfstart = 1, valv.anfslut = 3, valv.tvval3 = 0.25;
    valv.tvval[3] = -1;
    ASSERT_EQ(tunnel::AddSectionType(lib, valv, tunnel::ArchOutline(6, 3)), 0);
    tunnel::SectionTypeDesc trapets;
    trapets.name = "T2";
    trapets.anfstart = 0.5, trapets.anfslut = 3.5;
    ASSERT_EQ(tunnel::AddSectionType(lib, trapets, tunnel::TrapezoidOutline(7, 4, 4.5)), 0);
    std::remove(dir.file("HARNDB/T2.ttv").c_str());
}

} // namespace

TEST(SectionsCommand, ListsTheTypesOfAProject) {
    TempDir dir;
    makeLibrary(dir);
    ToolResult r = runTool({"sections", dir.path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(plainOutput(r.out, dir),
              "type library: DIR/HARNDB/TVTYP.LIS\n"
              "version 1.5, antal 2, hal 0, slut 372\n"
              "types: 2\n"
              "  NAME      ANFSTART  ANFSLUT     XMIN     XMAX     YMIN     YMAX  POINTS  TEXT\n"
              "  VALV         1.000    3.000   -3.000    3.000    0.000    3.000       4  "
              "Valv p\xC3\xA5 raka v\xC3\xA4ggar\n"
              "  T2           0.500    3.500   -3.500    3.500    0.000    4.500    none  \n");

    r = runTool({"sections", dir.path(), "--json"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(plainOutput(r.out, dir),
              readBytes((kSource / "tests/data/cli/sections.json").string()));
}

// Damage found by the reading is shown in the library's words and ends with exit code 1,
// after the listing of what was read; a missing library or folder is 1 too.
TEST(SectionsCommand, Damage) {
    TempDir dir;
    makeLibrary(dir);
    std::string bytes = readBytes(dir.file("HARNDB/TVTYP.LIS"));
    bytes[16] = 5; // antal
    writeBytes(dir.file("HARNDB/TVTYP.LIS"), bytes);
    ToolResult r = runTool({"sections", dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("types: 2\n"), std::string::npos);
    EXPECT_NE(r.err.find("Os\xC3\xA4ker databas antal=(5 2),\nv\xC3\xA4lj Konvertera i Arkiv."),
              std::string::npos)
        << r.err;

    std::memcpy(&bytes[0], "0.5\0", 4);
    writeBytes(dir.file("HARNDB/TVTYP.LIS"), bytes);
    r = runTool({"sections", dir.path(), "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Gammal version: 0.5\nNu g\xC3\xA4ller version: 1.5"), std::string::npos)
        << r.err;

    std::remove(dir.file("HARNDB/TVTYP.LIS").c_str());
    r = runTool({"sections", dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(plainOutput(r.err, dir.winPath()),
              "harn sections: Kan ej \xC3\xB6ppna listfil :\nDIR\\HARNDB\\TVTYP.LIS\n");
    EXPECT_EQ(runTool({"sections", dir.file("none")}).exitCode, 1);
}
