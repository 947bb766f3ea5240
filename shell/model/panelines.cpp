#include "shell/model/panelines.h"

#include "core/projectcolour.h"
#include "core/schedule.h"
#include "core/scheduleheader.h"
#include "core/text.h"
#include "engine/daylayout.h"
#include "engine/interfacemode.h"
#include "engine/placementcontext.h"
#include "shell/model/placesettings.h"
#include "shell/model/settings.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace zk {

const char* const kTooManyLinesText = "Can't display so many lines at once. Choose larger font";
const char* const kProtectedScheduleText = "These schedules are protected. You are not authorized to view them.";
const char* const kSplitCannotHoldText = "Split tasks cannot be put on hold";

namespace {

constexpr std::size_t kWeekDaysAt = 535;
constexpr std::size_t kWeekMaskAt = 536;
constexpr std::size_t kPaneCountAt = 537;
constexpr std::uint8_t kWorkWeek = 0x3E;  // Monday to Friday

PlacementContext contextOf(const LineMoment& moment)
{
    PlacementContext at;
    at.today = moment.today;
    at.now = moment.now;
    return at;
}

int weekDaysOf(int value) { return value >= 1 && value <= 7 ? value : 5; }
int paneCountOf(int value) { return value >= 2 && value <= 7 ? value : 4; }
std::uint8_t weekMaskOf(int value) { return (value & 0x7F) != 0 ? static_cast<std::uint8_t>(value & 0x7F) : kWorkWeek; }

// Rounds towards minus infinity, so the days before today are in week -1.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }


// Where the gap after entry i ends; nothing when the next entry has no time.
std::optional<int> gapEnd(const Schedule& schedule, const std::vector<DayEntry>& entries, std::size_t i)
{
    if (i + 1 == entries.size())
        return schedule.dayEnd().value();
    const DayEntry& next = entries[i + 1];
    if (next.start == 0 || schedule.record(next.item).has(ItemFlag::fOnHold))
        return std::nullopt;
    return next.startTime().value();
}

bool showsGap(int begin, int end, DayNumber day, const PaneDisplay& d, const LineMoment& m)
{
    int length = end - begin;
    if (length <= 0 || day < m.today)
        return false;
    return !(d.hideGaps && length < d.minFreeLenShow);
}

PaneLine itemLine(Schedule& schedule, const DayEntry& e, std::size_t index, DayNumber day, int rank,
                  const PaneDisplay& d, const LineMoment& m, const RegionalSettings& regional)
{
    const ItemRecord& r = schedule.record(e.item);
    PaneLine line;
    line.item = e.item;
    line.entryIndex = index;
    line.minutes = r.has(ItemFlag::fOnHold) ? 0 : e.placedMinutes;
    line.text = itemLineText(schedule, e, day, rank, d, m, regional);
    line.key = r.has(ItemFlag::fKey);
    line.struckOut = r.has(ItemFlag::fDone) && !d.noPastStrikes;
    line.hasNote = r.has(ItemFlag::fHasNotes);
    line.alarm = r.has(ItemFlag::fAlarm);
    line.floating = e.start != 0 && !r.has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold);
    line.projectColour = projectColour(schedule, r.projectId());
    line.status = r.status() & 7;
    line.description = schedule.description(e.item);
    if (r.has(ItemFlag::fDone))
        line.background = LineBackground::Done;
    if (d.protectedSchedule) {
        line.text = ItemLineText{};
        line.text.text = kProtectedScheduleText;
    }
    return line;
}

PaneLine gapLine(int begin, int end, const PaneDisplay& d, const RegionalSettings& regional)
{
    PaneLine line;
    line.kind = PaneLineKind::Gap;
    line.minutes = end - begin;
    line.gap = gapLineText(TimeValue(begin), TimeValue(end), d, regional);
    return line;
}

