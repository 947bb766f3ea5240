#include "exchange/textexport.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "platform/filesystem.h"
#include "shell/model/listviews.h"

#include <cstdio>

namespace zk {

const char* const kExportOpenFailedText = "Unable to open file for exporting. ";

namespace {

constexpr const char* kSchedulesWord = "schedules";
constexpr const char* kFutureVitalText = "Future Vital Items for";
constexpr int kVitalMonths = 3;

std::string printed(const char* pattern, auto... values)
{
    int size = std::snprintf(nullptr, 0, pattern, values...);
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, values...);
    return text;
}

// Lays the day out as the desktop shows it; false when the schedule held no
// record of it and nothing came to it.
bool openDay(Schedule& s, DayNumber day, const DayBlockContext& c)
{
    const bool known = s.findDay(day) != nullptr;
    if (s.isPastDay(day))
        s.getDay(day);
    else
        openDayForDisplay(s, day, PlacementContext{c.today, c.now});
    const DayRecord* record = s.findDay(day);
    return known || (record && !record->entries().empty());
}

std::string vitalDayText(Schedule& s, DayNumber day, const TextExportContext& c)
{
    const RegionalSettings& regional = c.day.regional;
    const DayRecord* record = s.findDay(day);
    if (!record)
        return {};
    std::string text;
    for (const DayEntry& e : record->entries()) {
        const ItemRecord& r = s.record(e.item);
        if (!r.has(ItemFlag::fKey) || (c.day.hidden && c.day.hidden(e.item)))
            continue;
        if (text.empty())
            text = printed("%3d) %-2s %5s ", day - c.viewedDay, dayName(day, regional, NameForm::Abbreviated).c_str(),
                           monthDay(day, regional).c_str());
        const bool onHold = r.has(ItemFlag::fOnHold);
        const std::string begin = onHold || e.start == 0 ? std::string() : timeText(e.startTime(), regional);
        const std::string end =
            onHold || e.start == 0 ? std::string() : timeText(e.startTime() + r.duration(), regional);
        text += printed("%s%6s - %6s  %s (%s)\n", text.back() == ' ' ? "\t" : "\t\t", begin.c_str(), end.c_str(),
                        s.description(e.item).c_str(), durationText(r.duration(), regional).c_str());
    }
    return text;
}

} // namespace

std::string futureVitalItemsText(Schedule& schedule, const TextExportContext& context)
{
    std::string text;
    const CivilDate viewed = civilDate(context.viewedDay);
    DayNumber day = context.viewedDay + 1;
    for (int m = 0; m < kVitalMonths; ++m) {
        const int month = (viewed.month - 1 + m) % 12 + 1;
        const int year = viewed.year + (viewed.month - 1 + m) / 12;
        const DayNumber last = dayOf(month, monthLength(month, year), year);
        if (!last.isUsable())
            break;
        text += printed("\n\n\n%s %s %d\n\n", kFutureVitalText,
                        monthName(month, context.day.regional).c_str(), year);
        for (; day <= last; day = day + 1) {
            if (!openDay(schedule, day, context.day))
                continue;
            text += vitalDayText(schedule, day, context);
        }
    }
    return text;
}

std::string exportRangeText(Schedule& schedule, DayNumber first, DayNumber last, const TextExportContext& context)
{
    const DayBlockContext& c = context.day;
    std::string text = printed("%s %s %s %s", "Zelkon", timeText(c.now, c.regional).c_str(),
                               shortDate(c.today, c.regional).c_str(), kSchedulesWord);
    text = printed("%s\n\n%s\n\n", text.c_str(), context.userName.c_str());
    for (DayNumber day = first; day <= last; day = day + 1)
        if (openDay(schedule, day, c))
            text += exportText(dayBlock(schedule, day, c));
    text += futureVitalItemsText(schedule, context);
    return text;
}

std::string exportItemsListText(const Schedule& schedule, const TextExportContext& context)
{
    std::string text;
    const ListLineContext lineContext{context.day.today, context.day.regional};
    for (ItemHandle h : listedItems(schedule, ListViewId::allItems, context.day.hidden)) {
        const std::string whole = listLine(schedule, ListViewId::allItems, h, lineContext).whole();
        text += printed("%s ", whole.substr(0, kItemPrefixLength).c_str());
        const std::string rest = whole.size() > kItemPrefixLength + 1 ? whole.substr(kItemPrefixLength + 1) : "";
        for (const std::string& piece : piecesOf72(rest))
            text += piece + "\n";
    }
    return text;
}

bool writeExportFile(const std::filesystem::path& file, const std::string& text)
{
    return replaceFileContents(systemFileSystem(), file, text) == 0;
}

} // namespace zk
