// A modal dialog built from a dialog description. Its caption, the text of each control and
// the enabling of each button go through the user-interface sink, which renders the dialog
// and presses its buttons; a press comes back to the dialog as a command. Every call is safe
// from any thread: a worker thread may set texts while the sink waits for a press.
#pragma once

#include "platform/Types.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

enum class ControlKind { PushButton, Label, ReadOnlyEdit };

// Id of a control the program never addresses (a label).
constexpr int IDC_STATIC = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text; // CP1252
    bool enabled;
};

struct DialogTemplate {
    int id;
    const char* caption; // CP1252
    int width;           // dialog units
    int height;
    const char* font;
    int fontSize; // points
    std::vector<ControlTemplate> controls;
};

// One control as it stands now.
struct ControlState {
    int id;
    ControlKind kind;
    std::string text;
    bool enabled;
};

class Dialog {
public:
    explicit Dialog(const DialogTemplate& resource);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Opens the dialog, calls OnInitDialog and lets the sink run it until EndDialog; then
    // waits for a worker started by the dialog. Returns the value given to EndDialog.
    int DoModal();

    // The window calls of the dialog.
    void SetWindowText(const char* caption);
    void SetDlgItemText(int id, const char* text);
    void EnableDlgItem(int id, bool enabled);
    void EndDialog(int result);

    // Runs `work` in a worker thread; while it runs, worker() is true.
    void startWorker(std::function<void()> work);

    // For the sink. A press of an enabled push button delivers its command and gives true;
    // a press of a disabled or unknown control gives false and changes nothing.
    bool press(int id);
    // Waits until no worker runs, then presses `id` when it is enabled; false when it is not
    // (or the dialog has ended).
    bool pressWhenIdle(int id);

    const DialogTemplate& resource() const { return m_resource; }
    std::string caption() const;
    std::vector<ControlState> controls() const;
    bool enabled(int id) const;
    std::string text(int id) const;
    bool ended() const;
    bool working() const;

protected:
    virtual int OnInitDialog() { return 1; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A button's command: IDOK and IDCANCEL by default.
    virtual void OnCommand(int id);

private:
    ControlState* find(int id);
    const ControlState* find(int id) const;
    void changed(); // under the lock: wakes every waiter

    const DialogTemplate& m_resource;
    mutable std::recursive_mutex m_mutex;
    std::condition_variable_any m_change;
    std::string m_caption;
    std::vector<ControlState> m_controls;
    bool m_ended = false;
    int m_result = 0;
    bool m_working = false;
    std::thread m_worker;
};

} // namespace platform
