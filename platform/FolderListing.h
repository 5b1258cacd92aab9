// The names of one folder as read from the system, with a lookup by exact name and one
// without regard to case (Windows rules on the CP1252 form of each name), and what is needed
// to tell later whether the folder has changed since.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace platform {

class FolderListing {
public:
    // Reads the names of `folder` (a POSIX path), whose stat (taken before reading) is
    // `st`; false when it cannot be read.
    bool read(const std::string& folder, const struct stat& st);

    // The entry named `utf8` exactly; otherwise the first one, in the order the system gave
    // them, whose CP1252 name equals `cp1252` without regard to case; empty when none.
    std::string_view find(std::string_view cp1252, std::string_view utf8) const;

    // True when a folder whose stat is `st` can be taken to hold these names still: the same
    // folder, not changed since (its change time, which also moves when a program sets its
    // modification time back), and the names not read within a second of that change (on a
    // file system with coarse times, a later change in the same tick leaves the time as it
    // was).
    bool current(const struct stat& st) const;

    size_t size() const { return m_name.size(); }

private:
    std::string_view at(uint32_t offset) const;
    void index();

    // Each entry's name (UTF-8, as on disk) and its folded CP1252 name, each ended by NUL.
    std::string m_chars;
    std::vector<uint32_t> m_name;   // offset of each entry's name in m_chars
    std::vector<uint32_t> m_folded; // offset of each entry's folded name
    // Open-addressing tables of entry index + 1 (0 empty), sized a power of two.
    std::vector<uint32_t> m_byName;
    std::vector<uint32_t> m_byFolded; // only the first entry of each folded name
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    struct timespec m_ctime {}; // the folder's last change (its names, or times set by hand)
    bool m_racy = true;
};

} // namespace platform
