#include "editing/statusmenu.h"

#include "core/schedule.h"
#include "views/statusdisplay.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace zk {

namespace {

bool refused(const StatusMenuHost& host)
{
    Schedule* schedule = host.schedule ? host.schedule() : nullptr;
    if (!schedule || !host.selectedItem || !host.selectedItem())
        return true;
    return host.itemDialogOpen && host.itemDialogOpen();
}

} // namespace

bool fillStatusMenu(QMenu& menu, const StatusTable& table, const StatusMenuHost& host)
{
    if (refused(host))
        return false;
    const int current = statusIndexOf(host.schedule()->record(host.selectedItem()));
    for (int status = 0; status < kStatusCount; ++status) {
        QAction* action = menu.addAction(statusCaption(table, status));
        action->setData(kFirstSetStatusCommand + status);
        action->setCheckable(true);
        action->setChecked(status == current);
        QObject::connect(action, &QAction::triggered, &menu, [host, status] { setSelectedItemStatus(host, status); });
    }
    menu.addSeparator();
    QAction* define = menu.addAction(QStringLiteral("Define Statuses"));
    define->setData(kDefineStatusesCommand);
    QObject::connect(define, &QAction::triggered, &menu, [host] {
        if (host.defineStatuses)
            host.defineStatuses();
    });
    return true;
}

void popUpStatusMenu(QWidget& window, std::optional<QPoint> globalPoint, const StatusTable& table,
                     const StatusMenuHost& host)
{
    QMenu menu(&window);
    if (!fillStatusMenu(menu, table, host))
        return;
    menu.exec(globalPoint.value_or(window.mapToGlobal(window.rect().center())));
}

StatusChange setSelectedItemStatus(const StatusMenuHost& host, int status)
{
    if (refused(host) || !host.clock)
        return StatusChange::None;
    // Choosing the status the item has changes nothing, so asks for nothing.
    if (host.schedule()->record(host.selectedItem()).status() == status)
        return StatusChange::None;
    if (!host.requestChangeAccess || !host.requestChangeAccess())
        return StatusChange::None;
    // Asked again: the access may have brought in a newer schedule.
    Schedule* schedule = host.schedule();
    const ItemHandle item = host.selectedItem();
    if (!schedule || !item || !schedule->items.isLive(item))
        return StatusChange::None;
    const StatusChange change = setItemStatus(*schedule, item, status, *host.clock);
    if (change != StatusChange::None && host.statusChanged)
        host.statusChanged(change);
    return change;
}

} // namespace zk
