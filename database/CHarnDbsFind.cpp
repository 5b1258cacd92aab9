// The searches of the project database and the choice of file names. Each search gives
// the element the walk from the first one would find (the first match in list order,
// the type filter included), through indexes by id, by slot offset and by file name that
// follow every change of the list: the list reports each element deleted and each one that
// became current (its record may have been written through m_pael since), and a lookup
// files those anew first. Changes not made through the current record (reading, packing)
// drop the indexes; the first search after that walks, the second builds its index.
#include "database/CHarnDbs.h"

#include "list/Utilities.h"

#include <cstring>

namespace {

std::string_view idKey(const dbstype& r) {
    return {r.id, strnlen(r.id, sizeof r.id)};
}

// The bytes of a slot offset, as the key of the slot index (`filpos` must outlive the key).
std::string_view filposKey(const long& filpos) {
    return {reinterpret_cast<const char*>(&filpos), sizeof filpos};
}

std::string_view nameKey(const dbstype& r) {
    return {r.filnamn, strnlen(r.filnamn, sizeof r.filnamn)};
}

// The character a file name may hold for one upper-cased id character.
char nameChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '-')
        return static_cast<char>(c);
    if (c == 197 || c == 196) // Å, Ä
        return 'A';
    if (c == 214) // Ö
        return 'O';
    if (c == '.' || c == '/' || c == '\\' || c == ':' || c == '+')
        return '-';
    return '_';
}

// Filnamn's numbered names have a stem of at most 7 characters.
constexpr size_t kLongestStem = 7;

// The key of the numbered names `stem` (at most kLongestStem characters, none of them 0)
// followed by `digits` digits: the characters and the digit count in one number.
uint64_t stemKey(const char* stem, size_t length, int digits) {
    uint64_t key = 0;
    for (size_t i = 0; i < length; ++i)
        key = key << 8 | static_cast<unsigned char>(stem[i]);
    return key << 4 | static_cast<uint64_t>(digits);
}

