#pragma once
// The access pending window: the small window that opens when this session
// is refused change access because another session holds the schedule. It
// names the user and says "update access pending..."; once a second the
// session tries again, and when the other session has saved and let go the
// window closes, the newer data is reloaded and a waiting new item is added.
// Cancel gives up waiting; Switch Window brings the main window forward.

#include <QWidget>

#include <functional>
#include <string>

namespace zk {

struct ChangeAccessHooks;

class AccessPendingWindow final : public QWidget {
    Q_OBJECT
public:
    AccessPendingWindow(QWidget& mainWindow, const std::string& userName, std::function<void()> cancel);
};

// Fills the window hooks of change access. Change access may open or close
// the window from any thread: the requests are carried to the thread of
// `context`, where the window is made, as a child of the main window, the
// first time it opens. `cancel` is what Cancel tells change access.
void attachAccessPendingWindow(ChangeAccessHooks& hooks, QObject& context, std::function<QWidget*()> mainWindow,
                               std::string userName, std::function<void()> cancel);

} // namespace zk
