// What the bolt file (.ODF) and the drainage file (.ODD) of a tunnel have in common: the
// file layout (a 48-byte head, records of 144 bytes from offset 300), reading with the
// version rule and the packing of holes, the serial numbers handed out from the head, the
// removal of marked elements and the rewrite of the whole file from the list.
#pragma once

#include "list/list0.h"
#include "platform/CString.h"
#include "tunnel/bulthdtype.h"
#include "tunnel/todbtype.h"

#include <cstdint>
#include <cstdio>
#include <functional>

class CProjPath;

class BoltDrainFile : public list0<todbtype> {
public:
    virtual ~BoltDrainFile();

    // Reads the file, appending its live records to the list; a file with holes is packed.
    // 0, or -1 (file missing, head unreadable, version refused).
    int Init();
    // Reads the file like Init, opened read-only, but leaves a file with holes as it is: the
    // elements keep their offsets in that file. For callers that only look.
    int InitReadOnly();

    // Path of the file: folder\HarnDbfKat\name + the class's extension.
    CString Sokvag() const;

    bulthdtype m_hd;
    char m_namn[12];
    int32_t m_reclen;
    CProjPath* m_pProj;

protected:
    // `ext` is the extension with its dot; `openMessage` is shown when Init cannot open the
    // file. Both must outlive the object.
    BoltDrainFile(CProjPath* proj, const char* namn, const char* ext, const char* openMessage);

    // Writes into the open file `f`: with mode < 2 the current record (a new one, filpos 0,
    // is appended at slut and counted, and the head is written too); with mode > 0 the head.
    // Always 0; a failing write is remembered for the rewrite that owns `f`.
    int Uppdat(std::FILE* f, int mode);
    // The next serial number; the head's counter grows by one.
    long Knrget();
    // Removes from the list every element whose filpos is negative (marked for deletion);
    // its filpos is made positive first.
    void RemoveMarked();
    // Rewrites the whole file from the list in list order, calling `number` on each record
    // before it is written. 0, or -3 (status text) with the old file in place and the list
    // and head as they were on entry.
    int Rewrite(const std::function<void(todbtype&)>& number);

private:
    // Init (packing) or InitReadOnly.
    int Read(bool pack);
    // Writes `size` bytes at `offset` of `f`; a failure is remembered in m_writeFailed.
    void WriteAt(std::FILE* f, long offset, const void* data, std::size_t size);

    const char* m_ext;
    const char* m_openMessage;
    bool m_writeFailed = false;
};