void shadeAlternateLines(std::vector<PaneLine>& lines)
{
    for (std::size_t i = 1; i < lines.size(); i += 2)
        if (lines[i].background == LineBackground::Normal)
            lines[i].background = LineBackground::Shaded;
}

std::string utf8Of(char32_t c)
{
    std::string out;
    appendUtf8(out, c);
    return out;
}

// Plain letters compare without case; other characters as they are.
bool startsWithCharacter(const std::string& text, char32_t c)
{
    if (c < 0x80)
        return !text.empty() && std::tolower(static_cast<unsigned char>(text[0])) == std::tolower(static_cast<int>(c));
    return text.starts_with(utf8Of(c));
}

} // namespace

PaneDisplay paneDisplayFrom(const Settings& settings, const ScheduleHeader& header)
{
    static constexpr std::pair<bool PaneDisplay::*, IntSetting> kSwitches[] = {
        {&PaneDisplay::showTaskTimes, IntSetting::ShowTaskTimes},
        {&PaneDisplay::showDoneTaskTimes, IntSetting::ShowDoneTaskTimes},
        {&PaneDisplay::showEndTimes, IntSetting::ShowEndTimes},
        {&PaneDisplay::showOppCosts, IntSetting::ShowOppCosts},
        {&PaneDisplay::hideGaps, IntSetting::HideGaps},
        {&PaneDisplay::showConflictLens, IntSetting::ShowConflictLens},
        {&PaneDisplay::noPastStrikes, IntSetting::NoPastStrikes},
        {&PaneDisplay::timespace, IntSetting::Timespace},
        {&PaneDisplay::shading, IntSetting::Shading},
        {&PaneDisplay::itemBorders, IntSetting::ItemBorders},
        {&PaneDisplay::weekOfYear, IntSetting::MonthviewWkOfYr},
    };
    PaneDisplay d;
    for (auto [field, id] : kSwitches)
        d.*field = settings.isOn(id);
    d.minFreeLenShow = settings.value(IntSetting::MinFreeLenShow);
    d.nBatting = settings.value(IntSetting::nBatting);
    d.proMode = isProMode(header);
    d.liteMode = isLiteMode(header);
    d.valuesDisplay = headerOption(header, HeaderOption::MarvalPrioritization);
    d.week = settings.week();
    d.sun = SunDisplay{settings.isOn(IntSetting::ShowSunrise), settings.isOn(IntSetting::Zenith),
                       settings.isOn(IntSetting::ShowSunset), settings.real(RealSetting::Latitude),
                       settings.real(RealSetting::Longitude)};
    d.moon = MoonDisplay{settings.isOn(IntSetting::ShowMoons), settings.isOn(IntSetting::Moonrise),
                         settings.isOn(IntSetting::Moonset),
                         settings.isOn(IntSetting::MoonAM) ? MoonHours::Morning : MoonHours::Evening,
                         d.sun.latitude, d.sun.longitude};
    d.tides = TideDisplay{settings.isOn(IntSetting::HighTide), settings.isOn(IntSetting::LowTide), d.sun.longitude,
                          tideLocationOf(settings)};
    return d;
}

// --- which days ---------------------------------------------------------------------------

ViewLayout viewLayoutOf(const ScheduleHeader& header)
{
    ViewLayout layout;
    layout.weekDays = weekDaysOf(header.u8(kWeekDaysAt));
    layout.weekMask = weekMaskOf(header.u8(kWeekMaskAt));
    layout.paneCount = paneCountOf(header.u8(kPaneCountAt));
    return layout;
}

void storeViewLayout(ScheduleHeader& header, const ViewLayout& layout)
{
    header.setU8(kWeekDaysAt, static_cast<std::uint8_t>(weekDaysOf(layout.weekDays)));
    header.setU8(kWeekMaskAt, weekMaskOf(layout.weekMask));
    header.setU8(kPaneCountAt, static_cast<std::uint8_t>(paneCountOf(layout.paneCount)));
}

