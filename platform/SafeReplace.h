// The one way the library and the tool replace a file. The new contents go to a temporary
// file with a unique name in the target's folder; `commit` flushes and fsyncs it, renames it
// over the target in one step and fsyncs the folder. A failure at any step, or an object
// destroyed without a commit, removes the temporary file and leaves the target as it was,
// so a reader sees either the old file or the new one, complete.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

class SafeReplace {
public:
    // The step that failed, for callers that tell the user which one.
    enum class Failure {
        None,
        Create,    // the temporary file could not be created
        Protected, // what stands at the target may not be replaced: a file this program may
                   // not write, or no file at all (a device, a pipe)
        Write,     // writing, flushing, closing or syncing it failed
        Replace,   // it could not be put in the target's place (e.g. a folder stands there)
    };

    // `target` is a Windows-form path (CP1252), like every path of the library.
    explicit SafeReplace(const char* target);
    ~SafeReplace();
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    // Creates the temporary file and opens it with `mode` ("w", "wb", "w+b", ...; text mode
    // without "b", as platform::fopen). Null when it cannot be created, or when a file stands
    // at the target that this program may not write (renaming over it would not ask, but
    // every writer of such a file opens it for writing, which is refused), or something that
    // is no file (a device, a pipe). A link at the target is followed: the file it names is
    // replaced (and `target` then names that file).
    FILE* open(const char* mode);
    FILE* stream() const { return m_file; }

    // Closes the stream, makes the new contents durable and puts them in the target's
    // place. 0, or -1 with the target unchanged and the temporary file gone.
    int commit();
    // Drops the new contents: the target stays as it was.
    void abandon();

    const std::string& target() const { return m_target; }
    // The temporary file's name (Windows form); after a failed `open`, the last name tried,
    // so that a message can show it.
    const std::string& temporaryPath() const { return m_temp; }
    Failure failure() const { return m_failure; }

private:
    std::string m_target;
    std::string m_temp;
    bool m_created = false; // m_temp exists and is ours
    FILE* m_file = nullptr;
    Failure m_failure = Failure::None;
};

// Replaces the whole file `target` by `bytes` (binary) through a SafeReplace; 0 or -1.
// `failure`, when given, receives the step that failed.
int replaceFileContents(const char* target, const std::string& bytes,
                        SafeReplace::Failure* failure = nullptr);

} // namespace platform
