#pragma once
// The rows of the small settings dialogs of the Options and Edit menus: a
// labelled text field, a note of explanation, and OK and Cancel under the
// form.

#include <QString>

#include <string>

class QDialog;
class QFormLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace zk {

// A field showing `text`, named `objectName` for tests, with an optional
// hint of what it takes.
QLineEdit* addFormField(QFormLayout* form, const char* objectName, const QString& label, const std::string& text,
                        const QString& hint = QString());
// A note that wraps to the dialog's width.
QLabel* formNote(const QString& text);
// The dialog's layout: the form, `below` (if any), then OK and Cancel.
void finishFormDialog(QDialog* dialog, QFormLayout* form, QWidget* below = nullptr);

} // namespace zk
