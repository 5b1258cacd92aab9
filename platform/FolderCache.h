// The names in each folder, read once and kept, so that mapping a Windows-form path that is
// missing or written in another case costs a lookup per component instead of a folder read
// per component.
//
// A path that exists as written is found with one lstat, without the folders' names (they are
// read only for a path that does not). When a component is missing or found in another case,
// the folders concerned (every folder on the way, when one of them is gone) are checked
// against the system before the answer stands: a folder whose change time or identity
// differs is read again, as is one changed within a second before it was read (on a file
// system with coarse times, a later change in the same tick may leave the time as it was).
// So names created, removed or renamed by another program are seen. Changes made through
// the platform layer drop the folder's names at once. Internal to platform/.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

class FolderListing;

class FolderCache {
public:
    static FolderCache& instance();
    FolderCache();
    ~FolderCache();

    // The POSIX path of an absolute Windows-form path without "." or ".." components
    // (`components`: the names between separators, CP1252, none empty).
    std::string map(const std::vector<std::string_view>& components);

    // This program created, removed or renamed the entry `posixPath`: its folder's names
    // (and its own, when it is a folder) are read again when next needed.
    void changed(const std::string& posixPath);

    // Folders whose names are held (for tests of the cache itself).
    size_t folders() const;
    // Drops every folder's names.
    void clear();

private:
    struct Result {
        std::string path;
        bool allFound = true;
        bool exact = true;  // every component found with the name as given
        bool stale = false; // a folder checked on the way is gone: check them all
    };
    enum class Check {
        Needed, // the folders of a name missing or in another case, and of the last name
        All,    // every folder on the way
    };
    Result resolve(const std::vector<std::string_view>& components, Check check);
    // The names of `folder` (a POSIX path), read when not held or, with `verify`, when the
    // folder changed; null when it cannot be read.
    FolderListing* listing(const std::string& folder, bool verify);

    mutable std::mutex m_mutex;
    std::unordered_map<std::string, std::unique_ptr<FolderListing>> m_folders;
};

} // namespace platform
