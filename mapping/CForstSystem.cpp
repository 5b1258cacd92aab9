#include "mapping/CForstSystem.h"

CForstSystem::CForstSystem(const char* fil) {
    Init(fil, 0);
}

CForstSystem::CForstSystem(const char* fil, ReadOnlyLoad) {
    InitReadOnly(fil);
}

CForstSystem::CForstSystem(CAutoIni* ini) {
    (void)ini;
    Init("", 0);
}

CForstSystem::~CForstSystem() = default;