std::vector<DayNumber> paneDays(ScheduleView view, DayNumber first, const ViewLayout& layout)
{
    std::vector<DayNumber> days;
    switch (view) {
    case ScheduleView::Single:
        days.push_back(first);
        break;
    case ScheduleView::MultiPane:
        for (int i = 0; i < paneCountOf(layout.paneCount) && first + i <= kLastUsableDay; ++i)
            days.push_back(first + i);
        break;
    case ScheduleView::Week: {
        std::uint8_t mask = weekMaskOf(layout.weekMask);
        int wanted = weekDaysOf(layout.weekDays);
        for (DayNumber d = first; static_cast<int>(days.size()) < wanted && d <= kLastUsableDay; ++d)
            if (mask & (1u << d.weekday()))
                days.push_back(d);
        break;
    }
    }
    return days;
}

WeekScroll weekScrollRange(DayNumber today)
{
    return {(kFirstUsableDay - today) / 7, (kLastUsableDay - today) / 7 - 4};
}

int weekScrollPosition(DayNumber viewed, DayNumber today) { return floorDiv(viewed - today, 7); }

DayNumber dayAtWeekScroll(int position, DayNumber viewed, DayNumber today)
{
    DayNumber day = viewed + 7 * (position - weekScrollPosition(viewed, today));
    return std::clamp(day, kFirstUsableDay, kLastUsableDay);
}

std::optional<DayNumber> movedDay(DayNumber day, int days)
{
    if (days == 0)
        return day;
    bool byWeeks = days <= -7 || days >= 7;
    DayNumber lowest = byWeeks ? DayNumber(2307) : kFirstUsableDay + 1;
    DayNumber highest = byWeeks ? DayNumber(32501) : kLastUsableDay - 1;
    if ((days < 0 && day < lowest) || (days > 0 && day > highest))
        return std::nullopt;
    return std::clamp(day + days, kFirstUsableDay, kLastUsableDay);
}

// --- the lines of a pane ------------------------------------------------------------------

std::string PaneLine::whole() const { return kind == PaneLineKind::Gap ? gap.whole() : text.whole(); }

DayLines dayLines(Schedule& schedule, DayNumber day, const PaneDisplay& d, const LineMoment& m,
                  const RegionalSettings& regional, const HideTest& hidden)
{
    DayLines out;
    out.day = day;
    if (!day.isUsable())
        return out;
    const DayRecord* record = openDayForDisplay(schedule, day, contextOf(m));
    out.heading = paneHeading(day, regional);
    out.facts = skyFacts(day, d, m, regional) + dayFactsLine(schedule, day, d, m);
    if (d.moon.symbol()) {
        const MoonPhase phase = moonPhase(day, utcOffsetOfDay(day));
        out.moonSymbol = moonSymbol(phase.name);
        if (d.moon.phases)
            out.moon = phase;
    }
    out.highlighted = isHighlightedDay(schedule, day);
    if (!record)
        return out;
    const std::vector<DayEntry>& entries = record->entries();
    int latestEnd = freeTimeFrom(schedule, entries);
    int rank = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DayEntry& e = entries[i];
        const ItemRecord& r = schedule.record(e.item);
        if (!hidden || !hidden(e.item)) {
            if (!r.has(ItemFlag::fDone | ItemFlag::fOnHold))
                ++rank;
            out.lines.push_back(itemLine(schedule, e, i, day, rank, d, m, regional));
        }
        if (!r.has(ItemFlag::fOnHold))
            latestEnd = std::max(latestEnd, e.startTime().value() + e.placedMinutes);
        std::optional<int> end = gapEnd(schedule, entries, i);
        if (!d.proMode || !end)
            continue;
        // On today only the time still to come is free.
        int begin = day == m.today ? std::max(latestEnd, m.now.value()) : latestEnd;
        if (showsGap(begin, *end, day, d, m))
            out.lines.push_back(gapLine(begin, *end, d, regional));
    }
    if (day == m.today && d.shading)
        shadeAlternateLines(out.lines);
    return out;
}

