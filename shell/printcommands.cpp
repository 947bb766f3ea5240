#include "shell/printcommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/helpcommands.h"
#include "shell/reportcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/settings.h"
#include "shell/model/menus.h"
#include "shell/monthcommands.h"
#include "shell/viewfilters.h"
#include "sharing/session.h"
#include "views/printedpages.h"
#include "views/schedulepage.h"
#include "views/schedulesarea.h"
#include "worktools/notedesk.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

#include <map>
#include <set>

namespace zk {

namespace {

const char* const kPrintFailedText = "The schedules could not be printed.";
const char* const kNoOpenNotesText = "No note is open.";
const char* const kNoViewedNotesText = "No item of the viewed day has a note.";
constexpr int kRangeDefaultDays = 7;
constexpr int kPrintedMonths = 3;
constexpr int kPreviewWidth = 800;
constexpr int kPreviewHeight = 900;

// The choices of the standard report's setup, in StandardReport order.
const char* const kStandardReportNames[] = {"What the window shows", "The viewed schedule", "The week",
                                            "The month", "The alphabetical list", "The priority list"};

void applyPageSetup(QPrinter& printer, const PageSetup& setup)
{
    const QPageSize size(QSizeF(setup.inches ? setup.width : setup.width * 10, setup.inches ? setup.height : setup.height * 10),
                         setup.inches ? QPageSize::Inch : QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const qreal margin = setup.inches ? setup.margin : setup.margin * 10;
    printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin),
                                      setup.inches ? QPageLayout::Inch : QPageLayout::Millimeter));
}

} // namespace

PrintCommands::PrintCommands(DesktopApp& app)
    : app_(app), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      reports_(std::make_unique<ReportCommands>(app)), help_(std::make_unique<HelpCommands>(app))
{
    const bool us = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    applyPageSetup(*printer_, pageSetupFor(us ? 1 : 0));
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::install(CommandDispatcher& dispatcher)
{
    reports_->install(dispatcher);
    help_->install(dispatcher);
    dispatcher.setHandler(PrintCommand::todaysSchedule, [this](int) {
        printDays({app_.today(), app_.today()});
    });
    dispatcher.setHandler(PrintCommand::viewedSchedule, [this](int) {
        const DayNumber viewed = viewedDay();
        printDays({viewed, viewed});
    });
    dispatcher.setHandler(PrintCommand::rangeOfSchedules, [this](int) {
        if (std::optional<PrintRange> range = askRange("Range of Schedules"))
            printDays(*range);
    });
    dispatcher.setHandler(PrintCommand::week, [this](int) {
        const DayNumber viewed = viewedDay();
        printWeeks({viewed, viewed});
    });
    dispatcher.setHandler(PrintCommand::month, [this](int) { printMonths(1); });
    dispatcher.setHandler(PrintCommand::threeMonths, [this](int) { printMonths(kPrintedMonths); });
    dispatcher.setHandler(PrintCommand::calendarRange, [this](int) {
        if (std::optional<PrintRange> range = askRange("Range of Weeks"))
            printWeeks(*range);
    });
    dispatcher.setHandler(PrintCommand::alphabeticalList, [this](int) { printList(PrintedList::Alphabetical); });
    dispatcher.setHandler(PrintCommand::chronologicalList, [this](int) { printList(PrintedList::Chronological); });
    dispatcher.setHandler(PrintCommand::projectsList, [this](int) { printList(PrintedList::Projects); });
    dispatcher.setHandler(PrintCommand::priorityList, [this](int) { printList(PrintedList::Priority); });
    dispatcher.setHandler(PrintCommand::priorityListFirstPage, [this](int) { printList(PrintedList::Priority, true); });
    dispatcher.setHandler(PrintCommand::openNotes, [this](int) { printOpenNotes(); });
    dispatcher.setHandler(PrintCommand::viewedScheduleNotes, [this](int) { printViewedNotes(); });
    dispatcher.setHandler(PrintCommand::standardReport, [this](int) { printStandardReport(); });
    dispatcher.setHandler(PrintCommand::standardReportSetup, [this](int) { setUpStandardReport(); });
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

std::optional<PrintRange> PrintCommands::askRange(const QString& title)
{
    EntryContext context;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        context = app_.session().entryContext();
    }
    const DayNumber viewed = app_.state().viewed().isNone() ? app_.today() : app_.state().viewed();
    QDialog dialog(&app_.window());
    dialog.setObjectName("RangeOfSchedules");
    dialog.setWindowTitle(title);
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

PaneDisplay PrintCommands::printDisplay(const Schedule& schedule)
{
    PaneDisplay display = paneDisplayFrom(app_.preferences(), schedule.header);
    for (int status = 0; status < static_cast<int>(display.statusLabels.size()); ++status)
        display.statusLabels[static_cast<std::size_t>(status)] = app_.statuses().label(status);
    return display;
}

PageFonts PrintCommands::pageFonts()
{
    const PrintStyle style = PrintStyle::fromSettings(app_.preferences(), PaneDisplay{});
    PageFonts fonts;
    fonts.heading = style.heading;
    fonts.text = style.text;
    return fonts;
}

DayNumber PrintCommands::viewedDay() const
{
    return app_.state().viewed().isNone() ? app_.today() : app_.state().viewed();
}

bool PrintCommands::printPages(PrintedPages& pages, const QString& title, bool firstPageOnly)
{
    const int last = firstPageOnly ? 0 : -1;
    bool printed = false;
    // The pages chosen for one print are not the next print's.
    printer_->setPrintRange(QPrinter::AllPages);
    printer_->setFromTo(0, 0);
    if (chooser_) {
        if (!chooser_(*printer_))
            return false;
        printed = pages.print(*printer_, 0, last);
    } else {
        // The preview paints for its pages and, after its print dialog, for
        // the printer: the last painting tells whether the print went.
        QPrintPreviewDialog preview(printer_.get(), &app_.window());
        preview.setWindowTitle(title);
        // A page wants room to be read: at least the main window's size.
        preview.resize(app_.window().size().expandedTo(QSize(kPreviewWidth, kPreviewHeight)));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&](QPrinter* printer) { printed = pages.print(*printer, 0, last); });
        if (preview.exec() != QDialog::Accepted)
            return false;
    }
    if (!printed)
        app_.messages().error(kPrintFailedText);
    return printed;
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
        const PaneDisplay display = printDisplay(schedule);
        days = printedDays(schedule, range, display, {app_.today(), app_.now()}, app_.regional(),
                           app_.commands().filters().hideTest(schedule, app_.commands().view(), true));
        style = PrintStyle::fromSettings(app_.preferences(), display);
    }
    SchedulePages pages(std::move(days), style);
    return printPages(pages, range.first == range.last ? "Print Schedule" : "Print Schedules");
}

