// Runs the built harn tool (path in HARN_TOOL) and captures its output and exit code.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ToolResult {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs `harn args...`; `input` is fed to standard input.
ToolResult runTool(const std::vector<std::string>& args, const std::string& input = "");
// Runs `harn args...` as a user without privileges (uid 65534 through setpriv when the tests
// run as root), so that file permissions apply to it.
ToolResult runToolUnprivileged(const std::vector<std::string>& args);

} // namespace testing_support
