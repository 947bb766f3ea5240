#include "shell/fileimport.h"

#include "core/schedule.h"
#include "exchange/calendarsession.h"
#include "exchange/icalendarread.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/exchangecommands.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "views/schedulesarea.h"

#include <fstream>

namespace zk {

namespace {

// More notices than this are counted, not listed.
constexpr std::size_t kNoticesShown = 12;

std::string headOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

std::string noticesText(const std::vector<std::string>& notices)
{
    std::string text;
    for (std::size_t i = 0; i < notices.size() && i < kNoticesShown; ++i)
        text += notices[i] + "\n";
    if (notices.size() > kNoticesShown)
        text += "... and " + std::to_string(notices.size() - kNoticesShown) + " more.\n";
    return text;
}

} // namespace

bool isCalendarFile(const std::string& path) { return looksLikeICalendar(headOf(path)); }

void importCalendarFile(DesktopApp& app, const std::string& path)
{
    std::string text;
    if (std::string problem = readCalendarFile(path, text); !problem.empty()) {
        app.messages().error(problem);
        return;
    }
    if (!app.requestChangeAccess())
        return;
    CalendarFileOutcome outcome;
    DayNumber firstDay;
    ItemHandle first;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        CalendarImportOptions options;
        options.statuses = &app.statuses();
        outcome = importCalendarText(app.session(), text, options);
        const Schedule& s = app.session().schedule();
        for (ItemHandle h : outcome.imported.added)
            if (s.items.isLive(h) && !s.dayOf(h).isNone()) {
                first = h;
                firstDay = s.dayOf(h);
                break;
            }
    }
    if (!outcome.refusal.empty()) {
        app.messages().error(outcome.refusal);
        return;
    }
    std::string report = std::to_string(outcome.imported.added.size()) + " items imported from " + path + ".";
    if (outcome.imported.updated > 0)
        report += " " + std::to_string(outcome.imported.updated) + " of them replaced items imported before.";
    if (!outcome.notices.empty())
        report += "\n\n" + noticesText(outcome.notices);
    app.messages().information(report);
    app.showDay(firstDay.isNone() ? app.state().viewed() : firstDay);
    if (first)
        app.window().schedulesArea().selectItemOn(firstDay, first);
    app.commands().refresh();
}

void importFiles(DesktopApp& app, const QStringList& files)
{
    if (app.initialising() || app.state().readOnly)
        return;
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        if (isCalendarFile(path)) {
            importCalendarFile(app, path);
            continue;
        }
        const std::string head = headOf(path);
        const bool tabDelimited = head.substr(0, head.find('\n')).find('\t') != std::string::npos;
        app.commands().exchange().importFile(path, tabDelimited);
    }
}

} // namespace zk
