// What every fuzz target shares: a fresh project folder per input, a recording user
// interface that answers questions, the checks whose failure is a fault, and small helpers
// for fixed fields and list contents.
#pragma once

#include "host/CProjPath.h"
#include "platform/UserInterface.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace harn_fuzz {

// A broken invariant. The replay driver counts it; the libFuzzer entry aborts on it.
struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what);
inline void check(bool ok, const char* what) {
    if (!ok)
        fail(what);
}

// One input's world: an empty project folder with its database subfolder (recreated for
// every input), the default names, no armed faults, and a recording user interface that
// answers every question with its default (OK, Yes).
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The project folder in the library's Windows form.
    const char* winPath() const { return m_winPath.c_str(); }
    CProjPath& proj() { return m_proj; }
    // Bytes of a file below the project folder ("HARNDB/B1.SND"); empty when missing.
    std::string read(const std::string& relative) const;
    void write(const std::string& relative, const std::string& bytes) const;
    bool exists(const std::string& relative) const;
    // Names of the files in the folder (relative, "/"), sorted: for left-over checks.
    std::vector<std::string> files() const;

    platform::RecordingUserInterface ui;

private:
    std::string m_path;
    std::string m_winPath;
    CProjPath m_proj;
};

// The input as bytes.
inline std::string bytes(const uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A fixed text field holds its terminating zero: nothing was written past it.
template <std::size_t N> bool terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

// The records of a list0, first to last, as their bytes (the list's position moves).
template <class L> std::vector<std::string> records(L& list, std::size_t length) {
    std::vector<std::string> out;
    if (list.Home() == 0)
        do
            out.push_back(std::string(reinterpret_cast<const char*>(list.Get_aktel()), length));
        while (list++);
    return out;
}

// Fault found in a file the library wrote: the message names the step and both byte sizes.
std::string differs(const char* what, const std::string& a, const std::string& b);
inline void checkSame(const std::string& a, const std::string& b, const char* what) {
    if (a != b)
        fail(differs(what, a, b));
}

// Inputs whose first save was not yet stable for a documented reason (a head id ending in
// white space, a rounded value used before it is rounded, ...): for these the second and
// third saves must agree. Counted for the replay summary.
extern long g_settledLate;
// Inputs that the format cannot keep stable at all (a number wider than its column is cut
// by the text written over it, and the digits of the text may join it on every read): for
// these only the reading and the saves themselves are checked. Counted as well.
extern long g_notStable;

// Saves produced by `save` (each reads the file the previous one wrote, then saves) agree:
// the second equals the first; or, when `documented` (set by the saves) says why not, a
// later save the one before it, within `lateSaves` further saves; when `unstable` says the
// format cannot keep the input, they are only run.
inline const bool kStable = false;
template <class Save>
void checkStable(Save save, const bool& documented, const bool& unstable, const char* what,
                 int lateSaves = 1) {
    const std::string first = save();
    std::string previous = save();
    if (first == previous)
        return;
    if (unstable) {
        ++g_notStable;
        return;
    }
    if (!documented)
        fail(differs(what, first, previous));
    ++g_settledLate;
    for (int i = 1; i < lateSaves; ++i) {
        std::string next = save();
        if (next == previous)
            return;
        previous = std::move(next);
    }
    checkSame(previous, save(), what);
}

} // namespace harn_fuzz

// Each target source defines its function in namespace harn_fuzz and names it here; in a
// libFuzzer build (HARN_LIBFUZZER_ENTRY) this becomes the LLVMFuzzerTestOneInput of the
// binary, which aborts on a broken invariant so that libFuzzer keeps the input.
#ifdef HARN_LIBFUZZER_ENTRY
#include <cstdio>
#include <cstdlib>
#define HARN_FUZZ_ENTRY(function)                                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {                 \
        try {                                                                                      \
            return function(data, size);                                                           \
        } catch (const harn_fuzz::Failure& f) {                                                    \
            std::fprintf(stderr, "harn fuzz: broken invariant: %s\n", f.what.c_str());             \
            std::abort();                                                                          \
        }                                                                                          \
    }
#else
#define HARN_FUZZ_ENTRY(function)
#endif
