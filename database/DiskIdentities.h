// The identity on disk (type byte and id) of each record of a database list that was read
// from or written to the project's database, looked up by the record's address. One table
// of fixed-size entries (open addressing) instead of a heap node and a heap string per
// record: loading a database files every record here.
#pragma once

#include "database/dbstype.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class DiskIdentities {
public:
    // The type byte and the id of at most 15 characters, the rest zero.
    struct Key {
        char bytes[16];
        bool operator==(const Key&) const = default;
    };
    static Key of(const dbstype& r);

    // Files `r` under `key`, replacing what it had.
    void set(const dbstype* r, const Key& key);
    // The key of `r`, or null.
    const Key* find(const dbstype* r) const;
    void erase(const dbstype* r);
    void clear();
    // Room for `n` records without growing.
    void reserve(size_t n);
    size_t size() const { return m_size; }

private:
    struct Entry {
        const dbstype* rec; // null: empty
        Key key;
    };
    size_t home(const dbstype* r) const;
    void grow(size_t capacity);

    std::vector<Entry> m_entries; // a power of two in size, or empty
    size_t m_size = 0;
};
