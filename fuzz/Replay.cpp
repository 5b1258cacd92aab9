// harn_fuzz_replay: runs every fuzz target over its seed files and a fixed set of
// deterministic mutations of them, so that the targets run in every build (GCC included)
// and in CI. The same inputs every run: the mutations come from a seeded generator.
//
//   harn_fuzz_replay [--inputs N] [--target NAME] [--index K] [--keep DIR]
//   harn_fuzz_replay --target NAME --file PATH...   (one target over given files)
//   harn_fuzz_replay --list
//   harn_fuzz_replay [--target NAME] --export DIR   (seed files to DIR/<target>/, for libFuzzer)
#include "fuzz/FuzzSupport.h"
#include "fuzz/ProjectImage.h"
#include "fuzz/Targets.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef HARN_FUZZ_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace fs = std::filesystem;
using namespace harn_fuzz;

namespace {

using TargetFn = int (*)(const uint8_t*, std::size_t);

// Where a target's seeds come from: files of folders (relative to the source tree) and
// the cases of test data tables.
struct Target {
    const char* name;
    TargetFn fn;
    bool binary;                      // mutate as a binary image rather than as lines
    std::vector<const char*> folders; // every file in each
    std::vector<const char*> tables;  // test data tables whose cases are files
};

const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"dbs", fuzzDbs, true, {"fuzz/seeds/dbs"}, {}},
        {"snd_head", fuzzSndHead, false, {"fuzz/seeds/snd", "fuzz/seeds/snd_head"}, {}},
        {"snd_karnborr",
         fuzzSndKarnborr,
         false,
         {"fuzz/seeds/snd", "fuzz/seeds/snd_karnborr"},
         {"tests/data/borehole/reading.txt"}},
        {"snd_regborr",
         fuzzSndRegBorr,
         false,
         {"fuzz/seeds/snd", "fuzz/seeds/snd_regborr"},
         {"tests/data/borehole/reading.txt"}},
        {"snd_vattenf",
         fuzzSndVattenF,
         false,
         {"fuzz/seeds/snd", "fuzz/seeds/snd_vattenf"},
         {"tests/data/borehole/reading.txt"}},
        {"lje", fuzzLje, false, {"fuzz/seeds/lje"}, {"tests/data/mapping/LineReading.txt"}},
        {"lad", fuzzLad, false, {"samples/outcrops", "fuzz/seeds/lad"}, {}},
        {"harnkod", fuzzHarnkod, false, {"fuzz/seeds/harnkod"}, {}},
        {"forstsystem", fuzzForstSystem, true, {"fuzz/seeds/forstsystem"}, {}},
        {"forsttyper", fuzzForstTyper, true, {"fuzz/seeds/forsttyper"}, {}},
        {"injsystem", fuzzInjSystem, true, {"fuzz/seeds/injsystem"}, {}},
        {"vl", fuzzVl, false, {"fuzz/seeds/vl"}, {}},
        {"odb", fuzzOdb, true, {"fuzz/seeds/odb"}, {}},
        {"lat", fuzzLat, false, {"fuzz/seeds/lat"}, {}},
        {"odf", fuzzOdf, true, {"fuzz/seeds/odf"}, {}},
        {"odd", fuzzOdd, true, {"fuzz/seeds/odd"}, {}},
        {"tvtyp", fuzzTvtyp, true, {"fuzz/seeds/tvtyp"}, {}},
        {"ttv", fuzzTtv, false, {"fuzz/seeds/ttv"}, {}},
        {"pkt", fuzzPkt, false, {"fuzz/seeds/pkt"}, {}},
        {"vlis", fuzzVlis, false, {"fuzz/seeds/vlis"}, {}},
        {"crd", fuzzCrd, false, {"fuzz/seeds/crd"}, {}},
        {"project_check", fuzzProjectCheck, false, {"fuzz/seeds/project"}, {}},
        {"project_convert", fuzzProjectConvert, false, {"fuzz/seeds/project"}, {}},
    };
    return all;
}

