#pragma once
// The list views: which list each walks, the text of each line, and their
// titles. A list is collected once per repaint (a walk of its list with the
// hide test); a line's text is built only when the line is drawn, so a pane
// pays for its visible lines, not for the whole schedule per line.
//
//   933 all items, 746 recently edited, 747 recurring, 748 suspended,
//   749 recently inserted        the item chain (membership: the hide test)
//   937 Global List              the undated items
//   936 priority list, 740 alternate list   the priority list in order
//   501 projects list            the projects
//
// Lines: a prefix column (13 characters for item and project lines, 20 for
// priority lines) and the rest. The description is the reader's text
// (private part hidden unless private display is on), tabs as blanks.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/regional.h"
#include "shell/model/viewfilter.h"

#include <functional>
#include <string>
#include <vector>

namespace zk {

class Schedule;

namespace ListViewId {
inline constexpr int allItems = 933;
inline constexpr int edited = 746;
inline constexpr int recurring = 747;
inline constexpr int suspended = 748;
inline constexpr int inserted = 749;
inline constexpr int globalList = 937;
inline constexpr int priority = 936;
inline constexpr int alternate = 740;
inline constexpr int projects = 501;
} // namespace ListViewId

// isListView() is menus.h's.
// Walks the priority list (936, 740) rather than the item chain.
bool walksPlist(int view);
// "all", "edited", ... for zk; 0 for an unknown name.
int listViewNamed(std::string_view name);

using ListHideTest = std::function<bool(ItemHandle)>;

// The view filters' hide test as the view asks it (its list membership
// included: context.view is the list view).
ListHideTest viewHideTest(const Schedule& schedule, ViewFilter filter, ViewContext context);

// The items of the view's list in its order, those hidden left out.
std::vector<ItemHandle> listedItems(const Schedule& schedule, int view, const ListHideTest& hidden = {});

struct ListLineContext {
    DayNumber today;
    RegionalSettings regional;
};

struct ListLine {
    ItemHandle item;
    std::string prefix;  // drawn as a column
    std::string rest;
    int status = 0;
    bool done = false;
    bool key = false;

    std::string whole() const { return prefix + rest; }
};

inline constexpr std::size_t kItemPrefixLength = 13;
inline constexpr std::size_t kPriorityPrefixLength = 20;

// The line of one listed item. Any view that is not a list view is an
// internal fault.
ListLine listLine(const Schedule& schedule, int view, ItemHandle item, const ListLineContext& context);

// The view's title: "Global List - 3 items ...", "Priority list of 4
// floating items lasting 2 hours - ...", "Suspended Items List", ...; the
// all-items, recurring and projects lists have none (empty).
std::string listTitle(const Schedule& schedule, int view, const std::vector<ItemHandle>& listed,
                      const ListLineContext& context, TimeValue now);

} // namespace zk
