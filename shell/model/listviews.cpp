#include "shell/model/listviews.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "platform/fault.h"
#include "shell/model/menus.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace zk {

namespace {

constexpr const char* kModule = "Xlist";
constexpr const char* kNoLetterText = "new";
// Bit 10 of the header option word: cash amounts follow cash-flow items.
constexpr std::uint32_t kCashDisplayBit = 0x400;

std::string printed(const char* format, auto... values)
{
    char buffer[1400];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

std::string descriptionOf(const Schedule& s, ItemHandle item)
{
    std::string text = s.description(item);
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

std::string durationOf(const ItemRecord& r, const ListLineContext& context)
{
    if (r.kind() == ItemKind::cashFlow)
        return {};
    return "(" + durationText(r.duration(), context.regional) + ")";
}

std::string letterText(std::uint8_t letter)
{
    return letter < '!' ? std::string(kNoLetterText) : std::string(1, static_cast<char>(letter));
}

std::string amountText(float value) { return printed("%.2f", static_cast<double>(value)); }

// Cuts the prefix at a character boundary at or before `length` bytes.
ListLine split(std::string text, std::size_t length)
{
    ListLine line;
    std::size_t cut = std::min(length, text.size());
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    line.prefix = text.substr(0, cut);
    line.rest = text.substr(cut);
    return line;
}

ListLine itemLine(const Schedule& s, int view, ItemHandle item, const ListLineContext& context)
{
    const ItemRecord& r = s.record(item);
    const std::string description = descriptionOf(s, item);
    std::string text;
    if (r.has(ItemFlag::fRecurDef)) {
        text = printed("%12s  %s %s", "-r", description.c_str(), durationOf(r, context).c_str());
    } else if (view == ListViewId::globalList) {
        text = printed("%12s  %s", "", description.c_str());
    } else {
        const DayNumber day = s.dayOf(item);
        const bool dated = !day.isNone() && day.value() != kNoDayInChain;
        const std::string date = dated ? paddedNumericDate(day, context.regional) : std::string();
        const std::string weekday = dated ? dayName(day, context.regional, NameForm::ThreeLetter) : std::string();
        text = printed("%8s %3s  %s %s", date.c_str(), weekday.c_str(), description.c_str(),
                       durationOf(r, context).c_str());
    }
    if (r.has(ItemFlag::fFloating)) {
        int seq = static_cast<int>(r.plistLink());
        if (PlistEntryHandle e = findPlistEntry(s, item))
            seq = s.plist.entry(e).seq;
        text += printed(" %s%d", letterText(r.priorityLetter()).c_str(), seq);
    }
    if ((s.header.u32(ScheduleHeader::optionWordAt) & kCashDisplayBit) && r.kind() == ItemKind::cashFlow) {
        std::string amounts;
        if (r.value() != 0)
            amounts += "+" + amountText(r.value());
        if (r.expense() != 0)
            amounts += (amounts.empty() ? "-" : " -") + amountText(r.expense());
        text += " " + amounts;
    }
    return split(std::move(text), kItemPrefixLength);
}

// The item's time on the day (a per-hour reward is paid for it); its
// duration when the day is not built.
std::uint16_t scheduledMinutes(const Schedule& s, ItemHandle item, DayNumber day)
{
    const DayRecord* record = s.findDay(day);
    if (!record)
        return s.record(item).duration();
    int minutes = 0;
    for (const DayEntry& e : record->entries())
        if (e.item == item)
            minutes += e.placedMinutes;
    return static_cast<std::uint16_t>(std::min(minutes, 0xFFFF));
}

ListLine priorityLine(const Schedule& s, ItemHandle item, const ListLineContext& context)
{
    const ItemRecord& r = s.record(item);
    const DayNumber today = context.today;
    const int age = today.value() - r.createdDay();
    const std::string ageText = age < 366 ? printed("%d", age) : printed("%dyears %d", age / 365, age % 365);
    const DayNumber day = s.dayOf(item);
    const bool dated = !day.isNone() && day.value() != kNoDayInChain;
    const int offset = dated ? day.value() - today.value() : 0;
    std::string offsetText;
    if (offset >= 100)
        offsetText = "+++";
    else if (offset >= 0)
        offsetText = printed("+%-2d", offset);
    else if (offset > -100)
        offsetText = printed("%-3d", offset);
    else
        offsetText = "---";
    std::uint8_t letter = r.priorityLetter();
    int seq = static_cast<int>(r.plistLink());
    if (PlistEntryHandle e = findPlistEntry(s, item)) {
        letter = s.plist.entry(e).letter;
        seq = s.plist.entry(e).seq;
    }
    const std::string rank = printed("%s%d.", letterText(letter).c_str(), seq);
    const std::string date = dated ? monthDay(day, context.regional) : std::string();
    const std::string weekday = dated ? dayName(day, context.regional, NameForm::ThreeLetter) : std::string();
    const char postponed = r.postponeDate() > today.value() ? '/' : ' ';
    const char sequence = r.has(ItemFlag::fSequence) ? '^' : ' ';
    std::string text = printed("%6s %5s %3s %s  %c%c %s (%s) .%s. ", rank.c_str(), date.c_str(), weekday.c_str(),
                               offsetText.c_str(), postponed, sequence, descriptionOf(s, item).c_str(),
                               durationText(r.duration(), context.regional).c_str(), ageText.c_str());
    if (dated && marvalsOn(s.header))
        text += valueText(s, DayEntry{item, 0, scheduledMinutes(s, item, day)}, day);
    return split(std::move(text), kPriorityPrefixLength);
}

ListLine projectLine(const Schedule& s, ItemHandle item)
{
    const char mark = s.record(item).has(ItemFlag::projectMarked) ? '$' : ' ';
    return split(printed("%14s %c%s", "", mark, descriptionOf(s, item).c_str()), kItemPrefixLength);
}

} // namespace

ListHideTest viewHideTest(const Schedule& schedule, ViewFilter filter, ViewContext context)
{
    return [&schedule, filter = std::move(filter), context](ItemHandle h) {
        return isHidden(schedule, h, filter, context);
    };
}

bool walksPlist(int view) { return view == ListViewId::priority || view == ListViewId::alternate; }

int listViewNamed(std::string_view name)
{
    static constexpr std::pair<std::string_view, int> kNames[] = {
        {"all", ListViewId::allItems}, {"edited", ListViewId::edited}, {"inserted", ListViewId::inserted},
        {"recurring", ListViewId::recurring}, {"suspended", ListViewId::suspended},
        {"global", ListViewId::globalList}, {"priority", ListViewId::priority},
        {"alternate", ListViewId::alternate}, {"projects", ListViewId::projects},
    };
    for (auto [n, view] : kNames)
        if (n == name)
            return view;
    return 0;
}

std::vector<ItemHandle> listedItems(const Schedule& s, int view, const ListHideTest& hidden)
{
    std::vector<ItemHandle> out;
    auto take = [&](ItemHandle h) {
        if (h && s.items.isLive(h) && !(hidden && hidden(h)))
            out.push_back(h);
    };
    if (walksPlist(view)) {
        for (PlistEntryHandle e = s.plist.first(); e; e = s.plist.next(e))
            take(s.plist.entry(e).item);
    } else if (view == ListViewId::globalList) {
        for (ItemHandle h : s.globalList)
            take(h);
    } else if (view == ListViewId::projects) {
        for (ItemHandle h : s.projects)
            take(h);
    } else {
        ZK_CHECK(isListView(view), kModule);
        out.reserve(s.chain.size());
        for (ItemHandle h : s.chain)
            take(h);
    }
    return out;
}

ListLine listLine(const Schedule& s, int view, ItemHandle item, const ListLineContext& context)
{
    ZK_CHECK(isListView(view), kModule);
    ListLine line = walksPlist(view)                   ? priorityLine(s, item, context)
                    : view == ListViewId::projects ? projectLine(s, item)
                                                   : itemLine(s, view, item, context);
    const ItemRecord& r = s.record(item);
    line.item = item;
    line.status = r.status();
    line.done = r.has(ItemFlag::fDone);
    line.key = r.has(ItemFlag::fKey);
    return line;
}

std::string listTitle(const Schedule& s, int view, const std::vector<ItemHandle>& listed,
                      const ListLineContext& context, TimeValue now)
{
    const std::string clock = timeText(now, context.regional);
    const std::string weekday = dayName(context.today, context.regional, NameForm::ThreeLetter);
    const std::string date = shortDate(context.today, context.regional);
    switch (view) {
    case ListViewId::priority:
    case ListViewId::alternate: {
        // The totals count what the view shows, as its lines do.
        const std::unordered_set<ItemHandle, ItemHandleHash> shown(listed.begin(), listed.end());
        const ListedTotals totals = countListed(s, [&](ItemHandle h) { return shown.count(h) != 0; });
        return printed(view == ListViewId::priority
                           ? "Priority list of %d floating items lasting %d hours - %s - %.3s %s"
                           : "Alternate list of %d floating items lasting %d hours - %s - %.3s %s",
                       totals.count, totals.hours, clock.c_str(), weekday.c_str(), date.c_str());
    }
    case ListViewId::globalList:
        return printed("Global List - %d items %s %s %s", static_cast<int>(listed.size()), clock.c_str(),
                       weekday.c_str(), date.c_str());
    case ListViewId::suspended: return "Suspended Items List";
    case ListViewId::edited: return "Edited Recently List";
    case ListViewId::inserted: return "Inserted Recently List";
    default: return {};
    }
}

} // namespace zk
