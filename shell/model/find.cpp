#include "shell/model/find.h"

#include "core/schedule.h"
#include "core/text.h"
#include "engine/occurrences.h"
#include "worktools/model/notes.h"

#include <algorithm>
#include <unordered_set>

namespace zk {

const char* const kMatchesNoItemsText = "Matches no items";
const char* const kNoMatchingFluidItemsText = "No matching fluid items.";
const char* const kNoFurtherOccurrencesText = "No further occurrences";
const char* const kKeepSearchingText = "Keep searching?";

namespace {

std::string trimmedText(const std::string& text)
{
    std::string out = text;
    while (!out.empty() && isBlankChar(out.back()))
        out.pop_back();
    return std::string(utf8Prefix(out, kMaxFindTextBytes));
}

bool holds(std::string_view text, const std::string& foldedPiece)
{
    return caseFoldKey(text).find(foldedPiece) != std::string::npos;
}

FindResult notFound(std::string message)
{
    FindResult result;
    result.message = std::move(message);
    return result;
}

bool shown(const FindHooks& hooks, ItemHandle item) { return !(hooks.hidden && hooks.hidden(item)); }

// The texts folded once for a whole search.
struct Matcher {
    const Schedule& schedule;
    const FindHooks& hooks;
    std::string item;
    std::string note;

    Matcher(const Schedule& s, const FindTexts& texts, const FindHooks& h)
        : schedule(s), hooks(h), item(caseFoldKey(texts.item)), note(caseFoldKey(texts.note))
    {
    }
    bool matches(ItemHandle h) const
    {
        if (!item.empty())
            return holds(schedule.description(h), item);
        if (note.empty() || !schedule.record(h).has(ItemFlag::fHasNotes) || !hooks.noteText)
            return false;
        std::optional<std::string> text = hooks.noteText(h);
        return text && holds(*text, note);
    }
    bool matchesShown(ItemHandle h) const { return shown(hooks, h) && matches(h); }
};

// Where matches of the item chain lie, from one walk of it, so the day
// search can tell when nothing further can be met.
class MatchBounds {
public:
    MatchBounds(Schedule& s, const Matcher& matcher, DayNumber today) : s_(s), today_(today)
    {
        for (ItemHandle h : s.chain) {
            if (!matcher.matchesShown(h))
                continue;
            if (s.recurrences.contains(h)) {
                if (!(s.recurrences.ruleOf(h).monthWord() & kMonthWordSuspended))
                    definitions_.push_back(h);
                continue;
            }
            for (DayNumber day : s.days.daysOf(h)) {
                earliest_ = earliest_.isNone() || day < earliest_ ? day : earliest_;
                latest_ = latest_.isNone() || day > latest_ ? day : latest_;
            }
        }
    }
    bool anyAfter(DayNumber d)
    {
        if (!latest_.isNone() && latest_ > d)
            return true;
        for (ItemHandle h : definitions_)
            if (!nextOccurrence(s_, h, d, today_).isNone())
                return true;
        return false;
    }
    bool anyBefore(DayNumber d)
    {
        if (!earliest_.isNone() && earliest_ < d)
            return true;
        for (ItemHandle h : definitions_)
            if (!previousOccurrence(s_, h, d, today_).isNone())
                return true;
        return false;
    }

private:
    Schedule& s_;
    DayNumber today_;
    DayNumber earliest_;
    DayNumber latest_;
    std::vector<ItemHandle> definitions_;
};

// The earliest day a backward search may reach: past days only through the
// archive, or as far as the day list holds them.
DayNumber backwardLimit(const Schedule& s)
{
    if (s.readPastDay)
        return kFirstUsableDay;
    return s.days.empty() ? kLastUsableDay : DayNumber(s.days.begin()->first);
}

} // namespace

std::function<std::optional<std::string>(ItemHandle)> noteReader(const Schedule& schedule,
                                                                 const std::filesystem::path& scheduleFolder)
{
    return [&schedule, files = NoteFiles(scheduleFolder, notePrefix(schedule.header))](
               ItemHandle h) -> std::optional<std::string> {
        const ItemRecord& r = schedule.record(h);
        if (!r.has(ItemFlag::fHasNotes) || r.refNo() == 0)
            return std::nullopt;
        NoteText note = readNote(files.note(r.refNo()));
        if (note.status != NoteText::Status::Loaded)
            return std::nullopt;
        return std::move(note.text);
    };
}

FindTexts FindTexts::trimmed() const { return {trimmedText(item), trimmedText(note)}; }

bool findMatches(const Schedule& schedule, ItemHandle item, const FindTexts& texts, const FindHooks& hooks)
{
    return Matcher(schedule, texts, hooks).matches(item);
}

std::optional<std::string> nothingToFind(const Schedule& s, const FindTexts& texts, const FindHooks& hooks,
                                         bool priorityList)
{
    const Matcher matcher(s, texts, hooks);
    if (priorityList) {
        for (PlistEntryHandle e = s.plist.first(); e; e = s.plist.next(e))
            if (matcher.matchesShown(s.plist.entry(e).item))
                return std::nullopt;
    }
    bool any = false;
    for (ItemHandle h : s.chain)
        if (matcher.matchesShown(h)) {
            any = true;
            break;
        }
    if (!any)
        for (ItemHandle h : s.globalList)
            if (matcher.matchesShown(h)) {
                any = true;
                break;
            }
    if (!any)
        return std::string(kMatchesNoItemsText);
    if (priorityList)
        return std::string(kNoMatchingFluidItemsText);
    return std::nullopt;
}

FindResult searchList(const Schedule& s, const std::vector<ItemHandle>& listed, std::optional<int> selected,
                      FindMode mode, const FindTexts& texts, const FindHooks& hooks)
{
    const Matcher matcher(s, texts, hooks);
    const int count = static_cast<int>(listed.size());
    int from = 0;
    int step = 1;
    if (mode == FindMode::Next)
        from = selected ? *selected + 1 : 0;
    if (mode == FindMode::Prior) {
        from = selected ? *selected - 1 : count - 1;
        step = -1;
    }
    for (int i = from; i >= 0 && i < count; i += step)
        if (matcher.matches(listed[static_cast<std::size_t>(i)])) {
            FindResult result;
            result.found = true;
            result.listIndex = i;
            return result;
        }
    return notFound(kNoFurtherOccurrencesText);
}

namespace {

// One search through the days: the matcher and the bounds are made once,
// however many matches are stepped through.
class DayWalk {
public:
    DayWalk(Schedule& s, const FindTexts& texts, const FindHooks& hooks)
        : s_(s), hooks_(hooks), matcher_(s, texts, hooks), bounds_(s, matcher_, s.today())
    {
    }

