// Shared by the targets that run a command of the harn tool over a whole project folder:
// the command run in this process with its output captured, and a check that JSON output is
// well formed (UTF-8 strings without raw control characters).
#pragma once

#include "cli/Cli.h"
#include "fuzz/FuzzSupport.h"
#include "platform/CFile.h"

#include <cctype>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace harn_fuzz {

// What a command printed and returned.
struct CommandRun {
    int code = 0;
    std::string out;
    std::string err;
};

// Runs `harn NAME ARGS` in this process. An exception that escapes the command is a fault of
// the target; only with an injected fault (`fileErrors`) is a file error of the platform
// taken as main() takes it: exit code 1 and a line on standard error.
inline CommandRun runCommand(const char* name, const std::vector<std::string>& args,
                             bool fileErrors) {
    const cli::Command* cmd = cli::findCommand(name);
    check(cmd != nullptr, "the tool has no such command");
    std::ostringstream out, err;
    struct Redirect {
        std::ostream& stream;
        std::streambuf* old;
        Redirect(std::ostream& s, std::ostream& to) : stream(s), old(s.rdbuf(to.rdbuf())) {}
        ~Redirect() { stream.rdbuf(old); }
    } o(std::cout, out), e(std::cerr, err);
    CommandRun run;
    try {
        run.code = cmd->run(args);
    } catch (const CFileException& x) {
        if (!fileErrors)
            throw;
        std::cerr << "harn: file error (" << x.m_cause << ")\n";
        run.code = cli::kFailed;
    }
    run.out = out.str();
    run.err = err.str();
    return run;
}

// A JSON text: one value and a newline; strings are valid UTF-8 without control characters.
class JsonCheck {
public:
    explicit JsonCheck(const std::string& text) : m_t(text) {}
    bool valid() {
        if (!value())
            return false;
        space();
        return m_at == m_t.size();
    }

private:
    void space() {
        while (m_at < m_t.size() && std::strchr(" \t\r\n", m_t[m_at]))
            ++m_at;
    }
    bool take(char c) {
        space();
        if (m_at < m_t.size() && m_t[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool literal(const char* word) {
        const std::size_t n = std::strlen(word);
        if (m_t.compare(m_at, n, word) != 0)
            return false;
        m_at += n;
        return true;
    }
    bool string() {
        if (!take('"'))
            return false;
        while (m_at < m_t.size()) {
            const unsigned char c = static_cast<unsigned char>(m_t[m_at++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (m_at >= m_t.size())
                    return false;
                const char e = m_t[m_at++];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i)
                        if (m_at >= m_t.size() ||
                            !std::isxdigit(static_cast<unsigned char>(m_t[m_at++])))
                            return false;
                } else if (!std::strchr("\"\\/bfnrt", e)) {
                    return false;
                }
            } else if (c >= 0x80) {
                const int more = c >= 0xF0 && c < 0xF5   ? 3
                                 : c >= 0xE0             ? 2
                                 : c >= 0xC2 && c < 0xE0 ? 1
                                                         : -1;
                if (more < 0)
                    return false;
                for (int i = 0; i < more; ++i)
                    if (m_at >= m_t.size() ||
                        (static_cast<unsigned char>(m_t[m_at++]) & 0xC0) != 0x80)
                        return false;
            }
        }
        return false;
    }
    bool number() {
        space();
        const std::size_t start = m_at;
        if (m_at < m_t.size() && m_t[m_at] == '-')
            ++m_at;
        const std::size_t digits = m_at;
        while (m_at < m_t.size() && std::isdigit(static_cast<unsigned char>(m_t[m_at])))
            ++m_at;
        if (m_at == digits)
            return false;
        if (m_at < m_t.size() && m_t[m_at] == '.') {
            ++m_at;
            while (m_at < m_t.size() && std::isdigit(static_cast<unsigned char>(m_t[m_at])))
                ++m_at;
        }
        if (m_at < m_t.size() && (m_t[m_at] == 'e' || m_t[m_at] == 'E')) {
            ++m_at;
            if (m_at < m_t.size() && (m_t[m_at] == '+' || m_t[m_at] == '-'))
                ++m_at;
            while (m_at < m_t.size() && std::isdigit(static_cast<unsigned char>(m_t[m_at])))
                ++m_at;
        }
        return m_at > start;
    }
    bool value() {
        if (++m_depth > 64)
            return false;
        space();
        bool ok = false;
        if (m_at >= m_t.size())
            ok = false;
        else if (m_t[m_at] == '{') {
            ++m_at;
            ok = true;
            if (!take('}')) {
                do
                    ok = string() && take(':') && value();
                while (ok && take(','));
                ok = ok && take('}');
            }
        } else if (m_t[m_at] == '[') {
            ++m_at;
            ok = true;
            if (!take(']')) {
                do
                    ok = value();
                while (ok && take(','));
                ok = ok && take(']');
            }
        } else if (m_t[m_at] == '"')
            ok = string();
        else
            ok = literal("true") || literal("false") || literal("null") || number();
        --m_depth;
        return ok;
    }

    const std::string& m_t;
    std::size_t m_at = 0;
    int m_depth = 0;
};

} // namespace harn_fuzz
