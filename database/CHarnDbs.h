// The project database: the list of every object's record, the image of the file head,
// the database and lock files, and the borehole-head operations every method class uses.
#pragma once

#include "database/DbsSnapshot.h"
#include "database/DiskIdentities.h"
#include "database/dbstype.h"
#include "database/harnbhdtype.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "list/RecordIndex.h"
#include "list/list0.h"
#include "platform/CFile.h"
#include "platform/CStdioFile.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class CHarnKonvertera;

class CHarnDbs : public list0<dbstype> {
public:
    CHarnDbs(CProjPath* proj, CAutoIni* ini);
    virtual ~CHarnDbs();
    CHarnDbs(const CHarnDbs& o) : list0<dbstype>(o) {}
    CHarnDbs& operator=(const CHarnDbs& o) {
        list0<dbstype>::operator=(o);
        m_onDisk.clear(); // the identities belong to the records of the old list
        return *this;
    }

    // Opening and reading. `mode` 1 is read only, any other value read and write; `skapa` 1
    // creates a new database. `path` null means the project's own database file; `projnamn`
    // null names a new database after its folder. 0, -1 refused or failed, -4 head unreadable.
    int Init(int mode, int skapa, const char* path, const char* projnamn);
    // Reading a database once, record by record, without holding it in the list: the checks,
    // messages and results of Init(1, 0, path, nullptr) and the head in m_hd, but the file is
    // copied under the lock to a private snapshot in the temporary folder and the lock is
    // released at once. NextRecord then gives the records that Init would have loaded, in
    // their order; the list stays empty. -5 when the snapshot cannot be written or read back
    // (reported to platform::FailureLog; the snapshot is gone).
    int InitSnapshot(const char* path);
    // The next record of the snapshot; false after the last one (the snapshot is then removed).
    // A read error of the snapshot is reported to platform::FailureLog and raises
    // CFileException.
    bool NextRecord(dbstype& r);
    // The records of the snapshot (what Where counts after a read-only Init).
    int SnapshotRecords() const { return m_snapshotRecords; }
    // The lock protocol: 1000 open, 1002 create (open in mode 1), 1001 close. 0 or -1.
    int Dbs_rw(int op);
    // A read-only object (mode 1) told so reads the database without creating the lock file:
    // for a project folder where no file can be created (read-only media or permissions).
    // Such a reader may see a database that a writer is changing at that moment. Objects
    // opened for writing keep the lock protocol whatever this says. Off by default.
    void SetReadWithoutLock(bool on) { m_readWithoutLock = on; }
    bool ReadsWithoutLock() const { return m_readWithoutLock && m_mode == 1; }

    // Searches; the found element becomes current. `typ` 0 to 8, 0 = any type.
    // Findid upper-cases `id` in place.
    int Findid(int typ, char* id);
    int Findobj(int typ, long filpos);
    int FindNuel(unsigned long address);
    // Gives the current record a file base name derived from its id, unique in the list.
    int Filnamn();

    // Writing. Uppdat op: 0 the current record (and the head when it changed), 1 the record
    // and the head, 2 only the head, 3 only widen the extent in memory. 0, or -3.
    int Uppdat(int op);
    // 0: set the database aside as "temp.dbs" and start an empty one; 1: remove the copy.
    int Tempfil(int op);
    // Frees the current record's slot and removes it from the list.
    int Delete();
    // Removes the current object's data files, then Delete().
    int DeleteId();
    // Removes the current element from the list only.
    int DeletePost();
    // Recomputes the project extent from the list and writes the head.
    int XYZ();
    // Writes every point object to the point file "Harnplan.PKT".
    int SkrivAvp();
    // Writes (op 0) or removes (other op) the current object's entry in the alignment list.
    int VagPaelUppdat(int op);

    // Conversion: shows the conversion dialog for the project's database file; always 1.
    int Konvertera(const char* projnamn);
    // Rebuilds the database file at `path` from the project's data files; counts go to
    // `dialog` (may be null). 1 rebuilt, -1 refused (a message has been shown).
    int Restore(const char* path, const char* projnamn, CHarnKonvertera* dialog);
    // Loads the database when nothing is loaded, otherwise opens its file and leaves it
    // open. 0, -1 when the file is open already, -3 when it cannot be opened.
    int Arkinit(const char* path);

    // Borehole head: clear, write and read.
    static int BhdNull(harnbhdtype* bhd);
    static int SkrivHead(FILE* stream, harnbhdtype* bhd);
    int SkrivHead(harnbhdtype* bhd, char* name);
    static int LasHead(CStdioFile* file, harnbhdtype* bhd, int close);
    int LasHead(const char* name, harnbhdtype* bhd);

    // 1 while the marker "TMPCAD.PB$" is in the project folder, else 0.
    int DbsKoll();
    // Brings a date text to "YYYY-MM-DD" in place; -1 when no date is left.
    static int DatumFix(char* date);

    // Whether a database head of this version may be opened by this library.
    static bool VersionAccepted(const dbshdtype& hd);

    static const char* m_Dbsver;

    dbshdtype m_hd;
    int m_reclen;
    int m_mode;
    CProjPath* m_pProj;
    CAutoIni* m_pIni;
    CFile m_dbsfil;
    CFile m_lasfil;

protected:
    // Order by the number leading the id, then by the id (key 1); by the number only,
    // descending (key -1).
    int Sortval(int key) override;

