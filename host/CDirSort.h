// A directory listing sorted by file name, kept in a list0.
#pragma once

#include "list/list0.h"

struct dirsorttype {
    char namn[260];  // file name (CP1252), first as the companion library's records begin
    int32_t katalog; // 1 for a folder
    int64_t storlek; // size in bytes
};

class CDirSort : public list0<dirsorttype> {
public:
    CDirSort() = default;
    virtual ~CDirSort() = default;
    CDirSort(const CDirSort& o) : list0<dirsorttype>(o) {}
    CDirSort& operator=(const CDirSort& o) {
        list0<dirsorttype>::operator=(o);
        return *this;
    }

    // Lists the entries matching `pattern` (folder\mask, where the mask may hold * and ?,
    // matched without regard to case). `files`: 1 lists files; `folders`: 1 lists folders
    // too; `descending` reverses the order; the last argument is unused. Entries are
    // sorted by name without regard to case. Returns the number of entries, or -1 when
    // the folder cannot be read.
    int Init(const char* pattern, int files, int folders, int descending, int unused);

protected:
    int Sortval(int key) override;

private:
    int m_descending = 0;
};
