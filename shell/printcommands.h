#pragma once
// The File/Print commands for daily schedules. "Today's Schedule",
// "Viewed Schedule" and "Range of Schedules..." (which asks for a first and
// a last day) print the days' printed lines, with the items the panes hide
// left out, after the print dialog. "Page Setup..." and "Printer Setup"
// set up the one printer the session keeps, so later prints use the same
// printer, paper and margins; it starts on the locale's paper with the
// schedule defaults' margins.
//
// The days are read under the background-work lock; the dialogs and the
// printing run without it, so saves go on meanwhile.

#ifndef Q_MOC_RUN
#include "shell/model/printedschedule.h"
#endif

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
} // namespace PrintCommand

class PrintCommands {
public:
    // Settles where and how to print; false when the user cancelled.
    using PrinterChooser = std::function<bool(QPrinter&)>;

    explicit PrintCommands(DesktopApp& app);
    ~PrintCommands();

    void install(CommandDispatcher& dispatcher);
    // In place of the print dialog (tests print to a file).
    void setPrinterChooser(PrinterChooser chooser) { chooser_ = std::move(chooser); }
    QPrinter& printer() { return *printer_; }

    // Prints the days; false when nothing was printed.
    bool printDays(const PrintRange& range);

private:
    std::optional<PrintRange> askRange();
    bool choosePrinter();

    DesktopApp& app_;
    std::unique_ptr<QPrinter> printer_;
    PrinterChooser chooser_;
};

} // namespace zk
