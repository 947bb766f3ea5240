#pragma once
// The plain reports: "Day's Projects Report" (the viewed day's items by
// project, with their minutes) and "History for Month" (the items archived
// on the days of the viewed month, from the month's history log). Each
// opens a window with the report's text and a Print button that prints it
// through the print commands.
//
// The schedule is read under the background-work lock; the window holds
// only the text.

#ifndef Q_MOC_RUN
#include "shell/model/printeddocuments.h"
#endif

#include <QDialog>
#include <QPointer>

#include <functional>

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace ReportCommand {
inline constexpr int daysProjects = 497;
inline constexpr int monthHistory = 153;
} // namespace ReportCommand

class ReportWindow final : public QDialog {
    Q_OBJECT
public:
    ReportWindow(PrintedText report, std::function<void(const PrintedText&)> print, QWidget* parent);
    const PrintedText& report() const { return report_; }

private:
    PrintedText report_;
};

class ReportCommands {
public:
    explicit ReportCommands(DesktopApp& app);
    void install(CommandDispatcher& dispatcher);
    // The report window last opened, if it is still open.
    ReportWindow* window() const { return window_; }

private:
    void show(PrintedText report);

    DesktopApp& app_;
    QPointer<ReportWindow> window_;
};

} // namespace zk
