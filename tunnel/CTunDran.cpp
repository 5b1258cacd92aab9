// Grouping, ordering and saving the drains of a tunnel.
#include "tunnel/CTunDran.h"
#include "platform/Cp1252Literal.h"

#include <cmath>

CTunDran::CTunDran(CProjPath* proj, const char* namn)
    : BoltDrainFile(proj, namn, ".ODD", "Kan ej öppna dränerings-databas"_cp) {}

int CTunDran::Sortval(int key) {
    if (!m_pael || !m_pmark)
        return 0;
    const todbtype& p = *m_pael;
    const todbtype& m = *m_pmark;
    switch (key) {
    case 1:
        return p.sekt > m.sekt ? 1 : 0;
    case -1:
        return p.sekt <= m.sekt ? 1 : 0;
    case 2:
        return p.sekt2 >= m.sekt2 ? 1 : 0;
    case -2:
        return p.sekt2 <= m.sekt2 ? 1 : 0;
    default:
        return 0;
    }
}

bool CTunDran::SortvalOrders(int key) {
    if (key != 1 && key != -1 && key != 2 && key != -2)
        return true;
    for (Node* n = m_forst; n; n = n->next)
        if (std::isnan(key == 1 || key == -1 ? n->rec.sekt : n->rec.sekt2))
            return false;
    return true;
}

void CTunDran::Group() {
    for (Node* first = m_forst; first;) {
        Node* end = first->next;
        while (end && end->rec.lnr() != 1)
            end = end->next;
        double start = first->rec.psekt(), stop = start;
        for (Node* n = first->next; n != end; n = n->next) {
            const double p = n->rec.psekt();
            if (p < start)
                start = p;
            if (p > stop)
                stop = p;
        }
        int32_t place = 1;
        for (Node* n = first; n != end; n = n->next) {
            n->rec.sekt = start;
            n->rec.sekt2 = stop;
            n->rec.setLnr(place++);
        }
        first = end;
    }
}

int CTunDran::Save() {
    Group();
    RemoveMarked();
    Omsortera(1);
    return Rewrite([this](todbtype& r) {
        if (r.dnr() == 0)
            r.setDnr(static_cast<int32_t>(Knrget()));
    });
}
