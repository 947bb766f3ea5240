#include "exchange/clipboardforms.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "exchange/calendarsession.h"
#include "exchange/icalendarread.h"
#include "platform/clock.h"
#include "sharing/pipeline.h"
#include "sharing/session.h"

namespace zk {

const char* const kNothingToPasteText = "The clipboard holds no item to paste.";

std::string clipboardLine(const Schedule& schedule, ItemHandle item, DayNumber day, const RegionalSettings& regional)
{
    const ItemRecord& r = schedule.record(item);
    std::string line = shortDate(day, regional);
    if (r.has(ItemFlag::fOnHold))
        line += " -";
    else if (r.beginTime() != 0 && r.has(ItemFlag::fAnchored))
        line += " " + compactTime(TimeValue((r.beginTime() - 1) % 1440 + 1));
    else
        line += " *";
    line += " " + std::to_string(r.duration()) + " ";
    std::string text = schedule.description(item);
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    line += text;
    return line.size() > kMaxPipelineLine ? line.substr(0, kMaxPipelineLine) : line;
}

PasteOutcome pasteItems(Session& session, std::string_view calendar, std::string_view line, DayNumber shownDay,
                        const StatusTable* statuses)
{
    PasteOutcome out;
    if (!calendar.empty()) {
        CalendarReadOptions options;
        options.templateItem = session.schedule().templateItem;
        options.today = session.clock().today();
        CalendarRead read = readICalendar(calendar, options);
        if (read.refusal.empty() && !read.entries.empty()) {
            for (CalendarEntry& e : read.entries)
                e.uid.clear();
            CalendarImportOptions importOptions;
            importOptions.statuses = statuses;
            out.added = importCalendarEntries(session, std::move(read.entries), importOptions).added;
            return out;
        }
    }
    // The first line only: a paste is one item.
    line = line.substr(0, line.find_first_of("\r\n"));
    if (line.find_first_not_of(" \t") == std::string_view::npos) {
        out.refusal = kNothingToPasteText;
        return out;
    }
    PipelineLine parsed =
        parsePipelineLine(line, session.schedule().templateItem, shownDay, session.entryContext());
    if (!parsed.item) {
        out.refusal = parsed.refusal;
        return out;
    }
    AddResult added = session.addItem(std::move(*parsed.item));
    if (added.status == AddStatus::Added)
        out.added.push_back(added.item);
    return out;
}

} // namespace zk
