// list0<T>: the one container of the library. A doubly linked chain of heap nodes with a
// current element (through which records are read and written), one marked element, a
// 1-based position and two stable sorts whose order a derived class gives through Sortval.
// Records never move while their node exists: sorting relinks nodes only.
#pragma once

#include "platform/CString.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <class T> class list0 {
    static_assert(std::is_trivially_copyable_v<T>, "list0 records are plain data");

protected:
    struct Node {
        Node* prev;
        Node* next;
        T rec;
    };

public:
    list0() : m_nodlen(static_cast<int32_t>((sizeof(Node) + 3) / 4)) {}
    list0(const list0&) { throw "Internt fel (Initiering list0)"; }
    list0& operator=(const list0&) { throw "Internt fel (Tilldelning list0)"; }
    ~list0() {
        Node* n = m_forst;
        while (n) {
            Node* next = n->next;
            std::free(n);
            n = next;
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
        Node* n = static_cast<Node*>(std::malloc(sizeof(Node)));
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
        Node* n = static_cast<Node*>(std::malloc(sizeof(Node)));
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
        m_aktel = n;
        Set_pael();
        return 0;
    }

    int Ny(int mode, T* rec) {
        int r = mode == 1 ? Add() : Insert();
        if (r < 0)
            return r;
        std::memcpy(static_cast<void*>(m_pael), rec ? static_cast<const void*>(rec) : &m_noll,
                    sizeof(T));
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
        if (n->next) {
            m_aktel = n->next; // first or middle: the next takes the position
        } else {
            m_aktel = n->prev; // last: the previous one becomes current
            --m_aktnr;
        }
        std::free(n);
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

    // Stable selection by rank, then relinking. The current and marked elements stay the
    // same; m_aktnr follows the current element to its new position.
    int Sortera(int key) {
        if (!m_forst || m_antal <= 0)
            return -1;
        if (m_antal == 1)
            return 0;
        Node* akt = m_aktel;
        Node* mark = m_mark;
        const long n = m_antal;
        Node** pek = new (std::nothrow) Node*[n + 1];
        if (!pek)
            throw "Minnebrist (Pek-Class list0)";
        long* rank = new (std::nothrow) long[n + 1];
        if (!rank) {
            delete[] pek;
            throw "Minnebrist (Sort-Class list0)";
        }
        rank[0] = 0;
        Node* walk = m_forst;
        for (long i = 1; i <= n; ++i) {
            pek[i] = walk;
            rank[i] = 0;
            if (walk)
                walk = walk->next;
        }
        for (;;) {
            long best = 0;
            for (long i = 1; i <= n; ++i) {
                if (!pek[i] || rank[i] != 0)
                    continue;
                if (best == 0) {
                    best = i;
                    continue;
                }
                m_mark = pek[i];
                Sort_mark();
                m_aktel = pek[best];
                Set_pael();
                if (Sortval(key) > 0)
                    best = i;
            }
            if (best == 0)
                break;
            rank[best] = ++rank[0];
        }
        if (rank[0] != n) {
            long ranked = rank[0];
            delete[] rank;
            delete[] pek;
            m_aktel = akt;
            Set_pael();
            m_mark = mark;
            Sort_mark();
            m_felstr.Format("Sorteringfel ! %ld st av %ld", ranked, n);
            throw m_felstr;
        }
        Node** order = new (std::nothrow) Node*[n + 2];
        if (!order) {
            delete[] rank;
            delete[] pek;
            throw "Minnebrist (Sort-Class list0)";
        }
        order[0] = order[n + 1] = nullptr;
        for (long i = 1; i <= n; ++i)
            order[rank[i]] = pek[i];
        for (long r = 1; r <= n; ++r) {
            order[r]->prev = order[r - 1];
            order[r]->next = order[r + 1];
        }
        m_forst = order[1];
        m_sist = order[n];
        delete[] order;
        delete[] rank;
        delete[] pek;
        m_aktel = akt;
        Set_pael();
        m_mark = mark;
        Sort_mark();
        refreshPosition();
        return 0;
    }

    // Stable insertion in place; cheap when the list is nearly in order. Afterwards the
    // current element and the mark are wherever the sort left them.
    int Omsortera(int key) {
        if (!m_forst || m_antal <= 0)
            return -1;
        if (m_antal == 1)
            return 0;
        long count = 1;
        Node* p = m_forst;
        while (p->next) {
            Node* q = p->next;
            m_aktel = p;
            Set_pael();
            m_mark = q;
            Sort_mark();
            if (Sortval(key) <= 0) {
                p = q;
                ++count;
                continue;
            }
            p->next = q->next;
            if (q->next)
                q->next->prev = p;
            else
                m_sist = p;
            Node* r = m_forst;
            for (; r; r = r->next) {
                m_aktel = r;
                Set_pael();
                if (Sortval(key) > 0)
                    break;
            }
            if (!r) {
                // Put q back where it was before reporting.
                q->prev = p;
                q->next = p->next;
                if (p->next)
                    p->next->prev = q;
                else
                    m_sist = q;
                p->next = q;
                throw "Internt sorteringsfel i Todbs::Sortera";
            }
            q->prev = r->prev;
            q->next = r;
            if (r->prev)
                r->prev->next = q;
            else
                m_forst = q;
            r->prev = q;
            ++count;
        }
        if (count != m_antal) {
            m_felstr.Format("Fel i sortering\nAntal poster %ld\nSorterade %ld", (long)m_antal,
                            count);
            throw m_felstr;
        }
        refreshPosition();
        return 0;
    }

protected:
    // Compares m_pael with m_pmark for the order `key`: greater than 0 when m_pael belongs
    // after m_pmark. The base order never reorders anything.
    virtual int Sortval(int key) {
        (void)key;
        return 0;
    }

    int Sort_mark() {
        m_pmark = m_mark ? &m_mark->rec : nullptr;
        return m_mark ? 0 : -1;
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
    void refreshPosition() {
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos)
            if (n == m_aktel) {
                m_aktnr = pos;
                return;
            }
    }
};

template <class T> const T list0<T>::m_noll{};