    // Widens the head's extent by the current record; true when a bound changed.
    bool WidenExtent();
    // Path of a file in the project folder: folder\name.
    CString ProjFile(const char* name) const;
    // Path of a data file: folder\HarnDbfKat\name + ext.
    CString DataFile(const char* name, const char* ext) const;

    // The first part of Init: the database path (`path`, or the project's database), the
    // refusal of a non-empty list for a given path, and the open pair (1002 with `skapa` 1,
    // else 1000) with its message. 0, or -1 after the message.
    int OpenFile(int skapa, const char* path);
    // Reads the head from `from` (the database, or a snapshot of it) into m_hd with its
    // checks and messages. 0, -4 head unreadable, -1 wrong version (the pair closed).
    int ReadHead(CFile& from);
    // A slot read at `p` into `slot` (filpos p when live, else 0): freed (counted in `freed`
    // before the head's end), live, or live at or past the end, which ends the reading (shown
    // on the status line).
    SlotKind TakeSlot(const char* bytes, long p, dbstype& slot, long& freed);
    // After the slots: the messages when the head's counts differ from what was read.
    void CheckCounts(long count, long freed);
    // Writes the head of a new database into the just created file.
    void CreateHead(const char* projnamn);
    // Reads the head and the slots of an open database, packing freed slots.
    int ReadSlots();
    // Replaces the database, whose whole file is `image`, by its packed image: `moves` gives
    // each live record's new slot, `w` the new end; `last` is the last slot read, written
    // marked free after the records.
    void Pack(std::string image, const std::vector<std::pair<dbstype*, long>>& moves, long w,
              long slotsRead, dbstype last);
    // After an exception inside an open pair: drops the file and the lock file.
    void AbandonOpen();
    // Whether another record of the list already has the file name `candidate` (the type
    // filter of Filnamn included).
    bool FilnamnClash(const char* candidate);

    // Path of a borehole file: folder\HarnDbfKat\name.SND.
    CString BoreholePath(const char* name) const;

    // Writers see each other. Inside an open pair: reads the head on disk and, when another
    // program has written since this object last read or wrote it, takes over its end, its
    // counters (keeping this object's own pending changes) and its extent, and finds the
    // current record again. The exact rule is in docs/DECISIONS.md.
    void Reconcile();
    // Before the current record is written over its slot: checks that the slot still holds
    // it (the type and id it had when last read or written) and otherwise finds it again,
    // or gives it filpos 0 when another program deleted it.
    void LocateCurrent();
    // The identity of a record on disk: its type byte and id.
    static DiskIdentities::Key DiskKey(const dbstype& r) { return DiskIdentities::of(r); }
    // Widens the head's extent by another program's extent; true when a bound changed.
    bool UnionExtent(const dbshdtype& other);
    // The whole open database file as bytes.
    std::string ReadImage();
    // Inside an open pair, before the file is replaced whole: reconciles (when asked) and
    // takes over another program's extent, reads the whole file and closes it. On an
    // exception the file and the lock file are dropped.
    std::string TakeImage(bool reconcile);
    // Creates the change marker "TMPPROG.PB$" when it is missing.
    void ChangeMarker();
    // The refusal of a write: the read-only or the cannot-open message; -3.
    int WriteRefused(const CString& dbs);

private:
    dbshdtype m_diskHd{};         // the head bytes on disk as this object last read or wrote them
    bool m_haveDiskHd = false;    // m_diskHd describes the project's own database file
    bool m_foreignExtent = false; // another program changed the extent: m_foreignHd holds it
    dbshdtype m_foreignHd{};
    bool m_lockHeld = false;        // this object created the lock file and has not removed it
    bool m_readWithoutLock = false; // SetReadWithoutLock
    int m_otherRecords = 0;         // records other programs added (less those they deleted)
    // For each record of the list read from or written to the project's database: its
    // identity on disk (DiskKey) at that time. Records without an entry are written at their
    // filpos unchecked.
    DiskIdentities m_onDisk;

    // The indexes of the searches (CHarnDbsFind.cpp).
    enum { kById, kByFilpos, kByName, kIndexes };
    // Forgets the indexes after changes made other than through the current record.
    void DropIndexes();
    // Whether `which` can be used now (brought up to date, or built from the chain). An
    // index not built is built at its second use after a drop, or at once with buildAtOnce.
    bool UseIndex(int which, bool buildAtOnce);
    // Files the elements deleted and made current since the last lookup anew.
    void SyncIndexes();
    void FileNode(int which, Node* n);
    // The first element in list order filed under `key` whose type passes `typ` (0 any).
    Node* FirstOf(int which, std::string_view key, int typ);
    // Makes current the first element in list order whose type passes `typ` and whose record
    // `matches` (the index `which` under `key` when it is in use, else a walk of the chain).
    // 0, or -1 with the current element unchanged.
    template <class Match> int FindFirst(int which, std::string_view key, int typ, Match matches);
    // A file name left by a record: the numbered names it may free are looked at again.
    void NameFreed(const std::string& name);
    // InitSnapshot's copy while its records are read.
    std::unique_ptr<DbsSnapshot> m_snapshot;
    int m_snapshotRecords = 0;
    RecordIndex<Node> m_index[kIndexes];
    bool m_built[kIndexes] = {};
    int m_walks[kIndexes] = {};
    // For a stem and digit count of Filnamn's numbered names (stemKey) and each type filter: the
    // number from which a free name is looked for; every lower one was taken by another
    // record when it was found, and no name of that form has been freed since.
    std::unordered_map<uint64_t, std::vector<std::pair<char, long>>> m_nameFrom;
};