// The sample files shipped in samples/codes are seeds of the code and library targets.
std::vector<std::string> sampleFiles(const std::string& target) {
    if (target == "harnkod")
        return {"samples/codes/Harnkod.dat"};
    if (target == "forstsystem")
        return {"samples/codes/Forstsys.bib"};
    if (target == "forsttyper")
        return {"samples/codes/Forsttyp.bib"};
    if (target == "injsystem")
        return {"samples/codes/Injsys.bib"};
    if (target == "pkt")
        return {"samples/projects/OLD14/Harnplan.PKT"};
    if (target == "vlis")
        return {"samples/projects/OLD14/HARNDB/VAGLINJE.LIS",
                "samples/projects/DAMAGED/HARNDB/VAGLINJE.LIS"};
    if (target == "crd")
        return {"samples/projects/OLD14/HARNDB/BH3.CRD"};
    return {};
}

// The project targets take whole folders: the sample projects, each as one input.
bool takesProject(const std::string& target) {
    return target.rfind("project_", 0) == 0;
}
const char* const kSampleProjects[] = {"samples/projects/OLD14", "samples/projects/DAMAGED"};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

// The head of a borehole file, for the block cases of the borehole data table.
const char* const kSeedHead = "B1                             \n1000.000000\n2000.000000 0\n"
                              "100.000000 95.000000\n0.000000 0.000000\n"
                              "0.000000 0.000000 0 0\n0.000000 0 90\n";

// Cases of a test data table as files. tests/data/borehole/reading.txt: "= N name", the
// block's lines, "> " lines of results; each block becomes a borehole file. LineReading.txt:
// "@@ read ..." and "@@ saved" sections are line files.
std::vector<std::pair<std::string, std::string>> tableCases(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> out;
    const std::vector<std::string> all = lines(readFile(path));
    const bool borehole = path.find("borehole") != std::string::npos;
    std::string current;
    bool open = false;
    int n = 0;
    auto close = [&] {
        if (open)
            out.push_back({path + "#" + std::to_string(++n),
                           borehole ? std::string(kSeedHead) + "*\n" + current + "*\n" : current});
        open = false;
        current.clear();
    };
    for (const std::string& l : all) {
        if (borehole) {
            if (l.rfind("= ", 0) == 0) {
                close();
                open = true;
            } else if (l.rfind("> ", 0) == 0 || l.rfind("#", 0) == 0) {
                close();
            } else if (open) {
                current += l + "\n";
            }
        } else {
            if (l.rfind("@@", 0) == 0) {
                close();
                open = true;
            } else if (open) {
                current += l + "\n";
            }
        }
    }
    close();
    return out;
}

struct Seed {
    std::string origin;
    std::string bytes;
};

std::vector<Seed> seedsOf(const Target& t, const std::string& source) {
    std::vector<Seed> seeds;
    for (const char* folder : t.folders) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(source + "/" + folder, ec))
            if (e.is_regular_file())
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files)
            seeds.push_back({std::string(folder) + "/" + f.filename().string(), readFile(f)});
    }
    for (const std::string& f : sampleFiles(t.name))
        if (fs::exists(source + "/" + f))
            seeds.push_back({f, readFile(source + "/" + f)});
    if (takesProject(t.name))
        for (const char* folder : kSampleProjects)
            if (fs::exists(source + "/" + folder))
                seeds.push_back({folder, packProject(projectOfFolder(source + "/" + folder))});
    for (const char* table : t.tables)
        for (auto& c : tableCases(source + "/" + table))
            seeds.push_back({c.first.substr(source.size() + 1), c.second});
    return seeds;
}

// splitmix64: small, fast and the same everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_s(seed) {}
    uint64_t next() {
        uint64_t z = (m_s += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(next() % n) : 0; }

private:
    uint64_t m_s;
};

uint64_t hashOf(const std::string& s) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : s)
        h = (h ^ c) * 1099511628211ULL;
    return h;
}

// Offsets of the line starts of a text.
std::vector<std::size_t> lineStarts(const std::string& d) {
    std::vector<std::size_t> starts = {0};
    for (std::size_t i = 0; i < d.size(); ++i)
        if (d[i] == '\n' && i + 1 < d.size())
            starts.push_back(i + 1);
    return starts;
}

std::size_t lineEnd(const std::string& d, std::size_t start) {
    std::size_t e = d.find('\n', start);
    return e == std::string::npos ? d.size() : e + 1;
}

