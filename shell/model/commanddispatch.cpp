#include "shell/model/commanddispatch.h"

#include "platform/messages.h"

namespace zk {

const char* const kProtectedSchedulesText = "These schedules are protected. You are not authorized to view them.";

void CommandDispatcher::setHandler(int command, Handler handler) { handlers_[command] = std::move(handler); }

void CommandDispatcher::setRangeHandler(int first, int last, Handler handler)
{
    ranges_[first] = Range{last, std::move(handler)};
}

void CommandDispatcher::removeHandler(int command)
{
    handlers_.erase(command);
    ranges_.erase(command);
}

bool CommandDispatcher::hasHandler(int command) const { return handlerOf(command) != nullptr; }

const CommandDispatcher::Handler* CommandDispatcher::handlerOf(int command) const
{
    if (auto it = handlers_.find(command); it != handlers_.end())
        return &it->second;
    auto range = ranges_.upper_bound(command);
    if (range == ranges_.begin())
        return nullptr;
    --range;
    return command <= range->second.last ? &range->second.handler : nullptr;
}

DispatchResult CommandDispatcher::dispatch(int command)
{
    if (gates_.activity)
        gates_.activity(command);
    // Ctrl+Q leaves the program, as the desktop's programs do.
    if (command == Command::quit)
        command = Command::exit;
    const CommandInfo* row = findCommand(command);
    const bool scheduleCommand = row && (row->needs & Needs::schedule);
    if (!scheduleCommand)
        if (const Handler* handler = handlerOf(command))
            return run(command, *handler);
    return scheduleRoad(command, row);
}

DispatchResult CommandDispatcher::scheduleRoad(int command, const CommandInfo* row)
{
    if (projectTree_ && projectTree_(command))
        return DispatchResult::Handled;
    if (gates_.viewAccess && !gates_.viewAccess())
        return DispatchResult::Refused;
    if (gates_.readOnly && gates_.readOnly()) {
        messages_.information(kProtectedSchedulesText);
        return DispatchResult::Refused;
    }
    for (const Responder& view : activeViews_)
        if (view(command))
            return DispatchResult::Handled;
    if (const Handler* handler = handlerOf(command))
        return run(command, *handler);
    if (!row || row->owner == Owner::Reserved)
        return DispatchResult::Ignored;
    messages_.information(notAvailableText(command));
    return DispatchResult::NotAvailable;
}

// By value: a handler may replace handlers (a mode switch does) while it runs.
DispatchResult CommandDispatcher::run(int command, Handler handler)
{
    const CommandInfo* row = findCommand(command);
    if (row && (row->needs & Needs::change) && gates_.changeAccess && !gates_.changeAccess())
        return DispatchResult::Refused;
    handler(command);
    return DispatchResult::Handled;
}

} // namespace zk
