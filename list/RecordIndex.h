// An index from a key of a list's records to the nodes that hold it, kept by the list's
// change tracking (list0::takeChanges). Lookups give every node with the key; the caller
// picks by its own rules (type filter, first in list order).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

template <class NodeT> class RecordIndex {
public:
    // The nodes of one key: most keys have one, held without a heap block of its own.
    class Nodes {
    public:
        NodeT* const* begin() const { return m_more.empty() ? &m_one : m_more.data(); }
        NodeT* const* end() const {
            return m_more.empty() ? &m_one + (m_one ? 1 : 0) : m_more.data() + m_more.size();
        }
        bool empty() const { return !m_one && m_more.empty(); }
        void add(NodeT* n) {
            if (m_more.empty() && !m_one) {
                m_one = n;
            } else if (m_more.empty()) {
                m_more = {m_one, n};
                m_one = nullptr;
            } else {
                m_more.push_back(n);
            }
        }
        void remove(NodeT* n) {
            if (m_more.empty()) {
                if (m_one == n)
                    m_one = nullptr;
                return;
            }
            for (size_t i = 0; i < m_more.size(); ++i)
                if (m_more[i] == n) {
                    m_more[i] = m_more.back();
                    m_more.pop_back();
                    break;
                }
            if (m_more.size() == 1) {
                m_one = m_more[0];
                m_more.clear();
            }
        }

    private:
        NodeT* m_one = nullptr;     // the only node, while m_more is empty
        std::vector<NodeT*> m_more; // all of them, when there are two or more
    };

    void clear() {
        m_byKey.clear();
        m_keyOf.clear();
    }

    // Files `n` under `key` with a tag (a further field the caller wants to see change),
    // moving it from the key it had. When the node had another key or tag, that key is
    // given to `left` (when not null) and the result is true.
    bool put(NodeT* n, const std::string& key, uint32_t tag = 0, std::string* left = nullptr) {
        auto [it, fresh] = m_keyOf.try_emplace(n, Filed{key, tag});
        if (fresh) {
            m_byKey[key].add(n);
            return false;
        }
        if (it->second.key == key && it->second.tag == tag)
            return false;
        if (left)
            *left = it->second.key;
        if (it->second.key != key) {
            unfile(n, it->second.key);
            m_byKey[key].add(n);
        }
        it->second = {key, tag};
        return true;
    }

    // Takes `n` out; its key goes to `left` (when not null) and the result is true.
    bool drop(NodeT* n, std::string* left = nullptr) {
        auto it = m_keyOf.find(n);
        if (it == m_keyOf.end())
            return false;
        if (left)
            *left = it->second.key;
        unfile(n, it->second.key);
        m_keyOf.erase(it);
        return true;
    }

    // The nodes filed under `key`, in no particular order; null when there are none.
    const Nodes* find(const std::string& key) const {
        auto it = m_byKey.find(key);
        return it == m_byKey.end() || it->second.empty() ? nullptr : &it->second;
    }

    void reserve(size_t n) {
        m_byKey.reserve(n);
        m_keyOf.reserve(n);
    }

private:
    struct Filed {
        std::string key;
        uint32_t tag;
    };

    void unfile(NodeT* n, const std::string& key) {
        auto bucket = m_byKey.find(key);
        if (bucket == m_byKey.end())
            return;
        bucket->second.remove(n);
        if (bucket->second.empty())
            m_byKey.erase(bucket);
    }

    std::unordered_map<std::string, Nodes> m_byKey;
    std::unordered_map<NodeT*, Filed> m_keyOf;
};
