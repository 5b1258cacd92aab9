// Runs the built harn tool (path in HARN_TOOL) and captures its output and exit code.
#pragma once

#include "database/dbstype.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct ToolResult {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs `harn args...`; `input` is fed to standard input.
ToolResult runTool(const std::vector<std::string>& args, const std::string& input = "");
// Runs `harn args...` with environment variables set ("NAME=value" each).
ToolResult runToolWithEnvironment(const std::vector<std::string>& variables,
                                  const std::vector<std::string>& args);
// Runs `harn args...` as a user without privileges (uid 65534 through setpriv when the tests
// run as root), so that file permissions apply to it.
ToolResult runToolUnprivileged(const std::vector<std::string>& args);
// Runs the tool with its standard output going to `stdoutPath` (`out` stays empty).
ToolResult runToolWritingTo(const std::string& stdoutPath, const std::vector<std::string>& args);

// The source tree (samples and expected outputs).
const std::filesystem::path kSource = std::filesystem::path(__FILE__).parent_path() / "../..";

// A literal of a test file (CP1252, as the library's) in the tool's UTF-8.
std::string u(const std::string& cp1252);
bool contains(const std::string& text, const std::string& part);
// The tool's output with the folder (Windows form) written as "DIR" and JSON's doubled
// backslashes single.
std::string plainOutput(std::string out, const std::string& winFolder);
// The same for a test folder, in both the POSIX and the Windows form.
std::string plainOutput(const std::string& out, const TempDir& dir);

// How often `part` stands in `text` (not overlapping).
int occurrences(const std::string& text, const std::string& part);
// Width and height of a PNG image from its IHDR chunk; {0, 0} when `png` is no PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& png);

// The number in attribute `name` of the first element of SVG `markup` that has it; NaN when
// none has it or it is no number.
double svgNumber(const std::string& markup, const std::string& name);
// The elements of `svg` that open with `start`, each up to `until` (by default the end of its
// start tag).
std::vector<std::string> svgElements(const std::string& svg, const std::string& start,
                                     const std::string& until = ">");
// Renders an SVG file to PNG with rsvg-convert; the PNG's width, 0 when it did not render.
unsigned renderedWidth(const std::string& svgFile, const std::string& pngFile);

// A record of the project database: type, identifier, lower corner and extent in plan.
dbstype objectRecord(int typ, const char* id, double x = 0, double y = 0, double dx = 0,
                     double dy = 0);
// A new project folder (`harn new`) holding `records`, written through the library, each given
// a file name unless it has one.
void newProject(const std::string& folder, const std::vector<dbstype>& records = {});

// Tests over copies of the demo project: `harn demo DEMO` runs once for the test suite (the
// project is named DEMO), and each test copies its result into a folder of its own.
class DemoProjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { s_demo.reset(); }
    void SetUp() override;
    // A fresh copy of the demo project at dir/NAME (an earlier copy there is replaced).
    std::string copyDemo(const std::string& name);
    // What `harn demo` printed.
    static const std::string& demoOutput() { return s_output; }

    TempDir dir;

private:
    static std::unique_ptr<TempDir> s_demo;
    static std::string s_output;
};

} // namespace testing_support
