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
    void clear() {
        m_byKey.clear();
        m_keyOf.clear();
    }

    // Files `n` under `key` with a tag (a further field the caller wants to see change),
    // moving it from the key it had. When the node had another key or tag, that key is
    // given to `left` (when not null) and the result is true.
    bool put(NodeT* n, const std::string& key, uint32_t tag = 0, std::string* left = nullptr) {
        auto it = m_keyOf.find(n);
        if (it != m_keyOf.end()) {
            if (it->second.key == key && it->second.tag == tag)
                return false;
            if (left)
                *left = it->second.key;
            if (it->second.key != key) {
                unfile(n, it->second.key);
                m_byKey[key].push_back(n);
            }
            it->second = {key, tag};
            return true;
        }
        m_keyOf.emplace(n, Filed{key, tag});
        m_byKey[key].push_back(n);
        return false;
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
    const std::vector<NodeT*>* find(const std::string& key) const {
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
        auto& v = bucket->second;
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == n) {
                v[i] = v.back();
                v.pop_back();
                break;
            }
        if (v.empty())
            m_byKey.erase(bucket);
    }

    std::unordered_map<std::string, std::vector<NodeT*>> m_byKey;
    std::unordered_map<NodeT*, Filed> m_keyOf;
};
