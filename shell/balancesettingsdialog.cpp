#include "shell/balancesettingsdialog.h"

#include "platform/messages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

QLineEdit* addField(QFormLayout* form, const char* objectName, const QString& label, const std::string& text,
                    const QString& hint = {})
{
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setPlaceholderText(hint);
    form->addRow(label, edit);
    return edit;
}

std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

} // namespace

BalanceSettingsDialog::BalanceSettingsDialog(const BalanceFormValues& values, const EntryContext& context,
                                             Messages& messages, QWidget* parent, std::function<void()> freeze,
                                             const QString& freezeText)
    : QDialog(parent), values_(values), context_(context), messages_(messages)
{
    setObjectName(QStringLiteral("BalanceWorkloadSettings"));
    setWindowTitle(QStringLiteral("Balance Workload Settings"));
    const BalanceFormTexts texts = balanceFormTexts(values, context.regional);

    auto* reserves = new QGroupBox(QStringLiteral("Free reserve (kept clear of floating items)"));
    auto* reserveForm = new QFormLayout(reserves);
    todayReserve_ = addField(reserveForm, "todayReserve", QStringLiteral("&Today:"), texts.todayReserve,
                             QStringLiteral("h:mm"));
    futureReserve_ = addField(reserveForm, "futureReserve", QStringLiteral("&Future days:"), texts.futureReserve,
                              QStringLiteral("h:mm"));

    auto* clear = new QGroupBox(QStringLiteral("Keep-clear dates (vacation)"));
    auto* clearForm = new QFormLayout(clear);
    keepClearFirst_ = addField(clearForm, "keepClearFirst", QStringLiteral("F&irst date:"), texts.keepClearFirst,
                               QStringLiteral("none"));
    keepClearLast_ = addField(clearForm, "keepClearLast", QStringLiteral("&Last date:"), texts.keepClearLast,
                              QStringLiteral("none"));

    auto* other = new QFormLayout;
    minSplit_ = addField(other, "minSplit", QStringLiteral("&Split instance minimum:"), texts.minSplit,
                         QStringLiteral("h:mm"));
    marvalSense_ = addField(other, "marvalSense", QStringLiteral("Marval colour &sensitivity:"), texts.marvalSense);
    auto* reset = new QPushButton(QStringLiteral("&Reset"));
    reset->setObjectName(QStringLiteral("reset"));
    connect(reset, &QPushButton::clicked, this,
            [this] { marvalSense_->setText(QString::number(kDefaultMarvalSense)); });
    other->addRow(QString(), reset);
    marvalHorizon_ = addField(other, "marvalHorizon", QStringLiteral("Default Marval &horizon (months):"),
                              texts.marvalHorizon);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (freeze) {
        QPushButton* button = buttons->addButton(freezeText, QDialogButtonBox::ActionRole);
        button->setObjectName(QStringLiteral("freeze"));
        connect(button, &QPushButton::clicked, this, [freeze = std::move(freeze)] { freeze(); });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reserves);
    layout->addWidget(clear);
    layout->addLayout(other);
    auto* note = new QLabel(QStringLiteral("Today's reserve shrinks as the day goes by. Durations read as in the "
                                           "item dialog: \":15\" is a quarter of an hour, \"2\" two hours."));
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

QLineEdit* BalanceSettingsDialog::field(BalanceField which) const
{
    switch (which) {
    case BalanceField::TodayReserve: return todayReserve_;
    case BalanceField::FutureReserve: return futureReserve_;
    case BalanceField::KeepClearFirst: return keepClearFirst_;
    case BalanceField::KeepClearLast: return keepClearLast_;
    case BalanceField::MinSplit: return minSplit_;
    case BalanceField::MarvalSense: return marvalSense_;
    case BalanceField::MarvalHorizon: return marvalHorizon_;
    }
    return todayReserve_;
}

void BalanceSettingsDialog::accept()
{
    BalanceFormTexts texts{textOf(todayReserve_), textOf(futureReserve_), textOf(keepClearFirst_),
                           textOf(keepClearLast_), textOf(minSplit_),    textOf(marvalSense_),
                           textOf(marvalHorizon_)};
    auto read = readBalanceForm(texts, values_.settings, context_);
    if (const BalanceFormError* error = std::get_if<BalanceFormError>(&read)) {
        messages_.error(error->text);
        field(error->field)->setFocus();
        field(error->field)->selectAll();
        return;
    }
    values_ = std::get<BalanceFormValues>(read);
    QDialog::accept();
}

} // namespace zk
