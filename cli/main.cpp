// harn: the command-line tool over the project library.
#include "cli/Cli.h"

#include "platform/CFile.h"
#include "platform/FailureLog.h"
#include "platform/UserInterface.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>

namespace {

void printHelp(std::ostream& out) {
    out << "harn: create, list, show and check the files of an investigation project.\n\n"
           "usage: harn COMMAND [ARGS]   (harn COMMAND --help for its options)\n\n"
           "commands:\n";
    for (const cli::Command& c : cli::commands()) {
        out << "  " << c.name;
        for (size_t i = c.name.size(); i < 10; ++i)
            out << ' ';
        out << c.summary << "\n";
    }
}

// Runs a command; its library exceptions become messages and exit code 1.
int runCommand(const cli::Command& cmd, const std::vector<std::string>& args) {
    try {
        return cmd.run(args);
    } catch (const char* message) {
        std::cerr << "harn: " << cli::toUtf8(message) << "\n";
    } catch (const CString& message) {
        std::cerr << "harn: " << cli::toUtf8(message) << "\n";
    } catch (const CFileException& e) {
        std::cerr << "harn: file error (" << e.m_cause << ") " << cli::toUtf8(e.m_strFileName)
                  << "\n";
    } catch (const std::exception& e) {
        std::cerr << "harn: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "harn: unexpected error\n";
    }
    return cli::kFailed;
}

// The exit code once what was printed has reached standard output, or 1 with a line saying
// that it could not (a full disk, a closed file).
int written(const std::string& name, int code) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "harn " << name << ": cannot write standard output\n";
        if (code == cli::kOk)
            code = cli::kFailed;
    }
    return code;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (argc < 2) {
        printHelp(std::cerr);
        return cli::kUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(std::cout);
        return written(name, cli::kOk);
    }
    if (name == "--version") {
        std::cout << "harn 0.1\n";
        return written(name, cli::kOk);
    }
    const cli::Command* cmd = cli::findCommand(name);
    if (!cmd) {
        std::cerr << "harn: unknown command '" << name << "' (see harn --help)\n";
        return cli::kUsage;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            std::cout << "usage: " << cmd->usage << "\n" << cmd->summary << "\n";
            return written(name, cli::kOk);
        }
    int code = runCommand(*cmd, args);
    // Failures the library reported while going on (a database update after a save, a code
    // list or library file that could not be written): the command has failed.
    // Each once: the same failure met again (a file two readers both tried) says nothing new.
    const std::vector<std::string> failures = platform::FailureLog::entries();
    std::set<std::string> told;
    for (const std::string& f : failures)
        if (told.insert(f).second)
            std::cerr << "harn: " << cli::toUtf8(f.c_str()) << "\n";
    if (!failures.empty() && code == cli::kOk)
        code = cli::kFailed;
    // A command that read a damaged file, or during which the library showed a failure, has
    // failed although it printed what it could.
    if ((cli::failedMarked() || platform::shownFailureMessages() > 0) && code == cli::kOk)
        code = cli::kFailed;
    // What the command printed must have reached standard output: otherwise the command has
    // failed, whatever it found.
    return written(name, code);
}
