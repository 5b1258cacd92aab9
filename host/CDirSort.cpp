#include "host/CDirSort.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Windows wildcard match without regard to case; "*.*" matches every name.
bool matches(const char* mask, const char* name) {
    if (std::string(mask) == "*.*" || std::string(mask) == "*")
        return true;
    if (*mask == 0)
        return *name == 0;
    if (*mask == '*')
        return matches(mask + 1, name) || (*name && matches(mask, name + 1));
    if (*name == 0)
        return false;
    if (*mask == '?' || platform::foldCase(static_cast<unsigned char>(*mask)) ==
                            platform::foldCase(static_cast<unsigned char>(*name)))
        return matches(mask + 1, name + 1);
    return false;
}

int compareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = platform::foldCase(static_cast<unsigned char>(*a));
        int cb = platform::foldCase(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

} // namespace

int CDirSort::Init(const char* pattern, int files, int folders, int descending, int) {
    std::string p = pattern ? pattern : "";
    size_t slash = p.find_last_of('\\');
    std::string folder = slash == std::string::npos ? "." : p.substr(0, slash);
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    if (mask.empty())
        mask = "*.*";
    // A second Init lists afresh.
    while (Home() == 0)
        Delete();
    if (!platform::isDirectory(folder.c_str()))
        return -1;
    m_descending = descending;
    std::vector<platform::DirEntry> entries;
    for (platform::DirEntry& e : platform::listDirectory(folder.c_str())) {
        if (e.isDirectory ? !folders : !files)
            continue;
        if (matches(mask.c_str(), e.name.c_str()))
            entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        int c = compareNoCase(a.name.c_str(), b.name.c_str());
        return descending ? c > 0 : c < 0;
    });
    for (const platform::DirEntry& e : entries) {
        Ny(1, nullptr);
        std::snprintf(m_pael->namn, sizeof m_pael->namn, "%s", e.name.c_str());
        m_pael->katalog = e.isDirectory ? 1 : 0;
        m_pael->storlek = e.size;
    }
    int antal = 0;
    Where(&antal);
    Home();
    return antal;
}

int CDirSort::Sortval(int) {
    int c = compareNoCase(m_pael->namn, m_pmark->namn);
    return m_descending ? -c : c;
}
