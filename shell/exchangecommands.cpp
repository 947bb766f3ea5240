#include "shell/exchangecommands.h"

#include "core/schedule.h"
#include "exchange/importbatch.h"
#include "exchange/textexport.h"
#include "exchange/textimport.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/handhelddialog.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/listviews.h"
#include "shell/model/printedschedule.h"
#include "shell/printcommands.h"
#include "shell/viewfilters.h"
#include "shell/fileimport.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include <cstdio>

namespace zk {

namespace {

constexpr int kExportRange = 22;
constexpr int kExportToday = 23;
constexpr int kExportItems = 166;
constexpr int kImport = 217;
constexpr int kImportLines = 737;
constexpr int kImportTab = 738;
constexpr int kCurrentExportFile = 165;
constexpr int kHandheld = 714;

constexpr const char* kSaveAsTitle = "Save As";
constexpr const char* kOpenTitle = "Open";
constexpr const char* kTextFilter = "Text files (*.txt);;All files (*)";
constexpr const char* kImportFilter = "Text files (*.txt);;Calendar files (*.ics);;All files (*)";
constexpr const char* kTabFilter = "Outlook tab-delmited text (*.txt);;All files (*)";
constexpr const char* kRangeTitle = "Export Range of Schedules";

std::string printed(const char* pattern, const std::string& value)
{
    char text[1200];
    std::snprintf(text, sizeof text, pattern, value.c_str());
    return text;
}

std::optional<std::filesystem::path> fileDialog(QWidget* parent, const ExchangeCommands::FileRequest& r)
{
    const QString proposed = QString::fromStdString(r.proposed.string());
    const QString title = QString::fromStdString(r.title);
    const QString filter = QString::fromStdString(r.filter);
    QString chosen = r.save ? QFileDialog::getSaveFileName(parent, title, proposed, filter)
                            : QFileDialog::getOpenFileName(parent, title, proposed, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(chosen.toStdString());
}

} // namespace

ExchangeCommands::ExchangeCommands(DesktopApp& app) : app_(app)
{
    dialogs_.chooseFile = [this](const FileRequest& r) { return fileDialog(&app_.window(), r); };
    // The printed range of schedules asks the same question the same way.
    dialogs_.askRange = [this](DayNumber) -> std::optional<std::pair<DayNumber, DayNumber>> {
        if (std::optional<PrintRange> days = app_.commands().printing().askRange(QString::fromUtf8(kRangeTitle)))
            return std::pair{days->first, days->last};
        return std::nullopt;
    };
}

void ExchangeCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(kExportToday, [this](int) {
        if (!app_.initialising())
            exportRange(app_.state().viewed(), app_.state().viewed());
    });
    dispatcher.setHandler(kExportRange, [this](int) {
        if (app_.initialising())
            return;
        if (auto range = dialogs_.askRange(app_.state().viewed()))
            exportRange(range->first, range->second);
    });
    dispatcher.setHandler(kExportItems, [this](int) {
        if (!app_.initialising())
            exportItemsList();
    });
    dispatcher.setHandler(kImport, [this](int) {
        if (!app_.initialising())
            importPipelineFile();
    });
    dispatcher.setHandler(kImportLines, [this](int) {
        if (!app_.initialising())
            importPipelineFile();
    });
    dispatcher.setHandler(kImportTab, [this](int) {
        if (!app_.initialising())
            importTabFile();
    });
    dispatcher.setHandler(kCurrentExportFile, [this](int) { openExportFile(); });
    dispatcher.setHandler(kHandheld, [this](int) {
        if (!app_.initialising())
            openHandheldDialog();
    });
}

std::filesystem::path ExchangeCommands::folder() const { return app_.session().files().folder(); }

std::optional<std::filesystem::path> ExchangeCommands::choose(FileRequest request)
{
    return dialogs_.chooseFile ? dialogs_.chooseFile(request) : std::nullopt;
}

bool ExchangeCommands::exportRange(DayNumber first, DayNumber last)
{
    return exportText(app_.commands().view(), [first, last](Schedule& s, const TextExportContext& context) {
        return exportRangeText(s, first, last, context);
    });
}

bool ExchangeCommands::exportItemsList()
{
    return exportText(ListViewId::allItems, [](Schedule& s, const TextExportContext& context) {
        return exportItemsListText(s, context);
    });
}

bool ExchangeCommands::exportText(int view, const std::function<std::string(Schedule&, const TextExportContext&)>& make)
{
    std::optional<std::filesystem::path> file =
        choose({kSaveAsTitle, folder() / kExportFileName, kTextFilter, true});
    if (!file)
        return false;
    std::string text;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& s = app_.session().schedule();
        TextExportContext context{{app_.today(), app_.now(), app_.regional(), app_.commands().filters().hideTest(s, view)},
                                  app_.state().viewed(), app_.session().settings().userName};
        text = make(s, context);
    }
    if (!writeExportFile(*file, text)) {
        app_.messages().error(kExportOpenFailedText);
        return false;
    }
    lastExport_ = *file;
    return true;
}

bool ExchangeCommands::importPipelineFile() { return importText(false); }
bool ExchangeCommands::importTabFile() { return importText(true); }

bool ExchangeCommands::importText(bool tabDelimited)
{
    std::optional<std::filesystem::path> file =
        tabDelimited ? choose({kTabImportTitle, folder() / kTabImportFileName, kTabFilter, false})
                     : choose({kOpenTitle, folder() / kImportFileName, kImportFilter, false});
    if (!file)
        return false;
    return importFile(*file, tabDelimited);
}

bool ExchangeCommands::importFile(const std::filesystem::path& file, bool tabDelimited)
{
    if (isCalendarFile(file.string())) {
        importCalendarFile(app_, file.string());
        return true;
    }
    ImportFile read = readImportFile(file);
    if (!read.problem.empty()) {
        app_.messages().error(read.problem);
        return false;
    }
    ImportReport report;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Session& session = app_.session();
        const EntryContext context = session.entryContext();
        const DayNumber shown = app_.state().viewed().isNone() ? context.today : app_.state().viewed();
        PreparedImport prepared =
            tabDelimited ? readTabImport(read.text, session.schedule().templateItem, context)
                         : readPipelineImport(read.text, session.schedule().templateItem, shown, context);
        if (!prepared.problem.empty()) {
            app_.messages().error(prepared.problem);
            return true;
        }
        report = importItems(session, std::move(prepared.items), prepared.skipped);
    }
    if (report.status != ImportStatus::Imported) {
        app_.messages().error(report.message);
        return true;
    }
    if (report.items.empty())
        return true;
    const DayNumber last = report.items.back().day;
    if (!last.isNone())
        app_.showDay(last);
    char text[64];
    std::snprintf(text, sizeof text, kImportedCountText, static_cast<int>(report.items.size()));
    app_.messages().information(text);
    return true;
}

void ExchangeCommands::openExportFile()
{
    const std::filesystem::path file = lastExport_.empty() ? folder() / kExportFileName : lastExport_;
    if (!std::filesystem::exists(file)) {
        app_.messages().error(printed("Launch failed. File not found: %s", file.string()));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string()))))
        app_.messages().error("No program could open " + file.string() + ".");
}

void ExchangeCommands::openHandheldDialog() { runHandheldDialog(&app_.window(), app_); }

} // namespace zk
