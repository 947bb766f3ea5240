#pragma once
// The File/Print commands. "Today's Schedule", "Viewed Schedule" and
// "Range of Schedules..." (which asks for a first and a last day) print the
// days' printed lines, with the items the panes hide left out. The
// calendars print the week and the month of the viewed day, three months
// from it, or the weeks of a range; the lists print the alphabetical,
// chronological, projects and priority lists (all pages, or the first);
// the notes print the open note windows' texts or the notes of the viewed
// day's items. "Standard Report" prints what its "Setup..." chose (at
// first, what the window shows). Every print opens the print preview,
// whose Print button leads to the print dialog (a printer or a PDF file).
//
// "Page Setup..." and "Printer Setup" set up the one printer the session
// keeps, so later prints use the same printer, paper and margins; it starts
// on the locale's paper with the schedule defaults' margins.
//
// The schedule is read under the background-work lock; the dialogs and the
// printing run without it, so saves go on meanwhile.

#ifndef Q_MOC_RUN
#include "shell/model/printeddocuments.h"
#include "shell/model/printedschedule.h"
#endif

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPrinter;

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace PrintCommand {
inline constexpr int rangeOfSchedules = 3;
inline constexpr int todaysSchedule = 4;
inline constexpr int pageSetup = 169;
inline constexpr int printerSetup = 220;
inline constexpr int viewedSchedule = 222;
inline constexpr int week = 361;
inline constexpr int month = 363;
inline constexpr int threeMonths = 364;
inline constexpr int calendarRange = 366;
inline constexpr int alphabeticalList = 390;
inline constexpr int chronologicalList = 365;
inline constexpr int projectsList = 610;
inline constexpr int priorityList = 212;
inline constexpr int priorityListFirstPage = 213;
inline constexpr int openNotes = 277;
inline constexpr int viewedScheduleNotes = 367;
inline constexpr int standardReport = 1258;
inline constexpr int standardReportSetup = 359;
} // namespace PrintCommand

// What "Standard Report" prints (the setting StandardReport).
enum class StandardReport { Window = 0, ViewedSchedule, Week, Month, AlphabeticalList, PriorityList };
inline constexpr const char* kStandardReportSetting = "StandardReport";

class HelpCommands;
class PrintedPages;
class ReportCommands;
class Schedule;
struct PageFonts;

class PrintCommands {
public:
    // Settles where and how to print; false when the user cancelled.
    using PrinterChooser = std::function<bool(QPrinter&)>;

    explicit PrintCommands(DesktopApp& app);
    ~PrintCommands();

    // The print commands, and with them the reports and the help that
    // print or sit beside them.
    void install(CommandDispatcher& dispatcher);
    ReportCommands& reports() { return *reports_; }
    HelpCommands& help() { return *help_; }
    // In place of the print dialog (tests print to a file).
    void setPrinterChooser(PrinterChooser chooser) { chooser_ = std::move(chooser); }
    QPrinter& printer() { return *printer_; }

    // Prints the days; false when nothing was printed.
    bool printDays(const PrintRange& range);
    // Prints a text document (a report window's Print button).
    bool printText(PrintedText text);
    // Shows the pages in the preview and prints them from there (or, with
    // a printer chooser set, prints them straight away); false when nothing
    // was printed.
    bool printPages(PrintedPages& pages, const QString& title, bool firstPageOnly = false);

    // Asks for a first and a last day (a week from the viewed day offered);
    // none when the user cancelled.
    std::optional<PrintRange> askRange(const QString& title);

private:
    bool printWeeks(const PrintRange& range);
    bool printMonths(int count);
    bool printList(PrintedList list, bool firstPageOnly = false);
    bool printOpenNotes();
    bool printViewedNotes();
    void printStandardReport();
    void setUpStandardReport();
    PageFonts pageFonts();
    PaneDisplay printDisplay(const Schedule& schedule);
    DayNumber viewedDay() const;
    StandardReport standardReport() const;

    DesktopApp& app_;
    std::unique_ptr<QPrinter> printer_;
    PrinterChooser chooser_;
    std::unique_ptr<ReportCommands> reports_;
    std::unique_ptr<HelpCommands> help_;
};

} // namespace zk
