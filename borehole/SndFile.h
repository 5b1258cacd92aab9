// The borehole file (.SND) scheme shared by the three method classes: paths, the walk over
// the method blocks when reading, the safe rewrite that replaces, appends or removes one
// block, and the parts of the database-record update they have in common.
#pragma once

#include "database/dbstype.h"
#include "database/harnbhdtype.h"
#include "host/CProjPath.h"
#include "list/FormattedText.h"
#include "platform/CStdioFile.h"
#include "platform/CString.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

class CHarnDbs;

namespace borehole {

// folder\HarnDbfKat\namn.SND and the deviation survey folder\HarnDbfKat\namn.CRD.
CString sndPath(const CProjPath* proj, const char* namn);
CString crdPath(const CProjPath* proj, const char* namn);

// Opens an existing borehole file for reading, as text unless `type` is CFile::typeBinary;
// false when it is missing or cannot be opened.
bool openForReading(CFile& file, const char* path, UINT type = CFile::typeText);
// Opens the borehole file of `namn` and reads its head into `bhd` (closing the file again when
// `close` is 1, else leaving it after the head's "*" line); false when the file is missing or
// cannot be opened.
bool readHead(CStdioFile& file, const CProjPath* proj, const char* namn, harnbhdtype* bhd,
              int close);

// Walks the lines after the head (the head's closing "*" already consumed). For every block
// numbered `wanted`, `opened` gets its first line and `body` each further line up to the
// block's closing "*" line. Lines are handed over in the shared line buffer, without their
// line end and cut to the buffer. A negative `wanted` finds no block.
void scanBlocks(CStdioFile& file, int wanted, const std::function<void(char* line)>& opened,
                const std::function<void(char* line)>& body);
// Walks the lines after the head as scanBlocks does and gives the numbers of the blocks it
// holds, bit n for block n (numbers 0 to 31; others are not counted).
unsigned blocksPresent(CStdioFile& file);

// Writes the head lines and the blocks of the old file to a new file (platform::SafeReplace):
// every block of another number unchanged, the block numbered bhd->metod replaced by a new
// one (or dropped when `del` is not 0), a new one appended when there was none; then the new
// file takes the place of the .SND file in one step. `writeBody` writes the new block's lines
// between its title line and its closing "*". With a negative metod every block is copied.
// 0, or -3 when a file cannot be opened, read, written or replaced (a message has been
// shown; the .SND file is as it was).
int rewrite(const CProjPath* proj, const char* namn, harnbhdtype* bhd, int del,
            const std::function<void(FormattedText& out)>& writeBody);

// The value of a two-digit block code ("90" to "96") for the parameter line, else 0.
int slutkodValue(const char* slutkod);

// Position, the three further values, the code and the text of a record from the head.
void fillFromHead(dbstype* rec, const harnbhdtype& bhd);

// Extents of a hole of length `length` from its azimuth and inclination (whole degrees).
void extentsFromDirection(const harnbhdtype& bhd, double length, double& dx, double& dy,
                          double& dz);

// Extents of a hole from its deviation survey. The record's position must already be set;
// its dx, dy and dz receive the result. Shows the messages of a missing or unreadable file
// and of a survey that does not start where the record does. Returns false when the file
// does not exist (the caller then uses direction and length).
bool extentsFromSurvey(dbstype* rec, const char* path);

// Writes the current record of `dbs` back (Uppdat(0)) after the borehole file of `namn` was
// saved. The save stands whatever the update gives; a failed update is reported through
// platform::FailureLog.
void writeRecord(CHarnDbs* dbs, const CProjPath* proj, const char* namn);

// Sets (del not 1) or clears (del 1) a flag bit of the record.
void setFlag(dbstype* rec, int bit, int del);

// Copies a text into a fixed field, cut to the field: at most N - 1 characters and the
// terminator, as snprintf with "%s" gives them (a call per section line of a log).
template <std::size_t N> void copyField(char (&field)[N], const char* text) {
    const std::size_t n = text ? strnlen(text, N - 1) : 0;
    if (n > 0)
        std::memmove(field, text, n);
    field[n] = 0;
}

} // namespace borehole
