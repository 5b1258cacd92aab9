// `harn check` as a validator: the demo project is clean; a copy of it with one planted fault
// gives exactly the finding of that fault's rule, and every rule the tool lists has a case.
// Also the forms of the report (text, JSON, SARIF), --strict and the exit codes.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <set>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Every match of `pattern`'s first group in `text`.
std::vector<std::string> matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it)
        out.push_back((*it)[1]);
    return out;
}

void patch(const std::string& file, size_t offset, const void* bytes, size_t size) {
    patchBytes(file, offset, std::string(static_cast<const char*>(bytes), size));
}
void patchInt(const std::string& file, size_t offset, int32_t value) {
    patch(file, offset, &value, sizeof value);
}
int32_t intAt(const std::string& file, size_t offset) {
    int32_t v = 0;
    std::memcpy(&v, readBytes(file).data() + offset, sizeof v);
    return v;
}

// Line `n` (1-based) of a text file replaced by `text` (CR LF kept), or `text` inserted
// before it; n past the end appends.
void setLine(const std::string& file, int n, const std::string& text, bool insert = false) {
    const std::string s = readBytes(file);
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < s.size();) {
        size_t end = s.find('\n', pos);
        end = end == std::string::npos ? s.size() : end + 1;
        lines.push_back(s.substr(pos, end - pos));
        pos = end;
    }
    if (n > static_cast<int>(lines.size()))
        lines.push_back(text + "\r\n");
    else if (insert)
        lines.insert(lines.begin() + (n - 1), text + "\r\n");
    else
        lines[n - 1] = text + "\r\n";
    std::string out;
    for (const std::string& l : lines)
        out += l;
    writeBytes(file, out);
}

class CheckRulesTest : public DemoProjectTest {
protected:
    std::string fresh() { return copyDemo("P"); }
    // The slot offset of an object in the project's database.
    static long slotOf(const std::string& p, const char* id) {
        CProjPath proj(p.c_str());
        CHarnDbs d(&proj, nullptr);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%s", id);
        if (d.Init(1, 0, nullptr, nullptr) != 0 || d.Findid(0, buf) != 0)
            return -1;
        return d.Get_aktel()->filpos;
    }
};

