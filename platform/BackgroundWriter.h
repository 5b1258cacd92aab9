// Writes filled buffers to a stream on a thread of its own while the caller fills the next
// one, so that formatting a large file and the system's copying of it overlap. One buffer
// is written at a time, in the order handed over; the stream belongs to the writer from the
// first hand-over until `finish` (or the destructor) has returned.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

class BackgroundWriter {
public:
    struct Buffer {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t size = 0; // bytes to write
    };

    explicit BackgroundWriter(std::FILE* sink) : m_sink(sink) {}
    // Waits for the write in progress; what was not written yet is dropped.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands `full` over for writing and gives back a buffer to fill next (the one written
    // before, emptied, or an empty one without storage). Waits while the write before is
    // still running. Without a thread (it could not be started) the buffer is written here.
    Buffer handOver(Buffer full);
    // Waits for the write in progress; false when a write failed (the writes after a failed
    // one are not made, as a stream in error would not make them).
    bool finish();

private:
    void run();
    void writeOut(Buffer& buffer);

    std::FILE* m_sink;
    std::thread m_thread;
    bool m_started = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Buffer m_pending;    // being written, or waiting to be
    bool m_busy = false; // m_pending holds bytes not written yet
    bool m_stop = false; // the thread is to end
    bool m_failed = false;
};

} // namespace platform
