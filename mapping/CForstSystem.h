// The library list of reinforcement systems, loaded from its library file when constructed.
#pragma once

#include "mapping/LibraryFile.h"
#include "mapping/systype.h"

class CAutoIni;

class CForstSystem : public CBibLista<systype> {
public:
    // Loads the library file `fil` (a failed load leaves an empty list after its message).
    explicit CForstSystem(const char* fil);
    // Loads `fil` without packing it and without writing (ReadOnlyLoad).
    CForstSystem(const char* fil, ReadOnlyLoad);
    // The settings name no library file: loads with an empty name, so the open message is
    // shown and the list stays empty. The settings object is not read or kept.
    explicit CForstSystem(CAutoIni* ini);
    virtual ~CForstSystem();
};