TEST_F(CheckRulesTest, EachPlantedFaultGivesExactlyItsRule) {
    const auto dbs = [](const std::string& p) { return p + "/HARNPLAN.DBS"; };
    const auto data = [](const std::string& p, const std::string& name) {
        return p + "/HARNDB/" + name;
    };
    const auto sample = [](const std::string& p, const char* name) {
        fs::copy_file(kSource / "samples/codes" / name, p + "/" + name);
        return p + "/" + name;
    };
    const auto slotByte = [&](const std::string& p, const char* id, size_t field, char byte) {
        patch(dbs(p), slotOf(p, id) + field, &byte, 1);
    };
    const auto odb = [&](const std::string& p) { return data(p, "TUN1.ODB"); };
    const auto position = [](int i, size_t field) { return 300 + 144 * i + field; };
    struct Case {
        const char* rule;
        std::function<void(const std::string& p)> plant;
        std::vector<std::string> also = {}; // findings that follow from the fault, in order
        std::vector<std::string> says = {}; // parts of the JSON report (the message, the file)
    } cases[] = {
        {"database-read",
         [&](const std::string& p) {
             patchInt(dbs(p), offsetof(dbshdtype, antal),
                      intAt(dbs(p), offsetof(dbshdtype, antal)) + 1);
         },
         {},
         {"\"message\": \"Os\xC3\xA4ker databas antal=("}},
        {"head-count",
         [&](const std::string& p) {
             const size_t boreholes = offsetof(dbshdtype, typantal) + 2 * 4;
             patchInt(dbs(p), boreholes, intAt(dbs(p), boreholes) + 1);
         },
         {},
         {"head counts 5 objects of type borehole, the database holds 4"}},
        {"head-end",
         [&](const std::string& p) {
             patchInt(dbs(p), offsetof(dbshdtype, slut),
                      intAt(dbs(p), offsetof(dbshdtype, slut)) + 1);
         }},
        {"head-freed",
         [&](const std::string& p) {
             CProjPath proj(p.c_str());
             CHarnDbs d(&proj, nullptr);
             char id[16] = "FP2";
             ASSERT_EQ(d.Init(0, 0, nullptr, nullptr) + d.Findid(4, id) + d.Delete(), 0);
         }},
        {"record-type",
         [&](const std::string& p) {
             slotByte(p, "FP2", offsetof(dbstype, typ), 9);
             const size_t t = offsetof(dbshdtype, typantal);
             patchInt(dbs(p), t + 3 * 4, intAt(dbs(p), t + 3 * 4) - 1);
             patchInt(dbs(p), t + 8 * 4, 1);
         }},
        {"record-id-case",
         [&](const std::string& p) { slotByte(p, "FP2", offsetof(dbstype, id), 'f'); },
         {},
         {"identifier is not in upper case"}},
        {"record-id-duplicate",
         [&](const std::string& p) { slotByte(p, "FP2", offsetof(dbstype, id) + 2, '1'); }},
        {"record-no-file",
         [&](const std::string& p) { slotByte(p, "KV1", offsetof(dbstype, filnamn), 0); }},
        {"record-file-duplicate",
         [&](const std::string& p) {
             patch(dbs(p), slotOf(p, "JG1") + offsetof(dbstype, filnamn), "KV1", 4);
         }},
        {"file-missing", [&](const std::string& p) { fs::remove(data(p, "KV1.LJE")); }},
        {"file-missing",
         [&](const std::string& p) { fs::remove(data(p, "TUN1.LAT")); },
         {},
         {"HARNDB/TUN1.LAT\",", "\"message\": \"data file is missing\""}},
        {"file-unreadable",
         [&](const std::string& p) {
             fs::remove(data(p, "KV1.LJE"));
             fs::create_directory(data(p, "KV1.LJE")); // there, but cannot be read
         }},
        {"file-unreadable",
         [&](const std::string& p) {
             fs::remove(data(p, "TUN1.ODF"));
             fs::create_directory(data(p, "TUN1.ODF"));
         },
         {},
         {"HARNDB/TUN1.ODF\",", "\"message\": \"the file cannot be read\""}},
        {"alignment-file-missing",
         [&](const std::string& p) { fs::remove(data(p, "V\xC3\x84G2.VL")); }},
        {"alignment-file",
         [&](const std::string& p) {
             writeBytes(data(p, "V\xC3\x84G2.VL"), "ALIGNMENT 1\n0\nx\n");
         }},
        {"borehole-flag",
         [&](const std::string& p) { slotByte(p, "BH2", offsetof(dbstype, flagg), 0x08); },
         {},
         {"the file has core drilling but the database record's flag is not set"}},
        {"borehole-flag",
         [&](const std::string& p) {
             slotByte(p, "BH2", offsetof(dbstype, flagg), 0x0d); // KB, VF and RB
         },
         {},
         {"the database record says water-loss tests but the file has no such block"}},
        {"borehole-head", [&](const std::string& p) { setLine(data(p, "BH2.SND"), 2, "x"); }},
        {"borehole-line", [&](const std::string& p) { setLine(data(p, "BH2.SND"), 12, "xyz"); }},
        {"survey-line", [&](const std::string& p) { setLine(data(p, "BH3.CRD"), 99, "1 2 3"); }},
        {"line-head", [&](const std::string& p) { setLine(data(p, "KV1.LJE"), 2, "x"); }},
        {"line-blocks",
         [&](const std::string& p) {
             writeBytes(data(p, "KV1.LJE"), "KV1\r\n3\r\n3 8 2.5\r\n75 gr\r\n");
         }},
        {"line-point",
         [&](const std::string& p) { setLine(data(p, "KV1.LJE"), 6, "  0.00  1205.000", true); }},
        {"line-column", [&](const std::string& p) { setLine(data(p, "JG1.LJE"), 12, "x"); }},
        {"outcrop-head", [&](const std::string& p) { setLine(data(p, "HALL1.LAD"), 5, "x y z"); }},
        {"outcrop-point",
         [&](const std::string& p) { setLine(data(p, "HALL1.LAD"), 12, "1100.0 2100.0"); }},
        {"code-blocks",
         [&](const std::string& p) {
             writeBytes(p + "/Harnkod.dat", "*\r\n*\r\n40 Pe Pegmatit\r\n");
         }},
        {"code-line", [&](const std::string& p) { setLine(p + "/Harnkod.dat", 4, "x"); }},
        {"code-value",
         [&](const std::string& p) { setLine(p + "/Harnkod.dat", 4, "41 Qq t 0.001"); }},
        {"code-unknown", [&](const std::string& p) { setLine(data(p, "KV1.LJE"), 4, "75 zz"); }},
        {"section-library",
         [&](const std::string& p) { writeBytes(data(p, "TVTYP.LIS"), "1.5"); },
         {"tunnel-section-type", "tunnel-section-type", "tunnel-section-type",
          "tunnel-section-type"}},
        {"section-library",
         [&](const std::string& p) { patchInt(data(p, "TVTYP.LIS"), 16, 5); },
         {},
         {"Os\xC3\xA4ker databas antal=(5 2), v\xC3\xA4lj Konvertera i Arkiv."}},
        {"section-outline-missing",
         [&](const std::string& p) { fs::remove(data(p, "VALV10.ttv")); },
         {},
         {"type VALV10 has no outline file"}},
        {"section-outline",
         [&](const std::string& p) {
             fs::remove(data(p, "VALV10.ttv"));
             fs::create_directory(data(p, "VALV10.ttv")); // there, but cannot be opened
         }},
        {"tunnel-read", [&](const std::string& p) { writeBytes(odb(p), "1.5"); }},
        {"tunnel-read",
         [&](const std::string& p) { patch(odb(p), 0, "0.5\0\0", 5); },
         {},
         {"Felaktig version: 0.5 TUN1 Nu g\xC3\xA4ller version:1.5 V\xC3\xA4lj Konvertera i "
          "Arkiv !"}},
        {"tunnel-count",
         [&](const std::string& p) { patchInt(odb(p), 24, 5); },
         {},
         {"the head counts 5 records, the file holds 4"}},
        {"tunnel-alignment",
         [&](const std::string& p) {
             // The tunnel's text names an alignment whose file exists but has no record.
             fs::copy_file(data(p, "V\xC3\x84G1.VL"), data(p, "V\xC3\x84G3.VL"));
             char text[sizeof(dbstype::text)] = "V\xC4G3.VL";
             patch(dbs(p), slotOf(p, "TUN1") + offsetof(dbstype, text), text, sizeof text);
         }},
        {"tunnel-alignment-file",
         [&](const std::string& p) { fs::remove(data(p, "V\xC3\x84G1.VL")); },
         {"alignment-file-missing"},
         {"the alignment file of the tunnel is missing"}},
        {"tunnel-alignment-file",
         [&](const std::string& p) {
             writeBytes(data(p, "V\xC3\x84G1.VL"), "ALIGNMENT 1\n0\n1000 2010\n");
         },
         {"alignment-file"},
         {"the alignment file cannot be read: fewer than two points"}},
        {"tunnel-chainage",
         [&](const std::string& p) {
             const double far = 400;
             patch(odb(p), position(3, 16), &far, sizeof far);
         },
         {},
         {"position at chainage 400.000 lies outside its alignment (chainage 0.000 to 252.360)"}},
        {"tunnel-positions",
         [&](const std::string& p) {
             for (int i = 0; i < 4; ++i)
                 patch(odb(p), position(i, 0), "\x08", 1); // kind 8: no longer positions
             patchInt(odb(p), 24 + 4 * 7, 0);
             patchInt(odb(p), 24 + 4 * 8, 4);
         }},
        {"tunnel-section-type",
         [&](const std::string& p) { patch(odb(p), position(1, 36), "NOPE\0", 5); },
         {},
         {"position at chainage 70.000: cross-section type NOPE is not in TVTYP.LIS"}},
        {"tunnel-section-type",
         [&](const std::string& p) { fs::remove(data(p, "TVTYP.LIS")); },
         {},
         {"its positions name cross-section types but the project has no type library "
          "TVTYP.LIS"}},
        {"bolt-drain-file", [&](const std::string& p) { patchInt(data(p, "TUN1.ODF"), 32, 301); }},
        {"library-head", [&](const std::string& p) { writeBytes(p + "/Kort.bib", "1.4"); }},
        {"library-version",
         [&](const std::string& p) { patch(sample(p, "Forstsys.bib"), 0, "0.9\0", 4); }},
        {"library-end",
         [&](const std::string& p) { patchInt(sample(p, "Forstsys.bib"), 116, 301); },
         {},
         {"the head's end offset 301 is not the end of a 312-byte record within the file's "
          "1236 bytes"}},
        {"library-count", [&](const std::string& p) { patchInt(sample(p, "Injsys.bib"), 24, 5); }},
        {"library-freed",
         [&](const std::string& p) { patchInt(sample(p, "Forsttyp.bib"), 104, 1); }},
    };

    // The demo is clean, and the rules the tool lists are exactly those of the cases.
    const auto clean = runTool({"check", fresh(), "--format", "sarif"});
    ASSERT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    const std::vector<std::string> listed =
        matches(clean.out, "\\{\\s*\"id\": \"([a-z-]+)\",\\s*\"shortDescription\"");
    std::set<std::string> covered;
    for (const Case& c : cases)
        covered.insert(c.rule);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), covered);
    EXPECT_TRUE(matches(clean.out, "\"ruleId\": \"([a-z-]+)\"").empty());

    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const std::string p = fresh();
        c.plant(p);
        const auto r = runTool({"check", p, "--json", "--strict"});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        std::vector<std::string> want = {c.rule};
        want.insert(want.end(), c.also.begin(), c.also.end());
        EXPECT_EQ(matches(r.out, "\"rule\": \"([a-z-]+)\""), want) << r.out;
        for (const std::string& part : c.says)
            EXPECT_TRUE(contains(r.out, part)) << part << "\n" << r.out;
        // The summary counts the findings by severity.
        EXPECT_EQ(matches(r.out, "\"errors\": ([0-9]+),"),
                  std::vector<std::string>{
                      std::to_string(occurrences(r.out, "\"severity\": \"error\""))});
        EXPECT_EQ(matches(r.out, "\"warnings\": ([0-9]+),"),
                  std::vector<std::string>{
                      std::to_string(occurrences(r.out, "\"severity\": \"warning\""))});
    }
}

