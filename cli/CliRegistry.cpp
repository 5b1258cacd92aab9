#include "cli/Cli.h"

#include "list/FormattedText.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/SafeReplace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <streambuf>
#include <vector>

namespace cli {
namespace {

std::vector<Command>& commandList() {
    static std::vector<Command> list;
    return list;
}

std::map<int, ShowFn>& showMap() {
    static std::map<int, ShowFn> map;
    return map;
}

// An output stream buffer over a C stream, in blocks of 64 KiB, each written to the file in
// one piece (a pipe's reader is woken once a block).
class StdioBuffer : public std::streambuf {
public:
    explicit StdioBuffer(FILE* f) : m_file(f), m_buffer(1 << 16) {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }
    ~StdioBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() && std::fflush(m_file) == 0 ? 0 : -1; }

private:
    bool drain() {
        const size_t n = static_cast<size_t>(pptr() - pbase());
        const bool ok = n == 0 || platform::writeThrough(m_file, pbase(), n);
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return ok;
    }
    FILE* m_file;
    std::vector<char> m_buffer;
};

std::vector<DemoStep>& demoList() {
    static std::vector<DemoStep> list;
    return list;
}

} // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, const char* summary,
                                   CommandFn run) {
    commandList().push_back({name, usage, summary, run});
}

const std::vector<Command>& commands() {
    std::sort(commandList().begin(), commandList().end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return commandList();
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : commandList())
        if (c.name == name)
            return &c;
    return nullptr;
}

ShowRegistrar::ShowRegistrar(int typ, ShowFn fn) {
    showMap()[typ] = fn;
}

ShowFn findShow(int typ) {
    auto it = showMap().find(typ);
    return it == showMap().end() ? nullptr : it->second;
}

DemoRegistrar::DemoRegistrar(int order, const char* name, DemoFn fn) {
    demoList().push_back({order, name, fn});
}

std::vector<DemoStep> demoSteps() {
    std::vector<DemoStep> steps = demoList();
    std::stable_sort(steps.begin(), steps.end(),
                     [](const DemoStep& a, const DemoStep& b) { return a.order < b.order; });
    return steps;
}

std::string toUtf8(const char* cp1252) {
    return platform::cp1252ToUtf8(cp1252 ? cp1252 : "");
}
std::string fromUtf8(const std::string& utf8) {
    return platform::utf8ToCp1252(utf8);
}

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

std::string takeFileOption(std::vector<std::string>& args, const std::string& option,
                           bool& missing) {
    const size_t before = args.size();
    std::string value = takeOption(args, option, missing);
    missing = missing || (value.empty() && args.size() != before);
    return value;
}

std::string takeOption(std::vector<std::string>& args, const std::string& option, bool& missing) {
    missing = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == option) {
            if (i + 1 >= args.size()) {
                missing = true;
                args.erase(args.begin() + static_cast<long>(i));
                return {};
            }
            std::string value = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i),
                       args.begin() + static_cast<long>(i) + 2);
            return value;
        }
        if (args[i].rfind(option + "=", 0) == 0) {
            std::string value = args[i].substr(option.size() + 1);
            args.erase(args.begin() + static_cast<long>(i));
            return value;
        }
    }
    return {};
}

bool writeOutput(const Command& cmd, const std::string& posixFile, const std::string& bytes) {
    const std::string file = platform::windowsPath(platform::absolutePath(posixFile));
    if (platform::replaceFileContents(file.c_str(), bytes) == 0)
        return true;
    std::cerr << "harn " << cmd.name << ": cannot write " << posixFile << "\n";
    return false;
}

bool streamOutput(const Command& cmd, const std::string& posixFile,
                  const std::function<void(std::ostream&)>& write) {
    if (posixFile.empty()) {
        std::cout.flush();
        StdioBuffer buffer(stdout);
        std::ostream out(&buffer);
        write(out);
        out.flush();
        // A failed write is told once, in main, which finds the stream in error.
        if (!out.good())
            std::cout.setstate(std::ios::badbit);
        return out.good() && !std::ferror(stdout);
    }
    const std::string file = platform::windowsPath(platform::absolutePath(posixFile));
    platform::SafeReplace replace(file.c_str());
    bool ok = false;
    if (FILE* f = replace.open("wb")) {
        {
            StdioBuffer buffer(f);
            std::ostream out(&buffer);
            write(out);
            out.flush();
            ok = out.good();
        }
        ok = ok && replace.commit() == 0;
    }
    if (!ok)
        std::cerr << "harn " << cmd.name << ": cannot write " << posixFile << "\n";
    return ok;
}

namespace {
bool g_failed = false;
} // namespace

void markFailed() {
    g_failed = true;
}

bool failedMarked() {
    return g_failed;
}

void reportDamaged(const std::string& cmd, const std::string& file, const std::string& what) {
    std::cerr << "harn" << (cmd.empty() ? "" : " ") << cmd << ": damaged " << file << ": " << what
              << "\n";
    markFailed();
}

bool reportUnread(const std::string& cmd, const char* windowsPath, const std::string& why) {
    if (platform::access(windowsPath, 0) != 0)
        return false;
    std::cerr << "harn " << cmd << ": cannot read " << userPath(windowsPath)
              << (why.empty() ? "" : ": ") << why << "\n";
    markFailed();
    return true;
}

std::string userPath(const char* windowsPath) {
    return escapeControls(platform::nativePath(windowsPath));
}

std::string escapeControls(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (unsigned char c : utf8) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string shown(const char* cp1252) {
    return escapeControls(toUtf8(cp1252));
}

std::string millimetres(double value) {
    // "%.3f" as printf writes it, without a call into the C library's formatting (a listing
    // writes six per row).
    static FormattedText text;
    text.clear();
    const std::string_view shown = text.fixed(value + 0.0, 0, 3).view();
    return shown == "-0.000" ? "0.000" : std::string(shown);
}

int usageError(const Command& cmd, const std::string& message) {
    std::cerr << "harn " << cmd.name << ": " << message << "\nusage: " << cmd.usage << "\n";
    return kUsage;
}

} // namespace cli
