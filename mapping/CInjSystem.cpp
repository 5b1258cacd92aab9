#include "mapping/CInjSystem.h"

CInjSystem::CInjSystem(const char* fil) {
    Init(fil, 0);
}

CInjSystem::CInjSystem(const char* fil, ReadOnlyLoad) {
    InitReadOnly(fil);
}

CInjSystem::~CInjSystem() = default;
