#include "platform/FolderListing.h"

#include "platform/Encoding.h"

#include <cstring>
#include <ctime>
#include <dirent.h>
#include <functional>

namespace platform {
namespace {

size_t hashOf(std::string_view s) {
    return std::hash<std::string_view>{}(s);
}

std::string folded(std::string_view cp1252) {
    std::string out(cp1252);
    for (char& c : out)
        c = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
    return out;
}

int64_t nanoseconds(const struct timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

bool FolderListing::read(const std::string& folder, const struct stat& st) {
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return false;
    m_chars.clear();
    m_name.clear();
    m_folded.clear();
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        m_name.push_back(static_cast<uint32_t>(m_chars.size()));
        m_chars.append(e->d_name).push_back('\0');
        m_folded.push_back(static_cast<uint32_t>(m_chars.size()));
        m_chars.append(folded(utf8ToCp1252(e->d_name))).push_back('\0');
    }
    ::closedir(d);
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    m_ctime = st.st_ctim;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    m_racy = nanoseconds(now) - nanoseconds(m_ctime) < 1000000000;
    index();
    return true;
}

std::string_view FolderListing::at(uint32_t offset) const {
    return std::string_view(m_chars.data() + offset);
}

void FolderListing::index() {
    size_t slots = 16;
    while (slots < 2 * m_name.size())
        slots *= 2;
    m_byName.assign(slots, 0);
    m_byFolded.assign(slots, 0);
    for (uint32_t i = 0; i < m_name.size(); ++i) {
        size_t h = hashOf(at(m_name[i])) & (slots - 1);
        while (m_byName[h] != 0)
            h = (h + 1) & (slots - 1);
        m_byName[h] = i + 1;
        const std::string_view key = at(m_folded[i]);
        h = hashOf(key) & (slots - 1);
        while (m_byFolded[h] != 0 && at(m_folded[m_byFolded[h] - 1]) != key)
            h = (h + 1) & (slots - 1);
        if (m_byFolded[h] == 0)
            m_byFolded[h] = i + 1;
    }
}

std::string_view FolderListing::find(std::string_view cp1252, std::string_view utf8) const {
    if (m_byName.empty())
        return {};
    const size_t mask = m_byName.size() - 1;
    // A name holding NUL cannot be on disk; it would also end the stored names early.
    if (utf8.find('\0') != std::string_view::npos)
        return {};
    for (size_t h = hashOf(utf8) & mask; m_byName[h] != 0; h = (h + 1) & mask)
        if (at(m_name[m_byName[h] - 1]) == utf8)
            return at(m_name[m_byName[h] - 1]);
    const std::string key = folded(cp1252);
    for (size_t h = hashOf(key) & mask; m_byFolded[h] != 0; h = (h + 1) & mask)
        if (at(m_folded[m_byFolded[h] - 1]) == key)
            return at(m_name[m_byFolded[h] - 1]);
    return {};
}

bool FolderListing::current(const struct stat& st) const {
    return !m_racy && st.st_dev == m_dev && st.st_ino == m_ino &&
           st.st_ctim.tv_sec == m_ctime.tv_sec && st.st_ctim.tv_nsec == m_ctime.tv_nsec;
}

} // namespace platform