    FindResult walk(DayNumber start, std::optional<std::size_t> selected, FindMode mode)
    {
        const bool backward = mode == FindMode::Prior;
        const DayNumber today = s_.today();
        const DayNumber limit = backward ? std::max(kFirstUsableDay, backwardLimit(s_)) : kLastUsableDay;
        for (DayNumber d = start; d.isUsable() && (backward ? d >= limit : d <= limit); d = d + (backward ? -1 : 1)) {
            if (hooks_.searchingDay)
                hooks_.searchingDay(d);
            if (d != start && backward && s_.isPastDay(d) && (start - d) % 365 == 0
                && !(hooks_.keepSearching && hooks_.keepSearching(d)))
                return notFound({});
            // A past day is read from its archive; without one only the
            // days the data file still holds are there to search.
            const DayRecord* record = s_.isPastDay(d) && !s_.readPastDay ? s_.findDay(d) : s_.getDay(d);
            if (record) {
                const auto& entries = record->entries();
                const long count = static_cast<long>(entries.size());
                long i = backward ? count - 1 : 0;
                if (d == start && selected && mode != FindMode::First)
                    i = backward ? static_cast<long>(*selected) - 1 : static_cast<long>(*selected) + 1;
                for (; i >= 0 && i < count; i += backward ? -1 : 1)
                    if (matcher_.matchesShown(entries[static_cast<std::size_t>(i)].item)) {
                        FindResult result;
                        result.found = true;
                        result.day = d;
                        result.entryIndex = static_cast<std::size_t>(i);
                        return result;
                    }
            }
            // Nothing further can be met: stop rather than walk to the end of
            // the calendar. Past days hold items the chain does not know.
            if (!backward && d >= today && !s_.isPastDay(d) && !bounds_.anyAfter(d))
                break;
            if (backward && !s_.isPastDay(d - 1) && !bounds_.anyBefore(d))
                break;
        }
        return notFound(kNoFurtherOccurrencesText);
    }

private:
    Schedule& s_;
    const FindHooks& hooks_;
    Matcher matcher_;
    MatchBounds bounds_;
};

} // namespace

FindResult searchDays(Schedule& s, DayNumber viewed, std::optional<std::size_t> selected, FindMode mode,
                      const FindTexts& texts, const FindHooks& hooks)
{
    const DayNumber start = mode == FindMode::First ? firstNonPastDay(s, s.today()) : viewed;
    return DayWalk(s, texts, hooks).walk(start, selected, mode);
}

std::vector<FoundItem> findAll(Schedule& s, DayNumber from, bool backward, const FindTexts& texts,
                               const FindHooks& hooks)
{
    const Matcher matcher(s, texts, hooks);
    const DayNumber today = s.today();
    // What of the item chain can still be met from `from` on: the walk ends
    // once all of it was met, not at the end of the calendar (a recurring
    // match occurs on every day).
    std::unordered_set<ItemHandle, ItemHandleHash> ahead;
    for (ItemHandle h : s.chain) {
        if (!matcher.matchesShown(h))
            continue;
        if (s.recurrences.contains(h)) {
            DayNumber next = backward ? previousOccurrence(s, h, from + 1, today) : nextOccurrence(s, h, from - 1, today);
            if (!next.isNone())
                ahead.insert(h);
            continue;
        }
        for (DayNumber day : s.days.daysOf(h))
            if (backward ? day <= from : day >= from)
                ahead.insert(h);
    }
    std::vector<FoundItem> found;
    std::unordered_set<ItemHandle, ItemHandleHash> met;
    const DayNumber limit = backward ? std::max(kFirstUsableDay, backwardLimit(s)) : kLastUsableDay;
    for (DayNumber d = from; d.isUsable() && (backward ? d >= limit : d <= limit); d = d + (backward ? -1 : 1)) {
        // Past days hold items the chain does not know: backward, they are
        // walked as far as they go.
        if (ahead.empty() && (!backward || !s.isPastDay(d)))
            break;
        if (backward && d != from && s.isPastDay(d) && (from - d) % 365 == 0
            && !(hooks.keepSearching && hooks.keepSearching(d)))
            break;
        const DayRecord* record = s.isPastDay(d) && !s.readPastDay ? s.findDay(d) : s.getDay(d);
        if (!record)
            continue;
        std::vector<ItemHandle> items;
        for (const DayEntry& e : record->entries())
            items.push_back(e.item);
        if (backward)
            std::reverse(items.begin(), items.end());
        for (ItemHandle h : items)
            if (!met.count(h) && matcher.matchesShown(h)) {
                met.insert(h);
                ahead.erase(h);
                found.push_back({d, h});
            }
    }
    for (ItemHandle h : s.globalList)
        if (matcher.matchesShown(h) && met.insert(h).second)
            found.push_back({kNoDay, h});
    return found;
}

} // namespace zk