// --- geometry -----------------------------------------------------------------------------

int lineHeightOf(const PaneLine& line, const PaneMetrics& metrics)
{
    if (!metrics.timespace)
        return metrics.lineHeight;
    int lines = std::clamp(line.minutes / kMinutesPerTimespaceLine, 1, kMaxTimespaceLines);
    return lines * metrics.lineHeight;
}

void PaneRecord::setLines(DayLines lines)
{
    ItemHandle kept = selectedItem();
    std::size_t keptEntry = selected_ ? lines_.lines[*selected_].entryIndex : 0;
    bool sameDay = lines.day == lines_.day;
    lines_ = std::move(lines);
    selected_.reset();
    extended_.clear();
    if (!sameDay) {
        first_ = 0;
        selectFirst();
        return;
    }
    // The same item, at the same place when it has several pieces.
    std::optional<int> found;
    for (int i = 0; i < lineCount(); ++i) {
        const PaneLine& line = lines_.lines[i];
        if (line.selectable() && line.item == kept && (!found || line.entryIndex == keptEntry))
            found = i;
    }
    if (found)
        select(*found);
    first_ = std::min(first_, lastFirstLine());
    layoutRows();
}

void PaneRecord::setMetrics(const PaneMetrics& metrics)
{
    metrics_ = metrics;
    first_ = std::min(first_, lastFirstLine());
    layoutRows();
}

void PaneRecord::layoutRows()
{
    rows_.clear();
    if (tooManyLines())
        return;
    int top = 0;
    for (int i = first_; i < lineCount() && top < metrics_.clientHeight && rows_.size() < kMaxPaneRows; ++i) {
        int height = lineHeightOf(lines_.lines[i], metrics_);
        rows_.push_back({i, top, height});
        top += height;
    }
}

int PaneRecord::linesPerPage() const
{
    int whole = 0;
    for (const PaneRow& row : rows_)
        whole += row.top + row.height <= metrics_.clientHeight ? 1 : 0;
    return std::max(1, whole);
}

int PaneRecord::lastFirstLine() const
{
    int room = metrics_.clientHeight;
    int first = lineCount();
    while (first > 0 && room >= lineHeightOf(lines_.lines[first - 1], metrics_)) {
        room -= lineHeightOf(lines_.lines[first - 1], metrics_);
        --first;
    }
    return std::min(first, std::max(0, lineCount() - 1));
}

void PaneRecord::scrollTo(int firstLine)
{
    first_ = std::clamp(firstLine, 0, lastFirstLine());
    layoutRows();
}

std::optional<PaneHit> PaneRecord::hitTest(int x, int y) const
{
    for (const PaneRow& row : rows_) {
        if (y < row.top || y >= row.top + row.height)
            continue;
        const PaneLine& line = lines_.lines[row.line];
        PaneHit hit{row.line, HitPart::Text};
        if (x < metrics_.timeColumnWidth)
            hit.part = HitPart::TimeColumn;
        else if (line.hasNote && x >= metrics_.clientWidth - 5 * metrics_.characterWidth)
            hit.part = HitPart::NoteIcon;
        return hit;
    }
    return std::nullopt;
}

ItemHandle PaneRecord::selectedItem() const { return selected_ ? lines_.lines[*selected_].item : kNoItem; }

