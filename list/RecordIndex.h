// An index from a key of a list's records to the nodes that hold it, kept by the list's
// change tracking (list0::takeChanges). Lookups give every node with the key; the caller
// picks by its own rules (type filter, first in list order).
//
// Keys are short byte strings (at most kMaxKey bytes: an id, a file name, a slot offset).
// Both directions are hash tables of fixed entries in one array each (DenseTable): a lookup
// touches a few cache lines however large the list, and a record costs no heap block of
// its own (only a key held by several nodes keeps their list in a vector).
#pragma once

#include "list/AddressHash.h"
#include "list/DenseTable.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

template <class NodeT> class RecordIndex {
public:
    static constexpr size_t kMaxKey = 16;

    // The nodes of one key: most keys have one, held without a heap block of its own.
    class Nodes {
    public:
        NodeT* const* begin() const { return m_more ? m_more->data() : &m_one; }
        NodeT* const* end() const {
            return m_more ? m_more->data() + m_more->size() : &m_one + (m_one ? 1 : 0);
        }
        bool empty() const { return !m_one && !m_more; }
        void add(NodeT* n) {
            if (!m_more && !m_one) {
                m_one = n;
            } else if (!m_more) {
                m_more = std::make_unique<std::vector<NodeT*>>(std::vector<NodeT*>{m_one, n});
                m_one = nullptr;
            } else {
                m_more->push_back(n);
            }
        }
        void remove(NodeT* n) {
            if (!m_more) {
                if (m_one == n)
                    m_one = nullptr;
                return;
            }
            std::vector<NodeT*>& more = *m_more;
            for (size_t i = 0; i < more.size(); ++i)
                if (more[i] == n) {
                    more[i] = more.back();
                    more.pop_back();
                    break;
                }
            if (more.size() == 1) {
                m_one = more[0];
                m_more.reset();
            }
        }

    private:
        NodeT* m_one = nullptr;                      // the only node, while m_more is null
        std::unique_ptr<std::vector<NodeT*>> m_more; // all of them, when there are two or more
    };

    void clear() {
        m_byKey.clear();
        m_keyOf.clear();
    }

    // Files `n` under `key` with a tag (a further field the caller wants to see change),
    // moving it from the key it had. When the node had another key or tag, that key is
    // given to `left` (when not null) and the result is true.
    bool put(NodeT* n, std::string_view keyText, uint32_t tag = 0, std::string* left = nullptr) {
        const Key key(keyText);
        auto [entry, fresh] = m_keyOf.findOrAdd(n);
        Filed& filed = *entry;
        if (fresh) {
            filed.key = key;
            filed.tag = tag;
            m_byKey.findOrAdd(key).first->nodes.add(n);
            return false;
        }
        if (filed.key == key && filed.tag == tag)
            return false;
        if (left)
            *left = std::string(filed.key.view());
        const Key old = filed.key;
        filed.key = key;
        filed.tag = tag;
        if (!(old == key)) {
            // Only the other table changes below: `filed` stays where it is.
            unfile(n, old);
            m_byKey.findOrAdd(key).first->nodes.add(n);
        }
        return true;
    }

    // Takes `n` out; its key goes to `left` (when not null) and the result is true.
    bool drop(NodeT* n, std::string* left = nullptr) {
        Filed* filed = m_keyOf.find(n);
        if (!filed)
            return false;
        const Key key = filed->key;
        if (left)
            *left = std::string(key.view());
        m_keyOf.erase(filed);
        unfile(n, key);
        return true;
    }

    // The nodes filed under `key`, in no particular order; null when there are none.
    const Nodes* find(std::string_view keyText) const {
        if (keyText.size() > kMaxKey)
            return nullptr;
        const Bucket* bucket = m_byKey.find(Key(keyText));
        return bucket && !bucket->nodes.empty() ? &bucket->nodes : nullptr;
    }

    void reserve(size_t n) {
        m_byKey.reserve(n);
        m_keyOf.reserve(n);
    }

private:
    // A key zero-padded to kMaxKey bytes, with its length (keys may hold zero bytes).
    struct Key {
        uint64_t word[2] = {0, 0};
        uint8_t length = 0;

        Key() = default;
        explicit Key(std::string_view text) {
            length = static_cast<uint8_t>(text.size() < kMaxKey ? text.size() : kMaxKey);
            std::memcpy(word, text.data(), length);
        }
        std::string_view view() const { return {reinterpret_cast<const char*>(word), length}; }
        bool operator==(const Key& o) const {
            return word[0] == o.word[0] && word[1] == o.word[1] && length == o.length;
        }
        uint32_t hash() const {
            return static_cast<uint32_t>(mix(word[0] ^ mix(word[1] + length)));
        }
    };

    static size_t mix(uint64_t x) {
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        x *= 0xc4ceb9fe1a85ec53ULL;
        x ^= x >> 33;
        return static_cast<size_t>(x);
    }

    struct Bucket {
        Key key;
        Nodes nodes;
    };

    struct Filed {
        NodeT* node = nullptr;
        Key key;
        uint32_t tag = 0;
    };

    struct BucketTraits {
        static const Key& id(const Bucket& b) { return b.key; }
        static uint32_t hash(const Key& k) { return k.hash(); }
        static void claim(Bucket& b, const Key& k) { b.key = k; }
    };
    struct FiledTraits {
        static NodeT* id(const Filed& f) { return f.node; }
        static uint32_t hash(NodeT* n) { return static_cast<uint32_t>(addressHash(n)); }
        static void claim(Filed& f, NodeT* n) { f.node = n; }
    };

    void unfile(NodeT* n, const Key& key) {
        Bucket* bucket = m_byKey.find(key);
        if (!bucket)
            return;
        bucket->nodes.remove(n);
        if (bucket->nodes.empty())
            m_byKey.erase(bucket);
    }

    DenseTable<Bucket, Key, BucketTraits> m_byKey;
    DenseTable<Filed, NodeT*, FiledTraits> m_keyOf;
};
