// list0<T>: the one container of the library. A doubly linked chain of heap nodes with a
// current element (through which records are read and written), one marked element, a
// 1-based position and two stable sorts whose order a derived class gives through Sortval.
// Records never move while their node exists: sorting relinks nodes only. Nodes are
// allocated in blocks.
#pragma once

#include "platform/CString.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <vector>

// A record's bytes copied in 32-byte pieces: a plain copy of a record of some hundred bytes
// becomes a string instruction, whose start-up costs more than the copy.
template <class T> void copyRecordBytes(T* to, const T* from) {
    constexpr std::size_t kPiece = 32;
    auto* d = reinterpret_cast<unsigned char*>(to);
    const auto* s = reinterpret_cast<const unsigned char*>(from);
#pragma GCC unroll 16
    for (std::size_t at = 0; at + kPiece <= sizeof(T); at += kPiece)
        std::memcpy(d + at, s + at, kPiece);
    constexpr std::size_t kRest = sizeof(T) % kPiece;
    if constexpr (kRest != 0)
        std::memcpy(d + sizeof(T) - kRest, s + sizeof(T) - kRest, kRest);
}

template <class T> class list0 {
    static_assert(std::is_trivially_copyable_v<T>, "list0 records are plain data");

protected:
    struct Node {
        Node* prev;
        Node* next;
        T rec;
        // Bookkeeping for positions and lookup indexes (not part of the node length).
        int32_t pos;     // position in the chain while m_posValid
        uint8_t live;    // in the chain
        uint8_t touched; // listed in m_touched since the last takeChanges
    };
    // The node as the chain sees it: two links and the record.
    struct ChainNode {
        Node* prev;
        Node* next;
        T rec;
    };

public:
    list0() : m_nodlen(static_cast<int32_t>((sizeof(ChainNode) + 3) / 4)) {}
    list0(const list0&) { throw "Internt fel (Initiering list0)"; }
    list0& operator=(const list0&) { throw "Internt fel (Tilldelning list0)"; }
    ~list0() {
        while (m_blocks) {
            Block* next = m_blocks->next;
            std::free(m_blocks);
            m_blocks = next;
        }
    }

    int Home() {
        if (!m_forst)
            return -1;
        m_aktel = m_forst;
        m_aktnr = 1;
        Set_pael();
        return 0;
    }

    int End() {
        if (!m_forst)
            return -1;
        m_aktel = m_sist;
        m_aktnr = m_antal;
        Set_pael();
        return 0;
    }

    list0* operator++(int) {
        if (!m_forst || !m_aktel || !m_aktel->next)
            return nullptr;
        m_aktel = m_aktel->next;
        ++m_aktnr;
        Set_pael();
        return this;
    }

    list0* operator--(int) {
        if (!m_forst || !m_aktel || !m_aktel->prev)
            return nullptr;
        m_aktel = m_aktel->prev;
        --m_aktnr;
        Set_pael();
        return this;
    }

    int Where(int* antal) const {
        if (antal)
            *antal = m_antal;
        return m_forst ? m_aktnr : -1;
    }

    T* Get_aktel() {
        Set_pael();
        return m_pael;
    }

    // Makes the node holding the record at address `rec` current (identity, not contents).
    int Set_aktel(T* rec) {
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos) {
            if (&n->rec == rec) {
                m_aktel = n;
                m_aktnr = pos;
                Set_pael();
                return 0;
            }
        }
        m_aktel = nullptr; // no current element: position 0
        m_aktnr = 0;
        Set_pael();
        return -1;
    }

    int Set_pael() {
        if (m_tracking && m_aktel && !m_aktel->touched) {
            m_aktel->touched = 1;
            m_touched.push_back(m_aktel);
        }
        m_pael = m_aktel ? &m_aktel->rec : nullptr;
        return m_aktel ? 0 : -1;
    }

    int Set_mark() {
        m_mark = m_aktel;
        m_pmark = m_pael;
        return 0;
    }

    int Goto_mark() {
        if (!m_mark)
            return -1;
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos) {
            if (n == m_mark) {
                m_aktel = n;
                m_aktnr = pos;
                Set_pael();
                return 0;
            }
        }
        m_aktel = m_forst;
        m_aktnr = m_forst ? 1 : 0;
        Set_pael();
        m_mark = nullptr;
        m_pmark = nullptr;
        return -1;
    }

    int Add() {
        Node* n = newNode();
        if (!n)
            throw "Minnesbrist (Class list0)";
        n->next = nullptr;
        n->prev = m_sist && m_forst ? m_sist : nullptr;
        if (!m_forst)
            m_forst = n;
        else
            m_sist->next = n;
        m_sist = n;
        int moved = m_forst == n ? 0 : m_antal + 1 - m_aktnr;
        ++m_antal;
        n->pos = m_antal;
        n->live = 1;
        n->touched = 0;
        m_aktel = n;
        m_aktnr = m_antal;
        Set_pael();
        return moved;
    }

    // Puts a new node before the current element. Without a current element (after a
    // failed Set_aktel) nothing is inserted and the result is -1.
    int Insert() {
        if (!m_forst)
            return Add();
        if (!m_aktel)
            return -1;
        Node* n = newNode();
        if (!n)
            throw "Minnebrist (Class list0)";
        n->next = m_aktel;
        n->prev = m_aktel->prev;
        if (m_aktel->prev)
            m_aktel->prev->next = n;
        else
            m_forst = n;
        m_aktel->prev = n;
        ++m_antal;
        n->live = 1;
        n->touched = 0;
        m_posValid = false;
        m_aktel = n;
        Set_pael();
        return 0;
    }

    int Ny(int mode, T* rec) {
        int r = mode == 1 ? Add() : Insert();
        if (r < 0)
            return r;
        copyRecordBytes(m_pael, rec ? rec : &m_noll);
        return 0;
    }

    // Removes the current element. Without a current element the result is -1.
    int Delete() {
        if (!m_forst || !m_aktel)
            return -1;
        Node* n = m_aktel;
        if (n == m_mark) {
            m_mark = nullptr;
            m_pmark = nullptr;
        }
        if (n->prev)
            n->prev->next = n->next;
        else
            m_forst = n->next;
        if (n->next)
            n->next->prev = n->prev;
        else
            m_sist = n->prev;
        if (n->next)
            m_posValid = false;
        n->live = 0;
        if (m_tracking) {
            n->touched = 0;
            m_dropped.push_back(n);
        }
        if (n->next) {
            m_aktel = n->next; // first or middle: the next takes the position
        } else {
            m_aktel = n->prev; // last: the previous one becomes current
            --m_aktnr;
        }
        freeNode(n);
        --m_antal;
        if (!m_forst) {
            m_forst = m_sist = m_aktel = nullptr;
            m_aktnr = 0;
            Set_pael();
            return -1;
        }
        Set_pael();
        return 0;
    }

    // Sorts the whole list by `key`. The order is the one of a stable selection by rank:
    // each pass ranks the first of the remaining elements that no later one precedes
    // (`Sortval` > 0 for the earlier current and the later marked). A merge of runs gives
    // that order in O(n log n): for an order whose equal keys give 0 it is the stable order,
    // for one whose equal keys give 1 the equal ones come out last first, as the passes
    // find them. The current and marked elements stay the same; m_aktnr follows the
    // current element to its new position.
    int Sortera(int key) {
        if (!m_forst || m_antal <= 0)
            return -1;
        if (m_antal == 1)
            return 0;
        Node* akt = m_aktel;
        Node* mark = m_mark;
        const long n = m_antal;
        SortBuffers buf;
        if (!buf.take(m_forst, n))
            throw "Minnebrist (Pek-Class list0)";
        if (static_cast<long>(buf.order.size()) != n) {
            m_felstr.Format("Sorteringfel ! %ld st av %ld", static_cast<long>(buf.order.size()), n);
            throw m_felstr;
        }
        if (!buf.reserveScratch())
            throw "Minnebrist (Sort-Class list0)";
        if (SortvalOrders(key))
            mergeRuns(buf, key);
        else
            selectionPasses(buf, key);
        m_aktel = akt;
        m_mark = mark;
        relink(buf.order);
        Set_pael();
        Sort_mark();
        return 0;
    }

    // Re-sorts the list by `key` into the order of a stable insertion: an element out of
    // order goes before the first element that belongs after it. That is the order of
    // Sortera; an ordered list costs one comparison per element. Afterwards, as after the
    // insertion, the last element of the former chain is marked and current is its
    // neighbour of the last comparison: the element now after it, or before it when it
    // stands last.
    int Omsortera(int key) {
        if (!m_forst || m_antal <= 0)
            return -1;
        if (m_antal == 1)
            return 0;
        SortBuffers buf;
        if (!buf.take(m_forst, m_antal) || !buf.reserveScratch())
            throw "Minnebrist (Sort-Class list0)";
        const long count = static_cast<long>(buf.order.size());
        if (!SortvalOrders(key)) {
            insertionInPlace(buf.order, key);
        } else {
            Node* last = buf.order.back();
            mergeRuns(buf, key);
            long at = 0;
            while (buf.order[at] != last)
                ++at;
            m_mark = last;
            m_aktel = at + 1 < count ? buf.order[at + 1] : buf.order[at - 1];
        }
        relink(buf.order);
        Set_pael();
        Sort_mark();
        if (count != m_antal) {
            m_felstr.Format("Fel i sortering\nAntal poster %ld\nSorterade %ld", (long)m_antal,
                            count);
            throw m_felstr;
        }
        return 0;
    }

