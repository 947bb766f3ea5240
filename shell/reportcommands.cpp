#include "shell/reportcommands.h"

#include "core/schedule.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/printcommands.h"
#include "sharing/session.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

constexpr int kReportWidth = 640;
constexpr int kReportHeight = 480;

} // namespace

ReportWindow::ReportWindow(PrintedText report, std::function<void(const PrintedText&)> print, QWidget* parent)
    : QDialog(parent), report_(std::move(report))
{
    setObjectName("ReportWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(report_.title));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName("reportText");
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(QString::fromStdString(report_.plain()));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* printButton = buttons->addButton("&Print...", QDialogButtonBox::ActionRole);
    printButton->setObjectName("printReport");
    connect(printButton, &QPushButton::clicked, this, [this, print = std::move(print)] { print(report_); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(kReportWidth, kReportHeight);
}

ReportCommands::ReportCommands(DesktopApp& app) : app_(app) {}

void ReportCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(ReportCommand::daysProjects, [this](int) {
        if (app_.initialising())
            return;
        const DayNumber day = app_.state().viewed().isNone() ? app_.today() : app_.state().viewed();
        PrintedText report;
        {
            BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
            Schedule& schedule = app_.session().schedule();
            report = dayProjectsReport(schedule, day, paneDisplayFrom(app_.preferences(), schedule.header),
                                       {app_.today(), app_.now()}, app_.regional());
        }
        show(std::move(report));
    });
    dispatcher.setHandler(ReportCommand::monthHistory, [this](int) {
        if (app_.initialising())
            return;
        const DayNumber day = app_.state().viewed().isNone() ? app_.today() : app_.state().viewed();
        show(monthHistoryReport(app_.session().settings().folder, day, app_.regional()));
    });
}

void ReportCommands::show(PrintedText report)
{
    if (window_)
        window_->close();
    window_ = new ReportWindow(
        std::move(report), [this](const PrintedText& text) { app_.commands().printing().printText(text); },
        &app_.window());
    window_->show();
    window_->raise();
}

} // namespace zk
