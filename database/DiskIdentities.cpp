#include "database/DiskIdentities.h"

DiskIdentities::Key DiskIdentities::of(const dbstype& r) {
    Key k{};
    k.bytes[0] = static_cast<char>(r.typ);
    for (size_t i = 0; i < 15 && r.id[i]; ++i)
        k.bytes[i + 1] = r.id[i];
    return k;
}
