// harn_make_project TEMPLATE OUT N [MISSING]: a project of N objects for the tool's benchmarks,
// made from a small project (the tool's demo). Its points, outcrops, boreholes and lines are
// repeated in turn under new identifiers (OBJ0000000 ...) and file names (F0000000 ...), each
// with copies of its template's data files; tunnels and alignments are left out (they refer
// to each other by name). The first MISSING objects that have data files get none, so that
// `check` reports them missing. The database is written as its byte image.
#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Template {
    dbstype record;
    std::vector<std::pair<std::string, std::string>> files; // extension, bytes
};

std::string fieldOf(const char* p, size_t n) {
    return std::string(p, strnlen(p, n));
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool writeAll(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: harn_make_project TEMPLATE OUT N [MISSING]\n";
        return 2;
    }
    const fs::path from = fs::absolute(argv[1]);
    const fs::path to = fs::absolute(argv[2]);
    const long n = std::atol(argv[3]);
    const long missing = argc > 4 ? std::atol(argv[4]) : 0;
    if (n <= 0 || n > 9999999 || missing < 0) {
        std::cerr << "harn_make_project: N must be 1 to 9999999 and MISSING not negative\n";
        return 2;
    }

    // The template's records and the files of each (data files named after the record).
    const std::string windowsFrom = platform::windowsPath(from.string());
    CProjPath proj(windowsFrom.c_str());
    CHarnDbs dbs(&proj, nullptr);
    if (dbs.Init(1, 0, nullptr, nullptr) != 0) {
        std::cerr << "harn_make_project: cannot read the project in " << from << "\n";
        return 1;
    }
    const fs::path dataFrom = from / std::string(CProjPath::HarnDbfKat);
    std::vector<Template> templates;
    if (dbs.Home() == 0) {
        do {
            const dbstype r = *dbs.Get_aktel();
            if (r.typ < 2 || r.typ > 5)
                continue;
            Template t{r, {}};
            const std::string stem = fieldOf(r.filnamn, sizeof r.filnamn);
            if (r.typ != 4)
                for (const fs::directory_entry& e : fs::directory_iterator(dataFrom)) {
                    const std::string name = e.path().filename().string();
                    const size_t dot = name.rfind('.');
                    if (dot != std::string::npos &&
                        platform::equalNoCase(name.substr(0, dot), stem))
                        t.files.emplace_back(name.substr(dot), readAll(e.path()));
                }
            templates.push_back(std::move(t));
        } while (dbs++);
    }
    if (templates.empty()) {
        std::cerr
            << "harn_make_project: the template has no points, outcrops, boreholes or lines\n";
        return 1;
    }

    fs::create_directories(to / std::string(CProjPath::HarnDbfKat));
    const fs::path dbsFile = to / std::string(CProjPath::HarnDbsNamn);
    std::string image = readAll(from / std::string(CProjPath::HarnDbsNamn));
    image.resize(kDbsFirstSlot, '\0');
    dbshdtype hd;
    std::memcpy(&hd, image.data(), sizeof hd);
    std::memset(hd.typantal, 0, sizeof hd.typantal);
    long withFiles = 0;
    for (long i = 0; i < n; ++i) {
        const Template& t = templates[static_cast<size_t>(i) % templates.size()];
        dbstype r = t.record;
        std::memset(r.id, 0, sizeof r.id);
        std::memset(r.filnamn, 0, sizeof r.filnamn);
        std::snprintf(r.id, sizeof r.id, "OBJ%07ld", i);
        std::snprintf(r.filnamn, sizeof r.filnamn, "F%07ld", i);
        image.append(reinterpret_cast<const char*>(&r), kDbsRecordSize);
        ++hd.typantal[r.typ - 1];
        if (t.files.empty() || withFiles++ < missing)
            continue;
        for (const auto& [ext, bytes] : t.files)
            if (!writeAll(to / std::string(CProjPath::HarnDbfKat) / (r.filnamn + ext), bytes)) {
                std::cerr << "harn_make_project: cannot write in " << to << "\n";
                return 1;
            }
    }
    hd.antal = static_cast<int32_t>(n);
    hd.hal = 0;
    hd.slut = static_cast<int32_t>(kDbsFirstSlot + n * kDbsRecordSize);
    std::memcpy(image.data(), &hd, sizeof hd);
    if (!writeAll(dbsFile, image)) {
        std::cerr << "harn_make_project: cannot write " << dbsFile << "\n";
        return 1;
    }
    return 0;
}
