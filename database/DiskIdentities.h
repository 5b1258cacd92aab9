// The identity on disk (type byte and id) of each record of a database list that was read
// from or written to the project's database, looked up by the record's address. One table
// of fixed-size entries (DenseTable) instead of a heap node and a heap string per record:
// loading a database files every record here.
#pragma once

#include "database/dbstype.h"
#include "list/AddressHash.h"
#include "list/DenseTable.h"

#include <cstddef>
#include <cstdint>

class DiskIdentities {
public:
    // The type byte and the id of at most 15 characters, the rest zero.
    struct Key {
        char bytes[16];
        bool operator==(const Key&) const = default;
    };
    static Key of(const dbstype& r);

    // Files `r` under `key`, replacing what it had.
    void set(const dbstype* r, const Key& key) { m_table.findOrAdd(r).first->key = key; }
    // The key of `r`, or null.
    const Key* find(const dbstype* r) const {
        const Entry* e = r ? m_table.find(r) : nullptr;
        return e ? &e->key : nullptr;
    }
    void erase(const dbstype* r) {
        if (Entry* e = r ? m_table.find(r) : nullptr)
            m_table.erase(e);
    }
    void clear() { m_table.clear(); }
    // Room for `n` records without growing.
    void reserve(size_t n) { m_table.reserve(n); }
    size_t size() const { return m_table.size(); }

private:
    struct Entry {
        const dbstype* rec = nullptr;
        Key key{};
    };
    struct Traits {
        static const dbstype* id(const Entry& e) { return e.rec; }
        static uint32_t hash(const dbstype* r) { return static_cast<uint32_t>(addressHash(r)); }
        static void claim(Entry& e, const dbstype* r) { e.rec = r; }
    };
    DenseTable<Entry, const dbstype*, Traits> m_table;
};
