#include "shell/formdialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zk {

QLineEdit* addFormField(QFormLayout* form, const char* objectName, const QString& label, const std::string& text,
                        const QString& hint)
{
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setPlaceholderText(hint);
    form->addRow(label, edit);
    return edit;
}

QLabel* formNote(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

void finishFormDialog(QDialog* dialog, QFormLayout* form, QWidget* below)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    if (below)
        layout->addWidget(below);
    layout->addWidget(buttons);
}

} // namespace zk
