// One tunnel of a project: its records (chiefly the positions along the tunnel, each a
// chainage with the cross-section type that applies from there on) in the tunnel database
// "<folder>\<HarnDbfKat>\<name>.ODB". Creates the file set of a new tunnel, writes single
// records and the head in place, and on Save rewrites the file compactly, sets the tunnel's
// plan extent in the project database from its alignment and cross-section types, and
// regenerates the positions section (7) of the tunnel text file (.LAT).
#pragma once

#include "list/list0.h"
#include "platform/CString.h"
#include "tunnel/todbtype.h"
#include "tunnel/tunhdtype.h"

#include <cstdint>
#include <string>

class CHarnDbs;
class CProjPath;

class CTunDbs : public list0<todbtype> {
public:
    // An empty tunnel named `namn` (the base name of its files, at most 11 characters).
    CTunDbs(CProjPath* proj, const char* namn);
    virtual ~CTunDbs();
    CTunDbs(const CTunDbs& o) : list0<todbtype>(o) {}
    CTunDbs& operator=(const CTunDbs& o) {
        list0<todbtype>::operator=(o);
        return *this;
    }

    // Reads the .ODB file, appending its live records to the list; a file with holes is
    // packed. 0, or -1 (file missing, head unreadable, version refused).
    int Init();
    // Reads the .ODB file like Init, opened read-only, but leaves a file with holes as it is:
    // the elements keep their offsets in that file. For callers that only look at a tunnel.
    int InitReadOnly();
    // Creates the files of a new tunnel (.ODB, .TKO, .LAT, .LAF, .ODF) named after the
    // current record of `dbs`. 0; -1 the .ODB cannot be created; -3 another file cannot.
    int Create(CHarnDbs* dbs);
    // Writes in place: mode 0 the current record (and the head if the record is new), 1 the
    // record and the head, 2 the head only, negative the record only (and the head if new).
    // 0, or -1 when the file cannot be opened or written.
    int Uppdat(int mode);
    // Deletes the current element in the file and in the list; the list's Delete result.
    int Delete();
    // Rewrites the file compactly in chainage order (dropping the elements whose filpos is
    // negative), sets the tunnel's record in `dbs` (its current record) and regenerates
    // section 7 of the .LAT file. 0, -1 or -3.
    int Save(CHarnDbs* dbs);
    // Makes current the element whose record is at address `rec`; 0, or -1 (the previous
    // current element stays).
    int FindNuel(unsigned long rec);

    // Path of one of the tunnel's files: folder\HarnDbfKat\name + ext (ext without dot).
    CString Sokvag(const char* ext) const;

    tunhdtype m_hd;
    double m_version;
    char m_namn[12];
    int32_t m_reclen;
    CProjPath* m_pProj;

protected:
    // Ascending chainage; equal chainages keep their order. The key is not looked at.
    int Sortval(int key) override;
    // False when a chainage is no number (a damaged file): no order of keys holds then.
    bool SortvalOrders(int key) override;

private:
    // Init (packing) or InitReadOnly.
    int Read(bool pack);
    // While Save rewrites the file, Uppdat and Delete write into this image of it, which is
    // put in the file's place in one step at the end.
    struct Rewrite {
        bool loaded = false;
        std::string bytes;
    };
    Rewrite* m_rewrite = nullptr;

    // Writes `size` bytes at `offset` into the open file, or into the rewrite image.
    bool WriteAt(std::FILE* f, long offset, const void* data, std::size_t size);
    // Regenerates section 7 of the .LAT file; 0 or -3.
    int SaveLat(const char* alignment);
};