bool PrintCommands::printWeeks(const PrintRange& range)
{
    if (app_.initialising() || range.first.isNone())
        return false;
    std::vector<PrintedWeek> weeks;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        const PaneDisplay display = printDisplay(schedule);
        const HideTest hidden = app_.commands().filters().hideTest(schedule, Command::weekView, true);
        const bool monday = monthOptionsFrom(app_.preferences()).weekStartsMonday;
        for (DayNumber start : printedWeekStarts(range, monday))
            weeks.push_back(printedWeek(schedule, start, display, {app_.today(), app_.now()}, app_.regional(), hidden));
    }
    CalendarPages pages(std::move(weeks), pageFonts());
    return printPages(pages, "Print Week");
}

bool PrintCommands::printMonths(int count)
{
    if (app_.initialising())
        return false;
    std::vector<PrintedMonth> months;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        MonthOptions options = monthOptionsFrom(app_.preferences());
        options.cashFlowView = app_.commands().filters().cashFlowView();
        options.statusColours = false;
        const HideTest hidden = app_.commands().filters().hideTest(schedule, Command::monthView, true);
        DayNumber month = firstOfMonth(viewedDay());
        for (int i = 0; i < count; ++i) {
            months.push_back(printedMonth(schedule, month, options, app_.today(), app_.regional(), hidden));
            const std::optional<DayNumber> next = monthMoved(month, 1);
            if (!next)
                break;
            month = *next;
        }
    }
    CalendarPages pages(std::move(months), pageFonts());
    // Seven columns of days want the sheet's width; the session's printer
    // keeps its own orientation for the other prints.
    const QPageLayout::Orientation orientation = printer_->pageLayout().orientation();
    printer_->setPageOrientation(QPageLayout::Landscape);
    const bool printed = printPages(pages, count == 1 ? "Print Month" : "Print Months");
    printer_->setPageOrientation(orientation);
    return printed;
}

bool PrintCommands::printList(PrintedList list, bool firstPageOnly)
{
    if (app_.initialising())
        return false;
    PrintedText text;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        const Schedule& schedule = app_.session().schedule();
        text = printedList(schedule, list, app_.commands().filters().hideTest(schedule, listViewOf(list), true),
                           {app_.today(), app_.regional()}, app_.now());
    }
    TextPages pages(std::move(text), pageFonts());
    return printPages(pages, "Print List", firstPageOnly);
}