protected:
    // For passes over long chains whose records do not fit the caches: asks for the node a
    // few places ahead of the walk to be brought in from memory while the walk works on
    // the current one. `step` once per node walked.
    class Prefetcher {
    public:
        Prefetcher(const Node* from, int distance) : m_ahead(from) {
            for (int i = 0; i < distance && m_ahead; ++i)
                m_ahead = m_ahead->next;
        }
        void step() {
            if (!m_ahead)
                return;
            const char* at = reinterpret_cast<const char*>(m_ahead);
            for (std::size_t line = 0; line < sizeof(Node); line += 64)
                __builtin_prefetch(at + line);
            m_ahead = m_ahead->next;
        }

    private:
        const Node* m_ahead;
    };

    // Compares m_pael with m_pmark for the order `key`: greater than 0 when m_pael belongs
    // after m_pmark. The base order never reorders anything.
    virtual int Sortval(int key) {
        (void)key;
        return 0;
    }

    // Whether Sortval(key) orders these records as keys do (a total order whose equal keys
    // always give 0 or always 1), so that the sorts may merge runs and still give the order of
    // the passes. A class whose keys can fail to be ordered (a chainage that is no number:
    // every comparison with it says "not after") answers false, and its lists are then
    // sorted by the passes themselves, comparison by comparison.
    virtual bool SortvalOrders(int key) {
        (void)key;
        return true;
    }

    int Sort_mark() {
        m_pmark = m_mark ? &m_mark->rec : nullptr;
        return m_mark ? 0 : -1;
    }

    // For lookup indexes of derived classes. Positions are numbered lazily: appending keeps
    // them, inserting or deleting inside the chain renumbers at the next positionOf.
    int positionOf(Node* n) {
        if (!m_posValid) {
            int pos = 1;
            for (Node* p = m_forst; p; p = p->next)
                p->pos = pos++;
            m_posValid = true;
        }
        return n->pos;
    }

    // Makes `n`, a node of the chain, current.
    void makeCurrent(Node* n) {
        m_aktel = n;
        m_aktnr = positionOf(n);
        Set_pael();
    }

    // The node holding the record at `address` when it is a node of this list, else null;
    // the address is only compared, never read, unless it is a node of one of the blocks.
    Node* nodeAt(uintptr_t address) const {
        for (const Block* b = m_blocks; b; b = b->next) {
            const uintptr_t first = reinterpret_cast<uintptr_t>(&b->nodes[0].rec);
            const uintptr_t end = first + static_cast<uintptr_t>(b->size) * sizeof(Node);
            if (address < first || address >= end || (address - first) % sizeof(Node) != 0)
                continue;
            Node* n = const_cast<Node*>(&b->nodes[(address - first) / sizeof(Node)]);
            const bool handedOut = b != m_blocks || n < &m_blocks->nodes[m_used];
            return handedOut && n->live ? n : nullptr;
        }
        return nullptr;
    }

    // Change tracking for an index: from now on every node that becomes current is listed
    // (its record may be written through m_pael), and every node deleted. takeChanges hands
    // both lists over and starts new ones; stopTracking forgets them.
    void startTracking() {
        m_tracking = true;
        m_touched.clear();
        m_dropped.clear();
        for (Node* p = m_forst; p; p = p->next)
            p->touched = 0;
    }
    void stopTracking() {
        m_tracking = false;
        for (Node* p : m_touched)
            p->touched = 0;
        m_touched.clear();
        m_dropped.clear();
    }
    bool tracking() const { return m_tracking; }
    template <class F, class G> void takeChanges(F dropped, G touched) {
        for (Node* p : m_dropped)
            dropped(p);
        m_dropped.clear();
        for (Node* p : m_touched)
            if (p->touched) {
                p->touched = 0;
                touched(p);
            }
        m_touched.clear();
        // The current and the marked node may be written through m_pael and m_pmark before
        // the next lookup: they stay listed.
        for (Node* p : {m_aktel, m_mark})
            if (p && p->live && !p->touched) {
                p->touched = 1;
                m_touched.push_back(p);
            }
    }

    Node* m_forst = nullptr;
    Node* m_sist = nullptr;
    Node* m_aktel = nullptr;
    Node* m_mark = nullptr;
    int32_t m_nodlen;
    int32_t m_antal = 0;
    int32_t m_aktnr = 0;
    CString m_felstr;
    T* m_pael = nullptr;
    T* m_pmark = nullptr;
    static const T m_noll;

