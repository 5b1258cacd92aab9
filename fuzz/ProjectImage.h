// A whole project folder as one fuzz input, for the targets that take a project (the
// tool's check, the conversion). The input is a list of files, one entry after another:
//
//   1 byte   bit 7 set: the file lies in the database folder HARNDB, else in the project
//            folder; bits 0-4: the length n of its name (0 to 31)
//   n bytes  the name, CP1252; a byte other than a letter, digit, '.', '-', '_', '$' or one
//            of ÅÄÖåäö becomes '_'
//   2 bytes  the length m of the contents, little-endian
//   m bytes  the contents (what is left when the input ends first)
//
// Entries without a name, named "." or "..", or cut before their length are dropped; a later
// entry of the same name replaces the earlier one. packProject writes the same layout, so a
// project folder becomes a seed and a seed unpacks to the same files.
//
// An entry named "$FAULT" in the project folder is no file: it arms the fault injector
// (platform/FaultInjection.h) once the files are written: byte 0 selects the operation (open,
// read, write, rename, remove; modulo 5), bytes 1 and 2 give n (little-endian, 1 to 65536)
// and bit 0 of byte 3 makes every later operation of that kind fail as well.
#pragma once

#include "fuzz/FuzzSupport.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace harn_fuzz {

struct ProjectFile {
    bool inDatabaseFolder = false;
    std::string name; // CP1252
    std::string bytes;
};

inline char nameByte(unsigned char c) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_' || c == '$';
    const bool swedish = c == 0xC5 || c == 0xC4 || c == 0xD6 || c == 0xE5 || c == 0xE4 || c == 0xF6;
    return plain || swedish ? static_cast<char>(c) : '_';
}

inline std::vector<ProjectFile> unpackProject(const std::string& in) {
    std::vector<ProjectFile> files;
    std::size_t at = 0;
    while (at < in.size()) {
        const unsigned char head = static_cast<unsigned char>(in[at++]);
        ProjectFile f;
        f.inDatabaseFolder = (head & 0x80) != 0;
        const std::size_t n = head & 0x1f;
        if (at + n + 2 > in.size())
            break;
        for (std::size_t i = 0; i < n; ++i)
            f.name += nameByte(static_cast<unsigned char>(in[at + i]));
        at += n;
        const std::size_t m = static_cast<unsigned char>(in[at]) |
                              static_cast<std::size_t>(static_cast<unsigned char>(in[at + 1])) << 8;
        at += 2;
        f.bytes = in.substr(at, m);
        at += f.bytes.size();
        if (f.name.empty() || f.name == "." || f.name == "..")
            continue;
        bool replaced = false;
        for (ProjectFile& old : files)
            if (old.inDatabaseFolder == f.inDatabaseFolder && old.name == f.name) {
                old.bytes = f.bytes;
                replaced = true;
            }
        if (!replaced)
            files.push_back(f);
    }
    return files;
}

inline std::string packProject(const std::vector<ProjectFile>& files) {
    std::string out;
    for (const ProjectFile& f : files) {
        const std::size_t n = f.name.size() < 31 ? f.name.size() : 31;
        const std::size_t m = f.bytes.size() < 0xffff ? f.bytes.size() : 0xffff;
        out += static_cast<char>((f.inDatabaseFolder ? 0x80 : 0) | n);
        out += f.name.substr(0, n);
        out += static_cast<char>(m & 0xff);
        out += static_cast<char>(m >> 8);
        out += f.bytes.substr(0, m);
    }
    return out;
}

// The Windows path of a file of the image below the project folder `winProject`.
inline std::string projectFilePath(const std::string& winProject, const ProjectFile& f) {
    return winProject + (f.inDatabaseFolder ? "\\HARNDB\\" : "\\") + f.name;
}

// Writes the files into the project folder (which has its HARNDB subfolder). A name that the
// folder cannot take (the name of the subfolder itself) is left out.
inline void writeProject(const Session& s, const std::vector<ProjectFile>& files) {
    for (const ProjectFile& f : files) {
        std::ofstream out(platform::nativePath(projectFilePath(s.winPath(), f).c_str()),
                          std::ios::binary | std::ios::trunc);
        out.write(f.bytes.data(), static_cast<std::streamsize>(f.bytes.size()));
    }
}

// Takes the "$FAULT" entry out of the files; arms the injector when armFaults is called.
struct FaultPlan {
    bool armed = false;
    platform::FileOp op = platform::FileOp::Open;
    int nth = 1;
    bool fromThenOn = false;
};
inline FaultPlan takeFaultPlan(std::vector<ProjectFile>& files) {
    FaultPlan plan;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it->inDatabaseFolder || it->name != "$FAULT")
            continue;
        std::string b = it->bytes;
        files.erase(it);
        b.resize(4, '\0');
        const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data());
        plan.armed = true;
        plan.op = static_cast<platform::FileOp>(u[0] % 5);
        plan.nth = 1 + (u[1] | u[2] << 8);
        plan.fromThenOn = (u[3] & 1) != 0;
        break;
    }
    return plan;
}
inline void armFaults(const FaultPlan& plan) {
    if (plan.armed)
        platform::FaultInjector::failNth(plan.op, plan.nth, plan.fromThenOn);
}

// Every file below the project folder: relative path (as on disk) -> bytes.
inline std::map<std::string, std::string> snapshot(const Session& s) {
    std::map<std::string, std::string> all;
    for (const std::string& name : s.files())
        all[name] = s.read(name);
    return all;
}

// The files of a folder on disk (a sample project) as an image, in name order: the
// files of the folder itself, then those of its HARNDB subfolder. Names are taken as the
// library would give them (CP1252).
// The input written out as the session's project folder, its fault plan taken apart, and
// the folder's files as they stand before the command runs.
struct WrittenProject {
    FaultPlan faults;
    std::map<std::string, std::string> before;
};

inline WrittenProject writeInput(const Session& s, const uint8_t* data, std::size_t size) {
    std::vector<ProjectFile> files = unpackProject(bytes(data, size));
    WrittenProject w;
    w.faults = takeFaultPlan(files);
    writeProject(s, files);
    w.before = snapshot(s);
    return w;
}

inline std::vector<ProjectFile> projectOfFolder(const std::string& folder) {
    std::vector<ProjectFile> files;
    for (bool db : {false, true}) {
        const std::string dir = db ? folder + "/HARNDB" : folder;
        std::vector<std::filesystem::path> paths;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec))
            if (e.is_regular_file())
                paths.push_back(e.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& p : paths) {
            std::ifstream in(p, std::ios::binary);
            std::ostringstream b;
            b << in.rdbuf();
            std::string win = platform::windowsPath(p.string());
            files.push_back({db, win.substr(win.rfind('\\') + 1), b.str()});
        }
    }
    return files;
}

} // namespace harn_fuzz
