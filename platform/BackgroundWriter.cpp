#include "platform/BackgroundWriter.h"

#include "platform/Clock.h"

#include <system_error>
#include <utility>

namespace platform {

BackgroundWriter::~BackgroundWriter() {
    if (!m_started)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundWriter::writeOut(Buffer& buffer) {
    if (!m_failed && buffer.size > 0 &&
        std::fwrite(buffer.data.get(), 1, buffer.size, m_sink) != buffer.size)
        m_failed = true;
    buffer.size = 0;
}

BackgroundWriter::Buffer BackgroundWriter::handOver(Buffer full) {
    if (!m_started) {
        try {
            m_thread = startThread([this] { run(); });
            m_started = true;
        } catch (const std::system_error&) {
            writeOut(full); // no thread: written here, as without a writer
            return full;
        }
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    std::swap(m_pending, full);
    m_busy = m_pending.size > 0;
    lock.unlock();
    m_changed.notify_all();
    full.size = 0;
    return full;
}

bool BackgroundWriter::finish() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    return !m_failed;
}

void BackgroundWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (!m_busy)
            return; // stopped, nothing left
        if (m_stop) {
            m_busy = false; // dropped: the owner gave up the text
            m_changed.notify_all();
            return;
        }
        // The buffer is the thread's until m_busy is cleared: written without the lock.
        lock.unlock();
        writeOut(m_pending);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace platform