const char* const kTokens[] = {"*",           "*\n",    "%1 ",
                               "%7 ",         "-0.00",  "nan",
                               "-nan",        "inf",    "1e308",
                               "-1e308",      "1e40",   "99999999999",
                               "-2147483649", "32768",  "-32769",
                               "95",          "\t",     " ",
                               "\r",          "0 ",     "3 ",
                               "2 ",          "1 ",     "4",
                               "JA",          "Z-mate", "\xe5\xe4\xf6\x86\x84\x94",
                               "1.5",         "0.94",   "-1"};

std::string mutate(const std::string& seed, Rng& rng, bool binary) {
    std::string d = seed;
    const int steps = 1 + static_cast<int>(rng.below(4));
    for (int step = 0; step < steps; ++step) {
        const std::size_t kinds = 12;
        std::size_t kind = rng.below(kinds);
        // Binary images mostly get their fields changed, text mostly its lines.
        if (binary && rng.below(2) == 0)
            kind = rng.below(2) == 0 ? 10 : 0;
        switch (kind) {
        case 0: // flip a bit
            if (!d.empty())
                d[rng.below(d.size())] ^= static_cast<char>(1u << rng.below(8));
            break;
        case 1: // set a byte
            if (!d.empty())
                d[rng.below(d.size())] = static_cast<char>(rng.below(256));
            break;
        case 2: { // insert bytes
            std::string ins;
            for (std::size_t i = 0, n = 1 + rng.below(8); i < n; ++i)
                ins += static_cast<char>(rng.below(256));
            d.insert(rng.below(d.size() + 1), ins);
            break;
        }
        case 3: // delete a range
            if (!d.empty()) {
                std::size_t at = rng.below(d.size());
                d.erase(at, 1 + rng.below(16));
            }
            break;
        case 4: // truncate
            d.resize(rng.below(d.size() + 1));
            break;
        case 5: { // duplicate a line
            auto starts = lineStarts(d);
            std::size_t s = starts[rng.below(starts.size())];
            std::string line = d.substr(s, lineEnd(d, s) - s);
            d.insert(lineEnd(d, s), line.empty() || line.back() == '\n' ? line : line + "\n");
            break;
        }
        case 6: { // an overlong line or field
            const char fill[] = {'A', '9', ' ', '-', '*', '%', '\xf6'};
            std::string run(100 + rng.below(3000), fill[rng.below(sizeof fill)]);
            auto starts = lineStarts(d);
            std::size_t at =
                rng.below(2) ? starts[rng.below(starts.size())] : rng.below(d.size() + 1);
            d.insert(at, run);
            break;
        }
        case 7: { // line ends
            switch (rng.below(5)) {
            case 0: { // LF -> CR LF
                std::string o;
                for (char c : d) {
                    if (c == '\n')
                        o += '\r';
                    o += c;
                }
                d = o;
                break;
            }
            case 1: // drop every CR
                d.erase(std::remove(d.begin(), d.end(), '\r'), d.end());
                break;
            case 2: // a lone CR or LF
                d.insert(rng.below(d.size() + 1), 1, rng.below(2) ? '\r' : '\n');
                break;
            case 3: // join two lines
                if (auto at = d.find('\n', rng.below(d.size() + 1)); at != std::string::npos)
                    d.erase(at, 1);
                break;
            default: // a zero byte
                d.insert(rng.below(d.size() + 1), 1, '\0');
                break;
            }
            break;
        }
        case 8: // random contents, now and then
            if (rng.below(4) == 0) {
                d.clear();
                for (std::size_t i = 0, n = rng.below(700); i < n; ++i)
                    d += static_cast<char>(rng.below(256));
            }
            break;
        case 9: { // a token of the formats
            const char* tok = kTokens[rng.below(sizeof kTokens / sizeof kTokens[0])];
            auto starts = lineStarts(d);
            std::size_t at =
                rng.below(2) ? starts[rng.below(starts.size())] : rng.below(d.size() + 1);
            d.insert(at, tok);
            break;
        }
        case 10: { // a field value of a binary image
            static const int64_t values[] = {0,      -1,  1,   2,   0x7fffffff, -0x7fffffffLL - 1,
                                             120,    124, 300, 600, 724,        0x7fff,
                                             -32768, 288, 312, 656, 1000000,    848};
            if (d.size() < 4)
                break;
            const int64_t v = values[rng.below(sizeof values / sizeof values[0])];
            const std::size_t width = rng.below(3) == 0 ? 2 : 4;
            std::size_t at = rng.below(d.size() - width + 1);
            if (rng.below(2))
                at &= ~static_cast<std::size_t>(width - 1);
            std::memcpy(&d[at], &v, width);
            break;
        }
        default: { // remove or swap lines
            auto starts = lineStarts(d);
            std::size_t a = starts[rng.below(starts.size())];
            std::string la = d.substr(a, lineEnd(d, a) - a);
            d.erase(a, la.size());
            if (rng.below(2)) {
                auto s2 = lineStarts(d);
                d.insert(s2[rng.below(s2.size())], la);
            }
            break;
        }
        }
    }
    return d;
}

