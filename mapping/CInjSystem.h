// The library list of grouting systems, loaded from its library file when constructed.
#pragma once

#include "mapping/LibraryFile.h"
#include "mapping/injtype.h"

class CInjSystem : public CBibLista<injtype> {
public:
    // Loads the library file `fil` (a failed load leaves an empty list after its message).
    explicit CInjSystem(const char* fil);
    // Loads `fil` without packing it and without writing (ReadOnlyLoad).
    CInjSystem(const char* fil, ReadOnlyLoad);
    virtual ~CInjSystem();
};
