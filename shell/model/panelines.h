#pragma once
// The schedule panes without their windows: which days the panes of a view
// show, the lines of one pane (item lines, gap lines), where each line lies
// for given metrics (one line each, or, in the timespace layout, a height
// that follows its minutes), and the pane record with its scrolling,
// selection, hit testing and type-ahead.
//
// Contract:
// - dayLines() reads the schedule once, laying the day out at the moment
//   given; the result holds text, looks and item handles only, so a window
//   may paint it later without owning the schedule.
// - A pane record keeps its selection across new lines by item handle: the
//   selected item stays selected while the day still shows it.
// - At most kMaxPaneRows lines are laid out on one page; a page that would
//   hold more is refused (tooManyLines) and not painted.

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/linetext.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zk {

class Schedule;
class ScheduleHeader;
class Settings;

// The display options as the user set them, with the interface mode and the
// values display from the header.
PaneDisplay paneDisplayFrom(const Settings& settings, const ScheduleHeader& header);

inline constexpr int kMaxPaneRows = 199;
extern const char* const kTooManyLinesText;
extern const char* const kProtectedScheduleText;
extern const char* const kSplitCannotHoldText;

// --- which days ---------------------------------------------------------------------------

enum class ScheduleView { Single, MultiPane, Week };

struct ViewLayout {
    int weekDays = 5;              // panes of the week view, 1..7
    std::uint8_t weekMask = 0x3E;  // bit 0 Sunday .. bit 6 Saturday
    int paneCount = 4;             // panes of the multi-pane view, 2..7
};

// Header bytes 535 (week view days), 536 (week weekday mask) and 537 (pane
// count), with their fallbacks for 0 or out-of-range values.
ViewLayout viewLayoutOf(const ScheduleHeader& header);
void storeViewLayout(ScheduleHeader& header, const ViewLayout& layout);

// The panes' days from the first one: one pane; consecutive days; or the
// next days (from `first` on) whose weekday bit is set.
std::vector<DayNumber> paneDays(ScheduleView view, DayNumber first, const ViewLayout& layout);

// The single pane's scroll bar counts weeks from today.
struct WeekScroll {
    int minimum = 0;
    int maximum = 0;
};
WeekScroll weekScrollRange(DayNumber today);
int weekScrollPosition(DayNumber viewed, DayNumber today);
// The day a scroll position shows, on the viewed day's weekday.
DayNumber dayAtWeekScroll(int position, DayNumber viewed, DayNumber today);

// The day `days` away from `day`, or nothing when the viewed day may not go
// there (moves stay in 2300..32508 a day at a time, 2307..32501 by weeks).
std::optional<DayNumber> movedDay(DayNumber day, int days);

// --- the lines of a pane ------------------------------------------------------------------

enum class PaneLineKind { Item, Gap };
enum class LineBackground { Normal, Shaded, Done };

struct PaneLine {
    PaneLineKind kind = PaneLineKind::Item;
    ItemHandle item;            // item lines
    std::size_t entryIndex = 0;  // the entry's position in the day
    ItemLineText text;          // item lines
    GapLineText gap;            // gap lines
    int minutes = 0;            // placed minutes or the gap's length
    LineBackground background = LineBackground::Normal;
    bool key = false;           // underlined
    bool struckOut = false;     // a done item
    bool hasNote = false;
    bool alarm = false;
    bool floating = false;      // laid into free time
    std::optional<std::uint32_t> projectColour;  // COLORREF of the item's project
    int status = 0;
    std::string description;    // for type-ahead

    bool selectable() const { return kind == PaneLineKind::Item; }
    // The line as text, for tests and for copying.
    std::string whole() const;
};

struct DayLines {
    DayNumber day;
    std::string heading;  // the date
    std::string facts;
    bool highlighted = false;
    std::string moonSymbol;          // after the date, with any moon option
    std::optional<MoonPhase> moon;   // the moon drawing, with the moon phases

    std::vector<PaneLine> lines;
};

// Hides an item from the pane (view filters, status filter, hidden done items).
using HideTest = std::function<bool(ItemHandle)>;

DayLines dayLines(Schedule& schedule, DayNumber day, const PaneDisplay& display, const LineMoment& moment,
                  const RegionalSettings& regional, const HideTest& hidden = {});

// --- geometry -----------------------------------------------------------------------------

struct PaneMetrics {
    int lineHeight = 16;       // font height plus one plus external leading
    int characterWidth = 7;    // average width of the schedule font
    int timeColumnWidth = 56;  // "12:22p> " (and "12:22p " with end times)
    int clientWidth = 400;
    int clientHeight = 300;
    bool timespace = false;    // heights follow minutes
};

// Half an hour to a line in the timespace layout; a long entry or gap takes
// at most this many lines, so one long stretch does not push the rest of
// the day out of sight.
inline constexpr int kMinutesPerTimespaceLine = 30;
inline constexpr int kMaxTimespaceLines = 6;
int lineHeightOf(const PaneLine& line, const PaneMetrics& metrics);

struct PaneRow {
    int line = 0;  // index into the pane's lines
    int top = 0;   // pixels from the top of the line area
    int height = 0;
};

enum class HitPart { Text, TimeColumn, NoteIcon };
struct PaneHit {
    int line = 0;
    HitPart part = HitPart::Text;
};

enum class SelectionExtension { None, Toggle, Range, ToggleRange };

// One pane: its day, its lines, scrolling and selection.
class PaneRecord {
public:
    void setLines(DayLines lines);
    void setMetrics(const PaneMetrics& metrics);

    DayNumber day() const { return lines_.day; }
    const DayLines& dayLines() const { return lines_; }
    const std::vector<PaneLine>& lines() const { return lines_.lines; }
    int lineCount() const { return static_cast<int>(lines_.lines.size()); }
    const PaneMetrics& metrics() const { return metrics_; }

    // Scrolling.
    int firstVisibleLine() const { return first_; }
    int linesPerPage() const;
    bool tooManyLines() const { return metrics_.clientHeight / std::max(1, metrics_.lineHeight) > kMaxPaneRows; }
    // The rows drawn from the first visible line down to the page's end.
    const std::vector<PaneRow>& rows() const { return rows_; }
    int lastFirstLine() const;  // the first visible line that shows the day's end
    void scrollTo(int firstLine);
    void scrollBy(int lines) { scrollTo(first_ + lines); }

    // Hit testing against the rows last laid out.
    std::optional<PaneHit> hitTest(int x, int y) const;

    // Selection: the selected line, or none; and the lines of an extended
    // selection (always holding the selected one).
    std::optional<int> selectedLine() const { return selected_; }
    ItemHandle selectedItem() const;
    const std::set<int>& selectedLines() const { return extended_; }
    bool select(int line, SelectionExtension extension = SelectionExtension::None);
    void clearSelection();
    bool selectNext();
    bool selectPrevious();
    bool selectFirst();
    bool selectLast();
    bool pageDown();
    bool pageUp();
    // Letter or digit: the next item line after the selected one (wrapping)
    // whose description starts with it, ignoring case.
    bool typeAhead(char32_t character);

private:
    std::optional<int> selectableFrom(int line, int step) const;
    void layoutRows();
    void keepSelectionVisible();

    DayLines lines_;
    PaneMetrics metrics_;
    std::vector<PaneRow> rows_;
    int first_ = 0;
    std::optional<int> selected_;
    std::set<int> extended_;
    int anchor_ = 0;
};

// --- the held placement -------------------------------------------------------------------

// A click in the time column holds the entry's placement or lets it go: the
// item loses fOnHold and the day is laid out again; the caller then sets the
// rebalance request. False for a split item, which cannot be held (the
// caller shows kSplitCannotHoldText); nothing changed then.
bool toggleHeldTime(Schedule& schedule, ItemHandle item, DayNumber day, const LineMoment& moment);

} // namespace zk
