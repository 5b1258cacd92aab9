#include "mapping/CForstTyper.h"

CForstTyper::CForstTyper(const char* fil) {
    Init(fil, 0);
}

CForstTyper::CForstTyper(const char* fil, ReadOnlyLoad) {
    InitReadOnly(fil);
}

CForstTyper::~CForstTyper() = default;

int CForstTyper::Findnum(short typnr, short grupp, int lage) {
    if (typnr < 1 || Where(nullptr) < 0)
        return 0;
    Home();
    do {
        if (m_pael->grupp == grupp && m_pael->typnr == typnr) {
            if (lage == 1)
                return 0;
            if (lage == 0 && m_pael != m_pmark)
                return -1;
        }
    } while ((*this)++);
    return 0;
}