bool PrintCommands::printText(PrintedText text)
{
    TextPages pages(std::move(text), pageFonts());
    return printPages(pages, "Print Report");
}

bool PrintCommands::printOpenNotes()
{
    std::vector<ItemNote> notes;
    for (NoteWindow* window : app_.notes().windows())
        notes.push_back({window->windowTitle().toStdString(), window->editor().toPlainText().toStdString()});
    if (notes.empty()) {
        app_.messages().information(kNoOpenNotesText);
        return false;
    }
    return printText(printedNotes("Open Notes", notes));
}

bool PrintCommands::printViewedNotes()
{
    if (app_.initialising())
        return false;
    const DayNumber day = viewedDay();
    // An open note prints as its window holds it, edits not yet saved included.
    std::map<std::uint32_t, std::string> open;
    for (NoteWindow* window : app_.notes().windows())
        open[window->number()] = window->editor().toPlainText().toStdString();
    std::vector<ItemNote> notes;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        const NoteFiles files = app_.notes().files();
        const DayLines lines = printedDays(schedule, {day, day}, printDisplay(schedule), {app_.today(), app_.now()},
                                           app_.regional(),
                                           app_.commands().filters().hideTest(schedule, Command::singleView, true))
                                   .front();
        std::set<std::uint32_t> printed;
        for (const PaneLine& line : lines.lines) {
            if (line.kind != PaneLineKind::Item || !line.hasNote)
                continue;
            const std::uint32_t number = schedule.record(line.item).refNo();
            if (number == 0 || !printed.insert(number).second)
                continue;
            const std::string title = QString::fromStdString(line.text.whole()).simplified().toStdString();
            if (auto it = open.find(number); it != open.end()) {
                notes.push_back({title, it->second});
                continue;
            }
            const NoteText note = readNote(files.note(number));
            notes.push_back({title, note.status == NoteText::Status::Failed ? note.message : note.text});
        }
    }
    if (notes.empty()) {
        app_.messages().information(kNoViewedNotesText);
        return false;
    }
    return printText(printedNotes("Notes of " + paneHeading(day, app_.regional()), notes));
}

StandardReport PrintCommands::standardReport() const
{
    const int chosen = app_.settingStore().integer(kStandardReportSetting, 0);
    return chosen >= 0 && chosen < static_cast<int>(std::size(kStandardReportNames)) ? static_cast<StandardReport>(chosen)
                                                                                      : StandardReport::Window;
}

void PrintCommands::printStandardReport()
{
    if (app_.initialising())
        return;
    const DayNumber viewed = viewedDay();
    switch (standardReport()) {
    case StandardReport::ViewedSchedule: printDays({viewed, viewed}); return;
    case StandardReport::Week: printWeeks({viewed, viewed}); return;
    case StandardReport::Month: printMonths(1); return;
    case StandardReport::AlphabeticalList: printList(PrintedList::Alphabetical); return;
    case StandardReport::PriorityList: printList(PrintedList::Priority); return;
    case StandardReport::Window: break;
    }
    const int view = app_.commands().view();
    if (view == Command::monthView) {
        printMonths(1);
    } else if (view == Command::weekView) {
        printWeeks({viewed, viewed});
    } else if (isListView(view)) {
        PrintedText text;
        {
            BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
            const Schedule& schedule = app_.session().schedule();
            text = printedListView(schedule, view, app_.commands().filters().hideTest(schedule, view, true),
                                   {app_.today(), app_.regional()}, app_.now());
        }
        printText(std::move(text));
    } else {
        printDays({viewed, viewed});
    }
}

void PrintCommands::setUpStandardReport()
{
    QDialog dialog(&app_.window());
    dialog.setObjectName("StandardReportSetup");
    dialog.setWindowTitle("Standard Report Setup");
    auto* form = new QFormLayout(&dialog);
    auto* choice = new QComboBox(&dialog);
    choice->setObjectName("standardReport");
    for (const char* name : kStandardReportNames)
        choice->addItem(name);
    choice->setCurrentIndex(static_cast<int>(standardReport()));
    form->addRow("&Print:", choice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* page = buttons->addButton("Page &Setup...", QDialogButtonBox::ActionRole);
    form->addRow(buttons);
    QObject::connect(page, &QPushButton::clicked, &dialog, [this, &dialog] {
        QPageSetupDialog setup(printer_.get(), &dialog);
        setup.exec();
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() == QDialog::Accepted)
        app_.settingStore().setInteger(kStandardReportSetting, choice->currentIndex());
}

} // namespace zk
