#include "tests/support/RunTool.h"

#include "platform/Encoding.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>

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

ToolResult runTool(const std::vector<std::string>& args, const std::string& input) {
    TempDir io;
    std::string cmd = quote(toolPath());
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

} // namespace testing_support
