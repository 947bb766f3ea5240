#include "shell/handhelddialog.h"

#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "handheld/handheldfiles.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <ctime>

namespace zk {

namespace {

HandheldSettings storedSettings(SettingStore& store)
{
    HandheldSettings s;
    s.futureDays = store.integer("PalmFutureDays", 30);
    s.pastDays = store.integer("PalmPastDays", 30);
    s.options = static_cast<std::uint16_t>(store.integer("PalmTransferOptions", 0));
    s.lastExchange = store.longInteger("PalmLastExchange", 0);
    if (s.futureDays < 0 || s.futureDays > 999)
        s.futureDays = 30;
    if (s.pastDays < 0 || s.pastDays > 999)
        s.pastDays = 30;
    return s;
}

// A days field: 0..999, else the message and 30.
int daysOf(QLineEdit* field, Messages& messages)
{
    bool ok = false;
    int days = field->text().trimmed().toInt(&ok);
    if (!ok || days < 0 || days > 999) {
        messages.error(kHandheldDaysRangeText);
        field->setText(QStringLiteral("30"));
        return 30;
    }
    return days;
}

} // namespace

void runHandheldDialog(QWidget* parent, DesktopApp& app)
{
    SettingStore& store = app.settingStore();
    HandheldSettings settings = storedSettings(store);
    bool lite = false;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        lite = isLiteMode(app.session().schedule().header);
    }
    const std::filesystem::path folder = handheldFolder();

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("handheldDialog"));
    dialog.setWindowTitle(QString::fromUtf8(kHandheldDialogTitle));
    auto* layout = new QVBoxLayout(&dialog);
    auto* note = new QLabel(QString::fromUtf8(kNoConduitText), &dialog);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* where = new QLabel(QStringLiteral("Exchange files: %1").arg(QString::fromStdString(folder.string())), &dialog);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setWordWrap(true);
    layout->addWidget(where);
    auto* form = new QFormLayout;
    auto* future = new QLineEdit(QString::number(settings.futureDays), &dialog);
    auto* past = new QLineEdit(QString::number(settings.pastDays), &dialog);
    for (QLineEdit* field : {future, past}) {
        field->setMaxLength(3);
        field->setValidator(new QIntValidator(0, 999, field));
    }
    future->setObjectName(QStringLiteral("futureDays"));
    past->setObjectName(QStringLiteral("pastDays"));
    form->addRow(QStringLiteral("&Future days:"), future);
    form->addRow(QStringLiteral("&Past days:"), past);
    layout->addLayout(form);
    struct Option {
        std::uint16_t bit;
        const char* text;
    };
    const Option options[] = {{HandheldOption::showTaskTimes, "Show task times (PRO mode only)"},
                              {HandheldOption::appointmentsOnly, "Appointments only"},
                              {HandheldOption::onlyTransfer, "Only transfer"},
                              {HandheldOption::transfer, "Transfer"}};
    std::vector<std::pair<std::uint16_t, QCheckBox*>> boxes;
    for (const Option& o : options) {
        auto* box = new QCheckBox(QString::fromUtf8(o.text), &dialog);
        box->setChecked(settings.options & o.bit);
        box->setEnabled(!(lite && o.bit == HandheldOption::showTaskTimes));
        layout->addWidget(box);
        boxes.emplace_back(o.bit, box);
    }
    auto* write = new QPushButton(QStringLiteral("&Write file for the handheld"), &dialog);
    auto* read = new QPushButton(QStringLiteral("&Read the handheld's changes"), &dialog);
    write->setObjectName(QStringLiteral("writeHandheld"));
    read->setObjectName(QStringLiteral("readHandheld"));
    layout->addWidget(write);
    layout->addWidget(read);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);

    auto current = [&] {
        HandheldSettings s = settings;
        s.futureDays = daysOf(future, app.messages());
        s.pastDays = daysOf(past, app.messages());
        s.options = 0;
        for (auto& [bit, box] : boxes)
            if (box->isChecked())
                s.options |= bit;
        return s;
    };
    auto keep = [&](const HandheldSettings& s) {
        store.setValues({{"PalmFutureDays", std::to_string(s.futureDays)},
                         {"PalmPastDays", std::to_string(s.pastDays)},
                         {"PalmTransferOptions", std::to_string(s.options)},
                         {"PalmLastExchange", std::to_string(s.lastExchange)},
                         {"PalmEnable", "1"}});
    };
    QObject::connect(write, &QPushButton::clicked, &dialog, [&] {
        HandheldSettings s = current();
        HandheldOutcome outcome;
        {
            BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
            outcome = writeForHandheld(app.session(), s, folder, app.today(), app.now());
        }
        if (outcome.ok) {
            s.lastExchange = static_cast<std::int64_t>(std::time(nullptr));
            settings = s;
            keep(s);
            app.messages().information(outcome.message);
        } else {
            app.messages().error(outcome.message);
        }
    });
    QObject::connect(read, &QPushButton::clicked, &dialog, [&] {
        HandheldOutcome outcome;
        {
            BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
            outcome = readFromHandheld(app.session(), folder);
        }
        if (!outcome.ok) {
            app.messages().error(outcome.message);
            return;
        }
        if (!outcome.items.empty() && !outcome.items.back().day.isNone())
            app.showDay(outcome.items.back().day);
        app.messages().information(outcome.message);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        keep(current());
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
}

} // namespace zk