// A project image mostly gets one of its files mutated (as a binary image or as text, by
// its kind), now and then a file added, dropped or renamed, a failing file operation, or
// the image's own bytes.
std::string mutateProject(const std::string& seed, Rng& rng) {
    std::vector<ProjectFile> files = unpackProject(seed);
    const std::size_t kind = rng.below(10);
    if (files.empty() || kind == 0)
        return mutate(seed, rng, true);
    ProjectFile& f = files[rng.below(files.size())];
    if (kind == 1) { // drop a file
        files.erase(files.begin() + static_cast<std::ptrdiff_t>(&f - files.data()));
    } else if (kind == 2) { // a copy under another name or folder
        ProjectFile copy = f;
        copy.inDatabaseFolder = !copy.inDatabaseFolder || rng.below(2);
        copy.name.insert(0, 1, static_cast<char>('A' + rng.below(26)));
        files.push_back(copy);
    } else if (kind == 3) { // another name
        f.name = mutate(f.name, rng, false);
    } else if (kind == 4) { // a file operation that fails (fuzz/ProjectImage.h)
        const std::size_t nth = rng.below(40);
        const std::string fault = {static_cast<char>(rng.below(5)), static_cast<char>(nth), '\0',
                                   static_cast<char>(rng.below(2))};
        files.push_back({false, "$FAULT", fault});
    } else {
        const std::string::size_type dot = f.name.rfind('.');
        std::string ext = dot == std::string::npos ? "" : f.name.substr(dot);
        for (char& c : ext)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool binary =
            ext == ".DBS" || ext == ".ODB" || ext == ".ODF" || ext == ".ODD" || ext == ".BIB";
        f.bytes = mutate(f.bytes, rng, binary);
    }
    return packProject(files);
}

// What is running, for the report of a crash.
char g_running[512] = "";
std::string g_keep = ".";

void writeAll(int fd, const char* text) {
    ssize_t n = ::write(fd, text, std::strlen(text));
    (void)n;
}

void dumpRunning() {
    writeAll(2, "\nharn_fuzz_replay: crashed in ");
    writeAll(2, g_running);
    writeAll(2, "\n");
}

