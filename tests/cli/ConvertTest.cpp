// `harn convert`: the damaged and the old sample projects rebuilt, the dated copy of the old
// database, the dialog on a console that is not a terminal, the question and --yes, refusals,
// and the tool's pointer to the command after the library's "Konvertera" messages.
#include "tests/support/RunTool.h"
#include "tests/support/TestSupport.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Cp1252Literal.h"
#include "platform/Encoding.h"

#include <filesystem>
#include <map>
#include <regex>

using testing_support::readBytes;
using testing_support::runTool;
using testing_support::u;
using testing_support::writeBytes;

namespace {

const std::filesystem::path kSamples =
    std::filesystem::path(__FILE__).parent_path() / "../../samples/projects";

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override { CProjPath::ResetNames(); }
    // A copy of a sample project in the temporary folder.
    std::string sample(const std::string& name) {
        const std::string to = dir.path() + "/" + name;
        std::filesystem::copy(kSamples / name, to, std::filesystem::copy_options::recursive);
        return to;
    }
    // Files named HARNPLAN-<date>-<time>.DBS in a project folder.
    static std::vector<std::string> copies(const std::string& project) {
        std::vector<std::string> out;
        for (const std::string& n : testing_support::listNames(project))
            if (std::regex_match(n, std::regex(R"(HARNPLAN-\d{4}-\d\d-\d\d-\d{6}\.DBS)")))
                out.push_back(n);
        return out;
    }
    // The number of records of each type in a project's database.
    static std::map<int, int> typeCounts(const std::string& project) {
        CProjPath proj(project.c_str());
        CHarnDbs d(&proj, nullptr);
        EXPECT_EQ(d.Init(1, 0, nullptr, nullptr), 0);
        std::map<int, int> counts;
        if (d.Home() == 0)
            do
                ++counts[d.Get_aktel()->typ];
            while (d++);
        return counts;
    }
    // The last value the dialog showed after `label` on the plain console.
    static int lastShown(const std::string& err, const std::string& label) {
        int value = -1;
        const std::regex line("  " + u(label) + " (\\d+)\n");
        for (auto it = std::sregex_iterator(err.begin(), err.end(), line);
             it != std::sregex_iterator(); ++it)
            value = std::stoi((*it)[1]);
        return value;
    }
    testing_support::TempDir dir;
};

} // namespace

TEST_F(ConvertTest, DamagedSampleConvertsToAProjectThatPassesTheCheck) {
    const std::string project = sample("DAMAGED");
    const std::string before = readBytes(project + "/HARNPLAN.DBS");

    auto check = runTool({"check", project});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.out.find(u("Osäker databas antal=(20 17), välj Konvertera i Arkiv."_cp)),
              std::string::npos);
    EXPECT_NE(check.err.find("harn: to convert the project, run: harn convert " + project + "\n"),
              std::string::npos)
        << check.err;
    auto info = runTool({"info", project});
    EXPECT_NE(info.err.find(u("välj Konvertera i Arkiv.\nharn: to convert the project, run: harn "
                              "convert "_cp) +
                            project + "\n"),
              std::string::npos)
        << info.err;

    // Without --yes and without a terminal to ask on, nothing starts and nothing is left.
    auto refused = runTool({"convert", project});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(u("Från version: 1.5\n"_cp)), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("  [OK]\npressed [Avbryt]\n"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("harn convert: not converted (--yes converts without asking)"),
              std::string::npos);
    EXPECT_EQ(readBytes(project + "/HARNPLAN.DBS"), before);
    EXPECT_TRUE(copies(project).empty());

    auto done = runTool({"convert", project, "--yes"});
    EXPECT_EQ(done.exitCode, 0) << done.err;
    const std::vector<std::string> kept = copies(project);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(done.out, "old database kept as " + project + "/" + kept[0] +
                            "\ndatabase rebuilt: " + project + "/HARNPLAN.DBS\n");
    EXPECT_EQ(readBytes(project + "/" + kept[0]), before);
    // The whole run on a console that is not a terminal: the buttons' states and presses.
    EXPECT_NE(done.err.find(u("Konvertera projekt: DAMAGED\n  Till version: 1.5\n"
                              "  Från version: 1.5\n  [OK]\npressed [OK]\n  [OK: disabled]\n"
                              "  [Avbryt: disabled]\n  Antal borrhål: 1\n"_cp)),
              std::string::npos)
        << done.err;
    EXPECT_NE(done.err.find("  [Avbryt]\n  button 2: Klar!\npressed [Klar!]\n"), std::string::npos);

    // The counters shown are the records written.
    std::map<int, int> counts = typeCounts(project);
    EXPECT_EQ(lastShown(done.err, "Antal borrhål:"_cp), counts[3]);
    EXPECT_EQ(lastShown(done.err, "Antal linjer:"), counts[5]);
    EXPECT_EQ(lastShown(done.err, "Antal hällar:"_cp), counts[2]);
    EXPECT_EQ(lastShown(done.err, "Antal punkter:"), counts[4]);
    EXPECT_EQ(lastShown(done.err, "Antal tunnlar:"), -1); // the sample has no tunnel files
    EXPECT_EQ(counts, (std::map<int, int>{{2, 3}, {3, 4}, {4, 2}, {5, 6}, {6, 2}}));

    check = runTool({"check", project});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.err, "");
}

TEST_F(ConvertTest, OldSampleKeepsItsTextsAndTakesTheCurrentVersion) {
    const std::string project = sample("OLD14");
    const std::string before = readBytes(project + "/HARNPLAN.DBS");
    auto done = runTool({"convert", project, "--yes", "--name", u("Gamla Ån"_cp)});
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.err.find(u("Konvertera projekt: Gamla Ån\n  Till version: 1.5\n"
                              "  Från version: 1.4\n"_cp)),
              std::string::npos)
        << done.err;
    ASSERT_EQ(copies(project).size(), 1u);
    EXPECT_EQ(readBytes(project + "/" + copies(project)[0]), before);
    const std::string after = readBytes(project + "/HARNPLAN.DBS");
    ASSERT_GT(after.size(), 324u);
    EXPECT_EQ(after.substr(0, 6), std::string("1.0\0\0\0", 6));
    EXPECT_EQ(after.substr(37, 9), std::string("Gamla \xC5n\0", 9)); // CP1252
    EXPECT_EQ(after.substr(86, 11), before.substr(86, 11));          // the date carried over
    EXPECT_EQ(runTool({"check", project}).exitCode, 0);
}

TEST_F(ConvertTest, RefusedAndMissingDatabasesFailWithoutACopy) {
    const std::string project = sample("OLD14");
    std::string newer = readBytes(project + "/HARNPLAN.DBS");
    newer.replace(0, 3, "2.0"); // 2.0 + 0.4
    writeBytes(project + "/HARNPLAN.DBS", newer);
    auto refused = runTool({"convert", project, "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(u("Otillåten version : 2.40 \n"_cp)), std::string::npos)
        << refused.err;
    EXPECT_EQ(readBytes(project + "/HARNPLAN.DBS"), newer);
    EXPECT_TRUE(copies(project).empty());

    std::filesystem::remove(project + "/HARNPLAN.DBS");
    auto missing = runTool({"convert", project, "--yes"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(u("  Från version: ??\n"_cp)), std::string::npos) << missing.err;
    EXPECT_NE(
        missing.err.find("harn convert: cannot read the database " + project + "/HARNPLAN.DBS\n"),
        std::string::npos);
    EXPECT_FALSE(testing_support::exists(project + "/HARNPLAN.DBS"));
}
