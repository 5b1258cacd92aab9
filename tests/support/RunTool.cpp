#include "tests/support/RunTool.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {
std::string toolPath() {
    const char* p = std::getenv("HARN_TOOL");
    if (!p || !*p)
        throw std::runtime_error("HARN_TOOL is not set: run the tests through ctest");
    return p;
}

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
} // namespace

namespace {

ToolResult run(const std::string& prefix, const std::vector<std::string>& args,
               const std::string& input, const std::string& stdoutPath = "") {
    TempDir io;
    std::string cmd = prefix + quote(toolPath());
    for (const std::string& a : args)
        cmd += " " + quote(a);
    writeBytes(io.file("in"), input);
    cmd += " <" + quote(io.file("in")) + " >" +
           quote(stdoutPath.empty() ? io.file("out") : stdoutPath) + " 2>" + quote(io.file("err"));
    int status = std::system(cmd.c_str());
    ToolResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readBytes(io.file("out"));
    r.err = readBytes(io.file("err"));
    return r;
}

} // namespace

ToolResult runTool(const std::vector<std::string>& args, const std::string& input) {
    return run("", args, input);
}

ToolResult runToolWithEnvironment(const std::vector<std::string>& variables,
                                  const std::vector<std::string>& args) {
    std::string prefix = "env ";
    for (const std::string& v : variables)
        prefix += quote(v) + " ";
    return run(prefix, args, "");
}

ToolResult runToolUnprivileged(const std::vector<std::string>& args) {
    return run(::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "", args,
               "");
}

ToolResult runToolWritingTo(const std::string& stdoutPath, const std::vector<std::string>& args) {
    return run("", args, "", stdoutPath);
}

std::string u(const std::string& cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string plainOutput(std::string out, const std::string& winFolder) {
    for (size_t at = 0; (at = out.find("\\\\", at)) != std::string::npos; ++at)
        out.erase(at, 1);
    for (size_t at; (at = out.find(winFolder)) != std::string::npos;)
        out.replace(at, winFolder.size(), "DIR");
    return out;
}

std::string plainOutput(const std::string& out, const TempDir& dir) {
    // The tool prints POSIX paths; the library's messages name them in Windows form.
    std::string plain = plainOutput(out, dir.winPath());
    for (size_t at; (at = plain.find(dir.path())) != std::string::npos;)
        plain.replace(at, dir.path().size(), "DIR");
    return plain;
}

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

std::pair<unsigned, unsigned> pngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {0, 0};
    const auto be32 = [&](size_t at) {
        unsigned v = 0;
        for (size_t i = at; i < at + 4; ++i)
            v = v << 8 | static_cast<unsigned char>(png[i]);
        return v;
    };
    return {be32(16), be32(20)};
}

double svgNumber(const std::string& markup, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(markup, m, std::regex(" " + name + "=\"([^\"]*)\"")))
        return NAN;
    const std::string text = m[1].str();
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return text.empty() || *end ? NAN : v;
}

std::vector<std::string> svgElements(const std::string& svg, const std::string& start,
                                     const std::string& until) {
    std::vector<std::string> out;
    for (size_t at = 0; (at = svg.find(start, at)) != std::string::npos; ++at)
        out.push_back(svg.substr(at, svg.find(until, at) - at));
    return out;
}

unsigned renderedWidth(const std::string& svgFile, const std::string& pngFile) {
    if (std::system(("rsvg-convert -o '" + pngFile + "' '" + svgFile + "'").c_str()) != 0)
        return 0;
    return pngSize(readBytes(pngFile)).first;
}

dbstype objectRecord(int typ, const char* id, double x, double y, double dx, double dy) {
    dbstype r{};
    r.typ = static_cast<uint8_t>(typ);
    std::snprintf(r.id, sizeof r.id, "%s", id);
    r.x = x, r.y = y, r.dx = dx, r.dy = dy;
    return r;
}

void newProject(const std::string& folder, const std::vector<dbstype>& records) {
    ASSERT_EQ(runTool({"new", folder}).exitCode, 0);
    CProjPath proj(folder.c_str());
    CHarnDbs d(&proj, nullptr);
    ASSERT_EQ(d.Init(0, 0, nullptr, nullptr), 0);
    for (dbstype r : records) {
        d.Ny(1, &r);
        ASSERT_TRUE((r.filnamn[0] || d.Filnamn() == 0) && d.Uppdat(0) == 0);
    }
}

std::unique_ptr<TempDir> DemoProjectTest::s_demo;
std::string DemoProjectTest::s_output;

void DemoProjectTest::SetUpTestSuite() {
    s_demo = std::make_unique<TempDir>();
    const ToolResult r = runTool({"demo", s_demo->file("DEMO")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    s_output = r.out;
}

void DemoProjectTest::SetUp() {
    CProjPath::ResetNames();
    ASSERT_TRUE(s_demo && exists(s_demo->file("DEMO/HARNPLAN.DBS"))) << "harn demo failed";
}

std::string DemoProjectTest::copyDemo(const std::string& name) {
    const std::string p = dir.file(name);
    std::filesystem::remove_all(p);
    std::filesystem::copy(s_demo->file("DEMO"), p, std::filesystem::copy_options::recursive);
    return p;
}

} // namespace testing_support
