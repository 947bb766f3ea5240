#include "editing/fieldreading.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

namespace zk {

QLineEdit* editLeftUnread(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return nullptr;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (!edit || !edit->isModified() || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return nullptr;
    return edit;
}

bool keepFocusOn(QLineEdit* edit)
{
    QTimer::singleShot(0, edit, [edit] {
        edit->setFocus();
        edit->selectAll();
    });
    return false;
}

} // namespace zk