// One warning: 0 without --strict, 1 with it; the text, JSON and SARIF forms of a finding;
// an unreadable database is 2 (wrong usage: ExitCodeTest).
TEST_F(CheckRulesTest, ReportFormsStrictAndExitCodes) {
    const std::string p = fresh();
    fs::remove(p + "/HARNDB/V\xC3\x84G2.VL");
    const std::string file = p + "/HARNDB/V\xC3\x84G2.VL";
    auto r = runTool({"check", p});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.find("warning  alignment-file-missing  V\xC3\x84G2.VL  " + file +
                           ": data file is missing\n") != std::string::npos)
        << r.out;
    EXPECT_EQ(runTool({"check", p, "--strict"}).exitCode, 1);
    r = runTool({"check", p, "--json"});
    EXPECT_TRUE(
        r.out.find("\"rule\": \"alignment-file-missing\",\n      \"severity\": "
                   "\"warning\",\n      \"object\": \"V\xC3\x84G2.VL\",\n      \"file\": \"" +
                   file + "\",\n      \"line\": 0,") != std::string::npos)
        << r.out;
    r = runTool({"check", p, "--format", "sarif"});
    EXPECT_TRUE(r.out.find("\"version\": \"2.1.0\"") != std::string::npos);
    EXPECT_TRUE(r.out.find("\"ruleId\": \"alignment-file-missing\",\n          \"level\": "
                           "\"warning\"") != std::string::npos)
        << r.out;
    EXPECT_TRUE(r.out.find("\"uri\": \"file://" + p + "/HARNDB/V%C3%84G2.VL\"") !=
                std::string::npos)
        << r.out;

    fs::remove(p + "/HARNPLAN.DBS");
    r = runTool({"check", p});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.find("harn: not found: the project database " + p + "/HARNPLAN.DBS\n") !=
                std::string::npos)
        << r.err;
}

} // namespace
