// Demo step 30: lines of all six methods, saved with CLinjeData (line files and records), and
// outcrops whose outcrop files are copied from the sample files of samples/outcrops and
// registered with CHellar::SaveToDbs.
#include "cli/Cli.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/SafeReplace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

struct DemoLine {
    const char* id;
    int metod;
    double x0, y0, z0; // first point
    double dx, dy;     // step between points
    int points;
    const char* jordart;
    const char* kolumner[5];
};

// Texts are CP1252; the numbers are metres in the project grid.
const DemoLine kLines[] = {
    {"LINJE.1/A", CLinjeData::KR, 1020, 2002, 30, 25, 0.625, 9, "let", {"Berg", "Jord"}},
    {"LINJE:1/B", CLinjeData::SP, 1020, 2030, 30, 20, 0.5, 11, "sa ", {"Berg", "Z-mate", "Vatten"}},
    {"PROFIL-FP1", CLinjeData::FP, 1150, 2050, 33, 0, 10, 6, "mn ", {"Hastighet"}},
    {"KV1", CLinjeData::KV, 1205, 2005, 31, 2.5, 2.5, 5, "gr ", {"Sprickor", "Vinkel"}},
    {"JG1", CLinjeData::JG, 1300, 2035, 29, -4, 3, 4, "t  ", {}},
    {"LI1", CLinjeData::LI, 1040, 2010, 28, 15, 15, 4, "", {"Berg", "", "Ej skriven"}},
};

struct DemoOutcrop {
    const char* sample; // file of samples/outcrops
    const char* id;
};

const DemoOutcrop kOutcrops[] = {
    {"HALL1.LAD", "HÄLL1"_cp}, // refers to the tunnel TUN1
    {"HALL2.LAD", "HÄLL2"_cp}, // refers to the alignment VÄG1.VL, written in lower case
    {"HALL3.LAD", "HÄLL3"_cp}, // refers to nothing
};

// The folder of the sample files: $HARN_SAMPLES when set, else share/harn/samples beside the
// installed tool, else samples/ of the source tree this tool was built from.
std::string samplesFolder() {
    if (const char* env = std::getenv("HARN_SAMPLES"); env && *env)
        return env;
    if (const std::string bin = platform::programFolder(); !bin.empty()) {
        const std::string installed = platform::absolutePath(bin + "/" + HARN_SAMPLES_FROM_BIN);
        if (platform::isFolder(installed))
            return installed;
    }
    return HARN_SOURCE_SAMPLES;
}

// Makes the object's record current: found by its id, or appended with a new file name.
dbstype* record(CHarnDbs& dbs, int typ, const char* id) {
    char text[16];
    std::snprintf(text, sizeof text, "%s", id);
    if (dbs.Findid(typ, text) == 0)
        return dbs.Get_aktel();
    dbs.Ny(1, nullptr);
    dbstype* r = dbs.Get_aktel();
    r->typ = static_cast<uint8_t>(typ);
    std::snprintf(r->id, sizeof r->id, "%s", text);
    if (dbs.Filnamn() != 0) {
        dbs.DeletePost();
        return nullptr;
    }
    return r;
}

int saveLine(cli::DemoContext& ctx, const DemoLine& d) {
    dbstype* r = record(ctx.dbs, 5, d.id);
    if (!r)
        return -1;
    CLinjeData l(&ctx.proj, r->filnamn, d.metod);
    l.m_kod = d.metod;
    l.m_varde = 0.5 * d.points;
    l.m_tal = 90 - 5 * d.metod;
    std::snprintf(l.m_jordart, sizeof l.m_jordart, "%s", d.jordart);
    for (int i = 0; i < 5; ++i)
        std::snprintf(l.m_kolnamn[i], sizeof l.m_kolnamn[i], "%s",
                      d.kolumner[i] ? d.kolumner[i] : "");
    static const char* const kTexter[] = {"Gr", "Gn", "Pe", "", "Db", "Sk"};
    for (int k = 0; k < d.points; ++k) {
        l.Ny(1, nullptr);
        lintype* p = l.Get_aktel();
        p->pos = k * 10.0;
        p->x = d.x0 + k * d.dx;
        p->y = d.y0 + k * d.dy;
        p->z = d.z0 + (k % 3) * 0.5 - (k % 2) * 0.25;
        std::snprintf(p->txt, sizeof p->txt, "P%d", k + 1);
        for (int i = 0; i < 5; ++i) {
            // Rock a little below the ground; the other columns some measured value.
            p->kolval[i] = i == 0 ? p->z - 1.5 - (k % 4) * 0.75 : (k + 1) * 1.25 * (i + 1);
            std::snprintf(p->koltxt[i], sizeof p->koltxt[i], "%s", kTexter[(k + i) % 6]);
        }
    }
    return l.Save(&ctx.dbs);
}

int saveOutcrop(cli::DemoContext& ctx, const DemoOutcrop& d, const std::string& folder) {
    const std::string sample = folder + "/outcrops/" + d.sample;
    std::string bytes;
    if (!platform::readFile(platform::windowsPath(sample).c_str(), bytes)) {
        std::cerr << "harn demo: cannot read the sample file " << sample << "\n";
        return -1;
    }
    dbstype* r = record(ctx.dbs, 2, d.id);
    if (!r)
        return -1;
    CHellar h(&ctx.proj, r->filnamn);
    if (platform::replaceFileContents(h.Sokvag(), bytes) != 0) {
        std::cerr << "harn demo: cannot write " << cli::toUtf8(h.Sokvag()) << "\n";
        return -3;
    }
    if (h.Init() != 0)
        return -1;
    return h.SaveToDbs(&ctx.dbs);
}

int demoMapping(cli::DemoContext& ctx) {
    for (const DemoLine& d : kLines)
        if (int r = saveLine(ctx, d); r != 0)
            return r;
    const std::string folder = samplesFolder();
    for (const DemoOutcrop& d : kOutcrops)
        if (int r = saveOutcrop(ctx, d, folder); r != 0)
            return r;
    ctx.out << "lines: " << std::size(kLines)
            << " lines saved (KR, SP, FP, KV, JG, LI); outcrops: " << std::size(kOutcrops)
            << " outcrop files from samples/outcrops registered\n";
    return 0;
}

cli::DemoRegistrar reg(30, "lines and outcrops", &demoMapping);

} // namespace