private:
    // Nodes come from blocks of growing size; a deleted node goes to a free chain and is
    // used again. All blocks are released with the list.
    struct Block {
        Block* next;
        long size;
        Node nodes[1];
    };

    Node* newNode() {
        if (m_free) {
            Node* n = m_free;
            m_free = n->next;
            return n;
        }
        if (!m_blocks || m_used == m_blocks->size) {
            long size = m_blocks ? m_blocks->size * 2 : 8;
            if (size > 4096)
                size = 4096;
            void* mem = std::malloc(sizeof(Block) + static_cast<size_t>(size - 1) * sizeof(Node));
            if (!mem)
                return nullptr;
            Block* b = static_cast<Block*>(mem);
            b->next = m_blocks;
            b->size = size;
            m_blocks = b;
            m_used = 0;
        }
        return &m_blocks->nodes[m_used++];
    }

    void freeNode(Node* n) {
        n->next = m_free;
        m_free = n;
    }

    struct SortBuffers {
        std::vector<Node*> order;
        std::vector<Node*> scratch;
        // The chain in its present order (all of it, also when the count disagrees).
        bool take(Node* first, long expected) {
            try {
                order.reserve(static_cast<size_t>(expected));
                for (Node* p = first; p; p = p->next)
                    order.push_back(p);
            } catch (const std::bad_alloc&) {
                return false;
            }
            return true;
        }
        bool reserveScratch() {
            try {
                scratch.resize(order.size());
            } catch (const std::bad_alloc&) {
                return false;
            }
            return true;
        }
    };

    // Whether `a` belongs after `b` for `key`: a is made current and b marked, as Sortval
    // expects them.
    bool belongsAfter(Node* a, Node* b, int key) {
        m_aktel = a;
        m_pael = &a->rec;
        m_mark = b;
        m_pmark = &b->rec;
        return Sortval(key) > 0;
    }

    // Sorts buf.order: runs in order are found (or made up to 32 elements by binary
    // insertion), then neighbouring runs are merged, an element of the later run going
    // first only when the earlier one belongs after it. Every step keeps the order the
    // selection passes give, equal keys included.
    void mergeRuns(SortBuffers& buf, int key) {
        std::vector<Node*>& v = buf.order;
        const long n = static_cast<long>(v.size());
        constexpr long kMinRun = 32;
        std::vector<long> starts;
        long i = 0;
        while (i < n) {
            long end = i + 1;
            while (end < n && !belongsAfter(v[end - 1], v[end], key))
                ++end;
            long stop = std::min(n, i + kMinRun);
            for (; end < stop; ++end) {
                Node* x = v[end];
                long lo = i, hi = end;
                while (lo < hi) {
                    long mid = lo + (hi - lo) / 2;
                    if (belongsAfter(v[mid], x, key))
                        hi = mid;
                    else
                        lo = mid + 1;
                }
                for (long k = end; k > lo; --k)
                    v[k] = v[k - 1];
                v[lo] = x;
            }
            starts.push_back(i);
            i = end;
        }
        starts.push_back(n);
        std::vector<Node*>& tmp = buf.scratch;
        while (starts.size() > 2) {
            std::vector<long> next;
            size_t r = 0;
            for (; r + 2 < starts.size(); r += 2) {
                long a = starts[r], m = starts[r + 1], e = starts[r + 2];
                long x = a, y = m, o = a;
                // An ordered seam needs no merge.
                if (!belongsAfter(v[m - 1], v[m], key)) {
                    next.push_back(a);
                    continue;
                }
                while (x < m && y < e)
                    tmp[o++] = belongsAfter(v[x], v[y], key) ? v[y++] : v[x++];
                while (x < m)
                    tmp[o++] = v[x++];
                while (y < e)
                    tmp[o++] = v[y++];
                std::copy(tmp.begin() + a, tmp.begin() + e, v.begin() + a);
                next.push_back(a);
            }
            for (; r + 1 < starts.size(); ++r)
                next.push_back(starts[r]);
            next.push_back(n);
            starts.swap(next);
        }
    }

    // Sortera's passes: each ranks the first unranked element that no later unranked one
    // precedes (the best is current, the element looked at marked).
    void selectionPasses(SortBuffers& buf, int key) {
        std::vector<Node*>& v = buf.order;
        std::vector<char> ranked(v.size(), 0);
        std::size_t count = 0;
        for (;;) {
            long best = -1;
            for (std::size_t i = 0; i < v.size(); ++i)
                if (!ranked[i] &&
                    (best < 0 || belongsAfter(v[static_cast<std::size_t>(best)], v[i], key)))
                    best = static_cast<long>(i);
            if (best < 0)
                break;
            ranked[static_cast<std::size_t>(best)] = 1;
            buf.scratch[count++] = v[static_cast<std::size_t>(best)];
        }
        v.assign(buf.scratch.begin(), buf.scratch.begin() + static_cast<long>(count));
    }

    // Omsortera's insertion: an element that does not follow its predecessor in order goes
    // before the first element that belongs after it, and the predecessor is compared with
    // its new neighbour. Current and marked are left as the last comparison left them.
    void insertionInPlace(std::vector<Node*>& v, int key) {
        std::size_t p = 0;
        while (p + 1 < v.size()) {
            Node* q = v[p + 1];
            if (!belongsAfter(v[p], q, key)) {
                ++p;
                continue;
            }
            v.erase(v.begin() + static_cast<long>(p) + 1);
            std::size_t at = 0;
            while (at < v.size() && !belongsAfter(v[at], q, key))
                ++at;
            if (at == v.size()) {
                v.insert(v.begin() + static_cast<long>(p) + 1, q);
                relink(v);
                Set_pael();
                Sort_mark();
                throw "Internt sorteringsfel i Todbs::Sortera";
            }
            v.insert(v.begin() + static_cast<long>(at), q);
            if (at <= p)
                ++p;
        }
    }

    // Links the nodes in the order given; m_aktnr becomes the position of m_aktel.
    void relink(const std::vector<Node*>& order) {
        const size_t n = order.size();
        for (size_t r = 0; r < n; ++r) {
            order[r]->prev = r ? order[r - 1] : nullptr;
            order[r]->next = r + 1 < n ? order[r + 1] : nullptr;
            order[r]->pos = static_cast<int32_t>(r + 1);
            if (order[r] == m_aktel)
                m_aktnr = static_cast<int32_t>(r + 1);
        }
        m_forst = order.front();
        m_sist = order.back();
        m_posValid = static_cast<long>(n) == m_antal;
    }

    Block* m_blocks = nullptr;
    long m_used = 0;
    Node* m_free = nullptr;
    bool m_posValid = true;
    bool m_tracking = false;
    std::vector<Node*> m_touched;
    std::vector<Node*> m_dropped;
};

template <class T> const T list0<T>::m_noll{};
