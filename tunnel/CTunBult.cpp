// Saving the bolts of a tunnel.
#include "tunnel/CTunBult.h"

#include "platform/Cp1252Literal.h"
#include "tunnel/TunnelVersion.h"

CTunBult::CTunBult(CProjPath* proj, const char* namn)
    : BoltDrainFile(proj, namn, ".ODF", "Kan ej öppna bult-databas"_cp) {}

int CTunBult::Save() {
    RemoveMarked();
    Omsortera(1); // the list keeps its order: bolts have none of their own
    return Rewrite([this](todbtype& r) {
        // Older files have no bolt numbers.
        if (m_hd.vernr > tunnelfile::kFlagVersion && r.bnr() == 0)
            r.setBnr(static_cast<int32_t>(Knrget()));
    });
}
