// Demo step 15: the geometry files of the demo's alignments, HARNDB\<id> for each alignment
// record (docs/formats/Alignment.md). VÄG1.VL is the line the tunnel TUN1 follows. Each file
// is read back with CVaglinje, so the demo never leaves a file the library refuses.
#include "cli/Cli.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "platform/Cp1252Literal.h"
#include "platform/SafeReplace.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace {

struct DemoAlignment {
    const char* id; // CP1252, the record's identifier and the file's name
    const char* lines;
};

// Coordinates in the project grid (x north, y east), inside each record's extent. VÄG1.VL: a
// straight of 100 m going north, a right curve of radius 300 m turning 10°, a straight of
// 100 m (252.36 m in all). VÄG2.VL: a straight of 150 m going east, a left curve of radius
// 200 m turning 10°, a straight of 150 m, from chainage 500.
const DemoAlignment kAlignments[] = {
    {"VÄG1.VL"_cp, "ALIGNMENT 1\n"
                   "# Demo: the alignment of the tunnel TUN1\n"
                   "0\n"
                   "1000.000 2010.000\n"
                   "1100.000 2010.000 0.0436609429085\n"
                   "1152.094 2014.558\n"
                   "1250.575 2031.923\n"},
    {"VÄG2.VL"_cp, "ALIGNMENT 1\n"
                   "# Demo: a road going north\n"
                   "500\n"
                   "1520.000 2500.000\n"
                   "1520.000 2650.000 -0.0436609429085\n"
                   "1523.038 2684.730\n"
                   "1549.086 2832.451\n"},
};

// Text lines end in CR LF on disk, as the library's text files.
std::string crlf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            out += '\r';
        out += *p;
    }
    return out;
}

int demoAlignments(cli::DemoContext& ctx) {
    int n = 0;
    for (const DemoAlignment& a : kAlignments) {
        char id[16];
        std::snprintf(id, sizeof id, "%s", a.id);
        if (ctx.dbs.Findid(6, id) != 0)
            return -1; // the database step registers every demo alignment
        const CString path = ctx.proj.DataPath(a.id);
        if (platform::replaceFileContents(path, crlf(a.lines)) != 0)
            return -3;
        CVaglinje v;
        if (v.Init(path) != 0)
            return -1;
        ++n;
    }
    ctx.out << "alignments: " << n << " alignment files written\n";
    return 0;
}

cli::DemoRegistrar reg(15, "alignments", &demoAlignments);

} // namespace
