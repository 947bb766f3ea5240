#pragma once
// What the dialogs share in reading typed fields: a field is read when the
// focus leaves it with unread text, and a refused field takes the focus
// back once the message box has closed.

class QEvent;
class QLineEdit;
class QObject;

namespace zk {

// The edit that the event shows the focus leaving with unread text, or
// null. A box or menu taking the focus for a moment is no leaving.
QLineEdit* editLeftUnread(QObject* watched, QEvent* event);

// Gives the focus back to the edit, its text selected, after the message
// box that took it; false, for a refused read to return.
bool keepFocusOn(QLineEdit* edit);

} // namespace zk
