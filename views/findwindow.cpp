#include "views/findwindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {
constexpr int kItemTextId = 3;
constexpr int kNoteTextId = 234;
constexpr int kPriorId = 52;
constexpr int kNextId = 53;
constexpr int kExitId = 239;

QPushButton* button(const char* text, int id, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}
} // namespace

FindWindow::FindWindow(FindTexts& kept, Search search, QWidget* parent)
    : QDialog(parent), kept_(kept), search_(std::move(search)), itemText_(new QLineEdit(this)),
      noteText_(new QLineEdit(this))
{
    setObjectName("Find");
    setWindowTitle("Find");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    itemText_->setObjectName(QString::number(kItemTextId));
    noteText_->setObjectName(QString::number(kNoteTextId));
    for (QLineEdit* field : {itemText_, noteText_})
        field->setMaxLength(static_cast<int>(kMaxFindTextBytes));
    itemText_->setText(QString::fromStdString(kept_.item));
    noteText_->setText(QString::fromStdString(kept_.note));
    // Every change is kept for the session at once.
    connect(itemText_, &QLineEdit::textChanged, this, [this](const QString& t) { kept_.item = t.toStdString(); });
    connect(noteText_, &QLineEdit::textChanged, this, [this](const QString& t) { kept_.note = t.toStdString(); });

    auto* form = new QFormLayout;
    form->addRow("&Item text:", itemText_);
    form->addRow("N&ote text:", noteText_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* prior = button("&Prior", kPriorId, this);
    QPushButton* next = button("&Next", kNextId, this);
    QPushButton* exit = button("E&xit", kExitId, this);
    QPushButton* cancel = button("&Cancel", 2, this);
    for (QPushButton* b : {prior, next, exit, cancel})
        buttons->addButton(b, QDialogButtonBox::ActionRole);
    // Enter searches from the start.
    for (QLineEdit* field : {itemText_, noteText_})
        connect(field, &QLineEdit::returnPressed, this, [this] { run(FindMode::First); });
    connect(prior, &QPushButton::clicked, this, [this] { run(FindMode::Prior); });
    connect(next, &QPushButton::clicked, this, [this] { run(FindMode::Next); });
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void FindWindow::showSearching(const QString& date) { setWindowTitle(date); }

void FindWindow::run(FindMode mode)
{
    const bool found = search_(mode);
    setWindowTitle("Find");
    // Enter searches from the start and is done once it found something.
    if (mode == FindMode::First && found)
        accept();
}

} // namespace zk
