#include "platform/Dialog.h"

#include "platform/Clock.h"
#include "platform/FailureLog.h"
#include "platform/UserInterface.h"

namespace platform {

Dialog::Dialog(const DialogTemplate& resource) : m_resource(resource) {
    m_caption = resource.caption;
    for (const ControlTemplate& c : resource.controls)
        m_controls.push_back({c.id, c.kind, c.text, c.enabled});
}

Dialog::~Dialog() {
    if (m_worker.joinable())
        m_worker.join();
}

ControlState* Dialog::find(int id) {
    if (id == IDC_STATIC)
        return nullptr;
    for (ControlState& c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const ControlState* Dialog::find(int id) const {
    return const_cast<Dialog*>(this)->find(id);
}

void Dialog::changed() {
    m_change.notify_all();
}

int Dialog::DoModal() {
    UserInterface& ui = userInterface();
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_ended = false;
        m_result = 0;
        ui.dialogOpened(*this);
    }
    OnInitDialog();
    ui.runDialog(*this);
    if (m_worker.joinable())
        m_worker.join();
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (!m_ended) {
            // A sink that gave up without closing: the dialog is cancelled.
            m_ended = true;
            m_result = IDCANCEL;
        }
        ui.dialogClosed(*this, m_result);
        return m_result;
    }
}

void Dialog::SetWindowText(const char* caption) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_caption = caption ? caption : "";
    userInterface().dialogCaption(*this, m_caption.c_str());
    changed();
}

void Dialog::SetDlgItemText(int id, const char* text) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ControlState* c = find(id);
    if (!c)
        return;
    c->text = text ? text : "";
    userInterface().dialogText(*this, id, c->text.c_str());
    changed();
}

void Dialog::EnableDlgItem(int id, bool enabled) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ControlState* c = find(id);
    if (!c)
        return;
    c->enabled = enabled;
    userInterface().dialogEnabled(*this, id, enabled);
    changed();
}

void Dialog::EndDialog(int result) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    changed();
}

void Dialog::startWorker(std::function<void()> work) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_worker.joinable())
        m_worker.join();
    m_working = true;
    try {
        m_worker = startThread([this, work] {
            try {
                work();
            } catch (...) {
                FailureLog::report("dialog worker: unexpected error");
            }
            std::lock_guard<std::recursive_mutex> done(m_mutex);
            m_working = false;
            changed();
        });
    } catch (...) {
        // No thread could be started: nothing runs, and the caller learns of it.
        m_working = false;
        changed();
        FailureLog::report("dialog worker: the thread could not be started");
        throw;
    }
}

bool Dialog::press(int id) {
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const ControlState* c = find(id);
        const bool accepted = !m_ended && c && c->kind == ControlKind::PushButton && c->enabled;
        userInterface().dialogPressed(*this, id, accepted);
        if (!accepted)
            return false;
    }
    OnCommand(id);
    return true;
}

bool Dialog::pressWhenIdle(int id) {
    {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        m_change.wait(lock, [this] { return !m_working; });
        if (m_ended)
            return false;
    }
    return press(id);
}

void Dialog::OnCommand(int id) {
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

std::string Dialog::caption() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_caption;
}

std::vector<ControlState> Dialog::controls() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_controls;
}

bool Dialog::enabled(int id) const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const ControlState* c = find(id);
    return c && c->enabled;
}

std::string Dialog::text(int id) const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const ControlState* c = find(id);
    return c ? c->text : std::string();
}

bool Dialog::ended() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_ended;
}

bool Dialog::working() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_working;
}

} // namespace platform
