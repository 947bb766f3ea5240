#include "shell/printcommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/settings.h"
#include "shell/viewfilters.h"
#include "sharing/session.h"
#include "views/schedulepage.h"
#include "views/schedulesarea.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace zk {

namespace {

const char* const kPrintFailedText = "The schedules could not be printed.";
constexpr int kRangeDefaultDays = 7;

void applyPageSetup(QPrinter& printer, const PageSetup& setup)
{
    const QPageSize size(QSizeF(setup.inches ? setup.width : setup.width * 10, setup.inches ? setup.height : setup.height * 10),
                         setup.inches ? QPageSize::Inch : QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const qreal margin = setup.inches ? setup.margin : setup.margin * 10;
    printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin),
                                      setup.inches ? QPageLayout::Inch : QPageLayout::Millimeter));
}

} // namespace

PrintCommands::PrintCommands(DesktopApp& app) : app_(app), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    const bool us = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    applyPageSetup(*printer_, pageSetupFor(us ? 1 : 0));
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(PrintCommand::todaysSchedule, [this](int) {
        printDays({app_.today(), app_.today()});
    });
    dispatcher.setHandler(PrintCommand::viewedSchedule, [this](int) {
        const DayNumber viewed = app_.state().viewed();
        printDays({viewed, viewed});
    });
    dispatcher.setHandler(PrintCommand::rangeOfSchedules, [this](int) {
        if (std::optional<PrintRange> range = askRange())
            printDays(*range);
    });
    dispatcher.setHandler(PrintCommand::pageSetup, [this](int) {
        QPageSetupDialog dialog(printer_.get(), &app_.window());
        dialog.exec();
    });
    dispatcher.setHandler(PrintCommand::printerSetup, [this](int) {
        QPrintDialog dialog(printer_.get(), &app_.window());
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
        dialog.setWindowTitle("Printer Setup");
        dialog.exec();
    });
}

std::optional<PrintRange> PrintCommands::askRange()
{
    EntryContext context;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        context = app_.session().entryContext();
    }
    const DayNumber viewed = app_.state().viewed().isNone() ? app_.today() : app_.state().viewed();
    QDialog dialog(&app_.window());
    dialog.setObjectName("RangeOfSchedules");
    dialog.setWindowTitle("Range of Schedules");
    auto* form = new QFormLayout(&dialog);
    auto* first = new QLineEdit(QString::fromStdString(shortDate(viewed, app_.regional())), &dialog);
    auto* last = new QLineEdit(QString::fromStdString(shortDate(viewed + (kRangeDefaultDays - 1), app_.regional())), &dialog);
    first->setObjectName("firstDay");
    last->setObjectName("lastDay");
    form->addRow("&First day:", first);
    form->addRow("&Last day:", last);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        auto range = printRangeFrom(first->text().trimmed().toStdString(), last->text().trimmed().toStdString(), context);
        if (PrintRange* days = std::get_if<PrintRange>(&range))
            return *days;
        app_.messages().error(std::get<std::string>(range));
    }
}

bool PrintCommands::choosePrinter()
{
    if (chooser_)
        return chooser_(*printer_);
    QPrintDialog dialog(printer_.get(), &app_.window());
    dialog.setWindowTitle("Print Schedules");
    return dialog.exec() == QDialog::Accepted;
}

bool PrintCommands::printDays(const PrintRange& range)
{
    if (app_.initialising() || range.first.isNone())
        return false;
    std::vector<DayLines> days;
    PrintStyle style;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        PaneDisplay display = paneDisplayFrom(app_.preferences(), schedule.header);
        for (int status = 0; status < static_cast<int>(display.statusLabels.size()); ++status)
            display.statusLabels[static_cast<std::size_t>(status)] = app_.statuses().label(status);
        days = printedDays(schedule, range, display, {app_.today(), app_.now()}, app_.regional(),
                           app_.commands().filters().hideTest(schedule, app_.commands().view(), true));
        style = PrintStyle::fromSettings(app_.preferences(), display);
    }
    if (!choosePrinter())
        return false;
    SchedulePages pages(std::move(days), style);
    if (!pages.print(*printer_)) {
        app_.messages().error(kPrintFailedText);
        return false;
    }
    return true;
}

} // namespace zk