bool PaneRecord::select(int line, SelectionExtension extension)
{
    if (line < 0 || line >= lineCount() || !lines_.lines[line].selectable())
        return false;
    auto range = [&] {
        std::set<int> lines;
        for (int i = std::min(anchor_, line); i <= std::max(anchor_, line); ++i)
            if (lines_.lines[i].selectable())
                lines.insert(i);
        return lines;
    };
    switch (extension) {
    case SelectionExtension::None:
        extended_ = {line};
        anchor_ = line;
        break;
    case SelectionExtension::Toggle:
        if (extended_.count(line) && extended_.size() > 1)
            extended_.erase(line);
        else
            extended_.insert(line);
        anchor_ = line;
        break;
    case SelectionExtension::Range:
        extended_ = range();
        break;
    case SelectionExtension::ToggleRange:
        extended_.merge(range());
        break;
    }
    // The selected line is the one clicked, or, after a toggle took it
    // away, the nearest one still in the selection.
    selected_ = extended_.count(line) ? line : *extended_.begin();
    keepSelectionVisible();
    return true;
}

void PaneRecord::clearSelection()
{
    selected_.reset();
    extended_.clear();
}

std::optional<int> PaneRecord::selectableFrom(int line, int step) const
{
    for (int i = line; i >= 0 && i < lineCount(); i += step)
        if (lines_.lines[i].selectable())
            return i;
    return std::nullopt;
}

bool PaneRecord::selectNext()
{
    auto next = selectableFrom(selected_ ? *selected_ + 1 : 0, 1);
    return next && select(*next);
}

bool PaneRecord::selectPrevious()
{
    if (!selected_)
        return selectLast();
    auto previous = selectableFrom(*selected_ - 1, -1);
    return previous && select(*previous);
}

bool PaneRecord::selectFirst()
{
    auto first = selectableFrom(0, 1);
    return first && select(*first);
}

bool PaneRecord::selectLast()
{
    auto last = selectableFrom(lineCount() - 1, -1);
    return last && select(*last);
}

bool PaneRecord::pageDown()
{
    int page = linesPerPage();
    int from = selected_.value_or(first_);
    auto target = selectableFrom(std::min(from + page, lineCount() - 1), -1);
    scrollBy(page);
    if (!target || *target <= from)
        return selectLast() && from != selected_.value_or(from);
    return select(*target);
}

bool PaneRecord::pageUp()
{
    int page = linesPerPage();
    int from = selected_.value_or(first_);
    auto target = selectableFrom(std::max(from - page, 0), 1);
    scrollBy(-page);
    if (!target || *target >= from)
        return selectFirst() && from != selected_.value_or(from);
    return select(*target);
}

bool PaneRecord::typeAhead(char32_t character)
{
    int count = lineCount();
    int start = selected_ ? *selected_ + 1 : 0;
    for (int step = 0; step < count; ++step) {
        int i = (start + step) % count;
        const PaneLine& line = lines_.lines[i];
        if (line.selectable() && startsWithCharacter(line.description, character))
            return select(i);
    }
    return false;
}

void PaneRecord::keepSelectionVisible()
{
    if (!selected_)
        return;
    if (*selected_ < first_) {
        scrollTo(*selected_);
        return;
    }
    layoutRows();
    for (const PaneRow& row : rows_)
        if (row.line == *selected_ && row.top + row.height <= metrics_.clientHeight)
            return;
    // Scroll down until the selected line is the last whole one.
    int room = metrics_.clientHeight - lineHeightOf(lines_.lines[*selected_], metrics_);
    int first = *selected_;
    while (first > 0 && room >= lineHeightOf(lines_.lines[first - 1], metrics_)) {
        room -= lineHeightOf(lines_.lines[first - 1], metrics_);
        --first;
    }
    scrollTo(first);
}

// --- the held placement -------------------------------------------------------------------

bool toggleHeldTime(Schedule& schedule, ItemHandle item, DayNumber day, const LineMoment& moment)
{
    ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::fSplit))
        return false;
    r.setFlag(ItemFlag::fHeldTime, !r.has(ItemFlag::fHeldTime));
    r.setFlag(ItemFlag::fOnHold, false);
    layoutDay(schedule, day, contextOf(moment));
    schedule.dirty = true;
    return true;
}

} // namespace zk