// When `name` is `stem` followed by a number of `digits` digits as Filnamn writes it: that
// number, else -1.
long numberAfter(const std::string& name, const std::string& stem, int digits) {
    if (name.size() != stem.size() + static_cast<size_t>(digits) ||
        name.compare(0, stem.size(), stem) != 0 || name[stem.size()] == '0')
        return -1;
    long number = 0;
    for (size_t i = stem.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

} // namespace

void CHarnDbs::DropIndexes() {
    for (auto& index : m_index)
        index.clear();
    for (bool& built : m_built)
        built = false;
    for (int& walks : m_walks)
        walks = 0;
    m_nameFrom.clear();
    stopTracking();
}

void CHarnDbs::FileNode(int which, Node* n) {
    const dbstype& r = n->rec;
    if (which == kById) {
        m_index[kById].put(n, idKey(r));
    } else if (which == kByFilpos) {
        const long filpos = r.filpos;
        m_index[kByFilpos].put(n, filposKey(filpos));
    } else {
        std::string left;
        if (m_index[kByName].put(n, nameKey(r), r.typ, &left))
            NameFreed(left);
    }
}

void CHarnDbs::NameFreed(const std::string& name) {
    // Every reading of the name as a stem and a number: those numbers may be free again.
    for (int digits = 1; digits <= 8 && static_cast<size_t>(digits) <= name.size(); ++digits) {
        const std::string stem = name.substr(0, name.size() - static_cast<size_t>(digits));
        if (stem.size() <= kLongestStem && numberAfter(name, stem, digits) >= 0)
            m_nameFrom.erase(stemKey(stem.data(), stem.size(), digits));
    }
}

bool CHarnDbs::UseIndex(int which, bool buildAtOnce) {
    if (!m_built[which]) {
        if (!buildAtOnce && m_walks[which]++ == 0)
            return false;
        if (!tracking())
            startTracking();
        else
            SyncIndexes(); // the others catch up before this one starts from the chain
        m_index[which].reserve(static_cast<size_t>(m_antal));
        for (Node* n = m_forst; n; n = n->next)
            FileNode(which, n);
        m_built[which] = true;
        return true;
    }
    SyncIndexes();
    return true;
}

void CHarnDbs::SyncIndexes() {
    takeChanges(
        [this](Node* n) {
            for (int which = 0; which < kIndexes; ++which) {
                if (!m_built[which])
                    continue;
                std::string left;
                if (m_index[which].drop(n, &left) && which == kByName)
                    NameFreed(left);
            }
        },
        [this](Node* n) {
            for (int which = 0; which < kIndexes; ++which)
                if (m_built[which])
                    FileNode(which, n);
        });
}

CHarnDbs::Node* CHarnDbs::FirstOf(int which, std::string_view key, int typ) {
    const auto* nodes = m_index[which].find(key);
    if (!nodes)
        return nullptr;
    Node* best = nullptr;
    for (Node* n : *nodes)
        if ((typ == 0 || n->rec.typ == typ) && (!best || positionOf(n) < positionOf(best)))
            best = n;
    return best;
}

template <class Match>
int CHarnDbs::FindFirst(int which, std::string_view key, int typ, Match matches) {
    if (UseIndex(which, false)) {
        Node* n = FirstOf(which, key, typ);
        if (!n)
            return -1;
        makeCurrent(n);
        return 0;
    }
    int pos = 1;
    for (Node* n = m_forst; n; n = n->next, ++pos) {
        if ((typ == 0 || n->rec.typ == typ) && matches(n->rec)) {
            m_aktel = n;
            m_aktnr = pos;
            Set_pael();
            return 0;
        }
    }
    return -1;
}

int CHarnDbs::Findid(int typ, char* id) {
    if (typ > 8 || typ < 0)
        return -1;
    UpperCaseSwedish(id);
    if (std::strlen(id) >= sizeof(dbstype::id))
        return -1;
    return FindFirst(kById, id, typ,
                     [id](const dbstype& r) { return std::strncmp(r.id, id, sizeof r.id) == 0; });
}

int CHarnDbs::Findobj(int typ, long filpos) {
    if (typ > 8 || typ < 0)
        return -1;
    return FindFirst(kByFilpos, filposKey(filpos), typ,
                     [filpos](const dbstype& r) { return r.filpos == filpos; });
}

int CHarnDbs::FindNuel(unsigned long address) {
    Set_mark();
    if (Where(nullptr) >= 0) {
        if (Node* n = nodeAt(address)) {
            makeCurrent(n);
            return 0;
        }
    }
    Goto_mark();
    return -1;
}

bool CHarnDbs::FilnamnClash(const char* candidate) {
    const dbstype* self = m_pael;
    const auto* nodes = m_index[kByName].find(candidate);
    if (!nodes)
        return false;
    for (const Node* n : *nodes) {
        if (&n->rec == self)
            continue;
        if (self && self->typ != 0 && n->rec.typ != self->typ)
            continue;
        return true;
    }
    return false;
}

int CHarnDbs::Filnamn() {
    if (!m_pael)
        return -1;
    UseIndex(kByName, true);
    char name[9] = {};
    std::memcpy(name, m_pael->id, 8);
    UpperCaseSwedish(name);
    for (char* c = name; *c; ++c)
        *c = nameChar(static_cast<unsigned char>(*c));
    char candidate[16];
    std::strcpy(candidate, name);
    bool found = !FilnamnClash(candidate);
    const std::string own(nameKey(*m_pael));
    const char filter = static_cast<char>(m_pael->typ);
    long low = 1;
    for (int k = 1; k <= 8 && !found; ++k, low *= 10) {
        int pos = static_cast<int>(std::strlen(candidate));
        if (8 - k < pos)
            pos = 8 - k;
        char base[16];
        std::memcpy(base, candidate, pos);
        base[pos] = 0;
        // The candidate `base` followed by `number`, which has k digits.
        auto numbered = [&](long number) {
            std::memcpy(candidate, base, static_cast<size_t>(pos));
            for (int d = k - 1; d >= 0; --d, number /= 10)
                candidate[pos + d] = static_cast<char>('0' + number % 10);
            candidate[pos + k] = 0;
        };
        // The numbers below a remembered one were taken by other records when it was
        // found, and none of these names has been freed since; only this record's own name
        // among them may be free for it.
        auto& numbers = m_nameFrom[stemKey(base, static_cast<size_t>(pos), k)];
        long* remembered = nullptr;
        for (auto& [typ, number] : numbers)
            if (typ == filter)
                remembered = &number;
        long from = remembered ? *remembered : low;
        const long mine = numberAfter(own, base, k);
        if (mine >= low && mine < from)
            from = mine;
        long number = from;
        for (; number < low * 10; ++number) {
            numbered(number);
            if (!FilnamnClash(candidate)) {
                found = true;
                break;
            }
        }
        if (!found) // the last name tried is the one the next, shorter stem is cut from
            numbered(low * 10 - 1);
        if (remembered)
            *remembered = number;
        else
            numbers.emplace_back(filter, number);
    }
    if (!found)
        return -1;
    // At most 8 characters: the plain name is cut at 8, a numbered one has room for its digits.
    std::memcpy(m_pael->filnamn, candidate, std::strlen(candidate) + 1);
    return 0;
}
