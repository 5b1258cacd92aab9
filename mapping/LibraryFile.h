// The binary library files of reinforcement systems, reinforcement types and grouting
// systems: a 120-byte header, then fixed-size records from offset 300. One reading
// algorithm serves all three kinds; they differ in record length, in where the record's
// number sits and in how the stop message is shown (see LibraryRecord).
#pragma once

#include "list/list0.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#pragma pack(push, 1)
// Header of a library file, at offset 0.
struct bibhdtype {
    char version[6];    // version text, "1.4" in a new file
    char text[18];      // the host's; empty in a new file
    int32_t antal;      // records in use
    int32_t heltal[19]; // the host's; zero in a new file
    int32_t hal;        // deleted records not yet packed away
    double verdel;      // fractional part of the version number
    int32_t slut;       // offset behind the last record in use; 300 in a new file
};
#pragma pack(pop)

static_assert(sizeof(bibhdtype) == 120);
static_assert(offsetof(bibhdtype, antal) == 24);
static_assert(offsetof(bibhdtype, hal) == 104);
static_assert(offsetof(bibhdtype, verdel) == 108);
static_assert(offsetof(bibhdtype, slut) == 116);

// What the reading algorithm needs to know about a record type: its length on file, the
// offset of its 16-bit number (> 0 = in use) and whether the stop message goes to the
// status line. Specialised beside each record type.
template <class T> struct LibraryRecord;

namespace libfile {

constexpr int kHeaderLength = 120;
constexpr int kFirstRecord = 300;
// Version text of the files this library creates, and the version number it accepts from.
extern const char* const kVersion;

// Bell characters go to standard output unless the tool sends them elsewhere.
void setBellStream(std::FILE* stream);
void bell(int count);

// The identifier of a record: its leading zero-terminated text, at most 16 bytes.
void recordId(const void* record, char* out, std::size_t outSize);

// Whether a file of the given version text is accepted by this library (version 1.4).
bool versionAccepted(const char* version);

// Called for each record in use, with the record bytes and its (new) file offset.
using RecordSink = void (*)(void* context, const char* record, int32_t filpos);

struct Kind {
    int length;
    int numberOffset;
    bool stopInStatusLine;
};

// Creates (`ny` 1) or loads a library file; see the classes' Init. Without `pack` the file is
// opened read-only and a file with freed records is loaded as it is, nothing written.
int init(const char* fil, int ny, bibhdtype& hd, const Kind& kind, RecordSink sink, void* context,
         bool pack = true);

} // namespace libfile

// Passed to a library list's constructor: load the file without packing it, opened read-only
// (for callers that only look; the records keep the offsets of the file as it is).
struct ReadOnlyLoad {};

// Base of the three library lists: the header, the record length and the shared Init.
template <class T> class CBibLista : public list0<T> {
    static_assert(offsetof(T, filpos) == LibraryRecord<T>::length, "record, then its offset");

public:
    // The file's header as read (all zero until it is).
    const bibhdtype& Huvud() const { return m_hd; }
    // Record length on file.
    int Postlangd() const { return m_reclen; }
    // Result of the load done by the constructor (0, -1, -3, -4 or -5; see Init).
    int Resultat() const { return m_resultat; }

protected:
    CBibLista() : m_reclen(LibraryRecord<T>::length) { std::memset(&m_hd, 0, sizeof m_hd); }

    // With `ny` 1 creates a new empty library file; otherwise loads the file into the list
    // (packing it when records were deleted). 0 done; -1 version refused; -3 the file cannot
    // be opened (or, when creating, written); -4 the header cannot be read; -5 the packed
    // file could not be written back (the list is loaded, the file left as it was).
    int Init(const char* fil, int ny) { return Load(fil, ny, true); }
    // Init's loading without packing (ReadOnlyLoad).
    int InitReadOnly(const char* fil) { return Load(fil, 0, false); }

    bibhdtype m_hd;
    int m_reclen;
    int m_resultat = 0;

private:
    int Load(const char* fil, int ny, bool pack) {
        const libfile::Kind kind{LibraryRecord<T>::length, LibraryRecord<T>::numberOffset,
                                 LibraryRecord<T>::stopInStatusLine};
        m_resultat = libfile::init(fil, ny, m_hd, kind, &CBibLista::append, this, pack);
        return m_resultat;
    }
    static void append(void* context, const char* record, int32_t filpos) {
        auto* self = static_cast<CBibLista*>(context);
        T rec;
        std::memcpy(static_cast<void*>(&rec), record, LibraryRecord<T>::length);
        rec.filpos = filpos;
        self->Ny(1, &rec);
    }
};
