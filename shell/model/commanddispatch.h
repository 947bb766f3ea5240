#pragma once
// The road of every command of the main window, whatever produced it (a
// menu item, a key, a toolbar button, a double-click).
//
// dispatch(id), in this order:
//  1. The activity hook sees the command (the user is active; background
//     work waits).
//  2. A command that is not an item, navigation or juggling command and has
//     a handler runs it. Ranges filled at run time (surprise entries,
//     worktools, recent schedules) are handlers too.
//  3. Everything else takes the schedule road: the project tree may take it;
//     without view access it is refused; on a read-only data file it is
//     refused with "These schedules are protected. You are not authorized
//     to view them."; the list views and the month view may take it; then
//     its handler runs.
//  4. A command nobody handled answers "<name> is not available yet." when
//     it is a command of the table; reserved keys and unknown numbers do
//     nothing.
// A command that changes data takes change access before its handler runs;
// refused, it does nothing more (the access module reports why).
//
// Later modules only call setHandler() for their commands.

#include "shell/model/commands.h"

#include <functional>
#include <map>
#include <vector>

namespace zk {

class Messages;

extern const char* const kProtectedSchedulesText;

enum class DispatchResult { Handled, Refused, NotAvailable, Ignored };

class CommandDispatcher {
public:
    using Handler = std::function<void(int command)>;
    // Returns true when it took the command.
    using Responder = std::function<bool(int command)>;

    struct Gates {
        std::function<void(int command)> activity = {};
        std::function<bool()> viewAccess = {};    // none: granted
        std::function<bool()> readOnly = {};      // none: writable
        std::function<bool()> changeAccess = {};  // takes it; none: always granted
    };

    explicit CommandDispatcher(Messages& messages) : messages_(messages) {}

    void setGates(Gates gates) { gates_ = std::move(gates); }
    void setHandler(int command, Handler handler);
    // first..last, both included; a single command's handler comes first.
    void setRangeHandler(int first, int last, Handler handler);
    void removeHandler(int command);
    bool hasHandler(int command) const;
    void setProjectTree(Responder responder) { projectTree_ = std::move(responder); }
    // A view that takes the keys it knows while it is the current one (the
    // month view, the lists): asked in the order added, the first to take a
    // command ends its road.
    void addActiveView(Responder responder) { activeViews_.push_back(std::move(responder)); }

    DispatchResult dispatch(int command);

private:
    const Handler* handlerOf(int command) const;
    DispatchResult run(int command, Handler handler);
    DispatchResult scheduleRoad(int command, const CommandInfo* row);

    struct Range {
        int last;
        Handler handler;
    };

    Messages& messages_;
    Gates gates_;
    std::map<int, Handler> handlers_;
    std::map<int, Range> ranges_;  // by first command
    Responder projectTree_;
    std::vector<Responder> activeViews_;
};

} // namespace zk
