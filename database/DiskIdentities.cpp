#include "database/DiskIdentities.h"

#include "list/AddressHash.h"

#include <cstring>

DiskIdentities::Key DiskIdentities::of(const dbstype& r) {
    Key k{};
    k.bytes[0] = static_cast<char>(r.typ);
    for (size_t i = 0; i < 15 && r.id[i]; ++i)
        k.bytes[i + 1] = r.id[i];
    return k;
}

size_t DiskIdentities::home(const dbstype* r) const {
    return static_cast<size_t>(addressHash(r)) & (m_entries.size() - 1);
}

void DiskIdentities::grow(size_t capacity) {
    std::vector<Entry> old;
    old.swap(m_entries);
    m_entries.assign(capacity, Entry{nullptr, {}});
    for (const Entry& e : old) {
        if (!e.rec)
            continue;
        size_t i = home(e.rec);
        while (m_entries[i].rec)
            i = (i + 1) & (capacity - 1);
        m_entries[i] = e;
    }
}

void DiskIdentities::reserve(size_t n) {
    // At most seven tenths full.
    size_t capacity = 16;
    while (capacity * 7 < n * 10)
        capacity *= 2;
    if (capacity > m_entries.size())
        grow(capacity);
}

void DiskIdentities::set(const dbstype* r, const Key& key) {
    if ((m_size + 1) * 10 > m_entries.size() * 7)
        reserve(m_size + 1);
    const size_t mask = m_entries.size() - 1;
    size_t i = home(r);
    while (m_entries[i].rec && m_entries[i].rec != r)
        i = (i + 1) & mask;
    if (!m_entries[i].rec) {
        m_entries[i].rec = r;
        ++m_size;
    }
    m_entries[i].key = key;
}

const DiskIdentities::Key* DiskIdentities::find(const dbstype* r) const {
    if (m_entries.empty() || !r)
        return nullptr;
    const size_t mask = m_entries.size() - 1;
    for (size_t i = home(r); m_entries[i].rec; i = (i + 1) & mask)
        if (m_entries[i].rec == r)
            return &m_entries[i].key;
    return nullptr;
}

void DiskIdentities::erase(const dbstype* r) {
    if (m_entries.empty() || !r)
        return;
    const size_t mask = m_entries.size() - 1;
    size_t i = home(r);
    while (m_entries[i].rec != r) {
        if (!m_entries[i].rec)
            return;
        i = (i + 1) & mask;
    }
    // Later entries of the same run move back into the gap when their home allows it, so
    // that every lookup still reaches its entry without passing an empty one.
    size_t gap = i;
    for (size_t j = (i + 1) & mask; m_entries[j].rec; j = (j + 1) & mask) {
        const size_t h = home(m_entries[j].rec);
        // j's entry may fill the gap when its home is not inside (gap, j].
        const bool homeInside = gap <= j ? (gap < h && h <= j) : (gap < h || h <= j);
        if (!homeInside) {
            m_entries[gap] = m_entries[j];
            gap = j;
        }
    }
    m_entries[gap].rec = nullptr;
    --m_size;
}

void DiskIdentities::clear() {
    std::vector<Entry>().swap(m_entries);
    m_size = 0;
}
