// Helpers the database commands share: the project folder from the command line, names of
// object types and flag bits, and the listing of the database in text and JSON.
#pragma once

#include "database/dbstype.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class CHarnDbs;
class CProjPath;
class CAutoIni;

namespace cli {

class JsonWriter;

// A project folder given on the command line (UTF-8, relative or absolute), made absolute.
std::string absoluteFolder(const std::string& dir);

// A text as one word for a POSIX shell: as it is when it needs no quotes, else in quotes.
std::string shellWord(const std::string& text);

// The tool's line after a library message that sends the user to "Konvertera".
std::string convertHint(const std::string& dir);

// The project's paths for a folder given on the command line. The library's messages that
// send the user to "Konvertera" are followed by the tool's command for this folder.
std::unique_ptr<CProjPath> projectFor(const std::string& dir);

// Creates a folder and any missing parents (UTF-8 POSIX path); false when it cannot.
bool makeFolders(const std::string& dir);

// Creates the project folder, its database subfolder and a new database (Init with
// creation); null after a failure (the library's message has been shown).
std::unique_ptr<CHarnDbs> createProject(CProjPath& proj, CAutoIni* ini, const char* name,
                                        std::string& error);

// Loads the project database (Init without creation, `mode` 1 read only); on a failure,
// reportLock tells whether another program holds the project. The Init result.
int openDatabase(CHarnDbs& dbs, CProjPath& proj, int mode);
// The same for a single pass over the records: CHarnDbs::InitSnapshot (read only). When the
// snapshot cannot be taken, the library's failure report is the message.
int openSnapshot(CHarnDbs& dbs, CProjPath& proj);
// For a reader (mode 1) of a project folder that cannot be written: reads without the lock
// file (CHarnDbs::SetReadWithoutLock) and says so on standard error.
void readWithoutLockIfUnwritable(CHarnDbs& dbs, CProjPath& proj, int mode);
// After Init refused the database: one English line naming the cause (not found, locked,
// permission denied, damaged, unsupported version) and the file.
void reportOpenFailure(CProjPath& proj, int mode);
// When the project's lock file exists: "harn: the project is locked by another program:
// PATH (created N s ago)" on standard error, so that a stale lock can be told from a live one.
void reportLock(CProjPath& proj);

// Type names: 1 tunnel, 2 outcrop, 3 borehole, 4 point, 5 line, 6 alignment; others "typ N".
std::string typeName(int typ);
// A type given as a number (1-9) or a name; 0 when not recognised.
int parseType(const std::string& text);

struct Command;
// Takes "--type T" out of `args`: the type, 0 when the option is absent, or -1 after a usage
// error has been printed (the command then returns kUsage).
int takeTypeOption(std::vector<std::string>& args, const Command& cmd);
// True when `args` holds exactly the project folder; otherwise prints the usage error.
bool oneFolder(const std::vector<std::string>& args, const Command& cmd);
// The method flag bits of a record in words ("KB", "JB1", "VF", "RB", "GVR", "KR", "SP").
std::string flagWords(unsigned flagg);

// One record as a JSON object.
void recordJson(JsonWriter& json, const dbstype& r);
// The record's position and extents as members "x", "y", "z", "xyz2", "dx", "dy", "dz" of
// the object being written.
void recordValuesJson(JsonWriter& json, const dbstype& r);
// One record as labelled text lines.
void recordText(std::ostream& out, const dbstype& r);

// The listing of a loaded database: every record (of type `typ`, 0 = all), in list order.
void printListing(CHarnDbs& dbs, int typ, bool json, std::ostream& out);

} // namespace cli
