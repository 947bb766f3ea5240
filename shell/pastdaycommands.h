#pragma once
// "&Done Item..." (154): a done item entered after the fact, on the viewed
// day when that is past, else on yesterday. A past day is read back from its
// archive for it and written back with the new item.

namespace zk {

class CommandDispatcher;
class DesktopApp;

void installPastDayCommands(CommandDispatcher& dispatcher, DesktopApp& app);

} // namespace zk
