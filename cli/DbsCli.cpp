#include "cli/DbsCli.h"

#include "cli/Cli.h"
#include "cli/Json.h"
#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/UserInterface.h"

#include <cctype>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <set>

namespace cli {

namespace {

// Characters of a UTF-8 text on the terminal: its bytes less the continuation bytes.
size_t width(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

// `text` padded with blanks to `columns` characters.
std::string padded(const std::string& text, size_t columns) {
    const size_t w = width(text);
    return text + std::string(w < columns ? columns - w : 0, ' ');
}

} // namespace

std::string shellWord(const std::string& text) {
    bool plainWord = !text.empty();
    for (char c : text)
        plainWord =
            plainWord && (std::isalnum(static_cast<unsigned char>(c)) ||
                          std::strchr("/._-+,:@%", c) || static_cast<unsigned char>(c) >= 0x80);
    if (plainWord)
        return text;
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string convertHint(const std::string& dir) {
    return "harn: to convert the project, run: harn convert " + shellWord(dir);
}

std::string absoluteFolder(const std::string& dir) {
    return platform::absolutePath(dir);
}

int takeTypeOption(std::vector<std::string>& args, const Command& cmd) {
    bool missing = false;
    const std::string text = takeOption(args, "--type", missing);
    if (missing) {
        usageError(cmd, "--type needs a value");
        return -1;
    }
    if (text.empty())
        return 0;
    const int typ = parseType(text);
    if (typ == 0) {
        usageError(cmd, "unknown type '" + text +
                            "' (tunnel, outcrop, borehole, point, line, alignment or 1-9)");
        return -1;
    }
    return typ;
}

bool oneFolder(const std::vector<std::string>& args, const Command& cmd) {
    if (args.size() == 1 && !args[0].empty() && args[0][0] != '-')
        return true;
    usageError(cmd, args.empty() ? "missing DIR" : "expected one DIR");
    return false;
}

std::unique_ptr<CProjPath> projectFor(const std::string& dir) {
    // The library's messages send the user to "Konvertera" in the host's menu; the tool
    // names its own command for it.
    if (auto* console = dynamic_cast<platform::ConsoleUserInterface*>(&platform::userInterface()))
        console->setFollowUp("Konvertera", convertHint(dir));
    return std::make_unique<CProjPath>(absoluteFolder(dir).c_str());
}

bool makeFolders(const std::string& dir) {
    return platform::makeFolders(dir);
}

std::unique_ptr<CHarnDbs> createProject(CProjPath& proj, CAutoIni* ini, const char* name,
                                        std::string& error) {
    std::string folder = platform::nativePath(proj.ProjKat());
    std::string sub = platform::nativePath(proj.DataPath(""));
    if (!makeFolders(folder) || !makeFolders(sub)) {
        error = "cannot create the project folder " + toUtf8(proj.ProjKat());
        return nullptr;
    }
    auto dbs = std::make_unique<CHarnDbs>(&proj, ini);
    if (dbs->Init(0, 1, nullptr, name) != 0) {
        // A database that exists already is the reason, not a lock held meanwhile.
        if (platform::access(dbs->m_dbsfil.GetFilePath(), 0) != 0)
            reportLock(proj);
        return nullptr;
    }
    return dbs;
}

namespace {

std::string projectFile(CProjPath& proj, const char* name) {
    std::string path = proj.ProjKat();
    path += "\\";
    path += name;
    return path;
}

// The head of the database file as it is on disk; false when the file is shorter.
bool readHeadBytes(const std::string& dbsFile, dbshdtype& hd, int64_t& size) {
    size = platform::fileSize(dbsFile.c_str());
    FILE* f = platform::fopen(dbsFile.c_str(), "rb");
    if (!f)
        return false;
    const bool whole = std::fread(&hd, 1, sizeof hd, f) == sizeof hd;
    std::fclose(f);
    return whole;
}

// Why Init refused the database, in one English line of its own.
} // namespace

void reportOpenFailure(CProjPath& proj, int mode) {
    const std::string folder = proj.ProjKat();
    const std::string file = projectFile(proj, CProjPath::HarnDbsNamn);
    const std::string lock = projectFile(proj, CProjPath::HarnDbkNamn);
    if (!platform::isDirectory(folder.c_str())) {
        std::cerr << "harn: not found: the project folder " << userPath(folder.c_str()) << "\n";
        return;
    }
    if (platform::access(file.c_str(), 0) != 0) {
        std::cerr << "harn: not found: the project database " << userPath(file.c_str()) << "\n";
        return;
    }
    if (platform::fileAgeSeconds(lock.c_str()) >= 0) {
        reportLock(proj);
        return;
    }
    if (platform::access(file.c_str(), 4) != 0 ||
        (mode != 1 && platform::access(file.c_str(), 2) != 0)) {
        std::cerr << "harn: permission denied: " << userPath(file.c_str()) << "\n";
        return;
    }
    if (platform::access(folder.c_str(), 2) != 0) {
        std::cerr << "harn: permission denied: the project folder " << userPath(folder.c_str())
                  << " cannot be written (the lock file " << userPath(lock.c_str())
                  << " cannot be created)\n";
        return;
    }
    dbshdtype hd{};
    int64_t size = 0;
    if (!readHeadBytes(file, hd, size)) {
        std::cerr << "harn: damaged " << userPath(file.c_str()) << ": the file has " << size
                  << " bytes, fewer than its " << sizeof hd << "-byte head\n";
        return;
    }
    if (!CHarnDbs::VersionAccepted(hd)) {
        std::cerr << "harn: unsupported database version \""
                  << escapeControls(toUtf8(field(hd.version).c_str())) << "\" (fraction "
                  << number(hd.verdel) << ") in " << userPath(file.c_str()) << "\n";
        return;
    }
    std::cerr << "harn: cannot open the project database " << userPath(file.c_str()) << "\n";
}

namespace {

// After a read that showed the library's warnings: what in the file does not add up.
// `records`: how many records could be read.
void explainDamage(CHarnDbs& dbs, int records) {
    const std::string file = dbs.m_dbsfil.GetFilePath().str();
    dbshdtype hd{};
    int64_t size = 0;
    if (!readHeadBytes(file, hd, size))
        return;
    std::string what;
    if (size < hd.slut)
        what = "the file ends at byte " + std::to_string(size) + ", its records at byte " +
               std::to_string(hd.slut) + "; ";
    if (records != hd.antal)
        what += "the head counts " + std::to_string(hd.antal) + " objects, " +
                std::to_string(records) + " records could be read";
    else
        what += "its head and its slots disagree (see the message above)";
    reportDamaged("", userPath(file.c_str()), what);
}

} // namespace

void readWithoutLockIfUnwritable(CHarnDbs& dbs, CProjPath& proj, int mode) {
    const std::string folder = proj.ProjKat();
    const std::string file = projectFile(proj, CProjPath::HarnDbsNamn);
    if (mode == 1 && platform::isDirectory(folder.c_str()) &&
        platform::access(folder.c_str(), 2) != 0 && platform::access(file.c_str(), 4) == 0) {
        dbs.SetReadWithoutLock(true);
        // Once, however often the command opens the database.
        static std::set<std::string> told;
        if (told.insert(folder).second)
            std::cerr << "harn: the project folder " << userPath(folder.c_str())
                      << " cannot be written: reading the database without the lock file\n";
    }
}

int openDatabase(CHarnDbs& dbs, CProjPath& proj, int mode) {
    readWithoutLockIfUnwritable(dbs, proj, mode);
    const int shown = platform::shownFailureMessages();
    const int r = dbs.Init(mode, 0, nullptr, nullptr);
    if (r != 0) {
        reportOpenFailure(proj, mode);
    } else if (platform::shownFailureMessages() != shown) {
        int records = 0;
        dbs.Where(&records);
        explainDamage(dbs, records);
    }
    return r;
}

int openSnapshot(CHarnDbs& dbs, CProjPath& proj) {
    readWithoutLockIfUnwritable(dbs, proj, 1);
    const int shown = platform::shownFailureMessages();
    const int r = dbs.InitSnapshot(nullptr);
    if (r != 0 && r != -5)
        reportOpenFailure(proj, 1);
    else if (r == 0 && platform::shownFailureMessages() != shown)
        explainDamage(dbs, dbs.SnapshotRecords());
    return r;
}

void reportLock(CProjPath& proj) {
    const std::string lock = projectFile(proj, CProjPath::HarnDbkNamn);
    const int64_t age = platform::fileAgeSeconds(lock.c_str());
    if (age < 0)
        return;
    std::cerr << "harn: the project is locked by another program: " << userPath(lock.c_str())
              << " (created " << age << " s ago)\n";
}

namespace {

// The name of a type the tool knows; null for the others.
const char* knownTypeName(int typ) {
    static const char* const kNames[] = {"tunnel", "outcrop", "borehole",
                                         "point",  "line",    "alignment"};
    return typ >= 1 && typ <= 6 ? kNames[typ - 1] : nullptr;
}

// The method flags and their words, in the order shown.
struct FlagWord {
    unsigned bits;
    const char* word;
};
constexpr FlagWord kFlagWords[] = {{0x01, "KB"},  {0x02, "JB1"}, {0x04, "VF"}, {0x08, "RB"},
                                   {0x30, "GVR"}, {0x40, "KR"},  {0x80, "SP"}};

} // namespace

std::string typeName(int typ) {
    if (const char* name = knownTypeName(typ))
        return name;
    return "typ " + std::to_string(typ);
}

int parseType(const std::string& text) {
    for (int t = 1; t <= 6; ++t)
        if (text == typeName(t))
            return t;
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '9')
        return text[0] - '0';
    return 0;
}

std::string flagWords(unsigned flagg) {
    std::string out;
    for (const FlagWord& w : kFlagWords) {
        if (flagg & w.bits) {
            if (!out.empty())
                out += ",";
            out += w.word;
        }
    }
    return out;
}

void recordValuesJson(JsonWriter& json, const dbstype& r) {
    // Written for every record of a listing: the keys are prepared once.
    enum { X, Y, Z, Xyz2, Dx, Dy, Dz };
    static JsonWriter::Keys keys{"x", "y", "z", "xyz2", "dx", "dy", "dz"};
    json.key(keys, X).value(plain(r.x));
    json.key(keys, Y).value(plain(r.y));
    json.key(keys, Z).value(plain(r.z));
    json.key(keys, Xyz2).beginArray();
    for (double v : r.xyz2)
        json.value(plain(v));
    json.endArray();
    json.key(keys, Dx).value(plain(r.dx));
    json.key(keys, Dy).value(plain(r.dy));
    json.key(keys, Dz).value(plain(r.dz));
}

void recordJson(JsonWriter& json, const dbstype& r) {
    enum { Typ, Type, Id, Filnamn, Kod, Reftyp, Flagg, Flags, Text, Filpos };
    static JsonWriter::Keys keys{"typ",    "type",  "id",    "filnamn", "kod",
                                 "reftyp", "flagg", "flags", "text",    "filpos"};
    json.beginObject();
    json.key(keys, Typ).value(static_cast<int>(r.typ));
    if (const char* name = knownTypeName(r.typ))
        json.key(keys, Type).value(name);
    else
        json.key(keys, Type).value(typeName(r.typ));
    json.key(keys, Id).field(r.id);
    json.key(keys, Filnamn).field(r.filnamn);
    json.key(keys, Kod).value(static_cast<int>(r.kod));
    json.key(keys, Reftyp).value(static_cast<int>(r.reftyp));
    json.key(keys, Flagg).value(static_cast<int>(r.flagg));
    json.key(keys, Flags).beginArray();
    for (const FlagWord& w : kFlagWords)
        if (r.flagg & w.bits)
            json.value(w.word);
    json.endArray();
    recordValuesJson(json, r);
    json.key(keys, Text).field(r.text);
    json.key(keys, Filpos).value(static_cast<int>(r.filpos));
    json.endObject();
}

void recordText(std::ostream& out, const dbstype& r) {
    out << "type      " << typeName(r.typ) << " (" << static_cast<int>(r.typ) << ")\n"
        << "id        " << shown(field(r.id)) << "\n"
        << "file name " << shown(field(r.filnamn)) << "\n"
        << "code      " << static_cast<int>(r.kod) << "\n"
        << "reftyp    " << static_cast<int>(r.reftyp) << "\n"
        << "flags     " << static_cast<int>(r.flagg);
    std::string words = flagWords(r.flagg);
    if (!words.empty())
        out << " (" << words << ")";
    out << "\n"
        << "corner    " << millimetres(r.x) << " " << millimetres(r.y) << " " << millimetres(r.z)
        << "\n"
        << "xyz2      " << millimetres(r.xyz2[0]) << " " << millimetres(r.xyz2[1]) << " "
        << millimetres(r.xyz2[2]) << "\n"
        << "extent    " << millimetres(r.dx) << " " << millimetres(r.dy) << " " << millimetres(r.dz)
        << "\n"
        << "text      " << shown(field(r.text)) << "\n"
        << "slot      " << r.filpos << "\n";
}

void printListing(CHarnDbs& dbs, int typ, bool json, std::ostream& out) {
    if (json) {
        JsonWriter w(out);
        w.beginArray();
        dbstype r;
        while (dbs.NextRecord(r))
            if (typ == 0 || r.typ == typ)
                recordJson(w, r);
        w.endArray();
        w.finish();
        return;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-10s %-15s %-8s %12s %12s %10s %9s %9s %9s %s\n", "TYPE",
                  "ID", "FILE", "X", "Y", "Z", "DX", "DY", "DZ", "FLAGS");
    out << line;
    int rows = 0;
    dbstype r;
    while (dbs.NextRecord(r)) {
        if (typ != 0 && r.typ != typ)
            continue;
        ++rows;
        // Identifiers and names are padded by their width on the terminal, not in bytes.
        std::string id = shown(field(r.id));
        std::string fil = shown(field(r.filnamn));
        const std::string idCol = padded(id, 15);
        const std::string filCol = padded(fil, 8);
        std::snprintf(line, sizeof line, "%-10s %s %s %12s %12s %10s %9s %9s %9s",
                      typeName(r.typ).c_str(), idCol.c_str(), filCol.c_str(),
                      millimetres(r.x).c_str(), millimetres(r.y).c_str(), millimetres(r.z).c_str(),
                      millimetres(r.dx).c_str(), millimetres(r.dy).c_str(),
                      millimetres(r.dz).c_str());
        std::string words = flagWords(r.flagg);
        out << line << (words.empty() ? "" : " ") << words << "\n";
    }
    out << rows << (rows == 1 ? " object\n" : " objects\n");
}

} // namespace cli
