#include "tests/support/RunTool.h"

#include "platform/Encoding.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
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
               const std::string& input) {
    TempDir io;
    std::string cmd = prefix + quote(toolPath());
    for (const std::string& a : args)
        cmd += " " + quote(a);
    writeBytes(io.file("in"), input);
    cmd +=
        " <" + quote(io.file("in")) + " >" + quote(io.file("out")) + " 2>" + quote(io.file("err"));
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

ToolResult runToolUnprivileged(const std::vector<std::string>& args) {
    return run(::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "", args,
               "");
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

} // namespace testing_support