extern "C" void onSignal(int sig) {
    dumpRunning();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string keepInput(const std::string& target, int index, const std::string& input) {
    std::string path = g_keep + "/harn-fuzz-" + target + "-" + std::to_string(index) + ".bin";
    std::ofstream out(path, std::ios::binary);
    out.write(input.data(), static_cast<std::streamsize>(input.size()));
    return path;
}

// Runs one input; false (with a report) on a broken invariant or an escaping exception.
bool runOne(const Target& t, const std::string& input, const std::string& what, int index) {
    std::snprintf(g_running, sizeof g_running, "%s input %d (%s)", t.name, index, what.c_str());
    std::string problem;
    try {
        t.fn(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    } catch (const Failure& f) {
        problem = f.what;
    } catch (const std::exception& e) {
        problem = std::string("exception from the library: ") + e.what();
    } catch (const char* text) {
        problem = std::string("exception from the library: ") + text;
    } catch (...) {
        problem = "exception of another type from the library";
    }
    if (problem.empty())
        return true;
    std::fprintf(stderr, "FAILED %s input %d (%s): %s\n  input kept as %s\n", t.name, index,
                 what.c_str(), problem.c_str(), keepInput(t.name, index, input).c_str());
    return false;
}

// Writes the seeds of one target (or all) as files DIR/<target>/<n>, the start corpus of a
// libFuzzer run: the seed folders, the samples and the cases of the test data tables.
int exportSeeds(const std::string& dir, const std::string& only, const std::string& source) {
    bool known = false;
    for (const Target& t : targets()) {
        if (!only.empty() && only != t.name)
            continue;
        known = true;
        const fs::path folder = fs::path(dir) / t.name;
        std::error_code ec;
        fs::create_directories(folder, ec);
        int n = 0;
        for (const Seed& seed : seedsOf(t, source)) {
            std::ofstream out(folder / std::to_string(n++), std::ios::binary | std::ios::trunc);
            out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
            if (!out) {
                std::fprintf(stderr, "harn_fuzz_replay: cannot write %s\n",
                             (folder / std::to_string(n - 1)).c_str());
                return 1;
            }
        }
        std::printf("%-13s %d seed files in %s\n", t.name, n, folder.c_str());
    }
    if (!known) {
        std::fprintf(stderr, "harn_fuzz_replay: no target named %s\n", only.c_str());
        return 2;
    }
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: harn_fuzz_replay [--inputs N] [--target NAME] [--index K] [--keep DIR]\n"
                 "       harn_fuzz_replay --target NAME --file PATH...\n"
                 "       harn_fuzz_replay --list\n"
                 "       harn_fuzz_replay [--target NAME] --export DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int inputs = 2000;
    std::string only;
    int onlyIndex = -1;
    std::vector<std::string> files;
    std::string source = HARN_SOURCE_DIR;
    std::string exportTo;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                std::exit(usage());
            return argv[++i];
        };
        if (a == "--inputs")
            inputs = std::atoi(value().c_str());
        else if (a == "--target")
            only = value();
        else if (a == "--index")
            onlyIndex = std::atoi(value().c_str());
        else if (a == "--keep")
            g_keep = value();
        else if (a == "--source")
            source = value();
        else if (a == "--file") {
            while (i + 1 < argc && argv[i + 1][0] != '-')
                files.push_back(argv[++i]);
        } else if (a == "--export") {
            exportTo = value();
        } else if (a == "--list") {
            for (const Target& t : targets())
                std::printf("%s\n", t.name);
            return 0;
        } else
            return usage();
    }
    if (!exportTo.empty())
        return exportSeeds(exportTo, only, source);
        // Which input crashed: after the sanitizers' report, or from a signal handler.
#ifdef HARN_FUZZ_SANITIZED
    __sanitizer_set_death_callback(dumpRunning);
#else
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(sig, onSignal);
#endif

    long totalPassed = 0, totalFailed = 0;
    bool known = only.empty();
    const auto allStart = std::chrono::steady_clock::now();
    for (const Target& t : targets()) {
        if (!only.empty() && only != t.name)
            continue;
        known = true;
        const auto start = std::chrono::steady_clock::now();
        long passed = 0, failed = 0;
        g_settledLate = 0;
        g_notStable = 0;
        if (!files.empty()) {
            int index = 0;
            for (const std::string& f : files)
                (runOne(t, readFile(f), f, index++) ? passed : failed)++;
        } else {
            const std::vector<Seed> seeds = seedsOf(t, source);
            if (seeds.empty()) {
                std::fprintf(stderr, "FAILED %s: no seed files under %s\n", t.name, source.c_str());
                ++totalFailed;
                continue;
            }
            for (int index = 0; index < inputs; ++index) {
                if (onlyIndex >= 0 && index != onlyIndex)
                    continue;
                // First every seed as it is, then mutations of each in turn.
                const Seed& seed = seeds[static_cast<std::size_t>(index) % seeds.size()];
                std::string input = seed.bytes;
                std::string what = seed.origin;
                if (static_cast<std::size_t>(index) >= seeds.size()) {
                    Rng rng(hashOf(std::string(t.name) + "#" + std::to_string(index)));
                    input = takesProject(t.name) ? mutateProject(seed.bytes, rng)
                                                 : mutate(seed.bytes, rng, t.binary);
                    what += " mutated";
                }
                (runOne(t, input, what, index) ? passed : failed)++;
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-13s %5ld passed, %ld failed (%ld settled on the second save, %ld only "
                    "read and saved), %.1f s\n",
                    t.name, passed, failed, g_settledLate, g_notStable, seconds);
        std::fflush(stdout);
        totalPassed += passed;
        totalFailed += failed;
    }
    if (!known) {
        std::fprintf(stderr, "harn_fuzz_replay: no target named %s\n", only.c_str());
        return 2;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - allStart).count();
    std::printf("all targets   %5ld passed, %ld failed, %.1f s\n", totalPassed, totalFailed,
                seconds);
    return totalFailed == 0 ? 0 : 1;
}
