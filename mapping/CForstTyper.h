// The library list of reinforcement types, loaded from its library file when constructed.
#pragma once

#include "mapping/LibraryFile.h"
#include "mapping/fortype.h"

class CForstTyper : public CBibLista<fortype> {
public:
    // Loads the library file `fil` (a failed load leaves an empty list after its message).
    explicit CForstTyper(const char* fil);
    // Loads `fil` without packing it and without writing (ReadOnlyLoad).
    CForstTyper(const char* fil, ReadOnlyLoad);
    virtual ~CForstTyper();

    // Looks for the type `typnr` of group `grupp`, walking from the first record:
    // `lage` 1 makes the first such record current (0 either way); `lage` 0 gives -1 when
    // a record other than the marked one has the pair; other values give 0. A `typnr`
    // below 1 or an empty list gives 0 at once without moving.
    int Findnum(short typnr, short grupp, int lage);
};
