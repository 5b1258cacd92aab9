// A hash table of fixed-size entries for the lists' indexes. `Traits` gives an entry's id
// (`id`), the 32-bit hash of an id (`hash`) and makes a new entry hold an id (`claim`).
//
// The entries in a dense array, found through a power-of-two array of slots (at most half
// full, linear probing) that each hold 32 bits of the entry's hash and its place: a probe
// that misses reads only the slots, 8 bytes each. Erasing shifts the slots after it back,
// so that no probe chain is broken, and moves the last entry into the place it left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

template <class Entry, class Id, class Traits> class DenseTable {
public:
    size_t size() const { return m_entries.size(); }
    void clear() {
        m_slots.clear();
        m_entries.clear();
    }
    void reserve(size_t n) {
        m_entries.reserve(n);
        size_t want = 16;
        while (want < 2 * n)
            want *= 2;
        if (want > m_slots.size())
            rehash(want);
    }
    Entry* find(const Id& id) {
        if (m_slots.empty())
            return nullptr;
        const uint32_t h = Traits::hash(id);
        for (size_t i = h & mask();; i = next(i)) {
            const uint64_t s = m_slots[i];
            if (s == 0)
                return nullptr;
            if (hashOf(s) == h && Traits::id(m_entries[placeOf(s)]) == id)
                return &m_entries[placeOf(s)];
        }
    }
    const Entry* find(const Id& id) const { return const_cast<DenseTable*>(this)->find(id); }
    // The entry of `id`, and whether it was made now (holding only `id`). A new entry may
    // move the others of this table.
    std::pair<Entry*, bool> findOrAdd(const Id& id) {
        if (2 * (m_entries.size() + 1) > m_slots.size())
            rehash(m_slots.empty() ? 16 : 2 * m_slots.size());
        const uint32_t h = Traits::hash(id);
        size_t i = h & mask();
        for (; m_slots[i] != 0; i = next(i))
            if (hashOf(m_slots[i]) == h && Traits::id(m_entries[placeOf(m_slots[i])]) == id)
                return {&m_entries[placeOf(m_slots[i])], false};
        m_slots[i] = slot(h, m_entries.size());
        m_entries.emplace_back();
        Traits::claim(m_entries.back(), id);
        return {&m_entries.back(), true};
    }
    void erase(Entry* e) {
        const size_t place = static_cast<size_t>(e - m_entries.data());
        freeSlot(slotOf(place));
        const size_t last = m_entries.size() - 1;
        if (place != last) {
            m_slots[slotOf(last)] = slot(Traits::hash(Traits::id(m_entries[last])), place);
            m_entries[place] = std::move(m_entries[last]);
        }
        m_entries.pop_back();
    }

private:
    static uint64_t slot(uint32_t h, size_t place) {
        return static_cast<uint64_t>(h) << 32 | static_cast<uint64_t>(place + 1);
    }
    static uint32_t hashOf(uint64_t s) { return static_cast<uint32_t>(s >> 32); }
    static size_t placeOf(uint64_t s) { return static_cast<size_t>((s & 0xffffffffu) - 1); }
    size_t mask() const { return m_slots.size() - 1; }
    size_t next(size_t i) const { return (i + 1) & mask(); }
    // The slot that holds the entry at `place`.
    size_t slotOf(size_t place) const {
        const uint32_t h = Traits::hash(Traits::id(m_entries[place]));
        size_t i = h & mask();
        while (placeOf(m_slots[i]) != place)
            i = next(i);
        return i;
    }
    void freeSlot(size_t hole) {
        for (size_t i = next(hole); m_slots[i] != 0; i = next(i)) {
            // The slot at i may move into the hole when its home is not in (hole, i].
            const size_t home = hashOf(m_slots[i]) & mask();
            const bool between = hole < i ? (home > hole && home <= i) : (home > hole || home <= i);
            if (!between) {
                m_slots[hole] = m_slots[i];
                hole = i;
            }
        }
        m_slots[hole] = 0;
    }
    void rehash(size_t size) {
        std::vector<uint64_t>(size, 0).swap(m_slots);
        for (size_t place = 0; place < m_entries.size(); ++place) {
            const uint32_t h = Traits::hash(Traits::id(m_entries[place]));
            size_t i = h & mask();
            while (m_slots[i] != 0)
                i = next(i);
            m_slots[i] = slot(h, place);
        }
    }
    std::vector<uint64_t> m_slots;
    std::vector<Entry> m_entries;
};
